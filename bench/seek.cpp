// Seeking the show: the timeline replayed without drawing to a moment and the
// song put there, as the player's keys and the renderer's --from do it; and
// the song's table of row starts, measured once per song and rate.
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicTimer.h"
#include "platform/display/ptc.h"
#include "platform/sound/fmod.h"
#include "shared_stage.h"
#include "shell/assets.h"
#include "shell/player.h"
#include "shell/sync.h"
#include "shell/timeline.h"

namespace {

constexpr int kRate = 44100;
constexpr const char* kSong = "data/music/peekstun.xm";

// The loaded show with its song playing through the offline output.
class SeekStage {
public:
    static SeekStage* get() { return sharedStage<SeekStage>(); }

    SeekStage() : frameFormat(32, 0xff0000, 0x00ff00, 0x0000ff, 0), srcArea(0, 0, 320, 240), dstArea(0, 0, 320, 240) {
        ptc_error_set_message_box(0);
        FSOUND_Close();
        FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE);
        if (!FSOUND_Init(kRate, 32)) throw DynamicError("the offline output did not open");
        song = FMUSIC_LoadSong(kSong);
        if (!song) throw DynamicError("no song");
        console.option("offscreen output");
        console.open("peekstun-bench", 320, 240, frameFormat, 0);
        assets = std::make_unique<ShowAssets>(console, frameFormat);
        position = std::make_unique<PlayingSongPosition>(song);
        timeline = std::make_unique<Timeline>(*assets, console, timer, *position, srcArea, dstArea);
        player = std::make_unique<Player>(*timeline, console, timer, *position);
        position->play();
        timeline->resetShow();
        position->rows();  // measured once, before the timings
    }

    DynamicFormat frameFormat;
    DynamicArea srcArea;
    DynamicArea dstArea;
    DynamicConsole console;
    std::unique_ptr<ShowAssets> assets;
    DynamicTimer timer;
    FMUSIC_MODULE* song = nullptr;
    std::unique_ptr<PlayingSongPosition> position;
    std::unique_ptr<Timeline> timeline;
    std::unique_ptr<Player> player;
};

// A seek to `seconds` of the show at 60 frames a second: the farther, the
// longer the replay; 245 s is the show's last moment.
void BM_Seek(benchmark::State& state) {
    SeekStage* stage = SeekStage::get();
    if (!stage) {
        state.SkipWithError("the show cannot load: no data/ in the working directory?");
        return;
    }
    const int64_t frame = state.range(0) * 60;
    for (auto _ : state) {
        if (!stage->player->seekToFrame(frame)) state.SkipWithError("the song cannot seek");
    }
    state.SetLabel("scene " + std::to_string(stage->timeline->scene()));
}
BENCHMARK(BM_Seek)->ArgName("seconds")->Arg(30)->Arg(120)->Arg(245)->Unit(benchmark::kMillisecond);

// Measuring where the song's rows start, done once for a song and a rate
// before its first seek.
void BM_Seek_RowTable(benchmark::State& state) {
    if (!SeekStage::get()) {
        state.SkipWithError("the show cannot load: no data/ in the working directory?");
        return;
    }
    for (auto _ : state) {
        FMUSIC_MODULE* song = FMUSIC_LoadSong(kSong);
        benchmark::DoNotOptimize(FMUSIC_GetRowStartFrame(song, 0, 1));
        FMUSIC_FreeSong(song);
    }
}
BENCHMARK(BM_Seek_RowTable)->Unit(benchmark::kMillisecond);

}  // namespace
