#pragma once

#include <QObject>

// After the session asked whether it may end, tells how that turned out: the program is made to
// quit (the session ends), or the user presses a key or a mouse button in one of its windows
// (the session went on: the log-out was cancelled). Until then it watches every event that
// reaches the application.
class SessionEndOutcome : public QObject {
    Q_OBJECT
public:
    explicit SessionEndOutcome(QObject* parent = nullptr);
    ~SessionEndOutcome() override;

signals:
    // The application is asked to quit; emitted before its windows are closed for it.
    void Ends();
    // The user acted in the program; emitted once, after which nothing more is watched.
    void Cancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool cancelled_ = false;
};
