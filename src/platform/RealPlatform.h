#pragma once

#include "platform/Platform.h"

#include <memory>

namespace platform {

class RegionStore;
class TrayHost;

// The platform over Qt and the operating system.
class RealPlatform : public Platform {
public:
    RealPlatform();
    ~RealPlatform() override;

    QString ExecutablePath() override;
    QSize ScreenSize() override;
    std::vector<Screen> Screens() override;
    TDateTime Now() override;
    unsigned GetDoubleClickTime() override;
    void Sleep(unsigned milliseconds) override;
    QPoint GetCursorPos() override;
    void SetForegroundWindow(QWidget* window) override;
    void KeepOffTaskBar(QWidget* window) override;
    void Popup(QMenu* menu, QPoint screenPos) override;
    int ShowModal(QDialog* dialog) override;
    int ShellExecuteA(const std::string& operation, const std::string& file,
                      int showCommand) override;
    FileStamp SaveFile(const QString& path, const std::string& bytes) override;

    // RealRegions.cpp
    HRGN CreateRectRgn(int left, int top, int right, int bottom) override;
    int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) override;
    int SetWindowRgn(QWidget* window, HRGN region, bool redraw) override;
    bool DeleteObject(HRGN object) override;

    // RealTray.cpp
    int Shell_NotifyIconA(std::uint32_t message, const NOTIFYICONDATAA& data) override;
    HWND AllocateHWnd(MessageHandler handler) override;
    void DeallocateHWnd(HWND window) override;
    void SetNotifyIconMenu(const NOTIFYICONDATAA& data, QMenu* menu) override;

protected:
    int ShowMessageBox(const QString& text, const QString& caption, unsigned type) override;

private:
    std::unique_ptr<RegionStore> regions_;
    std::unique_ptr<TrayHost> tray_;
};

} // namespace platform
