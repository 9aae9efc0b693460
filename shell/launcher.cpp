#include "shell/launcher.h"

#include "platform/sound/fmod.h"

LaunchSettingsType LaunchSettings;

LauncherSound launcherSound = {FSOUND_GetNumDrivers, FSOUND_GetDriverName, FSOUND_SetOutput, FSOUND_SetDriver,
                               FSOUND_SetMixer};

const char* const launcherAboutText =
    "Quillmere - Peekstun\n"
    "by Odo Finchley (code), Maren Vask (graphics), Tobiah Reel (music) and Liesl Dunmore (design)\n"
    "\n"
    "It's amazing what you can do with 3 effects and lots of good gfx";

namespace {

LRESULT send(HWND dialog, int control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(dialog, control, message, wParam, lParam);
}

void fillList(HWND dialog, int control, const char* const* items, int count) {
    send(dialog, control, CB_RESETCONTENT);
    for (int i = 0; i < count; ++i) send(dialog, control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
    send(dialog, control, CB_SETCURSEL, 0);
}

void initialise(HWND dialog) {
    send(dialog, IDC_FULLSCREEN, BM_SETCHECK, LaunchSettings.fullscreen ? BST_CHECKED : BST_UNCHECKED);

    static const char* const outputs[] = {"Direct Sound", "Windows Multimedia WaveOut", "No sound"};
    fillList(dialog, IDC_OUTPUT, outputs, 3);

    // The drivers of the library's default output: no output is chosen yet.
    send(dialog, IDC_DEVICE, CB_RESETCONTENT);
    for (int i = 0; i < launcherSound.getNumDrivers(); ++i) {
        const char* name = launcherSound.getDriverName(i);
        send(dialog, IDC_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name == nullptr ? "" : name));
    }
    send(dialog, IDC_DEVICE, CB_SETCURSEL, 0);

    static const char* const mixers[] = {"Autodetect", "Standard Blend Mode Mixer", "Pentium Optimized MMX Mixer",
                                         "PPro/P2 Optimized MMX Mixer"};
    fillList(dialog, IDC_MIXER, mixers, 4);

    static const char* const frequencies[] = {"44100 Hz", "22050 Hz", "11025 Hz", "8000 Hz"};
    fillList(dialog, IDC_FREQUENCY, frequencies, 4);

    send(dialog, IDC_OUTPUT, CB_SETCURSEL, LaunchSettings.outputChoice);
    send(dialog, IDC_MIXER, CB_SETCURSEL, LaunchSettings.mixerChoice);
    send(dialog, IDC_FREQUENCY, CB_SETCURSEL, LaunchSettings.frequencyChoice);
}

int selectedOutput(LRESULT selection) {
    switch (selection) {
        case 0:
            return FSOUND_OUTPUT_DSOUND;
        case 1:
            return FSOUND_OUTPUT_WINMM;
        default:
            return FSOUND_OUTPUT_NOSOUND;
    }
}

int selectedMixer(LRESULT selection) {
    return selection >= FSOUND_MIXER_BLENDMODE && selection <= FSOUND_MIXER_MMXP6 ? static_cast<int>(selection)
                                                                                  : FSOUND_MIXER_AUTODETECT;
}

// The choices as list positions, whether from the dialog or not.
void applyChoices(bool fullscreen, LRESULT output, LRESULT device, LRESULT mixer, LRESULT frequency) {
    // The Loop box is not read: the show never repeats.
    LaunchSettings.fullscreen = fullscreen;

    launcherSound.setOutput(selectedOutput(output));
    // The device count belongs to the output just chosen.
    if (device >= 0 && device < launcherSound.getNumDrivers()) launcherSound.setDriver(static_cast<int>(device));
    launcherSound.setMixer(selectedMixer(mixer));

    static const int rates[] = {44100, 22050, 11025, 8000};
    if (frequency >= 0 && frequency < 4) LaunchSettings.mixRate = rates[frequency];
}

void run(HWND dialog) {
    LRESULT output = send(dialog, IDC_OUTPUT, CB_GETCURSEL);
    LRESULT device = send(dialog, IDC_DEVICE, CB_GETCURSEL);
    LRESULT mixer = send(dialog, IDC_MIXER, CB_GETCURSEL);
    LRESULT frequency = send(dialog, IDC_FREQUENCY, CB_GETCURSEL);
    applyChoices(send(dialog, IDC_FULLSCREEN, BM_GETCHECK) == BST_CHECKED, output, device, mixer, frequency);
    EndDialog(dialog, 1);
}

}  // namespace

INT_PTR launcherProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        initialise(dialog);
        return 0;
    }
    if (message != WM_COMMAND) return 0;
    switch (LOWORD(wParam)) {
        case IDOK:
            run(dialog);
            return 1;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return 1;
        case IDC_ABOUT:
            MessageBoxA(dialog, launcherAboutText, "About Peekstun", MB_OK | MB_ICONINFORMATION);
            return 0;
    }
    return 0;
}

void launchWithoutDialog() {
    applyChoices(LaunchSettings.fullscreen, LaunchSettings.outputChoice, 0, LaunchSettings.mixerChoice,
                 LaunchSettings.frequencyChoice);
}
