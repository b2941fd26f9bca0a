#include "mainwindow/FormRgn.h"

#include "FakePlatform.h"
#include "util/Exception.h"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr QRgb G = 0xFF00FF00; // pure green, the wall's transparent colour
constexpr QRgb R = 0xFFFF0000;
constexpr QRgb B = 0xFF0000FF;
constexpr std::uint32_t kGreen = 0x00FF00;

TPicture Bitmap(const std::vector<std::vector<QRgb>>& rows) {
    TPicture picture;
    picture.kind = TPicture::Kind::Bitmap;
    picture.image = QImage(int(rows.front().size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < int(rows.size()); ++y)
        for (int x = 0; x < int(rows[y].size()); ++x)
            picture.image.setPixel(x, y, rows[y][x]);
    return picture;
}

// A frameless window with a TFormRgn at `pos`, sized to its picture, as the main window has it.
struct Wall {
    explicit Wall(const TPicture& picture, QPoint pos = {0, 0}) {
        window->setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
        window->resize(200, 100);
        image = new TFormRgn(window.get());
        image->move(pos);
        image->SetTransparent(true);
        image->SetPicture(picture);
        image->resize(picture.Width(), picture.Height());
        image->SetTransparentColor(kGreen);
    }
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    TFormRgn* image = nullptr;
};

// The rectangles of the spans: what CreateRectRgn got after the empty start region.
std::vector<std::array<int, 4>> Spans(const FakePlatform& fake) {
    EXPECT_FALSE(fake.createdRects.empty());
    EXPECT_EQ(fake.createdRects.front(), (std::array<int, 4>{0, 0, 0, 0}));
    return {fake.createdRects.begin() + 1, fake.createdRects.end()};
}

QString MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(FormRgnTest, EachRunOfNonTransparentPixelsIsOneSpan) {
    FakePlatform::Scope fake;
    const QRgb nearGreen = 0xFF00FE00; // green 254: not the transparent colour
    Wall wall(Bitmap({
        {G, R, R, G, B},
        {R, B, R, R, R},
        {G, G, G, G, G},
        {R, G, G, G, G},
        {G, nearGreen, G, G, nearGreen},
    }));
    wall.image->BuildRegion();
    using Rect = std::array<int, 4>;
    EXPECT_EQ(Spans(*fake), (std::vector<Rect>{
                                {1, 0, 3, 1},
                                {4, 0, 5, 1},
                                {0, 1, 5, 2},
                                {0, 3, 1, 4},
                                {1, 4, 2, 5},
                                {4, 4, 5, 5},
                            }));
    // Only the built region is left; the spans' rectangles are freed.
    EXPECT_EQ(fake->LiveRegions(), 1u);

    wall.image->ApplyRegion();
    QRegion expected;
    for (const Rect& r : Spans(*fake))
        expected += QRect(r[0], r[1], r[2] - r[0], r[3] - r[1]);
    ASSERT_EQ(fake->windowRegions.count(wall.window.get()), 1u);
    EXPECT_EQ(fake->windowRegions[wall.window.get()], expected);
    EXPECT_EQ(fake->LiveRegions(), 1u);
}

TEST(FormRgnTest, ColourOnlyTakesEffectWhenRebuilt) {
    FakePlatform::Scope fake;
    Wall wall(Bitmap({{G, 0xFF000000, R}}));
    wall.image->SetTransparentColor(0);
    EXPECT_EQ(TFormRgn(nullptr).TransparentColor(), 0u);

    // Black is cut out by default.
    wall.image->BuildRegion();
    wall.image->ApplyRegion();
    const QRegion blackCut = fake->windowRegions[wall.window.get()];
    EXPECT_EQ(blackCut, QRegion(0, 0, 1, 1) + QRegion(2, 0, 1, 1));

    const int calls = fake->createRectRgnCalls + fake->combineRgnCalls;
    wall.image->SetTransparentColor(kGreen);
    EXPECT_EQ(fake->createRectRgnCalls + fake->combineRgnCalls, calls);
    EXPECT_EQ(fake->windowRegions[wall.window.get()], blackCut);

    // A value with a top byte (a system colour) matches no pixel.
    wall.image->SetTransparentColor(0xFF000000);
    wall.image->BuildRegion();
    wall.image->ApplyRegion();
    EXPECT_EQ(fake->windowRegions[wall.window.get()], QRegion(0, 0, 3, 1));
}

TEST(FormRgnTest, AllTransparentBitmapGivesEmptyOutline) {
    FakePlatform::Scope fake;
    Wall wall(Bitmap({{G, G, G}, {G, G, G}}));
    wall.image->BuildRegion();
    EXPECT_EQ(fake->createRectRgnCalls, 1);
    wall.image->ApplyRegion();
    ASSERT_EQ(fake->windowRegions.count(wall.window.get()), 1u);
    EXPECT_TRUE(fake->windowRegions[wall.window.get()].isEmpty());
}

TEST(FormRgnTest, ApplyBeforeBuildDoesNothing) {
    FakePlatform::Scope fake;
    Wall wall(Bitmap({{R}}));
    EXPECT_NO_THROW(wall.image->ApplyRegion());
    EXPECT_EQ(fake->createRectRgnCalls + fake->combineRgnCalls + fake->setWindowRgnCalls, 0);
    EXPECT_TRUE(fake->windowRegions.empty());
}

TEST(FormRgnTest, RegionsAreReplacedAndFreed) {
    FakePlatform::Scope fake;
    auto wall = std::make_unique<Wall>(Bitmap({{R, G}}));
    wall->image->BuildRegion();
    wall->image->BuildRegion();
    wall->image->ApplyRegion();
    wall->image->ApplyRegion();
    EXPECT_EQ(fake->LiveRegions(), 1u);
    wall.reset();
    EXPECT_EQ(fake->LiveRegions(), 0u);
}

// A failure anywhere leaves the region and outline that were in force, leaks no handle, and
// reports the platform call that failed.
TEST(FormRgnTest, FailuresKeepThePreviousRegionAndOutline) {
    struct Case {
        const char* name;
        int FakePlatform::*failAt;
        int nth; // counted from the start of BuildRegion
        bool inApply;
        const char* message;
    };
    const Case cases[] = {
        {"start region", &FakePlatform::failCreateRectRgnAt, 1, false,
         "CreateRectRgnに失敗しました"},
        {"span rectangle", &FakePlatform::failCreateRectRgnAt, 3, false,
         "CreateRectRgnに失敗しました"},
        {"span combine", &FakePlatform::failCombineRgnAt, 2, false, "CombineRgnに失敗しました"},
        {"copy", &FakePlatform::failCreateRectRgnAt, 1, true, "CreateRectRgnに失敗しました"},
        {"copy combine", &FakePlatform::failCombineRgnAt, 1, true, "CombineRgnに失敗しました"},
        {"window", &FakePlatform::failSetWindowRgnAt, 1, true, "SetWindowRGNに失敗しました"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform::Scope fake;
        Wall wall(Bitmap({{R, R, G}, {G, R, R}, {R, G, R}}));
        wall.image->BuildRegion();
        wall.image->ApplyRegion();
        const QRegion before = fake->windowRegions[wall.window.get()];

        // Three spans now where there were four.
        wall.image->SetPicture(Bitmap({{G, G, G}, {R, G, R}, {G, R, G}}));
        if (c.inApply)
            wall.image->BuildRegion();
        (*fake).*c.failAt = c.nth;
        const QString message = MessageOf([&] {
            if (!c.inApply)
                wall.image->BuildRegion();
            wall.image->ApplyRegion();
        });
        EXPECT_EQ(message, QString::fromUtf8(c.message));
        EXPECT_EQ(fake->windowRegions[wall.window.get()], before);
        EXPECT_EQ(fake->LiveRegions(), 1u);

        // The region kept is the one in force before: the old one after a failed build, the
        // new one after a failed apply.
        wall.image->ApplyRegion();
        const QRegion now = fake->windowRegions[wall.window.get()];
        if (c.inApply)
            EXPECT_EQ(now, QRegion(0, 1, 1, 1) + QRegion(2, 1, 1, 1) + QRegion(1, 2, 1, 1));
        else
            EXPECT_EQ(now, before);
        EXPECT_EQ(fake->LiveRegions(), 1u);
    }
}

TEST(FormRgnTest, PictureWithoutPixelsFailsLikeAnyFailure) {
    FakePlatform::Scope fake;
    Wall wall(Bitmap({{R, G}}));
    wall.image->BuildRegion();
    wall.image->ApplyRegion();
    TPicture icon = Bitmap({{G, R}});
    icon.kind = TPicture::Kind::Icon;
    wall.image->SetPicture(icon);
    EXPECT_FALSE(MessageOf([&] { wall.image->BuildRegion(); }).isEmpty());
    EXPECT_EQ(fake->LiveRegions(), 1u);
    wall.image->ApplyRegion();
    EXPECT_EQ(fake->windowRegions[wall.window.get()], QRegion(0, 0, 1, 1));
}

TEST(FormRgnTest, PixelsLandAtWindowCoordinatesFrameIncluded) {
    // A border of 4 pixels on the left, right and bottom and a caption of 23 above the client.
    const QSize client(300, 200);
    const QSize frame(client.width() + 8, client.height() + 23 + 4 + 4);
    EXPECT_EQ(WindowOffset(frame, client, {10, 20}), QPoint(10 + 4, 20 + 31 - 4));
    EXPECT_EQ(WindowOffset(client, client, {10, 20}), QPoint(10, 20));

    // The control's own position moves its pixels; a frameless window adds nothing.
    FakePlatform::Scope fake;
    Wall wall(Bitmap({{G, R}}), {7, 9});
    wall.image->BuildRegion();
    EXPECT_EQ(Spans(*fake), (std::vector<std::array<int, 4>>{{8, 9, 9, 10}}));
}

// A shown window with a frame: the pixels land past the frame's left and top widths, and the real
// platform puts the outline back over the client area.
TEST(FormRgnTest, FramedWindowOffsetsThePixels) {
    QWidget framed;
    framed.resize(100, 50);
    framed.show();
    const QPoint margin = framed.geometry().topLeft() - framed.frameGeometry().topLeft();
    ASSERT_NE(margin, QPoint(0, 0)) << "the test platform gives windows no frame";
    TFormRgn* image = new TFormRgn(&framed);
    image->SetPicture(Bitmap({{R}}));
    image->resize(1, 1);
    image->move(3, 5);
    {
        FakePlatform::Scope fake;
        image->BuildRegion();
        EXPECT_EQ(Spans(*fake),
                  (std::vector<std::array<int, 4>>{
                      {3 + margin.x(), 5 + margin.y(), 4 + margin.x(), 6 + margin.y()}}));
        delete image;
    }
    image = new TFormRgn(&framed);
    image->SetPicture(Bitmap({{R}}));
    image->resize(1, 1);
    image->move(3, 5);
    image->BuildRegion();
    image->ApplyRegion();
    EXPECT_EQ(framed.mask(), QRegion(3, 5, 1, 1));
}

// The real platform turns the outline into the window's mask.
TEST(FormRgnTest, RealWindowGetsTheOutlineAsMask) {
    Wall wall(Bitmap({{G, R, R}, {R, G, G}}));
    wall.image->BuildRegion();
    wall.image->ApplyRegion();
    EXPECT_EQ(wall.window->mask(), QRegion(1, 0, 2, 1) + QRegion(0, 1, 1, 1));

    // All transparent: a mask that covers no pixel of the window, not no mask.
    wall.image->SetPicture(Bitmap({{G, G, G}, {G, G, G}}));
    wall.image->BuildRegion();
    wall.image->ApplyRegion();
    EXPECT_FALSE(wall.window->mask().isEmpty());
    EXPECT_FALSE(wall.window->mask().intersects(wall.window->rect()));
}
