// The configuration file on disk: read as text, stored atomically. Paths are
// UTF-8 text.
#pragma once

#include <optional>
#include <string>

// How a configuration file was written: UTF-8, or the system's 8-bit code
// page (system_code_page.h).
enum class IniEncoding { Utf8, SystemCodePage };

// The file's text in UTF-8; a missing file reads as an empty text, a file
// that is there but cannot be read as nothing. A file that is not valid
// UTF-8 was written in the system's code page and is read in it; `encoding`
// (when given) tells which. A file that is neither reads as nothing.
std::optional<std::string> ReadIniText(const std::string& path, IniEncoding* encoding = nullptr);

// Stores the UTF-8 `text` in `encoding`, so that a file goes back in the
// encoding it came in and its comments and foreign keys keep their bytes. A
// text with a character the code page cannot hold is stored as UTF-8 rather
// than lose it (the window refuses such values where they are entered).
bool StoreIniText(const std::string& path, const std::string& text, std::string& error,
                  IniEncoding encoding = IniEncoding::Utf8);

// Writes `bytes` to a temporary file beside `path` and renames it over
// `path`, so that a crash or a full disk leaves the old file whole. False,
// with "Unable to write to <path>" in `error`, when that did not work.
bool StoreFileAtomically(const std::string& path, const std::string& bytes, std::string& error);

// `path` with the platform's separators, for messages.
std::string NativePathText(const std::string& path);
