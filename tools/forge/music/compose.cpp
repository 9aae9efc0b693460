// The show's soundtrack, composed and written as DIR/music/peekstun.xm.
#include <cstdio>
#include <string>

#include "forge.h"
#include "music/Arrangement.h"
#include "music/XmWriter.h"
#include "output.h"

void forgeMusic(const std::string& dataDir) {
    std::fprintf(stderr, "composing the music\n");
    xm::Module module = music::composeSong();
    std::vector<uint8_t> bytes = xm::encode(module);
    const std::string path = dataDir + "/music/peekstun.xm";
    writeFile(path, bytes);
    int rows = 0;
    for (uint8_t order : module.orders) rows += module.patterns[order].rowCount();
    // A row lasts `speed` ticks of 2.5 / tempo seconds.
    int milliseconds = rows * module.speed * 2500 / module.tempo;
    char summary[160];
    std::snprintf(summary, sizeof summary, "XM module, %zu orders, %d channels, %zu instruments, %d:%02d.%03d",
                  module.orders.size(), module.channels, module.instruments.size(), milliseconds / 60000,
                  milliseconds / 1000 % 60, milliseconds % 1000);
    reportFile(path, bytes.size(), summary);
}
