#include "platform/FolderLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace platform {

FolderLock::FolderLock(QString folder) : folder_(std::move(folder)) {}

FolderLock::~FolderLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

FolderLock::Result FolderLock::TryLock(int waitMs) {
    if (fd_ >= 0)
        return Result::Acquired;
    // Read-only: the folder's own entry is opened, nothing in it, and nothing is changed.
    const int fd =
        ::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return Result::Failed;
    }
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            fd_ = fd;
            return Result::Acquired;
        }
        const int failure = errno;
        if (failure == EWOULDBLOCK || failure == EINTR) {
            if (deadline.hasExpired()) {
                ::close(fd);
                return Result::Held;
            }
            QThread::msleep(20);
            continue;
        }
        ::close(fd);
        error_ = QString::fromLocal8Bit(std::strerror(failure));
        // A file system without locks, or one that locks only files opened for writing (a
        // network file system that maps flock onto record locks).
        if (failure == ENOLCK || failure == EOPNOTSUPP || failure == EBADF || failure == EINVAL)
            return Result::Unsupported;
        return Result::Failed;
    }
}

} // namespace platform
