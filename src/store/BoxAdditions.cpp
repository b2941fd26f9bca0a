#include "store/BoxAdditions.h"

#include "platform/Exception.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"

#include <QStringList>
#include <algorithm>
#include <exception>
#include <string>
#include <vector>

namespace {

std::string RecordBytes(const TMemoData& memo) {
    std::string bytes;
    memo.SaveToStream(bytes);
    return bytes;
}

// Takes out of `list` one memo for each of `records` (whole records, as a box file holds them)
// and returns them. Records are compared rather than addresses: a merge with the file on disk
// may have replaced any memo of the list by an equal one.
TMemoList TakeOutRecords(TMemoList& list, const std::vector<std::string>& records) {
    TMemoList taken;
    for (const std::string& record : records) {
        const auto at = std::find_if(list.begin(), list.end(), [&record](const auto& memo) {
            return RecordBytes(*memo) == record;
        });
        if (at == list.end())
            continue;
        taken.push_back(std::move(*at));
        list.erase(at);
    }
    return taken;
}

} // namespace

void AddToBoxes(const std::array<TMemoList*, 7>& lists, std::array<TMemoList, 7>& additions) {
    std::array<std::vector<std::string>, 7> added;
    std::vector<int> stored;
    for (int n = 1; n <= 6; ++n) {
        TMemoList& more = additions[std::size_t(n)];
        if (more.empty())
            continue;
        TMemoList& list = *lists[std::size_t(n)];
        list.reserve(list.size() + more.size());
        for (auto& memo : more) {
            added[std::size_t(n)].push_back(RecordBytes(*memo));
            list.push_back(std::move(memo));
        }
        more.clear();
        SortMemos(list);
        try {
            BoxFiles().Store(BoxFileName(n), list);
        } catch (...) {
            const std::exception_ptr failure = std::current_exception();
            for (int m = n + 1; m <= 6; ++m)
                additions[std::size_t(m)].clear();
            // This box's file was not replaced: its list is what the file holds again.
            TakeOutRecords(list, added[std::size_t(n)]);
            QStringList kept;
            for (const int m : stored) {
                TMemoList& earlier = *lists[std::size_t(m)];
                TMemoList back = TakeOutRecords(earlier, added[std::size_t(m)]);
                try {
                    BoxFiles().Store(BoxFileName(m), earlier);
                } catch (...) {
                    // The file still holds the added memos, and so does the list again.
                    for (auto& memo : back)
                        earlier.push_back(std::move(memo));
                    SortMemos(earlier);
                    kept << BoxFileName(m);
                }
            }
            if (kept.isEmpty())
                std::rethrow_exception(failure);
            try {
                std::rethrow_exception(failure);
            } catch (const Exception& e) {
                throw Exception(e.Message() + QStringLiteral("\n（%1 は元に戻せず、追加したメモが"
                                                             "残っています）")
                                                  .arg(kept.join(QStringLiteral("、"))));
            }
        }
        stored.push_back(n);
    }
}
