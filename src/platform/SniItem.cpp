// A StatusNotifierItem of our own over QtDBus.
#include "platform/SniItem.h"

#include "platform/DBusMenu.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>

namespace platform {

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");

// The position a host gave last, and where the toolkit saw the pointer then.
struct {
    bool given = false;
    QPoint host;
    QPoint toolkit;
} hostPointer;

SniPixmap PixmapOf(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    SniPixmap pixmap{image.width(), image.height(), {}};
    pixmap.argb.reserve(qsizetype(image.width()) * image.height() * 4);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            pixmap.argb.append(char(qAlpha(pixel)));
            pixmap.argb.append(char(qRed(pixel)));
            pixmap.argb.append(char(qGreen(pixel)));
            pixmap.argb.append(char(qBlue(pixel)));
        }
    }
    return pixmap;
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& tip) {
    argument.beginStructure();
    argument << tip.iconName << tip.pixmaps << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& tip) {
    argument.beginStructure();
    argument >> tip.iconName >> tip.pixmaps >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

SniItem::SniItem() : exporter_(new MenuExporter(this)) {
    static int items = 0;
    connectionName_ = QStringLiteral("tabuko-sni-%1").arg(++items);
    static const bool registered = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmaps>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    (void)registered;
    new SniAdaptor(this);
    new DBusMenuAdaptor(exporter_);
}

SniItem::~SniItem() {
    QDBusConnection connection(connectionName_);
    connection.unregisterObject(kItemPath);
    connection.unregisterObject(kMenuPath);
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool SniItem::WatcherPresent() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(kWatcher).value();
}

bool SniItem::Register() {
    QDBusConnection connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_);
    if (!connection.isConnected() ||
        !connection.registerObject(kMenuPath, exporter_, QDBusConnection::ExportAdaptors) ||
        !connection.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors))
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << connection.baseService();
    return connection.call(call, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage;
}

void SniItem::SetIcon(const QIcon& icon) {
    pixmaps_.clear();
    for (const int size : {16, 22, 24, 32, 48}) {
        const QPixmap pixmap = icon.pixmap(size, size);
        if (!pixmap.isNull())
            pixmaps_.append(PixmapOf(pixmap.toImage()));
    }
    emit IconChanged();
}

void SniItem::SetMenu(QMenu* menu) {
    exporter_->SetMenu(menu);
}

void SniItem::SetToolTip(const QString& tip) {
    tip_ = tip;
    emit ToolTipChanged();
}

SniAdaptor::SniAdaptor(SniItem* item) : QDBusAbstractAdaptor(item), item_(item) {
    connect(item, &SniItem::IconChanged, this, &SniAdaptor::NewIcon);
    connect(item, &SniItem::ToolTipChanged, this, &SniAdaptor::NewToolTip);
}

QDBusObjectPath SniAdaptor::Menu() const {
    return QDBusObjectPath(item_->Exporter()->HasMenu() ? kMenuPath
                                                        : QStringLiteral("/NO_DBUSMENU"));
}

void SniAdaptor::Activate(int x, int y) {
    NoteHostPointer({x, y});
    emit item_->Activated(QSystemTrayIcon::Trigger);
}

void SniAdaptor::ContextMenu(int x, int y) {
    NoteHostPointer({x, y});
    emit item_->Activated(QSystemTrayIcon::Context);
}

void SniAdaptor::SecondaryActivate(int, int) {
    emit item_->Activated(QSystemTrayIcon::MiddleClick);
}

void SniAdaptor::Scroll(int, const QString&) {}

void NoteHostPointer(QPoint position) {
    // Hosts that do not know the position (a keyboard activation) send 0, 0.
    hostPointer.given = !position.isNull();
    hostPointer.host = position;
    hostPointer.toolkit = QCursor::pos();
}

QPoint PointerPosition() {
    const QPoint toolkit = QCursor::pos();
    if (hostPointer.given && toolkit == hostPointer.toolkit)
        return hostPointer.host;
    hostPointer.given = false;
    return toolkit;
}

} // namespace platform
