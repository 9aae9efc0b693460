#include "png_writer.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "file_error.h"

void writePng(const std::string& path, const uint32_t* pixels, int width, int height, bool withAlpha,
              PngCompression compression) {
    FILE* opened = std::fopen(path.c_str(), "wb");
    if (!opened) throw fileError("cannot create", path, errno);
    std::unique_ptr<FILE, int (*)(FILE*)> file(opened, &std::fclose);

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("cannot start a PNG for " + path);
    }
    const int channels = withAlpha ? 4 : 3;
    std::vector<png_byte> row(static_cast<size_t>(width) * channels);
    if (setjmp(png_jmpbuf(png))) {
        // libpng stops here when a write to the file fails.
        const int error = errno;
        png_destroy_write_struct(&png, &info);
        throw fileError("cannot write", path, error);
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width, height, 8, withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, compression.level);
    if (compression.filters == RowFilters::None) png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    if (compression.filters == RowFilters::LeftAndAbove)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
    if (compression.runsOnly) png_set_compression_strategy(png, Z_RLE);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* source = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            png_byte* pixel = &row[static_cast<size_t>(x) * channels];
            pixel[0] = static_cast<png_byte>(source[x] >> 16);
            pixel[1] = static_cast<png_byte>(source[x] >> 8);
            pixel[2] = static_cast<png_byte>(source[x]);
            if (withAlpha) pixel[3] = static_cast<png_byte>(source[x] >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    // The last bytes reach the file only when it is closed.
    if (std::fclose(file.release()) != 0) throw fileError("cannot write", path, errno);
}
