#pragma once

#include <QRegion>

namespace platform {

// An outline that a display server can take in one request of at most `maxRects` rectangles.
// A region with no more rectangles is returned as it is. Otherwise the region is coarsened to
// square blocks (2, 4, 8, ... pixels a side, aligned to the region's top-left corner), each block
// kept whole when any pixel of it is in the region, until the rectangles fit: the result holds
// every pixel of the region and only pixels of its bounding rectangle. `maxRects` below 1 is
// taken as 1.
QRegion OutlineWithin(const QRegion& region, qsizetype maxRects);

} // namespace platform
