// Counts a modal box (a message box, a file dialog, a popup menu) as open
// for as long as the guard lives. Every box a face or the logic opens is
// wrapped in one, so that the logic knows when the user is answering
// something: clicks wait, and a job's result that arrives meanwhile is shown
// once the last box has closed.
#pragma once

class WindowLogic;

class ModalGuard {
  public:
    explicit ModalGuard(WindowLogic& logic);
    ~ModalGuard();
    ModalGuard(const ModalGuard&) = delete;
    ModalGuard& operator=(const ModalGuard&) = delete;

  private:
    WindowLogic& logic_;
};
