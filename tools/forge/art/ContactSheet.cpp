// A contact sheet of all the pictures: each read back from its file, enlarged
// when small, wide strips wrapped into rows, with its name above it.
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "../forge.h"
#include "../output.h"
#include "Font.h"
#include "PictureReader.h"
#include "show/catalogue.h"

namespace {

constexpr int sheetWidth = 1320;
constexpr int margin = 10;
constexpr int labelHeight = 16;
const Rgb sheetColour = hex(0x303038);
const Rgb frameColour = hex(0x707080);

struct Tile {
    std::string name;
    Canvas picture;
    int scale;
    int chunkWidth;  // wide pictures wrap into chunks of this width
    int chunks;
    // Wide enough for the picture and for its name (about 7 pixels a letter).
    int width() const { return std::max(chunkWidth * scale + 2, static_cast<int>(name.size()) * 7); }
    int height() const { return (picture.height() * scale + 2) * chunks - (chunks - 1) + labelHeight; }
};

Tile makeTile(const std::string& name, Canvas picture) {
    int scale = picture.width() <= 48 && picture.height() <= 64 ? 4 : picture.width() <= 16 ? 2 : 1;
    int usable = sheetWidth - 2 * margin - 2;
    int chunkWidth = std::min(picture.width(), usable / scale);
    int chunks = (picture.width() + chunkWidth - 1) / chunkWidth;
    return {name, std::move(picture), scale, chunkWidth, chunks};
}

void drawTile(Canvas& sheet, const Tile& tile, int left, int top, const Font& font) {
    TextLine label = font.render(tile.name);
    sheet.stamp(label.mask, left, top + labelHeight - 4 - label.baseline, hex(0xd0d8e0));
    int y = top + labelHeight;
    for (int chunk = 0; chunk < tile.chunks; ++chunk) {
        int from = chunk * tile.chunkWidth;
        int columns = std::min(tile.chunkWidth, tile.picture.width() - from);
        int h = tile.picture.height() * tile.scale;
        for (int py = -1; py <= h; ++py)
            for (int px = -1; px <= columns * tile.scale; ++px) {
                int sx = left + 1 + px, sy = y + 1 + py;
                if (sx < 0 || sy < 0 || sx >= sheet.width() || sy >= sheet.height()) continue;
                bool border = px < 0 || py < 0 || px == columns * tile.scale || py == h;
                sheet.at(sx, sy) = border ? frameColour : tile.picture.at(from + px / tile.scale, py / tile.scale);
            }
        y += h + 1;
    }
}

// Returns the size of the file written.
size_t writePng(const std::string& path, const Canvas& picture) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw fileError("cannot create", path, errno);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        // libpng stops here when a write to the file fails.
        const int error = errno;
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        throw fileError("cannot write", path, error);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width(), picture.height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> rgb = picture.toRgb8();
    for (int y = 0; y < picture.height(); ++y) png_write_row(png, &rgb[static_cast<size_t>(y) * picture.width() * 3]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    const long size = std::ftell(file);
    if (std::fclose(file) != 0 || size < 0) throw fileError("cannot write", path, errno);
    return static_cast<size_t>(size);
}

}  // namespace

void forgeContactSheet(const std::string& dataDir, const std::string& pngPath) {
    std::vector<Tile> tiles;
    for (const show::PictureFile& entry : show::kPictures)
        tiles.push_back(makeTile(entry.path, readPicture(dataDir + "/" + entry.path)));

    // Flow the tiles into rows.
    struct Placement {
        int left, top;
    };
    std::vector<Placement> places;
    int x = margin, y = margin, rowHeight = 0;
    for (const Tile& tile : tiles) {
        if (x + tile.width() > sheetWidth - margin && x > margin) {
            x = margin;
            y += rowHeight + margin;
            rowHeight = 0;
        }
        places.push_back({x, y});
        x += tile.width() + margin;
        rowHeight = std::max(rowHeight, tile.height());
    }
    Canvas sheet(sheetWidth, y + rowHeight + margin, sheetColour);
    Font font(fonts::sansBold, 11);
    for (size_t i = 0; i < tiles.size(); ++i) drawTile(sheet, tiles[i], places[i].left, places[i].top, font);
    reportFile(pngPath, writePng(pngPath, sheet), "contact sheet of " + std::to_string(tiles.size()) + " pictures");
}
