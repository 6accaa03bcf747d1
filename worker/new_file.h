// Files made under a name nobody else uses: the temporary file a debug log
// is written to before it replaces the log, and the probe that tests whether
// a folder takes files. Two programs (the window and printer-cli) may do
// either in the same folder at the same time.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Creates a file beside `target`, named after it with a random suffix
// ("debug.log.3f9c0a1b7e2d5c48.tmp"), that did not exist before, and writes
// `bytes` into it. Its path, or an empty path with `error` set.
std::filesystem::path WriteNewSibling(const std::filesystem::path& target, std::string_view bytes,
                                      std::string& error);

// Creating a file under `path` only if there is none; the system call lives
// in new_file_posix.cpp and new_file_win32.cpp.
enum class NewFileResult { Created, Exists, Failed };
NewFileResult CreateNewFile(const std::filesystem::path& path, std::string_view bytes,
                            std::string& error);
