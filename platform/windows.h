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

enum { BST_UNCHECKED = 0, BST_CHECKED = 1 };
enum { IDOK = 1, IDCANCEL = 2 };
enum : UINT { MB_OK = 0x0, MB_ICONINFORMATION = 0x40 };
enum : UINT { SWP_NOSIZE = 0x1, SWP_NOMOVE = 0x2 };

#define HWND_TOPMOST ((HWND)(intptr_t)-1)
#define MAKEINTRESOURCEA(id) ((const char*)(uintptr_t)(id))
#define LOWORD(value) ((int)((uintptr_t)(value) & 0xFFFF))

INT_PTR DialogBoxParamA(HINSTANCE instance, const char* templateName, HWND owner, DLGPROC procedure, LPARAM parameter);
LRESULT SendDlgItemMessageA(HWND dialog, int control, UINT message, WPARAM wParam, LPARAM lParam);
bool EndDialog(HWND dialog, INT_PTR result);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
