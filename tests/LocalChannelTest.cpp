// The local line channel: a listener in the event loop against plain socket clients and the
// blocking request.
#include "platform/LocalChannel.h"
#include "instance/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using platform::LocalConnection;
using platform::LocalListener;
using platform::LocalReply;
using platform::LocalRequest;

// Runs the event loop until `done` or for at most `ms`.
void RunUntil(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Runs `client` on its own thread while this one runs the listener's event loop.
void WithClient(const std::function<void()>& client) {
    std::atomic<bool> finished = false;
    std::thread thread([&] {
        client();
        finished = true;
    });
    RunUntil([&] { return finished.load(); }, 10000);
    thread.join();
}

// A plain blocking client socket.
int Connect(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void SendAll(int fd, const QByteArray& bytes) {
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t count = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), 0);
        ASSERT_GT(count, 0);
        sent += count;
    }
}

// Reads until `lines` line ends have come or the peer closes.
QByteArray ReadLines(int fd, int lines) {
    QByteArray input;
    char buffer[4096];
    while (input.count('\n') < lines) {
        const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0)
            break;
        input.append(buffer, count);
    }
    return input;
}

// A listener in a private temporary folder that answers each line with `answer(line)` and
// records the lines.
struct EchoChannel {
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("channel"));
    LocalListener listener;
    QByteArrayList received;
    std::function<QByteArray(const QByteArray&)> answer = [](const QByteArray& line) {
        return "re:" + line;
    };

    EchoChannel() {
        QObject::connect(&listener, &LocalListener::NewConnection,
                         [this](LocalConnection* connection) {
                             QObject::connect(connection, &LocalConnection::LineReceived,
                                              [this, connection](const QByteArray& line) {
                                                  received << line;
                                                  connection->Write(answer(line) + '\n');
                                              });
                         });
    }
};

TEST(LocalChannelTest, LinesOnOneConnectionAreAnsweredInOrderWhateverPiecesTheyComeIn) {
    EchoChannel channel;
    ASSERT_TRUE(channel.listener.Listen(channel.path)) << channel.listener.Error().toStdString();
    QByteArray answers;
    WithClient([&] {
        const int fd = Connect(channel.path);
        ASSERT_GE(fd, 0);
        SendAll(fd, "one\ntwo\nthr"); // two lines and the start of a third in one write
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        SendAll(fd, "ee\n\nfour");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        SendAll(fd, "\n");
        answers = ReadLines(fd, 5);
        ::close(fd);
    });
    EXPECT_EQ(channel.received, (QByteArrayList{"one", "two", "three", "", "four"}));
    EXPECT_EQ(answers, "re:one\nre:two\nre:three\nre:\nre:four\n");

    // The blocking request: one line out, the first answer line back, bytes as they are.
    LocalReply reply;
    WithClient([&] { reply = LocalRequest(channel.path, "a\tb\r", 1000, 1000); });
    EXPECT_EQ(reply.status, LocalReply::Answered);
    EXPECT_EQ(reply.answer, "re:a\tb\r");
}

TEST(LocalChannelTest, AReceiverThatRunsAnEventLoopGetsTheNextLineOnlyAfterItReturns) {
    EchoChannel channel;
    QByteArrayList steps;
    channel.answer = [&](const QByteArray& line) {
        steps << "begin " + line;
        if (line == "modal") { // a modal window: the loop runs while the next line arrives
            QEventLoop loop;
            QTimer::singleShot(300, &loop, &QEventLoop::quit);
            loop.exec();
        }
        steps << "end " + line;
        return QByteArray("ok");
    };
    ASSERT_TRUE(channel.listener.Listen(channel.path));
    QByteArray answers;
    WithClient([&] {
        const int fd = Connect(channel.path);
        SendAll(fd, "modal\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        SendAll(fd, "next\n");
        answers = ReadLines(fd, 2);
        ::close(fd);
    });
    EXPECT_EQ(steps, (QByteArrayList{"begin modal", "end modal", "begin next", "end next"}));
    EXPECT_EQ(answers, "ok\nok\n");
}

TEST(LocalChannelTest, ClientsThatLeaveEarlyOrReadSlowlyNeitherKillNorBlockTheListener) {
    EchoChannel channel;
    ASSERT_TRUE(channel.listener.Listen(channel.path));
    WithClient([&] {
        // Connects and leaves at once; leaves in the middle of a line.
        ::close(Connect(channel.path));
        int fd = Connect(channel.path);
        SendAll(fd, "half a li");
        ::close(fd);
        // Sends a line and leaves before its answer: the answer goes to a closed socket, which
        // must not end the program with SIGPIPE. The line still counts.
        fd = Connect(channel.path);
        SendAll(fd, "gone\n");
        ::close(fd);
    });
    RunUntil([&] { return !channel.received.isEmpty(); }, 2000);
    RunUntil([] { return false; }, 200); // the answer to "gone" is written meanwhile
    EXPECT_EQ(channel.received, QByteArrayList{"gone"});

    // A client that sends many lines and reads none of the answers for a while: far more answer
    // bytes than a socket holds wait in the listener, whose loop goes on serving others.
    channel.answer = [](const QByteArray& line) {
        return QByteArray(8192, 'x') + line;
    };
    constexpr int kLines = 400;
    const int slow = Connect(channel.path);
    ASSERT_GE(slow, 0);
    QByteArray lines;
    for (int i = 0; i < kLines; ++i)
        lines += QByteArray::number(i) + '\n';
    SendAll(slow, lines);
    RunUntil([&] { return channel.received.size() == 1 + kLines; });
    ASSERT_EQ(channel.received.size(), 1 + kLines);

    LocalReply reply;
    WithClient([&] { reply = LocalRequest(channel.path, "meanwhile", 1000, 2000); });
    EXPECT_EQ(reply.status, LocalReply::Answered);
    EXPECT_EQ(reply.answer, QByteArray(8192, 'x') + "meanwhile");

    QByteArray answers;
    WithClient([&] { answers = ReadLines(slow, kLines); });
    ::close(slow);
    ASSERT_EQ(answers.count('\n'), kLines);
    EXPECT_TRUE(answers.endsWith(QByteArray(8192, 'x') + QByteArray::number(kLines - 1) + '\n'));
}

TEST(LocalChannelTest, SocketIsTheUsersOnlyReplacesOneLeftBehindAndGoesWithItsListener) {
    EchoChannel channel;
    // The socket of a program that died: the file stays, nobody listens.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, QFile::encodeName(channel.path).constData());
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    EXPECT_EQ(LocalRequest(channel.path, "to nobody", 300, 300).status, LocalReply::NotDelivered);

    ASSERT_TRUE(channel.listener.Listen(channel.path)) << channel.listener.Error().toStdString();
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(channel.path).constData(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(status.st_uid, ::getuid());
    // Nothing of the private folder it was made in stays behind.
    EXPECT_EQ(QDir(channel.folder.path())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("channel")});
    LocalReply reply;
    WithClient([&] { reply = LocalRequest(channel.path, "hello", 1000, 1000); });
    EXPECT_EQ(reply.status, LocalReply::Answered);

    channel.listener.Close();
    EXPECT_FALSE(QFile::exists(channel.path));
    EXPECT_EQ(LocalRequest(channel.path, "to nobody", 300, 300).status, LocalReply::NotDelivered);

    // A listener that closes after another has taken its path leaves the other's socket alone.
    LocalListener first, second;
    ASSERT_TRUE(first.Listen(channel.path));
    ASSERT_TRUE(second.Listen(channel.path));
    first.Close();
    EXPECT_TRUE(QFile::exists(channel.path));
}

TEST(LocalChannelTest, PathLongerThanASocketAddressHoldsFailsCleanly) {
    QTemporaryDir folder;
    const int limit = int(sizeof(sockaddr_un{}.sun_path)) - 1; // bytes before the NUL
    const auto pathOf = [&](int length) {
        const QString base = folder.path() + QStringLiteral("/c");
        return base + QString(length - base.size(), u'x');
    };
    LocalListener longest;
    EXPECT_TRUE(longest.Listen(pathOf(limit))) << longest.Error().toStdString();
    LocalReply reply;
    WithClient([&] { reply = LocalRequest(pathOf(limit), "fits", 1000, 1000); });
    EXPECT_EQ(reply.status, LocalReply::NoAnswer) << "delivered, but nobody answers here";

    for (const int length : {limit + 1, 300}) {
        LocalListener tooLong;
        EXPECT_FALSE(tooLong.Listen(pathOf(length)));
        EXPECT_TRUE(tooLong.Error().contains(QStringLiteral("長すぎます")))
            << tooLong.Error().toStdString();
        EXPECT_FALSE(QFile::exists(pathOf(length)));
        EXPECT_EQ(LocalRequest(pathOf(length), "x", 100, 100).status, LocalReply::NotDelivered);
    }

    // A temporary folder so deep that the program's channel cannot be made there: the program
    // holds its folder's lock and says why later starts cannot reach it.
    QTemporaryDir data;
    const QString deep = folder.path() + u'/' + QString(120, u'd');
    ASSERT_TRUE(QDir().mkpath(deep));
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(deep));
    {
        SingleInstance program(data.path());
        EXPECT_TRUE(program.Acquire());
        EXPECT_TRUE(program.Error().isEmpty());
        EXPECT_FALSE(program.ChannelError().isEmpty());
        EXPECT_EQ(SingleInstance::Request(data.path(), "show", 100, 100).status,
                  SingleInstance::Reply::NotDelivered);
    }
    if (savedTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTemp);
}

} // namespace
