#include "platform/sound/pulse/pulse_output.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>

#include "platform/display/DynamicError.h"
#include "platform/sound/pulse/pulse_connection.h"
#include "platform/sound/pulse/pulse_stream_identity.h"
#include "platform/sound/pulse/pulse_stream_volume.h"
#include "platform/sound/sound_clock.h"

namespace {

constexpr size_t kFrameBytes = 2 * sizeof(int16_t);
// A local server answers in milliseconds; these only bound a hung one.
constexpr pa_usec_t kProbeTimeoutUs = 500 * PA_USEC_PER_MSEC;
constexpr pa_usec_t kOpenTimeoutUs = 3 * PA_USEC_PER_SEC;
constexpr pa_usec_t kReplyTimeoutUs = PA_USEC_PER_SEC;
// libpulse's own timing updates thin out to one every 1.5 s; asking this
// often keeps the steady clock and the sink's from drifting apart in between.
constexpr int64_t kTimingIntervalNs = 100000000;
// A timing report older than this means the wall clock stepped.
constexpr int64_t kMostReportAgeUs = 2000000;
// More than ten seconds of buffer is a mistake, and keeps tlength in range.
constexpr size_t kMostBufferSeconds = 10;

// The stream's frames go out from the write callback on the connection's own
// thread: the server asks for bytes when its buffer has room, and answering
// there needs no second thread, no ring buffer between the two, and no
// hand-over delay. Each output owns its loop, so a slow source delays nobody
// else.
class PulseOutput final : public SoundOutput {
public:
    PulseOutput(const char* device, int rate, size_t bufferFrames);
    ~PulseOutput() override;

    void start(SoundSource source) override;
    void stop() override;
    double frameHeardAt(int64_t steadyNs) const override;
    int64_t latency() const override { return latencyNs.load(std::memory_order_relaxed); }
    uint64_t underruns() const override { return underflows.load(std::memory_order_relaxed); }
    int64_t hold() override;
    void resume() override;
    bool setVolume(double volume, bool muted) override;
    bool readVolume(double& volume, bool& muted) const override;

private:
    // Where the stream stood at one steady time, and how fast it moves on:
    // the main thread reads it without touching the connection's lock.
    struct HeardClock {
        bool started = false;
        int64_t steadyNs = 0;
        double frame = 0;
        double framesPerNs = 0;
        int64_t written = 0;  // no later frame can be heard
        double floor = -1e300;  // nor any frame a hold dropped or passed over
        double at(int64_t ns) const {
            const double reckoned = frame + static_cast<double>(ns - steadyNs) * framesPerNs;
            return std::max(std::min(reckoned, static_cast<double>(written)), floor);
        }
    };

    static void onState(pa_stream*, void* self) { static_cast<PulseOutput*>(self)->connection.wake(); }
    static void onWrite(pa_stream*, size_t bytes, void* self) { static_cast<PulseOutput*>(self)->write(bytes); }
    static void onTiming(pa_stream*, void* self) { static_cast<PulseOutput*>(self)->measure(); }
    static void onUnderflow(pa_stream*, void* self);
    static void onStart(pa_mainloop_api* api, pa_defer_event* event, void* self);

    // On the loop's thread or with its lock held, as are the members up to
    // `lastTimingRequestNs`.
    void write(size_t bytes);
    void measure();
    void releaseStream();

    const int rate;
    PulseConnection connection;
    pa_stream* stream = nullptr;
    SoundSource source;
    bool playing = false;  // started and not stopped
    bool held = false;     // corked and flushed by hold(), writing nothing
    int64_t written = 0;
    // Our stream frame minus the server's, in frames: the server's count
    // skips the frames a hold dropped.
    int64_t serverOffset = 0;
    int64_t lastTimingRequestNs = 0;
    pa_defer_event* startEvent = nullptr;
    std::unique_ptr<PulseStreamVolume> volumeControl;  // while the stream is ready

    mutable std::mutex clockMutex;
    HeardClock clock;
    std::atomic<int64_t> latencyNs;
    std::atomic<uint64_t> underflows{0};
};

PulseOutput::PulseOutput(const char* device, int sampleRate, size_t bufferFrames)
    : rate(sampleRate), connection(kOpenTimeoutUs) {
    const pa_sample_spec spec{PA_SAMPLE_S16NE, static_cast<uint32_t>(rate), 2};
    if (rate <= 0 || !pa_sample_spec_valid(&spec))
        throw DynamicError("PulseAudio: cannot play at " + std::to_string(rate) + " Hz");
    if (bufferFrames == 0) throw DynamicError("PulseAudio: a stream needs a buffer of at least one frame");
    bufferFrames = std::min(bufferFrames, kMostBufferSeconds * static_cast<size_t>(rate));
    latencyNs = static_cast<int64_t>(bufferFrames) * 1000000000 / rate;

    const std::string sink = device ? "sink '" + std::string(device) + "'" : std::string("the default sink");
    std::string error;
    {
        PulseConnection::Lock lock(connection);
        stream = newNamedStream(connection.context(), spec);
        if (stream == nullptr) throw DynamicError(connection.failure("PulseAudio: cannot make a stream"));
        pa_stream_set_state_callback(stream, onState, this);
        pa_stream_set_write_callback(stream, onWrite, this);
        pa_stream_set_latency_update_callback(stream, onTiming, this);
        pa_stream_set_underflow_callback(stream, onUnderflow, this);

        // ADJUST_LATENCY makes tlength the whole way to the ear, the sink's
        // own buffer included, rather than only the stream's queue.
        pa_buffer_attr attr;
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(bufferFrames * kFrameBytes);
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_AUTO_TIMING_UPDATE |
                                                          PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream, device, &attr, flags, nullptr, nullptr) < 0) {
            error = connection.failure(("PulseAudio: cannot play on " + sink).c_str());
        } else if (!connection.waitUntil([this] { return pa_stream_get_state(stream) != PA_STREAM_CREATING; },
                                         kOpenTimeoutUs) ||
                   pa_stream_get_state(stream) != PA_STREAM_READY) {
            error = PA_STREAM_IS_GOOD(pa_stream_get_state(stream))
                        ? "PulseAudio: the sound server did not open a stream on " + sink
                        : connection.failure(("PulseAudio: cannot play on " + sink).c_str());
        }
        if (error.empty()) volumeControl = std::make_unique<PulseStreamVolume>(connection, stream);
        if (!error.empty()) releaseStream();
    }
    if (!error.empty()) throw DynamicError(error);
}

PulseOutput::~PulseOutput() {
    PulseConnection::Lock lock(connection);
    releaseStream();
}

void PulseOutput::releaseStream() {
    playing = false;
    volumeControl.reset();
    if (startEvent != nullptr) {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(connection.mainloop());
        api->defer_free(startEvent);
        startEvent = nullptr;
    }
    if (stream == nullptr) return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_latency_update_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    if (pa_stream_get_state(stream) == PA_STREAM_READY) pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

void PulseOutput::start(SoundSource streamSource) {
    PulseConnection::Lock lock(connection);
    if (pa_stream_get_state(stream) != PA_STREAM_READY)
        throw DynamicError(connection.failure("PulseAudio: the stream has closed"));
    source = std::move(streamSource);
    playing = true;
    // A timing report now says how much the sink holds ahead of frame 0;
    // the one that uncorking brings measures it again.
    connection.finish(pa_stream_update_timing_info(stream, nullptr, nullptr), kReplyTimeoutUs);
    {
        std::lock_guard<std::mutex> guard(clockMutex);
        clock.started = true;
    }
    // The first frames, like all others, are taken on the loop's thread.
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(connection.mainloop());
    startEvent = api->defer_new(api, onStart, this);
}

void PulseOutput::onStart(pa_mainloop_api* api, pa_defer_event* event, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    api->defer_free(event);
    output->startEvent = nullptr;
    if (!output->playing) return;
    // Fill the buffer before the server starts taking from it.
    const size_t writable = pa_stream_writable_size(output->stream);
    if (writable != static_cast<size_t>(-1)) output->write(writable);
    if (pa_operation* uncorked = pa_stream_cork(output->stream, 0, nullptr, nullptr)) pa_operation_unref(uncorked);
}

void PulseOutput::stop() {
    PulseConnection::Lock lock(connection);
    if (!playing) return;
    playing = false;
    source = nullptr;
    {
        std::lock_guard<std::mutex> guard(clockMutex);
        const int64_t now = steadyNowNs();
        clock.frame = clock.at(now);
        clock.steadyNs = now;
        clock.framesPerNs = 0;
    }
    if (pa_stream_get_state(stream) != PA_STREAM_READY) return;
    // Drop what the server holds (it rewinds the sink's buffer too), then
    // hold the stream still so that it asks for nothing more.
    pa_operation* flushed = pa_stream_flush(stream, nullptr, nullptr);
    pa_operation* corked = pa_stream_cork(stream, 1, nullptr, nullptr);
    connection.finish(flushed, kReplyTimeoutUs);
    connection.finish(corked, kReplyTimeoutUs);
}

int64_t PulseOutput::hold() {
    PulseConnection::Lock lock(connection);
    if (!playing || held) return written;
    held = true;
    int64_t unheard;
    {
        std::lock_guard<std::mutex> guard(clockMutex);
        unheard = std::min(static_cast<int64_t>(std::ceil(clock.at(steadyNowNs()))), written);
        // The next frame written is the next heard.
        clock.frame = static_cast<double>(written);
        clock.written = written;
        clock.framesPerNs = 0;
        clock.floor = static_cast<double>(written);
    }
    if (pa_stream_get_state(stream) != PA_STREAM_READY) return unheard;
    // Corked first, so that the emptied stream does not count as run dry;
    // the flush rewinds what the sink had taken ahead too.
    pa_operation* corked = pa_stream_cork(stream, 1, nullptr, nullptr);
    pa_operation* flushed = pa_stream_flush(stream, nullptr, nullptr);
    connection.finish(corked, kReplyTimeoutUs);
    connection.finish(flushed, kReplyTimeoutUs);
    return unheard;
}

void PulseOutput::resume() {
    PulseConnection::Lock lock(connection);
    if (!playing || !held) return;
    held = false;
    if (pa_stream_get_state(stream) != PA_STREAM_READY) return;
    // The flush moved the server's write index back to where it reads; the
    // next frame written goes there.
    connection.finish(pa_stream_update_timing_info(stream, nullptr, nullptr), kReplyTimeoutUs);
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (info != nullptr && !info->write_index_corrupt) {
        serverOffset = written - info->write_index / static_cast<int64_t>(kFrameBytes);
    } else if (info != nullptr && !info->read_index_corrupt) {
        serverOffset = written - info->read_index / static_cast<int64_t>(kFrameBytes);
    }
    const size_t writable = pa_stream_writable_size(stream);
    if (writable != static_cast<size_t>(-1)) write(writable);
    if (pa_operation* uncorked = pa_stream_cork(stream, 0, nullptr, nullptr)) pa_operation_unref(uncorked);
    lastTimingRequestNs = 0;  // measured again at the next write
}

bool PulseOutput::setVolume(double volume, bool muted) {
    PulseConnection::Lock lock(connection);
    if (!volumeControl) return false;
    volumeControl->set(volume, muted);
    return true;
}

bool PulseOutput::readVolume(double& volume, bool& muted) const {
    if (!volumeControl) return false;
    volumeControl->read(volume, muted);
    return true;
}

double PulseOutput::frameHeardAt(int64_t steadyNs) const {
    std::lock_guard<std::mutex> guard(clockMutex);
    if (!clock.started) return -1.0;
    return clock.at(steadyNs);
}

void PulseOutput::onUnderflow(pa_stream*, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (output->playing && !output->held) output->underflows.fetch_add(1, std::memory_order_relaxed);
}

void PulseOutput::write(size_t bytes) {
    if (!playing || held) return;
    size_t left = bytes - bytes % kFrameBytes;
    while (left > 0) {
        void* data = nullptr;
        size_t size = left;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || data == nullptr) break;
        size -= size % kFrameBytes;
        if (size == 0) {
            pa_stream_cancel_write(stream);
            break;
        }
        source(static_cast<int16_t*>(data), size / kFrameBytes);
        if (pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) break;
        written += static_cast<int64_t>(size / kFrameBytes);
        left -= size;
    }

    const int64_t now = steadyNowNs();
    if (now - lastTimingRequestNs >= kTimingIntervalNs) {
        lastTimingRequestNs = now;
        if (pa_operation* requested = pa_stream_update_timing_info(stream, nullptr, nullptr))
            pa_operation_unref(requested);
    }
    std::lock_guard<std::mutex> guard(clockMutex);
    clock.written = written;
    // The frames just handed over wait behind everything queued before them.
    const double heard = clock.frame + static_cast<double>(now - clock.steadyNs) * clock.framesPerNs;
    latencyNs = static_cast<int64_t>((static_cast<double>(written) - heard) * 1e9 / rate);
}

// The frame heard when the server made its last timing report: what it has
// passed to the sink, less what the sink still holds. libpulse's own
// pa_stream_get_time is no use here: it stops at 0 until the first frame is
// heard, and its smoothing runs on while a sink that had rendered ahead has
// not yet taken a single frame, then holds still to stay monotonic.
void PulseOutput::measure() {
    if (!playing || held) return;
    const pa_timing_info* info = pa_stream_get_timing_info(stream);
    if (info == nullptr || info->read_index_corrupt) return;
    const int64_t now = steadyNowNs();
    // The report's time is of the wall clock; its age carries it over.
    struct timeval wallNow;
    pa_gettimeofday(&wallNow);
    int64_t ageUs = (static_cast<int64_t>(wallNow.tv_sec) - info->timestamp.tv_sec) * 1000000 +
                    (static_cast<int64_t>(wallNow.tv_usec) - info->timestamp.tv_usec);
    if (ageUs < 0 || ageUs > kMostReportAgeUs) ageUs = static_cast<int64_t>(info->transport_usec);
    const double heard = static_cast<double>(std::max<int64_t>(info->read_index, 0) / kFrameBytes + serverOffset) -
                         static_cast<double>(info->sink_usec) * rate / PA_USEC_PER_SEC;

    std::lock_guard<std::mutex> guard(clockMutex);
    clock.steadyNs = now - ageUs * 1000;
    clock.frame = heard;
    // Before frame 0 the sink is still playing what it held, in real time,
    // though it takes nothing from the stream yet; after, a stream that
    // stopped playing has run dry.
    clock.framesPerNs = info->playing || heard < 0 ? rate / 1e9 : 0;
}

}  // namespace

bool pulseServerRunning() {
    try {
        PulseConnection connection(kProbeTimeoutUs);
        return true;
    } catch (const DynamicError&) {
        return false;
    }
}

namespace {

struct SinkList {
    const PulseConnection* connection;
    std::vector<std::string> names;
    bool done = false;
    bool failed = false;
};

void addSink(pa_context*, const pa_sink_info* info, int last, void* userdata) {
    auto* list = static_cast<SinkList*>(userdata);
    if (last) {
        list->done = true;
        list->failed = last < 0;
        list->connection->wake();
    } else if (info != nullptr) {
        list->names.emplace_back(info->name);
    }
}

}  // namespace

std::vector<std::string> listPulseDevices() {
    PulseConnection connection(kOpenTimeoutUs);
    PulseConnection::Lock lock(connection);
    SinkList list{&connection, {}, false, false};
    pa_operation* listed = pa_context_get_sink_info_list(connection.context(), addSink, &list);
    if (!connection.finish(listed, kOpenTimeoutUs) || !list.done || list.failed)
        throw DynamicError(connection.failure("PulseAudio: cannot list the sinks"));
    return list.names;
}

std::unique_ptr<SoundOutput> openPulseOutput(const char* device, int rate, size_t bufferFrames) {
    return std::make_unique<PulseOutput>(device, rate, bufferFrames);
}
