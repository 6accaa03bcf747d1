// window-driver.exe: drives printer-tool.exe's window from outside, as a
// user would, for the checks under Wine. It runs its steps in order and
// stops at the first that fails (exit status 1, the reason on stderr):
//   wait-window              the window is there (20 s)
//   tab N                    shows tab N
//   set ID TEXT              types TEXT into the field or list ID
//   click ID                 clicks the button ID
//   box TEXT                 a message box whose text holds TEXT appears
//                            (60 s); prints its text and presses OK
//   answer TEXT yes|no       a question whose text holds TEXT appears
//                            (60 s); prints its text and answers it
//   file PATH                a file dialog appears; picks PATH
//   cancel TITLE             a file dialog titled TITLE appears; cancels it
//   context ID KEY           opens control ID's context menu from the
//                            keyboard and picks the item whose mnemonic is KEY
//   text ID TEXT             the control ID shows TEXT (within 5 s)
//   enabled ID               control ID is visible and enabled (within 20 s)
//   moving ID                progress bar ID is visible and its position
//                            grows between two looks (within 20 s)
//   icon                     the window's exe has an icon resource, the one
//                            the taskbar and the Start menu show
//   layout WIDTH HEIGHT      the client area is WIDTH x HEIGHT and every
//                            control lies inside its parent's client area
//   key ID VK                presses the key VK (decimal) in control ID
//   focus ID                 the keyboard focus is in control ID (5 s)
//   shot FILE                saves what the window shows as a BMP file
//   close                    closes the window and waits until it has gone
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "control_ids.h"

namespace {

HWND g_window = nullptr;

[[noreturn]] void Fail(const std::wstring& why) {
    fwprintf(stderr, L"window-driver: %ls\n", why.c_str());
    std::exit(1);
}

std::wstring TextOf(HWND hwnd) {
    wchar_t buffer[4096] = {};
    SendMessageTimeoutW(hwnd, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return buffer;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// Waits until `found` gives a window, up to `seconds`.
template <typename Find>
HWND WaitFor(Find found, int seconds, const std::wstring& what) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    for (;;) {
        if (HWND hwnd = found())
            return hwnd;
        if (GetTickCount64() > deadline)
            Fail(L"no " + what + L" after " + std::to_wstring(seconds) + L" s");
        Sleep(50);
    }
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND Control(int id) {
    for (HWND hwnd : Descendants(g_window)) {
        if (GetDlgCtrlID(hwnd) == id && GetParent(hwnd) != nullptr &&
            ClassOf(GetParent(hwnd)) != L"ComboBox")
            return hwnd;
    }
    Fail(L"no control " + std::to_wstring(id));
}

// A visible dialog box (message box or file dialog) of the tool's process.
HWND ToolDialog() {
    DWORD tool = 0;
    GetWindowThreadProcessId(g_window, &tool);
    struct Search {
        DWORD process;
        HWND found;
    } search{tool, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM data) {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (process == s->process && IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770") {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Presses `command` (IDOK, IDYES, IDNO, ...) in the box holding `expected`.
void Box(const std::wstring& expected, int command = IDOK) {
    const HWND box = WaitFor(ToolDialog, 60, L"message box holding \"" + expected + L"\"");
    std::wstring text;
    for (HWND child : Descendants(box)) {
        if (ClassOf(child) == L"Static") {
            const std::wstring part = TextOf(child);
            if (!part.empty())
                text += (text.empty() ? L"" : L" | ") + part;
        }
    }
    // One line: the text and its detail below it.
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n')
            c = L' ';
    }
    wprintf(L"box: %ls\n", text.c_str());
    fflush(stdout);
    if (text.find(expected) == std::wstring::npos)
        Fail(L"the box says \"" + text + L"\", not \"" + expected + L"\"");
    PostMessageW(box, WM_COMMAND, command, 0);
    WaitFor([box] { return IsWindow(box) ? nullptr : GetDesktopWindow(); }, 10, L"box closing");
}

void Cancel(const std::wstring& title) {
    const HWND dialog = WaitFor(ToolDialog, 30, L"file dialog \"" + title + L"\"");
    const std::wstring shown = TextOf(dialog);
    wprintf(L"dialog: %ls\n", shown.c_str());
    fflush(stdout);
    if (shown.find(title) == std::wstring::npos)
        Fail(L"the dialog is titled \"" + shown + L"\", not \"" + title + L"\"");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitFor([dialog] { return IsWindow(dialog) ? nullptr : GetDesktopWindow(); }, 10,
            L"file dialog closing");
}

// A popup menu of the tool's process.
HWND ToolMenu() {
    DWORD tool = 0;
    GetWindowThreadProcessId(g_window, &tool);
    HWND menu = nullptr;
    while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(menu, &process);
        if (process == tool && IsWindowVisible(menu))
            return menu;
    }
    return nullptr;
}

// The menu is opened as the keyboard's menu key opens it (posted, since the
// menu's own loop runs inside the tool's handler), then its item picked by
// mnemonic.
void Context(int id, wchar_t key) {
    const HWND target = Control(id);
    PostMessageW(target, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), -1);
    const HWND menu = WaitFor(ToolMenu, 10, L"context menu");
    PostMessageW(menu, WM_CHAR, key, 0);
    WaitFor([] { return ToolMenu() ? nullptr : GetDesktopWindow(); }, 10, L"menu closing");
}

void File(const std::wstring& path) {
    const HWND dialog = WaitFor(ToolDialog, 30, L"file dialog");
    // The file name field: an edit (edt1) or, in the explorer style, a
    // list with one (cmb13).
    HWND field = nullptr;
    for (HWND child : Descendants(dialog)) {
        const int id = GetDlgCtrlID(child);
        if (id == 0x480 || id == 0x47C) {
            field = child;
            break;
        }
    }
    if (!field)
        Fail(L"the file dialog has no file name field");
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    WaitFor([dialog] { return IsWindow(dialog) ? nullptr : GetDesktopWindow(); }, 10,
            L"file dialog closing");
}

// Typing: the field's text (a list's edit part) is selected and replaced
// character by character, as the keyboard would.
void Set(int id, const std::wstring& text) {
    HWND target = Control(id);
    if (ClassOf(target) == L"ComboBox") {
        if (HWND edit = FindWindowExW(target, nullptr, L"Edit", nullptr))
            target = edit;
    }
    SendMessageW(target, EM_SETSEL, 0, -1);
    if (text.empty())
        SendMessageW(target, WM_CHAR, VK_BACK, 0);
    for (const wchar_t c : text)
        SendMessageW(target, WM_CHAR, c, 0);
    if (TextOf(target) != text)
        Fail(L"typed \"" + text + L"\" but the field shows \"" + TextOf(target) + L"\"");
}

void Layout(int width, int height) {
    RECT client;
    GetClientRect(g_window, &client);
    wprintf(L"client area: %ld x %ld\n", client.right, client.bottom);
    if (client.right != width || client.bottom != height)
        Fail(L"the client area is not " + std::to_wstring(width) + L" x " +
             std::to_wstring(height));
    int checked = 0;
    for (HWND hwnd : Descendants(g_window)) {
        const HWND parent = GetParent(hwnd);
        RECT inner;
        GetClientRect(parent, &inner);
        RECT at;
        GetWindowRect(hwnd, &at);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&at), 2);
        if (at.left < 0 || at.top < 0 || at.right > inner.right || at.bottom > inner.bottom) {
            Fail(L"control " + std::to_wstring(GetDlgCtrlID(hwnd)) + L" (" + ClassOf(hwnd) +
                 L" \"" + TextOf(hwnd) + L"\") at " + std::to_wstring(at.left) + L"," +
                 std::to_wstring(at.top) + L"-" + std::to_wstring(at.right) + L"," +
                 std::to_wstring(at.bottom) + L" lies outside its parent's " +
                 std::to_wstring(inner.right) + L" x " + std::to_wstring(inner.bottom));
        }
        ++checked;
    }
    wprintf(L"%d controls inside\n", checked);
}

// The keyboard focus of the tool's window thread.
HWND Focus() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(g_window, nullptr), &info);
    return info.hwndFocus;
}

// A key as the keyboard sends it: into the tool's queue, where its message
// loop sees it first.
void Key(int id, int key) {
    HWND target = Control(id);
    if (ClassOf(target) == L"ComboBox") {
        if (HWND edit = FindWindowExW(target, nullptr, L"Edit", nullptr))
            target = edit;
    }
    PostMessageW(target, WM_KEYDOWN, static_cast<WPARAM>(key), 1);
    PostMessageW(target, WM_KEYUP, static_cast<WPARAM>(key), 1 | 0xC0000000);
}

void Icon() {
    DWORD process = 0;
    GetWindowThreadProcessId(g_window, &process);
    const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    const bool named = handle && QueryFullProcessImageNameW(handle, 0, path, &length);
    if (handle)
        CloseHandle(handle);
    if (!named)
        Fail(L"cannot find the tool's exe");
    const HMODULE exe = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const bool found = exe && FindResourceW(exe, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    if (exe)
        FreeLibrary(exe);
    if (!found)
        Fail(std::wstring(path) + L" has no icon resource");
    wprintf(L"icon: %ls\n", path);
    fflush(stdout);
}

// The window as the screen shows it, as a 24-bit BMP file.
void Shot(const std::wstring& path) {
    RedrawWindow(g_window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT at;
    GetWindowRect(g_window, &at);
    const int width = at.right - at.left;
    const int height = at.bottom - at.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as BMP files keep rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * static_cast<DWORD>(height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, at.left, at.top, SRCCOPY);
    GdiFlush();
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out)
        Fail(L"cannot write " + path);
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(bits, header.biSizeImage, 1, out);
    fclose(out);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    const auto need = [&](int i, int count) {
        if (i + count >= argc)
            Fail(std::wstring(argv[i]) + L" needs " + std::to_wstring(count) + L" argument(s)");
    };
    for (int i = 1; i < argc; ++i) {
        const std::wstring step = argv[i];
        if (step == L"wait-window") {
            g_window = WaitFor([] { return FindWindowW(PT_WINDOW_CLASS, nullptr); }, 20,
                               L"printer-tool window");
            // Its first state is drawn once the configuration is read.
            WaitFor([] { return IsWindowVisible(g_window) ? g_window : nullptr; }, 20,
                    L"visible window");
            continue;
        }
        if (!g_window)
            Fail(L"wait-window must come first");
        if (step == L"tab") {
            need(i, 1);
            const int tab = _wtoi(argv[++i]);
            SendMessageW(Control(IDC_TABS), TCM_SETCURFOCUS, static_cast<WPARAM>(tab), 0);
            HWND page = Control(IDC_PAGE_FIRST + tab);
            WaitFor([page] { return IsWindowVisible(page) ? page : nullptr; }, 5, L"tab shown");
        } else if (step == L"set") {
            need(i, 2);
            const int id = _wtoi(argv[i + 1]);
            Set(id, argv[i + 2]);
            i += 2;
        } else if (step == L"click") {
            need(i, 1);
            PostMessageW(Control(_wtoi(argv[++i])), BM_CLICK, 0, 0);
        } else if (step == L"box") {
            need(i, 1);
            Box(argv[++i]);
        } else if (step == L"answer") {
            need(i, 2);
            const std::wstring button = argv[i + 2];
            if (button != L"yes" && button != L"no")
                Fail(L"answer takes yes or no, not " + button);
            Box(argv[i + 1], button == L"yes" ? IDYES : IDNO);
            i += 2;
        } else if (step == L"file") {
            need(i, 1);
            File(argv[++i]);
        } else if (step == L"cancel") {
            need(i, 1);
            Cancel(argv[++i]);
        } else if (step == L"context") {
            need(i, 2);
            Context(_wtoi(argv[i + 1]), argv[i + 2][0]);
            i += 2;
        } else if (step == L"text") {
            need(i, 2);
            // A click is posted, so the tool may not have handled it yet:
            // the text has 5 s to turn into the expected one.
            const HWND control = Control(_wtoi(argv[i + 1]));
            const std::wstring expected = argv[i + 2];
            const ULONGLONG deadline = GetTickCount64() + 5000;
            std::wstring shown = TextOf(control);
            while (shown != expected && GetTickCount64() < deadline) {
                Sleep(20);
                shown = TextOf(control);
            }
            if (shown != expected)
                Fail(L"control " + std::wstring(argv[i + 1]) + L" shows \"" + shown +
                     L"\", not \"" + expected + L"\"");
            i += 2;
        } else if (step == L"enabled") {
            need(i, 1);
            const HWND control = Control(_wtoi(argv[++i]));
            WaitFor(
                [control] {
                    return IsWindowVisible(control) && IsWindowEnabled(control) ? control : nullptr;
                },
                20, L"visible and enabled control " + std::to_wstring(GetDlgCtrlID(control)));
        } else if (step == L"moving") {
            need(i, 1);
            const HWND bar = Control(_wtoi(argv[++i]));
            const auto position = [bar] {
                DWORD_PTR at = 0;
                SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &at);
                return static_cast<long>(at);
            };
            WaitFor([&] { return IsWindowVisible(bar) && position() > 0 ? bar : nullptr; }, 20,
                    L"progress bar showing progress");
            const long first = position();
            WaitFor([&] { return position() > first ? bar : nullptr; }, 20, L"progress bar moving");
            wprintf(L"progress: %ld then %ld of 1000\n", first, position());
            fflush(stdout);
        } else if (step == L"icon") {
            Icon();
        } else if (step == L"layout") {
            need(i, 2);
            Layout(_wtoi(argv[i + 1]), _wtoi(argv[i + 2]));
            i += 2;
        } else if (step == L"key") {
            need(i, 2);
            Key(_wtoi(argv[i + 1]), _wtoi(argv[i + 2]));
            i += 2;
        } else if (step == L"focus") {
            need(i, 1);
            const HWND control = Control(_wtoi(argv[++i]));
            WaitFor(
                [control] {
                    const HWND focus = Focus();
                    return focus && (focus == control || GetParent(focus) == control) ? focus
                                                                                      : nullptr;
                },
                5, L"focus in control " + std::to_wstring(GetDlgCtrlID(control)));
        } else if (step == L"shot") {
            need(i, 1);
            Shot(argv[++i]);
        } else if (step == L"close") {
            PostMessageW(g_window, WM_CLOSE, 0, 0);
            WaitFor([] { return IsWindow(g_window) ? nullptr : GetDesktopWindow(); }, 20,
                    L"window closing");
        } else {
            Fail(L"unknown step " + step);
        }
    }
    return 0;
}
