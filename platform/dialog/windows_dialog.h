// What the dialog services share between their backends: a dialog window
// (an HWND points at one), its procedure and the end of its modal loop.
#pragma once

#include <string>

#include "platform/dialog/dialog_template.h"
#include "platform/dialog/windows.h"

class DialogWindow {
public:
    DialogWindow(const DialogTemplate& layout, DLGPROC procedure);
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    virtual ~DialogWindow();

    HWND handle() { return this; }
    const DialogTemplate& layout() const { return dialogLayout; }

    // Delivers a message to the procedure, unless the dialog has ended.
    INT_PTR send(UINT message, WPARAM wParam, LPARAM lParam);
    // A WM_COMMAND for `command` with `notification` in its high word.
    INT_PTR sendCommand(int command, UINT notification = BN_CLICKED);

    void end(INT_PTR result);
    bool hasEnded() const { return ended; }
    INT_PTR endResult() const { return result; }

    virtual LRESULT sendItemMessage(int control, UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    // The control with this id; throws DynamicError when there is none.
    const DialogControlTemplate& control(int id) const;
    [[noreturn]] void rejectMessage(int control, UINT message) const;

private:
    const DialogTemplate& dialogLayout;
    DLGPROC procedure;
    bool ended = false;
    INT_PTR result = 0;
};

// The live dialog an HWND designates; throws DynamicError for anything else.
DialogWindow& dialogFromHandle(HWND handle);
// The live dialog an HWND designates, or null (null handles included).
DialogWindow* findDialog(HWND handle);

// Checks a message box type; throws DynamicError for types not offered.
void checkMessageBoxType(UINT type);

// The text a control shows for its template text: '&' marks dropped,
// "&&" kept as one '&'.
std::string textWithoutShortcuts(const char* text);

// Backends. The screen backend is GTK natively and the page in a browser.
// Whether dialogs can be shown (GTK is started on a display if need be).
bool screenDialogsAvailable();
INT_PTR runScreenDialog(const DialogTemplate& layout, HWND owner, DLGPROC procedure, LPARAM parameter);
int showScreenMessageBox(DialogWindow* owner, const char* text, const char* caption, UINT type);
// Where the GTK backend (native builds only) laid out a control of an open, shown dialog, in
// pixels from the top left of the dialog's window: the control's box, and for
// a label the box of its line of text. Throws DynamicError for a dialog of the
// other backend, and for the text box of a control other than a label.
struct PixelBox {
    int x, y, width, height;
};
PixelBox gtkControlBox(HWND dialog, int control);
PixelBox gtkLabelTextBox(HWND dialog, int control);
INT_PTR runHeadlessDialog(const DialogTemplate& layout, HWND owner, DLGPROC procedure, LPARAM parameter);
int showHeadlessMessageBox(DialogWindow* owner, const char* text, const char* caption, UINT type);
