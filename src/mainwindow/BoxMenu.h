#pragma once

#include <QBasicTimer>
#include <QMenu>
#include <QStringList>

// A box menu: its first action is the title row, the items after it stand for the box's memos.
//
// As a plain QMenu it holds one item per memo. A QMenu needs seconds to add and lay out a hundred
// thousand items, so for a large box the menu can instead be "windowed": it holds only as many
// rows as fit on the screen and shows the captions offset .. offset + rows - 1 of the whole list
// in them, giving the rows new captions as it scrolls. It scrolls as a scrolling QMenu does:
// scroller rows drawn by the style at the top and the bottom (an arrow only where there is more),
// hovering over one scrolls a row every 50 ms, the wheel scrolls a row a notch, Up and Down move
// the highlight and scroll at the edges (wrapping around at the ends when the style wraps),
// Home and PageUp go to the first caption, End and PageDown to the last. The title row stays in
// view above the rows. The menu keeps one width while it scrolls: that of the widest captions.
class BoxMenu : public QMenu {
    Q_OBJECT
public:
    explicit BoxMenu(QWidget* parent = nullptr);

    bool Windowed() const { return windowed_; }
    // Shows `captions` through the window of rows. Every action after the first becomes a row
    // (the caller removes actions it wants to keep). The view keeps its offset as far as the new
    // list allows; the rows are fitted to the screen when there are none yet.
    void SetWindowCaptions(QStringList captions);
    // Leaves the windowed mode: the rows stay as plain items, for the caller to reuse or delete.
    void EndWindow();
    // As the menu opens: the rows are fitted to the available height of the screen it opens on
    // (the one under the pointer) and the view starts at the first caption.
    void StartAtTop();

    qsizetype CaptionCount() const { return captions_.size(); }
    qsizetype Offset() const { return offset_; }
    qsizetype RowCount() const { return rows_.size(); }
    // Scrolls so that caption `first` is in the first row, as far as the list allows.
    void ScrollTo(qsizetype first);
    // The index, in the whole list, of the caption that `item` shows: offset + row in the
    // windowed mode, the item's position after the title row otherwise; -1 for the title row
    // and for actions that are not in the menu.
    qsizetype CaptionIndex(const QAction* item) const;

protected:
    void actionEvent(QActionEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int ScrollerHeight() const;
    // How far from the top and the bottom edge the scroller strips reach (frame included).
    int ScrollerReach() const;
    // -1 over the top scroller while there is more above, 1 over the bottom one while there is
    // more below, else 0.
    int ScrollerAt(QPoint pos) const;
    // Whether `pos` lies on the top or the bottom scroller's strip of the windowed menu.
    bool OnScroller(QPoint pos) const;
    qsizetype LastOffset() const;
    // Makes `rows` rows (at least one, at most the captions), adding or deleting at the end.
    void MakeRows(qsizetype rows);
    // Fits the rows to the available height of `screen` and fixes the width.
    void FitRows(const QRect& available);
    // Gives the rows the captions of the view; the menu lays itself out once for all of them.
    void Recaption();
    // Highlights caption `index`, scrolling the least that brings it into view.
    void Highlight(qsizetype index);

    bool windowed_ = false;
    QStringList captions_;
    QList<QAction*> rows_;
    qsizetype offset_ = 0;
    bool widthKnown_ = false;
    bool batching_ = false;
    bool changedInBatch_ = false;
    QBasicTimer scrollTimer_;
    int scrollDirection_ = 0;
};
