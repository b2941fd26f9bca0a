// The real notification area (our own StatusNotifierItem or QSystemTrayIcon), and the icon
// handle table.
#include "platform/Guard.h"
#include "platform/RealPlatform.h"
#include "platform/SniItem.h"
#include "platform/TrayHost.h"
#include "util/CP932.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>
#include <cstring>
#include <unordered_map>

namespace platform {

namespace {

struct IconTable {
    std::unordered_map<HICON, QIcon> icons;
    HICON next = 1;
};

IconTable& Icons() {
    static IconTable table;
    return table;
}

// The tip of a record: the bytes up to the first zero byte (at most the 64 of the field).
QString TipOf(const NOTIFYICONDATAA& data) {
    const std::size_t length = strnlen(data.szTip, sizeof data.szTip);
    return cp932::Decode(std::string_view(data.szTip, length));
}

} // namespace

HICON CreateIconHandle(const QIcon& icon) {
    if (icon.isNull())
        return 0;
    IconTable& table = Icons();
    while (table.next == 0 || table.icons.count(table.next))
        ++table.next;
    const HICON handle = table.next++;
    table.icons.emplace(handle, icon);
    return handle;
}

void DestroyIconHandle(HICON handle) {
    Icons().icons.erase(handle);
}

QIcon IconFromHandle(HICON handle) {
    const IconTable& table = Icons();
    const auto found = table.icons.find(handle);
    return found == table.icons.end() ? QIcon() : found->second;
}

TrayHost::TrayHost() = default;

TrayHost::~TrayHost() {
    // At process exit the application may already be gone; a tray icon must not be destroyed
    // without it, and the desktop drops the icon of an ended process anyway.
    if (!QCoreApplication::instance()) {
        for (auto& [key, entry] : icons_) {
            (void)entry.icon.release();
            (void)entry.item.release();
        }
    }
}

void TrayHost::Apply(Entry& entry, const NOTIFYICONDATAA& data) {
    if (data.uFlags & NIF_MESSAGE)
        entry.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) {
        if (entry.icon)
            entry.icon->setIcon(IconFromHandle(data.hIcon));
        else
            entry.item->SetIcon(IconFromHandle(data.hIcon));
    }
    if (data.uFlags & NIF_TIP) {
        if (entry.icon)
            entry.icon->setToolTip(TipOf(data));
        else
            entry.item->SetToolTip(TipOf(data));
    }
}

void TrayHost::Activated(const Key& key, QSystemTrayIcon::ActivationReason reason) {
    const auto found = icons_.find(key);
    if (found == icons_.end() || found->second.callbackMessage == 0)
        return;
    const std::uint32_t callback = found->second.callbackMessage;
    auto post = [&](std::uint32_t down, std::uint32_t up) {
        Post(key.first, callback, key.second, down);
        Post(key.first, callback, key.second, up);
    };
    // On X11 a left press is reported as Trigger and a second press within the double-click
    // time as DoubleClick; each becomes the press and release pair.
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        post(WM_LBUTTONDOWN, WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        post(WM_LBUTTONDBLCLK, WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::Context:
        post(WM_RBUTTONDOWN, WM_RBUTTONUP);
        break;
    case QSystemTrayIcon::MiddleClick:
        post(WM_MBUTTONDOWN, WM_MBUTTONUP);
        break;
    default:
        break;
    }
}

int TrayHost::NotifyIcon(std::uint32_t message, const NOTIFYICONDATAA& data) {
    const Key key{data.hWnd, data.uID};
    switch (message) {
    case NIM_ADD: {
        if (icons_.count(key))
            return 0;
        Entry entry;
        // A watcher on the bus gets our own item, which also carries the menu: the toolkit's
        // item on the bus offers none, and hosts that draw menus themselves never report the
        // right button. Without one, the XEmbed tray of the display.
        if (SniItem::WatcherPresent()) {
            entry.item = std::make_unique<SniItem>();
            QObject::connect(
                entry.item.get(), &SniItem::Activated, &context_,
                [this, key](QSystemTrayIcon::ActivationReason reason) { Activated(key, reason); });
            Apply(entry, data);
            const auto menu = menus_.find(key);
            entry.item->SetMenu(menu == menus_.end() ? nullptr : menu->second.data());
            if (!entry.item->Register())
                return 0;
        } else if (QSystemTrayIcon::isSystemTrayAvailable()) {
            entry.icon = std::make_unique<QSystemTrayIcon>();
            QObject::connect(
                entry.icon.get(), &QSystemTrayIcon::activated, &context_,
                [this, key](QSystemTrayIcon::ActivationReason reason) { Activated(key, reason); });
            Apply(entry, data);
            entry.icon->show();
        } else {
            return 0;
        }
        icons_.emplace(key, std::move(entry));
        return 1;
    }
    case NIM_MODIFY: {
        const auto found = icons_.find(key);
        if (found == icons_.end())
            return 0;
        Apply(found->second, data);
        return 1;
    }
    case NIM_DELETE: {
        menus_.erase(key);
        const auto found = icons_.find(key);
        if (found == icons_.end())
            return 0;
        if (found->second.icon)
            found->second.icon->hide();
        icons_.erase(found);
        return 1;
    }
    default:
        return 0;
    }
}

void TrayHost::SetMenu(HWND window, std::uint32_t id, QMenu* menu) {
    const Key key{window, id};
    menus_[key] = menu;
    const auto found = icons_.find(key);
    if (found != icons_.end() && found->second.item)
        found->second.item->SetMenu(menu);
}

void TrayHost::Post(HWND window, std::uint32_t message, std::uint32_t id,
                    std::uint32_t mouseMessage) {
    QMetaObject::invokeMethod(
        &context_,
        [this, window, message, id, mouseMessage] {
            // Looked up at delivery: the window may have gone in the meantime.
            const auto found = windows_.find(window);
            if (found == windows_.end())
                return;
            const MessageHandler handler = found->second;
            Guard([&] { handler(message, id, mouseMessage); });
        },
        Qt::QueuedConnection);
}

HWND TrayHost::AllocateWindow(MessageHandler handler) {
    while (nextWindow_ == 0 || windows_.count(nextWindow_))
        ++nextWindow_;
    const HWND window = nextWindow_++;
    windows_.emplace(window, std::move(handler));
    return window;
}

void TrayHost::DeallocateWindow(HWND window) {
    windows_.erase(window);
}

int RealPlatform::Shell_NotifyIconA(std::uint32_t message, const NOTIFYICONDATAA& data) {
    return tray_->NotifyIcon(message, data);
}

HWND RealPlatform::AllocateHWnd(MessageHandler handler) {
    return tray_->AllocateWindow(std::move(handler));
}

void RealPlatform::DeallocateHWnd(HWND window) {
    tray_->DeallocateWindow(window);
}

void RealPlatform::SetNotifyIconMenu(const NOTIFYICONDATAA& data, QMenu* menu) {
    tray_->SetMenu(data.hWnd, data.uID, menu);
}

} // namespace platform
