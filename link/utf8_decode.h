// The code points of a UTF-8 text, for the checks that need them.
#pragma once

#include <optional>
#include <string>

// Nothing when `text` is not valid UTF-8 (overlong forms, surrogates and
// values past U+10FFFF included).
std::optional<std::u32string> DecodeUtf8(const std::string& text);
