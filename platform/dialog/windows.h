// The few window-system services the launcher and the show use: a modal
// dialog built from a template, messages to its controls, a message box, and
// keeping the show's window on top.
#pragma once

#include <cstdint>

typedef void* HWND;
typedef void* HINSTANCE;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t INT_PTR;
typedef intptr_t LRESULT;
typedef unsigned int UINT;
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);

// Messages.
enum : UINT {
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    CB_ADDSTRING = 0x0143,
    CB_GETCURSEL = 0x0147,
    CB_RESETCONTENT = 0x014B,
    CB_SETCURSEL = 0x014E,
    BM_GETCHECK = 0x00F0,
    BM_SETCHECK = 0x00F1,
};

// Notifications, in the high word of a WM_COMMAND's first parameter.
enum : UINT { BN_CLICKED = 0, CBN_SELCHANGE = 1 };

enum { BST_UNCHECKED = 0, BST_CHECKED = 1 };
enum { CB_OKAY = 0, CB_ERR = -1 };
enum { IDOK = 1, IDCANCEL = 2 };
enum : UINT { MB_OK = 0x0, MB_ICONERROR = 0x10, MB_ICONINFORMATION = 0x40 };
enum : UINT { SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2 };

#define HWND_TOP ((HWND)0)
#define HWND_TOPMOST ((HWND)(intptr_t)-1)
#define HWND_NOTOPMOST ((HWND)(intptr_t)-2)
#define MAKEINTRESOURCEA(id) ((const char*)(uintptr_t)(id))
#define LOWORD(value) ((int)((uintptr_t)(value)&0xFFFF))
#define HIWORD(value) ((int)(((uintptr_t)(value) >> 16) & 0xFFFF))
#define MAKEWPARAM(low, high) ((WPARAM)((((uintptr_t)(high)&0xFFFF) << 16) | ((uintptr_t)(low)&0xFFFF)))

// Shows the dialog template named by templateName (MAKEINTRESOURCEA(108))
// modally, sends WM_INITDIALOG with `parameter`, then the WM_COMMAND messages
// of the user's actions, and returns what the procedure passed to EndDialog.
// Enter sends command IDOK (unless a push button has the focus: then that
// button's), Escape and the window's close box send IDCANCEL.
// Throws DynamicError when the dialog cannot be shown; when no display can be
// opened its message begins "No display available".
INT_PTR DialogBoxParamA(HINSTANCE instance, const char* templateName, HWND owner, DLGPROC procedure, LPARAM parameter);

// Drop-down lists: CB_RESETCONTENT, CB_ADDSTRING (returns the new item's
// index), CB_SETCURSEL (-1 or an index past the end clears the selection and
// returns CB_ERR), CB_GETCURSEL (CB_ERR when nothing is selected). Check
// boxes: BM_SETCHECK, BM_GETCHECK. Throws DynamicError for an unknown dialog
// or control, or a message the control does not understand.
LRESULT SendDlgItemMessageA(HWND dialog, int control, UINT message, WPARAM wParam, LPARAM lParam);

// Ends the modal loop of `dialog` once the message in progress is handled.
bool EndDialog(HWND dialog, INT_PTR result);

// A modal message box over `owner` (a dialog, or null): MB_OK, alone or with
// one of MB_ICONINFORMATION and MB_ICONERROR. It opens centred over its owner,
// or on the screen when it has none. Returns IDOK.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// Whether MessageBoxA can show a box: always where boxes are kept headless,
// on the desktop once a display could be opened.
bool messageBoxesAvailable();

// With HWND_TOPMOST, keeps `window` (the display's native window, an
// SDL_Window*) above other windows; HWND_NOTOPMOST lets it go again, HWND_TOP
// raises it. Moves and sizes it unless SWP_NOMOVE and SWP_NOSIZE say not to.
// Returns false for a null window.
bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// Where dialogs and message boxes appear: on the screen (the default), or
// nowhere, their controls kept as plain state for tests (windows_headless.h).
enum class DialogBackend { Screen, Headless };
void selectDialogBackend(DialogBackend backend);
DialogBackend selectedDialogBackend();
