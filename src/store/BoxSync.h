#pragma once

#include "platform/FileStamp.h"
#include "store/BoxMerge.h"
#include "store/MemoData.h"

#include <QHash>
#include <QString>
#include <functional>
#include <string>

// What the program last read from or wrote to each box file, so that a write never overwrites
// what another writer (a sync tool, another computer) put there since. Before a box file is
// written, and whenever the window asks, the file's status is compared with the one we left;
// only when it differs are its bytes read, and when they differ too, the changes on disk are
// merged into the in-memory list (three-way, against the bytes we last knew). Files are known
// by their absolute paths.
class BoxSync {
public:
    // Today as "YYYY-MM-DD", for the daily backups; no backups while unset. Given by the
    // window, since the store does not read the clock.
    std::function<QString()> Today;
    // A box file changed on disk into bytes that do not parse: they were kept as `copy` (empty
    // when no copy could be made) and nothing of them was merged.
    std::function<void(const QString& fileName, const QString& copy)> OnDamaged;

    // Records `bytes` as what `fileName` holds now (just read or written by the program), and
    // `stamp` as the stamp of the file they were read from or written to (not a later look at
    // the name, which another writer may have taken over since).
    void Remember(const QString& fileName, std::string bytes, platform::FileStamp stamp);
    // Merges into `list` what changed on disk since the program last read or wrote the file.
    // A missing file is no change (the next write puts the list back). A file that cannot be
    // read raises "ファイル %s は開けません".
    MergeOutcome Refresh(const QString& fileName, TMemoList& list);
    // Refresh, the day's backup of the file before its first write, then the write itself
    // (which leaves the old file as it was and raises on failure).
    void Store(const QString& fileName, TMemoList& list);
    // The bytes that the program last read from or wrote to the file; empty when unknown.
    std::string_view KnownBytes(const QString& fileName) const;
    // Forgets every file (a new data folder, or a test).
    void Clear() { known_.clear(); }

private:
    struct Known {
        std::string bytes;
        platform::FileStamp stamp;
        QString backedUpOn; // the day of the file's last backup, so a store checks it once a day
    };
    QHash<QString, Known> known_;
};

// The process's record of its box files.
BoxSync& BoxFiles();
