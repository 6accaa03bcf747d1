// Drawing the logic's state into the controls, and the boxes, dialogs and
// sounds the logic asks for. Only what differs is set, so that drawing
// never moves a cursor or a selection the user is working with.
#include "main_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "result_sound.h"
#include "utf8.h"

namespace {

std::wstring TextOf(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ItemText(HWND combo, int index) {
    std::wstring text(
        static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0)) +
            1,
        L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    return text;
}

// An entry as the drop-down shows it: with its hint (a port's description).
std::wstring ShownEntry(const ListControl& list, size_t i) {
    std::wstring shown = Wide(list.entries[i]);
    if (i < list.hints.size() && !list.hints[i].empty())
        shown += L"  " + Wide(list.hints[i]);
    return shown;
}

void Enable(HWND hwnd, bool enabled) {
    if ((IsWindowEnabled(hwnd) != FALSE) != enabled)
        EnableWindow(hwnd, enabled);
}

// "Pictures (*.bmp *.png)" -> "Pictures (*.bmp *.png)\0*.bmp;*.png\0": the
// patterns are what the parentheses hold, which the dialog wants apart by ';'.
std::wstring FilterText(const std::vector<std::string>& filters) {
    std::wstring out;
    for (const std::string& filter : filters) {
        const size_t open = filter.rfind('(');
        const size_t close = filter.rfind(')');
        const std::string pattern = open != std::string::npos && close > open
                                        ? filter.substr(open + 1, close - open - 1)
                                        : "*.*";
        std::wstring patterns = Wide(pattern);
        std::replace(patterns.begin(), patterns.end(), L' ', L';');
        out += Wide(filter) + L'\0' + patterns + L'\0';
    }
    return out + L'\0';
}

}  // namespace

void MainWindow::Show(const WindowState& state) {
    drawing_ = true;
    if (caption_ != state.caption) {
        caption_ = state.caption;
        SetWindowTextW(hwnd_, Wide(caption_).c_str());
    }
    ShowList(IDC_PORT, state.port);
    ShowList(IDC_BAUD, state.baud);
    ShowList(IDC_PARA_BAUD, state.paraBaudRate);
    ShowList(IDC_CODEPAGE, state.codePage);
    ShowList(IDC_DENSITY, state.density);
    ShowList(IDC_FONT, state.font);
    ShowList(IDC_LINEFEED, state.lineFeed);
    ShowList(IDC_IR_BAUD, state.irBaudRate);
    ShowList(IDC_IR_PROTOCOL, state.irProtocol);
    ShowField(IDC_IDLE, state.idle);
    ShowField(IDC_OFF, state.off);
    ShowField(IDC_MAXFEED, state.maxFeed);
    ShowField(IDC_PAGE, state.page);
    ShowField(IDC_BT_NAME, state.bluetoothName);
    ShowField(IDC_BT_PIN, state.bluetoothPin);
    ShowField(IDC_MODEL, state.modelName);
    ShowField(IDC_SERIAL, state.serialNo);
    ShowButton(IDC_SET_PARA, state.setPara.enabled);
    ShowButton(IDC_PROGRAM, state.program.enabled);
    ShowButton(IDC_FONT_DOWNLOAD, state.fontDownload.enabled);
    ShowButton(IDC_ADD_LOGO, state.addLogo.enabled);
    ShowButton(IDC_DELETE_LOGO, state.deleteLogo.enabled);
    ShowButton(IDC_LOGO_DOWNLOAD, state.logoDownload.enabled);
    ShowButton(IDC_SET_BT, state.setBluetooth.enabled);
    ShowButton(IDC_SET_IR, state.setInfrared.enabled);
    ShowButton(IDC_SET_FACTORY, state.setFactory.enabled);
    ShowButton(IDC_STEP_SERIAL, state.stepSerial.enabled);
    ShowLogoList(state.logos);
    ShowFactoryTab(state.factoryTab);
    ShowPanel(0, state.panel0);
    ShowPanel(1, state.panel1);
    ShowTransfer(state);
    if (awake_ != state.transferRunning)
        KeepAwake(state.transferRunning);
    drawing_ = false;
}

void MainWindow::ShowList(int id, const ListControl& list) {
    const HWND combo = Control(id);
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    bool same = count == static_cast<int>(list.entries.size());
    for (int i = 0; same && i < count; ++i)
        same = ItemText(combo, i) == ShownEntry(list, static_cast<size_t>(i));
    if (!same) {
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (size_t i = 0; i < list.entries.size(); ++i)
            SendMessageW(combo, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(ShownEntry(list, i).c_str()));
        if (id == IDC_PORT)
            FitPortDropDown();
    }
    // The text the user is typing stays as it is. Otherwise the list is set
    // only when its text differs: picking an entry rewrites the field and
    // selects all of it, which would move the cursor of a text that was
    // typed to match an entry.
    const std::wstring text = Wide(list.text);
    if (id != typingIn_ && (!same || TextOf(combo) != text)) {
        if (list.selected >= 0 && ShownEntry(list, static_cast<size_t>(list.selected)) == text)
            SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(list.selected), 0);
        else
            SetWindowTextW(combo, text.c_str());
    }
    Enable(combo, list.enabled);
}

void MainWindow::ShowField(int id, const TextControl& field) {
    const HWND edit = Control(id);
    const std::wstring text = Wide(field.text);
    if (id != typingIn_ && TextOf(edit) != text)
        SetWindowTextW(edit, text.c_str());
    Enable(edit, field.enabled);
}

void MainWindow::ShowButton(int id, bool enabled) {
    Enable(Control(id), enabled);
}

void MainWindow::ShowLogoList(const LogoListState& logos) {
    const HWND list = Control(IDC_LOGO_LIST);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    bool same = count == static_cast<int>(logos.names.size());
    for (int i = 0; same && i < count; ++i) {
        std::wstring text(
            static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1,
            L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(wcslen(text.c_str()));
        same = text == Wide(logos.names[static_cast<size_t>(i)]);
    }
    if (!same) {
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const std::string& name : logos.names)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
    }
    const int shown = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
    if (shown != logos.selected)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(logos.selected), 0);
    if (!same || shown != logos.selected || shownLogoVersion_ != logos.imageVersion) {
        shownLogoVersion_ = logos.imageVersion;
        InvalidateRect(Control(IDC_LOGO_PREVIEW), nullptr, TRUE);
    }
}

void MainWindow::DrawLogoPreview(const DRAWITEMSTRUCT& item) const {
    const RECT& box = item.rcItem;
    FillRect(item.hDC, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (!logic_)
        return;
    const LogoListState& logos = logic_->State().logos;
    if (logos.selected < 0 || static_cast<size_t>(logos.selected) >= logos.image.records.size())
        return;
    const LogoRecord& record = logos.image.records[static_cast<size_t>(logos.selected)];
    const int width = static_cast<int>(record.bytesPerRow * 8);
    const int height = static_cast<int>(record.rows);
    if (width == 0 || height == 0)
        return;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool dot =
                LogoDot(logos.image.image, record, static_cast<size_t>(x), static_cast<size_t>(y));
            pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                dot ? 0x000000 : 0xFFFFFF;
        }
    }
    // As large as fits, keeping the dots square.
    const int roomWidth = box.right - box.left - 4;
    const int roomHeight = box.bottom - box.top - 4;
    int shownWidth = roomWidth;
    int shownHeight = MulDiv(height, roomWidth, width);
    if (shownHeight > roomHeight) {
        shownHeight = roomHeight;
        shownWidth = MulDiv(width, roomHeight, height);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(item.hDC, COLORONCOLOR);
    StretchDIBits(item.hDC, box.left + 2, box.top + 2, shownWidth, shownHeight, 0, 0, width, height,
                  pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

void MainWindow::ShowFactoryTab(bool shown) {
    if (factoryShown_ == shown)
        return;
    factoryShown_ = shown;
    if (shown) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"Factory");
        SendMessageW(tabs_, TCM_INSERTITEMW, TAB_FACTORY, reinterpret_cast<LPARAM>(&item));
        return;
    }
    const bool wasCurrent = CurrentTab() == TAB_FACTORY;
    SendMessageW(tabs_, TCM_DELETEITEM, TAB_FACTORY, 0);
    if (wasCurrent) {
        SendMessageW(tabs_, TCM_SETCURSEL, TAB_PARA, 0);
        ShowPage(TAB_PARA);
    }
}

void MainWindow::ShowPanel(int part, const StatusPanel& panel) {
    const std::wstring text = Wide(panel.text);
    std::wstring shown(static_cast<size_t>(LOWORD(SendMessageW(status_, SB_GETTEXTLENGTHW,
                                                               static_cast<WPARAM>(part), 0))) +
                           1,
                       L'\0');
    SendMessageW(status_, SB_GETTEXTW, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(shown.data()));
    shown.resize(wcslen(shown.c_str()));
    if (shown != text)
        SendMessageW(status_, SB_SETTEXTW, static_cast<WPARAM>(part),
                     reinterpret_cast<LPARAM>(text.c_str()));
    // The bar shows the tip only when the panel cuts its text off.
    const std::wstring tip = panel.toolTip.empty() ? text : Wide(panel.toolTip);
    SendMessageW(status_, SB_SETTIPTEXTW, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(tip.c_str()));
}

void MainWindow::ShowTransfer(const WindowState& state) {
    if (transferShown_ != state.transferRunning) {
        transferShown_ = state.transferRunning;
        PlaceStatusParts();
        ShowWindow(transferBar_, transferShown_ ? SW_SHOWNA : SW_HIDE);
        ShowWindow(stopButton_, transferShown_ ? SW_SHOWNA : SW_HIDE);
        // The parts came back: their texts are drawn anew.
        ShowPanel(0, state.panel0);
        ShowPanel(1, state.panel1);
    }
    if (!transferShown_)
        return;
    if (SendMessageW(transferBar_, PBM_GETPOS, 0, 0) != state.transfer.permille)
        SendMessageW(transferBar_, PBM_SETPOS, static_cast<WPARAM>(state.transfer.permille), 0);
    ShowPanel(2, {state.transfer.timeLeft, {}});
    Enable(stopButton_, state.stop.enabled);
}

std::string MainWindow::AskForFile(const FileRequest& request) {
    wchar_t file[32768] = {};
    const std::wstring filter = FilterText(request.filters);
    const std::wstring title = Wide(request.caption);
    std::wstring folder = Wide(request.folder);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = static_cast<DWORD>(std::size(file));
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // Existing files only; the process's current folder stays where it is.
    dialog.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog))
        return {};
    return Utf8(file);
}

void MainWindow::ShowMessage(const ViewMessage& message) {
    std::wstring text = Wide(message.text);
    if (!message.detail.empty())
        text += L"\n\n" + Wide(message.detail);
    const std::wstring caption = Wide(message.caption.empty() ? caption_ : message.caption);
    MessageBoxW(hwnd_, text.c_str(), caption.c_str(),
                MB_OK | (message.kind == MessageKind::Error ? MB_ICONERROR : MB_ICONINFORMATION));
}

bool MainWindow::AskYesNo(const std::string& text) {
    // No is the default: Enter keeps things as they are.
    return MessageBoxW(hwnd_, Wide(text).c_str(), Wide(caption_).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void MainWindow::PlaySound(const std::string& path) {
    PlayResultSound(path);
}
