#include "platform/sound/pulse/pulse_stream_identity.h"

#include "show/identity.h"

pa_context* newNamedContext(pa_mainloop_api* api) {
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, show::kAppName);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, show::kDesktopId);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, show::kIconName);
    pa_context* context = pa_context_new_with_proplist(api, show::kAppName, properties);
    pa_proplist_free(properties);
    return context;
}

pa_stream* newNamedStream(pa_context* context, const pa_sample_spec& spec) {
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_ROLE, "music");
    pa_proplist_sets(properties, PA_PROP_MEDIA_ICON_NAME, show::kIconName);
    pa_stream* stream = pa_stream_new_with_proplist(context, show::kAppName, &spec, nullptr, properties);
    pa_proplist_free(properties);
    return stream;
}
