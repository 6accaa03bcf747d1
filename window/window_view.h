// What the window's logic needs from a face (Qt, Win32, a test's fake): draw
// the state, run the modal boxes and dialogs, play a sound, and run a
// function on the face's own thread. A face reports to the logic only what
// the user did, never the updates it made itself while drawing the state.
//
// The modal calls return when the user has answered. Both toolkits keep
// handling events while a modal box is open, so the logic may be called
// (a worker report, the job's end, a click, a close) before one returns.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "logo_image.h"
#include "window_state.h"

enum class MessageKind { Information, Error };

// A message box: its text, an optional detail below it, and its caption
// (empty: the window's caption).
struct ViewMessage {
    MessageKind kind = MessageKind::Information;
    std::string text;
    std::string detail;
    std::string caption;
};

// A file-open dialog that accepts only existing files.
struct FileRequest {
    std::string caption;
    std::string folder;                // where the dialog starts; empty: its own choice
    std::vector<std::string> filters;  // in order, e.g. "BINARY FILE(*.bin)", "ALL FILE(*.*)"
};

class WindowView {
  public:
    virtual ~WindowView() = default;

    // Draws `state`; called after every change.
    virtual void Show(const WindowState& state) = 0;
    // The chosen file's full path; empty when the user cancelled.
    virtual std::string AskForFile(const FileRequest& request) = 0;
    virtual void ShowMessage(const ViewMessage& message) = 0;
    // True for yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // Starts playing the sound file at `path` and returns at once; a file
    // that cannot be played is silence.
    virtual void PlaySound(const std::string& path) = 0;
    // Runs `call` later on the face's thread; any thread may post.
    virtual void Post(std::function<void()> call) = 0;
    // Closes the window (a close the logic put off until a job had ended).
    virtual void CloseWindow() = 0;
};

// Decodes a picture file into its colours; behind it, the platform's image
// library.
class PictureDecoder {
  public:
    virtual ~PictureDecoder() = default;
    // Nothing, with the failure, when the file is missing or does not decode.
    virtual std::optional<LogoPicture> Decode(const std::string& path, const std::string& name,
                                              LogoFailure& failure) = 0;
};
