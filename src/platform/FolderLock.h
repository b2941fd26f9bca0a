#pragma once

#include <QString>

namespace platform {

// A lock file held for a whole run with the operating system's advisory lock (flock), so that
// it comes free by itself however its holder ends, and taken without flushing anything to the
// disk: a start pays no disk wait for it. The file names its holder in the shape QLockFile
// writes and reads (pid, program, host, machine id, boot id), and QLockFile's own lock is an
// flock too, so this lock and a QLockFile on the same file exclude each other both ways.
class FolderLock {
public:
    enum class Result { Acquired, Held, Failed };

    explicit FolderLock(QString path);
    ~FolderLock(); // removes the file and releases the lock when held
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock, trying again until `waitMs` have passed while another process holds it.
    // Failed: the file cannot be opened or locked at all (Error() says why).
    Result TryLock(int waitMs);
    QString Error() const { return error_; }
    QString Path() const { return path_; }

private:
    QString path_;
    int fd_ = -1;
    QString error_;
};

} // namespace platform
