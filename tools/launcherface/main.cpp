// peekstun-launcher-face: prints the launcher as the page first shows it, as
// JSON: { "layout": the dialog's template, "states": its controls once the
// launcher's own procedure has initialised them with the default choices,
// "about": the About box's text, whose first lines name the show and its
// makers }.
// The page's build paints its form from this before the program has
// downloaded; the program then takes the same form over. The sound devices
// are the browser's, known only there: that list starts empty.
#include <cstdio>
#include <exception>

#include "platform/dialog/dialog_template.h"
#include "platform/dialog/headless/dialog_json.h"
#include "platform/dialog/headless/windows_headless.h"
#include "shell/launcher.h"

int main(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: peekstun-launcher-face > face.json\n");
        return 2;
    }
    try {
        const DialogTemplate& layout = findDialogTemplate(MAKEINTRESOURCEA(108));
        LauncherContents contents{LaunchChoices{}, {}};
        HeadlessDialog dialog(layout, launcherProc);
        dialog.send(WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&contents));
        std::printf("{\"layout\":%s,\"states\":%s,\"about\":%s}\n", dialogLayoutJson(layout).c_str(),
                    dialogStatesJson(dialog).c_str(), jsonQuoted(launcherAboutText).c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "peekstun-launcher-face: %s\n", error.what());
        return 1;
    }
    return 0;
}
