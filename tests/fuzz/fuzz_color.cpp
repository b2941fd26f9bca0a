// Colour values of skin.ini: each text is a colour or the program's Exception, names match
// without regard to case, and a colour's decimal form reads back as the same colour.
#include "FuzzCheck.h"
#include "mainwindow/SkinColor.h"
#include "util/Exception.h"
#include "util/IniFile.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::optional<skincolor::TColor> Parse(std::string_view text) {
    try {
        return skincolor::ParseColor(text);
    } catch (const Exception& e) {
        FUZZ_CHECK(!e.Message().isEmpty(), "a refused colour value says why");
        return std::nullopt;
    }
}

std::string AsciiCase(std::string_view text, bool upper) {
    std::string out(text);
    for (char& c : out) {
        if (upper && c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        else if (!upper && c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<skincolor::TColor> color = Parse(text);

    if (const auto named = skincolor::ColorFromName(text)) {
        FUZZ_CHECK(color == named, "a colour name is read as its colour");
        FUZZ_CHECK(skincolor::ColorFromName(AsciiCase(text, true)) == named,
                   "an upper-cased colour name is the same colour");
        FUZZ_CHECK(skincolor::ColorFromName(AsciiCase(text, false)) == named,
                   "a lower-cased colour name is the same colour");
        FUZZ_CHECK(Parse(AsciiCase(text, true)) == color, "case does not change a colour value");
    } else if (const auto number = IniFile::ParseInteger(text)) {
        FUZZ_CHECK(color == number, "a number is read as its value");
    } else {
        FUZZ_CHECK(!color, "a text that is neither a name nor a number is refused");
    }

    if (color) {
        FUZZ_CHECK(Parse(std::to_string(*color)) == color,
                   "a colour's decimal form reads as the same colour");
        const QPalette palette = QGuiApplication::palette();
        const QColor painted = skincolor::ToQColor(*color, palette, QColor(1, 2, 3));
        FUZZ_CHECK(painted.isValid(), "every colour value paints with a valid colour");
        if (*color >= 0 && *color != skincolor::clNone && *color != skincolor::clDefault) {
            const auto bgr = std::uint32_t(*color);
            FUZZ_CHECK(painted ==
                           QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)),
                       "a value of 0 or more paints as $00BBGGRR");
        }
    }
    return 0;
}
