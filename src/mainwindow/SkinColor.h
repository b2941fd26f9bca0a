#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>
#include <optional>
#include <string_view>

// Colour values of skin.ini: a colour name ("clRed", "clBtnFace", ...) or a 32-bit signed
// integer. A value of 0 or more is $00BBGGRR; a negative value names a system colour by its
// lowest byte.
namespace skincolor {

using TColor = std::int32_t;

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The system colour numbers the program knows by name.
enum SystemColor : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_HOTLIGHT = 26,
    COLOR_GRADIENTACTIVECAPTION = 27,
    COLOR_GRADIENTINACTIVECAPTION = 28,
    COLOR_MENUHILIGHT = 29,
    COLOR_MENUBAR = 30,
};

// The value of a colour name, matched without regard to ASCII letter case.
std::optional<TColor> ColorFromName(std::string_view name);

// A colour value as skin.ini holds it (CP932 bytes): a name, else a decimal integer or a
// hexadecimal one after "$" or "0x". Raises Exception naming the text when it is neither.
TColor ParseColor(std::string_view text);

// The classic value of a system colour; black for a number the system does not define.
QColor ClassicSystemColor(int index);

// The screen colour of a system colour: the palette role that stands for it where there is
// one, else its classic value.
QColor SystemColorOf(int index, const QPalette& palette);

// The colour to paint with: $00BBGGRR for 0 or more, the system colour for a negative value,
// transparent for clNone and `defaultColor` for clDefault.
QColor ToQColor(TColor color, const QPalette& palette, const QColor& defaultColor);

} // namespace skincolor
