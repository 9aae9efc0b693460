// Consoles in the browser: the page's canvas (id "screen"), letterboxed to the
// frame's aspect at the page's own pixel density, and the page's key presses.
// Waiting (for the next frame of the page, for a key) hands the browser back
// its thread: the program is built with Asyncify, so the show's loops stay
// the same loops as everywhere else.
#include <emscripten.h>

#include <vector>

#include "platform/dialog/windows.h"
#include "platform/display/DynamicError.h"
#include "platform/display/console_window.h"

// clang-format off
EM_JS(int, webDisplayOpen, (int width, int height, int fullscreen), {
    const canvas = document.getElementById('screen');
    if (!canvas) return 0;
    const d = {
        canvas: canvas,
        frame: document.createElement('canvas'),
        magnified: document.createElement('canvas'),
        keys: [],
        keyWaiter: null,
    };
    d.frame.width = width;
    d.frame.height = height;
    d.image = new ImageData(width, height);
    // Characters keep their code (Escape 27, Return 13, letters lower case),
    // other keys 0x100 + their USB keyboard usage, as on the desktop. The
    // keypad gives its digits and point with NumLock on and, through the key
    // it then names, the arrows and page keys with it off. Keys neither table
    // knows keep the browser's own number.
    const named = {
        ArrowRight: 79, ArrowLeft: 80, ArrowDown: 81, ArrowUp: 82, Home: 74, End: 77, PageUp: 75, PageDown: 78,
        Insert: 73, Delete: 76, CapsLock: 57, PrintScreen: 70, ScrollLock: 71, Pause: 72, NumLock: 83,
        ContextMenu: 101,
    };
    for (let f = 1; f <= 12; f++) named['F' + f] = 57 + f;
    const physical = {
        Numpad0: 98, Numpad1: 89, Numpad2: 90, Numpad3: 91, Numpad4: 92, Numpad5: 93, Numpad6: 94, Numpad7: 95,
        Numpad8: 96, Numpad9: 97, NumpadDecimal: 99, NumpadDivide: 84, NumpadMultiply: 85, NumpadSubtract: 86,
        NumpadAdd: 87, ControlLeft: 224, ShiftLeft: 225, AltLeft: 226, MetaLeft: 227, ControlRight: 228,
        ShiftRight: 229, AltRight: 230, MetaRight: 231,
    };
    d.keyCode = (event) => {
        if (event.key === 'Escape') return 27;
        if (event.key === 'Enter') return 13;
        if (event.key === 'Backspace') return 8;
        if (event.key === 'Tab') return 9;
        // Some layouts write a comma on the keypad's point.
        if (event.code === 'NumpadDecimal' && event.key.length === 1) return 46;
        if (event.key.length === 1 && event.key.charCodeAt(0) < 0x80) return event.key.toLowerCase().charCodeAt(0);
        if (named[event.key]) return 0x100 + named[event.key];
        if (physical[event.code]) return 0x100 + physical[event.code];
        return 0x100 + event.keyCode;
    };
    d.onKey = (event) => {
        if (event.repeat) return;
        if (event.altKey && event.key === 'Enter') {
            if (document.fullscreenElement) {
                d.leavingOnRequest = true;
                document.exitFullscreen().catch(() => {});
            }
            else canvas.requestFullscreen().catch(() => {});
        } else {
            d.keys.push(d.keyCode(event));
            if (d.keyWaiter) { const wake = d.keyWaiter; d.keyWaiter = null; wake(); }
        }
        event.preventDefault();
    };
    window.addEventListener('keydown', d.onKey);
    canvas.hidden = false;
    // In full screen the browser would take Escape for itself; the show ends
    // on it, so the page asks to keep it where the browser allows. Where it
    // cannot, the first Escape only leaves full screen: the page says so.
    d.onFullscreen = () => {
        const locks = navigator.keyboard && navigator.keyboard.lock;
        if (document.fullscreenElement) {
            d.escapeKept = false;
            if (locks) navigator.keyboard.lock(['Escape']).then(() => { d.escapeKept = true; }, () => {});
        } else {
            if (locks) navigator.keyboard.unlock();
            if (!d.escapeKept && !d.leavingOnRequest && Module.showNotice) {
                Module.showNotice('Press Escape again to end the show', 2000);
            }
            d.leavingOnRequest = false;
        }
    };
    document.addEventListener('fullscreenchange', d.onFullscreen);
    if (fullscreen && canvas.requestFullscreen) canvas.requestFullscreen().catch(() => {});
    Module.peekstunDisplay = d;
    return 1;
});

// Nearest pixel up to the largest whole multiple that fits, then smoothly to
// fill the letterbox, as the desktop's full screen does.
EM_JS(void, webDisplayPresent, (const unsigned char* rgba, int width, int height), {
    const d = Module.peekstunDisplay;
    if (!d) return;
    d.image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
    d.frame.getContext('2d').putImageData(d.image, 0, 0);
    const canvas = d.canvas;
    const ratio = window.devicePixelRatio || 1;
    const outWidth = Math.max(1, Math.round(canvas.clientWidth * ratio));
    const outHeight = Math.max(1, Math.round(canvas.clientHeight * ratio));
    if (canvas.width !== outWidth || canvas.height !== outHeight) {
        canvas.width = outWidth;
        canvas.height = outHeight;
    }
    let w, h;
    if (outWidth * height >= outHeight * width) {
        h = outHeight;
        w = Math.floor(outHeight * width / height);
    } else {
        w = outWidth;
        h = Math.floor(outWidth * height / width);
    }
    const x = Math.floor((outWidth - w) / 2);
    const y = Math.floor((outHeight - h) / 2);
    const factor = Math.max(1, Math.min(Math.floor(w / width), Math.floor(h / height)));
    const context = canvas.getContext('2d');
    context.fillStyle = '#000';
    context.fillRect(0, 0, outWidth, outHeight);
    if (w === width * factor && h === height * factor) {
        context.imageSmoothingEnabled = false;
        context.drawImage(d.frame, x, y, w, h);
        return;
    }
    if (d.magnified.width !== width * factor || d.magnified.height !== height * factor) {
        d.magnified.width = width * factor;
        d.magnified.height = height * factor;
    }
    const magnified = d.magnified.getContext('2d');
    magnified.imageSmoothingEnabled = false;
    magnified.drawImage(d.frame, 0, 0, width * factor, height * factor);
    context.imageSmoothingEnabled = true;
    context.imageSmoothingQuality = 'high';
    context.drawImage(d.magnified, x, y, w, h);
});

// The page draws the player's bar itself, from what each presented frame
// hands it.
EM_JS(void, webDisplayBar, (int shown, int paused, double seconds, double total, int scene, const double* starts,
                            int scenes, int volumeShown, int volumePercent, int muted), {
    if (typeof Module.peekstunBar !== 'function') return;
    const first = starts >> 3;
    Module.peekstunBar(shown !== 0, paused !== 0, seconds, total, scene,
                       Array.from(HEAPF64.subarray(first, first + scenes)),
                       volumeShown !== 0 ? { percent: volumePercent, muted: muted !== 0 } : null);
});

EM_ASYNC_JS(void, webDisplayWaitForFrame, (), {
    await new Promise((resolve) => requestAnimationFrame(() => resolve()));
});

EM_JS(int, webDisplayNextKey, (), {
    const d = Module.peekstunDisplay;
    return d && d.keys.length > 0 ? d.keys.shift() : -1;
});

EM_ASYNC_JS(void, webDisplayWaitForKey, (), {
    const d = Module.peekstunDisplay;
    if (!d || d.keys.length > 0) return;
    await new Promise((resolve) => { d.keyWaiter = resolve; });
});

EM_JS(void, webDisplayClose, (), {
    const d = Module.peekstunDisplay;
    if (!d) return;
    window.removeEventListener('keydown', d.onKey);
    document.removeEventListener('fullscreenchange', d.onFullscreen);
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    if (Module.showNotice) Module.showNotice('', 0);
    Module.peekstunDisplay = null;
});

// clang-format on

namespace {

class WebConsoleWindow : public ConsoleWindow {
public:
    WebConsoleWindow(int width, int height, bool fullscreen) : width(width), height(height) {
        if (!webDisplayOpen(width, height, fullscreen ? 1 : 0)) {
            throw DynamicError("No display available: the page has no canvas with the id \"screen\"");
        }
        rgba.resize(size_t(width) * size_t(height) * 4);
    }
    ~WebConsoleWindow() override { webDisplayClose(); }

    // Frames are 0x00RRGGBB; the canvas takes R, G, B, A bytes.
    void present(const uint32_t* pixels, const PlayerBar& bar) override {
        const size_t count = size_t(width) * size_t(height);
        for (size_t i = 0; i < count; ++i) {
            const uint32_t pixel = pixels[i];
            rgba[4 * i] = static_cast<unsigned char>(pixel >> 16);
            rgba[4 * i + 1] = static_cast<unsigned char>(pixel >> 8);
            rgba[4 * i + 2] = static_cast<unsigned char>(pixel);
            rgba[4 * i + 3] = 0xff;
        }
        webDisplayPresent(rgba.data(), width, height);
        // Every frame, shown or not: the page's own scrubber shows the moment
        // on screen whenever the pointer wakes it, and learns from the next
        // frame that a seek it asked for has been drawn.
        webDisplayBar(bar.shown ? 1 : 0, bar.paused ? 1 : 0, bar.seconds, bar.totalSeconds, bar.scene, bar.sceneStarts,
                      kPlayerBarScenes, bar.volumeShown ? 1 : 0, bar.volumePercent, bar.muted ? 1 : 0);
        webDisplayWaitForFrame();
    }

    void collectKeys(std::deque<int>& keys) override {
        for (int key = webDisplayNextKey(); key >= 0; key = webDisplayNextKey()) keys.push_back(key);
    }

    void waitForKey(std::deque<int>& keys) override {
        collectKeys(keys);
        while (keys.empty()) {
            webDisplayWaitForKey();
            collectKeys(keys);
        }
    }

    void* native() override { return this; }

private:
    int width;
    int height;
    std::vector<unsigned char> rgba;
};

}  // namespace

std::unique_ptr<ConsoleWindow> openConsoleWindow(const char*, int width, int height, bool fullscreen) {
    return std::make_unique<WebConsoleWindow>(width, height, fullscreen);
}

// Errors are the page's message boxes, answered before the show goes on.
void showErrorOnScreen(const std::string& message) {
    MessageBoxA(nullptr, message.c_str(), "Error", MB_OK | MB_ICONERROR);
}
