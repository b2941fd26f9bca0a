#include "platform/FolderLock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// What the holder writes into the file, as QLockFile does: other lock users judge from it
// whether a lock file whose holder they cannot see (not an flock user) is stale.
QByteArray HolderLines() {
    return QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
           QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() + '\n' +
           QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId() + '\n' +
           QSysInfo::bootUniqueId() + '\n';
}

// True when the open file `fd` is still the one at `path`: a holder that ended may have
// removed it between our open and our lock, and a lock on a removed file excludes nobody.
bool StillAt(int fd, const QByteArray& path) {
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::stat(path.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

FolderLock::FolderLock(QString path) : path_(std::move(path)) {}

FolderLock::~FolderLock() {
    if (fd_ < 0)
        return;
    // Removed while still locked, so that no one takes the name in between.
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
}

FolderLock::Result FolderLock::TryLock(int waitMs) {
    if (fd_ >= 0)
        return Result::Acquired;
    const QByteArray path = QFile::encodeName(path_);
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            error_ = QString::fromLocal8Bit(std::strerror(errno));
            return Result::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (!StillAt(fd, path)) {
                ::close(fd);
                continue;
            }
            // The lines only describe the holder; the lock itself is the flock, so nothing is
            // flushed, and a failed write is harmless: a QLockFile removes a lock file it finds
            // stale only after taking its flock, which it cannot while we hold it.
            const QByteArray lines = HolderLines();
            [[maybe_unused]] const bool described =
                ::ftruncate(fd, 0) == 0 &&
                ::pwrite(fd, lines.constData(), std::size_t(lines.size()), 0) == lines.size();
            fd_ = fd;
            return Result::Acquired;
        }
        const int failure = errno;
        ::close(fd);
        if (failure != EWOULDBLOCK && failure != EINTR) {
            error_ = QString::fromLocal8Bit(std::strerror(failure));
            return Result::Failed;
        }
        if (deadline.hasExpired())
            return Result::Held;
        QThread::msleep(20);
    }
}

} // namespace platform
