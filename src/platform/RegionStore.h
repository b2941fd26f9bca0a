#pragma once

#include "platform/Platform.h"

#include <QRegion>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Region handles over banded rectangle lists, shared by the real platform and its test double.
//
// A region is a list of rectangles (right and bottom exclusive) in y-x banded order: rectangles
// of one band share top and bottom and lie left to right without touching; bands lie top to
// bottom without overlapping; two bands that touch vertically differ in their rectangles. This is
// the form QRegion::setRects takes, and it is unique for a set of pixels.
//
// Adding rectangles in scan order (row by row, left to right) appends to the last band and costs
// O(1) amortised each; any other union falls back to a general band merge.
class RegionStore {
public:
    RegionStore();
    ~RegionStore();
    RegionStore(const RegionStore&) = delete;
    RegionStore& operator=(const RegionStore&) = delete;

    // A new region holding the rectangle (corners in any order); an empty one when it has no
    // area. 0 when no handle is left.
    HRGN Create(int left, int top, int right, int bottom);
    // Makes `destination` the union of the sources (mode RGN_OR only). Returns NULLREGION,
    // SIMPLEREGION or COMPLEXREGION, or 0 for an unknown handle or mode.
    int Combine(HRGN destination, HRGN source1, HRGN source2, int mode);
    // Frees the region; false for an unknown handle.
    bool Delete(HRGN region);

    bool Contains(HRGN region) const;
    std::size_t LiveCount() const { return live_; }
    // The region as a QRegion built in one go; empty for an unknown handle.
    QRegion ToQRegion(HRGN region);

private:
    // Rectangles are kept as QRect (inclusive corners) so that a region goes to QRegion as is.
    using Rect = QRect;
    struct Region {
        std::vector<Rect> rects;
        // Index of the first rectangle of the last band.
        std::size_t lastBand = 0;
        // The last band changed since it was last compared with the band above it.
        bool lastBandOpen = false;
    };
    struct Slot {
        Region region;
        std::uint32_t generation = 0;
        bool live = false;
    };

    Region* Find(HRGN handle);
    static void Clear(Region& region);
    static void Append(Region& region, const Rect& rect);
    static bool LastBandMatchesAbove(const Region& region);
    static void CloseLastBand(Region& region);
    static bool Continues(const Region& region, const Region& next);
    static void Union(const Region& a, const Region& b, Region& out);
    static int Kind(const Region& region);

    std::vector<Slot> slots_;
    std::vector<std::uint32_t> free_;
    std::size_t live_ = 0;
};

} // namespace platform
