// Writes the generated part of the seed corpus with the program's own writers:
//   fuzz_seedgen <corpus folder>
// box files from BoxFileBytes, and skin packs (skin.ini plus small pictures, in the input format
// of fuzz_skin) drawn with Qt. The copied seeds (skin.ini files, phrase files) are taken as
// they ship.
#include "Memos.h"
#include "store/BoxFile.h"
#include "util/CP932.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Save(const QString& path, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

std::string Sjis(const char* utf8) {
    return cp932::Encode(QString::fromUtf8(utf8));
}

void BoxFiles(const QString& dir) {
    TMemoList empty;
    Save(dir + "/empty.dat", BoxFileBytes(empty));

    TMemoList one;
    one.push_back(Memo({Sjis("買い物"), Sjis("牛乳と卵")}, 46000.5, 46000.75, 0));
    Save(dir + "/one.dat", BoxFileBytes(one));

    TMemoList several;
    several.push_back(
        Memo({Sjis("会議の準備"), "", Sjis("資料 10 部〜"), "- agenda"}, 46001.25, 46002.0, 3));
    several.push_back(Memo({}, 45999.0, 45999.0, -1));
    several.push_back(Memo({""}, 46003.125, 46003.125, 0));
    several.push_back(
        Memo({Sjis("ＴＯＤＯ：電話"), Sjis("～ 折り返し －")}, 2.0, -693593.0, 2147483647));
    Save(dir + "/several.dat", BoxFileBytes(several));

    // A file cut short in its last record: the memos before it still load.
    std::string cut = BoxFileBytes(several);
    cut.resize(cut.size() - 5);
    Save(dir + "/cut-short.dat", cut);
}

std::string Picture(QSize size, QColor colour, const char* format) {
    QImage image(size, format[0] == 'I' ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(colour);
    image.setPixelColor(0, 0, QColor(0, 255, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

std::string File(const char* name, const std::string& bytes) {
    return std::string("\n@@@ ") + name + "\n" + bytes;
}

// The shipped skin.ini with small pictures under the names it gives.
void ShippedSkinPack(const QString& ini, const QString& out) {
    QFile file(ini);
    if (!file.open(QIODevice::ReadOnly))
        std::exit(1);
    std::string pack = file.readAll().toStdString();
    pack += File("wall.bmp", Picture({48, 20}, QColor(120, 80, 40), "BMP"));
    pack += File("info.bmp", Picture({8, 8}, QColor(200, 200, 200), "BMP"));
    for (int n = 1; n <= 6; ++n) {
        const std::string box = std::to_string(n);
        pack +=
            File(("btn\\" + box + ".bmp").c_str(), Picture({6, 6}, QColor(40 * n, 0, 0), "BMP"));
        for (const char* level : {"e", "m", "f"})
            pack += File(("box/" + box + level + ".bmp").c_str(),
                         Picture({6, 6}, QColor(0, 40 * n, 0), "BMP"));
    }
    for (const char* icon : {"icon/emp.ico", "icon/mid.ico", "icon/ful.ico"})
        pack += File(icon, Picture({8, 8}, QColor(0, 0, 200), "ICO"));
    Save(out, pack);
}

void SkinPacks(const QString& dir) {
    ShippedSkinPack(TABUKO_SOURCE_DIR "/skin/default/skin.ini", dir + "/shipped-default.pack");
    ShippedSkinPack(TABUKO_SOURCE_DIR "/skin/sakura/skin.ini", dir + "/shipped-sakura.pack");

    // A flat skin that names every file at the top level, with a colour name and a number.
    std::string ini = "[SkinInfo]\r\nSkinName=Tiny\r\nImage=wall.bmp\r\n"
                      "[WallPaper]\r\nImage=wall.bmp\r\n"
                      "[MenuTitle]\r\nPenColor=clBtnText\r\nBrushColor=8421504\r\n";
    std::string files = File("wall.bmp", Picture({30, 12}, QColor(10, 20, 30), "BMP"));
    for (int n = 1; n <= 6; ++n) {
        const std::string box = std::to_string(n);
        ini += "[Box" + box + "]\r\nImageBtn=b" + box + ".bmp\r\nPosX=" + std::to_string(n * 4) +
               "\r\nPosY=2\r\nImageEnp=b" + box + ".bmp\r\nImageMid=b" + box +
               ".bmp\r\nImageFul=b" + box + ".bmp\r\n";
        files += File(("b" + box + ".bmp").c_str(), Picture({4, 4}, QColor(0, 0, 30 * n), "BMP"));
    }
    ini += "Icon_Emp=i.ico\r\nIcon_Mid=i.ico\r\nIcon_Ful=i.ico\r\n";
    files += File("i.ico", Picture({4, 4}, QColor(9, 9, 9), "ICO"));
    Save(dir + "/tiny.pack", ini + files);

    // A skin whose button bitmap is missing: applying it fails with the program's message.
    Save(dir + "/missing-button.pack",
         "[WallPaper]\r\nImage=w.bmp\r\n[Box1]\r\nImageBtn=none.bmp\r\n" +
             File("w.bmp", Picture({8, 8}, QColor(1, 2, 3), "BMP")));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seedgen <corpus folder>\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const QString corpus = QString::fromLocal8Bit(argv[1]);
    BoxFiles(corpus + "/boxfile");
    SkinPacks(corpus + "/skin");
    return 0;
}
