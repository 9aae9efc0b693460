// The program's icon as a scalable picture: the shapes that
// platform/display/icon.cpp paints pixel by pixel, traced as circles and curves.
#pragma once

#include <string>

// The SVG document's text.
std::string mainIconSvg();
