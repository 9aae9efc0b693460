#include "shell/show.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "effects/showRandom.h"
#include "platform/dialog/windows.h"
#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicTimer.h"
#include "platform/display/ptc.h"
#include "platform/sound/fmod.h"
#include "shell/assets.h"
#include "shell/desktop_controls.h"
#include "shell/player.h"
#include "shell/sync.h"
#include "shell/timeline.h"
#include "show/identity.h"

namespace {

const std::string kWindowTitle = std::string(show::kMaker) + " - " + show::kAppName;
const char* const kSongFile = "data/music/peekstun.xm";

// Closes the sound and frees the module on every way out, so a failed start
// leaves no device open and nothing behind.
class SoundSession {
public:
    ~SoundSession() {
        close();
        if (song) FMUSIC_FreeSong(song);
    }
    void close() {
        if (open) FSOUND_Close();
        open = false;
    }
    FMUSIC_MODULE* song = nullptr;

private:
    bool open = true;
};

void openSound(const LaunchChoices& choices) {
    if (!FSOUND_SetOutput(choices.output)) throw DynamicError("SOUND: Unable to choose the output");
    // A device the chosen output does not list (the dialog lists those of the
    // default output) leaves the output's own default device.
    FSOUND_SetDriver(choices.driver);
    if (!FSOUND_SetMixer(choices.mixer)) throw DynamicError("SOUND: Unable to choose the mixer");
    if (!FSOUND_Init(choices.mixRate, 32)) throw DynamicError("SOUND: Unable to init");
}

const char* outputOption(const ShowConfig& config) {
    if (config.offscreen) return "offscreen output";
    return config.choices.fullscreen ? "fullscreen output" : "windowed output";
}

}  // namespace

bool runShow(const ShowConfig& config) {
    // Offscreen runs have nobody to click a message box away: errors go to standard error only.
    if (config.offscreen) ptc_error_set_message_box(0);
    try {
        SoundSession sound;
        openSound(config.choices);
        sound.song = FMUSIC_LoadSong(kSongFile);
        if (!sound.song) throw DynamicError("SOUND: Can't load file");

        DynamicFormat frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0);
        DynamicArea srcArea(0, 0, 320, 240);
        DynamicArea dstArea(0, 0, 320, 240);
        DynamicConsole console;
        console.option("DirectX");
        console.option(outputOption(config));
        console.open(kWindowTitle.c_str(), 320, 240, frameFormat, 0);
        if (!config.choices.fullscreen && !config.offscreen) {
            SetWindowPos(console.window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }

        const auto loadingStarted = std::chrono::steady_clock::now();
        // Every run draws the same sequence, the second in a process too.
        showRandReset();
        ShowAssets assets(console, frameFormat);
        if (config.observer) {
            config.observer->assetsLoaded(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - loadingStarted).count());
        }
        DynamicTimer timer;
        if (config.fixedFrameTime > 0) timer.setFixedStep(config.fixedFrameTime);

        PlayingSongPosition playing(sound.song);
        SongPosition& position = config.songPosition ? *config.songPosition : playing;
        Timeline timeline(assets, console, timer, position, srcArea, dstArea, config.observer);
        Player player(timeline, console, timer, position, config.observer);
        if (config.fixedFrameTime > 0) player.setReplayRate(static_cast<int>(std::lround(1.0 / config.fixedFrameTime)));
        player.startAt(config.choices.startSeconds, config.choices.startScene);
        {
            // In the desktop's media controls while the show plays, and
            // gone from them before the shutdown.
            std::optional<DesktopControls> desktop;
            if (!config.offscreen) desktop.emplace();
            player.run();
        }

        FMUSIC_StopSong(sound.song);
        sound.close();
        if (unsigned long underruns = FSOUND_GetUnderruns()) {
            std::fprintf(stderr, "peekstun: the sound ran out %lu times\n", underruns);
        }
        assets.deletePictures();
        console.close();
        return true;
    } catch (const DynamicError& error) {
        error.report();
        return false;
    }
}
