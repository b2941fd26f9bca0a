#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class FolderLock;
class LocalListener;
} // namespace platform

// One program per data folder. The first program to start in a folder takes the folder's lock
// and listens on a local channel named after the folder, in the user's private runtime folder; a
// later start in the same folder finds the lock taken and hands its command to the running
// program over the channel instead of touching any file. A lock left behind by a program that
// died comes free with it.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the folder's lock and opens the channel. False when another running program holds
    // the lock (or the folder cannot be locked; `Error()` then says why).
    bool Acquire();
    // Takes the folder's lock only, for a short job on the files that runs no event loop and so
    // could not answer on a channel. Later starts wait for the lock to come free.
    bool AcquireLock();
    // Why Acquire failed when no other program holds the lock; empty otherwise.
    QString Error() const { return error_; }
    // Why Acquire holds the lock but could not open the channel (later starts then cannot hand
    // their commands over); empty otherwise.
    QString ChannelError() const { return channelError_; }
    // Set when Acquire or AcquireLock went on without a lock because the folder's file system
    // keeps none: another program may run in the same folder unnoticed.
    QString LockWarning() const { return lockWarning_; }

    // Sends one command line to the program that holds the folder's lock and waits for its
    // answer. Retries while that program is still opening its channel, up to `timeoutMs`.
    // True when the answer is "ok".
    static bool Send(const QString& folder, const QByteArray& command, int timeoutMs = 5000);

    // How a request went: nobody took the line (no program listens: safe to try again), the
    // line was taken but no answer came in time (it may still be carried out), the answer, or
    // the line was not sent (the channel is not this user's alone, or the line is longer than a
    // channel takes: `error` says which).
    struct Reply {
        enum Status { NotDelivered, NoAnswer, Answered, Refused } status = NotDelivered;
        QByteArray answer; // the answer line without its line end
        QString error;
    };
    // One attempt to deliver `command`: connects (up to `connectMs`), sends the line and waits
    // up to `answerMs` for the answer.
    static Reply Request(const QString& folder, const QByteArray& command, int connectMs,
                         int answerMs);

    // Answers each received command line; without one every line is answered "ok". Runs before
    // CommandReceived is emitted.
    void SetAnswerer(std::function<QByteArray(const QByteArray& command)> answerer) {
        answerer_ = std::move(answerer);
    }

    // The channel's name for a folder: the same for every start in that folder by the same user.
    static QString ChannelName(const QString& folder);
    // Where the channel's socket of a folder lies, in the user's private runtime folder; empty
    // with `error` saying why when no such folder can be had.
    struct Place {
        QString path;
        QString error;
    };
    static Place ChannelPlace(const QString& folder);

signals:
    // A command line from a later start (without its line end).
    void CommandReceived(const QByteArray& command);

private:
    QByteArray Answer(const QByteArray& command) const;

    QString folder_;
    QString error_;
    QString channelError_;
    QString lockWarning_;
    std::unique_ptr<platform::FolderLock> lock_;
    platform::LocalListener* listener_ = nullptr;
    std::function<QByteArray(const QByteArray&)> answerer_;
};
