// peekstun-song-rows SONG OUT: plays SONG through the music layer's offline
// output one frame at a time and writes where each row starts (song_rows.h),
// for builds that keep the song's time without its decoder.
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/sound/fmod.h"
#include "platform/sound/song_rows.h"

namespace {

constexpr int kRate = 44100;

int fail(const std::string& message) {
    std::fprintf(stderr, "peekstun-song-rows: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: peekstun-song-rows SONG OUT\n");
        return 2;
    }
    FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE);
    if (!FSOUND_Init(kRate, 32)) return fail("the offline output does not start");
    FMUSIC_MODULE* song = FMUSIC_LoadSong(argv[1]);
    if (!song) return fail(std::string("cannot load the song ") + argv[1]);
    FMUSIC_PlaySong(song);

    // After mixing n frames the layer reports the position of frame n.
    SongRows rows;
    rows.rate = kRate;
    MusicPosition last{-1, -1};
    int64_t frame = 0;
    int16_t sample[2];
    while (!FMUSIC_IsFinished(song)) {
        MusicPosition now{FMUSIC_GetOrder(song), FMUSIC_GetRow(song)};
        if (now != last) rows.starts.push_back({frame, now});
        last = now;
        FSOUND_Offline_Mix(sample, 1);
        ++frame;
    }
    rows.end = frame;
    FMUSIC_FreeSong(song);
    FSOUND_Close();

    std::ofstream out(argv[2], std::ios::binary);
    out << formatSongRows(rows);
    out.close();
    if (!out) return fail(std::string("cannot write ") + argv[2]);
    return 0;
}
