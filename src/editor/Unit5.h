#pragma once

#include "ui/LazyWindow.h"

#include <QCalendarWidget>
#include <QDate>
#include <QDialog>

class QPushButton;
class QTableView;

// A month calendar that selects a range of days: a click selects one day, a drag or a
// shift-click (or shift with the arrow keys) extends the selection from the day first chosen.
// A range holds at most kMaxDays days; today is circled.
class TRangeCalendar : public QCalendarWidget {
    Q_OBJECT
public:
    static constexpr int kMaxDays = 31;

    explicit TRangeCalendar(QWidget* parent = nullptr);

    QDate FirstDay() const { return first_; }
    QDate LastDay() const { return last_; }
    // Selects the days from `anchor` to `end` (either order), cut to kMaxDays days at the
    // `end` side.
    void SelectRange(QDate anchor, QDate end);
    // True once a day was chosen (by the user, or by SelectRange) since the last ShowDay.
    bool UserChose() const { return userChose_; }
    // Shows the month of `day` with that one day selected; the user has then chosen nothing.
    void ShowDay(QDate day);

signals:
    // Enter or Return in the day table.
    void EnterPressed();

protected:
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SelectionFollowed();
    QDate ClampedEnd(QDate anchor, QDate end) const;
    // The day shown in the cell at `pos` of the day table, or an invalid date.
    QDate DateAt(QPoint pos) const;

    QDate anchor_;
    QDate first_;
    QDate last_;
    QTableView* view_ = nullptr; // the day table
    QWidget* cells_ = nullptr;   // its viewport
    bool dragging_ = false;
    QDate dragEnd_;
    bool forwarding_ = false;
    bool userChose_ = false;
};

// The date-insertion window: inserts the chosen day or range into the editor.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    TForm5();

    TRangeCalendar* MonthCalendar1 = nullptr;
    QPushButton* Button1 = nullptr; // "挿入"

    // The text for the selection: one date, or "first～last".
    QString SelectionText() const;
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

extern LazyWindow<TForm5> Form5;
