// The music layer's calls, for every build alike. All of them come from the
// main thread; the one open output pulls its frames on its own thread.
//
// The position reported is the one heard, not the one mixed. Every song logs
// its changes of position by the frame that carries them, on the layer's
// clock of frames: for a live output the mixed frames of its LiveMixer, for
// the offline one the frames handed out. A time becomes a frame through the
// output (SoundOutput::frameHeardAt: which stream frame is heard then) and
// the live mixer (which mixed frame that stream frame carries, past any
// silence of a dry ring). Offline, the frame is the count handed out
// whatever the time. The page's worklet decodes and logs on its own and
// answers for the time itself.
//
// Live outputs take their frames from a ring mixed a quarter of a second
// ahead on a thread of the layer, so a loaded machine leaves them short of
// nothing, while a device itself holds about 50 ms: the position is the one
// heard, so the ring's length costs the picture nothing. Changing or stopping
// the song drops what the ring holds, and closing drops what the device
// holds. Where there are no threads (the page), the silent output mixes as it
// pulls.
//
// A pause holds the live output (it drops what the device queued and pulls
// nothing) and has the live mixer replay the mixed frames that were dropped
// unheard, so the song goes on from the frame heard at the pause. A seek
// holds the output the same way, drops the ring and has the song mix on
// from its new frame. Offline, frames handed out while paused are silence
// and do not count on the layer's clock.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/sound/audio_mix_ahead.h"
#include "platform/sound/fmod.h"
#include "platform/sound/live_mixer.h"
#include "platform/sound/mixer_taps.h"
#include "platform/sound/offline_output.h"
#include "platform/sound/silent_output.h"
#include "platform/sound/software_gain.h"
#include "platform/sound/sound_backends.h"
#include "platform/sound/sound_clock.h"
#include "platform/sound/sound_song.h"

struct FMUSIC_MODULE : SoundSong {
    using SoundSong::SoundSong;
};

namespace {

constexpr int kMinimumRate = 8000;
constexpr int kMaximumRate = 192000;
constexpr const char* kNoSoundDevice = "No sound";
// Live outputs, in fractions of a second: mixed half a second ahead, 10 ms
// at a time; the device holds 200 ms, so a busy machine that keeps the
// device's thread waiting does not starve it (the heard position comes from
// the device, so the depth costs the picture nothing, and stopping drops
// it); a new or stopped song starts after 20 ms of silence, which covers the
// mixing thread's wake-up.
constexpr int kLiveAheadDivisor = 2;
constexpr int kLiveBlockDivisor = 100;
constexpr int kDeviceBufferDivisor = 5;
constexpr int kChangeSilenceDivisor = 50;
// How far the offline output mixes ahead: a quarter of a second, and at most
// one block (up to a second) more, well within what the position log keeps.
constexpr int kOfflineAheadDivisor = 4;

struct SoundSystem {
    // At exit: the threads end before what they use goes.
    ~SoundSystem() {
        mixAhead.reset();
        if (sink) sink->stop();
        live.reset();
        sink.reset();
    }
    void close();

    int output = FSOUND_OUTPUT_DSOUND;
    int driver = -1;  // -1: the output's default device
    int mixer = FSOUND_MIXER_AUTODETECT;
    std::vector<std::string> deviceNames;
    bool devicesListed = false;  // deviceNames holds the current output's devices
    int mixAheadBlocks = 0;      // blocks a second when mixing ahead offline, 0 for not

    bool initialised = false;
    int rate = 44100;
    std::unique_ptr<SoundOutput> sink;        // the open output
    OfflineOutput* offline = nullptr;         // the sink, when it is the offline output
    std::unique_ptr<LiveMixer> live;          // feeding the sink, when it is a live output
    std::unique_ptr<AudioMixAhead> mixAhead;  // mixing the playing song ahead, offline
    // The song being played. The mixing thread reads it; it changes only
    // while nothing is mixed (LiveMixer::change, or with no mixAhead).
    FMUSIC_MODULE* playing = nullptr;
    bool sinkDecodes = false;   // the sink plays `playing` from its file itself
    bool paused = false;        // `playing` is paused
    int64_t offlinePaused = 0;  // frames handed out offline while paused
    int64_t songStart = 0;      // the frame of the layer's clock the playing song starts at
    size_t offlineHeld = 0;     // frames of song in the last frames handed out offline
    uint64_t underruns = 0;     // of the last session, once closed
    double volume = 1;          // as last set or read from the output's own control
    bool muted = false;
    // What the layer scales the frames by on their way to a live output
    // without a volume of its own; read on the output's thread.
    std::atomic<float> gain{1.0f};
};

SoundSystem& sound() {
    static SoundSystem system;
    return system;
}

bool hasDevices(int output) { return output == FSOUND_OUTPUT_WINMM || output == FSOUND_OUTPUT_DSOUND; }

// Outputs without a device list one device, "No sound", so that device 0
// is always a valid choice.
std::vector<std::string> listDevices(int output) {
    if (!hasDevices(output)) return {kNoSoundDevice};
    try {
        return listOutputDevices(output);
    } catch (const DynamicError&) {
        return {};  // a backend that does not start has no devices
    }
}

// A device output: one with a volume, its own or the layer's gain.
bool hasVolume() {
    SoundSystem& s = sound();
    return !s.initialised || (s.live && hasDevices(s.output));
}

// Hands the volume to the output's own control, or else makes it the gain.
void applyVolume() {
    SoundSystem& s = sound();
    if (!s.initialised || !hasVolume()) return;
    if (s.sink->setVolume(s.volume, s.muted)) {
        s.gain = 1.0f;
        return;
    }
    s.gain = softwareGain(s.volume, s.muted);
}

// Frames leaving for a device output without a volume of its own.
void scaleFrames(int16_t* samples, size_t frames) {
    const float gain = sound().gain.load(std::memory_order_relaxed);
    if (gain == 1.0f) return;
    for (size_t i = 0; i < 2 * frames; ++i) samples[i] = static_cast<int16_t>(std::lrint(samples[i] * gain));
}

size_t changeSilence() { return static_cast<size_t>(sound().rate / kChangeSilenceDivisor); }

// The frame of the layer's clock heard at `steadyNs`.
int64_t songFrameAt(int64_t steadyNs) {
    SoundSystem& s = sound();
    if (!s.live) return s.offline->handedOut() - s.offlinePaused;
    return static_cast<int64_t>(std::floor(mixedFrameHeardAt(*s.sink, *s.live, steadyNs)));
}

// Holds a live output still where it is heard; the frames it dropped unheard
// are mixed frames the live mixer plays again.
void holdLive() {
    SoundSystem& s = sound();
    s.live->replayFrom(s.sink->hold());
}

// Ends a pause of the playing song, which is about to change or stop.
void endPause() {
    SoundSystem& s = sound();
    if (!s.paused) return;
    s.paused = false;
    if (s.live) s.sink->resume();
}

void fillSilence(int16_t* samples, size_t frames) { std::fill(samples, samples + 2 * frames, int16_t{0}); }

// On the live mixer's thread, with nothing changing `playing`.
void mixLive(int16_t* samples, size_t frames, int64_t first) {
    SoundSystem& s = sound();
    if (!s.playing) return fillSilence(samples, frames);
    // Frames before the song's start are silence.
    if (first < s.songStart) {
        const size_t lead = static_cast<size_t>(std::min<int64_t>(s.songStart - first, static_cast<int64_t>(frames)));
        fillSilence(samples, lead);
        samples += 2 * lead;
        frames -= lead;
        first += static_cast<int64_t>(lead);
        if (frames == 0) return;
    }
    try {
        s.playing->mix(samples, frames, first);
    } catch (...) {
        // Nothing may leave the mixing thread; a failing mix is heard as silence.
        fillSilence(samples, frames);
    }
}

size_t mixOffline(int16_t* samples, size_t frames, int64_t first) {
    SoundSystem& s = sound();
    if (!s.playing) {
        fillSilence(samples, frames);
        return 0;
    }
    return s.playing->mix(samples, frames, first);
}

// The frames mixed ahead offline and not handed out are dropped: the song
// changes or stops.
void stopMixingAhead() { sound().mixAhead.reset(); }

// Offline, when asked to: mixes the playing song ahead from its frame
// `songFrame` on, in the blocks of a caller that started taking them at the
// song's start. A frame between two blocks' ends is mixed within each call
// instead, which gives the same samples and positions.
void startMixingAhead(int64_t songFrame) {
    SoundSystem& s = sound();
    if (!s.offline || s.mixAheadBlocks <= 0 || !s.playing) return;
    const int64_t blocks = s.mixAheadBlocks;
    const int64_t block = (songFrame * blocks + s.rate - 1) / s.rate;  // the first block ending after songFrame
    if (block * s.rate / blocks != songFrame) return;
    const int64_t start = s.songStart;
    s.mixAhead = std::make_unique<AudioMixAhead>(
        [start](int16_t* samples, size_t frames, int64_t first) { return mixOffline(samples, frames, start + first); },
        s.rate, s.mixAheadBlocks, static_cast<size_t>(s.rate / kOfflineAheadDivisor), block);
}

// Runs `change` while nothing mixes, with the frame of the layer's clock the
// next mix starts at. A live output's ring is dropped for it.
template <class Change>
void changeSong(Change change) {
    SoundSystem& s = sound();
    if (s.live) {
        s.live->change(changeSilence(), change);
    } else {
        stopMixingAhead();
        change(songFrameAt(0));
    }
}

// Seeking on a live output whose frames the layer mixes. Held, the output
// pulls nothing while the ring is mixed again from the song's frame `frame`:
// nothing from before the seek is heard after it, and the heard position is
// the new one from the call on.
bool seekLive(int64_t frame) {
    SoundSystem& s = sound();
    FMUSIC_MODULE* song = s.playing;
    // Measured first, so that the output is held for no longer than the seek.
    song->rowTable(s.rate);
    if (!s.paused) holdLive();
    try {
        s.live->change(0, [&](int64_t first) {
            song->seekTo(frame);
            s.songStart = first - frame;
        });
    } catch (...) {
        if (!s.paused) s.sink->resume();  // the song plays on where it was
        throw;
    }
    if (!s.paused) s.sink->resume();
    return true;
}

// Freezes the playing song where it is heard now, and silences it.
void stopPlaying() {
    SoundSystem& s = sound();
    FMUSIC_MODULE* song = s.playing;
    if (!song) return;
    const int64_t now = steadyNowNs();
    if (s.sinkDecodes) {
        const SoundOutput::SongHeard heard = s.sink->songHeardAt(now);
        s.sink->stopSong();
        song->freeze({heard.order, heard.row}, heard.finished);
        s.playing = nullptr;
        s.sinkDecodes = false;
        s.paused = false;
        return;
    }
    const int64_t heard = songFrameAt(now);
    changeSong([&](int64_t) {
        song->stop(heard);
        s.playing = nullptr;
    });
    endPause();
}

void SoundSystem::close() {
    if (!initialised) return;
    stopPlaying();
    stopMixingAhead();
    sink->stop();  // no frame is pulled past this point
    offlinePaused = 0;
    underruns = (live ? live->underruns() : 0) + sink->underruns();
    live.reset();
    sink.reset();
    offline = nullptr;
    initialised = false;
    devicesListed = false;  // devices may come and go before the next session
}

// The position and end heard at `steadyNs`.
MusicPosition heardAt(FMUSIC_MODULE* module, int64_t steadyNs, bool* finished) {
    SoundSystem& s = sound();
    if (module != s.playing) {
        // Frozen where it stopped, or never played.
        *finished = module->finishedAt(0);
        return module->positionAt(0);
    }
    if (s.sinkDecodes) {
        const SoundOutput::SongHeard heard = s.sink->songHeardAt(steadyNs);
        *finished = heard.finished;
        return {heard.order, heard.row};
    }
    const int64_t frame = songFrameAt(steadyNs);
    *finished = module->finishedAt(frame);
    return module->positionAt(frame);
}

}  // namespace

int FSOUND_GetNumDrivers() {
    SoundSystem& s = sound();
    // Starting a backend to list its devices takes time, and callers ask
    // before every item they add: list once per output. While an output is
    // open its backend is busy playing, and the list stays as it was.
    if (!s.devicesListed && !s.initialised) {
        s.deviceNames = listDevices(s.output);
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
    s.underruns = 0;
    try {
        if (s.output == FSOUND_OUTPUT_OFFLINE) {
            auto offline = std::make_unique<OfflineOutput>();
            s.offline = offline.get();
            s.sink = std::move(offline);
            s.sink->start([](int16_t* samples, size_t frames) {
                SoundSystem& s = sound();
                if (s.paused) {
                    fillSilence(samples, frames);
                    s.offlineHeld = 0;
                    s.offlinePaused += static_cast<int64_t>(frames);
                    return;
                }
                s.offlineHeld =
                    s.mixAhead ? s.mixAhead->take(samples, frames) : mixOffline(samples, frames, songFrameAt(0));
            });
        } else {
            if (hasDevices(s.output)) {
                std::string deviceName;
                if (s.driver >= 0 && static_cast<size_t>(s.driver) < s.deviceNames.size()) {
                    deviceName = s.deviceNames[s.driver];
                }
                s.sink = openDeviceOutput(s.output, deviceName.empty() ? nullptr : deviceName.c_str(), mixRate,
                                          static_cast<size_t>(mixRate / kDeviceBufferDivisor));
            } else {
                s.sink = std::make_unique<SilentOutput>(mixRate, soundHasThreads());
            }
            s.live = std::make_unique<LiveMixer>(mixLive, static_cast<size_t>(mixRate / kLiveAheadDivisor),
                                                 static_cast<size_t>(mixRate / kLiveBlockDivisor), soundHasThreads());
            LiveMixer* feed = s.live.get();
            s.sink->start([feed](int16_t* samples, size_t frames) {
                feed->pull(samples, frames);
                scaleFrames(samples, frames);
            });
        }
    } catch (const DynamicError&) {
        s.live.reset();
        s.sink.reset();
        s.offline = nullptr;
        return false;
    }
    s.initialised = true;
    // A sound server may restore the volume it kept for the stream: that one
    // is the stream's, and the layer's from now on.
    double restored = 1;
    bool restoredMute = false;
    if (hasVolume() && s.sink->readVolume(restored, restoredMute)) {
        s.volume = restored;
        s.muted = restoredMute;
    }
    applyVolume();
    return true;
}

void FSOUND_Close() { sound().close(); }

unsigned long FSOUND_GetUnderruns() {
    SoundSystem& s = sound();
    if (!s.initialised) return static_cast<unsigned long>(s.underruns);
    return static_cast<unsigned long>((s.live ? s.live->underruns() : 0) + s.sink->underruns());
}

bool FSOUND_SetVolume(double volume) {
    SoundSystem& s = sound();
    if (!hasVolume() || !std::isfinite(volume)) return false;
    // Reaching for a figure the desktop raised past full volume is allowed;
    // the show's own steps stop at full.
    s.volume = std::clamp(volume, 0.0, std::max(1.0, FSOUND_GetVolume()));
    applyVolume();
    return true;
}

double FSOUND_GetVolume() {
    SoundSystem& s = sound();
    if (!hasVolume()) return -1;
    if (s.initialised) s.sink->readVolume(s.volume, s.muted);
    return s.volume;
}

bool FSOUND_SetMute(bool muted) {
    SoundSystem& s = sound();
    if (!hasVolume()) return false;
    s.muted = muted;
    applyVolume();
    return true;
}

bool FSOUND_GetMute() {
    SoundSystem& s = sound();
    if (!hasVolume()) return false;
    if (s.initialised) s.sink->readVolume(s.volume, s.muted);
    return s.muted;
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
    if (sound().playing == module) stopPlaying();
    delete module;
    return true;
}

bool FMUSIC_PlaySong(FMUSIC_MODULE* module) {
    SoundSystem& s = sound();
    if (!module || !s.initialised) return false;
    stopPlaying();
    // Nothing mixes `module` now: it is restarted in peace.
    const int taps = interpolationTaps(s.mixer);
    try {
        module->restart(s.rate, taps);
    } catch (const std::exception&) {
        return false;
    }
    if (s.sink->playSong(module->file(), taps)) {
        s.sinkDecodes = true;
        s.playing = module;
        return true;
    }
    // A silent output's thread may be late, and have pulled less than is
    // "heard" by now: the song then starts at the frame heard, not in the past.
    const int64_t heard = s.offline ? 0 : songFrameAt(steadyNowNs()) + 1;
    changeSong([&](int64_t first) {
        s.playing = module;
        s.songStart = std::max(first, heard);
    });
    startMixingAhead(0);
    return true;
}

bool FMUSIC_StopSong(FMUSIC_MODULE* module) {
    if (!module) return false;
    if (sound().playing == module) stopPlaying();
    return true;
}

bool FMUSIC_SetPaused(FMUSIC_MODULE* module, bool paused) {
    SoundSystem& s = sound();
    if (!module || module != s.playing) return false;
    if (paused == s.paused) return true;
    if (s.sinkDecodes) {
        s.sink->pauseSong(paused);
    } else if (s.live) {
        if (paused) {
            s.live->replayFrom(s.sink->pause());
        } else {
            s.sink->resume();
        }
    }
    // Offline, the frames handed out while paused are silence (see
    // FSOUND_Init); frames mixed ahead wait for the resume.
    s.paused = paused;
    return true;
}

bool FMUSIC_GetPaused(FMUSIC_MODULE* module) { return module && module == sound().playing && sound().paused; }

int64_t FMUSIC_GetRowStartFrame(FMUSIC_MODULE* module, int order, int row) {
    if (!module) return -1;
    return module->rowTable(sound().rate).startFrame(order, row);
}

int64_t FMUSIC_GetLengthFrames(FMUSIC_MODULE* module) {
    if (!module) return -1;
    return module->rowTable(sound().rate).length();
}

const SongRowTable& FMUSIC_GetRowTable(FMUSIC_MODULE* module) {
    static const SongRowTable none;
    return module ? module->rowTable(sound().rate) : none;
}

bool FMUSIC_SetPositionFrame(FMUSIC_MODULE* module, int64_t frame) {
    SoundSystem& s = sound();
    if (!module || module != s.playing || frame < 0) return false;
    if (s.sinkDecodes) {
        // The page's worklet seeks by row; the table says which.
        const SongRowTable& rows = module->rowTable(s.rate);
        if (frame >= rows.length()) {
            s.sink->seekSong(-1, -1, 0);
        } else {
            const MusicPosition target = rows.rowAt(frame);
            s.sink->seekSong(target.order, target.row, frame - rows.startFrame(target.order, target.row));
        }
        return true;
    }
    if (s.live) return seekLive(frame);
    // Offline: the song's frame `frame` is the next one handed out.
    stopMixingAhead();
    const int64_t next = songFrameAt(0);
    module->seekTo(frame);
    s.songStart = next - frame;
    startMixingAhead(frame);
    return true;
}

bool FMUSIC_GetPositionAt(FMUSIC_MODULE* module, int64_t steadyNs, int* order, int* row, bool* finished) {
    if (!module) return false;
    bool ended = false;
    const MusicPosition position = heardAt(module, steadyNs, &ended);
    if (order) *order = position.order;
    if (row) *row = position.row;
    if (finished) *finished = ended;
    return true;
}

int FMUSIC_GetOrder(FMUSIC_MODULE* module) {
    int order = -1;
    FMUSIC_GetPositionAt(module, steadyNowNs(), &order, nullptr, nullptr);
    return order;
}

int FMUSIC_GetRow(FMUSIC_MODULE* module) {
    int row = -1;
    FMUSIC_GetPositionAt(module, steadyNowNs(), nullptr, &row, nullptr);
    return row;
}

bool FMUSIC_IsFinished(FMUSIC_MODULE* module) {
    bool finished = false;
    FMUSIC_GetPositionAt(module, steadyNowNs(), nullptr, nullptr, &finished);
    return finished;
}

bool FSOUND_Offline_MixAhead(int blocksPerSecond) {
    if (blocksPerSecond < 0) return false;
    // Where there are no threads, mixing within each call gives the same
    // samples and positions.
    sound().mixAheadBlocks = soundHasThreads() ? blocksPerSecond : 0;
    return true;
}

size_t FSOUND_Offline_Mix(int16_t* samples, size_t frames) {
    SoundSystem& s = sound();
    if (!s.initialised || !s.offline) {
        throw DynamicError("offline mixing needs FSOUND_Init with the offline output");
    }
    if (frames == 0) return 0;
    if (!samples) throw DynamicError("offline mixing needs a sample buffer");
    s.offline->handOut(samples, frames);
    return s.offlineHeld;
}
