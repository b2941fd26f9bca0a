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
    // The folder path and the user make the name unique without showing either.
    const QByteArray key =
        CanonicalFolder(folder).toUtf8() + '\0' + QByteArray::number(platform::CurrentUserId());
    return QStringLiteral("tabuko-") +
           QString::fromLatin1(
               QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
}

SingleInstance::Place SingleInstance::ChannelPlace(const QString& folder) {
    const platform::PrivateFolder runtime = platform::PrivateRuntimeFolder();
    if (runtime.path.isEmpty())
        return {{}, runtime.error};
    return {runtime.path + u'/' + ChannelName(folder), {}};
}

bool SingleInstance::Acquire() {
    if (!AcquireLock())
        return false;
    const Place place = ChannelPlace(folder_);
    if (place.path.isEmpty()) {
        channelError_ =
            QStringLiteral("ほかの起動やコマンドラインからの指示を受け付けられません（%1）")
                .arg(place.error);
        return true;
    }
    listener_ = new platform::LocalListener(this);
    // A socket left behind by a program that died is replaced: the lock is ours, so the name is
    // too.
    if (!listener_->Listen(place.path))
        channelError_ =
            QStringLiteral("ほかの起動やコマンドラインからの指示を受け付けられません（%1）")
                .arg(listener_->Error());
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
    lock_ = std::make_unique<platform::FolderLock>(folder_);
    // Held for the whole run and free again only when its program has ended, however it ended.
    switch (lock_->TryLock(200)) {
    case platform::FolderLock::Result::Acquired:
        return true;
    case platform::FolderLock::Result::Unsupported:
        lockWarning_ = QStringLiteral("フォルダ %1 のファイルシステムはロックに対応していないため、"
                                      "同じフォルダで Tabuko が二重に動いても防げません（%2）")
                           .arg(QDir::toNativeSeparators(folder_), lock_->Error());
        lock_.reset();
        return true;
    case platform::FolderLock::Result::Failed:
        error_ = QStringLiteral("フォルダ %1 をロックできません（%2）")
                     .arg(QDir::toNativeSeparators(folder_), lock_->Error());
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
        if (reply.status == Reply::NoAnswer || reply.status == Reply::Refused)
            return false;
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return false;
}

SingleInstance::Reply SingleInstance::Request(const QString& folder, const QByteArray& command,
                                              int connectMs, int answerMs) {
    const Place place = ChannelPlace(folder);
    if (place.path.isEmpty())
        return {Reply::Refused, {}, place.error};
    const platform::LocalReply reply =
        platform::LocalRequest(place.path, command, connectMs, answerMs);
    switch (reply.status) {
    case platform::LocalReply::Answered:
        return {Reply::Answered, reply.answer, {}};
    case platform::LocalReply::NoAnswer:
        return {Reply::NoAnswer, {}, {}};
    case platform::LocalReply::Refused:
        return {Reply::Refused, {}, reply.error};
    case platform::LocalReply::NotDelivered:
        break;
    }
    return {};
}
