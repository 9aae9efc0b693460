#include <filesystem>
#include <stdexcept>

#include "../forge.h"
#include "Catalogue.h"
#include "Painters.h"

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
    for (const std::string& name : pictureCatalogue())
        if (!std::filesystem::exists(dataDir + "/" + name)) throw std::runtime_error("picture not painted: " + name);
}
