#pragma once

#include "store/MemoData.h"

#include <string_view>
#include <vector>

// What a merge did to the in-memory list, by the memos' serials: whoever holds a memo's serial
// can tell whether the memo went (deleted or replaced elsewhere; a replaced memo's new record is
// among the added ones) or stayed, the same object wherever the list put it.
struct MergeOutcome {
    bool damaged = false; // the other side's bytes do not parse as a whole box file: nothing merged
    std::vector<MemoSerial> added;   // memos added to `mine`
    std::vector<MemoSerial> removed; // memos removed from `mine` (and freed)
    bool Changed() const { return !added.empty() || !removed.empty(); }
    bool Removed(MemoSerial serial) const;
};

// Three-way merge of box files at record level. `base` holds the bytes last read or written,
// `disk` the bytes on disk now, `mine` the in-memory list with changes of its own since `base`.
// A memo is its whole record (text, MemoDate, SavedAt, SortKey) as the box file would hold it,
// so a record read with foreign line ends matches its rewritten form. Records are counted as a
// multiset; for each record with counts b (base), d (disk) and m (mine) the result holds
// b + (m - b) + (d - b) copies, except that when both sides changed the count in the same
// direction only the larger change counts (both sides adding or removing the same record do
// not double it); never fewer than 0. A changed memo is its old record removed and its new one
// added, so both sides changing one memo keep both new versions.
// A damaged `disk` leaves `mine` untouched: one that the reader finds damaged (cut short, a bad
// length), an empty one (0 bytes; also what a caller passes for a missing file) and one with a
// count of 0 or less followed by more bytes, which the program never writes. Bytes after the
// last record are ignored, as the reader ignores them. `base` is used as far as it reads whole:
// those are the records the list was loaded from, so memos deleted since do not come back. Memos of
// `mine` that stay are the same objects; new ones are appended, then the list is sorted into the
// memo order. A list that gains and loses nothing is left exactly as it was.
MergeOutcome MergeBox(std::string_view base, std::string_view disk, TMemoList& mine);

// A sync tool's conflict copy of a box file: its common ancestor is unknown, so nothing is
// removed; the records of `copy` that `mine` holds fewer times are added (multiset), and the
// list is sorted into the memo order when it changed. A damaged copy adds nothing.
MergeOutcome MergeConflictCopy(std::string_view copy, TMemoList& mine);

// How many records of box-file bytes `file` are `memo`'s record, as far as the bytes read whole.
std::size_t RecordCount(std::string_view file, const TMemoData& memo);
