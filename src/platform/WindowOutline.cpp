#include "platform/WindowOutline.h"

#include <QRect>
#include <algorithm>
#include <vector>

namespace platform {

namespace {

// The region of the blocks of side `block` that hold a pixel of `region`, in banded form: each
// row of blocks is one band of maximal runs, and a row equal to the one above joins its band.
// Stops early and returns an empty list once the rectangles pass `limit`.
std::vector<QRect> CoarseRects(const QRegion& region, int block, qsizetype limit) {
    const QRect bounds = region.boundingRect();
    const int columns = (bounds.width() + block - 1) / block;
    const int rows = (bounds.height() + block - 1) / block;
    std::vector<unsigned char> cells(std::size_t(columns) * std::size_t(rows), 0);
    for (const QRect& rect : region) {
        const int left = (rect.left() - bounds.left()) / block;
        const int right = (rect.right() - bounds.left()) / block;
        const int top = (rect.top() - bounds.top()) / block;
        const int bottom = (rect.bottom() - bounds.top()) / block;
        for (int row = top; row <= bottom; ++row)
            std::fill_n(cells.begin() + std::ptrdiff_t(row) * columns + left, right - left + 1, 1);
    }

    std::vector<QRect> rects;
    std::size_t bandStart = 0;
    const unsigned char* above = nullptr;
    for (int row = 0; row < rows; ++row) {
        const unsigned char* line = cells.data() + std::ptrdiff_t(row) * columns;
        const int top = bounds.top() + row * block;
        const int bottom = std::min(top + block, bounds.top() + bounds.height()) - 1;
        if (above && std::equal(line, line + columns, above) && bandStart < rects.size()) {
            // Same runs as the band above: that band grows down.
            for (std::size_t i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(bottom);
            above = line;
            continue;
        }
        bandStart = rects.size();
        for (int x = 0; x < columns;) {
            if (!line[x]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < columns && line[x])
                ++x;
            const int left = bounds.left() + start * block;
            const int right = std::min(bounds.left() + x * block, bounds.left() + bounds.width());
            rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom));
            if (qsizetype(rects.size()) > limit)
                return {};
        }
        above = line;
    }
    return rects;
}

} // namespace

QRegion OutlineWithin(const QRegion& region, qsizetype maxRects) {
    maxRects = std::max<qsizetype>(maxRects, 1);
    if (region.rectCount() <= maxRects)
        return region;
    const QRect bounds = region.boundingRect();
    for (int block = 2;; block *= 2) {
        if (block >= std::max(bounds.width(), bounds.height()))
            return QRegion(bounds);
        const std::vector<QRect> rects = CoarseRects(region, block, maxRects);
        if (!rects.empty()) {
            QRegion outline;
            outline.setRects(rects.data(), int(rects.size()));
            return outline;
        }
    }
}

} // namespace platform
