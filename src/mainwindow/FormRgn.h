#pragma once

#include "mainwindow/Image.h"
#include "platform/Platform.h"

#include <QMenu> // TImage's inline menu accessor needs the complete type
#include <QPoint>
#include <cstdint>

// An image control that gives its parent window the outline of its bitmap: every pixel whose
// colour is TransparentColor is cut out of the window, everything else stays.
//
// Call BuildRegion and then ApplyRegion once the bitmap is loaded and the control has its final
// size and position; changing the bitmap, the size or TransparentColor has no effect until then.
// The control's parent must be the window to shape.
class TFormRgn : public TImage {
    Q_OBJECT
public:
    explicit TFormRgn(QWidget* parent);
    ~TFormRgn() override;

    // An RGB value, red in bits 0-7, green 8-15, blue 16-23, top byte 0 (any other value never
    // matches a pixel). Default 0, black.
    std::uint32_t TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(std::uint32_t color) { transparentColor_ = color; }

    // Replaces the region by that of the non-transparent pixels. On failure the previous region
    // stays and the error is passed on.
    void BuildRegion();
    // Gives the parent window a copy of the region as its outline; nothing before the first
    // BuildRegion.
    void ApplyRegion();

private:
    // Adds the pixels s..e-1 of row y to the region being built.
    void AddRegionSpan(int s, int e, int y);

    std::uint32_t transparentColor_ = 0;
    // The region of the last successful BuildRegion (window coordinates), 0 before.
    platform::HRGN Region = 0;
    // Where the control's pixel (0, 0) lies in the parent window, frame included.
    QPoint spanOffset_;
};

// The position of a control's pixel (0, 0) in its window's own coordinates (origin at the
// window's top-left corner, frame included), from the window's outer and client sizes: the
// frame is taken as a border of equal width on the left, right and bottom, plus a caption.
QPoint WindowOffset(QSize frameSize, QSize clientSize, QPoint controlPos);
