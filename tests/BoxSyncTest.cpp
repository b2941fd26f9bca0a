// Box files written by others: the write path and the running window take in what changed on
// disk instead of overwriting it; conflict copies are merged and put into the backups.
#include "store/BoxSync.h"
#include "MainWindowFixture.h"
#include "Memos.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "platform/Exception.h"
#include "store/BoxFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using Titles = std::vector<std::string>;

Titles TitlesOf(const TMemoList& list) {
    Titles titles;
    for (const auto& memo : list)
        titles.push_back(memo->Lines.at(0));
    return titles;
}

Titles TitlesOnDisk(const QString& file) {
    TMemoList list;
    ParseBoxFile(ReadBytes(file), list);
    return TitlesOf(list);
}

// What another writer does: replaces the file with `list` behind the program's back.
void WriteElsewhere(const QString& file, const TMemoList& list) {
    WriteBytes(file, BoxFileBytes(list));
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
        sync.Remember("1.dat", BoxFileBytes(box));
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
    Form1->ActiveBoxList = &Form1->BoxMemoLists[1];
    Form1->ActiveBoxMenu = Form1->PopupMenu[1];
    Form1->ActiveMemo = (*Form1->ActiveBoxList)[1]->Serial();

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

} // namespace
