#pragma once

#include "store/MemoData.h"

#include <cstddef>
#include <string>

// Memos as a user writes them: a title and a few lines of Japanese text, CP932, about 200 bytes
// a record in the box file. Memo i of a box is dated before memo i - 1, so a made list is already
// in memo order.
namespace bench {

TMemoList SampleMemos(std::size_t count);
// One more memo, dated after every memo of SampleMemos (it sorts first).
std::unique_ptr<TMemoData> NewestMemo();
// The box file bytes of SampleMemos(count).
std::string SampleBoxBytes(std::size_t count);

} // namespace bench
