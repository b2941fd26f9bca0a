// Compares a screenshot with a bitmap drawn at a given origin.
//   shapecheck shot.png wall.bmp left top: a wall on a black root window; every pure green pixel
//     of the bitmap must be cut out (black on the screen), and the wall's own pixels must be
//     there (box icons cover some of them, so most, not all, must match exactly).
//   shapecheck --picture shot.png icon.bmp left top: a picture drawn with its bottom-left
//     pixel's colour left out; every other pixel must be on the screen exactly.
#include <cstdlib>
#include <string>
#include <QImage>
#include <cstdio>

static int CheckPicture(const QImage& shot, const QImage& picture, int left, int top) {
    const QRgb key = picture.pixel(0, picture.height() - 1) & 0xFFFFFF;
    long shown = 0, differ = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb want = picture.pixel(x, y) & 0xFFFFFF;
            if (want == key)
                continue;
            ++shown;
            const QPoint at(left + x, top + y);
            if (!shot.valid(at) || (shot.pixel(at) & 0xFFFFFF) != want)
                ++differ;
        }
    }
    std::printf("picture: %ld of %ld pixels differ\n", differ, shown);
    return shown > 0 && differ == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
    const bool picture = argc == 6 && std::string(argv[1]) == "--picture";
    if (picture) {
        ++argv;
        --argc;
    }
    if (argc != 5) {
        std::fprintf(stderr, "usage: shapecheck screenshot.png wall.bmp left top\n");
        return 2;
    }
    const QImage shot = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    const QImage wall = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
    const int left = std::atoi(argv[3]);
    const int top = std::atoi(argv[4]);
    if (shot.isNull() || wall.isNull()) {
        std::fprintf(stderr, "cannot read the pictures\n");
        return 2;
    }
    if (picture)
        return CheckPicture(shot, wall, left, top);
    long cutWrong = 0, inside = 0, insideSame = 0;
    for (int y = 0; y < wall.height(); ++y) {
        for (int x = 0; x < wall.width(); ++x) {
            const QRgb want = wall.pixel(x, y) & 0xFFFFFF;
            const QPoint at(left + x, top + y);
            const QRgb got = shot.valid(at) ? shot.pixel(at) & 0xFFFFFF : 0;
            if (want == 0x00FF00) {
                if (got != 0)
                    ++cutWrong;
            } else {
                ++inside;
                if (got == want)
                    ++insideSame;
            }
        }
    }
    std::printf("outline: %ld pixels not cut out; wall: %ld of %ld pixels as in the bitmap\n",
                cutWrong, insideSame, inside);
    return (cutWrong == 0 && inside > 0 && insideSame * 10 >= inside * 8) ? 0 : 1;
}
