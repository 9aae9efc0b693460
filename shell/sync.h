// Music synchronisation: the song position and the pulse area of the beat
// (the beat rows themselves are in show/score.h).
#pragma once

#include <cstdint>

#include "platform/display/DynamicArea.h"

struct FMUSIC_MODULE;

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

private:
    FMUSIC_MODULE* song;
    int64_t aimedAt = 0;  // 0: the moment of asking
};

// The whole frame, and the frame less a 10-pixel border.
extern const DynamicArea fullArea;
extern const DynamicArea zoomArea;

// The source area of the background copy for the position the song is at now.
const DynamicArea& beatArea(SongPosition& position);
