// skingen: draws the skins that ship with Tabuko and the program's own pictures.
//
//   skingen <repository root> [--sheets <folder>]
//
// Writes skin/default and skin/sakura (skin.ini, wall, box pictures, box buttons, notification
// icons, information picture), src/mainwindow/resources/{about,tabuko}.png and the desktop
// icons desktop/icons/NxN.png (16 to 256 pixels). With --sheets it also writes contact sheets
// (previews of each wall with its boxes, everything magnified) for looking at the result.

#include "Boxes.h"
#include "IcoFile.h"
#include "Palettes.h"
#include "Pixel.h"
#include "Walls.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QStringEncoder>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

struct SkinDef {
    QString folder;
    QString name;
    QString memo;
    std::function<art::Wall()> wall;
    std::function<QImage()> info;
    std::function<art::CardBoxColours(int)> boxColours;
    art::PailColours pail;
    std::array<QString, 6> names;
    std::array<int, 6> warningNum;
    QString pen; // MenuTitle/PenColor as written
    QRgb brush;  // MenuTitle/BrushColor, written as $00BBGGRR
};

[[noreturn]] void Fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

void MakeDir(const QString& path) {
    if (!QDir().mkpath(path))
        Fail(QStringLiteral("cannot create folder %1").arg(path));
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        Fail(QStringLiteral("cannot write %1").arg(path));
}

// Saves a 24-bit Windows bitmap and checks what landed on disk.
void SaveBmp(const QImage& img, const QString& path) {
    const QImage rgb = img.convertToFormat(QImage::Format_RGB32);
    if (!rgb.save(path, "BMP"))
        Fail(QStringLiteral("cannot write %1").arg(path));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("cannot read back %1").arg(path));
    const QByteArray head = f.read(30);
    if (head.size() < 30 || head[0] != 'B' || head[1] != 'M' || head[28] != 24)
        Fail(QStringLiteral("%1 is not a 24-bit bitmap").arg(path));
}

void SavePng(const QImage& img, const QString& path) {
    if (!img.save(path, "PNG"))
        Fail(QStringLiteral("cannot write %1").arg(path));
}

// Writes a multi-size icon and reads every size back through Qt.
void SaveIco(const std::vector<QImage>& images, const QString& path) {
    WriteBytes(path, IcoFileBytes(images));
    QImageReader reader(path, "ico");
    if (reader.imageCount() != static_cast<int>(images.size()))
        Fail(QStringLiteral("%1: Qt sees %2 images").arg(path).arg(reader.imageCount()));
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        const QImage back = reader.read().convertToFormat(QImage::Format_ARGB32);
        if (back.size() != images[i].size())
            Fail(QStringLiteral("%1: image %2 reads back wrong").arg(path).arg(i));
        for (int y = 0; y < back.height(); ++y)
            for (int x = 0; x < back.width(); ++x)
                if (back.pixel(x, y) !=
                    images[i].convertToFormat(QImage::Format_ARGB32).pixel(x, y))
                    Fail(QStringLiteral("%1: image %2 differs at %3,%4")
                             .arg(path)
                             .arg(i)
                             .arg(x)
                             .arg(y));
    }
}

QByteArray EncodeIni(const QStringList& lines) {
    QStringEncoder enc("windows-31j");
    if (!enc.isValid())
        Fail(QStringLiteral("no Shift-JIS encoder"));
    const QByteArray bytes =
        enc.encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    if (enc.hasError())
        Fail(QStringLiteral("skin.ini text that Shift-JIS cannot hold"));
    return bytes;
}

QString ColourValue(QRgb rgb) {
    const quint32 bgr = static_cast<quint32>(qBlue(rgb)) << 16 | qGreen(rgb) << 8 | qRed(rgb);
    return QStringLiteral("$%1").arg(bgr, 8, 16, QLatin1Char('0')).toUpper();
}

QImage BoxPicture(const SkinDef& def, int box, art::Fill fill, int size) {
    QImage canvas = px::Canvas(size, size);
    if (box < 5)
        art::DrawCardBox(canvas, 0, 0, size, def.boxColours(box), fill);
    else
        art::DrawPail(canvas, 0, 0, size, def.pail, fill);
    return canvas;
}

QImage SkinBitmap(const QImage& drawing, const QString& what) {
    const QImage bmp = px::ToSkinBitmap(drawing);
    if (bmp.pixel(0, bmp.height() - 1) != px::kGreen)
        Fail(QStringLiteral("%1: bottom-left pixel is not green").arg(what));
    return bmp;
}

struct Output {
    art::Wall wall;
    std::array<std::array<QImage, 3>, 6> icons; // [box][fill]
    std::array<QImage, 6> buttons;
    std::array<std::vector<QImage>, 3> trayIcons;
    QImage info;
};

const std::array<art::Fill, 3> kFills = {art::Fill::Empty, art::Fill::Half, art::Fill::Full};
const char* const kFillLetter[3] = {"e", "m", "f"};
const int kTraySizes[] = {16, 24, 32, 48};

Output WriteSkin(const QString& root, const SkinDef& def) {
    const QString dir = root + QStringLiteral("/skin/") + def.folder;
    MakeDir(dir + QStringLiteral("/box"));
    MakeDir(dir + QStringLiteral("/btn"));
    MakeDir(dir + QStringLiteral("/icon"));

    Output out;
    out.wall = def.wall();
    if (out.wall.bitmap.pixel(0, out.wall.bitmap.height() - 1) != px::kGreen)
        Fail(QStringLiteral("%1: wall bottom-left pixel is not green").arg(def.folder));
    SaveBmp(out.wall.bitmap, dir + QStringLiteral("/wall.bmp"));

    for (int box = 0; box < 6; ++box) {
        for (int f = 0; f < 3; ++f) {
            const QString file = QStringLiteral("%1/box/%2%3.bmp")
                                     .arg(dir)
                                     .arg(box + 1)
                                     .arg(QLatin1String(kFillLetter[f]));
            out.icons[box][f] = SkinBitmap(BoxPicture(def, box, kFills[f], 40), file);
            SaveBmp(out.icons[box][f], file);
        }
        const QString btn = QStringLiteral("%1/btn/%2.bmp").arg(dir).arg(box + 1);
        out.buttons[box] =
            SkinBitmap(BoxPicture(def, box, box < 5 ? art::Fill::Half : art::Fill::Empty, 16), btn);
        SaveBmp(out.buttons[box], btn);
    }

    const char* const trayNames[3] = {"emp", "mid", "ful"};
    for (int f = 0; f < 3; ++f) {
        for (int size : kTraySizes)
            out.trayIcons[f].push_back(BoxPicture(def, 0, kFills[f], size));
        SaveIco(out.trayIcons[f],
                QStringLiteral("%1/icon/%2.ico").arg(dir, QLatin1String(trayNames[f])));
    }

    out.info = def.info();
    SaveBmp(out.info, dir + QStringLiteral("/info.bmp"));

    QStringList ini;
    ini << QStringLiteral("; Tabuko skin: made by tools/skingen") << QString();
    ini << QStringLiteral("[SkinInfo]") << QStringLiteral("SkinName=") + def.name
        << QStringLiteral("Author=Tabuko Project")
        << QStringLiteral("URL=https://example.org/tabuko/skins")
        << QStringLiteral("Memo=") + def.memo << QStringLiteral("Image=info.bmp") << QString();
    ini << QStringLiteral("[WallPaper]") << QStringLiteral("Image=wall.bmp") << QString();
    ini << QStringLiteral("[MenuTitle]") << QStringLiteral("PenColor=") + def.pen
        << QStringLiteral("BrushColor=") + ColourValue(def.brush) << QString();
    for (int box = 0; box < 6; ++box) {
        const int n = box + 1;
        ini << QStringLiteral("[Box%1]").arg(n) << QStringLiteral("Element=") + def.names[box]
            << QStringLiteral("ImageBtn=btn\\%1.bmp").arg(n)
            << QStringLiteral("PosX=%1").arg(out.wall.iconPos[box].x())
            << QStringLiteral("PosY=%1").arg(out.wall.iconPos[box].y())
            << QStringLiteral("WarningNum=%1").arg(def.warningNum[box])
            << QStringLiteral("ImageEnp=box\\%1e.bmp").arg(n)
            << QStringLiteral("ImageMid=box\\%1m.bmp").arg(n)
            << QStringLiteral("ImageFul=box\\%1f.bmp").arg(n)
            << QStringLiteral("Hint0=_EEE_は空です")
            << (box < 5 ? QStringLiteral("Hint1=_EEE_に_XXX_枚のメモがあります")
                        : QStringLiteral("Hint1=_EEE_に_XXX_枚のメモが捨ててあります"));
        if (box == 0)
            ini << QStringLiteral("Icon_Emp=icon\\emp.ico")
                << QStringLiteral("Icon_Mid=icon\\mid.ico")
                << QStringLiteral("Icon_Ful=icon\\ful.ico");
        ini << QString();
    }
    WriteBytes(dir + QStringLiteral("/skin.ini"), EncodeIni(ini));
    return out;
}

// ---- contact sheets ----

QImage Checker(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         ((x / 8 + y / 8) % 2) ? qRgb(0x9A, 0xA4, 0xB0) : qRgb(0x8C, 0x96, 0xA2));
    return img;
}

// A bitmap as the program shows it: the bottom-left pixel's colour left out.
QImage Keyed(const QImage& bmp) {
    QImage img = bmp.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = img.pixel(0, img.height() - 1);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == key)
                img.setPixel(x, y, 0);
    return img;
}

void WriteSheets(const QString& dir, const QString& folder, const Output& o) {
    MakeDir(dir);
    // Previews: the wall with all boxes empty, half full and full, at 1x and 2x.
    const QSize ws = o.wall.bitmap.size();
    const int pad = 8;
    QImage preview = Checker(ws.width() * 3 + pad * 4, (ws.height() + pad) * 3 + pad);
    QPainter p(&preview);
    for (int f = 0; f < 3; ++f) {
        QImage shown = Keyed(o.wall.bitmap);
        {
            QPainter q(&shown);
            for (int box = 0; box < 6; ++box)
                q.drawImage(o.wall.iconPos[box], Keyed(o.icons[box][f]));
        }
        p.drawImage(pad, pad + f * (ws.height() + pad), shown);
        p.drawImage(ws.width() + pad * 2, pad, px::Magnify(shown, 2));
        if (f == 2) {
            QImage big = px::Magnify(shown, 2);
            big.save(dir + QStringLiteral("/%1-wall2x-full.png").arg(folder));
        }
    }
    p.end();
    preview.save(dir + QStringLiteral("/%1-preview.png").arg(folder));

    // Every box picture at 4x, raw (green visible), and keyed on the checker.
    QImage icons = Checker(6 * 168 + 8, 6 * 168 + 8);
    QPainter pi(&icons);
    for (int box = 0; box < 6; ++box)
        for (int f = 0; f < 3; ++f) {
            pi.drawImage(8 + box * 168, 8 + f * 168, px::Magnify(Keyed(o.icons[box][f]), 4));
            pi.drawImage(8 + box * 168, 8 + (f + 3) * 168, px::Magnify(o.icons[box][f], 4));
        }
    pi.end();
    icons.save(dir + QStringLiteral("/%1-icons.png").arg(folder));

    // Small pictures: buttons, tray icons (all sizes) and the information picture, 1x and 4x.
    QImage small = Checker(900, 560);
    QPainter ps(&small);
    ps.fillRect(QRect(0, 280, 900, 280), QColor(0x30, 0x30, 0x38));
    for (int half = 0; half < 2; ++half) {
        const int top = half * 280 + 8;
        for (int b = 0; b < 6; ++b) {
            ps.drawImage(8 + b * 72, top, px::Magnify(Keyed(o.buttons[b]), 4));
            ps.drawImage(8 + b * 20, top + 70, Keyed(o.buttons[b]));
        }
        int x = 8;
        for (int f = 0; f < 3; ++f)
            for (const QImage& ico : o.trayIcons[f]) {
                ps.drawImage(x, top + 100, px::Magnify(ico, 2));
                ps.drawImage(x, top + 206, ico);
                x += ico.width() * 2 + 6;
            }
        ps.drawImage(450, top, px::Magnify(o.info, 4));
        ps.drawImage(590, top, o.info);
    }
    ps.end();
    small.save(dir + QStringLiteral("/%1-small.png").arg(folder));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: skingen <repository root> [--sheets <folder>]\n");
        return 2;
    }
    const QString root = QDir(args[1]).absolutePath();
    QString sheets;
    const qsizetype at = args.indexOf(QStringLiteral("--sheets"));
    if (at > 0 && at + 1 < args.size())
        sheets = args[at + 1];

    try {
        if (!QFileInfo(root + QStringLiteral("/CMakeLists.txt")).exists())
            Fail(QStringLiteral("%1 is not the repository root").arg(root));

        const art::ShelfColours shelf = art::ShelfPalette();
        const SkinDef shelfSkin{QStringLiteral("default"),
                                QStringLiteral("Tabuko 木の棚"),
                                QStringLiteral("六つの箱が並ぶ木の棚。標準のスキンです。"),
                                art::ShelfWall,
                                art::ShelfInfoPicture,
                                art::ShelfBoxColours,
                                art::ShelfPail(),
                                {QStringLiteral("メモ"), QStringLiteral("仕事"),
                                 QStringLiteral("買い物"), QStringLiteral("アイデア"),
                                 QStringLiteral("保留"), QStringLiteral("ゴミ箱")},
                                {10, 10, 5, 8, 5, 30},
                                QStringLiteral("clWhite"),
                                shelf.outline};
        const art::SakuraColours sakura = art::SakuraPalette();
        const SkinDef sakuraSkin{QStringLiteral("sakura"),
                                 QStringLiteral("さくら"),
                                 QStringLiteral("桜の花びらが舞う縦長のスキンです。"),
                                 art::SakuraWall,
                                 art::SakuraInfoPicture,
                                 art::SakuraBoxColours,
                                 art::SakuraPail(),
                                 {QStringLiteral("メモ"), QStringLiteral("予定"),
                                  QStringLiteral("お買い物"), QStringLiteral("ひらめき"),
                                  QStringLiteral("あとで"), QStringLiteral("ゴミ箱")},
                                 {8, 6, 5, 10, 6, 20},
                                 QStringLiteral("clWhite"),
                                 sakura.line};

        for (const SkinDef* def : {&shelfSkin, &sakuraSkin}) {
            const Output out = WriteSkin(root, *def);
            if (!sheets.isEmpty())
                WriteSheets(sheets, def->folder, out);
        }

        const QString res = root + QStringLiteral("/src/mainwindow/resources");
        MakeDir(res);
        SavePng(art::AppIcon(), res + QStringLiteral("/tabuko.png"));
        SavePng(art::AboutEmblem(), res + QStringLiteral("/about.png"));
        // The desktop menu's icon at each size of the icon theme, each drawn at its own size.
        const QString icons = root + QStringLiteral("/desktop/icons");
        MakeDir(icons);
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            SavePng(art::AppIcon(size), icons + QStringLiteral("/%1x%1.png").arg(size));
        if (!sheets.isEmpty()) {
            QImage emblems = Checker(8 * 3 + 64 * 4 * 2 + 8, 64 * 4 + 16 + 80);
            QPainter p(&emblems);
            p.drawImage(8, 8, px::Magnify(art::AppIcon(), 4));
            p.drawImage(16 + 256, 8, px::Magnify(art::AboutEmblem(), 4));
            p.drawImage(8, 272, art::AppIcon());
            p.drawImage(80, 272, art::AboutEmblem());
            p.end();
            emblems.save(sheets + QStringLiteral("/emblems.png"));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skingen: %s\n", e.what());
        return 1;
    }
    return 0;
}
