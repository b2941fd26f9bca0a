#include "session/SessionEndOutcome.h"

#include <QCoreApplication>
#include <QEvent>

SessionEndOutcome::SessionEndOutcome(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

SessionEndOutcome::~SessionEndOutcome() {
    qApp->removeEventFilter(this);
}

bool SessionEndOutcome::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Quit:
        if (watched == qApp)
            emit Ends();
        break;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // Input goes only to the windows of a session that still runs.
        if (!cancelled_) {
            cancelled_ = true;
            qApp->removeEventFilter(this);
            emit Cancelled();
        }
        break;
    default:
        break;
    }
    return false;
}
