#include "store/MemoData.h"

#include "platform/Platform.h"
#include "store/FileAccess.h"

#include <algorithm>

TMemoData::TMemoData() {
    MemoDate = platform::Current().Now();
    SavedAt = platform::Current().Now();
}

void TMemoData::SaveToStream(std::string& out) const {
    FileAccess::WriteStrings(out, Lines);
    FileAccess::WriteDateTime(out, MemoDate);
    FileAccess::WriteDateTime(out, SavedAt);
    FileAccess::WriteInt32(out, SortKey);
}

void TMemoData::LoadFromStream(std::string_view bytes, std::size_t& pos) {
    FileAccess::ReadStrings(bytes, pos, Lines);
    MemoDate = FileAccess::ReadDateTime(bytes, pos);
    SavedAt = FileAccess::ReadDateTime(bytes, pos);
    SortKey = FileAccess::ReadInt32(bytes, pos);
}

int CompareMemos(const TMemoData& a, const TMemoData& b) {
    if (a.MemoDate != b.MemoDate)
        return a.MemoDate > b.MemoDate ? -1 : 1;
    if (a.SavedAt != b.SavedAt)
        return a.SavedAt > b.SavedAt ? -1 : 1;
    if (a.SortKey != b.SortKey)
        return a.SortKey > b.SortKey ? -1 : 1;
    return 0;
}

void SortMemos(TMemoList& list) {
    std::sort(list.begin(), list.end(),
              [](const auto& a, const auto& b) { return CompareMemos(*a, *b) < 0; });
}
