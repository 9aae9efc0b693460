// Feeding a live output: a thread of its own mixes the sound ahead into a
// ring, and the output's thread takes frames from it without ever waiting.
// When the ring runs dry the output gets silence; the mixed frames then fall
// behind the output's stream frames by the length of that silence, and the
// mixer keeps every such gap to say which mixed frame a stream frame carries.
//
// Two counts of frames: stream frames are those the output pulled (frame 0
// the first), silence of a dry ring included; mixed frames are those `mix`
// made (frame 0 the first), each played once unless dropped by change(), or
// played again after an output dropped them unheard (replayFrom). Without a
// mixing thread (where there are no threads) each pull mixes in place.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/sound/sound_output.h"

class LiveMixer {
public:
    // Mixes `frames` interleaved stereo frames into `samples`, the first
    // being mixed frame `first`. Must not throw.
    using Mix = std::function<void(int16_t* samples, size_t frames, int64_t first)>;

    // With `mixingThread`, mixes `aheadFrames` frames at once, then keeps the
    // ring that full on a thread of its own, mixing `blockFrames` at a time.
    LiveMixer(Mix mix, size_t aheadFrames, size_t blockFrames, bool mixingThread);
    // Stops the thread, waiting for the block it is mixing.
    ~LiveMixer();
    LiveMixer(const LiveMixer&) = delete;
    LiveMixer& operator=(const LiveMixer&) = delete;

    // The output's side: the next `frames` stream frames. What the ring does
    // not hold yet is silence, and counts as running out once per gap.
    void pull(int16_t* samples, size_t frames);

    // Drops every mixed frame not pulled yet, queues `silenceFrames` of
    // silence in their place, then runs `changed(first)` while nothing is
    // being mixed: `first` is the mixed frame the next mix starts at. Used to
    // switch or stop the sound within the few frames the output holds. The
    // ring is then mixed full again before returning.
    void change(size_t silenceFrames, const std::function<void(int64_t first)>& changed);

    // The output dropped the stream frames from `unheardStream` on unheard,
    // and pulls nothing until this returns: the next frame it pulls carries
    // the mixed frame `unheardStream` carried, and the frames after it follow,
    // so that a pause or a seek loses nothing that was mixed. The ring keeps
    // as many frames already pulled as it mixes ahead; a frame older than that
    // is replayed from the oldest one kept. Without a mixing thread nothing is
    // mixed ahead, and the next pull mixes on where the last one stopped.
    void replayFrom(int64_t unheardStream);

    // The mixed frame stream frame `streamFrame` carries. A stream frame
    // within a gap carries the mixed frame played right after the gap; one
    // not pulled yet carries the frame it will carry if the ring holds out.
    double mixedFrameAt(double streamFrame) const;
    // Times the ring ran dry while the output pulled.
    uint64_t underruns() const;

private:
    // From stream frame `streamStart` until the next segment, the stream
    // carries mixed frames from `mixedStart` on, or, in a gap of silence,
    // stands still at `mixedStart`, the frame played right after it.
    struct Segment {
        int64_t streamStart;
        int64_t mixedStart;
        bool silent;
    };
    static constexpr size_t kKeptSegments = 512;

    void run();
    void mixAhead(size_t frames);  // with `mixing` held
    // With `ringLock` held.
    void startSegment(int64_t streamStart, int64_t mixedStart, bool silent);
    double mixedFrameAtLocked(double streamFrame) const;
    size_t slotOf(int64_t mixedFrame) const { return static_cast<size_t>(mixedFrame % static_cast<int64_t>(slots)); }

    Mix mix;
    const size_t capacity;  // frames the ring holds mixed ahead
    const size_t slots;     // frames the ring stores: those ahead and as many pulled
    const size_t block;
    const bool threaded;

    std::mutex mixing;             // held while mixing, and while changing what is mixed
    mutable std::mutex ringLock;   // guards everything below up to `thread`
    std::condition_variable room;  // frames were pulled, or stopping
    std::vector<int16_t> ring;
    std::vector<int16_t> scratch;  // a block being mixed, with `mixing` held
    int64_t written = 0;           // mixed frames put in the ring
    int64_t read = 0;              // mixed frames pulled from it
    int64_t pulled = 0;            // stream frames pulled
    std::deque<Segment> segments;  // the newest, oldest first; the stream starts at mixed frame 0
    uint64_t dryRuns = 0;
    bool stopping = false;
    std::thread thread;  // last: starts once everything above exists
};

// The mixed frame heard at `steadyNs` on `output`, which pulls its stream
// from `mixer`.
inline double mixedFrameHeardAt(const SoundOutput& output, const LiveMixer& mixer, int64_t steadyNs) {
    return mixer.mixedFrameAt(output.frameHeardAt(steadyNs));
}
