// CP932 conversion, line splitting and the date and time texts.
#include "util/CP932.h"
#include "util/DateTime.h"
#include "util/LineSplit.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(LineSplitTest, AllLineEndsAndTheFinalLineEnd) {
    EXPECT_EQ(text::SplitLines("a\r\n\r\nb\r\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(text::SplitLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(text::SplitLines("a\r\rb\r"), (Lines{"a", "", "b"}));
    EXPECT_EQ(text::SplitLines("a\n\r"), (Lines{"a", ""})); // LF then a lone CR
    EXPECT_EQ(text::SplitLines("a\rb\nc\r\nd\n\re"), (Lines{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(text::SplitLines(""), Lines{});
    EXPECT_EQ(text::SplitLines("\r\n"), Lines{""});
    EXPECT_EQ(text::SplitLines(std::string("x\0y\r\nz", 6)), Lines{"x"});
    EXPECT_EQ(text::JoinLines({"a", ""}), "a\r\n\r\n");
}

TEST(Cp932Test, ValidTextIsWellFormedAndAssigned) {
    EXPECT_TRUE(cp932::IsValid(""));
    EXPECT_TRUE(cp932::IsValid("plain \xB1\x83\x81\x81\x60"));
    EXPECT_TRUE(cp932::IsValid("\xC3\xA9"));  // "é" in UTF-8 is also two half-width kana
    EXPECT_FALSE(cp932::IsValid("\x83"));     // a lead byte at the end
    EXPECT_FALSE(cp932::IsValid("\x83\x0A")); // a line end is no second byte
    EXPECT_FALSE(cp932::IsValid("\x80"));
    EXPECT_FALSE(cp932::IsValid("\xA0"));
    EXPECT_FALSE(cp932::IsValid("\xFD"));
    EXPECT_FALSE(cp932::IsValid("\x85\x40")); // well-formed, but no character there
}

TEST(Cp932Test, DecodesAndEncodesJapanese) {
    EXPECT_EQ(cp932::Decode("\x83\x81\x83\x82"), QStringLiteral("メモ"));
    EXPECT_EQ(cp932::Encode(QStringLiteral("ゴミ箱")), "\x83\x53\x83\x7e\x94\xa0");
    // The wave dash of date ranges is FULLWIDTH TILDE in this code page.
    EXPECT_EQ(cp932::Decode("\x81\x60"), QString(QChar(0xFF5E)));
    EXPECT_EQ(cp932::Encode(QString(QChar(0xFF5E))), "\x81\x60");
    EXPECT_EQ(cp932::Decode("\\"), QStringLiteral("\\"));
}

TEST(Cp932Test, ReportsTheFirstCharacterItCannotHold) {
    EXPECT_FALSE(cp932::FirstUnencodable(QStringLiteral("今日は晴れ ABC ①")).has_value());
    EXPECT_EQ(cp932::FirstUnencodable(QStringLiteral("ok 😀 ü")), U'\U0001F600');
    EXPECT_EQ(cp932::FirstUnencodable(QStringLiteral("Grüße")), U'ü');
}

TEST(Cp932Test, CutsAndReplacesOnWholeCharacters) {
    const std::string memo = "\x83\x81\x83\x82"; // メモ
    EXPECT_EQ(cp932::CutAtCharBoundary("ab" + memo, 3), "ab");
    EXPECT_EQ(cp932::CutAtCharBoundary("ab" + memo, 4), "ab\x83\x81");
    // No match starts in the second half of a double-byte character: 0x81 0x5F is one character.
    EXPECT_EQ(cp932::ReplaceAll("\x81_EEE_", "_EEE_", "X"), "\x81_EEE_");
    EXPECT_EQ(cp932::ReplaceAll("a_EEE_", "_EEE_", "X"), "aX");
    EXPECT_EQ(cp932::ReplaceAll("[_EEE_]_EEE_", "_EEE_", "_EEE_!"), "[_EEE_!]_EEE_!");
}

TEST(DateTimeTest, SerialDatesAndTexts) {
    const QDateTime when(QDate(2026, 12, 8), QTime(9, 5, 30));
    const TDateTime value = datetime::FromQDateTime(when);
    EXPECT_NEAR(value, 46364.0 + (9 * 3600 + 5 * 60 + 30) / 86400.0, 1e-9);
    EXPECT_EQ(datetime::ToQDateTime(value), when);
    EXPECT_EQ(datetime::FormatDate(value), QStringLiteral("2026.12.08(火)"));
    EXPECT_EQ(datetime::FormatTime(value), QStringLiteral("09:05"));
    EXPECT_EQ(datetime::FormatDateTime(value), QStringLiteral("2026.12.08(火) 09:05"));
    EXPECT_EQ(datetime::FormatDateTime(46364.0), QStringLiteral("2026.12.08(火)"));
    EXPECT_EQ(datetime::FormatDate(QDate(2005, 8, 24)), QStringLiteral("2005.08.24(水)"));
    EXPECT_EQ(datetime::FormatDate(QDate(2026, 12, 13)), QStringLiteral("2026.12.13(日)"));
    // One second after midnight still shows the time.
    EXPECT_EQ(datetime::FormatDateTime(46364.0 + 1.0 / 86400),
              QStringLiteral("2026.12.08(火) 00:00"));
}

} // namespace
