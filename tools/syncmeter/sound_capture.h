// The meter's ears: what a PulseAudio source (the null sink's monitor) gives,
// with the monotonic time at which each part of it was played into the sink,
// and a calibration stream that plays clicks whose time of being heard the
// server reports.
#pragma once

#include <sys/time.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_mainloop_api;
struct pa_time_event;

// Mono samples and, from the server's timing reports, when some of them were
// heard: the report's time less the recording latency the server reports,
// which for a sink's monitor is negative by as much as the sink has mixed
// ahead of what it plays.
struct Recording {
    int rate = 0;
    std::vector<float> samples;
    struct Mark {
        int64_t frame;
        int64_t playedNs;
    };
    std::vector<Mark> marks;
};

class MonitorRecorder {
public:
    // `source` empty: the server's default monitor. Throws std::runtime_error.
    MonitorRecorder(const std::string& source, int rate);
    ~MonitorRecorder();
    void start();
    Recording stop();

private:
    static void onRead(pa_stream* stream, size_t bytes, void* self);
    void markTiming(pa_stream* stream);
    static void onTick(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when, void* self);
    void waitUntilReady(bool stream);
    std::string source;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    Recording recording;
    struct timeval lastReport {};
    pa_time_event* tick = nullptr;
    bool timingAsked = false;
    bool heldBackKnown = false;
    int64_t heldBackUs = 0;
};

// Plays silence with `clicks` short noise bursts `spacingNs` apart into the
// default sink, from a stream that asks for `latencyMs` of buffer; `onClick` learns when each will be heard (the moment
// it is handed over plus the latency the server reports for the stream).
void playClicks(int rate, int latencyMs, int clicks, int64_t spacingNs,
                const std::function<void(int64_t heardNs)>& onClick);
