// Compares a screenshot with a bitmap drawn at a given origin.
//   shapecheck shot.png wall.bmp left top: a wall on a black root window; every pure green pixel
//     of the bitmap must be cut out (black on the screen), and the wall's own pixels must be
//     there (box icons cover some of them, so most, not all, must match exactly).
//   shapecheck --picture shot.png icon.bmp left top: a picture drawn with its bottom-left
//     pixel's colour left out; every other pixel must be on the screen exactly.
//   shapecheck --over before.png after.png wall.bmp: a wall drawn over a desktop (before.png)
//     where it was placed by someone else; it is found within what changed, every pure green
//     pixel must show the desktop (a compositor's shadow allowed), and most of the wall's own
//     pixels must be there. Prints the origin.
//   shapecheck --over before.png after.png wall.bmp left top: the same for a wall expected at
//     left, top; it is looked for only a few pixels around there (other things on the screen,
//     a clock or a panel icon, may change too).
#include <QImage>
#include <QRect>
#include <cstdio>
#include <cstdlib>
#include <string>

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

// A cut-out pixel shows the desktop, or the desktop darkened by a shadow the compositor draws
// around windows; never the program's own fill.
static bool ShowsDesktop(QRgb got, QRgb desktop) {
    for (int shift : {0, 8, 16}) {
        const int g = (got >> shift) & 0xFF, d = (desktop >> shift) & 0xFF;
        if (g > d + 2 || g * 10 < d * 3)
            return false;
    }
    return true;
}

static int CheckOver(const QImage& before, const QImage& after, const QImage& wall,
                     const QRect& around) {
    if (before.size() != after.size())
        return 2;
    QRect changed;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                changed |= QRect(x, y, 1, 1);
    if (around.isValid())
        changed &= around;
    if (changed.width() < wall.width() || changed.height() < wall.height()) {
        std::printf("no wall on the screen (changed: %dx%d)\n", changed.width(), changed.height());
        return 1;
    }
    // The wall lies inside what changed (a shadow may widen that): take the origin where most
    // of its own pixels match.
    auto matching = [&](QPoint origin) {
        long same = 0;
        for (int y = 0; y < wall.height(); y += 2)
            for (int x = 0; x < wall.width(); x += 2) {
                const QRgb want = wall.pixel(x, y) & 0xFFFFFF;
                if (want != 0x00FF00 && (after.pixel(origin + QPoint(x, y)) & 0xFFFFFF) == want)
                    ++same;
            }
        return same;
    };
    QPoint origin = changed.topLeft();
    long best = -1;
    for (int y = changed.top(); y + wall.height() <= changed.bottom() + 1; ++y)
        for (int x = changed.left(); x + wall.width() <= changed.right() + 1; ++x)
            if (const long same = matching(QPoint(x, y)); same > best) {
                best = same;
                origin = QPoint(x, y);
            }
    long cutWrong = 0, inside = 0, insideSame = 0;
    for (int y = 0; y < wall.height(); ++y) {
        for (int x = 0; x < wall.width(); ++x) {
            const QPoint at = origin + QPoint(x, y);
            const QRgb want = wall.pixel(x, y) & 0xFFFFFF;
            if (want == 0x00FF00) {
                if (!ShowsDesktop(after.pixel(at), before.pixel(at)))
                    ++cutWrong;
            } else {
                ++inside;
                if ((after.pixel(at) & 0xFFFFFF) == want)
                    ++insideSame;
            }
        }
    }
    std::printf("origin %d %d: %ld pixels not cut out; wall: %ld of %ld pixels as in the bitmap\n",
                origin.x(), origin.y(), cutWrong, insideSame, inside);
    return (cutWrong == 0 && inside > 0 && insideSame * 10 >= inside * 8) ? 0 : 1;
}

int main(int argc, char** argv) {
    if ((argc == 5 || argc == 7) && std::string(argv[1]) == "--over") {
        auto load = [](const char* path) {
            return QImage(QString::fromLocal8Bit(path)).convertToFormat(QImage::Format_RGB32);
        };
        const QImage before = load(argv[2]), after = load(argv[3]), wall = load(argv[4]);
        if (before.isNull() || after.isNull() || wall.isNull()) {
            std::fprintf(stderr, "cannot read the pictures\n");
            return 2;
        }
        QRect around;
        if (argc == 7) {
            constexpr int slack = 8;
            around = QRect(std::atoi(argv[5]) - slack, std::atoi(argv[6]) - slack,
                           wall.width() + 2 * slack, wall.height() + 2 * slack);
        }
        return CheckOver(before, after, wall, around);
    }
    const bool picture = argc == 6 && std::string(argv[1]) == "--picture";
    if (picture) {
        ++argv;
        --argc;
    }
    if (argc != 5) {
        std::fprintf(stderr, "usage: shapecheck screenshot.png wall.bmp left top\n");
        return 2;
    }
    const QImage shot =
        QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    const QImage wall =
        QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
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
