// A benchmark's loaded show, built once for all its cases; null when it could
// not be built (the data is missing, say), so that the cases can skip.
#pragma once

#include <memory>

#include "platform/display/DynamicError.h"

template <class Stage>
Stage* sharedStage() {
    static std::unique_ptr<Stage> stage = [] {
        try {
            return std::make_unique<Stage>();
        } catch (const DynamicError&) {
            return std::unique_ptr<Stage>();
        }
    }();
    return stage.get();
}
