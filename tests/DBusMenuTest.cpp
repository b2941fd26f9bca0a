// The menu a host draws itself: a real QMenu exported over a private session bus, read and driven
// the way a panel does it.
#include "platform/DBusMenu.h"
#include "EventLoop.h"
#include "platform/SniItem.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <new>
#include <set>

using platform::DBusMenuAdaptor;
using platform::DBusMenuLayout;
using platform::MenuExporter;

namespace {

const QString kPath = QStringLiteral("/MenuBar");

// A bus of the test's own, with the exporter on one connection and a host on another.
class DBusMenuTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        daemon_ = new QProcess;
        daemon_->start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        if (!daemon_->waitForStarted(5000))
            return;
        while (daemon_->state() == QProcess::Running && !daemon_->canReadLine())
            daemon_->waitForReadyRead(100);
        address_ = QString::fromUtf8(daemon_->readLine()).trimmed();
    }
    static void TearDownTestSuite() {
        daemon_->kill();
        daemon_->waitForFinished(5000);
        delete daemon_;
        daemon_ = nullptr;
    }

    void SetUp() override {
        if (address_.isEmpty())
            GTEST_SKIP() << "dbus-daemon did not start";
        static int run = 0;
        ++run;
        serverName_ = QStringLiteral("menu-server-%1").arg(run);
        hostName_ = QStringLiteral("menu-host-%1").arg(run);
        QDBusConnection server = QDBusConnection::connectToBus(address_, serverName_);
        ASSERT_TRUE(server.isConnected());
        new DBusMenuAdaptor(&exporter);
        ASSERT_TRUE(server.registerObject(kPath, &exporter, QDBusConnection::ExportAdaptors));
        service_ = server.baseService();
        exporter.SetMenu(&menu);
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(serverName_);
        QDBusConnection::disconnectFromBus(hostName_);
    }

    QDBusConnection Host() { return QDBusConnection::connectToBus(address_, hostName_); }

    // Calls a method of the menu as a host; the answer's values.
    QVariantList Call(const QString& method, const QVariantList& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            service_, kPath, QStringLiteral("com.canonical.dbusmenu"), method);
        call.setArguments(arguments);
        // The exporter answers from this thread's event loop.
        const QDBusMessage reply = Host().call(call, QDBus::BlockWithGui, 5000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply.arguments();
    }
    DBusMenuLayout Layout(int id = 0, int depth = -1, const QStringList& names = {}) {
        const QVariantList answer = Call(QStringLiteral("GetLayout"), {id, depth, names});
        DBusMenuLayout layout;
        if (answer.size() == 2)
            answer.at(1).value<QDBusArgument>() >> layout;
        return layout;
    }
    bool AboutToShow(int id) {
        const QVariantList answer = Call(QStringLiteral("AboutToShow"), {id});
        return !answer.isEmpty() && answer.at(0).toBool();
    }
    void Click(int id) {
        Call(QStringLiteral("Event"),
             {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    }

    static inline QProcess* daemon_ = nullptr;
    static inline QString address_;
    QString serverName_, hostName_, service_;
    QMenu menu;
    MenuExporter exporter;
};

TEST_F(DBusMenuTest, TheLayoutShowsCaptionsStatesChecksAndSubmenus) {
    menu.addAction(QStringLiteral("&Open && close"));
    QPixmap box(32, 32);
    box.fill(Qt::blue);
    menu.addAction(QIcon(box), QStringLiteral("snake_case"))->setEnabled(false);
    QAction* check = menu.addAction(QStringLiteral("常に手前"));
    check->setCheckable(true);
    check->setChecked(true);
    menu.addSeparator();
    menu.addAction(QStringLiteral("hidden"))->setVisible(false);
    QMenu* skin = menu.addMenu(QStringLiteral("スキン"));
    auto* group = new QActionGroup(skin);
    QAction* first = skin->addAction(QStringLiteral("一つ目"));
    QAction* second = skin->addAction(QStringLiteral("二つ目"));
    for (QAction* item : {first, second}) {
        item->setCheckable(true);
        group->addAction(item);
    }
    second->setChecked(true);

    const DBusMenuLayout root = Layout();
    EXPECT_EQ(root.id, 0);
    EXPECT_EQ(root.properties.value(QStringLiteral("children-display")).toString(), "submenu");
    ASSERT_EQ(root.children.size(), 6);
    auto property = [&](int n, const char* name) {
        return root.children.at(n).properties.value(QString::fromLatin1(name));
    };
    EXPECT_EQ(property(0, "label").toString(), QStringLiteral("_Open & close"));
    EXPECT_TRUE(property(0, "enabled").toBool());
    EXPECT_EQ(property(0, "toggle-type").toString(), QString());
    EXPECT_EQ(property(1, "label").toString(), QStringLiteral("snake__case"));
    EXPECT_FALSE(property(1, "enabled").toBool());
    // The picture beside a caption goes along as a small PNG; none where the item has none.
    const QImage picture = QImage::fromData(property(1, "icon-data").toByteArray(), "PNG");
    EXPECT_EQ(picture.size(), QSize(16, 16));
    EXPECT_EQ(picture.pixelColor(8, 8), QColor(Qt::blue));
    EXPECT_FALSE(property(0, "icon-data").isValid());
    EXPECT_EQ(property(2, "toggle-type").toString(), QStringLiteral("checkmark"));
    EXPECT_EQ(property(2, "toggle-state").toInt(), 1);
    EXPECT_EQ(property(3, "type").toString(), QStringLiteral("separator"));
    EXPECT_FALSE(property(4, "visible").toBool());
    EXPECT_TRUE(property(3, "visible").toBool());

    const DBusMenuLayout& sub = root.children.at(5);
    EXPECT_EQ(sub.properties.value(QStringLiteral("children-display")).toString(), "submenu");
    ASSERT_EQ(sub.children.size(), 2);
    EXPECT_EQ(sub.children.at(0).properties.value(QStringLiteral("toggle-type")).toString(),
              QStringLiteral("radio"));
    EXPECT_EQ(sub.children.at(0).properties.value(QStringLiteral("toggle-state")).toInt(), 0);
    EXPECT_EQ(sub.children.at(1).properties.value(QStringLiteral("toggle-state")).toInt(), 1);

    // Every item has a number of its own; the submenu alone, one level, chosen properties.
    std::set<int> ids{root.id};
    for (const DBusMenuLayout& item : root.children)
        ids.insert(item.id);
    for (const DBusMenuLayout& item : sub.children)
        ids.insert(item.id);
    EXPECT_EQ(ids.size(), 9u);
    const DBusMenuLayout alone = Layout(sub.id, 1, {QStringLiteral("label")});
    EXPECT_EQ(alone.id, sub.id);
    ASSERT_EQ(alone.children.size(), 2);
    EXPECT_EQ(alone.children.at(1).properties,
              (QVariantMap{{QStringLiteral("label"), QStringLiteral("二つ目")}}));
    EXPECT_TRUE(Layout(0, 0).children.isEmpty());

    const QVariantList group0 =
        Call(QStringLiteral("GetProperty"), {sub.children.at(0).id, QStringLiteral("label")});
    ASSERT_EQ(group0.size(), 1);
    EXPECT_EQ(group0.at(0).value<QDBusVariant>().variant().toString(), QStringLiteral("一つ目"));
}

// A host's ear for the menu's signals.
class HostEar : public QObject {
    Q_OBJECT
public slots:
    void LayoutUpdated(uint revision, int) { revisions.push_back(revision); }
    void PropertiesUpdated(const QDBusMessage& message) {
        platform::DBusMenuItemPropertiesList list;
        if (!message.arguments().isEmpty())
            message.arguments().at(0).value<QDBusArgument>() >> list;
        updates.push_back(list);
    }

public:
    std::vector<uint> revisions;
    std::vector<platform::DBusMenuItemPropertiesList> updates;
};

// A submenu rebuilt each time it opens, as the skin list is: its actions are deleted and made
// anew, so a new one may well get the address of an old one.
class RebuiltMenu {
public:
    explicit RebuiltMenu(QMenu* parent) : sub(parent->addMenu(QStringLiteral("変更"))) {
        QObject::connect(sub, &QMenu::aboutToShow, sub, [this] { Rebuild(); });
    }
    void Rebuild() {
        ++generation;
        for (QAction* old : sub->actions())
            delete old;
        for (int n = 0; n < 3; ++n) {
            QAction* item = sub->addAction(QStringLiteral("%1-%2").arg(generation).arg(n));
            QObject::connect(item, &QAction::triggered, item,
                             [this, label = item->text()] { clicked.push_back(label); });
        }
    }
    QMenu* sub;
    int generation = 0;
    std::vector<QString> clicked;
};

TEST_F(DBusMenuTest, OpeningRebuildsTheMenuAndClicksReachOnlyLiveItems) {
    QAction* still = menu.addAction(QStringLiteral("still"));
    RebuiltMenu skins(&menu);
    HostEar host;
    const QString interface = QStringLiteral("com.canonical.dbusmenu");
    ASSERT_TRUE(Host().connect(service_, kPath, interface, QStringLiteral("LayoutUpdated"), &host,
                               SLOT(LayoutUpdated(uint, int))));
    ASSERT_TRUE(Host().connect(service_, kPath, interface, QStringLiteral("ItemsPropertiesUpdated"),
                               &host, SLOT(PropertiesUpdated(QDBusMessage))));
    const std::vector<uint>& layoutUpdates = host.revisions;

    const int subId = MenuExporter::IdOf(skins.sub->menuAction());
    EXPECT_TRUE(Layout(subId).children.isEmpty());
    EXPECT_TRUE(AboutToShow(subId));
    ProcessEventsUntil([&] { return !layoutUpdates.empty(); });
    ASSERT_FALSE(layoutUpdates.empty()) << "no LayoutUpdated after the menu was rebuilt";
    EXPECT_EQ(layoutUpdates.back(),
              Call(QStringLiteral("GetLayout"), {0, -1, QStringList()}).value(0).toUInt());
    DBusMenuLayout first = Layout(subId);
    ASSERT_EQ(first.children.size(), 3);
    EXPECT_EQ(first.children.at(1).properties.value(QStringLiteral("label")).toString(), "1-1");
    // Nothing to rebuild at the top: the host is told nothing changed.
    EXPECT_FALSE(AboutToShow(0));

    EXPECT_TRUE(AboutToShow(subId));
    const DBusMenuLayout second = Layout(subId);
    ASSERT_EQ(second.children.size(), 3);
    EXPECT_EQ(second.children.at(1).properties.value(QStringLiteral("label")).toString(), "2-1");
    for (int n = 0; n < 3; ++n)
        EXPECT_NE(second.children.at(n).id, first.children.at(n).id);

    // A click on an item that is gone reaches nothing, not the item now at its address.
    int stillClicks = 0;
    QObject::connect(still, &QAction::triggered, [&] { ++stillClicks; });
    // The menus hear of a click once each, as of a click in them.
    std::vector<QString> subReports, rootReports;
    QObject::connect(skins.sub, &QMenu::triggered,
                     [&](QAction* item) { subReports.push_back(item->text()); });
    QObject::connect(&menu, &QMenu::triggered,
                     [&](QAction* item) { rootReports.push_back(item->text()); });
    platform::DBusMenuEventList events;
    for (const int id : {first.children.at(1).id, second.children.at(2).id})
        events.append({id, QStringLiteral("clicked"), QDBusVariant(0), 0});
    const QVariantList errors = Call(QStringLiteral("EventGroup"), {QVariant::fromValue(events)});
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(qdbus_cast<QList<int>>(errors.at(0)), QList<int>{first.children.at(1).id});
    Click(MenuExporter::IdOf(still));
    ProcessEventsUntil([&] { return !skins.clicked.empty() && stillClicks > 0; });
    EXPECT_EQ(skins.clicked, std::vector<QString>{QStringLiteral("2-2")});
    EXPECT_EQ(stillClicks, 1);
    EXPECT_EQ(subReports, std::vector<QString>{QStringLiteral("2-2")});
    EXPECT_EQ(rootReports, (std::vector<QString>{QStringLiteral("2-2"), QStringLiteral("still")}));

    // A disabled item does not run; a changed caption is reported as a property change.
    const std::vector<platform::DBusMenuItemPropertiesList>& updates = host.updates;
    still->setEnabled(false);
    still->setText(QStringLiteral("renamed"));
    Click(MenuExporter::IdOf(still));
    ProcessEventsUntil([&] { return !updates.empty(); });
    ProcessEventsUntil([] { return false; }, 100);
    EXPECT_EQ(stillClicks, 1);
    ASSERT_EQ(updates.size(), 1u); // both changes in one report
    ASSERT_EQ(updates[0].size(), 1);
    EXPECT_EQ(updates[0][0].id, MenuExporter::IdOf(still));
    EXPECT_EQ(updates[0][0].properties.value(QStringLiteral("label")).toString(), "renamed");
    EXPECT_FALSE(updates[0][0].properties.value(QStringLiteral("enabled")).toBool());
}

TEST_F(DBusMenuTest, ADeletedMenuLeavesAnEmptyOneAndTheItemPointsAtIt) {
    auto gone = std::make_unique<QMenu>();
    gone->addAction(QStringLiteral("x"));
    exporter.SetMenu(gone.get());
    EXPECT_EQ(Layout().children.size(), 1);
    gone.reset();
    EXPECT_TRUE(Layout().children.isEmpty());
    EXPECT_FALSE(AboutToShow(0));

    platform::SniItem item;
    auto* adaptor = item.findChild<platform::SniAdaptor*>();
    ASSERT_NE(adaptor, nullptr);
    EXPECT_EQ(adaptor->Menu().path(), QStringLiteral("/NO_DBUSMENU"));
    item.SetMenu(&menu);
    EXPECT_EQ(adaptor->Menu().path(), QStringLiteral("/MenuBar"));
}

// Room for one action at a fixed address: a new action made after the old one was destroyed
// takes its address for certain, as a freed heap block often is given out again.
struct ActionSlot {
    alignas(QAction) unsigned char bytes[sizeof(QAction)];
    QAction* live = nullptr;
    QAction* Make(const QString& text) {
        live = new (bytes) QAction(text);
        return live;
    }
    void Destroy() {
        live->~QAction();
        live = nullptr;
    }
    ~ActionSlot() {
        if (live)
            Destroy();
    }
};

// Random edits of a menu tree, as handlers do them: after each, the host's view (taken once the
// change reports are out) shows every live action under the number it first had, never a number
// of a deleted action (new actions are made at deleted ones' addresses), with its current caption
// and state, and the change was reported.
TEST(DBusMenuModel, NumbersStayWithTheirActionsThroughRandomEdits) {
    QMenu root;
    std::vector<std::unique_ptr<ActionSlot>> pool;
    auto add = [&](QMenu* menu, const QString& text) {
        ActionSlot* free = nullptr;
        for (const auto& slot : pool)
            if (!slot->live)
                free = slot.get();
        if (!free)
            free = pool.emplace_back(std::make_unique<ActionSlot>()).get();
        menu->addAction(free->Make(text));
    };
    MenuExporter exporter;
    exporter.SetMenu(&root);
    uint lastRevision = 0;
    std::set<int> reported;
    QObject::connect(&exporter, &MenuExporter::LayoutUpdated,
                     [&](uint revision, int) { lastRevision = revision; });
    QObject::connect(&exporter, &MenuExporter::ItemsPropertiesUpdated,
                     [&](const platform::DBusMenuItemPropertiesList& updated,
                         const platform::DBusMenuItemKeysList&) {
                         for (const auto& item : updated)
                             reported.insert(item.id);
                     });
    std::vector<QMenu*> menus{&root};
    std::map<QAction*, int> numbers; // live actions the host has seen, by their first number
    std::set<int> dead;
    QRandomGenerator random(20261209);
    int made = 0;

    auto all = [&] {
        std::vector<QAction*> actions;
        for (QMenu* menu : menus)
            for (QAction* action : menu->actions())
                actions.push_back(action);
        return actions;
    };
    for (int step = 0; step < 400; ++step) {
        const std::vector<QAction*> actions = all();
        const uint revisionBefore = exporter.Revision();
        QAction* changed = nullptr;
        const int kind = actions.empty() ? 0 : int(random.bounded(6));
        QMenu* target = menus[random.bounded(int(menus.size()))];
        if (kind == 0) {
            add(target, QStringLiteral("a%1").arg(++made));
        } else if (kind == 1 && menus.size() < 6) {
            menus.push_back(target->addMenu(QStringLiteral("m%1").arg(++made)));
        } else if (kind == 2) {
            // Deleting an action, not a submenu's own one (its menu stays in `menus`), and
            // making a new one at its address.
            QAction* victim = actions[random.bounded(int(actions.size()))];
            if (victim->menu())
                continue;
            if (numbers.count(victim)) {
                dead.insert(numbers[victim]);
                numbers.erase(victim);
            }
            for (const auto& slot : pool)
                if (slot->live == victim)
                    slot->Destroy();
            add(target, QStringLiteral("a%1").arg(++made));
        } else {
            changed = actions[random.bounded(int(actions.size()))];
            if (kind == 3)
                changed->setText(QStringLiteral("t%1").arg(++made));
            else if (kind == 4)
                changed->setEnabled(!changed->isEnabled());
            else {
                changed->setCheckable(true);
                changed->setChecked(!changed->isChecked());
            }
        }
        reported.clear();
        QCoreApplication::processEvents();
        if (changed) {
            ASSERT_TRUE(reported.count(MenuExporter::IdOf(changed)) == 1) << "step " << step;
        } else {
            ASSERT_GT(exporter.Revision(), revisionBefore) << "step " << step;
            ASSERT_EQ(lastRevision, exporter.Revision()) << "step " << step;
        }

        DBusMenuLayout layout;
        ASSERT_TRUE(exporter.Layout(0, -1, {}, layout));
        std::set<int> seen;
        std::function<void(const DBusMenuLayout&, QMenu*)> check = [&](const DBusMenuLayout& item,
                                                                       QMenu* menu) {
            ASSERT_EQ(item.children.size(), menu->actions().size()) << "step " << step;
            for (qsizetype n = 0; n < item.children.size(); ++n) {
                const DBusMenuLayout& child = item.children[n];
                QAction* action = menu->actions()[n];
                ASSERT_TRUE(seen.insert(child.id).second) << "step " << step;
                ASSERT_EQ(dead.count(child.id), 0u) << "a deleted action's number, step " << step;
                const auto known = numbers.emplace(action, child.id).first;
                ASSERT_EQ(known->second, child.id) << "step " << step;
                ASSERT_EQ(child.properties.value(QStringLiteral("label")).toString(),
                          action->text());
                ASSERT_EQ(child.properties.value(QStringLiteral("enabled")).toBool(),
                          action->isEnabled());
                ASSERT_EQ(child.properties.value(QStringLiteral("toggle-state")).toInt(),
                          action->isCheckable() ? int(action->isChecked()) : -1);
                if (action->menu())
                    check(child, action->menu());
            }
        };
        check(layout, &root);
    }
}

} // namespace

#include "DBusMenuTest.moc"
