#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

// Runs the event loop until done() holds or timeoutMs have passed, so that queued calls, timers
// and bus messages are delivered to the test's thread.
template <typename Done> void ProcessEventsUntil(Done done, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}
