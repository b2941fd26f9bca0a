#pragma once

#include "store/MemoData.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Finding memos by a piece of their text. Matching ignores letter case and the difference
// between full-width and half-width Latin letters, digits and katakana, and tells hiragana from
// katakana. Memo text stays CP932 bytes: both sides are folded into one form (ASCII lower-case
// letters and digits, full-width katakana), and a match must begin on a whole character, so a
// query never matches the second half of a double-byte character (0x5C, the backslash, is the
// second byte of many kanji).
namespace search {

// The folded form of CP932 bytes. When rawOffsets is given it receives, for every folded byte,
// the offset of the raw character it comes from, and one more entry: raw.size().
std::string Fold(std::string_view raw, std::vector<std::uint32_t>* rawOffsets = nullptr);

// The folded form of what the user typed; nothing when the text is empty, holds a line break or
// a character that CP932 cannot hold (no memo line can contain it).
std::optional<std::string> FoldQuery(const QString& text);

// True when `at` begins a character of the CP932 bytes `text` (which starts on one).
bool StartsCharacter(std::string_view text, std::size_t at);

// Where the folded query first occurs on whole characters in one raw line: the raw byte range,
// or nothing.
struct Range {
    std::size_t begin = 0;
    std::size_t end = 0;
};
std::optional<Range> FindInLine(std::string_view rawLine, std::string_view foldedQuery);

// True when a memo still has the date and the text (lines joined by '\n') that were seen of
// it.
bool SameMemo(const TMemoData& memo, TDateTime memoDate, std::string_view joinedText);

// A copy of every memo of the six boxes, folded once, searched at every keystroke. It holds
// the memos' text and dates, and each memo's serial to find the memo again in its box (which
// may have changed meanwhile).
class MemoIndex {
public:
    struct Entry {
        int box = 0;
        MemoSerial memo = 0;
        TDateTime memoDate = 0;
        std::uint32_t rawBegin = 0, rawEnd = 0;   // lines joined by '\n' in Raw()
        std::uint32_t foldBegin = 0, foldEnd = 0; // the same in the folded text
    };

    // Box 1 to 6 in order (index 0 unused), each list in its order.
    void Build(const std::array<TMemoList, 7>& lists);
    void Clear();

    // The entries whose memo contains the folded query, in memo order within box order.
    std::vector<std::uint32_t> Find(std::string_view foldedQuery) const;

    const std::vector<Entry>& Entries() const { return entries_; }
    // A memo's lines joined by '\n', as the memo held them when the index was built.
    std::string_view Text(const Entry& entry) const;

private:
    std::vector<Entry> entries_;
    std::string raw_;
    std::string folded_;
};

} // namespace search
