// Regions of the real platform: handles in a RegionStore; a window's region becomes its mask.
#include "platform/RealPlatform.h"
#include "platform/RegionStore.h"
#include "platform/WindowOutline.h"

#include <QGuiApplication>
#include <QWidget>
#include <limits>

#if TABUKO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace platform {

namespace {

// The most rectangles one window-outline request may carry. An X server refuses a request
// longer than its maximum, and the client library then closes the connection, which ends the
// program; a larger outline is given simplified instead (see OutlineWithin).
qsizetype MaxOutlineRects() {
#if TABUKO_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr) {
        // In 4-byte units; the shape request takes 8 bytes a rectangle after a header of at
        // most 20 bytes, and some room is left for what the toolkit adds.
        const std::uint64_t units = xcb_get_maximum_request_length(connection);
        if (units > 16)
            return qsizetype((units * 4 - 64) / 8);
    }
#endif
    return std::numeric_limits<int>::max();
}

} // namespace

HRGN RealPlatform::CreateRectRgn(int left, int top, int right, int bottom) {
    return regions_->Create(left, top, right, bottom);
}

int RealPlatform::CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
    return regions_->Combine(destination, source1, source2, mode);
}

int RealPlatform::SetWindowRgn(QWidget* window, HRGN region, bool redraw) {
    if (!window || !regions_->Contains(region))
        return 0;
    QRegion mask = regions_->ToQRegion(region);
    // A window region is in window coordinates (frame included); a mask is in client ones.
    mask.translate(window->frameGeometry().topLeft() - window->geometry().topLeft());
    // An empty mask would remove the outline and show the whole window; an outline that
    // covers no pixel of the window shows nothing.
    if (mask.isEmpty())
        mask = QRegion(-1, -1, 1, 1);
    mask = OutlineWithin(mask, MaxOutlineRects());
    window->setMask(mask);
    if (redraw)
        window->update();
    regions_->Delete(region);
    return 1;
}

bool RealPlatform::DeleteObject(HRGN object) {
    return regions_->Delete(object);
}

} // namespace platform
