#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// Carries out in the running program the commands that later starts send on the channel, on the
// main window's lists, menus and indicators, as the window's own commands do. Commands that
// change boxes answer when they are done (or with the reason they failed); commands that open a
// window answer at once and open it from the event loop, so the sender never waits for a user.
//
//   show, hide, toggle    the wall
//   new BOX [TEXT]        TEXT (UTF-8) stored as a new memo of box BOX; without it, the editor
//   search [TEXT]         SearchRequested(TEXT)
//   export DIR            the export files of all boxes into DIR
//   import BOX BYTES ...  the memos of box-file bytes added to box BOX, for each pair
class CommandDispatcher : public QObject {
    Q_OBJECT
public:
    explicit CommandDispatcher(QObject* parent = nullptr);

    // Carries out one command line and returns the answer line.
    QByteArray Answer(const QByteArray& line);

signals:
    // The search window is asked for, with the text to search for (may be empty).
    void SearchRequested(QString text);

private:
    void Run(const QByteArray& line);
};
