#include "ui/ProgramFont.h"

#include <QApplication>

QFont ProgramFont() {
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    return font;
}

QFont ProgramFixedFont() {
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPixelSize(12);
    return font;
}

void UseProgramFont() {
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    // Without a class name this also drops the desktop theme's fonts for tool tips and menus.
    QApplication::setFont(ProgramFont());
}
