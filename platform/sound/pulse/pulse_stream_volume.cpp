#include "platform/sound/pulse/pulse_stream_volume.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr pa_usec_t kReplyTimeoutUs = PA_USEC_PER_SEC;
constexpr int kStreamChannels = 2;

}  // namespace

PulseStreamVolume::PulseStreamVolume(const PulseConnection& connection, pa_stream* stream)
    : connection(connection), streamIndex(pa_stream_get_index(stream)) {
    pa_context* context = connection.context();
    pa_context_set_subscribe_callback(context, onEvent, this);
    connection.finish(pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr),
                      kReplyTimeoutUs);
    // The first figures before anyone asks: the server may have restored the
    // stream's volume from an earlier run.
    connection.finish(pa_context_get_sink_input_info(context, streamIndex, onInfo, this), kReplyTimeoutUs);
}

PulseStreamVolume::~PulseStreamVolume() {
    pa_context_set_subscribe_callback(connection.context(), nullptr, nullptr);
    dropRequest();
}

void PulseStreamVolume::dropRequest() {
    if (pendingInfo == nullptr) return;
    pa_operation_cancel(pendingInfo);
    pa_operation_unref(pendingInfo);
    pendingInfo = nullptr;
}

void PulseStreamVolume::set(double newVolume, bool newMuted) {
    {
        std::lock_guard<std::mutex> guard(figuresMutex);
        volume = newVolume;
        muted = newMuted;
    }
    pa_cvolume levels;
    const double scaled = std::round(std::max(newVolume, 0.0) * PA_VOLUME_NORM);
    pa_cvolume_set(&levels, kStreamChannels, static_cast<pa_volume_t>(std::min<double>(scaled, PA_VOLUME_MAX)));
    pa_context* context = connection.context();
    if (pa_operation* sent = pa_context_set_sink_input_volume(context, streamIndex, &levels, nullptr, nullptr))
        pa_operation_unref(sent);
    if (pa_operation* sent = pa_context_set_sink_input_mute(context, streamIndex, newMuted ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(sent);
}

void PulseStreamVolume::read(double& outVolume, bool& outMuted) const {
    std::lock_guard<std::mutex> guard(figuresMutex);
    outVolume = volume;
    outMuted = muted;
}

// On the loop's thread: the server says a stream changed; ours is asked for
// its figures again. Our own changes come back this way too, with the same
// figures.
void PulseStreamVolume::onEvent(pa_context*, pa_subscription_event_type_t type, uint32_t index, void* self) {
    auto* tracker = static_cast<PulseStreamVolume*>(self);
    if (index != tracker->streamIndex) return;
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE) return;
    tracker->requestInfo();
}

void PulseStreamVolume::requestInfo() {
    dropRequest();
    pendingInfo = pa_context_get_sink_input_info(connection.context(), streamIndex, onInfo, this);
}

void PulseStreamVolume::onInfo(pa_context*, const pa_sink_input_info* info, int last, void* self) {
    auto* tracker = static_cast<PulseStreamVolume*>(self);
    if (last != 0 || info == nullptr) {
        if (tracker->pendingInfo != nullptr && last != 0) {
            pa_operation_unref(tracker->pendingInfo);
            tracker->pendingInfo = nullptr;
        }
        tracker->connection.wake();
        return;
    }
    std::lock_guard<std::mutex> guard(tracker->figuresMutex);
    tracker->volume = static_cast<double>(pa_cvolume_avg(&info->volume)) / PA_VOLUME_NORM;
    tracker->muted = info->mute != 0;
}
