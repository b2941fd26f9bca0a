#include "mainwindow/SkinColor.h"

#include "util/CP932.h"
#include "util/Exception.h"
#include "util/IniFile.h"

#include <array>

namespace skincolor {
namespace {

struct NamedColor {
    const char* name;
    TColor value;
};

constexpr TColor System(int index) {
    return TColor(0x80000000u | unsigned(index));
}

constexpr std::array kNamedColors{
    NamedColor{"clBlack", 0x000000},
    NamedColor{"clMaroon", 0x000080},
    NamedColor{"clGreen", 0x008000},
    NamedColor{"clOlive", 0x008080},
    NamedColor{"clNavy", 0x800000},
    NamedColor{"clPurple", 0x800080},
    NamedColor{"clTeal", 0x808000},
    NamedColor{"clGray", 0x808080},
    NamedColor{"clSilver", 0xC0C0C0},
    NamedColor{"clRed", 0x0000FF},
    NamedColor{"clLime", 0x00FF00},
    NamedColor{"clYellow", 0x00FFFF},
    NamedColor{"clBlue", 0xFF0000},
    NamedColor{"clFuchsia", 0xFF00FF},
    NamedColor{"clAqua", 0xFFFF00},
    NamedColor{"clWhite", 0xFFFFFF},
    NamedColor{"clMoneyGreen", 0xC0DCC0},
    NamedColor{"clSkyBlue", 0xF0CAA6},
    NamedColor{"clCream", 0xF0FBFF},
    NamedColor{"clMedGray", 0xA4A0A0},
    NamedColor{"clScrollBar", System(COLOR_SCROLLBAR)},
    NamedColor{"clBackground", System(COLOR_BACKGROUND)},
    NamedColor{"clActiveCaption", System(COLOR_ACTIVECAPTION)},
    NamedColor{"clInactiveCaption", System(COLOR_INACTIVECAPTION)},
    NamedColor{"clMenu", System(COLOR_MENU)},
    NamedColor{"clWindow", System(COLOR_WINDOW)},
    NamedColor{"clWindowFrame", System(COLOR_WINDOWFRAME)},
    NamedColor{"clMenuText", System(COLOR_MENUTEXT)},
    NamedColor{"clWindowText", System(COLOR_WINDOWTEXT)},
    NamedColor{"clCaptionText", System(COLOR_CAPTIONTEXT)},
    NamedColor{"clActiveBorder", System(COLOR_ACTIVEBORDER)},
    NamedColor{"clInactiveBorder", System(COLOR_INACTIVEBORDER)},
    NamedColor{"clAppWorkSpace", System(COLOR_APPWORKSPACE)},
    NamedColor{"clHighlight", System(COLOR_HIGHLIGHT)},
    NamedColor{"clHighlightText", System(COLOR_HIGHLIGHTTEXT)},
    NamedColor{"clBtnFace", System(COLOR_BTNFACE)},
    NamedColor{"clBtnShadow", System(COLOR_BTNSHADOW)},
    NamedColor{"clGrayText", System(COLOR_GRAYTEXT)},
    NamedColor{"clBtnText", System(COLOR_BTNTEXT)},
    NamedColor{"clInactiveCaptionText", System(COLOR_INACTIVECAPTIONTEXT)},
    NamedColor{"clBtnHighlight", System(COLOR_BTNHIGHLIGHT)},
    NamedColor{"cl3DDkShadow", System(COLOR_3DDKSHADOW)},
    NamedColor{"cl3DLight", System(COLOR_3DLIGHT)},
    NamedColor{"clInfoText", System(COLOR_INFOTEXT)},
    NamedColor{"clInfoBk", System(COLOR_INFOBK)},
    NamedColor{"clGradientActiveCaption", System(COLOR_GRADIENTACTIVECAPTION)},
    NamedColor{"clGradientInactiveCaption", System(COLOR_GRADIENTINACTIVECAPTION)},
    NamedColor{"clNone", clNone},
    NamedColor{"clDefault", clDefault},
};

// $00BBGGRR to a colour.
QColor FromBgr(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace

std::optional<TColor> ColorFromName(std::string_view name) {
    for (const NamedColor& entry : kNamedColors)
        if (SameNameIgnoringCase(name, entry.name))
            return entry.value;
    return std::nullopt;
}

TColor ParseColor(std::string_view text) {
    if (const auto named = ColorFromName(text))
        return *named;
    if (const auto number = IniFile::ParseInteger(text))
        return *number;
    throw Exception(QStringLiteral("色の値「%1」は読み取れません").arg(cp932::Decode(text)));
}

QColor ClassicSystemColor(int index) {
    switch (index) {
    case COLOR_SCROLLBAR:
        return QColor(200, 200, 200);
    case COLOR_BACKGROUND:
        return QColor(0, 128, 128);
    case COLOR_ACTIVECAPTION:
        return QColor(0, 0, 128);
    case COLOR_INACTIVECAPTION:
        return QColor(128, 128, 128);
    case COLOR_MENU:
        return QColor(192, 192, 192);
    case COLOR_WINDOW:
        return QColor(255, 255, 255);
    case COLOR_WINDOWFRAME:
    case COLOR_MENUTEXT:
    case COLOR_WINDOWTEXT:
        return QColor(0, 0, 0);
    case COLOR_CAPTIONTEXT:
        return QColor(255, 255, 255);
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER:
        return QColor(192, 192, 192);
    case COLOR_APPWORKSPACE:
        return QColor(128, 128, 128);
    case COLOR_HIGHLIGHT:
        return QColor(0, 0, 128);
    case COLOR_HIGHLIGHTTEXT:
        return QColor(255, 255, 255);
    case COLOR_BTNFACE:
        return QColor(192, 192, 192);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
        return QColor(128, 128, 128);
    case COLOR_BTNTEXT:
        return QColor(0, 0, 0);
    case COLOR_INACTIVECAPTIONTEXT:
        return QColor(192, 192, 192);
    case COLOR_BTNHIGHLIGHT:
        return QColor(255, 255, 255);
    case COLOR_3DDKSHADOW:
        return QColor(0, 0, 0);
    case COLOR_3DLIGHT:
        return QColor(223, 223, 223);
    case COLOR_INFOTEXT:
        return QColor(0, 0, 0);
    case COLOR_INFOBK:
        return QColor(255, 255, 225);
    case COLOR_HOTLIGHT:
        return QColor(0, 0, 255);
    case COLOR_GRADIENTACTIVECAPTION:
        return QColor(16, 132, 208);
    case COLOR_GRADIENTINACTIVECAPTION:
        return QColor(181, 181, 181);
    case COLOR_MENUHILIGHT:
        return QColor(0, 0, 128);
    case COLOR_MENUBAR:
        return QColor(192, 192, 192);
    default:
        return QColor(0, 0, 0);
    }
}

QColor SystemColorOf(int index, const QPalette& palette) {
    switch (index) {
    case COLOR_MENU:
    case COLOR_MENUBAR:
        return palette.color(QPalette::Active, QPalette::Window);
    case COLOR_WINDOW:
        return palette.color(QPalette::Active, QPalette::Base);
    case COLOR_MENUTEXT:
        return palette.color(QPalette::Active, QPalette::WindowText);
    case COLOR_WINDOWTEXT:
        return palette.color(QPalette::Active, QPalette::Text);
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT:
        return palette.color(QPalette::Active, QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case COLOR_BTNFACE:
        return palette.color(QPalette::Active, QPalette::Button);
    case COLOR_BTNSHADOW:
        return palette.color(QPalette::Active, QPalette::Dark);
    case COLOR_GRAYTEXT:
        return palette.color(QPalette::Disabled, QPalette::Text);
    case COLOR_BTNTEXT:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    case COLOR_BTNHIGHLIGHT:
        return palette.color(QPalette::Active, QPalette::Light);
    case COLOR_3DDKSHADOW:
        return palette.color(QPalette::Active, QPalette::Shadow);
    case COLOR_3DLIGHT:
        return palette.color(QPalette::Active, QPalette::Midlight);
    case COLOR_INFOTEXT:
        return palette.color(QPalette::Active, QPalette::ToolTipText);
    case COLOR_INFOBK:
        return palette.color(QPalette::Active, QPalette::ToolTipBase);
    case COLOR_HOTLIGHT:
        return palette.color(QPalette::Active, QPalette::Link);
    default:
        return ClassicSystemColor(index);
    }
}

QColor ToQColor(TColor color, const QPalette& palette, const QColor& defaultColor) {
    if (color == clNone)
        return QColor(Qt::transparent);
    if (color == clDefault)
        return defaultColor;
    if (color < 0)
        return SystemColorOf(int(std::uint32_t(color) & 0xFF), palette);
    return FromBgr(std::uint32_t(color));
}

} // namespace skincolor
