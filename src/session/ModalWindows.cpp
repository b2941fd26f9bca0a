#include "session/ModalWindows.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

ModalWindows::ModalWindows(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

ModalWindows::~ModalWindows() {
    qApp->removeEventFilter(this);
}

bool ModalWindows::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::WindowStateChange || !watched->isWidgetType())
        return false;
    auto* window = static_cast<QWidget*>(watched);
    if (!window->isWindow() || !window->isModal() || !window->isMinimized())
        return false;
    // Restored once the window system has finished with the change it reported.
    QTimer::singleShot(0, window, [window = QPointer<QWidget>(window)] {
        if (!window || !window->isVisible() || !window->isMinimized())
            return;
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    });
    return false;
}
