// The choice of window system at start-up, made before the application object exists.
#include "session/PlatformChoice.h"

#include <cstring>

#ifdef TABUKO_HAVE_XCB
#include <xcb/xcb.h>
#endif

SessionEnvironment CurrentSessionEnvironment(int argc, char** argv) {
    SessionEnvironment environment;
    environment.qtPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    environment.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    environment.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    environment.display = qEnvironmentVariable("DISPLAY");
    for (int n = 1; n < argc; ++n) {
        if (std::strcmp(argv[n], "-platform") == 0 || std::strncmp(argv[n], "-platform=", 10) == 0)
            environment.platformArgument = true;
    }
    return environment;
}

bool IsWaylandSession(const SessionEnvironment& environment) {
    return !environment.waylandDisplay.isEmpty() ||
           environment.sessionType.compare(QStringLiteral("wayland"), Qt::CaseInsensitive) == 0;
}

bool InWaylandSession() {
    return IsWaylandSession(CurrentSessionEnvironment(0, nullptr));
}

QString ChoosePlatform(const SessionEnvironment& environment,
                       const std::function<bool(const QString&)>& xReachable) {
    if (!environment.qtPlatform.trimmed().isEmpty() || environment.platformArgument)
        return {};
    if (!IsWaylandSession(environment) || environment.display.isEmpty())
        return {};
    return xReachable(environment.display) ? QStringLiteral("xcb") : QString();
}

bool XDisplayReachable(const QString& display) {
#ifdef TABUKO_HAVE_XCB
    xcb_connection_t* connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool reachable = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return reachable;
#else
    (void)display;
    return false;
#endif
}
