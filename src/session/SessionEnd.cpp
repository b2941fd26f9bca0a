#include "session/SessionEnd.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The handler may only do async-signal-safe work: it writes the signal number into a pipe whose
// read end the main thread's event loop watches. Both ends are non-blocking, so that a handler
// never waits on a full pipe (the signals already in it end the program just as well), and
// closed on exec, so that no program started from this one holds them.
int signalPipe[2] = {-1, -1};

void OnSignal(int number) {
    // The interrupted code may be about to read errno.
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}
#endif

} // namespace

SessionEnd::SessionEnd(QObject* parent) : QObject(parent) {
#ifdef Q_OS_UNIX
    if (::pipe2(signalPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return;
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(signalPipe[0], &byte, 1) == 1)
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
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
#endif
}
