// Saving a painted picture under the data directory in one of the file
// variants the show reads, with a line on standard error for each file.
#pragma once

#include <string>

#include "Canvas.h"
#include "Quantise.h"
#include "TgaWriter.h"
#include "show/catalogue.h"

struct SaveFormat {
    show::PictureFormat kind;
    QuantiseOptions quantise;  // for the 8-bit kinds
    TgaLayout layout;          // for the TGA kinds
};

inline SaveFormat pcx8(int colours = 256, float dither = 0) { return {show::kPcx8, {colours, dither}, {}}; }
inline SaveFormat pcx24() { return {show::kPcx24, {}, {}}; }
inline SaveFormat tga8(bool bottomUp, int colours = 256, float dither = 0, std::string imageId = "") {
    return {show::kTga8, {colours, dither}, {bottomUp, std::move(imageId)}};
}
inline SaveFormat tga16(bool bottomUp) { return {show::kTga16, {}, {bottomUp, ""}}; }
inline SaveFormat tga24(bool bottomUp) { return {show::kTga24, {}, {bottomUp, ""}}; }
inline SaveFormat tga32(bool bottomUp) { return {show::kTga32, {}, {bottomUp, ""}}; }

// Writes DIR/name (name like "gfx/loading.pcx"), which must be the picture the
// show's catalogue names, in the catalogue's format and size.
void savePicture(const std::string& dataDir, const std::string& name, const Canvas& picture, const SaveFormat& format);
