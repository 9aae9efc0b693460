#include "PictureFile.h"

#include "../output.h"
#include "PcxWriter.h"

void savePicture(const std::string& dataDir, const std::string& name, const Canvas& picture, const SaveFormat& format) {
    std::vector<uint8_t> bytes;
    std::string what = std::to_string(picture.width()) + " x " + std::to_string(picture.height()) + ", ";
    const char* order = format.layout.bottomUp ? "bottom-up" : "top-down";
    switch (format.kind) {
        case FileKind::Pcx8:
            bytes = encodePcx8(quantise(picture, format.quantise));
            what += "PCX 8-bit with palette";
            break;
        case FileKind::Pcx24:
            bytes = encodePcx24(picture.width(), picture.height(), picture.toRgb8());
            what += "PCX 24-bit";
            break;
        case FileKind::Tga8:
            bytes = encodeTga8(quantise(picture, format.quantise), format.layout);
            what += std::string("TGA colour-mapped 8-bit, ") + order;
            break;
        case FileKind::Tga16:
        case FileKind::Tga24:
        case FileKind::Tga32: {
            int bits = format.kind == FileKind::Tga16 ? 16 : format.kind == FileKind::Tga24 ? 24 : 32;
            bytes = encodeTgaTrueColour(picture, bits, format.layout);
            what += "TGA " + std::to_string(bits) + "-bit, " + order;
            break;
        }
    }
    if (!format.layout.imageId.empty()) what += ", with image ID";
    std::string path = dataDir + "/" + name;
    writeFile(path, bytes);
    reportFile(path, bytes.size(), what);
}
