// How every decoder of the song is set up and read, in every build: the
// native decoder applies these directly, and the page's decoders, in
// JavaScript, are handed them by the program (platform/sound/web), so the
// row table measured in the page matches the one measured natively.
#pragma once

struct DecoderControl {
    const char* name;
    const char* value;
};

// The song plays once and ends where it ends: no fade-out, no loop. No dither
// either: its noise is drawn afresh by every decoder, and each playing of the
// song must give the same samples. A seek sets up the notes playing at the
// target row, not only the pattern position, so that what follows sounds as
// it would have.
inline constexpr DecoderControl kDecoderControls[] = {
    {"play.at_end", "stop"}, {"dither", "0"}, {"seek.sync_samples", "1"}};

// Commands that set speed or tempo, jump, break, loop or delay the pattern:
// a row holding one may change the length of later rows or which row comes
// next. `effect` is the command's letter as the decoder formats it.
inline bool commandChangesTiming(char effect, int parameter) {
    switch (effect) {
        case 'F':
        case 'B':
        case 'D':
            return true;
        case 'E':
            return (parameter >> 4) == 0x6 || (parameter >> 4) == 0xE;
        default:
            return false;
    }
}
