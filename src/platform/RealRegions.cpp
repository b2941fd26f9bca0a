// Regions of the real platform: handles in a RegionStore; a window's region becomes its mask.
#include "platform/RealPlatform.h"
#include "platform/RegionStore.h"

#include <QWidget>

namespace platform {

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
