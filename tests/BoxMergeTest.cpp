// Three-way merge of box files and merging of sync tools' conflict copies.
#include "store/BoxMerge.h"
#include "FakePlatform.h"
#include "Memos.h"
#include "store/BoxFile.h"
#include "store/FileAccess.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace {

// A memo by its one line and date; the other fields default.
struct M {
    std::string line;
    double date;
    double saved = 1.0;
};

TMemoList List(const std::vector<M>& memos) {
    TMemoList list;
    for (const auto& m : memos)
        list.push_back(Memo({m.line}, m.date, m.saved));
    return list;
}

std::string Bytes(const std::vector<M>& memos) {
    return BoxFileBytes(List(memos));
}

std::vector<std::string> Lines(const TMemoList& list) {
    std::vector<std::string> lines;
    for (const auto& memo : list)
        lines.push_back(memo->Lines.empty() ? "" : memo->Lines[0]);
    return lines;
}

std::string Le32(std::int32_t v) {
    std::string s;
    FileAccess::WriteInt32(s, v);
    return s;
}

class BoxMergeTest : public ::testing::Test {
protected:
    FakePlatform::Scope fake;
};

TEST_F(BoxMergeTest, ChangesOnDiskReachTheListAndTheListKeepsItsOwn) {
    const std::string base = Bytes({{"D", 4}, {"C", 3}, {"B", 2}, {"A", 1}});
    // On disk: A deleted, B edited, E added.
    const std::string disk = Bytes({{"E", 5}, {"D", 4}, {"C", 3}, {"B2", 2, 7}});
    // Here: C edited, D deleted, F added.
    TMemoList mine = List({{"F", 6}, {"C2", 3, 8}, {"B", 2}, {"A", 1}});

    const MergeOutcome outcome = MergeBox(base, disk, mine);
    EXPECT_FALSE(outcome.damaged);
    EXPECT_EQ(outcome.added.size(), std::size_t(2));   // B2, E
    EXPECT_EQ(outcome.removed.size(), std::size_t(2)); // B, A
    EXPECT_EQ(Lines(mine), (std::vector<std::string>{"F", "E", "C2", "B2"}));
}

TEST_F(BoxMergeTest, BothSidesEditingOneMemoKeepBothVersions) {
    const std::string base = Bytes({{"A", 1}});
    TMemoList mine = List({{"A mine", 1, 5}});
    const MergeOutcome outcome = MergeBox(base, Bytes({{"A disk", 1, 6}}), mine);
    EXPECT_EQ(outcome.added.size(), std::size_t(1));
    EXPECT_EQ(outcome.removed.size(), std::size_t(0));
    EXPECT_EQ(Lines(mine), (std::vector<std::string>{"A disk", "A mine"}));
}

TEST_F(BoxMergeTest, SurvivorsStayTheSameObjectsAndTheListEndsInMemoOrder) {
    const std::string base = Bytes({{"C", 30}, {"B", 20}, {"A", 10}});
    TMemoList mine = List({{"C", 30}, {"B", 20}, {"A", 10}});
    const TMemoData* c = mine[0].get();
    const TMemoData* a = mine[2].get();
    // Disk: B deleted, memos added that sort first, between and last.
    const std::string disk =
        Bytes({{"new 40", 40}, {"C", 30}, {"new 15", 15}, {"A", 10}, {"5", 5}});
    const MergeOutcome outcome = MergeBox(base, disk, mine);
    EXPECT_EQ(outcome.added.size(), std::size_t(3));
    EXPECT_EQ(outcome.removed.size(), std::size_t(1));
    ASSERT_EQ(mine.size(), 5u);
    EXPECT_EQ(mine[1].get(), c);
    EXPECT_EQ(mine[3].get(), a);
    EXPECT_EQ(Lines(mine), (std::vector<std::string>{"new 40", "C", "new 15", "A", "5"}));

    // Nothing new on disk: the list is left as it was.
    std::vector<const TMemoData*> before;
    for (const auto& memo : mine)
        before.push_back(memo.get());
    const std::string now = BoxFileBytes(mine);
    EXPECT_FALSE(MergeBox(now, now, mine).Changed());
    for (std::size_t i = 0; i < mine.size(); ++i)
        EXPECT_EQ(mine[i].get(), before[i]);
}

// Identical records repeat: each side's change of the count is applied once; when both sides
// change it the same way only the larger change counts.
TEST_F(BoxMergeTest, IdenticalRecordsAreCountedAsAMultiset) {
    struct Case {
        int base, disk, mine, expected;
    } cases[] = {
        {2, 3, 2, 3},               // disk added a copy
        {2, 1, 2, 1},               // disk removed one
        {2, 3, 3, 3},               // both added one: not two
        {2, 4, 3, 4},               // both added, the larger change wins
        {2, 3, 4, 4}, {2, 1, 1, 1}, // both removed one
        {2, 0, 1, 0}, {2, 3, 1, 2}, // opposite changes both apply
        {1, 0, 2, 1}, {0, 1, 1, 1}, // both added the same new record
        {0, 2, 1, 2}, {3, 0, 0, 0}, {1, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto copies = [](int n) {
            std::vector<M> memos{{"other", 9}};
            for (int i = 0; i < n; ++i)
                memos.push_back({"same", 1});
            return memos;
        };
        TMemoList mine = List(copies(c.mine));
        const MergeOutcome outcome = MergeBox(Bytes(copies(c.base)), Bytes(copies(c.disk)), mine);
        const auto lines = Lines(mine);
        SCOPED_TRACE(testing::Message()
                     << "base " << c.base << " disk " << c.disk << " mine " << c.mine);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "same"), c.expected);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "other"), 1);
        EXPECT_EQ(outcome.added.size(), std::size_t(std::max(c.expected - c.mine, 0)));
        EXPECT_EQ(outcome.removed.size(), std::size_t(std::max(c.mine - c.expected, 0)));
    }
}

TEST_F(BoxMergeTest, DamagedDiskFileMergesNothing) {
    const std::string base = Bytes({{"A", 1}});
    const std::string whole = Bytes({{"B", 2}, {"A", 1}});
    const std::string record = whole.substr(4, (whole.size() - 4) / 2);
    const std::string cases[] = {
        "",                                // empty file (or none)
        std::string("\x02\0", 2),          // count cut short
        whole.substr(0, whole.size() - 3), // last record cut short
        Le32(3) + whole.substr(4),         // count beyond the records
        Le32(0) + record,                  // no memos, yet more bytes
        Le32(-1) + record,
    };
    for (const auto& disk : cases) {
        TMemoList mine = List({{"C", 3}, {"A", 1}});
        const TMemoData* first = mine[0].get();
        const MergeOutcome outcome = MergeBox(base, disk, mine);
        EXPECT_TRUE(outcome.damaged) << disk.size();
        EXPECT_FALSE(outcome.Changed());
        ASSERT_EQ(mine.size(), 2u);
        EXPECT_EQ(mine[0].get(), first);
    }

    // A box emptied on disk is no damage, and bytes after the last record are ignored.
    TMemoList mine = List({{"C", 3}, {"A", 1}});
    EXPECT_FALSE(MergeBox(base, Le32(0), mine).damaged);
    EXPECT_EQ(Lines(mine), std::vector<std::string>{"C"});
    mine = List({{"A", 1}});
    EXPECT_FALSE(MergeBox(base, whole + "tail", mine).damaged);
    EXPECT_EQ(Lines(mine), (std::vector<std::string>{"B", "A"}));
}

// A record is compared as the box file would hold it after a rewrite: a memo read with foreign
// line ends (or a NUL, or no final line end) and deleted here must not come back when another
// computer rewrote the file.
TEST_F(BoxMergeTest, RecordsReadWithForeignTextMatchTheirRewrittenForm) {
    const std::string dates = BoxFileBytes(List({{"x", 2}})).substr(4 + 4 + 3);
    const struct {
        std::string block;
        std::vector<std::string> lines;
    } cases[] = {
        {"x\n", {"x"}},           {"x\r", {"x"}},         {"x", {"x"}},
        {{"x\0y\r\n", 5}, {"x"}}, {"x\r\r\n", {"x", ""}}, {"x\n\r\n", {"x", ""}},
    };
    for (const auto& c : cases) {
        const std::string base = Le32(1) + Le32(std::int32_t(c.block.size())) + c.block + dates;
        TMemoList mine; // loaded from base, then its memo was deleted
        TMemoList disk = List({{"new", 3}});
        disk.push_back(Memo(c.lines, 2.0));
        const MergeOutcome outcome = MergeBox(base, BoxFileBytes(disk), mine);
        EXPECT_EQ(outcome.added.size(), std::size_t(1)) << c.block;
        EXPECT_EQ(Lines(mine), std::vector<std::string>{"new"}) << c.block;
    }
}

// A base that did not read whole is used as far as it did: the list was loaded from those
// records, so one deleted here since stays deleted when the disk file is whole again.
TEST_F(BoxMergeTest, DamagedBaseCountsTheRecordsReadWhole) {
    const std::string full = Bytes({{"C", 3}, {"B", 2}, {"A", 1}});
    const std::string base = full.substr(0, full.size() - 5);
    TMemoList loaded;
    ASSERT_TRUE(ParseBoxFile(base, loaded).damaged);
    ASSERT_EQ(loaded.size(), 2u);
    TMemoList mine = List({{"B", 2}}); // C deleted here
    MergeBox(base, full, mine);
    EXPECT_EQ(Lines(mine), (std::vector<std::string>{"B", "A"}));
}

TEST_F(BoxMergeTest, ConflictCopyAddsWhatTheListLacksAndRemovesNothing) {
    TMemoList mine = List({{"B", 2}, {"A", 1}, {"same", 0.5}});
    const TMemoData* b = mine[0].get();
    const std::string copy = Bytes({{"X", 3}, {"A", 1}, {"same", 0.5}, {"same", 0.5}});
    const MergeOutcome outcome = MergeConflictCopy(copy, mine);
    EXPECT_EQ(outcome.added.size(), std::size_t(2));
    EXPECT_EQ(outcome.removed.size(), std::size_t(0));
    EXPECT_EQ(Lines(mine), (std::vector<std::string>{"X", "B", "A", "same", "same"}));
    EXPECT_EQ(mine[1].get(), b);

    EXPECT_FALSE(MergeConflictCopy(copy, mine).Changed());
    EXPECT_TRUE(MergeConflictCopy(copy.substr(0, copy.size() - 1), mine).damaged);
    EXPECT_EQ(mine.size(), 5u);
}

} // namespace
