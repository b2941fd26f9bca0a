#pragma once

#include <QString>
#include <functional>

// Which window system the program runs on. A Wayland session does not let a window place
// itself, stay on top or be cut to an outline; where the session also offers an X display
// (XWayland), the program runs there so that the wall behaves as on X11. A platform the user
// chose (QT_QPA_PLATFORM, or -platform on the command line) is always kept.
struct SessionEnvironment {
    QString qtPlatform;            // QT_QPA_PLATFORM
    QString waylandDisplay;        // WAYLAND_DISPLAY
    QString sessionType;           // XDG_SESSION_TYPE
    QString display;               // DISPLAY
    bool platformArgument = false; // -platform was given on the command line
};

SessionEnvironment CurrentSessionEnvironment(int argc, char** argv);

// A Wayland session: WAYLAND_DISPLAY is set or XDG_SESSION_TYPE says "wayland".
bool IsWaylandSession(const SessionEnvironment& environment);

// Whether this process runs in a Wayland session, natively or on XWayland. There the compositor
// draws windows from their pixels alone, so the wall's cut-out pixels must be transparent.
bool InWaylandSession();

// The platform to ask the toolkit for: "xcb" in a Wayland session with a reachable X display,
// empty where the toolkit's own choice stands. `xReachable` connects to the named display.
QString ChoosePlatform(const SessionEnvironment& environment,
                       const std::function<bool(const QString&)>& xReachable);

// Whether an X server answers on `display` (connects and disconnects at once).
bool XDisplayReachable(const QString& display);
