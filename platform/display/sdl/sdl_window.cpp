#include "platform/display/sdl/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <string>

#include "platform/display/DynamicError.h"
#include "platform/display/icon.h"
#include "platform/display/sdl/sdl_player_bar.h"
#include "platform/display/sdl/sdl_video.h"

namespace {

// The program's icon on the window, so the desktop shows the same picture as
// the launcher. A window without it is still a window: failure is ignored.
void setWindowIcon(SDL_Window* window) {
    int width = 0, height = 0;
    const uint32_t* pixels = mainIconPixels(width, height);
    SDL_Surface* icon = SDL_CreateRGBSurfaceFrom(const_cast<uint32_t*>(pixels), width, height, 32, width * 4,
                                                 0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000);
    if (!icon) return;
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
}

constexpr int kEscape = 27;
// A window this share of the usable desktop leaves room for its frame and panels.
constexpr double kComfortableShare = 0.85;

[[noreturn]] void fail(const std::string& what) { throw DynamicError(what + ": " + SDL_GetError()); }

// The largest rectangle of the frame's aspect centred in the output.
SDL_Rect letterbox(int outputWidth, int outputHeight, int width, int height) {
    SDL_Rect rect;
    if (int64_t(outputWidth) * height >= int64_t(outputHeight) * width) {
        rect.h = outputHeight;
        rect.w = static_cast<int>(int64_t(outputHeight) * width / height);
    } else {
        rect.w = outputWidth;
        rect.h = static_cast<int>(int64_t(outputWidth) * height / width);
    }
    rect.x = (outputWidth - rect.w) / 2;
    rect.y = (outputHeight - rect.h) / 2;
    return rect;
}

int comfortableFactor(int width, int height) {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return 1;
    const int across = static_cast<int>(usable.w * kComfortableShare) / width;
    const int down = static_cast<int>(usable.h * kComfortableShare) / height;
    return std::max(1, std::min(across, down));
}

SDL_Renderer* createRenderer(SDL_Window* window) {
    // Vsync where the display offers it; otherwise any renderer at all.
    const Uint32 wishes[] = {SDL_RENDERER_PRESENTVSYNC | SDL_RENDERER_TARGETTEXTURE, SDL_RENDERER_TARGETTEXTURE, 0};
    for (Uint32 flags : wishes) {
        if (SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, flags)) return renderer;
    }
    return nullptr;
}

// A window uncovered, resized or switched to full screen: what it showed is
// gone and must be drawn again.
bool isUncovering(const SDL_Event& event) {
    return event.type == SDL_WINDOWEVENT &&
           (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED);
}

// Return or keypad Enter held with either Alt key.
bool isAltEnter(SDL_Keycode key, Uint16 modifiers) {
    return (key == SDLK_RETURN || key == SDLK_KP_ENTER) && (modifiers & KMOD_ALT) != 0;
}

}  // namespace

namespace {

// The keypad's digits and point, by scan code, and the key each stands for
// while NumLock is off (the marks printed under the digits).
struct KeypadKey {
    SDL_Scancode scancode;
    char character;
    SDL_Scancode navigation;
};
constexpr KeypadKey kKeypad[] = {
    {SDL_SCANCODE_KP_0, '0', SDL_SCANCODE_INSERT},      {SDL_SCANCODE_KP_1, '1', SDL_SCANCODE_END},
    {SDL_SCANCODE_KP_2, '2', SDL_SCANCODE_DOWN},        {SDL_SCANCODE_KP_3, '3', SDL_SCANCODE_PAGEDOWN},
    {SDL_SCANCODE_KP_4, '4', SDL_SCANCODE_LEFT},        {SDL_SCANCODE_KP_5, '5', SDL_SCANCODE_UNKNOWN},
    {SDL_SCANCODE_KP_6, '6', SDL_SCANCODE_RIGHT},       {SDL_SCANCODE_KP_7, '7', SDL_SCANCODE_HOME},
    {SDL_SCANCODE_KP_8, '8', SDL_SCANCODE_UP},          {SDL_SCANCODE_KP_9, '9', SDL_SCANCODE_PAGEUP},
    {SDL_SCANCODE_KP_PERIOD, '.', SDL_SCANCODE_DELETE},
};

// Media keys by scan code, as their USB consumer usages (DynamicKey.h).
struct MediaKey {
    SDL_Scancode scancode;
    int usage;
};
constexpr MediaKey kMediaKeys[] = {
    {SDL_SCANCODE_AUDIOPLAY, 0xCD}, {SDL_SCANCODE_AUDIOSTOP, 0xB7},  {SDL_SCANCODE_AUDIONEXT, 0xB5},
    {SDL_SCANCODE_AUDIOPREV, 0xB6}, {SDL_SCANCODE_AUDIOMUTE, 0xE2},  {SDL_SCANCODE_MUTE, 0xE2},
    {SDL_SCANCODE_VOLUMEUP, 0xE9},  {SDL_SCANCODE_VOLUMEDOWN, 0xEA},
};
constexpr int kMediaKeyBase = 0x1000;

}  // namespace

int keyCodeForSdlKey(int32_t sdlKeycode, int sdlScancode, int sdlModifiers) {
    // The keypad is told apart by its scan code: what SDL reports as its key
    // depends on the platform, NumLock's state does not.
    for (const KeypadKey& key : kKeypad) {
        if (key.scancode != sdlScancode) continue;
        if ((sdlModifiers & KMOD_NUM) != 0) return key.character;
        // Keypad 5 without NumLock stands for no key; it keeps its own code.
        return 0x100 + (key.navigation != SDL_SCANCODE_UNKNOWN ? key.navigation : sdlScancode);
    }
    for (const MediaKey& key : kMediaKeys) {
        if (key.scancode == sdlScancode) return kMediaKeyBase + key.usage;
    }
    if (sdlKeycode >= 0 && sdlKeycode < 0x80) return sdlKeycode;
    return 0x100 + sdlScancode;
}

SdlWindow::SdlWindow(const char* title, int width, int height, Mode mode) : width(width), height(height) {
    sdlVideoAcquire();
    try {
        // Hidden until its renderer exists: a renderer that needs OpenGL makes
        // SDL destroy the window and create another, which would otherwise
        // flash on the screen and vanish before the real one appears.
        Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN;
        int windowX = SDL_WINDOWPOS_CENTERED;
        int windowY = SDL_WINDOWPOS_CENTERED;
        int windowWidth = width;
        int windowHeight = height;
        if (mode == Mode::Fullscreen) {
            // The desktop's own mode: no mode switch, the picture is scaled instead.
            flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
            // Made as large as the screen: without a window manager nobody
            // else resizes it, and it would stay a small window in the middle.
            SDL_Rect screen;
            if (SDL_GetDisplayBounds(0, &screen) == 0) {
                windowX = screen.x;
                windowY = screen.y;
                windowWidth = screen.w;
                windowHeight = screen.h;
            }
        } else {
            flags |= SDL_WINDOW_RESIZABLE;
            const int factor = comfortableFactor(width, height);
            windowWidth = width * factor;
            windowHeight = height * factor;
        }
        window = SDL_CreateWindow(title ? title : "", windowX, windowY, windowWidth, windowHeight, flags);
        if (!window) fail("Cannot open the window");
        setWindowIcon(window);
        renderer = createRenderer(window);
        if (!renderer) fail("Cannot draw into the window");
        frame = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!frame) fail("Cannot create the frame texture");
        SDL_SetTextureScaleMode(frame, SDL_ScaleModeNearest);
        playerBar = std::make_unique<SdlPlayerBar>(renderer);
        SDL_DisplayMode displayMode;
        const int display = std::max(0, SDL_GetWindowDisplayIndex(window));
        pacer = std::make_unique<FramePacer>(
            SDL_GetCurrentDisplayMode(display, &displayMode) == 0 ? displayMode.refresh_rate : 0);
        if (mode == Mode::Fullscreen) SDL_ShowCursor(SDL_DISABLE);
        SDL_ShowWindow(window);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_RenderPresent(renderer);
    } catch (...) {
        playerBar.reset();
        if (frame) SDL_DestroyTexture(frame);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (window) SDL_DestroyWindow(window);
        sdlVideoRelease();
        throw;
    }
}

SdlWindow::~SdlWindow() {
    playerBar.reset();
    if (magnified) SDL_DestroyTexture(magnified);
    SDL_DestroyTexture(frame);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_ShowCursor(SDL_ENABLE);
    sdlVideoRelease();
}

void SdlWindow::present(const uint32_t* pixels, const PlayerBar& bar) {
    if (SDL_UpdateTexture(frame, nullptr, pixels, width * 4) != 0) fail("Cannot update the frame texture");
    presentedBar = bar;
    framePresented = true;
    redraw();
    pacer->presented();
}

// The frame texture keeps the last frame, so the window can be drawn again
// without the show.
void SdlWindow::redraw() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    const SDL_Rect picture = drawScaled();
    playerBar->draw(picture, presentedBar);
    SDL_RenderPresent(renderer);
}

// Nearest pixel up to the largest whole multiple that fits, then smoothly to
// fill the letterbox: crisp pixels without uneven rows at any screen size.
SDL_Rect SdlWindow::drawScaled() {
    int outputWidth = 0;
    int outputHeight = 0;
    if (SDL_GetRendererOutputSize(renderer, &outputWidth, &outputHeight) != 0) fail("Cannot measure the window");
    if (outputWidth <= 0 || outputHeight <= 0) return SDL_Rect{0, 0, 0, 0};
    const SDL_Rect picture = letterbox(outputWidth, outputHeight, width, height);
    const int factor = std::max(1, std::min(picture.w / width, picture.h / height));
    const bool exact = picture.w == width * factor && picture.h == height * factor;
    if (exact || !SDL_RenderTargetSupported(renderer)) {
        SDL_RenderCopy(renderer, frame, nullptr, &picture);
        return picture;
    }
    if (factor != magnifiedFactor) {
        if (magnified) SDL_DestroyTexture(magnified);
        magnified = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width * factor,
                                      height * factor);
        if (!magnified) fail("Cannot create the scaling texture");
        SDL_SetTextureScaleMode(magnified, SDL_ScaleModeLinear);
        magnifiedFactor = factor;
    }
    SDL_SetRenderTarget(renderer, magnified);
    SDL_RenderCopy(renderer, frame, nullptr, nullptr);
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_RenderCopy(renderer, magnified, nullptr, &picture);
    return picture;
}

void SdlWindow::handle(const SDL_Event& event, std::deque<int>& keys) {
    switch (event.type) {
        case SDL_KEYDOWN:
            if (event.key.repeat != 0 || event.key.windowID != SDL_GetWindowID(window)) break;
            // Alt+Enter is the window's own: the show never sees it.
            if (isAltEnter(event.key.keysym.sym, event.key.keysym.mod)) {
                toggleFullscreen();
            } else {
                keys.push_back(keyCodeForSdlKey(event.key.keysym.sym, event.key.keysym.scancode, event.key.keysym.mod));
            }
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE && event.window.windowID == SDL_GetWindowID(window)) {
                keys.push_back(kEscape);
                closeReported = true;
            }
            break;
        case SDL_QUIT:
            // Closing the last window also sends a quit; one close is one Escape.
            if (!closeReported) keys.push_back(kEscape);
            closeReported = false;
            break;
        default:
            break;
    }
}

// Full screen covers the screen; a window takes the comfortable size in its
// middle. The sizes are set by hand, as no window manager may be there to do it.
void SdlWindow::toggleFullscreen() {
    const bool leaving = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
    const int display = std::max(0, SDL_GetWindowDisplayIndex(window));
    if (leaving) {
        SDL_SetWindowFullscreen(window, 0);
        const int factor = comfortableFactor(width, height);
        SDL_SetWindowSize(window, width * factor, height * factor);
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED_DISPLAY(display), SDL_WINDOWPOS_CENTERED_DISPLAY(display));
        SDL_ShowCursor(SDL_ENABLE);
    } else {
        SDL_Rect screen;
        if (SDL_GetDisplayBounds(display, &screen) == 0) {
            SDL_SetWindowPosition(window, screen.x, screen.y);
            SDL_SetWindowSize(window, screen.w, screen.h);
        }
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        SDL_ShowCursor(SDL_DISABLE);
    }
}

void SdlWindow::collectKeys(std::deque<int>& keys) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) handle(event, keys);
}

// Nothing on screen changes but the bar, and what the window itself asks
// for: the window is drawn again only then, and the wait in between is the
// event queue's, so a paused show costs next to nothing.
void SdlWindow::rest(const PlayerBar& bar, std::deque<int>& keys, std::chrono::milliseconds longest) {
    if (framePresented && bar != presentedBar) {
        presentedBar = bar;
        redraw();
    }
    collectKeys(keys);
    SDL_Event event;
    if (!keys.empty() || !SDL_WaitEventTimeout(&event, static_cast<int>(longest.count()))) return;
    do {
        handle(event, keys);
        if (framePresented && isUncovering(event)) redraw();
    } while (SDL_PollEvent(&event));
}

void SdlWindow::keepScreenOn(bool on) {
    if (on) {
        SDL_DisableScreenSaver();
    } else {
        SDL_EnableScreenSaver();
    }
}

void SdlWindow::waitForKey(std::deque<int>& keys) {
    collectKeys(keys);
    SDL_Event event;
    while (keys.empty()) {
        if (!SDL_WaitEvent(&event)) fail("Cannot wait for a key");
        handle(event, keys);
        // Nobody presents while a key is awaited (a paused show): a window
        // uncovered, resized or switched to full screen meanwhile shows its
        // last frame and bar again rather than nothing.
        if (isUncovering(event) && framePresented && keys.empty()) redraw();
    }
}
