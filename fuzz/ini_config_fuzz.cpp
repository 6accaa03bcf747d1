// The INI parser with the configuration reader and writer on top: what the
// tool does with a configuration file at start and at exit.
//
// Input: a file's text, then (after the first NUL byte, if any) texts for
// the window's fields, one per line.
//
// What must hold: any text parses and is read; writing the text back and
// parsing it again changes nothing the tool reads; the fields the window
// hands back are read back as written (a text as it was, line breaks turned
// into blanks; a number text that converts as its value); nothing read is
// longer than the reading limit.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "configuration.h"
#include "fuzz_check.h"
#include "ini_file.h"
#include "int_conversion.h"
#include "printer_text.h"

namespace {

bool SameStart(const StartSettings& a, const StartSettings& b) {
    return a.caption == b.caption && a.logo.size == b.logo.size && a.logo.width == b.logo.width &&
           a.logo.quantity == b.logo.quantity && a.logo.command == b.logo.command &&
           a.logo.para == b.logo.para && a.logoFiles == b.logoFiles &&
           a.paraBaudRate == b.paraBaudRate && a.densityIndex == b.densityIndex &&
           a.fontIndex == b.fontIndex && a.lineFeedIndex == b.lineFeedIndex &&
           a.idleTime == b.idleTime && a.offTime == b.offTime && a.maxFeed == b.maxFeed &&
           a.pageLength == b.pageLength && a.codePageIndex == b.codePageIndex &&
           a.bluetoothName == b.bluetoothName && a.bluetoothPin == b.bluetoothPin &&
           a.irBaudRate == b.irBaudRate && a.factoryTab == b.factoryTab &&
           a.factoryModel == b.factoryModel && a.factorySerial == b.factorySerial &&
           a.codePageNames == b.codePageNames && a.codePageNumbers == b.codePageNumbers &&
           a.endpoint.host == b.endpoint.host && a.endpoint.port == b.endpoint.port &&
           a.transferRate == b.transferRate;
}

void CheckLengths(const StartSettings& s) {
    for (const std::string* text : {&s.caption, &s.bluetoothName, &s.bluetoothPin,
                                    &s.factoryModel, &s.factorySerial, &s.endpoint.host})
        FUZZ_CHECK(text->size() <= kMaxValueLength);
    for (const std::string& file : s.logoFiles)
        FUZZ_CHECK(!file.empty() && file.size() <= kMaxValueLength);
    FUZZ_CHECK(s.logoFiles.size() <= static_cast<size_t>(kMaxLogoFiles));
    FUZZ_CHECK(s.codePageNames.size() <= kMaxCodePages);
    FUZZ_CHECK(s.codePageNames.size() == s.codePageNumbers.size());
    FUZZ_CHECK(s.transferRate > 0);
}

// A text as the file gives it back: line breaks become blanks.
std::string Stored(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string_view text = input.substr(0, split);
    std::vector<std::string> fields =
        split == std::string_view::npos ? std::vector<std::string>() : SplitLines(input.substr(split + 1));
    fields.resize(8);

    IniFile ini = IniFile::Parse(text);
    const StartSettings start = ReadStartSettings(ini);
    CheckLengths(start);

    // Written back untouched, the file reads the same and writes the same.
    const std::string once = ini.Serialize();
    const IniFile reread = IniFile::Parse(once);
    FUZZ_CHECK(SameStart(ReadStartSettings(reread), start));
    FUZZ_CHECK(reread.Serialize() == once);

    // What the window hands back at exit, read back at the next start.
    ExitSettings exit;
    exit.logo = start.logo;
    for (const std::string& path : {fields[0], fields[1]}) {
        if (path.size() <= kMaxValueLength)
            exit.logoPaths.push_back(path);
    }
    exit.paraRateText = fields[2];
    exit.idleText = fields[3];
    exit.offText = fields[4];
    exit.bluetoothName = fields[5].substr(0, kMaxValueLength);
    exit.bluetoothPin = fields[6].substr(0, kMaxValueLength);
    exit.factoryTab = !fields[7].empty();
    exit.factoryModel = fields[7].substr(0, kMaxValueLength);
    exit.factorySerial = "000042";
    exit.codePageIndex = 3;
    exit.densityIndex = 2;
    exit.fontIndex = -1;
    exit.lineFeedIndex = 1;

    const std::vector<UnsavedKey> unsaved = WriteExitSettings(ini, exit);
    const StartSettings next = ReadStartSettings(IniFile::Parse(ini.Serialize()));
    CheckLengths(next);

    FUZZ_CHECK(next.logo.size == exit.logo.size && next.logo.width == exit.logo.width &&
               next.logo.quantity == exit.logo.quantity &&
               next.logo.command == exit.logo.command && next.logo.para == exit.logo.para);
    std::vector<std::string> expectedFiles;
    for (const std::string& path : exit.logoPaths) {
        if (path.empty())
            break;
        expectedFiles.push_back(Stored(path));
    }
    FUZZ_CHECK(next.logoFiles == expectedFiles);
    FUZZ_CHECK(next.bluetoothName == Stored(exit.bluetoothName));
    FUZZ_CHECK(next.bluetoothPin == Stored(exit.bluetoothPin));
    // A hidden Factory tab leaves the file's section as it was.
    FUZZ_CHECK(next.factoryTab == (exit.factoryTab || start.factoryTab));
    if (exit.factoryTab) {
        FUZZ_CHECK(next.factoryModel == Stored(exit.factoryModel));
        FUZZ_CHECK(next.factorySerial == exit.factorySerial);
    }
    FUZZ_CHECK(next.codePageIndex == 3 && next.densityIndex == 2 && next.fontIndex == -1 &&
               next.lineFeedIndex == 1);

    const auto rate = ParseInt32(TrimBlanks(exit.paraRateText));
    FUZZ_CHECK(next.paraBaudRate == rate.value_or(start.paraBaudRate));
    const auto idle = ParseInt32(TrimBlanks(exit.idleText));
    FUZZ_CHECK(next.idleTime == idle.value_or(50));
    const auto off = ParseInt32(TrimBlanks(exit.offText));
    FUZZ_CHECK(next.offTime == off.value_or(start.offTime));
    const size_t expectedUnsaved = (rate ? 0 : 1) + (off ? 0 : 1) +
                                   (ParseInt32(TrimBlanks(exit.maxFeedText)) ? 0 : 1) +
                                   (ParseInt32(TrimBlanks(exit.pageText)) ? 0 : 1) +
                                   (ParseInt32(TrimBlanks(exit.irRateText)) ? 0 : 1);
    FUZZ_CHECK(unsaved.size() == expectedUnsaved);
    FUZZ_CHECK(UnsavedKeysMessage(unsaved).empty() == unsaved.empty());
    return 0;
}
