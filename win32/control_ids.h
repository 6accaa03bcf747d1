// The control IDs of printer-tool.exe's window. The window test driver finds
// the controls by them, so they are part of what the window promises.
#pragma once

// The main window's class; its title is the caption.
#define PT_WINDOW_CLASS L"PrinterToolWindow"

enum ControlId {
    // Top row.
    IDC_PORT = 1001,
    IDC_BAUD,
    IDC_TABS,
    IDC_STATUS,
    // In the status bar, shown only while a transfer runs.
    IDC_TRANSFER_BAR,
    IDC_STOP,
    // PARA.
    IDC_PARA_BAUD = 1101,
    IDC_CODEPAGE,
    IDC_DENSITY,
    IDC_FONT,
    IDC_LINEFEED,
    IDC_IDLE,
    IDC_OFF,
    IDC_MAXFEED,
    IDC_PAGE,
    IDC_SET_PARA,
    // UPDATE.
    IDC_PROGRAM = 1201,
    IDC_FONT_DOWNLOAD,
    // NVRAM.
    IDC_ADD_LOGO = 1301,
    IDC_DELETE_LOGO,
    IDC_LOGO_DOWNLOAD,
    IDC_LOGO_LIST,
    IDC_LOGO_PREVIEW,
    // BLUE TOOTH.
    IDC_BT_NAME = 1401,
    IDC_BT_PIN,
    IDC_SET_BT,
    // IrCOMM.
    IDC_IR_BAUD = 1501,
    IDC_IR_PROTOCOL,
    IDC_SET_IR,
    // Factory.
    IDC_MODEL = 1601,
    IDC_SERIAL,
    IDC_SET_FACTORY,
    IDC_STEP_SERIAL,
    // Static labels need no ID of their own.
    IDC_LABEL = 1900,
    // The pages, one per tab, in tab order.
    IDC_PAGE_FIRST = 1950,
};

// Menu commands. WM_COMMAND brings them beside the controls' notifications
// and the dialog commands (IDOK 1, IDCANCEL 2, ... IDCONTINUE 11), so they
// live in a range of their own that neither can reach.
enum MenuCommandId {
    IDM_ADD_LOGO = 40001,
    IDM_DELETE_LOGO,
    // In the system menu, whose commands keep their low four bits clear.
    IDM_ABOUT = 40016,
};

// The tabs, in the order they are shown; Factory only when configured.
enum TabIndex {
    TAB_PARA,
    TAB_UPDATE,
    TAB_NVRAM,
    TAB_BLUETOOTH,
    TAB_IRCOMM,
    TAB_FACTORY,
    TAB_COUNT
};
