#include "mainwindow/FormRgn.h"

#include "util/Exception.h"

#include <QImage>
#include <algorithm>
#include <utility>

namespace {

const QString kCreateFailed = QStringLiteral("CreateRectRgnに失敗しました");
const QString kCombineFailed = QStringLiteral("CombineRgnに失敗しました");
const QString kSetFailed = QStringLiteral("SetWindowRGNに失敗しました");

// Owns a region handle until it is released or goes out of scope.
class RegionHandle {
public:
    explicit RegionHandle(platform::HRGN region) : region_(region) {}
    ~RegionHandle() {
        if (region_)
            platform::Current().DeleteObject(region_);
    }
    RegionHandle(const RegionHandle&) = delete;
    RegionHandle& operator=(const RegionHandle&) = delete;

    platform::HRGN get() const { return region_; }
    platform::HRGN release() { return std::exchange(region_, 0); }

private:
    platform::HRGN region_;
};

} // namespace

QPoint WindowOffset(QSize frameSize, QSize clientSize, QPoint controlPos) {
    const int border = (frameSize.width() - clientSize.width()) / 2;
    const int frameHeight = frameSize.height() - clientSize.height();
    return {controlPos.x() + border, controlPos.y() + frameHeight - border};
}

TFormRgn::TFormRgn(QWidget* parent) : TImage(parent) {}

TFormRgn::~TFormRgn() {
    if (Region)
        platform::Current().DeleteObject(Region);
}

void TFormRgn::BuildRegion() {
    const platform::HRGN old = Region;
    RegionHandle built(platform::Current().CreateRectRgn(0, 0, 0, 0));
    if (!built.get())
        throw Exception(kCreateFailed);
    Region = built.get();
    try {
        const QWidget* window = parentWidget();
        spanOffset_ =
            window ? WindowOffset(window->frameGeometry().size(), window->geometry().size(), pos())
                   : pos();
        const int width = this->width();
        const int height = this->height();
        if (width > 0 && height > 0) {
            // Without a picture every pixel stays; icons and metafiles have no pixels to read.
            const TPicture::Kind kind = Picture().kind;
            if (kind != TPicture::Kind::Bitmap && kind != TPicture::Kind::None)
                throw Exception(QStringLiteral("ビットマップ以外の画像からは色を読み取れません"));
            // Pixels are compared as 0xAARRGGBB with the alpha forced to opaque. A colour
            // value with a non-zero top byte matches no pixel.
            constexpr QRgb kOpaque = 0xFF000000u;
            const std::uint32_t c = transparentColor_;
            const QRgb key =
                (c >> 24) != 0 ? 0u : qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
            QImage image = Picture().image;
            if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
                image = image.convertToFormat(QImage::Format_RGB32);
            // Pixels beyond the bitmap are not transparent.
            const int imageWidth = std::min(width, image.width());
            const int imageHeight = std::min(height, image.height());
            for (int y = 0; y < height; ++y) {
                const int rowWidth = y < imageHeight ? imageWidth : 0;
                const QRgb* line = y < imageHeight
                                       ? reinterpret_cast<const QRgb*>(image.constScanLine(y))
                                       : nullptr;
                int x = 0;
                while (true) {
                    while (x < rowWidth && (line[x] | kOpaque) == key)
                        ++x;
                    if (x >= width)
                        break;
                    const int start = x;
                    while (x < rowWidth && (line[x] | kOpaque) != key)
                        ++x;
                    if (x >= rowWidth)
                        x = width;
                    AddRegionSpan(start, x, y);
                }
            }
        }
    } catch (...) {
        Region = old;
        throw;
    }
    built.release();
    if (old)
        platform::Current().DeleteObject(old);
}

void TFormRgn::AddRegionSpan(int s, int e, int y) {
    platform::Platform& platform = platform::Current();
    const int dx = spanOffset_.x();
    const int dy = spanOffset_.y();
    RegionHandle rect(platform.CreateRectRgn(dx + s, dy + y, dx + e, dy + y + 1));
    if (!rect.get())
        throw Exception(kCreateFailed);
    if (platform.CombineRgn(Region, Region, rect.get(), platform::RGN_OR) == 0)
        throw Exception(kCombineFailed);
}

void TFormRgn::ApplyRegion() {
    if (!Region)
        return;
    platform::Platform& platform = platform::Current();
    RegionHandle copy(platform.CreateRectRgn(0, 0, 0, 0));
    if (!copy.get())
        throw Exception(kCreateFailed);
    if (platform.CombineRgn(copy.get(), copy.get(), Region, platform::RGN_OR) == 0)
        throw Exception(kCombineFailed);
    if (platform.SetWindowRgn(parentWidget(), copy.get(), true) == 0)
        throw Exception(kSetFailed);
    // The window owns the copy now.
    copy.release();
}
