#pragma once

#include "Boxes.h"
#include "Pixel.h"

#include <array>

// The colours of the two shipped skins. No colour here may be pure green: that one marks the
// outside of a wall or icon.
namespace art {

struct ShelfColours {
    QRgb wood = px::Rgb(0xB57B45);
    QRgb woodLight = px::Rgb(0xD9A66B);
    QRgb woodShade = px::Rgb(0x8A5A2E);
    QRgb back = px::Rgb(0x6E4426);
    QRgb outline = px::Rgb(0x4A2C14);
    QRgb brass = px::Rgb(0xD8B45A);
    QRgb brassLight = px::Rgb(0xF6E3A1);
    QRgb brassDark = px::Rgb(0x7A5A1E);
    QRgb badge = px::Rgb(0xFBF1DC);
};

struct SakuraColours {
    QRgb body = px::Rgb(0xF2B8C8);
    QRgb bodyLight = px::Rgb(0xFCDDE6);
    QRgb bodyShade = px::Rgb(0xD68AA2);
    QRgb line = px::Rgb(0x7A3A52);
    QRgb board = px::Rgb(0xFFF5EE);
    QRgb mat = px::Rgb(0xFBE3E8);
    QRgb matShade = px::Rgb(0xE9B9C6);
    QRgb petal = px::Rgb(0xFFE4EC);
    QRgb petalShade = px::Rgb(0xE9A3B8);
    QRgb petalLine = px::Rgb(0xB0506E);
    QRgb blossomCentre = px::Rgb(0xE8718F);
    QRgb stamen = px::Rgb(0xF4C542);
};

inline ShelfColours ShelfPalette() {
    return {};
}
inline SakuraColours SakuraPalette() {
    return {};
}

// Boxes 1 to 5 of the shelf: blue, green, orange, purple, red trays.
inline CardBoxColours ShelfBoxColours(int index) {
    static const std::array<QRgb, 5> bodies = {px::Rgb(0x4F86C6), px::Rgb(0x4E9A5E),
                                               px::Rgb(0xDE8B35), px::Rgb(0x8A68BA),
                                               px::Rgb(0xC8504F)};
    static const std::array<QRgb, 5> tabs = {px::Rgb(0xF2C94C), px::Rgb(0xF2C94C),
                                             px::Rgb(0x5FA8E0), px::Rgb(0xF2C94C),
                                             px::Rgb(0x5FA8E0)};
    static const std::array<QRgb, 5> tabs2 = {px::Rgb(0xEF8FA0), px::Rgb(0xEF8FA0),
                                              px::Rgb(0xEF8FA0), px::Rgb(0x7FD0B0),
                                              px::Rgb(0xF2C94C)};
    return {bodies[index],     tabs[index],       tabs2[index],
            px::Rgb(0xF3EAD2), px::Rgb(0xFBF8EF), px::Rgb(0xA9C3E3)};
}

// Boxes 1 to 5 of the blossom plaque: pastel trays.
inline CardBoxColours SakuraBoxColours(int index) {
    static const std::array<QRgb, 5> bodies = {px::Rgb(0xE27A98), px::Rgb(0x9C74B8),
                                               px::Rgb(0xE99A66), px::Rgb(0x5FAE9C),
                                               px::Rgb(0x6F9AD6)};
    static const std::array<QRgb, 5> tabs = {px::Rgb(0xF7D35A), px::Rgb(0xF7D35A),
                                             px::Rgb(0xF28DA8), px::Rgb(0xF7D35A),
                                             px::Rgb(0xF28DA8)};
    static const std::array<QRgb, 5> tabs2 = {px::Rgb(0x9FD3C7), px::Rgb(0xF28DA8),
                                              px::Rgb(0x9FC2EA), px::Rgb(0xF28DA8),
                                              px::Rgb(0xF7D35A)};
    return {bodies[index],     tabs[index],       tabs2[index],
            px::Rgb(0xFFF1F4), px::Rgb(0xFFFBF6), px::Rgb(0xF2B3C4)};
}

inline PailColours ShelfPail() {
    return {px::Rgb(0x98A2AE), px::Rgb(0xB8C1CB), px::Rgb(0x2E3339), px::Rgb(0xF7F5EE)};
}
inline PailColours SakuraPail() {
    return {px::Rgb(0xB3A4C2), px::Rgb(0xD2C6DC), px::Rgb(0x4A3650), px::Rgb(0xFFFBF6)};
}

} // namespace art
