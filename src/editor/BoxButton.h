#pragma once

#include <QToolButton>

// A box button of the editor. The chosen one (checked) is filled with the palette's highlight
// colour behind its picture and framed in it, so that it stands out from the others on any
// skin's pictures and with a light or a dark palette.
class TBoxButton : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;

    static constexpr int kFrameWidth = 2;

protected:
    void paintEvent(QPaintEvent* event) override;
};
