// Start-up goes on past every failing step: unreadable boxes and settings, skins that cannot be
// loaded (falling back to the default and then the built-in skin), file names that leave the
// skin folder and walls too large to be one.
#include "MainWindowFixture.h"
#include "Memos.h"

#include "editor/Unit2.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "platform/Guard.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"
#include "util/CP932.h"
#include "util/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

class StartUpFailureTest : public MainWindowFixture {
protected:
    QStringList Messages() {
        QStringList texts;
        for (const auto& call : fake->messageBoxes)
            texts << call.text;
        return texts;
    }
    QString SkinPath(const QString& name) const {
        return QDir::toNativeSeparators(ProgramFolder() + "/skin/" + name);
    }
    // Every box of a started program has its skin picture and hint, and the icon is there.
    void ExpectUsableWall(QSize wallSize) {
        EXPECT_EQ(Form1->size(), wallSize);
        for (int n = 1; n <= 6; ++n) {
            EXPECT_FALSE(Form1->Image[n]->Picture().image.isNull()) << n;
            EXPECT_FALSE(Form1->Image[n]->toolTip().isEmpty()) << n;
        }
        EXPECT_TRUE(Form1->TrayIcon1->Registered());
        EXPECT_FALSE(Form1->TrayIcon1->Icon()->Empty());
    }
};

TEST_F(StartUpFailureTest, AnUnreadableBoxIsReportedCrossedOutAndNeverWritten) {
    TMemoList one;
    one.push_back(Memo({"first"}, 45000.0));
    WriteBoxFile(QStringLiteral("1.dat"), one);
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("3.dat"))); // a folder where box 3's file belongs
    CreateForms();

    EXPECT_EQ(Messages(), QStringList{QStringLiteral("ファイル 3.dat は開けません")});
    // The steps after the box still ran: the boxes behind it, the skin, the icon.
    EXPECT_EQ(Form1->BoxMemoLists[1].size(), 1u);
    EXPECT_EQ(Form1->BoxUnavailable[3], QStringLiteral("ファイル 3.dat は開けません"));
    EXPECT_TRUE(Form1->BoxUnavailable[2].isEmpty());
    ExpectUsableWall(QSize(120, 40));

    // Crossed out, with the reason as hint and as the tray item's caption.
    const QImage icon = Form1->Image[3]->Picture().image;
    const QRgb usual = TestSkinColor(3, 'e').rgb();
    EXPECT_NE(icon.pixel(8, 8), usual);
    EXPECT_EQ(icon.pixel(0, 15), usual) << "the see-through colour is kept";
    EXPECT_TRUE(Form1->Image[3]->toolTip().contains(QStringLiteral("3.dat は開けません")));
    EXPECT_TRUE(Form1->THFolder[3]->text().contains(QStringLiteral("3.dat は開けません")));

    // Every way to write it is refused: a new memo, a move into it, the editor's OK.
    fake->messageBoxes.clear();
    bool editorShown = false;
    fake->onModal = [&](QDialog* dialog) {
        editorShown = editorShown || dialog == Form2.Get();
    };
    platform::Guard([] { Form1->ImageFolderDblClick(Form1->Image[3]); });
    EXPECT_FALSE(editorShown);
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("3.dat")));

    Form1->ShowMemoMenu(1, Form1->BoxMemoLists[1][0]->Serial(), QPoint(5, 5));
    Form1->PopupMenuSubPopup();
    EXPECT_FALSE(Form1->Move[3]->isEnabled());
    EXPECT_TRUE(Form1->Move[2]->isEnabled());
    platform::Guard([] { Form1->MoveMenuClick(Form1->Move[3]); });
    EXPECT_EQ(Form1->BoxMemoLists[1].size(), 1u);
    EXPECT_TRUE(Form1->BoxMemoLists[3].empty());

    fake->messageBoxes.clear();
    fake->onModal = [&](QDialog* dialog) {
        if (dialog != Form2.Get())
            return;
        Form2->RichEdit1->setPlainText(QStringLiteral("new"));
        Form2->SpeedButton[3]->click();
        Form2->Button1->click();
        EXPECT_TRUE(Form2->isVisible()) << "the editor stays open for another box";
        Form2->SpeedButton[2]->click();
        Form2->Button1->click();
    };
    platform::Guard([] { Form1->ImageFolderDblClick(Form1->Image[2]); });
    fake->onModal = nullptr;
    EXPECT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(Form1->BoxMemoLists[2].size(), 1u);
    EXPECT_TRUE(Form1->BoxMemoLists[3].empty());
    for (const QString& saved : fake->savedFiles)
        EXPECT_FALSE(saved.endsWith(QLatin1String("3.dat"))) << saved.toStdString();
    EXPECT_TRUE(QFileInfo(QStringLiteral("3.dat")).isDir());
}

TEST_F(StartUpFailureTest, AnUnreadableSettingsFileIsReportedOnceAndKept) {
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("TabukoExc.ini")));
    CreateForms(); // the editor and the skin window read their positions too
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("TabukoExc.ini")));
    ExpectUsableWall(QSize(120, 40));
    DestroyForms();
    EXPECT_EQ(fake->messageBoxes.size(), 1u) << "exit does not report it again";
    EXPECT_TRUE(QFileInfo(QStringLiteral("TabukoExc.ini")).isDir());
}

TEST_F(StartUpFailureTest, ABrokenSkinFallsBackToTheDefaultAndStaysTheSavedChoice) {
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("ImageEnp=e4.bmp"), QStringLiteral("ImageEnp=gone.bmp"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("broken"), ini);
    WriteCp932File(QStringLiteral("TabukoExc.ini"),
                   QStringLiteral("[Skin]\nFolder=\\skin\\broken\n"));
    CreateForms();

    EXPECT_EQ(Messages(), QStringList{QStringLiteral("ファイル %1 は開けません")
                                          .arg(SkinPath(QStringLiteral("broken/gone.bmp")))});
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("default")));
    ExpectUsableWall(QSize(120, 40));
    // Toggling the layer applies the skin shown again and keeps the choice.
    Form1->N15Click();
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("default")));
    DestroyForms();
    EXPECT_EQ(IniFile::Load(QStringLiteral("TabukoExc.ini")).ReadString("Skin", "Folder", ""),
              "\\skin\\broken");
}

TEST_F(StartUpFailureTest, WithoutAUsableDefaultSkinTheBuiltInOneIsShown) {
    QFile::remove(ProgramFolder() + "/skin/default/wall.bmp");
    CreateForms();

    EXPECT_EQ(fake->messageBoxes.size(), 1u) << Messages().join('\n').toStdString();
    EXPECT_TRUE(Form1->CurrentSkinFolder().startsWith(QLatin1Char(':')))
        << Form1->CurrentSkinFolder().toStdString();
    // The built-in skin is the shipped default: its wall and box positions.
    const QImage shipped(QStringLiteral(TABUKO_SOURCE_DIR "/skin/default/wall.bmp"));
    ExpectUsableWall(shipped.size());
    EXPECT_EQ(Form1->Image[2]->pos(), QPoint(64, 23));
    EXPECT_EQ(cp932::Decode(Form1->BoxName(6)), QStringLiteral("ゴミ箱"));

    // Choosing the default skin again, once mended, shows it and makes it the saved choice.
    WriteTestSkin(ProgramFolder(), QStringLiteral("default"), TestSkinIni());
    fake->messageBoxes.clear();
    platform::Guard([] { Form1->N14Click(); });
    EXPECT_TRUE(fake->messageBoxes.empty());
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("default")));
    EXPECT_EQ(Form1->size(), QSize(120, 40));
}

TEST_F(StartUpFailureTest, SkinFileNamesThatLeaveTheSkinFolderAreRefused) {
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("ImageBtn=btn2.bmp"),
                QStringLiteral("ImageBtn=..\\default\\btn2.bmp"));
    ini.replace(QStringLiteral("ImageBtn=btn1.bmp"), QStringLiteral("ImageBtn=.\\btn1.bmp"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("escape"), ini);
    CreateForms();
    fake->messageBoxes.clear();

    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("escape"))); });
    // A name that stays inside (".\btn1.bmp") is fine; one that leaves is not opened.
    EXPECT_EQ(Messages().join('\n').toStdString(),
              QStringLiteral("ファイル %1 は開けません")
                  .arg(SkinPath(QStringLiteral("escape")) +
                       QDir::toNativeSeparators("/../default/btn2.bmp"))
                  .toStdString());
}

TEST_F(StartUpFailureTest, AWallOverEightThousandPixelsASideIsRefused) {
    CreateForms();
    fake->messageBoxes.clear();
    WriteTestSkin(ProgramFolder(), QStringLiteral("wide"), TestSkinIni());
    const QString wall = SkinPath(QStringLiteral("wide")) + QDir::separator() + "wall.bmp";
    QImage wide(8193, 2, QImage::Format_RGB32);
    wide.fill(Qt::gray);
    ASSERT_TRUE(wide.save(wall, "BMP"));

    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("wide"))); });
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("ファイル %1 は開けません").arg(wall)});
    EXPECT_EQ(Form1->size(), QSize(120, 40));
}

} // namespace
