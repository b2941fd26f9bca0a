// Box files written by others: the write path and the running window take in what changed on
// disk instead of overwriting it; conflict copies are merged and put into the backups.
#include "store/BoxSync.h"
#include "MainWindowFixture.h"
#include "Memos.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "store/BoxFile.h"
#include "util/Exception.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

Titles TitlesOnDisk(const QString& file) {
    TMemoList list;
    ParseBoxFile(ReadBytes(file), list);
    return TitlesOf(list);
}

// What another writer does: replaces the file with `list` behind the program's back.
void WriteElsewhere(const QString& file, const TMemoList& list) {
    WriteBytes(file, BoxFileBytes(list));
}

// What a sync tool does: puts `list` in the file's place by a rename, with the modification time
// of an hour ago that it carries over from the other computer.
void ReplaceElsewhere(const QString& file, const TMemoList& list) {
    const QString spare = file + QStringLiteral(".incoming");
    WriteBytes(spare, BoxFileBytes(list));
    QFile incoming(spare);
    ASSERT_TRUE(incoming.open(QIODevice::ReadWrite));
    ASSERT_TRUE(incoming.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
    incoming.close();
    ASSERT_EQ(::rename(QFile::encodeName(spare).constData(), QFile::encodeName(file).constData()),
              0);
}

class BoxSyncTest : public ::testing::Test {
protected:
    FakePlatform::Scope fake;
    TempCurrentDir dir;
    BoxSync sync;
    TMemoList box;

    void SetUp() override {
        box.push_back(Memo({"mine"}, 46000));
        box.push_back(Memo({"shared"}, 45000));
        WriteBoxFile("1.dat", box);
        sync.Remember("1.dat", BoxFileBytes(box), platform::StampOf(QStringLiteral("1.dat")));
    }
};

TEST_F(BoxSyncTest, StoreKeepsWhatAnotherWriterAddedAndRemoved) {
    TMemoList theirs;
    theirs.push_back(Memo({"mine"}, 46000));
    theirs.push_back(Memo({"laptop"}, 46500));
    WriteElsewhere("1.dat", theirs); // they added "laptop" and deleted "shared"

    box.push_back(Memo({"desktop"}, 46200)); // and we add one
    SortMemos(box);
    sync.Store("1.dat", box);
    EXPECT_EQ(TitlesOf(box), (Titles{"laptop", "desktop", "mine"}));
    EXPECT_EQ(TitlesOnDisk("1.dat"), TitlesOf(box));

    // What was just written is what the program knows: the next store merges nothing.
    box.erase(box.begin());
    sync.Store("1.dat", box);
    EXPECT_EQ(TitlesOnDisk("1.dat"), (Titles{"desktop", "mine"}));
}

TEST_F(BoxSyncTest, SameSizeRewriteInPlaceRightAfterOurWriteIsSeen) {
    // Same length, same file, written within the file clock's tick: only the bytes tell.
    TMemoList theirs;
    theirs.push_back(Memo({"MINE"}, 46000));
    theirs.push_back(Memo({"shared"}, 45000));
    WriteElsewhere("1.dat", theirs);
    EXPECT_TRUE(sync.Refresh("1.dat", box).Changed());
    EXPECT_EQ(TitlesOf(box), (Titles{"MINE", "shared"}));
}

TEST_F(BoxSyncTest, ReplacementRightAfterOurWriteOrDuringOurReadIsSeen) {
    // The program's own record of its box files, which the writes keep.
    BoxSync& files = BoxFiles();
    files.Clear();
    TMemoList list;
    ReadBoxFile(1, list);
    list.push_back(Memo({"ours"}, 46100));
    SortMemos(list);
    // Another writer puts its version in place the moment our rename is done: same size, an
    // old modification time, so only the file itself tells it from ours.
    TMemoList theirs;
    theirs.push_back(Memo({"them"}, 46100));
    theirs.push_back(Memo({"mine"}, 46000));
    theirs.push_back(Memo({"shared"}, 45000));
    fake.fake->afterSave = [&](const QString& path) {
        fake.fake->afterSave = nullptr;
        ReplaceElsewhere(path, theirs);
    };
    files.Store("1.dat", list);
    EXPECT_TRUE(files.Refresh("1.dat", list).Changed());
    EXPECT_EQ(TitlesOf(list), (Titles{"them", "mine", "shared"}));

    // The same while a box file is read: a pipe in its place lets the replacement land before
    // the read has ended.
    ASSERT_EQ(::mkfifo("5.dat", 0600), 0);
    TMemoList before;
    before.push_back(Memo({"before"}, 46050));
    const std::string beforeBytes = BoxFileBytes(before);
    theirs.insert(theirs.begin() + 1, Memo({"before"}, 46050));
    std::thread writer([&] {
        const int handle = ::open("5.dat", O_WRONLY);
        EXPECT_EQ(::write(handle, beforeBytes.data(), beforeBytes.size()),
                  ssize_t(beforeBytes.size()));
        ReplaceElsewhere("5.dat", theirs);
        ::close(handle);
    });
    TMemoList five;
    ReadBoxFile(5, five);
    writer.join();
    EXPECT_EQ(TitlesOf(five), (Titles{"before"}));
    EXPECT_TRUE(files.Refresh("5.dat", five).Changed());
    EXPECT_EQ(TitlesOf(five), (Titles{"them", "before", "mine", "shared"}));
    files.Clear();
}

TEST_F(BoxSyncTest, DamagedOrMissingFileOnDiskIsNeverMerged) {
    QString reported;
    sync.OnDamaged = [&](const QString&, const QString& copy) {
        reported = copy;
    };
    WriteBytes("1.dat", std::string("\x05\x00\x00\x00garbage", 11));
    EXPECT_TRUE(sync.Refresh("1.dat", box).damaged);
    EXPECT_EQ(TitlesOf(box), (Titles{"mine", "shared"}));
    EXPECT_EQ(reported, "1.dat.damaged");
    EXPECT_EQ(ReadBytes("1.dat.damaged"), std::string("\x05\x00\x00\x00garbage", 11));

    // A box file that went away is no change: the next store puts the list back.
    QFile::remove("1.dat");
    EXPECT_FALSE(sync.Refresh("1.dat", box).Changed());
    sync.Store("1.dat", box);
    EXPECT_EQ(TitlesOnDisk("1.dat"), (Titles{"mine", "shared"}));
}

TEST_F(BoxSyncTest, FirstStoreOfTheDayKeepsTheOldFileInTheBackups) {
    QString today = "2026-12-09";
    sync.Today = [&] {
        return today;
    };
    const std::string before = ReadBytes("1.dat");
    box.push_back(Memo({"new"}, 47000));
    sync.Store("1.dat", box);
    EXPECT_EQ(ReadBytes("backup/2026-12-09/1.dat"), before);
    box.push_back(Memo({"newer"}, 47001));
    sync.Store("1.dat", box);
    EXPECT_EQ(ReadBytes("backup/2026-12-09/1.dat"), before) << "one backup a day";
    today = "2026-12-10";
    const std::string yesterday = ReadBytes("1.dat");
    sync.Store("1.dat", box);
    EXPECT_EQ(ReadBytes("backup/2026-12-10/1.dat"), yesterday);
}

TEST_F(BoxSyncTest, UnreadableFileStopsTheStore) {
    TMemoList theirs;
    theirs.push_back(Memo({"other"}, 1));
    WriteElsewhere("1.dat", theirs);
    QFile("1.dat").setPermissions(QFileDevice::WriteOwner);
    if (QFile("1.dat").open(QIODevice::ReadOnly))
        GTEST_SKIP() << "root reads any file";
    EXPECT_THROW(sync.Store("1.dat", box), Exception);
}

// The running program: changes on disk reach the lists, menus and indicators by themselves.
class DiskChangesTest : public MainWindowFixture {
protected:
    static bool WaitFor(const std::function<bool()>& condition) {
        QDeadlineTimer deadline(3000);
        while (!condition() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return condition();
    }
};

TEST_F(DiskChangesTest, MemoWrittenElsewhereAppearsAndTheChosenMemoStaysChosen) {
    TMemoList list;
    list.push_back(Memo({"first"}, 46000));
    list.push_back(Memo({"second"}, 45000));
    WriteBoxFile("1.dat", list);
    CreateForms();
    // The user has chosen "second" in box 1's menu.
    Form1->ShowMemoMenu(1, Form1->BoxMemoLists[1][1]->Serial(), QPoint(5, 5));

    list.insert(list.begin(), Memo({"from the laptop"}, 47000));
    WriteElsewhere("1.dat", list);
    ASSERT_TRUE(WaitFor([] { return Form1->BoxMemoLists[1].size() == 3; }));
    EXPECT_EQ(MemoItems(1), (QStringList{"from the laptop", "first", "second"}));
    EXPECT_EQ(Form1->ChosenMemoIndex(), 2);
    EXPECT_TRUE(Form1->Image[1]->toolTip().contains("3"));

    // Deleted there: the choice is gone, so no command acts on another memo.
    list.pop_back();
    WriteElsewhere("1.dat", list);
    ASSERT_TRUE(WaitFor([] { return Form1->BoxMemoLists[1].size() == 2; }));
    EXPECT_EQ(Form1->ChosenMemoIndex(), -1);
}

TEST_F(DiskChangesTest, ConflictCopyIsMergedStoredAndMovedIntoTheBackups) {
    TMemoList list;
    list.push_back(Memo({"both"}, 46000));
    WriteBoxFile("2.dat", list);
    list.push_back(Memo({"only in the copy"}, 46100));
    WriteElsewhere("2.sync-conflict-20261209-101500-ABCDEFG.dat", list);
    fake->now = 46365.5; // 2026-12-09 12:00
    CreateForms();
    EXPECT_EQ(MemoItems(2), (QStringList{"only in the copy", "both"}));
    EXPECT_EQ(TitlesOnDisk("2.dat"), (Titles{"only in the copy", "both"}));
    EXPECT_FALSE(QFile::exists("2.sync-conflict-20261209-101500-ABCDEFG.dat"));
    EXPECT_TRUE(QFile::exists("backup/2026-12-09/2.sync-conflict-20261209-101500-ABCDEFG.dat"));
}

// Clears the capabilities that let root open any file, for the calling thread while it lives,
// so that file permissions apply to root as to anyone else.
class PermissionsApplyToRoot {
public:
    PermissionsApplyToRoot() {
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        changed_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~PermissionsApplyToRoot() {
        if (changed_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    PermissionsApplyToRoot(const PermissionsApplyToRoot&) = delete;
    PermissionsApplyToRoot& operator=(const PermissionsApplyToRoot&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};

TEST_F(DiskChangesTest, ConflictCopyThatCannotBeReadYetIsLeftForLater) {
    TMemoList list;
    list.push_back(Memo({"both"}, 46000));
    WriteBoxFile("2.dat", list);
    fake->now = 46365.5; // 2026-12-09 12:00
    CreateForms();
    const std::size_t messages = fake->messageBoxes.size();
    const auto leftAlone = [&](const QString& copy) {
        EXPECT_TRUE(QFile::exists(copy));
        EXPECT_FALSE(QFile::exists("backup/2026-12-09/" + copy));
        EXPECT_EQ(fake->messageBoxes.size(), messages) << "reported as damaged";
        EXPECT_EQ(MemoItems(2), QStringList{"both"});
    };
    list.push_back(Memo({"only in the copy"}, 46100));
    const std::string whole = BoxFileBytes(list);
    const QString copy = "2.sync-conflict-20261209-101500-ABCDEFG.dat";

    // A tool is still writing it: half of it is there, changed just now.
    WriteBytes(copy, whole.substr(0, whole.size() / 2));
    Form1->TakeInDiskChanges();
    leftAlone(copy);

    // Whole, but not yet readable.
    WriteBytes(copy, whole);
    ASSERT_TRUE(QFile(copy).setPermissions(QFileDevice::WriteOwner));
    {
        PermissionsApplyToRoot permissions;
        if (QFile(copy).open(QIODevice::ReadOnly))
            GTEST_SKIP() << "permissions do not keep this process from reading";
        Form1->TakeInDiskChanges();
    }
    leftAlone(copy);

    // Readable: merged, stored and put into the backups.
    ASSERT_TRUE(QFile(copy).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    Form1->TakeInDiskChanges();
    EXPECT_EQ(MemoItems(2), (QStringList{"only in the copy", "both"}));
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_TRUE(QFile::exists("backup/2026-12-09/" + copy));

    // Damaged and left so for long: reported and put into the backups, as ever.
    const QString damaged = "2 (conflicted copy 2026-12-09).dat";
    WriteBytes(damaged, whole.substr(0, whole.size() / 2));
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    file.close();
    Form1->TakeInDiskChanges();
    EXPECT_FALSE(QFile::exists(damaged));
    EXPECT_TRUE(QFile::exists("backup/2026-12-09/" + damaged));
    EXPECT_EQ(fake->messageBoxes.size(), messages + 1);
}

} // namespace
