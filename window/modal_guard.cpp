#include "modal_guard.h"

#include "window_logic.h"

ModalGuard::ModalGuard(WindowLogic& logic) : logic_(logic) {
    logic_.BoxOpened();
}

ModalGuard::~ModalGuard() {
    logic_.BoxClosed();
}
