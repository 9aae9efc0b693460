// The groups of pictures, each painted and saved under the data directory.
#pragma once

#include <string>

void paintLoadingScreen(const std::string& dataDir);  // loading, loading_block
void paintOverlays(const std::string& dataDir);       // analog, genetic
void paintFigureScenes(const std::string& dataDir);   // at-ready, swrdpen
void paintNightScenes(const std::string& dataDir);    // big_spark, us-backalley2
void paintTitle(const std::string& dataDir);          // peekstun, p e k s t u n, fight
void paintClock(const std::string& dataDir);          // 0 1 2 3 5 7, col
void paintWords(const std::string& dataDir);          // credits, greets
void paintScroller(const std::string& dataDir);       // scroller
void paintTrace(const std::string& dataDir);          // linecircle, circle
void paintFilmstrip(const std::string& dataDir);      // filmstrip
void paintBinary(const std::string& dataDir);         // binary_stripe1-6, binary_bg1-16
void paintTextures(const std::string& dataDir);       // a076, a018
