#include "platform/RegionStore.h"

#include <algorithm>
#include <utility>

namespace platform {
namespace {

// A handle is the slot index + 1 in the low 24 bits and the slot's generation in the top 8, so
// that a handle kept after DeleteObject does not reach the region that reuses its slot.
constexpr std::uint32_t kIndexBits = 24;
constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
constexpr std::uint32_t kGenerationMask = 0xFF;

// Freed regions keep their buffer for reuse unless it is large.
constexpr std::size_t kKeptCapacity = 256;

// QRect's right and bottom are inclusive; the region code works with exclusive ones.
int Right(const QRect& r) {
    return r.right() + 1;
}
int Bottom(const QRect& r) {
    return r.bottom() + 1;
}
QRect MakeRect(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

struct Band {
    int top, bottom;
    std::size_t begin, end;
};

std::vector<Band> Bands(const std::vector<QRect>& rects) {
    std::vector<Band> bands;
    for (std::size_t i = 0; i < rects.size();) {
        std::size_t j = i + 1;
        while (j < rects.size() && rects[j].top() == rects[i].top())
            ++j;
        bands.push_back({rects[i].top(), Bottom(rects[i]), i, j});
        i = j;
    }
    return bands;
}

} // namespace

RegionStore::RegionStore() = default;
RegionStore::~RegionStore() = default;

RegionStore::Region* RegionStore::Find(HRGN handle) {
    const std::uint32_t index = (handle & kIndexMask) - 1;
    if (handle == 0 || index >= slots_.size())
        return nullptr;
    Slot& slot = slots_[index];
    if (!slot.live || slot.generation != (handle >> kIndexBits))
        return nullptr;
    return &slot.region;
}

bool RegionStore::Contains(HRGN region) const {
    return const_cast<RegionStore*>(this)->Find(region) != nullptr;
}

HRGN RegionStore::Create(int left, int top, int right, int bottom) {
    std::uint32_t index;
    if (!free_.empty()) {
        index = free_.back();
        free_.pop_back();
    } else {
        if (slots_.size() >= kIndexMask)
            return 0;
        index = std::uint32_t(slots_.size());
        slots_.emplace_back();
    }
    Slot& slot = slots_[index];
    slot.live = true;
    ++live_;
    Clear(slot.region);
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (left < right && top < bottom)
        slot.region.rects.push_back(MakeRect(left, top, right, bottom));
    return (slot.generation << kIndexBits) | (index + 1);
}

bool RegionStore::Delete(HRGN region) {
    if (!Find(region))
        return false;
    Slot& slot = slots_[(region & kIndexMask) - 1];
    slot.live = false;
    slot.generation = (slot.generation + 1) & kGenerationMask;
    Clear(slot.region);
    free_.push_back((region & kIndexMask) - 1);
    --live_;
    return true;
}

void RegionStore::Clear(Region& region) {
    if (region.rects.capacity() > kKeptCapacity)
        region.rects = {};
    else
        region.rects.clear();
    region.lastBand = 0;
    region.lastBandOpen = false;
}

bool RegionStore::LastBandMatchesAbove(const Region& region) {
    const std::vector<Rect>& rects = region.rects;
    const std::size_t start = region.lastBand;
    const std::size_t count = rects.size() - start;
    if (start < count)
        return false;
    const std::size_t above = start - count;
    const Rect& lastAbove = rects[start - 1];
    // The band above must touch this one and hold exactly `count` rectangles.
    if (Bottom(lastAbove) != rects[start].top() || rects[above].top() != lastAbove.top())
        return false;
    if (above > 0 && rects[above - 1].top() == lastAbove.top())
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        if (rects[above + i].left() != rects[start + i].left() ||
            rects[above + i].right() != rects[start + i].right())
            return false;
    }
    return true;
}

void RegionStore::CloseLastBand(Region& region) {
    if (!region.lastBandOpen)
        return;
    region.lastBandOpen = false;
    if (!LastBandMatchesAbove(region))
        return;
    // Merge the last band into the one above it.
    std::vector<Rect>& rects = region.rects;
    const std::size_t start = region.lastBand;
    const std::size_t count = rects.size() - start;
    const int bottom = rects[start].bottom();
    for (std::size_t i = start - count; i < start; ++i)
        rects[i].setBottom(bottom);
    rects.resize(start);
    region.lastBand = start - count;
}

// `rect` is not empty and follows the region in band order: it starts a band at or below the
// last one, or it lies in the last band at or right of its last rectangle.
void RegionStore::Append(Region& region, const Rect& rect) {
    std::vector<Rect>& rects = region.rects;
    if (!rects.empty()) {
        Rect& last = rects.back();
        if (rect.top() == last.top()) {
            if (rect.left() <= Right(last))
                last.setRight(std::max(last.right(), rect.right()));
            else
                rects.push_back(rect);
            region.lastBandOpen = true;
            return;
        }
        CloseLastBand(region);
    }
    region.lastBand = rects.size();
    rects.push_back(rect);
    region.lastBandOpen = true;
}

bool RegionStore::Continues(const Region& region, const Region& next) {
    const Rect& last = region.rects.back();
    const Rect& first = next.rects.front();
    if (first.top() >= Bottom(last))
        return true;
    return first.top() == last.top() && first.bottom() == last.bottom() &&
           first.left() >= Right(last);
}

void RegionStore::Union(const Region& a, const Region& b, Region& out) {
    const std::vector<Band> bandsA = Bands(a.rects);
    const std::vector<Band> bandsB = Bands(b.rects);
    // Every band edge of either region; between two neighbouring edges each region has either
    // one band covering the whole strip or nothing.
    std::vector<int> edges;
    edges.reserve(2 * (bandsA.size() + bandsB.size()));
    for (const std::vector<Band>* bands : {&bandsA, &bandsB}) {
        for (const Band& band : *bands) {
            edges.push_back(band.top);
            edges.push_back(band.bottom);
        }
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    std::size_t ia = 0, ib = 0;
    for (std::size_t k = 0; k + 1 < edges.size(); ++k) {
        const int top = edges[k];
        const int bottom = edges[k + 1];
        while (ia < bandsA.size() && bandsA[ia].bottom <= top)
            ++ia;
        while (ib < bandsB.size() && bandsB[ib].bottom <= top)
            ++ib;
        std::size_t i = 0, iEnd = 0, j = 0, jEnd = 0;
        if (ia < bandsA.size() && bandsA[ia].top <= top) {
            i = bandsA[ia].begin;
            iEnd = bandsA[ia].end;
        }
        if (ib < bandsB.size() && bandsB[ib].top <= top) {
            j = bandsB[ib].begin;
            jEnd = bandsB[ib].end;
        }
        // Merge the two sorted rows of spans, joining spans that overlap or touch.
        bool have = false;
        int left = 0, right = 0;
        while (i < iEnd || j < jEnd) {
            const Rect& next = (j >= jEnd || (i < iEnd && a.rects[i].left() <= b.rects[j].left()))
                                   ? a.rects[i++]
                                   : b.rects[j++];
            if (have && next.left() <= right) {
                right = std::max(right, Right(next));
                continue;
            }
            if (have)
                Append(out, MakeRect(left, top, right, bottom));
            have = true;
            left = next.left();
            right = Right(next);
        }
        if (have)
            Append(out, MakeRect(left, top, right, bottom));
    }
    CloseLastBand(out);
}

int RegionStore::Kind(const Region& region) {
    const std::size_t n = region.rects.size();
    if (n == 0)
        return NULLREGION;
    // Two rectangles that are about to merge into one make a simple region.
    if (n == 1 || (n == 2 && region.lastBandOpen && LastBandMatchesAbove(region)))
        return SIMPLEREGION;
    return COMPLEXREGION;
}

int RegionStore::Combine(HRGN destination, HRGN source1, HRGN source2, int mode) {
    Region* out = Find(destination);
    const Region* a = Find(source1);
    const Region* b = Find(source2);
    if (!out || !a || !b || mode != RGN_OR)
        return 0;
    if (b->rects.empty())
        std::swap(a, b);
    if (a->rects.empty() || a == b) {
        if (out != b)
            *out = *b;
    } else if (out != b && Continues(*a, *b)) {
        // The common case: spans added in scan order.
        if (out != a)
            *out = *a;
        for (const Rect& rect : b->rects)
            Append(*out, rect);
    } else if (out != a && Continues(*b, *a)) {
        if (out != b)
            *out = *b;
        for (const Rect& rect : a->rects)
            Append(*out, rect);
    } else {
        Region merged;
        Union(*a, *b, merged);
        *out = std::move(merged);
    }
    return Kind(*out);
}

QRegion RegionStore::ToQRegion(HRGN handle) {
    Region* region = Find(handle);
    QRegion result;
    if (!region || region->rects.empty())
        return result;
    CloseLastBand(*region);
    result.setRects(region->rects.data(), int(region->rects.size()));
    return result;
}

} // namespace platform
