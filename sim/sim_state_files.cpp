#include "sim_state_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include <nlohmann/json.hpp>

namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            // Printer texts are 8-bit bytes; each keeps its own value.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string HexString(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2 + 2);
    out += '"';
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out + '"';
}

std::string Field(const char* name, const std::string& value, bool last = false) {
    return std::string("\"") + name + "\": " + value + (last ? "" : ", ");
}

using Json = nlohmann::ordered_json;

// The state's layout: the top level and the objects right inside it one
// member a line, anything deeper on one line, so that a setting's fields
// stand together for a person or a line tool. Texts are written as ASCII.
void Lay(const Json& value, int depth, std::string& out) {
    if (!value.is_object() || value.empty()) {
        out += value.dump(-1, ' ', true);
        return;
    }
    const bool oneLine = depth >= 2;
    const std::string indent(oneLine ? 0 : 2 * (depth + 1), ' ');
    out += oneLine ? "{" : "{\n";
    bool first = true;
    for (const auto& [key, member] : value.items()) {
        if (!first)
            out += oneLine ? ", " : ",\n";
        first = false;
        out += indent + Json(key).dump(-1, ' ', true) + ": ";
        Lay(member, depth + 1, out);
    }
    out += oneLine ? "}" : "\n" + std::string(2 * depth, ' ') + "}";
}

Json StateJson(const SimStateSnapshot& state) {
    Json memory = Json::object();
    for (const auto& [code, size] : state.memorySizes)
        memory[SimStateFiles::MemoryFileName(code)] = size;
    Json settings = Json::object();
    for (const SimSettingCommand& setting : SimSettingCommands())
        settings[setting.name] = setting.write(state.settings);
    return {{"rate", state.rate},
            {"mode", SimModeName(state.mode)},
            {"firmwareAccepted", state.firmwareAccepted},
            {"commandsHandled", state.commandsHandled},
            {"discardedBytes", state.discardedBytes},
            {"memory", std::move(memory)},
            {"settings", std::move(settings)}};
}

}  // namespace

SimStateFiles::~SimStateFiles() {
    if (commands_ != nullptr)
        std::fclose(commands_);
    if (stateFd_ >= 0)
        ::close(stateFd_);
    for (const auto& [code, file] : memoryFiles_) {
        if (file.fd >= 0)
            ::close(file.fd);
    }
}

std::string SimStateFiles::MemoryFileName(uint16_t code) {
    char name[32];
    std::snprintf(name, sizeof name, "memory-0x%02X.bin", static_cast<unsigned>(code));
    return name;
}

bool SimStateFiles::Open(const std::string& dir, std::chrono::steady_clock::time_point start,
                         std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    dir_ = dir;
    start_ = start;
    const std::string path = dir_ + "/commands.json";
    commands_ = std::fopen(path.c_str(), "w+");
    if (commands_ == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fputs("[\n]\n", commands_);
    std::fflush(commands_);
    // Images of an earlier run would pass for this one's.
    for (const auto& entry : std::filesystem::directory_iterator(dir_, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("memory-0x") && name.ends_with(".bin"))
            std::filesystem::remove(entry.path(), ec);
    }
    return true;
}

void SimStateFiles::AppendCommand(const ReceivedCommand& command) {
    if (commands_ == nullptr)
        return;
    auto ms = [this](std::chrono::steady_clock::time_point t) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f",
                      std::chrono::duration<double, std::milli>(t - start_).count());
        return std::string(text);
    };
    std::string entry = firstCommand_ ? "  {" : ",\n  {";
    entry += Field("code", std::to_string(command.code));
    entry += Field("parameter", std::to_string(command.parameter));
    entry += Field("dataLength", std::to_string(command.data.size()));
    entry += Field("data", HexString(command.data));
    entry += Field("timeMs", ms(command.time));
    entry += Field("startMs", ms(command.start));
    entry += Field("replyEndMs", ms(command.replyEnd));
    entry += Field("replyBytes", std::to_string(command.replyBytes));
    entry += Field("rate", std::to_string(command.rate));
    entry += Field("outcome", JsonString(CommandOutcomeName(command.outcome)));
    entry += Field("note", JsonString(command.note), true);
    entry += "}\n]\n";
    // Over the closing "\n]\n" (or "]\n" while the array is empty).
    std::fseek(commands_, firstCommand_ ? -2 : -3, SEEK_END);
    std::fputs(entry.c_str(), commands_);
    std::fflush(commands_);
    firstCommand_ = false;
}

void SimStateFiles::WriteState(const SimStateSnapshot& state) {
    if (dir_.empty())
        return;
    std::string json;
    Lay(StateJson(state), 0, json);
    json += '\n';
    // Rewritten in place: replacing the file by a rename makes the file
    // system flush it, which costs a millisecond or more per command. A
    // shorter state is padded with blanks, so the file never shrinks and a
    // reader never finds it cut short.
    if (stateFd_ < 0) {
        const std::string path = dir_ + "/state.json";
        stateFd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (stateFd_ < 0)
            return;
    }
    if (json.size() < stateSize_)
        json.append(stateSize_ - json.size(), ' ');
    if (::pwrite(stateFd_, json.data(), json.size(), 0) == static_cast<ssize_t>(json.size()))
        stateSize_ = json.size();
}

void SimStateFiles::WriteMemory(uint16_t code, uint32_t address, const std::vector<uint8_t>& data) {
    if (dir_.empty())
        return;
    MemoryFile& file = memoryFiles_[code];
    if (file.fd < 0) {
        const std::string path = dir_ + "/" + MemoryFileName(code);
        file.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (file.fd < 0)
            return;
    }
    if (address > file.size) {
        const std::vector<uint8_t> erased(address - file.size, 0xFF);
        if (::pwrite(file.fd, erased.data(), erased.size(), static_cast<off_t>(file.size)) < 0)
            return;
    }
    if (::pwrite(file.fd, data.data(), data.size(), static_cast<off_t>(address)) ==
        static_cast<ssize_t>(data.size())) {
        file.size = std::max<uint64_t>(file.size, uint64_t{address} + data.size());
    }
}

void SimStateFiles::EraseMemory(uint16_t code) {
    if (dir_.empty())
        return;
    if (const auto found = memoryFiles_.find(code); found != memoryFiles_.end()) {
        if (found->second.fd >= 0)
            ::close(found->second.fd);
        memoryFiles_.erase(found);
    }
    std::error_code ec;
    std::filesystem::remove(dir_ + "/" + MemoryFileName(code), ec);
}
