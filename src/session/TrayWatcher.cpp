// Watching for a notification area: the X11 tray selection on a connection of our own (so that
// the toolkit's event handling is left alone) and the StatusNotifierWatcher's name on the bus.
#include "session/TrayWatcher.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QSocketNotifier>
#include <string>

#ifdef TABUKO_HAVE_XCB
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace {
const QString kStatusNotifierWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
}

struct TrayWatcher::X11 {
#ifdef TABUKO_HAVE_XCB
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t manager = 0;
    xcb_atom_t selection = 0;
    QSocketNotifier* notifier = nullptr;

    ~X11() {
        delete notifier;
        if (connection)
            xcb_disconnect(connection);
    }

    xcb_atom_t Atom(const std::string& name) const {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
            nullptr);
        const xcb_atom_t atom = reply ? reply->atom : 0;
        std::free(reply);
        return atom;
    }
#endif
};

TrayWatcher::TrayWatcher(QObject* parent) : QObject(parent) {
#ifdef TABUKO_HAVE_XCB
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        auto x11 = std::make_unique<X11>();
        int screenNumber = 0;
        x11->connection = xcb_connect(nullptr, &screenNumber);
        if (!xcb_connection_has_error(x11->connection)) {
            xcb_screen_iterator_t screens =
                xcb_setup_roots_iterator(xcb_get_setup(x11->connection));
            for (int n = 0; n < screenNumber && screens.rem; ++n)
                xcb_screen_next(&screens);
            if (screens.rem) {
                x11->root = screens.data->root;
                x11->manager = x11->Atom("MANAGER");
                x11->selection = x11->Atom("_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber));
                // The MANAGER message goes to the root window with StructureNotify as its mask.
                const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(x11->connection, x11->root, XCB_CW_EVENT_MASK, &mask);
                xcb_flush(x11->connection);
                x11->notifier = new QSocketNotifier(xcb_get_file_descriptor(x11->connection),
                                                    QSocketNotifier::Read);
                connect(x11->notifier, &QSocketNotifier::activated, this,
                        &TrayWatcher::ReadX11Events);
                x11_ = std::move(x11);
            }
        }
    }
#endif
    // A watcher that starts later, or again after a crash, takes the icon anew.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* serviceWatcher = new QDBusServiceWatcher(
            kStatusNotifierWatcher, bus, QDBusServiceWatcher::WatchForRegistration, this);
        connect(serviceWatcher, &QDBusServiceWatcher::serviceRegistered, this,
                &TrayWatcher::TrayAppeared);
    }
}

TrayWatcher::~TrayWatcher() = default;

void TrayWatcher::ReadX11Events() {
#ifdef TABUKO_HAVE_XCB
    bool appeared = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(x11_->connection)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            // MANAGER: data 0 the time, data 1 the selection, data 2 its new owner.
            if (message->type == x11_->manager && message->format == 32 &&
                message->data.data32[1] == x11_->selection)
                appeared = true;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(x11_->connection)) {
        // The display went away: nothing more will come from it.
        x11_->notifier->setEnabled(false);
        return;
    }
    if (appeared)
        emit TrayAppeared();
#endif
}
