#pragma once

#include <QObject>
#include <memory>

// Tells when a notification area appears or starts again after the program: on X11 a new owner
// of the tray selection _NET_SYSTEM_TRAY_S<screen> (announced by the MANAGER message on the root
// window), on the session bus a new owner of org.kde.StatusNotifierWatcher. A panel that starts
// late or restarts after a crash is such an appearance. One per process.
class TrayWatcher : public QObject {
    Q_OBJECT
public:
    explicit TrayWatcher(QObject* parent = nullptr);
    ~TrayWatcher() override;

signals:
    // A notification area appeared.
    void TrayAppeared();

private:
    struct X11;
    void ReadX11Events();

    std::unique_ptr<X11> x11_;
};
