// One program per data folder: the lock, the local channel and where it lives.
#include "instance/SingleInstance.h"
#include "MainWindowFixture.h"
#include "ScopedEnvironment.h"
#include "editor/Unit2.h"
#include "mainwindow/Unit1.h"
#include "platform/LocalChannel.h"
#include "session/Draft.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Every entry of `folder` with its kind, size and change time, links not followed.
QStringList Snapshot(const QString& folder) {
    QStringList out;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        struct stat status {};
        ::lstat(QFile::encodeName(entry.filePath()).constData(), &status);
        out << QStringLiteral("%1 %2 %3 %4.%5")
                   .arg(entry.fileName())
                   .arg(status.st_mode)
                   .arg(status.st_size)
                   .arg(status.st_mtim.tv_sec)
                   .arg(status.st_mtim.tv_nsec);
    }
    return out;
}

TEST(SingleInstanceTest, LockHoldsWhateverBecomesOfTheFilesInTheFolderAndChangesNone) {
    QTemporaryDir folder, elsewhere;
    // A link where earlier versions kept their lock file, pointing at a file of the user's.
    const QString target = elsewhere.filePath(QStringLiteral("notes.txt"));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("precious\n");
    file.close();
    const QString old = folder.filePath(QStringLiteral("Tabuko.lock"));
    ASSERT_TRUE(QFile::link(target, old));
    const QStringList before = Snapshot(folder.path());

    auto first = std::make_unique<SingleInstance>(folder.path());
    ASSERT_TRUE(first->AcquireLock());
    EXPECT_EQ(Snapshot(folder.path()), before) << "a start changed the folder";
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "precious\n") << "written through the link";
    file.close();

    // A sync tool replaces the old lock's name by a rename, then deletes it: a later start
    // still finds the folder taken.
    QFile replacement(folder.filePath(QStringLiteral(".syncthing.Tabuko.lock.tmp")));
    ASSERT_TRUE(replacement.open(QIODevice::WriteOnly));
    replacement.close();
    ASSERT_EQ(::rename(QFile::encodeName(replacement.fileName()).constData(),
                       QFile::encodeName(old).constData()),
              0);
    {
        SingleInstance later(folder.path());
        EXPECT_FALSE(later.AcquireLock());
        EXPECT_TRUE(later.Error().isEmpty());
    }
    ASSERT_TRUE(QFile::remove(old));
    {
        SingleInstance later(folder.path());
        EXPECT_FALSE(later.AcquireLock());
    }
    first.reset();
    SingleInstance next(folder.path());
    EXPECT_TRUE(next.AcquireLock());
    EXPECT_TRUE(next.LockWarning().isEmpty());
    EXPECT_TRUE(
        QDir(folder.path())
            .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

TEST(SingleInstanceTest, ChannelFolderTakenByAnotherIsRefusedAndNothingIsSentThere) {
    QTemporaryDir data, temp;
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", {}), tmp("TMPDIR", temp.path());
    // The channel's fallback folder made first by somebody else: open to all (and, when the
    // test may do so, another user's), with a listener of theirs at the channel's name.
    const QString taken = temp.filePath(QStringLiteral("tabuko-%1").arg(platform::CurrentUserId()));
    ASSERT_TRUE(QDir().mkdir(taken));
    ASSERT_EQ(::chmod(QFile::encodeName(taken).constData(), 0777), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(taken).constData(), 65534, 65534), 0);
    }
    platform::LocalListener squatter;
    QByteArrayList heard;
    QObject::connect(&squatter, &platform::LocalListener::NewConnection,
                     [&](platform::LocalConnection* connection) {
                         QObject::connect(connection, &platform::LocalConnection::LineReceived,
                                          [&heard, connection](const QByteArray& line) {
                                              heard << line;
                                              connection->Write("ok\n");
                                          });
                     });
    ASSERT_TRUE(squatter.Listen(taken + u'/' + SingleInstance::ChannelName(data.path())));

    SingleInstance program(data.path());
    ASSERT_TRUE(program.Acquire()) << "the program runs without its channel";
    EXPECT_TRUE(program.ChannelError().contains(QDir::toNativeSeparators(taken)))
        << program.ChannelError().toStdString();
    SingleInstance::Reply reply;
    std::thread later(
        [&] { reply = SingleInstance::Request(data.path(), "new 1 secret", 300, 300); });
    QDeadlineTimer deadline(1000);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    later.join();
    EXPECT_EQ(reply.status, SingleInstance::Reply::Refused);
    EXPECT_FALSE(reply.error.isEmpty());
    EXPECT_TRUE(heard.isEmpty());
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
