// Daily backups of box files, and finding sync tools' conflict copies beside them.
#include "store/Backups.h"
#include "TempDir.h"
#include "store/SyncConflicts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

class BackupsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const QString& relative) const { return QDir(dir.path()).filePath(relative); }
    // The names in a folder, sorted, joined by blanks.
    std::string Entries(const QString& relative) const {
        return QDir(Path(relative))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)
            .join(' ')
            .toStdString();
    }
};

TEST_F(BackupsTest, FirstWriteOfTheDayCopiesTheFileLaterWritesDoNot) {
    WriteBytes(Path("1.dat"), "morning");
    EXPECT_TRUE(BackupBeforeWrite(dir.path(), "1.dat", "2026-12-09"));
    EXPECT_EQ(ReadBytes(Path("backup/2026-12-09/1.dat")), "morning");
    EXPECT_EQ(Entries("backup/2026-12-09"), "1.dat"); // no temporary file left

    WriteBytes(Path("1.dat"), "noon");
    EXPECT_TRUE(BackupBeforeWrite(dir.path(), "1.dat", "2026-12-09"));
    EXPECT_EQ(ReadBytes(Path("backup/2026-12-09/1.dat")), "morning");

    EXPECT_TRUE(BackupBeforeWrite(dir.path(), "1.dat", "2026-12-10"));
    EXPECT_EQ(ReadBytes(Path("backup/2026-12-10/1.dat")), "noon");
    EXPECT_EQ(ReadBytes(Path("1.dat")), "noon");
}

TEST_F(BackupsTest, NothingToCopyAndCopiesThatCannotBeMade) {
    // No file yet: nothing to keep, no folder made.
    EXPECT_TRUE(BackupBeforeWrite(dir.path(), "2.dat", "2026-12-09"));
    EXPECT_FALSE(QFileInfo::exists(Path("backup")));

    WriteBytes(Path("2.dat"), "x");
    EXPECT_FALSE(BackupBeforeWrite(dir.path(), "2.dat", "9.12.2026"));
    EXPECT_FALSE(BackupBeforeWrite(dir.path(), "2.dat", "../x"));
    EXPECT_FALSE(QFileInfo::exists(Path("backup")));
    // A file where the backup folder belongs.
    WriteBytes(Path("backup"), "");
    EXPECT_FALSE(BackupBeforeWrite(dir.path(), "2.dat", "2026-12-09"));
    EXPECT_TRUE(MoveIntoBackup(dir.path(), "2.dat", "2026-12-09").isEmpty());
    EXPECT_EQ(ReadBytes(Path("2.dat")), "x");
}

TEST_F(BackupsTest, PruningKeepsTheNewestDayFoldersAndNothingElse) {
    WriteBytes(Path("3.dat"), "x");
    for (int day = 1; day <= 20; ++day)
        QDir().mkpath(Path(QStringLiteral("backup/2026-11-%1/sub").arg(day, 2, 10, QChar('0'))));
    for (const char* other : {"backup/notes", "backup/2026-13-45", "backup/2026-11-3"})
        QDir().mkpath(Path(other));
    WriteBytes(Path("backup/2000-01-01"), "a file named like a day");

    EXPECT_TRUE(BackupBeforeWrite(dir.path(), "3.dat", "2026-12-01"));
    QStringList expected{"2000-01-01", "2026-11-3", "2026-13-45", "notes"};
    for (int day = 21 - (kBackupDays - 1); day <= 20; ++day)
        expected << QStringLiteral("2026-11-%1").arg(day, 2, 10, QChar('0'));
    expected << "2026-12-01";
    expected.sort();
    EXPECT_EQ(Entries("backup"), expected.join(' ').toStdString());

    // A day before all kept ones (the clock was put back): its backup is kept all the same.
    EXPECT_TRUE(BackupBeforeWrite(dir.path(), "3.dat", "2026-01-01"));
    EXPECT_EQ(ReadBytes(Path("backup/2026-01-01/3.dat")), "x");
    EXPECT_TRUE(QFileInfo::exists(Path("backup/2026-12-01")));
}

TEST_F(BackupsTest, ClockPutBackKeepsTwoWeeksUpToTodayAndEveryLaterDay) {
    // Backups of November were made; then the clock was put back to January 10th, and backups
    // were made on the days since January 1st.
    WriteBytes(Path("4.dat"), "x");
    const auto day = [](int month, int d) {
        return QStringLiteral("2026-%1-%2").arg(month, 2, 10, QChar('0')).arg(d, 2, 10, QChar('0'));
    };
    for (int d = 1; d <= 20; ++d)
        QDir().mkpath(Path("backup/" + day(11, d)));
    QStringList expected;
    for (int d = 1; d <= 20; ++d) {
        EXPECT_TRUE(BackupBeforeWrite(dir.path(), "4.dat", day(1, d)));
        if (d > 20 - kBackupDays)
            expected << day(1, d);
    }
    for (int d = 1; d <= 20; ++d)
        expected << day(11, d);
    EXPECT_EQ(Entries("backup"), expected.join(' ').toStdString());
    // Put back once more: the days of January that now lie ahead are kept as well.
    EXPECT_FALSE(MoveIntoBackup(dir.path(), "4.dat", day(1, 2)).isEmpty());
    expected << day(1, 2);
    expected.sort();
    EXPECT_EQ(Entries("backup"), expected.join(' ').toStdString());
}

TEST_F(BackupsTest, MoveIntoBackupKeepsTheNameOrNumbersIt) {
    const QString copy = "1.sync-conflict-20261209-101500-ABCDEFG.dat";
    WriteBytes(Path(copy), "first");
    const QString moved = MoveIntoBackup(dir.path(), copy, "2026-12-09");
    EXPECT_EQ(moved, Path("backup/2026-12-09/" + copy));
    EXPECT_EQ(ReadBytes(moved), "first");
    EXPECT_FALSE(QFileInfo::exists(Path(copy)));

    WriteBytes(Path(copy), "second");
    const QString again = MoveIntoBackup(dir.path(), copy, "2026-12-09");
    EXPECT_EQ(again, Path("backup/2026-12-09/1.sync-conflict-20261209-101500-ABCDEFG (2).dat"));
    EXPECT_EQ(ReadBytes(again), "second");
    EXPECT_EQ(ReadBytes(moved), "first");

    EXPECT_TRUE(MoveIntoBackup(dir.path(), copy, "2026-12-09").isEmpty()); // gone already
}

TEST_F(BackupsTest, ConflictCopiesOfOneBoxAndNothingElse) {
    const QStringList copies{
        "1.sync-conflict-20261209-101500-ABCDEFG.dat",
        "1.sync-conflict-20261209-101500-ABCDEFG.sync-conflict-20261210-080000-HIJKLMN.dat",
        "1 (conflicted copy 2026-12-09).dat",
        "1 (Hanako's conflicted copy 2026-12-09).dat",
        "1 (conflicted copy 2026-12-09 101500).dat",
        "1 (Case Conflict).dat",
        "1_conflict-20261209-101500.dat",
        "1 (SFConflict hanako@example.com 2026-12-09-10-15-00).dat",
        "1 (花子の競合コピー 2026-12-09).dat",
    };
    const QStringList others{
        "1.dat",
        "11.dat",
        "1.dat.damaged",
        "1.dat.aBc123", // a save in progress
        "11.sync-conflict-20261209-101500-ABCDEFG.dat",
        "11 (conflicted copy 2026-12-09).dat",
        "2 (conflicted copy 2026-12-09).dat",
        "1.sync-conflict-20261209-101500-ABCDEFG.dat.tmp",
        ".syncthing.1.dat.tmp",
        "1 (copy).dat",
        "1.dat (conflicted copy 2026-12-09)",
        "1_conflict-2026.dat",
    };
    for (const QString& name : copies + others)
        WriteBytes(Path(name), "");
    QDir().mkpath(Path("backup/2026-12-09"));
    WriteBytes(Path("backup/2026-12-09/1 (conflicted copy 2026-12-08).dat"), "");
    QDir().mkpath(Path("1 (conflicted copy 2026-12-01).dat")); // a folder

    QStringList sorted = copies;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(ConflictCopies(dir.path(), 1).join('|').toStdString(),
              sorted.join('|').toStdString());
    EXPECT_EQ(ConflictCopies(dir.path(), 11).join('|').toStdString(),
              "11 (conflicted copy 2026-12-09).dat|11.sync-conflict-20261209-101500-ABCDEFG.dat");
    EXPECT_TRUE(ConflictCopies(dir.path(), 3).isEmpty());
}

} // namespace
