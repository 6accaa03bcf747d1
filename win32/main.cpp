// printer-tool.exe: the window, on the port given by --port or the
// configuration's.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "main_window.h"
#include "utf8.h"

namespace {

// The value of "--port NAME" or "--port=NAME"; empty without one.
std::string PortOption() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring port;
    for (int i = 1; args && i < count; ++i) {
        const std::wstring arg = args[i];
        if (arg == L"--port" && i + 1 < count)
            port = args[++i];
        else if (arg.rfind(L"--port=", 0) == 0)
            port = arg.substr(7);
    }
    LocalFree(args);
    return Utf8(port);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    // The picture decoder and the file dialog are COM components.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    int exitCode = 1;
    {
        MainWindow window(instance, PortOption());
        if (window.Open(showCommand)) {
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                if (window.TranslateKeys(message))
                    continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            exitCode = static_cast<int>(message.wParam);
        }
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return exitCode;
}
