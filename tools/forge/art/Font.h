// Text set with a TrueType font through FreeType, as anti-aliased coverage.
#pragma once

#include <memory>
#include <string>

#include "Mask.h"

// The packaged free fonts the pictures use.
namespace fonts {
extern const char* const sansBold;
extern const char* const sansCondensedBold;
extern const char* const mono;
extern const char* const monoBold;
}  // namespace fonts

// Where a line of text sits in the mask that holds it.
struct TextLine {
    Mask mask;     // one line of text, as wide as its ink and pen travel
    int baseline;  // row of the baseline inside the mask
    int advance;   // the pen's travel, in pixels
};

class Font {
public:
    // Opens the font file at the given pixel height (em size); throws if the
    // file is missing or not a font.
    Font(const std::string& path, int pixelSize);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Lays out one line of ASCII text; tracking adds pixels between letters.
    TextLine render(const std::string& text, int tracking = 0) const;
    // Pixels from baseline to the top of a capital letter.
    int capHeight() const;

private:
    struct Face;
    std::unique_ptr<Face> face_;
};
