#pragma once

#include <QObject>

// Keeps modal windows from being minimised away. A modal window blocks every other window of the
// program, and the notification-area icon does nothing while it is up; minimised, it would leave
// nothing to act on. Window managers offer minimising whatever the window asks for, so a modal
// window that gets minimised is shown again at once. Installed on the application, one per
// process.
class ModalWindows : public QObject {
    Q_OBJECT
public:
    explicit ModalWindows(QObject* parent = nullptr);
    ~ModalWindows() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
