#include "search/MemoSearch.h"

#include "util/CP932.h"

#include <cstring>

namespace search {
namespace {

// Half-width katakana are the single bytes 0xA1 to 0xDF; each folds to its full-width form, and
// one followed by a voiced or semi-voiced sound mark folds with it to the one full-width
// character (ｶﾞ to ガ), as a user who types the full-width form writes it.
constexpr unsigned char kFirstHalfKana = 0xA1;
constexpr unsigned char kLastHalfKana = 0xDF;
constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;
constexpr std::size_t kHalfKanaCount = kLastHalfKana - kFirstHalfKana + 1;

using Pair = std::array<char, 2>; // a CP932 double-byte character; {0, 0} for none

struct KanaTable {
    std::array<Pair, kHalfKanaCount> plain{};
    std::array<Pair, kHalfKanaCount> voiced{};
    std::array<Pair, kHalfKanaCount> semiVoiced{};
};

std::optional<Pair> FullWidth(const QString& halfWidth) {
    const QString full = halfWidth.normalized(QString::NormalizationForm_KC);
    if (full.size() != 1 || cp932::FirstUnencodable(full))
        return std::nullopt;
    const std::string bytes = cp932::Encode(full);
    if (bytes.size() != 2)
        return std::nullopt;
    return Pair{bytes[0], bytes[1]};
}

// Made once from the compatibility decompositions of the characters, so the table needs no
// hand-written codes.
const KanaTable& Kana() {
    static const KanaTable table = [] {
        KanaTable t;
        for (std::size_t i = 0; i < kHalfKanaCount; ++i) {
            const QString kana = cp932::Decode(std::string(1, char(kFirstHalfKana + i)));
            t.plain[i] = FullWidth(kana).value_or(Pair{});
            t.voiced[i] = FullWidth(kana + cp932::Decode("\xDE")).value_or(Pair{});
            t.semiVoiced[i] = FullWidth(kana + cp932::Decode("\xDF")).value_or(Pair{});
        }
        // The sound marks alone decompose to combining marks that CP932 lacks: they fold to
        // the spacing marks ゛ and ゜.
        t.plain[kVoicedMark - kFirstHalfKana] = Pair{'\x81', '\x4A'};
        t.plain[kSemiVoicedMark - kFirstHalfKana] = Pair{'\x81', '\x4B'};
        return t;
    }();
    return table;
}

bool IsLeadRange(unsigned char b) {
    return cp932::IsLeadByte(b);
}

} // namespace

std::string Fold(std::string_view raw, std::vector<std::uint32_t>* rawOffsets) {
    const KanaTable& kana = Kana();
    std::string out;
    out.reserve(raw.size() + raw.size() / 8);
    if (rawOffsets) {
        rawOffsets->clear();
        rawOffsets->reserve(raw.size() + raw.size() / 8 + 1);
    }
    auto put = [&](char c, std::size_t from) {
        out.push_back(c);
        if (rawOffsets)
            rawOffsets->push_back(std::uint32_t(from));
    };
    const std::size_t n = raw.size();
    std::size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(raw[i]);
        if (c < 0x80) {
            put(c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : char(c), i);
            ++i;
        } else if (c >= kFirstHalfKana && c <= kLastHalfKana) {
            const std::size_t k = c - kFirstHalfKana;
            const Pair* full = &kana.plain[k];
            std::size_t used = 1;
            if (i + 1 < n) {
                const auto mark = static_cast<unsigned char>(raw[i + 1]);
                const Pair* marked = mark == kVoicedMark       ? &kana.voiced[k]
                                     : mark == kSemiVoicedMark ? &kana.semiVoiced[k]
                                                               : nullptr;
                if (marked && (*marked)[0] != 0) {
                    full = marked;
                    used = 2;
                }
            }
            put((*full)[0], i);
            put((*full)[1], i);
            i += used;
        } else if (IsLeadRange(c) && i + 1 < n) {
            const auto trail = static_cast<unsigned char>(raw[i + 1]);
            const unsigned code = (unsigned(c) << 8) | trail;
            if (code >= 0x8260 && code <= 0x8279) // Ａ-Ｚ
                put(char('a' + (code - 0x8260)), i);
            else if (code >= 0x8281 && code <= 0x829A) // ａ-ｚ
                put(char('a' + (code - 0x8281)), i);
            else if (code >= 0x824F && code <= 0x8258) // ０-９
                put(char('0' + (code - 0x824F)), i);
            else {
                put(char(c), i);
                put(char(trail), i);
            }
            i += 2;
        } else {
            put(char(c), i);
            ++i;
        }
    }
    if (rawOffsets)
        rawOffsets->push_back(std::uint32_t(n));
    return out;
}

std::optional<std::string> FoldQuery(const QString& text) {
    const QString typed = cp932::FoldLookAlikes(text);
    // Memo lines hold no line breaks: a query of several lines is in no line of a memo.
    if (typed.isEmpty() || typed.contains(QLatin1Char('\n')) || typed.contains(QLatin1Char('\r')) ||
        cp932::FirstUnencodable(typed))
        return std::nullopt;
    return Fold(cp932::Encode(typed));
}

// A byte outside the lead-byte range always ends a character; after it, bytes in that range
// pair up from the left. So `at` begins a character exactly when an even number of lead-range
// bytes stand between it and the last byte outside the range.
bool StartsCharacter(std::string_view text, std::size_t at) {
    std::size_t run = 0;
    while (run < at && IsLeadRange(static_cast<unsigned char>(text[at - run - 1])))
        ++run;
    return run % 2 == 0;
}

std::optional<Range> FindInLine(std::string_view rawLine, std::string_view foldedQuery) {
    if (foldedQuery.empty())
        return std::nullopt;
    std::vector<std::uint32_t> offsets;
    const std::string folded = Fold(rawLine, &offsets);
    for (std::size_t at = folded.find(foldedQuery); at != std::string::npos;
         at = folded.find(foldedQuery, at + 1)) {
        if (StartsCharacter(folded, at))
            return Range{offsets[at], offsets[at + foldedQuery.size()]};
    }
    return std::nullopt;
}

void MemoIndex::Clear() {
    entries_.clear();
    raw_.clear();
    folded_.clear();
}

void MemoIndex::Build(const std::array<TMemoList, 7>& lists) {
    Clear();
    std::size_t memos = 0, bytes = 0;
    for (int box = 1; box <= 6; ++box) {
        memos += lists[std::size_t(box)].size();
        for (const auto& memo : lists[std::size_t(box)])
            for (const auto& line : memo->Lines)
                bytes += line.size() + 1;
    }
    entries_.reserve(memos);
    raw_.reserve(bytes + memos);
    folded_.reserve(bytes + memos + bytes / 8);
    for (int box = 1; box <= 6; ++box) {
        for (const auto& memo : lists[std::size_t(box)]) {
            Entry entry;
            entry.box = box;
            entry.memo = memo->Serial();
            entry.memoDate = memo->MemoDate;
            entry.rawBegin = std::uint32_t(raw_.size());
            entry.foldBegin = std::uint32_t(folded_.size());
            // Lines are folded one by one: a lone lead byte at the end of a line must not take
            // the line end as its second half.
            for (std::size_t i = 0; i < memo->Lines.size(); ++i) {
                if (i > 0) {
                    raw_.push_back('\n');
                    folded_.push_back('\n');
                }
                raw_.append(memo->Lines[i]);
                folded_.append(Fold(memo->Lines[i]));
            }
            entry.rawEnd = std::uint32_t(raw_.size());
            entry.foldEnd = std::uint32_t(folded_.size());
            raw_.push_back('\n');
            folded_.push_back('\n');
            entries_.push_back(entry);
        }
    }
}

std::vector<std::uint32_t> MemoIndex::Find(std::string_view query) const {
    std::vector<std::uint32_t> hits;
    if (query.empty() || entries_.empty())
        return hits;
    const char* const base = folded_.data();
    const std::size_t size = folded_.size();
    std::size_t pos = 0;
    std::size_t e = 0;
    while (pos + query.size() <= size) {
        const void* found = memmem(base + pos, size - pos, query.data(), query.size());
        if (!found)
            break;
        const std::size_t at = std::size_t(static_cast<const char*>(found) - base);
        while (e < entries_.size() && entries_[e].foldEnd < at)
            ++e;
        if (e == entries_.size())
            break;
        const Entry& entry = entries_[e];
        if (at < entry.foldBegin || at + query.size() > entry.foldEnd ||
            !StartsCharacter(std::string_view(base + entry.foldBegin, at - entry.foldBegin),
                             at - entry.foldBegin)) {
            pos = at + 1;
            continue;
        }
        // One row per memo: the rest of this memo is not searched.
        hits.push_back(std::uint32_t(e));
        pos = std::size_t(entry.foldEnd) + 1;
        ++e;
    }
    return hits;
}

std::string_view MemoIndex::Text(const Entry& entry) const {
    return std::string_view(raw_).substr(entry.rawBegin, entry.rawEnd - entry.rawBegin);
}

bool SameMemo(const TMemoData& memo, TDateTime memoDate, std::string_view text) {
    if (memo.MemoDate != memoDate)
        return false;
    for (std::size_t i = 0; i < memo.Lines.size(); ++i) {
        if (i > 0) {
            if (text.empty() || text.front() != '\n')
                return false;
            text.remove_prefix(1);
        }
        const std::string& line = memo.Lines[i];
        if (text.substr(0, line.size()) != line)
            return false;
        text.remove_prefix(line.size());
    }
    return text.empty();
}

} // namespace search
