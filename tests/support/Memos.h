#pragma once

#include "store/MemoData.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A memo record with the given lines (CP932 bytes), dates and sort key.
inline std::unique_ptr<TMemoData> Memo(std::vector<std::string> lines, TDateTime memoDate,
                                       TDateTime savedAt = 1.0, std::int32_t sortKey = 0) {
    auto memo = std::make_unique<TMemoData>();
    memo->Lines = std::move(lines);
    memo->MemoDate = memoDate;
    memo->SavedAt = savedAt;
    memo->SortKey = sortKey;
    return memo;
}

// The first lines (titles) of a list's memos, in list order; an empty memo gives "".
using Titles = std::vector<std::string>;
inline Titles TitlesOf(const TMemoList& list) {
    Titles titles;
    for (const auto& memo : list)
        titles.push_back(memo->Lines.empty() ? std::string() : memo->Lines[0]);
    return titles;
}
