// The notification area of the platform's test double.
#include "FakePlatform.h"

int FakePlatform::Shell_NotifyIconA(std::uint32_t message, const platform::NOTIFYICONDATAA& data) {
    const auto key = std::make_pair(data.hWnd, data.uID);
    const auto menu = trayMenus.find(key);
    notifyCalls.push_back({message, data, menu == trayMenus.end() ? nullptr : menu->second});
    switch (message) {
    case platform::NIM_ADD:
        if (failNotifyAdd || trayIcons.count(key))
            return 0;
        trayIcons[key] = data;
        return 1;
    case platform::NIM_MODIFY:
        if (failNotifyModify || !trayIcons.count(key))
            return 0;
        trayIcons[key] = data;
        return 1;
    case platform::NIM_DELETE:
        trayMenus.erase(key);
        return trayIcons.erase(key) ? 1 : 0;
    default:
        return 0;
    }
}

void FakePlatform::SetNotifyIconMenu(const platform::NOTIFYICONDATAA& data, QMenu* menu) {
    trayMenus[std::make_pair(data.hWnd, data.uID)] = menu;
}

platform::HWND FakePlatform::AllocateHWnd(platform::MessageHandler handler) {
    const platform::HWND window = nextWindow++;
    windows[window] = std::move(handler);
    return window;
}

void FakePlatform::DeallocateHWnd(platform::HWND window) {
    windows.erase(window);
    deallocatedWindows.push_back(window);
}

void FakePlatform::SendTrayMessage(platform::HWND hWnd, std::uint32_t uID, std::uint32_t lParam) {
    const auto found = windows.find(hWnd);
    if (found == windows.end())
        return;
    const platform::MessageHandler handler = found->second;
    handler(platform::WM_TRAYICON, uID, lParam);
}

std::vector<platform::NOTIFYICONDATAA> FakePlatform::NotifyCalls(std::uint32_t message) const {
    std::vector<platform::NOTIFYICONDATAA> calls;
    for (const NotifyCall& call : notifyCalls)
        if (call.message == message)
            calls.push_back(call.data);
    return calls;
}
