// Decoding a 320 x 240 picture file through Image: an 8-bit PCX, a 24-bit PCX
// and a 32-bit TGA, written into a temporary directory at set-up, each beside
// reading the file's number of bytes from memory (BM_Floor_ReadDataFiles).
#include "image/Image.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "floors.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Run-length encodes one plane of one scan line the usual way: runs of up to
// 63, and single bytes below 0xC0 as themselves.
void encodePlane(const uint8_t* plane, int length, std::vector<uint8_t>& out) {
    for (int x = 0; x < length;) {
        int run = 1;
        while (x + run < length && run < 63 && plane[x + run] == plane[x]) ++run;
        if (run > 1 || plane[x] >= 0xC0) out.push_back(static_cast<uint8_t>(0xC0 + run));
        out.push_back(plane[x]);
        x += run;
    }
}

// A picture of soft bands and fine grain, so that runs are short as in a
// painted picture: sample c (0 red, 1 green, 2 blue) of pixel (x, y).
uint8_t sample(int x, int y, int c) {
    const unsigned grain = (static_cast<unsigned>(x * 73 + y * 151 + c * 29) * 2654435761u) >> 30;
    return static_cast<uint8_t>(x / 3 + y / 2 + c * 40 + ((x / 16) % 2 ? grain : 0));
}

std::vector<uint8_t> pcxFile(int planes) {
    std::vector<uint8_t> file(128, 0);
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file[8] = (kWidth - 1) & 0xff;
    file[9] = (kWidth - 1) >> 8;
    file[10] = (kHeight - 1) & 0xff;
    file[11] = (kHeight - 1) >> 8;
    file[65] = static_cast<uint8_t>(planes);
    file[66] = kWidth & 0xff;
    file[67] = kWidth >> 8;
    std::vector<uint8_t> plane(kWidth);
    for (int y = 0; y < kHeight; ++y) {
        for (int p = 0; p < planes; ++p) {
            for (int x = 0; x < kWidth; ++x) plane[x] = sample(x, y, p);
            encodePlane(plane.data(), kWidth, file);
        }
    }
    if (planes == 1) {
        file.push_back(12);
        for (int i = 0; i < 256; ++i) file.insert(file.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    }
    return file;
}

class PictureFiles {
public:
    PictureFiles() {
        std::string pattern = (std::filesystem::temp_directory_path() / "peekstun-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) directory = pattern;
        write("indexed.pcx", pcxFile(1));
        write("true.pcx", pcxFile(3));
        std::vector<uint8_t> pixels;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x)
                pixels.insert(pixels.end(), {sample(x, y, 2), sample(x, y, 1), sample(x, y, 0), 0});
        }
        const DynamicFormat format(32, 0xff0000, 0x00ff00, 0x0000ff);
        Image().save(path("true.tga").c_str(), kWidth, kHeight, &format, nullptr, pixels.data(), IMAGE_TGA, nullptr);
    }
    ~PictureFiles() {
        std::error_code ignored;
        if (!directory.empty()) std::filesystem::remove_all(directory, ignored);
    }

    std::string path(const std::string& name) const { return directory + "/" + name; }

private:
    void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        FILE* file = std::fopen(path(name).c_str(), "wb");
        if (!file) return;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    std::string directory;
};

const PictureFiles& files() {
    static const PictureFiles instance;
    return instance;
}

void decode(benchmark::State& state, const std::string& name) {
    const std::string path = files().path(name);
    const size_t bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        Image image(path.c_str());
        benchmark::DoNotOptimize(image.pixels());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
    state.counters["file_bytes"] = static_cast<double>(bytes);
    bench::compareWithReading(state, static_cast<double>(bytes));
}

void BM_Image_DecodePcx8(benchmark::State& state) { decode(state, "indexed.pcx"); }
BENCHMARK(BM_Image_DecodePcx8);

void BM_Image_DecodePcx24(benchmark::State& state) { decode(state, "true.pcx"); }
BENCHMARK(BM_Image_DecodePcx24);

void BM_Image_DecodeTga32(benchmark::State& state) { decode(state, "true.tga"); }
BENCHMARK(BM_Image_DecodeTga32);

}  // namespace
