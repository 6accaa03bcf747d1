#include "port_list.h"

#include <QComboBox>
#include <QSerialPortInfo>
#include <QStyledItemDelegate>

#include "printer_link.h"

namespace {

constexpr int kDescriptionRole = Qt::UserRole + 1;

class PortItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(kDescriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("  ") + description;
    }
};

QString PortDescription(const QSerialPortInfo& port) {
    QString description = port.description();
    if (description.isEmpty())
        description = port.manufacturer();
    return description.isEmpty() ? QStringLiteral("(serial port)") : description;
}

}  // namespace

QList<PortEntry> PortEntries() {
    QList<PortEntry> entries;
    for (int n = 1; n <= 9; ++n)
        entries.append({QStringLiteral("COM%1").arg(n), QString()});
    entries.append({QString::fromLatin1(kDatagramPortName), QString()});
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString name = port.portName();  // "COM3"
#else
        const QString name = port.systemLocation();  // "/dev/ttyUSB0"
#endif
        entries.append({name, PortDescription(port)});
    }
    return entries;
}

void FillPortList(QComboBox* combo) {
    combo->setItemDelegate(new PortItemDelegate(combo));
    for (const PortEntry& entry : PortEntries()) {
        combo->addItem(entry.name);
        if (!entry.description.isEmpty()) {
            const int at = combo->count() - 1;
            combo->setItemData(at, entry.description, kDescriptionRole);
            combo->setItemData(at, entry.description, Qt::ToolTipRole);
        }
    }
}
