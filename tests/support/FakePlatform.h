#pragma once

#include "platform/Platform.h"

#include <QMenu>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class QDialog;
class QMenu;

namespace platform {
class RegionStore;
}

// The platform's test double: records calls, answers dialogs, injects failures, sets the clock.
// Install it with FakePlatform::Scope so that every test gets a fresh one.
class FakePlatform : public platform::Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // Installs a fresh double for the lifetime of the scope.
    struct Scope {
        Scope();
        ~Scope();
        FakePlatform* operator->() { return fake.get(); }
        FakePlatform& operator*() { return *fake; }
        std::unique_ptr<FakePlatform> fake;
    };

    // --- program location, screen, clock ---
    QString executablePath = QStringLiteral("/tmp/tabuko-test/tabuko");
    QSize screenSize{1024, 768};
    // The desktop's screens, the primary first; empty means one screen of screenSize at 0,0.
    std::vector<platform::Screen> screens;
    TDateTime now = 46000.5; // 2025-12-09 12:00
    unsigned doubleClickTime = 500;
    std::vector<unsigned> sleeps; // Sleep does not block; the times are recorded
    std::mutex sleepsMutex;

    // --- mouse, windows, menus ---
    QPoint cursorPos{100, 100};
    std::vector<QWidget*> foregroundCalls;
    std::vector<QWidget*> offTaskBar;
    struct PopupCall {
        QMenu* menu;
        QPoint pos;
    };
    std::vector<PopupCall> popups; // Popup records the menu and runs its aboutToShow

    // --- modal windows and message boxes ---
    // Runs while a modal window is up (it is shown, not blocking). Whatever the script leaves
    // open is rejected afterwards. Returns the dialog's result.
    std::function<void(QDialog*)> onModal;
    std::vector<QDialog*> modalShown;
    struct MessageBoxCall {
        QString text;
        QString caption;
        unsigned type;
    };
    std::vector<MessageBoxCall> messageBoxes;
    std::deque<int> messageBoxAnswers; // IDOK when empty

    // --- shell ---
    struct ShellCall {
        std::string operation;
        std::string file;
        int showCommand;
    };
    std::vector<ShellCall> shellCalls;

    // --- files ---
    enum class SaveFailure { None, AtStart, HalfWay, AtCommit };
    // The Nth SaveFile from now (1 = the next one) fails at the given stage; 0 = none.
    int failSaveAt = 0;
    SaveFailure failSaveStage = SaveFailure::AtStart;
    // Every SaveFile fails, at failSaveStage, as on a full disk.
    bool diskFull = false;
    std::vector<QString> savedFiles; // paths of the successful saves, in order
    // Runs after each successful save, as another writer that acts right after the rename.
    std::function<void(const QString& path)> afterSave;
    int saveCalls = 0;

    // --- regions (FakeRegions.cpp) ---
    std::unique_ptr<platform::RegionStore> regions;
    // The Nth call from now (1 = the next one) of that operation returns 0; 0 = none.
    int failCreateRectRgnAt = 0;
    int failCombineRgnAt = 0;
    int failSetWindowRgnAt = 0;
    int createRectRgnCalls = 0;
    int combineRgnCalls = 0;
    int setWindowRgnCalls = 0;
    int deleteObjectCalls = 0;
    // The rectangles passed to the successful CreateRectRgn calls, as (left, top, right, bottom).
    std::vector<std::array<int, 4>> createdRects;
    // The outline each window was last given (window coordinates); absent = never given one.
    std::map<QWidget*, QRegion> windowRegions;
    // Region handles created and not yet deleted or taken by a window.
    std::size_t LiveRegions() const;
    // A live handle's region, empty for an unknown one.
    QRegion RegionOf(platform::HRGN region);

    // --- notification area (FakeTray.cpp) ---
    struct NotifyCall {
        std::uint32_t message; // NIM_ADD, NIM_MODIFY or NIM_DELETE
        platform::NOTIFYICONDATAA data;
        QPointer<QMenu> menu; // the menu given for the icon when the call came
    };
    std::vector<NotifyCall> notifyCalls; // every Shell_NotifyIconA call, with a copy of its record
    bool failNotifyAdd = false;          // NIM_ADD answers 0
    bool failNotifyModify = false;       // NIM_MODIFY answers 0
    // The icons now in the notification area, by (hWnd, uID), as last added or modified.
    std::map<std::pair<platform::HWND, std::uint32_t>, platform::NOTIFYICONDATAA> trayIcons;
    // The menus given for hosts to open themselves, by (hWnd, uID), until the icon's NIM_DELETE.
    std::map<std::pair<platform::HWND, std::uint32_t>, QPointer<QMenu>> trayMenus;
    std::map<platform::HWND, platform::MessageHandler> windows; // from AllocateHWnd
    std::vector<platform::HWND> deallocatedWindows;
    platform::HWND nextWindow = 0x1000;
    // Delivers (WM_TRAYICON, uID, lParam) to the handler of hWnd, as the shell does when the
    // pointer acts on an icon; a window that does not exist gets nothing.
    void SendTrayMessage(platform::HWND hWnd, std::uint32_t uID, std::uint32_t lParam);
    // Calls of one kind, in order.
    std::vector<platform::NOTIFYICONDATAA> NotifyCalls(std::uint32_t message) const;

    // Platform
    QString ExecutablePath() override { return executablePath; }
    QSize ScreenSize() override { return screenSize; }
    std::vector<platform::Screen> Screens() override {
        if (!screens.empty())
            return screens;
        const QRect whole(QPoint(0, 0), screenSize);
        return {{whole, whole}};
    }
    TDateTime Now() override { return now; }
    unsigned GetDoubleClickTime() override { return doubleClickTime; }
    // Called on worker threads too.
    void Sleep(unsigned milliseconds) override {
        std::lock_guard lock(sleepsMutex);
        sleeps.push_back(milliseconds);
    }
    QPoint GetCursorPos() override { return cursorPos; }
    void SetForegroundWindow(QWidget* window) override { foregroundCalls.push_back(window); }
    void KeepOffTaskBar(QWidget* window) override { offTaskBar.push_back(window); }
    void Popup(QMenu* menu, QPoint screenPos) override;
    int ShowModal(QDialog* dialog) override;
    int ShowMessageBox(const QString& text, const QString& caption, unsigned type) override;
    int ShellExecuteA(const std::string& operation, const std::string& file,
                      int showCommand) override;
    platform::FileStamp SaveFile(const QString& path, const std::string& bytes) override;

    platform::HRGN CreateRectRgn(int left, int top, int right, int bottom) override;
    int CombineRgn(platform::HRGN destination, platform::HRGN source1, platform::HRGN source2,
                   int mode) override;
    int SetWindowRgn(QWidget* window, platform::HRGN region, bool redraw) override;
    bool DeleteObject(platform::HRGN object) override;

    int Shell_NotifyIconA(std::uint32_t message, const platform::NOTIFYICONDATAA& data) override;
    void SetNotifyIconMenu(const platform::NOTIFYICONDATAA& data, QMenu* menu) override;
    platform::HWND AllocateHWnd(platform::MessageHandler handler) override;
    void DeallocateHWnd(platform::HWND window) override;
};
