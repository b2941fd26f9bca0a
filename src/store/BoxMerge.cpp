#include "store/BoxMerge.h"

#include "store/FileAccess.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// A record's identity is its bytes as the box file holds them after a rewrite. The keys are
// views: into the file's own bytes, or into `rewritten` for the records a list holds and for
// the few file records whose text a rewrite changes.
struct RecordKeys {
    std::vector<std::string_view> keys;
    std::vector<std::size_t> starts; // where each record begins in the file
    std::string rewritten;
};

RecordKeys KeysOfList(const TMemoList& list) {
    RecordKeys out;
    std::vector<std::size_t> ends;
    ends.reserve(list.size());
    for (const auto& memo : list) {
        memo->SaveToStream(out.rewritten);
        ends.push_back(out.rewritten.size());
    }
    out.keys.reserve(list.size());
    std::size_t begin = 0;
    for (const std::size_t end : ends) {
        out.keys.push_back(std::string_view(out.rewritten).substr(begin, end - begin));
        begin = end;
    }
    return out;
}

// Whether a rewrite writes the text block back byte for byte: lines that hold no CR, LF or NUL,
// each ended by CR LF. Anything else (foreign line ends, a NUL, no final line end) is read and
// written again to find the record's key.
bool KeptByRewrite(std::string_view block) {
    if (block.empty())
        return true;
    if (!block.ends_with("\r\n") || block.find('\0') != std::string_view::npos)
        return false;
    for (auto i = block.find('\r'); i != std::string_view::npos; i = block.find('\r', i + 1))
        if (i + 1 == block.size() || block[i + 1] != '\n')
            return false;
    for (auto i = block.find('\n'); i != std::string_view::npos; i = block.find('\n', i + 1))
        if (i == 0 || block[i - 1] != '\r')
            return false;
    return true;
}

enum class Read { Whole, Damaged };

// The keys of the records of box-file bytes, without making a memo of each, as far as they read
// whole. Damaged where the reader finds damage (a record cut short, a negative text length), and
// also for the shapes the program never writes: an empty file, a count of 0 or less followed by
// more bytes. Bytes after the last record are ignored, as the reader ignores them.
Read KeysOfFile(std::string_view file, RecordKeys& out) {
    if (file.size() < 4)
        return Read::Damaged;
    std::size_t pos = 0;
    const std::int32_t count = FileAccess::ReadInt32(file, pos);
    if (count <= 0)
        return file.size() == 4 ? Read::Whole : Read::Damaged;
    struct Span {
        bool rewritten;
        std::size_t begin, end;
    };
    std::vector<Span> spans;
    spans.reserve(std::min(std::size_t(count), file.size() / 24));
    Read read = Read::Whole;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::size_t start = pos;
        if (file.size() - pos < 4) {
            read = Read::Damaged;
            break;
        }
        const std::int32_t length = FileAccess::ReadInt32(file, pos);
        if (length < 0 || file.size() - pos < std::size_t(length) + 20) {
            read = Read::Damaged;
            break;
        }
        pos += std::size_t(length) + 20;
        out.starts.push_back(start);
        if (KeptByRewrite(file.substr(start + 4, std::size_t(length)))) {
            spans.push_back({false, start, pos});
        } else {
            TMemoData memo{TMemoData::FromFile{}};
            std::size_t at = start;
            memo.LoadFromStream(file, at);
            const std::size_t begin = out.rewritten.size();
            memo.SaveToStream(out.rewritten);
            spans.push_back({true, begin, out.rewritten.size()});
        }
    }
    // Views into `rewritten` are made once it no longer grows.
    out.keys.reserve(spans.size());
    for (const Span& span : spans)
        out.keys.push_back((span.rewritten ? std::string_view(out.rewritten) : file)
                               .substr(span.begin, span.end - span.begin));
    return read;
}

struct Counts {
    int base = 0;
    int other = 0; // disk or conflict copy
    int mine = 0;
    int change = 0; // copies to add to `mine` (> 0) or to take out of it (< 0)
};

// The counts of every record, and for the records of `other` and `mine` where their counts are
// (the map's values stay where they are), so that no key is hashed twice.
struct Tally {
    std::unordered_map<std::string_view, Counts> counts;
    std::vector<Counts*> ofOther;
    std::vector<Counts*> ofMine;
};

void Count(Tally& tally, const RecordKeys* base, const RecordKeys& other, const RecordKeys& mine) {
    tally.counts.reserve((base ? base->keys.size() : 0) + other.keys.size() + mine.keys.size());
    if (base)
        for (const auto key : base->keys)
            ++tally.counts[key].base;
    tally.ofOther.reserve(other.keys.size());
    for (const auto key : other.keys) {
        Counts& c = tally.counts[key];
        ++c.other;
        tally.ofOther.push_back(&c);
    }
    tally.ofMine.reserve(mine.keys.size());
    for (const auto key : mine.keys) {
        Counts& c = tally.counts[key];
        ++c.mine;
        tally.ofMine.push_back(&c);
    }
}

// Takes out of `mine` the copies whose `change` is negative (the last copies of a record, so
// that earlier ones keep their place) and appends, read from `file`, the records whose `change`
// is positive, in file order.
MergeOutcome Apply(const Tally& tally, TMemoList& mine, std::string_view file,
                   const RecordKeys& fileKeys) {
    MergeOutcome outcome;
    std::vector<char> drop(mine.size(), 0);
    for (std::size_t i = mine.size(); i-- > 0;) {
        Counts& c = *tally.ofMine[i];
        if (c.change < 0) {
            drop[i] = 1;
            ++c.change;
            outcome.removed.push_back(mine[i]->Serial());
        }
    }
    if (!outcome.removed.empty()) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < mine.size(); ++i)
            if (!drop[i])
                mine[kept++] = std::move(mine[i]);
        mine.resize(kept);
    }
    for (std::size_t i = 0; i < fileKeys.keys.size(); ++i) {
        Counts& c = *tally.ofOther[i];
        if (c.change > 0) {
            auto memo = std::make_unique<TMemoData>(TMemoData::FromFile{});
            std::size_t pos = fileKeys.starts[i];
            memo->LoadFromStream(file, pos);
            outcome.added.push_back(memo->Serial());
            mine.push_back(std::move(memo));
            --c.change;
        }
    }
    if (outcome.Changed())
        SortMemos(mine);
    return outcome;
}

MergeOutcome Damaged() {
    MergeOutcome outcome;
    outcome.damaged = true;
    return outcome;
}

} // namespace

bool MergeOutcome::Removed(MemoSerial serial) const {
    return serial != 0 && std::find(removed.begin(), removed.end(), serial) != removed.end();
}

MergeOutcome MergeBox(std::string_view base, std::string_view disk, TMemoList& mine) {
    RecordKeys diskKeys;
    if (KeysOfFile(disk, diskKeys) == Read::Damaged)
        return Damaged();
    RecordKeys baseKeys;
    KeysOfFile(base, baseKeys); // as far as it reads whole
    const RecordKeys mineKeys = KeysOfList(mine);

    Tally tally;
    Count(tally, &baseKeys, diskKeys, mineKeys);
    for (auto& [key, c] : tally.counts) {
        const int ours = c.mine - c.base;
        const int theirs = c.other - c.base;
        int result;
        if ((ours > 0 && theirs > 0) || (ours < 0 && theirs < 0))
            result = c.base + (std::abs(ours) >= std::abs(theirs) ? ours : theirs);
        else
            result = c.base + ours + theirs;
        // At most disk - base copies to add, so the disk always holds enough of them.
        c.change = std::max(result, 0) - c.mine;
    }
    return Apply(tally, mine, disk, diskKeys);
}

MergeOutcome MergeConflictCopy(std::string_view copy, TMemoList& mine) {
    RecordKeys copyKeys;
    if (KeysOfFile(copy, copyKeys) == Read::Damaged)
        return Damaged();
    const RecordKeys mineKeys = KeysOfList(mine);
    Tally tally;
    Count(tally, nullptr, copyKeys, mineKeys);
    for (auto& [key, c] : tally.counts)
        c.change = std::max(c.other - c.mine, 0);
    return Apply(tally, mine, copy, copyKeys);
}

std::size_t RecordCount(std::string_view file, const TMemoData& memo) {
    RecordKeys fileKeys;
    KeysOfFile(file, fileKeys);
    std::string key;
    memo.SaveToStream(key);
    return std::size_t(std::count(fileKeys.keys.begin(), fileKeys.keys.end(), key));
}
