// Reads back the PCX and TGA variants this tool writes, for the contact sheet.
#pragma once

#include <string>

#include "Canvas.h"

// Throws std::runtime_error for a file it cannot read.
Canvas readPicture(const std::string& path);
