// Window outlines simplified to what one display-server request can carry.
#include "platform/WindowOutline.h"

#include <gtest/gtest.h>

namespace {

// A checkerboard of single pixels: no two neighbouring pixels join, so every pixel is a
// rectangle of its own.
QRegion Checkerboard(int left, int top, int width, int height) {
    QRegion region;
    std::vector<QRect> rects;
    for (int y = 0; y < height; ++y)
        for (int x = y % 2; x < width; x += 2)
            rects.emplace_back(left + x, top + y, 1, 1);
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

TEST(WindowOutlineTest, AnOutlineThatFitsIsKeptExactly) {
    const QRegion region = Checkerboard(3, 5, 10, 10);
    EXPECT_EQ(platform::OutlineWithin(region, region.rectCount()), region);
}

TEST(WindowOutlineTest, ALargerOneKeepsEveryPixelWithinItsBoundsInFewerRectangles) {
    QRegion region = Checkerboard(10, 20, 300, 200) + QRect(400, 20, 50, 7) + QRect(10, 230, 1, 1);
    for (const int limit : {20000, 500, 40, 1}) {
        const QRegion outline = platform::OutlineWithin(region, limit);
        EXPECT_LE(outline.rectCount(), limit);
        EXPECT_EQ(outline.intersected(region), region) << limit;
        EXPECT_TRUE(region.boundingRect().contains(outline.boundingRect())) << limit;
        // The lone pixels far from the rest stay apart unless the limit is very small.
        if (limit >= 40) {
            EXPECT_FALSE(outline.contains(QPoint(420, 200))) << limit;
        }
    }
}

} // namespace
