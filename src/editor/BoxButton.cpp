#include "editor/BoxButton.h"

#include <QPainter>

void TBoxButton::paintEvent(QPaintEvent* event) {
    if (!isChecked()) {
        QToolButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QColor highlight = palette().color(QPalette::Highlight);
    QColor fill = highlight;
    fill.setAlpha(110);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.fillRect(rect(), fill);
    painter.setPen(Qt::NoPen);
    painter.setBrush(highlight);
    const QRect frame = rect();
    const int w = kFrameWidth;
    painter.drawRect(frame.left(), frame.top(), frame.width(), w);
    painter.drawRect(frame.left(), frame.bottom() - w + 1, frame.width(), w);
    painter.drawRect(frame.left(), frame.top(), w, frame.height());
    painter.drawRect(frame.right() - w + 1, frame.top(), w, frame.height());

    const QPixmap picture =
        icon().pixmap(iconSize(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
    if (!picture.isNull()) {
        const QSize size = picture.deviceIndependentSize().toSize();
        painter.drawPixmap(
            QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size),
            picture);
    }
}
