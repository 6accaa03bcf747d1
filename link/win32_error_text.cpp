#define WIN32_LEAN_AND_MEAN
#include "win32_error_text.h"

#include <windows.h>

std::string Win32ErrorText(uint32_t code) {
    // English whatever the user's language, like the rest of the tool's texts;
    // a system without English messages falls back to its own language.
    char text[512] = {};
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD n = FormatMessageA(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             text, sizeof text, nullptr);
    if (n == 0)
        n = FormatMessageA(flags, nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, n);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    if (message.empty())
        return "system error " + std::to_string(code);
    return message;
}
