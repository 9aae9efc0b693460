#include "shell/sync.h"

#include "platform/sound/fmod.h"
#include "show/score.h"

const DynamicArea fullArea(0, 0, 320, 240);
const DynamicArea zoomArea(10, 10, 310, 230);

void PlayingSongPosition::play() { FMUSIC_PlaySong(song); }
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
