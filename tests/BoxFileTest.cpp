// The box file layout byte for byte, and reading of damaged or hand-made files.
#include "store/BoxFile.h"
#include "FakePlatform.h"
#include "Memos.h"
#include "TempDir.h"
#include "store/FileAccess.h"
#include "util/Exception.h"

#include <QFile>
#include <bit>
#include <gtest/gtest.h>

namespace {

std::string Le32(std::int32_t v) {
    std::string s;
    FileAccess::WriteInt32(s, v);
    return s;
}

std::string Le64(double v) {
    std::string s;
    FileAccess::WriteDateTime(s, v);
    return s;
}

// A record as the file holds it, with a raw text block.
std::string Record(const std::string& text, double date = 45000.25, double saved = 45000.5,
                   std::int32_t key = 0) {
    return Le32(std::int32_t(text.size())) + text + Le64(date) + Le64(saved) + Le32(key);
}

TMemoList Parse(const std::string& bytes, bool* damaged = nullptr) {
    TMemoList list;
    const auto result = ParseBoxFile(bytes, list);
    if (damaged)
        *damaged = result.damaged;
    return list;
}

class BoxFileTest : public ::testing::Test {
protected:
    FakePlatform::Scope fake;
    TempCurrentDir dir;
};

TEST_F(BoxFileTest, OneMemoAbcIsTheDocumented33Bytes) {
    TMemoList list;
    list.push_back(Memo({"abc"}, 45000.25, 45000.5));
    WriteBoxFile(BoxFileName(2), list);
    const std::string bytes = ReadBytes(dir.file("2.dat"));
    ASSERT_EQ(bytes.size(), 33u);
    EXPECT_EQ(bytes.substr(0, 13), std::string("\x01\0\0\0\x05\0\0\0abc\r\n", 13));
    EXPECT_EQ(bytes.substr(13, 8), Le64(45000.25));
    EXPECT_EQ(bytes.substr(21, 8), Le64(45000.5));
    EXPECT_EQ(bytes.substr(29), std::string(4, '\0'));
    EXPECT_EQ(BoxFileName(6), "6.dat");
}

TEST_F(BoxFileTest, TextBlockLengthsAndRoundTrip) {
    struct Case {
        std::vector<std::string> lines;
        std::string block;
    } cases[] = {
        {{"a", ""}, "a\r\n\r\n"}, // an empty last line is kept
        {{""}, "\r\n"},           // one empty line
        {{}, ""},                 // no lines: L = 0 and no text bytes
        {{"\x82\xa0", "x"}, "\x82\xa0\r\nx\r\n"},
    };
    for (const auto& c : cases) {
        TMemoList list;
        list.push_back(Memo(c.lines, 45000.25, 45000.5));
        const std::string bytes = BoxFileBytes(list);
        EXPECT_EQ(bytes, Le32(1) + Record(c.block));
        TMemoList back = Parse(bytes);
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0]->Lines, c.lines);
        EXPECT_EQ(back[0]->MemoDate, 45000.25);
        EXPECT_EQ(back[0]->SavedAt, 45000.5);
    }
}

TEST_F(BoxFileTest, ForeignLineEndsReadAsLinesAndAreWrittenBackWithCrLf) {
    for (const std::string block : {"a\nb\n", "a\rb\r", "a\r\nb", "a\nb"}) {
        TMemoList list = Parse(Le32(1) + Record(block));
        ASSERT_EQ(list.size(), 1u) << block;
        EXPECT_EQ(list[0]->Lines, (std::vector<std::string>{"a", "b"})) << block;
        EXPECT_EQ(BoxFileBytes(list), Le32(1) + Record("a\r\nb\r\n"));
    }
}

TEST_F(BoxFileTest, NulEndsTheTextButNotTheRecord) {
    const std::string block("ab\0cd\r\nef\r\n", 11);
    TMemoList list = Parse(Le32(2) + Record(block, 1.0, 2.0, 7) + Record("next\r\n", 3.0, 4.0, 9));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Lines, std::vector<std::string>{"ab"});
    EXPECT_EQ(list[0]->SortKey, 7);
    EXPECT_EQ(list[1]->Lines, std::vector<std::string>{"next"});
    EXPECT_EQ(list[1]->MemoDate, 3.0);
}

TEST_F(BoxFileTest, NonPositiveCountsGiveAnEmptyBox) {
    bool damaged = true;
    EXPECT_TRUE(Parse(Le32(0), &damaged).empty());
    EXPECT_FALSE(damaged);
    EXPECT_TRUE(Parse(Le32(-3), &damaged).empty());
    EXPECT_FALSE(damaged);

    TMemoList empty;
    WriteBoxFile(BoxFileName(1), empty);
    EXPECT_EQ(ReadBytes(dir.file("1.dat")), std::string(4, '\0'));
}

// The program never writes these: a file of 0 bytes (left by a failed write) and records behind
// a count of 0 or less (a damaged count, whose records the next write would drop).
TEST_F(BoxFileTest, EmptyFilesAndRecordsBehindANonPositiveCountAreDamage) {
    for (const std::string& bytes :
         {std::string(), Le32(0) + Record("x\r\n"), Le32(-3) + Record("x\r\n"), Le32(0) + "z"}) {
        bool damaged = false;
        EXPECT_TRUE(Parse(bytes, &damaged).empty());
        EXPECT_TRUE(damaged) << bytes.size();
    }
}

TEST_F(BoxFileTest, DamagedFilesKeepTheMemosReadWholeAndNeverReadPastTheEnd) {
    const std::string good = Record("one\r\n");
    const std::string second = Record("two\r\n");
    struct Case {
        std::string bytes;
        std::size_t kept;
    } cases[] = {
        {std::string("\x01", 1), 0},
        {std::string("\x01\0\0", 3), 0},
        {Le32(3) + good, 1},                                       // count larger than the file
        {Le32(2) + good + second.substr(0, 6), 1},                 // text block cut short
        {Le32(2) + good + second.substr(0, second.size() - 2), 1}, // fixed fields cut short
        {Le32(1) + Le32(-5) + "abc", 0},                           // negative length
        {Le32(1) + Le32(0x7FFFFFFF), 0},                           // length beyond the end
    };
    for (const auto& c : cases) {
        bool damaged = false;
        TMemoList list = Parse(c.bytes, &damaged);
        EXPECT_TRUE(damaged);
        ASSERT_EQ(list.size(), c.kept);
        if (c.kept) {
            EXPECT_EQ(list[0]->Lines, std::vector<std::string>{"one"});
        }
    }
}

TEST_F(BoxFileTest, BytesAfterTheLastRecordAreIgnored) {
    bool damaged = true;
    TMemoList list = Parse(Le32(1) + Record("x\r\n") + "trailing", &damaged);
    EXPECT_FALSE(damaged);
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(BoxFileTest, ReadBoxFileFromTheCurrentDirectory) {
    TMemoList list;
    EXPECT_FALSE(ReadBoxFile(4, list).damaged); // no file: empty box
    EXPECT_TRUE(list.empty());

    WriteBytes(dir.file("4.dat"), Le32(1) + Record("hello\r\n"));
    EXPECT_FALSE(ReadBoxFile(4, list).damaged);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->Lines[0], "hello");
}

TEST_F(BoxFileTest, UnreadableBoxFileRaisesTheOpenMessage) {
    QDir(dir.path()).mkdir("5.dat"); // a folder cannot be opened as a file
    TMemoList list;
    try {
        ReadBoxFile(5, list);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ファイル 5.dat は開けません"));
    }
}

TEST_F(BoxFileTest, FailedWriteKeepsTheOldFileAndNamesIt) {
    TMemoList list;
    list.push_back(Memo({"old"}, 45000.25, 45000.5));
    WriteBoxFile("3.dat", list);
    const std::string before = ReadBytes(dir.file("3.dat"));
    list.push_back(Memo({"new"}, 45000.25, 45000.5));
    using F = FakePlatform::SaveFailure;
    for (F stage : {F::AtStart, F::HalfWay, F::AtCommit}) {
        fake->failSaveAt = 1;
        fake->failSaveStage = stage;
        try {
            WriteBoxFile("3.dat", list);
            FAIL() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), stage == F::AtStart
                                       ? QStringLiteral("ファイル 3.dat を作成できません")
                                       : QStringLiteral("ストリームへの書き込みエラー"));
        }
        EXPECT_EQ(ReadBytes(dir.file("3.dat")), before);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"3.dat"}); // no temp left
}

TEST_F(BoxFileTest, DamagedCopyTakesAFreeName) {
    WriteBytes(dir.file("2.dat"), "\x01");
    EXPECT_FALSE(HasDamagedCopy("2.dat"));
    EXPECT_EQ(KeepDamagedCopy("2.dat"), "2.dat.damaged");
    EXPECT_EQ(KeepDamagedCopy("2.dat"), "2.dat.damaged2");
    EXPECT_EQ(ReadBytes(dir.file("2.dat.damaged2")), "\x01");
}

TEST_F(BoxFileTest, DamagedCopyIsFoundOnlyWithTheSameBytes) {
    WriteBytes(dir.file("2.dat.damaged"), "\x01");
    WriteBytes(dir.file("2.dat.damaged3"), "\x02\x00");
    WriteBytes(dir.file("2.dat"), "\x02\x00");
    EXPECT_TRUE(HasDamagedCopy("2.dat")); // past a gap in the numbers
    WriteBytes(dir.file("2.dat"), "\x02\x01");
    EXPECT_FALSE(HasDamagedCopy("2.dat"));
    EXPECT_FALSE(HasDamagedCopy("4.dat")); // no file
}

TEST(MemoOrderTest, NewestMemoDateThenLatestStoreThenGreaterKey) {
    FakePlatform::Scope fake;
    TMemoList list;
    list.push_back(Memo({"old"}, 1.0, 9.0, 5));
    list.push_back(Memo({"same date, earlier store"}, 2.0, 3.0, 9));
    list.push_back(Memo({"same date, later store"}, 2.0, 4.0, 0));
    list.push_back(Memo({"all equal, key -1"}, 2.0, 4.0, -1));
    list.push_back(Memo({"newest"}, 3.0, 0.0, 0));
    SortMemos(list);
    std::vector<std::string> titles;
    for (const auto& m : list)
        titles.push_back(m->Lines[0]);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"newest", "same date, later store", "all equal, key -1",
                                        "same date, earlier store", "old"}));
    EXPECT_EQ(CompareMemos(*list[0], *list[0]), 0);
    EXPECT_EQ(CompareMemos(*list[1], *list[0]), 1);
}

TEST(MemoDataTest, NewMemoTakesTheClockAndKeyZero) {
    FakePlatform::Scope fake;
    fake->now = 46364.75;
    TMemoData memo;
    EXPECT_TRUE(memo.Lines.empty());
    EXPECT_EQ(memo.MemoDate, 46364.75);
    EXPECT_EQ(memo.SavedAt, 46364.75);
    EXPECT_EQ(memo.SortKey, 0);
}

} // namespace
