#include "shell/offline_show.h"

#include <cstdlib>

#include "platform/sound/fmod.h"
#include "shell/show.h"

OfflineShow::OfflineShow(int fps) : fps_(fps) {}

bool OfflineShow::run() {
    frames = 0;
    samplesMixed = 0;
    // The song is mixed on a second thread in the very blocks the frames take
    // below, so its samples and positions are those of mixing in turn. Later
    // users of the offline output mix within their own calls again, however
    // the show ends. PEEKSTUN_NO_MIX_THREAD mixes within each frame instead,
    // for emulators under which two threads handing work to each other stall
    // (qemu-user does with the aarch64 build).
    const char* noThread = std::getenv("PEEKSTUN_NO_MIX_THREAD");
    struct MixingAhead {
        explicit MixingAhead(int blocks) { FSOUND_Offline_MixAhead(blocks); }
        ~MixingAhead() { FSOUND_Offline_MixAhead(0); }
    } mixingAhead(noThread && *noThread ? 0 : fps_);
    ShowConfig config;
    config.offscreen = true;
    config.choices.output = FSOUND_OUTPUT_OFFLINE;
    config.choices.mixRate = kSampleRate;
    config.fixedFrameTime = 1.0 / fps_;
    config.observer = this;
    if (startFrame > 0) config.choices.startSeconds = static_cast<double>(startFrame) / fps_;
    return runShow(config);
}

void OfflineShow::showSought(int64_t frame) {
    frames = static_cast<long>(frame);
    samplesMixed = frame * kSampleRate / fps_;
    frameSought(frames);
}

// The sound of frame n ends at sample floor((n + 1) x rate / fps), so any
// frame rate gives the song's exact length in samples.
void OfflineShow::framePresented(DynamicSurface& frame, const FrameInfo& info) {
    int64_t end = (frames + 1) * static_cast<int64_t>(kSampleRate) / fps_;
    size_t count = static_cast<size_t>(end - samplesMixed);
    sound.resize(count * 2);
    FSOUND_Offline_Mix(sound.data(), count);
    samplesMixed = end;
    frameRendered(frame, info, sound.data(), count);
    ++frames;
}
