#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals with which a session or a user ends a program (SIGTERM at log-out or from
// `kill`, SIGHUP when the terminal goes away, SIGINT from Ctrl+C) into a Qt signal on the main
// thread, so that the program can keep what it must before it quits. One per process.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(QObject* parent = nullptr);
    ~SessionEnd() override;

signals:
    // The program is asked to end; emitted once per received signal.
    void Ending(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};
