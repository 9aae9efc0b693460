#include "shell/sync.h"

#include <cmath>

#include "platform/sound/fmod.h"
#include "show/score.h"

const DynamicArea fullArea(0, 0, 320, 240);
const DynamicArea zoomArea(10, 10, 310, 230);

int64_t songFrameAt(double seconds, int rate) { return static_cast<int64_t>(std::floor(seconds * rate + 1e-6)); }

void PlayingSongPosition::play() { FMUSIC_PlaySong(song); }

const SongRowTable& PlayingSongPosition::rows() { return FMUSIC_GetRowTable(song); }

void PlayingSongPosition::seekFrame(int64_t frame) { FMUSIC_SetPositionFrame(song, frame); }

bool PlayingSongPosition::setPaused(bool paused) { return FMUSIC_SetPaused(song, paused); }

double PlayingSongPosition::volume() { return FSOUND_GetVolume(); }
bool PlayingSongPosition::muted() { return FSOUND_GetMute(); }
void PlayingSongPosition::setVolume(double volume) { FSOUND_SetVolume(volume); }
void PlayingSongPosition::setMuted(bool muted) { FSOUND_SetMute(muted); }
namespace {

struct HeardPosition {
    int order = -1;
    int row = -1;
    bool finished = false;
};

HeardPosition heardAt(FMUSIC_MODULE* song, int64_t steadyNs) {
    HeardPosition heard;
    FMUSIC_GetPositionAt(song, steadyNs, &heard.order, &heard.row, &heard.finished);
    return heard;
}

}  // namespace

int PlayingSongPosition::order() { return aimedAt ? heardAt(song, aimedAt).order : FMUSIC_GetOrder(song); }
int PlayingSongPosition::row() { return aimedAt ? heardAt(song, aimedAt).row : FMUSIC_GetRow(song); }
bool PlayingSongPosition::finished() { return aimedAt ? heardAt(song, aimedAt).finished : FMUSIC_IsFinished(song); }

const DynamicArea& beatArea(SongPosition& position) {
    int order = position.order();
    int row = position.row();
    return show::isBeatRow(order, row) ? zoomArea : fullArea;
}
