#include "trayicon/TrayIcon.h"

#include "platform/Guard.h"
#include "platform/TrayHost.h"
#include "util/CP932.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <cstring>

namespace {

constexpr int MaxIcons = 100;
constexpr std::size_t MaxTipBytes = 62;
constexpr unsigned SingleClickMargin = 50; // ms beyond the double-click time

TTrayIconList& Entries() {
    static TTrayIconList list;
    return list;
}

QPointer<TCallbackWindow> theCallbackWindow;

TTrayIcon* FindIcon(std::int32_t id) {
    const std::string key = std::to_string(id);
    for (const auto& [text, icon] : Entries())
        if (text == key)
            return icon;
    return nullptr;
}

// Keeps `cache` showing `image` without registering a new handle while the picture is the same.
platform::HICON HandleFor(TIcon& cache, const QIcon& image) {
    if (image.isNull())
        return 0;
    if (cache.Empty() || cache.Image().cacheKey() != image.cacheKey())
        cache.SetImage(image);
    return cache.Handle();
}

} // namespace

ENotifyIconError::ENotifyIconError()
    : Exception(QStringLiteral("タスクトレイにアイコンを登録できません。")) {}

// ---------------------------------------------------------------------------------------------
// TIcon

TIcon::~TIcon() {
    ReleaseHandle();
}

void TIcon::LoadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(path);
    QImageReader reader(&file, "ico");
    reader.setAutoDetectImageFormat(false);
    QIcon loaded;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.isNull())
            break;
        loaded.addPixmap(QPixmap::fromImage(image));
    }
    if (loaded.isNull())
        throw Exception::CannotOpen(path);
    SetImage(loaded);
}

void TIcon::Assign(const TIcon* source) {
    SetImage(source ? source->image_ : QIcon());
}

void TIcon::SetImage(const QIcon& image) {
    ReleaseHandle();
    image_ = image;
    if (OnChange)
        OnChange();
}

platform::HICON TIcon::Handle() const {
    if (!handle_ && !image_.isNull())
        handle_ = platform::CreateIconHandle(image_);
    return handle_;
}

void TIcon::ReleaseHandle() {
    if (handle_)
        platform::DestroyIconHandle(handle_);
    handle_ = 0;
}

// ---------------------------------------------------------------------------------------------
// TImageList

TImageList::~TImageList() = default;

void TImageList::Add(const QIcon& image) {
    auto icon = std::make_unique<TIcon>();
    icon->SetImage(image);
    images_.push_back(std::move(icon));
}

// ---------------------------------------------------------------------------------------------
// TrayIconList, TCallbackWindow, TSingleClick

const TTrayIconList& TrayIconList() {
    return Entries();
}

TCallbackWindow* CallbackWindow() {
    return theCallbackWindow;
}

TCallbackWindow::TCallbackWindow(QObject* owner) : QObject(owner) {}

TCallbackWindow::~TCallbackWindow() {
    if (handle_)
        platform::Current().DeallocateHWnd(handle_);
}

platform::HWND TCallbackWindow::Handle() {
    if (!handle_)
        handle_ = platform::Current().AllocateHWnd(
            [this](std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
                WndProc(message, wParam, lParam);
            });
    return handle_;
}

void TCallbackWindow::WndProc(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
    if (message == platform::WM_TRAYICON)
        TrayIconMessage(wParam, lParam);
}

void TCallbackWindow::TrayIconMessage(std::uint32_t id, std::uint32_t mouseMessage) {
    TTrayIcon* icon = FindIcon(std::int32_t(id));
    if (!icon)
        return;
    currentTrayIcon_ = icon;
    if (!icon->enabled_)
        return;
    // The pointer's position now, in screen coordinates; the message itself carries none.
    const QPoint cursor = platform::Current().GetCursorPos();
    const int x = cursor.x();
    const int y = cursor.y();

    // Handlers are copied before the call, so that one may reassign itself.
    auto mouseDown = [&](Qt::MouseButton button) {
        if (auto handler = icon->OnMouseDown)
            handler(icon, button, button, x, y);
    };
    auto mouseUp = [&](Qt::MouseButton button) {
        if (auto handler = icon->OnMouseUp)
            handler(icon, button, button, x, y);
    };

    switch (mouseMessage) {
    case platform::WM_MOUSEMOVE:
        if (auto handler = icon->OnMouseMove)
            handler(icon, Qt::NoButton, x, y);
        break;
    case platform::WM_LBUTTONDOWN:
        if (icon->lbPopupMenu_ && icon->autoPopup_)
            icon->PopupAtCursor(icon->lbPopupMenu_, cursor);
        else
            mouseDown(Qt::LeftButton);
        break;
    case platform::WM_LBUTTONUP:
        if (icon->OnMouseUp) {
            mouseUp(Qt::LeftButton);
        } else if (!icon->OnClick) {
            icon->clickPending_ = false;
        } else if (!icon->clickPending_) {
            icon->clickPending_ = true;
            new TSingleClick(this, platform::Current().GetDoubleClickTime() + SingleClickMargin);
        } else {
            // The release that ends a double click.
            icon->clickPending_ = false;
        }
        break;
    case platform::WM_LBUTTONDBLCLK:
        icon->clickPending_ = true;
        if (auto handler = icon->OnDblClick)
            handler(icon);
        break;
    case platform::WM_RBUTTONDOWN:
        if (icon->rbPopupMenu_ && icon->autoPopup_)
            icon->PopupAtCursor(icon->rbPopupMenu_, cursor);
        else
            mouseDown(Qt::RightButton);
        break;
    case platform::WM_RBUTTONUP:
        mouseUp(Qt::RightButton);
        break;
    case platform::WM_MBUTTONDOWN:
        mouseDown(Qt::MiddleButton);
        break;
    case platform::WM_MBUTTONUP:
        mouseUp(Qt::MiddleButton);
        break;
    default: // WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK and anything else
        break;
    }
}

void TCallbackWindow::SingleClickElapsed() {
    TTrayIcon* icon = currentTrayIcon_;
    if (!icon)
        return;
    const bool fire = icon->OnClick && icon->clickPending_;
    icon->clickPending_ = false;
    if (fire) {
        auto handler = icon->OnClick;
        handler(icon);
    }
}

TSingleClick::TSingleClick(TCallbackWindow* window, unsigned milliseconds)
    : platform_(platform::Current()), milliseconds_(milliseconds) {
    // finished is emitted on the worker thread; both receivers live on the main thread, so the
    // end is handled there, and the thread object is deleted once it has stopped.
    connect(this, &QThread::finished, window,
            [window] { platform::Guard([window] { window->SingleClickElapsed(); }); });
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    start();
}

void TSingleClick::run() {
    platform_.Sleep(milliseconds_);
}

// ---------------------------------------------------------------------------------------------
// TTrayIcon

TTrayIcon::TTrayIcon(QWidget* owner) : QObject(owner), owner_(owner) {
    TTrayIconList& list = Entries();
    if (list.size() >= std::size_t(MaxIcons))
        throw ENotifyIconError();
    // The next id follows the most recently created live icon, so a freed id can come back.
    const int id = list.empty() ? 1 : std::stoi(list.back().first) + 1;

    icon_ = std::make_unique<TIcon>();
    if (owner)
        connect(owner, &QObject::destroyed, this, [this] { owner_ = nullptr; });
    if (!theCallbackWindow)
        theCallbackWindow = new TCallbackWindow(owner ? static_cast<QObject*>(owner) : qApp);

    notifyData_.cbSize = sizeof(platform::NOTIFYICONDATAA);
    notifyData_.uCallbackMessage = platform::WM_TRAYICON;
    notifyData_.uID = std::uint32_t(id);

    iconID_ = id;
    list.emplace_back(std::to_string(id), this);
    icon_->OnChange = [this] {
        IconChanged();
    };
}

TTrayIcon::~TTrayIcon() {
    animation_.reset();
    if (registered_)
        UpdateNotifyIcon(Operation::Delete);
    TTrayIconList& list = Entries();
    const std::string key = std::to_string(iconID_);
    const auto found = std::find_if(list.begin(), list.end(),
                                    [&](const auto& entry) { return entry.first == key; });
    if (found != list.end())
        list.erase(found);
    icon_->OnChange = nullptr;
}

void TTrayIcon::SetAnimateIcons(TImageList* images) {
    if (animation_)
        return;
    animateIcons_ = images;
}

void TTrayIcon::SetAnimateRate(int milliseconds) {
    if (milliseconds != animateRate_)
        animateRate_ = std::max(milliseconds, 100);
}

void TTrayIcon::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled)
        clickPending_ = false;
    if (registered_)
        GiveMenu();
}

void TTrayIcon::SetAutoPopup(bool autoPopup) {
    autoPopup_ = autoPopup;
    if (registered_)
        GiveMenu();
}

void TTrayIcon::SetRBPopupMenu(QMenu* menu) {
    rbPopupMenu_ = menu;
    if (registered_)
        GiveMenu();
}

void TTrayIcon::GiveMenu() {
    platform::Current().SetNotifyIconMenu(notifyData_,
                                          enabled_ && autoPopup_ ? rbPopupMenu_.data() : nullptr);
}

void TTrayIcon::SetIcon(const TIcon* icon) {
    if (icon == icon_.get())
        return;
    icon_->Assign(icon);
}

void TTrayIcon::SetTipHelp(std::string_view cp932Bytes) {
    // Cut at a character boundary so that the tip never ends in half a double-byte character.
    const std::string_view tip = cp932::CutAtCharBoundary(cp932Bytes, MaxTipBytes);
    if (tip == tipHelp_)
        return;
    tipHelp_ = std::string(tip);
    IconChanged();
}

void TTrayIcon::SetVisible(bool visible) {
    if (visible == visible_)
        return;
    visible_ = visible && CurrentIcon() != 0;
    if (loading_)
        return;
    if (visible_)
        UpdateNotifyIcon(Operation::Add);
    else if (registered_)
        UpdateNotifyIcon(Operation::Delete);
}

void TTrayIcon::ReadState() {
    loading_ = true;
    if (!tipResetDone_) {
        tipResetDone_ = true;
        SetTipHelp({});
    }
}

void TTrayIcon::Loaded() {
    tipResetDone_ = false;
    loading_ = false;
    UpdateNotifyIcon(Operation::Add);
}

platform::HICON TTrayIcon::CurrentIcon() const {
    if (!icon_->Empty())
        return icon_->Handle();
    if (owner_ && owner_->isWindow()) {
        if (const platform::HICON handle = HandleFor(ownerIcon_, owner_->windowIcon()))
            return handle;
    }
    return HandleFor(applicationIcon_, QApplication::windowIcon());
}

void TTrayIcon::UpdateNotifyIcon(Operation operation) {
    platform::HICON picture = 0;
    if (animation_ && animateIcons_ && animation_->frame >= 0 &&
        animation_->frame < animateIcons_->Count())
        picture = animateIcons_->Image(animation_->frame).Handle();
    else
        picture = CurrentIcon();
    notifyData_.hIcon = picture;
    std::memset(notifyData_.szTip, 0, sizeof notifyData_.szTip);
    std::memcpy(notifyData_.szTip, tipHelp_.data(),
                std::min(tipHelp_.size(), sizeof notifyData_.szTip - 1));
    notifyData_.uFlags = platform::NIF_MESSAGE | platform::NIF_ICON;
    if (!tipHelp_.empty())
        notifyData_.uFlags |= platform::NIF_TIP;

    platform::Platform& shell = platform::Current();
    switch (operation) {
    case Operation::Add:
        if (!visible_)
            return;
        if (!theCallbackWindow)
            theCallbackWindow = new TCallbackWindow(owner_ ? static_cast<QObject*>(owner_) : qApp);
        notifyData_.hWnd = theCallbackWindow->Handle();
        GiveMenu();
        if (shell.Shell_NotifyIconA(platform::NIM_ADD, notifyData_) == 0)
            throw ENotifyIconError();
        registered_ = true;
        break;
    case Operation::Modify:
        if (shell.Shell_NotifyIconA(platform::NIM_MODIFY, notifyData_) == 0)
            throw ENotifyIconError();
        break;
    case Operation::Delete:
        // Uses the window handle of the last add only, so it works after the callback window
        // has gone at program end.
        shell.Shell_NotifyIconA(platform::NIM_DELETE, notifyData_);
        registered_ = false;
        break;
    }
}

void TTrayIcon::IconChanged() {
    if (animation_ && !animation_->passIconChanges)
        return;
    if (registered_)
        UpdateNotifyIcon(Operation::Modify);
}

void TTrayIcon::PopupAtCursor(QMenu* menu, QPoint position) {
    const QPointer<QMenu> guard(menu);
    if (owner_ && owner_->isWindow()) {
        platform::Current().SetForegroundWindow(owner_);
        QCoreApplication::processEvents();
    }
    if (guard)
        platform::Current().Popup(guard, position);
}
