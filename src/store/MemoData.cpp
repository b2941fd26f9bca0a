#include "store/MemoData.h"

#include "platform/Platform.h"
#include "store/FileAccess.h"

#include <algorithm>

TMemoData::TMemoData() {
    MemoDate = platform::Current().Now();
    SavedAt = platform::Current().Now();
}

TMemoData::TMemoData(const TMemoData& other)
    : Lines(other.Lines), MemoDate(other.MemoDate), SavedAt(other.SavedAt), SortKey(other.SortKey) {
}

TMemoData& TMemoData::operator=(const TMemoData& other) {
    Lines = other.Lines;
    MemoDate = other.MemoDate;
    SavedAt = other.SavedAt;
    SortKey = other.SortKey;
    return *this;
}

MemoSerial TMemoData::NextSerial() {
    static MemoSerial last = 0;
    return ++last;
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

std::ptrdiff_t IndexOfMemo(const TMemoList& list, MemoSerial serial) {
    if (serial == 0)
        return -1;
    const auto at = std::find_if(list.begin(), list.end(),
                                 [serial](const auto& memo) { return memo->Serial() == serial; });
    return at == list.end() ? -1 : at - list.begin();
}
