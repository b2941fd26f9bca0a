#include "IcoFile.h"

#include <stdexcept>

namespace {

void PutU8(QByteArray& out, unsigned v) {
    out.append(static_cast<char>(v & 0xFF));
}
void PutU16(QByteArray& out, unsigned v) {
    PutU8(out, v);
    PutU8(out, v >> 8);
}
void PutU32(QByteArray& out, quint32 v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

QByteArray BitmapPayload(const QImage& source) {
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width();
    const int h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    const quint32 pixelBytes = static_cast<quint32>(w) * h * 4;
    const quint32 maskBytes = static_cast<quint32>(maskStride) * h;

    QByteArray out;
    // BITMAPINFOHEADER; the height counts the colour rows and the mask rows.
    PutU32(out, 40);
    PutU32(out, static_cast<quint32>(w));
    PutU32(out, static_cast<quint32>(h * 2));
    PutU16(out, 1);  // planes
    PutU16(out, 32); // bits per pixel
    PutU32(out, 0);  // BI_RGB
    PutU32(out, pixelBytes + maskBytes);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = img.pixel(x, y);
            PutU8(out, qBlue(c));
            PutU8(out, qGreen(c));
            PutU8(out, qRed(c));
            PutU8(out, qAlpha(c));
        }
    // AND mask: a set bit marks a fully transparent pixel, for readers that ignore alpha.
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(img.pixel(x, y)) == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

} // namespace

QByteArray IcoFileBytes(const std::vector<QImage>& images) {
    std::vector<QByteArray> payloads;
    for (const QImage& img : images) {
        if (img.width() < 1 || img.height() < 1 || img.width() > 256 || img.height() > 256)
            throw std::invalid_argument("icon image size out of range");
        payloads.push_back(BitmapPayload(img));
    }
    QByteArray out;
    PutU16(out, 0);
    PutU16(out, 1); // type: icon
    PutU16(out, static_cast<unsigned>(images.size()));
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        PutU8(out, images[i].width() == 256 ? 0 : images[i].width());
        PutU8(out, images[i].height() == 256 ? 0 : images[i].height());
        PutU8(out, 0); // no palette
        PutU8(out, 0);
        PutU16(out, 1);  // planes
        PutU16(out, 32); // bits per pixel
        PutU32(out, static_cast<quint32>(payloads[i].size()));
        PutU32(out, offset);
        offset += static_cast<quint32>(payloads[i].size());
    }
    for (const QByteArray& p : payloads)
        out.append(p);
    return out;
}
