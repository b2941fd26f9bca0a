#include "platform/Platform.h"

#include "platform/RealPlatform.h"

namespace platform {
namespace {
Platform* installed = nullptr;
}

Platform& Current() {
    if (installed)
        return *installed;
    static RealPlatform real;
    return real;
}

void SetCurrent(Platform* platform) {
    installed = platform;
}

} // namespace platform
