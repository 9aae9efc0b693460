// Dialog services in the browser: the page shows message boxes itself; the
// launcher is the page's own, so no template dialog is shown here.
#include <emscripten.h>

#include "platform/display/DynamicError.h"
#include "platform/dialog/windows_dialog.h"

// clang-format off
EM_JS(void, webShowMessage, (const char* caption, const char* text), {
    const shownCaption = UTF8ToString(caption);
    const shownText = UTF8ToString(text);
    if (Module.peekstunShowMessage) Module.peekstunShowMessage(shownCaption, shownText);
});
// clang-format on

bool screenDialogsAvailable() { return false; }

INT_PTR runScreenDialog(const DialogTemplate& layout, HWND, DLGPROC, LPARAM) {
    throw DynamicError(std::string("The page shows no dialog \"") + layout.caption + "\"");
}

int showScreenMessageBox(DialogWindow*, const char* text, const char* caption, UINT) {
    webShowMessage(caption, text);
    return IDOK;
}

// The page's canvas stays where the page puts it.
bool SetWindowPos(HWND window, HWND, int, int, int, int, UINT) { return window != nullptr; }
