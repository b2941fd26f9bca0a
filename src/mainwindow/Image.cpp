#include "mainwindow/Image.h"

#include "platform/Platform.h"

#include <QBitmap>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {}

void TImage::SetPicture(TPicture picture) {
    picture_ = std::move(picture);
    RebuildDisplay();
}

void TImage::LoadFromFile(const QString& path) {
    SetPicture(LoadPicture(path));
}

void TImage::SetTransparent(bool transparent) {
    if (transparent_ == transparent)
        return;
    transparent_ = transparent;
    RebuildDisplay();
}

void TImage::RebuildDisplay() {
    if (picture_.image.isNull()) {
        display_ = QPixmap();
    } else if (transparent_ && picture_.kind == TPicture::Kind::Bitmap) {
        display_ = QPixmap::fromImage(WithBottomLeftTransparent(picture_.image));
    } else {
        display_ = QPixmap::fromImage(picture_.image);
    }
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!display_.isNull())
        painter.drawPixmap(0, 0, display_);
    if (!hasFocus())
        return;
    // The keyboard focus mark: a white dashed frame on a black one, seen on any picture.
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.drawRect(frame);
}

void TImage::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown)
        OnMouseDown(event->button());
    QWidget::mousePressEvent(event);
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (OnDblClick && event->button() == Qt::LeftButton)
        OnDblClick();
    else
        QWidget::mouseDoubleClickEvent(event);
}

void TImage::contextMenuEvent(QContextMenuEvent* event) {
    if (!popupMenu_) {
        event->ignore();
        return;
    }
    // From the keyboard the menu opens below the picture, not at the pointer.
    platform::Current().Popup(popupMenu_, event->reason() == QContextMenuEvent::Keyboard
                                              ? mapToGlobal(QPoint(0, height()))
                                              : event->globalPos());
}
