#include "Walls.h"

#include "Boxes.h"
#include "Palettes.h"
#include "Pixel.h"

#include <QPainter>
#include <cmath>

namespace art {

using px::Bevel;
using px::Mask;
using px::Rgb;
using px::Shade;

namespace {

// Wood grain in three flat tones: wavy streaks along the boards.
QRgb WoodAt(int x, int y, QRgb base) {
    const double g = std::sin(0.55 * y + 2.4 * std::sin(0.017 * x + 0.45 * y)) +
                     0.3 * std::sin(0.09 * x + 1.3 * y);
    if (g > 1.0)
        return Shade(base, 0.86);
    if (g < -1.05)
        return Shade(base, 1.1);
    return base;
}

void Screw(QImage& img, int x, int y, QRgb dark, QRgb head, QRgb shine) {
    // A 3 x 3 screw head with a slot.
    img.setPixel(x + 1, y, dark);
    img.setPixel(x, y + 1, dark);
    img.setPixel(x + 2, y + 1, dark);
    img.setPixel(x + 1, y + 2, dark);
    img.setPixel(x, y, shine);
    img.setPixel(x + 2, y, head);
    img.setPixel(x, y + 2, head);
    img.setPixel(x + 2, y + 2, Shade(head, 0.8));
    img.setPixel(x + 1, y + 1, Shade(dark, 0.8));
}

// A five-petal blossom centred at (cx, cy); petal circles of radius pr at distance pd, each with
// a small notch at its tip.
Mask Blossom(int w, int h, double cx, double cy, double pd, double pr) {
    Mask m(w, h);
    for (int i = 0; i < 5; ++i) {
        const double a = -M_PI / 2 + i * 2 * M_PI / 5;
        m = m | Mask::Ellipse(w, h, cx + pd * std::cos(a), cy + pd * std::sin(a), pr, pr);
        m = m - Mask::Ellipse(w, h, cx + (pd + pr) * std::cos(a), cy + (pd + pr) * std::sin(a),
                              pr * 0.32, pr * 0.32);
    }
    return m | Mask::Ellipse(w, h, cx, cy, pd, pd);
}

void DrawBlossom(QImage& img, const Mask& petals, double cx, double cy, double centreR,
                 const SakuraColours& c) {
    px::Paint(img, petals, c.petal);
    Bevel(img, petals, c.petalLine, Rgb(0xFFFFFF), c.petalShade);
    const int w = img.width();
    const int h = img.height();
    Mask centre = Mask::Ellipse(w, h, cx, cy, centreR, centreR);
    px::Paint(img, centre, c.blossomCentre);
    for (int i = 0; i < 5; ++i) {
        const double a = -M_PI / 2 + M_PI / 5 + i * 2 * M_PI / 5;
        const int x = static_cast<int>(std::floor(cx + (centreR + 1.5) * std::cos(a)));
        const int y = static_cast<int>(std::floor(cy + (centreR + 1.5) * std::sin(a)));
        img.setPixel(x, y, c.stamen);
    }
}

// A single falling petal, 3 x 3 or so, for the plaque's pattern.
void Petal(QImage& img, int x, int y, QRgb colour, QRgb edge, bool flip) {
    const char* rows[3] = {flip ? ".##" : "##.", "###", flip ? "##." : ".##"};
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            if (rows[r][col] == '#')
                img.setPixel(x + col, y + r, (r == 2 && col == (flip ? 1 : 2)) ? edge : colour);
}

} // namespace

Wall ShelfWall() {
    const ShelfColours c = ShelfPalette();
    const int w = 312, h = 86;
    QImage img = px::Canvas(w, h);

    const Mask board = Mask::RoundRect(w, h, 0, 10, w, h, 14);
    const Mask header = Mask::RoundRect(w, h, 100, 0, 212, 24, 9);
    const Mask outline = board | header;

    px::PaintIf(img, outline, [&](int x, int y) { return WoodAt(x, y, c.wood); });
    Bevel(img, outline, c.outline, c.woodLight, c.woodShade);

    // The cubby row the boxes stand in: a recessed back panel in shadow.
    const Mask cubby = Mask::RoundRect(w, h, 9, 19, 303, 61, 3);
    px::PaintIf(img, cubby, [&](int x, int y) {
        QRgb col = WoodAt(x + 37, y * 2, c.back);
        // Faint vertical plank joints between the boxes.
        if ((x - 12) % 48 == 0 && x > 12 && x < 300)
            col = Shade(c.back, 0.84);
        return col;
    });
    Bevel(img, cubby, c.outline, Shade(c.back, 0.62), Shade(c.back, 1.12));
    // Soft shadow under the cubby's top edge.
    for (int x = 11; x < 301; ++x)
        if (cubby.Inner().Inner().At(x, 21))
            img.setPixel(x, 21, Shade(img.pixel(x, 21), 0.82));

    // The shelf board the boxes stand on.
    const Mask shelf = Mask::RoundRect(w, h, 5, 59, 307, 68, 2);
    px::PaintIf(img, shelf, [&](int x, int y) {
        if (y <= 61)
            return c.woodLight;
        return WoodAt(x, y + 5, c.wood);
    });
    Bevel(img, shelf, c.outline, Shade(c.woodLight, 1.15), c.woodShade);
    for (int x = 7; x < 305; ++x)
        img.setPixel(x, 68, Shade(c.wood, 0.7)); // the board's shadow on the front

    // Brass number plates under the boxes, and the name plate on the header.
    Wall wall;
    for (int i = 0; i < 6; ++i) {
        wall.iconPos[i] = QPoint(16 + i * 48, 23);
        const int cx = wall.iconPos[i].x() + 20;
        const Mask plate = Mask::RoundRect(w, h, cx - 5, 72, cx + 6, 81, 1.5);
        px::Paint(img, plate, c.brass);
        Bevel(img, plate, c.brassDark, c.brassLight, Shade(c.brass, 0.8));
        const char digit[2] = {static_cast<char>('1' + i), 0};
        px::DrawTinyText(img, cx - 1, 74, digit, c.outline);
    }
    const Mask nameplate = Mask::RoundRect(w, h, 136, 3, 176, 15, 2);
    px::Paint(img, nameplate, c.brass);
    Bevel(img, nameplate, c.brassDark, c.brassLight, Shade(c.brass, 0.8));
    px::DrawTinyText(img, 156 - px::TinyTextWidth("TABUKO") / 2, 6, "TABUKO", c.outline);
    Screw(img, 108, 9, c.brassDark, c.brass, c.brassLight);
    Screw(img, 201, 9, c.brassDark, c.brass, c.brassLight);
    Screw(img, 9, 73, c.brassDark, c.brass, c.brassLight);
    Screw(img, 300, 73, c.brassDark, c.brass, c.brassLight);

    wall.bitmap = px::ToSkinBitmap(img, &outline);
    return wall;
}

Wall SakuraWall() {
    const SakuraColours c = SakuraPalette();
    const int w = 140, h = 216;
    QImage img = px::Canvas(w, h);

    // Scalloped plaque: a rounded body with half-discs all around its edge.
    Mask plaque = Mask::RoundRect(w, h, 8, 24, 132, 206, 16);
    for (int x = 24; x <= 116; x += 16) {
        plaque = plaque | Mask::Ellipse(w, h, x, 24, 7.5, 7.5);
        plaque = plaque | Mask::Ellipse(w, h, x, 206, 7.5, 7.5);
    }
    for (int y = 40; y <= 190; y += 15) {
        plaque = plaque | Mask::Ellipse(w, h, 8, y, 7.5, 7.5);
        plaque = plaque | Mask::Ellipse(w, h, 132, y, 7.5, 7.5);
    }
    const double fx = 70, fy = 17;
    const Mask blossom = Blossom(w, h, fx, fy, 8.5, 7.5);
    const Mask outline = plaque | blossom;

    px::PaintIf(img, plaque, [&](int x, int y) {
        // A light diagonal weave so the large pink area is not flat.
        return ((x + y) % 6 == 0 && (x - y + 600) % 6 == 0) ? Shade(c.body, 1.08) : c.body;
    });
    Bevel(img, plaque, c.line, c.bodyLight, c.bodyShade);
    // A second, inner line follows the scallops a few pixels in.
    const Mask inset = plaque.Inner().Inner().Inner().Inner();
    px::Paint(img, inset.Edge(), c.bodyShade);

    // The cream board that holds the boxes, with a soft pink mat under each box.
    const Mask boardMask = Mask::RoundRect(w, h, 17, 34, 123, 197, 9);
    px::Paint(img, boardMask, c.board);
    Bevel(img, boardMask, c.line, Shade(c.board, 0.9), Rgb(0xFFFFFF));
    Wall wall;
    const int colX[2] = {22, 78};
    const int rowY[3] = {40, 92, 144};
    for (int i = 0; i < 6; ++i) {
        wall.iconPos[i] = QPoint(colX[i % 2], rowY[i / 2]);
        const int x = colX[i % 2];
        const int y = rowY[i / 2];
        const Mask mat = Mask::RoundRect(w, h, x - 2, y + 8, x + 42, y + 44, 6);
        px::Paint(img, mat, c.mat);
        Bevel(img, mat, 0, c.matShade, Shade(c.mat, 1.06));
    }
    // Petals drifting over the plaque's border.
    const QPoint petals[] = {{13, 60},  {124, 84}, {12, 132}, {125, 158},
                             {30, 200}, {104, 27}, {34, 27},  {122, 196}};
    for (std::size_t i = 0; i < std::size(petals); ++i)
        Petal(img, petals[i].x(), petals[i].y(), c.petal, c.petalShade, i % 2 == 1);

    DrawBlossom(img, blossom, fx, fy, 3.2, c);

    wall.bitmap = px::ToSkinBitmap(img, &outline);
    return wall;
}

QImage ShelfInfoPicture() {
    const ShelfColours c = ShelfPalette();
    QImage img = px::Canvas(32, 32);
    const Mask all = Mask::RoundRect(32, 32, 0, 0, 32, 32, 0);
    px::PaintIf(img, all, [&](int x, int y) { return WoodAt(x * 3, y * 2, c.wood); });
    Bevel(img, all, c.outline, c.woodLight, c.woodShade);
    const Mask cubby = Mask::RoundRect(32, 32, 3, 3, 29, 25, 1);
    px::Paint(img, cubby, c.back);
    Bevel(img, cubby, c.outline, Shade(c.back, 0.62), Shade(c.back, 1.12));
    const Mask shelf = Mask::RoundRect(32, 32, 2, 24, 30, 29, 0);
    px::Paint(img, shelf, c.woodLight);
    Bevel(img, shelf, c.outline, Shade(c.woodLight, 1.15), c.woodShade);
    DrawCardBox(img, 4, 3, 24, ShelfBoxColours(0), Fill::Full);
    return px::ToSkinBitmap(img);
}

QImage SakuraInfoPicture() {
    const SakuraColours c = SakuraPalette();
    QImage img = px::Canvas(32, 32);
    const Mask all = Mask::RoundRect(32, 32, 0, 0, 32, 32, 0);
    px::Paint(img, all, c.board);
    Bevel(img, all, c.line, c.bodyLight, c.bodyShade);
    const Mask blossom = Blossom(32, 32, 16, 16, 5.5, 6.0);
    DrawBlossom(img, blossom, 16, 16, 2.6, c);
    return px::ToSkinBitmap(img);
}

QImage AppIcon(int size) {
    QImage img = px::Canvas(size, size);
    DrawCardBox(img, 0, size / 32, size, ShelfBoxColours(0), Fill::Half);
    return img;
}

QImage AboutEmblem() {
    const ShelfColours c = ShelfPalette();
    QImage img = px::Canvas(64, 64);
    {
        // A round badge with a smooth rim (alpha edges are fine in a PNG).
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(c.outline));
        p.drawEllipse(QRectF(1, 1, 62, 62));
        p.setBrush(QColor(c.woodLight));
        p.drawEllipse(QRectF(3, 3, 58, 58));
        p.setBrush(QColor(c.badge));
        p.drawEllipse(QRectF(6, 6, 52, 52));
        p.setBrush(QColor(Shade(c.badge, 0.92)));
        p.drawPie(QRectF(6, 6, 52, 52), 200 * 16, 140 * 16);
    }
    DrawCardBox(img, 10, 9, 44, ShelfBoxColours(0), Fill::Full);
    return img;
}

} // namespace art
