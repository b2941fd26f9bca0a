#pragma once

#include "platform/Platform.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <utility>

namespace platform {

class SniItem;

// Icon handles: a process-wide table from HICON to the picture it stands for, so that records
// handed to Shell_NotifyIconA can carry a 32-bit handle as the shell expects. Main thread only.
HICON CreateIconHandle(const QIcon& icon); // 0 for a null icon
void DestroyIconHandle(HICON handle);      // unknown handles and 0 are ignored
QIcon IconFromHandle(HICON handle);        // a null icon for unknown handles

// The real notification area: one StatusNotifierItem of our own per (hWnd, uID) where a
// StatusNotifierWatcher is on the session bus (with the icon's menu for hosts that draw it), else
// one QSystemTrayIcon, and the message handlers of the windows that AllocateHWnd gave out.
// Activations are posted to the window's handler as the mouse messages the shell would send, after
// the activation signal has returned, so a handler may delete the icon it was called for.
class TrayHost {
public:
    TrayHost();
    ~TrayHost();
    TrayHost(const TrayHost&) = delete;
    TrayHost& operator=(const TrayHost&) = delete;

    int NotifyIcon(std::uint32_t message, const NOTIFYICONDATAA& data);
    HWND AllocateWindow(MessageHandler handler);
    void DeallocateWindow(HWND window);
    void SetMenu(HWND window, std::uint32_t id, QMenu* menu);

private:
    using Key = std::pair<HWND, std::uint32_t>;
    struct Entry {
        std::unique_ptr<QSystemTrayIcon> icon; // or
        std::unique_ptr<SniItem> item;
        std::uint32_t callbackMessage = 0; // 0: the record asked for no messages
    };

    void Apply(Entry& entry, const NOTIFYICONDATAA& data);
    void Activated(const Key& key, QSystemTrayIcon::ActivationReason reason);
    void Post(HWND window, std::uint32_t message, std::uint32_t id, std::uint32_t mouseMessage);

    std::map<Key, Entry> icons_;
    std::map<Key, QPointer<QMenu>> menus_; // given with SetMenu, until the icon's NIM_DELETE
    std::map<HWND, MessageHandler> windows_;
    HWND nextWindow_ = 0x10000;
    QObject context_; // receiver of the posted messages
};

} // namespace platform
