// The folder lock: held for the run, free again however its holder ends, and exclusive both
// ways with QLockFile, which earlier versions of the program used on the same file.
#include "platform/FolderLock.h"

#include <QCoreApplication>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::FolderLock;

QByteArray FirstLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readLine().trimmed();
}

TEST(FolderLockTest, ExcludesQLockFileBothWaysAndRemovesItsFileAtTheEnd) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Tabuko.lock"));
    {
        QLockFile older(path);
        older.setStaleLockTime(0);
        ASSERT_TRUE(older.tryLock(0));
        FolderLock lock(path);
        EXPECT_EQ(lock.TryLock(60), FolderLock::Result::Held);
    }
    {
        FolderLock lock(path);
        ASSERT_EQ(lock.TryLock(0), FolderLock::Result::Acquired);
        EXPECT_EQ(FirstLine(path), QByteArray::number(QCoreApplication::applicationPid()));
        QLockFile older(path);
        older.setStaleLockTime(0);
        EXPECT_FALSE(older.tryLock(60));
        EXPECT_EQ(older.error(), QLockFile::LockFailedError);
        EXPECT_TRUE(QFile::exists(path)) << "a QLockFile took our file for a stale one";
        FolderLock second(path);
        EXPECT_EQ(second.TryLock(0), FolderLock::Result::Held);
    }
    EXPECT_FALSE(QFile::exists(path));
    QLockFile older(path);
    EXPECT_TRUE(older.tryLock(0));
}

TEST(FolderLockTest, LockOfAHolderThatWasKilledIsTakenOver) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Tabuko.lock"));
    const QByteArray name = QFile::encodeName(path);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // Another process holding the lock the way the program does: only system calls here.
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT, 0666);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
            ::_exit(1);
        [[maybe_unused]] const auto written = ::write(ready[1], "x", 1);
        for (;;)
            ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    {
        FolderLock lock(path);
        EXPECT_EQ(lock.TryLock(100), FolderLock::Result::Held);
    }
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ASSERT_TRUE(QFile::exists(path)) << "a killed holder leaves its file";
    FolderLock lock(path);
    EXPECT_EQ(lock.TryLock(0), FolderLock::Result::Acquired);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(FolderLockTest, FolderWithoutRoomForTheFileSaysWhy) {
    FolderLock lock(QStringLiteral("/proc/no-such-folder/Tabuko.lock"));
    EXPECT_EQ(lock.TryLock(0), FolderLock::Result::Failed);
    EXPECT_FALSE(lock.Error().isEmpty());
}

} // namespace
