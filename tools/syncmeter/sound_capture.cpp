#include "sound_capture.h"

#include <pulse/error.h>
#include <pulse/pulseaudio.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "clock.h"

namespace {

constexpr int kChannels = 2;
constexpr pa_usec_t kTimingIntervalUs = 5000;

pa_sample_spec stereo16(int rate) {
    pa_sample_spec spec;
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = static_cast<uint32_t>(rate);
    spec.channels = kChannels;
    return spec;
}

uint32_t bytesOf(int rate, int milliseconds) {
    return static_cast<uint32_t>(rate * milliseconds / 1000 * kChannels * 2);
}

std::runtime_error pulseError(const char* what, int error) {
    return std::runtime_error(std::string(what) + ": " + pa_strerror(error));
}

}  // namespace

MonitorRecorder::MonitorRecorder(const std::string& source, int rate) : source(source) {
    recording.rate = rate;
    loop = pa_threaded_mainloop_new();
    context = pa_context_new(pa_threaded_mainloop_get_api(loop), "peekstun-sync-meter");
    pa_context_set_state_callback(
        context,
        [](pa_context*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); },
        loop);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0 || pa_threaded_mainloop_start(loop) < 0) {
        std::string reason = pa_strerror(pa_context_errno(context));
        pa_context_unref(context);
        pa_threaded_mainloop_free(loop);
        throw std::runtime_error("Cannot reach the sound server: " + reason);
    }
    pa_threaded_mainloop_lock(loop);
    try {
        waitUntilReady(false);
    } catch (...) {
        pa_threaded_mainloop_unlock(loop);
        pa_threaded_mainloop_stop(loop);
        pa_context_unref(context);
        pa_threaded_mainloop_free(loop);
        throw;
    }
    pa_threaded_mainloop_unlock(loop);
}

// Called with the loop locked.
void MonitorRecorder::waitUntilReady(bool forStream) {
    for (;;) {
        if (forStream) {
            pa_stream_state_t state = pa_stream_get_state(stream);
            if (state == PA_STREAM_READY) return;
            if (!PA_STREAM_IS_GOOD(state))
                throw std::runtime_error(std::string("Cannot record the sound server's monitor: ") +
                                         pa_strerror(pa_context_errno(context)));
        } else {
            pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) return;
            if (!PA_CONTEXT_IS_GOOD(state))
                throw std::runtime_error(std::string("Cannot reach the sound server: ") +
                                         pa_strerror(pa_context_errno(context)));
        }
        pa_threaded_mainloop_wait(loop);
    }
}

MonitorRecorder::~MonitorRecorder() {
    pa_threaded_mainloop_stop(loop);
    if (tick) pa_threaded_mainloop_get_api(loop)->time_free(tick);
    if (stream) {
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_threaded_mainloop_free(loop);
}

void MonitorRecorder::start() {
    pa_sample_spec spec = stereo16(recording.rate);
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(-1);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    // Small pieces, but no latency asked of the source: a monitor's wish
    // would become the sink's, and change how the show's own stream is played.
    attributes.fragsize = bytesOf(recording.rate, 2);
    pa_threaded_mainloop_lock(loop);
    stream = pa_stream_new(context, "monitor", &spec, nullptr);
    pa_stream_set_state_callback(
        stream,
        [](pa_stream*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }, loop);
    pa_stream_set_read_callback(stream, onRead, this);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_NOFLAGS);
    try {
        if (pa_stream_connect_record(stream, source.empty() ? "@DEFAULT_MONITOR@" : source.c_str(), &attributes,
                                     flags) < 0)
            throw std::runtime_error(std::string("Cannot record the sound server's monitor: ") +
                                     pa_strerror(pa_context_errno(context)));
        waitUntilReady(true);
        tick = pa_context_rttime_new(context, pa_rtclock_now() + kTimingIntervalUs, onTick, this);
    } catch (...) {
        pa_threaded_mainloop_unlock(loop);
        throw;
    }
    pa_threaded_mainloop_unlock(loop);
}

// On the loop's thread: takes what has arrived, then places it in time.
void MonitorRecorder::onRead(pa_stream* stream, size_t, void* self) {
    Recording& recording = static_cast<MonitorRecorder*>(self)->recording;
    const size_t frameBytes = kChannels * sizeof(int16_t);
    while (pa_stream_readable_size(stream) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) break;
        const size_t frames = bytes / frameBytes;
        if (data) {
            const auto* samples = static_cast<const int16_t*>(data);
            for (size_t i = 0; i < frames; ++i)
                recording.samples.push_back((samples[2 * i] + samples[2 * i + 1]) * (0.5f / 32768.0f));
        } else {
            recording.samples.insert(recording.samples.end(), frames, 0.0f);  // a hole: nothing was played
        }
        pa_stream_drop(stream);
    }
}

// Each fresh timing report places one frame in time: the newest frame the
// monitor has taken was rendered by the sink at the report's moment, and is
// heard when the sink has played what it mixed ahead (the report's sink
// latency; the source's own is zero for a monitor, and taken off anyway).
// The server's write index of the record queue lags that frame by what the
// stream holds back in case the sink rewinds (as much as the sink has mixed
// ahead, when it rewinds at all), which the report leaves out; the source
// output's own latency, asked beside each report, tells it. Taken from the
// reports rather than interpolated to each read: libpulse's smoothing of a
// monitor's latency strays by hundreds of milliseconds on a sink that
// rewinds, and a report held between reads would stray by its age.
void MonitorRecorder::markTiming(pa_stream* stream) {
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (info != nullptr && !info->write_index_corrupt && heldBackKnown &&
        (info->timestamp.tv_sec != lastReport.tv_sec || info->timestamp.tv_usec != lastReport.tv_usec)) {
        lastReport = info->timestamp;
        struct timeval wallNow;
        pa_gettimeofday(&wallNow);
        const int64_t ageNs = (static_cast<int64_t>(wallNow.tv_sec - info->timestamp.tv_sec) * 1000000 +
                               (wallNow.tv_usec - info->timestamp.tv_usec)) *
                              1000;
        const int64_t reportNs = monotonicNs() - ageNs;
        const int64_t latencyNs =
            (static_cast<int64_t>(info->source_usec) - static_cast<int64_t>(info->sink_usec)) * 1000;
        const int64_t frameBytes = kChannels * sizeof(int16_t);
        // The output's buffer latency is the held-back part plus the record
        // queue not yet sent, which the report counts itself (PipeWire's
        // service holds nothing back, and its indices may cross).
        const int64_t queuedNs = (info->write_index - info->read_index) / frameBytes * 1000000000 / recording.rate;
        const int64_t heldBackNs = std::max<int64_t>(0, heldBackUs * 1000 - std::max<int64_t>(queuedNs, 0));
        const int64_t frame = info->write_index / frameBytes;
        if (ageNs >= 0 && ageNs < 1000000000) recording.marks.push_back({frame, reportNs - latencyNs - heldBackNs});
    }
}

// Every few milliseconds, one report at a time, each with the output's
// latency asked just before it: reports, not reads, place the frames, and a
// sink that mixes far ahead hands the monitor its frames only now and then.
void MonitorRecorder::onTick(pa_mainloop_api*, pa_time_event* event, const struct timeval*, void* self) {
    auto* recorder = static_cast<MonitorRecorder*>(self);
    pa_context_rttime_restart(recorder->context, event, pa_rtclock_now() + kTimingIntervalUs);
    if (recorder->timingAsked || recorder->stream == nullptr) return;
    pa_operation* held = pa_context_get_source_output_info(
        recorder->context, pa_stream_get_index(recorder->stream),
        [](pa_context*, const pa_source_output_info* output, int, void* self) {
            auto* recorder = static_cast<MonitorRecorder*>(self);
            if (output == nullptr) return;
            recorder->heldBackUs = static_cast<int64_t>(output->buffer_usec);
            recorder->heldBackKnown = true;
        },
        recorder);
    pa_operation* asked = pa_stream_update_timing_info(
        recorder->stream,
        [](pa_stream* stream, int success, void* self) {
            auto* recorder = static_cast<MonitorRecorder*>(self);
            recorder->timingAsked = false;
            if (success) recorder->markTiming(stream);
        },
        recorder);
    if (held) pa_operation_unref(held);
    if (asked) {
        recorder->timingAsked = true;
        pa_operation_unref(asked);
    }
}

Recording MonitorRecorder::stop() {
    pa_threaded_mainloop_lock(loop);
    if (tick) {
        pa_threaded_mainloop_get_api(loop)->time_free(tick);
        tick = nullptr;
    }
    if (stream) {
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
    }
    pa_threaded_mainloop_unlock(loop);
    return std::move(recording);
}

void playClicks(int rate, int latencyMs, int clicks, int64_t spacingNs,
                const std::function<void(int64_t heardNs)>& onClick) {
    pa_sample_spec spec = stereo16(rate);
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = bytesOf(rate, latencyMs);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = bytesOf(rate, 5);
    attributes.fragsize = static_cast<uint32_t>(-1);
    int error = 0;
    pa_simple* stream = pa_simple_new(nullptr, "peekstun-sync-meter", PA_STREAM_PLAYBACK, nullptr, "clicks", &spec,
                                      nullptr, &attributes, &error);
    if (!stream) throw pulseError("Cannot play into the sound server", error);

    const size_t chunk = static_cast<size_t>(rate) * 5 / 1000;  // 5 ms
    std::vector<int16_t> silence(chunk * kChannels, 0);
    // A burst of noise a chunk long: a sharp onset on every band.
    std::vector<int16_t> click(chunk * kChannels);
    uint32_t seed = 12345;
    for (size_t i = 0; i < chunk; ++i) {
        seed = seed * 1664525u + 1013904223u;
        int16_t value = static_cast<int16_t>(static_cast<int32_t>(seed >> 16) - 32768) / 2;
        click[2 * i] = click[2 * i + 1] = value;
    }
    const int64_t chunkNs = 5000000;
    const int64_t lead = 40;  // chunks of silence before the first click
    const int64_t every = std::max<int64_t>(1, spacingNs / chunkNs);
    const int64_t total = lead + every * clicks + lead;
    for (int64_t n = 0; n < total; ++n) {
        bool isClick = n >= lead && (n - lead) % every == 0 && (n - lead) / every < clicks;
        if (isClick) {
            pa_usec_t latency = pa_simple_get_latency(stream, &error);
            if (latency != static_cast<pa_usec_t>(-1)) onClick(monotonicNs() + static_cast<int64_t>(latency) * 1000);
        }
        const std::vector<int16_t>& data = isClick ? click : silence;
        if (pa_simple_write(stream, data.data(), data.size() * sizeof(int16_t), &error) < 0) {
            pa_simple_free(stream);
            throw pulseError("Playing the clicks failed", error);
        }
    }
    pa_simple_drain(stream, &error);
    pa_simple_free(stream);
}
