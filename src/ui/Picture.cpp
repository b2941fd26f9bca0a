#include "ui/Picture.h"

#include "util/Exception.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <algorithm>

namespace {

QImage ReadImage(const QString& path, const char* format, int maxSide = 0) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(path);
    QImageReader reader(&file, format);
    if (maxSide > 0) {
        // The header gives the size, so an oversized picture is never decoded.
        const QSize size = reader.size();
        if (size.width() > maxSide || size.height() > maxSide)
            throw Exception::CannotOpen(path);
    }
    QImage image = reader.read();
    if (image.isNull() || (maxSide > 0 && (image.width() > maxSide || image.height() > maxSide)))
        throw Exception::CannotOpen(path);
    return image;
}

} // namespace

TPicture LoadPicture(const QString& path, int maxSide) {
    const QString ext = QFileInfo(path).suffix();
    const QString lower = ext.toLower();
    TPicture picture;
    if (lower == QLatin1String("bmp")) {
        picture.kind = TPicture::Kind::Bitmap;
        picture.image = ReadImage(path, "bmp", maxSide);
    } else if (lower == QLatin1String("ico")) {
        picture.kind = TPicture::Kind::Icon;
        picture.image = ReadImage(path, "ico", maxSide);
    } else if (lower == QLatin1String("wmf") || lower == QLatin1String("emf")) {
        // Metafiles have no decoder here; they are reported like any unreadable picture.
        picture.kind = TPicture::Kind::Metafile;
        picture.image = ReadImage(path, nullptr, maxSide);
    } else {
        throw Exception(QStringLiteral("拡張子 .%1 の画像形式は処理できません").arg(ext));
    }
    return picture;
}

QImage LoadBitmapFile(const QString& path) {
    return ReadImage(path, "bmp");
}

QImage WithBottomLeftTransparent(const QImage& bitmap) {
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return image;
    const QRgb key = image.pixel(0, image.height() - 1) | 0xFF000000u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
    }
    return image;
}

QImage CrossedOut(const QImage& bitmap) {
    QImage image = bitmap.convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const QRgb key = image.pixel(0, image.height() - 1);
    // The bottom-left pixel keeps the see-through colour; a changed pixel that would take that
    // colour is moved one step off it.
    auto put = [&image, key](int x, int y, QRgb colour) {
        if (x == 0 && y == image.height() - 1)
            return;
        if (colour == key)
            colour ^= 1;
        image.setPixel(x, y, colour);
    };
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == key)
                continue;
            // Greyed and lightened, so the box reads as out of use.
            const int grey = 128 + qGray(pixel) / 2;
            put(x, y, qRgb(grey, grey, grey));
        }
    }
    const int w = image.width();
    const int h = image.height();
    const int steps = std::max(w, h);
    for (int i = 0; i < steps; ++i) {
        const int x = i * w / steps;
        const int y = i * h / steps;
        for (int d = 0; d < 2 && x + d < w; ++d) {
            put(x + d, y, qRgb(220, 0, 0));
            put(w - 1 - x - d, y, qRgb(220, 0, 0));
        }
    }
    return image;
}

QIcon ButtonPicture(const QString& path) {
    return QIcon(QPixmap::fromImage(WithBottomLeftTransparent(LoadBitmapFile(path))));
}
