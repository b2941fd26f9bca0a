#include "platform/LocalChannel.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// A write to a peer that has gone must fail with EPIPE, not end the program with SIGPIPE. Where
// send() has no flag for that, the socket itself is told (SO_NOSIGPIPE, see PrepareSocket).
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

// Connections that the listener has not yet taken wait in the kernel's queue.
constexpr int kBacklog = 50;

QString SystemMessage(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// False when `path` does not fit a socket address (with its terminating NUL).
bool FillAddress(const QByteArray& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Non-blocking, closed in programs this one starts (a browser must not keep the channel open),
// and quiet on a write to a peer that has gone.
bool PrepareSocket(int fd) {
    const int descriptorFlags = ::fcntl(fd, F_GETFD);
    const int statusFlags = ::fcntl(fd, F_GETFL);
    if (descriptorFlags < 0 || statusFlags < 0 ||
        ::fcntl(fd, F_SETFD, descriptorFlags | FD_CLOEXEC) < 0 ||
        ::fcntl(fd, F_SETFL, statusFlags | O_NONBLOCK) < 0)
        return false;
#if !defined(MSG_NOSIGNAL) && defined(SO_NOSIGPIPE)
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on) < 0)
        return false;
#endif
    return true;
}

int OpenSocket() {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0 && !PrepareSocket(fd)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Waits until `fd` is ready for `events` (or has failed or hung up, which the next call then
// reports). False when the deadline passes first.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, int(std::max<long long>(0, left)));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// The user the process at the other end of a connected local socket runs as (for a client, the
// listener's user when it began to listen). Nothing where the system cannot tell: a peer that
// cannot be identified is treated as a stranger.
std::optional<uid_t> PeerUser(int fd) {
#if defined(SO_PEERCRED)
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
        size == sizeof credentials)
        return credentials.uid;
#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__) || \
    defined(__DragonFly__)
    uid_t user = 0;
    gid_t group = 0;
    if (::getpeereid(fd, &user, &group) == 0)
        return user;
#else
    (void)fd;
#endif
    return std::nullopt;
}

bool PeerIsUs(int fd) {
    const std::optional<uid_t> peer = PeerUser(fd);
    return peer && *peer == ::geteuid();
}

// Why `path` cannot hold this user's sockets; empty when it is a real folder (not a link) of
// this user's that nobody else may enter.
QString FolderProblem(const QByteArray& path) {
    const QString shown = QFile::decodeName(path);
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0)
        return QStringLiteral("フォルダ %1 を調べられません（%2）")
            .arg(shown, SystemMessage(errno));
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("%1 はフォルダではなくリンクです").arg(shown);
    if (!S_ISDIR(status.st_mode))
        return QStringLiteral("%1 はフォルダではありません").arg(shown);
    if (status.st_uid != ::geteuid())
        return QStringLiteral("フォルダ %1 は別のユーザー（uid %2）のものです")
            .arg(shown)
            .arg(status.st_uid);
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return QStringLiteral("フォルダ %1 はほかのユーザーも使えます（アクセス権 %2）")
            .arg(shown)
            .arg(status.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

} // namespace

unsigned long long CurrentUserId() {
    return ::getuid();
}

PrivateFolder PrivateRuntimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && FolderProblem(runtime).isEmpty())
        return {QFile::decodeName(runtime), {}};
    QByteArray base = qgetenv("TMPDIR");
    if (!base.startsWith('/'))
        base = "/tmp";
    while (base.size() > 1 && base.endsWith('/'))
        base.chop(1);
    const QByteArray folder = base + "/tabuko-" + QByteArray::number(CurrentUserId());
    // Made closed; a folder that is already there is only used after the checks below, since in
    // a shared temporary folder anybody can make it first.
    if (::mkdir(folder.constData(), S_IRWXU) != 0 && errno != EEXIST)
        return {{},
                QStringLiteral("フォルダ %1 を作成できません（%2）")
                    .arg(QFile::decodeName(folder), SystemMessage(errno))};
    const QString problem = FolderProblem(folder);
    if (!problem.isEmpty())
        return {{}, problem};
    return {QFile::decodeName(folder), {}};
}

// ---- LocalConnection ----

LocalConnection::LocalConnection(int fd, int idleMs, QObject* parent) : QObject(parent), fd_(fd) {
    readNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &LocalConnection::ReadAvailable);
    writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &LocalConnection::SendQueued);
    // A peer that connects and then neither sends nor takes anything would hold its socket and
    // buffers for the whole run.
    idle_ = new QTimer(this);
    idle_->setSingleShot(true);
    idle_->setInterval(idleMs);
    connect(idle_, &QTimer::timeout, this, [this] {
        if (!delivering_)
            Abort();
    });
    idle_->start();
}

LocalConnection::~LocalConnection() {
    delete readNotifier_;
    delete writeNotifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

void LocalConnection::ReadAvailable() {
    if (fd_ < 0 || peerLeft_)
        return;
    char buffer[16384];
    for (;;) {
        // Lines that wait for a receiver still busy with an earlier one (a modal window) are
        // bounded too: the peer waits until they are taken.
        if (input_.size() > kLocalLineLimit) {
            readNotifier_->setEnabled(false);
            break;
        }
        const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
        if (count > 0) {
            const qsizetype before = input_.size();
            input_.append(buffer, qsizetype(count));
            const auto chunkEnd = std::make_reverse_iterator(buffer);
            const auto lastEnd =
                std::find(std::make_reverse_iterator(buffer + count), chunkEnd, '\n');
            if (lastEnd != chunkEnd)
                lineStart_ = before + qsizetype(lastEnd.base() - buffer);
            if (input_.size() - lineStart_ > kLocalLineLimit) {
                // Not a line this program sends: the peer is dropped with what it sent.
                Abort();
                return;
            }
            idle_->start();
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The end of the stream, or a peer that reset it: what it sent before still counts.
        peerLeft_ = true;
        readNotifier_->setEnabled(false);
        break;
    }
    DeliverLines();
}

void LocalConnection::DeliverLines() {
    // A receiver that runs an event loop (a modal window) may bring more input meanwhile: it is
    // buffered, and the outer call reports it, keeping the order of the lines.
    if (delivering_)
        return;
    delivering_ = true;
    idle_->stop();
    const QPointer<LocalConnection> alive(this);
    for (;;) {
        const qsizetype end = input_.indexOf('\n', scanned_);
        if (end < 0) {
            scanned_ = input_.size();
            break;
        }
        const QByteArray line = input_.left(end);
        input_.remove(0, end + 1);
        scanned_ = 0;
        lineStart_ = std::max<qsizetype>(0, lineStart_ - (end + 1));
        emit LineReceived(line);
        if (!alive)
            return;
    }
    delivering_ = false;
    if (fd_ < 0) { // aborted while the receiver ran an event loop
        deleteLater();
        return;
    }
    if (peerLeft_) {
        Finish();
    } else {
        readNotifier_->setEnabled(true);
        idle_->start();
    }
}

void LocalConnection::Write(const QByteArray& bytes) {
    if (fd_ < 0 || writeFailed_)
        return;
    output_.append(bytes);
    SendQueued();
}

void LocalConnection::SendQueued() {
    while (!output_.isEmpty()) {
        const ssize_t count = ::send(fd_, output_.constData(), size_t(output_.size()), kSendFlags);
        if (count > 0) {
            output_.remove(0, qsizetype(count));
            if (!delivering_)
                idle_->start();
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The peer reads slowly: the rest goes when it has room, the loop runs on meanwhile.
            writeNotifier_->setEnabled(true);
            return;
        }
        // The peer has closed: nobody reads the rest. Lines it sent are still read to the end.
        writeFailed_ = true;
        output_.clear();
    }
    writeNotifier_->setEnabled(false);
}

void LocalConnection::Finish() {
    if (fd_ < 0)
        return;
    // A peer that has only stopped sending still takes its answers.
    SendQueued();
    Abort();
}

void LocalConnection::Abort() {
    if (fd_ < 0)
        return;
    idle_->stop();
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    input_.clear();
    output_.clear();
    // A receiver still handling a line holds this connection: it goes once that returns.
    if (!delivering_)
        deleteLater();
}

// ---- LocalListener ----

LocalListener::LocalListener(QObject* parent) : QObject(parent) {}

LocalListener::~LocalListener() {
    Close();
}

bool LocalListener::Listen(const QString& path) {
    Close();
    error_.clear();
    const QByteArray encoded = QFile::encodeName(path);
    const QString shown = QDir::toNativeSeparators(path);
    sockaddr_un address;
    if (!FillAddress(encoded, address)) {
        error_ = QStringLiteral("ソケット %1 のパスが長すぎます（%2 バイトまで）")
                     .arg(shown)
                     .arg(sizeof address.sun_path - 1);
        return false;
    }
    // The socket is made in a private folder beside its place, closed to others there, and then
    // moved into place: nobody else can reach it at any moment, and a socket file left behind by
    // a program that died is replaced in one step.
    const qsizetype slash = encoded.lastIndexOf('/');
    QByteArray folder = (slash < 0 ? QByteArray(".") : encoded.left(slash)) + "/.XXXXXX";
    if (!::mkdtemp(folder.data())) {
        error_ =
            QStringLiteral("ソケット %1 を作成できません（%2）").arg(shown, SystemMessage(errno));
        return false;
    }
    const QByteArray privatePath = folder + "/s";
    sockaddr_un privateAddress;
    int fd = -1;
    int error = ENAMETOOLONG;
    if (FillAddress(privatePath, privateAddress)) {
        fd = OpenSocket();
        const bool made = fd >= 0 &&
                          ::bind(fd, reinterpret_cast<const sockaddr*>(&privateAddress),
                                 sizeof privateAddress) == 0 &&
                          ::chmod(privatePath.constData(), S_IRUSR | S_IWUSR) == 0 &&
                          ::listen(fd, kBacklog) == 0 &&
                          ::rename(privatePath.constData(), encoded.constData()) == 0;
        error = made ? 0 : errno;
    }
    ::unlink(privatePath.constData());
    ::rmdir(folder.constData());
    if (error != 0) {
        if (fd >= 0)
            ::close(fd);
        error_ =
            QStringLiteral("ソケット %1 を作成できません（%2）").arg(shown, SystemMessage(error));
        return false;
    }
    fd_ = fd;
    path_ = encoded;
    struct stat status;
    if (::stat(path_.constData(), &status) == 0) {
        device_ = static_cast<unsigned long long>(status.st_dev);
        inode_ = static_cast<unsigned long long>(status.st_ino);
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &LocalListener::AcceptPending);
    return true;
}

void LocalListener::Close() {
    if (fd_ < 0)
        return;
    delete notifier_;
    notifier_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    // Only our own socket file: another listener may have taken the path since.
    struct stat status;
    if (::stat(path_.constData(), &status) == 0 &&
        static_cast<unsigned long long>(status.st_dev) == device_ &&
        static_cast<unsigned long long>(status.st_ino) == inode_)
        ::unlink(path_.constData());
    path_.clear();
}

void LocalListener::AcceptPending() {
    while (fd_ >= 0) {
        const int fd = ::accept(fd_, nullptr, nullptr);
        if (fd < 0) {
            // A client that gave up before it was taken; otherwise none is waiting (or none can
            // be taken now, and the next notification tries again).
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        // A process of another user is not heard at all, whatever the socket file's mode let
        // through.
        if (!PeerIsUs(fd) || !PrepareSocket(fd)) {
            ::close(fd);
            continue;
        }
        emit NewConnection(new LocalConnection(fd, idleMs_, this));
    }
}

// ---- LocalRequest ----

LocalReply LocalRequest(const QString& path, const QByteArray& line, int connectMs, int answerMs) {
    if (line.size() + 1 > kLocalLineLimit)
        return {LocalReply::Refused,
                {},
                QStringLiteral("送る内容が %1 MiB を超えています").arg(kLocalLineLimit >> 20)};
    sockaddr_un address;
    if (!FillAddress(QFile::encodeName(path), address))
        return {};
    const Descriptor socket(OpenSocket());
    const int fd = socket.get();
    if (fd < 0)
        return {};
    const auto connectDeadline = Clock::now() + std::chrono::milliseconds(std::max(0, connectMs));
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            break;
        if (errno == EINPROGRESS || errno == EINTR) {
            // The connection completes on its own; the socket's error says how.
            int error = 0;
            socklen_t size = sizeof error;
            if (!WaitFor(fd, POLLOUT, connectDeadline) ||
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) < 0 || error != 0)
                return {};
            break;
        }
        // The listener's queue is full: it has yet to take earlier connections.
        if (errno == EAGAIN && Clock::now() < connectDeadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        return {}; // nobody listens there
    }
    // Checked before a byte goes out: whatever the line holds is for this user's program only.
    const std::optional<uid_t> peer = PeerUser(fd);
    if (!peer || *peer != ::geteuid())
        return {
            LocalReply::Refused,
            {},
            peer ? QStringLiteral(
                       "ソケット %1 で待っているのは別のユーザー（uid %2）のプログラムです")
                       .arg(QDir::toNativeSeparators(path))
                       .arg(*peer)
                 : QStringLiteral("ソケット %1 で待っているプログラムのユーザーを確かめられません")
                       .arg(QDir::toNativeSeparators(path))};

    const auto answerDeadline = Clock::now() + std::chrono::milliseconds(std::max(0, answerMs));
    const QByteArray message = line + '\n';
    qsizetype sent = 0;
    while (sent < message.size()) {
        const ssize_t count =
            ::send(fd, message.constData() + sent, size_t(message.size() - sent), kSendFlags);
        if (count > 0) {
            sent += qsizetype(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            WaitFor(fd, POLLOUT, answerDeadline))
            continue;
        // Not a byte of the line went out: the listener cannot have taken it.
        return {sent == 0 ? LocalReply::NotDelivered : LocalReply::NoAnswer, {}, {}};
    }

    QByteArray input;
    char buffer[4096];
    for (;;) {
        const qsizetype end = input.indexOf('\n');
        if (end >= 0)
            return {LocalReply::Answered, input.left(end), {}};
        const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count > 0) {
            input.append(buffer, qsizetype(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            WaitFor(fd, POLLIN, answerDeadline))
            continue;
        return {LocalReply::NoAnswer, {}, {}};
    }
}

} // namespace platform
