#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

// A Windows icon file (.ico): an ICONDIR header, one ICONDIRENTRY per image, then each image as
// a 32-bit bitmap (BGRA rows bottom-up, the height doubled for the 1-bit AND mask that follows).
// Every image must be at most 256 x 256 pixels.
QByteArray IcoFileBytes(const std::vector<QImage>& images);
