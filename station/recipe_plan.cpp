#include "recipe_plan.h"

#include <algorithm>
#include <climits>

#include "block_transfer.h"
#include "int_conversion.h"
#include "path_text.h"
#include "sha256.h"
#include "transfer_input.h"

namespace {

namespace fs = std::filesystem;

// Frames: a 12-byte header and their data; every byte is 10 bits on the line.
constexpr int kFrameHeaderBytes = 12;
constexpr int kIdentifyDataBytes = 8;
constexpr double kBitsPerByte = 10.0;
constexpr const char* kFontCommand = "$63";

double FrameExchangeSeconds(int sentData, int replyData, int32_t rate) {
    return (2 * kFrameHeaderBytes + sentData + replyData) * kBitsPerByte / rate;
}

std::string Blocks(const TransferPlan& plan) {
    return std::to_string(plan.bytes) + " bytes, " + std::to_string(plan.blocks) +
           (plan.blocks == 1 ? " block" : " blocks");
}

class Planner {
  public:
    Planner(StepPreparer& preparer, StationPlan& plan, std::vector<std::string>& problems)
        : preparer_(preparer), plan_(plan), problems_(problems) {}

    // False when the file is missing or its digest differs from the pin.
    bool PinHolds(const RecipeFile& file, const std::string& where) {
        if (!file.sha256)
            return true;
        const auto digest = FileSha256Hex(file.path);
        if (!digest) {
            problems_.push_back(where + ": " + PathText(file.path) + " cannot be read");
            return false;
        }
        if (*digest != *file.sha256) {
            problems_.push_back(where + ": " + file.written + " has SHA-256 " + *digest +
                                ", the recipe pins " + *file.sha256);
            return false;
        }
        return true;
    }

    void Firmware(const RecipeFile& file) {
        if (!PinHolds(file, "[firmware]"))
            return;
        PlannedStep step;
        step.kind = StepKind::Firmware;
        std::string error;
        if (!LoadFirmwareImage(file.path, step.bytes, error)) {
            problems_.push_back("[firmware]: " + error);
            return;
        }
        const TransferPlan blocks = PlanTransfer(step.bytes.size(), 0, true, TransferRate());
        step.what = file.written + " (" + Blocks(blocks) + ")";
        step.wireSeconds = blocks.wireSeconds;
        plan_.steps.push_back(std::move(step));
    }

    void Font(const RecipeFile& file) {
        if (!PinHolds(file, "[font]"))
            return;
        std::vector<PreparedDownload> read;
        std::string error;
        const std::string name = PathText(file.path.filename());
        if (!PrepareDownloads({{file.path, name, kFontCommand, "0"}}, read, error)) {
            problems_.push_back("[font]: " + error);
            return;
        }
        Download(StepKind::Font, std::move(read.front().bytes), name, kFontCommand, "0",
                 file.written);
    }

    void Logo(const RecipeLogo& logo) {
        std::vector<fs::path> pictures;
        bool pinsHold = true;
        for (const RecipeFile& picture : logo.pictures) {
            pinsHold = PinHolds(picture, "[logo]") && pinsHold;
            pictures.push_back(picture.path);
        }
        if (!pinsHold)
            return;
        std::string problem;
        auto image = preparer_.Logo(pictures, logo.options, problem);
        if (!image) {
            problems_.push_back("[logo]: " + problem);
            return;
        }
        // The address as the download converts it; a negative one is the
        // bit pattern of a high address.
        const auto start = ParseInt32(image->address);
        if (const auto wraps =
                start ? AddressRangeProblem(image->image.size(), static_cast<uint32_t>(*start))
                      : std::optional<std::string>(InvalidIntegerMessage(image->address))) {
            problems_.push_back("[logo]: the image cannot be downloaded: " + *wraps);
            return;
        }
        Download(StepKind::Logo, std::move(image->image), "logo.bin", image->command,
                 image->address, image->description);
    }

    void Setting(StepKind kind, SettingStep setting, const RecipeValues& values,
                 const char* table) {
        std::string problem;
        const auto prepared = preparer_.Setting(setting, values, problem);
        if (!prepared) {
            problems_.push_back(std::string("[") + table + "]: " + problem);
            return;
        }
        PlannedStep step;
        step.kind = kind;
        step.payload = prepared->payload;
        step.what = prepared->values;
        step.wireSeconds = SettingSeconds(static_cast<int>(prepared->payload.Length));
        plan_.steps.push_back(std::move(step));
    }

    // The model and the widest serial of the range must make a payload; every
    // other serial is no longer.
    void Factory(const SerialRange& range) {
        std::string problem;
        const auto prepared = preparer_.Setting(
            SettingStep::Factory, {{"model", range.model}, {"serial", range.Text(range.last)}},
            problem);
        if (!prepared) {
            problems_.push_back("[factory]: " + problem);
            return;
        }
        PlannedStep step;
        step.kind = StepKind::Factory;
        step.what = "model " + range.model + ", serials " + range.Describe() + " (" +
                    std::to_string(range.Count()) + ")";
        step.wireSeconds = SettingSeconds(static_cast<int>(prepared->payload.Length));
        plan_.steps.push_back(std::move(step));
        plan_.serials = range;
    }

    uint32_t TransferRate() const { return static_cast<uint32_t>(plan_.transferRate); }

  private:
    void Download(StepKind kind, std::vector<uint8_t> bytes, const std::string& fileName,
                  const std::string& command, const std::string& address,
                  const std::string& shown) {
        PlannedStep step;
        step.kind = kind;
        const auto start = ParseInt32(address).value_or(0);
        const TransferPlan blocks =
            PlanTransfer(bytes.size(), static_cast<uint32_t>(start), false, TransferRate());
        step.what = shown + " (" + Blocks(blocks) + ", command " + command + ")";
        step.wireSeconds = blocks.wireSeconds;
        step.bytes = std::move(bytes);
        step.fileName = fileName;
        step.command = command;
        step.address = address;
        plan_.steps.push_back(std::move(step));
    }

    // A setting job opens with an identify, then sends its one frame.
    double SettingSeconds(int length) const {
        return IdentifyWireSeconds(plan_.rate) + FrameExchangeSeconds(length, 0, plan_.rate);
    }

    StepPreparer& preparer_;
    StationPlan& plan_;
    std::vector<std::string>& problems_;
};

}  // namespace

const char* StepName(StepKind kind) {
    switch (kind) {
        case StepKind::Find:
            return "find";
        case StepKind::Firmware:
            return "firmware";
        case StepKind::Font:
            return "font";
        case StepKind::Logo:
            return "logo";
        case StepKind::Para:
            return "para";
        case StepKind::Bluetooth:
            return "bluetooth";
        case StepKind::Infrared:
            return "ir";
        case StepKind::Factory:
            return "factory";
        case StepKind::Identify:
            return "identify";
    }
    return "";
}

double IdentifyWireSeconds(int32_t rate) {
    return FrameExchangeSeconds(kIdentifyDataBytes, kIdentifyDataBytes, rate);
}

bool PlanRecipe(const Recipe& recipe, StepPreparer& preparer, const std::vector<int32_t>& autoRates,
                StationPlan& plan, std::vector<std::string>& problems) {
    plan = StationPlan{};
    plan.recipePath = recipe.path;
    plan.recipeName = recipe.name;
    plan.recipeSha256 = recipe.sha256;
    const size_t before = problems.size();
    if (const auto problem = preparer.LineRateProblem("rate", recipe.rate))
        problems.push_back(*problem);
    else
        plan.rate = static_cast<int32_t>(recipe.rate);
    if (recipe.transferRate <= 0 || recipe.transferRate > INT32_MAX)
        problems.push_back("transfer-rate: '" + std::to_string(recipe.transferRate) +
                           "' is not a line rate");
    else
        plan.transferRate = static_cast<int32_t>(recipe.transferRate);
    plan.findRates = {plan.rate};
    for (const int32_t rate : autoRates) {
        if (std::find(plan.findRates.begin(), plan.findRates.end(), rate) == plan.findRates.end())
            plan.findRates.push_back(rate);
    }

    Planner planner(preparer, plan, problems);
    if (recipe.firmware)
        planner.Firmware(*recipe.firmware);
    if (recipe.font)
        planner.Font(*recipe.font);
    if (recipe.logo)
        planner.Logo(*recipe.logo);
    if (recipe.para)
        planner.Setting(StepKind::Para, SettingStep::Para, *recipe.para, "para");
    if (recipe.bluetooth)
        planner.Setting(StepKind::Bluetooth, SettingStep::Bluetooth, *recipe.bluetooth,
                        "bluetooth");
    if (recipe.ir)
        planner.Setting(StepKind::Infrared, SettingStep::Infrared, *recipe.ir, "ir");
    if (recipe.factory)
        planner.Factory(*recipe.factory);

    // Every unit is found and identified again at the end.
    plan.lineSeconds = 2 * IdentifyWireSeconds(plan.rate);
    for (const PlannedStep& step : plan.steps)
        plan.lineSeconds += step.wireSeconds;
    return problems.size() == before;
}
