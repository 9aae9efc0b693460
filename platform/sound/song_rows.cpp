#include "platform/sound/song_rows.h"

#include <algorithm>
#include <sstream>

#include "platform/display/DynamicError.h"

namespace {

constexpr int64_t kLongestSong = int64_t{192000} * 60 * 60 * 24;  // a day at the highest rate

}  // namespace

MusicPosition SongRows::at(int64_t frame) const {
    auto after = std::upper_bound(starts.begin(), starts.end(), frame,
                                  [](int64_t f, const Start& start) { return f < start.frame; });
    if (after == starts.begin()) return {0, 0};
    return std::prev(after)->position;
}

std::string formatSongRows(const SongRows& rows) {
    std::ostringstream out;
    out << "song-rows 1 " << rows.rate << " " << rows.end << "\n";
    for (const SongRows::Start& start : rows.starts) {
        out << start.frame << " " << start.position.order << " " << start.position.row << "\n";
    }
    return out.str();
}

SongRows parseSongRows(const std::string& text, const std::string& source) {
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    auto fail = [&](const std::string& what) {
        throw DynamicError(source + " line " + std::to_string(lineNumber) + ": " + what);
    };
    SongRows rows;
    ++lineNumber;
    std::getline(in, line);
    {
        std::istringstream header(line);
        std::string magic;
        int version = 0;
        std::string rest;
        if (!(header >> magic >> version >> rows.rate >> rows.end) || magic != "song-rows" || version != 1 ||
            (header >> rest)) {
            fail("not a song-rows 1 header");
        }
        if (rows.rate < 8000 || rows.rate > 192000) fail("sample rate out of range");
        if (rows.end < 0 || rows.end > kLongestSong) fail("song length out of range");
    }
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty()) continue;
        std::istringstream fields(line);
        SongRows::Start start{};
        std::string rest;
        if (!(fields >> start.frame >> start.position.order >> start.position.row) || (fields >> rest)) {
            fail("expected FRAME ORDER ROW");
        }
        if (start.position.order < 0 || start.position.order > 255 || start.position.row < 0 ||
            start.position.row > 255) {
            fail("order or row out of range");
        }
        const int64_t previous = rows.starts.empty() ? -1 : rows.starts.back().frame;
        if (start.frame <= previous || start.frame > rows.end) fail("frames must rise and stay within the song");
        if (rows.starts.empty() && start.frame != 0) fail("the first row must start at frame 0");
        rows.starts.push_back(start);
    }
    if (rows.starts.empty()) fail("no rows");
    return rows;
}
