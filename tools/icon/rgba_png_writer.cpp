#include "rgba_png_writer.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

void writeRgbaPng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height) {
    if (pixels.size() != static_cast<size_t>(width) * height) {
        throw std::runtime_error("picture size does not match its pixels for " + path);
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) throw std::runtime_error("cannot write " + path);

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("cannot start a PNG for " + path);
    }
    std::vector<png_byte> row(static_cast<size_t>(width) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("cannot write " + path);
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* source = pixels.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            row[x * 4 + 0] = static_cast<png_byte>(source[x] >> 16);
            row[x * 4 + 1] = static_cast<png_byte>(source[x] >> 8);
            row[x * 4 + 2] = static_cast<png_byte>(source[x]);
            row[x * 4 + 3] = static_cast<png_byte>(source[x] >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) throw std::runtime_error("cannot write " + path);
}
