#include "shell/launcher.h"

#include <algorithm>
#include <iterator>

const char* const launcherAboutText =
    "Quillmere - Peekstun\n"
    "by Odo Finchley (code), Maren Vask (graphics), Tobiah Reel (music) and Liesl Dunmore (design)\n"
    "\n"
    "It's amazing what you can do with 3 effects and lots of good gfx";

namespace {

// The contents of the dialog on the screen, from its start to its end;
// dialogs are modal, so there is one at a time.
LauncherContents* shown = nullptr;

LRESULT send(HWND dialog, int control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(dialog, control, message, wParam, lParam);
}

void fillList(HWND dialog, int control, const char* const* items, int count, int selected) {
    send(dialog, control, CB_RESETCONTENT);
    for (int i = 0; i < count; ++i) send(dialog, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
    send(dialog, control, CB_SETCURSEL, static_cast<WPARAM>(selected));
}

// The position of `value` in `list`, or the first item's when it is not there.
template <size_t N>
int positionOf(const int (&list)[N], int value) {
    const int* found = std::find(std::begin(list), std::end(list), value);
    return found == std::end(list) ? 0 : static_cast<int>(found - std::begin(list));
}

void initialise(HWND dialog, const LauncherContents& contents) {
    const LaunchChoices& choices = contents.choices;
    send(dialog, IDC_FULLSCREEN, BM_SETCHECK, choices.fullscreen ? BST_CHECKED : BST_UNCHECKED);

    static const char* const outputs[] = {"Direct Sound", "Windows Multimedia WaveOut", "No sound"};
    static_assert(std::size(outputs) == std::size(kLaunchOutputs));
    fillList(dialog, IDC_OUTPUT, outputs, 3, positionOf(kLaunchOutputs, choices.output));

    send(dialog, IDC_DEVICE, CB_RESETCONTENT);
    for (const std::string& device : contents.devices) {
        send(dialog, IDC_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(device.c_str()));
    }
    send(dialog, IDC_DEVICE, CB_SETCURSEL, static_cast<WPARAM>(choices.driver));

    static const char* const mixers[] = {"Autodetect", "Standard Blend Mode Mixer", "Pentium Optimized MMX Mixer",
                                         "PPro/P2 Optimized MMX Mixer"};
    const bool knownMixer = choices.mixer >= FSOUND_MIXER_AUTODETECT && choices.mixer <= FSOUND_MIXER_MMXP6;
    fillList(dialog, IDC_MIXER, mixers, 4, knownMixer ? choices.mixer : FSOUND_MIXER_AUTODETECT);

    static const char* const frequencies[] = {"44100 Hz", "22050 Hz", "11025 Hz", "8000 Hz"};
    static_assert(std::size(frequencies) == std::size(kLaunchRates));
    fillList(dialog, IDC_FREQUENCY, frequencies, 4, positionOf(kLaunchRates, choices.mixRate));
}

// The choices as the dialog shows them. The Loop box is not read: the show
// never repeats. An output or mixer list without a selection gives no sound or
// the mixer the decoder detects; a rate list without one leaves the rate.
void run(HWND dialog, LaunchChoices& choices) {
    choices.fullscreen = send(dialog, IDC_FULLSCREEN, BM_GETCHECK) == BST_CHECKED;

    LRESULT output = send(dialog, IDC_OUTPUT, CB_GETCURSEL);
    choices.output = output >= 0 && output < static_cast<LRESULT>(std::size(kLaunchOutputs)) ? kLaunchOutputs[output]
                                                                                             : FSOUND_OUTPUT_NOSOUND;
    choices.driver = static_cast<int>(send(dialog, IDC_DEVICE, CB_GETCURSEL));

    LRESULT mixer = send(dialog, IDC_MIXER, CB_GETCURSEL);
    choices.mixer = mixer >= FSOUND_MIXER_BLENDMODE && mixer <= FSOUND_MIXER_MMXP6 ? static_cast<int>(mixer)
                                                                                   : FSOUND_MIXER_AUTODETECT;

    LRESULT frequency = send(dialog, IDC_FREQUENCY, CB_GETCURSEL);
    if (frequency >= 0 && frequency < static_cast<LRESULT>(std::size(kLaunchRates))) {
        choices.mixRate = kLaunchRates[frequency];
    }
}

}  // namespace

std::vector<std::string> soundDevices() {
    std::vector<std::string> devices;
    const int count = FSOUND_GetNumDrivers();
    for (int i = 0; i < count; ++i) {
        const char* name = FSOUND_GetDriverName(i);
        devices.push_back(name == nullptr ? "" : name);
    }
    return devices;
}

INT_PTR launcherProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        shown = reinterpret_cast<LauncherContents*>(lParam);
        initialise(dialog, *shown);
        return 0;
    }
    if (message != WM_COMMAND) return 0;
    switch (LOWORD(wParam)) {
        case IDOK:
            if (shown != nullptr) run(dialog, shown->choices);
            shown = nullptr;
            EndDialog(dialog, 1);
            return 1;
        case IDCANCEL:
            shown = nullptr;
            EndDialog(dialog, 0);
            return 1;
        case IDC_ABOUT:
            MessageBoxA(dialog, launcherAboutText, "About Peekstun", MB_OK | MB_ICONINFORMATION);
            return 0;
    }
    return 0;
}

std::optional<LaunchChoices> runLauncher(const LaunchChoices& choices) {
    LauncherContents contents{choices, soundDevices()};
    if (DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, launcherProc, reinterpret_cast<LPARAM>(&contents)) ==
        0) {
        return std::nullopt;
    }
    return contents.choices;
}
