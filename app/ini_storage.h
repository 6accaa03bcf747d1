// The configuration file on disk: read as text, stored atomically.
#pragma once

#include <QString>
#include <optional>
#include <string>

// The file's text in UTF-8; a missing file reads as an empty text, a file
// that is there but cannot be read as nothing. A file that is not valid
// UTF-8 was written in an 8-bit code page and is read as Latin-1.
std::optional<std::string> ReadIniText(const QString& path);

// Writes `text` to a temporary file beside `path` and renames it over
// `path`, so that a crash or a full disk leaves the old file whole. False,
// with "Unable to write to <path>" in `error`, when that did not work.
bool StoreIniText(const QString& path, const std::string& text, QString& error);
