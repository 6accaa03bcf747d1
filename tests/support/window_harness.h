// A main window for tests: its own temporary folder as the executable's
// folder, "printer-tool.ini" in it, and the message boxes and result sounds
// recorded instead of shown and played.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "main_window.h"

// Lets test failures show Qt texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using RecordedMessage = WindowMessage;

class WindowHarness {
  public:
    WindowHarness();
    ~WindowHarness();  // closes the window, then removes the folder
    WindowHarness(const WindowHarness&) = delete;
    WindowHarness& operator=(const WindowHarness&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path IniPath() const { return folder_ / "printer-tool.ini"; }
    void WriteIni(const std::string& text) const;
    std::string ReadIni() const;
    // A key of the file as it is now on disk.
    std::optional<std::string> IniValue(const std::string& section, const std::string& key) const;
    // Creates an empty file in the folder and returns its full path.
    std::string TouchFile(const std::string& name) const;

    TfrmMain& Open(const QString& port = {});
    // Destroys the window, which saves the configuration.
    void Close();
    TfrmMain& Window() { return *window_; }

    template <class Widget>
    Widget* Find(const char* name) {
        return window_->findChild<Widget*>(QString::fromLatin1(name));
    }

    std::vector<RecordedMessage> messages;
    std::vector<QString> sounds;
    // Every file dialog the window opened, and the answers it gets, first
    // one first; when none is left the dialog is cancelled.
    std::vector<OpenFileRequest> fileRequests;
    std::vector<QString> fileAnswers;
    // Every question the window asked, and the answer it gets.
    std::vector<QString> questions;
    bool questionAnswer = false;
    // The executable's folder; empty: Folder().
    std::filesystem::path exeFolder;
    // The layout the window is to choose; empty: as the folder allows.
    std::optional<bool> filesBesideProgram;
    // Called with every message as it is shown, inside the window's handler.
    std::function<void(const RecordedMessage&)> onMessage;

  private:
    std::filesystem::path folder_;
    std::unique_ptr<TfrmMain> window_;
};

// Handles events until `condition` holds; false when `timeoutMs` passed
// first.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);
