#include "PictureFile.h"

#include <stdexcept>

#include "../output.h"
#include "PcxWriter.h"

namespace {

// The show reads each picture as its catalogue says; a painting that differs
// is a fault in the data tool.
void checkAgainstCatalogue(const std::string& name, const Canvas& picture, const SaveFormat& format) {
    for (const show::PictureFile& entry : show::kPictures) {
        if (name != entry.path) continue;
        if (format.kind != entry.format || picture.width() != entry.width || picture.height() != entry.height)
            throw std::runtime_error(name + " is painted in another format or size than the catalogue's");
        return;
    }
    throw std::runtime_error(name + " is not in the show's picture catalogue");
}

}  // namespace

void savePicture(const std::string& dataDir, const std::string& name, const Canvas& picture, const SaveFormat& format) {
    checkAgainstCatalogue(name, picture, format);
    std::vector<uint8_t> bytes;
    std::string what = std::to_string(picture.width()) + " x " + std::to_string(picture.height()) + ", ";
    const char* order = format.layout.bottomUp ? "bottom-up" : "top-down";
    switch (format.kind) {
        case show::kPcx8:
            bytes = encodePcx8(quantise(picture, format.quantise));
            what += "PCX 8-bit with palette";
            break;
        case show::kPcx24:
            bytes = encodePcx24(picture.width(), picture.height(), picture.toRgb8());
            what += "PCX 24-bit";
            break;
        case show::kTga8:
            bytes = encodeTga8(quantise(picture, format.quantise), format.layout);
            what += std::string("TGA colour-mapped 8-bit, ") + order;
            break;
        case show::kTga16:
        case show::kTga24:
        case show::kTga32: {
            int bits = format.kind == show::kTga16 ? 16 : format.kind == show::kTga24 ? 24 : 32;
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
