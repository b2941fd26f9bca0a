// A menu exported over com.canonical.dbusmenu.
#include "platform/DBusMenu.h"

#include "platform/Guard.h"

#include <QActionEvent>
#include <QActionGroup>
#include <QBuffer>
#include <QDBusMetaType>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace platform {

namespace {

const char* const kIdProperty = "_tabuko_dbusmenu_id";
// Whether the action had a submenu when last seen changing.
const char* const kHadMenuProperty = "_tabuko_dbusmenu_sub";

// The size of the pictures beside captions, as menus draw them.
constexpr int kIconSize = 16;

// Deep enough for any menu a person can open; stops a menu that holds itself.
constexpr int kMaxNesting = 32;

QVariantMap Only(const QVariantMap& properties, const QStringList& names) {
    if (names.isEmpty())
        return properties;
    QVariantMap kept;
    for (const QString& name : names) {
        const auto found = properties.find(name);
        if (found != properties.end())
            kept.insert(name, found.value());
    }
    return kept;
}

// The properties of item 0, the menu itself.
QVariantMap RootProperties() {
    return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
}

// A host's recursion depth (-1: all levels) as a number of levels.
int Depth(int depth) {
    return depth < 0 ? kMaxNesting : std::min(depth, kMaxNesting);
}

} // namespace

void RegisterDBusMenuTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusMenuLayout>();
        qDBusRegisterMetaType<DBusMenuItemProperties>();
        qDBusRegisterMetaType<DBusMenuItemPropertiesList>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<DBusMenuItemKeysList>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<DBusMenuEventList>();
        // The interface's signatures name the lists by these names.
        qRegisterMetaType<DBusMenuItemPropertiesList>("platform::DBusMenuItemPropertiesList");
        qRegisterMetaType<DBusMenuItemKeysList>("platform::DBusMenuItemKeysList");
        qRegisterMetaType<DBusMenuEventList>("platform::DBusMenuEventList");
        return true;
    }();
    (void)registered;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout) {
    argument.beginStructure();
    argument << layout.id << layout.properties;
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const DBusMenuLayout& child : layout.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout) {
    layout = {};
    argument.beginStructure();
    argument >> layout.id >> layout.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant variant;
        argument >> variant;
        DBusMenuLayout child;
        const QVariant value = variant.variant();
        if (value.canConvert<QDBusArgument>())
            value.value<QDBusArgument>() >> child;
        else
            child = value.value<DBusMenuLayout>();
        layout.children.append(child);
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item) {
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& item) {
    argument.beginStructure();
    argument << item.id << item.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& item) {
    argument.beginStructure();
    argument >> item.id >> item.names;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event) {
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event) {
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

// ---------------------------------------------------------------------------------------------
// MenuExporter

MenuExporter::MenuExporter(QObject* parent) : QObject(parent) {
    RegisterDBusMenuTypes();
}

MenuExporter::~MenuExporter() {
    for (const QPointer<QMenu>& menu : watched_)
        if (menu)
            menu->removeEventFilter(this);
}

void MenuExporter::SetMenu(QMenu* menu) {
    if (menu == menu_)
        return;
    if (menu_)
        disconnect(menu_, &QObject::destroyed, this, nullptr);
    menu_ = menu;
    if (menu) {
        everHadMenu_ = true;
        // The host is told when the menu goes; then it finds an empty one.
        connect(menu, &QObject::destroyed, this, [this] { Changed(nullptr, true); });
        WatchAll(menu, 0);
    }
    Changed(nullptr, true);
}

QString MenuExporter::Label(const QString& text) {
    QString label;
    label.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
                label += QLatin1Char('&');
                ++i;
            } else if (i + 1 < text.size()) {
                label += QLatin1Char('_');
            }
        } else if (c == QLatin1Char('_')) {
            label += QStringLiteral("__");
        } else {
            label += c;
        }
    }
    return label;
}

int MenuExporter::IdOf(QAction* action) {
    static int next = 0;
    const QVariant id = action->property(kIdProperty);
    if (id.isValid())
        return id.toInt();
    // Numbers are never used again in a run, so a host holding an old one reaches nothing.
    action->setProperty(kIdProperty, ++next);
    return next;
}

QAction* MenuExporter::Find(int id) {
    if (!menu_ || id <= 0)
        return nullptr;
    std::function<QAction*(QMenu*, int)> search = [&](QMenu* menu, int depth) -> QAction* {
        if (depth > kMaxNesting)
            return nullptr;
        Watch(menu);
        for (QAction* action : menu->actions()) {
            if (IdOf(action) == id)
                return action;
            if (QMenu* sub = action->menu())
                if (QAction* found = search(sub, depth + 1))
                    return found;
        }
        return nullptr;
    };
    return search(menu_, 0);
}

QMenu* MenuExporter::MenuOf(int id) {
    if (id == 0)
        return menu_;
    QAction* action = Find(id);
    return action ? action->menu() : nullptr;
}

QVariantMap MenuExporter::PropertiesOf(QAction* action) const {
    QVariantMap properties;
    properties.insert(QStringLiteral("visible"), action->isVisible());
    if (action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return properties;
    }
    properties.insert(QStringLiteral("type"), QStringLiteral("standard"));
    properties.insert(QStringLiteral("label"), Label(action->text()));
    properties.insert(QStringLiteral("enabled"), action->isEnabled());
    QString toggle;
    if (action->isCheckable())
        toggle = action->actionGroup() && action->actionGroup()->isExclusive()
                     ? QStringLiteral("radio")
                     : QStringLiteral("checkmark");
    properties.insert(QStringLiteral("toggle-type"), toggle);
    properties.insert(QStringLiteral("toggle-state"),
                      action->isCheckable() ? int(action->isChecked()) : -1);
    if (action->menu())
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    // The picture beside the caption (a box's, beside "に[…]を作成"), as PNG bytes.
    if (!action->icon().isNull()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (action->icon().pixmap(kIconSize, kIconSize).save(&buffer, "PNG"))
            properties.insert(QStringLiteral("icon-data"), png);
    }
    return properties;
}

DBusMenuLayout MenuExporter::LayoutOf(int id, QMenu* menu, const QVariantMap& own, int depth,
                                      const QStringList& names) {
    DBusMenuLayout layout{id, Only(own, names), {}};
    if (!menu || depth <= 0)
        return layout;
    Watch(menu);
    for (QAction* action : menu->actions()) {
        QMenu* sub = action->menu();
        layout.children.append(LayoutOf(IdOf(action), sub == menu ? nullptr : sub,
                                        PropertiesOf(action), depth - 1, names));
    }
    return layout;
}

bool MenuExporter::Layout(int id, int depth, const QStringList& names, DBusMenuLayout& layout) {
    if (id == 0) {
        layout = LayoutOf(0, menu_, RootProperties(), Depth(depth), names);
        return true;
    }
    QAction* action = Find(id);
    if (!action)
        return false;
    layout = LayoutOf(id, action->menu(), PropertiesOf(action), Depth(depth), names);
    return true;
}

bool MenuExporter::Properties(int id, const QStringList& names, QVariantMap& properties) {
    if (id == 0) {
        properties = Only(RootProperties(), names);
        return true;
    }
    QAction* action = Find(id);
    if (!action)
        return false;
    properties = Only(PropertiesOf(action), names);
    return true;
}

bool MenuExporter::Event(int id, const QString& eventId) {
    QAction* found = Find(id);
    if (id != 0 && !found)
        return false;
    if (eventId != QLatin1String("clicked") || !found)
        return true;
    // After the host's call has been answered, as the other callbacks of the icon: the
    // handler may open a modal window or end the program. The menus holding the action report
    // its triggering themselves, as for a click in them.
    QPointer<QAction> action(found);
    QMetaObject::invokeMethod(
        this,
        [action] {
            if (action && action->isEnabled() && action->isVisible() && !action->menu())
                Guard([&] { action->trigger(); });
        },
        Qt::QueuedConnection);
    return true;
}

bool MenuExporter::AboutToShow(int id, bool& changed) {
    changed = false;
    if (id != 0 && !Find(id))
        return false;
    QPointer<QMenu> menu = MenuOf(id);
    if (!menu)
        return true;
    const uint before = changes_;
    emit menu->aboutToShow();
    changed = changes_ != before;
    return true;
}

bool MenuExporter::Watched(const QMenu* menu) const {
    return std::any_of(watched_.begin(), watched_.end(),
                       [menu](const QPointer<QMenu>& known) { return known == menu; });
}

void MenuExporter::Watch(QMenu* menu) {
    if (Watched(menu))
        return;
    watched_.erase(std::remove_if(watched_.begin(), watched_.end(),
                                  [](const QPointer<QMenu>& known) { return !known; }),
                   watched_.end());
    watched_.emplace_back(menu);
    menu->installEventFilter(this);
}

void MenuExporter::WatchAll(QMenu* menu, int depth) {
    if (depth > kMaxNesting)
        return;
    Watch(menu);
    for (QAction* action : menu->actions())
        if (QMenu* sub = action->menu())
            WatchAll(sub, depth + 1);
}

bool MenuExporter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ActionAdded: {
        QAction* action = static_cast<QActionEvent*>(event)->action();
        if (QMenu* sub = action->menu())
            WatchAll(sub, 0);
        Changed(action, true);
        break;
    }
    case QEvent::ActionRemoved:
        Changed(static_cast<QActionEvent*>(event)->action(), true);
        break;
    case QEvent::ActionChanged: {
        QAction* action = static_cast<QActionEvent*>(event)->action();
        // A submenu given or taken changes the shape of the menu, not only the item.
        const QVariant had = action->property(kHadMenuProperty);
        const bool hasMenu = action->menu() != nullptr;
        const bool shape =
            (had.isValid() && had.toBool() != hasMenu) || (hasMenu && !Watched(action->menu()));
        action->setProperty(kHadMenuProperty, hasMenu);
        if (hasMenu)
            WatchAll(action->menu(), 0);
        Changed(action, shape);
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void MenuExporter::Changed(QAction* action, bool structure) {
    ++changes_;
    if (structure) {
        ++revision_;
        structurePending_ = true;
    } else if (action &&
               std::none_of(changedActions_.begin(), changedActions_.end(),
                            [action](const QPointer<QAction>& known) { return known == action; })) {
        changedActions_.emplace_back(action);
    }
    if (flushPending_)
        return;
    flushPending_ = true;
    // One report for all the changes of a handler that rebuilds a menu.
    QTimer::singleShot(0, this, [this] { Flush(); });
}

void MenuExporter::Flush() {
    flushPending_ = false;
    DBusMenuItemPropertiesList updated;
    for (const QPointer<QAction>& action : changedActions_)
        if (action)
            updated.append({IdOf(action), PropertiesOf(action)});
    changedActions_.clear();
    if (!updated.isEmpty())
        emit ItemsPropertiesUpdated(updated, {});
    if (structurePending_) {
        structurePending_ = false;
        emit LayoutUpdated(revision_, 0);
    }
}

// ---------------------------------------------------------------------------------------------
// DBusMenuAdaptor

DBusMenuAdaptor::DBusMenuAdaptor(MenuExporter* exporter)
    : QDBusAbstractAdaptor(exporter), exporter_(exporter) {
    setAutoRelaySignals(false);
    connect(exporter, &MenuExporter::LayoutUpdated, this, &DBusMenuAdaptor::LayoutUpdated);
    connect(exporter, &MenuExporter::ItemsPropertiesUpdated, this,
            &DBusMenuAdaptor::ItemsPropertiesUpdated);
}

QString DBusMenuAdaptor::TextDirection() const {
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                                 : QStringLiteral("ltr");
}

uint DBusMenuAdaptor::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                DBusMenuLayout& layout) {
    if (!exporter_->Layout(parentId, recursionDepth, propertyNames, layout))
        layout = DBusMenuLayout{parentId, {}, {}};
    return exporter_->Revision();
}

DBusMenuItemPropertiesList DBusMenuAdaptor::GetGroupProperties(const QList<int>& ids,
                                                               const QStringList& propertyNames) {
    DBusMenuItemPropertiesList list;
    for (const int id : ids) {
        QVariantMap properties;
        if (exporter_->Properties(id, propertyNames, properties))
            list.append({id, properties});
    }
    return list;
}

QDBusVariant DBusMenuAdaptor::GetProperty(int id, const QString& name) {
    QVariantMap properties;
    exporter_->Properties(id, {name}, properties);
    const QVariant value = properties.value(name);
    // A variant must hold something on the bus.
    return QDBusVariant(value.isValid() ? value : QVariant(QString()));
}

void DBusMenuAdaptor::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    exporter_->Event(id, eventId);
}

QList<int> DBusMenuAdaptor::EventGroup(const DBusMenuEventList& events) {
    QList<int> errors;
    for (const DBusMenuEvent& event : events)
        if (!exporter_->Event(event.id, event.eventId))
            errors.append(event.id);
    return errors;
}

bool DBusMenuAdaptor::AboutToShow(int id) {
    bool changed = false;
    exporter_->AboutToShow(id, changed);
    return changed;
}

QList<int> DBusMenuAdaptor::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    QList<int> updates;
    idErrors.clear();
    for (const int id : ids) {
        bool changed = false;
        if (!exporter_->AboutToShow(id, changed))
            idErrors.append(id);
        else if (changed)
            updates.append(id);
    }
    return updates;
}

} // namespace platform
