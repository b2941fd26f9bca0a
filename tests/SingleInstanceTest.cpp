// One program per data folder: the lock, its take-over after a crash, and the local channel.
#include "instance/SingleInstance.h"
#include "MainWindowFixture.h"
#include "editor/Unit2.h"
#include "mainwindow/Unit1.h"
#include "session/Draft.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(SingleInstanceTest, LockOfAProgramThatDiedIsTakenOver) {
    QTemporaryDir folder;
    // The lock file of a process that no longer runs: pid, program name, host.
    QFile lock(folder.filePath(SingleInstance::kLockFileName));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("999999999\nTabuko\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    SingleInstance first(folder.path());
    EXPECT_TRUE(first.Acquire());
    EXPECT_TRUE(first.Error().isEmpty());
}

TEST(SingleInstanceTest, LaterStartInTheSameFolderReachesTheFirstOnly) {
    QTemporaryDir folder, other;
    SingleInstance first(folder.path());
    ASSERT_TRUE(first.Acquire());
    EXPECT_NE(SingleInstance::ChannelName(folder.path()),
              SingleInstance::ChannelName(other.path()));
    EXPECT_EQ(SingleInstance::ChannelName(folder.path()),
              SingleInstance::ChannelName(folder.path() + "/."));

    QByteArrayList received;
    QObject::connect(&first, &SingleInstance::CommandReceived,
                     [&](const QByteArray& command) { received << command; });
    // A later start runs its hand-over without an event loop of its own; the first program
    // answers from its loop.
    bool sent = false;
    std::thread later([&] { sent = SingleInstance::Send(folder.path(), "show", 5000); });
    QDeadlineTimer deadline(6000);
    while (received.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    later.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(received, QByteArrayList{"show"});

    // Another folder has no program: nobody answers there, and it can take its own lock.
    EXPECT_FALSE(SingleInstance::Send(other.path(), "show", 300));
    SingleInstance second(other.path());
    EXPECT_TRUE(second.Acquire());
}

TEST(SingleInstanceTest, FolderThatCannotHoldTheLockSaysWhy) {
    SingleInstance nowhere(QStringLiteral("/proc/no-such-folder"));
    EXPECT_FALSE(nowhere.Acquire());
    EXPECT_FALSE(nowhere.Error().isEmpty());
}

class DraftTest : public MainWindowFixture {};

TEST_F(DraftTest, TextOfTheOpenEditorSurvivesTheEndOfTheSessionAndComesBackUnstored) {
    CreateForms();
    fake->onModal = [](QDialog*) {
        Form2->RichEdit1->setPlainText(QStringLiteral("書きかけ\n😀 not yet storable"));
        Form1->EndSession(); // the session ends while the editor is up
    };
    Form1->ImageFolderDblClick(Form1->Image[3]);
    Form2->close(); // quitting closes the windows
    const std::optional<Draft> kept = LoadDraft();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->box, 3);
    EXPECT_EQ(kept->text, QStringLiteral("書きかけ\n😀 not yet storable"));
    EXPECT_FALSE(QFile::exists("3.dat")) << "nothing is stored without OK";
    DestroyForms();

    // The next start opens the editor on it, for box 3; closing the editor ends the draft.
    CreateForms();
    QString shown;
    int box = 0;
    fake->onModal = [&](QDialog*) {
        shown = Form2->RichEdit1->toPlainText();
        box = Form2->CheckedBox();
        Form2->reject();
    };
    Form1->OfferDraft();
    EXPECT_EQ(shown, QStringLiteral("書きかけ\n😀 not yet storable"));
    EXPECT_EQ(box, 3);
    EXPECT_FALSE(QFile::exists(kDraftFileName));
    EXPECT_FALSE(QFile::exists("3.dat"));
}

TEST_F(DraftTest, SessionManagersSaveRequestKeepsTheDraftUntilOkOrCancel) {
    CreateForms();
    fake->onModal = [](QDialog*) {
        Form2->RichEdit1->setPlainText(QStringLiteral("途中"));
        Form1->HandleQueryEndSession();
        Form2->close(); // the session ends: quitting closes the windows
    };
    Form1->ImageFolderDblClick(Form1->Image[2]);
    ASSERT_TRUE(LoadDraft());
    EXPECT_EQ(LoadDraft()->text, QStringLiteral("途中"));

    // The log-out was cancelled and the user stored the memo: the draft has served.
    fake->onModal = [](QDialog*) {
        Form2->RichEdit1->setPlainText(QStringLiteral("途中"));
        Form2->Button1->click();
    };
    Form1->ImageFolderDblClick(Form1->Image[2]);
    EXPECT_FALSE(QFile::exists(kDraftFileName));
}

} // namespace
