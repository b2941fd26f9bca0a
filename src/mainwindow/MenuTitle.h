#pragma once

#include <QWidget>

class QAction;
class TForm1;

// The owner-drawn title row of a box menu or the memo menu. It shows its action's caption
// (QAction::text) and picture (QAction::icon): the row is filled with the form's
// MenuTitleBrush, the picture is drawn at (1, 2) at its own size and the caption in
// MenuTitlePen at x 20, vertically centred. Enabled or not, it looks the same.
class TMenuTitle : public QWidget {
    Q_OBJECT
public:
    TMenuTitle(QAction* action, const TForm1* form, QWidget* parent = nullptr);

    // A normal menu item's height for the caption and picture; wide enough for both.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The picture as drawn: the icon at the first size it holds.
    QPixmap Picture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAction* action_;
    const TForm1* form_;
};
