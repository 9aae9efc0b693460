// What the sound server and the desktop's mixer know the show by: the
// application's name, id and icon on the connection, and a playback stream
// named after the show with the media role of a music player.
#pragma once

#include <pulse/pulseaudio.h>

// A context on `api` carrying the application's name, id and icon name;
// nullptr when libpulse cannot make one.
pa_context* newNamedContext(pa_mainloop_api* api);
// A playback stream named after the show, with the media role "music".
pa_stream* newNamedStream(pa_context* context, const pa_sample_spec& spec);
