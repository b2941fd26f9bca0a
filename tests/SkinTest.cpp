// Skins of the main window: loading, the skin menu, the skin information window.
#include "MainWindowFixture.h"

#include "mainwindow/FormRgn.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit4.h"
#include "platform/DataFolder.h"
#include "platform/Guard.h"
#include "trayicon/TrayIcon.h"
#include "util/CP932.h"
#include "util/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>

namespace {

QString Named(const QString& name) {
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("SkinName=Test"), QStringLiteral("SkinName=") + name);
    return ini;
}

// A skin whose box icons stand elsewhere than the test skin's.
QString Moved(QString ini) {
    ini.replace(QStringLiteral("PosY=12"), QStringLiteral("PosY=20"));
    return ini;
}

void SaveWall(const QString& folder, QSize size) {
    QImage wall(size, QImage::Format_RGB32);
    wall.fill(QColor(30, 60, 90));
    wall.setPixelColor(0, size.height() - 1, QColor(0, 255, 0));
    ASSERT_TRUE(wall.save(folder + QStringLiteral("/wall.bmp"), "BMP"));
}

// A button bitmap framed in `frame` (its bottom-left colour) around a `centre`.
void SaveButton(const QString& path, QColor frame, QColor centre) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(frame);
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x)
            image.setPixelColor(x, y, centre);
    ASSERT_TRUE(image.save(path, "BMP"));
}

QColor IconCentre(const QAction* item) {
    return item->icon().pixmap(16, 16).toImage().pixelColor(8, 8);
}

class SkinTest : public MainWindowFixture {
protected:
    QString SkinPath(const QString& name) const {
        return Form1->ProgramFolder + QDir::separator() + QStringLiteral("skin") +
               QDir::separator() + name;
    }
    QString SkinDir(const QString& name) const { return ProgramFolder() + "/skin/" + name; }

    // Opens the wall's context menu as a right click does and returns the skin entries.
    QList<QAction*> OpenSkinMenu() {
        fake->Popup(Form1->PopupMenuApl_Main, QPoint(5, 5));
        return Form1->N8->actions();
    }

    QStringList Captions(const QList<QAction*>& items) {
        QStringList captions;
        for (const QAction* item : items)
            captions << item->text();
        return captions;
    }

    QStringList Messages() {
        QStringList texts;
        for (const auto& call : fake->messageBoxes)
            texts << call.text;
        return texts;
    }

    IniFile SavedSettings() const {
        return IniFile::Load(dir.file(QStringLiteral("TabukoExc.ini")));
    }
};

TEST_F(SkinTest, StartUpLoadsTheSkin) {
    CreateForms();
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("default")));
    EXPECT_EQ(Form1->size(), QSize(120, 40));
    EXPECT_EQ(Form1->ImageWall->size(), QSize(120, 40));
    EXPECT_EQ(Form1->ImageWall->TransparentColor(), 0x00FF00u);
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(Form1->Image[n]->pos(), QPoint(2 + (n - 1) * 19, 12)) << n;
        EXPECT_EQ(Form1->ButtonImage(n), SkinPath(QStringLiteral("default")) + QDir::separator() +
                                             QStringLiteral("btn%1.bmp").arg(n));
        EXPECT_FALSE(Form1->Move[n]->icon().isNull());
        EXPECT_FALSE(Form1->THFolder[n]->icon().isNull());
        if (n <= 5) {
            EXPECT_FALSE(Form1->MenuAplNew[n]->icon().isNull());
        }
    }
    EXPECT_EQ(Form1->MenuTitlePen(), QColor(255, 255, 255));
    EXPECT_EQ(Form1->MenuTitleBrush(), QColor(0, 0, 128));
}

TEST_F(SkinTest, MenuListsSkinsInByteOrderWithTheCurrentOneChecked) {
    WriteTestSkin(ProgramFolder(), QStringLiteral("lower"), Named(QStringLiteral("abc")));
    WriteTestSkin(ProgramFolder(), QStringLiteral("upper"), Named(QStringLiteral("ABD")));
    WriteTestSkin(ProgramFolder(), QStringLiteral("japanese"), Named(QStringLiteral("日本")));
    WriteTestSkin(ProgramFolder(), QStringLiteral("prefix"), Named(QStringLiteral("ab")));
    WriteTestSkin(ProgramFolder(), QStringLiteral("twin"), Named(QStringLiteral("Test")));
    WriteTestSkin(ProgramFolder(), QStringLiteral("unnamed"), Named(QString()));
    WriteTestSkin(ProgramFolder(), QStringLiteral(".hidden"), Named(QStringLiteral("Hidden")));
    WriteBytes(SkinDir(QStringLiteral("readme.txt")), "not a skin");
    CreateForms();

    // Opened twice: the second opening replaces the first one's entries.
    OpenSkinMenu();
    const QList<QAction*> items = OpenSkinMenu();
    // An empty SkinName sorts as empty, before every other name, and shows as "No Name".
    EXPECT_EQ(Captions(items).join(u'|').toStdString(),
              "No Name|ABD|No Name|Test|Test|ab|abc|日本");
    ASSERT_EQ(Form1->SkinList.size(), std::size_t(items.size()));

    int checked = 0;
    for (int i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->data().toInt(), i);
        if (items[i]->isChecked()) {
            ++checked;
            EXPECT_EQ(Form1->SkinList[std::size_t(i)]->FolderName, QStringLiteral("default"));
        }
    }
    EXPECT_EQ(checked, 1);

    // Both entries called "Test" stand for their own folders.
    QStringList twins;
    for (int i : {3, 4})
        twins << Form1->SkinList[std::size_t(i)]->FolderName;
    twins.sort();
    EXPECT_EQ(twins, (QStringList{"default", "twin"}));
}

TEST_F(SkinTest, ChoosingASkinAppliesItAndItIsSavedAtExit) {
    WriteTestSkin(ProgramFolder(), QStringLiteral("wide"), Moved(Named(QStringLiteral("Wide"))));
    SaveWall(SkinDir(QStringLiteral("wide")), QSize(200, 40));
    CreateForms();
    Form1->setFixedSize(300, 300);

    const QList<QAction*> items = OpenSkinMenu();
    const int wide = Captions(items).indexOf(QStringLiteral("Wide"));
    ASSERT_GE(wide, 0);
    items[wide]->trigger();

    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("wide")));
    EXPECT_EQ(Form1->size(), QSize(200, 40));
    EXPECT_EQ(Form1->ImageWall->size(), QSize(200, 40));
    EXPECT_EQ(Form1->Image[1]->pos(), QPoint(2, 20));
    for (const QAction* item : OpenSkinMenu())
        EXPECT_EQ(item->isChecked(), item->text() == QStringLiteral("Wide"))
            << item->text().toStdString();

    DestroyForms();
    EXPECT_EQ(SavedSettings().ReadString("Skin", "Folder", ""), "\\skin\\wide");
}

TEST_F(SkinTest, APlainFileInTheSkinRootFallsBackToTheDefaultSkin) {
    WriteTestSkin(ProgramFolder(), QStringLiteral("wide"), Named(QStringLiteral("Wide")));
    SaveWall(SkinDir(QStringLiteral("wide")), QSize(200, 40));
    WriteBytes(SkinDir(QStringLiteral("notes.txt")), "plain");
    CreateForms();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("wide"))); });
    ASSERT_EQ(Form1->size(), QSize(200, 40));

    const QList<QAction*> items = OpenSkinMenu();
    const int file = Captions(items).indexOf(QStringLiteral("No Name"));
    ASSERT_GE(file, 0);
    EXPECT_EQ(Form1->SkinList[std::size_t(file)]->FolderName, QStringLiteral("notes.txt"));
    items[file]->trigger();
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("default")));
    EXPECT_EQ(Form1->size(), QSize(120, 40));
}

TEST_F(SkinTest, BackToTheDefaultSkin) {
    WriteTestSkin(ProgramFolder(), QStringLiteral("wide"), Named(QStringLiteral("Wide")));
    SaveWall(SkinDir(QStringLiteral("wide")), QSize(200, 40));
    CreateForms();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("wide"))); });
    Form1->N14->trigger();
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("default")));
    EXPECT_EQ(Form1->size(), QSize(120, 40));
}

TEST_F(SkinTest, ARemovedSkinGivesTheDefaultOneAndIsSavedAsIt) {
    WriteCp932File(dir.file(QStringLiteral("TabukoExc.ini")),
                   QStringLiteral("[Skin]\nFolder=\\skin\\removed\n"));
    CreateForms();
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("default")));
    EXPECT_EQ(cp932::Decode(Form1->CurrentSkin().ReadString("SkinInfo", "SkinName", "")),
              QStringLiteral("Test"));
    DestroyForms();
    EXPECT_EQ(SavedSettings().ReadString("Skin", "Folder", ""), "\\skin\\default");
}

TEST_F(SkinTest, MenuTitlesWithoutColoursAreScrollBarColouredOnBlack) {
    QString ini = TestSkinIni();
    ini.remove(QStringLiteral("[MenuTitle]\nPenColor=clWhite\nBrushColor=$00800000\n"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("plain"), ini);
    CreateForms();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("plain"))); });
    // The scroll-bar colour has no palette role: its classic value.
    EXPECT_EQ(Form1->MenuTitlePen(), QColor(200, 200, 200));
    EXPECT_EQ(Form1->MenuTitleBrush(), QColor(0, 0, 0));
}

TEST_F(SkinTest, AMissingButtonBitmapStopsAtThatStepAndKeepsTheEarlierOnes) {
    QString ini = Moved(Named(QStringLiteral("Broken")));
    ini.replace(QStringLiteral("ImageBtn=btn3.bmp"), QStringLiteral("ImageBtn=gone.bmp"));
    ini.replace(QStringLiteral("PenColor=clWhite"), QStringLiteral("PenColor=clRed"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("broken"), ini);
    SaveWall(SkinDir(QStringLiteral("broken")), QSize(200, 40));
    SaveButton(SkinDir(QStringLiteral("broken")) + "/btn1.bmp", QColor(0, 0, 0), QColor(250, 0, 0));
    SaveButton(SkinDir(QStringLiteral("broken")) + "/btn4.bmp", QColor(0, 0, 0), QColor(0, 0, 250));
    CreateForms();
    const QColor oldMove4 = IconCentre(Form1->Move[4]);
    fake->messageBoxes.clear();

    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("broken"))); });

    const QString missing = SkinPath(QStringLiteral("broken")) + QDir::separator() + "gone.bmp";
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("ファイル %1 は開けません").arg(missing)});
    // Done: the new skin description, wall, size and the bitmaps before box 3's.
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("broken")));
    EXPECT_EQ(cp932::Decode(Form1->CurrentSkin().ReadString("SkinInfo", "SkinName", "")),
              QStringLiteral("Broken"));
    EXPECT_EQ(Form1->size(), QSize(200, 40));
    EXPECT_EQ(IconCentre(Form1->Move[1]), QColor(250, 0, 0));
    // Not done: the later bitmaps, the icon positions and the colours.
    EXPECT_EQ(IconCentre(Form1->Move[4]), oldMove4);
    EXPECT_EQ(Form1->Image[1]->pos(), QPoint(2, 12));
    EXPECT_EQ(Form1->MenuTitlePen(), QColor(255, 255, 255));

    // The skin stays chosen and is saved at exit.
    DestroyForms();
    EXPECT_EQ(SavedSettings().ReadString("Skin", "Folder", ""), "\\skin\\broken");
}

TEST_F(SkinTest, AnEmptyButtonKeyNamesTheSkinFolder) {
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("ImageBtn=btn2.bmp\n"), QString());
    WriteTestSkin(ProgramFolder(), QStringLiteral("nobutton"), ini);
    CreateForms();
    fake->messageBoxes.clear();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("nobutton"))); });
    EXPECT_EQ(Messages(),
              QStringList{QStringLiteral("ファイル %1 は開けません")
                              .arg(SkinPath(QStringLiteral("nobutton")) + QDir::separator())});
}

TEST_F(SkinTest, AWallOfAnUnknownTypeIsReportedByItsExtension) {
    QString ini = Named(QStringLiteral("Png"));
    ini.replace(QStringLiteral("Image=wall.bmp"), QStringLiteral("Image=wall.png"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("png"), ini);
    QImage(50, 50, QImage::Format_RGB32).save(SkinDir(QStringLiteral("png")) + "/wall.png", "PNG");
    CreateForms();
    fake->messageBoxes.clear();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("png"))); });
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("拡張子 .png の画像形式は処理できません")});
    EXPECT_EQ(cp932::Decode(Form1->CurrentSkin().ReadString("SkinInfo", "SkinName", "")),
              QStringLiteral("Png"));
    EXPECT_EQ(Form1->size(), QSize(120, 40));
}

TEST_F(SkinTest, AWallKeyThatIsMissingGivesTheDefaultWall) {
    QString ini = Named(QStringLiteral("NoWall"));
    ini.remove(QStringLiteral("[WallPaper]\nImage=wall.bmp\n"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("nowall"), ini);
    SaveWall(SkinDir(QStringLiteral("nowall")), QSize(200, 40)); // not the one used
    CreateForms();
    fake->messageBoxes.clear();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("nowall"))); });
    EXPECT_EQ(Form1->size(), QSize(120, 40));
}

TEST_F(SkinTest, ABadColourValueIsNamedAndEndsTheSkinThere) {
    QString ini = Moved(TestSkinIni());
    ini.replace(QStringLiteral("PenColor=clWhite"), QStringLiteral("PenColor=clRed"));
    ini.replace(QStringLiteral("BrushColor=$00800000"), QStringLiteral("BrushColor=あお"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("badcolour"), ini);
    CreateForms();
    fake->messageBoxes.clear();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("badcolour"))); });
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains(QStringLiteral("あお")))
        << fake->messageBoxes[0].text.toStdString();
    EXPECT_EQ(Form1->Image[1]->pos(), QPoint(2, 20));
    EXPECT_EQ(Form1->MenuTitlePen(), QColor(255, 0, 0));
    EXPECT_EQ(Form1->MenuTitleBrush(), QColor(0, 0, 128));
}

TEST_F(SkinTest, StayOnTopIsCheckedAsTheWindowIs) {
    CreateForms();
    OpenSkinMenu();
    EXPECT_FALSE(Form1->N15->isChecked());
    platform::Guard([] { Form1->N15Click(); });
    ASSERT_TRUE(Form1->StayOnTop());
    Form1->N15->setChecked(false);
    OpenSkinMenu();
    EXPECT_TRUE(Form1->N15->isChecked());
}

class SkinInfoTest : public SkinTest {
protected:
    void Click(QWidget* widget) {
        const QPointF at(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
};

TEST_F(SkinInfoTest, ShowsTheSkinAndOpensItsLink) {
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("Author=Tester\n"),
                QStringLiteral("Author=作者さん\nURL=https://example.jp/スキン\n"
                               "Memo=ひとことです\nImage=info.bmp\n"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("info"), ini);
    SaveButton(SkinDir(QStringLiteral("info")) + "/info.bmp", Qt::white, Qt::red);
    CreateForms();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("info"))); });
    fake->messageBoxes.clear();

    bool trayEnabledWhileShown = true;
    fake->onModal = [&](QDialog* dialog) {
        ASSERT_EQ(dialog, Form4.Get());
        trayEnabledWhileShown = Form1->TrayIcon1->Enabled();
        EXPECT_EQ(Form4->Label5->text(), QStringLiteral("Test"));
        EXPECT_EQ(Form4->Label6->text(), QStringLiteral("作者さん"));
        EXPECT_EQ(Form4->Memo2->toPlainText(), QStringLiteral("https://example.jp/スキン"));
        EXPECT_TRUE(Form4->Memo2->isEnabled());
        EXPECT_EQ(Form4->Memo1->toPlainText(), QStringLiteral("ひとことです"));
        EXPECT_FALSE(Form4->Image1->isHidden());
        EXPECT_EQ(Form4->Image1->Picture().Width(), 16);
        Click(Form4->Memo2->viewport());
        Form4->move(33, 44);
        Form4->accept();
    };
    Form1->N12->trigger();

    ASSERT_EQ(fake->modalShown.size(), 1u);
    EXPECT_FALSE(trayEnabledWhileShown);
    EXPECT_TRUE(Form1->TrayIcon1->Enabled());
    ASSERT_EQ(fake->shellCalls.size(), 1u);
    EXPECT_EQ(fake->shellCalls[0].operation, "open");
    EXPECT_EQ(fake->shellCalls[0].file, cp932::Encode(QStringLiteral("https://example.jp/スキン")));
    EXPECT_EQ(fake->shellCalls[0].showCommand, 5);

    const IniFile settings = SavedSettings();
    EXPECT_EQ(settings.ReadInteger("SkinInfoWindow", "Top", -1), 44);
    EXPECT_EQ(settings.ReadInteger("SkinInfoWindow", "Left", -1), 33);
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(SkinInfoTest, EmptyValuesShowNoNameAndTheLinkDoesNothing) {
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("SkinName=Test\nAuthor=Tester\n"),
                QStringLiteral("SkinName=\nURL=\nImage=missing.bmp\n"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("bare"), ini);
    CreateForms();
    platform::Guard([&] { Form1->ApplySkinFolder(SkinPath(QStringLiteral("bare"))); });

    fake->onModal = [&](QDialog*) {
        EXPECT_EQ(Form4->Label5->text(), QStringLiteral("No Name"));
        EXPECT_EQ(Form4->Label6->text(), QStringLiteral("No Name"));
        EXPECT_TRUE(Form4->Memo2->toPlainText().isEmpty());
        EXPECT_FALSE(Form4->Memo2->isEnabled());
        EXPECT_FALSE(Form4->Memo1->isEnabled());
        EXPECT_TRUE(Form4->Image1->isHidden());
        Form4->Memo2Click();
    };
    Form1->N12Click();
    EXPECT_TRUE(fake->shellCalls.empty());
}

TEST_F(SkinInfoTest, PlacedFromTheSettingsByThePositionRule) {
    WriteCp932File(dir.file(QStringLiteral("TabukoExc.ini")),
                   QStringLiteral("[SkinInfoWindow]\nTop=769\nLeft=-20\n"));
    CreateForms();
    EXPECT_EQ(Form4->pos(), QPoint(1024 / 2 - Form4->frameGeometry().width() / 2,
                                   768 / 2 - Form4->frameGeometry().height() / 2));
    EXPECT_EQ(Form4->size(), QSize(328, 202));
    EXPECT_EQ(Form4->windowTitle(), QStringLiteral("Tabuko - スキン情報 -"));
}

TEST_F(SkinInfoTest, CentredWithoutSettings) {
    CreateForms();
    EXPECT_EQ(Form4->pos(), QPoint(1024 / 2 - Form4->frameGeometry().width() / 2,
                                   768 / 2 - Form4->frameGeometry().height() / 2));
}

} // namespace

TEST_F(SkinTest, AnInstalledProgramOffersTheShippedSkinsBesideTheUsersOwn) {
    // The user's folder holds skin/default; the shipped folder a default of its own (hidden by
    // the user's) and one more skin, which the settings name in their usual form.
    QTemporaryDir shared;
    WriteTestSkin(shared.path(), QStringLiteral("default"), Named(QStringLiteral("Shipped")));
    WriteTestSkin(shared.path(), QStringLiteral("plaque"), Moved(Named(QStringLiteral("Plaque"))));
    WriteCp932File(dir.file(QStringLiteral("TabukoExc.ini")),
                   QStringLiteral("[Skin]\nFolder=\\skin\\plaque\n"));
    datafolder::SetCurrent({true, ProgramFolder(), shared.path()});
    struct Reset {
        ~Reset() { datafolder::SetCurrent({}); }
    } reset;
    CreateForms();

    const QString plaque = shared.path() + QStringLiteral("/skin/plaque");
    EXPECT_EQ(Form1->CurrentSkinFolder(), plaque);
    EXPECT_EQ(Form1->Image[1]->pos(), QPoint(2, 20));
    const QList<QAction*> items = OpenSkinMenu();
    EXPECT_EQ(Captions(items).join(u'|').toStdString(), "Plaque|Test");
    for (const QAction* item : items)
        EXPECT_EQ(item->isChecked(), item->text() == QStringLiteral("Plaque"));

    // Back to the default: the user's own one.
    Form1->N14->trigger();
    EXPECT_EQ(Form1->CurrentSkinFolder(), SkinPath(QStringLiteral("default")));
    items[Captions(items).indexOf(QStringLiteral("Plaque"))]->trigger();
    EXPECT_EQ(Form1->CurrentSkinFolder(), plaque);
    DestroyForms();
    EXPECT_EQ(SavedSettings().ReadString("Skin", "Folder", ""), "\\skin\\plaque");
}
