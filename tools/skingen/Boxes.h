#pragma once

#include <QImage>
#include <QRgb>

// The box pictures: a card box for the memo boxes and a pail for the trash box, drawn at any
// size from one design so that every size has crisp one-pixel lines.
namespace art {

enum class Fill { Empty, Half, Full };

struct CardBoxColours {
    QRgb body;  // the box's front and sides
    QRgb tab;   // index tabs of the cards
    QRgb tab2;  // a second tab colour
    QRgb label; // the label on the front
    QRgb paper; // cards
    QRgb ink;   // ruled lines on the cards
};

struct PailColours {
    QRgb metal;  // body
    QRgb rim;    // top ring
    QRgb inside; // the dark opening
    QRgb paper;  // crumpled paper
};

// Draws a card box of size s x s with its top-left corner at (ox, oy) of img.
void DrawCardBox(QImage& img, int ox, int oy, int s, const CardBoxColours& c, Fill fill);
// Draws a waste pail of size s x s: empty, with some paper, or overflowing.
void DrawPail(QImage& img, int ox, int oy, int s, const PailColours& c, Fill fill);

} // namespace art
