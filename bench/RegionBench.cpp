// Shaping a 1920 x 1080 window from its bitmap: TFormRgn's BuildRegion + ApplyRegion over the
// real platform, next to
//   Floor: one scan that collects the spans and builds one QRegion with setRects;
//   Naive: the same scan adding each span with QRegion::united.
// Walls: 4-pixel stripes (240 spans a row, 259,200 in all) and a disc (one span a row).
//
// The naive way grows quadratically with the spans (each united copies the whole region), so on
// the stripes it runs over the first rows only (the argument); its time for the whole wall is
// extrapolated from two row counts, t(n) = a n + b n^2. Its counter "spans" says how many spans
// one iteration added.
#include "mainwindow/FormRgn.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr QRgb kGreen = 0xFF00FF00;

QImage Stripes() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            line[x] = (x / 4) % 2 == 0 ? 0xFF806040 : kGreen;
    }
    return image;
}

QImage Disc() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kGreen);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x40, 0x60, 0x80));
    painter.drawEllipse(QPoint(kWidth / 2, kHeight / 2), kHeight / 2, kHeight / 2);
    return image;
}

const QImage& Wall(bool stripes) {
    static const QImage stripeWall = Stripes();
    static const QImage discWall = Disc();
    return stripes ? stripeWall : discWall;
}

// Calls add(s, e, y) for each run of non-green pixels in the first `rows` rows.
template <typename Add> void ScanSpans(const QImage& image, int rows, Add&& add) {
    const int width = image.width();
    for (int y = 0; y < rows; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < width) {
            while (x < width && line[x] == kGreen)
                ++x;
            if (x >= width)
                break;
            const int start = x;
            while (x < width && line[x] != kGreen)
                ++x;
            add(start, x, y);
        }
    }
}

void BuildAndApply(benchmark::State& state, bool stripes) {
    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    window.resize(kWidth, kHeight);
    auto* image = new TFormRgn(&window);
    TPicture picture;
    picture.kind = TPicture::Kind::Bitmap;
    picture.image = Wall(stripes);
    image->SetPicture(picture);
    image->resize(kWidth, kHeight);
    image->SetTransparentColor(0x00FF00);
    for (auto _ : state) {
        image->BuildRegion();
        image->ApplyRegion();
    }
    state.counters["rects"] = double(window.mask().rectCount());
}

void Floor(benchmark::State& state, bool stripes) {
    const QImage& wall = Wall(stripes);
    for (auto _ : state) {
        std::vector<QRect> rects;
        ScanSpans(wall, kHeight,
                  [&](int s, int e, int y) { rects.push_back(QRect(s, y, e - s, 1)); });
        QRegion region;
        region.setRects(rects.data(), int(rects.size()));
        benchmark::DoNotOptimize(region);
    }
}

void Naive(benchmark::State& state, bool stripes) {
    const QImage& wall = Wall(stripes);
    const int rows = int(state.range(0));
    long spans = 0;
    for (auto _ : state) {
        QRegion region;
        spans = 0;
        ScanSpans(wall, rows, [&](int s, int e, int y) {
            region = region.united(QRect(s, y, e - s, 1));
            ++spans;
        });
        benchmark::DoNotOptimize(region);
    }
    state.counters["spans"] = double(spans);
}

void BM_Stripes_BuildApply(benchmark::State& state) {
    BuildAndApply(state, true);
}
void BM_Stripes_Floor(benchmark::State& state) {
    Floor(state, true);
}
void BM_Stripes_Naive(benchmark::State& state) {
    Naive(state, true);
}
void BM_Disc_BuildApply(benchmark::State& state) {
    BuildAndApply(state, false);
}
void BM_Disc_Floor(benchmark::State& state) {
    Floor(state, false);
}
void BM_Disc_Naive(benchmark::State& state) {
    Naive(state, false);
}

} // namespace

BENCHMARK(BM_Stripes_BuildApply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stripes_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stripes_Naive)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Disc_BuildApply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Disc_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Disc_Naive)->Arg(kHeight)->Unit(benchmark::kMillisecond);
