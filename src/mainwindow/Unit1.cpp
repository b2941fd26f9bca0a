// The main window: its design, start-up and shut-down, the settings file and the window commands.
#include "mainwindow/Unit1.h"

#include "mainwindow/FormRgn.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit3.h"
#include "platform/DataFolder.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "session/PlatformChoice.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"
#include "ui/MenuDesign.h"
#include "ui/Position.h"
#include "ui/ProgramFont.h"
#include "util/CP932.h"
#include "util/Exception.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QWidgetAction>
#include <QWindow>

TForm1* Form1 = nullptr;

namespace {

using design::AddItem;
using design::AddSeparator;
using design::AddSubMenu;
using design::NewMenu;

QString Numbered(const char* prefix, int box) {
    return QString::fromLatin1(prefix) + QString::number(box);
}

} // namespace

TForm1::TForm1() {
    CreateDesign();
    ConnectHandlers();
    platform::Guard([this] { FormCreate(); });
}

TForm1::~TForm1() {
    platform::Guard([this] { FormDestroy(); });
}

void TForm1::CreateDesign() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tabuko"));
    // Borderless, and off the task bar: a tool window has no task-bar entry of its own.
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    // A Wayland compositor, also for XWayland windows, draws a window from its pixels and
    // ignores X11 shapes: the pixels cut out of the outline are left transparent instead (the
    // mask still keeps the pointer from them).
    if (InWaylandSession())
        setAttribute(Qt::WA_TranslucentBackground);
    // The box icons' hints are the only place where box names and counts show: they show
    // whether or not the wall is the active window.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFont(ProgramFont());
    // The wall takes the keyboard focus when it becomes active; Tab and the arrow keys move it
    // to the box icons (WallKeys.cpp).
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Tabuko メモ箱"));
    setAccessibleDescription(QStringLiteral(
        "左右の矢印キーで箱を選び、Enter で新しいメモ、メニューキーで箱のメニューを開きます"));

    ImageWall = new TFormRgn(this);
    ImageWall->setObjectName(QStringLiteral("ImageWall"));
    ImageWall->move(0, 0);
    ImageWall->SetTransparent(true);
    ImageWall->installEventFilter(this);

    for (int n = 1; n <= 6; ++n) {
        PopupMenu[n] = new BoxMenu(this);
        design::SetUpMenu(PopupMenu[n], Numbered("PopupMenu", n));
        FolderMenuTitle[n] =
            AddTitleRow(PopupMenu[n], Numbered("FolderMenuTitle", n), QStringLiteral("[]"));
        NoMemoItem[n] = new QAction(QStringLiteral("(メモはありません)"), PopupMenu[n]);
        NoMemoItem[n]->setObjectName(Numbered("NoMemoItem", n));
        NoMemoItem[n]->setEnabled(false);

        Image[n] = new TImage(this);
        Image[n]->setObjectName(Numbered("Image", n));
        Image[n]->SetTransparent(true);
        Image[n]->SetPopupMenu(PopupMenu[n]);
        Image[n]->setFocusPolicy(Qt::TabFocus);
    }

    PopupMenuSub = NewMenu(this, QStringLiteral("PopupMenuSub"));
    MenuSubCaption = AddTitleRow(PopupMenuSub, QStringLiteral("MenuSubCaption"), QString());
    N1 = AddItem(PopupMenuSub, "N1", QStringLiteral("編集"));
    N2 = AddSeparator(PopupMenuSub, "N2");
    for (int n = 1; n <= 5; ++n)
        Move[n] = AddItem(PopupMenuSub, qPrintable(Numbered("Move", n)), QString());
    N9 = AddSeparator(PopupMenuSub, "N9");
    Move[6] = AddItem(PopupMenuSub, "Move6", QString());
    N11 = AddSeparator(PopupMenuSub, "N11");
    Delete1 = AddItem(PopupMenuSub, "Delete1", QStringLiteral("削除"));

    PopupMenuTrayLeft = NewMenu(this, QStringLiteral("PopupMenuTrayLeft"));
    for (int n = 1; n <= 5; ++n)
        THFolder[n] = AddItem(PopupMenuTrayLeft, qPrintable(Numbered("THFolder", n)), QString());
    N5 = AddSeparator(PopupMenuTrayLeft, "N5");
    THFolder[6] = AddItem(PopupMenuTrayLeft, "THFolder6", QString());

    PopupMenuApl = NewMenu(this, QStringLiteral("PopupMenuApl"));
    for (int n = 1; n <= 5; ++n)
        MenuAplNew[n] = AddItem(PopupMenuApl, qPrintable(Numbered("MenuAplNew", n)),
                                QStringLiteral("にメモを作成"));
    N6 = AddSeparator(PopupMenuApl, "N6");
    WinHide = AddItem(PopupMenuApl, "WinHide", QStringLiteral("ウィンドウを隠す"));
    WinShow = AddItem(PopupMenuApl, "WinShow", QStringLiteral("ウィンドウ表示"));
    N20 = AddSeparator(PopupMenuApl, "N20");
    N19 = AddItem(PopupMenuApl, "N19", QStringLiteral("削除ログを見る"));
    N4 = AddSeparator(PopupMenuApl, "N4");
    about1 = AddItem(PopupMenuApl, "about1", QStringLiteral("about ..."));
    N3 = AddSeparator(PopupMenuApl, "N3");
    MenuAplSearch = AddItem(PopupMenuApl, "MenuAplSearch", QStringLiteral("検索..."));
    Exit1 = AddItem(PopupMenuApl, "Exit1", QStringLiteral("終了"));

    PopupMenuApl_Main = NewMenu(this, QStringLiteral("PopupMenuApl_Main"));
    N10 = AddSubMenu(PopupMenuApl_Main, "N10", QStringLiteral("スキン"));
    N12 = AddItem(N10, "N12", QStringLiteral("このスキンについて..."));
    N8 = AddSubMenu(N10, "N8", QStringLiteral("変更"));
    N13 = AddSeparator(N10, "N13");
    N14 = AddItem(N10, "N14", QStringLiteral("デフォルトに戻す"));
    N16 = AddSubMenu(PopupMenuApl_Main, "N16", QStringLiteral("ウィンドウ"));
    Hide1 = AddItem(N16, "Hide1", QStringLiteral("隠す"));
    N15 = AddItem(N16, "N15", QStringLiteral("常に手前"));
    N15->setCheckable(true);
    N17 = AddSeparator(PopupMenuApl_Main, "N17");
    N18 = AddItem(PopupMenuApl_Main, "N18", QStringLiteral("削除ログを見る"));
    N7 = AddSeparator(PopupMenuApl_Main, "N7");
    MenuItem7 = AddItem(PopupMenuApl_Main, "MenuItem7", QStringLiteral("about ..."));
    MenuItem8 = AddSeparator(PopupMenuApl_Main, "MenuItem8");
    MenuItemSearch = AddItem(PopupMenuApl_Main, "MenuItemSearch", QStringLiteral("検索..."));
    MenuItem9 = AddItem(PopupMenuApl_Main, "MenuItem9", QStringLiteral("終了"));

    // The notification-area icon, set up as a form-resource load does: properties, then Loaded.
    TrayIcon1 = new TTrayIcon(this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->ReadState();
    TrayIcon1->SetLBPopupMenu(PopupMenuTrayLeft);
    TrayIcon1->SetRBPopupMenu(PopupMenuApl);
    TrayIcon1->Loaded();
}

void TForm1::ConnectHandlers() {
    using platform::Guarded;
    // A menu's opening handler runs before it shows; when it fails, its message is shown and
    // the menu is closed again.
    auto onPopup = [this](QMenu* menu, std::function<void()> handler) {
        connect(menu, &QMenu::aboutToShow, this, [menu, handler] {
            bool ok = false;
            platform::Guard([&] {
                handler();
                ok = true;
            });
            if (!ok)
                QMetaObject::invokeMethod(menu, &QMenu::hide, Qt::QueuedConnection);
        });
    };
    auto onClick = [this](QAction* action, std::function<void()> handler) {
        connect(action, &QAction::triggered, this, Guarded(std::move(handler)));
    };

    for (int n = 1; n <= 6; ++n) {
        BoxMenu* menu = PopupMenu[n];
        onPopup(menu, [this, menu] {
            TakeInDiskChanges();
            FillBoxMenu(menu);
            PopupFolderMenuPopup(menu);
            // Fitted to the screen after the title row has its caption and picture, which
            // decide its height.
            menu->StartAtTop();
        });
        // Memo items: one connection per menu instead of one per item. The title row is
        // disabled and never triggers.
        connect(menu, &QMenu::triggered, this,
                [this](QAction* item) { platform::Guard([this, item] { MemoItemClick(item); }); });
        if (n <= 5) {
            TImage* icon = Image[n];
            icon->OnDblClick = [this, icon] {
                platform::Guard([&] { ImageFolderDblClick(icon); });
            };
            QAction* item = MenuAplNew[n];
            onClick(item, [this, item] { MenuAplNewClick(item); });
        }
        QAction* move = Move[n];
        onClick(move, [this, move] { MoveMenuClick(move); });
        QAction* folder = THFolder[n];
        onClick(folder, [this, folder] { THFolderClick(folder); });
    }
    onPopup(PopupMenuSub, [this] { PopupMenuSubPopup(); });
    onClick(N1, [this] { N1Click(); });
    onClick(Delete1, [this] { Delete1Click(); });

    onPopup(PopupMenuApl, [this] { PopupMenuAplPopup(); });
    onPopup(PopupMenuTrayLeft, [this] { TakeInDiskChanges(); });
    onClick(WinHide, [this] { WinHideClick(); });
    onClick(WinShow, [this] { WinShowClick(); });
    onClick(N19, [this] { DelLogClick(); });
    onClick(about1, [this] { about1Click(); });
    onClick(Exit1, [this] { Exit1Click(); });

    onPopup(PopupMenuApl_Main, [this] { PopupMenuApl_MainPopup(); });
    onClick(N12, [this] { N12Click(); });
    onClick(N14, [this] { N14Click(); });
    onClick(Hide1, [this] { WinHideClick(); });
    onClick(N15, [this] { N15Click(); });
    onClick(N18, [this] { DelLogClick(); });
    onClick(MenuItem7, [this] { about1Click(); });
    onClick(MenuItem9, [this] { Exit1Click(); });
    onClick(MenuAplSearch, [this] { OpenSearch(); });
    onClick(MenuItemSearch, [this] { OpenSearch(); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, Guarded([this] { OpenSearch(); }));

    ImageWall->OnMouseDown = [this](Qt::MouseButton button) {
        platform::Guard([&] { ImageWallMouseDown(button); });
    };
    ImageWall->OnDblClick = [this] {
        platform::Guard([&] { ImageWallDblClick(); });
    };

    connect(qApp, &QGuiApplication::commitDataRequest, this,
            Guarded([this] { HandleQueryEndSession(); }));
}

void TForm1::FormCreate() {
    // Every step runs through GuardStep: a failure is reported and the steps after it still
    // run, so that one bad file never leaves the program without its wall, box icons and
    // notification-area icon.
    using platform::GuardStep;
    SkinList.clear();
    ProgramFolder = datafolder::ProgramFolder(
        QDir::toNativeSeparators(QFileInfo(platform::Current().ExecutablePath()).absolutePath()));

    // An unreadable settings file leaves every key at its default.
    const IniFile settings = settings_.ReadAtStart(ProgramFolder);
    move(settings.ReadInteger("MainWindow", "Left", 0),
         settings.ReadInteger("MainWindow", "Top", 0));
    if (settings.ReadBool("MainWindow", "StayOnTop", false)) {
        GuardStep([this] {
            TrayIcon1->SetVisible(false);
            SetStayOnTop(true);
            TrayIcon1->SetVisible(true);
        });
    }
    WindowVisible = settings.ReadBool("MainWindow", "Visible", true);

    QStringList damaged;
    for (int n = 1; n <= 6; ++n) {
        BoxMemoLists[n].clear();
        BoxUnavailable[n].clear();
        // A box that cannot be read stays empty and unavailable for this run.
        if (const auto failure = GuardStep([&] {
                // A damaged file is copied and reported once: an identical copy means it was
                // before.
                if (ReadBoxFile(n, BoxMemoLists[n]).damaged && !HasDamagedCopy(BoxFileName(n))) {
                    const QString name = BoxFileName(n);
                    const QString copy = KeepDamagedCopy(name);
                    damaged << (copy.isEmpty()
                                    ? QStringLiteral("%1（控えを作れませんでした）").arg(name)
                                    : QStringLiteral("%1 → 控え %2").arg(name, copy));
                }
            })) {
            BoxMemoLists[n].clear();
            BoxUnavailable[n] = *failure;
        }
        RebuildBoxMenu(BoxMemoLists[n], PopupMenu[n]);
    }
    if (!damaged.isEmpty()) {
        platform::Current().MessageBox(
            QStringLiteral("次のボックスファイルは壊れていたため、読み込めたメモだけを開きました。"
                           "元のファイルは控えとして残してあります。\n\n") +
                damaged.join(QLatin1Char('\n')),
            QStringLiteral("Tabuko"), platform::MB_OK | platform::MB_ICONWARNING);
    }

    SkinFolder = datafolder::Locate(ProgramFolder,
                                    platform::NativePath(cp932::Decode(
                                        settings.ReadString("Skin", "Folder", "\\skin\\default"))));
    ApplySkinOrFallback();
    GuardStep([this] { RefreshIndicators(); });
    PlaceWindow(this, pos());
    platform::Current().KeepOffTaskBar(this);
    WatchBoxFiles();
}

void TForm1::FormDestroy() {
    platform::EndingStep(QStringLiteral("設定（%1）").arg(kSettingsFileName),
                         [this] { SaveSettings(); });
}

void TForm1::HandleQueryEndSession() {
    // The session may end: the settings are saved and nothing is asked (the session waits on
    // the program; failures are said on standard error); the open editor's text is kept for
    // the next start, also when the session then closes the editor.
    const platform::QuietSteps quiet;
    platform::EndingStep(QStringLiteral("設定（%1）").arg(kSettingsFileName),
                         [this] { SaveSettings(); });
    AwaitSessionEnd();
}

void TForm1::SaveSettings() {
    settings_.Write([this](IniFile& settings) { WriteMainSettings(settings); });
}

void TForm1::WriteMainSettings(IniFile& settings) const {
    settings.WriteInteger("MainWindow", "Top", y());
    settings.WriteInteger("MainWindow", "Left", x());
    settings.WriteBool("MainWindow", "Visible", WindowVisible);
    settings.WriteBool("MainWindow", "StayOnTop", StayOnTop());
    const QString folder = datafolder::Relative(
        FailedSkinFolder.isEmpty() ? SkinFolder : FailedSkinFolder, ProgramFolder);
    settings.WriteString("Skin", "Folder", cp932::Encode(platform::StoredPath(folder)));
}

bool TForm1::TrayIconReachable() const {
    return TrayIcon1->Registered();
}

TrayIconPause::TrayIconPause(TForm1& form) : form_(form) {
    if (form_.trayIconPauses_++ == 0)
        form_.TrayIcon1->SetEnabled(false);
}

TrayIconPause::~TrayIconPause() {
    if (--form_.trayIconPauses_ == 0)
        form_.TrayIcon1->SetEnabled(true);
}

bool TForm1::ShowsAtStart() const {
    return WindowVisible || !TrayIconReachable();
}

bool TForm1::StayOnTop() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void TForm1::SetStayOnTop(bool onTop) {
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    // Changing the flag re-creates the native window, which hides it.
    platform::Current().KeepOffTaskBar(this);
    if (shown)
        show();
}

void TForm1::ImageWallMouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    // The move starts once the pointer leaves the press point with the button held. Handing
    // the pointer to the window manager at the press itself would swallow the second press of
    // a double click.
    movePending_ = true;
    pressPos_ = platform::Current().GetCursorPos();
}

void TForm1::StartMove() {
    movePending_ = false;
    // The window system moves the window as if its caption were dragged; where it cannot, the
    // wall follows the pointer itself (eventFilter).
    QWindow* window = windowHandle();
    if (window && window->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = pressPos_ - pos();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ImageWall) {
        if (event->type() == QEvent::MouseMove) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->globalPosition().toPoint();
            if (movePending_ && mouse->buttons().testFlag(Qt::LeftButton) &&
                (at - pressPos_).manhattanLength() >= QApplication::startDragDistance())
                StartMove();
            if (dragging_) {
                move(at - dragOffset_);
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            movePending_ = false;
            dragging_ = false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::ImageWallDblClick() {
    WinHideClick();
}

void TForm1::WinHideClick() {
    // Without a notification-area icon the wall is the only way to reach the program.
    if (!TrayIconReachable())
        return;
    WindowVisible = false;
    hide();
}

void TForm1::WinShowClick() {
    TakeInDiskChanges();
    WindowVisible = true;
    show();
    platform::Current().SetForegroundWindow(this);
}

void TForm1::PopupMenuAplPopup() {
    WinHide->setVisible(true);
    WinShow->setVisible(true);
    WinHide->setEnabled(TrayIconReachable());
    if (isVisible())
        WinShow->setVisible(false);
    else
        WinHide->setVisible(false);
}

void TForm1::N15Click() {
    hide();
    TrayIcon1->SetVisible(false);
    SetStayOnTop(!StayOnTop());
    TrayIcon1->SetVisible(true);
    ApplySkinOrFallback();
    update();
    show();
}

void TForm1::about1Click() {
    Form3->move(CentredOnPrimary(Form3->size()));
    platform::Current().ShowModal(Form3.Get());
}

void TForm1::Exit1Click() {
    close();
    qApp->quit();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closed from the window manager (its close command, Alt+F4): the program ends as 終了 ends
    // it, rather than leaving a hidden wall behind.
    QWidget::closeEvent(event);
    if (event->isAccepted())
        qApp->quit();
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard) {
        OpenFocusedMenu();
        return;
    }
    platform::Current().Popup(PopupMenuApl_Main, event->globalPos());
}

int TForm1::BoxOfMenu(const QMenu* menu) const {
    for (int n = 1; n <= 6; ++n)
        if (PopupMenu[n] == menu)
            return n;
    return 0;
}

std::string TForm1::BoxName(int box) const {
    return SkinIni.ReadString("Box" + std::to_string(box), "Element",
                              cp932::Encode(QStringLiteral("メモ")));
}

std::optional<QString> TForm1::SkinFileInside(const std::string& value) const {
    const QString path =
        SkinFolder + QDir::separator() + platform::NativePath(cp932::Decode(value));
    // Compared after "." and ".." are resolved; an empty value names the folder itself.
    const QString folder = QDir::cleanPath(SkinFolder);
    const QString resolved = QDir::cleanPath(path);
    if (resolved != folder && !resolved.startsWith(folder + QLatin1Char('/')))
        return std::nullopt;
    return path;
}

QString TForm1::SkinFile(const std::string& value) const {
    if (auto path = SkinFileInside(value))
        return *path;
    throw Exception::CannotOpen(SkinFolder + QDir::separator() +
                                platform::NativePath(cp932::Decode(value)));
}

std::ptrdiff_t TForm1::ChosenMemoIndex() const {
    return ActiveBoxList ? IndexOfMemo(*ActiveBoxList, ActiveMemo) : -1;
}

void TForm1::RequireWritableBox(int box) const {
    if (box < 1 || box > 6 || BoxUnavailable[std::size_t(box)].isEmpty())
        return;
    throw Exception(
        QStringLiteral("「%1」（%2）は起動時に読み込めなかったため、書き込みません。\n%3\n\n"
                       "原因を取り除いてから Tabuko を起動し直すと、元のメモのまま使えます。")
            .arg(cp932::Decode(BoxName(box)), BoxFileName(box), BoxUnavailable[std::size_t(box)]));
}
