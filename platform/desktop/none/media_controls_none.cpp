// Builds without a desktop bus (the page: the browser's own media session is
// the page's business) have no media controls.
#include "platform/desktop/media_controls.h"

std::unique_ptr<MediaControls> openMediaControls(const MediaIdentity&, MediaCommands, MediaStateSource) {
    return nullptr;
}
