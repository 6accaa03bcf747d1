// Values the setting fields cannot take, with the refusal each front end
// gives before anything is sent: printer-cli names the option and lists its
// words, the window names the control's label and lists its entries.
#pragma once

struct SettingRefusal {
    const char* command;  // printer-cli's command, and so the window's tab
    const char* field;    // printer-cli's option without "--"
    const char* value;    // typed into the option and into the control
    const char* cli;
    const char* window;
};

inline constexpr SettingRefusal kSettingRefusals[] = {
    {"para", "rate", "1920", "--rate: '1920' is not one of 9600, 19200, 38400, 57600, 115200",
     "BAUD RATE: '1920' is not one of 9600, 19200, 38400, 57600, 115200"},
    {"para", "rate", "9600 ", "--rate: '9600 ' is not a valid integer value",
     "BAUD RATE: '9600 ' is not a valid integer value"},
    {"para", "density", "DARKEST", "--density: 'DARKEST' is not one of low, normal, dark",
     "DENSITY: 'DARKEST' is not one of LOW, NORMAL, DARK"},
    {"para", "font", "F 99x99", "--font: 'F 99x99' is not one of a, b, c, d, e",
     "FONT: 'F 99x99' is not one of A 12x24, B  9x24, C  9x17, D  8x16, E 16x18"},
    {"para", "line", "", "--line: '' is not one of lf, cr",
     "LINE: '' is not one of LF(0x0A), CR(0x0D)"},
    {"para", "idle", "-1", "--idle: '-1' is outside 0..65535",
     "IDLE TIME: '-1' is outside 0..65535"},
    {"para", "off", "99999999", "--off: '99999999' is outside 0..65535",
     "OFF TIME: '99999999' is outside 0..65535"},
    {"para", "max-feed", "2x0", "--max-feed: '2x0' is not a valid integer value",
     "MAX FEED: '2x0' is not a valid integer value"},
    {"para", "page-len", "65536", "--page-len: '65536' is outside 0..65535",
     "PAGE LEN: '65536' is outside 0..65535"},
    {"ir", "rate", "7", "--rate: '7' is not one of 9600, 19200, 38400, 57600, 115200",
     "BAUD RATE: '7' is not one of 9600, 19200, 38400, 57600, 115200"},
    {"ir", "protocol", "IrDA", "--protocol: 'IrDA' is not one of raw",
     "IR PROTOCOL: 'IrDA' is not one of RAW"},
};
