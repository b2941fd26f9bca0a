#pragma once

#include <QImage>
#include <QPoint>
#include <array>

// The walls of the shipped skins, their small information pictures and the program's emblem.
namespace art {

struct Wall {
    QImage bitmap;                 // final skin bitmap: outside the outline pure green
    std::array<QPoint, 6> iconPos; // top-left of the six 40 x 40 box icons
};

// A wooden shelf with a raised name board and six cubbies in a row.
Wall ShelfWall();
// A scalloped cherry-blossom plaque, two columns of three boxes.
Wall SakuraWall();

// 32 x 32 pictures for the skin information window (opaque, no green).
QImage ShelfInfoPicture();
QImage SakuraInfoPicture();

// Program pictures with alpha: the window icon (64 x 64, or drawn at any size for the desktop's
// icon theme) and the 64 x 64 about box emblem.
QImage AppIcon(int size = 64);
QImage AboutEmblem();

} // namespace art
