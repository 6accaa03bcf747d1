// Recipes checked whole before anything is sent: every kind of problem is
// found (by the same checks printer-cli's own commands make), and a good
// recipe becomes the steps and bytes a unit gets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "firmware_check.h"
#include "rate_recovery.h"
#include "recipe_plan.h"
#include "station_steps.h"

namespace {

namespace fs = std::filesystem;

class RecipeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("station-recipe-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "files");
        std::vector<uint8_t> image(1024, 0x5A);
        SealFirmwareImage(image);
        Write("files/fw.bin", std::string(image.begin(), image.end()));
        Write("files/font.bin", std::string(600, 'f'));
        fs::copy_file(fs::path(PT_STATION_DATA) / "cup.bmp", folder_ / "files" / "cup.bmp");
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }
    // The recipe's problems, all of them; empty when it plans.
    std::vector<std::string> Problems(const std::string& toml, StationPlan* plan = nullptr) {
        Write("recipe.toml", toml);
        Recipe recipe;
        StationPlan planned;
        std::vector<std::string> problems;
        if (ReadRecipe(folder_ / "recipe.toml", recipe, problems))
            PlanRecipe(recipe, preparer_, RatesToFind(115200), planned, problems);
        if (plan)
            *plan = planned;
        return problems;
    }

    fs::path folder_;
    CliStepPreparer preparer_;
};

TEST_F(RecipeTest, EachKindOfProblemIsFoundBeforeAnythingIsSent) {
    struct Case {
        const char* what;
        const char* toml;
        const char* problem;  // a part of the message
    };
    const Case cases[] = {
        {"TOML that does not parse", "rate = \n", "line 1"},
        {"an unknown table", "[colour]\nx = 1\n", "colour: is not a key or table"},
        {"a value of the wrong kind", "[para]\nidle = 1.5\n", "[para] idle: must be a number"},
        {"a word para does not take", "[para]\ndensity = \"darkest\"\n", "--density"},
        {"a number para refuses", "[para]\nidle = 70000\n", "--idle: '70000' is outside 0..65535"},
        {"a key para does not have", "[para]\ncolour = 1\n", "--colour"},
        {"a rate printers are not found at", "rate = 12345\n", "rate: '12345' is not one of 9600"},
        {"bluetooth without its PIN", "[bluetooth]\nname = \"Till\"\n", "--pin is required"},
        {"an infrared protocol there is not", "[ir]\nprotocol = \"irda\"\n", "--protocol"},
        {"a range upside down", "[factory]\nmodel = \"M\"\nfirst = 10\nlast = 9\n",
         "last (9) is below first (10)"},
        {"a range wider than its width",
         "[factory]\nmodel = \"M\"\nfirst = 1\nlast = 1000\nwidth = 3\n", "more than width 3"},
        {"a factory without its model", "[factory]\nfirst = 1\nlast = 2\n", "needs model"},
        {"a pin that does not hold", "[firmware]\nfile = \"files/fw.bin\"\nsha256 = \"00\"\n",
         "the recipe pins 00"},
        {"a file that is no firmware image", "[firmware]\nfile = \"files/font.bin\"\n",
         "not a valid firmware image"},
        {"a font that is not there", "[font]\nfile = \"files/none.bin\"\n", "does not exist"},
        {"a logo picture that is not there", "[logo]\npictures = [\"files/none.bmp\"]\n",
         "none.bmp"},
        {"a logo wider than its width", "[logo]\npictures = [\"files/cup.bmp\"]\nwidth = 8\n",
         "cup.bmp"},
        {"a logo option that writes files",
         "[logo]\npictures = [\"files/cup.bmp\"]\npreview = \"p.png\"\n", "not for a recipe"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> problems = Problems(c.toml);
        ASSERT_FALSE(problems.empty()) << c.what;
        EXPECT_NE(problems.front().find(c.problem), std::string::npos)
            << c.what << ": " << problems.front();
    }
    // Every problem at once, not only the first.
    EXPECT_EQ(Problems("rate = 12345\n[para]\nidle = 70000\n[font]\nfile = \"x\"\n").size(), 3u);
    // A model that fits one frame only with the shortest serials: found by
    // the widest (1000 + 1 + 12 bytes is one too many).
    EXPECT_FALSE(Problems("[factory]\nmodel = \"" + std::string(1000, 'M') +
                          "\"\nfirst = 1\nlast = 999999999999\n")
                     .empty());
}

TEST_F(RecipeTest, AGoodRecipeBecomesItsStepsInTheFixedOrderWithTheirBytes) {
    StationPlan plan;
    // Written in another order than the steps run; paths from the recipe's folder.
    const auto problems = Problems(
        "name = \"line-4\"\n"
        "[factory]\nmodel = \"ZDV 7714\"\nfirst = 5\nlast = 9\n"
        "[para]\nrate = 9600\ncodepage = 16\ndensity = \"dark\"\nline = \"cr\"\nidle = 60\n"
        "[logo]\npictures = [\"files/cup.bmp\"]\ncommand = \"0x2D\"\n"
        "[firmware]\nfile = \"files/fw.bin\"\n"
        "[font]\nfile = \"./files/../files/font.bin\"\n",
        &plan);
    ASSERT_TRUE(problems.empty()) << problems.front();
    std::vector<std::string> order;
    for (const PlannedStep& step : plan.steps)
        order.push_back(StepName(step.kind));
    EXPECT_EQ(order, (std::vector<std::string>{"firmware", "font", "logo", "para", "factory"}));
    EXPECT_EQ(plan.recipeName, "line-4");
    EXPECT_EQ(plan.findRates.front(), 9600);
    EXPECT_EQ(plan.steps[0].bytes.size(), 1024u);
    EXPECT_EQ(plan.steps[1].bytes, std::vector<uint8_t>(600, 'f'));
    EXPECT_EQ(plan.steps[1].command, "$63");
    // The print parameters as the printer gets them: rate big-endian, code
    // page 16, dark, font a, CR, idle 60, off 0, feed and page 200.
    const SettingPayload& para = plan.steps[3].payload;
    EXPECT_EQ(para.Command, 0x60u);
    ASSERT_EQ(para.Length, 16u);
    const std::vector<uint8_t> bytes(para.Data.begin(), para.Data.begin() + 16);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0x00, 0x25, 0x80, 0x10, 0x02, 0x00, 0x01, 0x3C,
                                           0x00, 0x00, 0x00, 0xC8, 0x00, 0xC8, 0x00}));
    EXPECT_EQ(plan.serials->Count(), 5);
    EXPECT_GT(plan.lineSeconds, plan.steps[0].wireSeconds);
}

TEST_F(RecipeTest, TheExampleRecipePlans) {
    Recipe recipe;
    StationPlan plan;
    std::vector<std::string> problems;
    ASSERT_TRUE(ReadRecipe(fs::path(PT_STATION_DATA) / "example.toml", recipe, problems));
    EXPECT_TRUE(PlanRecipe(recipe, preparer_, RatesToFind(115200), plan, problems))
        << problems.front();
    EXPECT_EQ(plan.steps.size(), 7u);
}

}  // namespace
