#include "Boxes.h"

#include "Pixel.h"

#include <cmath>
#include <vector>

namespace art {

using px::Bevel;

using px::Mask;
using px::Mix;
using px::Shade;

namespace {

// Box geometry is designed on a 40-pixel grid; u() maps a grid line to the target size.
struct Grid {
    int s;
    double u(double v) const { return std::round(v * s / 40.0); }
    int i(double v) const { return static_cast<int>(u(v)); }
};

struct Card {
    double x0, x1, top;
    int tab; // 0 none, 1 tab in colour 1, 2 tab in colour 2
    double tabX;
};

void DrawCard(QImage& img, int ox, int oy, const Grid& g, const CardBoxColours& c, const Card& card,
              double bottom) {
    const int s = g.s;
    if (card.tab != 0) {
        const QRgb tc = card.tab == 1 ? c.tab : c.tab2;
        const double tabW = s >= 32 ? 6 : 8;
        Mask tab = Mask::RoundRect(s, s, g.u(card.tabX), g.u(card.top - (s >= 32 ? 3 : 4)),
                                   g.u(card.tabX + tabW), g.u(card.top) + 1, 0);
        px::Paint(img, tab, tc, ox, oy);
        Bevel(img, tab, Shade(tc, 0.5), Shade(tc, 1.3), 0, ox, oy);
    }
    Mask m = Mask::RoundRect(s, s, g.u(card.x0), g.u(card.top), g.u(card.x1), g.u(bottom), 0);
    px::Paint(img, m, c.paper, ox, oy);
    Bevel(img, m, Mix(c.paper, qRgb(60, 56, 70), 0.62), qRgb(255, 255, 255), Shade(c.paper, 0.86),
          ox, oy);
    if (s >= 24) {
        const int y = g.i(card.top) + (s >= 32 ? 3 : 2);
        if (y < g.i(bottom) - 1)
            for (int x = g.i(card.x0) + 2; x < g.i(card.x1) - 2; ++x)
                img.setPixel(ox + x, oy + y, c.ink);
    }
}

} // namespace

void DrawCardBox(QImage& img, int ox, int oy, int s, const CardBoxColours& c, Fill fill) {
    const Grid g{s};
    const QRgb outline = Shade(c.body, 0.42);
    const QRgb light = Shade(c.body, 1.32);
    const QRgb shade = Shade(c.body, 0.78);

    // Outer shape: the open box seen from above the front, its back edge narrower.
    Mask sil = Mask::Polygon(s, s,
                             {{g.u(8), g.u(15)},
                              {g.u(32), g.u(15)},
                              {g.u(37), g.u(22)},
                              {g.u(37), g.u(37)},
                              {g.u(3), g.u(37)},
                              {g.u(3), g.u(22)}});
    px::Paint(img, sil, c.body, ox, oy);
    Bevel(img, sil, outline, light, shade, ox, oy);

    // The inside: back wall in shadow, floor a little lighter towards the front.
    Mask inside = Mask::Polygon(
        s, s, {{g.u(10), g.u(17)}, {g.u(30), g.u(17)}, {g.u(35), g.u(23)}, {g.u(5), g.u(23)}});
    const int backTop = g.i(17);
    const int floorTop = g.i(20);
    px::PaintIf(
        img, inside,
        [&](int, int y) {
            if (y == backTop)
                return Shade(c.body, 0.32);
            return y < floorTop ? Shade(c.body, 0.45) : Shade(c.body, 0.58);
        },
        ox, oy);

    std::vector<Card> cards;
    if (fill == Fill::Half) {
        cards = {{11, 29, 11, 1, 22}, {12, 30, 13, 0, 0}, {10, 28, 15, 2, 12}};
        if (s < 24)
            cards = {{10, 29, 10, 1, 21}, {11, 30, 15, 0, 0}};
    } else if (fill == Fill::Full) {
        cards = {{12, 30, 3, 2, 14}, {10, 28, 5, 0, 0},   {13, 31, 7, 1, 23},
                 {9, 27, 9, 0, 0},   {11, 30, 11, 2, 20}, {10, 29, 14, 1, 12}};
        if (s < 24)
            cards = {{11, 30, 4, 1, 21}, {9, 28, 8, 2, 11}, {11, 30, 13, 0, 0}};
    }
    for (const Card& card : cards)
        DrawCard(img, ox, oy, g, c, card, 24);

    if (fill == Fill::Full && s >= 24) {
        // One card leans out over the right side.
        Mask lean = Mask::Polygon(
            s, s, {{g.u(27), g.u(8)}, {g.u(32), g.u(6)}, {g.u(37.5), g.u(21)}, {g.u(32), g.u(23)}});
        px::Paint(img, lean, c.paper, ox, oy);
        Bevel(img, lean, Mix(c.paper, qRgb(60, 56, 70), 0.62), qRgb(255, 255, 255),
              Shade(c.paper, 0.86), ox, oy);
    }

    // Front panel, lit from the top left.
    Mask front = Mask::RoundRect(s, s, g.u(3), g.u(22), g.u(37), g.u(37), 0);
    px::Paint(img, front, c.body, ox, oy);
    Bevel(img, front, outline, light, shade, ox, oy);

    // Label holder in the middle of the front.
    if (s >= 24) {
        Mask label = Mask::RoundRect(s, s, g.u(13), g.u(26), g.u(27), g.u(32), 0);
        px::Paint(img, label, c.label, ox, oy);
        Bevel(img, label, Shade(c.body, 0.35), 0, Shade(c.label, 0.85), ox, oy);
        const int y = (g.i(26) + g.i(32)) / 2;
        for (int x = g.i(13) + 3; x < g.i(27) - 3; ++x)
            img.setPixel(ox + x, oy + y, Shade(c.body, 0.6));
    } else {
        for (int x = g.i(14); x < g.i(26); ++x)
            img.setPixel(ox + x, oy + g.i(28), c.label);
    }
}

namespace {

// A crumpled paper ball: an uneven round blob with a few creases.
void DrawBall(QImage& img, int ox, int oy, int s, double cx, double cy, double r, int seed,
              QRgb paper) {
    Mask m = Mask::Make(s, s, [=](double x, double y) {
        const double a = std::atan2(y - cy, x - cx);
        const double rr = r * (1.0 + 0.10 * std::sin(5 * a + seed) + 0.06 * std::sin(3 * a - seed));
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= rr * rr;
    });
    px::Paint(img, m, paper, ox, oy);
    Bevel(img, m, Mix(paper, qRgb(50, 50, 64), 0.6), qRgb(255, 255, 255), Shade(paper, 0.8), ox,
          oy);
    if (r >= 3.0) {
        // Creases: short strokes in the paper's shadow tone.
        const QRgb crease = Shade(paper, 0.78);
        const int x = static_cast<int>(cx) + (seed % 2 == 0 ? -1 : 0);
        const int y = static_cast<int>(cy);
        auto put = [&](int dx, int dy) {
            if (m.Inner().At(x + dx, y + dy))
                img.setPixel(ox + x + dx, oy + y + dy, crease);
        };
        put(0, 0);
        put(1, -1);
        put(-1, 1);
        if (r >= 4.5) {
            put(2, 1);
            put(3, 1);
            put(-2, -1);
        }
    }
}

} // namespace

void DrawPail(QImage& img, int ox, int oy, int s, const PailColours& c, Fill fill) {
    const Grid g{s};
    const double k = s / 40.0;
    const QRgb outline = Shade(c.metal, 0.38);

    // Body: tapering towards the foot, shaded in vertical bands, with two grooves.
    const double topL = 8, topR = 32, botL = 10.5, botR = 29.5, top = 14, bottom = 37.5;
    Mask body = Mask::Polygon(s, s,
                              {{g.u(topL), g.u(top)},
                               {g.u(topR), g.u(top)},
                               {g.u(botR), g.u(bottom)},
                               {g.u(botL), g.u(bottom)}});
    px::PaintIf(
        img, body,
        [&](int x, int y) {
            const double yy = (y + 0.5) / k;
            const double f = (yy - top) / (bottom - top);
            const double l = topL + (botL - topL) * f;
            const double r = topR + (botR - topR) * f;
            const double t = ((x + 0.5) / k - l) / (r - l);
            const double w = (r - l) * k;
            QRgb col = t < 0.2    ? Shade(c.metal, 1.28)
                       : t < 0.55 ? c.metal
                       : t < 0.8  ? Shade(c.metal, 0.84)
                                  : Shade(c.metal, 0.7);
            if (s >= 24 && (std::abs(t - 0.37) * w < 0.5 || std::abs(t - 0.66) * w < 0.5))
                col = Shade(col, 0.78);
            if (yy > bottom - 3.0)
                col = Shade(col, 0.86);
            return col;
        },
        ox, oy);
    Bevel(img, body, outline, 0, 0, ox, oy);

    // Rim and opening, drawn on their own layer so the front half can be laid over the contents.
    const double cx = 20, cy = 13.5;
    QImage rimLayer = px::Canvas(s, s);
    Mask outer = Mask::Ellipse(s, s, cx * k, cy * k, 13.5 * k, 4.6 * k);
    Mask opening = Mask::Ellipse(s, s, cx * k, cy * k, 11.0 * k, 3.0 * k);
    if (s < 24)
        opening = Mask::Ellipse(s, s, cx * k, cy * k, 11.0 * k, 2.6 * k);
    px::Paint(rimLayer, outer, c.rim);
    Bevel(rimLayer, outer, outline, Shade(c.rim, 1.3), Shade(c.rim, 0.8));
    px::PaintIf(rimLayer, opening,
                [&](int, int y) { return (y + 0.5) / k < cy ? Shade(c.inside, 0.7) : c.inside; });
    Bevel(rimLayer, opening, Shade(c.rim, 0.55), 0, 0);
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x)
            if (outer.At(x, y))
                img.setPixel(ox + x, oy + y, rimLayer.pixel(x, y));

    if (fill == Fill::Half) {
        if (s >= 24) {
            DrawBall(img, ox, oy, s, 15.5 * k, 11.5 * k, 4.2 * k, 1, c.paper);
            DrawBall(img, ox, oy, s, 24.5 * k, 12.0 * k, 3.6 * k, 4, c.paper);
        } else {
            DrawBall(img, ox, oy, s, 17 * k, 11.5 * k, 4.5 * k, 1, c.paper);
        }
    } else if (fill == Fill::Full) {
        DrawBall(img, ox, oy, s, 13.0 * k, 9.5 * k, 5.0 * k, 2, c.paper);
        DrawBall(img, ox, oy, s, 27.5 * k, 9.0 * k, 4.8 * k, 5, c.paper);
        DrawBall(img, ox, oy, s, 20.0 * k, 5.5 * k, 5.2 * k, 3, c.paper);
        DrawBall(img, ox, oy, s, 20.5 * k, 11.5 * k, 4.4 * k, 6, c.paper);
    }

    // Front half of the rim over whatever sits in the opening.
    const Mask lower = Mask::Make(s, s, [&](double, double y) { return y / k > cy; });
    const Mask frontRim = (outer - opening) & lower;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x)
            if (frontRim.At(x, y))
                img.setPixel(ox + x, oy + y, rimLayer.pixel(x, y));

    if (fill == Fill::Full) {
        // A sheet hanging over the front and a ball fallen beside the pail.
        if (s >= 24) {
            Mask sheet = Mask::Polygon(
                s, s,
                {{g.u(21), g.u(12)}, {g.u(28), g.u(11)}, {g.u(30), g.u(22)}, {g.u(23), g.u(23)}});
            px::Paint(img, sheet, c.paper, ox, oy);
            Bevel(img, sheet, Mix(c.paper, qRgb(50, 50, 64), 0.6), qRgb(255, 255, 255),
                  Shade(c.paper, 0.85), ox, oy);
        }
        DrawBall(img, ox, oy, s, 34.0 * k, 34.5 * k, 4.3 * k, 7, c.paper);
    }
}

} // namespace art
