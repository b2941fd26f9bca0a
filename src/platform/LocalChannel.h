#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

// A line channel over the operating system's local (Unix domain) stream sockets: a listener
// that runs in the event loop and a blocking one-shot request for a program without one. A
// message is one line ending in "\n"; the listener answers each line on its connection.
namespace platform {

// The longest line either end of a channel takes. The longest legitimate line is an import,
// which carries whole box files percent-encoded (up to three bytes for each byte): 64 MiB leaves
// room for some 21 MiB of memo text, far more than any box whose menu the program can show, and
// still bounds what a peer that never ends its line can make the listener keep.
constexpr qsizetype kLocalLineLimit = qsizetype(64) << 20;

// The id of the user this program runs as (the real user id), which keys the names of that
// user's channels.
unsigned long long CurrentUserId();

// The user's private folder for sockets: $XDG_RUNTIME_DIR when it is a real folder of this
// user's that nobody else may enter, else "tabuko-<user id>" in the temporary folder (TMPDIR,
// else /tmp), made with mode 0700 when missing. Another user can take that name first in a
// shared temporary folder, so it is used only when it is a real folder (not a link), this
// user's own and closed to everybody else; otherwise `error` says why and `path` is empty.
struct PrivateFolder {
    QString path;
    QString error;
};
PrivateFolder PrivateRuntimeFolder();

// One accepted connection. Reads without blocking, cuts what arrives into lines (a line may
// come in several pieces) and reports each complete line in order; answers are queued and sent
// as the peer takes them. A peer that leaves ends the connection once the lines it sent are
// reported; the connection then deletes itself.
class LocalConnection : public QObject {
    Q_OBJECT
public:
    // Closes itself after `idleMs` without a byte coming or going, except while a line it
    // reported is being handled.
    LocalConnection(int fd, int idleMs, QObject* parent);
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
    void Abort();

    int fd_ = -1;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QTimer* idle_ = nullptr;
    QByteArray input_;
    qsizetype scanned_ = 0;   // input_ up to here holds no line end
    qsizetype lineStart_ = 0; // where in input_ the unfinished line begins
    QByteArray output_;
    bool delivering_ = false;
    bool peerLeft_ = false;
    bool writeFailed_ = false;
};

// A listening socket usable only by its user (mode 0600, made in a private folder and moved into
// place). Whatever lies at the path is replaced: the caller owns the name (it holds the lock
// that goes with it). Connections from processes of another user are closed unread, lines longer
// than kLocalLineLimit end their connection, and so does a connection left idle. The socket file
// is removed when the listener closes, unless another listener has taken the path meanwhile.
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
    // How long a connection may stay idle (10 seconds unless set); for connections accepted
    // from now on.
    void SetIdleTimeout(int ms) { idleMs_ = ms; }

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
    int idleMs_ = 10000;
};

// How a request went: nobody took the line (nobody listens, or the path cannot be a socket: safe
// to try again), the line went out but no answer line came in time (it may still be carried out),
// the answer line without its line end, or the line was not sent at all because the listener is
// a process of another user or the line is longer than kLocalLineLimit (`error` says which).
struct LocalReply {
    enum Status { NotDelivered, NoAnswer, Answered, Refused } status = NotDelivered;
    QByteArray answer;
    QString error;
};

// Connects to the socket at `path` (waiting up to `connectMs` while the listener's queue is
// full), checks that the listener runs as this user, sends `line` and "\n", and waits up to
// `answerMs` for one answer line. Blocks; needs no event loop and may run on any thread.
LocalReply LocalRequest(const QString& path, const QByteArray& line, int connectMs, int answerMs);

} // namespace platform
