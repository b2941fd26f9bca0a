#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

// One program per data folder. The first program to start in a folder takes the folder's lock
// file and listens on a local channel named after the folder; a later start in the same folder
// finds the lock taken and hands its command to the running program over the channel instead
// of touching any file. A lock left behind by a program that died is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The lock file's name in the data folder.
    static inline const QString kLockFileName = QStringLiteral("Tabuko.lock");

    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the folder's lock and opens the channel. False when another running program holds
    // the lock (or the folder cannot hold a lock file; `Error()` then says why).
    bool Acquire();
    // Why Acquire failed when no other program holds the lock; empty otherwise.
    QString Error() const { return error_; }

    // Sends one command line to the program that holds the folder's lock and waits for its
    // answer. Retries while that program is still opening its channel, up to `timeoutMs`.
    static bool Send(const QString& folder, const QByteArray& command, int timeoutMs = 5000);

    // The channel's name for a folder: the same for every start in that folder by the same user.
    static QString ChannelName(const QString& folder);

signals:
    // A command line from a later start (without its line end).
    void CommandReceived(const QByteArray& command);

private:
    void AcceptConnection();

    QString folder_;
    QString error_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};
