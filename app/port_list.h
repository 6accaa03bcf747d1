// The ports this machine has, for the port list, and how the list shows
// them.
#pragma once

#include <QComboBox>
#include <Qt>
#include <functional>
#include <vector>

#include "window_logic.h"

// A list that says when the user opens its drop-down, before it shows.
class OpeningComboBox : public QComboBox {
  public:
    using QComboBox::QComboBox;
    std::function<void()> aboutToOpen;

    void showPopup() override {
        if (aboutToOpen)
            aboutToOpen();
        FitDropDownToEntries(this);
        QComboBox::showPopup();
    }

  private:
    static void FitDropDownToEntries(QComboBox* combo);
};

// A list entry's hint (a port's description) is kept in this role.
inline constexpr int kHintRole = Qt::UserRole + 1;

// On Windows "COM1" to "COM9"; then "TCP/IP" for the datagram link, then the
// serial ports found on this machine with their descriptions.
std::vector<PortEntry> PortEntries();

// The drop-down shows each entry's hint beside its name, while the text taken
// is the name alone.
void ShowHintsBesideEntries(QComboBox* combo);
