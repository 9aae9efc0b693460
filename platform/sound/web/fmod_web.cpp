// The music layer in the browser. The song is decoded by the decoder compiled
// for the web (web/sound.js). The page's sound outputs play it live in an
// audio worklet, which reports each change of position with the audio frame
// carrying it; the position asked for is the one whose frame is being heard
// now, on the audio output's own clock. "No sound" mixes the song on the main
// thread as the page's clock advances, and the offline output as the caller
// mixes, exactly as natively, so offline positions equal the native ones.
#include <emscripten.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/display/DynamicError.h"
#include "platform/sound/fmod.h"
#include "platform/sound/mixer_taps.h"
#include "platform/sound/web/web_song.h"

struct FMUSIC_MODULE : WebSong {
    using WebSong::WebSong;
};

// clang-format off
EM_ASYNC_JS(int, webLiveOpen, (int rate), {
    return (await peekstunSound.openLive(rate)) ? 1 : 0;
});
EM_JS(void, webLivePlay, (const uint8_t* data, size_t size, int taps), {
    peekstunSound.playLive(HEAPU8.subarray(data, data + size), taps);
});
EM_JS(void, webLiveStop, (), { peekstunSound.stopLive(); });
EM_JS(void, webLiveClose, (), { peekstunSound.closeLive(); });
EM_JS(int, webLiveHeardPosition, (), { return peekstunSound.heardPosition(); });
EM_JS(int, webLiveHeardEnd, (), { return peekstunSound.heardEnd() ? 1 : 0; });
// clang-format on

namespace {

constexpr int kMinimumRate = 8000;
constexpr int kMaximumRate = 192000;
const char* const kPageOutput = "The page's sound output";
const char* const kNoSoundDevice = "No sound";

struct SoundSystem {
    int output = FSOUND_OUTPUT_DSOUND;
    int mixer = FSOUND_MIXER_AUTODETECT;
    bool initialised = false;
    int rate = 44100;
    FMUSIC_MODULE* playing = nullptr;
    int64_t offlineClock = 0;  // frames handed out offline since the song started
    double silentStart = 0;    // the page's clock in ms when the silent output started the song
    int64_t silentMixed = 0;   // frames the silent output has mixed of the song
};

SoundSystem& sound() {
    static SoundSystem system;
    return system;
}

bool isLive(int output) { return output == FSOUND_OUTPUT_WINMM || output == FSOUND_OUTPUT_DSOUND; }

// The silent output's clock in frames, and the song mixed up to it: the song
// advances in real time, heard by nobody.
int64_t silentClockNow() {
    SoundSystem& s = sound();
    const int64_t now = static_cast<int64_t>((emscripten_get_now() - s.silentStart) * s.rate / 1000.0);
    if (s.playing) {
        int16_t discarded[2 * 1024];
        while (s.silentMixed < now) {
            const size_t frames = static_cast<size_t>(std::min<int64_t>(now - s.silentMixed, 1024));
            s.playing->mix(discarded, frames, s.silentMixed);
            s.silentMixed += static_cast<int64_t>(frames);
        }
    }
    return now;
}

MusicPosition livePosition() {
    const int packed = webLiveHeardPosition();
    return {packed >> 16, packed & 0xffff};
}

// Freezes the playing song where it is heard now.
void stopPlaying() {
    SoundSystem& s = sound();
    FMUSIC_MODULE* song = s.playing;
    if (!song) return;
    if (isLive(s.output)) {
        webLiveStop();
        song->freeze(livePosition(), webLiveHeardEnd() != 0);
    } else {
        const int64_t now = s.output == FSOUND_OUTPUT_OFFLINE ? s.offlineClock : silentClockNow();
        song->freeze(song->positionAt(now), song->finishedAt(now));
    }
    s.playing = nullptr;
}

}  // namespace

int FSOUND_GetNumDrivers() { return 1; }

const char* FSOUND_GetDriverName(int driver) {
    if (driver != 0) return nullptr;
    return isLive(sound().output) ? kPageOutput : kNoSoundDevice;
}

bool FSOUND_SetOutput(int output) {
    SoundSystem& s = sound();
    if (s.initialised || output < FSOUND_OUTPUT_NOSOUND || output > FSOUND_OUTPUT_OFFLINE) return false;
    s.output = output;
    return true;
}

bool FSOUND_SetDriver(int driver) { return !sound().initialised && driver == 0; }

bool FSOUND_SetMixer(int mixer) {
    if (mixer < FSOUND_MIXER_AUTODETECT || mixer > FSOUND_MIXER_MMXP6) return false;
    sound().mixer = mixer;
    return true;
}

bool FSOUND_Init(int mixRate, int /*maxChannels*/, unsigned /*flags*/) {
    SoundSystem& s = sound();
    if (s.initialised || mixRate < kMinimumRate || mixRate > kMaximumRate) return false;
    if (isLive(s.output) && !webLiveOpen(mixRate)) return false;
    s.rate = mixRate;
    s.offlineClock = 0;
    s.initialised = true;
    return true;
}

void FSOUND_Close() {
    SoundSystem& s = sound();
    stopPlaying();
    if (s.initialised && isLive(s.output)) webLiveClose();
    s.initialised = false;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    if (!name) return nullptr;
    try {
        return new FMUSIC_MODULE(name);
    } catch (const DynamicError&) {
        return nullptr;
    }
}

bool FMUSIC_FreeSong(FMUSIC_MODULE* module) {
    if (!module) return false;
    if (sound().playing == module) stopPlaying();
    delete module;
    return true;
}

bool FMUSIC_PlaySong(FMUSIC_MODULE* module) {
    SoundSystem& s = sound();
    if (!module || !s.initialised) return false;
    stopPlaying();
    try {
        module->restart(s.rate, interpolationTaps(s.mixer));
    } catch (const DynamicError&) {
        return false;
    }
    if (isLive(s.output)) webLivePlay(module->file().data(), module->file().size(), interpolationTaps(s.mixer));
    s.offlineClock = 0;
    s.silentStart = emscripten_get_now();
    s.silentMixed = 0;
    s.playing = module;
    return true;
}

bool FMUSIC_StopSong(FMUSIC_MODULE* module) {
    if (!module) return false;
    if (sound().playing == module) stopPlaying();
    return true;
}

namespace {

MusicPosition positionOf(FMUSIC_MODULE* module) {
    SoundSystem& s = sound();
    if (module != s.playing) return module->positionAt(0);
    if (isLive(s.output)) return livePosition();
    return module->positionAt(s.output == FSOUND_OUTPUT_OFFLINE ? s.offlineClock : silentClockNow());
}

}  // namespace

int FMUSIC_GetOrder(FMUSIC_MODULE* module) { return module ? positionOf(module).order : -1; }

int FMUSIC_GetRow(FMUSIC_MODULE* module) { return module ? positionOf(module).row : -1; }

bool FMUSIC_IsFinished(FMUSIC_MODULE* module) {
    if (!module) return false;
    SoundSystem& s = sound();
    if (module != s.playing) return module->finishedAt(0);
    if (isLive(s.output)) return webLiveHeardEnd() != 0;
    return module->finishedAt(s.output == FSOUND_OUTPUT_OFFLINE ? s.offlineClock : silentClockNow());
}

size_t FSOUND_Offline_Mix(int16_t* samples, size_t frames) {
    SoundSystem& s = sound();
    if (!s.initialised || s.output != FSOUND_OUTPUT_OFFLINE) {
        throw DynamicError("offline mixing needs FSOUND_Init with the offline output");
    }
    if (frames == 0) return 0;
    if (!samples) throw DynamicError("offline mixing needs a sample buffer");
    size_t songFrames = 0;
    if (s.playing) {
        songFrames = s.playing->mix(samples, frames, s.offlineClock);
    } else {
        std::fill(samples, samples + 2 * frames, int16_t{0});
    }
    s.offlineClock += static_cast<int64_t>(frames);
    return songFrames;
}

// The page mixes within each call: the same samples and positions as mixing
// ahead in the caller's blocks.
bool FSOUND_Offline_MixAhead(int blocksPerSecond) { return blocksPerSecond >= 0; }
