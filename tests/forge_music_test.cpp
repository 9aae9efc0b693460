// The soundtrack written by peekstun-forge: read back with our own small
// module reader, checked by two independent players, and rendered to look
// at its level and its beat.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sound/fmod.h"
#include "show/score.h"

namespace {

const std::string kForge = PEEKSTUN_BUILD_DIR "/peekstun-forge";
// The song has the score's shape; its drums are checked against the score's beat rows.
constexpr int kOrders = show::kSongOrders;
constexpr int kRows = show::kRowsPerOrder;

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Runs a shell command and returns its standard output; fails the test on a
// non-zero exit.
std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
    int status = pclose(pipe);
    EXPECT_EQ(status, 0) << command << "\n" << output;
    return output;
}

std::string makeTemporaryDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "forge_music_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
    return pattern;
}

std::string forgeInto(const std::string& dir) {
    run("'" + kForge + "' '" + dir + "' 2>/dev/null");
    return dir + "/music/peekstun.xm";
}

// The rows the show's pictures pulse on in an order.
std::set<int> beatRows(int order) { return {show::beatRows(order).begin(), show::beatRows(order).end()}; }

// A reader for the parts of an extended module these tests look at. It
// insists on the exact header sizes and fails on anything short or left over.
class ModuleReader {
public:
    explicit ModuleReader(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}

    uint32_t u8() {
        need(1);
        return bytes[position++];
    }
    uint32_t u16() {
        uint32_t low = u8();
        return low | (u8() << 8);
    }
    uint32_t u32() {
        uint32_t low = u16();
        return low | (u16() << 16);
    }
    std::string text(size_t size) {
        need(size);
        std::string result(bytes.begin() + position, bytes.begin() + position + size);
        position += size;
        return result.substr(0, result.find('\0'));
    }
    void skip(size_t size) {
        need(size);
        position += size;
    }
    size_t offset() const { return position; }
    bool atEnd() const { return position == bytes.size(); }

private:
    void need(size_t size) const {
        if (bytes.size() - position < size)
            throw std::runtime_error("module ends early at " + std::to_string(position));
    }
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

struct Cell {
    int note = 0;
    int instrument = 0;
    int volume = 0;
    int effect = 0;
    int parameter = 0;
};

struct Sample {
    uint32_t length = 0;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    int type = 0;
    int relativeNote = 0;
    int packing = 0;
    std::vector<int16_t> pcm;
};

struct Instrument {
    uint32_t headerSize = 0;
    uint32_t sampleHeaderSize = 0;
    std::string name;
    std::vector<Sample> samples;
};

struct Module {
    std::string id;
    int version = 0;
    uint32_t headerSize = 0;
    int orderCount = 0;
    int channels = 0;
    int flags = 0;
    int speed = 0;
    int tempo = 0;
    std::vector<int> orders;
    std::vector<int> patternRows;
    std::vector<bool> patternStoredWhole;
    std::vector<std::vector<Cell>> patterns;  // row x channel
    std::vector<Instrument> instruments;
    bool consumedExactly = false;

    const Cell& cell(int order, int row, int channel) const {
        return patterns.at(orders.at(order)).at(row * channels + channel);
    }
    int instrumentNamed(const std::string& name) const {
        for (size_t i = 0; i < instruments.size(); ++i)
            if (instruments[i].name == name) return static_cast<int>(i) + 1;
        return 0;
    }
};

Module readModule(const std::vector<uint8_t>& bytes) {
    ModuleReader in(bytes);
    Module module;
    module.id = in.text(17);
    in.skip(20 + 1 + 20);
    module.version = in.u16();
    size_t headerStart = in.offset();
    module.headerSize = in.u32();
    module.orderCount = in.u16();
    in.u16();  // restart
    module.channels = in.u16();
    int patternCount = in.u16();
    int instrumentCount = in.u16();
    module.flags = in.u16();
    module.speed = in.u16();
    module.tempo = in.u16();
    for (int i = 0; i < 256; ++i) {
        int order = in.u8();
        if (i < module.orderCount) module.orders.push_back(order);
    }
    in.skip(headerStart + module.headerSize - in.offset());

    for (int p = 0; p < patternCount; ++p) {
        uint32_t headerSize = in.u32();
        int packing = in.u8();
        int rows = in.u16();
        uint32_t dataSize = in.u16();
        if (headerSize != 9 || packing != 0) throw std::runtime_error("unexpected pattern header");
        size_t dataStart = in.offset();
        std::vector<Cell> cells;
        bool whole = true;
        for (int i = 0; i < rows * module.channels; ++i) {
            Cell cell;
            int first = in.u8();
            if (first & 0x80) {
                whole = false;
                if (first & 1) cell.note = in.u8();
                if (first & 2) cell.instrument = in.u8();
                if (first & 4) cell.volume = in.u8();
                if (first & 8) cell.effect = in.u8();
                if (first & 16) cell.parameter = in.u8();
            } else {
                cell.note = first;
                cell.instrument = in.u8();
                cell.volume = in.u8();
                cell.effect = in.u8();
                cell.parameter = in.u8();
            }
            cells.push_back(cell);
        }
        if (in.offset() - dataStart != dataSize) throw std::runtime_error("pattern data size disagrees with its cells");
        module.patternRows.push_back(rows);
        module.patternStoredWhole.push_back(whole);
        module.patterns.push_back(cells);
    }

    for (int i = 0; i < instrumentCount; ++i) {
        Instrument instrument;
        size_t start = in.offset();
        instrument.headerSize = in.u32();
        instrument.name = in.text(22);
        in.u8();
        int sampleCount = in.u16();
        if (sampleCount > 0) instrument.sampleHeaderSize = in.u32();
        in.skip(start + instrument.headerSize - in.offset());
        for (int s = 0; s < sampleCount; ++s) {
            Sample sample;
            sample.length = in.u32();
            sample.loopStart = in.u32();
            sample.loopLength = in.u32();
            in.u8();  // volume
            in.u8();  // finetune
            sample.type = in.u8();
            in.u8();  // panning
            sample.relativeNote = static_cast<int8_t>(in.u8());
            sample.packing = in.u8();
            in.skip(22);
            in.skip(instrument.sampleHeaderSize - 40);
            instrument.samples.push_back(sample);
        }
        for (Sample& sample : instrument.samples) {
            // Sixteen-bit samples are stored as differences from the previous value.
            uint16_t value = 0;
            for (uint32_t b = 0; b < sample.length / 2; ++b) {
                value = static_cast<uint16_t>(value + in.u16());
                sample.pcm.push_back(static_cast<int16_t>(value));
            }
            in.skip(sample.length % 2);
        }
        module.instruments.push_back(instrument);
    }
    module.consumedExactly = in.atEnd();
    return module;
}

// Interleaved stereo float frames from a WAV file that openmpt123 rendered.
std::vector<float> readFloatWav(const std::string& path, int& rate) {
    std::vector<uint8_t> bytes = readBytes(path);
    size_t position = 12;
    while (position + 8 <= bytes.size()) {
        uint32_t size;
        std::memcpy(&size, &bytes[position + 4], 4);
        if (std::memcmp(&bytes[position], "fmt ", 4) == 0) {
            uint16_t format, channels, bits;
            std::memcpy(&format, &bytes[position + 8], 2);
            std::memcpy(&channels, &bytes[position + 10], 2);
            std::memcpy(&rate, &bytes[position + 12], 4);
            std::memcpy(&bits, &bytes[position + 22], 2);
            if (format != 3 || channels != 2 || bits != 32) throw std::runtime_error("expected stereo float WAV");
        }
        if (std::memcmp(&bytes[position], "data", 4) == 0) {
            size = std::min<uint32_t>(size, static_cast<uint32_t>(bytes.size() - position - 8));
            std::vector<float> samples(size / 4);
            std::memcpy(samples.data(), &bytes[position + 8], samples.size() * 4);
            return samples;
        }
        position += 8 + size + (size & 1);
    }
    throw std::runtime_error("no data in " + path);
}

// Loudness as broadcast meters measure it: each channel through the
// K-weighting (a high shelf and a high pass), then mean squares over windows.
class Loudness {
public:
    Loudness(const std::vector<float>& stereo, int rate) : rate(rate), power(stereo.size() / 2, 0.0) {
        for (int channel = 0; channel < 2; ++channel) {
            Biquad shelf = highShelf(rate);
            Biquad highPass = lowCut(rate);
            for (size_t i = 0; i < power.size(); ++i) {
                double value = highPass.process(shelf.process(stereo[2 * i + channel]));
                power[i] += value * value;
            }
        }
        cumulative.assign(power.size() + 1, 0.0);
        for (size_t i = 0; i < power.size(); ++i) cumulative[i + 1] = cumulative[i] + power[i];
    }

    // Mean-square powers of windows `seconds` long, ending every 0.1 s from
    // `from` to `to` seconds.
    std::vector<double> windows(double seconds, double from, double to) const {
        std::vector<double> result;
        for (double end = from; end <= to + 1e-9; end += 0.1) {
            size_t last = std::min(power.size(), static_cast<size_t>(end * rate));
            size_t first = last - std::min(last, static_cast<size_t>(seconds * rate));
            if (last > first) result.push_back((cumulative[last] - cumulative[first]) / (last - first));
        }
        return result;
    }

    // Gated over 400 ms blocks: blocks under -70 LUFS, then those 10 LU
    // under the mean of the rest, do not count.
    double integrated() const {
        std::vector<double> blocks = windows(0.4, 0.4, static_cast<double>(power.size()) / rate);
        double absolute = std::pow(10.0, (-70.0 + 0.691) / 10.0);
        double relative = meanAbove(blocks, absolute) * 0.1;
        return levelOf(meanAbove(blocks, std::max(absolute, relative)));
    }

    // The power mean of the three-second loudness within a stretch of the song.
    double shortTerm(double from, double to) const { return levelOf(meanAbove(windows(3.0, from + 3.0, to), 0.0)); }

private:
    static double levelOf(double meanSquare) { return -0.691 + 10.0 * std::log10(meanSquare); }
    static double meanAbove(const std::vector<double>& values, double threshold) {
        double sum = 0.0;
        int count = 0;
        for (double value : values) {
            if (value <= threshold) continue;
            sum += value;
            ++count;
        }
        return count ? sum / count : 0.0;
    }

    struct Biquad {
        double b0, b1, b2, a1, a2;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        double process(double x) {
            double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1, x1 = x, y2 = y1, y1 = y;
            return y;
        }
    };
    static Biquad highShelf(int rate) {
        const double a = std::pow(10.0, 3.99984 / 40.0), w = 2 * M_PI * 1681.97 / rate;
        const double alpha = std::sin(w) / (2 * 0.7072), c = std::cos(w), root = 2 * std::sqrt(a) * alpha;
        const double a0 = (a + 1) - (a - 1) * c + root;
        return {a * ((a + 1) + (a - 1) * c + root) / a0, -2 * a * ((a - 1) + (a + 1) * c) / a0,
                a * ((a + 1) + (a - 1) * c - root) / a0, 2 * ((a - 1) - (a + 1) * c) / a0,
                ((a + 1) - (a - 1) * c - root) / a0};
    }
    static Biquad lowCut(int rate) {
        const double w = 2 * M_PI * 38.1355 / rate, alpha = std::sin(w) / (2 * 0.5003), c = std::cos(w);
        const double a0 = 1 + alpha;
        return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
    }

    int rate;
    std::vector<double> power;  // left plus right, K-weighted, squared
    std::vector<double> cumulative;
};

class ForgeMusic : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        directory = makeTemporaryDirectory();
        path = forgeInto(directory);
        bytes = readBytes(path);
        module = readModule(bytes);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(directory); }

    static std::string directory;
    static std::string path;
    static std::vector<uint8_t> bytes;
    static Module module;
};

std::string ForgeMusic::directory;
std::string ForgeMusic::path;
std::vector<uint8_t> ForgeMusic::bytes;
Module ForgeMusic::module;

TEST_F(ForgeMusic, HeaderDeclaresThirtyTwoOrdersAtSpeedSixAnd125Bpm) {
    EXPECT_EQ(module.id, "Extended Module: ");
    EXPECT_EQ(module.version, 0x0104);
    EXPECT_EQ(module.headerSize, 276u);
    EXPECT_EQ(module.orderCount, kOrders);
    EXPECT_EQ(module.speed, 6);
    EXPECT_EQ(module.tempo, 125);
    EXPECT_GE(module.channels, 2);
    EXPECT_LE(module.channels, 32);
    EXPECT_TRUE(module.consumedExactly) << "bytes left over after the last sample";
    for (int order : module.orders) EXPECT_LT(order, static_cast<int>(module.patterns.size()));
}

TEST_F(ForgeMusic, EveryPatternHas64RowsWithEveryCellStored) {
    ASSERT_FALSE(module.patterns.empty());
    for (size_t p = 0; p < module.patterns.size(); ++p) {
        EXPECT_EQ(module.patternRows[p], kRows) << "pattern " << p;
        EXPECT_TRUE(module.patternStoredWhole[p]) << "pattern " << p;
    }
}

TEST_F(ForgeMusic, InstrumentsUseStandardHeadersAndSixteenBitDeltaSamples) {
    ASSERT_GE(module.instruments.size(), 8u);
    for (const Instrument& instrument : module.instruments) {
        SCOPED_TRACE(instrument.name);
        EXPECT_EQ(instrument.headerSize, 263u);
        EXPECT_EQ(instrument.sampleHeaderSize, 40u);
        ASSERT_EQ(instrument.samples.size(), 1u);
        const Sample& sample = instrument.samples[0];
        EXPECT_TRUE(sample.type & 0x10) << "not 16-bit";
        EXPECT_EQ(sample.packing, 0);
        EXPECT_EQ(sample.length % 2, 0u);
        EXPECT_GT(sample.pcm.size(), 100u);
        if (sample.type & 3) {
            EXPECT_GT(sample.loopLength, 0u);
            EXPECT_LE(sample.loopStart + sample.loopLength, sample.length);
            EXPECT_EQ(sample.loopStart % 2, 0u);
        }
        // Decoded samples stay below full scale: the synthesis left headroom.
        for (int16_t value : sample.pcm) ASSERT_GT(value, -32768);
    }
    for (const char* name : {"kick", "snare", "closed hat", "open hat", "bass", "lead", "arpeggio"})
        EXPECT_NE(module.instrumentNamed(name), 0) << name;
}

TEST_F(ForgeMusic, EveryBeatRowCarriesAKickOrSnareAndOnlyGhostNotesFallBetween) {
    const int kick = module.instrumentNamed("kick");
    const int snare = module.instrumentNamed("snare");
    ASSERT_NE(kick, 0);
    ASSERT_NE(snare, 0);
    auto volumeOf = [](const Cell& cell) {
        return cell.volume >= 0x10 && cell.volume <= 0x50 ? cell.volume - 0x10 : 64;
    };
    int pulsingOrders = 0;
    for (int order = 0; order < kOrders; ++order) {
        std::set<int> marked = beatRows(order);
        if (marked.empty()) continue;
        ++pulsingOrders;
        int quietestHit = 64;
        int loudestOffBeat = 0;
        for (int row = 0; row < kRows; ++row) {
            bool hasKick = false;
            bool hasSnare = false;
            int volume = 0;
            for (int channel = 0; channel < module.channels; ++channel) {
                const Cell& cell = module.cell(order, row, channel);
                if (cell.note < 1 || cell.note > 96) continue;
                hasKick = hasKick || cell.instrument == kick;
                hasSnare = hasSnare || cell.instrument == snare;
                if (cell.instrument == kick || cell.instrument == snare) volume = std::max(volume, volumeOf(cell));
            }
            if (marked.count(row)) {
                EXPECT_TRUE(hasKick || hasSnare) << "order " << order << " row " << row;
                quietestHit = std::min(quietestHit, volume);
            } else {
                EXPECT_FALSE(hasKick) << "kick off the beat: order " << order << " row " << row;
                if (hasSnare) loudestOffBeat = std::max(loudestOffBeat, volume);
            }
        }
        EXPECT_LT(loudestOffBeat, quietestHit) << "order " << order;
    }
    EXPECT_GT(pulsingOrders, 0);
}

TEST_F(ForgeMusic, TwoRunsWriteIdenticalBytes) {
    std::string other = makeTemporaryDirectory();
    std::vector<uint8_t> again = readBytes(forgeInto(other));
    std::filesystem::remove_all(other);
    EXPECT_EQ(again.size(), bytes.size());
    EXPECT_TRUE(again == bytes);
}

TEST_F(ForgeMusic, IndependentPlayersReportThirtyTwoOrdersAndFourMinutesSix) {
    std::string info = run("openmpt123 --info '" + path + "' 2>&1");
    EXPECT_NE(info.find("Orders.....: 32"), std::string::npos) << info;
    EXPECT_NE(info.find("Duration...: 04:05.760"), std::string::npos) << info;
    EXPECT_NE(info.find("Channels...: " + std::to_string(module.channels)), std::string::npos) << info;

    std::string loaded = run("xmp --load-only '" + path + "' 2>&1");
    EXPECT_NE(loaded.find("Module length: 32 patterns"), std::string::npos) << loaded;
    EXPECT_NE(loaded.find("Duration     : 4min06s"), std::string::npos) << loaded;
}

TEST_F(ForgeMusic, RenderStaysBelowFullScaleAndPulsesOnTheBeatRows) {
    run("openmpt123 --quiet --render --force --samplerate 44100 '" + path + "' >/dev/null 2>&1");
    int rate = 0;
    std::vector<float> stereo = readFloatWav(path + ".wav", rate);
    std::filesystem::remove(path + ".wav");
    ASSERT_EQ(rate, 44100);
    const size_t frames = stereo.size() / 2;
    const double rowSeconds = 0.12;
    ASSERT_GE(frames, static_cast<size_t>(kOrders * kRows * rowSeconds * rate) - rate / 10);

    float peak = 0.0f;
    for (float value : stereo) peak = std::max(peak, std::fabs(value));
    EXPECT_LT(peak, 0.9f) << "too little headroom";

    // Every order is heard: no stretch of the song is silent.
    for (int order = 0; order < kOrders; ++order) {
        size_t start = static_cast<size_t>(order * kRows * rowSeconds * rate);
        size_t end = static_cast<size_t>((order + 1) * kRows * rowSeconds * rate);
        double energy = 0.0;
        for (size_t i = start; i < end && i < frames; ++i) energy += stereo[2 * i] * stereo[2 * i];
        EXPECT_GT(std::sqrt(energy / (end - start)), 0.01) << "order " << order;
    }

    // The low band's onset energy on the marked rows stands clearly above the
    // rest, so the pictures pulse on audible hits.
    std::vector<double> low(frames);
    const double coefficient = 1.0 - std::exp(-2.0 * M_PI * 150.0 / rate);
    double first = 0.0, second = 0.0;
    for (size_t i = 0; i < frames; ++i) {
        double mono = 0.5 * (stereo[2 * i] + stereo[2 * i + 1]);
        first += coefficient * (mono - first);
        second += coefficient * (first - second);
        low[i] = second;
    }
    for (int order = 0; order < kOrders; ++order) {
        std::set<int> marked = beatRows(order);
        if (marked.empty()) continue;
        double markedEnergy = 0.0, otherEnergy = 0.0;
        for (int row = 0; row < kRows; ++row) {
            size_t start = static_cast<size_t>((order * kRows + row) * rowSeconds * rate);
            double energy = 0.0;
            for (size_t i = start; i < start + static_cast<size_t>(0.04 * rate) && i < frames; ++i)
                energy += low[i] * low[i];
            (marked.count(row) ? markedEnergy : otherEnergy) += energy;
        }
        double ratio = (markedEnergy / marked.size()) / (otherEnergy / (kRows - marked.size()));
        EXPECT_GT(ratio, 1.5) << "order " << order;
    }
}

TEST_F(ForgeMusic, ShowsMusicLayerPlaysItRowByRowToRow63WithoutClipping) {
    constexpr size_t kRowFrames = 5292;  // 0.12 s at 44100 Hz
    constexpr size_t kBarFrames = 16 * kRowFrames;
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE));
    ASSERT_TRUE(FSOUND_Init(44100, 32));
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(song, nullptr);
    ASSERT_TRUE(FMUSIC_PlaySong(song));
    std::vector<int16_t> buffer(2 * kBarFrames);
    size_t songFrames = 0;
    int peak = 0;
    for (int bar = 0; bar < kOrders * 4; ++bar) {
        ASSERT_EQ(FMUSIC_GetOrder(song), bar / 4) << "bar " << bar;
        ASSERT_EQ(FMUSIC_GetRow(song), bar % 4 * 16) << "bar " << bar;
        // The last bar stops one row short, where the show ends.
        size_t frames = bar == kOrders * 4 - 1 ? kBarFrames - kRowFrames : kBarFrames;
        songFrames += FSOUND_Offline_Mix(buffer.data(), frames);
        for (size_t i = 0; i < 2 * frames; ++i) peak = std::max(peak, std::abs(static_cast<int>(buffer[i])));
    }
    EXPECT_EQ(FMUSIC_GetOrder(song), kOrders - 1);
    EXPECT_EQ(FMUSIC_GetRow(song), 63);
    songFrames += FSOUND_Offline_Mix(buffer.data(), kBarFrames);
    EXPECT_EQ(songFrames, kOrders * kRows * kRowFrames);
    EXPECT_LT(peak, static_cast<int>(0.9 * 32767));
    FMUSIC_StopSong(song);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
}

// An order is stale when under 5% of its cells (by channel, row and content)
// were never heard in an earlier order. The song never stays stale for more
// than two orders (about 15 s), and is stale for under a fifth of its time.
TEST_F(ForgeMusic, EveryOrderOrTheNextBringsSomethingNewAndEveryPadColourHasAPart) {
    std::set<std::vector<int>> heard;
    int staleOrders = 0;
    int run = 0;
    for (int order = 0; order < kOrders; ++order) {
        std::set<std::vector<int>> cells;
        for (int row = 0; row < kRows; ++row)
            for (int channel = 0; channel < module.channels; ++channel) {
                const Cell& c = module.cell(order, row, channel);
                if (c.note || c.instrument || c.volume || c.effect || c.parameter)
                    cells.insert({channel, row, c.note, c.instrument, c.volume, c.effect, c.parameter});
            }
        size_t fresh = 0;
        for (const std::vector<int>& cell : cells) fresh += heard.count(cell) == 0;
        heard.insert(cells.begin(), cells.end());
        bool stale = fresh * 20 < cells.size();
        staleOrders += stale;
        run = stale ? run + 1 : 0;
        EXPECT_LE(run, 2) << "three stale orders in a row, up to order " << order;
    }
    EXPECT_LT(staleOrders * 5, kOrders) << staleOrders << " stale orders";

    // Each pad colour plays a part: notes, counting the chord changes it glides to.
    std::vector<int> playing(module.channels, 0);
    std::vector<int> notes(module.instruments.size() + 1, 0);
    for (int order = 0; order < kOrders; ++order)
        for (int row = 0; row < kRows; ++row)
            for (int channel = 0; channel < module.channels; ++channel) {
                const Cell& cell = module.cell(order, row, channel);
                if (cell.instrument) playing[channel] = cell.instrument;
                if (cell.note >= 1 && cell.note <= 96) ++notes[playing[channel]];
            }
    for (const char* name : {"pad dark", "pad warm", "pad bright"})
        EXPECT_GE(notes[module.instrumentNamed(name)], 32) << name;
}

// Each pitched instrument holds its waveform in cycles of 128 samples. On
// every note it plays, each partial within 60 dB of its strongest stays below
// 20 kHz, so nothing folds back from above what the output can carry.
TEST_F(ForgeMusic, PitchedInstrumentsKeepTheirPartialsBelow20KhzOnEveryNote) {
    constexpr int kCycle = 128, kCycles = 4;
    std::vector<double> topPartial(module.instruments.size() + 1, 0.0);
    for (const char* name : {"bass", "pad dark", "pad warm", "pad bright", "lead", "lead high", "arpeggio", "glass"}) {
        int number = module.instrumentNamed(name);
        ASSERT_NE(number, 0) << name;
        const std::vector<int16_t>& pcm = module.instruments[number - 1].samples[0].pcm;
        ASSERT_GE(pcm.size(), static_cast<size_t>(kCycle * kCycles)) << name;
        // The first cycles are the brightest: the attack's partials die down.
        std::vector<double> amplitude(kCycle / 2);
        for (int k = 1; k < kCycle / 2; ++k) {
            double re = 0.0, im = 0.0;
            for (int i = 0; i < kCycle * kCycles; ++i) {
                double window = 0.5 - 0.5 * std::cos(2 * M_PI * i / (kCycle * kCycles));
                re += pcm[i] * window * std::cos(2 * M_PI * k * i / kCycle);
                im += pcm[i] * window * std::sin(2 * M_PI * k * i / kCycle);
            }
            amplitude[k] = std::hypot(re, im);
        }
        double strongest = *std::max_element(amplitude.begin(), amplitude.end());
        for (int k = 1; k < kCycle / 2; ++k)
            if (amplitude[k] > strongest * 1e-3) topPartial[number] = k;
    }
    std::vector<int> playing(module.channels, 0);
    for (int order = 0; order < kOrders; ++order)
        for (int row = 0; row < kRows; ++row)
            for (int channel = 0; channel < module.channels; ++channel) {
                const Cell& cell = module.cell(order, row, channel);
                if (cell.instrument) playing[channel] = cell.instrument;
                if (cell.note < 1 || cell.note > 96 || playing[channel] == 0 || topPartial[playing[channel]] == 0)
                    continue;
                const Instrument& instrument = module.instruments[playing[channel] - 1];
                double rate = 8363.0 * std::pow(2.0, (cell.note - 49 + instrument.samples[0].relativeNote) / 12.0);
                EXPECT_LT(rate / kCycle * topPartial[playing[channel]], 20000.0)
                    << instrument.name << " at note " << cell.note << ", order " << order << " row " << row;
            }
}

// Full level on the decoder's own render: -17 to -15 LUFS integrated, and the
// climax (orders 23-30) 2 to 3 LU louder than the groove (orders 7-13).
TEST_F(ForgeMusic, RenderIsAtFullLevelAndTheClimaxLiftsOverTheGroove) {
    run("openmpt123 --quiet --render --force --samplerate 48000 '" + path + "' >/dev/null 2>&1");
    int rate = 0;
    std::vector<float> stereo = readFloatWav(path + ".wav", rate);
    std::filesystem::remove(path + ".wav");
    ASSERT_EQ(rate, 48000);
    Loudness loudness(stereo, rate);
    const double order = kRows * 0.12;
    double integrated = loudness.integrated();
    EXPECT_GE(integrated, -17.0);
    EXPECT_LE(integrated, -15.0);
    double lift = loudness.shortTerm(23 * order, 31 * order) - loudness.shortTerm(7 * order, 14 * order);
    EXPECT_GE(lift, 2.0);
    EXPECT_LE(lift, 3.0);
}

// The show mixes at four rates with four interpolations: none of them clips.
TEST_F(ForgeMusic, ShowsMixersStayUnderNinetyPercentAtEveryRateAndInterpolation) {
    for (int mixRate : {44100, 22050, 11025, 8000}) {
        for (int mixer : {FSOUND_MIXER_AUTODETECT, FSOUND_MIXER_BLENDMODE, FSOUND_MIXER_MMXP5, FSOUND_MIXER_MMXP6}) {
            SCOPED_TRACE("rate " + std::to_string(mixRate) + ", mixer " + std::to_string(mixer));
            ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_OFFLINE));
            ASSERT_TRUE(FSOUND_SetMixer(mixer));
            ASSERT_TRUE(FSOUND_Init(mixRate, 32));
            FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
            ASSERT_NE(song, nullptr);
            ASSERT_TRUE(FMUSIC_PlaySong(song));
            std::vector<int16_t> buffer(2 * 8192);
            size_t frames = 0, mixed;
            int peak = 0;
            while ((mixed = FSOUND_Offline_Mix(buffer.data(), 8192)) > 0) {
                frames += mixed;
                for (size_t i = 0; i < 2 * mixed; ++i) peak = std::max(peak, std::abs(static_cast<int>(buffer[i])));
            }
            EXPECT_GT(frames, static_cast<size_t>(245 * mixRate));
            EXPECT_LT(peak, static_cast<int>(0.9 * 32767));
            FMUSIC_StopSong(song);
            FMUSIC_FreeSong(song);
            FSOUND_Close();
        }
    }
}

}  // namespace
