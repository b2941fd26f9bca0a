#pragma once

#include <QString>
#include <QStringList>
#include <string>

// Whether `name` (a bare file name) is one of the conflict copies that desktop sync tools leave
// beside box file `box` ("1.dat") when two versions of it met: "1.sync-conflict-<date>-<time>-
// <device>.dat", "1 (<who>conflicted copy <date>[ <time>]).dat" (also the Japanese wording),
// "1 (Case Conflict[ n]).dat", "1_conflict-<date>-<time>.dat", "1 (SFConflict <who> <date>).dat".
// Never the box file itself, another box's file ("11.dat"), a kept damaged copy
// ("1.dat.damaged") or the temporary file of a save in progress ("1.dat.XXXXXX").
bool IsConflictCopy(const QString& name, int box);

// The bare names of the conflict copies of box `box`'s file that are files in `folder`, sorted
// (by code point) so that merging them is deterministic. Folders are never listed.
QStringList ConflictCopies(const QString& folder, int box);

// A conflict copy read for merging. `ready` is false when it cannot be taken in yet: it cannot be
// opened or read to the end (no permission yet, a tool holds it), or its bytes do not make a box
// file while it changed moments ago, so that a tool may still be writing it. Such a copy is left
// where it is and read again later; only a copy that was read whole and stays damaged counts as
// damaged.
struct ConflictCopyRead {
    bool ready = false;
    std::string bytes;
};
ConflictCopyRead ReadConflictCopy(const QString& path);

// How long a damaged copy is taken to be still in writing after its last change, and how long
// after a copy could not be taken in it is tried again.
inline constexpr int kConflictCopyQuietMs = 5000;
