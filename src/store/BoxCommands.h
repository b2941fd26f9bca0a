#pragma once

#include "store/MemoData.h"

#include <QString>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The commands that change boxes (add, edit, delete, move, restore) and the delete log, on the
// in-memory lists and the box files only; the window rebuilds its menus and indicators
// afterwards.

// The six boxes' lists, indexed by box number (index 0 unused).
using TBoxLists = std::array<TMemoList, 7>;

// The delete log, in the current directory. It is only ever appended to while it exists; the
// program never creates it.
inline const QString kDeleteLogFileName = QStringLiteral("TabukoDelLog.txt");

// True when the delete log file exists.
bool DeleteLogExists();

// A box's label in the delete log: its name, "(Box", its number and ")", e.g. メモ(Box1).
std::string BoxLabel(std::string_view boxName, int box);

// The lines of one delete log entry (CP932): the separator, the date and time of the deletion,
// the box label, "テキスト：" and the memo's lines.
std::vector<std::string> DeleteLogEntry(const TMemoData& memo, std::string_view boxLabel,
                                        TDateTime deletedAt);

// Appends the entry of `memo` to the delete log when the log exists; returns whether it did.
// The log is read whole and rewritten with CR LF after every line; every other byte, NUL
// included, is kept. A log that cannot be read
// raises "ファイル %s は開けません"; one that cannot be rewritten keeps its old content and
// raises the error of the failed write.
bool AppendToDeleteLog(const TMemoData& memo, std::string_view boxLabel, TDateTime deletedAt);

// Deletes memo `index` of `list` for good: logs it, removes it and rewrites the box file.
// When the log or the box file cannot be written the memo stays in the list (the box file was
// not replaced, so list and file still agree), the log keeps (or gets back) its previous bytes,
// and the error is raised.
void DeleteMemo(TMemoList& list, std::size_t index, const QString& boxFile,
                std::string_view boxLabel, TDateTime deletedAt);

// Moves memo `index` of `source` into `target` (restore is the same move out of the trash box):
// the memo's SavedAt becomes `now`, the target box's file is written first, then the source
// box's. Both lists end in memo order. On a failed write the memo is in exactly one list and
// the box files agree with the lists (see the definition for how), and the error is raised.
void MoveMemo(TMemoList& source, std::size_t index, const QString& sourceFile, TMemoList& target,
              const QString& targetFile, TDateTime now);

// Adds `memos` to `list` in memo order and writes the box file. When the write fails they are
// taken out again, so list and file agree, and the error is raised.
void AddMemos(TMemoList& list, const QString& boxFile, TMemoList memos);

// Adds memos to several boxes at once, all or none (index = box number; only the boxes with
// additions are touched): AddMemos for each box in box order. When a box cannot be stored, the
// boxes stored before it are stored again without the added memos, so that every list and file
// is as it was, and the error is raised. Should one of those stores fail as well, that box keeps
// the added memos in its list and its file alike (a memo is never half there), and the raised
// message names the box file. `additions` is left empty either way.
void AddToBoxes(const std::array<TMemoList*, 7>& lists, std::array<TMemoList, 7>& additions);

// Stores an edit: the records `copies` (the memo being edited, by serial, in whatever box they
// are) leave their boxes and `memo` enters box `target`, and the box files are written. Records
// that another writer removed meanwhile are simply not there: the edit is then a new memo beside
// whatever that writer stored. `touched` receives the boxes whose lists may have changed, also
// when the store fails. On a failed write the lists say what the files hold (see the
// definition), `copies` becomes the records of the memo that the boxes then hold (the next
// attempt replaces them all) and the error is raised.
void StoreEdit(TBoxLists& lists, int target, std::unique_ptr<TMemoData> memo,
               std::vector<MemoSerial>& copies, std::vector<int>& touched);
