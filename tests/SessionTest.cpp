// The desktop session: the window system chosen at start-up, a notification area that appears
// after the program or restarts, signals and log-out, and the editor's draft kept across them.
#include "MainWindowFixture.h"
#include "Memos.h"
#include "editor/Unit2.h"
#include "mainwindow/Unit1.h"
#include "session/Draft.h"
#include "session/PlatformChoice.h"
#include "session/SessionEnd.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"
#include "util/CP932.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace {

SessionEnvironment WaylandWithX() {
    SessionEnvironment environment;
    environment.waylandDisplay = QStringLiteral("wayland-0");
    environment.sessionType = QStringLiteral("wayland");
    environment.display = QStringLiteral(":0");
    return environment;
}

} // namespace

TEST(PlatformChoiceTest, AWaylandSessionRunsOnItsXDisplayWhenOneAnswers) {
    QStringList asked;
    const auto reachable = [&](const QString& display) {
        asked << display;
        return true;
    };
    EXPECT_EQ(ChoosePlatform(WaylandWithX(), reachable), QStringLiteral("xcb"));
    EXPECT_EQ(asked, QStringList{QStringLiteral(":0")});

    // The session type alone also tells a Wayland session.
    SessionEnvironment typeOnly = WaylandWithX();
    typeOnly.waylandDisplay.clear();
    EXPECT_EQ(ChoosePlatform(typeOnly, reachable), QStringLiteral("xcb"));

    // No X display, or one that does not answer: the toolkit's own choice.
    SessionEnvironment noX = WaylandWithX();
    noX.display.clear();
    EXPECT_EQ(ChoosePlatform(noX, reachable), QString());
    EXPECT_EQ(ChoosePlatform(WaylandWithX(), [](const QString&) { return false; }), QString());
}

TEST(PlatformChoiceTest, TheUsersChoiceAndX11SessionsAreLeftAlone) {
    int asked = 0;
    const auto reachable = [&](const QString&) {
        ++asked;
        return true;
    };
    SessionEnvironment chosen = WaylandWithX();
    chosen.qtPlatform = QStringLiteral("wayland");
    EXPECT_EQ(ChoosePlatform(chosen, reachable), QString());
    SessionEnvironment argument = WaylandWithX();
    argument.platformArgument = true;
    EXPECT_EQ(ChoosePlatform(argument, reachable), QString());

    SessionEnvironment x11;
    x11.display = QStringLiteral(":0");
    x11.sessionType = QStringLiteral("x11");
    EXPECT_EQ(ChoosePlatform(x11, reachable), QString());
    EXPECT_EQ(asked, 0);
}

TEST(PlatformChoiceTest, APlatformArgumentIsFoundOnTheCommandLine) {
    char program[] = "tabuko", option[] = "-platform", name[] = "wayland",
         joined[] = "-platform=xcb";
    char* separate[] = {program, option, name};
    char* together[] = {program, joined};
    char* none[] = {program};
    EXPECT_TRUE(CurrentSessionEnvironment(3, separate).platformArgument);
    EXPECT_TRUE(CurrentSessionEnvironment(2, together).platformArgument);
    EXPECT_FALSE(CurrentSessionEnvironment(1, none).platformArgument);
}

class LateTrayTest : public MainWindowFixture {};

TEST_F(LateTrayTest, ATrayThatAppearsLaterGetsTheIconWithItsCurrentPictureAndTip) {
    fake->failNotifyAdd = true;
    CreateForms();
    ASSERT_FALSE(Form1->TrayIconReachable());
    ASSERT_EQ(fake->messageBoxes.size(), 1u);

    // Still no tray: tried again without a second message.
    Form1->TrayAppeared();
    EXPECT_FALSE(Form1->TrayIconReachable());
    EXPECT_EQ(fake->messageBoxes.size(), 1u);

    // The tip changed while there was no tray; the tray that appears gets the current one.
    Form1->TrayIcon1->SetTipHelp("Tabuko [changed]");
    const std::size_t addsBefore = fake->NotifyCalls(platform::NIM_ADD).size();
    fake->failNotifyAdd = false;
    Form1->TrayAppeared();
    ASSERT_TRUE(Form1->TrayIconReachable());
    const auto adds = fake->NotifyCalls(platform::NIM_ADD);
    ASSERT_EQ(adds.size(), addsBefore + 1);
    EXPECT_EQ(std::string(adds.back().szTip), "Tabuko [changed]");
    EXPECT_NE(adds.back().hIcon, 0u);
    EXPECT_EQ(fake->trayIcons.size(), 1u);
    EXPECT_EQ(fake->messageBoxes.size(), 1u);

    // Hiding the wall is allowed now.
    Form1->show();
    Form1->WinHideClick();
    EXPECT_FALSE(Form1->isVisible());
}

TEST_F(LateTrayTest, ATrayThatRestartsGetsTheIconAgain) {
    CreateForms();
    ASSERT_TRUE(Form1->TrayIconReachable());
    const std::size_t deletes = fake->NotifyCalls(platform::NIM_DELETE).size();
    const std::size_t adds = fake->NotifyCalls(platform::NIM_ADD).size();
    Form1->TrayAppeared();
    EXPECT_EQ(fake->NotifyCalls(platform::NIM_DELETE).size(), deletes + 1);
    EXPECT_EQ(fake->NotifyCalls(platform::NIM_ADD).size(), adds + 1);
    EXPECT_TRUE(Form1->TrayIconReachable());
    EXPECT_EQ(fake->trayIcons.size(), 1u);
    EXPECT_TRUE(fake->messageBoxes.empty());
}

namespace {

std::set<int> OpenDescriptors() {
    std::set<int> open;
    for (const QString& name :
         QDir(QStringLiteral("/proc/self/fd"))
             .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        open.insert(name.toInt());
    return open;
}

} // namespace

TEST(SessionEndTest, SignalPipeNeitherBlocksNorLeaksIntoChildPrograms) {
    const std::set<int> before = OpenDescriptors();
    SessionEnd sessionEnd;
    std::set<int> added;
    for (const int fd : OpenDescriptors())
        if (!before.contains(fd) && ::fcntl(fd, F_GETFD) >= 0)
            added.insert(fd);
    ASSERT_FALSE(added.empty());
    for (const int fd : added) {
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC) << "descriptor " << fd;
        EXPECT_TRUE(::fcntl(fd, F_GETFL) & O_NONBLOCK) << "descriptor " << fd;
    }

    // Far more signals than the pipe holds, with nobody reading: every handler returns (a
    // blocking write would hang here until the watchdog kills the test), and the signal still
    // arrives once the event loop runs.
    int endings = 0;
    QObject::connect(&sessionEnd, &SessionEnd::Ending, [&](int number) {
        EXPECT_EQ(number, SIGTERM);
        ++endings;
    });
    ::alarm(20);
    for (int i = 0; i < 100000; ++i)
        ::raise(SIGTERM);
    ::alarm(0);
    QCoreApplication::processEvents();
    EXPECT_GT(endings, 0);
}

class DraftAcrossRunsTest : public MainWindowFixture {
protected:
    // Box 2 holds "other" and the memo "original" (two lines) on disk.
    void SetUp() override {
        TMemoList two;
        two.push_back(Memo({"original", "second line"}, 45000, 45000.25, 7));
        two.push_back(Memo({"other"}, 45100, 45100));
        WriteBytes(BoxFileName(2), BoxFileBytes(two));
        CreateForms();
    }

    // Opens memo `title` of box `box` with "編集" from its box menu, as the user does, and runs
    // `script` while the editor is up.
    void Edit(int box, const std::string& title, const std::function<void()>& script) {
        emit Form1->PopupMenu[box]->aboutToShow();
        for (QAction* item : Form1->PopupMenu[box]->actions()) {
            const int index = Form1->MemoOfItem(box, item);
            if (index >= 0 && Form1->BoxMemoLists[box][std::size_t(index)]->Lines[0] == title)
                item->trigger();
        }
        fake->onModal = [&](QDialog*) {
            script();
        };
        Form1->N1->trigger();
        fake->onModal = nullptr;
    }

    // A signal ends the run while the editor is up (quitting closes the windows).
    static void EndOnSignal() {
        Form1->EndSession();
        Form2->close();
    }

    // The next run starts, at a later moment.
    void Restart() {
        DestroyForms();
        fake->now += 1;
        CreateForms();
    }

    // Offers the draft at start-up; the editor's caption, box and memo date as it opens, then
    // `script` (OK or キャンセル).
    struct Offered {
        QString caption;
        int box = 0;
        TDateTime date = 0;
    };
    Offered Offer(const std::function<void()>& script) {
        Offered offered;
        fake->onModal = [&](QDialog*) {
            offered = {Form2->windowTitle(), Form2->CheckedBox(), Form2->DateTimePicker1};
            script();
        };
        Form1->OfferDraft();
        fake->onModal = nullptr;
        return offered;
    }

    std::vector<std::string> Titles(int box) {
        TMemoList list;
        ReadBoxFile(box, list);
        std::vector<std::string> titles;
        for (const auto& memo : list)
            titles.push_back(memo->Lines.front());
        return titles;
    }

    QString EditCaption(int box) {
        return QStringLiteral("Tabuko - [%1]を編集 -").arg(cp932::Decode(Form1->BoxName(box)));
    }
};

TEST_F(DraftAcrossRunsTest, ADraftOfAnEditComesBackAsThatEditWithItsDate) {
    const TDateTime opened = fake->now;
    Edit(2, "original", [] {
        Form2->RichEdit1->setPlainText(QStringLiteral("original\nsecond line\nchanged"));
        EndOnSignal();
    });
    Restart();
    const Offered offered = Offer([] { Form2->Button1->click(); });
    EXPECT_EQ(offered.caption, EditCaption(2));
    EXPECT_EQ(offered.box, 2);
    EXPECT_EQ(offered.date, opened);
    // Replaced, and ordered by its new date.
    EXPECT_EQ(Titles(2), (std::vector<std::string>{"original", "other"}));
    TMemoList two;
    ReadBoxFile(2, two);
    EXPECT_EQ(two[0]->Lines, (std::vector<std::string>{"original", "second line", "changed"}));
    EXPECT_EQ(two[0]->MemoDate, opened);
    EXPECT_FALSE(QFile::exists(kDraftFileName));
}

TEST_F(DraftAcrossRunsTest, AnEditMovedToAnotherBoxLeavesItsOldBox) {
    Edit(2, "original", [] {
        Form2->RichEdit1->setPlainText(QStringLiteral("moved"));
        Form2->SpeedButton[4]->click();
        EndOnSignal();
    });
    Restart();
    const Offered offered = Offer([] { Form2->Button1->click(); });
    EXPECT_EQ(offered.caption, EditCaption(4));
    EXPECT_EQ(offered.box, 4);
    EXPECT_EQ(Titles(2), std::vector<std::string>{"other"});
    EXPECT_EQ(Titles(4), std::vector<std::string>{"moved"});
}

TEST_F(DraftAcrossRunsTest, ADraftWhoseMemoIsGoneOrUnknownIsANewMemo) {
    // The memo was changed by another writer between the runs: the draft does not replace it.
    Edit(2, "original", [] {
        Form2->RichEdit1->setPlainText(QStringLiteral("mine"));
        EndOnSignal();
    });
    TMemoList two;
    two.push_back(Memo({"original", "theirs"}, 45000, 45200));
    WriteBytes(BoxFileName(2), BoxFileBytes(two));
    Restart();
    Offered offered = Offer([] { Form2->Button1->click(); });
    EXPECT_EQ(offered.caption,
              QStringLiteral("Tabuko - [%1]を新規作成 -").arg(cp932::Decode(Form1->BoxName(2))));
    EXPECT_EQ(Titles(2), (std::vector<std::string>{"mine", "original"}));

    // A draft of the earlier layout (the box number alone) is a new memo of the moment.
    WriteBytes(kDraftFileName, "3\nold layout");
    offered = Offer([] { Form2->Button1->click(); });
    EXPECT_EQ(offered.box, 3);
    EXPECT_EQ(offered.date, fake->now);
    EXPECT_EQ(Titles(3), std::vector<std::string>{"old layout"});
    EXPECT_EQ(Titles(2).size(), 2u);
}

class LogOutTest : public MainWindowFixture {
protected:
    void SetUp() override { CreateForms(); }

    // Opens the editor on a new memo of box 1 with `text`; `script` runs while it is up.
    void Write(const QString& text, const std::function<void()>& script) {
        fake->onModal = [&](QDialog*) {
            Form2->RichEdit1->setPlainText(text);
            script();
        };
        Form1->ImageFolderDblClick(Form1->Image[1]);
        fake->onModal = nullptr;
    }

    static void Press(QWidget* widget) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(widget, &press);
    }
};

TEST_F(LogOutTest, ACancelledLogOutKeepsNothingThrownAwayAndDropsNothing) {
    // The session asked, then went on: the user types and closes the editor; the text is gone.
    Write(QStringLiteral("thrown away"), [] {
        Form1->HandleQueryEndSession();
        ASSERT_TRUE(LoadDraft());
        Press(Form2->RichEdit1);
        Form2->close();
    });
    EXPECT_FALSE(QFile::exists(kDraftFileName));

    // The session closed the editor and then went on: the draft stays for the next start, also
    // once the user acts in the program again.
    Write(QStringLiteral("kept"), [] {
        Form1->HandleQueryEndSession();
        Form2->close();
    });
    Press(Form1);
    ASSERT_TRUE(LoadDraft());
    EXPECT_EQ(LoadDraft()->text, QStringLiteral("kept"));

    // Asked again, and ended on a signal after the user went on typing: the latest text is kept.
    Write(QStringLiteral("first"), [] {
        Form1->HandleQueryEndSession();
        Press(Form2->RichEdit1);
        Form2->RichEdit1->setPlainText(QStringLiteral("first and more"));
        Form1->EndSession();
        Form2->close();
    });
    ASSERT_TRUE(LoadDraft());
    EXPECT_EQ(LoadDraft()->text, QStringLiteral("first and more"));
}

namespace {

// Keeps the application from acting on a quit request (it would close every window and end the
// test's event loops), after the program's own watchers have seen it.
class SwallowQuit : public QObject {
public:
    SwallowQuit() { qApp->installEventFilter(this); }
    ~SwallowQuit() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Quit; }
};

} // namespace

TEST_F(LogOutTest, ASessionThatEndsAfterAskingKeepsTheLatestTextAndAsksNothing) {
    const SwallowQuit swallow;
    Write(QStringLiteral("asked"), [] {
        Form1->HandleQueryEndSession();
        Form2->RichEdit1->setPlainText(QStringLiteral("asked, then changed"));
        // The session manager ends the program: the application is asked to quit.
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &quit);
        EXPECT_TRUE(platform::Quiet());
        Form2->close();
    });
    ASSERT_TRUE(LoadDraft());
    EXPECT_EQ(LoadDraft()->text, QStringLiteral("asked, then changed"));
}

TEST_F(LogOutTest, EndingOnAFullDiskAsksNothingAndSaysWhatFailed) {
    fake->diskFull = true;
    fake->failSaveStage = FakePlatform::SaveFailure::HalfWay;
    // The session asks first: nothing is shown, and the program runs on.
    Write(QStringLiteral("unsaved"), [] { Form1->HandleQueryEndSession(); });
    EXPECT_TRUE(fake->messageBoxes.empty());
    EXPECT_FALSE(platform::QuietEndFailed());

    // Then a signal: the draft, the editor's position and the settings all fail, unseen.
    testing::internal::CaptureStderr();
    Write(QStringLiteral("unsaved"), [] {
        Form1->EndSession();
        Form2->close();
    });
    DestroyForms();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fake->messageBoxes.empty());
    EXPECT_TRUE(platform::QuietEndFailed());
    EXPECT_NE(said.find(QStringLiteral("下書き（%1）").arg(kDraftFileName).toStdString()),
              std::string::npos)
        << said;
    EXPECT_NE(said.find(QStringLiteral("設定（%1）").arg(kSettingsFileName).toStdString()),
              std::string::npos)
        << said;
    EXPECT_FALSE(QFile::exists(kDraftFileName));
}
