#pragma once

#include <QString>

namespace platform {

// A data folder's lock, held for a whole run with the operating system's advisory lock (flock)
// on the folder itself, so that it comes free by itself however its holder ends.
//
// The folder, not a file in it, carries the lock: a sync tool that replaces or deletes files in
// the folder cannot take it away (a lock on a file that is replaced by a rename stays on the old
// file, and the next start finds a free one), a link placed in the folder is never followed or
// written through, nothing is created or written in the folder, and every process that reaches
// the folder meets the same lock, whoever runs it and whatever its runtime folder. (A lock kept
// in the user's runtime folder under the folder's device and inode would hold against processes
// of the same user only, and not at all when that runtime folder cannot be had.)
class FolderLock {
public:
    // Unsupported: the folder's file system keeps no locks (the program may run, unguarded).
    // Failed: the folder cannot be opened or locked for another reason (Error() says why).
    enum class Result { Acquired, Held, Unsupported, Failed };

    explicit FolderLock(QString folder);
    ~FolderLock(); // releases the lock when held
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock, trying again until `waitMs` have passed while another process holds it.
    Result TryLock(int waitMs);
    QString Error() const { return error_; }
    QString Folder() const { return folder_; }

private:
    QString folder_;
    int fd_ = -1;
    QString error_;
};

} // namespace platform
