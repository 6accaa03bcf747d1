#include "utf8.h"

#include "win32_utf8.h"

std::wstring Wide(const std::string& text) {
    return WideFromUtf8(text);
}

std::string Utf8(const std::wstring& text) {
    return Utf8FromWide(text);
}
