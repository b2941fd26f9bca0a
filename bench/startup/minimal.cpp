// The smallest Qt program shaped like Tabuko at start-up: a frameless window off the task bar
// with a notification-area icon. The start-up measurement compares Tabuko with it.
// Usage: tabuko_minimal [width height]
#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int width = argc > 2 ? QString::fromLocal8Bit(argv[1]).toInt() : 312;
    const int height = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 86;

    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    window.resize(width, height);

    QPixmap picture(16, 16);
    picture.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.setToolTip(QStringLiteral("Minimal"));
    tray.show();

    window.show();
    return QApplication::exec();
}
