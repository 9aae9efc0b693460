// One loaded module: its decoder, the mixing of its frames and the positions
// they carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sound/music_position_log.h"
#include "platform/sound/read_ahead_mixer.h"

namespace openmpt {
class module;
}

// Where mixed frames land in time: frame i of a mix is heard at
// firstFrameTime + i * timePerFrame, in the position log's unit.
struct MusicTimeMap {
    int64_t firstFrameTime;
    double timePerFrame;
};

class MusicSong {
public:
    // Reads and checks the module file; throws DynamicError when the file
    // cannot be read or holds no module the decoder accepts.
    explicit MusicSong(const std::string& path);
    ~MusicSong();
    MusicSong(const MusicSong&) = delete;
    MusicSong& operator=(const MusicSong&) = delete;

    // Rewinds to order 0, row 0 with a fresh decoder, mixing at `rate` Hz with
    // `interpolationTaps` (0 for the decoder's default, else 1, 2, 4 or 8).
    void restart(int rate, int interpolationTaps);
    // Mixes the next `frames` stereo frames into `samples` (interleaved) and
    // records the positions they carry, and the time the song's end is heard
    // once the decoder reaches it. Frames after the end of the song are
    // silence. Returns the number of frames that held song.
    size_t mix(int16_t* samples, size_t frames, const MusicTimeMap& time);
    // Freezes the position at the one heard at `time`; the song counts as
    // finished only if its end was heard by then.
    void stop(int64_t time);

    // The position heard at `time`, safe to ask from any thread.
    MusicPosition positionAt(int64_t time) const { return positions.at(time); }
    // True when the last frame of the song has been heard by `time`, safe to
    // ask from any thread.
    bool finishedAt(int64_t time) const { return positions.endedBy(time); }

private:
    std::unique_ptr<openmpt::module> decode() const;
    MusicPosition decoderPosition() const;

    std::vector<uint8_t> file;
    std::unique_ptr<std::ostream> silentLog;  // the decoder reports into it; nothing is shown
    mutable std::mutex mixing;                // guards everything below up to `positions`
    std::unique_ptr<openmpt::module> decoder;
    bool decoderFresh = false;  // not mixed from since it was made
    int rate = 44100;
    // The decoder runs one frame ahead of what was handed out, so that after
    // each mix it reports the position of the next frame to be heard.
    ReadAheadMixer reader;
    MusicPositionLog positions;
};
