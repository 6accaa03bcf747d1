// The 8-bit code page a configuration file that is not UTF-8 was written in:
// the system's ANSI code page on Windows (what Notepad and older tools save
// in), Latin-1 elsewhere.
#pragma once

#include <optional>
#include <string>

// `bytes` in that code page as UTF-8; nothing when a byte has no character
// there.
std::optional<std::string> CodePageToUtf8(const std::string& bytes);

// UTF-8 `text` in that code page; nothing when a character has no byte there
// (or the text is not UTF-8).
std::optional<std::string> Utf8ToCodePage(const std::string& text);
