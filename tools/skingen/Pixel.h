#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QRgb>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// Pixel-art helpers: hard-edged masks, bevels drawn from a mask's outline, and the final step that
// turns a drawing into a skin bitmap whose outside is pure green.
namespace px {

constexpr QRgb kGreen = 0xFF00FF00;

// A set of pixels of a w x h area. Shapes are decided per pixel centre, so they come out
// symmetric and without antialiased edges.
class Mask {
public:
    Mask() = default;
    Mask(int w, int h) : w_(w), h_(h), bits_(static_cast<std::size_t>(w) * h, 0) {}

    // Pixels whose centre (x + 0.5, y + 0.5) satisfies the predicate.
    static Mask Make(int w, int h, const std::function<bool(double, double)>& inside);
    // Pixels covered by a path filled without antialiasing.
    static Mask FromPath(int w, int h, const QPainterPath& path);
    static Mask RoundRect(int w, int h, double x0, double y0, double x1, double y1, double r);
    static Mask Ellipse(int w, int h, double cx, double cy, double rx, double ry);
    static Mask Polygon(int w, int h, const std::vector<QPointF>& points);

    int Width() const { return w_; }
    int Height() const { return h_; }
    bool At(int x, int y) const {
        return x >= 0 && y >= 0 && x < w_ && y < h_ && bits_[static_cast<std::size_t>(y) * w_ + x];
    }
    void Set(int x, int y, bool on) {
        if (x >= 0 && y >= 0 && x < w_ && y < h_)
            bits_[static_cast<std::size_t>(y) * w_ + x] = on ? 1 : 0;
    }
    bool Empty() const;

    Mask operator|(const Mask& o) const;
    Mask operator&(const Mask& o) const;
    Mask operator-(const Mask& o) const;
    // Pixels of the mask with a 4-neighbour outside it.
    Mask Edge() const;
    // The mask shrunk by one pixel (its edge removed).
    Mask Inner() const { return *this - Edge(); }
    Mask Shifted(int dx, int dy) const;

private:
    int w_ = 0;
    int h_ = 0;
    std::vector<std::uint8_t> bits_;
};

// Paints every pixel of the mask (the mask's origin at the image's (ox, oy)).
void Paint(QImage& img, const Mask& m, QRgb colour, int ox = 0, int oy = 0);
void PaintIf(QImage& img, const Mask& m, const std::function<QRgb(int, int)>& colourAt, int ox = 0,
             int oy = 0);

// Outlines the mask and lights its inner ring from the top left: the ring pixels that face up or
// left take `light`, those that face down or right take `shade`. A zero colour skips that part.
void Bevel(QImage& img, const Mask& m, QRgb outline, QRgb light, QRgb shade, int ox = 0,
           int oy = 0);

QRgb Mix(QRgb a, QRgb b, double t);
QRgb Shade(QRgb c, double factor); // factor < 1 darker, > 1 lighter (towards white)
inline QRgb Rgb(int hex) {
    return 0xFF000000u | static_cast<QRgb>(hex);
}

// A transparent ARGB canvas to draw on.
QImage Canvas(int w, int h);

// The skin bitmap of a drawing: pixels inside the mask (or, without a mask, pixels at least half
// opaque) keep their colour at full opacity, all others become pure green. A pure green pixel
// inside is nudged to green 254 so that it stays part of the picture.
QImage ToSkinBitmap(const QImage& drawing, const Mask* inside = nullptr);

// Writes a 3x5 pixel text (upper-case letters and digits that the font knows), one blank column
// between characters; returns the width drawn.
int DrawTinyText(QImage& img, int x, int y, std::string_view text, QRgb colour);
int TinyTextWidth(std::string_view text);

// Scales with nearest neighbour, for looking at pictures.
QImage Magnify(const QImage& img, int factor);

} // namespace px
