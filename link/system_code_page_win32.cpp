#include "system_code_page.h"

#include <windows.h>

namespace {

std::optional<std::wstring> Wide(const std::string& text, UINT codePage, DWORD flags) {
    if (text.empty())
        return std::wstring();
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), size);
    return wide;
}

// `wide` in `codePage`; nothing when a character has no exact form there
// (no best-fit look-alikes, no default character).
std::optional<std::string> Narrow(const std::wstring& wide, UINT codePage) {
    if (wide.empty())
        return std::string();
    const int length = static_cast<int>(wide.size());
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* defaultFlag = utf8 ? nullptr : &usedDefault;
    const int size =
        WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, defaultFlag);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::optional<std::string> CodePageToUtf8(const std::string& bytes) {
    const std::optional<std::wstring> wide = Wide(bytes, CP_ACP, MB_ERR_INVALID_CHARS);
    return wide ? Narrow(*wide, CP_UTF8) : std::nullopt;
}

std::optional<std::string> Utf8ToCodePage(const std::string& text) {
    const std::optional<std::wstring> wide = Wide(text, CP_UTF8, MB_ERR_INVALID_CHARS);
    return wide ? Narrow(*wide, CP_ACP) : std::nullopt;
}
