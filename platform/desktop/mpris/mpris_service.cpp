#include "platform/desktop/mpris/mpris_service.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr const char* kNamePrefix = "org.mpris.MediaPlayer2.";
// How often the show's state is read: 25 times a second, so a change reaches
// the desktop within 40 ms, at a cost too small to measure.
constexpr guint kPollMs = 40;

constexpr const char* kIntrospectionXml = R"(<node>
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek"><arg direction="in" name="Offset" type="x"/></method>
    <method name="SetPosition">
      <arg direction="in" name="TrackId" type="o"/>
      <arg direction="in" name="Position" type="x"/>
    </method>
    <method name="OpenUri"><arg direction="in" name="Uri" type="s"/></method>
    <signal name="Seeked"><arg name="Position" type="x"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
</node>)";

int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char* statusName(MediaState::Status status) {
    switch (status) {
        case MediaState::Status::Playing:
            return "Playing";
        case MediaState::Status::Paused:
            return "Paused";
        case MediaState::Status::Stopped:
            break;
    }
    return "Stopped";
}

void call(const std::function<void()>& command) {
    if (command) command();
}

}  // namespace

const GDBusInterfaceVTable MprisService::vtable = {
    MprisService::onMethod, MprisService::onGet, MprisService::onSet, {}};

MprisService::MprisService(std::string address, MediaIdentity who, MediaCommands what, MediaStateSource source)
    : busAddress(std::move(address)),
      identity(std::move(who)),
      commands(std::move(what)),
      stateSource(std::move(source)) {
    context = g_main_context_new();
    loop = g_main_loop_new(context, FALSE);
    introspection = g_dbus_node_info_new_for_xml(kIntrospectionXml, nullptr);
    thread = std::thread([this] { serve(); });
}

MprisService::~MprisService() {
    // Queued rather than called: a loop not yet running would miss a quit.
    GSource* quit = g_idle_source_new();
    g_source_set_callback(
        quit,
        [](gpointer running) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(running));
            return G_SOURCE_REMOVE;
        },
        loop, nullptr);
    g_source_attach(quit, context);
    g_source_unref(quit);
    thread.join();
    g_dbus_node_info_unref(introspection);
    g_main_loop_unref(loop);
    g_main_context_unref(context);
}

void MprisService::serve() {
    g_main_context_push_thread_default(context);
    // A quit asked for before the loop runs ends it at once.
    if (connect()) g_main_loop_run(loop);
    disconnect();
    g_main_context_pop_thread_default(context);
}

// A connection of our own rather than GIO's shared one: leaving the bus at
// the show's end then takes the player away at once, whatever else in the
// process uses the bus.
bool MprisService::connect() {
    GError* error = nullptr;
    const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                         G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(busAddress.c_str(), flags, nullptr, nullptr, &error);
    if (bus == nullptr) {
        std::fprintf(stderr, "peekstun: the desktop's media controls are not available: %s\n", error->message);
        g_error_free(error);
        return false;
    }
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    rootObject = g_dbus_connection_register_object(bus, kObjectPath, introspection->interfaces[0], &vtable, this,
                                                   nullptr, &error);
    if (rootObject != 0) {
        playerObject = g_dbus_connection_register_object(bus, kObjectPath, introspection->interfaces[1], &vtable, this,
                                                         nullptr, &error);
    }
    if (playerObject == 0) {
        std::fprintf(stderr, "peekstun: the desktop's media controls are not available: %s\n", error->message);
        g_error_free(error);
        if (rootObject != 0) g_dbus_connection_unregister_object(bus, rootObject);
        rootObject = 0;
        g_object_unref(bus);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(stateMutex);
        connection = bus;
    }
    // The state before the name is taken: whoever sees the player appear
    // reads it as it is.
    publish(stateSource());
    GSource* poll = g_timeout_source_new(kPollMs);
    g_source_set_callback(poll, onPoll, this, nullptr);
    g_source_attach(poll, context);
    g_source_unref(poll);
    // Another show has the player's name: this one takes an instance name,
    // as the desktop's controls expect of a second player of one kind.
    if (!ownName(kNamePrefix + identity.busSuffix)) {
        ownName(kNamePrefix + identity.busSuffix + ".instance" + std::to_string(getpid()));
    }
    return true;
}

gboolean MprisService::onPoll(gpointer self) {
    auto* service = static_cast<MprisService*>(self);
    service->publish(service->stateSource());
    return G_SOURCE_CONTINUE;
}

// Asks the bus for `name`, without waiting in line for it; the bus takes it
// back when the connection closes.
bool MprisService::ownName(const std::string& name) {
    constexpr guint32 kDoNotQueue = 4;
    constexpr guint32 kPrimaryOwner = 1;
    GError* error = nullptr;
    GVariant* reply =
        g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                    "RequestName", g_variant_new("(su)", name.c_str(), kDoNotQueue),
                                    G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &error);
    if (reply == nullptr) {
        std::fprintf(stderr, "peekstun: the desktop's media controls cannot take the name %s: %s\n", name.c_str(),
                     error->message);
        g_error_free(error);
        return false;
    }
    guint32 answer = 0;
    g_variant_get(reply, "(u)", &answer);
    g_variant_unref(reply);
    return answer == kPrimaryOwner;
}

void MprisService::disconnect() {
    GDBusConnection* bus;
    {
        std::lock_guard<std::mutex> guard(stateMutex);
        bus = connection;
        connection = nullptr;
    }
    if (bus == nullptr) return;
    g_dbus_connection_unregister_object(bus, playerObject);
    g_dbus_connection_unregister_object(bus, rootObject);
    g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    // What the closing left for this context.
    while (g_main_context_iteration(context, FALSE)) {
    }
}

void MprisService::publish(const MediaState& now) {
    std::lock_guard<std::mutex> guard(stateMutex);
    const MediaState before = state;
    const bool first = !published;
    state = now;
    published = true;
    publishedAtNs = steadyNs();
    if (connection == nullptr) return;

    GVariantBuilder changed;
    g_variant_builder_init(&changed, G_VARIANT_TYPE_VARDICT);
    bool anything = false;
    if (first || before.status != now.status) {
        g_variant_builder_add(&changed, "{sv}", "PlaybackStatus", g_variant_new_string(statusName(now.status)));
        anything = true;
    }
    if (first || before.volume != now.volume) {
        g_variant_builder_add(&changed, "{sv}", "Volume", g_variant_new_double(std::max(now.volume, 0.0)));
        anything = true;
    }
    if (first || before.lengthUs != now.lengthUs) {
        g_variant_builder_add(&changed, "{sv}", "Metadata", metadata());
        g_variant_builder_add(&changed, "{sv}", "CanSeek", g_variant_new_boolean(now.lengthUs > 0));
        anything = true;
    }
    if (anything) {
        emitChanged(kPlayerInterface, g_variant_builder_end(&changed));
    } else {
        g_variant_builder_clear(&changed);
    }
    if (!first && before.seeks != now.seeks) {
        g_dbus_connection_emit_signal(connection, nullptr, kObjectPath, kPlayerInterface, "Seeked",
                                      g_variant_new("(x)", static_cast<gint64>(now.positionUs)), nullptr);
    }
}

void MprisService::emitChanged(const char* interface, GVariant* changed) {
    g_dbus_connection_emit_signal(connection, nullptr, kObjectPath, "org.freedesktop.DBus.Properties",
                                  "PropertiesChanged", g_variant_new("(s@a{sv}as)", interface, changed, nullptr),
                                  nullptr);
}

GVariant* MprisService::metadata() const {
    GVariantBuilder entries;
    g_variant_builder_init(&entries, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&entries, "{sv}", "mpris:trackid", g_variant_new_object_path(identity.trackId.c_str()));
    if (state.lengthUs > 0) {
        g_variant_builder_add(&entries, "{sv}", "mpris:length", g_variant_new_int64(state.lengthUs));
    }
    g_variant_builder_add(&entries, "{sv}", "xesam:title", g_variant_new_string(identity.title.c_str()));
    const gchar* artists[] = {identity.artist.c_str(), nullptr};
    g_variant_builder_add(&entries, "{sv}", "xesam:artist", g_variant_new_strv(artists, 1));
    if (!identity.artUrl.empty()) {
        g_variant_builder_add(&entries, "{sv}", "mpris:artUrl", g_variant_new_string(identity.artUrl.c_str()));
    }
    return g_variant_builder_end(&entries);
}

int64_t MprisService::positionNowUs() const {
    int64_t position = state.positionUs;
    if (state.status == MediaState::Status::Playing) position += (steadyNs() - publishedAtNs) / 1000;
    return state.lengthUs > 0 ? std::clamp<int64_t>(position, 0, state.lengthUs) : std::max<int64_t>(position, 0);
}

void MprisService::onMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                            GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self) {
    static_cast<MprisService*>(self)->callMethod(method, parameters, invocation);
}

void MprisService::callMethod(const std::string& method, GVariant* parameters, GDBusMethodInvocation* invocation) {
    if (method == "Raise") {
        call(commands.raise);
    } else if (method == "Quit" || method == "Stop") {
        call(commands.quit);
    } else if (method == "Play") {
        call(commands.play);
    } else if (method == "Pause") {
        call(commands.pause);
    } else if (method == "PlayPause") {
        call(commands.playPause);
    } else if (method == "Next") {
        call(commands.next);
    } else if (method == "Previous") {
        call(commands.previous);
    } else if (method == "Seek") {
        gint64 offset = 0;
        g_variant_get(parameters, "(x)", &offset);
        if (commands.seekBy) commands.seekBy(offset);
    } else if (method == "SetPosition") {
        const gchar* track = nullptr;
        gint64 position = 0;
        g_variant_get(parameters, "(&ox)", &track, &position);
        int64_t length;
        {
            std::lock_guard<std::mutex> guard(stateMutex);
            length = state.lengthUs;
        }
        // As the interface asks: a stale track or a moment outside the track
        // is ignored.
        if (identity.trackId == track && position >= 0 && position <= length && commands.seekTo) {
            commands.seekTo(position);
        }
    } else {
        g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_NOT_SUPPORTED,
                                              "the show plays itself only");
        return;
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* MprisService::onGet(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name, GError**,
                              gpointer self) {
    return static_cast<MprisService*>(self)->property(name);
}

GVariant* MprisService::property(const std::string& name) {
    static const gchar* const none[] = {nullptr};
    if (name == "CanQuit" || name == "CanRaise" || name == "CanGoNext" || name == "CanGoPrevious" ||
        name == "CanPlay" || name == "CanPause" || name == "CanControl") {
        return g_variant_new_boolean(TRUE);
    }
    if (name == "HasTrackList") return g_variant_new_boolean(FALSE);
    if (name == "Identity") return g_variant_new_string(identity.name.c_str());
    if (name == "DesktopEntry") return g_variant_new_string(identity.desktopId.c_str());
    if (name == "SupportedUriSchemes" || name == "SupportedMimeTypes") return g_variant_new_strv(none, 0);
    if (name == "Rate" || name == "MinimumRate" || name == "MaximumRate") return g_variant_new_double(1.0);
    std::lock_guard<std::mutex> guard(stateMutex);
    if (name == "PlaybackStatus") return g_variant_new_string(statusName(state.status));
    if (name == "Metadata") return metadata();
    if (name == "Volume") return g_variant_new_double(std::max(state.volume, 0.0));
    if (name == "Position") return g_variant_new_int64(positionNowUs());
    if (name == "CanSeek") return g_variant_new_boolean(state.lengthUs > 0);
    return nullptr;
}

gboolean MprisService::onSet(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                             GVariant* value, GError** error, gpointer self) {
    auto* service = static_cast<MprisService*>(self);
    const std::string property = name;
    if (property == "Volume") {
        if (service->commands.setVolume) service->commands.setVolume(g_variant_get_double(value));
        return TRUE;
    }
    // Only the one rate plays.
    if (property == "Rate" && g_variant_get_double(value) == 1.0) return TRUE;
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_NOT_SUPPORTED, "%s cannot be set", name);
    return FALSE;
}

// The session bus a desktop session names in DBUS_SESSION_BUS_ADDRESS, and
// never one started for us: without it there is no desktop to serve (GIO's
// last resort would launch a bus).
std::unique_ptr<MediaControls> openMediaControls(const MediaIdentity& identity, MediaCommands commands,
                                                 MediaStateSource state) {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || *address == '\0') return nullptr;
    return std::make_unique<MprisService>(address, identity, std::move(commands), std::move(state));
}
