#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// A line channel over the operating system's local (Unix domain) stream sockets: a listener
// that runs in the event loop and a blocking one-shot request for a program without one. A
// message is one line ending in "\n"; the listener answers each line on its connection.
namespace platform {

// The socket path of a channel name: a name without a leading "/" lives in the temporary folder
// (TMPDIR, else /tmp), where Qt's local sockets put it too, so that a program built on those and
// one built on these reach each other.
QString LocalChannelPath(const QString& name);

// One accepted connection. Reads without blocking, cuts what arrives into lines (a line may
// come in several pieces) and reports each complete line in order; answers are queued and sent
// as the peer takes them. A peer that leaves ends the connection once the lines it sent are
// reported; the connection then deletes itself.
class LocalConnection : public QObject {
    Q_OBJECT
public:
    LocalConnection(int fd, QObject* parent);
    ~LocalConnection() override;

    // Queues `bytes` for the peer and sends what it takes now. Nothing happens once the peer has
    // left.
    void Write(const QByteArray& bytes);

signals:
    // A line without its line end.
    void LineReceived(const QByteArray& line);

private:
    void ReadAvailable();
    void DeliverLines();
    void SendQueued();
    void Finish();

    int fd_ = -1;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QByteArray input_;
    qsizetype scanned_ = 0; // input_ up to here holds no line end
    QByteArray output_;
    bool delivering_ = false;
    bool peerLeft_ = false;
    bool writeFailed_ = false;
};

// A listening socket usable only by its user (mode 0600, made in a private folder and moved into
// place). Whatever lies at the path is replaced: the caller owns the name (it holds the lock
// that goes with it). The socket file is removed when the listener closes, unless another
// listener has taken the path meanwhile.
class LocalListener : public QObject {
    Q_OBJECT
public:
    explicit LocalListener(QObject* parent = nullptr);
    ~LocalListener() override;

    // False, with Error() saying why, when the socket cannot be made at `path` (a path too long
    // for a socket address, a folder that cannot be written).
    bool Listen(const QString& path);
    void Close();
    QString Error() const { return error_; }

signals:
    // A new connection, owned by the listener; connect to its LineReceived at once.
    void NewConnection(platform::LocalConnection* connection);

private:
    void AcceptPending();

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray path_; // encoded, as bound
    unsigned long long device_ = 0, inode_ = 0;
    QString error_;
};

// How a request went: nobody took the line (nobody listens, or the path cannot be a socket: safe
// to try again), the line went out but no answer line came in time (it may still be carried out),
// or the answer line without its line end.
struct LocalReply {
    enum Status { NotDelivered, NoAnswer, Answered } status = NotDelivered;
    QByteArray answer;
};

// Connects to the socket at `path` (waiting up to `connectMs` while the listener's queue is
// full), sends `line` and "\n", and waits up to `answerMs` for one answer line. Blocks; needs no
// event loop and may run on any thread.
LocalReply LocalRequest(const QString& path, const QByteArray& line, int connectMs, int answerMs);

} // namespace platform
