// The tool's settings as the configuration file holds them: what the window
// starts with, and what it hands back at exit. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datagram_transport.h"
#include "ini_file.h"
#include "logo_dots.h"

// Limits and download values of the NV logo image.
struct LogoSettings {
    int32_t size = 65536;    // capacity in bytes
    int32_t width = 384;     // widest picture in dots
    int32_t quantity = 8;    // most logos
    int32_t command = 0x2D;  // download command code
    int32_t para = 0;        // download start parameter
    // [LOGO] DOTS: how pictures become dots. Never added by the tool; a word
    // the user wrote is kept as written, even one that is not understood.
    LogoDots dots = LogoDots::Blue;
    std::string dotsWord;
};

// The table of code pages the PARA tab offers holds at most this many
// entries; further keys of [CODEPAGE] are not read.
constexpr size_t kMaxCodePages = 1024;
// [LOGO] FILE1 ... FILE100.
constexpr int kMaxLogoFiles = 100;
// A text value is read up to this many bytes.
constexpr size_t kMaxValueLength = 2047;

// What the window starts with: the built-in values, replaced by what the
// file holds.
struct StartSettings {
    std::string caption;  // empty: the built-in caption
    std::string port;     // [APP] PORT, the last port a job used; empty: none
    int32_t baudRate = 0;  // [APP] BAUDRATE, the top rate at the last exit; 0: none
    LogoSettings logo;
    // [LOGO] FILE1, FILE2, ... up to the first empty one, as written; whether
    // each names a file is decided by the logo list.
    std::vector<std::string> logoFiles;

    int32_t paraBaudRate = 9600;
    int32_t densityIndex = 1;
    int32_t fontIndex = 0;
    int32_t lineFeedIndex = 0;
    int32_t idleTime = 50;
    int32_t offTime = 0;
    int32_t maxFeed = 200;
    int32_t pageLength = 200;
    int32_t codePageIndex = 1;

    std::string bluetoothName = "QVX";
    std::string bluetoothPin = "7264";
    int32_t irBaudRate = 9600;

    bool factoryTab = false;
    std::string factoryModel;  // filled only when the Factory tab is shown
    std::string factorySerial;

    std::vector<std::string> codePageNames;  // file order
    std::vector<int32_t> codePageNumbers;    // entry i belongs to name i

    DatagramEndpoint endpoint;  // [NET] HOST and PORT
    // [APP] TRANSFER RATE: what block transfers ask the printer for; read,
    // never written.
    int32_t transferRate = 115200;
};

// What the window hands back at exit: its values and control texts as they
// stand. A list index is -1 when the list has no selected entry.
struct ExitSettings {
    std::string port;  // written to [APP] PORT when not empty
    int32_t baudRate = 0;  // written to [APP] BAUDRATE when not 0
    LogoSettings logo;
    std::vector<std::string> logoPaths;

    std::string paraRateText;
    int codePageIndex = -1;
    int densityIndex = -1;
    int fontIndex = -1;
    int lineFeedIndex = -1;
    std::string idleText;
    std::string offText;
    std::string maxFeedText;
    std::string pageText;

    std::string bluetoothName;
    std::string bluetoothPin;
    std::string irRateText;

    bool factoryTab = false;
    std::string factoryModel;
    std::string factorySerial;
};

// A key whose text did not convert at exit; the file keeps its old value.
struct UnsavedKey {
    std::string section;
    std::string key;
    std::string text;  // as converted (trimmed)
};

// The reading rules: a missing key or section, or a text that is empty or no
// integer, gives `fallback`. "0x"/"0X" and "$" introduce hexadecimal.
std::string ReadText(const IniFile& ini, std::string_view section, std::string_view key,
                     std::string_view fallback);
int32_t ReadInteger(const IniFile& ini, std::string_view section, std::string_view key,
                    int32_t fallback);

StartSettings ReadStartSettings(const IniFile& ini);

// Writes every key the tool owns: [LOGO] anew, [PARA], [BLUE TOOTH],
// [IRCOMM], and [FACTORY] when its tab is shown. A number text that does not
// convert leaves its key as it was and is returned; an idle time that does
// not convert is written as 50. Nothing else in the file changes.
std::vector<UnsavedKey> WriteExitSettings(IniFile& ini, const ExitSettings& settings);

// One message naming every key that was not saved.
std::string UnsavedKeysMessage(const std::vector<UnsavedKey>& keys);
