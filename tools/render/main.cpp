// peekstun-render: runs the show's timeline offline at a fixed frame rate and
// writes its frames and sound. Before the first frame written the show is
// replayed from its start without drawing, so every clock and random draw is
// the same as when every frame is drawn.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "frame_recorder.h"
#include "render_options.h"
#include "shell/data_location.h"

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: peekstun-render [options]\n"
                 "  --fps N             frames per second (default 60)\n"
                 "  --from SEC          first second to write (default 0)\n"
                 "  --to SEC            second to stop writing at (default: the end)\n"
                 "  --png DIR           write numbered PNG frames into DIR\n"
                 "  --wav FILE          write the sound as a WAV file\n"
                 "  --video FILE        write a video through ffmpeg (.mkv lossless FFV1, .mp4 H.264/AAC)\n"
                 "  --scale N           upscale the video, PNG frames and still by N, nearest pixel\n"
                 "                      (default 1)\n"
                 "  --size WxH          frame size of the video, PNG frames and still, such as\n"
                 "                      1920x1080: the picture placed as full screen shows it,\n"
                 "                      between black bars\n"
                 "  --quality Q         .mp4 quality: share (default: quick, for posting) or archive\n"
                 "                      (sharper, about 15 times the encoding time)\n"
                 "  --still SEC FILE    write the frame shown at SEC as a PNG file\n"
                 "  --data DIR          the directory holding data/ (default: searched as peekstun does)\n"
                 "  --quiet             print nothing but errors\n"
                 "  --help              this text\n");
}

int fail(const std::string& message) {
    std::fprintf(stderr, "peekstun-render: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    const std::string problem = parseRenderOptions(argc, argv, options);
    if (!problem.empty()) {
        fail(problem);
        std::fprintf(stderr, "Try 'peekstun-render --help' for the options.\n");
        return 2;
    }
    if (options.help) {
        usage(stdout);
        return 0;
    }
    if (!options.videoPath.empty() && !VideoEncoder::available()) {
        fail("--video needs ffmpeg, which is not installed");
        return 2;
    }
    // Output paths are taken from where the tool was started, not from the data directory.
    for (std::string* path : {&options.pngDir, &options.wavPath, &options.videoPath, &options.stillPath}) {
        std::error_code error;
        if (!path->empty()) *path = std::filesystem::absolute(*path, error).string();
        if (error) return fail("cannot find " + *path + ": " + error.message());
    }
    // --data wins; otherwise the show's own search, staying here when it finds nothing.
    DataSearch search;
    if (options.dataDir.empty()) {
        search = findShowData();
        options.dataDir = search.found.empty() ? "." : search.found;
    }
    if (chdir(options.dataDir.c_str()) != 0) {
        fail("cannot enter " + options.dataDir + ": " + std::strerror(errno));
        return 2;
    }
    try {
        FrameRecorder recorder(options);
        if (!recorder.run()) {
            if (!search.searched.empty() && search.found.empty()) fail(describeSearchedPlaces(search));
            return 1;
        }
        recorder.finish();
        if (!options.quiet) recorder.printSummary();
    } catch (const PastTheEnd& error) {
        fail(error.what());
        return 2;
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    return 0;
}
