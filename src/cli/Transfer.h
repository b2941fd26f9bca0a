#pragma once

#include "store/MemoData.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <string>
#include <vector>

// Memos in and out of the program as text: a memo from text given on the command line, the
// export files (UTF-8, one per box) and what --import reads back. No widgets, no clock: the
// callers pass the moments.
//
// An export file starts with the line "# Tabuko: <box number> <box name>"; each memo follows as
// a header line "=== yyyy.mm.dd(ddd) hh:nn:ss.zzz (<n>行) ===" with its memo date, its n lines
// as they are, and one empty line. The line count keeps any memo text, even one that looks like
// a header, apart from the next memo.
namespace cli {

// The lines of a memo written as `text`: split at CR LF, CR or LF, without the empty line after
// a final line break (as the editor stores it), folded to the characters that CP932 holds and
// encoded. A character that CP932 cannot hold (or a NUL, which ends a box file's text) raises
// an Exception naming it; `where` goes in front of the message (for example the file's name).
std::vector<std::string> MemoLines(const QString& text, const QString& where = {});
// A new memo of those lines, dated `now` (memo date and stored moment), sort key 0.
std::unique_ptr<TMemoData> NewMemo(const QString& text, TDateTime now);

// "3-買い物.txt": the box number and name, with characters that file names cannot hold replaced.
QString ExportFileName(int box, const QString& boxName);
// The export file of one box: its memos in list order (the memo order, newest first).
QByteArray ExportText(int box, const QString& boxName, const TMemoList& list);
// Writes the export files of the boxes whose list is given (index = box number) into `folder`,
// creating it as needed. Raises the usual file errors.
void ExportBoxes(const QString& folder, const std::array<const TMemoList*, 7>& lists,
                 const std::array<QString, 7>& boxNames);

// "2026.12.09(水) 10:15:30.123" and back; the date-time value goes through its date and time of
// day only, so the round trip is exact to the millisecond whatever the time zone.
QString ExportDate(TDateTime value);
bool ParseExportDate(const QString& text, TDateTime& value);

// The memos of one file given to --import: the memos of an export file (`box` is the box it
// was exported from), or one memo of a plain text file (`box` 0), its lines as the file holds
// them, dated `fileDate`. The text is UTF-8 (with or without byte-order mark) or, when it is
// not valid UTF-8, Shift-JIS. Every memo's stored moment is `now`. A file that cannot be read
// as such, an empty file, or a character that CP932 cannot hold raises an Exception naming the
// file and nothing of it is taken.
struct ImportedFile {
    int box = 0;
    TMemoList memos;
};
ImportedFile ParseImportFile(const QString& fileName, const QByteArray& bytes, TDateTime fileDate,
                             TDateTime now);
// Reads the file and parses it; a plain text file's memo is dated by its last change.
ImportedFile ReadImportFile(const QString& fileName, TDateTime now);

// Takes out of `incoming` the memos that `box` holds already, and all but the first of those
// given more than once: the same lines and the same memo date to the millisecond, as an export
// file carries them. The stored moment is not compared, since an import gives every memo the
// moment of the import, nor the sort key, which only orders memos of equal dates; so importing a
// file again adds nothing. Returns how many were taken out.
std::size_t DropPresent(TMemoList& incoming, const TMemoList& box);

// Where the memos of --import go, per box (index = box number): all into `box` when it is not
// 0, else an export file's memos into the box it came from and plain text files into box 1.
std::array<TMemoList, 7> ImportTargets(std::vector<ImportedFile> files, int box);

} // namespace cli
