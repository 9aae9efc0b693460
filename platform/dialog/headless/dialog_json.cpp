#include "platform/dialog/headless/dialog_json.h"

#include <cstdio>

std::string jsonQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

namespace {

const char* kindName(DialogControlKind kind) {
    switch (kind) {
        case DialogControlKind::PushButton:
            return "button";
        case DialogControlKind::GroupBox:
            return "group";
        case DialogControlKind::AutoCheckBox:
            return "check";
        case DialogControlKind::DropDownList:
            return "list";
        case DialogControlKind::Label:
            return "label";
    }
    return "label";
}

}  // namespace

std::string dialogLayoutJson(const DialogTemplate& layout) {
    std::string json = "{\"caption\":" + jsonQuoted(layout.caption) + ",\"width\":" + std::to_string(layout.width) +
                       ",\"height\":" + std::to_string(layout.height) + ",\"defaultId\":" + std::to_string(IDOK) +
                       ",\"controls\":[";
    const char* comma = "";
    for (const DialogControlTemplate& control : layout.controls) {
        json += comma;
        json += "{\"id\":" + std::to_string(control.id) + ",\"kind\":\"" + kindName(control.kind) +
                "\",\"text\":" + jsonQuoted(control.text) + ",\"x\":" + std::to_string(control.x) +
                ",\"y\":" + std::to_string(control.y) + ",\"width\":" + std::to_string(control.width) +
                ",\"height\":" + std::to_string(control.height) + "}";
        comma = ",";
    }
    return json + "]}";
}

std::string dialogStatesJson(const HeadlessDialog& dialog) {
    std::string json = "[";
    const char* comma = "";
    for (const DialogControlTemplate& control : dialog.layout().controls) {
        json += comma;
        json += "{\"id\":" + std::to_string(control.id) +
                ",\"enabled\":" + (dialog.isEnabled(control.id) ? "true" : "false") +
                ",\"checked\":" + (dialog.isChecked(control.id) ? "true" : "false") +
                ",\"selection\":" + std::to_string(dialog.selection(control.id)) + ",\"items\":[";
        const char* itemComma = "";
        for (const std::string& item : dialog.items(control.id)) {
            json += itemComma + jsonQuoted(item);
            itemComma = ",";
        }
        json += "]}";
        comma = ",";
    }
    return json + "]";
}
