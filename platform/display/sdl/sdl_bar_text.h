// Words on the player's bar: one line of white text at a given pixel height,
// in the desktop's sans-serif face as fontconfig names it. Without a usable
// font nothing is written and standard error says so once per process.
#pragma once

#include <map>
#include <string>

struct SDL_Renderer;
struct SDL_Texture;
typedef struct _TTF_Font TTF_Font;

class SdlBarText {
public:
    explicit SdlBarText(SDL_Renderer* renderer);
    ~SdlBarText();
    SdlBarText(const SdlBarText&) = delete;
    SdlBarText& operator=(const SdlBarText&) = delete;

    // Chooses the height of the text; a change reopens the font.
    void setHeight(int pixels);
    // The width `text` takes; 0 without a font.
    int width(const std::string& text);
    // Draws `text` with its left edge at `x`, centred on `centreY`.
    void draw(const std::string& text, int x, int centreY);

private:
    struct Rendered {
        SDL_Texture* texture;
        int width;
        int height;
    };
    const Rendered* render(const std::string& text);
    void forget();

    SDL_Renderer* renderer;
    bool started = false;  // SDL_ttf is started for this object
    int height = 0;
    TTF_Font* font = nullptr;
    std::map<std::string, Rendered> cache;  // the texts of the current height
};
