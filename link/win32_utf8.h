// Texts cross the Win32 API in their wide form; inside the tool they are
// UTF-8. One conversion each way for every Windows file.
#pragma once

#include <string>
#include <string_view>

std::string Utf8FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view text);
