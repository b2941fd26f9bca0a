// The folder lock: held on the folder for the run, free again however its holder ends.
#include "platform/FolderLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::FolderLock;

bool IsEmpty(const QString& folder) {
    return QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System |
                                QDir::NoDotAndDotDot);
}

TEST(FolderLockTest, HeldOnTheFolderItselfAgainstEveryOtherTakerUntilReleased) {
    QTemporaryDir folder;
    {
        FolderLock lock(folder.path());
        ASSERT_EQ(lock.TryLock(0), FolderLock::Result::Acquired);
        EXPECT_TRUE(IsEmpty(folder.path())) << "the lock put something into the folder";
        FolderLock second(folder.path());
        EXPECT_EQ(second.TryLock(60), FolderLock::Result::Held);
        // The same folder by another way (with a trailing "/.") is the same lock.
        FolderLock third(folder.path() + QStringLiteral("/."));
        EXPECT_EQ(third.TryLock(0), FolderLock::Result::Held);
    }
    FolderLock lock(folder.path());
    EXPECT_EQ(lock.TryLock(0), FolderLock::Result::Acquired);
}

TEST(FolderLockTest, LockOfAHolderThatWasKilledIsTakenOver) {
    QTemporaryDir folder;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const QByteArray name = QFile::encodeName(folder.path());
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        // Another process holding the lock the way the program does: only system calls here.
        const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
            ::_exit(1);
        [[maybe_unused]] const auto written = ::write(ready[1], "x", 1);
        for (;;)
            ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    {
        FolderLock lock(folder.path());
        EXPECT_EQ(lock.TryLock(100), FolderLock::Result::Held);
    }
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    FolderLock lock(folder.path());
    EXPECT_EQ(lock.TryLock(0), FolderLock::Result::Acquired);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(FolderLockTest, WhatIsNoFolderSaysWhy) {
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("file")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const QString& path : {QStringLiteral("/proc/no-such-folder"), file.fileName()}) {
        FolderLock lock(path);
        EXPECT_EQ(lock.TryLock(0), FolderLock::Result::Failed);
        EXPECT_FALSE(lock.Error().isEmpty());
    }
}

} // namespace
