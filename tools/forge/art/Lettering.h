// Ways of putting a line of text on a picture: glowing for additive pictures,
// outlined for pictures laid over busy backgrounds.
#pragma once

#include "Canvas.h"
#include "Font.h"

// The top of the text for a line whose baseline sits at y.
inline int textTop(const TextLine& line, int baseline) { return baseline - line.baseline; }

// Text in colour with a soft glow of glowColour around it (added).
void glowingText(Canvas& canvas, const TextLine& line, int x, int baseline, Rgb colour, Rgb glowColour, int glowRadius);

// Text in colour inside an outline of the given width in outlineColour.
void outlinedText(Canvas& canvas, const TextLine& line, int x, int baseline, Rgb colour, Rgb outlineColour,
                  int outlineWidth);

// Pen x that centres the line on centreX.
inline int centred(const TextLine& line, int centreX) { return centreX - line.advance / 2; }
