// What printer-cli learns from the system about its own start: the arguments
// as UTF-8 and the folder of its executable. The system calls live in
// program_posix.cpp and program_win32.cpp.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The arguments in UTF-8. On Windows `argv` is in the ANSI code page, which
// turns letters it lacks into '?', so the wide command line is read instead.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// The folder of the running executable, where "debug.log" goes by default.
std::filesystem::path ExecutableFolder(const char* argv0);

// Lets the console show UTF-8 output as it is (a no-op where it always does).
// The console is shared with the shell that started the program: its own
// code page comes back at exit, or earlier through RestoreConsole.
void UseUtf8Console();
// Gives the console its code page back; for an exit that skips atexit.
void RestoreConsole();
