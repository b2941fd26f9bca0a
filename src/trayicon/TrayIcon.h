#pragma once

#include "platform/Platform.h"
#include "util/Exception.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QWidget;
class TTrayIcon;

// Raised when an icon cannot be created or registered with the notification area.
class ENotifyIconError : public Exception {
public:
    ENotifyIconError(); // "タスクトレイにアイコンを登録できません。"
    explicit ENotifyIconError(QString message) : Exception(std::move(message)) {}
};

// An icon picture with a handle for the notification-area record. OnChange runs after every
// change of the picture (loading, assigning, clearing).
class TIcon {
public:
    TIcon() = default;
    ~TIcon();
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    // Reads an icon file (all its sizes). The content must be an icon whatever the file's
    // extension; otherwise raises "ファイル %s は開けません" and keeps the old picture.
    void LoadFromFile(const QString& path);
    // Copies the picture of `source`; nullptr empties the icon.
    void Assign(const TIcon* source);
    void SetImage(const QIcon& image);

    bool Empty() const { return image_.isNull(); }
    const QIcon& Image() const { return image_; }
    // The handle of the picture, 0 when empty. Valid until the picture changes.
    platform::HICON Handle() const;

    std::function<void()> OnChange;

private:
    void ReleaseHandle();

    QIcon image_;
    mutable platform::HICON handle_ = 0;
};

// A list of equally sized pictures, the frames of an icon animation.
class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(QObject* parent = nullptr) : QObject(parent) {}
    ~TImageList() override;

    void Add(const QIcon& image);
    int Count() const { return int(images_.size()); }
    const TIcon& Image(int index) const { return *images_.at(std::size_t(index)); }

private:
    std::vector<std::unique_ptr<TIcon>> images_;
};

// The process-wide list of live icons: (decimal text of the id, icon), in order of creation.
using TTrayIconList = std::vector<std::pair<std::string, TTrayIcon*>>;
const TTrayIconList& TrayIconList();

// The one window that receives the callback messages of every icon of the process.
class TCallbackWindow : public QObject {
    Q_OBJECT
public:
    explicit TCallbackWindow(QObject* owner);
    ~TCallbackWindow() override;

    // The window handle, allocated on first use.
    platform::HWND Handle();
    bool HandleAllocated() const { return handle_ != 0; }

    // The window procedure: acts on WM_TRAYICON (wParam = icon id, lParam = mouse message).
    void WndProc(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam);
    // End of a single-click wait; runs on the main thread.
    void SingleClickElapsed();

    TTrayIcon* CurrentTrayIcon() const { return currentTrayIcon_; }

private:
    void TrayIconMessage(std::uint32_t id, std::uint32_t mouseMessage);

    platform::HWND handle_ = 0;
    QPointer<TTrayIcon> currentTrayIcon_;
};

// The callback window, if one exists.
TCallbackWindow* CallbackWindow();

// Waits out the double-click time plus 50 ms on its own thread, then reports to the callback
// window on the main thread and deletes itself.
class TSingleClick : public QThread {
    Q_OBJECT
public:
    TSingleClick(TCallbackWindow* window, unsigned milliseconds);

protected:
    void run() override;

private:
    platform::Platform& platform_; // taken on the main thread
    unsigned milliseconds_;
};

// The notification-area icon: registers its picture and tip with the shell and turns the mouse
// messages it gets back into pop-up menus and events.
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    enum class Operation { Add, Modify, Delete };

    // Raises ENotifyIconError when 100 icons exist already.
    explicit TTrayIcon(QWidget* owner);
    ~TTrayIcon() override;

    TImageList* AnimateIcons() const { return animateIcons_; }
    void SetAnimateIcons(TImageList* images);
    int AnimateRate() const { return animateRate_; }
    void SetAnimateRate(int milliseconds);
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TIcon* Icon() const { return icon_.get(); }
    void SetIcon(const TIcon* icon);
    QMenu* LBPopupMenu() const { return lbPopupMenu_; }
    void SetLBPopupMenu(QMenu* menu) { lbPopupMenu_ = menu; }
    QMenu* RBPopupMenu() const { return rbPopupMenu_; }
    // The right-button menu; hosts that draw the menus of icons themselves are given it too.
    void SetRBPopupMenu(QMenu* menu);
    // CP932 bytes, at most 62 of them.
    const std::string& TipHelp() const { return tipHelp_; }
    void SetTipHelp(std::string_view cp932Bytes);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    std::function<void(TTrayIcon*)> OnClick;
    std::function<void(TTrayIcon*)> OnDblClick;
    std::function<void(TTrayIcon*, Qt::MouseButton, Qt::MouseButtons shift, int x, int y)>
        OnMouseDown;
    std::function<void(TTrayIcon*, Qt::MouseButtons shift, int x, int y)> OnMouseMove;
    std::function<void(TTrayIcon*, Qt::MouseButton, Qt::MouseButtons shift, int x, int y)>
        OnMouseUp;

    // Loading from stored properties: ReadState, then the setters, then Loaded. While loading,
    // Visible only records its value; Loaded adds the icon when it is True.
    void ReadState();
    void Loaded();

    void UpdateNotifyIcon(Operation operation);
    // The picture to show: the own icon, else the owner window's, else the application's; 0
    // when there is none.
    platform::HICON CurrentIcon() const;
    // Sends a changed picture or tip to the shell when the icon is registered.
    void IconChanged();

    bool Registered() const { return registered_; }
    bool ClickPending() const { return clickPending_; }
    int IconID() const { return iconID_; }
    platform::NOTIFYICONDATAA NotifyData() const { return notifyData_; }

private:
    friend class TCallbackWindow;

    void PopupAtCursor(QMenu* menu, QPoint position);
    // Hands the host the menu it may open by itself: the right-button menu where the program
    // would pop it, none while the icon ignores the pointer.
    void GiveMenu();

    int iconID_ = 0;
    QWidget* owner_ = nullptr; // cleared when the owner starts its destruction
    QPointer<TImageList> animateIcons_;
    int animateRate_ = 500;
    bool autoPopup_ = true;
    bool enabled_ = true;
    std::unique_ptr<TIcon> icon_;
    QPointer<QMenu> lbPopupMenu_;
    QPointer<QMenu> rbPopupMenu_;
    std::string tipHelp_ = "TipHelp";
    bool visible_ = false;
    bool registered_ = false;
    bool clickPending_ = false;
    bool loading_ = false;
    bool tipResetDone_ = false;
    platform::NOTIFYICONDATAA notifyData_;

    // Room for an icon animation: while one runs, AnimateIcons stays fixed, the record shows
    // the current frame, and Icon changes reach the shell only with passIconChanges set.
    // Nothing starts an animation yet.
    struct Animation {
        int frame = 0;
        bool passIconChanges = false;
    };
    std::unique_ptr<Animation> animation_;

    // Pictures of the owner window and the application, kept for their handles.
    mutable TIcon ownerIcon_;
    mutable TIcon applicationIcon_;
};
