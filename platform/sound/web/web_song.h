// One loaded song in the browser: its file, a decoder on the page's main
// thread (the decoder compiled for the web, see web/sound.js) and the
// positions its frames carry. It mixes exactly as the native song does: one
// frame read ahead, the position read every 32 frames, so offline runs see
// the same rows at the same frames as natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound/music_position_log.h"
#include "platform/sound/read_ahead_mixer.h"

class WebSong {
public:
    // Reads and checks the module file and makes its decoder (loading the
    // decoder itself on first use); throws DynamicError when the file cannot
    // be read or holds no module the decoder accepts.
    explicit WebSong(const std::string& path);
    ~WebSong();
    WebSong(const WebSong&) = delete;
    WebSong& operator=(const WebSong&) = delete;

    const std::vector<uint8_t>& file() const { return bytes; }

    // Rewinds to order 0, row 0 with a fresh decoder, mixing at `rate` Hz with
    // `interpolationTaps` (0 for the decoder's default).
    void restart(int rate, int interpolationTaps);
    // Mixes the next `frames` stereo frames into `samples` (interleaved), the
    // first of them heard at frame `firstFrame` of the output's clock, and
    // records the positions they carry and the end once the decoder reaches
    // it. Frames after the end are silence. Returns the frames that held song.
    size_t mix(int16_t* samples, size_t frames, int64_t firstFrame);
    // Freezes the position at `position`; the song counts as finished only if
    // `finished`.
    void freeze(MusicPosition position, bool finished);

    MusicPosition positionAt(int64_t frame) const { return positions.at(frame); }
    bool finishedAt(int64_t frame) const { return positions.endedBy(frame); }

private:
    int makeDecoder() const;
    MusicPosition decoderPosition() const;

    std::vector<uint8_t> bytes;
    int decoder = 0;  // the page's handle for it
    bool decoderFresh = false;
    int rate = 44100;
    ReadAheadMixer reader;
    MusicPositionLog positions;
};
