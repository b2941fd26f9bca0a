#pragma once

#include "FakePlatform.h"
#include "TempDir.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

class TForm1;

// A test skin's picture colours: box n's empty, half-full and full pictures are solid colours,
// so a test can tell by one pixel which picture an icon shows.
QColor TestSkinColor(int box, char level); // level 'e', 'm' or 'f'

// The skin.ini of the hand-made test skin (UTF-8 here; written as CP932 with CR LF).
QString TestSkinIni();

// Writes a skin folder <program folder>/skin/<name> holding `iniText` as skin.ini and every
// picture the test skin names: wall.bmp (120 x 40, pure green corners), per box n the 16 x 16
// bitmaps btn<n>.bmp, e<n>.bmp, m<n>.bmp, f<n>.bmp, and the icons iconE.ico, iconM.ico, iconF.ico.
void WriteTestSkin(const QString& programFolder, const QString& name, const QString& iniText);

// Writes `text` (UTF-8) as CP932 bytes with CR LF line ends.
void WriteCp932File(const QString& path, const QString& text);

// The captions of box n's memo items (after its title row; an empty box's "(メモはありません)"
// left out), as the menu shows them when opened; for a menu that shows its memos through a window
// of rows, all the captions its rows show over its whole scroll range, each where the memo that
// its row stands for is.
QStringList MemoItems(int box);

// A program folder that is the current directory, with the platform's test double installed and
// the test skin as skin/default. CreateForms() creates the main window, as the program entry
// does (the other windows are built when first used); they are destroyed (Form1 last) when the
// test ends.
class MainWindowFixture : public ::testing::Test {
protected:
    MainWindowFixture();
    ~MainWindowFixture() override;

    void CreateForms();
    void DestroyForms();
    QString ProgramFolder() const { return dir.path(); }

    FakePlatform::Scope fake;
    TempCurrentDir dir;
};
