// The song decoder of the native builds: libopenmpt.
#include <libopenmpt/libopenmpt.hpp>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>

#include "platform/display/DynamicError.h"
#include "platform/sound/decoder_rules.h"
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
        std::map<std::string, std::string> controls;
        for (const DecoderControl& control : kDecoderControls) controls[control.name] = control.value;
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
    void seek(int order, int row) override { module->set_position_order_row(order, row); }
    int orderCount() const override { return module->get_num_orders(); }
    int rowCount(int order) const override {
        const int pattern = module->get_order_pattern(order);
        return pattern < 0 || pattern >= module->get_num_patterns() ? 0 : module->get_pattern_num_rows(pattern);
    }
    double seekSeconds(int order, int row) override {
        const int rows = rowCount(order);
        if (row < 0 || row >= rows) return -1.0;
        return module->set_position_order_row(order, row);
    }
    bool rowChangesTiming(int order, int row) const override {
        const int pattern = module->get_order_pattern(order);
        if (pattern < 0 || pattern >= module->get_num_patterns()) return false;
        for (int channel = 0; channel < module->get_num_channels(); ++channel) {
            const std::string effect =
                module->format_pattern_row_channel_command(pattern, row, channel, openmpt::module::command_effect);
            if (effect.empty()) continue;
            const int parameter =
                module->get_pattern_row_channel_command(pattern, row, channel, openmpt::module::command_parameter);
            if (commandChangesTiming(effect[0], parameter)) return true;
        }
        return false;
    }
    double lengthSeconds() const override { return module->get_duration_seconds(); }

private:
    SilentStream log;  // first: the module reports into it until it is gone
    std::unique_ptr<openmpt::module> module;
};

}  // namespace

std::unique_ptr<SongDecoder> makeSongDecoder(const std::vector<uint8_t>& file) {
    return std::make_unique<OpenmptDecoder>(file);
}
