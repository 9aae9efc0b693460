#include "shell/tables.h"

#include <cmath>

#include "effects/cPlasma.h"

void computeCurveTables(CurveTables& tables) {
    fillPlasmaTable(tables.plasma, 55);
    const double pi = 3.14159265359;
    for (int i = 0; i < 256; ++i) {
        double a = i * pi;
        tables.curveX1[i] = static_cast<float>(32 * std::cos(a / 32) + 12 * std::cos(a / 8));
        tables.curveX2[i] = static_cast<float>(32 * std::sin(a / 32) + 8 * std::cos(a / 8));
        tables.curveX3[i] = static_cast<float>(32 * std::cos(a / 32) + 16 * std::sin(a / 16));
    }
}
