#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdlib>

#include "program.h"
#include "win32_utf8.h"


std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::filesystem::path ExecutableFolder(const char* argv0) {
    // The buffer grows until the whole name fits: a long path is cut, not
    // failed, by GetModuleFileNameW.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            std::error_code ec;
            return std::filesystem::absolute(argv0, ec).parent_path();
        }
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

namespace {

UINT g_consoleCodePage = 0;  // 0: not changed

}  // namespace

void RestoreConsole() {
    if (g_consoleCodePage != 0)
        SetConsoleOutputCP(g_consoleCodePage);
}

void UseUtf8Console() {
    g_consoleCodePage = GetConsoleOutputCP();  // 0 without a console
    if (g_consoleCodePage == 0 || g_consoleCodePage == CP_UTF8)
        return;
    SetConsoleOutputCP(CP_UTF8);
    std::atexit(RestoreConsole);
}
