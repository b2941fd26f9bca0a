// Behaviour that desktops ask of every window: modal windows that cannot be minimised away, and
// the program's font in menus, hints and message boxes.
#include "session/ModalWindows.h"
#include "ui/ProgramFont.h"

#include <QApplication>
#include <QDialog>
#include <QFontInfo>
#include <QMenu>
#include <QMessageBox>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

TEST(ModalWindowsTest, AMinimisedModalWindowComesBackAndOthersStayMinimised) {
    ModalWindows guard;
    QDialog modal;
    modal.setModal(true);
    modal.show();
    QWidget plain;
    plain.show();

    modal.setWindowState(modal.windowState() | Qt::WindowMinimized);
    plain.setWindowState(plain.windowState() | Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_FALSE(modal.isMinimized());
    EXPECT_TRUE(modal.isVisible());
    EXPECT_TRUE(plain.isMinimized());
}

TEST(ProgramFontTest, MenusHintsAndMessageBoxesUseIt) {
    const QFont before = QApplication::font();
    // The test main installs the same substitutions; without them the names match no font here.
    const QString proportional = QStringLiteral("ＭＳ Ｐゴシック");
    const QString fixed = QStringLiteral("ＭＳ ゴシック");
    const QStringList wasProportional = QFont::substitutes(proportional);
    const QStringList wasFixed = QFont::substitutes(fixed);
    QFont::removeSubstitutions(proportional);
    QFont::removeSubstitutions(fixed);
    UseProgramFont();
    const QString family = QFontInfo(ProgramFont()).family();
    EXPECT_EQ(family, QStringLiteral("IPAPGothic"));
    EXPECT_EQ(QFontInfo(ProgramFixedFont()).family(), QStringLiteral("IPAGothic"));
    QFont::removeSubstitutions(proportional);
    QFont::removeSubstitutions(fixed);
    QFont::insertSubstitutions(proportional, wasProportional);
    QFont::insertSubstitutions(fixed, wasFixed);
    QMenu menu;
    QMessageBox box;
    EXPECT_EQ(QFontInfo(menu.font()).family(), family);
    EXPECT_EQ(QFontInfo(menu.font()).pixelSize(), 12);
    EXPECT_EQ(QFontInfo(box.font()).family(), family);
    EXPECT_EQ(QFontInfo(QToolTip::font()).family(), family);
    QApplication::setFont(before);
}

} // namespace
