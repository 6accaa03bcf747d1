#include "port_list.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QSerialPortInfo>
#include <QStyledItemDelegate>
#include <algorithm>

#include "port_list_order.h"

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
    return description;
}

}  // namespace

std::vector<PortEntry> PortEntries() {
    std::vector<PortEntry> found;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString name = port.portName();  // "COM3"
#else
        const QString name = port.systemLocation();  // "/dev/ttyUSB0"
#endif
        found.push_back({name.toStdString(), PortDescription(port).toStdString()});
    }
    // COM1 to COM9 can always be typed as such on Windows; elsewhere the
    // list offers only ports that are there.
#ifdef Q_OS_WIN
    return OrderPortEntries(found, true);
#else
    return OrderPortEntries(found, false);
#endif
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
