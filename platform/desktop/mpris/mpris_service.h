// The show as an MPRIS player on the session bus, through GDBus: the
// org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player interfaces at
// /org/mpris/MediaPlayer2, under the name org.mpris.MediaPlayer2.<suffix>
// (with ".instance<pid>" added when another show holds it). The bus is
// served on a thread of its own with its own main context, on a connection
// of its own, so the dialog's toolkit and its main loop never see it.
#pragma once

#include <gio/gio.h>

#include <mutex>
#include <string>
#include <thread>

#include "platform/desktop/media_controls.h"

class MprisService final : public MediaControls {
public:
    // Connects to `busAddress` and serves there; a failure is told on
    // standard error, and the service then stays silent.
    MprisService(std::string busAddress, MediaIdentity identity, MediaCommands commands, MediaStateSource state);
    // Leaves the bus: the player is gone from the desktop's controls.
    ~MprisService() override;

private:
    // Takes the state now, and tells the desktop what changed.
    void publish(const MediaState& state);
    static gboolean onPoll(gpointer self);

    void serve();
    bool connect();
    void disconnect();
    bool ownName(const std::string& name);

    static void onMethod(GDBusConnection*, const gchar* sender, const gchar* path, const gchar* interface,
                         const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self);
    static GVariant* onGet(GDBusConnection*, const gchar* sender, const gchar* path, const gchar* interface,
                           const gchar* property, GError** error, gpointer self);
    static gboolean onSet(GDBusConnection*, const gchar* sender, const gchar* path, const gchar* interface,
                          const gchar* property, GVariant* value, GError** error, gpointer self);

    static const GDBusInterfaceVTable vtable;

    void callMethod(const std::string& method, GVariant* parameters, GDBusMethodInvocation* invocation);
    GVariant* property(const std::string& name);
    GVariant* metadata() const;                                  // with `stateMutex` held
    int64_t positionNowUs() const;                               // with `stateMutex` held
    void emitChanged(const char* interface, GVariant* changed);  // a{sv}; consumed

    const std::string busAddress;
    const MediaIdentity identity;
    const MediaCommands commands;
    const MediaStateSource stateSource;

    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    GDBusNodeInfo* introspection = nullptr;
    guint rootObject = 0;
    guint playerObject = 0;

    mutable std::mutex stateMutex;
    GDBusConnection* connection = nullptr;  // set once the objects are registered
    MediaState state;
    bool published = false;
    int64_t publishedAtNs = 0;  // steady clock

    std::thread thread;  // last: starts once everything above exists
};
