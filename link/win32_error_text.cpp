#define WIN32_LEAN_AND_MEAN
#include "win32_error_text.h"

#include <windows.h>

#include "win32_utf8.h"

namespace {

// The wide form: the narrow one gives the ANSI code page, not UTF-8, and a
// message in the user's language may hold letters outside it.
DWORD FormatInto(DWORD code, DWORD language, wchar_t* text, DWORD size) {
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    return FormatMessageW(flags, nullptr, code, language, text, size, nullptr);
}

}  // namespace

std::string Win32ErrorText(uint32_t code) {
    // English whatever the user's language, like the rest of the tool's texts;
    // a system without English messages falls back to its own language.
    wchar_t text[512] = {};
    DWORD n = FormatInto(code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, 512);
    if (n == 0)
        n = FormatInto(code, 0, text, 512);
    std::string message = Utf8FromWide(std::wstring_view(text, n));
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    if (message.empty())
        return "system error " + std::to_string(code);
    return message;
}
