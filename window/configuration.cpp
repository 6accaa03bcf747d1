#include "configuration.h"

#include <limits>

#include "int_conversion.h"
#include "printer_text.h"

namespace {

constexpr const char* kApp = "APP";
constexpr const char* kLogo = "LOGO";
constexpr const char* kPara = "PARA";
constexpr const char* kBluetooth = "BLUE TOOTH";
constexpr const char* kIrComm = "IRCOMM";
constexpr const char* kFactory = "FACTORY";
constexpr const char* kCodePage = "CODEPAGE";
constexpr const char* kNet = "NET";

constexpr int32_t kIdleTimeWhenInvalid = 50;

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// At most kMaxValueLength bytes, never ending inside a character.
std::string LimitLength(std::string text) {
    if (text.size() <= kMaxValueLength)
        return text;
    size_t length = kMaxValueLength;
    while (length > 0 && IsUtf8Continuation(text[length]))
        --length;
    text.resize(length);
    return text;
}

std::string LogoFileKey(int number) {
    return "FILE" + std::to_string(number);
}

// Collects the keys of a save: written when their text converts, listed
// otherwise.
class KeyWriter {
  public:
    explicit KeyWriter(IniFile& ini) : ini_(ini) {}

    void Text(const char* section, const char* key, const std::string& text) {
        ini_.SetValue(section, key, text);
    }
    void Integer(const char* section, const char* key, int64_t value) {
        ini_.SetValue(section, key, std::to_string(value));
    }
    // The text trimmed and converted; a text that does not convert leaves
    // the key as it is and is listed.
    void NumberText(const char* section, const char* key, std::string_view text) {
        const std::string_view trimmed = TrimBlanks(text);
        if (const auto value = ParseInt32(trimmed))
            Integer(section, key, *value);
        else
            unsaved_.push_back(UnsavedKey{section, key, std::string(trimmed)});
    }

    std::vector<UnsavedKey> TakeUnsaved() { return std::move(unsaved_); }

  private:
    IniFile& ini_;
    std::vector<UnsavedKey> unsaved_;
};

}  // namespace

std::string ReadText(const IniFile& ini, std::string_view section, std::string_view key,
                     std::string_view fallback) {
    const auto value = ini.Value(section, key);
    return LimitLength(value ? *value : std::string(fallback));
}

int32_t ReadInteger(const IniFile& ini, std::string_view section, std::string_view key,
                    int32_t fallback) {
    const auto value = ini.Value(section, key);
    if (!value)
        return fallback;
    // "0x" and "$" prefixes are part of the one integer syntax.
    return ParseInt32(LimitLength(*value)).value_or(fallback);
}

StartSettings ReadStartSettings(const IniFile& ini) {
    StartSettings s;
    s.caption = ReadText(ini, kApp, "CAPTION", "");
    s.port = ReadText(ini, kApp, "PORT", "");
    s.baudRate = ReadInteger(ini, kApp, "BAUDRATE", 0);
    s.transferRate = ReadInteger(ini, kApp, "TRANSFER RATE", s.transferRate);
    if (s.transferRate <= 0)
        s.transferRate = StartSettings{}.transferRate;

    s.logo.size = ReadInteger(ini, kLogo, "SIZE", s.logo.size);
    s.logo.width = ReadInteger(ini, kLogo, "WIDTH", s.logo.width);
    s.logo.quantity = ReadInteger(ini, kLogo, "QUANTITY", s.logo.quantity);
    s.logo.command = ReadInteger(ini, kLogo, "COMMAND", s.logo.command);
    s.logo.para = ReadInteger(ini, kLogo, "PARA", s.logo.para);
    s.logo.dotsWord = ReadText(ini, kLogo, "DOTS", "");
    s.logo.dots = ParseLogoDots(TrimBlanks(s.logo.dotsWord)).value_or(LogoDots::Blue);
    for (int n = 1; n <= kMaxLogoFiles; ++n) {
        std::string file = ReadText(ini, kLogo, LogoFileKey(n), "");
        if (file.empty())
            break;
        s.logoFiles.push_back(std::move(file));
    }

    s.paraBaudRate = ReadInteger(ini, kPara, "BAUDRATE", s.paraBaudRate);
    s.densityIndex = ReadInteger(ini, kPara, "DENSITY", s.densityIndex);
    s.fontIndex = ReadInteger(ini, kPara, "FONT", s.fontIndex);
    s.lineFeedIndex = ReadInteger(ini, kPara, "LINEFEED", s.lineFeedIndex);
    s.idleTime = ReadInteger(ini, kPara, "IDLE TIME", s.idleTime);
    s.offTime = ReadInteger(ini, kPara, "OFF TIME", s.offTime);
    s.maxFeed = ReadInteger(ini, kPara, "MAX FEED", s.maxFeed);
    s.pageLength = ReadInteger(ini, kPara, "PAGE LENGTH", s.pageLength);
    s.codePageIndex = ReadInteger(ini, kPara, "CODEPAGE", s.codePageIndex);

    s.bluetoothName = ReadText(ini, kBluetooth, "DEVICE NAME", s.bluetoothName);
    s.bluetoothPin = ReadText(ini, kBluetooth, "PIN", s.bluetoothPin);
    s.irBaudRate = ReadInteger(ini, kIrComm, "BAUDRATE", s.irBaudRate);

    s.factoryTab = ini.SectionExists(kFactory);
    if (s.factoryTab) {
        s.factoryModel = ReadText(ini, kFactory, "DEVICE NAME", "QVX-II");
        s.factorySerial = ReadText(ini, kFactory, "SERIAL NO", "0");
    }

    for (const std::string& name : ini.KeyNames(kCodePage)) {
        if (s.codePageNames.size() == kMaxCodePages)
            break;
        s.codePageNames.push_back(name);
        s.codePageNumbers.push_back(ReadInteger(ini, kCodePage, name, 0));
    }

    const std::string host = ReadText(ini, kNet, "HOST", "");
    if (!host.empty())
        s.endpoint.host = host;
    const int32_t port = ReadInteger(ini, kNet, "PORT", s.endpoint.port);
    if (port > 0 && port <= std::numeric_limits<uint16_t>::max())
        s.endpoint.port = static_cast<uint16_t>(port);
    return s;
}

std::vector<UnsavedKey> WriteExitSettings(IniFile& ini, const ExitSettings& s) {
    KeyWriter w(ini);
    if (!s.port.empty())
        w.Text(kApp, "PORT", s.port);
    if (s.baudRate > 0)
        w.Integer(kApp, "BAUDRATE", s.baudRate);

    ini.ClearSection(kLogo);
    w.Integer(kLogo, "SIZE", s.logo.size);
    w.Integer(kLogo, "QUANTITY", s.logo.quantity);
    w.Integer(kLogo, "COMMAND", s.logo.command);
    w.Integer(kLogo, "PARA", s.logo.para);
    w.Integer(kLogo, "WIDTH", s.logo.width);
    if (!s.logo.dotsWord.empty())
        w.Text(kLogo, "DOTS", s.logo.dotsWord);
    for (size_t i = 0; i < s.logoPaths.size() && i < static_cast<size_t>(kMaxLogoFiles); ++i)
        w.Text(kLogo, LogoFileKey(static_cast<int>(i) + 1).c_str(), s.logoPaths[i]);

    w.NumberText(kPara, "BAUDRATE", s.paraRateText);
    w.Integer(kPara, "CODEPAGE", s.codePageIndex);
    w.Integer(kPara, "DENSITY", s.densityIndex);
    w.Integer(kPara, "FONT", s.fontIndex);
    w.Integer(kPara, "LINEFEED", s.lineFeedIndex);
    w.Integer(kPara, "IDLE TIME",
              ParseInt32(TrimBlanks(s.idleText)).value_or(kIdleTimeWhenInvalid));
    w.NumberText(kPara, "OFF TIME", s.offText);
    w.NumberText(kPara, "MAX FEED", s.maxFeedText);
    w.NumberText(kPara, "PAGE LENGTH", s.pageText);

    w.Text(kBluetooth, "DEVICE NAME", s.bluetoothName);
    w.Text(kBluetooth, "PIN", s.bluetoothPin);
    w.NumberText(kIrComm, "BAUDRATE", s.irRateText);

    if (s.factoryTab) {
        w.Text(kFactory, "DEVICE NAME", s.factoryModel);
        w.Text(kFactory, "SERIAL NO", s.factorySerial);
    }
    return w.TakeUnsaved();
}

std::string UnsavedKeysMessage(const std::vector<UnsavedKey>& keys) {
    if (keys.empty())
        return {};
    std::string message = keys.size() == 1
                              ? "This setting was not saved; the file keeps its earlier value:"
                              : "These settings were not saved; the file keeps their earlier "
                                "values:";
    for (const UnsavedKey& key : keys)
        message += "\n[" + key.section + "] " + key.key + ": " + InvalidIntegerMessage(key.text);
    return message;
}
