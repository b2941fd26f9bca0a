#include "platform/RegionStore.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using platform::HRGN;
using platform::RegionStore;

namespace {

// Checks the form QRegion::setRects needs and that makes a region's rectangles unique: y-x
// banded, no two rectangles of a band touching, no two touching bands alike.
void ExpectCanonical(const QRegion& region) {
    const QRect* previous = nullptr;
    std::vector<QRect> band, bandAbove;
    auto endBand = [&] {
        if (!band.empty() && !bandAbove.empty() &&
            bandAbove.front().bottom() + 1 == band.front().top()) {
            bool same = band.size() == bandAbove.size();
            for (std::size_t i = 0; same && i < band.size(); ++i)
                same = band[i].left() == bandAbove[i].left() &&
                       band[i].right() == bandAbove[i].right();
            EXPECT_FALSE(same) << "touching bands alike at y=" << band.front().top();
        }
        bandAbove = std::move(band);
        band.clear();
    };
    for (const QRect& rect : region) {
        ASSERT_FALSE(rect.isEmpty());
        if (previous && rect.top() == previous->top()) {
            ASSERT_EQ(rect.bottom(), previous->bottom());
            ASSERT_GT(rect.left(), previous->right() + 1) << "touching or overlapping in a band";
        } else if (previous) {
            ASSERT_GT(rect.top(), previous->bottom()) << "bands overlap";
            endBand();
        }
        band.push_back(rect);
        previous = &rect;
    }
    endBand();
}

QRect RandomRect(QRandomGenerator& random, int extent) {
    const int left = random.bounded(extent);
    const int top = random.bounded(extent);
    return QRect(left, top, 1 + random.bounded(extent / 3), 1 + random.bounded(extent / 3));
}

HRGN Add(RegionStore& store, HRGN region, const QRect& rect) {
    const HRGN part = store.Create(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
    EXPECT_NE(store.Combine(region, region, part, platform::RGN_OR), 0);
    store.Delete(part);
    return region;
}

} // namespace

TEST(RegionStoreTest, UnionMatchesQRegionOnRandomRectangles) {
    QRandomGenerator random(20261208);
    for (int round = 0; round < 200; ++round) {
        RegionStore store;
        const HRGN a = store.Create(0, 0, 0, 0);
        const HRGN b = store.Create(0, 0, 0, 0);
        QRegion expectedA, expectedB;
        const int extent = 8 + random.bounded(40);
        for (int i = random.bounded(12); i > 0; --i) {
            const QRect rect = RandomRect(random, extent);
            Add(store, a, rect);
            expectedA += rect;
        }
        for (int i = random.bounded(12); i > 0; --i) {
            const QRect rect = RandomRect(random, extent);
            Add(store, b, rect);
            expectedB += rect;
        }
        const QRegion gotA = store.ToQRegion(a);
        EXPECT_TRUE(gotA.xored(expectedA).isEmpty()) << "round " << round;
        ExpectCanonical(gotA);

        // Region with region, into a third handle, and into either source.
        const HRGN c = store.Create(0, 0, 0, 0);
        ASSERT_NE(store.Combine(c, a, b, platform::RGN_OR), 0);
        const QRegion expected = expectedA.united(expectedB);
        const QRegion gotC = store.ToQRegion(c);
        EXPECT_TRUE(gotC.xored(expected).isEmpty()) << "round " << round;
        ExpectCanonical(gotC);
        ASSERT_NE(store.Combine(b, a, b, platform::RGN_OR), 0);
        EXPECT_EQ(store.ToQRegion(b), gotC);
        ASSERT_NE(store.Combine(a, a, c, platform::RGN_OR), 0);
        EXPECT_EQ(store.ToQRegion(a), gotC);
        EXPECT_EQ(store.LiveCount(), 3u);
    }
}

TEST(RegionStoreTest, SpansInScanOrderMergeIntoBands) {
    RegionStore store;
    const HRGN region = store.Create(0, 0, 0, 0);
    QRegion expected;
    QRandomGenerator random(7);
    // Rows 0-9 alike (a stripe pattern), then rows whose first spans repeat the row above
    // before they differ, then touching spans that join.
    auto span = [&](int s, int e, int y) {
        Add(store, region, QRect(s, y, e - s, 1));
        expected += QRect(s, y, e - s, 1);
    };
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 40; x += 8)
            span(x, x + 4, y);
    for (int x = 0; x < 40; x += 8)
        span(x, x + 4, 10);
    span(50, 60, 10);
    span(0, 3, 11);
    span(3, 6, 11);
    span(6, 9, 11);
    for (int y = 12; y < 30; ++y) {
        for (int x = 0; x < 60;) {
            const int s = x + random.bounded(4);
            const int e = s + 1 + random.bounded(5);
            span(s, e, y);
            x = e + random.bounded(2);
        }
    }
    const QRegion got = store.ToQRegion(region);
    EXPECT_TRUE(got.xored(expected).isEmpty());
    ExpectCanonical(got);
    // The ten alike rows are one band of five rectangles.
    EXPECT_EQ(got.begin()[0], QRect(0, 0, 4, 10));
    EXPECT_EQ(got.begin()[4], QRect(32, 0, 4, 10));
    EXPECT_EQ(got.begin()[5].top(), 10);
}

TEST(RegionStoreTest, RegionKindsAndEmptyRegions) {
    RegionStore store;
    const HRGN empty = store.Create(0, 0, 0, 0);
    const HRGN flat = store.Create(5, 5, 9, 5);
    EXPECT_EQ(store.Combine(empty, empty, flat, platform::RGN_OR), platform::NULLREGION);
    EXPECT_TRUE(store.ToQRegion(empty).isEmpty());

    // Corners in any order; two halves of a square make one rectangle.
    const HRGN top = store.Create(10, 5, 0, 0);
    const HRGN bottom = store.Create(0, 5, 10, 10);
    EXPECT_EQ(store.Combine(empty, top, bottom, platform::RGN_OR), platform::SIMPLEREGION);
    EXPECT_EQ(store.ToQRegion(empty), QRegion(0, 0, 10, 10));
    const HRGN apart = store.Create(20, 0, 30, 1);
    EXPECT_EQ(store.Combine(empty, empty, apart, platform::RGN_OR), platform::COMPLEXREGION);
}

TEST(RegionStoreTest, HandlesAreCheckedAndCounted) {
    RegionStore store;
    const HRGN a = store.Create(0, 0, 1, 1);
    const HRGN b = store.Create(0, 0, 2, 2);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(store.LiveCount(), 2u);
    EXPECT_EQ(store.Combine(a, a, b, 4 /* RGN_DIFF */), 0);
    EXPECT_EQ(store.Combine(a, a, 12345, platform::RGN_OR), 0);
    EXPECT_EQ(store.Combine(0, a, b, platform::RGN_OR), 0);

    EXPECT_TRUE(store.Delete(a));
    EXPECT_FALSE(store.Delete(a));
    EXPECT_FALSE(store.Contains(a));
    // The freed slot is reused, but the old handle does not reach the new region.
    const HRGN c = store.Create(0, 0, 3, 3);
    EXPECT_NE(c, a);
    EXPECT_FALSE(store.Delete(a));
    EXPECT_TRUE(store.ToQRegion(a).isEmpty());
    EXPECT_EQ(store.ToQRegion(c), QRegion(0, 0, 3, 3));
    EXPECT_EQ(store.LiveCount(), 2u);
}
