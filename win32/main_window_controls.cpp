// Building the window's controls and placing them. Every control has a
// place at 96 DPI in a client area of 536 x 322 pixels; ApplyDpi scales the
// places, the window and the font to the monitor's DPI.
#include "main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "utf8.h"

namespace {

constexpr int kClientWidth = 536;
constexpr int kClientHeight = 322;
constexpr int kFirstPanelWidth = 200;
// Where the status bar's parts begin while a transfer runs, and STOP's width.
constexpr int kTimeLeftPartLeft = 306;
constexpr int kTransferPartLeft = 376;
constexpr int kStopWidth = 62;
constexpr int kFontPoints = 9;
constexpr int kDropDownHeight = 160;  // a list's height with its drop-down open
// The first panel's longest text, which its font must fit.
constexpr const wchar_t* kLongestPanelText = L"SPACE: 65,536 Used, 65,536 Free";

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

const wchar_t* const kTabNames[TAB_COUNT] = {L"PARA",       L"UPDATE", L"NVRAM",
                                             L"BLUE TOOTH", L"IrCOMM", L"Factory"};

RECT Box(int x, int y, int width, int height) {
    return RECT{x, y, x + width, y + height};
}

// The DPI of the window's monitor; the system's on systems before Windows 10.
UINT DpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi)
        return getDpi(hwnd);
    HDC dc = GetDC(nullptr);
    const UINT dpi = static_cast<UINT>(GetDeviceCaps(dc, LOGPIXELSX));
    ReleaseDC(nullptr, dc);
    return dpi;
}

// The window's outer size for a client area at `dpi`.
SIZE OuterSize(int clientWidth, int clientHeight, UINT dpi) {
    RECT rect{0, 0, clientWidth, clientHeight};
    using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = reinterpret_cast<AdjustFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    if (adjust)
        adjust(&rect, kStyle, FALSE, WS_EX_CONTROLPARENT, dpi);
    else
        AdjustWindowRectEx(&rect, kStyle, FALSE, WS_EX_CONTROLPARENT);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// Courier New throughout; the system maps it when it lacks it.
HFONT FixedFont(int points, UINT dpi) {
    return CreateFontW(-MulDiv(points, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                       FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       CLEARTYPE_QUALITY, FIXED_PITCH | FF_MODERN, L"Courier New");
}

int TextWidth(HWND hwnd, HFONT font, const std::wstring& text) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return size.cx;
}

}  // namespace

HWND MainWindow::Add(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                     int id, RECT at) {
    HWND hwnd =
        CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                        at.right - at.left, at.bottom - at.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    placed_.push_back({hwnd, at});
    return hwnd;
}

HWND MainWindow::AddLabel(HWND parent, const wchar_t* text, RECT at) {
    // Right-aligned beside its control; "&" marks the Alt mnemonic, which
    // moves to the control that follows the label.
    return Add(parent, WC_STATICW, text, SS_RIGHT | SS_CENTERIMAGE, IDC_LABEL, at);
}

HWND MainWindow::AddList(HWND parent, int id, RECT at) {
    at.bottom = at.top + kDropDownHeight;
    return Add(parent, WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
               id, at);
}

void MainWindow::BuildControls() {
    BuildTopRow();
    tabs_ = Add(hwnd_, WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPSIBLINGS, IDC_TABS,
                Box(6, 36, kClientWidth - 12, 0));
    // The pages hold the tabs' controls; as children of the tab control they
    // are drawn over it and Tab walks into the shown one.
    SetWindowLongPtrW(tabs_, GWL_EXSTYLE,
                      GetWindowLongPtrW(tabs_, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    for (int i = 0; i < TAB_COUNT; ++i) {
        if (i != TAB_FACTORY) {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<wchar_t*>(kTabNames[i]);
            SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&item));
        }
        pages_[i] = CreateWindowExW(
            WS_EX_CONTROLPARENT, L"PrinterToolPage", kTabNames[i], WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
            10, 10, tabs_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PAGE_FIRST + i)),
            instance_, nullptr);
    }
    BuildParaPage(pages_[TAB_PARA]);
    BuildUpdatePage(pages_[TAB_UPDATE]);
    BuildNvramPage(pages_[TAB_NVRAM]);
    BuildBlueToothPage(pages_[TAB_BLUETOOTH]);
    BuildIrCommPage(pages_[TAB_IRCOMM]);
    BuildFactoryPage(pages_[TAB_FACTORY]);

    status_ = CreateWindowExW(
        0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBT_TOOLTIPS, 0, 0, 0,
        0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)), instance_, nullptr);
    // Over the status bar's right end; placed by PlaceStatusParts.
    transferBar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 0, 0, 0, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TRANSFER_BAR)),
                                   instance_, nullptr);
    SendMessageW(transferBar_, PBM_SETRANGE32, 0, 1000);
    stopButton_ = CreateWindowExW(0, WC_BUTTONW, L"STOP", WS_CHILD | BS_PUSHBUTTON, 0, 0, 0, 0,
                                  hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STOP)),
                                  instance_, nullptr);
    for (const int id : {IDC_IDLE, IDC_OFF, IDC_MAXFEED, IDC_PAGE})
        SendMessageW(Control(id), EM_LIMITTEXT, 4, 0);
    ApplyDpi(DpiOf(hwnd_));
    ShowPage(TAB_PARA);
}

void MainWindow::BuildTopRow() {
    AddLabel(hwnd_, L"&PORT:", Box(6, 8, 44, 22));
    AddList(hwnd_, IDC_PORT, Box(54, 8, 170, 0));
    AddLabel(hwnd_, L"BAUD &RATE:", Box(238, 8, 80, 22));
    AddList(hwnd_, IDC_BAUD, Box(322, 8, 80, 0));
}

// The pages' places are in the page's client area, which starts inside the
// tab control's frame, below its headers.
void MainWindow::BuildParaPage(HWND page) {
    AddLabel(page, L"BAUD RA&TE:", Box(4, 8, 84, 22));
    AddList(page, IDC_PARA_BAUD, Box(92, 8, 80, 0));
    AddLabel(page, L"&CODE PAGE:", Box(4, 38, 84, 22));
    AddList(page, IDC_CODEPAGE, Box(92, 38, 160, 0));
    AddLabel(page, L"&DENSITY:", Box(4, 68, 84, 22));
    AddList(page, IDC_DENSITY, Box(92, 68, 100, 0));
    AddLabel(page, L"&FONT:", Box(4, 98, 84, 22));
    AddList(page, IDC_FONT, Box(92, 98, 100, 0));
    AddLabel(page, L"&LINE:", Box(4, 128, 84, 22));
    AddList(page, IDC_LINEFEED, Box(92, 128, 100, 0));
    const struct {
        const wchar_t* label;
        int id;
        const wchar_t* unit;
    } numbers[] = {{L"&IDLE TIME:", IDC_IDLE, L"s"},
                   {L"&OFF TIME:", IDC_OFF, L"s"},
                   {L"&MAX FEED:", IDC_MAXFEED, L"mm"},
                   {L"PA&GE LEN:", IDC_PAGE, L"mm"}};
    int y = 8;
    for (const auto& n : numbers) {
        AddLabel(page, n.label, Box(280, y, 84, 22));
        Add(page, WC_EDITW, L"", WS_BORDER | ES_NUMBER | ES_RIGHT | ES_AUTOHSCROLL | WS_TABSTOP,
            n.id, Box(368, y, 52, 22));
        Add(page, WC_STATICW, n.unit, SS_LEFT | SS_CENTERIMAGE, IDC_LABEL, Box(424, y, 24, 22));
        y += 30;
    }
    Add(page, WC_BUTTONW, L"&SET", BS_PUSHBUTTON | WS_TABSTOP, IDC_SET_PARA, Box(420, 172, 84, 28));
}

void MainWindow::BuildUpdatePage(HWND page) {
    Add(page, WC_BUTTONW, L"PR&OGRAM", BS_PUSHBUTTON | WS_TABSTOP, IDC_PROGRAM,
        Box(90, 70, 140, 40));
    Add(page, WC_BUTTONW, L"&FONT", BS_PUSHBUTTON | WS_TABSTOP, IDC_FONT_DOWNLOAD,
        Box(284, 70, 140, 40));
}

void MainWindow::BuildNvramPage(HWND page) {
    AddLabel(page, L"LOGO:", Box(4, 8, 44, 26));
    Add(page, WC_BUTTONW, L"&ADD", BS_PUSHBUTTON | WS_TABSTOP, IDC_ADD_LOGO, Box(52, 8, 80, 26));
    Add(page, WC_BUTTONW, L"D&ELETE", BS_PUSHBUTTON | WS_TABSTOP, IDC_DELETE_LOGO,
        Box(140, 8, 80, 26));
    Add(page, WC_BUTTONW, L"DO&WNLOAD", BS_PUSHBUTTON | WS_TABSTOP, IDC_LOGO_DOWNLOAD,
        Box(404, 8, 100, 26));
    Add(page, WC_LISTBOXW, L"",
        WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP, IDC_LOGO_LIST,
        Box(4, 42, 330, 158));
    // What the printer will print of the selected picture.
    Add(page, WC_STATICW, L"", SS_OWNERDRAW | WS_BORDER, IDC_LOGO_PREVIEW, Box(342, 42, 162, 158));
}

void MainWindow::BuildBlueToothPage(HWND page) {
    AddLabel(page, L"DEVICE &NAME:", Box(4, 8, 100, 22));
    Add(page, WC_EDITW, L"", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, IDC_BT_NAME,
        Box(108, 8, 220, 22));
    AddLabel(page, L"P&IN:", Box(4, 38, 100, 22));
    Add(page, WC_EDITW, L"", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, IDC_BT_PIN,
        Box(108, 38, 220, 22));
    Add(page, WC_BUTTONW, L"&SET", BS_PUSHBUTTON | WS_TABSTOP, IDC_SET_BT, Box(420, 172, 84, 28));
}

void MainWindow::BuildIrCommPage(HWND page) {
    AddLabel(page, L"BAUD RA&TE:", Box(4, 8, 100, 22));
    AddList(page, IDC_IR_BAUD, Box(108, 8, 80, 0));
    AddLabel(page, L"IR PROTO&COL:", Box(4, 38, 100, 22));
    AddList(page, IDC_IR_PROTOCOL, Box(108, 38, 80, 0));
    Add(page, WC_BUTTONW, L"&SET", BS_PUSHBUTTON | WS_TABSTOP, IDC_SET_IR, Box(420, 172, 84, 28));
}

void MainWindow::BuildFactoryPage(HWND page) {
    AddLabel(page, L"MODA&L NAME:", Box(4, 8, 100, 22));
    Add(page, WC_EDITW, L"", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, IDC_MODEL,
        Box(108, 8, 220, 22));
    AddLabel(page, L"SERIAL &NO:", Box(4, 38, 100, 22));
    Add(page, WC_EDITW, L"", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, IDC_SERIAL,
        Box(108, 38, 220, 22));
    Add(page, WC_BUTTONW, L"+", BS_PUSHBUTTON | WS_TABSTOP, IDC_STEP_SERIAL, Box(108, 66, 30, 24));
    Add(page, WC_BUTTONW, L"&SET", BS_PUSHBUTTON | WS_TABSTOP, IDC_SET_FACTORY,
        Box(420, 172, 84, 28));
}

void MainWindow::ApplyDpi(UINT dpi) {
    dpi_ = dpi;
    const auto scaled = [dpi](LONG v) { return MulDiv(v, static_cast<int>(dpi), 96); };

    if (font_)
        DeleteObject(font_);
    font_ = FixedFont(kFontPoints, dpi);
    // The status bar's font gives way until the first panel's longest text fits.
    if (statusFont_)
        DeleteObject(statusFont_);
    for (int points = kFontPoints; points >= 6; --points) {
        statusFont_ = FixedFont(points, dpi);
        if (points == 6 ||
            TextWidth(hwnd_, statusFont_, kLongestPanelText) <= scaled(kFirstPanelWidth - 8))
            break;
        DeleteObject(statusFont_);
    }

    const SIZE outer = OuterSize(scaled(kClientWidth), scaled(kClientHeight), dpi);
    RECT window;
    GetWindowRect(hwnd_, &window);
    SetWindowPos(hwnd_, nullptr, window.left, window.top, outer.cx, outer.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);

    for (const Placed& p : placed_) {
        SendMessageW(p.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        MoveWindow(p.hwnd, scaled(p.at.left), scaled(p.at.top), scaled(p.at.right - p.at.left),
                   scaled(p.at.bottom - p.at.top), FALSE);
    }
    SendMessageW(status_, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_), FALSE);
    SendMessageW(status_, WM_SIZE, 0, 0);  // the bar places itself at the bottom
    SendMessageW(stopButton_, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_), FALSE);
    PlaceStatusParts();

    // The tabs fill the room between the top row and the status bar.
    RECT client;
    GetClientRect(hwnd_, &client);
    RECT bar;
    GetWindowRect(status_, &bar);
    const int tabTop = scaled(36);
    const int tabBottom = client.bottom - (bar.bottom - bar.top) - scaled(4);
    MoveWindow(tabs_, scaled(6), tabTop, client.right - scaled(12), tabBottom - tabTop, FALSE);
    RECT display;
    GetClientRect(tabs_, &display);
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    for (HWND page : pages_)
        MoveWindow(page, display.left, display.top, display.right - display.left,
                   display.bottom - display.top, FALSE);
    FitPortDropDown();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::PlaceStatusParts() {
    const auto scaled = [this](int v) { return MulDiv(v, static_cast<int>(dpi_), 96); };
    // During a transfer: the progress text, the worker's text, the time
    // left, then the bar and STOP over the last part.
    const int transferParts[4] = {scaled(kFirstPanelWidth), scaled(kTimeLeftPartLeft),
                                  scaled(kTransferPartLeft), -1};
    const int idleParts[2] = {scaled(kFirstPanelWidth), -1};
    SendMessageW(status_, SB_SETPARTS, transferShown_ ? 4 : 2,
                 reinterpret_cast<LPARAM>(transferShown_ ? transferParts : idleParts));

    RECT client;
    GetClientRect(hwnd_, &client);
    RECT bar;
    GetWindowRect(status_, &bar);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&bar), 2);
    const int top = bar.top + scaled(3);
    const int height = bar.bottom - bar.top - scaled(5);
    const int stopLeft = client.right - scaled(kStopWidth + 2);
    MoveWindow(transferBar_, scaled(kTransferPartLeft + 2), top,
               stopLeft - scaled(kTransferPartLeft + 4), height, TRUE);
    MoveWindow(stopButton_, stopLeft, top, scaled(kStopWidth), height, TRUE);
    SetWindowPos(transferBar_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(stopButton_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int MainWindow::CurrentTab() const {
    const int current = static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
    return std::clamp(current, 0, TAB_COUNT - 1);
}

void MainWindow::ShowPage(int tab) {
    for (int i = 0; i < TAB_COUNT; ++i)
        ShowWindow(pages_[i], i == tab ? SW_SHOW : SW_HIDE);
}

void MainWindow::FitPortDropDown() {
    // Wide enough for the longest entry with its description.
    const HWND combo = Control(IDC_PORT);
    RECT rect;
    GetWindowRect(combo, &rect);
    int widest = rect.right - rect.left;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring text(
            static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)) +
                1,
            L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(wcslen(text.c_str()));
        widest = std::max(widest,
                          TextWidth(combo, font_, text) + MulDiv(28, static_cast<int>(dpi_), 96));
    }
    SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest), 0);
}

HWND MainWindow::GetDlgItemAnywhere(int id) const {
    for (const Placed& p : placed_) {
        if (GetDlgCtrlID(p.hwnd) == id)
            return p.hwnd;
    }
    return GetDlgItem(hwnd_, id);  // the status bar's own controls
}
