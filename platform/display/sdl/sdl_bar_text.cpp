#include "platform/display/sdl/sdl_bar_text.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <future>

namespace {

// A cache this large holds every text of a few seconds of the bar.
constexpr size_t kCachedTexts = 64;

bool saidNoFont = false;

void sayNoFont(const std::string& why) {
    if (saidNoFont) return;
    saidNoFont = true;
    std::fprintf(stderr, "The player's bar is drawn without words: %s\n", why.c_str());
    std::fflush(stderr);
}

// The file of the bold sans-serif face fontconfig prefers; "" when it names
// none (no fonts installed, or fontconfig cannot start).
std::string findFontFile() {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return "";
    std::string file;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:bold"));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
            FcChar8* path = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
                file = reinterpret_cast<const char*>(path);
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return file;
}

// Fontconfig may take a while to read its caches (much longer when they are
// stale), so the search starts when the window opens and runs beside the
// show, not in the frame where the bar first appears.
const std::shared_future<std::string>& fontSearch() {
    static const std::shared_future<std::string> search = std::async(std::launch::async, findFontFile).share();
    return search;
}

}  // namespace

SdlBarText::SdlBarText(SDL_Renderer* renderer) : renderer(renderer) {
    fontSearch();
    if (TTF_Init() != 0) {
        sayNoFont(std::string("SDL_ttf cannot start: ") + TTF_GetError());
        return;
    }
    started = true;
}

SdlBarText::~SdlBarText() {
    forget();
    if (font) TTF_CloseFont(font);
    if (started) TTF_Quit();
}

void SdlBarText::setHeight(int pixels) {
    if (!started || pixels == height) return;
    height = pixels;
    forget();
    if (font) TTF_CloseFont(font);
    font = nullptr;
    const std::string& file = fontSearch().get();
    if (file.empty()) {
        sayNoFont("fontconfig names no sans-serif font (install fonts-dejavu-core)");
        return;
    }
    font = TTF_OpenFont(file.c_str(), pixels);
    if (!font) sayNoFont("cannot open the font " + file + ": " + TTF_GetError());
}

int SdlBarText::width(const std::string& text) {
    int measured = 0;
    if (!font || text.empty() || TTF_SizeUTF8(font, text.c_str(), &measured, nullptr) != 0) return 0;
    return measured;
}

void SdlBarText::draw(const std::string& text, int x, int centreY) {
    const Rendered* rendered = render(text);
    if (!rendered) return;
    const SDL_Rect place{x, centreY - rendered->height / 2, rendered->width, rendered->height};
    SDL_RenderCopy(renderer, rendered->texture, nullptr, &place);
}

const SdlBarText::Rendered* SdlBarText::render(const std::string& text) {
    if (!font || text.empty()) return nullptr;
    const auto known = cache.find(text);
    if (known != cache.end()) return &known->second;
    if (cache.size() >= kCachedTexts) forget();
    SDL_Surface* surface = TTF_RenderUTF8_Blended(font, text.c_str(), SDL_Color{255, 255, 255, 255});
    if (!surface) return nullptr;
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface);
    const Rendered rendered{texture, surface->w, surface->h};
    SDL_FreeSurface(surface);
    if (!texture) return nullptr;
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    return &cache.emplace(text, rendered).first->second;
}

void SdlBarText::forget() {
    for (auto& entry : cache) SDL_DestroyTexture(entry.second.texture);
    cache.clear();
}
