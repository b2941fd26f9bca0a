// A notification area that speaks the StatusNotifierItem protocol, for the end-to-end tests: it
// owns org.kde.StatusNotifierWatcher on the session bus, counts as the one host, and for every
// item that registers writes what the item shows into the given folder:
//   item.txt   service=<bus name>, path=<object path>, tip=<tool tip title>, icon=<w>x<h>
//   icon.png   the item's largest icon picture (IconPixmap, or the file IconName names)
// Usage: e2e_snihost <folder>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QTimer>
#include <cstdio>

namespace {

QVariant ItemProperty(const QString& service, const QString& path, const QString& name) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.kde.StatusNotifierItem") << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().at(0).value<QDBusVariant>().variant();
}

// The largest picture of an a(iiay) list: ARGB32 pixels, bytes in network order.
QImage LargestPixmap(const QDBusArgument& argument) {
    QImage best;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0, height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (width <= 0 || height <= 0 || bytes.size() != qsizetype(width) * height * 4 ||
            width * height <= best.width() * best.height())
            continue;
        QImage image(width, height, QImage::Format_ARGB32);
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x, p += 4)
                image.setPixel(x, y, qRgba(p[1], p[2], p[3], p[0]));
        best = image;
    }
    argument.endArray();
    return best;
}

QString TipTitle(const QDBusArgument& argument) {
    QString iconName, title, text;
    argument.beginStructure();
    argument >> iconName;
    LargestPixmap(argument);
    argument >> title >> text;
    argument.endStructure();
    return title;
}

} // namespace

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ Items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ HostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
public:
    explicit Watcher(QString folder) : folder_(std::move(folder)) {}
    QStringList Items() const { return items_; }
    bool HostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& serviceOrPath, const QDBusMessage& message) {
        // Items name either their bus name (object at /StatusNotifierItem) or their path.
        QString service = serviceOrPath, path = QStringLiteral("/StatusNotifierItem");
        if (serviceOrPath.startsWith(QLatin1Char('/'))) {
            service = message.service();
            path = serviceOrPath;
        }
        items_ << service + path;
        emit StatusNotifierItemRegistered(service + path);
        // Read after answering: the item may wait for this call's reply.
        QTimer::singleShot(0, this, [this, service, path] { Describe(service, path); });
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    void Describe(const QString& service, const QString& path) {
        const QVariant tip = ItemProperty(service, path, QStringLiteral("ToolTip"));
        const QString title =
            tip.canConvert<QDBusArgument>() ? TipTitle(tip.value<QDBusArgument>()) : QString();
        QImage icon;
        const QVariant pixmaps = ItemProperty(service, path, QStringLiteral("IconPixmap"));
        if (pixmaps.canConvert<QDBusArgument>())
            icon = LargestPixmap(pixmaps.value<QDBusArgument>());
        const QString iconName = ItemProperty(service, path, QStringLiteral("IconName")).toString();
        if (icon.isNull() && QFileInfo(iconName).isAbsolute())
            icon.load(iconName);
        icon.save(folder_ + QStringLiteral("/icon.png"));
        QSaveFile file(folder_ + QStringLiteral("/item.txt"));
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(QStringLiteral("service=%1\npath=%2\ntip=%3\nicon=%4x%5\n")
                       .arg(service, path, title)
                       .arg(icon.width())
                       .arg(icon.height())
                       .toUtf8());
        file.commit();
    }

    QString folder_;
    QStringList items_;
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv); // loads the picture formats the icon file may be in
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_snihost <folder>\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    Watcher watcher(QString::fromLocal8Bit(argv[1]));
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierHost-%1")
                                 .arg(QCoreApplication::applicationPid()))) {
        std::fprintf(stderr, "e2e_snihost: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return QCoreApplication::exec();
}

#include "snihost.moc"
