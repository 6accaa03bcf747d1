// The tool's one window in plain Win32: the port and rate row, the tabs and
// the two-panel status bar. Like the Qt face, it builds the controls, draws
// the state the window's logic gives it, forwards what the user did, and
// runs the boxes, dialogs and sounds the logic asks for.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "control_ids.h"
#include "file_locations.h"
#include "wic_picture_decoder.h"
#include "window_logic.h"
#include "window_view.h"

class MainWindow : private WindowView {
  public:
    MainWindow(HINSTANCE instance, std::string portOption);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window, reads the configuration and shows it; false when
    // the window could not be created.
    bool Open(int showCommand);
    // Keyboard handling of the message loop (Tab, Enter, Escape, Alt
    // mnemonics, Ctrl+Tab); true when the message was taken.
    bool TranslateKeys(MSG& message);

  private:
    // A control and where it sits at 96 DPI, in its parent's client area.
    struct Placed {
        HWND hwnd;
        RECT at;
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code);
    void OnContextMenu(HWND target, LPARAM at);
    void Close();
    LRESULT QueryEndSession();
    void EndSession();
    void ShowFailureBox(const char* what);
    // Holds the machine awake while a transfer runs.
    void KeepAwake(bool awake);
    void RunPosted();

    // main_window_controls.cpp
    void BuildControls();
    HWND Add(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id,
             RECT at);
    HWND AddLabel(HWND parent, const wchar_t* text, RECT at);
    HWND AddList(HWND parent, int id, RECT at);
    void BuildTopRow();
    void BuildParaPage(HWND page);
    void BuildUpdatePage(HWND page);
    void BuildNvramPage(HWND page);
    void BuildBlueToothPage(HWND page);
    void BuildIrCommPage(HWND page);
    void BuildFactoryPage(HWND page);
    void ApplyDpi(UINT dpi);
    void ShowPage(int tab);
    int CurrentTab() const;
    void FitPortDropDown();

    // main_window_view.cpp
    void Show(const WindowState& state) override;
    std::string AskForFile(const FileRequest& request) override;
    void ShowMessage(const ViewMessage& message) override;
    bool AskYesNo(const std::string& text) override;
    void PlaySound(const std::string& path) override;
    void Post(std::function<void()> call) override;
    void CloseWindow() override;
    void ShowList(int id, const ListControl& list);
    void ShowField(int id, const TextControl& field);
    void ShowButton(int id, bool enabled);
    void ShowLogoList(const LogoListState& logos);
    void DrawLogoPreview(const DRAWITEMSTRUCT& item) const;
    void ShowFactoryTab(bool shown);
    void ShowPanel(int part, const StatusPanel& panel);
    void ShowTransfer(const WindowState& state);
    // The status bar's parts, and the transfer's bar and STOP at its right
    // end while one runs.
    void PlaceStatusParts();

    HWND Control(int id) const { return GetDlgItemAnywhere(id); }
    HWND GetDlgItemAnywhere(int id) const;

    HINSTANCE instance_;
    std::string portOption_;
    Win32FileLocations locations_;
    HWND hwnd_ = nullptr;
    HWND tabs_ = nullptr;
    HWND status_ = nullptr;
    HWND transferBar_ = nullptr;
    HWND stopButton_ = nullptr;
    bool transferShown_ = false;
    HWND pages_[TAB_COUNT] = {};
    std::vector<Placed> placed_;
    UINT dpi_ = 96;
    HFONT font_ = nullptr;
    HFONT statusFont_ = nullptr;
    bool factoryShown_ = false;
    uint64_t shownLogoVersion_ = 0;
    // Set while Show draws the state: the notifications it causes (EN_CHANGE
    // fires for SetWindowText too) are not the user's.
    bool drawing_ = false;
    // The control whose edit the logic is taking in: drawing leaves its text
    // alone, so that nothing is rewritten under the user's cursor.
    int typingIn_ = 0;
    struct TypingIn {
        TypingIn(int& slot, int id) : slot_(slot) { slot_ = id; }
        ~TypingIn() { slot_ = 0; }
        TypingIn(const TypingIn&) = delete;
        TypingIn& operator=(const TypingIn&) = delete;
        int& slot_;
    };
    bool awake_ = false;  // SetThreadExecutionState holds the machine awake
    std::string caption_ = "PRINTER TOOL";

    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;

    WicPictureDecoder decoder_;
    std::unique_ptr<WindowLogic> logic_;
};
