// Dialog services in the browser: a dialog template becomes an HTML form in
// the page and message boxes are the page's own (web/dialogs.js). The
// controls' state is kept here as the headless backend keeps it; the page
// reports the user's clicks and choices, which reach the dialog procedure as
// on the desktop, and shows the state after each. Waiting for the user hands
// the browser its thread back (Asyncify).
#include <emscripten.h>

#include <string>

#include "platform/dialog/headless/dialog_json.h"
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

// Closes the page's form on every way out.
struct OpenForm {
    explicit OpenForm(const DialogTemplate& layout) { webDialogOpen(dialogLayoutJson(layout).c_str()); }
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
    webDialogUpdate(dialogStatesJson(dialog).c_str());
    while (!dialog.hasEnded()) {
        const int action = webDialogNextAction();
        const int control = action & 0xffff;
        if (!findDialogControl(layout, control)) continue;
        if (action >> 16 == 2) {
            dialog.choose(control, webDialogActionItem());
        } else {
            dialog.click(control);
        }
        if (!dialog.hasEnded()) webDialogUpdate(dialogStatesJson(dialog).c_str());
    }
    return dialog.endResult();
}

int showScreenMessageBox(DialogWindow*, const char* text, const char* caption, UINT type) {
    webMessageBox(caption, text, (type & MB_ICONERROR) != 0 ? 1 : 0);
    return IDOK;
}

// The page's canvas stays where the page puts it.
bool SetWindowPos(HWND window, HWND, int, int, int, int, UINT) { return window != nullptr; }
