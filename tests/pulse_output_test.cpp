// The sound server output against a private server whose null sink's monitor
// is recorded with parec: what the source gives is what the sink plays, the
// heard frame follows it, stop() silences it, and a hold silences it until
// resumed. The stream is the show's by name in the server's list, and its
// volume there is the output's.
#include "platform/sound/pulse/pulse_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/sound/sound_clock.h"
#include "support/pulse_server.h"
#include "support/scoped_environment.h"
#include "support/x11_session.h"

namespace {

constexpr int kRate = 44100;  // the null sink's own: nothing is resampled
constexpr int16_t kLeft = 1234;
constexpr int16_t kRight = -1234;

bool waitFor(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A steady tone the recording can tell from silence, counting what was taken;
// when `lateOnce` is set, the next call takes 400 ms, as a stalled mixer would.
struct Tone {
    std::atomic<int64_t> pulled{0};
    std::atomic<bool> lateOnce{false};
    SoundSource source() {
        return [this](int16_t* samples, size_t frames) {
            if (lateOnce.exchange(false)) sleepMs(400);
            for (size_t i = 0; i < frames; ++i) {
                samples[2 * i] = kLeft;
                samples[2 * i + 1] = kRight;
            }
            pulled += static_cast<int64_t>(frames);
        };
    }
};

// parec recording the null sink's monitor as raw 16-bit stereo, from now
// until finish().
class MonitorRecording {
public:
    MonitorRecording() {
        int fds[2];
        if (pipe(fds) != 0) return;
        child = fork();
        if (child == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            execlp("parec", "parec", "-d", "null.monitor", "--raw", "--format=s16le", "--channels=2", "--rate=44100",
                   "--latency-msec=20", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        reader = std::thread([this, fd = fds[0]] {
            int16_t buffer[4096];
            for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) {
                samples.insert(samples.end(), buffer, buffer + got / 2);
                frames = samples.size() / 2;
            }
            close(fd);
        });
    }
    ~MonitorRecording() { finish(); }

    std::atomic<size_t> frames{0};

    std::vector<int16_t> finish() {
        if (child > 0) {
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
            child = -1;
        }
        if (reader.joinable()) reader.join();
        return samples;
    }

private:
    pid_t child = -1;
    std::thread reader;
    std::vector<int16_t> samples;
};

class PulseOutputTest : public testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<PulseServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override {
        if (!server->unavailableReason().empty()) GTEST_SKIP() << server->unavailableReason();
    }
    static bool haveParec() { return std::system("command -v parec > /dev/null") == 0; }

    // Starts `output` on `tone` and waits until `frames` of it were heard.
    static void playUntilHeard(SoundOutput& output, Tone& tone, double frames) {
        output.start(tone.source());
        ASSERT_TRUE(waitFor([&] { return output.frameHeardAt(steadyNowNs()) > frames; }, 30))
            << "heard " << output.frameHeardAt(steadyNowNs()) << " of " << tone.pulled << " frames";
    }

    static std::unique_ptr<PulseServer> server;
};

std::unique_ptr<PulseServer> PulseOutputTest::server;

TEST(PulseOutputNoServerTest, SaysSoWithTheReason) {
    ScopedEnvironment address("PULSE_SERVER", "unix:/nonexistent/peekstun/native");
    EXPECT_FALSE(pulseServerRunning());
    EXPECT_THROW(listPulseDevices(), DynamicError);
    try {
        openPulseOutput(nullptr, kRate, 4096);
        FAIL() << "opened without a server";
    } catch (const DynamicError& error) {
        EXPECT_NE(std::string(error.message()).find("Connection refused"), std::string::npos) << error.message();
    }
}

TEST_F(PulseOutputTest, ListsTheSinksAndNamesWhyOneDoesNotOpen) {
    EXPECT_TRUE(pulseServerRunning());
    EXPECT_EQ(listPulseDevices(), std::vector<std::string>{"null"});
    try {
        openPulseOutput("no-such-sink", kRate, 4096);
        FAIL() << "opened a sink that is not there";
    } catch (const DynamicError& error) {
        const std::string message = error.message();
        EXPECT_NE(message.find("no-such-sink"), std::string::npos) << message;
        EXPECT_NE(message.find("No such entity"), std::string::npos) << message;
    }
    EXPECT_THROW(openPulseOutput("null", 0, 4096), DynamicError);
    EXPECT_THROW(openPulseOutput("null", kRate, 0), DynamicError);
}

// The sink plays exactly the source's frames; the heard frame moves on behind
// what was handed over and ends where the sound did; stop() drops what was
// queued and the sink falls silent.
TEST_F(PulseOutputTest, PlaysTheSourceSaysWhatIsHeardAndStopsAtOnce) {
    if (!haveParec()) GTEST_SKIP() << "parec is not installed";
    MonitorRecording recording;
    Tone tone;
    std::unique_ptr<SoundOutput> output = openPulseOutput("null", kRate, 4096);
    EXPECT_LT(output->frameHeardAt(steadyNowNs()), 0);
    playUntilHeard(*output, tone, kRate / 2.0);

    const double before = output->frameHeardAt(steadyNowNs());
    sleepMs(100);
    const double after = output->frameHeardAt(steadyNowNs());
    EXPECT_GT(after, before);
    EXPECT_LT(after, static_cast<double>(tone.pulled));

    output->stop();
    const int64_t pulledAtStop = tone.pulled;
    const double heardAtStop = output->frameHeardAt(steadyNowNs());
    const size_t recordedAtStop = recording.frames;
    // A quarter of a second more of the monitor: silence, if stop() worked.
    ASSERT_TRUE(waitFor([&] { return recording.frames > recordedAtStop + kRate / 4; }, 30));
    EXPECT_EQ(tone.pulled, pulledAtStop);
    EXPECT_LE(output->frameHeardAt(steadyNowNs()), heardAtStop);

    const std::vector<int16_t> samples = recording.finish();
    size_t first = samples.size(), last = 0, toneFrames = 0, otherFrames = 0;
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        if (samples[2 * i] == kLeft && samples[2 * i + 1] == kRight) {
            first = std::min(first, i);
            last = i;
            ++toneFrames;
        } else if (samples[2 * i] != 0 || samples[2 * i + 1] != 0) {
            ++otherFrames;
        }
    }
    ASSERT_GT(toneFrames, 0u);
    EXPECT_EQ(otherFrames, 0u);
    EXPECT_EQ(last - first + 1, toneFrames) << "the tone has gaps";
    EXPECT_LT(toneFrames, static_cast<size_t>(pulledAtStop)) << "what was queued at stop() was played";
    EXPECT_LT(last + kRate / 8, samples.size() / 2) << "the sink went on playing after stop()";
    // What reached the sink is what the output said was heard, up to what
    // the sink had taken ahead and the moment the flush arrived.
    EXPECT_NEAR(static_cast<double>(toneFrames), heardAtStop, kRate / 2.0);
}

TEST_F(PulseOutputTest, LatencyFollowsTheBuffer) {
    int64_t latencies[2];
    const size_t buffers[2] = {2048, 16384};
    for (int i = 0; i < 2; ++i) {
        Tone tone;
        std::unique_ptr<SoundOutput> output = openPulseOutput(nullptr, kRate, buffers[i]);
        playUntilHeard(*output, tone, kRate / 4.0);
        latencies[i] = output->latency();
        EXPECT_GT(latencies[i], 1000000) << buffers[i] << " frames";
        EXPECT_LT(latencies[i], 1000000000) << buffers[i] << " frames";
    }
    EXPECT_LT(latencies[0], latencies[1]);
}

TEST_F(PulseOutputTest, CountsUnderrunsWhenTheSourceIsLate) {
    Tone tone;
    std::unique_ptr<SoundOutput> output = openPulseOutput(nullptr, kRate, 2048);
    playUntilHeard(*output, tone, kRate / 4.0);
    const uint64_t before = output->underruns();
    tone.lateOnce = true;
    EXPECT_TRUE(waitFor([&] { return output->underruns() > before; }, 10));
    // After the stall the stream plays on.
    const double heard = output->frameHeardAt(steadyNowNs());
    EXPECT_TRUE(waitFor([&] { return output->frameHeardAt(steadyNowNs()) > heard + kRate / 10.0; }, 30));
}

// Stream frame f as a sample the recording can tell apart from silence and
// from its neighbours.
int16_t counted(int64_t frame) { return static_cast<int16_t>(frame % 30000 + 1); }

// A hold drops what the server queued: the sink falls silent, the heard
// frame stands at the next frame to be pulled, and the frames from the one
// hold() says was not heard up to that one never play. On resume the stream
// goes on with the next frame pulled, without counting an underrun.
TEST_F(PulseOutputTest, HoldDropsTheQueueAndResumeGoesOn) {
    if (!haveParec()) GTEST_SKIP() << "parec is not installed";
    MonitorRecording recording;
    std::atomic<int64_t> pulled{0};
    std::unique_ptr<SoundOutput> output = openPulseOutput("null", kRate, 8820);
    output->start([&](int16_t* samples, size_t frames) {
        for (size_t i = 0; i < frames; ++i) samples[2 * i] = samples[2 * i + 1] = counted(pulled + i);
        pulled += static_cast<int64_t>(frames);
    });
    ASSERT_TRUE(waitFor([&] { return output->frameHeardAt(steadyNowNs()) > kRate / 2.0; }, 30));

    const int64_t unheard = output->hold();
    const int64_t next = pulled;
    EXPECT_LE(unheard, next);
    EXPECT_EQ(output->frameHeardAt(steadyNowNs()), static_cast<double>(next));
    sleepMs(300);
    EXPECT_EQ(pulled, next);
    EXPECT_EQ(output->frameHeardAt(steadyNowNs()), static_cast<double>(next));

    output->resume();
    ASSERT_TRUE(waitFor([&] { return output->frameHeardAt(steadyNowNs()) > next + kRate / 2.0; }, 30));
    EXPECT_EQ(output->underruns(), 0u);
    output->stop();

    const std::vector<int16_t> samples = recording.finish();
    const size_t frames = samples.size() / 2;
    size_t i = 0;
    while (i < frames && samples[2 * i] == 0) ++i;
    while (i < frames && samples[2 * i] != 0) ++i;
    ASSERT_LT(i, frames) << "no silence after the first sound";
    const int16_t lastBefore = samples[2 * i - 2];
    size_t silent = 0;
    while (i < frames && samples[2 * i] == 0) ++i, ++silent;
    ASSERT_LT(i, frames) << "no sound after the hold";
    EXPECT_GT(silent, static_cast<size_t>(kRate / 5)) << "the hold did not silence the sink";
    // The monitor misses the first few milliseconds the sink rewrites when the
    // stream starts again, having already recorded them as silence.
    const int16_t firstAfter = samples[2 * i];
    EXPECT_GE(firstAfter, counted(next)) << "the stream did not go on with the next frame pulled";
    EXPECT_LE(firstAfter, counted(next) + kRate / 20) << "the stream did not go on with the next frame pulled";
    // What was heard before the hold ends about where hold() said; the sink
    // may play a few milliseconds it cannot take back.
    const int64_t heardUpTo = lastBefore;
    EXPECT_GE(heardUpTo + 1, counted(unheard) - kRate / 1000) << "frames said to be heard were dropped";
    EXPECT_LE(heardUpTo + 1, counted(unheard) + kRate / 20) << "frames said to be dropped were played";
    std::printf("hold: played %lld frames past the one hold() named as unheard (%.1f ms)\n",
                static_cast<long long>(heardUpTo + 1 - counted(unheard)),
                (heardUpTo + 1 - counted(unheard)) * 1000.0 / kRate);
}

// The server's list of playing streams, as the desktop's mixer reads it.
std::string sinkInputs() { return x11_session::runCommand("pactl list sink-inputs 2>&1").output; }

// The figure after "Volume:" in the list, as "50%", or "".
std::string listedVolume() {
    const std::string list = sinkInputs();
    const size_t volume = list.find("\tVolume:");
    const size_t percent = list.find('%', volume);
    if (volume == std::string::npos || percent == std::string::npos) return "";
    const size_t start = list.rfind(' ', percent);
    return list.substr(start + 1, percent - start);
}

// The stream carries the show's name, icon and role; the volume and mute set
// through the output are the stream's own in the server's list, a change made
// there is read back, mute silences the sink and unmuting brings the sound
// back, with no underrun.
TEST_F(PulseOutputTest, NamedStreamWhoseVolumeIsTheServers) {
    if (!haveParec()) GTEST_SKIP() << "parec is not installed";
    Tone tone;
    std::unique_ptr<SoundOutput> output = openPulseOutput("null", kRate, kRate);
    playUntilHeard(*output, tone, kRate / 4.0);
    const std::string list = sinkInputs();
    EXPECT_NE(list.find("media.name = \"Peekstun\""), std::string::npos) << list;
    EXPECT_NE(list.find("application.name = \"Peekstun\""), std::string::npos) << list;
    EXPECT_NE(list.find("application.icon_name = \"peekstun\""), std::string::npos) << list;
    EXPECT_NE(list.find("media.role = \"music\""), std::string::npos) << list;

    ASSERT_TRUE(output->setVolume(0.5, false));
    EXPECT_TRUE(waitFor([] { return listedVolume() == "50%"; }, 5)) << sinkInputs();
    const size_t index = list.find("Sink Input #");
    ASSERT_NE(index, std::string::npos);
    const std::string stream = list.substr(index + 12, list.find('\n', index) - index - 12);
    ASSERT_TRUE(x11_session::runCommand("pactl set-sink-input-volume " + stream + " 30%").ok);
    double volume = 0;
    bool muted = true;
    EXPECT_TRUE(waitFor(
        [&] {
            output->readVolume(volume, muted);
            return std::abs(volume - 0.3) < 0.01;
        },
        5))
        << volume;
    EXPECT_FALSE(muted);

    // Muted, a quarter of a second of the monitor (past what the sink held)
    // is silence; unmuted, the tone is back.
    const auto loudFrames = [](const std::vector<int16_t>& samples) {
        size_t loud = 0;
        for (size_t i = 0; i + 1 < samples.size(); i += 2) loud += samples[i] != 0 || samples[i + 1] != 0;
        return loud;
    };
    // Muting and unmuting never leave the stream short. A second of buffer
    // keeps a busy machine (the page's tests start browsers beside this one)
    // from starving it meanwhile.
    const uint64_t underrunsBefore = output->underruns();
    output->setVolume(0.3, true);
    EXPECT_TRUE(waitFor([] { return sinkInputs().find("Mute: yes") != std::string::npos; }, 5));
    sleepMs(300);
    {
        MonitorRecording recording;
        ASSERT_TRUE(waitFor([&] { return recording.frames > kRate / 4; }, 30));
        EXPECT_EQ(loudFrames(recording.finish()), 0u) << "muted, the sink still plays";
    }
    output->setVolume(0.3, false);
    sleepMs(300);
    {
        MonitorRecording recording;
        ASSERT_TRUE(waitFor([&] { return recording.frames > kRate / 4; }, 30));
        EXPECT_GT(loudFrames(recording.finish()), static_cast<size_t>(kRate / 5)) << "unmuted, the sink is silent";
    }
    EXPECT_EQ(output->underruns(), underrunsBefore);
}

}  // namespace
