#include "mainwindow/BoxMenu.h"

#include <QActionEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>
#include <vector>

namespace {

// QMenu's pace when the pointer rests on a scroller.
constexpr int kScrollStepMs = 50;

// The indices of the `count` captions that are likely the widest: each caption's width is
// estimated as the sum of its characters' advances, so that a hundred thousand captions cost a
// table look-up per character instead of a text layout each.
std::vector<qsizetype> WidestCaptions(const QStringList& captions, const QFontMetrics& metrics,
                                      qsizetype count) {
    std::vector<int> advance(0x10000, -1);
    std::vector<std::pair<int, qsizetype>> widths;
    widths.reserve(std::size_t(captions.size()));
    for (qsizetype i = 0; i < captions.size(); ++i) {
        int width = 0;
        for (const QChar c : captions[i]) {
            int& known = advance[c.unicode()];
            if (known < 0)
                known = metrics.horizontalAdvance(c);
            width += known;
        }
        widths.emplace_back(width, i);
    }
    const auto wanted = std::ptrdiff_t(std::min<qsizetype>(count, captions.size()));
    std::nth_element(widths.begin(), widths.begin() + wanted, widths.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<qsizetype> widest;
    for (std::ptrdiff_t i = 0; i < wanted; ++i)
        widest.push_back(widths[std::size_t(i)].second);
    return widest;
}

} // namespace

BoxMenu::BoxMenu(QWidget* parent) : QMenu(parent) {}

void BoxMenu::SetWindowCaptions(QStringList captions) {
    captions_ = std::move(captions);
    widthKnown_ = false;
    const bool wasWindowed = windowed_;
    if (!windowed_) {
        windowed_ = true;
        rows_ = actions().mid(1);
        offset_ = 0;
        const int scroller = ScrollerHeight();
        setContentsMargins(0, scroller, 0, scroller);
    }
    if (isVisible() && wasWindowed) {
        // An open menu keeps its rows (fewer when the list has become shorter) and its width.
        MakeRows(std::min(rows_.size(), captions_.size()));
    } else {
        // Fitted to the screen it is on for now, and again to the one it opens on.
        FitRows(screen()->availableGeometry());
    }
    offset_ = std::min(offset_, LastOffset());
    Recaption();
}

void BoxMenu::EndWindow() {
    if (!windowed_)
        return;
    windowed_ = false;
    scrollTimer_.stop();
    captions_.clear();
    rows_.clear();
    offset_ = 0;
    setContentsMargins(0, 0, 0, 0);
    setMinimumWidth(0);
}

void BoxMenu::StartAtTop() {
    if (!windowed_)
        return;
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = this->screen();
    FitRows(screen->availableGeometry());
    offset_ = 0;
    Recaption();
}

void BoxMenu::ScrollTo(qsizetype first) {
    const qsizetype offset = std::clamp<qsizetype>(first, 0, LastOffset());
    if (offset == offset_)
        return;
    offset_ = offset;
    Recaption();
}

qsizetype BoxMenu::CaptionIndex(const QAction* item) const {
    if (!item)
        return -1;
    if (windowed_) {
        const qsizetype row = rows_.indexOf(item);
        return row < 0 ? -1 : offset_ + row;
    }
    const qsizetype position = actions().indexOf(item);
    return position < 1 ? -1 : position - 1;
}

int BoxMenu::ScrollerHeight() const {
    return style()->pixelMetric(QStyle::PM_MenuScrollerHeight, nullptr, this);
}

qsizetype BoxMenu::LastOffset() const {
    return std::max<qsizetype>(0, captions_.size() - rows_.size());
}

int BoxMenu::ScrollerReach() const {
    return style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this) + ScrollerHeight();
}

int BoxMenu::ScrollerAt(QPoint pos) const {
    if (!windowed_ || pos.x() < 0 || pos.x() >= width())
        return 0;
    const int reach = ScrollerReach();
    if (pos.y() < reach)
        return offset_ > 0 ? -1 : 0;
    if (pos.y() >= height() - reach)
        return offset_ < LastOffset() ? 1 : 0;
    return 0;
}

bool BoxMenu::OnScroller(QPoint pos) const {
    const int reach = ScrollerReach();
    return windowed_ && rect().contains(pos) && (pos.y() < reach || pos.y() >= height() - reach);
}

void BoxMenu::MakeRows(qsizetype rows) {
    rows = std::clamp<qsizetype>(rows, 1, std::max<qsizetype>(1, captions_.size()));
    if (rows_.size() < rows) {
        QList<QAction*> added;
        for (qsizetype i = rows_.size(); i < rows; ++i)
            added.push_back(new QAction(this));
        addActions(added);
        rows_ += added;
    }
    while (rows_.size() > rows)
        delete rows_.takeLast();
}

void BoxMenu::FitRows(const QRect& available) {
    // The height of a row and of everything else (frame, title row, scrollers), as the menu
    // lays them out.
    MakeRows(1);
    rows_.first()->setText(captions_.value(offset_));
    const int withOneRow = QMenu::sizeHint().height();
    const int rowHeight = std::max(1, actionGeometry(rows_.first()).height());
    MakeRows((available.height() - (withOneRow - rowHeight)) / rowHeight);

    if (!widthKnown_) {
        // The menu's width for the widest captions, kept while it scrolls.
        setMinimumWidth(0);
        const std::vector<qsizetype> widest =
            WidestCaptions(captions_, fontMetrics(), rows_.size());
        batching_ = true;
        for (std::size_t r = 0; r < widest.size(); ++r)
            rows_[qsizetype(r)]->setText(captions_[widest[r]]);
        batching_ = false;
        QActionEvent changed(QEvent::ActionChanged, rows_.first());
        QMenu::actionEvent(&changed);
        setMinimumWidth(QMenu::sizeHint().width());
        widthKnown_ = true;
    }
}

void BoxMenu::Recaption() {
    // Each new caption would make an open menu lay all its items out again; one layout after
    // the last is enough.
    batching_ = true;
    changedInBatch_ = false;
    for (qsizetype r = 0; r < rows_.size(); ++r)
        rows_[r]->setText(captions_.value(offset_ + r));
    batching_ = false;
    if (changedInBatch_) {
        QActionEvent changed(QEvent::ActionChanged, rows_.first());
        QMenu::actionEvent(&changed);
    }
    update();
}

void BoxMenu::Highlight(qsizetype index) {
    if (index < offset_)
        ScrollTo(index);
    else if (index >= offset_ + rows_.size())
        ScrollTo(index - rows_.size() + 1);
    setActiveAction(rows_.value(index - offset_));
}

void BoxMenu::actionEvent(QActionEvent* event) {
    if (batching_ && event->type() == QEvent::ActionChanged) {
        changedInBatch_ = true;
        return;
    }
    QMenu::actionEvent(event);
}

void BoxMenu::keyPressEvent(QKeyEvent* event) {
    if (!windowed_ || captions_.isEmpty()) {
        QMenu::keyPressEvent(event);
        return;
    }
    const qsizetype last = captions_.size() - 1;
    const qsizetype current = CaptionIndex(activeAction());
    const bool wrap = style()->styleHint(QStyle::SH_Menu_SelectionWrap, nullptr, this);
    qsizetype target = 0;
    switch (event->key()) {
    case Qt::Key_Up:
        target = current < 0 ? last : current > 0 ? current - 1 : wrap ? last : 0;
        break;
    case Qt::Key_Down:
        target = current < 0 ? 0 : current < last ? current + 1 : wrap ? 0 : last;
        break;
    case Qt::Key_Home:
    case Qt::Key_PageUp:
        target = 0;
        break;
    case Qt::Key_End:
    case Qt::Key_PageDown:
        target = last;
        break;
    default:
        QMenu::keyPressEvent(event);
        return;
    }
    Highlight(target);
    event->accept();
}

void BoxMenu::wheelEvent(QWheelEvent* event) {
    if (!windowed_) {
        QMenu::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0 && rect().contains(event->position().toPoint()))
        ScrollTo(offset_ + (delta > 0 ? -1 : 1));
    event->accept();
}

void BoxMenu::mouseMoveEvent(QMouseEvent* event) {
    const int direction = ScrollerAt(event->position().toPoint());
    if (direction != 0) {
        scrollDirection_ = direction;
        if (!scrollTimer_.isActive())
            scrollTimer_.start(kScrollStepMs, this);
        event->accept();
        return;
    }
    scrollTimer_.stop();
    QMenu::mouseMoveEvent(event);
}

// A press or release on a scroller, with an arrow or not, neither chooses nor closes.
void BoxMenu::mousePressEvent(QMouseEvent* event) {
    if (OnScroller(event->position().toPoint())) {
        event->accept();
        return;
    }
    QMenu::mousePressEvent(event);
}

void BoxMenu::mouseReleaseEvent(QMouseEvent* event) {
    if (OnScroller(event->position().toPoint())) {
        event->accept();
        return;
    }
    QMenu::mouseReleaseEvent(event);
}

void BoxMenu::timerEvent(QTimerEvent* event) {
    if (event->timerId() != scrollTimer_.timerId()) {
        QMenu::timerEvent(event);
        return;
    }
    ScrollTo(offset_ + scrollDirection_);
    if (offset_ == 0 || offset_ == LastOffset())
        scrollTimer_.stop();
}

void BoxMenu::hideEvent(QHideEvent* event) {
    scrollTimer_.stop();
    QMenu::hideEvent(event);
}

void BoxMenu::paintEvent(QPaintEvent* event) {
    QMenu::paintEvent(event);
    if (!windowed_)
        return;
    QPainter painter(this);
    const int frame = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    QStyleOptionMenuItem option;
    option.initFrom(this);
    option.checkType = QStyleOptionMenuItem::NotCheckable;
    option.maxIconWidth = 0;
    option.reservedShortcutWidth = 0;
    option.menuItemType = QStyleOptionMenuItem::Scroller;
    if (offset_ > 0) {
        option.rect = QRect(frame, frame, width() - 2 * frame, ScrollerHeight());
        painter.setClipRect(option.rect);
        style()->drawControl(QStyle::CE_MenuScroller, &option, &painter, this);
    }
    if (offset_ < LastOffset()) {
        option.rect = QRect(frame, height() - ScrollerHeight() - frame, width() - 2 * frame,
                            ScrollerHeight());
        option.state |= QStyle::State_DownArrow;
        painter.setClipRect(option.rect);
        style()->drawControl(QStyle::CE_MenuScroller, &option, &painter, this);
    }
}
