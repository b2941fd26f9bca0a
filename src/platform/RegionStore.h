#pragma once
// Region handles: banded rectangle lists. (Being written.)
namespace platform {
class RegionStore {};
} // namespace platform
