#include "platform/dialog/headless/windows_headless.h"

#include "platform/display/DynamicError.h"

namespace {

HeadlessDialogScript& currentScript() {
    static HeadlessDialogScript script;
    return script;
}

std::vector<HeadlessMessageBox>& shownMessageBoxes() {
    static std::vector<HeadlessMessageBox> boxes;
    return boxes;
}

}  // namespace

HeadlessDialog::HeadlessDialog(const DialogTemplate& layout, DLGPROC procedure)
    : DialogWindow(layout, procedure), states(layout.controls.size()) {
    for (size_t i = 0; i < states.size(); ++i) states[i].enabled = !layout.controls[i].disabled;
}

HeadlessDialog::ControlState& HeadlessDialog::state(int id) {
    const DialogControlTemplate& wanted = control(id);
    return states[static_cast<size_t>(&wanted - layout().controls.data())];
}

const HeadlessDialog::ControlState& HeadlessDialog::state(int id) const {
    const DialogControlTemplate& wanted = control(id);
    return states[static_cast<size_t>(&wanted - layout().controls.data())];
}

LRESULT HeadlessDialog::sendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogControlKind kind = control(id).kind;
    ControlState& target = state(id);
    if (kind == DialogControlKind::DropDownList) {
        switch (message) {
            case CB_RESETCONTENT:
                target.items.clear();
                target.selection = -1;
                return CB_OKAY;
            case CB_ADDSTRING: {
                const char* item = reinterpret_cast<const char*>(lParam);
                target.items.push_back(item == nullptr ? "" : item);
                return static_cast<LRESULT>(target.items.size() - 1);
            }
            case CB_SETCURSEL: {
                INT_PTR index = static_cast<INT_PTR>(wParam);
                if (index < 0 || index >= static_cast<INT_PTR>(target.items.size())) {
                    target.selection = -1;
                    return CB_ERR;
                }
                target.selection = static_cast<int>(index);
                return index;
            }
            case CB_GETCURSEL:
                return target.selection;
        }
    }
    if (kind == DialogControlKind::AutoCheckBox) {
        switch (message) {
            case BM_SETCHECK:
                target.checked = wParam == BST_CHECKED;
                return 0;
            case BM_GETCHECK:
                return target.checked ? BST_CHECKED : BST_UNCHECKED;
        }
    }
    rejectMessage(id, message);
}

void HeadlessDialog::click(int id) {
    if (hasEnded() || !isEnabled(id)) return;
    switch (control(id).kind) {
        case DialogControlKind::AutoCheckBox:
            state(id).checked = !state(id).checked;
            sendCommand(id, BN_CLICKED);
            break;
        case DialogControlKind::PushButton:
            sendCommand(id, BN_CLICKED);
            break;
        default:
            break;
    }
}

void HeadlessDialog::choose(int id, int item) {
    if (hasEnded() || !isEnabled(id)) return;
    if (control(id).kind != DialogControlKind::DropDownList) {
        throw DynamicError("Control " + std::to_string(id) + " is not a drop-down list");
    }
    ControlState& list = state(id);
    if (item < 0 || item >= static_cast<int>(list.items.size())) {
        throw DynamicError("Drop-down list " + std::to_string(id) + " shows no item " + std::to_string(item));
    }
    if (list.selection == item) return;
    list.selection = item;
    sendCommand(id, CBN_SELCHANGE);
}

void HeadlessDialog::pressEnter() { sendCommand(IDOK); }

void HeadlessDialog::pressEscape() { sendCommand(IDCANCEL); }

void HeadlessDialog::closeWindow() { sendCommand(IDCANCEL); }

std::string HeadlessDialog::text(int id) const { return textWithoutShortcuts(control(id).text); }

bool HeadlessDialog::isEnabled(int id) const { return state(id).enabled; }

bool HeadlessDialog::isChecked(int id) const { return state(id).checked; }

std::vector<std::string> HeadlessDialog::items(int id) const { return state(id).items; }

int HeadlessDialog::selection(int id) const { return state(id).selection; }

INT_PTR runHeadlessDialog(const DialogTemplate& layout, HWND owner, DLGPROC procedure, LPARAM parameter) {
    if (owner != nullptr) dialogFromHandle(owner);
    HeadlessDialog dialog(layout, procedure);
    dialog.send(WM_INITDIALOG, 0, parameter);
    // The script may open further dialogs; it runs from its own copy.
    HeadlessDialogScript script = currentScript();
    if (!dialog.hasEnded() && script) script(dialog);
    if (!dialog.hasEnded()) {
        throw DynamicError(std::string("Dialog \"") + layout.caption + "\" was left open with no user to end it");
    }
    return dialog.endResult();
}

int showHeadlessMessageBox(DialogWindow* owner, const char* text, const char* caption, UINT type) {
    shownMessageBoxes().push_back({owner == nullptr ? nullptr : owner->handle(), text, caption, type});
    return IDOK;
}

void setHeadlessDialogScript(HeadlessDialogScript script) { currentScript() = std::move(script); }

const std::vector<HeadlessMessageBox>& headlessMessageBoxes() { return shownMessageBoxes(); }

void clearHeadlessMessageBoxes() { shownMessageBoxes().clear(); }
