// Dialog templates kept as data: the dialog's frame and its controls, placed
// in dialog units (a quarter of the font's average character width across,
// an eighth of its height down), so a backend can lay them out at any font.
#pragma once

#include <vector>

enum class DialogControlKind {
    PushButton,
    GroupBox,
    AutoCheckBox,
    DropDownList,
    Label,
};

struct DialogControlTemplate {
    int id;
    DialogControlKind kind;
    const char* text;  // '&' marks the keyboard shortcut; "&&" is a literal '&'
    int x, y, width, height;
    bool disabled;
};

struct DialogTemplate {
    int id;
    const char* caption;
    const char* fontName;
    int fontPointSize;
    int x, y, width, height;
    const char* iconName;
    std::vector<DialogControlTemplate> controls;
};

// The template a resource name designates: an integer resource made with
// MAKEINTRESOURCEA, or a template's decimal id as text ("#108").
// Throws DynamicError for a name that designates no template.
const DialogTemplate& findDialogTemplate(const char* resourceName);

// The control with this id, or null.
const DialogControlTemplate* findDialogControl(const DialogTemplate& dialog, int id);
