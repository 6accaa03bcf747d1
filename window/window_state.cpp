#include "window_state.h"

#include "printer_text.h"

namespace {

template <class State>
auto& List(State& s, ListId id) {
    switch (id) {
        case ListId::Port:
            return s.port;
        case ListId::Baud:
            return s.baud;
        case ListId::ParaBaudRate:
            return s.paraBaudRate;
        case ListId::CodePage:
            return s.codePage;
        case ListId::Density:
            return s.density;
        case ListId::Font:
            return s.font;
        case ListId::LineFeed:
            return s.lineFeed;
        case ListId::IrBaudRate:
            return s.irBaudRate;
        case ListId::IrProtocol:
            break;
    }
    return s.irProtocol;
}

template <class State>
auto& Field(State& s, FieldId id) {
    switch (id) {
        case FieldId::Idle:
            return s.idle;
        case FieldId::Off:
            return s.off;
        case FieldId::MaxFeed:
            return s.maxFeed;
        case FieldId::Page:
            return s.page;
        case FieldId::BluetoothName:
            return s.bluetoothName;
        case FieldId::BluetoothPin:
            return s.bluetoothPin;
        case FieldId::ModelName:
            return s.modelName;
        case FieldId::SerialNo:
            break;
    }
    return s.serialNo;
}

template <class State>
auto& Button(State& s, ButtonId id) {
    switch (id) {
        case ButtonId::SetPara:
            return s.setPara;
        case ButtonId::Program:
            return s.program;
        case ButtonId::FontDownload:
            return s.fontDownload;
        case ButtonId::AddLogo:
            return s.addLogo;
        case ButtonId::DeleteLogo:
            return s.deleteLogo;
        case ButtonId::LogoDownload:
            return s.logoDownload;
        case ButtonId::SetBluetooth:
            return s.setBluetooth;
        case ButtonId::SetInfrared:
            return s.setInfrared;
        case ButtonId::SetFactory:
            return s.setFactory;
        case ButtonId::Stop:
            return s.stop;
        case ButtonId::StepSerial:
            break;
    }
    return s.stepSerial;
}

}  // namespace

ListControl& ListOf(WindowState& state, ListId id) {
    return List(state, id);
}
const ListControl& ListOf(const WindowState& state, ListId id) {
    return List(state, id);
}
TextControl& FieldOf(WindowState& state, FieldId id) {
    return Field(state, id);
}
const TextControl& FieldOf(const WindowState& state, FieldId id) {
    return Field(state, id);
}
ButtonControl& ButtonOf(WindowState& state, ButtonId id) {
    return Button(state, id);
}
const ButtonControl& ButtonOf(const WindowState& state, ButtonId id) {
    return Button(state, id);
}

const std::vector<std::string>& RateEntries() {
    static const std::vector<std::string> rates = {"  9600", " 19200", " 38400", " 57600",
                                                   "115200"};
    return rates;
}

int EntryOf(const ListControl& list, const std::string& text, int current) {
    const auto count = static_cast<int>(list.entries.size());
    if (current >= 0 && current < count && list.entries[static_cast<size_t>(current)] == text)
        return current;
    for (int i = 0; i < count; ++i) {
        if (list.entries[static_cast<size_t>(i)] == text)
            return i;
    }
    return -1;
}

void SetListText(ListControl& list, const std::string& text) {
    list.text = text;
    list.selected = EntryOf(list, text, -1);
}

bool SelectRateEntry(ListControl& list, int32_t rate) {
    const std::string wanted = std::to_string(rate);
    for (size_t i = 0; i < list.entries.size(); ++i) {
        if (TrimBlanks(list.entries[i]) == wanted) {
            list.selected = static_cast<int>(i);
            list.text = list.entries[i];
            return true;
        }
    }
    return false;
}
