// The data tool's stages. Each writes its files under the data directory and
// reports progress and a one-line summary per file on standard error.
#pragma once

#include <string>

// DIR/music/peekstun.xm
void forgeMusic(const std::string& dataDir);

// DIR/gfx/* and DIR/textures/*
void forgePictures(const std::string& dataDir);

// A labelled contact sheet of every picture under DIR, as PNG.
void forgeContactSheet(const std::string& dataDir, const std::string& pngPath);
