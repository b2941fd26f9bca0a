// Laying out message-box texts in lines.
#include "util/MessageText.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// Full-width characters 12 pixels wide, the others 6, as in the program's 12-pixel font.
int Width(const QString& text) {
    int width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x100 || (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F) ? 6 : 12;
    return width;
}

QStringList Lines(const QString& message, int maxWidth) {
    return text::BreakMessage(message, Width, maxWidth).split(QLatin1Char('\n'));
}

TEST(MessageTextTest, LinesThatFitStayWhole) {
    const QString message = QStringLiteral("ファイル InsertPart.txt は開けません\n\n次の行");
    EXPECT_EQ(text::BreakMessage(message, Width, 400), message);
    EXPECT_EQ(text::BreakMessage(QString(), Width, 400), QString());
}

TEST(MessageTextTest, JapaneseBreaksAfterPunctuationAndLeavesNoCharacterAlone) {
    // 432 pixels in a room of 420: once the message box broke this as "…くださ" / "い。".
    const QString line =
        QStringLiteral("この文字を消すか別の文字に置き換えてから、もう一度 OK を押してください。");
    const QStringList lines =
        Lines(QStringLiteral("「한」（U+D55C）は保存できません。\n") + line, 420);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringLiteral("「한」（U+D55C）は保存できません。"));
    EXPECT_EQ(lines[1], QStringLiteral("この文字を消すか別の文字に置き換えてから、"));
    EXPECT_EQ(lines[2], QStringLiteral("もう一度 OK を押してください。"));
}

TEST(MessageTextTest, WordsStayWholeAndSpacesAtBreaksGo) {
    const QString message =
        QStringLiteral("ファイル /home/user/Documents/Tabuko/skin/sakura/box3.bmp は開けません");
    const QStringList lines = Lines(message, 300);
    EXPECT_EQ(lines,
              (QStringList{QStringLiteral("ファイル"),
                           QStringLiteral("/home/user/Documents/Tabuko/skin/sakura/box3.bmp"),
                           QStringLiteral("は開けません")}));
}

TEST(MessageTextTest, RunsWithoutBreakPointsAreCutToFitWithoutALoneLastCharacter) {
    for (int length = 20; length <= 60; ++length) {
        const QString message(length, QChar(0x3042)); // あ…
        const QStringList lines = Lines(message, 240);
        for (const QString& line : lines)
            EXPECT_LE(Width(line), 240) << length;
        EXPECT_GE(lines.last().size(), 2) << length;
        EXPECT_EQ(lines.join(QString()), message);
        // As few lines as the width allows, of about equal length.
        EXPECT_EQ(lines.size(), (12 * length + 239) / 240) << length;
        EXPECT_LE(lines.first().size() - lines.last().size(), 2) << length;
    }
}

} // namespace
