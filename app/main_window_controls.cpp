// Building the window's controls: names, labels, entries and built-in values.
#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>

#include "main_window.h"
#include "port_list.h"

namespace {

constexpr int kClientWidth = 536;
constexpr int kClientHeight = 322;
constexpr int kFirstPanelWidth = 200;
constexpr int kFontPointSize = 9;

const QStringList kRates = {"  9600", " 19200", " 38400", " 57600", "115200"};

// Courier New where it is a real fixed-pitch font, else the first usual
// monospace family that is. A font set may offer a name as an alias of a font
// that is not fixed pitch (fontconfig does so for the URW fonts, and the
// system's fixed font may be such an alias too): judge each by what it
// resolves to, then fall back to any family the font database calls fixed.
QFont FixedPitchFont() {
    const auto resolvesFixed = [](const QString& family) {
        QFont font(family);
        font.setStyleHint(QFont::TypeWriter);
        font.setPointSize(kFontPointSize);
        return QFontInfo(font).fixedPitch() ? std::optional<QFont>(font) : std::nullopt;
    };
    for (const char* family :
         {"Courier New", "Liberation Mono", "DejaVu Sans Mono", "Noto Sans Mono", "Noto Mono",
          "Nimbus Mono PS", "Courier", "monospace"}) {
        if (const auto font = resolvesFixed(QString::fromLatin1(family)))
            return *font;
    }
    QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    system.setPointSize(kFontPointSize);
    if (QFontInfo(system).fixedPitch())
        return system;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isFixedPitch(family))
            continue;
        if (const auto font = resolvesFixed(family))
            return *font;
    }
    return system;
}

// The first status panel keeps its width; its longest text (the logo's
// space, as wide as it gets) must fit in it, so the font gives way instead.
QFont FontFitting(QFont font, const QString& longest, int width) {
    constexpr qreal kSmallestPointSize = 6;
    while (QFontMetrics(font).horizontalAdvance(longest) > width &&
           font.pointSizeF() > kSmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

// An editable drop-down list: the user picks an entry or types any text.
QComboBox* NewList(const QString& name, const QStringList& entries, int selected, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(entries);
    combo->setCurrentIndex(selected);
    return combo;
}

// Up to four digits; places left empty are no characters at all.
QLineEdit* NewNumberField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setMaxLength(4);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}"), field));
    field->setAlignment(Qt::AlignRight);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    return field;
}

QLineEdit* NewTextField(const QString& name, const QString& text, QWidget* parent) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(name);
    return field;
}

QPushButton* NewButton(const QString& name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel* NewLabel(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

QWidget* NewPage(const QString& name) {
    auto* page = new QWidget;
    page->setObjectName(name);
    return page;
}

// A row of label, control and unit in a grid.
void AddRow(QGridLayout* grid, int row, int column, const QString& label, QWidget* control,
            const QString& unit = QString()) {
    grid->addWidget(NewLabel(label, grid->parentWidget()), row, column, Qt::AlignRight);
    grid->addWidget(control, row, column + 1);
    if (!unit.isEmpty())
        grid->addWidget(NewLabel(unit, grid->parentWidget()), row, column + 2);
}

// A centred button at the bottom right of a tab.
void AddButtonRow(QVBoxLayout* column, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    column->addLayout(row);
}

}  // namespace

void TfrmMain::BuildControls() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("PRINTER TOOL"));
    setFont(FixedPitchFont());
    // A dialog of fixed size: no resizing, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(6, 6, 6, 2);
    column->setSpacing(4);
    column->addWidget(BuildTopRow());

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(BuildParaTab(), QStringLiteral("PARA"));
    PageControl1->addTab(BuildUpdateTab(), QStringLiteral("UPDATE"));
    PageControl1->addTab(BuildNvramTab(), QStringLiteral("NVRAM"));
    PageControl1->addTab(BuildBlueToothTab(), QStringLiteral("BLUE TOOTH"));
    PageControl1->addTab(BuildIrCommTab(), QStringLiteral("IrCOMM"));
    PageControl1->addTab(BuildFactoryTab(), QStringLiteral("Factory"));
    PageControl1->setTabVisible(PageControl1->indexOf(tsFactory), false);
    column->addWidget(PageControl1, 1);
    setCentralWidget(central);

    BuildStatusBar();
}

QWidget* TfrmMain::BuildTopRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* port = new OpeningComboBox(row);
    port->setObjectName(QStringLiteral("ComboPort"));
    port->setEditable(true);
    port->setInsertPolicy(QComboBox::NoInsert);
    port->aboutToOpen = [this] { logic_->PortListOpened(); };
    ComboPort = port;
    ShowHintsBesideEntries(ComboPort);
    ComboPort->setMinimumContentsLength(14);
    ComboBaud = NewList(QStringLiteral("ComboBaud"), kRates, 0, row);
    layout->addWidget(NewLabel(QStringLiteral("PORT:"), row));
    layout->addWidget(ComboPort);
    layout->addSpacing(16);
    layout->addWidget(NewLabel(QStringLiteral("BAUD RATE:"), row));
    layout->addWidget(ComboBaud);
    layout->addStretch();
    return row;
}

QWidget* TfrmMain::BuildParaTab() {
    QWidget* page = NewPage(QStringLiteral("tsPara"));
    ComboSetBaudRate = NewList(QStringLiteral("ComboSetBaudRate"), kRates, 0, page);
    ComboCodePage = NewList(QStringLiteral("ComboCodePage"), {}, -1, page);
    ComboCodePage->setMinimumContentsLength(18);
    ComboDensity = NewList(QStringLiteral("ComboDensity"), {"LOW", "NORMAL", "DARK"}, 1, page);
    ComboFont = NewList(QStringLiteral("ComboFont"),
                        {"A 12x24", "B  9x24", "C  9x17", "D  8x16", "E 16x18"}, 0, page);
    comboLineFeed = NewList(QStringLiteral("comboLineFeed"), {"LF(0x0A)", "CR(0x0D)"}, 0, page);
    edIdle = NewNumberField(QStringLiteral("edIdle"), page);
    edOff = NewNumberField(QStringLiteral("edOff"), page);
    edMaxFeed = NewNumberField(QStringLiteral("edMaxFeed"), page);
    edPage = NewNumberField(QStringLiteral("edPage"), page);
    btSet = NewButton(QStringLiteral("btSet"), QStringLiteral("SET"), page);

    auto* column = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    column->addLayout(grid);
    AddRow(grid, 0, 0, QStringLiteral("BAUD RATE:"), ComboSetBaudRate);
    AddRow(grid, 1, 0, QStringLiteral("CODE PAGE:"), ComboCodePage);
    AddRow(grid, 2, 0, QStringLiteral("DENSITY:"), ComboDensity);
    AddRow(grid, 3, 0, QStringLiteral("FONT:"), ComboFont);
    AddRow(grid, 4, 0, QStringLiteral("LINE:"), comboLineFeed);
    grid->setColumnMinimumWidth(2, 12);
    AddRow(grid, 0, 3, QStringLiteral("IDLE TIME:"), edIdle, QStringLiteral("s"));
    AddRow(grid, 1, 3, QStringLiteral("OFF TIME:"), edOff, QStringLiteral("s"));
    AddRow(grid, 2, 3, QStringLiteral("MAX FEED:"), edMaxFeed, QStringLiteral("mm"));
    AddRow(grid, 3, 3, QStringLiteral("PAGE LEN:"), edPage, QStringLiteral("mm"));
    grid->setColumnStretch(6, 1);
    column->addStretch();
    AddButtonRow(column, btSet);
    return page;
}

QWidget* TfrmMain::BuildUpdateTab() {
    QWidget* page = NewPage(QStringLiteral("tsUpdate"));
    btUpdate = NewButton(QStringLiteral("btUpdate"), QStringLiteral("PROGRAM"), page);
    btFont = NewButton(QStringLiteral("btFont"), QStringLiteral("FONT"), page);
    for (QPushButton* button : {btUpdate, btFont})
        button->setMinimumSize(140, 40);
    auto* row = new QHBoxLayout(page);
    row->addStretch();
    row->addWidget(btUpdate);
    row->addSpacing(40);
    row->addWidget(btFont);
    row->addStretch();
    return page;
}

QWidget* TfrmMain::BuildNvramTab() {
    QWidget* page = NewPage(QStringLiteral("tsNvram"));
    actAddLogo = new QAction(QStringLiteral("ADD"), this);
    actAddLogo->setObjectName(QStringLiteral("actAddLogo"));
    actDelete = new QAction(QStringLiteral("DELETE"), this);
    actDelete->setObjectName(QStringLiteral("actDelete"));
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(actAddLogo);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(actDelete);

    btAddLogo = NewButton(QStringLiteral("btAddLogo"), actAddLogo->text(), page);
    btDeleteLogo = NewButton(QStringLiteral("btDeleteLogo"), actDelete->text(), page);
    btLOGO = NewButton(QStringLiteral("btLOGO"), QStringLiteral("DOWNLOAD"), page);
    ListLogo = new QListWidget(page);
    ListLogo->setObjectName(QStringLiteral("ListLogo"));
    ListLogo->setContextMenuPolicy(Qt::CustomContextMenu);

    auto* column = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    row->addWidget(NewLabel(QStringLiteral("LOGO:"), page));
    row->addWidget(btAddLogo);
    row->addWidget(btDeleteLogo);
    row->addStretch();
    row->addWidget(btLOGO);
    column->addLayout(row);
    column->addWidget(ListLogo, 1);
    return page;
}

QWidget* TfrmMain::BuildBlueToothTab() {
    QWidget* page = NewPage(QStringLiteral("tsBlueTooth"));
    edName = NewTextField(QStringLiteral("edName"), QStringLiteral("QVX"), page);
    edPassword = NewTextField(QStringLiteral("edPassword"), QStringLiteral("7264"), page);
    btSetBlueTooth = NewButton(QStringLiteral("btSetBlueTooth"), QStringLiteral("SET"), page);
    auto* column = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    column->addLayout(grid);
    AddRow(grid, 0, 0, QStringLiteral("DEVICE NAME:"), edName);
    AddRow(grid, 1, 0, QStringLiteral("PIN:"), edPassword);
    grid->setColumnMinimumWidth(1, 220);
    grid->setColumnStretch(3, 1);
    column->addStretch();
    AddButtonRow(column, btSetBlueTooth);
    return page;
}

QWidget* TfrmMain::BuildIrCommTab() {
    QWidget* page = NewPage(QStringLiteral("tsIrComm"));
    comboIrBaudRate = NewList(QStringLiteral("comboIrBaudRate"), kRates, 0, page);
    ComboIrProtocol = NewList(QStringLiteral("ComboIrProtocol"), {"RAW"}, 0, page);
    btIrComm = NewButton(QStringLiteral("btIrComm"), QStringLiteral("SET"), page);
    auto* column = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    column->addLayout(grid);
    AddRow(grid, 0, 0, QStringLiteral("BAUD RATE:"), comboIrBaudRate);
    AddRow(grid, 1, 0, QStringLiteral("IR PROTOCOL:"), ComboIrProtocol);
    grid->setColumnStretch(3, 1);
    column->addStretch();
    AddButtonRow(column, btIrComm);
    return page;
}

QWidget* TfrmMain::BuildFactoryTab() {
    tsFactory = NewPage(QStringLiteral("tsFactory"));
    edModalName = NewTextField(QStringLiteral("edModalName"), QString(), tsFactory);
    edSerialNo = NewTextField(QStringLiteral("edSerialNo"), QString(), tsFactory);
    btFactory = NewButton(QStringLiteral("btFactory"), QStringLiteral("SET"), tsFactory);
    btInc = NewButton(QStringLiteral("btInc"), QStringLiteral("+"), tsFactory);
    btInc->setFixedWidth(btInc->fontMetrics().horizontalAdvance(QStringLiteral("+")) + 24);
    auto* column = new QVBoxLayout(tsFactory);
    auto* grid = new QGridLayout;
    column->addLayout(grid);
    AddRow(grid, 0, 0, QStringLiteral("MODAL NAME:"), edModalName);
    AddRow(grid, 1, 0, QStringLiteral("SERIAL NO:"), edSerialNo);
    grid->addWidget(btInc, 2, 1, Qt::AlignLeft);
    grid->setColumnMinimumWidth(1, 220);
    grid->setColumnStretch(3, 1);
    column->addStretch();
    AddButtonRow(column, btFactory);
    return tsFactory;
}

void TfrmMain::BuildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(kFirstPanelWidth);
    StatusPanel0->setFont(FontFitting(StatusPanel0->font(),
                                      QStringLiteral("SPACE: 65,536 Used, 65,536 Free"),
                                      StatusPanel0->contentsRect().width()));
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(1);  // a long reason never widens the window
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
    // Shown only while a transfer runs, at the bar's right end.
    TransferBar = new QProgressBar(StatusBar1);
    TransferBar->setObjectName(QStringLiteral("TransferBar"));
    TransferBar->setRange(0, 1000);
    TransferBar->setFixedWidth(150);
    TransferBar->setFont(StatusPanel0->font());
    TransferBar->hide();
    btStop = NewButton(QStringLiteral("btStop"), QStringLiteral("STOP"), StatusBar1);
    btStop->setToolTip(QStringLiteral("Stop the transfer after the block in flight (Esc)"));
    btStop->hide();
    // No taller than the panels' text, so that showing them moves nothing.
    const int height = StatusPanel0->fontMetrics().height() + 4;
    TransferBar->setFixedHeight(height);
    btStop->setFixedHeight(height);
    btStop->setFont(StatusPanel0->font());
    StatusBar1->addPermanentWidget(TransferBar);
    StatusBar1->addPermanentWidget(btStop);
    setStatusBar(StatusBar1);
}
