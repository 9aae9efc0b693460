#include "Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace fonts {
const char* const sansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const char* const sansCondensedBold = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
const char* const mono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const char* const monoBold = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
}  // namespace fonts

struct Font::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

Font::Font(const std::string& path, int pixelSize) : face_(new Face) {
    if (FT_Init_FreeType(&face_->library) != 0) throw std::runtime_error("cannot start FreeType");
    if (FT_New_Face(face_->library, path.c_str(), 0, &face_->face) != 0) {
        FT_Done_FreeType(face_->library);
        throw std::runtime_error("cannot open font " + path + " (install fonts-dejavu-core)");
    }
    FT_Set_Pixel_Sizes(face_->face, 0, static_cast<FT_UInt>(pixelSize));
}

Font::~Font() {
    FT_Done_Face(face_->face);
    FT_Done_FreeType(face_->library);
}

int Font::capHeight() const {
    FT_Face face = face_->face;
    if (FT_Load_Char(face, 'H', FT_LOAD_DEFAULT) != 0) return 0;
    return static_cast<int>((face->glyph->metrics.horiBearingY + 32) >> 6);
}

TextLine Font::render(const std::string& text, int tracking) const {
    FT_Face face = face_->face;
    struct Placed {
        std::vector<float> coverage;
        int left, top, width, height;
    };
    std::vector<Placed> glyphs;
    long pen = 0;  // 26.6 fixed point
    FT_UInt previous = 0;
    int minX = 0, maxX = 0, maxAbove = static_cast<int>(face->size->metrics.ascender >> 6);
    int maxBelow = static_cast<int>(-face->size->metrics.descender >> 6);
    for (unsigned char c : text) {
        FT_UInt index = FT_Get_Char_Index(face, c);
        if (previous != 0 && index != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kerning;
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning);
            pen += kerning.x;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) throw std::runtime_error("cannot render a glyph");
        FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        Placed placed{{},
                      static_cast<int>((pen + 32) >> 6) + slot->bitmap_left,
                      slot->bitmap_top,
                      static_cast<int>(bitmap.width),
                      static_cast<int>(bitmap.rows)};
        placed.coverage.resize(static_cast<size_t>(placed.width) * placed.height);
        for (int y = 0; y < placed.height; ++y)
            for (int x = 0; x < placed.width; ++x)
                placed.coverage[static_cast<size_t>(y) * placed.width + x] =
                    bitmap.buffer[y * bitmap.pitch + x] / 255.0f;
        if (placed.width > 0) {
            minX = std::min(minX, placed.left);
            maxX = std::max(maxX, placed.left + placed.width);
            maxAbove = std::max(maxAbove, placed.top);
            maxBelow = std::max(maxBelow, placed.height - placed.top);
        }
        glyphs.push_back(std::move(placed));
        pen += slot->advance.x + tracking * 64;
        previous = index;
    }
    int advance = static_cast<int>((pen + 32) >> 6);
    maxX = std::max(maxX, advance);
    TextLine line{Mask(maxX - minX, maxAbove + maxBelow), maxAbove, advance};
    for (const Placed& g : glyphs)
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                float& v = line.mask.at(g.left - minX + x, maxAbove - g.top + y);
                v = std::max(v, g.coverage[static_cast<size_t>(y) * g.width + x]);
            }
    return line;
}
