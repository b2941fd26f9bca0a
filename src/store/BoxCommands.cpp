#include "store/BoxCommands.h"

#include "platform/Files.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"
#include "util/CP932.h"
#include "util/DateTime.h"
#include "util/Exception.h"
#include "util/LineSplit.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

namespace {

// Takes the memo at `index` out of `list`; the list keeps its capacity, so putting it back at
// the same place cannot fail.
std::unique_ptr<TMemoData> TakeOut(TMemoList& list, std::size_t index) {
    std::unique_ptr<TMemoData> memo = std::move(list[index]);
    list.erase(list.begin() + std::ptrdiff_t(index));
    return memo;
}

void PutBack(TMemoList& list, std::size_t index, std::unique_ptr<TMemoData> memo) {
    list.insert(list.begin() + std::ptrdiff_t(std::min(index, list.size())), std::move(memo));
}

// Removes memo `serial` from `list` wherever sorting put it.
std::unique_ptr<TMemoData> TakeOutMemo(TMemoList& list, MemoSerial serial) {
    const std::ptrdiff_t at = IndexOfMemo(list, serial);
    if (at < 0)
        return nullptr;
    return TakeOut(list, std::size_t(at));
}

// Whether box file `file`, as the program last read or wrote it, holds `memo`'s record more
// times than `list` does. A record taken out of a list for a write that then failed goes back
// only then: the merge before the write may have taken in that another writer deleted or
// replaced it, and putting it back would bring it back to life at the box's next write.
bool FileHoldsMore(const QString& file, const TMemoData& memo, const TMemoList& list) {
    std::string key;
    memo.SaveToStream(key);
    std::size_t inList = 0;
    std::string other;
    for (const auto& entry : list) {
        other.clear();
        entry->SaveToStream(other);
        inList += other == key;
    }
    return RecordCount(BoxFiles().KnownBytes(file), memo) > inList;
}

// Puts `memo` into the sorted `list` at its place in the memo order.
void InsertSorted(TMemoList& list, std::unique_ptr<TMemoData> memo) {
    const auto at = std::find_if(list.begin(), list.end(), [&](const auto& other) {
        return CompareMemos(*memo, *other) < 0;
    });
    list.insert(at, std::move(memo));
}

std::string RecordBytes(const TMemoData& memo) {
    std::string bytes;
    memo.SaveToStream(bytes);
    return bytes;
}

// Takes out of `list` one memo for each of `records` (whole records, as a box file holds them)
// and returns them. Records are compared rather than serials: the merge before a later write
// may have taken in an equal record from the disk in place of the one added.
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

bool DeleteLogExists() {
    return QFileInfo(kDeleteLogFileName).isFile();
}

std::string BoxLabel(std::string_view boxName, int box) {
    return std::string(boxName) + "(Box" + std::to_string(box) + ")";
}

std::vector<std::string> DeleteLogEntry(const TMemoData& memo, std::string_view boxLabel,
                                        TDateTime deletedAt) {
    std::vector<std::string> entry;
    entry.reserve(4 + memo.Lines.size());
    entry.emplace_back(30, '=');
    entry.push_back(
        cp932::Encode(QStringLiteral("削除日付：") + datetime::FormatDateTime(deletedAt)));
    entry.push_back(cp932::Encode(QStringLiteral("フォルダ：")) + std::string(boxLabel));
    entry.push_back(cp932::Encode(QStringLiteral("テキスト：")));
    entry.insert(entry.end(), memo.Lines.begin(), memo.Lines.end());
    return entry;
}

namespace {

// The delete log's bytes, or nullopt when there is no log.
std::optional<QByteArray> ReadDeleteLog() {
    if (!DeleteLogExists())
        return std::nullopt;
    QFile file(kDeleteLogFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(kDeleteLogFileName);
    return file.readAll();
}

void AppendEntry(const QByteArray& old, const TMemoData& memo, std::string_view boxLabel,
                 TDateTime deletedAt) {
    // NUL bytes (a log saved as UTF-16, say) stay in their lines: nothing after them is lost.
    std::vector<std::string> lines =
        text::SplitLinesKeepingNul(std::string_view(old.constData(), std::size_t(old.size())));
    const std::vector<std::string> entry = DeleteLogEntry(memo, boxLabel, deletedAt);
    lines.insert(lines.end(), entry.begin(), entry.end());
    platform::SaveFile(kDeleteLogFileName, text::JoinLines(lines));
}

} // namespace

bool AppendToDeleteLog(const TMemoData& memo, std::string_view boxLabel, TDateTime deletedAt) {
    const std::optional<QByteArray> old = ReadDeleteLog();
    if (!old)
        return false;
    AppendEntry(*old, memo, boxLabel, deletedAt);
    return true;
}

// The entry is logged before the box file is written, so that a memo never leaves its box file
// without being in the log. When the box file then cannot be written the memo is not deleted
// (unless the file no longer holds it: another writer deleted it), and the log gets its previous
// bytes back so that it names no memo that still exists. Should that restore fail too, the entry
// stays: a spare copy of a memo, never a lost one.
void DeleteMemo(TMemoList& list, std::size_t index, const QString& boxFile,
                std::string_view boxLabel, TDateTime deletedAt) {
    const std::optional<QByteArray> oldLog = ReadDeleteLog();
    if (oldLog)
        AppendEntry(*oldLog, *list.at(index), boxLabel, deletedAt);
    std::unique_ptr<TMemoData> memo = TakeOut(list, index);
    try {
        BoxFiles().Store(boxFile, list);
    } catch (...) {
        // The old box file was kept: so is the memo, unless the merge before the write took in
        // that another writer deleted it.
        if (FileHoldsMore(boxFile, *memo, list))
            PutBack(list, index, std::move(memo));
        if (oldLog) {
            try {
                platform::SaveFile(kDeleteLogFileName,
                                   std::string(oldLog->constData(), std::size_t(oldLog->size())));
            } catch (const Exception&) {
            }
        }
        throw;
    }
}

// The memo leaves the source list at once and is held here until one of the lists owns it
// again, so it is never in both lists nor in neither.
//
// 1. The target list gets the memo (new SavedAt), is sorted and written. If that write fails,
//    the target file was not replaced: the memo goes back to the source list with its old
//    SavedAt, which is what both files still hold.
// 2. The source list (now without the memo) is written. If that write fails, the target file
//    already holds the memo while the old source file holds it too. The move is undone: the
//    memo goes back to the source list with its old SavedAt (unless another writer deleted it
//    from the source box meanwhile, which the failed write's merge took in: then it is dropped,
//    as it would have been without the move) and the target box is written again without it,
//    so both files are as before the move. Should that write fail as well, the lists keep the
//    moved state, which the target file holds; the stale copy in the source file goes away with
//    the source box's next write. A memo is never lost this way; at worst it is in two files
//    until then.
void MoveMemo(TMemoList& source, std::size_t index, const QString& sourceFile, TMemoList& target,
              const QString& targetFile, TDateTime now) {
    if (&source == &target || index >= source.size())
        return;
    target.reserve(target.size() + 1);
    std::unique_ptr<TMemoData> taken = TakeOut(source, index);
    const MemoSerial memo = taken->Serial();
    const TDateTime oldSavedAt = taken->SavedAt;
    taken->SavedAt = now;
    target.push_back(std::move(taken));
    SortMemos(target);

    // The moved record is new to the target file, so a merge there keeps it; it is still looked
    // for by its serial, never by an address that the merge may have freed and reused.
    try {
        BoxFiles().Store(targetFile, target);
    } catch (...) {
        if (std::unique_ptr<TMemoData> back = TakeOutMemo(target, memo)) {
            back->SavedAt = oldSavedAt;
            PutBack(source, index, std::move(back));
        }
        throw;
    }

    SortMemos(source);
    try {
        BoxFiles().Store(sourceFile, source);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        std::unique_ptr<TMemoData> back = TakeOutMemo(target, memo);
        if (back) {
            back->SavedAt = oldSavedAt;
            if (FileHoldsMore(sourceFile, *back, source))
                PutBack(source, index, std::move(back));
        }
        try {
            BoxFiles().Store(targetFile, target);
        } catch (...) {
            if (!back)
                back = TakeOutMemo(source, memo);
            if (back) {
                back->SavedAt = now;
                target.push_back(std::move(back));
                SortMemos(target);
            }
        }
        std::rethrow_exception(failure);
    }
}

void AddMemos(TMemoList& list, const QString& boxFile, TMemoList memos) {
    std::vector<MemoSerial> added;
    added.reserve(memos.size());
    list.reserve(list.size() + memos.size());
    for (auto& memo : memos) {
        added.push_back(memo->Serial());
        list.push_back(std::move(memo));
    }
    SortMemos(list);
    try {
        BoxFiles().Store(boxFile, list);
    } catch (...) {
        std::erase_if(list, [&](const auto& memo) {
            return std::find(added.begin(), added.end(), memo->Serial()) != added.end();
        });
        throw;
    }
}

void AddToBoxes(const std::array<TMemoList*, 7>& lists, std::array<TMemoList, 7>& additions) {
    std::array<std::vector<std::string>, 7> added;
    std::vector<int> stored;
    for (int n = 1; n <= 6; ++n) {
        TMemoList& more = additions[std::size_t(n)];
        if (more.empty())
            continue;
        for (const auto& memo : more)
            added[std::size_t(n)].push_back(RecordBytes(*memo));
        try {
            // On failure this box's list is what its file holds again.
            AddMemos(*lists[std::size_t(n)], BoxFileName(n), std::move(more));
            more.clear();
        } catch (...) {
            const std::exception_ptr failure = std::current_exception();
            for (int m = n; m <= 6; ++m)
                additions[std::size_t(m)].clear();
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

// The memo's records leave their boxes and the new one enters the target box; then the target
// box is written first and every box that gave up a record after it (the box of the edited memo,
// written again when it is the target). Until the last write the memo is in two files at worst,
// never in none, as the target file gains it before any other file loses it.
//
// When a write fails each list is made to say what its file holds. The target file is first put
// back as it was (a record of the memo is still in the file that failed, so nothing is lost);
// the files written before the failure have lost their records, the failed and later ones keep
// them. The records that the lists then hold are remembered, and the next attempt removes them
// all and stores the memo once. So a failed store leaves the memo as before, or, when the target
// cannot be put back either, as copies that the box menus show and the next attempt clears.
//
// Every write first merges what others changed in its file, which may free records and make new
// ones: records are known by their serials throughout.
void StoreEdit(TBoxLists& lists, int target, std::unique_ptr<TMemoData> memo,
               std::vector<MemoSerial>& copies, std::vector<int>& touched) {
    struct Taken {
        int box;
        std::size_t index;
        std::unique_ptr<TMemoData> memo;
        // For the target box's copies: whether its file held them just before it was written.
        std::optional<bool> held;
    };
    std::vector<Taken> taken;
    const auto isCopy = [&copies](const TMemoData& m) {
        return std::find(copies.begin(), copies.end(), m.Serial()) != copies.end();
    };
    // Takes the copies out of box n's list; from the end, so that putting them back in reverse
    // order restores every index.
    const auto takeFrom = [&](int n) {
        TMemoList& list = lists[std::size_t(n)];
        for (std::size_t i = list.size(); i-- > 0;) {
            if (isCopy(*list[i])) {
                taken.push_back({n, i, std::move(list[i]), std::nullopt});
                list.erase(list.begin() + std::ptrdiff_t(i));
            }
        }
    };
    // Puts back the copies that box n's file (as it was before this store wrote it) holds; the
    // others were deleted or replaced elsewhere, and go.
    const auto putBack = [&](int n) {
        TMemoList& list = lists[std::size_t(n)];
        for (auto it = taken.rbegin(); it != taken.rend(); ++it) {
            if (it->box != n || !it->memo)
                continue;
            if (it->held.value_or(FileHoldsMore(BoxFileName(n), *it->memo, list)))
                PutBack(list, it->index, std::move(it->memo));
            else
                it->memo.reset();
        }
        std::erase_if(taken, [](const Taken& t) { return !t.memo; });
    };
    TMemoList& targetList = lists[std::size_t(target)];
    const MemoSerial stored = memo->Serial();
    // The new record goes in while `memo` holds it, and comes out while the list holds it (a
    // merge that took in another writer's removal of the same record may have taken it).
    const auto insertNew = [&] {
        if (memo)
            InsertSorted(targetList, std::move(memo));
    };
    const auto removeNew = [&] {
        if (!memo)
            memo = TakeOutMemo(targetList, stored);
    };

    for (int n = 1; n <= 6; ++n)
        takeFrom(n);
    std::vector<int> order{target};
    for (const Taken& t : taken)
        if (std::find(order.begin() + 1, order.end(), t.box) == order.end())
            order.push_back(t.box);
    std::sort(order.begin() + 1, order.end());
    touched = order;
    insertNew();

    std::vector<bool> holdsNew(7, false);
    std::exception_ptr failure;
    for (const int n : order) {
        try {
            if (n == target && !holdsNew[std::size_t(n)]) {
                // What the target file holds of the copies is known only until it is written.
                BoxFiles().Refresh(BoxFileName(n), targetList);
                for (Taken& t : taken)
                    if (t.box == target)
                        t.held = FileHoldsMore(BoxFileName(n), *t.memo, targetList);
            }
            BoxFiles().Store(BoxFileName(n), lists[std::size_t(n)]);
            holdsNew[std::size_t(n)] = true;
        } catch (...) {
            failure = std::current_exception();
            break;
        }
    }
    if (!failure)
        return;
    // The target as it was: without the new record, with its own copies back.
    if (holdsNew[std::size_t(target)]) {
        removeNew();
        putBack(target);
        try {
            BoxFiles().Store(BoxFileName(target), targetList);
            holdsNew[std::size_t(target)] = false;
        } catch (...) {
            takeFrom(target);
            insertNew();
        }
    }
    if (!holdsNew[std::size_t(target)])
        removeNew();
    for (int n = 1; n <= 6; ++n)
        if (!holdsNew[std::size_t(n)])
            putBack(n);
    std::vector<MemoSerial> remaining;
    for (const auto& list : lists)
        for (const auto& m : list)
            if (m->Serial() == stored || isCopy(*m))
                remaining.push_back(m->Serial());
    copies = std::move(remaining);
    std::rethrow_exception(failure);
}
