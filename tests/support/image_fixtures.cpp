#include "support/image_fixtures.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "image/Image.h"
#include "platform/display/DynamicError.h"

uint32_t RgbPicture::at(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

RgbPicture makePicture(int width, int height, int colours) {
    RgbPicture picture{width, height, {}};
    picture.rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (colours > 0) {
                // Index i gives a colour no other index below 256 gives.
                const int i = (x * 7 + y * 13) % colours;
                picture.rgb.push_back(static_cast<uint8_t>(i));
                picture.rgb.push_back(static_cast<uint8_t>((i * 91 + 17) & 0xff));
                picture.rgb.push_back(static_cast<uint8_t>(255 - i));
            } else {
                picture.rgb.push_back(static_cast<uint8_t>(x * 255 / width));
                picture.rgb.push_back(static_cast<uint8_t>(y * 255 / height));
                picture.rgb.push_back(static_cast<uint8_t>((x ^ (y * 5)) & 0xff));
            }
        }
    }
    return picture;
}

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "peekstun-image-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch directory");
    root = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string ScratchDir::path(const std::string& name) const { return root + "/" + name; }

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writePpm(const std::string& path, const RgbPicture& picture) {
    const std::string head = "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
    std::vector<uint8_t> bytes(head.begin(), head.end());
    bytes.insert(bytes.end(), picture.rgb.begin(), picture.rgb.end());
    writeFile(path, bytes);
}

namespace {

// The next header number of a PPM, skipping white space and comments.
int ppmNumber(const std::vector<uint8_t>& bytes, size_t& at) {
    while (at < bytes.size()) {
        if (bytes[at] == '#') {
            while (at < bytes.size() && bytes[at] != '\n') ++at;
        } else if (std::isspace(bytes[at])) {
            ++at;
        } else {
            break;
        }
    }
    int value = 0;
    bool any = false;
    while (at < bytes.size() && std::isdigit(bytes[at])) {
        value = value * 10 + (bytes[at++] - '0');
        any = true;
    }
    if (!any) throw std::runtime_error("malformed PPM header");
    return value;
}

}  // namespace

RgbPicture readPpm(const std::string& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') throw std::runtime_error(path + " is not a PPM");
    size_t at = 2;
    RgbPicture picture;
    picture.width = ppmNumber(bytes, at);
    picture.height = ppmNumber(bytes, at);
    if (ppmNumber(bytes, at) != 255) throw std::runtime_error(path + " has samples other than 8-bit");
    ++at;  // the single white-space byte before the samples
    const size_t size = static_cast<size_t>(picture.width) * picture.height * 3;
    if (bytes.size() < at + size) throw std::runtime_error(path + " is short");
    picture.rgb.assign(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + size));
    return picture;
}

bool toolAvailable(const std::string& program) { return runQuietly("command -v '" + program + "'"); }

bool runQuietly(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

std::vector<uint32_t> coloursOf(const Image& image) {
    const DynamicFormat format = image.format();
    const int bytes = format.bytes();
    const size_t count = static_cast<size_t>(image.width()) * image.height();
    DynamicPalette palette = image.palette();
    const int32_t* entries = palette.lock();
    const uint8_t* p = image.pixels();
    std::vector<uint32_t> colours(count);
    for (size_t i = 0; i < count; ++i, p += bytes) {
        if (bytes == 1) {
            colours[i] = static_cast<uint32_t>(entries[p[0]]);
        } else if (bytes == 2) {
            const int word = p[0] | (p[1] << 8);
            auto widen = [](int v) { return static_cast<uint32_t>((v << 3) | (v >> 2)); };
            colours[i] = (widen((word >> 10) & 31) << 16) | (widen((word >> 5) & 31) << 8) | widen(word & 31);
        } else {
            colours[i] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
    }
    palette.unlock();
    return colours;
}

std::string errorFrom(const std::function<void()>& call) {
    try {
        call();
    } catch (const DynamicError& error) {
        return error.message();
    }
    return "";
}

std::vector<uint8_t> pixelsOf(const Image& image) {
    const size_t size = static_cast<size_t>(image.width()) * image.height() * image.format().bytes();
    return std::vector<uint8_t>(image.pixels(), image.pixels() + size);
}

namespace {

bool closeEnough(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff)) > tolerance) {
            return false;
        }
    }
    return true;
}

}  // namespace

void expectSamePicture(const std::string& path, const RgbPicture& source, int bytesPerPixel, int tolerance) {
    const std::string error = errorFrom([&] {
        Image image(path.c_str());
        ASSERT_EQ(image.width(), source.width) << path;
        ASSERT_EQ(image.height(), source.height) << path;
        EXPECT_EQ(image.format().bytes(), bytesPerPixel) << path;
        const std::vector<uint32_t> colours = coloursOf(image);
        int mismatches = 0;
        for (int y = 0; y < source.height; ++y) {
            for (int x = 0; x < source.width; ++x) {
                const uint32_t got = colours[static_cast<size_t>(y) * source.width + x];
                if (!closeEnough(got, source.at(x, y), tolerance) && ++mismatches <= 3) {
                    ADD_FAILURE() << path << " pixel (" << x << ", " << y << "): " << std::hex << got << " instead of "
                                  << source.at(x, y);
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << path;
    });
    EXPECT_EQ(error, "") << path;
}
