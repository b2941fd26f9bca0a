#include "platform/RealPlatform.h"

#include "platform/CP932.h"
#include "platform/Exception.h"
#include "platform/FileReplace.h"
#include "platform/MessageText.h"
#include "platform/RegionStore.h"
#include "platform/TrayHost.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QStyleHints>
#include <QThread>
#include <QUrl>
#include <cstring>

#if TABUKO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace platform {

RealPlatform::RealPlatform()
    : regions_(std::make_unique<RegionStore>()), tray_(std::make_unique<TrayHost>()) {}

RealPlatform::~RealPlatform() = default;

QString RealPlatform::ExecutablePath() {
    return QCoreApplication::applicationFilePath();
}

QSize RealPlatform::ScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

std::vector<Screen> RealPlatform::Screens() {
    std::vector<Screen> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        screens.push_back({primary->geometry(), primary->availableGeometry()});
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            screens.push_back({screen->geometry(), screen->availableGeometry()});
    if (screens.empty())
        screens.push_back({QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 768)});
    return screens;
}

TDateTime RealPlatform::Now() {
    return datetime::FromQDateTime(QDateTime::currentDateTime());
}

unsigned RealPlatform::GetDoubleClickTime() {
    return unsigned(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}

void RealPlatform::Sleep(unsigned milliseconds) {
    QThread::msleep(milliseconds);
}

QPoint RealPlatform::GetCursorPos() {
    return QCursor::pos();
}

void RealPlatform::SetForegroundWindow(QWidget* window) {
    if (!window)
        return;
    window->raise();
    window->activateWindow();
}

void RealPlatform::KeepOffTaskBar(QWidget* window) {
    // Qt gives a tool window the utility type; task bars that list utility windows too are told
    // plainly through the window state, which Qt keeps when it maps the window.
#if TABUKO_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !window)
        return;
    xcb_connection_t* connection = x11->connection();
    auto atom = [connection](const char* name) -> xcb_atom_t {
        const auto cookie = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return result;
    };
    const xcb_atom_t state = atom("_NET_WM_STATE");
    const xcb_atom_t atoms[] = {atom("_NET_WM_STATE_SKIP_TASKBAR"),
                                atom("_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, xcb_window_t(window->winId()), state,
                        XCB_ATOM_ATOM, 32, 2, atoms);
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}

void RealPlatform::Popup(QMenu* menu, QPoint screenPos) {
    menu->popup(screenPos);
}

int RealPlatform::ShowModal(QDialog* dialog) {
    return dialog->exec();
}

namespace {

// Lays the message out in lines that the box shows as they are. A message box wraps a text
// wider than half the screen (at most 500 pixels) by itself, between any two Japanese
// characters; lines kept below that width are never wrapped again.
void BreakLines(QMessageBox& box, const QString& text) {
    const QLabel* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QFontMetrics metrics = label ? label->fontMetrics() : box.fontMetrics();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    const QMargins margins = box.layout() ? box.layout()->contentsMargins() : QMargins();
    const int icon =
        box.iconPixmap().isNull() ? 0 : box.iconPixmap().deviceIndependentSize().width();
    const int room = std::min(screenWidth / 2, 500) - icon - margins.left() - margins.right() -
                     box.style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing) - 24;
    box.setText(text::BreakMessage(
        text, [&metrics](const QString& line) { return metrics.horizontalAdvance(line); }, room));
}

} // namespace

int RealPlatform::MessageBox(const QString& text, const QString& caption, unsigned type) {
    QMessageBox box;
    box.setWindowTitle(caption);
    box.setText(text);
    switch (type & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
    }
    BreakLines(box, text);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if ((type & 0xF) == MB_OKCANCEL) {
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    }
    box.setDefaultButton(ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return box.clickedButton() == ok ? IDOK : IDCANCEL;
}

int RealPlatform::ShellExecuteA(const std::string& operation, const std::string& file,
                                int /*showCommand*/) {
    if (operation != "open" || file.empty())
        return 0;
    const QString target = cp932::Decode(file);
    // A scheme of two or more letters ("https:", "mailto:") is a web address or the like;
    // anything else is a file, relative to the current directory.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    const QUrl url = scheme.match(target).hasMatch()
                         ? QUrl(target)
                         : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    return QDesktopServices::openUrl(url) ? 42 : 0;
}

void RealPlatform::SaveFile(const QString& path, const std::string& bytes) {
    ReplaceFileWhole(path, bytes);
}

} // namespace platform
