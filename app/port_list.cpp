#include "port_list.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QSerialPortInfo>
#include <QStyledItemDelegate>
#include <algorithm>

#include "printer_link.h"

namespace {

class HintItemDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString hint = index.data(kHintRole).toString();
        if (!hint.isEmpty())
            option->text += QStringLiteral("  ") + hint;
    }
};

QString PortDescription(const QSerialPortInfo& port) {
    QString description = port.description();
    if (description.isEmpty())
        description = port.manufacturer();
    return description.isEmpty() ? QStringLiteral("(serial port)") : description;
}

}  // namespace

std::vector<PortEntry> PortEntries() {
    std::vector<PortEntry> entries;
#ifdef Q_OS_WIN
    // COM1 to COM9 can always be typed as such; elsewhere the list offers
    // only ports that are there.
    for (int n = 1; n <= 9; ++n)
        entries.push_back({"COM" + std::to_string(n), {}});
#endif
    entries.push_back({kDatagramPortName, {}});
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString name = port.portName();  // "COM3"
#else
        const QString name = port.systemLocation();  // "/dev/ttyUSB0"
#endif
        entries.push_back({name.toStdString(), PortDescription(port).toStdString()});
    }
    return entries;
}

void ShowHintsBesideEntries(QComboBox* combo) {
    combo->setItemDelegate(new HintItemDelegate(combo));
}

void OpeningComboBox::FitDropDownToEntries(QComboBox* combo) {
    // Wide enough for the longest entry with its hint, never narrower than
    // the list itself.
    const QFontMetrics metrics(combo->view()->font());
    int widest = combo->width();
    for (int i = 0; i < combo->count(); ++i) {
        QString shown = combo->itemText(i);
        const QString hint = combo->itemData(i, kHintRole).toString();
        if (!hint.isEmpty())
            shown += QStringLiteral("  ") + hint;
        widest = std::max(widest, metrics.horizontalAdvance(shown) + 40);
    }
    combo->view()->setMinimumWidth(widest);
}
