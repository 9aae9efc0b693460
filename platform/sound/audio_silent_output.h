// The "no sound" output: a thread that pulls blocks at the pace a device
// would and throws them away, so the song advances in real time unheard.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound/audio_render.h"

class AudioSilentOutput {
public:
    // Starts pulling blocks of `audioBlockFrames(rate)` frames at once.
    AudioSilentOutput(int rate, AudioRender render);
    ~AudioSilentOutput();
    AudioSilentOutput(const AudioSilentOutput&) = delete;
    AudioSilentOutput& operator=(const AudioSilentOutput&) = delete;

private:
    void run();

    const int rate;
    AudioRender render;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    std::thread thread;  // last: starts once everything above exists
};
