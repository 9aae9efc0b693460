// What the music layer asks of a place its sound goes: take the stream's
// frames, and say when each of them is heard. A sound server, an ALSA device,
// SDL's audio, the silent output, the offline mixer and the page's worklet
// each implement it; the layer above keeps everything they share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Fills `samples` with the next `frames` interleaved 16-bit stereo frames of
// the stream. Called on the output's own thread (or, for outputs without one,
// on the caller's); must not throw and must not wait long.
using SoundSource = std::function<void(int16_t* samples, size_t frames)>;

// Opened by its constructor, which throws DynamicError with the library's own
// reason when the device does not open; closed by its destructor.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Begins playing the stream from `source`; the first frame it pulls is
    // stream frame 0. Called once.
    virtual void start(SoundSource source) = 0;
    // Silences the output at once: what it has queued is dropped, not played
    // out, and `source` is not called again.
    virtual void stop() = 0;

    // The stream frame being heard at `steadyNs` (nanoseconds of
    // std::chrono::steady_clock), from what the device itself reports. Before
    // the first frame is heard it is negative; a time in the near future gives
    // the frame that will be heard then.
    virtual double frameHeardAt(int64_t steadyNs) const = 0;
    // How long a frame handed over now takes to be heard, in nanoseconds.
    virtual int64_t latency() const = 0;
    // Times the device ran out of frames to play since start; a hold is not
    // one.
    virtual uint64_t underruns() const { return 0; }

    // Pausing and seeking. hold() stops the stream where it is heard, within
    // the few milliseconds the device cannot take back: the output drops every
    // frame it holds that is not heard yet, pulls nothing until resume(), and
    // its clock stands still at the frame it will pull next. Returns the first
    // stream frame not heard: from there up to the next frame pulled, the
    // frames are dropped unheard. resume() plays on from the next frame pulled,
    // heard after the device's usual latency. Both are no-ops when repeated,
    // and before start or after stop.
    virtual int64_t hold() = 0;
    virtual void resume() = 0;
    // A pause: the stream stops where it is heard, as for hold(), but an
    // output whose device can pause keeps what it holds and plays it on at
    // resume(), returning the first stream frame not yet pulled (nothing is
    // dropped). A device that must be opened again after dropping its frames
    // may take long to sound again; one kept paused does not.
    virtual int64_t pause() { return hold(); }

    // Volume and mute of the output's own control, where the desktop shows
    // one for it (a sound server's stream): setVolume sets it and returns
    // true; readVolume gives what it is now, whoever set it last. Outputs
    // without such a control return false from both, and the layer scales
    // the frames it hands them instead. `volume` is 0 to 1 (more when the
    // desktop raised it past its full volume).
    virtual bool setVolume(double /*volume*/, bool /*muted*/) { return false; }
    virtual bool readVolume(double& /*volume*/, bool& /*muted*/) const { return false; }

    // The page's audio worklet decodes the song itself, beside the audio, and
    // never pulls from a source: the layer hands it the song's file instead
    // and asks it what is heard. playSong starts the song from its beginning
    // and returns true for such an output; every other output returns false,
    // and the layer mixes for it.
    struct SongHeard {
        int order = 0;
        int row = 0;
        bool finished = false;  // the song's last frame was heard
    };
    virtual bool playSong(const std::vector<uint8_t>& /*file*/, int /*interpolationTaps*/) { return false; }
    // Silences the song started by playSong.
    virtual void stopSong() {}
    // Pauses or resumes the song started by playSong.
    virtual void pauseSong(bool /*paused*/) {}
    // Moves the song started by playSong to `framesIntoRow` frames (at the
    // output's rate) past the start of `order`, `row`, keeping a pause; an
    // order of -1 ends the song.
    virtual void seekSong(int /*order*/, int /*row*/, int64_t /*framesIntoRow*/) {}
    // What is heard at `steadyNs` of the song started by playSong.
    virtual SongHeard songHeardAt(int64_t /*steadyNs*/) const { return {}; }
};
