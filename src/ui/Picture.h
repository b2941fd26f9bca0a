#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// A picture loaded from a file, as the image controls hold it.
struct TPicture {
    enum class Kind { None, Bitmap, Icon, Metafile };
    Kind kind = Kind::None;
    QImage image;

    bool Empty() const { return kind == Kind::None; }
    int Width() const { return image.width(); }
    int Height() const { return image.height(); }
};

// Loads a picture whose type is chosen by the extension (bmp, ico, wmf, emf, without regard to
// case). Raises "拡張子 .%s の画像形式は処理できません" for any other extension and
// "ファイル %s は開けません" for a file that cannot be opened or decoded, and, when `maxSide` is
// above 0, for a picture wider or higher than that (refused before it is decoded).
TPicture LoadPicture(const QString& path, int maxSide = 0);

// Reads a Windows bitmap whatever the file's extension (box button bitmaps).
QImage LoadBitmapFile(const QString& path);

// The bitmap with the colour of its bottom-left pixel made see-through, as image controls,
// picture buttons and menu pictures draw bitmaps.
QImage WithBottomLeftTransparent(const QImage& bitmap);

// The picture of a box that cannot be used: greyed, with a red cross over it. The bottom-left
// colour stays the only pixels of that colour, so the see-through parts stay as they were.
QImage CrossedOut(const QImage& bitmap);

// A box button bitmap as buttons and menus show it: read as a bitmap, its bottom-left colour
// see-through.
QIcon ButtonPicture(const QString& path);
