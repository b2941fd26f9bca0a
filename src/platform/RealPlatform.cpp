#include "platform/RealPlatform.h"

#include "platform/FileReplace.h"
#include "platform/RegionStore.h"
#include "platform/SniItem.h"
#include "platform/TrayHost.h"
#include "util/CP932.h"
#include "util/Exception.h"
#include "util/MessageText.h"

#include <QApplication>
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
#include <QWindow>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

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
    return PointerPosition();
}

void RealPlatform::SetForegroundWindow(QWidget* window) {
    if (!window)
        return;
    window->raise();
    window->activateWindow();
}

#if TABUKO_HAVE_XCB
namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const auto cookie = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

// Marks a window's X11 counterpart as one that task bars and pagers leave out: on the window
// itself before it is mapped (window managers read it as they take the window), and by asking the
// window manager once it is mapped, since window managers drop the mark when a window is hidden.
class OffTaskBar : public QObject {
public:
    static constexpr const char* kName = "tabuko_off_task_bar";

    explicit OffTaskBar(QWidget* window) : QObject(window), window_(window) {
        setObjectName(kName);
        window->installEventFilter(this);
    }

    // Sets the mark on the unmapped window, keeping the states already there.
    void MarkUnmapped() {
        xcb_connection_t* connection = Connection();
        if (!connection)
            return;
        const xcb_window_t id = WindowId();
        const xcb_atom_t state = Atom(connection, "_NET_WM_STATE");
        std::vector<xcb_atom_t> atoms;
        const auto cookie = xcb_get_property(connection, 0, id, state, XCB_ATOM_ATOM, 0, 64);
        if (xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr)) {
            if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
                const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
                atoms.assign(values, values + xcb_get_property_value_length(reply) / 4);
            }
            std::free(reply);
        }
        for (const xcb_atom_t mark : Marks(connection))
            if (std::find(atoms.begin(), atoms.end(), mark) == atoms.end())
                atoms.push_back(mark);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                            std::uint32_t(atoms.size()), atoms.data());
        // The types Qt gives a borderless tool window, set here because the window is a plain
        // one to Qt (see KeepOffTaskBar); Qt sets the type as it creates the native window, not
        // as it maps it, so these stay.
        const std::array<xcb_atom_t, 3> types = {
            Atom(connection, "_NET_WM_WINDOW_TYPE_UTILITY"),
            Atom(connection, "_KDE_NET_WM_WINDOW_TYPE_OVERRIDE"),
            Atom(connection, "_NET_WM_WINDOW_TYPE_NORMAL")};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id,
                            Atom(connection, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                            std::uint32_t(types.size()), types.data());
        xcb_flush(connection);
    }

    // Asks the window manager to add the mark to the mapped window (it reaches the window
    // manager after the map request, so after the window manager has taken the window).
    void AskWindowManager() {
        xcb_connection_t* connection = Connection();
        if (!connection || !window_->isVisible())
            return;
        // Without a window manager the window's own state is all there is; Qt may have put up a
        // new native window since the show event.
        if (!WindowManagerRunning(connection)) {
            MarkUnmapped();
            return;
        }
        const auto marks = Marks(connection);
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = WindowId();
        message.type = Atom(connection, "_NET_WM_STATE");
        message.data.data32[0] = 1; // _NET_WM_STATE_ADD
        message.data.data32[1] = marks[0];
        message.data.data32[2] = marks[1];
        message.data.data32[3] = 1; // from an application
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_send_event(connection, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The show event comes before the window is mapped.
        if (watched == window_ && event->type() == QEvent::Show) {
            MarkUnmapped();
            QMetaObject::invokeMethod(this, &OffTaskBar::AskWindowManager, Qt::QueuedConnection);
        }
        return false;
    }

private:
    // The native window as it is now: Qt replaces it as it shows a window whose stay-on-top
    // flag changed, and only the QWindow knows the new one.
    xcb_window_t WindowId() const {
        window_->winId();
        return xcb_window_t(window_->windowHandle()->winId());
    }
    static xcb_connection_t* Connection() {
        auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        return x11 ? x11->connection() : nullptr;
    }
    static bool WindowManagerRunning(xcb_connection_t* connection) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const auto cookie =
            xcb_get_property(connection, 0, root, Atom(connection, "_NET_SUPPORTING_WM_CHECK"),
                             XCB_ATOM_WINDOW, 0, 1);
        xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
        const bool running = reply && xcb_get_property_value_length(reply) >= 4;
        std::free(reply);
        return running;
    }
    static std::array<xcb_atom_t, 2> Marks(xcb_connection_t* connection) {
        return {Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                Atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    }

    QWidget* window_;
};

} // namespace
#endif

void RealPlatform::KeepOffTaskBar(QWidget* window) {
    // The window has the utility type; task bars that list utility windows too are told plainly
    // through the window state, at this and every later showing of the window.
#if TABUKO_HAVE_XCB
    if (!window || !qApp->nativeInterface<QNativeInterface::QX11Application>())
        return;
    // Qt makes a tool window without a parent transient for its own hidden leader window, which
    // window managers reject as invalid (and Mutter warns about at every showing): on X11 the
    // window is a plain top-level one to Qt, with the tool window's types set on it here.
    if (window->windowType() == Qt::Tool) {
        const bool shown = window->isVisible();
        window->setWindowFlags((window->windowFlags() & ~Qt::WindowType_Mask) | Qt::Window);
        if (shown)
            window->show();
    }
    auto* mark = static_cast<OffTaskBar*>(
        window->findChild<QObject*>(QLatin1String(OffTaskBar::kName), Qt::FindDirectChildrenOnly));
    if (!mark)
        mark = new OffTaskBar(window);
    if (window->isVisible())
        mark->AskWindowManager();
    else
        mark->MarkUnmapped();
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

int RealPlatform::ShowMessageBox(const QString& text, const QString& caption, unsigned type) {
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

FileStamp RealPlatform::SaveFile(const QString& path, const std::string& bytes) {
    return ReplaceFileWhole(path, bytes);
}

Platform& Real() {
    static RealPlatform real;
    return real;
}

} // namespace platform
