// Drawing the logic's state into the widgets. Only what differs is set, so
// that drawing never moves a cursor or a selection the user is working with,
// and with the widgets' signals blocked, so that it is never taken for an
// edit of the user's.
#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>

#include "logo_preview.h"
#include "main_window.h"
#include "port_list.h"

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// `typing`: the user is typing into this list; its text stays as it is.
void ShowList(QComboBox* combo, const ListControl& list, bool typing) {
    const QSignalBlocker blocker(combo);
    bool same = combo->count() == static_cast<int>(list.entries.size());
    for (int i = 0; same && i < combo->count(); ++i) {
        same = combo->itemText(i) == FromUtf8(list.entries[static_cast<size_t>(i)]) &&
               combo->itemData(i, kHintRole).toString() ==
                   (static_cast<size_t>(i) < list.hints.size()
                        ? FromUtf8(list.hints[static_cast<size_t>(i)])
                        : QString());
    }
    if (!same) {
        combo->clear();
        for (size_t i = 0; i < list.entries.size(); ++i) {
            combo->addItem(FromUtf8(list.entries[i]));
            if (i < list.hints.size() && !list.hints[i].empty()) {
                const int at = combo->count() - 1;
                combo->setItemData(at, FromUtf8(list.hints[i]), kHintRole);
                combo->setItemData(at, FromUtf8(list.hints[i]), Qt::ToolTipRole);
            }
        }
    }
    // Only a text that differs is set: picking an entry rewrites the field,
    // which would move the cursor of a text typed to match an entry.
    const QString text = FromUtf8(list.text);
    if (!typing && (!same || combo->currentText() != text)) {
        if (list.selected >= 0) {
            combo->setCurrentIndex(list.selected);
        } else {
            combo->setCurrentIndex(-1);
            combo->setEditText(text);
        }
    }
    if (combo->isEnabled() != list.enabled)
        combo->setEnabled(list.enabled);
}

void ShowField(QLineEdit* field, const TextControl& control, bool typing) {
    const QSignalBlocker blocker(field);
    if (!typing && field->text() != FromUtf8(control.text))
        field->setText(FromUtf8(control.text));
    if (field->isEnabled() != control.enabled)
        field->setEnabled(control.enabled);
}

void ShowPanel(QLabel* label, const StatusPanel& panel) {
    const QString text = FromUtf8(panel.text);
    if (label->text() != text)
        label->setText(text);
    // A text the panel cuts off is there whole in its tooltip.
    QString toolTip = FromUtf8(panel.toolTip);
    if (toolTip.isEmpty() &&
        label->fontMetrics().horizontalAdvance(text) > label->contentsRect().width())
        toolTip = text;
    if (label->toolTip() != toolTip)
        label->setToolTip(toolTip);
}

// A picture as an HTML image, for a tooltip.
QString InlineImage(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return QStringLiteral("<img src=\"data:image/png;base64,%1\">")
        .arg(QString::fromLatin1(png.toBase64()));
}

}  // namespace

QComboBox* TfrmMain::ListWidget(ListId id) const {
    switch (id) {
        case ListId::Port:
            return ComboPort;
        case ListId::Baud:
            return ComboBaud;
        case ListId::ParaBaudRate:
            return ComboSetBaudRate;
        case ListId::CodePage:
            return ComboCodePage;
        case ListId::Density:
            return ComboDensity;
        case ListId::Font:
            return ComboFont;
        case ListId::LineFeed:
            return comboLineFeed;
        case ListId::IrBaudRate:
            return comboIrBaudRate;
        case ListId::IrProtocol:
            break;
    }
    return ComboIrProtocol;
}

QLineEdit* TfrmMain::FieldWidget(FieldId id) const {
    switch (id) {
        case FieldId::Idle:
            return edIdle;
        case FieldId::Off:
            return edOff;
        case FieldId::MaxFeed:
            return edMaxFeed;
        case FieldId::Page:
            return edPage;
        case FieldId::BluetoothName:
            return edName;
        case FieldId::BluetoothPin:
            return edPassword;
        case FieldId::ModelName:
            return edModalName;
        case FieldId::SerialNo:
            break;
    }
    return edSerialNo;
}

QPushButton* TfrmMain::ButtonWidget(ButtonId id) const {
    switch (id) {
        case ButtonId::SetPara:
            return btSet;
        case ButtonId::Program:
            return btUpdate;
        case ButtonId::FontDownload:
            return btFont;
        case ButtonId::AddLogo:
            return btAddLogo;
        case ButtonId::DeleteLogo:
            return btDeleteLogo;
        case ButtonId::LogoDownload:
            return btLOGO;
        case ButtonId::SetBluetooth:
            return btSetBlueTooth;
        case ButtonId::SetInfrared:
            return btIrComm;
        case ButtonId::SetFactory:
            return btFactory;
        case ButtonId::Stop:
            return btStop;
        case ButtonId::StepSerial:
            break;
    }
    return btInc;
}

void TfrmMain::Show(const WindowState& state) {
    if (windowTitle() != FromUtf8(state.caption))
        setWindowTitle(FromUtf8(state.caption));
    for (const ListId id :
         {ListId::Port, ListId::Baud, ListId::ParaBaudRate, ListId::CodePage, ListId::Density,
          ListId::Font, ListId::LineFeed, ListId::IrBaudRate, ListId::IrProtocol})
        ShowList(ListWidget(id), ListOf(state, id), ListWidget(id) == typingIn_);
    for (const FieldId id :
         {FieldId::Idle, FieldId::Off, FieldId::MaxFeed, FieldId::Page, FieldId::BluetoothName,
          FieldId::BluetoothPin, FieldId::ModelName, FieldId::SerialNo})
        ShowField(FieldWidget(id), FieldOf(state, id), FieldWidget(id) == typingIn_);
    for (const ButtonId id : {ButtonId::SetPara, ButtonId::Program, ButtonId::FontDownload,
                              ButtonId::LogoDownload, ButtonId::SetBluetooth, ButtonId::SetInfrared,
                              ButtonId::SetFactory, ButtonId::StepSerial}) {
        QPushButton* button = ButtonWidget(id);
        if (button->isEnabled() != ButtonOf(state, id).enabled)
            button->setEnabled(ButtonOf(state, id).enabled);
    }
    // The NVRAM buttons follow their actions.
    if (actAddLogo->isEnabled() != state.addLogo.enabled)
        actAddLogo->setEnabled(state.addLogo.enabled);
    if (actDelete->isEnabled() != state.deleteLogo.enabled)
        actDelete->setEnabled(state.deleteLogo.enabled);
    ShowLogoList(state.logos);

    const int factory = PageControl1->indexOf(tsFactory);
    if (PageControl1->isTabVisible(factory) != state.factoryTab)
        PageControl1->setTabVisible(factory, state.factoryTab);
    ShowPanel(StatusPanel0, state.panel0);
    ShowPanel(StatusPanel1, state.panel1);
    ShowTransfer(state);
}

void TfrmMain::ShowTransfer(const WindowState& state) {
    if (TransferBar->isVisible() != state.transferRunning) {
        TransferBar->setVisible(state.transferRunning);
        btStop->setVisible(state.transferRunning);
    }
    if (TransferBar->value() != state.transfer.permille)
        TransferBar->setValue(state.transfer.permille);
    const QString format = state.transfer.timeLeft.empty()
                               ? QStringLiteral("%p%")
                               : QStringLiteral("%p%  ") + FromUtf8(state.transfer.timeLeft);
    if (TransferBar->format() != format)
        TransferBar->setFormat(format);
    if (btStop->isEnabled() != state.stop.enabled)
        btStop->setEnabled(state.stop.enabled);
}

void TfrmMain::ShowLogoList(const LogoListState& logos) {
    const QSignalBlocker blocker(ListLogo);
    bool same = ListLogo->count() == static_cast<int>(logos.names.size());
    for (int i = 0; same && i < ListLogo->count(); ++i)
        same = ListLogo->item(i)->text() == FromUtf8(logos.names[static_cast<size_t>(i)]);
    if (!same) {
        ListLogo->clear();
        for (const std::string& name : logos.names)
            ListLogo->addItem(FromUtf8(name));
    }
    const QList<QListWidgetItem*> selected = ListLogo->selectedItems();
    const int shown = selected.isEmpty() ? -1 : ListLogo->row(selected.first());
    if (shown != logos.selected)
        ListLogo->setCurrentRow(logos.selected);
    if (same && shownLogoVersion_ == logos.imageVersion)
        return;
    shownLogoVersion_ = logos.imageVersion;
    // Each entry's tooltip shows what the printer will print of it.
    for (int i = 0; i < ListLogo->count(); ++i) {
        QListWidgetItem* item = ListLogo->item(i);
        const size_t index = static_cast<size_t>(i);
        if (index >= logos.image.records.size()) {
            item->setToolTip(item->text());
            continue;
        }
        const LogoRecord& record = logos.image.records[index];
        QString toolTip = QStringLiteral("%1<br>%2 x %3 dots")
                              .arg(InlineImage(LogoRecordPreview(logos.image, index)))
                              .arg(record.bytesPerRow * 8)
                              .arg(record.rows);
        if (index < logos.dotsHints.size() && !logos.dotsHints[index].empty())
            toolTip += QStringLiteral("<br>") + FromUtf8(logos.dotsHints[index]).toHtmlEscaped();
        item->setToolTip(toolTip);
    }
}
