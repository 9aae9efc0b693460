// Fuzzes module loading through the music layer. Each input is written to a
// file of the process's own and loaded by name, the way the show loads its
// song; a module that loads is then played on the offline output for a
// moment, its position and end read, stopped and freed.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sound/fmod.h"

namespace {

// A tenth of a second at the mixing rate, in blocks the size a live output
// would ask for.
constexpr int kMixRate = 44100;
constexpr size_t kBlockFrames = 1024;
constexpr int kBlocks = 4;

const std::string& scratchPath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("peekstun-fuzz-" + std::to_string(getpid()) + ".xm")).string();
    return path;
}

bool writeScratch(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (!file) return false;
    bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE);
    if (!FSOUND_Init(kMixRate, 32)) {
        std::fprintf(stderr, "module_fuzz: the offline output does not start\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!writeScratch(data, size)) return 0;
    FMUSIC_MODULE* song = FMUSIC_LoadSong(scratchPath().c_str());
    std::remove(scratchPath().c_str());
    if (!song) return 0;

    if (FMUSIC_PlaySong(song)) {
        std::vector<int16_t> samples(kBlockFrames * 2);
        for (int block = 0; block < kBlocks; ++block) {
            const bool finished = FMUSIC_IsFinished(song);
            // A finished song holds nothing more to hear.
            if (FSOUND_Offline_Mix(samples.data(), kBlockFrames) > 0 && finished) std::abort();
            // A playing song is somewhere in its order list, on a real row.
            if (FMUSIC_GetOrder(song) < 0 || FMUSIC_GetRow(song) < 0) std::abort();
        }
    }
    FMUSIC_StopSong(song);
    FMUSIC_FreeSong(song);
    return 0;
}
