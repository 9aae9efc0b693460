#include "image/ImageHandler.h"

#include <string>

#include "platform/display/DynamicError.h"

void checkImageSize(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide) {
        throw DynamicError("Vorla error - Image size " + std::to_string(width) + " x " + std::to_string(height) +
                           " out of range (1 to " + std::to_string(kMaxImageSide) + " pixels per side)");
    }
}
