#include "Painters.h"
#include "PictureFile.h"
static void stub(const std::string& d, std::initializer_list<const char*> names) {
    for (auto n : names) savePicture(d, n, Canvas(8, 8), tga24(false));
}
void paintOverlays(const std::string& d) { stub(d, {"gfx/analog.pcx", "gfx/genetic.pcx"}); }
void paintFigureScenes(const std::string& d) { stub(d, {"gfx/at-ready.pcx", "gfx/swrdpen.pcx"}); }
void paintNightScenes(const std::string& d) { stub(d, {"gfx/big_spark.pcx", "gfx/us-backalley2.pcx"}); }
void paintTitle(const std::string& d) {
    stub(d, {"gfx/peekstun.pcx", "gfx/p.tga", "gfx/e.tga", "gfx/k.tga", "gfx/s.tga", "gfx/t.tga", "gfx/u.tga",
             "gfx/n.tga", "gfx/fight.tga"});
}
void paintFilmstrip(const std::string& d) { stub(d, {"gfx/filmstrip.pcx"}); }
