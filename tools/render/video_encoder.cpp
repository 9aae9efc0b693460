#include "video_encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "output_files.h"

extern char** environ;

namespace {

// ffmpeg reads the sound from this descriptor, beside the frames on its standard input.
constexpr int kSoundDescriptor = 3;
// Read ends are moved this high first, so neither lands on 0 or 3 before its turn.
constexpr int kFirstSpareDescriptor = 10;

constexpr int kSoundPipeBytes = 1 << 20;
// Frames may queue for a second of the show and a few more. ffmpeg reads the
// sound in whole blocks of about a third of a second (and one before it takes
// its first frame), so the renderer must be free to run that far ahead of the
// frames ffmpeg has taken.
constexpr int kQueuedFrames = 8;

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Lossless FFV1 in four slices coded on two threads. H.264 for sharing takes
// x264's quickest preset, the one that keeps up with the show at 960 x 720 on
// two busy cores; for keeping, its default preset at a finer quality: 2.5 dB
// more on the show's frames for about 15 times the encoding time.
std::vector<std::string> codecArguments(const std::string& path, VideoQuality quality) {
    if (endsWith(path, ".mkv")) return {"-c:v", "ffv1", "-slices", "4", "-threads", "2", "-c:a", "flac"};
    const bool share = quality == VideoQuality::Share;
    return {"-c:v",      "libx264",
            "-preset",   share ? "ultrafast" : "medium",
            "-crf",      share ? "18" : "16",
            "-pix_fmt",  "yuv420p",
            "-c:a",      "aac",
            "-b:a",      "256k",
            "-movflags", "+faststart"};
}

// A file beside the target, with its extension so ffmpeg picks the same
// container, and the process id so two renderers never share one.
std::string createPartialFile(const std::string& path) {
    const std::filesystem::path target(path);
    const std::string partial = (target.parent_path() / ("." + target.stem().string() + "-" + std::to_string(getpid()) +
                                                         target.extension().string()))
                                    .string();
    const int descriptor = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) throw fileError("cannot create", partial, errno);
    close(descriptor);
    return partial;
}

// A pipe whose read end sits at or above kFirstSpareDescriptor; both ends close on exec.
void makePipe(int& readEnd, int& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("cannot start ffmpeg: no pipe");
    readEnd = fcntl(ends[0], F_DUPFD_CLOEXEC, kFirstSpareDescriptor);
    close(ends[0]);
    writeEnd = ends[1];
    if (readEnd < 0) {
        close(writeEnd);
        throw std::runtime_error("cannot start ffmpeg: no pipe");
    }
}

// False once ffmpeg has stopped reading.
bool writeAll(int descriptor, const void* data, size_t bytes) {
    const char* at = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t written = write(descriptor, at, bytes);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        at += written;
        bytes -= static_cast<size_t>(written);
    }
    return true;
}

// The unfinished file is removed when the renderer is interrupted or told to
// stop, as no one would complete it; only unlink is safe inside the handler.
// Signals that were ignored when the renderer started stay ignored.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
char interruptedPartial[4096];
struct sigaction stopActionsBefore[std::size(kStopSignals)];

void removePartialAndStop(int signalNumber) {
    unlink(interruptedPartial);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

void removePartialOnInterrupt(const std::string& partial) {
    for (size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], nullptr, &stopActionsBefore[i]);
    if (partial.size() >= sizeof interruptedPartial) return;
    partial.copy(interruptedPartial, partial.size());
    interruptedPartial[partial.size()] = '\0';
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        if (stopActionsBefore[i].sa_handler != SIG_IGN) signal(kStopSignals[i], removePartialAndStop);
    }
}

void keepPartialOnInterrupt() {
    for (size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], &stopActionsBefore[i], nullptr);
}

}  // namespace

bool VideoEncoder::available() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

VideoEncoder::VideoEncoder(const std::string& path, const VideoFormat& format) : path(path) {
    // A stopped ffmpeg shows as a failed write, reported, not as a signal ending the renderer.
    signal(SIGPIPE, SIG_IGN);
    partialPath = createPartialFile(path);
    removePartialOnInterrupt(partialPath);

    std::vector<std::string> arguments{"ffmpeg", "-nostdin", "-loglevel", "error", "-y"};
    auto add = [&arguments](std::initializer_list<std::string> more) { arguments.insert(arguments.end(), more); };
    add({"-f", "rawvideo", "-pix_fmt", "bgr0", "-s", std::to_string(format.width) + "x" + std::to_string(format.height),
         "-r", std::to_string(format.fps), "-i", "pipe:0"});
    // The smallest probe: ffmpeg takes no frames while it reads the sound's first bytes.
    add({"-f", "s16le", "-ar", std::to_string(format.sampleRate), "-ac", "2", "-probesize", "32", "-i",
         "pipe:" + std::to_string(kSoundDescriptor)});
    const std::string filter = placementFilter(format.placement, format.width, format.height);
    if (!filter.empty()) add({"-vf", filter});
    for (const std::string& argument : codecArguments(path, format.quality)) arguments.push_back(argument);
    arguments.push_back(partialPath);

    int frameRead = -1;
    int soundRead = -1;
    try {
        makePipe(frameRead, framePipe);
        makePipe(soundRead, soundPipe);
    } catch (...) {
        if (frameRead >= 0) close(frameRead);
        closePipes();
        discardPartial();
        throw;
    }
    // Room for seconds of sound, so the renderer runs on while ffmpeg opens
    // its inputs one after the other; a smaller pipe only costs speed.
    fcntl(soundPipe, F_SETPIPE_SZ, kSoundPipeBytes);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, frameRead, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, soundRead, kSoundDescriptor);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&ffmpeg, "ffmpeg", &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(frameRead);
    close(soundRead);
    if (spawned != 0) {
        ffmpeg = -1;
        closePipes();
        discardPartial();
        throw std::runtime_error("cannot start ffmpeg");
    }
    const size_t pixels = static_cast<size_t>(format.width) * format.height;
    frames = std::make_unique<FrameQueue>(pixels, 1, format.fps + kQueuedFrames,
                                          [this, bytes = pixels * 4](long, const uint32_t* frame) {
                                              if (!writeAll(framePipe, frame, bytes))
                                                  throw std::runtime_error("ffmpeg could not write " + this->path);
                                          });
}

void VideoEncoder::discardPartial() {
    std::remove(partialPath.c_str());
    keepPartialOnInterrupt();
}

VideoEncoder::~VideoEncoder() {
    // A stopped ffmpeg fails the frame thread's write, so the thread ends.
    if (ffmpeg > 0) kill(ffmpeg, SIGKILL);
    frames.reset();
    closePipes();
    if (ffmpeg > 0) {
        waitpid(ffmpeg, nullptr, 0);
        discardPartial();
    }
}

void VideoEncoder::closePipes() {
    if (framePipe >= 0) close(framePipe);
    if (soundPipe >= 0) close(soundPipe);
    framePipe = soundPipe = -1;
}

void VideoEncoder::writeFrame(const uint32_t* pixels) { frames->push(0, pixels); }

void VideoEncoder::writeSound(const int16_t* samples, size_t frames) {
    if (!writeAll(soundPipe, samples, frames * 4)) throw std::runtime_error("ffmpeg could not write " + path);
}

void VideoEncoder::finish() {
    // The sound ends first: ffmpeg takes no more frames while it waits for
    // the rest of a block of sound that will never come.
    close(soundPipe);
    soundPipe = -1;
    frames->finish();
    closePipes();
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(ffmpeg, &status, 0)) < 0 && errno == EINTR) {
    }
    ffmpeg = -1;
    if (waited < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        discardPartial();
        throw std::runtime_error("ffmpeg could not write " + path);
    }
    const bool renamed = std::rename(partialPath.c_str(), path.c_str()) == 0;
    const int error = errno;
    discardPartial();
    if (!renamed) throw fileError("cannot create", path, error);
}
