#include "shell/sync.h"

#include "platform/sound/fmod.h"
#include "show/score.h"

const DynamicArea fullArea(0, 0, 320, 240);
const DynamicArea zoomArea(10, 10, 310, 230);

void PlayingSongPosition::play() { FMUSIC_PlaySong(song); }
int PlayingSongPosition::order() { return FMUSIC_GetOrder(song); }
int PlayingSongPosition::row() { return FMUSIC_GetRow(song); }
bool PlayingSongPosition::finished() { return FMUSIC_IsFinished(song); }

const DynamicArea& beatArea(SongPosition& position) {
    int order = position.order();
    int row = position.row();
    return show::isBeatRow(order, row) ? zoomArea : fullArea;
}
