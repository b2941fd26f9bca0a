// Colour values of skin.ini: names, integers, system colours.
#include "mainwindow/SkinColor.h"
#include "util/CP932.h"
#include "util/Exception.h"

#include <gtest/gtest.h>

using namespace skincolor;

namespace {

struct Named {
    const char* name;
    std::uint32_t value;
};

const Named kTable[] = {
    {"clBlack", 0x00000000},
    {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},
    {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},
    {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},
    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},
    {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},
    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},
    {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},
    {"clWhite", 0x00FFFFFF},
    {"clMoneyGreen", 0x00C0DCC0},
    {"clSkyBlue", 0x00F0CAA6},
    {"clCream", 0x00F0FBFF},
    {"clMedGray", 0x00A4A0A0},
    {"clScrollBar", 0x80000000},
    {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002},
    {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008},
    {"clCaptionText", 0x80000009},
    {"clActiveBorder", 0x8000000A},
    {"clInactiveBorder", 0x8000000B},
    {"clAppWorkSpace", 0x8000000C},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clBtnFace", 0x8000000F},
    {"clBtnShadow", 0x80000010},
    {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},
    {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clInfoText", 0x80000017},
    {"clInfoBk", 0x80000018},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
};

std::string Upper(std::string s) {
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

QString ErrorOf(std::string_view text) {
    try {
        ParseColor(text);
    } catch (const Exception& e) {
        return e.Message();
    }
    return QString();
}

// A palette in which every role has a colour of its own.
QPalette DistinctPalette() {
    QPalette palette;
    int shade = 1;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        if (role == QPalette::NoRole)
            continue;
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::ColorRole(role),
                             QColor(shade, group == QPalette::Disabled ? 200 : 100, 7));
        ++shade;
    }
    return palette;
}

} // namespace

TEST(SkinColor, EveryNameHasItsValueWhateverTheCase) {
    for (const Named& entry : kTable) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(std::uint32_t(ParseColor(entry.name)), entry.value);
        EXPECT_EQ(std::uint32_t(ParseColor(Upper(entry.name))), entry.value);
    }
    EXPECT_EQ(ParseColor("clred"), 0x0000FF);
    EXPECT_FALSE(ColorFromName("clRedd"));
    EXPECT_FALSE(ColorFromName("clRe"));
}

TEST(SkinColor, IntegersInDecimalAndHex) {
    EXPECT_EQ(ParseColor("255"), 255);
    EXPECT_EQ(ParseColor("65280"), 0x00FF00);
    EXPECT_EQ(ParseColor("$00FF0000"), 0xFF0000);
    EXPECT_EQ(ParseColor("$ff"), 0xFF);
    EXPECT_EQ(ParseColor("-1"), -1);
    // Eight hex digits wrap into the signed range: the default text colour is system colour 0.
    EXPECT_EQ(ParseColor("$FFFFFF00"), -256);
    EXPECT_EQ(ParseColor("$80000005"), std::int32_t(0x80000005u));
    EXPECT_EQ(ParseColor("2147483647"), 2147483647);
    EXPECT_EQ(ParseColor("-2147483648"), std::int32_t(0x80000000u));
}

TEST(SkinColor, TextThatIsNeitherNameNorIntegerNamesTheValue) {
    for (const char* bad : {"red", "", "$", "12a", "2147483648", "$123456789", "cl Red"}) {
        SCOPED_TRACE(bad);
        const QString message = ErrorOf(bad);
        ASSERT_FALSE(message.isEmpty());
        EXPECT_TRUE(message.contains(QStringLiteral("「%1」").arg(QString::fromLatin1(bad))))
            << message.toStdString();
    }
    // The value is shown as the user wrote it, Japanese included.
    EXPECT_EQ(ErrorOf(cp932::Encode(QStringLiteral("赤"))),
              QStringLiteral("色の値「赤」は読み取れません"));
}

TEST(SkinColor, NonNegativeValuesAreBgr) {
    const QPalette palette;
    EXPECT_EQ(ToQColor(0x000000FF, palette, Qt::magenta), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0x00123456, palette, Qt::magenta), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(ToQColor(0, palette, Qt::magenta), QColor(0, 0, 0));
    EXPECT_EQ(ToQColor(clNone, palette, Qt::magenta).alpha(), 0);
    EXPECT_EQ(ToQColor(clDefault, palette, Qt::magenta), QColor(Qt::magenta));
}

TEST(SkinColor, SystemColoursFollowThePaletteWhereARoleFits) {
    const QPalette palette = DistinctPalette();
    const auto active = [&](QPalette::ColorRole role) {
        return palette.color(QPalette::Active, role);
    };
    const auto system = [&](int index) {
        return ToQColor(TColor(0x80000000u | unsigned(index)), palette, Qt::magenta);
    };
    EXPECT_EQ(system(COLOR_WINDOW), active(QPalette::Base));
    EXPECT_EQ(system(COLOR_WINDOWTEXT), active(QPalette::Text));
    EXPECT_EQ(system(COLOR_MENU), active(QPalette::Window));
    EXPECT_EQ(system(COLOR_MENUTEXT), active(QPalette::WindowText));
    EXPECT_EQ(system(COLOR_HIGHLIGHT), active(QPalette::Highlight));
    EXPECT_EQ(system(COLOR_HIGHLIGHTTEXT), active(QPalette::HighlightedText));
    EXPECT_EQ(system(COLOR_BTNFACE), active(QPalette::Button));
    EXPECT_EQ(system(COLOR_BTNTEXT), active(QPalette::ButtonText));
    EXPECT_EQ(system(COLOR_BTNSHADOW), active(QPalette::Dark));
    EXPECT_EQ(system(COLOR_BTNHIGHLIGHT), active(QPalette::Light));
    EXPECT_EQ(system(COLOR_3DDKSHADOW), active(QPalette::Shadow));
    EXPECT_EQ(system(COLOR_3DLIGHT), active(QPalette::Midlight));
    EXPECT_EQ(system(COLOR_INFOBK), active(QPalette::ToolTipBase));
    EXPECT_EQ(system(COLOR_INFOTEXT), active(QPalette::ToolTipText));
    EXPECT_EQ(system(COLOR_GRAYTEXT), palette.color(QPalette::Disabled, QPalette::Text));
}

TEST(SkinColor, OtherSystemColoursTakeTheirClassicValue) {
    const QPalette palette = DistinctPalette();
    // Only the lowest byte names the system colour.
    EXPECT_EQ(ToQColor(ParseColor("$FFFFFF00"), palette, Qt::magenta), QColor(200, 200, 200));
    EXPECT_EQ(ToQColor(ParseColor("clScrollBar"), palette, Qt::magenta), QColor(200, 200, 200));
    EXPECT_EQ(ToQColor(ParseColor("clBackground"), palette, Qt::magenta), QColor(0, 128, 128));
    EXPECT_EQ(ToQColor(ParseColor("clActiveCaption"), palette, Qt::magenta), QColor(0, 0, 128));
    EXPECT_EQ(ToQColor(ParseColor("clCaptionText"), palette, Qt::magenta), QColor(255, 255, 255));
    EXPECT_EQ(ToQColor(ParseColor("clAppWorkSpace"), palette, Qt::magenta), QColor(128, 128, 128));
    EXPECT_EQ(ToQColor(ParseColor("-1"), palette, Qt::magenta), ClassicSystemColor(0xFF));
    EXPECT_EQ(ClassicSystemColor(0xFF), QColor(0, 0, 0));
    EXPECT_EQ(ClassicSystemColor(COLOR_INFOBK), QColor(255, 255, 225));
}
