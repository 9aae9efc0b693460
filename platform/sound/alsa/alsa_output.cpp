#include "platform/sound/alsa/alsa_output.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/display/DynamicError.h"
#include "platform/sound/heard_frame_cache.h"
#include "platform/sound/sound_clock.h"

namespace {

const int channels = 2;
const unsigned int periodsWanted = 4;
// The longest the writer waits for room before looking whether it is asked
// to stop: bounds how long stop() takes.
const int waitMs = 10;

void check(int result, const std::string& what) {
    if (result < 0) throw DynamicError(what + ": " + snd_strerror(result));
}

class AlsaOutput : public SoundOutput {
public:
    AlsaOutput(const char* device, int rate, size_t bufferFrames);
    ~AlsaOutput() override;
    AlsaOutput(const AlsaOutput&) = delete;
    AlsaOutput& operator=(const AlsaOutput&) = delete;

    void start(SoundSource source) override;
    void stop() override;
    double frameHeardAt(int64_t steadyNs) const override { return timing.frameAt(steadyNs); }
    int64_t latency() const override { return timing.latency(); }
    uint64_t underruns() const override { return underrunCount.load(std::memory_order_relaxed); }
    int64_t hold() override;
    int64_t pause() override;
    void resume() override;

private:
    // Sets `device` up for 16-bit stereo at `rate` with about `bufferFrames`;
    // the sizes it takes go to `periodFrames` and `bufferFrames`.
    void configure(snd_pcm_t* device, int rate, size_t bufferFrames);
    // The device opened again and set up as the open one is, or nullptr.
    snd_pcm_t* openAgain();
    void run();
    // On the writer: drops what the device holds and waits to be resumed.
    // False when the device does not open again.
    bool holdStill(size_t& pending);
    // On the writer, for a pause: the device paused with what it holds;
    // false where it cannot pause now.
    bool pauseStill(size_t pending);
    // On the writer: tells hold() the first frame not heard, and waits for
    // resume() or stop().
    void waitHeld(int64_t unheard);
    bool recover(int error);
    void reportPosition();

    const std::string name;
    snd_pcm_t* pcm = nullptr;
    snd_pcm_status_t* status = nullptr;
    int rate = 0;
    snd_pcm_uframes_t periodFrames = 0;
    snd_pcm_uframes_t bufferFrames = 0;
    // Whether the device's status times are on the steady clock.
    bool monotonicStamps = false;
    bool canPause = false;
    bool reopenOnHold = false;
    HeardFrameCache timing;

    SoundSource source;
    int64_t written = 0;         // frames the device has taken; writer thread only
    int64_t clockHeldUntil = 0;  // no report before `written` passes it; writer thread only
    std::atomic<bool> stopping{false};
    // A hold asked of the writer, and its answer: the first frame not heard.
    std::mutex holdLock;
    std::condition_variable holdChanged;
    bool holdWanted = false;
    bool keepWanted = false;  // the hold is a pause: keep what the device holds
    bool holding = false;
    bool writing = false;  // the writer runs
    int64_t unheardAtHold = 0;
    std::atomic<uint64_t> underrunCount{0};
    std::thread writer;
};

AlsaOutput::AlsaOutput(const char* device, int wantedRate, size_t wantedBuffer)
    : name(device ? device : "default"),
      timing(wantedRate, static_cast<int64_t>(wantedBuffer) * 1000000000 / (wantedRate > 0 ? wantedRate : 1)) {
    if (wantedRate <= 0 || wantedBuffer == 0) throw DynamicError("ALSA output: rate and buffer must be positive");
    // Non-blocking: the writer waits with a time limit, so it can be stopped.
    check(snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK),
          "ALSA device \"" + name + "\" does not open");
    try {
        check(snd_pcm_status_malloc(&status), "ALSA status");
        configure(pcm, wantedRate, wantedBuffer);
        // A plugin (ALSA's pulse plugin among them) closes its stream when
        // its frames are dropped and opens a new one; a sound server left
        // for that moment without a stream may mix far ahead, and the new
        // one is then heard only after that. Such a device is opened again
        // for a hold, beside the old, which is closed once the new one is
        // there. A card is dropped and played again at once.
        reopenOnHold = snd_pcm_type(pcm) == SND_PCM_TYPE_IOPLUG;
    } catch (...) {
        if (status) snd_pcm_status_free(status);
        snd_pcm_close(pcm);
        throw;
    }
}

snd_pcm_t* AlsaOutput::openAgain() {
    snd_pcm_t* device = nullptr;
    if (snd_pcm_open(&device, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return nullptr;
    const snd_pcm_uframes_t period = periodFrames, buffer = bufferFrames;
    try {
        configure(device, rate, buffer);
    } catch (const DynamicError&) {
        snd_pcm_close(device);
        return nullptr;
    }
    if (periodFrames != period || bufferFrames != buffer) {
        periodFrames = period;
        bufferFrames = buffer;
        snd_pcm_close(device);
        return nullptr;
    }
    return device;
}

void AlsaOutput::configure(snd_pcm_t* device, int wantedRate, size_t wantedBuffer) {
    const std::string where = "ALSA device \"" + name + "\"";
    snd_pcm_hw_params_t* hw;
    snd_pcm_hw_params_alloca(&hw);
    check(snd_pcm_hw_params_any(device, hw), where + " has no playback setup");
    check(snd_pcm_hw_params_set_access(device, hw, SND_PCM_ACCESS_RW_INTERLEAVED),
          where + " takes no interleaved frames");
    check(snd_pcm_hw_params_set_format(device, hw, SND_PCM_FORMAT_S16), where + " takes no 16-bit samples");
    check(snd_pcm_hw_params_set_channels(device, hw, channels), where + " plays no stereo");
    unsigned int actualRate = static_cast<unsigned int>(wantedRate);
    check(snd_pcm_hw_params_set_rate_near(device, hw, &actualRate, nullptr), where + " takes no rate");
    if (actualRate != static_cast<unsigned int>(wantedRate)) {
        throw DynamicError(where + " does not play at " + std::to_string(wantedRate) + " Hz (nearest " +
                           std::to_string(actualRate) + " Hz)");
    }
    rate = wantedRate;
    bufferFrames = wantedBuffer;
    check(snd_pcm_hw_params_set_buffer_size_near(device, hw, &bufferFrames), where + " takes no buffer size");
    unsigned int periods = periodsWanted;
    int direction = 0;
    check(snd_pcm_hw_params_set_periods_near(device, hw, &periods, &direction), where + " takes no period count");
    check(snd_pcm_hw_params(device, hw), where + " refuses 16-bit stereo at " + std::to_string(rate) + " Hz");
    check(snd_pcm_hw_params_get_buffer_size(hw, &bufferFrames), where + " buffer size");
    check(snd_pcm_hw_params_get_period_size(hw, &periodFrames, &direction), where + " period size");
    canPause = snd_pcm_hw_params_can_pause(hw) != 0;

    snd_pcm_sw_params_t* sw;
    snd_pcm_sw_params_alloca(&sw);
    check(snd_pcm_sw_params_current(device, sw), where + " software setup");
    // Playback begins once the buffer is full, so it does not run dry at once.
    check(snd_pcm_sw_params_set_start_threshold(device, sw, bufferFrames), where + " start threshold");
    check(snd_pcm_sw_params_set_avail_min(device, sw, periodFrames), where + " wake-up size");
    check(snd_pcm_sw_params_set_tstamp_mode(device, sw, SND_PCM_TSTAMP_ENABLE), where + " time stamps");
    // Status times on the steady clock where the device can; elsewhere the
    // writer stamps each status itself.
    monotonicStamps = snd_pcm_sw_params_set_tstamp_type(device, sw, SND_PCM_TSTAMP_TYPE_MONOTONIC) >= 0;
    check(snd_pcm_sw_params(device, sw), where + " refuses its software setup");
    timing.reportLatency(static_cast<int64_t>(bufferFrames) * 1000000000 / rate);
}

AlsaOutput::~AlsaOutput() {
    stop();
    snd_pcm_status_free(status);
    if (pcm) snd_pcm_close(pcm);
}

void AlsaOutput::start(SoundSource from) {
    if (writer.joinable() || stopping) return;
    source = std::move(from);
    {
        std::lock_guard<std::mutex> lock(holdLock);
        writing = true;
    }
    writer = std::thread(&AlsaOutput::run, this);
}

void AlsaOutput::stop() {
    {
        std::lock_guard<std::mutex> lock(holdLock);
        stopping = true;
    }
    holdChanged.notify_all();
    if (writer.joinable()) writer.join();
}

int64_t AlsaOutput::pause() {
    {
        std::lock_guard<std::mutex> lock(holdLock);
        if (!writing || holdWanted) return unheardAtHold;
        keepWanted = true;
    }
    return hold();
}

int64_t AlsaOutput::hold() {
    std::unique_lock<std::mutex> lock(holdLock);
    if (!writing || holdWanted) return unheardAtHold;
    holdWanted = true;
    // The writer looks at least every waitMs.
    holdChanged.wait(lock, [this] { return holding || !writing; });
    if (!holding) unheardAtHold = static_cast<int64_t>(std::ceil(std::max(timing.frameAt(steadyNowNs()), 0.0)));
    return unheardAtHold;
}

void AlsaOutput::resume() {
    {
        std::lock_guard<std::mutex> lock(holdLock);
        holdWanted = false;
        keepWanted = false;
    }
    holdChanged.notify_all();
}

bool AlsaOutput::pauseStill(size_t pending) {
    if (!canPause || snd_pcm_state(pcm) != SND_PCM_STATE_RUNNING || snd_pcm_pause(pcm, 1) < 0) return false;
    // The clock stands still where it is heard; every frame pulled is still
    // to be heard.
    const int64_t now = steadyNowNs();
    const double heard = std::min(timing.frameAt(now), static_cast<double>(written));
    timing.report(now, heard, heard, false);
    waitHeld(written + static_cast<int64_t>(pending));
    if (snd_pcm_pause(pcm, 0) < 0) {
        // Where it does not play on, it starts again from its next frame.
        snd_pcm_drop(pcm);
        snd_pcm_prepare(pcm);
    }
    return true;
}

bool AlsaOutput::holdStill(size_t& pending) {
    // What the clock has told as heard counts as heard, whether the device
    // was playing yet or not.
    const int64_t unheard =
        std::min(static_cast<int64_t>(std::ceil(std::max(timing.frameAt(steadyNowNs()), 0.0))), written);
    snd_pcm_t* next = nullptr;
    if (reopenOnHold) {
        // Still, with its stream kept, until the new one is open.
        if (canPause && snd_pcm_state(pcm) == SND_PCM_STATE_RUNNING) snd_pcm_pause(pcm, 1);
        next = openAgain();
    }
    snd_pcm_drop(pcm);
    if (next != nullptr) {
        snd_pcm_close(pcm);
        pcm = next;
    }
    // Frames pulled and not yet taken by the device are dropped too: the
    // next frame pulled is the next heard.
    written += static_cast<int64_t>(pending);
    pending = 0;
    timing.report(steadyNowNs(), static_cast<double>(written), static_cast<double>(written), false);
    // A device opened again is prepared already; preparing a plugin's again
    // would open its stream once more.
    const int prepared = next != nullptr ? 0 : snd_pcm_prepare(pcm);
    if (prepared < 0) {
        std::fprintf(stderr, "ALSA device \"%s\" does not play again: %s\n", name.c_str(), snd_strerror(prepared));
        return false;
    }
    // Until the device has taken more than its buffer after the resume, it
    // has not played a frame yet, whatever delay a plugin reports.
    clockHeldUntil = written + static_cast<int64_t>(bufferFrames);
    waitHeld(unheard);
    return true;
}

void AlsaOutput::waitHeld(int64_t unheard) {
    std::unique_lock<std::mutex> lock(holdLock);
    unheardAtHold = unheard;
    holding = true;
    holdChanged.notify_all();
    holdChanged.wait(lock, [this] { return !holdWanted || stopping.load(std::memory_order_relaxed); });
    holding = false;
}

// Puts the device back in order after it ran dry (counted) or was suspended;
// false when it cannot be.
bool AlsaOutput::recover(int error) {
    if (error == -EAGAIN) return true;
    if (error == -EPIPE) underrunCount.fetch_add(1, std::memory_order_relaxed);
    const int result = snd_pcm_recover(pcm, error, 1);
    if (result < 0) {
        std::fprintf(stderr, "ALSA device \"%s\" stopped playing: %s\n", name.c_str(), snd_strerror(result));
        return false;
    }
    return true;
}

// frames written minus the device's delay is the frame heard at the moment
// of the status.
void AlsaOutput::reportPosition() {
    if (written <= clockHeldUntil) return;
    if (snd_pcm_status(pcm, status) < 0) return;
    const snd_pcm_state_t state = snd_pcm_status_get_state(status);
    const int64_t now = steadyNowNs();
    if (state != SND_PCM_STATE_RUNNING) return;
    const snd_pcm_sframes_t delay = snd_pcm_status_get_delay(status);
    int64_t at = now;
    if (monotonicStamps) {
        snd_htimestamp_t stamp;
        snd_pcm_status_get_htstamp(status, &stamp);
        const int64_t stampNs = static_cast<int64_t>(stamp.tv_sec) * 1000000000 + stamp.tv_nsec;
        // A plugin may leave the stamp unset; only a recent one is taken.
        if (stampNs > now - 1000000000 && stampNs <= now) at = stampNs;
    }
    timing.report(at, static_cast<double>(written - delay), static_cast<double>(written), true);
    timing.reportLatency(static_cast<int64_t>(delay) * 1000000000 / rate);
}

void AlsaOutput::run() {
    std::vector<int16_t> block(periodFrames * channels);
    size_t pending = 0;  // frames of `block` pulled but not yet taken
    size_t offset = 0;
    int64_t takenUnplayed = 0;  // frames taken since the device last played
    while (!stopping.load(std::memory_order_relaxed)) {
        bool holdAsked, keep;
        {
            std::lock_guard<std::mutex> lock(holdLock);
            holdAsked = holdWanted;
            keep = keepWanted;
        }
        if (holdAsked) {
            if (keep && pauseStill(pending)) continue;
            if (!holdStill(pending)) break;
            takenUnplayed = 0;
            continue;
        }
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm);
        if (avail < 0) {
            if (!recover(static_cast<int>(avail))) break;
            continue;
        }
        if (static_cast<snd_pcm_uframes_t>(avail) < periodFrames && pending == 0) {
            // A buffer that is not a whole number of periods can stop short
            // of the start threshold.
            if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm);
            const int waited = snd_pcm_wait(pcm, waitMs);
            if (waited < 0 && !recover(waited)) break;
            reportPosition();
            continue;
        }
        if (pending == 0) {
            source(block.data(), periodFrames);
            pending = periodFrames;
            offset = 0;
        }
        const snd_pcm_sframes_t taken = snd_pcm_writei(pcm, block.data() + offset * channels, pending);
        if (taken < 0) {
            if (taken == -EAGAIN) {
                snd_pcm_wait(pcm, waitMs);
            } else if (!recover(static_cast<int>(taken))) {
                break;
            }
            continue;
        }
        pending -= static_cast<size_t>(taken);
        offset += static_cast<size_t>(taken);
        written += taken;
        reportPosition();
        // A device that keeps taking frames without ever playing them (ALSA's
        // "null") has no clock to follow.
        takenUnplayed = snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED ? takenUnplayed + taken : 0;
        if (takenUnplayed > 2 * static_cast<int64_t>(bufferFrames)) {
            std::fprintf(stderr, "ALSA device \"%s\" takes frames without playing them\n", name.c_str());
            break;
        }
    }
    // Asked to stop, the position holds where it is; on a device that failed
    // (said on standard error) it goes on at the rate, unheard, so the show
    // does not freeze.
    const int64_t now = steadyNowNs();
    const bool failed = !stopping.load(std::memory_order_relaxed);
    const double heard = failed ? std::max(timing.frameAt(now), 0.0) : timing.frameAt(now);
    timing.report(now, heard, failed ? HUGE_VAL : heard, failed);
    if (pcm) snd_pcm_drop(pcm);
    {
        std::lock_guard<std::mutex> lock(holdLock);
        writing = false;
    }
    holdChanged.notify_all();
}

}  // namespace

std::vector<std::string> listAlsaDevices() {
    void** hints = nullptr;
    check(snd_device_name_hint(-1, "pcm", &hints), "ALSA lists no devices");
    std::vector<std::string> names;
    bool hasDefault = false;
    for (void** hint = hints; *hint; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* direction = snd_device_name_get_hint(*hint, "IOID");
        // No direction means both. "null" plays nothing and keeps no time.
        if (name && (!direction || std::strcmp(direction, "Output") == 0) && std::strcmp(name, "null") != 0) {
            if (std::strcmp(name, "default") == 0) {
                hasDefault = true;
            } else {
                names.emplace_back(name);
            }
        }
        std::free(name);
        std::free(direction);
    }
    snd_device_name_free_hint(hints);
    if (names.empty() && !hasDefault) throw DynamicError("ALSA has no playback devices");
    names.insert(names.begin(), "default");
    return names;
}

std::unique_ptr<SoundOutput> openAlsaOutput(const char* device, int rate, size_t bufferFrames) {
    return std::make_unique<AlsaOutput>(device, rate, bufferFrames);
}
