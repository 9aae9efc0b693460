// Saving a painted picture under the data directory in one of the file
// variants the show reads, with a line on standard error for each file.
#pragma once

#include <string>

#include "Canvas.h"
#include "Quantise.h"
#include "TgaWriter.h"

enum class FileKind { Pcx8, Pcx24, Tga8, Tga16, Tga24, Tga32 };

struct SaveFormat {
    FileKind kind;
    QuantiseOptions quantise;  // for the 8-bit kinds
    TgaLayout layout;          // for the TGA kinds
};

inline SaveFormat pcx8(int colours = 256, float dither = 0) { return {FileKind::Pcx8, {colours, dither}, {}}; }
inline SaveFormat pcx24() { return {FileKind::Pcx24, {}, {}}; }
inline SaveFormat tga8(bool bottomUp, int colours = 256, float dither = 0, std::string imageId = "") {
    return {FileKind::Tga8, {colours, dither}, {bottomUp, std::move(imageId)}};
}
inline SaveFormat tga16(bool bottomUp) { return {FileKind::Tga16, {}, {bottomUp, ""}}; }
inline SaveFormat tga24(bool bottomUp) { return {FileKind::Tga24, {}, {bottomUp, ""}}; }
inline SaveFormat tga32(bool bottomUp) { return {FileKind::Tga32, {}, {bottomUp, ""}}; }

// Writes DIR/name (name like "gfx/loading.pcx").
void savePicture(const std::string& dataDir, const std::string& name, const Canvas& picture, const SaveFormat& format);
