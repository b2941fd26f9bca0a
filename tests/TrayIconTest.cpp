#include "trayicon/TrayIcon.h"
#include "EventLoop.h"
#include "FakePlatform.h"
#include "TempDir.h"
#include "platform/TrayHost.h"
#include "util/CP932.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QMenu>
#include <QPixmap>
#include <QThread>
#include <QWidget>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using platform::NIM_ADD;
using platform::NIM_DELETE;
using platform::NIM_MODIFY;

namespace {

QIcon SolidIcon(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// Runs the event loop for a while, so that single-click waits (which do not really sleep with
// the test double) end and their completion runs on this thread.
void Settle() {
    ProcessEventsUntil([] { return false; }, 200);
}

class TrayIconTest : public ::testing::Test {
protected:
    // Declared in this order so that the owner (and with it its icons and the callback
    // window) goes before the test double.
    FakePlatform::Scope fake;
    std::unique_ptr<QWidget> owner = std::make_unique<QWidget>();

    // An icon with a picture, registered in the notification area.
    TTrayIcon* ShownIcon() {
        auto* icon = new TTrayIcon(owner.get());
        icon->Icon()->SetImage(SolidIcon(Qt::red));
        icon->SetVisible(true);
        return icon;
    }
    void Send(TTrayIcon* icon, std::uint32_t mouseMessage) {
        fake->SendTrayMessage(icon->NotifyData().hWnd, std::uint32_t(icon->IconID()), mouseMessage);
    }
    std::string Tip(const platform::NOTIFYICONDATAA& data) {
        return std::string(data.szTip, strnlen(data.szTip, sizeof data.szTip));
    }
};

TEST_F(TrayIconTest, IdsFollowTheLastLiveIconSoAFreedIdComesBack) {
    auto one = std::make_unique<TTrayIcon>(owner.get());
    auto two = std::make_unique<TTrayIcon>(owner.get());
    EXPECT_EQ(one->IconID(), 1);
    EXPECT_EQ(two->IconID(), 2);

    two.reset();
    two = std::make_unique<TTrayIcon>(owner.get());
    EXPECT_EQ(two->IconID(), 2);

    auto three = std::make_unique<TTrayIcon>(owner.get());
    EXPECT_EQ(three->IconID(), 3);
    two.reset();
    auto four = std::make_unique<TTrayIcon>(owner.get());
    EXPECT_EQ(four->IconID(), 4);

    ASSERT_EQ(TrayIconList().size(), 3u);
    EXPECT_EQ(TrayIconList()[0].first, "1");
    EXPECT_EQ(TrayIconList()[1].first, "3");
    EXPECT_EQ(TrayIconList()[2].first, "4");
    EXPECT_EQ(TrayIconList()[2].second, four.get());
}

TEST_F(TrayIconTest, TheHundredAndFirstIconFailsAndLeavesTheListAtHundred) {
    std::vector<std::unique_ptr<TTrayIcon>> icons;
    for (int i = 0; i < 100; ++i)
        icons.push_back(std::make_unique<TTrayIcon>(owner.get()));
    EXPECT_EQ(icons.back()->IconID(), 100);
    try {
        TTrayIcon extra(owner.get());
        FAIL() << "the 101st icon was created";
    } catch (const ENotifyIconError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("タスクトレイにアイコンを登録できません。"));
    }
    EXPECT_EQ(TrayIconList().size(), 100u);
    EXPECT_EQ(owner->findChildren<TTrayIcon*>().size(), 100);

    icons.pop_back();
    EXPECT_EQ(TTrayIcon(owner.get()).IconID(), 100);
}

TEST_F(TrayIconTest, AddSendsTheFullRecord) {
    TTrayIcon* icon = ShownIcon();
    ASSERT_TRUE(icon->Registered());
    ASSERT_EQ(fake->notifyCalls.size(), 1u);
    const FakePlatform::NotifyCall call = fake->notifyCalls[0];
    EXPECT_EQ(call.message, NIM_ADD);
    EXPECT_EQ(sizeof call.data, 88u);
    EXPECT_EQ(call.data.cbSize, 88u);
    EXPECT_EQ(call.data.uID, std::uint32_t(icon->IconID()));
    EXPECT_EQ(call.data.uCallbackMessage, 1224u);
    EXPECT_EQ(call.data.uFlags, 7u);
    EXPECT_EQ(call.data.hIcon, icon->Icon()->Handle());
    EXPECT_EQ(platform::IconFromHandle(call.data.hIcon).cacheKey(),
              icon->Icon()->Image().cacheKey());
    ASSERT_NE(call.data.hWnd, 0u);
    EXPECT_EQ(call.data.hWnd, CallbackWindow()->Handle());
    EXPECT_TRUE(fake->windows.count(call.data.hWnd));
    EXPECT_EQ(std::memcmp(call.data.szTip, "TipHelp\0", 8), 0);

    // Hiding deletes it with the same window and id.
    icon->SetVisible(false);
    EXPECT_FALSE(icon->Registered());
    ASSERT_EQ(fake->notifyCalls.size(), 2u);
    EXPECT_EQ(fake->notifyCalls[1].message, NIM_DELETE);
    EXPECT_EQ(fake->notifyCalls[1].data.hWnd, call.data.hWnd);
    EXPECT_TRUE(fake->trayIcons.empty());
}

TEST_F(TrayIconTest, TipIsCutAt62BytesAndAnEqualTipSendsNothing) {
    TTrayIcon* icon = ShownIcon();
    const std::string seventy(70, 'a');
    icon->SetTipHelp(seventy);
    EXPECT_EQ(icon->TipHelp(), std::string(62, 'a'));
    auto modifies = fake->NotifyCalls(NIM_MODIFY);
    ASSERT_EQ(modifies.size(), 1u);
    EXPECT_EQ(Tip(modifies[0]), std::string(62, 'a'));
    EXPECT_EQ(modifies[0].szTip[62], '\0');
    EXPECT_EQ(modifies[0].uFlags, 7u);

    icon->SetTipHelp(std::string(62, 'a') + "zzz");
    EXPECT_EQ(fake->NotifyCalls(NIM_MODIFY).size(), 1u);

    icon->SetTipHelp("");
    modifies = fake->NotifyCalls(NIM_MODIFY);
    ASSERT_EQ(modifies.size(), 2u);
    EXPECT_EQ(modifies[1].uFlags, 3u);
    EXPECT_EQ(modifies[1].szTip[0], '\0');

    // A double-byte character that would straddle the limit is left out whole.
    const std::string kana = cp932::Encode(QStringLiteral("メ"));
    icon->SetTipHelp(std::string(61, 'b') + kana);
    EXPECT_EQ(icon->TipHelp(), std::string(61, 'b'));
}

TEST_F(TrayIconTest, AnimateRateIsNeverBelow100) {
    TTrayIcon icon(owner.get());
    EXPECT_EQ(icon.AnimateRate(), 500);
    icon.SetAnimateRate(50);
    EXPECT_EQ(icon.AnimateRate(), 100);
    icon.SetAnimateRate(100);
    EXPECT_EQ(icon.AnimateRate(), 100);
    icon.SetAnimateRate(250);
    EXPECT_EQ(icon.AnimateRate(), 250);
}

TEST_F(TrayIconTest, LoadingClearsTheTipOnceAndAddsOnlyAtLoaded) {
    TTrayIcon made(owner.get());
    EXPECT_EQ(made.TipHelp(), "TipHelp");

    TTrayIcon loaded(owner.get());
    loaded.ReadState();
    EXPECT_EQ(loaded.TipHelp(), "");
    loaded.Loaded();
    EXPECT_EQ(loaded.TipHelp(), "");
    EXPECT_TRUE(fake->notifyCalls.empty()); // Visible was not stored

    // A stored tip and Visible: Visible only records its value until Loaded adds the icon.
    TTrayIcon stored(owner.get());
    stored.ReadState();
    stored.SetTipHelp("Stored");
    stored.Icon()->SetImage(SolidIcon(Qt::blue));
    stored.SetVisible(true);
    stored.ReadState(); // a second read within the same load keeps the tip
    EXPECT_EQ(stored.TipHelp(), "Stored");
    EXPECT_TRUE(stored.Visible());
    EXPECT_TRUE(fake->notifyCalls.empty());
    stored.Loaded();
    ASSERT_EQ(fake->notifyCalls.size(), 1u);
    EXPECT_EQ(fake->notifyCalls[0].message, NIM_ADD);
    EXPECT_EQ(Tip(fake->notifyCalls[0].data), "Stored");
    EXPECT_TRUE(stored.Registered());
}

TEST_F(TrayIconTest, VisibleNeedsSomePictureAndFallsBackToTheOwnerIcon) {
    TTrayIcon icon(owner.get());
    icon.SetVisible(true);
    EXPECT_FALSE(icon.Visible());
    EXPECT_FALSE(icon.Registered());
    EXPECT_TRUE(fake->notifyCalls.empty());

    owner->setWindowIcon(SolidIcon(Qt::green));
    icon.SetVisible(true);
    ASSERT_TRUE(icon.Registered());
    const platform::HICON shown = fake->notifyCalls.back().data.hIcon;
    EXPECT_EQ(platform::IconFromHandle(shown).cacheKey(), owner->windowIcon().cacheKey());

    // A picture loaded later replaces the owner's, as a modify.
    icon.Icon()->SetImage(SolidIcon(Qt::red));
    ASSERT_EQ(fake->notifyCalls.back().message, NIM_MODIFY);
    EXPECT_EQ(fake->notifyCalls.back().data.hIcon, icon.Icon()->Handle());
    EXPECT_NE(fake->notifyCalls.back().data.hIcon, shown);

    // Clearing the icon goes back to the owner's picture.
    icon.SetIcon(nullptr);
    EXPECT_TRUE(icon.Icon()->Empty());
    EXPECT_EQ(platform::IconFromHandle(fake->notifyCalls.back().data.hIcon).cacheKey(),
              owner->windowIcon().cacheKey());
}

TEST_F(TrayIconTest, FailedAddAndModifyRaiseAndKeepTheState) {
    auto icon = std::make_unique<TTrayIcon>(owner.get());
    icon->Icon()->SetImage(SolidIcon(Qt::red));
    fake->failNotifyAdd = true;
    EXPECT_THROW(icon->SetVisible(true), ENotifyIconError);
    EXPECT_TRUE(icon->Visible());
    EXPECT_FALSE(icon->Registered());

    fake->failNotifyAdd = false;
    icon->SetVisible(false);
    EXPECT_EQ(fake->notifyCalls.size(), 1u); // nothing to delete
    icon->SetVisible(true);
    EXPECT_TRUE(icon->Registered());

    fake->failNotifyModify = true;
    EXPECT_THROW(icon->SetTipHelp("other"), ENotifyIconError);
    EXPECT_EQ(icon->TipHelp(), "other");
    EXPECT_TRUE(icon->Registered());

    // Destruction removes a registered icon.
    icon.reset();
    EXPECT_EQ(fake->notifyCalls.back().message, NIM_DELETE);
    EXPECT_TRUE(fake->trayIcons.empty());
    EXPECT_TRUE(TrayIconList().empty());
}

TEST_F(TrayIconTest, IconFilesAreReadByContentAndNotifyTheShell) {
    TempCurrentDir dir;
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::yellow);
    ASSERT_TRUE(QImageWriter(dir.file("box.dat"), "ico").write(picture)); // any extension
    ASSERT_TRUE(picture.save(dir.file("notanicon.ico"), "PNG"));

    TTrayIcon* icon = ShownIcon();
    const platform::HICON before = icon->Icon()->Handle();
    icon->Icon()->LoadFromFile(dir.file("box.dat"));
    ASSERT_EQ(fake->notifyCalls.back().message, NIM_MODIFY);
    EXPECT_NE(fake->notifyCalls.back().data.hIcon, before);
    EXPECT_EQ(icon->Icon()->Image().availableSizes().value(0), QSize(32, 32));
    EXPECT_TRUE(platform::IconFromHandle(before).isNull()); // the old handle is released

    const std::size_t calls = fake->notifyCalls.size();
    for (const QString& name : {QStringLiteral("notanicon.ico"), QStringLiteral("missing.ico")}) {
        try {
            icon->Icon()->LoadFromFile(dir.file(name));
            ADD_FAILURE() << name.toStdString() << " was loaded";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("ファイル %1 は開けません").arg(dir.file(name)));
        }
    }
    EXPECT_EQ(fake->notifyCalls.size(), calls);
    EXPECT_FALSE(icon->Icon()->Empty());
}

TEST_F(TrayIconTest, DisabledIconIgnoresMessagesAndDropsAPendingClick) {
    TTrayIcon* icon = ShownIcon();
    QMenu menu;
    icon->SetLBPopupMenu(&menu);
    int clicks = 0, downs = 0;
    icon->OnClick = [&](TTrayIcon*) {
        ++clicks;
    };
    icon->OnMouseDown = [&](TTrayIcon*, Qt::MouseButton, Qt::MouseButtons, int, int) {
        ++downs;
    };

    Send(icon, platform::WM_LBUTTONUP); // a click now waits
    EXPECT_TRUE(icon->ClickPending());
    icon->SetEnabled(false);
    EXPECT_FALSE(icon->ClickPending());
    Send(icon, platform::WM_LBUTTONDOWN);
    Send(icon, platform::WM_RBUTTONDOWN);
    Send(icon, platform::WM_LBUTTONDBLCLK);
    Send(icon, platform::WM_LBUTTONUP);
    Settle();
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(downs, 0);
    EXPECT_TRUE(fake->popups.empty());

    icon->SetEnabled(true);
    Send(icon, platform::WM_LBUTTONDOWN);
    EXPECT_EQ(fake->popups.size(), 1u);
}

TEST_F(TrayIconTest, SingleClickFiresAfterTheDoubleClickTime) {
    TTrayIcon* icon = ShownIcon();
    fake->doubleClickTime = 400;
    std::vector<TTrayIcon*> clicks;
    icon->OnClick = [&](TTrayIcon* sender) {
        clicks.push_back(sender);
    };

    Send(icon, platform::WM_LBUTTONDOWN);
    Send(icon, platform::WM_LBUTTONUP);
    EXPECT_TRUE(clicks.empty()); // not at the release itself
    ProcessEventsUntil([&] { return !clicks.empty(); });
    Settle();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], icon);
    EXPECT_EQ(fake->sleeps, std::vector<unsigned>{450});
    EXPECT_FALSE(icon->ClickPending());
}

TEST_F(TrayIconTest, DoubleClickGivesOneDblClickAndNoClick) {
    TTrayIcon* icon = ShownIcon();
    int clicks = 0, doubles = 0;
    icon->OnClick = [&](TTrayIcon*) {
        ++clicks;
    };
    icon->OnDblClick = [&](TTrayIcon*) {
        ++doubles;
    };

    Send(icon, platform::WM_LBUTTONDOWN);
    Send(icon, platform::WM_LBUTTONUP);
    Send(icon, platform::WM_LBUTTONDBLCLK);
    EXPECT_EQ(doubles, 1);
    Send(icon, platform::WM_LBUTTONUP);
    Settle();
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(fake->sleeps.size(), 1u); // the second release started no wait

    // Two releases within the wait that are not a double click give no click either.
    Send(icon, platform::WM_LBUTTONUP);
    Send(icon, platform::WM_LBUTTONUP);
    Settle();
    EXPECT_EQ(clicks, 0);
}

TEST_F(TrayIconTest, MouseUpHandlerReplacesTheClick) {
    TTrayIcon* icon = ShownIcon();
    fake->cursorPos = {300, 20};
    int clicks = 0;
    std::vector<std::tuple<Qt::MouseButton, Qt::MouseButtons, int, int>> ups;
    icon->OnClick = [&](TTrayIcon*) {
        ++clicks;
    };
    icon->OnMouseUp = [&](TTrayIcon*, Qt::MouseButton button, Qt::MouseButtons shift, int x,
                          int y) {
        ups.emplace_back(button, shift, x, y);
    };

    Send(icon, platform::WM_LBUTTONUP);
    Send(icon, platform::WM_MBUTTONUP);
    Settle();
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(fake->sleeps.empty());
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_EQ(ups[0], std::make_tuple(Qt::LeftButton, Qt::MouseButtons(Qt::LeftButton), 300, 20));
    EXPECT_EQ(std::get<0>(ups[1]), Qt::MiddleButton);
}

TEST_F(TrayIconTest, LeftPressPopsTheMenuAtTheCursorOrReportsMouseDown) {
    TTrayIcon* icon = ShownIcon();
    QMenu menu;
    icon->SetLBPopupMenu(&menu);
    fake->cursorPos = {1000, 5};
    std::vector<std::tuple<Qt::MouseButton, Qt::MouseButtons, int, int>> downs;
    icon->OnMouseDown = [&](TTrayIcon*, Qt::MouseButton button, Qt::MouseButtons shift, int x,
                            int y) {
        downs.emplace_back(button, shift, x, y);
    };

    Send(icon, platform::WM_LBUTTONDOWN);
    ASSERT_EQ(fake->popups.size(), 1u);
    EXPECT_EQ(fake->popups[0].menu, &menu);
    EXPECT_EQ(fake->popups[0].pos, QPoint(1000, 5));
    ASSERT_EQ(fake->foregroundCalls.size(), 1u);
    EXPECT_EQ(fake->foregroundCalls[0], owner.get());
    EXPECT_TRUE(downs.empty());

    icon->SetAutoPopup(false);
    Send(icon, platform::WM_LBUTTONDOWN);
    EXPECT_EQ(fake->popups.size(), 1u);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0], std::make_tuple(Qt::LeftButton, Qt::MouseButtons(Qt::LeftButton), 1000, 5));
}

TEST_F(TrayIconTest, RightDoubleClickOpensTheMenuOnce) {
    TTrayIcon* icon = ShownIcon();
    QMenu menu;
    icon->SetRBPopupMenu(&menu);
    Send(icon, platform::WM_RBUTTONDOWN);
    Send(icon, platform::WM_RBUTTONUP);
    Send(icon, platform::WM_RBUTTONDBLCLK);
    Send(icon, platform::WM_RBUTTONUP);
    ASSERT_EQ(fake->popups.size(), 1u);
    EXPECT_EQ(fake->popups[0].menu, &menu);
}

TEST_F(TrayIconTest, DestroyedMenusAreForgotten) {
    TTrayIcon* icon = ShownIcon();
    auto menu = std::make_unique<QMenu>();
    icon->SetLBPopupMenu(menu.get());
    icon->SetRBPopupMenu(menu.get());
    std::vector<Qt::MouseButton> downs;
    icon->OnMouseDown = [&](TTrayIcon*, Qt::MouseButton button, Qt::MouseButtons, int, int) {
        downs.push_back(button);
    };

    menu.reset();
    EXPECT_EQ(icon->LBPopupMenu(), nullptr);
    EXPECT_EQ(icon->RBPopupMenu(), nullptr);
    Send(icon, platform::WM_RBUTTONDOWN);
    EXPECT_TRUE(fake->popups.empty());
    EXPECT_EQ(downs, std::vector<Qt::MouseButton>{Qt::RightButton});

    auto images = std::make_unique<TImageList>();
    icon->SetAnimateIcons(images.get());
    EXPECT_EQ(icon->AnimateIcons(), images.get());
    images.reset();
    EXPECT_EQ(icon->AnimateIcons(), nullptr);
}

TEST_F(TrayIconTest, HostsGetTheRightButtonMenuWhereTheProgramWouldPopIt) {
    auto menu = std::make_unique<QMenu>();
    auto* icon = new TTrayIcon(owner.get());
    icon->Icon()->SetImage(SolidIcon(Qt::red));
    icon->SetRBPopupMenu(menu.get());
    icon->SetVisible(true);
    // Given before the add: a host asks at once whether the icon has a menu of its own.
    ASSERT_EQ(fake->notifyCalls.size(), 1u);
    EXPECT_EQ(fake->notifyCalls[0].menu, menu.get());
    const auto key = std::make_pair(icon->NotifyData().hWnd, std::uint32_t(icon->IconID()));
    auto given = [&]() -> QMenu* {
        const auto found = fake->trayMenus.find(key);
        return found == fake->trayMenus.end() ? nullptr : found->second.data();
    };

    // None while the icon ignores the pointer or leaves the right button to its handlers.
    icon->SetEnabled(false);
    EXPECT_EQ(given(), nullptr);
    icon->SetEnabled(true);
    EXPECT_EQ(given(), menu.get());
    icon->SetAutoPopup(false);
    EXPECT_EQ(given(), nullptr);
    icon->SetAutoPopup(true);
    QMenu other;
    icon->SetRBPopupMenu(&other);
    EXPECT_EQ(given(), &other);
    icon->SetRBPopupMenu(menu.get());

    // Removing the icon drops it; adding again gives it anew.
    icon->SetVisible(false);
    EXPECT_TRUE(fake->trayMenus.empty());
    icon->SetVisible(true);
    EXPECT_EQ(fake->notifyCalls.back().message, NIM_ADD);
    EXPECT_EQ(fake->notifyCalls.back().menu, menu.get());
    menu.reset();
    EXPECT_EQ(given(), nullptr);
}

TEST_F(TrayIconTest, MessagesReachOnlyLiveIconsOfTheCallbackWindow) {
    TTrayIcon* first = ShownIcon();
    auto second = std::unique_ptr<TTrayIcon>(ShownIcon());
    const platform::HWND window = first->NotifyData().hWnd;
    EXPECT_EQ(second->NotifyData().hWnd, window); // one window for all icons

    std::vector<TTrayIcon*> moves;
    auto record = [&](TTrayIcon* sender, Qt::MouseButtons, int, int) {
        moves.push_back(sender);
    };
    first->OnMouseMove = record;
    second->OnMouseMove = record;
    fake->SendTrayMessage(window, 2, platform::WM_MOUSEMOVE);
    fake->SendTrayMessage(window, 1, platform::WM_MOUSEMOVE);
    const std::uint32_t secondId = std::uint32_t(second->IconID());
    second.reset();
    fake->SendTrayMessage(window, secondId, platform::WM_MOUSEMOVE);
    fake->SendTrayMessage(window, 77, platform::WM_MOUSEMOVE);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[1], first);
    EXPECT_EQ(CallbackWindow()->CurrentTrayIcon(), first);

    // The callback window belongs to the owner and gives its handle back with it.
    owner.reset();
    EXPECT_EQ(CallbackWindow(), nullptr);
    EXPECT_EQ(fake->deallocatedWindows, std::vector<platform::HWND>{window});
    EXPECT_TRUE(fake->trayIcons.empty());
}

// The real notification area under the offscreen platform, which has none.
TEST(RealTrayHost, AddFailsWithoutANotificationAreaAndHandlesMapBack) {
    platform::TrayHost host;
    int messages = 0;
    platform::NOTIFYICONDATAA data;
    data.cbSize = 88;
    data.hWnd =
        host.AllocateWindow([&](std::uint32_t, std::uint32_t, std::uint32_t) { ++messages; });
    data.uID = 1;
    data.uFlags = 7;
    const QIcon picture = SolidIcon(Qt::red);
    data.hIcon = platform::CreateIconHandle(picture);
    ASSERT_NE(data.hIcon, 0u);
    EXPECT_EQ(platform::IconFromHandle(data.hIcon).cacheKey(), picture.cacheKey());
    EXPECT_EQ(platform::CreateIconHandle(QIcon()), 0u);

    EXPECT_EQ(host.NotifyIcon(NIM_ADD, data), 0);
    EXPECT_EQ(host.NotifyIcon(NIM_MODIFY, data), 0);
    EXPECT_EQ(host.NotifyIcon(NIM_DELETE, data), 0);

    platform::DestroyIconHandle(data.hIcon);
    EXPECT_TRUE(platform::IconFromHandle(data.hIcon).isNull());
    host.DeallocateWindow(data.hWnd);
    EXPECT_EQ(messages, 0);
}

} // namespace
