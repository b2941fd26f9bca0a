#include "Pixel.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace px {

Mask Mask::Make(int w, int h, const std::function<bool(double, double)>& inside) {
    Mask m(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m.Set(x, y, inside(x + 0.5, y + 0.5));
    return m;
}

Mask Mask::FromPath(int w, int h, const QPainterPath& path) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(0);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(path, Qt::black);
    }
    Mask m(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m.Set(x, y, qAlpha(img.pixel(x, y)) > 0);
    return m;
}

Mask Mask::RoundRect(int w, int h, double x0, double y0, double x1, double y1, double r) {
    return Make(w, h, [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1)
            return false;
        const double cx = std::clamp(x, x0 + r, x1 - r);
        const double cy = std::clamp(y, y0 + r, y1 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    });
}

Mask Mask::Ellipse(int w, int h, double cx, double cy, double rx, double ry) {
    return Make(w, h, [=](double x, double y) {
        const double dx = (x - cx) / rx;
        const double dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.0;
    });
}

Mask Mask::Polygon(int w, int h, const std::vector<QPointF>& points) {
    // Even-odd test at pixel centres: exact and symmetric for any polygon.
    return Make(w, h, [&](double x, double y) {
        bool in = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const QPointF& a = points[i];
            const QPointF& b = points[j];
            if ((a.y() > y) != (b.y() > y) &&
                x < (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y()) + a.x())
                in = !in;
        }
        return in;
    });
}

bool Mask::Empty() const {
    return std::none_of(bits_.begin(), bits_.end(), [](std::uint8_t b) { return b != 0; });
}

Mask Mask::operator|(const Mask& o) const {
    Mask m(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            m.Set(x, y, At(x, y) || o.At(x, y));
    return m;
}

Mask Mask::operator&(const Mask& o) const {
    Mask m(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            m.Set(x, y, At(x, y) && o.At(x, y));
    return m;
}

Mask Mask::operator-(const Mask& o) const {
    Mask m(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            m.Set(x, y, At(x, y) && !o.At(x, y));
    return m;
}

Mask Mask::Edge() const {
    Mask m(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            m.Set(x, y,
                  At(x, y) && (!At(x - 1, y) || !At(x + 1, y) || !At(x, y - 1) || !At(x, y + 1)));
    return m;
}

Mask Mask::Shifted(int dx, int dy) const {
    Mask m(w_, h_);
    for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x)
            m.Set(x, y, At(x - dx, y - dy));
    return m;
}

void Paint(QImage& img, const Mask& m, QRgb colour, int ox, int oy) {
    PaintIf(
        img, m, [colour](int, int) { return colour; }, ox, oy);
}

void PaintIf(QImage& img, const Mask& m, const std::function<QRgb(int, int)>& colourAt, int ox,
             int oy) {
    for (int y = 0; y < m.Height(); ++y)
        for (int x = 0; x < m.Width(); ++x) {
            if (!m.At(x, y))
                continue;
            const int ix = x + ox;
            const int iy = y + oy;
            if (ix < 0 || iy < 0 || ix >= img.width() || iy >= img.height())
                continue;
            const QRgb c = colourAt(x, y);
            if (c != 0)
                img.setPixel(ix, iy, c);
        }
}

void Bevel(QImage& img, const Mask& m, QRgb outline, QRgb light, QRgb shade, int ox, int oy) {
    const Mask edge = m.Edge();
    const Mask inner = m - edge;
    const Mask ring = inner.Edge();
    if (outline != 0)
        Paint(img, edge, outline, ox, oy);
    PaintIf(
        img, ring,
        [&](int x, int y) -> QRgb {
            // Which side of the shape this ring pixel lies on: it touches the edge there.
            if (edge.At(x, y - 1) || edge.At(x - 1, y))
                return light;
            if (edge.At(x, y + 1) || edge.At(x + 1, y))
                return shade;
            // Diagonal corner pixels follow the nearer diagonal.
            if (edge.At(x - 1, y - 1) || (edge.At(x + 1, y - 1) && !edge.At(x - 1, y + 1)))
                return light;
            return shade;
        },
        ox, oy);
}

QRgb Mix(QRgb a, QRgb b, double t) {
    auto ch = [t](int x, int y) {
        return static_cast<int>(std::lround(x + (y - x) * t));
    };
    return qRgb(ch(qRed(a), qRed(b)), ch(qGreen(a), qGreen(b)), ch(qBlue(a), qBlue(b)));
}

QRgb Shade(QRgb c, double factor) {
    if (factor <= 1.0)
        return qRgb(static_cast<int>(qRed(c) * factor), static_cast<int>(qGreen(c) * factor),
                    static_cast<int>(qBlue(c) * factor));
    return Mix(c, qRgb(255, 255, 255), std::min(1.0, factor - 1.0));
}

QImage Canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(0);
    return img;
}

QImage ToSkinBitmap(const QImage& drawing, const Mask* inside) {
    const QImage src = drawing.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = src.pixel(x, y);
            const bool in = inside ? inside->At(x, y) : qAlpha(c) >= 128;
            QRgb o = in ? (0xFF000000u | (c & 0x00FFFFFFu)) : kGreen;
            if (in && o == kGreen)
                o = qRgb(0, 254, 0);
            out.setPixel(x, y, o);
        }
    return out;
}

namespace {

const std::map<char, std::array<const char*, 5>>& TinyFont() {
    static const std::map<char, std::array<const char*, 5>> font = {
        {'A', {".#.", "#.#", "###", "#.#", "#.#"}}, {'B', {"##.", "#.#", "##.", "#.#", "##."}},
        {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}}, {'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
        {'T', {"###", ".#.", ".#.", ".#.", ".#."}}, {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
        {'1', {".#.", "##.", ".#.", ".#.", "###"}}, {'2', {"##.", "..#", ".#.", "#..", "###"}},
        {'3', {"##.", "..#", ".#.", "..#", "##."}}, {'4', {"#.#", "#.#", "###", "..#", "..#"}},
        {'5', {"###", "#..", "##.", "..#", "##."}}, {'6', {".##", "#..", "###", "#.#", "###"}},
        {' ', {"...", "...", "...", "...", "..."}},
    };
    return font;
}

} // namespace

int TinyTextWidth(std::string_view text) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * 4 - 1;
}

int DrawTinyText(QImage& img, int x, int y, std::string_view text, QRgb colour) {
    const auto& font = TinyFont();
    int cx = x;
    for (char ch : text) {
        auto it = font.find(ch);
        if (it != font.end())
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (it->second[row][col] == '#' && img.rect().contains(cx + col, y + row))
                        img.setPixel(cx + col, y + row, colour);
        cx += 4;
    }
    return TinyTextWidth(text);
}

QImage Magnify(const QImage& img, int factor) {
    return img.scaled(img.width() * factor, img.height() * factor, Qt::IgnoreAspectRatio,
                      Qt::FastTransformation);
}

} // namespace px
