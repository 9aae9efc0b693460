// The display toolkit: consoles, surfaces, pixel formats, palettes, areas,
// keys, a timer and errors. Handles are opaque; the show reaches them through
// the Dynamic* wrappers. Every failing call throws DynamicError.
#pragma once

#include <cstdint>

struct ptc_format_t;
struct ptc_palette_t;
struct ptc_area_t;
struct ptc_surface_t;
struct ptc_console_t;
struct ptc_key_t;
struct ptc_timer_t;
struct ptc_error_t;

typedef ptc_format_t* PTC_FORMAT;
typedef ptc_palette_t* PTC_PALETTE;
typedef ptc_area_t* PTC_AREA;
typedef ptc_surface_t* PTC_SURFACE;
typedef ptc_console_t* PTC_CONSOLE;
typedef ptc_key_t* PTC_KEY;
typedef ptc_timer_t* PTC_TIMER;
typedef ptc_error_t* PTC_ERROR;

// Failures raise exceptions. Kept for the calling convention of the show; the
// layer always throws, so this only documents intent at call sites.
void ptc_use_exceptions();

// Formats: direct (bits per pixel and masks) or indexed (8 bits).
PTC_FORMAT ptc_format_create();
PTC_FORMAT ptc_format_create_direct(int bits, int32_t r, int32_t g, int32_t b, int32_t a);
PTC_FORMAT ptc_format_create_indexed(int bits);
void ptc_format_assign(PTC_FORMAT format, PTC_FORMAT source);
void ptc_format_destroy(PTC_FORMAT format);
int ptc_format_bytes(PTC_FORMAT format);
int ptc_format_bits(PTC_FORMAT format);
int ptc_format_indexed(PTC_FORMAT format);
int ptc_format_direct(PTC_FORMAT format);
int32_t ptc_format_r(PTC_FORMAT format);
int32_t ptc_format_g(PTC_FORMAT format);
int32_t ptc_format_b(PTC_FORMAT format);
int32_t ptc_format_a(PTC_FORMAT format);

// Palettes: 256 entries of 0x00RRGGBB.
PTC_PALETTE ptc_palette_create();
void ptc_palette_assign(PTC_PALETTE palette, PTC_PALETTE source);
void ptc_palette_destroy(PTC_PALETTE palette);
void ptc_palette_load(PTC_PALETTE palette, const int32_t* data);
int32_t* ptc_palette_lock(PTC_PALETTE palette);
void ptc_palette_unlock(PTC_PALETTE palette);

// Areas: left, top, right, bottom; right and bottom one past the last pixel.
PTC_AREA ptc_area_create(int left, int top, int right, int bottom);
void ptc_area_assign(PTC_AREA area, PTC_AREA source);
void ptc_area_destroy(PTC_AREA area);
int ptc_area_left(PTC_AREA area);
int ptc_area_top(PTC_AREA area);
int ptc_area_right(PTC_AREA area);
int ptc_area_bottom(PTC_AREA area);
int ptc_area_width(PTC_AREA area);
int ptc_area_height(PTC_AREA area);

// Surfaces: pixels are rows of width x bytes per pixel, without gaps. Copies
// convert through the masks (narrowing keeps the high bits, widening repeats
// them, so 5-bit 31 becomes 255), indexed sources through their palette and
// direct pixels into an indexed surface to its nearest palette colour. When
// the two areas differ in size the copy scales by nearest pixel, sampling the
// source under each target pixel's centre; whole-surface copies and loads of
// another size scale likewise. Pixels falling outside either surface are
// skipped, never touched.
PTC_SURFACE ptc_surface_create(int width, int height, PTC_FORMAT format);
void ptc_surface_destroy(PTC_SURFACE surface);
void* ptc_surface_lock(PTC_SURFACE surface);
void ptc_surface_unlock(PTC_SURFACE surface);
int ptc_surface_width(PTC_SURFACE surface);
int ptc_surface_height(PTC_SURFACE surface);
PTC_FORMAT ptc_surface_format(PTC_SURFACE surface);  // owned by the surface
void ptc_surface_palette_get(PTC_SURFACE surface, PTC_PALETTE palette);
void ptc_surface_palette_set(PTC_SURFACE surface, PTC_PALETTE palette);
void ptc_surface_clear(PTC_SURFACE surface);
void ptc_surface_copy(PTC_SURFACE surface, PTC_SURFACE destination);
void ptc_surface_copy_console(PTC_SURFACE surface, PTC_CONSOLE destination);
void ptc_surface_copy_area(PTC_SURFACE surface, PTC_SURFACE destination, PTC_AREA source, PTC_AREA area);
void ptc_surface_load(PTC_SURFACE surface, const void* pixels, int width, int height, int pitch, PTC_FORMAT format,
                      PTC_PALETTE palette);
void ptc_surface_load_area(PTC_SURFACE surface, const void* pixels, int width, int height, int pitch, PTC_FORMAT format,
                           PTC_PALETTE palette, PTC_AREA source, PTC_AREA destination);

// Consoles. Options before opening: "DirectX" (accepted, no effect),
// "fullscreen output", "windowed output", and "offscreen output" (no display
// needed; the presented frame can be read back with ptc_console_frame).
PTC_CONSOLE ptc_console_create();
void ptc_console_destroy(PTC_CONSOLE console);
int ptc_console_option(PTC_CONSOLE console, const char* option);
void ptc_console_open_resolution(PTC_CONSOLE console, const char* title, int width, int height, PTC_FORMAT format,
                                 int pages);
void ptc_console_close(PTC_CONSOLE console);
void* ptc_console_window(PTC_CONSOLE console);  // the native window (an SDL_Window*), null when offscreen
void ptc_console_update(PTC_CONSOLE console);
// For a show that presents no new frame (paused): the last frame stays on
// screen, drawn again with the bar when the bar set last differs from the one
// shown or the window was uncovered; waits up to `longestNs` for a key. A
// backend that cannot wait so presents the last frame again.
void ptc_console_rest(PTC_CONSOLE console, int64_t longestNs);
// Nonzero keeps the screen saver and blanking away while the console shows;
// zero lets them come.
void ptc_console_keep_screen_on(PTC_CONSOLE console, int on);
// Brings the console's window forward.
void ptc_console_raise(PTC_CONSOLE console);
int ptc_console_key(PTC_CONSOLE console);
void ptc_console_read(PTC_CONSOLE console, PTC_KEY key);
int ptc_console_width(PTC_CONSOLE console);
int ptc_console_height(PTC_CONSOLE console);
// The last presented frame: width x height pixels of 0x00RRGGBB, rows without gaps.
const uint32_t* ptc_console_frame(PTC_CONSOLE console);
// When a frame presented at `presentNs` (nanoseconds of the steady clock)
// reaches the screen: the display's next refresh after it. An offscreen
// console shows nothing and answers `presentNs`.
int64_t ptc_console_shown_after(PTC_CONSOLE console, int64_t presentNs);
// How long each frame stays on the screen, in nanoseconds: the refresh
// period, or the time between presents where the show keeps up with fewer
// frames than the display. 0 for an offscreen console.
int64_t ptc_console_frame_duration(PTC_CONSOLE console);
// The player's bar, drawn by the window over every frame it presents from the
// next update on (never into the frame read back by ptc_console_frame); a bar
// not `shown` hides it. ptc_console_bar_shown is the bar last set.
void ptc_console_bar(PTC_CONSOLE console, const struct PlayerBar* bar);
const struct PlayerBar* ptc_console_bar_shown(PTC_CONSOLE console);
// Queues a key press as if it had been typed: for tests and for driving an
// offscreen console.
void ptc_console_queue_key(PTC_CONSOLE console, int code);

// Keys. Code 27 is Escape; other characters keep their code (Return 13,
// Space 32, letters lower case); other keys are 0x100 + their scan code (the
// USB usage). The keypad's digits and point read as those characters with
// NumLock on and as the arrows, Home, End, Page Up/Down, Insert and Delete
// printed under them with it off. Closing the window counts as an Escape press.
PTC_KEY ptc_key_create();
void ptc_key_destroy(PTC_KEY key);
int ptc_key_code(PTC_KEY key);

// Timer: monotonic seconds. A fixed step makes every delta return that step,
// for rendering at a fixed frame rate.
PTC_TIMER ptc_timer_create();
void ptc_timer_destroy(PTC_TIMER timer);
void ptc_timer_start(PTC_TIMER timer);
double ptc_timer_delta(PTC_TIMER timer);
void ptc_timer_set_fixed_step(PTC_TIMER timer, double seconds);

// Errors.
PTC_ERROR ptc_error_create(const char* message);
void ptc_error_destroy(PTC_ERROR error);
const char* ptc_error_message(PTC_ERROR error);
// Writes the message as one line to standard error and, when a display is
// available and the last console opened was not offscreen, shows it in a
// message box titled "Error" in the launcher dialog's look (SDL's own box
// where that toolkit cannot start); Return and Escape both dismiss it (tests
// type either key into it).
void ptc_error_report(PTC_ERROR error);
// Turns the message box of ptc_error_report on or off for the whole process
// (on by default); standard error always gets the message.
void ptc_error_set_message_box(int enabled);
