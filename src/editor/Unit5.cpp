// The date-insertion window and its range-selecting month calendar.
#include "editor/Unit5.h"

#include "editor/Unit2.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "ui/ProgramFont.h"
#include "util/CP932.h"
#include "util/DateTime.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <algorithm>

LazyWindow<TForm5> Form5;

namespace {

// "～" as the box files hold it: the CP932 character 0x81 0x60.
QString RangeMark() {
    return cp932::Decode("\x81\x60");
}

QDate Today() {
    return datetime::ToQDateTime(platform::Current().Now()).date();
}

// One date, or "first～last": what the window inserts for a selection.
QString RangeText(QDate first, QDate last) {
    if (first == last)
        return datetime::FormatDate(first);
    return datetime::FormatDate(first) + RangeMark() + datetime::FormatDate(last);
}

} // namespace

TRangeCalendar::TRangeCalendar(QWidget* parent) : QCalendarWidget(parent) {
    setFirstDayOfWeek(locale().firstDayOfWeek());
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    if (auto* view = findChild<QTableView*>()) {
        view_ = view;
        cells_ = view->viewport();
        view_->installEventFilter(this);
        cells_->installEventFilter(this);
    }
    connect(this, &QCalendarWidget::selectionChanged, this, [this] { SelectionFollowed(); });
    // A screen reader names the calendar and reads the chosen range as its description.
    setAccessibleName(QStringLiteral("挿入する日付"));
}

void TRangeCalendar::ShowDay(QDate day) {
    SelectRange(day, day);
    setCurrentPage(day.year(), day.month());
    userChose_ = false;
}

QDate TRangeCalendar::ClampedEnd(QDate anchor, QDate end) const {
    if (end >= anchor)
        return std::min(end, anchor.addDays(kMaxDays - 1));
    return std::max(end, anchor.addDays(-(kMaxDays - 1)));
}

void TRangeCalendar::SelectRange(QDate anchor, QDate end) {
    end = ClampedEnd(anchor, end);
    anchor_ = anchor;
    first_ = std::min(anchor, end);
    last_ = std::max(anchor, end);
    // The calendar's own selected day follows the moving end of the range, so that the
    // keyboard goes on from there; while the button is held it stays, so that the shown
    // month does not turn under the pointer.
    if (!dragging_ && selectedDate() != end) {
        const bool wasForwarding = forwarding_;
        forwarding_ = true;
        setSelectedDate(end);
        forwarding_ = wasForwarding;
    }
    if (cells_)
        cells_->update();
    setAccessibleDescription(RangeText(first_, last_));
    userChose_ = true;
}

QDate TRangeCalendar::DateAt(QPoint pos) const {
    if (!view_)
        return QDate();
    const QModelIndex index = view_->indexAt(pos);
    const int headerRows = horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1;
    const int headerColumns = verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1;
    const int row = index.row() - headerRows;
    if (!index.isValid() || row < 0 || index.column() < headerColumns)
        return QDate();
    bool isNumber = false;
    const int day = index.data(Qt::DisplayRole).toInt(&isNumber);
    if (!isNumber || day < 1)
        return QDate();
    // Six weeks are shown: days above 20 in the first two weeks belong to the month before,
    // days below 15 in the last two to the month after.
    QDate month(yearShown(), monthShown(), 1);
    if (row <= 1 && day > 20)
        month = month.addMonths(-1);
    else if (row >= 4 && day < 15)
        month = month.addMonths(1);
    const QDate date(month.year(), month.month(), day);
    if (!date.isValid() || date < minimumDate() || date > maximumDate())
        return QDate();
    return date;
}

void TRangeCalendar::SelectionFollowed() {
    // Changes made while an event is handled below are taken up there.
    if (forwarding_)
        return;
    const QDate day = selectedDate();
    SelectRange(day, day);
}

bool TRangeCalendar::eventFilter(QObject* watched, QEvent* event) {
    if (forwarding_ || (watched != cells_ && watched != view_))
        return QCalendarWidget::eventFilter(watched, event);

    // Lets the calendar handle the event first, then reads the day it moved to.
    const auto forward = [&] {
        forwarding_ = true;
        QCoreApplication::sendEvent(watched, event);
        forwarding_ = false;
        return selectedDate();
    };

    // The calendar itself changes its day only when the button is released; the range
    // follows the pointer while it is held.
    switch (event->type()) {
    // A second press soon after a click arrives as a double click; it starts a selection too.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched != cells_ || mouse->button() != Qt::LeftButton)
            break;
        const QDate day = DateAt(mouse->position().toPoint());
        forward();
        if (!day.isValid())
            return true;
        dragging_ = true;
        dragEnd_ = day;
        if (mouse->modifiers().testFlag(Qt::ShiftModifier))
            SelectRange(anchor_, day);
        else
            SelectRange(day, day);
        return true;
    }
    case QEvent::MouseMove: {
        if (watched != cells_ || !dragging_)
            break;
        const QDate day = DateAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        forward();
        if (day.isValid() && day != dragEnd_) {
            dragEnd_ = day;
            SelectRange(anchor_, day);
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (watched != cells_ || !dragging_)
            break;
        forward();
        dragging_ = false;
        SelectRange(anchor_, dragEnd_);
        return true;
    case QEvent::KeyPress: {
        if (watched != view_)
            break;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            emit EnterPressed();
            return true;
        }
        const bool extend = static_cast<QKeyEvent*>(event)->modifiers().testFlag(Qt::ShiftModifier);
        const QDate before = selectedDate();
        const QDate day = forward();
        if (day != before)
            SelectRange(extend ? anchor_ : day, day);
        return true;
    }
    default:
        break;
    }
    return QCalendarWidget::eventFilter(watched, event);
}

void TRangeCalendar::hideEvent(QHideEvent* event) {
    // A window hidden while the button is held never gets the release: the drag ends here.
    if (dragging_) {
        dragging_ = false;
        SelectRange(anchor_, dragEnd_);
    }
    QCalendarWidget::hideEvent(event);
}

void TRangeCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const {
    if (date >= first_ && date <= last_) {
        painter->save();
        painter->fillRect(rect, palette().brush(QPalette::Highlight));
        painter->setPen(palette().color(QPalette::HighlightedText));
        painter->drawText(rect, Qt::AlignCenter, QString::number(date.day()));
        painter->restore();
    } else {
        QCalendarWidget::paintCell(painter, rect, date);
    }
    if (date == Today()) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(QColor(208, 0, 0), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(QRectF(rect).adjusted(1.5, 1.5, -1.5, -1.5));
        painter->restore();
    }
}

TForm5::TForm5() {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("日付の挿入"));
    setWindowFlags(Qt::Tool | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    const QFont font = ProgramFont();
    setFont(font);
    // The design's width unless the caption would not fit beside the icon and the three buttons
    // that window managers put in a title bar, in a title font of 14 pixels: the window then
    // widens with its calendar.
    QFont titleFont = font;
    titleFont.setPixelSize(14);
    titleFont.setBold(true);
    constexpr int kTitleBarButtons = 4, kTitleButtonWidth = 24, kTitleMargins = 16;
    const int captionRoom = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) +
                            kTitleBarButtons * kTitleButtonWidth + kTitleMargins;
    const int windowWidth = std::max(162, captionRoom);
    setFixedSize(windowWidth, 170);

    MonthCalendar1 = new TRangeCalendar(this);
    MonthCalendar1->setObjectName(QStringLiteral("MonthCalendar1"));
    MonthCalendar1->setGeometry(0, 0, windowWidth, 143);
    MonthCalendar1->ShowDay(Today());

    Button1 = new QPushButton(QStringLiteral("挿入"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // The design's width unless the caption needs more (a larger font): then the button grows
    // to the left, so that the caption is never cut.
    QStyleOptionButton option;
    option.initFrom(Button1);
    const int frame = 2 * (style()->pixelMetric(QStyle::PM_ButtonMargin, &option, Button1) +
                           style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, Button1));
    const int width =
        std::max(57, Button1->fontMetrics().horizontalAdvance(Button1->text()) + frame + 8);
    Button1->setGeometry(windowWidth - 1 - width, 144, width, 25);
    connect(Button1, &QPushButton::clicked, this, platform::Guarded([this] { Button1Click(); }));
    connect(MonthCalendar1, &TRangeCalendar::EnterPressed, Button1, &QPushButton::click);
}

void TForm5::showEvent(QShowEvent* event) {
    // Until the user has chosen a day, every opening shows today; after that, the selection
    // the user left.
    if (!event->spontaneous() && !MonthCalendar1->UserChose())
        MonthCalendar1->ShowDay(Today());
    QDialog::showEvent(event);
}

void TForm5::keyPressEvent(QKeyEvent* event) {
    // Enter inserts wherever the focus is, except in the year field, where it ends the typing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!qobject_cast<QAbstractSpinBox*>(focusWidget()))
            Button1->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QString TForm5::SelectionText() const {
    return RangeText(MonthCalendar1->FirstDay(), MonthCalendar1->LastDay());
}

void TForm5::Button1Click() {
    Form2->ReplaceSelection(SelectionText());
    accept();
}
