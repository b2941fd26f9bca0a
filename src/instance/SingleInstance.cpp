#include "instance/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

constexpr char kAnswer[] = "ok";

QString CanonicalFolder(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(folder).absoluteFilePath() : canonical;
}

} // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), folder_(CanonicalFolder(folder)) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
    if (lock_)
        lock_->unlock();
}

QString SingleInstance::ChannelName(const QString& folder) {
    // Local channel names live in one shared namespace (a temporary folder): the folder path
    // and the user make them unique without exposing either.
    const QByteArray key = CanonicalFolder(folder).toUtf8() + '\0' +
                           qEnvironmentVariable("USER").toUtf8() + '\0' + QDir::homePath().toUtf8();
    return QStringLiteral("tabuko-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
}

bool SingleInstance::Acquire() {
    if (!AcquireLock())
        return false;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = ChannelName(folder_);
    // A channel left behind by a program that died: the lock is ours, so the name is too.
    if (!server_->listen(name)) {
        QLocalServer::removeServer(name);
        server_->listen(name);
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnection);
    return true;
}

bool SingleInstance::AcquireLock() {
    lock_ = std::make_unique<QLockFile>(QDir(folder_).filePath(kLockFileName));
    // Held for the whole run: only a lock whose program no longer runs is stale, never an old
    // one.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(200)) {
        if (lock_->error() != QLockFile::LockFailedError)
            error_ = QStringLiteral("ロックファイル %1 を作成できません")
                         .arg(QDir::toNativeSeparators(lock_->fileName()));
        lock_.reset();
        return false;
    }
    return true;
}

void SingleInstance::AcceptConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                QByteArray line = socket->readLine();
                line.chop(1);
                const QByteArray answer = answerer_ ? answerer_(line) : QByteArray(kAnswer);
                socket->write(answer + '\n');
                socket->flush();
                emit CommandReceived(line);
            }
        });
    }
}

bool SingleInstance::Send(const QString& folder, const QByteArray& command, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    do {
        const Reply reply =
            Request(folder, command, int(std::min<qint64>(1000, deadline.remainingTime())),
                    int(std::max<qint64>(1, deadline.remainingTime())));
        if (reply.status == Reply::Answered)
            return reply.answer == kAnswer;
        if (reply.status == Reply::NoAnswer)
            return false;
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}

SingleInstance::Reply SingleInstance::Request(const QString& folder, const QByteArray& command,
                                              int connectMs, int answerMs) {
    QLocalSocket socket;
    socket.connectToServer(ChannelName(folder));
    if (!socket.waitForConnected(connectMs))
        return {};
    socket.write(command + '\n');
    QDeadlineTimer deadline(answerMs);
    while (socket.bytesToWrite() > 0 &&
           socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())))) {
    }
    while (!socket.canReadLine() &&
           socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())))) {
    }
    if (!socket.canReadLine())
        return {Reply::NoAnswer, {}};
    QByteArray answer = socket.readLine();
    answer.chop(1);
    return {Reply::Answered, answer};
}
