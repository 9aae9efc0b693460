#include "shell/tables.h"

#include <cmath>

void computeCurveTables(CurveTables& tables) {
    const double pi = 3.14159265359;
    for (int i = 0; i < 256; ++i) {
        double a = i * pi;
        tables.plasma[i] = static_cast<float>(55 * std::cos(a / 128) + 32 * std::cos(a / 64) + 8 * std::cos(a / 32));
        tables.curveX1[i] = static_cast<float>(32 * std::cos(a / 32) + 12 * std::cos(a / 8));
        tables.curveX2[i] = static_cast<float>(32 * std::sin(a / 32) + 8 * std::cos(a / 8));
        tables.curveX3[i] = static_cast<float>(32 * std::cos(a / 32) + 16 * std::sin(a / 16));
    }
}
