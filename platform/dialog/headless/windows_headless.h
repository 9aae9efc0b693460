// Dialogs with no screen, for tests: the controls are plain state and a
// script plays the user. Select with selectDialogBackend(DialogBackend::Headless).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dialog/windows_dialog.h"

class HeadlessDialog : public DialogWindow {
public:
    explicit HeadlessDialog(const DialogTemplate& layout, DLGPROC procedure);

    LRESULT sendItemMessage(int control, UINT message, WPARAM wParam, LPARAM lParam) override;

    // The user's actions. Each does nothing once the dialog has ended, and
    // nothing to a disabled control.
    // A push button sends its command; an automatic check box flips, then
    // notifies.
    void click(int control);
    // Picks an item of a drop-down list; throws DynamicError for an item the
    // list does not show.
    void choose(int control, int item);
    void pressEnter();   // IDOK
    void pressEscape();  // IDCANCEL
    void closeWindow();  // IDCANCEL

    // What the user sees.
    std::string text(int control) const;  // the template's text without its '&' marks
    bool isEnabled(int control) const;
    bool isChecked(int control) const;
    std::vector<std::string> items(int control) const;
    int selection(int control) const;  // -1 when nothing is selected

private:
    struct ControlState {
        bool enabled = true;
        bool checked = false;
        std::vector<std::string> items;
        int selection = -1;
    };
    ControlState& state(int control);
    const ControlState& state(int control) const;

    std::vector<ControlState> states;  // in template order
};

// The user at the next headless dialogs: called once each dialog has been
// initialised. A dialog its script leaves open throws DynamicError, as
// nothing else could end it.
using HeadlessDialogScript = std::function<void(HeadlessDialog&)>;
void setHeadlessDialogScript(HeadlessDialogScript script);

// Message boxes shown by the headless backend, oldest first; each was
// answered with OK at once.
struct HeadlessMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
const std::vector<HeadlessMessageBox>& headlessMessageBoxes();
void clearHeadlessMessageBoxes();
