// One loaded song: its file, its decoder, the mixing of its frames and the
// positions they carry, logged by the frame of the layer's clock each is
// heard at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sound/music_position_log.h"
#include "platform/sound/read_ahead_mixer.h"
#include "platform/sound/song_decoder.h"
#include "platform/sound/song_row_table.h"

class SoundSong {
public:
    // Reads and checks the module file and makes its decoder; throws
    // DynamicError when the file cannot be read or holds no module the
    // decoder accepts.
    explicit SoundSong(const std::string& path);
    SoundSong(const SoundSong&) = delete;
    SoundSong& operator=(const SoundSong&) = delete;

    const std::vector<uint8_t>& file() const { return bytes; }

    // Rewinds to order 0, row 0 with a fresh decoder, mixing at `rate` Hz with
    // `interpolationTaps` (0 for the decoder's default).
    void restart(int rate, int interpolationTaps);
    // Mixes the next `frames` stereo frames into `samples` (interleaved), the
    // first of them being frame `firstFrame` of the layer's clock, and logs
    // the positions they carry and the frame the song's end is heard at.
    // Frames after the end are silence. Returns the frames that held song.
    size_t mix(int16_t* samples, size_t frames, int64_t firstFrame);
    // Freezes the position at the one heard at `frame`; the song counts as
    // finished only if its end was heard by then.
    void stop(int64_t frame);
    // Freezes the position at `position`, finished or not.
    void freeze(MusicPosition position, bool finished);

    // Goes on from frame `songFrame` of the song (at the rate of the last
    // restart) as though it had played from its start to there: the decoder
    // is put at the row holding that frame and reads on to it, and what was
    // read ahead and logged before is dropped, the position holding from then
    // on being the one of `songFrame`. A frame past the end ends the song. Call
    // it while nothing mixes the song.
    void seekTo(int64_t songFrame);
    // Where each row starts when the song plays from its start, in frames at
    // `rate` Hz: measured on the caller's thread at the first call for a
    // rate (about a tenth of a second), kept until another rate is asked.
    const SongRowTable& rowTable(int rate);

    // The position heard at `frame`, safe to ask from any thread.
    MusicPosition positionAt(int64_t frame) const { return positions.at(frame); }
    // True when the song's last frame was heard before `frame`.
    bool finishedAt(int64_t frame) const { return positions.endedBy(frame); }

private:
    std::vector<uint8_t> bytes;
    std::mutex mixing;  // guards the decoder, the rate and the reader
    std::unique_ptr<SongDecoder> decoder;
    bool decoderFresh = false;  // not mixed from since it was made
    int rate = 44100;
    // The decoder runs one frame ahead of what was handed out, so that after
    // each mix it reports the position of the next frame to be heard.
    ReadAheadMixer reader;
    MusicPositionLog positions;

    std::mutex measuring;  // guards the table; never held while waiting for `mixing`
    SongRowTable table;
    int tableRate = 0;  // the rate the table was measured at, 0 for none
};
