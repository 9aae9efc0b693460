#include <filesystem>
#include <stdexcept>

#include "../forge.h"
#include "Painters.h"
#include "show/catalogue.h"

void forgePictures(const std::string& dataDir) {
    paintLoadingScreen(dataDir);
    paintOverlays(dataDir);
    paintFigureScenes(dataDir);
    paintNightScenes(dataDir);
    paintTitle(dataDir);
    paintClock(dataDir);
    paintWords(dataDir);
    paintScroller(dataDir);
    paintTrace(dataDir);
    paintFilmstrip(dataDir);
    paintBinary(dataDir);
    paintTextures(dataDir);
    // The show refuses to start without any one of them, so make sure none was forgotten.
    for (const show::PictureFile& entry : show::kPictures)
        if (!std::filesystem::exists(dataDir + "/" + entry.path))
            throw std::runtime_error(std::string("picture not painted: ") + entry.path);
}
