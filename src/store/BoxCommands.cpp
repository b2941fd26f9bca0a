#include "store/BoxCommands.h"

#include "platform/CP932.h"
#include "platform/DateTime.h"
#include "platform/Exception.h"
#include "platform/Files.h"
#include "platform/LineSplit.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"

#include <QFile>
#include <QFileInfo>
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

// Removes `memo` from `list` wherever sorting put it.
std::unique_ptr<TMemoData> TakeOut(TMemoList& list, const TMemoData* memo) {
    const auto at = std::find_if(list.begin(), list.end(),
                                 [memo](const auto& entry) { return entry.get() == memo; });
    std::unique_ptr<TMemoData> owned = std::move(*at);
    list.erase(at);
    return owned;
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
// without being in the log. When the box file then cannot be written the memo is not deleted,
// and the log gets its previous bytes back so that it names no memo that still exists. Should
// that restore fail too, the entry stays: a spare copy of a memo, never a lost one.
void DeleteMemo(TMemoList& list, std::size_t index, const QString& boxFile,
                std::string_view boxLabel, TDateTime deletedAt) {
    const std::optional<QByteArray> oldLog = ReadDeleteLog();
    if (oldLog)
        AppendEntry(*oldLog, *list.at(index), boxLabel, deletedAt);
    std::unique_ptr<TMemoData> memo = TakeOut(list, index);
    try {
        BoxFiles().Store(boxFile, list);
    } catch (...) {
        // The old box file, which still holds the memo, was kept: so does the list.
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
//    memo goes back to the source list with its old SavedAt and the target box is written
//    again without it, so both files are as before the move. Should that write fail as well,
//    the lists keep the moved state, which the target file holds; the stale copy in the source
//    file goes away with the source box's next write. A memo is never lost this way; at worst
//    it is in two files until then.
void MoveMemo(TMemoList& source, std::size_t index, const QString& sourceFile, TMemoList& target,
              const QString& targetFile, TDateTime now) {
    if (&source == &target || index >= source.size())
        return;
    target.reserve(target.size() + 1);
    std::unique_ptr<TMemoData> taken = TakeOut(source, index);
    TMemoData* const memo = taken.get();
    const TDateTime oldSavedAt = memo->SavedAt;
    memo->SavedAt = now;
    target.push_back(std::move(taken));
    SortMemos(target);

    try {
        BoxFiles().Store(targetFile, target);
    } catch (...) {
        std::unique_ptr<TMemoData> back = TakeOut(target, memo);
        back->SavedAt = oldSavedAt;
        PutBack(source, index, std::move(back));
        throw;
    }

    SortMemos(source);
    try {
        BoxFiles().Store(sourceFile, source);
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        std::unique_ptr<TMemoData> back = TakeOut(target, memo);
        back->SavedAt = oldSavedAt;
        PutBack(source, index, std::move(back));
        try {
            BoxFiles().Store(targetFile, target);
        } catch (...) {
            back = TakeOut(source, memo);
            back->SavedAt = now;
            target.push_back(std::move(back));
            SortMemos(target);
        }
        std::rethrow_exception(failure);
    }
}
