#include "platform/display/sdl/sdl_player_bar.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Sizes as shares of the picture's height, so that the bar reads the same in
// a small window and on a large screen.
constexpr double kStripShare = 0.07;
constexpr int kSmallestStrip = 24;
constexpr double kTextShare = 0.42;  // of the strip
constexpr int kSmallestText = 11;

const SDL_Color kStrip{0, 0, 0, 190};
const SDL_Color kTrack{255, 255, 255, 60};
const SDL_Color kCurrentScene{255, 255, 255, 110};
const SDL_Color kPlayed{255, 176, 64, 255};
const SDL_Color kBoundary{255, 255, 255, 200};
const SDL_Color kMark{255, 255, 255, 255};

void fill(SDL_Renderer* renderer, const SDL_Color& colour, int x, int y, int width, int height) {
    SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
    const SDL_Rect rect{x, y, width, height};
    SDL_RenderFillRect(renderer, &rect);
}

// Every digit as 0: the width a text of changing digits is given, so that the
// progress bar beside it does not move from second to second.
std::string withZeroDigits(std::string text) {
    for (char& c : text) {
        if (c >= '0' && c <= '9') c = '0';
    }
    return text;
}

}  // namespace

std::string formatBarTime(double seconds) {
    const long whole = seconds > 0 && std::isfinite(seconds) ? static_cast<long>(std::floor(seconds)) : 0;
    const long remainder = whole % 60;
    return std::to_string(whole / 60) + (remainder < 10 ? ":0" : ":") + std::to_string(remainder);
}

void SdlPlayerBar::draw(const SDL_Rect& picture, const PlayerBar& bar) {
    if (!bar.shown || picture.w <= 0 || picture.h <= 0) return;
    const int strip = std::min(picture.h, std::max(kSmallestStrip, static_cast<int>(picture.h * kStripShare)));
    const int pad = strip / 3;
    const int top = picture.y + picture.h - strip;
    const int centreY = top + strip / 2;
    text.setHeight(std::max(kSmallestText, static_cast<int>(strip * kTextShare)));

    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    fill(renderer, kStrip, picture.x, top, picture.w, strip);

    int left = picture.x + pad;
    int right = picture.x + picture.w - pad;
    const int markSize = strip * 2 / 5;
    drawMark(left, centreY, markSize, bar.paused);
    left += markSize + pad;

    // In a window too narrow for everything the scene goes first, then the
    // time: the progress bar keeps at least a few strips' width.
    const std::string time = formatBarTime(bar.seconds) + " / " + formatBarTime(bar.totalSeconds);
    const std::string scene = !bar.volumeShown        ? "Scene " + std::to_string(bar.scene)
                              : bar.muted             ? std::string("Muted")
                              : bar.volumePercent < 0 ? std::string("No volume")
                                                      : "Volume " + std::to_string(bar.volumePercent) + " %";
    int timeWidth = text.width(withZeroDigits(time));
    int sceneWidth = text.width(withZeroDigits(scene));
    const int progressRoom = strip * 3;
    if (right - left - timeWidth - sceneWidth - 2 * pad < progressRoom) sceneWidth = 0;
    if (right - left - timeWidth - pad < progressRoom) timeWidth = 0;
    if (timeWidth > 0) {
        text.draw(time, left, centreY);
        left += timeWidth + pad;
    }
    if (sceneWidth > 0) {
        text.draw(scene, right - sceneWidth, centreY);
        right -= sceneWidth + pad;
    }

    drawProgress(left, right, centreY, std::max(3, strip / 9), bar);
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
}

// Two upright bars while paused, a triangle pointing right while playing.
void SdlPlayerBar::drawMark(int x, int centreY, int size, bool paused) {
    const int top = centreY - size / 2;
    if (paused) {
        const int stroke = std::max(2, size / 3);
        fill(renderer, kMark, x, top, stroke, size);
        fill(renderer, kMark, x + size - stroke, top, stroke, size);
        return;
    }
    const SDL_FPoint noTexture{0, 0};
    const SDL_Vertex corners[3] = {
        {SDL_FPoint{float(x), float(top)}, kMark, noTexture},
        {SDL_FPoint{float(x + size), float(centreY)}, kMark, noTexture},
        {SDL_FPoint{float(x), float(top + size)}, kMark, noTexture},
    };
    SDL_RenderGeometry(renderer, nullptr, corners, 3, nullptr, 0);
}

// The track, the current scene's stretch of it a little brighter, the part
// played, a tick at each scene's start and a knob at the current time.
void SdlPlayerBar::drawProgress(int left, int right, int centreY, int thickness, const PlayerBar& bar) {
    const int width = right - left;
    if (width < 2) return;
    const double total = bar.totalSeconds > 0 ? bar.totalSeconds : 0;
    const auto place = [&](double seconds) {
        const double share = total > 0 ? std::clamp(seconds / total, 0.0, 1.0) : 0.0;
        return left + static_cast<int>(std::lround(share * width));
    };
    const int top = centreY - thickness / 2;
    fill(renderer, kTrack, left, top, width, thickness);

    const int scene = std::clamp(bar.scene, 1, kPlayerBarScenes) - 1;
    const double sceneEnd = scene + 1 < kPlayerBarScenes && bar.sceneStarts[scene + 1] > bar.sceneStarts[scene]
                                ? bar.sceneStarts[scene + 1]
                                : total;
    const int sceneLeft = place(bar.sceneStarts[scene]);
    fill(renderer, kCurrentScene, sceneLeft, top, place(sceneEnd) - sceneLeft, thickness);

    const int now = place(bar.seconds);
    fill(renderer, kPlayed, left, top, now - left, thickness);

    const int tickWidth = std::max(2, thickness / 3);
    const int tickHeight = thickness * 3;
    for (int i = 1; i < kPlayerBarScenes; ++i) {
        const double start = bar.sceneStarts[i];
        if (start <= 0 || start >= total) continue;
        fill(renderer, kBoundary, place(start) - tickWidth / 2, centreY - tickHeight / 2, tickWidth, tickHeight);
    }

    const int knob = thickness * 2 + 1;
    fill(renderer, kMark, now - knob / 2, centreY - knob / 2, knob, knob);
}
