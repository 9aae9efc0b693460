// The curve tables: 256 floats each, wrapping smoothly after 256 entries.
#pragma once

struct CurveTables {
    float plasma[256];  // handed to the plasma scene's cPlasma
    float curveX1[256];  // horizontal offsets of the three rings
    float curveX2[256];
    float curveX3[256];
};

void computeCurveTables(CurveTables& tables);
