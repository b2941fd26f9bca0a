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
        // The bitmap's own transparent colour is that of its bottom-left pixel.
        QImage image = picture_.image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = image.pixel(0, image.height() - 1) | 0xFF000000u;
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] | 0xFF000000u) == key)
                    line[x] = 0;
        }
        display_ = QPixmap::fromImage(image);
    } else {
        display_ = QPixmap::fromImage(picture_.image);
    }
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (display_.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, display_);
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
    platform::Current().Popup(popupMenu_, event->globalPos());
}
