#pragma once

#include "store/MemoData.h"

#include <QString>
#include <string>
#include <string_view>

// Box n lives in the file "n.dat" in the current directory.
QString BoxFileName(int box);

struct BoxFileReadResult {
    // The file did not fit its counts (cut short, 0 to 3 bytes, a bad length, bytes behind a
    // count of 0 or less): the memos read whole were kept, the rest was left out.
    bool damaged = false;
};

// Parses box-file bytes into `list` (appending, in file order).
BoxFileReadResult ParseBoxFile(std::string_view bytes, TMemoList& list);
// The bytes of a box file holding `list` in list order.
std::string BoxFileBytes(const TMemoList& list);

// Reads box n's file into `list`; a missing file leaves it empty. The bytes read are what the
// program knows of the file from then on (BoxSync.h). A file that exists but cannot
// be opened raises "ファイル %s は開けません".
BoxFileReadResult ReadBoxFile(int box, TMemoList& list);
// Replaces the file whole with `list`; a failure leaves the old file as it was and raises
// "ファイル %s を作成できません" or "ストリームへの書き込みエラー". Commands store a box through
// BoxFiles().Store (BoxSync.h), which first takes in what others changed in the file.
void WriteBoxFile(const QString& fileName, const TMemoList& list);

// Copies a damaged box file to a free name beside it ("3.dat.damaged", "3.dat.damaged2", ...)
// so that nothing of it is lost when the box is next written. Returns the copy's name, or an
// empty string when no copy could be made.
QString KeepDamagedCopy(const QString& fileName);
// True when a copy beside the file ("3.dat.damaged", ...) holds exactly its bytes: this damage
// was kept and reported before.
bool HasDamagedCopy(const QString& fileName);
