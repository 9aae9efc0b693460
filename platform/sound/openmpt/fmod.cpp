// The music layer's calls. All of them come from the main thread; the only
// state shared with an output's thread is the player (which song plays) and
// the songs themselves, each behind its own lock.
//
// The position reported is the one being heard, not the one being mixed: a
// live output hands each block to the song with the steady-clock time its
// first frame will be heard (the callback's time plus the device's queued
// block), the song logs every change of row with the time of the frame that
// carries it, and FMUSIC_GetOrder/GetRow look up the entry whose time has
// come; the time the song's end is heard is logged the same way for
// FMUSIC_IsFinished. Offline, the clock is the count of frames handed out;
// when mixing ahead, the song is mixed on a thread of its own with the same
// calls and times as within FSOUND_Offline_Mix, so the log holds the same
// entries, some of them for frames not handed out yet.
#include "platform/sound/fmod.h"
#include "platform/sound/mixer_taps.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/sound/audio_mix_ahead.h"
#include "platform/sound/audio_silent_output.h"
#include "platform/sound/openmpt/audio_device.h"
#include "platform/sound/openmpt/music_song.h"

struct FMUSIC_MODULE : MusicSong {
    using MusicSong::MusicSong;
};

namespace {

constexpr int kMinimumRate = 8000;
constexpr int kMaximumRate = 192000;
constexpr const char* kNoSoundDevice = "No sound";
// How far the offline output mixes ahead: a quarter of a second, and at most
// one block (up to a second) more, well within what the position log keeps.
constexpr int kAheadDivisor = 4;

// The song the output is playing, shared with the output's thread.
class Player {
public:
    void play(FMUSIC_MODULE* song) {
        std::lock_guard<std::mutex> lock(mutex);
        playing = song;
    }
    bool isPlaying(FMUSIC_MODULE* song) {
        std::lock_guard<std::mutex> lock(mutex);
        return playing == song;
    }
    // True if `song` was the one playing.
    bool stopIf(FMUSIC_MODULE* song) {
        std::lock_guard<std::mutex> lock(mutex);
        if (playing != song) return false;
        playing = nullptr;
        return true;
    }
    // The song that was playing, if any.
    FMUSIC_MODULE* stop() {
        std::lock_guard<std::mutex> lock(mutex);
        FMUSIC_MODULE* song = playing;
        playing = nullptr;
        return song;
    }
    size_t mix(int16_t* samples, size_t frames, const MusicTimeMap& time) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!playing) {
            std::fill(samples, samples + 2 * frames, int16_t{0});
            return 0;
        }
        return playing->mix(samples, frames, time);
    }

private:
    std::mutex mutex;
    FMUSIC_MODULE* playing = nullptr;
};

struct SoundSystem {
    ~SoundSystem() {
        mixAhead.reset();
        device.reset();
        silent.reset();
    }

    Player player;  // first: the outputs' threads use it until they end

    int output = FSOUND_OUTPUT_DSOUND;
    int driver = -1;  // -1: the driver's default device
    int mixer = FSOUND_MIXER_AUTODETECT;
    std::vector<std::string> deviceNames;
    bool devicesListed = false;  // deviceNames holds the current output's devices

    bool initialised = false;
    int rate = 44100;
    std::unique_ptr<AudioDevice> device;
    std::unique_ptr<AudioSilentOutput> silent;
    int64_t offlineClock = 0;                 // frames handed out offline since the song started
    int mixAheadBlocks = 0;                   // blocks a second when mixing ahead offline, 0 for not
    std::unique_ptr<AudioMixAhead> mixAhead;  // mixing the playing song ahead, offline
};

SoundSystem& sound() {
    static SoundSystem system;
    return system;
}

// The SDL audio driver behind an output, nullptr for SDL's own choice.
const char* sdlDriver(int output) { return output == FSOUND_OUTPUT_WINMM ? "alsa" : nullptr; }

bool hasDevices(int output) { return output == FSOUND_OUTPUT_WINMM || output == FSOUND_OUTPUT_DSOUND; }

// Outputs without a device list one device, "No sound", so that device 0
// is always a valid choice.
std::vector<std::string> listDevices() {
    SoundSystem& s = sound();
    if (!hasDevices(s.output)) return {kNoSoundDevice};
    if (s.device) return s.device->deviceNames();
    try {
        return AudioDevice::listDevices(sdlDriver(s.output));
    } catch (const DynamicError&) {
        return {};  // a driver that does not start has no devices
    }
}

// Now, on the clock of the current output.
int64_t outputClockNow() {
    SoundSystem& s = sound();
    return s.output == FSOUND_OUTPUT_OFFLINE ? s.offlineClock : audioClockNow();
}

size_t mixOffline(int16_t* samples, size_t frames, int64_t first) {
    return sound().player.mix(samples, frames, {first, 1.0});
}

// The frames mixed ahead and not handed out are dropped: the song changes or
// stops.
void stopMixingAhead() { sound().mixAhead.reset(); }

void renderLive(int16_t* samples, size_t frames, int64_t heardAt) {
    SoundSystem& s = sound();
    try {
        s.player.mix(samples, frames, {heardAt, 1e9 / s.rate});
    } catch (...) {
        // Nothing may leave the audio thread; a failing mix is heard as silence.
        std::fill(samples, samples + 2 * frames, int16_t{0});
    }
}

}  // namespace

int FSOUND_GetNumDrivers() {
    SoundSystem& s = sound();
    // Starting an audio driver to list its devices takes time, and callers ask
    // before every item they add: list once per output, or live from the open
    // device.
    if (!s.devicesListed || s.device) {
        s.deviceNames = listDevices();
        s.devicesListed = true;
    }
    return static_cast<int>(s.deviceNames.size());
}

const char* FSOUND_GetDriverName(int driver) {
    SoundSystem& s = sound();
    if (driver < 0 || static_cast<size_t>(driver) >= s.deviceNames.size()) return nullptr;
    return s.deviceNames[driver].c_str();
}

bool FSOUND_SetOutput(int output) {
    SoundSystem& s = sound();
    if (s.initialised || output < FSOUND_OUTPUT_NOSOUND || output > FSOUND_OUTPUT_OFFLINE) return false;
    if (output != s.output) {
        s.output = output;
        s.driver = -1;
        s.deviceNames.clear();
        s.devicesListed = false;
    }
    return true;
}

bool FSOUND_SetDriver(int driver) {
    SoundSystem& s = sound();
    if (s.initialised || driver < 0 || driver >= FSOUND_GetNumDrivers()) return false;
    s.driver = driver;
    return true;
}

bool FSOUND_SetMixer(int mixer) {
    if (mixer < FSOUND_MIXER_AUTODETECT || mixer > FSOUND_MIXER_MMXP6) return false;
    sound().mixer = mixer;
    return true;
}

bool FSOUND_Init(int mixRate, int /*maxChannels*/, unsigned /*flags*/) {
    SoundSystem& s = sound();
    if (s.initialised || mixRate < kMinimumRate || mixRate > kMaximumRate) return false;
    s.rate = mixRate;
    s.offlineClock = 0;
    try {
        if (hasDevices(s.output)) {
            std::string deviceName;
            if (s.driver >= 0 && static_cast<size_t>(s.driver) < s.deviceNames.size()) {
                deviceName = s.deviceNames[s.driver];
            }
            s.device = std::make_unique<AudioDevice>(
                sdlDriver(s.output), deviceName.empty() ? nullptr : deviceName.c_str(), mixRate, renderLive);
        } else if (s.output == FSOUND_OUTPUT_NOSOUND) {
            s.silent = std::make_unique<AudioSilentOutput>(mixRate, renderLive);
        }
    } catch (const DynamicError&) {
        return false;
    }
    s.initialised = true;
    return true;
}

void FSOUND_Close() {
    SoundSystem& s = sound();
    // The output's thread ends first, so no song is mixed past this point.
    stopMixingAhead();
    s.device.reset();
    s.silent.reset();
    if (FMUSIC_MODULE* song = s.player.stop()) song->stop(outputClockNow());
    s.initialised = false;
    s.devicesListed = false;  // devices may come and go before the next session
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    if (!name) return nullptr;
    try {
        return new FMUSIC_MODULE(name);
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool FMUSIC_FreeSong(FMUSIC_MODULE* module) {
    if (!module) return false;
    SoundSystem& s = sound();
    if (s.player.isPlaying(module)) stopMixingAhead();
    s.player.stopIf(module);
    delete module;
    return true;
}

bool FMUSIC_PlaySong(FMUSIC_MODULE* module) {
    SoundSystem& s = sound();
    if (!module || !s.initialised) return false;
    stopMixingAhead();
    s.player.play(nullptr);
    try {
        module->restart(s.rate, interpolationTaps(s.mixer));
    } catch (const std::exception&) {
        return false;
    }
    s.offlineClock = 0;
    s.player.play(module);
    if (s.output == FSOUND_OUTPUT_OFFLINE && s.mixAheadBlocks > 0) {
        s.mixAhead = std::make_unique<AudioMixAhead>(mixOffline, s.rate, s.mixAheadBlocks,
                                                     static_cast<size_t>(s.rate / kAheadDivisor));
    }
    return true;
}

bool FMUSIC_StopSong(FMUSIC_MODULE* module) {
    if (!module) return false;
    SoundSystem& s = sound();
    if (s.player.isPlaying(module)) stopMixingAhead();
    if (s.player.stopIf(module)) module->stop(outputClockNow());
    return true;
}

int FMUSIC_GetOrder(FMUSIC_MODULE* module) { return module ? module->positionAt(outputClockNow()).order : -1; }

int FMUSIC_GetRow(FMUSIC_MODULE* module) { return module ? module->positionAt(outputClockNow()).row : -1; }

bool FMUSIC_IsFinished(FMUSIC_MODULE* module) { return module && module->finishedAt(outputClockNow()); }

bool FSOUND_Offline_MixAhead(int blocksPerSecond) {
    if (blocksPerSecond < 0) return false;
    sound().mixAheadBlocks = blocksPerSecond;
    return true;
}

size_t FSOUND_Offline_Mix(int16_t* samples, size_t frames) {
    SoundSystem& s = sound();
    if (!s.initialised || s.output != FSOUND_OUTPUT_OFFLINE) {
        throw DynamicError("offline mixing needs FSOUND_Init with the offline output");
    }
    if (frames == 0) return 0;
    if (!samples) throw DynamicError("offline mixing needs a sample buffer");
    size_t songFrames = s.mixAhead ? s.mixAhead->take(samples, frames) : mixOffline(samples, frames, s.offlineClock);
    s.offlineClock += static_cast<int64_t>(frames);
    return songFrames;
}
