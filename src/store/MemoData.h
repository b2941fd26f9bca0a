#pragma once

#include "util/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A memo's identity for the run: a number that no other memo object of the process has had or
// will have, unlike its address, which a memo made after it was freed may take. 0 is no memo.
// It is not part of the box file.
using MemoSerial = std::uint64_t;

// One memo: its lines (CP932 bytes, no line ends; the first line is its title), the moment the
// editor was opened for it, the moment it was last stored or moved, and a sort key.
class TMemoData {
public:
    // Empty lines, both dates the current local date and time, sort key 0.
    TMemoData();
    // A record about to be filled from a box file: the clock is not read for dates that the
    // file supplies at once (reading it twice per memo dominated loading a large box).
    struct FromFile {};
    explicit TMemoData(FromFile) {}

    // A copy is another memo: it gets a serial of its own. Assignment keeps the serial.
    TMemoData(const TMemoData& other);
    TMemoData& operator=(const TMemoData& other);

    MemoSerial Serial() const { return serial_; }

    std::vector<std::string> Lines;
    TDateTime MemoDate = 0;
    TDateTime SavedAt = 0;
    std::int32_t SortKey = 0;

    // The record as the box file holds it: text length, text, MemoDate, SavedAt, SortKey.
    void SaveToStream(std::string& out) const;
    // Reads one record at `pos` of `bytes` and advances `pos`. Raises "ストリームからの読み込み
    // エラー" when the text block runs past the end; a record cut short in its fixed fields
    // raises the same error instead of reading past the end.
    void LoadFromStream(std::string_view bytes, std::size_t& pos);

private:
    // Taken from a process-wide counter at construction. Memos are made and used on the main
    // thread only (the store has no threads), so the counter is a plain one.
    static MemoSerial NextSerial();
    MemoSerial serial_ = NextSerial();
};

// A box's memos. The list owns them.
using TMemoList = std::vector<std::unique_ptr<TMemoData>>;

// The memo order: -1 when a comes first (greater MemoDate, then greater SavedAt, then greater
// SortKey), 1 when b does, 0 when all three are equal.
int CompareMemos(const TMemoData& a, const TMemoData& b);

// Sorts a box's list into the memo order.
void SortMemos(TMemoList& list);

// The position of the memo `serial` in `list`, or -1 when the list does not hold it.
std::ptrdiff_t IndexOfMemo(const TMemoList& list, MemoSerial serial);
