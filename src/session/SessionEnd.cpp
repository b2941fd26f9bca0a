#include "session/SessionEnd.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The handler may only do async-signal-safe work: it writes the signal number into a socket
// whose other end the main thread's event loop watches.
int signalSocket[2] = {-1, -1};

void OnSignal(int number) {
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[0], &byte, 1);
}
#endif

} // namespace

SessionEnd::SessionEnd(QObject* parent) : QObject(parent) {
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSocket) != 0)
        return;
    notifier_ = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(signalSocket[1], &byte, 1) == 1)
            emit Ending(byte);
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(number, &action, nullptr);
#endif
}

SessionEnd::~SessionEnd() {
#ifdef Q_OS_UNIX
    if (!notifier_)
        return;
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        ::signal(number, SIG_DFL);
    ::close(signalSocket[0]);
    ::close(signalSocket[1]);
    signalSocket[0] = signalSocket[1] = -1;
#endif
}
