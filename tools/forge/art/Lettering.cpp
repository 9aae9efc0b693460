#include "Lettering.h"

void glowingText(Canvas& canvas, const TextLine& line, int x, int baseline, Rgb colour, Rgb glowColour,
                 int glowRadius) {
    int border = glowRadius * 3;
    Mask glow = line.mask.padded(border).blurred(glowRadius);
    canvas.stampAdd(glow, x - border, textTop(line, baseline) - border, glowColour);
    canvas.stamp(line.mask, x, textTop(line, baseline), colour);
}

void outlinedText(Canvas& canvas, const TextLine& line, int x, int baseline, Rgb colour, Rgb outlineColour,
                  int outlineWidth) {
    Mask outline = line.mask.padded(outlineWidth + 1).dilated(outlineWidth);
    canvas.stamp(outline, x - outlineWidth - 1, textTop(line, baseline) - outlineWidth - 1, outlineColour);
    canvas.stamp(line.mask, x, textTop(line, baseline), colour);
}
