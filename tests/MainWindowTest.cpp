// Start-up, the settings file, the position rule and the window commands of the wall.
#include "MainWindowFixture.h"
#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/FormRgn.h"
#include "mainwindow/Search.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "store/BoxFile.h"
#include "store/FileAccess.h"
#include "trayicon/TrayIcon.h"
#include "ui/Position.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

std::string Settings(const QString& path) {
    std::string text = ReadBytes(path);
    std::erase(text, '\r');
    return text;
}

class MainWindowTest : public MainWindowFixture {};

TEST_F(MainWindowTest, FirstStartUsesTheDefaultsAndWritesThemAtExit) {
    CreateForms();
    EXPECT_EQ(Form1->pos(), QPoint(0, 0));
    EXPECT_FALSE(Form1->StayOnTop());
    EXPECT_TRUE(Form1->WindowVisible);
    EXPECT_EQ(Form1->CurrentSkinFolder(), QDir::toNativeSeparators(dir.path() + "/skin/default"));
    EXPECT_TRUE(fake->messageBoxes.empty()) << fake->messageBoxes[0].text.toStdString();
    EXPECT_FALSE(fake->offTaskBar.empty());
    DestroyForms();
    EXPECT_EQ(Settings(dir.file(kSettingsFileName)),
              "[MainWindow]\nTop=0\nLeft=0\nVisible=1\n"
              "StayOnTop=0\n\n[Skin]\nFolder=\\skin\\default\n\n");
}

// The windows that start-up does not show are built when first used. Until then a box menu
// opening and an exit leave them unbuilt and their settings sections as the file had them;
// once built they stand where they were saved, and the editor has the button of the box whose
// menu opened last down, as if it had existed all along.
TEST_F(MainWindowTest, WindowsBuiltOnFirstUseReadTheirSettingsAndLeaveThemAloneUntilThen) {
    const std::string others = "[EditWindow]\nTop=120\nLeft=130\nPhrase1=Phrase\n\n"
                               "[SkinInfoWindow]\nTop=140\nLeft=150\n\n"
                               "[SearchWindow]\nTop=160\nLeft=170\n\n";
    WriteCp932File(dir.file(kSettingsFileName),
                   QString::fromStdString("[MainWindow]\nTop=10\nLeft=20\n\n" + others));
    const auto built = [] {
        return std::vector<bool>{Form2.Built(), Form3.Built(), Form4.Built(), Form5.Built(),
                                 FormSearch.Built()};
    };
    const std::vector<bool> none(5, false);

    CreateForms();
    EXPECT_EQ(built(), none);
    Form1->PopupFolderMenuPopup(Form1->PopupMenu[4]);
    EXPECT_EQ(built(), none);
    DestroyForms();
    EXPECT_EQ(built(), none);
    std::string written = Settings(dir.file(kSettingsFileName));
    EXPECT_NE(written.find("Top=10\nLeft=20\n"), std::string::npos) << written;
    EXPECT_NE(written.find(others), std::string::npos) << written;

    CreateForms();
    Form1->PopupFolderMenuPopup(Form1->PopupMenu[4]);
    EXPECT_EQ(Form2->pos(), QPoint(130, 120));
    EXPECT_TRUE(Form2->SpeedButton[4]->isChecked());
    EXPECT_EQ(Form4->pos(), QPoint(150, 140));
    EXPECT_EQ(FormSearch->pos(), QPoint(170, 160));
    EXPECT_EQ(built(), std::vector<bool>({true, false, true, false, true}));
    // Built late, the windows leave their sections to their own closing, as before.
    DestroyForms();
    EXPECT_EQ(built(), none);
    written = Settings(dir.file(kSettingsFileName));
    EXPECT_NE(written.find(others), std::string::npos) << written;
}

TEST_F(MainWindowTest, PositionRuleKeepsWindowsShowingACornerOnSomeScreen) {
    const QSize window(300, 100);
    // A primary screen with a panel at its bottom, and a second screen to its right.
    const std::vector<platform::Screen> screens = {
        {QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 736)},
        {QRect(1024, 0, 1280, 1024), QRect(1024, 0, 1280, 1024)}};
    const QPoint centred(362, 334);
    EXPECT_EQ(CorrectedPosition({1500, 600}, window, screens), QPoint(1500, 600)); // second
    EXPECT_EQ(CorrectedPosition({-268, 5}, window, screens), QPoint(-268, 5));     // 32 showing
    EXPECT_EQ(CorrectedPosition({-269, 5}, window, screens), centred);
    EXPECT_EQ(CorrectedPosition({10, 704}, window, screens), QPoint(10, 704)); // above the panel
    EXPECT_EQ(CorrectedPosition({10, 705}, window, screens), centred);
    EXPECT_EQ(CorrectedPosition({2272, 992}, window, screens), QPoint(2272, 992));
    EXPECT_EQ(CorrectedPosition({2273, 5}, window, screens), centred);
    // Below the primary screen but beside the second one's lower half: nowhere.
    EXPECT_EQ(CorrectedPosition({100, 900}, window, screens), centred);
    EXPECT_EQ(CorrectedPosition({-99999, -5000}, window, screens), centred);
    // A window smaller than the corner needs to show whole.
    EXPECT_EQ(CorrectedPosition({1014, 10}, QSize(10, 10), {screens[0]}), QPoint(1014, 10));
    EXPECT_EQ(CorrectedPosition({1015, 10}, QSize(10, 10), {screens[0]}), QPoint(507, 379));
    // The primary screen need not be at the desktop's origin.
    EXPECT_EQ(CorrectedPosition({5000, 5000}, window, {screens[1], screens[0]}),
              QPoint(1024 + 640 - 150, 512 - 50));
}

TEST_F(MainWindowTest, WallSavedOnTheSecondScreenStaysThereAndOneOffEveryScreenIsCentred) {
    fake->screens = {{QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 768)},
                     {QRect(1024, 0, 1024, 768), QRect(1024, 0, 1024, 768)}};
    WriteCp932File(dir.file(kSettingsFileName), "[MainWindow]\nTop=200\nLeft=1600\n");
    CreateForms();
    EXPECT_EQ(Form1->pos(), QPoint(1600, 200));
    DestroyForms();
    EXPECT_NE(Settings(dir.file(kSettingsFileName)).find("Top=200\nLeft=1600\n"),
              std::string::npos);

    WriteCp932File(dir.file(kSettingsFileName), "[MainWindow]\nTop=769\nLeft=-99999\n");
    CreateForms();
    EXPECT_EQ(Form1->pos(), QPoint(512 - Form1->width() / 2, 384 - Form1->height() / 2));
}

TEST_F(MainWindowTest, SettingsAreReadFromTheProgramFolderAndWrittenToTheCurrentDirectory) {
    QTemporaryDir programDir;
    fake->executablePath = programDir.filePath("tabuko");
    WriteTestSkin(programDir.path(), "default", TestSkinIni());
    WriteCp932File(programDir.filePath(kSettingsFileName), "[MainWindow]\nTop=33\nLeft=44\n");
    TMemoList one;
    one.push_back(std::make_unique<TMemoData>());
    one[0]->Lines = {"in the current directory"};
    WriteBoxFile("2.dat", one);

    CreateForms();
    EXPECT_EQ(Form1->pos(), QPoint(44, 33));
    EXPECT_EQ(Form1->BoxMemoLists[2].size(), 1u);
    DestroyForms();
    EXPECT_EQ(Settings(programDir.filePath(kSettingsFileName)), "[MainWindow]\nTop=33\nLeft=44\n");
    EXPECT_NE(Settings(dir.file(kSettingsFileName)).find("Top=33\nLeft=44\n"), std::string::npos);
}

TEST_F(MainWindowTest, HiddenStartAndShowingAgain) {
    WriteCp932File(dir.file(kSettingsFileName), "[MainWindow]\nVisible=0\n");
    CreateForms();
    EXPECT_FALSE(Form1->WindowVisible);
    Form1->PopupMenuAplPopup();
    EXPECT_TRUE(Form1->WinShow->isVisible());
    EXPECT_FALSE(Form1->WinHide->isVisible());

    Form1->WinShowClick();
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_EQ(fake->foregroundCalls.back(), Form1);
    Form1->PopupMenuAplPopup();
    EXPECT_FALSE(Form1->WinShow->isVisible());
    EXPECT_TRUE(Form1->WinHide->isVisible());

    Form1->ImageWallDblClick();
    EXPECT_FALSE(Form1->isVisible());
    Form1->WinShowClick();
    DestroyForms();
    EXPECT_NE(Settings(dir.file(kSettingsFileName)).find("Visible=1"), std::string::npos);
}

TEST_F(MainWindowTest, StayOnTopFromTheSettingsAndToggled) {
    WriteCp932File(dir.file(kSettingsFileName), "[MainWindow]\nStayOnTop=1\n");
    CreateForms();
    EXPECT_TRUE(Form1->StayOnTop());
    EXPECT_TRUE(Form1->TrayIcon1->Registered());

    Form1->show();
    const auto deletes = fake->NotifyCalls(platform::NIM_DELETE).size();
    Form1->N15Click();
    EXPECT_FALSE(Form1->StayOnTop());
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_TRUE(Form1->WindowVisible);
    // The icon is removed and added again around the change of the window.
    EXPECT_EQ(fake->NotifyCalls(platform::NIM_DELETE).size(), deletes + 1);
    EXPECT_TRUE(Form1->TrayIcon1->Registered());
    DestroyForms();
    EXPECT_NE(Settings(dir.file(kSettingsFileName)).find("StayOnTop=0"), std::string::npos);
}

TEST_F(MainWindowTest, SessionEndSavesTheSettings) {
    CreateForms();
    Form1->move(12, 34);
    Form1->HandleQueryEndSession();
    EXPECT_NE(Settings(dir.file(kSettingsFileName)).find("Top=34\nLeft=12\n"), std::string::npos);
}

TEST_F(MainWindowTest, DamagedBoxFileIsKeptAsACopyAndReportedOnce) {
    TMemoList two;
    for (const char* title : {"first", "second"}) {
        two.push_back(std::make_unique<TMemoData>());
        two.back()->Lines = {title};
    }
    std::string bytes = BoxFileBytes(two);
    bytes.resize(bytes.size() - 3); // the second record is cut short
    WriteBytes(dir.file("3.dat"), bytes);
    WriteBytes(dir.file("5.dat"), "\x02\x00");

    CreateForms();
    ASSERT_EQ(Form1->BoxMemoLists[3].size(), 1u);
    EXPECT_EQ(Form1->BoxMemoLists[3][0]->Lines[0], "first");
    EXPECT_TRUE(Form1->BoxMemoLists[5].empty());
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    const QString& text = fake->messageBoxes[0].text;
    EXPECT_TRUE(text.contains("3.dat.damaged")) << text.toStdString();
    EXPECT_TRUE(text.contains("5.dat.damaged")) << text.toStdString();
    EXPECT_EQ(ReadBytes(dir.file("3.dat.damaged")), bytes);
    EXPECT_EQ(ReadBytes(dir.file("3.dat")), bytes); // not rewritten at start-up
}

TEST_F(MainWindowTest, DamagedBoxFileIsCopiedAndReportedAtOneStartOnly) {
    WriteBytes(dir.file("2.dat"), "");         // left by a failed write
    WriteBytes(dir.file("4.dat"), "\x01\x02"); // cut short
    CreateForms();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains("2.dat.damaged"));
    EXPECT_TRUE(fake->messageBoxes[0].text.contains("4.dat.damaged"));
    DestroyForms();

    // The same damage at the next start: no new copy, no message.
    fake->messageBoxes.clear();
    CreateForms();
    EXPECT_TRUE(fake->messageBoxes.empty()) << fake->messageBoxes[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(dir.file("2.dat.damaged2")));
    EXPECT_FALSE(QFile::exists(dir.file("4.dat.damaged2")));
    DestroyForms();

    // Damaged otherwise: copied and reported again.
    WriteBytes(dir.file("4.dat"), "\x01");
    CreateForms();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains("4.dat.damaged2"));
    EXPECT_FALSE(fake->messageBoxes[0].text.contains("2.dat"));
}

TEST_F(MainWindowTest, WithoutANotificationAreaTheWallStaysReachable) {
    fake->failNotifyAdd = true;
    WriteCp932File(dir.file(kSettingsFileName), "[MainWindow]\nVisible=0\n");
    CreateForms();
    EXPECT_TRUE(Form1->TrayIconMissing);
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text,
              QStringLiteral("タスクトレイにアイコンを登録できません。"));
    // Start-up went on to the end.
    EXPECT_FALSE(fake->offTaskBar.empty());
    Form1->show();
    Form1->WinHideClick();
    Form1->ImageWallDblClick();
    EXPECT_TRUE(Form1->isVisible());
    Form1->RefreshIndicators();
    EXPECT_EQ(fake->messageBoxes.size(), 1u);
}

TEST_F(MainWindowTest, HidingIsOfferedOnlyWhileTheIconIsRegistered) {
    fake->failNotifyAdd = true;
    CreateForms();
    Form1->show(); // so that the menu offers WinHide rather than WinShow
    fake->messageBoxes.clear();
    const auto openMenus = [&] {
        fake->Popup(Form1->PopupMenuApl_Main, QPoint());
        fake->Popup(Form1->PopupMenuApl, QPoint());
    };
    openMenus();
    EXPECT_FALSE(Form1->Hide1->isEnabled());
    EXPECT_FALSE(Form1->WinHide->isEnabled());

    // The notification area takes the icon when it is added again: hiding is offered again.
    fake->failNotifyAdd = false;
    Form1->TrayIcon1->SetVisible(false);
    Form1->TrayIcon1->SetVisible(true);
    ASSERT_TRUE(Form1->TrayIcon1->Registered());
    openMenus();
    EXPECT_TRUE(Form1->Hide1->isEnabled());
    EXPECT_TRUE(Form1->WinHide->isEnabled());
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(MainWindowTest, AboutBoxIsCentredModalAndDisablesTheTrayIcon) {
    CreateForms();
    bool enabledWhileOpen = true;
    fake->onModal = [&](QDialog*) {
        enabledWhileOpen = Form1->TrayIcon1->Enabled();
    };
    Form1->about1Click();
    ASSERT_EQ(fake->modalShown.size(), 1u);
    EXPECT_FALSE(enabledWhileOpen);
    EXPECT_TRUE(Form1->TrayIcon1->Enabled());

    // Pauses nest: the about box closing does not end a pause held around it.
    {
        const TrayIconPause outer(*Form1);
        Form1->about1Click();
        EXPECT_FALSE(Form1->TrayIcon1->Enabled());
    }
    EXPECT_TRUE(Form1->TrayIcon1->Enabled());
}

} // namespace

namespace {

// Sends a mouse event of `type` at screen point `global` to the wall's picture.
void SendWallMouse(QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
    const QPointF local = Form1->ImageWall->mapFromGlobal(QPointF(global));
    QMouseEvent event(type, local, QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(Form1->ImageWall, &event);
}

TEST_F(MainWindowTest, WallMovesOnlyOnceAPressTurnsIntoADragAndADoubleClickHidesIt) {
    CreateForms();
    Form1->show();
    const QPoint start = Form1->pos();
    const QPoint press = start + QPoint(100, 20);
    fake->cursorPos = press;
    SendWallMouse(QEvent::MouseButtonPress, press, Qt::LeftButton);
    // A pointer that trembles while the button is down is still a click.
    SendWallMouse(QEvent::MouseMove, press + QPoint(2, 1), Qt::LeftButton);
    EXPECT_EQ(Form1->pos(), start);
    SendWallMouse(QEvent::MouseButtonRelease, press + QPoint(2, 1), Qt::NoButton);
    SendWallMouse(QEvent::MouseButtonDblClick, press, Qt::LeftButton);
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_FALSE(Form1->WindowVisible);

    Form1->WinShowClick();
    SendWallMouse(QEvent::MouseButtonPress, press, Qt::LeftButton);
    SendWallMouse(QEvent::MouseMove, press + QPoint(40, 30), Qt::LeftButton);
    EXPECT_EQ(Form1->pos(), start + QPoint(40, 30));
    SendWallMouse(QEvent::MouseButtonRelease, press + QPoint(40, 30), Qt::NoButton);
    SendWallMouse(QEvent::MouseMove, press + QPoint(90, 90), Qt::NoButton);
    EXPECT_EQ(Form1->pos(), start + QPoint(40, 30));
}

} // namespace
