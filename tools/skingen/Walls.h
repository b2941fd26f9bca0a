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

// 64 x 64 program pictures with alpha: the window icon and the about box emblem.
QImage AppIcon();
QImage AboutEmblem();

} // namespace art
