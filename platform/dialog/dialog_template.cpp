#include "platform/dialog/dialog_template.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/display/DynamicError.h"

namespace {

using Kind = DialogControlKind;

// The launcher: choose the display and the sound set-up, read about the show,
// then run it or quit. Controls in tab order.
const DialogTemplate configurationDialog = {
    108,
    "Configuration",
    "Helv",
    8,
    30,
    30,
    200,
    165,
    "MAINICON",
    {
        {1, Kind::PushButton, "&Run", 150, 145, 45, 14, false},
        {109, Kind::GroupBox, "Video Options", 5, 5, 190, 40, false},
        {101, Kind::AutoCheckBox, "&Fullscreen", 10, 15, 80, 10, false},
        {102, Kind::AutoCheckBox, "&Loop", 10, 30, 80, 10, true},
        {110, Kind::GroupBox, "Sound options", 5, 50, 190, 90, false},
        {103, Kind::DropDownList, "", 60, 60, 130, 69, false},
        {104, Kind::DropDownList, "", 60, 80, 130, 69, false},
        {105, Kind::DropDownList, "", 59, 100, 131, 69, false},
        {106, Kind::DropDownList, "", 60, 120, 130, 69, false},
        {111, Kind::Label, "Output driver", 10, 60, 48, 8, false},
        {112, Kind::Label, "Sound device", 10, 80, 48, 8, false},
        {113, Kind::Label, "Mixing driver", 10, 100, 48, 8, false},
        {114, Kind::Label, "Frequency", 10, 120, 48, 8, false},
        {2, Kind::PushButton, "&Quit", 50, 145, 45, 14, false},
        {107, Kind::PushButton, "&About", 100, 145, 45, 14, false},
    },
};

// Integer resources travel as pointers whose value is below 0x10000.
bool isIntegerResource(const char* name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

int resourceId(const char* name) {
    if (name == nullptr) throw DynamicError("No dialog template named by a null resource");
    if (isIntegerResource(name)) return static_cast<int>(reinterpret_cast<uintptr_t>(name));
    if (name[0] == '#') {
        char* end = nullptr;
        long id = std::strtol(name + 1, &end, 10);
        if (end != name + 1 && *end == '\0' && id > 0 && id < 0x10000) return static_cast<int>(id);
    }
    throw DynamicError(std::string("No dialog template named \"") + name + "\"");
}

}  // namespace

const DialogTemplate& findDialogTemplate(const char* resourceName) {
    int id = resourceId(resourceName);
    if (id == configurationDialog.id) return configurationDialog;
    throw DynamicError("No dialog template with id " + std::to_string(id));
}

const DialogControlTemplate* findDialogControl(const DialogTemplate& dialog, int id) {
    for (const DialogControlTemplate& control : dialog.controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}
