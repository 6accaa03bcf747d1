#include "main_window.h"

#include <commctrl.h>

#include <exception>

#include "modal_guard.h"
#include "port_entries.h"
#include "version_info.h"
#include "utf8.h"

namespace {

constexpr UINT kRunPosted = WM_APP + 1;   // the worker's reports, queued in posted_
constexpr UINT kRedrawPort = WM_APP + 2;  // after a pick, the port's name without its hint
// How long a session that ends during a job gives it to stop and save.
constexpr int kSessionEndWaitMs = 4000;

struct ListIdOf {
    int control;
    ListId list;
};
constexpr ListIdOf kLists[] = {{IDC_PORT, ListId::Port},
                               {IDC_BAUD, ListId::Baud},
                               {IDC_PARA_BAUD, ListId::ParaBaudRate},
                               {IDC_CODEPAGE, ListId::CodePage},
                               {IDC_DENSITY, ListId::Density},
                               {IDC_FONT, ListId::Font},
                               {IDC_LINEFEED, ListId::LineFeed},
                               {IDC_IR_BAUD, ListId::IrBaudRate},
                               {IDC_IR_PROTOCOL, ListId::IrProtocol}};

struct FieldIdOf {
    int control;
    FieldId field;
};
constexpr FieldIdOf kFields[] = {{IDC_IDLE, FieldId::Idle},
                                 {IDC_OFF, FieldId::Off},
                                 {IDC_MAXFEED, FieldId::MaxFeed},
                                 {IDC_PAGE, FieldId::Page},
                                 {IDC_BT_NAME, FieldId::BluetoothName},
                                 {IDC_BT_PIN, FieldId::BluetoothPin},
                                 {IDC_MODEL, FieldId::ModelName},
                                 {IDC_SERIAL, FieldId::SerialNo}};

struct ButtonIdOf {
    int control;
    ButtonId button;
};
constexpr ButtonIdOf kButtons[] = {
    {IDC_SET_PARA, ButtonId::SetPara},           {IDC_PROGRAM, ButtonId::Program},
    {IDC_FONT_DOWNLOAD, ButtonId::FontDownload}, {IDC_ADD_LOGO, ButtonId::AddLogo},
    {IDC_DELETE_LOGO, ButtonId::DeleteLogo},     {IDC_LOGO_DOWNLOAD, ButtonId::LogoDownload},
    {IDC_SET_BT, ButtonId::SetBluetooth},        {IDC_SET_IR, ButtonId::SetInfrared},
    {IDC_SET_FACTORY, ButtonId::SetFactory},     {IDC_STEP_SERIAL, ButtonId::StepSerial},
    {IDC_STOP, ButtonId::Stop}};

// The button Enter presses on each tab.
constexpr int kMainButton[TAB_COUNT] = {IDC_SET_PARA, IDC_PROGRAM, IDC_LOGO_DOWNLOAD,
                                        IDC_SET_BT,   IDC_SET_IR,  IDC_SET_FACTORY};

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The control that has the focus: a list, not the edit field inside it.
HWND FocusedControl() {
    HWND focus = GetFocus();
    wchar_t name[32] = {};
    if (focus && GetClassNameW(GetParent(focus), name, 32) && lstrcmpiW(name, WC_COMBOBOXW) == 0)
        focus = GetParent(focus);
    return focus;
}

void ShowFailure(HWND owner, const char* what) {
    MessageBoxW(owner, Wide(what).c_str(), L"PRINTER TOOL", MB_OK | MB_ICONERROR);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, std::string portOption)
    : instance_(instance), portOption_(std::move(portOption)), locations_(ChooseFileLocations()) {}

MainWindow::~MainWindow() {
    if (font_)
        DeleteObject(font_);
    if (statusFont_)
        DeleteObject(statusFont_);
}

bool MainWindow::Open(int showCommand) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                   GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = PT_WINDOW_CLASS;
    RegisterClassExW(&windowClass);
    WNDCLASSEXW pageClass = windowClass;
    pageClass.lpfnWndProc = PageProc;
    pageClass.hIcon = nullptr;
    pageClass.lpszClassName = L"PrinterToolPage";
    RegisterClassExW(&pageClass);

    // A dialog of fixed size: no resizing, no minimise or maximise.
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    hwnd_ =
        CreateWindowExW(WS_EX_CONTROLPARENT, PT_WINDOW_CLASS, L"PRINTER TOOL", kStyle,
                        CW_USEDEFAULT, CW_USEDEFAULT, 560, 380, nullptr, nullptr, instance_, this);
    if (!hwnd_)
        return false;

    HMENU systemMenu = GetSystemMenu(hwnd_, FALSE);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUT, L"&About printer-tool...");

    WindowSetup setup;
    setup.files = locations_.files;
    setup.ports = PortEntries();
    setup.listPorts = [] { return PortEntries(); };
    setup.port = portOption_;
    if (locations_.userFolders)
        setup.startNote = "Configuration: " + locations_.files.configFile;
    WindowView& view = *this;
    logic_ = std::make_unique<WindowLogic>(view, decoder_, std::move(setup));
    ShowWindow(hwnd_, showCommand);
    const std::string folderError = PrepareUserFolders(locations_);
    if (!folderError.empty()) {
        const ModalGuard box(*logic_);
        ShowMessage({MessageKind::Error, folderError, {}, {}});
    }
    logic_->Start();
    SetFocus(Control(IDC_PORT));
    return true;
}

bool MainWindow::TranslateKeys(MSG& message) {
    if (!hwnd_)
        return false;
    // Ctrl+Tab and Ctrl+Shift+Tab step through the tabs, as in a dialog.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
        (GetKeyState(VK_CONTROL) & 0x8000)) {
        const int count = static_cast<int>(SendMessageW(tabs_, TCM_GETITEMCOUNT, 0, 0));
        const int step = (GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1;
        const int next = (CurrentTab() + step) % count;
        SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
        ShowPage(next);
        return true;
    }
    return IsDialogMessageW(hwnd_, &message) != FALSE;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    // No exception leaves the window procedure: it would unwind through the
    // system's frames.
    try {
        return self->Handle(message, wParam, lParam);
    } catch (const std::exception& error) {
        self->ShowFailureBox(error.what());
    } catch (...) {
        self->ShowFailureBox("Unexpected failure");
    }
    return 0;
}

LRESULT CALLBACK MainWindow::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // A page only holds its tab's controls; what they report goes to the window.
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CONTEXTMENU:
        case WM_DRAWITEM:
            return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            BuildControls();
            return 0;
        case WM_DPICHANGED: {
            ApplyDpi(HIWORD(wParam));
            // Where the system suggests, so that the window stays under the
            // mouse on the monitor it moved to.
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE)
                ShowPage(CurrentTab());
            return 0;
        }
        case WM_CONTEXTMENU:
            OnContextMenu(reinterpret_cast<HWND>(wParam), lParam);
            return 0;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlID != IDC_LOGO_PREVIEW)
                return FALSE;
            DrawLogoPreview(*item);
            return TRUE;
        }
        case kRunPosted:
            RunPosted();
            return 0;
        case kRedrawPort:
            if (logic_)
                Show(logic_->State());
            return 0;
        case WM_NEXTDLGCTL: {
            // Tab and Shift+Tab, as a dialog's own procedure moves the focus.
            const HWND next = LOWORD(lParam)
                                  ? reinterpret_cast<HWND>(wParam)
                                  : GetNextDlgTabItem(hwnd_, FocusedControl(), wParam != 0);
            if (next)
                SetFocus(next);
            return 0;
        }
        case WM_CLOSE:
            Close();
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUT) {
                if (logic_)
                    logic_->ShowAbout(PT_VERSION_TEXT);
                return 0;
            }
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        case WM_QUERYENDSESSION:
            return QueryEndSession();
        case WM_ENDSESSION:
            if (wParam)
                EndSession();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void MainWindow::OnCommand(int id, int code) {
    if (!logic_ || drawing_)
        return;
    if (id == IDOK) {  // Enter: the tab's SET or main button
        const HWND button = Control(kMainButton[CurrentTab()]);
        if (IsWindowEnabled(button))
            SendMessageW(button, BM_CLICK, 0, 0);
        return;
    }
    if (id == IDCANCEL) {  // Escape
        logic_->EscapePressed();
        return;
    }
    if (id == IDM_ADD_LOGO || id == IDM_DELETE_LOGO) {
        logic_->Clicked(id == IDM_ADD_LOGO ? ButtonId::AddLogo : ButtonId::DeleteLogo);
        return;
    }
    for (const ButtonIdOf& b : kButtons) {
        if (b.control == id && code == BN_CLICKED)
            return logic_->Clicked(b.button);
    }
    for (const FieldIdOf& f : kFields) {
        if (f.control == id && code == EN_CHANGE) {
            const TypingIn typing(typingIn_, id);
            return logic_->FieldEdited(f.field, Utf8(WindowText(Control(id))));
        }
    }
    if (id == IDC_LOGO_LIST && code == LBN_SELCHANGE) {
        logic_->LogoSelected(static_cast<int>(SendMessageW(Control(id), LB_GETCURSEL, 0, 0)));
        return;
    }
    for (const ListIdOf& l : kLists) {
        if (l.control != id)
            continue;
        const HWND combo = Control(id);
        if (code == CBN_EDITCHANGE) {
            const TypingIn typing(typingIn_, id);
            logic_->ListEdited(l.list, Utf8(WindowText(combo)));
        } else if (code == CBN_SELCHANGE) {
            logic_->ListPicked(l.list, static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
            // The list puts the picked entry, hint and all, into its field
            // after this notification: draw the name over it then.
            if (id == IDC_PORT)
                PostMessageW(hwnd_, kRedrawPort, 0, 0);
        } else if (code == CBN_DROPDOWN && id == IDC_PORT) {
            logic_->PortListOpened();
            FitPortDropDown();
        }
        return;
    }
}

void MainWindow::OnContextMenu(HWND target, LPARAM at) {
    if (target != Control(IDC_LOGO_LIST) || !logic_)
        return;
    POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) {  // from the keyboard: at the list's corner
        RECT rect;
        GetWindowRect(target, &rect);
        point = {rect.left + 8, rect.top + 8};
    }
    const WindowState& state = logic_->State();
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING | (state.addLogo.enabled ? 0 : MF_GRAYED), IDM_ADD_LOGO, L"&ADD");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | (state.deleteLogo.enabled ? 0 : MF_GRAYED), IDM_DELETE_LOGO,
                L"&DELETE");
    int chosen = 0;
    {
        const ModalGuard open(*logic_);
        chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd_,
                                nullptr);
    }
    DestroyMenu(menu);
    if (chosen)
        OnCommand(chosen, 0);
}

void MainWindow::Close() {
    if (!logic_ || !logic_->CloseRequested())
        return;
    // The configuration is written and the worker stopped while the window
    // still takes the worker's posts.
    logic_->Exit();
    logic_.reset();
    DestroyWindow(hwnd_);
}

LRESULT MainWindow::QueryEndSession() {
    const std::string reason = logic_ ? logic_->SessionEndBlockReason() : std::string();
    if (reason.empty())
        return TRUE;
    ShutdownBlockReasonCreate(hwnd_, Wide(reason).c_str());
    return FALSE;
}

void MainWindow::EndSession() {
    if (!logic_)
        return;
    // The process ends when this returns: stop, log and save now.
    const bool whole = logic_->SessionEnding(kSessionEndWaitMs);
    ShutdownBlockReasonDestroy(hwnd_);
    KeepAwake(false);
    logic_.reset();
    // A job cut short is no clean end.
    ExitProcess(whole ? 0 : 1);
}

void MainWindow::KeepAwake(bool awake) {
    // A sleep would cut the line in the middle of a firmware update.
    awake_ = awake;
    SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

void MainWindow::ShowFailureBox(const char* what) {
    if (!logic_)
        return ShowFailure(hwnd_, what);
    const ModalGuard box(*logic_);
    ShowFailure(hwnd_, what);
}

void MainWindow::RunPosted() {
    for (;;) {
        std::function<void()> call;
        {
            const std::lock_guard<std::mutex> lock(postedMutex_);
            if (posted_.empty())
                return;
            call = std::move(posted_.front());
            posted_.pop_front();
        }
        if (logic_)
            call();
    }
}

void MainWindow::Post(std::function<void()> call) {
    {
        const std::lock_guard<std::mutex> lock(postedMutex_);
        posted_.push_back(std::move(call));
    }
    PostMessageW(hwnd_, kRunPosted, 0, 0);
}

void MainWindow::CloseWindow() {
    // The logic calls this from inside a handler; close once it has returned.
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}
