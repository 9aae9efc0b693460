// Music synchronisation: the song position and the pulse area of the beat
// (the beat rows themselves are in show/score.h).
#pragma once

#include <cstdint>

#include "platform/display/DynamicArea.h"
#include "platform/sound/song_row_table.h"

struct FMUSIC_MODULE;

// The song's frame at show time `seconds`, the song playing from the show's
// start at `rate` frames a second: the frames wholly before that moment. A
// time of n frames of a frame rate, n / fps, is a double a hair either side
// of n x rate / fps; the product is nudged up by far less than a frame, so a
// whole song frame is never read as the one before.
int64_t songFrameAt(double seconds, int rate);

// The song as the timeline sees it: started once, then polled for its
// position and whether it is over. The show plays the music layer's module;
// tests script it.
class SongPosition {
public:
    virtual ~SongPosition() = default;
    virtual void play() {}
    // The moment, in nanoseconds of the steady clock, at which the frame being
    // drawn will reach the screen: the position read until the next aim is
    // the one heard then. Songs on a clock of their own (offline, scripted)
    // ignore it.
    virtual void aim(int64_t shownNs) { (void)shownNs; }
    virtual int order() = 0;
    virtual int row() = 0;
    // True once the song has been heard to its end.
    virtual bool finished() { return false; }

    // For the player: where the song's rows start (empty for a song that
    // cannot seek), the song going on from its frame `frame` as though it had
    // played to there, and pausing or resuming it (false when the output
    // cannot pause: the song then plays on).
    virtual const SongRowTable& rows() {
        static const SongRowTable none;
        return none;
    }
    virtual void seekFrame(int64_t frame) { (void)frame; }
    virtual bool setPaused(bool paused) {
        (void)paused;
        return false;
    }
    // The volume heard, 0 to 1 (-1 when the output has none), and its mute.
    virtual double volume() { return -1; }
    virtual bool muted() { return false; }
    virtual void setVolume(double volume) { (void)volume; }
    virtual void setMuted(bool muted) { (void)muted; }
};

// The playing module's position, as the music layer reports it.
class PlayingSongPosition : public SongPosition {
public:
    explicit PlayingSongPosition(FMUSIC_MODULE* song) : song(song) {}
    void play() override;
    void aim(int64_t shownNs) override { aimedAt = shownNs; }
    int order() override;
    int row() override;
    bool finished() override;
    // The music layer's table, measured once per song and rate.
    const SongRowTable& rows() override;
    void seekFrame(int64_t frame) override;
    bool setPaused(bool paused) override;
    double volume() override;
    bool muted() override;
    void setVolume(double volume) override;
    void setMuted(bool muted) override;

private:
    FMUSIC_MODULE* song;
    int64_t aimedAt = 0;  // 0: the moment of asking
};

// The whole frame, and the frame less a 10-pixel border.
extern const DynamicArea fullArea;
extern const DynamicArea zoomArea;

// The source area of the background copy for the position the song is at now.
const DynamicArea& beatArea(SongPosition& position);
