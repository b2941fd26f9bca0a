#include "store/BoxMerge.h"

#include "store/BoxFile.h"
#include "store/FileAccess.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The records of a list as the box file holds them, back to back in one buffer, so that a
// record's identity is a view of its bytes and hashing it allocates nothing.
class RecordKeys {
public:
    explicit RecordKeys(const TMemoList& list) {
        ends_.reserve(list.size());
        for (const auto& memo : list) {
            memo->SaveToStream(bytes_);
            ends_.push_back(bytes_.size());
        }
    }
    std::size_t size() const { return ends_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i ? ends_[i - 1] : 0;
        return std::string_view(bytes_).substr(begin, ends_[i] - begin);
    }

private:
    std::string bytes_;
    std::vector<std::size_t> ends_;
};

struct Counts {
    int base = 0;
    int disk = 0;
    int mine = 0;
    int change = 0; // copies to add to `mine` (> 0) or to take out of it (< 0)
};

using CountMap = std::unordered_map<std::string_view, Counts>;

// Takes out of `mine` the copies whose `change` is negative (the last copies of a record, so
// that earlier ones keep their place) and appends the copies of `other` whose `change` is
// positive, taking them from `other` in its order.
MergeOutcome Apply(CountMap& counts, const RecordKeys& mineKeys, TMemoList& mine,
                   const RecordKeys& otherKeys, TMemoList& other) {
    MergeOutcome outcome;
    std::vector<char> drop(mine.size(), 0);
    for (std::size_t i = mine.size(); i-- > 0;) {
        Counts& c = counts[mineKeys[i]];
        if (c.change < 0) {
            drop[i] = 1;
            ++c.change;
            ++outcome.removed;
        }
    }
    if (outcome.removed) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < mine.size(); ++i)
            if (!drop[i])
                mine[kept++] = std::move(mine[i]);
        mine.resize(kept);
    }
    for (std::size_t i = 0; i < other.size(); ++i) {
        Counts& c = counts[otherKeys[i]];
        if (c.change > 0) {
            mine.push_back(std::move(other[i]));
            --c.change;
            ++outcome.added;
        }
    }
    if (outcome.Changed())
        SortMemos(mine);
    return outcome;
}

} // namespace

bool ParseWholeBoxFile(std::string_view bytes, TMemoList& list) {
    if (bytes.empty())
        return false;
    std::size_t pos = 0;
    if (bytes.size() > 4 && FileAccess::ReadInt32(bytes, pos) <= 0)
        return false;
    TMemoList read;
    if (ParseBoxFile(bytes, read).damaged)
        return false;
    list.reserve(list.size() + read.size());
    for (auto& memo : read)
        list.push_back(std::move(memo));
    return true;
}

MergeOutcome MergeBox(std::string_view base, std::string_view disk, TMemoList& mine) {
    TMemoList diskList;
    if (!ParseWholeBoxFile(disk, diskList))
        return MergeOutcome{.damaged = true};
    TMemoList baseList;
    ParseBoxFile(base, baseList);

    const RecordKeys baseKeys(baseList), diskKeys(diskList), mineKeys(mine);
    CountMap counts;
    counts.reserve(baseKeys.size() + diskKeys.size() + mineKeys.size());
    for (std::size_t i = 0; i < baseKeys.size(); ++i)
        ++counts[baseKeys[i]].base;
    for (std::size_t i = 0; i < diskKeys.size(); ++i)
        ++counts[diskKeys[i]].disk;
    for (std::size_t i = 0; i < mineKeys.size(); ++i)
        ++counts[mineKeys[i]].mine;

    for (auto& [key, c] : counts) {
        const int ours = c.mine - c.base;
        const int theirs = c.disk - c.base;
        int result;
        if ((ours > 0 && theirs > 0) || (ours < 0 && theirs < 0))
            result = c.base + (std::abs(ours) >= std::abs(theirs) ? ours : theirs);
        else
            result = c.base + ours + theirs;
        // Never more copies to add than the disk holds: result - mine is at most disk - base.
        c.change = std::max(result, 0) - c.mine;
    }
    return Apply(counts, mineKeys, mine, diskKeys, diskList);
}

MergeOutcome MergeConflictCopy(std::string_view copy, TMemoList& mine) {
    TMemoList copyList;
    if (!ParseWholeBoxFile(copy, copyList))
        return MergeOutcome{.damaged = true};

    const RecordKeys copyKeys(copyList), mineKeys(mine);
    CountMap counts;
    counts.reserve(copyKeys.size() + mineKeys.size());
    for (std::size_t i = 0; i < copyKeys.size(); ++i)
        ++counts[copyKeys[i]].disk;
    for (std::size_t i = 0; i < mineKeys.size(); ++i)
        ++counts[mineKeys[i]].mine;
    for (auto& [key, c] : counts)
        c.change = std::max(c.disk - c.mine, 0);
    return Apply(counts, mineKeys, mine, copyKeys, copyList);
}
