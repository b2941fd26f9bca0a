#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <vector>

// A QMenu shown to a notification-area host as a com.canonical.dbusmenu object, for panels that
// draw the menu of an icon themselves instead of telling the program about the right button.
namespace platform {

// (ia{sv}av): an item, its properties and its children (each a variant holding an item).
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayout> children;
};
// (ia{sv})
struct DBusMenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItemPropertiesList = QList<DBusMenuItemProperties>;
// (ias)
struct DBusMenuItemKeys {
    int id = 0;
    QStringList names;
};
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;
// (isvu)
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuEventList = QList<DBusMenuEvent>;

// The menu's actions as dbusmenu items. Item 0 is the menu itself; every other item is an action,
// known by a number it is given on first sight (an action's address may come back for a new one
// after it is deleted) and looked up in the live menu each time.
class MenuExporter : public QObject {
    Q_OBJECT
public:
    explicit MenuExporter(QObject* parent = nullptr);
    ~MenuExporter() override;

    // The menu to show; nullptr shows an empty one. Not owned; it may be deleted at any time.
    void SetMenu(QMenu* menu);
    QMenu* Menu() const { return menu_; }
    // Whether a menu was ever given: the host is then told to show ours.
    bool HasMenu() const { return everHadMenu_; }
    // Counts changes of the menus' structure.
    uint Revision() const { return revision_; }

    // The item `id` with its children down to `depth` levels (-1: all), with only the named
    // properties (all when `names` is empty). False when there is no such item.
    bool Layout(int id, int depth, const QStringList& names, DBusMenuLayout& layout);
    // The properties of an item; false when there is no such item.
    bool Properties(int id, const QStringList& names, QVariantMap& properties);
    // A host's event: "clicked" triggers the action later, from the event loop, as a click in the
    // menu would. False when there is no such item.
    bool Event(int id, const QString& eventId);
    // Runs the opening handling of the menu of item `id`, so that parts built at opening are
    // fresh. `changed` tells whether that changed anything. False when there is no such item.
    bool AboutToShow(int id, bool& changed);

    // An action's text as a dbusmenu label: the mnemonic '&' becomes '_', "&&" a plain '&', and
    // a literal '_' is doubled.
    static QString Label(const QString& text);
    // The number of `action`, given on first sight.
    static int IdOf(QAction* action);

signals:
    void LayoutUpdated(uint revision, int parent);
    void ItemsPropertiesUpdated(const platform::DBusMenuItemPropertiesList& updated,
                                const platform::DBusMenuItemKeysList& removed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The action numbered `id` in the live menus.
    QAction* Find(int id);
    QMenu* MenuOf(int id);
    QVariantMap PropertiesOf(QAction* action) const;
    DBusMenuLayout LayoutOf(int id, QMenu* menu, const QVariantMap& own, int depth,
                            const QStringList& names);
    bool Watched(const QMenu* menu) const;
    void Watch(QMenu* menu);
    void WatchAll(QMenu* menu, int depth); // and its submenus
    void Changed(QAction* action, bool structure);
    void Flush();

    QPointer<QMenu> menu_;
    bool everHadMenu_ = false;
    uint revision_ = 1;
    uint changes_ = 0;
    std::vector<QPointer<QMenu>> watched_;
    bool flushPending_ = false;
    bool structurePending_ = false;
    std::vector<QPointer<QAction>> changedActions_;
};

// The com.canonical.dbusmenu interface of an exporter.
class DBusMenuAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ Version)
    Q_PROPERTY(QString TextDirection READ TextDirection)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(QStringList IconThemePath READ IconThemePath)
public:
    explicit DBusMenuAdaptor(MenuExporter* exporter);

    uint Version() const { return 3; }
    QString TextDirection() const;
    QString Status() const { return QStringLiteral("normal"); }
    QStringList IconThemePath() const { return {}; }

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   platform::DBusMenuLayout& layout);
    platform::DBusMenuItemPropertiesList GetGroupProperties(const QList<int>& ids,
                                                            const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const platform::DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void ItemsPropertiesUpdated(const platform::DBusMenuItemPropertiesList& updatedProps,
                                const platform::DBusMenuItemKeysList& removedProps);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    MenuExporter* exporter_;
};

// Registers the D-Bus types above (once).
void RegisterDBusMenuTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

} // namespace platform

Q_DECLARE_METATYPE(platform::DBusMenuLayout)
Q_DECLARE_METATYPE(platform::DBusMenuItemProperties)
Q_DECLARE_METATYPE(platform::DBusMenuItemKeys)
Q_DECLARE_METATYPE(platform::DBusMenuEvent)
