#include "mainwindow/MenuTitle.h"

#include "mainwindow/Unit1.h"

#include <QAction>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionMenuItem>

namespace {
constexpr int kPictureX = 1;
constexpr int kPictureY = 2;
constexpr int kCaptionX = 20;
constexpr int kRightMargin = 6;
} // namespace

TMenuTitle::TMenuTitle(QAction* action, const TForm1* form, QWidget* parent)
    : QWidget(parent), action_(action), form_(form) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A screen reader reads the caption that the row only paints.
    setAccessibleName(action_->text());
    // A new caption or picture changes the row's size as well as its look.
    connect(action_, &QAction::changed, this, [this] {
        if (accessibleName() != action_->text())
            setAccessibleName(action_->text());
        updateGeometry();
        update();
    });
}

QPixmap TMenuTitle::Picture() const {
    const QIcon icon = action_->icon();
    const QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        return {};
    return icon.pixmap(sizes.first());
}

QSize TMenuTitle::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QString caption = action_->text();
    const QSize picture = Picture().size();

    QStyleOptionMenuItem option;
    option.initFrom(this);
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.text = caption;
    option.font = font();
    option.fontMetrics = metrics;
    option.icon = action_->icon();
    option.maxIconWidth = picture.width();
    const QSize contents(metrics.horizontalAdvance(caption),
                         std::max(metrics.height(), picture.height()));
    QSize size = style()->sizeFromContents(QStyle::CT_MenuItem, &option, contents, this);
    size.setWidth(std::max({size.width(), kCaptionX + contents.width() + kRightMargin,
                            kPictureX + picture.width() + kRightMargin}));
    size.setHeight(std::max(size.height(), kPictureY + picture.height()));
    return size;
}

void TMenuTitle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), form_->MenuTitleBrush());
    const QPixmap picture = Picture();
    if (!picture.isNull())
        painter.drawPixmap(kPictureX, kPictureY, picture);
    painter.setPen(form_->MenuTitlePen());
    painter.setBackgroundMode(Qt::TransparentMode);
    const QFontMetrics metrics = fontMetrics();
    const int top = (height() - metrics.height()) / 2;
    painter.drawText(kCaptionX, top + metrics.ascent(), action_->text());
}
