#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QIcon>
#include <QList>
#include <QPoint>
#include <QSystemTrayIcon>

class QMenu;

// A notification-area icon of the StatusNotifierItem kind, for every host with a
// StatusNotifierWatcher. Each item has a bus connection of its own, so that it is the object
// /StatusNotifierItem of its unique name; its menu, for hosts that draw the menu themselves, is
// the object /MenuBar beside it.
namespace platform {

class MenuExporter;

struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb; // ARGB32, network byte order
};
using SniPixmaps = QList<SniPixmap>;
struct SniToolTip {
    QString iconName;
    SniPixmaps pixmaps;
    QString title;
    QString text;
};

class SniItem : public QObject {
    Q_OBJECT
public:
    SniItem();
    ~SniItem() override;

    // Whether a StatusNotifierWatcher is on the session bus now.
    static bool WatcherPresent();
    // Registers the item with the watcher; false when the bus or the watcher refuses it.
    bool Register();

    void SetIcon(const QIcon& icon);
    void SetToolTip(const QString& tip);
    // The menu a host may show itself (not owned; nullptr for none). Give it before Register:
    // hosts ask once whether the item has a menu.
    void SetMenu(QMenu* menu);
    MenuExporter* Exporter() const { return exporter_; }
    const SniPixmaps& Pixmaps() const { return pixmaps_; }
    const QString& ToolTip() const { return tip_; }

signals:
    void Activated(QSystemTrayIcon::ActivationReason reason);
    void IconChanged();
    void ToolTipChanged();

private:
    QString connectionName_;
    MenuExporter* exporter_;
    SniPixmaps pixmaps_;
    QString tip_;
};

// The org.kde.StatusNotifierItem interface of an item.
class SniAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ Category)
    Q_PROPERTY(QString Id READ Id)
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(QString IconName READ IconName)
    Q_PROPERTY(platform::SniPixmaps IconPixmap READ IconPixmap)
    Q_PROPERTY(platform::SniToolTip ToolTip READ ToolTip)
    Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ Menu)
public:
    explicit SniAdaptor(SniItem* item);

    QString Category() const { return QStringLiteral("ApplicationStatus"); }
    QString Id() const { return QStringLiteral("tabuko"); }
    QString Title() const { return QStringLiteral("Tabuko"); }
    QString Status() const { return QStringLiteral("Active"); }
    QString IconName() const { return {}; }
    SniPixmaps IconPixmap() const { return item_->Pixmaps(); }
    SniToolTip ToolTip() const { return {{}, {}, item_->ToolTip(), {}}; }
    bool ItemIsMenu() const { return false; }
    QDBusObjectPath Menu() const;

public slots:
    void Activate(int x, int y);
    void ContextMenu(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);

signals:
    void NewIcon();
    void NewToolTip();

private:
    SniItem* item_;
};

// Where the pointer is, for what a click on the icon opens. A host drawn by a Wayland compositor
// (the shell's panel) gives the click's screen position with it, while the X server, through
// which the toolkit sees the pointer, still has it where it last left an X window: the host's
// position holds until the toolkit sees the pointer move.
void NoteHostPointer(QPoint position);
QPoint PointerPosition();

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& tip);

} // namespace platform

Q_DECLARE_METATYPE(platform::SniPixmap)
Q_DECLARE_METATYPE(platform::SniToolTip)
