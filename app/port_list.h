// The entries of the port list: "COM1" to "COM9", "TCP/IP" for the datagram
// link, then the serial ports found on this machine.
#pragma once

#include <QList>
#include <QString>

class QComboBox;

struct PortEntry {
    QString name;         // what the link opens
    QString description;  // shown beside it in the list; empty for the fixed names
};

QList<PortEntry> PortEntries();

// Fills `combo` with PortEntries(); the drop-down shows each description
// beside its name, while the text taken is the name alone.
void FillPortList(QComboBox* combo);
