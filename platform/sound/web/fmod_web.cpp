// The music layer in the browser: the song's timing without its sound. The
// song's rows come from the table made natively beside it (song_rows.h), so
// positions, the end and offline mixing keep exactly the native timing; every
// output plays silence, the live ones on the page's clock.
#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/sound/fmod.h"
#include "platform/sound/music_xm_check.h"
#include "platform/sound/song_rows.h"

struct FMUSIC_MODULE {
    SongRows rows;
    bool playing = false;
    int64_t stoppedAt = -1;  // the frame the song was stopped on, -1 while it plays
};

namespace {

constexpr int kMinimumRate = 8000;
constexpr int kMaximumRate = 192000;
constexpr size_t kLargestFile = size_t{256} << 20;

struct SoundSystem {
    int output = FSOUND_OUTPUT_DSOUND;
    int mixer = FSOUND_MIXER_AUTODETECT;
    bool initialised = false;
    int rate = 44100;
    std::string noSound = "No sound";
    FMUSIC_MODULE* playing = nullptr;
    double startedAt = 0;      // the page's clock in ms when the song started
    int64_t offlineClock = 0;  // frames mixed offline since the song started
};

SoundSystem& sound() {
    static SoundSystem system;
    return system;
}

std::string readFile(const std::string& path) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) throw DynamicError("cannot open " + path);
    std::string bytes;
    char block[65536];
    size_t got;
    while (bytes.size() <= kLargestFile && (got = std::fread(block, 1, sizeof block, in)) > 0) bytes.append(block, got);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) throw DynamicError("cannot read " + path);
    if (bytes.size() > kLargestFile) throw DynamicError(path + " is too large");
    return bytes;
}

// Now, in the song's frames, on the current output's clock.
int64_t songFrameNow(const FMUSIC_MODULE& song) {
    if (song.stoppedAt >= 0) return song.stoppedAt;
    if (!song.playing) return 0;
    SoundSystem& s = sound();
    if (s.output == FSOUND_OUTPUT_OFFLINE) return s.offlineClock * song.rows.rate / s.rate;
    const double seconds = (emscripten_get_now() - s.startedAt) / 1000.0;
    return static_cast<int64_t>(seconds * song.rows.rate);
}

}  // namespace

int FSOUND_GetNumDrivers() { return 1; }

const char* FSOUND_GetDriverName(int driver) { return driver == 0 ? sound().noSound.c_str() : nullptr; }

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
    s.rate = mixRate;
    s.offlineClock = 0;
    s.initialised = true;
    return true;
}

void FSOUND_Close() {
    SoundSystem& s = sound();
    if (s.playing) FMUSIC_StopSong(s.playing);
    s.initialised = false;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    if (!name) return nullptr;
    try {
        const std::string song = readFile(name);
        if (song.empty() || isTruncatedXm(reinterpret_cast<const uint8_t*>(song.data()), song.size())) {
            return nullptr;
        }
        const std::string rowsPath = std::string(name) + ".rows";
        auto module = std::make_unique<FMUSIC_MODULE>();
        module->rows = parseSongRows(readFile(rowsPath), rowsPath);
        return module.release();
    } catch (const DynamicError&) {
        return nullptr;
    }
}

bool FMUSIC_FreeSong(FMUSIC_MODULE* module) {
    if (!module) return false;
    if (sound().playing == module) sound().playing = nullptr;
    delete module;
    return true;
}

bool FMUSIC_PlaySong(FMUSIC_MODULE* module) {
    SoundSystem& s = sound();
    if (!module || !s.initialised) return false;
    if (s.playing && s.playing != module) FMUSIC_StopSong(s.playing);
    module->playing = true;
    module->stoppedAt = -1;
    s.playing = module;
    s.startedAt = emscripten_get_now();
    s.offlineClock = 0;
    return true;
}

bool FMUSIC_StopSong(FMUSIC_MODULE* module) {
    if (!module) return false;
    SoundSystem& s = sound();
    if (s.playing == module) {
        module->stoppedAt = songFrameNow(*module);
        s.playing = nullptr;
    }
    return true;
}

int FMUSIC_GetOrder(FMUSIC_MODULE* module) { return module ? module->rows.at(songFrameNow(*module)).order : -1; }

int FMUSIC_GetRow(FMUSIC_MODULE* module) { return module ? module->rows.at(songFrameNow(*module)).row : -1; }

bool FMUSIC_IsFinished(FMUSIC_MODULE* module) {
    return module && module->playing && songFrameNow(*module) >= module->rows.end;
}

size_t FSOUND_Offline_Mix(int16_t* samples, size_t frames) {
    SoundSystem& s = sound();
    if (!s.initialised || s.output != FSOUND_OUTPUT_OFFLINE) {
        throw DynamicError("offline mixing needs FSOUND_Init with the offline output");
    }
    if (frames == 0) return 0;
    if (!samples) throw DynamicError("offline mixing needs a sample buffer");
    std::fill(samples, samples + 2 * frames, int16_t{0});
    int64_t songFrames = 0;
    if (s.playing) songFrames = std::clamp<int64_t>(s.playing->rows.end - s.offlineClock, 0, frames);
    s.offlineClock += static_cast<int64_t>(frames);
    return static_cast<size_t>(songFrames);
}

// Silence needs no mixing ahead: every block size keeps the exact positions.
bool FSOUND_Offline_MixAhead(int blocksPerSecond) { return blocksPerSecond >= 0; }
