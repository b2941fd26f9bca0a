#pragma once

#include "platform/FileStamp.h"
#include "util/DateTime.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QDialog;
class QMenu;
class QWidget;

// Our stand-ins for the operating-system calls the program relies on, under their Windows names
// and contracts. There is one real implementation (RealPlatform, over Qt and the OS) and one test
// double (tests/support/FakePlatform) that records calls, injects failures and answers dialogs.
namespace platform {

// Handles are 32-bit, as in the records the program hands over; 0 means failure / none.
using HRGN = std::uint32_t;
using HWND = std::uint32_t;
using HICON = std::uint32_t;

// Regions.
constexpr int RGN_OR = 2;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// Message boxes.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Shell.
constexpr int SW_SHOW = 5;

// The notification-area icon record and messages.
constexpr std::uint32_t NIM_ADD = 0;
constexpr std::uint32_t NIM_MODIFY = 1;
constexpr std::uint32_t NIM_DELETE = 2;
constexpr std::uint32_t NIF_MESSAGE = 1;
constexpr std::uint32_t NIF_ICON = 2;
constexpr std::uint32_t NIF_TIP = 4;
constexpr std::uint32_t WM_USER = 0x400;
constexpr std::uint32_t WM_TRAYICON = WM_USER + 200;
constexpr std::uint32_t WM_MOUSEMOVE = 0x200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x201;
constexpr std::uint32_t WM_LBUTTONUP = 0x202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x203;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x204;
constexpr std::uint32_t WM_RBUTTONUP = 0x205;
constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x206;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x207;
constexpr std::uint32_t WM_MBUTTONUP = 0x208;
constexpr std::uint32_t WM_MBUTTONDBLCLK = 0x209;

// The shell's first, 88-byte layout (ANSI, 64-byte tip): 32-bit fields, so no padding.
struct NOTIFYICONDATAA {
    std::uint32_t cbSize = 0;
    HWND hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    HICON hIcon = 0;
    char szTip[64] = {};
};
static_assert(sizeof(NOTIFYICONDATAA) == 88 && offsetof(NOTIFYICONDATAA, szTip) == 24);

// One screen of the desktop: its whole area and the part of it that windows may use (without
// panels and docks), in desktop coordinates.
struct Screen {
    QRect geometry;
    QRect available;
};

// A window that receives messages: (message, wParam, lParam).
using MessageHandler = std::function<void(std::uint32_t, std::uint32_t, std::uint32_t)>;

class Platform {
public:
    virtual ~Platform() = default;

    // Program location and screen.
    virtual QString ExecutablePath() = 0; // full path of the program file
    virtual QSize ScreenSize() = 0;
    // Every screen of the desktop, the primary one first; never empty.
    virtual std::vector<Screen> Screens() = 0;

    // Local clock.
    virtual TDateTime Now() = 0;
    virtual unsigned GetDoubleClickTime() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;

    // Mouse and windows.
    virtual QPoint GetCursorPos() = 0;
    virtual void SetForegroundWindow(QWidget* window) = 0;
    // Keeps a top-level window out of the task bar (and the pager), now and through every later
    // hide, show and change of its flags.
    virtual void KeepOffTaskBar(QWidget* window) = 0;
    // Opens `menu` at `screenPos` and returns at once; the menu's aboutToShow runs as usual.
    virtual void Popup(QMenu* menu, QPoint screenPos) = 0;

    // Modal showing and message boxes. Return the dialog's result / IDOK or IDCANCEL.
    virtual int ShowModal(QDialog* dialog) = 0;
    // While message boxes are held back (EndQuietly, QuietSteps) nothing is shown: the text
    // goes to standard error and the answer is IDCANCEL, as if the box had been closed.
    int MessageBox(const QString& text, const QString& caption, unsigned type);

    // Shell: open a file (bare names resolve against the current directory) or a web address
    // with the desktop's default program. The text is CP932 bytes, as the program stores it.
    virtual int ShellExecuteA(const std::string& operation, const std::string& file,
                              int showCommand) = 0;

    // Files: replaces `path` whole with `bytes`, or leaves the old file intact and raises
    // "ファイル %s を作成できません" (cannot start) or "ストリームへの書き込みエラー" (cannot
    // finish). Returns the stamp of the new content (see ReplaceFileWhole).
    virtual FileStamp SaveFile(const QString& path, const std::string& bytes) = 0;

    // Regions (gdi32): handles to banded rectangle lists.
    virtual HRGN CreateRectRgn(int left, int top, int right, int bottom) = 0;
    virtual int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) = 0;
    // Gives `window` the region as its outline; on success the region belongs to the window.
    virtual int SetWindowRgn(QWidget* window, HRGN region, bool redraw) = 0;
    virtual bool DeleteObject(HRGN object) = 0;

    // Notification area (shell32). Messages for an icon go to the handler registered for the
    // record's hWnd, as (uCallbackMessage, uID, mouse message).
    virtual int Shell_NotifyIconA(std::uint32_t message, const NOTIFYICONDATAA& data) = 0;
    virtual HWND AllocateHWnd(MessageHandler handler) = 0;
    virtual void DeallocateHWnd(HWND window) = 0;
    // The menu a host may open by itself for the icon of (data.hWnd, data.uID): hosts that draw
    // the menus of icons instead of reporting the right button. nullptr for none. Not owned (it
    // may be deleted at any time); kept for that icon until its NIM_DELETE. Given before NIM_ADD,
    // it is there when the host first asks.
    virtual void SetNotifyIconMenu(const NOTIFYICONDATAA& data, QMenu* menu) = 0;

protected:
    // Shows a message box and waits for its answer.
    virtual int ShowMessageBox(const QString& text, const QString& caption, unsigned type) = 0;

private:
    // The quiet ending (see EndQuietly below), kept with the platform in use.
    friend void EndQuietly();
    friend bool Quiet();
    friend bool QuietEndFailed();
    friend class QuietSteps;
    bool endingQuietly_ = false;
    int quietSteps_ = 0;
    bool quietEndFailed_ = false;
};

// The platform in use: the real one unless a test installed its double.
Platform& Current();
// Installs `platform` (not owned) as the current one; nullptr goes back to the real one.
void SetCurrent(Platform* platform);
// The real platform, made on first use. It is defined beside RealPlatform, above the layer of
// this interface, so that the code calling Current() never sees the widgets it is built on.
Platform& Real();

// The program ends where nobody may be asked: on a signal, or as the session ends. From here
// on no message box is shown (a person may not be there to answer it, and the session waits on
// the program); each one's text goes to standard error instead, and the ending counts as
// failed. For the rest of the process (of the platform in use).
void EndQuietly();
// Holds message boxes back as EndQuietly does, for as long as it lives: for the steps that run
// while the session asks whether it may end.
class QuietSteps {
public:
    QuietSteps();
    ~QuietSteps();
    QuietSteps(const QuietSteps&) = delete;
    QuietSteps& operator=(const QuietSteps&) = delete;

private:
    Platform& platform_;
};
// Whether message boxes are held back now.
bool Quiet();
// Whether a message box was held back since EndQuietly: something the ending was to do failed.
bool QuietEndFailed();

} // namespace platform
