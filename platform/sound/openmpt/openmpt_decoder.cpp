// The song decoder of the native builds: libopenmpt.
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>

#include "platform/display/DynamicError.h"
#include "platform/sound/song_decoder.h"

namespace {

// Swallows the decoder's warnings: the show logs nothing.
class DiscardingBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

class SilentStream : public std::ostream {
public:
    SilentStream() : std::ostream(&buffer) {}

private:
    DiscardingBuffer buffer;
};

class OpenmptDecoder : public SongDecoder {
public:
    explicit OpenmptDecoder(const std::vector<uint8_t>& file) {
        // The song plays once and ends where it ends: no fade-out, no loop. No
        // dither either: its noise is drawn afresh by every decoder, and each
        // playing of the song must give the same samples.
        const std::map<std::string, std::string> controls{{"play.at_end", "stop"}, {"dither", "0"}};
        try {
            module = std::make_unique<openmpt::module>(file, log, controls);
        } catch (const std::exception& error) {
            throw DynamicError(std::string("not a module the decoder reads: ") + error.what());
        }
    }

    void setInterpolationTaps(int taps) override {
        module->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, taps);
    }
    size_t read(int rate, size_t frames, int16_t* samples) override {
        return module->read_interleaved_stereo(rate, frames, samples);
    }
    MusicPosition position() const override { return {module->get_current_order(), module->get_current_row()}; }

private:
    SilentStream log;  // first: the module reports into it until it is gone
    std::unique_ptr<openmpt::module> module;
};

}  // namespace

std::unique_ptr<SongDecoder> makeSongDecoder(const std::vector<uint8_t>& file) {
    return std::make_unique<OpenmptDecoder>(file);
}
