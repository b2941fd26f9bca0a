// Deleting, moving and restoring memos, storing an edit into several boxes, and the delete log:
// first on the lists and files alone, then through the memo menu of the running window.
#include "MainWindowFixture.h"
#include "Memos.h"

#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "store/BoxCommands.h"
#include "store/BoxFile.h"
#include "util/CP932.h"
#include "util/Exception.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <algorithm>

namespace {

constexpr TDateTime kNoon = 46000.5; // 2025-12-09 (Tuesday) 12:00

std::string Cp932(const QString& text) {
    return cp932::Encode(text);
}

// The first lines of a list's memos, in list order.
std::vector<std::string> Titles(const TMemoList& list) {
    std::vector<std::string> titles;
    for (const auto& memo : list)
        titles.push_back(memo->Lines.empty() ? std::string() : memo->Lines.front());
    return titles;
}

// The first lines of the memos that box n's file holds.
std::vector<std::string> TitlesOnDisk(int box) {
    TMemoList list;
    ParseBoxFile(ReadBytes(BoxFileName(box)), list);
    return Titles(list);
}

std::string ExpectedEntry(const QString& when, const QString& label,
                          const std::vector<std::string>& lines) {
    std::string entry = std::string(30, '=') + "\r\n" + Cp932(QStringLiteral("削除日付：") + when) +
                        "\r\n" + Cp932(QStringLiteral("フォルダ：") + label) + "\r\n" +
                        Cp932(QStringLiteral("テキスト：")) + "\r\n";
    for (const auto& line : lines)
        entry += line + "\r\n";
    return entry;
}

// ---- the model, without windows ----

class BoxCommandsModelTest : public ::testing::Test {
protected:
    FakePlatform::Scope fake;
    TempCurrentDir dir;

    // Boxes 1 and 2 with their files written by the program (so it knows what they hold).
    TMemoList one;
    TMemoList two;
    void SetUp() override {
        fake->now = kNoon;
        one.push_back(Memo({"a1", "second line"}, 45003));
        one.push_back(Memo({"a2"}, 45001));
        two.push_back(Memo({"b1"}, 45004));
        two.push_back(Memo({"b2"}, 45002, 5.0));
        two.push_back(Memo({"b3"}, 45000));
        WriteBoxFile(BoxFileName(1), one);
        WriteBoxFile(BoxFileName(2), two);
        fake->savedFiles.clear();
        fake->saveCalls = 0;
    }
};

TEST_F(BoxCommandsModelTest, DeleteWithoutLogRemovesTheMemoAndCreatesNoLog) {
    DeleteMemo(one, 0, BoxFileName(1), "x(Box1)", kNoon);
    EXPECT_EQ(Titles(one), std::vector<std::string>{"a2"});
    EXPECT_EQ(TitlesOnDisk(1), std::vector<std::string>{"a2"});
    EXPECT_FALSE(QFile::exists(kDeleteLogFileName));
    EXPECT_EQ(fake->savedFiles, std::vector<QString>{QStringLiteral("1.dat")});
}

TEST_F(BoxCommandsModelTest, EmptyLogGetsExactlyOneEntry) {
    WriteBytes(kDeleteLogFileName, "");
    DeleteMemo(one, 0, BoxFileName(1), Cp932(QStringLiteral("メモ(Box1)")), kNoon);
    EXPECT_EQ(ReadBytes(kDeleteLogFileName),
              ExpectedEntry(QStringLiteral("2025.12.09(火) 12:00"), QStringLiteral("メモ(Box1)"),
                            {"a1", "second line"}));
    EXPECT_EQ(fake->savedFiles,
              (std::vector<QString>{kDeleteLogFileName, QStringLiteral("1.dat")}));
}

TEST_F(BoxCommandsModelTest, LogIsRewrittenWithCrLfAfterEveryLine) {
    WriteBytes(kDeleteLogFileName, "old one\nold two\rold three\r\nno end");
    one[1]->Lines.clear(); // a memo without lines adds no text lines
    // Deleted within the first second after midnight: the date alone.
    DeleteMemo(one, 1, BoxFileName(1), "L", 46000.0 + 0.5 / 86400.0);
    EXPECT_EQ(ReadBytes(kDeleteLogFileName),
              "old one\r\nold two\r\nold three\r\nno end\r\n" +
                  ExpectedEntry(QStringLiteral("2025.12.09(火)"), QStringLiteral("L"), {}));
}

TEST_F(BoxCommandsModelTest, BoxLabelIsTheNameAndTheBoxNumber) {
    EXPECT_EQ(BoxLabel(Cp932(QStringLiteral("ゴミ箱")), 6), Cp932(QStringLiteral("ゴミ箱(Box6)")));
}

TEST_F(BoxCommandsModelTest, FailedLogRewriteKeepsTheLogAndTheMemo) {
    const std::string log = "kept\r\n";
    WriteBytes(kDeleteLogFileName, log);
    const std::string boxBefore = ReadBytes(BoxFileName(1));
    for (auto stage : {FakePlatform::SaveFailure::AtStart, FakePlatform::SaveFailure::HalfWay}) {
        fake->failSaveAt = 1;
        fake->failSaveStage = stage;
        EXPECT_THROW(DeleteMemo(one, 0, BoxFileName(1), "L", kNoon), Exception);
        EXPECT_EQ(ReadBytes(kDeleteLogFileName), log);
        EXPECT_EQ(Titles(one), (std::vector<std::string>{"a1", "a2"}));
        EXPECT_EQ(ReadBytes(BoxFileName(1)), boxBefore);
    }
}

TEST_F(BoxCommandsModelTest, FailedBoxWriteKeepsTheMemoInTheList) {
    const std::string boxBefore = ReadBytes(BoxFileName(1));
    fake->failSaveAt = 1;
    try {
        DeleteMemo(one, 1, BoxFileName(1), "L", kNoon);
        ADD_FAILURE() << "the failed write was not reported";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ファイル 1.dat を作成できません"));
    }
    EXPECT_EQ(Titles(one), (std::vector<std::string>{"a1", "a2"}));
    EXPECT_EQ(ReadBytes(BoxFileName(1)), boxBefore);
}

TEST_F(BoxCommandsModelTest, FailedBoxWriteAfterLoggingTakesTheEntryBack) {
    const std::string log = "kept\r\n";
    WriteBytes(kDeleteLogFileName, log);
    for (auto stage : {FakePlatform::SaveFailure::AtStart, FakePlatform::SaveFailure::AtCommit}) {
        fake->failSaveAt = 2; // the log is written, the box file is not
        fake->failSaveStage = stage;
        EXPECT_THROW(DeleteMemo(one, 0, BoxFileName(1), "L", kNoon), Exception);
        EXPECT_EQ(ReadBytes(kDeleteLogFileName), log);
        EXPECT_EQ(Titles(one), (std::vector<std::string>{"a1", "a2"}));
    }
    // Deleting it for real then logs it once.
    DeleteMemo(one, 0, BoxFileName(1), "L", kNoon);
    EXPECT_EQ(ReadBytes(kDeleteLogFileName),
              log + ExpectedEntry(QStringLiteral("2025.12.09(火) 12:00"), QStringLiteral("L"),
                                  {"a1", "second line"}));
}

TEST_F(BoxCommandsModelTest, LogWithNulBytesKeepsEverythingAfterThem) {
    using namespace std::string_literals;
    const struct {
        std::string old;
        std::string kept; // the old lines as rewritten: every byte kept, CR LF line ends
    } cases[] = {
        // A log saved as UTF-16 by an editor: CR NUL LF NUL.
        {"o\0l\0d\0\r\0\n\0x\0"s, "o\0l\0d\0\r\n\0\r\n\0x\0\r\n"s},
        {"before\0after\nnext\n"s, "before\0after\r\nnext\r\n"s},
    };
    for (const auto& c : cases) {
        WriteBytes(kDeleteLogFileName, c.old);
        one.insert(one.begin(), Memo({"gone"}, 45010));
        DeleteMemo(one, 0, BoxFileName(1), "L", kNoon);
        EXPECT_EQ(ReadBytes(kDeleteLogFileName),
                  c.kept + ExpectedEntry(QStringLiteral("2025.12.09(火) 12:00"),
                                         QStringLiteral("L"), {"gone"}));
    }
}

TEST_F(BoxCommandsModelTest, MoveWritesTheTargetFirstAndKeepsTheMemoDate) {
    TMemoData* const moved = one[1].get(); // a2, MemoDate 45001
    MoveMemo(one, 1, BoxFileName(1), two, BoxFileName(2), kNoon);
    EXPECT_EQ(fake->savedFiles, (std::vector<QString>{QStringLiteral("2.dat"), "1.dat"}));
    EXPECT_EQ(moved->MemoDate, 45001);
    EXPECT_EQ(moved->SavedAt, kNoon);
    // Memos with a later MemoDate stay ahead of it.
    EXPECT_EQ(Titles(two), (std::vector<std::string>{"b1", "b2", "a2", "b3"}));
    EXPECT_EQ(TitlesOnDisk(2), Titles(two));
    EXPECT_EQ(TitlesOnDisk(1), std::vector<std::string>{"a1"});

    // Among equal MemoDates the moved memo comes first: its SavedAt is now the latest.
    two[1]->MemoDate = 45003;
    one[0]->SavedAt = 40000; // later than b2's old SavedAt, earlier than the move
    MoveMemo(two, 1, BoxFileName(2), one, BoxFileName(1), kNoon + 1);
    EXPECT_EQ(Titles(one), (std::vector<std::string>{"b2", "a1"}));
}

// After any failed move the memo is in exactly one list and the files hold what the lists do.
class FailedMoveTest : public BoxCommandsModelTest {
protected:
    void ExpectUnmoved(const std::string& oneBefore, const std::string& twoBefore) {
        EXPECT_EQ(Titles(one), (std::vector<std::string>{"a1", "a2"}));
        EXPECT_EQ(one[1]->SavedAt, 1.0);
        EXPECT_EQ(Titles(two), (std::vector<std::string>{"b1", "b2", "b3"}));
        EXPECT_EQ(ReadBytes(BoxFileName(1)), oneBefore);
        EXPECT_EQ(ReadBytes(BoxFileName(2)), twoBefore);
    }
};

TEST_F(FailedMoveTest, FirstWriteFails) {
    const std::string oneBefore = ReadBytes(BoxFileName(1));
    const std::string twoBefore = ReadBytes(BoxFileName(2));
    for (auto stage : {FakePlatform::SaveFailure::AtStart, FakePlatform::SaveFailure::AtCommit}) {
        fake->failSaveAt = 1;
        fake->failSaveStage = stage;
        EXPECT_THROW(MoveMemo(one, 1, BoxFileName(1), two, BoxFileName(2), kNoon), Exception);
        ExpectUnmoved(oneBefore, twoBefore);
    }
}

TEST_F(FailedMoveTest, SecondWriteFailsAndTheMoveIsUndone) {
    const std::string oneBefore = ReadBytes(BoxFileName(1));
    const std::string twoBefore = ReadBytes(BoxFileName(2));
    fake->failSaveAt = 2;
    try {
        MoveMemo(one, 1, BoxFileName(1), two, BoxFileName(2), kNoon);
        ADD_FAILURE() << "the failed write was not reported";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ファイル 1.dat を作成できません"));
    }
    ExpectUnmoved(oneBefore, twoBefore);
    EXPECT_EQ(fake->savedFiles, (std::vector<QString>{QStringLiteral("2.dat"), "2.dat"}));
}

// A test double whose saves fail at chosen call numbers (1 = the first save from now).
class FailingSaves : public FakePlatform {
public:
    std::vector<int> failing;
    platform::FileStamp SaveFile(const QString& path, const std::string& bytes) override {
        ++calls_;
        if (std::find(failing.begin(), failing.end(), calls_) != failing.end())
            throw Exception::CannotCreate(path);
        return FakePlatform::SaveFile(path, bytes);
    }

private:
    int calls_ = 0;
};

TEST_F(FailedMoveTest, SecondWriteAndTheUndoFailLeaveTheMemoInTheTargetOnly) {
    const std::string oneBefore = ReadBytes(BoxFileName(1));
    FailingSaves saves;
    saves.failing = {2, 3};
    platform::SetCurrent(&saves);
    EXPECT_THROW(MoveMemo(one, 1, BoxFileName(1), two, BoxFileName(2), kNoon), Exception);
    platform::SetCurrent(fake.fake.get());

    // The lists hold the moved state, as the target file does; the source file could not be
    // written, so it still holds its old copy until the source box is next written.
    EXPECT_EQ(Titles(one), std::vector<std::string>{"a1"});
    EXPECT_EQ(Titles(two), (std::vector<std::string>{"b1", "b2", "a2", "b3"}));
    EXPECT_EQ(two[2]->SavedAt, kNoon);
    EXPECT_EQ(TitlesOnDisk(2), Titles(two));
    EXPECT_EQ(ReadBytes(BoxFileName(1)), oneBefore);
    WriteBoxFile(BoxFileName(1), one);
    EXPECT_EQ(TitlesOnDisk(1), std::vector<std::string>{"a1"});
}

// ---- an edit stored into several boxes ----

// The memo "a2" of box 1 is being edited; box 3 holds a copy of it that an earlier failed store
// left behind. Both records are replaced by the stored memo "new".
class StoreEditTest : public ::testing::Test {
protected:
    FakePlatform::Scope fake;
    TempCurrentDir dir;
    TBoxLists lists;
    std::vector<MemoSerial> copies;
    using TitleList = std::vector<std::string>;

    // Boxes 1 to 6 as described, their files written by the program.
    void Prepare() {
        lists = {};
        fake->now = kNoon;
        lists[1].push_back(Memo({"a1"}, 45003));
        lists[1].push_back(Memo({"a2"}, 45001));
        lists[2].push_back(Memo({"b1"}, 45004));
        lists[3].push_back(Memo({"c1"}, 45005));
        lists[3].push_back(Memo({"a2"}, 45001));
        copies = {lists[1][1]->Serial(), lists[3][1]->Serial()};
        for (int n = 1; n <= 6; ++n)
            WriteBoxFile(BoxFileName(n), lists[std::size_t(n)]);
    }

    static TitleList Sorted(TitleList titles) {
        std::sort(titles.begin(), titles.end());
        return titles;
    }

    // Every box's list in list order is what its file holds.
    void ExpectListsAsFiles() {
        for (int n = 1; n <= 6; ++n)
            EXPECT_EQ(TitlesOf(lists[std::size_t(n)]), TitlesOnDisk(n)) << "box " << n;
    }
};

// Each write of the store fails in turn (with or without the undo of the target failing too).
// The lists then say what the files hold, no memo other than the edited one changes, `copies`
// names exactly the records of the edited memo left in the boxes, and the next store leaves
// the memo once, in the target box.
TEST_F(StoreEditTest, FailedWritesLeaveListsAsFilesAndTheNextStoreKeepsTheMemoOnce) {
    struct Case {
        const char* what;
        int target;
        std::vector<int> failing;       // save calls that fail, 1 = the first
        std::array<TitleList, 4> after; // boxes 1 to 3 after the failure, sorted (index 0 unused)
    };
    const TitleList before1{"a1", "a2"}, before2{"b1"}, before3{"a2", "c1"};
    const std::vector<Case> cases{
        {"target write fails", 2, {1}, {{{}, before1, before2, before3}}},
        {"first source write fails", 2, {2}, {{{}, before1, before2, before3}}},
        {"last source write fails", 2, {3}, {{{}, {"a1"}, before2, before3}}},
        {"source write and undo fail", 2, {2, 3}, {{{}, before1, {"b1", "new"}, before3}}},
        {"target is the edited box, source write fails", 1, {2}, {{{}, before1, before2, before3}}},
        {"target is the edited box, source write and undo fail",
         1,
         {2, 3},
         {{{}, {"a1", "new"}, before2, before3}}},
        {"target holds a copy, source write fails", 3, {2}, {{{}, before1, before2, before3}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Prepare();
        const std::string file2 = ReadBytes(BoxFileName(2));
        FailingSaves saves;
        saves.failing = c.failing;
        platform::SetCurrent(&saves);
        std::vector<int> touched;
        EXPECT_THROW(StoreEdit(lists, c.target, Memo({"new"}, 45006), copies, touched), Exception);
        platform::SetCurrent(fake.fake.get());

        ExpectListsAsFiles();
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(Sorted(TitlesOf(lists[std::size_t(n)])), c.after[std::size_t(n)])
                << "box " << n;
            const TitleList& was = n == 1 ? before1 : n == 2 ? before2 : before3;
            if (c.after[std::size_t(n)] != was) {
                EXPECT_NE(std::find(touched.begin(), touched.end(), n), touched.end())
                    << "box " << n << " changed but was not reported";
            }
        }
        // The target file put back as it was is put back byte for byte.
        if (c.after[2] == before2) {
            EXPECT_EQ(ReadBytes(BoxFileName(2)), file2);
        }
        std::vector<MemoSerial> left;
        for (const auto& list : lists)
            for (const auto& memo : list)
                if (memo->Lines[0] == "a2" || memo->Lines[0] == "new")
                    left.push_back(memo->Serial());
        std::sort(left.begin(), left.end());
        std::sort(copies.begin(), copies.end());
        EXPECT_EQ(copies, left);

        StoreEdit(lists, c.target, Memo({"new"}, 45006), copies, touched);
        ExpectListsAsFiles();
        TitleList expected[4] = {{}, {"a1"}, {"b1"}, {"c1"}};
        expected[c.target].push_back("new");
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(Sorted(TitlesOf(lists[std::size_t(n)])), Sorted(expected[n])) << "box " << n;
    }
}

// ---- through the memo menu of the running window ----

class BoxCommandsWindowTest : public MainWindowFixture {
protected:
    void SetUp() override { fake->now = kNoon; }

    void Start() {
        CreateForms();
        fake->messageBoxes.clear();
        fake->savedFiles.clear();
    }

    // Opens box n's menu and chooses memo i, as the user does before a command.
    void ChooseMemo(int box, int index) {
        fake->Popup(Form1->PopupMenu[box], fake->cursorPos);
        Form1->PopupMenu[box]->actions().at(index + 1)->trigger();
    }

    QColor IconColor(int box) { return Form1->Image[box]->Picture().image.pixelColor(8, 8); }
};

void WriteBox(int box, TMemoList list) {
    WriteBytes(BoxFileName(box), BoxFileBytes(list));
}

TEST_F(BoxCommandsWindowTest, DeletingTheOnlyMemoEmptiesTheBox) {
    TMemoList list;
    list.push_back(Memo({"only"}, 45000));
    WriteBox(1, std::move(list));
    Start();
    ASSERT_EQ(IconColor(1), TestSkinColor(1, 'f'));

    ChooseMemo(1, 0);
    Form1->Delete1->trigger();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text, QStringLiteral("削除してもよろしいですか？"));
    EXPECT_EQ(fake->messageBoxes[0].caption, QStringLiteral("確認"));
    EXPECT_EQ(fake->messageBoxes[0].type, platform::MB_OKCANCEL);

    EXPECT_EQ(ReadBytes(BoxFileName(1)), std::string(4, '\0'));
    EXPECT_TRUE(Form1->BoxMemoLists[1].empty());
    EXPECT_TRUE(MemoItems(1).isEmpty());
    EXPECT_EQ(IconColor(1), TestSkinColor(1, 'e'));
    EXPECT_EQ(Form1->Image[1]->toolTip(), QStringLiteral("0枚のメモがあります"));
    EXPECT_FALSE(Form1->THFolder[1]->isEnabled());
    EXPECT_FALSE(QFile::exists(kDeleteLogFileName));
}

TEST_F(BoxCommandsWindowTest, CancelChangesNothing) {
    TMemoList list;
    list.push_back(Memo({"keep"}, 45000));
    WriteBox(3, std::move(list));
    WriteBytes(kDeleteLogFileName, "");
    Start();
    const std::string before = ReadBytes(BoxFileName(3));
    fake->messageBoxAnswers = {platform::IDCANCEL};
    ChooseMemo(3, 0);
    Form1->Delete1->trigger();
    EXPECT_EQ(fake->saveCalls, 0);
    EXPECT_EQ(ReadBytes(BoxFileName(3)), before);
    EXPECT_EQ(ReadBytes(kDeleteLogFileName), "");
    EXPECT_EQ(MemoItems(3), QStringList{QStringLiteral("keep")});
}

TEST_F(BoxCommandsWindowTest, DeletingFromTheTrashBoxLogsItsLabel) {
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("[Box6]\n"), QStringLiteral("[Box6]\nElement=ゴミ箱\n"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("default"), ini);
    TMemoList list;
    list.push_back(Memo({"t1"}, 45001));
    list.push_back(Memo({Cp932(QStringLiteral("捨てた")), "2"}, 45000));
    WriteBox(6, std::move(list));
    WriteBytes(kDeleteLogFileName, "");
    Start();
    fake->now = 46000.0; // 00:00:00

    ChooseMemo(6, 1);
    Form1->Delete1->trigger();
    EXPECT_EQ(ReadBytes(kDeleteLogFileName),
              ExpectedEntry(QStringLiteral("2025.12.09(火)"), QStringLiteral("ゴミ箱(Box6)"),
                            {Cp932(QStringLiteral("捨てた")), "2"}));
    EXPECT_EQ(TitlesOnDisk(6), std::vector<std::string>{"t1"});
    EXPECT_EQ(MemoItems(6), QStringList{QStringLiteral("t1")});
}

TEST_F(BoxCommandsWindowTest, RestoreFromTheTrashWritesTheTargetFirst) {
    TMemoList two;
    two.push_back(Memo({"newer"}, 45005));
    two.push_back(Memo({"older"}, 45001));
    WriteBox(2, std::move(two));
    TMemoList trash;
    trash.push_back(Memo({"back"}, 45003));
    WriteBox(6, std::move(trash));
    Start();

    ChooseMemo(6, 0);
    Form1->Move[2]->trigger();
    EXPECT_TRUE(fake->messageBoxes.empty());
    EXPECT_EQ(fake->savedFiles, (std::vector<QString>{QStringLiteral("2.dat"), "6.dat"}));
    EXPECT_EQ(MemoItems(2), (QStringList{QStringLiteral("newer"), QStringLiteral("back"),
                                         QStringLiteral("older")}));
    EXPECT_TRUE(MemoItems(6).isEmpty());
    EXPECT_EQ(TitlesOnDisk(2), (std::vector<std::string>{"newer", "back", "older"}));
    EXPECT_EQ(Form1->BoxMemoLists[2][1]->SavedAt, kNoon);
    EXPECT_EQ(IconColor(6), TestSkinColor(6, 'e'));
    EXPECT_EQ(Form1->Image[2]->toolTip(), QStringLiteral("3枚のメモがあります"));
}

TEST_F(BoxCommandsWindowTest, FailedFirstWriteOfAMoveKeepsTheMemoOnceEverywhere) {
    TMemoList one;
    one.push_back(Memo({"stays"}, 45000));
    WriteBox(1, std::move(one));
    Start();

    ChooseMemo(1, 0);
    fake->failSaveAt = 1;
    Form1->Move[3]->trigger();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text, QStringLiteral("ファイル 3.dat を作成できません"));
    EXPECT_EQ(MemoItems(1), QStringList{QStringLiteral("stays")});
    EXPECT_TRUE(MemoItems(3).isEmpty());
    EXPECT_TRUE(Form1->BoxMemoLists[3].empty());
    EXPECT_EQ(TitlesOnDisk(1), std::vector<std::string>{"stays"});
    EXPECT_FALSE(QFile::exists(BoxFileName(3)));

    // The memo can still be moved once the box file can be written.
    ChooseMemo(1, 0);
    Form1->Move[3]->trigger();
    EXPECT_EQ(TitlesOnDisk(3), std::vector<std::string>{"stays"});
    EXPECT_TRUE(TitlesOnDisk(1).empty());
}

TEST_F(BoxCommandsWindowTest, DeleteLogIsOpenedOnlyWhenItExists) {
    Start();
    Form1->N18->trigger();
    Form1->N19->trigger();
    EXPECT_TRUE(fake->shellCalls.empty());
    EXPECT_TRUE(fake->messageBoxes.empty());

    WriteBytes(kDeleteLogFileName, "");
    Form1->N18->trigger();
    Form1->N19->trigger();
    ASSERT_EQ(fake->shellCalls.size(), 2u);
    for (const auto& call : fake->shellCalls) {
        EXPECT_EQ(call.operation, "open");
        EXPECT_EQ(call.file, "TabukoDelLog.txt");
        EXPECT_EQ(call.showCommand, platform::SW_SHOW);
    }
}

} // namespace
