// Dialog services in the browser: a dialog template becomes an HTML form in
// the page and message boxes are the page's own (web/dialogs.js). The
// controls' state is kept here as the headless backend keeps it; the page
// reports the user's clicks and choices, which reach the dialog procedure as
// on the desktop, and shows the state after each. Waiting for the user hands
// the browser its thread back (Asyncify).
#include <emscripten.h>

#include <cstdio>
#include <string>

#include "platform/dialog/headless/windows_headless.h"
#include "platform/dialog/windows_dialog.h"
#include "platform/display/DynamicError.h"

// clang-format off
EM_JS(void, webDialogOpen, (const char* layout), {
    peekstunDialogs.open(JSON.parse(UTF8ToString(layout)));
});
EM_JS(void, webDialogUpdate, (const char* states), {
    peekstunDialogs.update(JSON.parse(UTF8ToString(states)));
});
EM_JS(void, webDialogClose, (), { peekstunDialogs.close(); });
// The next action as kind x 0x10000 + control id (kind 1: click, 2: choose);
// the chosen item comes from webDialogActionItem.
EM_ASYNC_JS(int, webDialogNextAction, (), {
    const action = await peekstunDialogs.nextAction();
    peekstunDialogs.lastItem = action.value;
    return (action.kind === 'choose' ? 2 : 1) * 0x10000 + action.id;
});
EM_JS(int, webDialogActionItem, (), { return peekstunDialogs.lastItem; });
EM_ASYNC_JS(void, webMessageBox, (const char* caption, const char* text, int isError), {
    await peekstunDialogs.messageBox(UTF8ToString(caption), UTF8ToString(text), isError !== 0);
});
// clang-format on

namespace {

std::string quoted(const std::string& text) {
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

std::string layoutJson(const DialogTemplate& layout) {
    std::string json = "{\"caption\":" + quoted(layout.caption) + ",\"width\":" + std::to_string(layout.width) +
                       ",\"height\":" + std::to_string(layout.height) + ",\"defaultId\":" + std::to_string(IDOK) +
                       ",\"controls\":[";
    const char* comma = "";
    for (const DialogControlTemplate& control : layout.controls) {
        json += comma;
        json += "{\"id\":" + std::to_string(control.id) + ",\"kind\":\"" + kindName(control.kind) +
                "\",\"text\":" + quoted(control.text) + ",\"x\":" + std::to_string(control.x) +
                ",\"y\":" + std::to_string(control.y) + ",\"width\":" + std::to_string(control.width) +
                ",\"height\":" + std::to_string(control.height) + "}";
        comma = ",";
    }
    return json + "]}";
}

std::string statesJson(const HeadlessDialog& dialog) {
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
            json += itemComma + quoted(item);
            itemComma = ",";
        }
        json += "]}";
        comma = ",";
    }
    return json + "]";
}

// Closes the page's form on every way out.
struct OpenForm {
    explicit OpenForm(const DialogTemplate& layout) { webDialogOpen(layoutJson(layout).c_str()); }
    ~OpenForm() { webDialogClose(); }
};

}  // namespace

bool screenDialogsAvailable() { return true; }

INT_PTR runScreenDialog(const DialogTemplate& layout, HWND owner, DLGPROC procedure, LPARAM parameter) {
    if (owner != nullptr) dialogFromHandle(owner);
    HeadlessDialog dialog(layout, procedure);
    dialog.send(WM_INITDIALOG, 0, parameter);
    if (dialog.hasEnded()) return dialog.endResult();
    OpenForm form(layout);
    webDialogUpdate(statesJson(dialog).c_str());
    while (!dialog.hasEnded()) {
        const int action = webDialogNextAction();
        const int control = action & 0xffff;
        if (!findDialogControl(layout, control)) continue;
        if (action >> 16 == 2) {
            dialog.choose(control, webDialogActionItem());
        } else {
            dialog.click(control);
        }
        if (!dialog.hasEnded()) webDialogUpdate(statesJson(dialog).c_str());
    }
    return dialog.endResult();
}

int showScreenMessageBox(DialogWindow*, const char* text, const char* caption, UINT type) {
    webMessageBox(caption, text, (type & MB_ICONERROR) != 0 ? 1 : 0);
    return IDOK;
}

// The page's canvas stays where the page puts it.
bool SetWindowPos(HWND window, HWND, int, int, int, int, UINT) { return window != nullptr; }
