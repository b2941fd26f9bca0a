// A notification area that speaks the StatusNotifierItem protocol, for the end-to-end tests: it
// owns org.kde.StatusNotifierWatcher on the session bus, counts as the one host, and for every
// item that registers writes what the item shows into the given folder:
//   item.txt   service=<bus name>, path=<object path>, tip=<tool tip title>, icon=<w>x<h>,
//              menu=<object path of the item's exported menu, or /NO_DBUSMENU>
//   icon.png   the item's largest icon picture (IconPixmap, or the file IconName names)
// Usage: e2e_snihost <folder>
//
// It also opens an exported menu as a panel that draws menus does (AboutToShow, then GetLayout):
// e2e_snihost menu <service> <path>  prints the menu, one item a line, indented by level:
//   <label> [disabled] [hidden] [checked|unchecked] (separators as "----")
// e2e_snihost menu <service> <path> <label>...  opens the submenus the labels name, in turn, and
//   clicks the item the last one names; fails when it is missing, disabled or hidden.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

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

struct MenuItem {
    int id = 0;
    QVariantMap properties;
    QList<MenuItem> children;
};

MenuItem ReadItem(const QDBusArgument& argument) {
    MenuItem item;
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        item.children.append(ReadItem(child.variant().value<QDBusArgument>()));
    }
    argument.endArray();
    argument.endStructure();
    return item;
}

QDBusMessage MenuCall(const QString& service, const QString& path, const QString& method,
                      const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("com.canonical.dbusmenu"), method);
    call.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "e2e_snihost: %s: %s\n", qPrintable(method),
                     qPrintable(reply.errorMessage()));
        std::exit(1);
    }
    return reply;
}

// Opens item `id` as a panel does: its opening handling first, then its part of the layout.
MenuItem Open(const QString& service, const QString& path, int id) {
    MenuCall(service, path, QStringLiteral("AboutToShow"), {id});
    const QDBusMessage reply =
        MenuCall(service, path, QStringLiteral("GetLayout"), {id, -1, QStringList()});
    if (reply.arguments().size() != 2) {
        std::fprintf(stderr, "e2e_snihost: GetLayout answered %d values\n",
                     int(reply.arguments().size()));
        std::exit(1);
    }
    return ReadItem(reply.arguments().at(1).value<QDBusArgument>());
}

bool Flag(const MenuItem& item, const char* name, bool otherwise) {
    const QVariant value = item.properties.value(QString::fromLatin1(name));
    return value.isValid() ? value.toBool() : otherwise;
}

void Print(const MenuItem& item, int level) {
    for (const MenuItem& child : item.children) {
        QString line(level * 2, QLatin1Char(' '));
        if (child.properties.value(QStringLiteral("type")).toString() == QLatin1String("separator"))
            line += QStringLiteral("----");
        else
            line += child.properties.value(QStringLiteral("label")).toString();
        if (!Flag(child, "enabled", true))
            line += QStringLiteral(" [disabled]");
        if (!Flag(child, "visible", true))
            line += QStringLiteral(" [hidden]");
        if (!child.properties.value(QStringLiteral("toggle-type")).toString().isEmpty())
            line += child.properties.value(QStringLiteral("toggle-state")).toInt() == 1
                        ? QStringLiteral(" [checked]")
                        : QStringLiteral(" [unchecked]");
        std::printf("%s\n", line.toUtf8().constData());
        Print(child, level + 1);
    }
}

int MenuCommand(const QStringList& arguments) {
    const QString service = arguments.at(0), path = arguments.at(1);
    MenuItem menu = Open(service, path, 0);
    if (arguments.size() == 2) {
        Print(menu, 0);
        return 0;
    }
    for (qsizetype n = 2; n < arguments.size(); ++n) {
        const MenuItem* found = nullptr;
        for (const MenuItem& child : menu.children)
            if (child.properties.value(QStringLiteral("label")).toString() == arguments.at(n))
                found = &child;
        if (!found || !Flag(*found, "enabled", true) || !Flag(*found, "visible", true)) {
            std::fprintf(stderr, "e2e_snihost: no item '%s' to choose\n",
                         arguments.at(n).toUtf8().constData());
            return 1;
        }
        if (n + 1 < arguments.size()) {
            menu = Open(service, path, found->id);
        } else {
            MenuCall(service, path, QStringLiteral("Event"),
                     {found->id, QStringLiteral("clicked"),
                      QVariant::fromValue(QDBusVariant(QVariant(0))), 0u});
        }
    }
    return 0;
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
        const QString menu =
            ItemProperty(service, path, QStringLiteral("Menu")).value<QDBusObjectPath>().path();
        if (icon.isNull() && QFileInfo(iconName).isAbsolute())
            icon.load(iconName);
        icon.save(folder_ + QStringLiteral("/icon.png"));
        QSaveFile file(folder_ + QStringLiteral("/item.txt"));
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(QStringLiteral("service=%1\npath=%2\ntip=%3\nicon=%4x%5\nmenu=%6\n")
                       .arg(service, path, title)
                       .arg(icon.width())
                       .arg(icon.height())
                       .arg(menu)
                       .toUtf8());
        file.commit();
    }

    QString folder_;
    QStringList items_;
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv); // loads the picture formats the icon file may be in
    if (argc >= 4 && QByteArrayView(argv[1]) == "menu") {
        QStringList arguments;
        for (int n = 2; n < argc; ++n)
            arguments << QString::fromLocal8Bit(argv[n]);
        return MenuCommand(arguments);
    }
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
