// Regions of the test double: real region handles, every call counted, failures on request.
#include "FakePlatform.h"

#include "platform/RegionStore.h"

namespace {

// Counts one call; true when it is the one told to fail.
bool Fails(int& failAt) {
    return failAt > 0 && --failAt == 0;
}

} // namespace

platform::HRGN FakePlatform::CreateRectRgn(int left, int top, int right, int bottom) {
    ++createRectRgnCalls;
    if (Fails(failCreateRectRgnAt))
        return 0;
    const platform::HRGN region = regions->Create(left, top, right, bottom);
    if (region)
        createdRects.push_back({left, top, right, bottom});
    return region;
}

int FakePlatform::CombineRgn(platform::HRGN destination, platform::HRGN source1,
                             platform::HRGN source2, int mode) {
    ++combineRgnCalls;
    if (Fails(failCombineRgnAt))
        return 0;
    return regions->Combine(destination, source1, source2, mode);
}

int FakePlatform::SetWindowRgn(QWidget* window, platform::HRGN region, bool /*redraw*/) {
    ++setWindowRgnCalls;
    if (Fails(failSetWindowRgnAt) || !window || !regions->Contains(region))
        return 0;
    windowRegions[window] = regions->ToQRegion(region);
    regions->Delete(region);
    return 1;
}

bool FakePlatform::DeleteObject(platform::HRGN object) {
    ++deleteObjectCalls;
    return regions->Delete(object);
}

std::size_t FakePlatform::LiveRegions() const {
    return regions->LiveCount();
}

QRegion FakePlatform::RegionOf(platform::HRGN region) {
    return regions->ToQRegion(region);
}
