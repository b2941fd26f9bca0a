// Finding memos by a piece of their text: folding of case, width and katakana, whole characters
// only, the matched range in a line, and the order of the results.
#include "search/MemoSearch.h"
#include "Memos.h"
#include "util/CP932.h"

#include <gtest/gtest.h>

namespace {

std::string E(const QString& text) {
    return cp932::Encode(text);
}

// Whether a memo of one line `line` (CP932 bytes) is found by the typed `query`.
bool Finds(const std::string& line, const QString& query) {
    std::array<TMemoList, 7> lists;
    lists[2].push_back(Memo({"title", line}, 100));
    search::MemoIndex index;
    index.Build(lists);
    const auto folded = search::FoldQuery(query);
    const bool found = folded && index.Find(*folded).size() == 1;
    // The line that the results show holds the match too.
    EXPECT_EQ(found, folded && search::FindInLine(line, *folded).has_value()) << line;
    return found;
}

TEST(MemoSearchTest, IgnoresCaseAndWidthButTellsHiraganaFromKatakana) {
    EXPECT_TRUE(Finds("Meeting at noon", QStringLiteral("MEETING")));
    EXPECT_TRUE(Finds(E(QStringLiteral("ＡＢＣ商事")), QStringLiteral("abc")));
    EXPECT_TRUE(Finds("abc", QStringLiteral("ＡＢＣ")));
    EXPECT_TRUE(Finds("ABC", QStringLiteral("ａｂｃ")));
    EXPECT_TRUE(Finds(E(QStringLiteral("電話０３１２")), QStringLiteral("0312")));
    EXPECT_TRUE(Finds("tel 0312", QStringLiteral("０３１２")));
    EXPECT_TRUE(Finds(E(QStringLiteral("ｶﾀｶﾅ")), QStringLiteral("カタカナ")));
    EXPECT_TRUE(Finds(E(QStringLiteral("カタカナ")), QStringLiteral("ｶﾀｶﾅ")));
    // A half-width sound mark belongs to the kana before it.
    EXPECT_TRUE(Finds(E(QStringLiteral("ｶﾞｲﾄﾞﾌﾞｯｸ")), QStringLiteral("ガイドブック")));
    EXPECT_TRUE(Finds(E(QStringLiteral("パン")), QStringLiteral("ﾊﾟﾝ")));
    EXPECT_TRUE(Finds(E(QStringLiteral("ｺｰﾋｰ｡")), QStringLiteral("コーヒー。")));
    EXPECT_FALSE(Finds(E(QStringLiteral("ｶﾞｲﾄﾞ")), QStringLiteral("カイト")));
    EXPECT_FALSE(Finds(E(QStringLiteral("かたかな")), QStringLiteral("カタカナ")));
    EXPECT_FALSE(Finds(E(QStringLiteral("カタカナ")), QStringLiteral("かたかな")));
    EXPECT_FALSE(Finds("abc", QStringLiteral("abd")));
}

TEST(MemoSearchTest, NeverMatchesAcrossTheTwoHalvesOfACharacter) {
    // 表 is 0x95 0x5C and ソ 0x83 0x5C: their second byte is the backslash.
    EXPECT_FALSE(Finds(E(QStringLiteral("表")), QStringLiteral("\\")));
    EXPECT_FALSE(Finds(E(QStringLiteral("ソ")), QStringLiteral("\\")));
    // ン is 0x83 0x93, whose second byte is itself a possible first byte.
    EXPECT_FALSE(Finds(E(QStringLiteral("ン表")), QStringLiteral("\\")));
    EXPECT_TRUE(Finds(E(QStringLiteral("ン\\")), QStringLiteral("\\")));
    EXPECT_TRUE(Finds(E(QStringLiteral("表\\")), QStringLiteral("\\")));
    // ア is 0x83 0x41: its second byte is "A", which must not be folded to "a" nor found.
    EXPECT_FALSE(Finds(E(QStringLiteral("ア")), QStringLiteral("A")));
    EXPECT_FALSE(Finds(E(QStringLiteral("ア")), QStringLiteral("a")));
    // "\\示" would begin on the second byte of 表.
    EXPECT_FALSE(Finds(E(QStringLiteral("表示")), QStringLiteral("\\示")));

    // The range shown is the first match on whole characters, in the raw bytes of the line.
    const auto range = search::FindInLine(E(QStringLiteral("表\\x")), *search::FoldQuery("\\"));
    ASSERT_TRUE(range);
    EXPECT_EQ(range->begin, 2u);
    EXPECT_EQ(range->end, 3u);
    const auto wide =
        search::FindInLine(E(QStringLiteral("xxＡＢＣyy")), *search::FoldQuery("abc"));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->begin, 2u);
    EXPECT_EQ(wide->end, 8u);
    const auto kana = search::FindInLine(E(QStringLiteral("ｶﾞｲﾄﾞです")),
                                         *search::FoldQuery(QStringLiteral("ガイド")));
    ASSERT_TRUE(kana);
    EXPECT_EQ(kana->begin, 0u);
    EXPECT_EQ(kana->end, 5u);
}

TEST(MemoSearchTest, QueriesThatCannotMatch) {
    EXPECT_FALSE(search::FoldQuery(QString()));
    // A character that CP932 lacks is in no memo.
    EXPECT_FALSE(search::FoldQuery(QStringLiteral("a😀")));
    // A wave dash typed under the code point other systems use is the one memos hold.
    EXPECT_TRUE(Finds(E(QStringLiteral("10～12時")), QStringLiteral("10〜12")));
}

TEST(MemoSearchTest, OneRowPerMemoInMemoOrderWithinBoxOrder) {
    std::array<TMemoList, 7> lists;
    lists[1].push_back(Memo({"apple pie", "and apple tart"}, 300));
    lists[1].push_back(Memo({"pear"}, 200));
    lists[3].push_back(Memo({"Fruit", "APPLE"}, 500));
    lists[6].push_back(Memo({"ap", "ple"}, 400)); // lines are not joined into a match
    lists[6].push_back(Memo({"old apple"}, 100));
    lists[5].push_back(Memo({"b"}, 1));
    lists[5].push_back(Memo({"c"}, 1));
    search::MemoIndex index;
    index.Build(lists);

    const auto hits = index.Find(*search::FoldQuery("apple"));
    ASSERT_EQ(hits.size(), 3u);
    const auto& entries = index.Entries();
    EXPECT_EQ(entries[hits[0]].memo, lists[1][0]->Serial());
    EXPECT_EQ(entries[hits[1]].memo, lists[3][0]->Serial());
    EXPECT_EQ(entries[hits[2]].memo, lists[6][1]->Serial());
    EXPECT_EQ(entries[hits[2]].box, 6);
    EXPECT_EQ(index.Text(entries[hits[1]]), "Fruit\nAPPLE");
    // Two memos side by side do not make a match between them.
    EXPECT_TRUE(index.Find("b\nc").empty());
}

TEST(MemoSearchTest, AMemoIsTheSameOnlyWithItsDateAndText) {
    auto memo = Memo({"one", "two"}, 100);
    EXPECT_TRUE(search::SameMemo(*memo, 100, "one\ntwo"));
    EXPECT_FALSE(search::SameMemo(*memo, 101, "one\ntwo"));
    EXPECT_FALSE(search::SameMemo(*memo, 100, "one\ntwo\n"));
    EXPECT_FALSE(search::SameMemo(*memo, 100, "one"));
    EXPECT_FALSE(search::SameMemo(*memo, 100, "onetwo"));
}

} // namespace
