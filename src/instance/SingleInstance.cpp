#include "instance/SingleInstance.h"

#include "platform/FolderLock.h"
#include "platform/LocalChannel.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
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
    // The socket file goes before the lock: once the lock is free, the next program makes its own.
    delete listener_;
    lock_.reset();
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
    listener_ = new platform::LocalListener(this);
    // A socket left behind by a program that died is replaced: the lock is ours, so the name is
    // too.
    if (!listener_->Listen(platform::LocalChannelPath(ChannelName(folder_))))
        channelError_ = listener_->Error();
    connect(listener_, &platform::LocalListener::NewConnection, this,
            [this](platform::LocalConnection* connection) {
                connect(connection, &platform::LocalConnection::LineReceived, this,
                        [this, connection](const QByteArray& line) {
                            connection->Write(Answer(line) + '\n');
                            emit CommandReceived(line);
                        });
            });
    return true;
}

bool SingleInstance::AcquireLock() {
    lock_ = std::make_unique<platform::FolderLock>(QDir(folder_).filePath(kLockFileName));
    // Held for the whole run and free again only when its program has ended, however it ended.
    switch (lock_->TryLock(200)) {
    case platform::FolderLock::Result::Acquired:
        return true;
    case platform::FolderLock::Result::Failed:
        error_ = QStringLiteral("ロックファイル %1 を作成できません")
                     .arg(QDir::toNativeSeparators(lock_->Path()));
        break;
    case platform::FolderLock::Result::Held:
        break;
    }
    lock_.reset();
    return false;
}

QByteArray SingleInstance::Answer(const QByteArray& command) const {
    return answerer_ ? answerer_(command) : QByteArray(kAnswer);
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
    const platform::LocalReply reply = platform::LocalRequest(
        platform::LocalChannelPath(ChannelName(folder)), command, connectMs, answerMs);
    switch (reply.status) {
    case platform::LocalReply::Answered:
        return {Reply::Answered, reply.answer};
    case platform::LocalReply::NoAnswer:
        return {Reply::NoAnswer, {}};
    case platform::LocalReply::NotDelivered:
        break;
    }
    return {};
}
