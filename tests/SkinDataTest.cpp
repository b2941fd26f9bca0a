// The skins that ship with the program: every skin under skin/ must load without an error and
// look as the program needs it (wall outline by pure green, icons on the wall, names, icons).
#include "mainwindow/SkinColor.h"
#include "ui/Picture.h"
#include "util/CP932.h"
#include "util/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRect>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <vector>

// Skin folder names in test output.
void PrintTo(const QString& text, std::ostream* os) {
    *os << text.toStdString();
}

namespace {

constexpr QRgb kGreen = 0xFF00FF00;

QString SkinRoot() {
    return QStringLiteral(TABUKO_SOURCE_DIR "/skin");
}

QStringList ShippedSkins() {
    return QDir(SkinRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// A file key's value as a path: relative to the skin folder, "\" between folders.
QString SkinFile(const QString& skin, const IniFile& ini, const char* section, const char* key) {
    const QString value = cp932::Decode(ini.ReadString(section, key, ""));
    EXPECT_FALSE(value.isEmpty()) << section << "/" << key;
    return SkinRoot() + "/" + skin + "/" + QString(value).replace('\\', '/');
}

bool IsGreen(const QImage& img, int x, int y) {
    return (img.pixel(x, y) | 0xFF000000) == kGreen;
}

// Green pixels that cannot be reached from the picture's border through green: holes that the
// window outline would cut out of the middle of the picture.
int EnclosedGreenPixels(const QImage& img) {
    const int w = img.width(), h = img.height();
    std::vector<char> seen(static_cast<std::size_t>(w) * h, 0);
    std::vector<QPoint> todo;
    auto push = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= w || y >= h || seen[y * w + x] || !IsGreen(img, x, y))
            return;
        seen[y * w + x] = 1;
        todo.emplace_back(x, y);
    };
    for (int x = 0; x < w; ++x) {
        push(x, 0);
        push(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        push(0, y);
        push(w - 1, y);
    }
    while (!todo.empty()) {
        const QPoint p = todo.back();
        todo.pop_back();
        push(p.x() + 1, p.y());
        push(p.x() - 1, p.y());
        push(p.x(), p.y() + 1);
        push(p.x(), p.y() - 1);
    }
    int enclosed = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (IsGreen(img, x, y) && !seen[y * w + x])
                ++enclosed;
    return enclosed;
}

// Strongly green pixels that are not pure green: edges antialiased against the green, which
// would stay on the window as a green fringe. A plain green box colour is not that saturated.
int GreenishPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (!IsGreen(img, x, y) && qGreen(c) >= 140 &&
                qGreen(c) - std::max(qRed(c), qBlue(c)) >= 90)
                ++n;
        }
    return n;
}

int BitsPerPixel(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = f.read(30);
    if (head.size() < 30 || !head.startsWith("BM"))
        return -1;
    return static_cast<unsigned char>(head[28]) | static_cast<unsigned char>(head[29]) << 8;
}

class ShippedSkin : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override {
        const QString path = SkinRoot() + "/" + GetParam() + "/skin.ini";
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        bytes_ = f.readAll().toStdString();
        ini_ = IniFile::FromBytes(bytes_);
    }
    QString File(const char* section, const char* key) const {
        return SkinFile(GetParam(), ini_, section, key);
    }
    std::string bytes_;
    IniFile ini_;
};

std::string SkinName(const ::testing::TestParamInfo<QString>& info) {
    return info.param.toStdString();
}

} // namespace

TEST(ShippedSkins, DefaultAndAnotherSkinAreThere) {
    const QStringList skins = ShippedSkins();
    EXPECT_TRUE(skins.contains(QStringLiteral("default")));
    EXPECT_GE(skins.size(), 2);
    // Folder names and skin names differ, so that switching is a visible choice.
    std::set<std::string> names;
    for (const QString& skin : skins) {
        const IniFile ini = IniFile::Load(SkinRoot() + "/" + skin + "/skin.ini");
        names.insert(ini.ReadString("SkinInfo", "SkinName", ""));
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(skins.size()));
}

TEST_P(ShippedSkin, IniIsShiftJisWithCrLf) {
    EXPECT_FALSE(cp932::Decode(bytes_).contains(QChar(0xFFFD)));
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (bytes_[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes_[i - 1] == '\r') << "bare LF at byte " << i;
        }
    }
    EXPECT_EQ(bytes_.substr(bytes_.size() - 2), "\r\n");
    for (const char* key : {"SkinName", "Author", "URL", "Memo"})
        EXPECT_FALSE(ini_.ReadString("SkinInfo", key, "").empty()) << key;
    EXPECT_TRUE(cp932::Decode(ini_.ReadString("SkinInfo", "URL", "")).startsWith("https://"));
}

TEST_P(ShippedSkin, BoxNamesHintsAndThresholds) {
    EXPECT_EQ(cp932::Decode(ini_.ReadString("Box6", "Element", "")), QStringLiteral("ゴミ箱"));
    std::set<std::string> names;
    for (int n = 1; n <= 6; ++n) {
        const std::string section = "Box" + std::to_string(n);
        SCOPED_TRACE(section);
        names.insert(ini_.ReadString(section, "Element", ""));
        const int warning = ini_.ReadInteger(section, "WarningNum", 1);
        if (n <= 5) {
            EXPECT_GT(warning, 1);
        } else {
            EXPECT_GE(warning, 1);
        }
        const QString hint0 = cp932::Decode(ini_.ReadString(section, "Hint0", ""));
        const QString hint1 = cp932::Decode(ini_.ReadString(section, "Hint1", ""));
        EXPECT_TRUE(hint0.contains("_EEE_"));
        EXPECT_TRUE(hint1.contains("_EEE_"));
        EXPECT_TRUE(hint1.contains("_XXX_"));
    }
    EXPECT_EQ(names.size(), 6u);
}

TEST_P(ShippedSkin, MenuTitleColoursParse) {
    for (const char* key : {"PenColor", "BrushColor"}) {
        const std::string text = ini_.ReadString("MenuTitle", key, "");
        ASSERT_FALSE(text.empty()) << key;
        EXPECT_NO_THROW(skincolor::ParseColor(text)) << key << " = " << text;
    }
    // Title text and background must not be the same colour.
    EXPECT_NE(skincolor::ParseColor(ini_.ReadString("MenuTitle", "PenColor", "")),
              skincolor::ParseColor(ini_.ReadString("MenuTitle", "BrushColor", "")));
}

TEST_P(ShippedSkin, WallIsCutOutByPureGreen) {
    const QString path = File("WallPaper", "Image");
    EXPECT_EQ(BitsPerPixel(path), 24);
    const TPicture wall = LoadPicture(path);
    ASSERT_EQ(wall.kind, TPicture::Kind::Bitmap);
    const QImage& img = wall.image;
    ASSERT_GE(img.width(), 40);
    ASSERT_GE(img.height(), 40);
    EXPECT_TRUE(IsGreen(img, 0, img.height() - 1));

    int green = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            green += IsGreen(img, x, y) ? 1 : 0;
    EXPECT_GT(green, 0) << "the outline is a plain rectangle";
    EXPECT_LT(green, img.width() * img.height() / 3) << "most of the wall is cut away";
    EXPECT_EQ(EnclosedGreenPixels(img), 0);
    EXPECT_EQ(GreenishPixels(img), 0);
}

TEST_P(ShippedSkin, BoxPicturesLoadAndStandOnTheWall) {
    const QImage wall = LoadPicture(File("WallPaper", "Image")).image;
    std::vector<QRect> placed;
    for (int n = 1; n <= 6; ++n) {
        const std::string section = "Box" + std::to_string(n);
        SCOPED_TRACE(section);
        const QPoint pos(ini_.ReadInteger(section, "PosX", -1),
                         ini_.ReadInteger(section, "PosY", -1));
        std::vector<QImage> states;
        for (const char* key : {"ImageEnp", "ImageMid", "ImageFul"}) {
            SCOPED_TRACE(key);
            const QString path = File(section.c_str(), key);
            EXPECT_EQ(BitsPerPixel(path), 24);
            const TPicture pic = LoadPicture(path);
            ASSERT_EQ(pic.kind, TPicture::Kind::Bitmap);
            const QImage& img = pic.image;
            // The program leaves out the colour of the bottom-left pixel: it must be green.
            EXPECT_TRUE(IsGreen(img, 0, img.height() - 1));
            EXPECT_EQ(GreenishPixels(img), 0);
            const QRect rect(pos, img.size());
            EXPECT_TRUE(QRect(QPoint(0, 0), wall.size()).contains(rect));
            // Every visible pixel of the icon lies on the wall, not in the cut-out part.
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    if (!IsGreen(img, x, y) && wall.rect().contains(pos + QPoint(x, y))) {
                        ASSERT_FALSE(IsGreen(wall, pos.x() + x, pos.y() + y))
                            << "icon pixel " << x << "," << y << " off the wall";
                    }
            states.push_back(img.convertToFormat(QImage::Format_RGB32));
        }
        ASSERT_EQ(states.size(), 3u);
        EXPECT_NE(states[0], states[1]);
        EXPECT_NE(states[1], states[2]);
        EXPECT_NE(states[0], states[2]);
        const QRect rect(pos, states[0].size());
        for (const QRect& other : placed)
            EXPECT_FALSE(rect.intersects(other)) << "overlaps another box icon";
        placed.push_back(rect);

        const QString button = File(section.c_str(), "ImageBtn");
        const QImage btn = LoadBitmapFile(button);
        EXPECT_EQ(btn.size(), QSize(16, 16));
        EXPECT_TRUE(IsGreen(btn, 0, 15));
    }
}

TEST_P(ShippedSkin, TrayIconsHoldSeveralSizes) {
    std::vector<QImage> sixteens;
    for (const char* key : {"Icon_Emp", "Icon_Mid", "Icon_Ful"}) {
        SCOPED_TRACE(key);
        const QString path = File("Box1", key);
        EXPECT_EQ(LoadPicture(path).kind, TPicture::Kind::Icon);
        QImageReader reader(path, "ico");
        ASSERT_GE(reader.imageCount(), 3);
        std::set<int> sizes;
        for (int i = 0; i < reader.imageCount(); ++i) {
            ASSERT_TRUE(reader.jumpToImage(i));
            const QImage img = reader.read().convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(img.isNull()) << "image " << i;
            EXPECT_EQ(img.width(), img.height());
            sizes.insert(img.width());
            // Real transparency around the picture, and an opaque picture in the middle.
            EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);
            int opaque = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    opaque += qAlpha(img.pixel(x, y)) == 255 ? 1 : 0;
            EXPECT_GT(opaque, img.width() * img.height() / 4);
            if (img.width() == 16)
                sixteens.push_back(img);
        }
        EXPECT_TRUE(sizes.count(16) && sizes.count(32)) << "needs 16 and 32 pixel images";
    }
    ASSERT_EQ(sixteens.size(), 3u);
    EXPECT_NE(sixteens[0], sixteens[1]);
    EXPECT_NE(sixteens[1], sixteens[2]);
}

TEST_P(ShippedSkin, InformationPictureLoads) {
    const QString path = File("SkinInfo", "Image");
    ASSERT_TRUE(QFileInfo::exists(path));
    const TPicture pic = LoadPicture(path);
    EXPECT_FALSE(pic.image.isNull());
    EXPECT_LE(pic.Width(), 32);
    EXPECT_LE(pic.Height(), 32);
}

INSTANTIATE_TEST_SUITE_P(All, ShippedSkin, ::testing::ValuesIn(ShippedSkins()), SkinName);

TEST(ShippedPictures, ProgramIconAndAboutEmblem) {
    for (const char* name : {"tabuko.png", "about.png"}) {
        const QImage img(QStringLiteral(TABUKO_SOURCE_DIR "/src/mainwindow/resources/") + name);
        ASSERT_FALSE(img.isNull()) << name;
        EXPECT_EQ(img.size(), QSize(64, 64));
        EXPECT_TRUE(img.hasAlphaChannel());
    }
}
