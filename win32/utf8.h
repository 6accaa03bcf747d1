// Wide texts at the Win32 edge, UTF-8 inside.
#pragma once

#include <string>

std::wstring Wide(const std::string& text);
std::string Utf8(const std::wstring& text);
