// The whole window as plain values: what every control shows, which tabs
// exist, the status panels and the logo list. A view draws it as it stands;
// the logic is the only one that changes it. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logo_image.h"
#include "transfer_progress.h"

// An editable drop-down list: the user picks an entry or types any text.
struct ListControl {
    std::vector<std::string> entries;
    // Shown beside each entry in the drop-down (a port's description);
    // empty, or one per entry.
    std::vector<std::string> hints;
    std::string text;
    int selected = -1;  // the entry the text is, or -1
    bool enabled = true;
};

struct TextControl {
    std::string text;
    bool enabled = true;
};

struct ButtonControl {
    bool enabled = true;
};

struct StatusPanel {
    std::string text;
    std::string toolTip;
};

// The pictures of the NVRAM tab and the image composed from them, whose
// records give each picture's preview.
struct LogoListState {
    std::vector<std::string> names;  // as the list shows them
    int selected = -1;
    LogoBuild image;
    // Changes whenever `image` does, so that a view redraws previews only then.
    uint64_t imageVersion = 0;
    // One per record of `image`: what to try when the blue rule prints the
    // picture unlike it looks, else empty.
    std::vector<std::string> dotsHints;
};

struct WindowState {
    std::string caption = "PRINTER TOOL";

    // Top row.
    ListControl port;
    ListControl baud;
    // PARA.
    ListControl paraBaudRate;
    ListControl codePage;
    ListControl density;
    ListControl font;
    ListControl lineFeed;
    TextControl idle;
    TextControl off;
    TextControl maxFeed;
    TextControl page;
    ButtonControl setPara;
    // UPDATE.
    ButtonControl program;
    ButtonControl fontDownload;
    // NVRAM.
    ButtonControl addLogo;
    ButtonControl deleteLogo;
    ButtonControl logoDownload;
    LogoListState logos;
    // BLUE TOOTH.
    TextControl bluetoothName;
    TextControl bluetoothPin;
    ButtonControl setBluetooth;
    // IrCOMM.
    ListControl irBaudRate;
    ListControl irProtocol;
    ButtonControl setInfrared;
    // Factory, shown only when the configuration asks for it.
    bool factoryTab = false;
    TextControl modelName;
    TextControl serialNo;
    ButtonControl setFactory;
    ButtonControl stepSerial;

    // A block transfer runs: the face shows its bar and STOP beside the
    // status panels, and keeps the machine awake meanwhile.
    bool transferRunning = false;
    TransferProgressState transfer;
    ButtonControl stop;  // enabled until a stop has been asked for

    StatusPanel panel0;  // the window's own texts: progress, logo space
    StatusPanel panel1;  // the worker's texts and a job's result
};

// The controls a view reports on, by role.
enum class ListId {
    Port,
    Baud,
    ParaBaudRate,
    CodePage,
    Density,
    Font,
    LineFeed,
    IrBaudRate,
    IrProtocol
};
enum class FieldId { Idle, Off, MaxFeed, Page, BluetoothName, BluetoothPin, ModelName, SerialNo };
enum class ButtonId {
    SetPara,
    Program,
    FontDownload,
    AddLogo,
    DeleteLogo,
    LogoDownload,
    SetBluetooth,
    SetInfrared,
    SetFactory,
    StepSerial,
    Stop
};

ListControl& ListOf(WindowState& state, ListId id);
const ListControl& ListOf(const WindowState& state, ListId id);
TextControl& FieldOf(WindowState& state, FieldId id);
const TextControl& FieldOf(const WindowState& state, FieldId id);
ButtonControl& ButtonOf(WindowState& state, ButtonId id);
const ButtonControl& ButtonOf(const WindowState& state, ButtonId id);

// The entries of the rate lists: right-aligned to six characters.
const std::vector<std::string>& RateEntries();

// The entry that `text` is, preferring `current` when it still is it; -1
// when the text is none of them.
int EntryOf(const ListControl& list, const std::string& text, int current);
// Sets the list's text and the entry it is.
void SetListText(ListControl& list, const std::string& text);
// Picks the rate list's entry of `rate` (the entries are right-aligned);
// false, and the list as it was, when it has none.
bool SelectRateEntry(ListControl& list, int32_t rate);
