#include "mainwindow/Picture.h"

#include "platform/Exception.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace {

QImage ReadImage(const QString& path, const char* format) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(path);
    QImageReader reader(&file, format);
    QImage image = reader.read();
    if (image.isNull())
        throw Exception::CannotOpen(path);
    return image;
}

} // namespace

TPicture LoadPicture(const QString& path) {
    const QString ext = QFileInfo(path).suffix();
    const QString lower = ext.toLower();
    TPicture picture;
    if (lower == QLatin1String("bmp")) {
        picture.kind = TPicture::Kind::Bitmap;
        picture.image = ReadImage(path, "bmp");
    } else if (lower == QLatin1String("ico")) {
        picture.kind = TPicture::Kind::Icon;
        picture.image = ReadImage(path, "ico");
    } else if (lower == QLatin1String("wmf") || lower == QLatin1String("emf")) {
        // Metafiles have no decoder here; they are reported like any unreadable picture.
        picture.kind = TPicture::Kind::Metafile;
        picture.image = ReadImage(path, nullptr);
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

QIcon ButtonPicture(const QString& path) {
    return QIcon(QPixmap::fromImage(WithBottomLeftTransparent(LoadBitmapFile(path))));
}
