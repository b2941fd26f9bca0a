#include "ui/Position.h"

#include <QWidget>
#include <algorithm>

namespace {

QPoint CentredIn(const QRect& screen, QSize window) {
    return screen.topLeft() + QPoint(Centred(screen.width(), window.width()),
                                     Centred(screen.height(), window.height()));
}

} // namespace

QPoint CorrectedPosition(QPoint saved, QSize window, const std::vector<platform::Screen>& screens) {
    if (screens.empty())
        return saved;
    const QRect frame(saved, window);
    const int needWidth = std::min(kVisibleCorner, std::max(window.width(), 1));
    const int needHeight = std::min(kVisibleCorner, std::max(window.height(), 1));
    for (const platform::Screen& screen : screens) {
        // A window without size is taken as one pixel at its corner.
        const QRect shown =
            (window.isEmpty() ? QRect(saved, QSize(1, 1)) : frame).intersected(screen.available);
        if (shown.width() >= needWidth && shown.height() >= needHeight)
            return saved;
    }
    return CentredIn(screens.front().geometry, window);
}

QPoint CentredOnPrimary(QSize window) {
    return CentredIn(platform::Current().Screens().front().geometry, window);
}

void PlaceWindow(QWidget* window, QPoint saved) {
    window->move(
        CorrectedPosition(saved, window->frameGeometry().size(), platform::Current().Screens()));
}
