#include "platform/sound/song_file.h"

#include <cstdio>

#include "platform/display/DynamicError.h"
#include "platform/sound/music_xm_check.h"

namespace {

// Far beyond any module, small enough that a device or a pipe given as the
// song cannot eat the memory.
constexpr size_t kLargestSong = size_t{256} << 20;

}  // namespace

std::vector<uint8_t> readSongFile(const std::string& path) {
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) throw DynamicError("cannot open " + path);
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    size_t got;
    while (bytes.size() <= kLargestSong && (got = std::fread(block, 1, sizeof block, in)) > 0) {
        bytes.insert(bytes.end(), block, block + got);
    }
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) throw DynamicError("cannot read " + path);
    if (bytes.size() > kLargestSong) throw DynamicError(path + " is too large for a song");
    if (bytes.empty()) throw DynamicError(path + " is empty");
    if (isTruncatedXm(bytes.data(), bytes.size())) throw DynamicError(path + " is cut short");
    return bytes;
}
