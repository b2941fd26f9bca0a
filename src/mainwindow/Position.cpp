#include "mainwindow/Position.h"

#include "platform/Platform.h"

#include <QWidget>

QPoint CorrectedPosition(QPoint saved, QSize window, QSize screen) {
    QPoint pos = saved;
    if (pos.y() > screen.height())
        pos.setY(Centred(screen.height(), window.height()));
    if (pos.x() > screen.width())
        pos.setX(Centred(screen.width(), window.width()));
    return pos;
}

void PlaceWindow(QWidget* window, QPoint saved) {
    window->move(
        CorrectedPosition(saved, window->frameGeometry().size(), platform::Current().ScreenSize()));
}
