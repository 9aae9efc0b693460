#include "platform/dialog/windows.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/dialog/windows_dialog.h"

namespace {

DialogBackend backendInUse = DialogBackend::Screen;

// Dialogs that are open now; a nested dialog (one opened by a procedure)
// comes after its owner.
std::vector<DialogWindow*>& liveDialogs() {
    static std::vector<DialogWindow*> dialogs;
    return dialogs;
}

}  // namespace

DialogWindow::DialogWindow(const DialogTemplate& layout, DLGPROC procedure)
    : dialogLayout(layout), procedure(procedure) {
    liveDialogs().push_back(this);
}

DialogWindow::~DialogWindow() {
    std::vector<DialogWindow*>& dialogs = liveDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), this), dialogs.end());
}

INT_PTR DialogWindow::send(UINT message, WPARAM wParam, LPARAM lParam) {
    if (ended) return 0;
    return procedure(handle(), message, wParam, lParam);
}

INT_PTR DialogWindow::sendCommand(int command, UINT notification) {
    return send(WM_COMMAND, MAKEWPARAM(command, notification), 0);
}

void DialogWindow::end(INT_PTR endResult) {
    if (ended) return;
    ended = true;
    result = endResult;
}

const DialogControlTemplate& DialogWindow::control(int id) const {
    const DialogControlTemplate* found = findDialogControl(dialogLayout, id);
    if (found == nullptr) {
        throw DynamicError("Dialog \"" + std::string(dialogLayout.caption) + "\" has no control " + std::to_string(id));
    }
    return *found;
}

void DialogWindow::rejectMessage(int controlId, UINT message) const {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", message);
    throw DynamicError("Control " + std::to_string(controlId) + " of dialog \"" + dialogLayout.caption +
                       "\" does not understand message " + hex);
}

DialogWindow* findDialog(HWND handle) {
    for (DialogWindow* dialog : liveDialogs()) {
        if (dialog->handle() == handle) return dialog;
    }
    return nullptr;
}

DialogWindow& dialogFromHandle(HWND handle) {
    DialogWindow* dialog = findDialog(handle);
    if (dialog == nullptr) throw DynamicError("Not an open dialog window");
    return *dialog;
}

void checkMessageBoxType(UINT type) {
    if (type != MB_OK && type != (MB_OK | MB_ICONINFORMATION) && type != (MB_OK | MB_ICONERROR)) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", type);
        throw DynamicError(std::string("Message box type ") + hex +
                           " is not offered: only MB_OK, alone or with MB_ICONINFORMATION or MB_ICONERROR");
    }
}

std::string textWithoutShortcuts(const char* text) {
    std::string shown;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '&') {
            if (c[1] != '&') continue;
            ++c;
        }
        shown += *c;
    }
    return shown;
}

INT_PTR DialogBoxParamA(HINSTANCE, const char* templateName, HWND owner, DLGPROC procedure, LPARAM parameter) {
    if (procedure == nullptr) throw DynamicError("A dialog needs a procedure");
    const DialogTemplate& layout = findDialogTemplate(templateName);
    if (backendInUse == DialogBackend::Headless) return runHeadlessDialog(layout, owner, procedure, parameter);
    return runScreenDialog(layout, owner, procedure, parameter);
}

LRESULT SendDlgItemMessageA(HWND dialog, int control, UINT message, WPARAM wParam, LPARAM lParam) {
    return dialogFromHandle(dialog).sendItemMessage(control, message, wParam, lParam);
}

bool EndDialog(HWND dialog, INT_PTR result) {
    dialogFromHandle(dialog).end(result);
    return true;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    checkMessageBoxType(type);
    DialogWindow* ownerDialog = owner == nullptr ? nullptr : &dialogFromHandle(owner);
    const char* shownText = text == nullptr ? "" : text;
    const char* shownCaption = caption == nullptr ? "Error" : caption;
    if (backendInUse == DialogBackend::Headless) {
        return showHeadlessMessageBox(ownerDialog, shownText, shownCaption, type);
    }
    return showScreenMessageBox(ownerDialog, shownText, shownCaption, type);
}

bool messageBoxesAvailable() { return backendInUse == DialogBackend::Headless || screenDialogsAvailable(); }

void selectDialogBackend(DialogBackend backend) { backendInUse = backend; }

DialogBackend selectedDialogBackend() { return backendInUse; }
