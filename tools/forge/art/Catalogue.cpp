#include "Catalogue.h"

const std::vector<std::string>& pictureCatalogue() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list = {"gfx/loading.pcx",
                                         "gfx/loading_block.tga",
                                         "gfx/analog.pcx",
                                         "gfx/p.tga",
                                         "gfx/e.tga",
                                         "gfx/k.tga",
                                         "gfx/s.tga",
                                         "gfx/t.tga",
                                         "gfx/u.tga",
                                         "gfx/n.tga",
                                         "gfx/0.tga",
                                         "gfx/1.tga",
                                         "gfx/2.tga",
                                         "gfx/3.tga",
                                         "gfx/5.tga",
                                         "gfx/7.tga",
                                         "gfx/col.tga",
                                         "gfx/at-ready.pcx",
                                         "textures/a018.pcx",
                                         "gfx/scroller.pcx",
                                         "gfx/swrdpen.pcx",
                                         "gfx/linecircle.tga",
                                         "gfx/fight.tga",
                                         "gfx/circle.tga",
                                         "gfx/genetic.pcx",
                                         "gfx/greets.pcx",
                                         "gfx/big_spark.pcx",
                                         "textures/a076.pcx",
                                         "gfx/us-backalley2.pcx",
                                         "gfx/credits.tga",
                                         "gfx/peekstun.pcx",
                                         "gfx/filmstrip.pcx",
                                         "gfx/binary_stripe1.tga",
                                         "gfx/binary_stripe2.pcx",
                                         "gfx/binary_stripe3.pcx",
                                         "gfx/binary_stripe4.pcx",
                                         "gfx/binary_stripe5.pcx",
                                         "gfx/binary_stripe6.tga"};
        for (int i = 1; i <= 16; ++i) list.push_back("gfx/binary_bg" + std::to_string(i) + ".tga");
        return list;
    }();
    return names;
}
