#pragma once

#include "mainwindow/BoxMenu.h"
#include "mainwindow/TrayIconPause.h"
#include "platform/FileStamp.h"
#include "store/MemoData.h"
#include "ui/Settings.h"
#include "util/IniFile.h"

#include <QColor>
#include <QHash>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFileSystemWatcher;
class QTimer;
class QMenu;
class QWidgetAction;
class SessionEndOutcome;
class TFormRgn;
class TImage;
class TTrayIcon;

// One entry of the skin menu.
class TSkinName {
public:
    std::string DisplayName; // SkinInfo/SkinName of the skin, CP932
    QString FolderName;      // the skin's folder name under the skin root
    QString Root;            // the skin root that holds it (native path)
};

// Orders two skin entries by DisplayName, byte by byte as unsigned CP932 bytes; a name sorts
// before any longer name that begins with it. Negative, zero or positive.
int CompareSkinNames(const TSkinName& a, const TSkinName& b);

// The main window: the wall with its six box icons, the box menus, the application menus and the
// notification-area icon. Boxes are numbered 1 to 6 (6 is the trash box); every per-box array is
// indexed by the box number, index 0 unused.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    // ---- design (components, named by their objectName) ----
    TFormRgn* ImageWall = nullptr;
    std::array<TImage*, 7> Image{}; // box icons Image1..Image6

    std::array<BoxMenu*, 7> PopupMenu{};             // box menus PopupMenu1..PopupMenu6
    std::array<QWidgetAction*, 7> FolderMenuTitle{}; // their title rows
    // The greyed "(メモはありません)" under the title row, in a box menu while it lists no memo.
    std::array<QAction*, 7> NoMemoItem{};

    QMenu* PopupMenuSub = nullptr; // the memo menu
    QWidgetAction* MenuSubCaption = nullptr;
    QAction* N1 = nullptr;          // "編集"
    QAction* N2 = nullptr;          // separator under "編集"
    std::array<QAction*, 7> Move{}; // Move1..Move6
    QAction* N9 = nullptr;          // separator above the trash box's Move6
    QAction* N11 = nullptr;         // separator above "削除"
    QAction* Delete1 = nullptr;     // "削除"

    QMenu* PopupMenuTrayLeft = nullptr; // box list of the notification-area icon's left button
    std::array<QAction*, 7> THFolder{};
    QAction* N5 = nullptr; // separator above the trash box's THFolder6

    QMenu* PopupMenuApl = nullptr;        // the notification-area icon's right-button menu
    std::array<QAction*, 6> MenuAplNew{}; // MenuAplNew1..MenuAplNew5
    QAction* N6 = nullptr;                // separator under the "にメモを作成" items
    QAction* WinHide = nullptr;
    QAction* WinShow = nullptr;
    QAction* N20 = nullptr; // separator under "ウィンドウ表示"
    QAction* N19 = nullptr; // "削除ログを見る"
    QAction* N4 = nullptr;  // separator above "about ..."
    QAction* about1 = nullptr;
    QAction* N3 = nullptr;            // separator under "about ..."
    QAction* MenuAplSearch = nullptr; // "検索..."
    QAction* Exit1 = nullptr;

    QMenu* PopupMenuApl_Main = nullptr; // the wall's own context menu
    QMenu* N10 = nullptr;               // "スキン"
    QAction* N12 = nullptr;             // "このスキンについて..."
    QMenu* N8 = nullptr;                // "変更": the skin list
    QAction* N13 = nullptr;             // separator above "デフォルトに戻す"
    QAction* N14 = nullptr;             // "デフォルトに戻す"
    QMenu* N16 = nullptr;               // "ウィンドウ"
    QAction* Hide1 = nullptr;
    QAction* N15 = nullptr;       // "常に手前"
    QAction* N17 = nullptr;       // separator under "ウィンドウ"
    QAction* N18 = nullptr;       // "削除ログを見る"
    QAction* N7 = nullptr;        // separator above "about ..."
    QAction* MenuItem7 = nullptr; // "about ..."
    QAction* MenuItem8 = nullptr;
    QAction* MenuItemSearch = nullptr; // "検索..."
    QAction* MenuItem9 = nullptr;      // "終了"

    TTrayIcon* TrayIcon1 = nullptr;

    // ---- state ----
    std::array<TMemoList, 7> BoxMemoLists;
    bool WindowVisible = true;
    QString ProgramFolder; // native path, no trailing separator
    std::vector<std::unique_ptr<TSkinName>> SkinList;
    // The notification area refused the icon: the wall then stays shown, since it is the
    // program's only way to be reached.
    bool TrayIconMissing = false;
    // Why box n could not be read at start-up; empty for a usable box. An unavailable box is
    // shown crossed out with the reason as its hint, and nothing writes its file during the
    // run, so nothing in it is lost once the cause is mended.
    std::array<QString, 7> BoxUnavailable;
    // The skin folder that was to be shown when it could not be loaded and the default or the
    // built-in skin took its place; it is saved at exit instead of SkinFolder, so the user's
    // choice survives. Empty while the skin shown is the one chosen.
    QString FailedSkinFolder;

    // ---- start-up, settings, window commands (Unit1.cpp) ----
    void FormCreate();
    void FormDestroy();
    void HandleQueryEndSession();
    void SaveSettings();
    void ImageWallMouseDown(Qt::MouseButton button);
    void ImageWallDblClick();
    void WinHideClick();
    void WinShowClick();
    void PopupMenuAplPopup();
    void N15Click();
    void about1Click();
    void Exit1Click();
    bool StayOnTop() const;
    // The notification-area icon is there to reach the program by.
    bool TrayIconReachable() const;
    // Whether the wall is shown when the message loop starts: as the user last chose, and
    // always when the notification-area icon is not there.
    bool ShowsAtStart() const;

    // ---- skins (Skin.cpp) ----
    // Shows the skin in `folder` (native path, no trailing separator; one that is gone gives
    // the default skin). A skin that cannot be loaded raises the reason, with the steps before
    // the failing one done; nothing falls back.
    void ApplySkinFolder(const QString& folder);
    // The skin folder shown (native path), and its description.
    const QString& CurrentSkinFolder() const { return SkinFolder; }
    const IniFile& CurrentSkin() const { return SkinIni; }
    // Box n's button picture file in the skin shown.
    const QString& ButtonImage(int box) const { return BoxButtonImages[std::size_t(box)]; }
    // The colours of the title rows of the box menus and the memo menu: caption, background.
    QColor MenuTitlePen() const { return MenuTitlePenColor; }
    QColor MenuTitleBrush() const { return MenuTitleBrushColor; }
    // ApplySkin for SkinFolder; when that skin cannot be loaded, reports why and shows the
    // default skin, and when that fails too, the built-in copy of the shipped default skin, so
    // that the wall, the box icons and the notification-area icon always exist.
    void ApplySkinOrFallback();
    void PopupMenuApl_MainPopup();
    void SkinMenuItemClick(int tag);
    void N14Click();
    void N12Click();

    // ---- box menus and indicators (MenusAndIndicators.cpp) ----
    // Sorts the list; the menu's memo items are brought up to date as the menu next opens.
    void RebuildBoxMenu(TMemoList& list, QMenu* menu);
    // Makes a box menu's memo items match the list of its last rebuild (when it opens).
    void FillBoxMenu(QMenu* menu);
    // The number of memos box n's menu lists.
    qsizetype ListedMemos(int box) const;
    // The memo (index in box n's list) that an item of box n's menu stands for; -1 for the
    // title row, the line of an empty box and actions that are not memo items of that menu.
    // Every choice of a memo in a box menu goes through here.
    int MemoOfItem(int box, const QAction* item) const;
    // The serial of the memo that an item of box n's menu stands for (as the menu was last
    // rebuilt); 0 where MemoOfItem gives -1.
    MemoSerial MemoSerialOfItem(int box, const QAction* item) const;
    // Box menus of more memos than this show them through a window of rows that scrolls
    // (BoxMenu); up to it, every memo is an item of its own.
    static constexpr qsizetype kFullBoxMenuLimit = 10000;
    // Another limit, for tests of the windowed menu with few memos.
    void SetFullBoxMenuLimit(qsizetype memos);
    // Opens the editor for a new memo of box n, as a double-click on its icon does; raises the
    // reason when the box could not be read at start-up.
    void OpenEditorForNew(int box);
    // Opens the editor on memo `serial` of box n, as choosing it in the box's menu and then
    // "編集" does; nothing when the box does not hold it.
    void OpenEditorOnMemo(int box, MemoSerial serial);
    // The box (1..6) whose menu opened last or for which the editor opened last; 0 for none.
    int ActiveBox() const;
    // Whether the editor opened last for an existing memo rather than a new one.
    bool EditingExistingMemo() const { return EditingExisting; }
    // The chosen memo (as a box menu or a search row chose it), by serial; 0 for none and for
    // a memo that the active box no longer holds.
    MemoSerial ChosenMemo() const;
    void MemoItemClick(QAction* item);
    void PopupFolderMenuPopup(QMenu* menu);
    void PopupMenuSubPopup();
    void N1Click();
    void ImageFolderDblClick(TImage* icon);
    void MenuAplNewClick(QAction* item);
    void THFolderClick(QAction* item);
    void RefreshIndicators();
    void UpdateBoxImages();
    void UpdateTrayIconImage();
    void UpdateTrayFolderItems();
    void UpdateNewMemoCaptions();

    // ---- box commands (MemoMenuCommands.cpp) ----
    void Delete1Click();
    void MoveMenuClick(QAction* item);
    void DelLogClick();

    // ---- the running program and the desktop session (Session.cpp) ----
    // A later start in the same folder asked for the program: the wall is shown and raised,
    // and an open modal window above it.
    void BringForward();
    // A signal ends the program: nothing is asked from here on, the editor's text is kept as a
    // draft, then the program quits (the settings are written as the main window goes).
    void EndSession();
    // The session asked whether it may end: the editor's text is kept as a draft, and until the
    // program quits for it or the user acts in it again (the log-out was cancelled), windows
    // that close keep the draft.
    void AwaitSessionEnd();
    SessionEndOutcome* SessionEndWatch = nullptr;
    // A notification area appeared or restarted: the icon is registered there again, with the
    // current picture and tip. Quiet when it still cannot be added.
    void TrayAppeared();
    // Set while the session asks to end or the program is ending for it: windows closing on the
    // way keep the draft; only the editor's OK and キャンセル then drop it.
    bool SessionEnding = false;
    // Keeps the open editor's text as a draft; nothing when the editor is closed or empty.
    void KeepDraft();
    // A draft kept at the end of the last run is opened in the editor: as the edit of the memo
    // it changed when its box still holds that memo, else as a new memo of its box, with the
    // memo date it had. It is stored only by the editor's OK, and the draft file goes once the
    // editor closes.
    void OfferDraft();

    // ---- the search window (Search.cpp) ----
    // Shows the search window "メモの検索" with changes on disk taken in first. A non-null text
    // replaces its query; a null one keeps the last query. Reached by "検索..." in both
    // application menus and by Ctrl+F on the wall.
    void OpenSearch(const QString& text = QString());
    // Pops up the memo menu of memo `serial` of box `box` at `at`, as choosing that memo in the
    // box's menu does: the box becomes the active box and the memo the chosen one. Nothing when
    // the box does not hold the memo.
    void ShowMemoMenu(int box, MemoSerial serial, QPoint at);

    // ---- box files changed by others (Sync.cpp) ----
    // Starts watching the data folder and the box files; changes are taken in shortly after
    // they happen.
    void WatchBoxFiles();
    // Takes in what others changed in the box files and the conflict copies that sync tools
    // left beside them, then rebuilds the changed boxes' menus and the indicators. The chosen
    // memo of the box menus stays chosen wherever the merge put it.
    void TakeInDiskChanges();

    // ---- helpers shared by the parts ----
    // The position of the chosen memo (ActiveMemo) in ActiveBoxList, or -1 when there is none
    // or the list no longer holds it.
    std::ptrdiff_t ChosenMemoIndex() const;
    // The box number (1..6) of a box menu, or 0.
    int BoxOfMenu(const QMenu* menu) const;
    // Element of section "Box"+n in SkinIni, default "メモ" (CP932 bytes).
    std::string BoxName(int box) const;
    // SkinFolder + separator + a file key's value (stored form turned native). A value that
    // leads out of the skin folder ("..\..\x.bmp") is refused as a file that cannot be opened.
    QString SkinFile(const std::string& value) const;
    // The same path, or nothing for a value that leads out of the skin folder.
    std::optional<QString> SkinFileInside(const std::string& value) const;
    // Raises the reason why box n cannot be written when it could not be read at start-up.
    void RequireWritableBox(int box) const;
    // The settings file, read at start-up; the windows read and write it through this.
    Settings& ProgramSettings() { return settings_; }

    // ---- the wall from the keyboard (WallKeys.cpp) ----
    // The wall takes the focus; Left/Right and Tab/Shift+Tab walk over the six box icons and the
    // wall itself, Enter opens the editor for the focused box, the Menu key or Shift+F10 opens
    // the focused box's menu (the wall's menu on the wall), Escape hides the wall as a
    // double-click does.
    // The box whose icon has the keyboard focus; 0 while the wall itself (or nothing) has it.
    int FocusedBox() const;
    // Gives the focus to box n's icon, or to the wall for 0.
    void FocusBox(int box);
    // Opens the menu of the focused box (or the wall's menu) below it, as its menu key does.
    void OpenFocusedMenu();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Makes box `box`'s menu and memo list the active ones.
    void ChooseBox(int box);
    friend class TrayIconPause;
    int trayIconPauses_ = 0;

    // The box menu that opened last and its box's list: the active box.
    QMenu* ActiveBoxMenu = nullptr;
    TMemoList* ActiveBoxList = nullptr;
    // The memo chosen in a box menu (or a search row), by serial; 0 for none. It is looked up in
    // ActiveBoxList whenever a command acts on it (ChosenMemoIndex), so a memo that a merge
    // removed meanwhile is never taken for another.
    MemoSerial ActiveMemo = 0;
    bool EditingExisting = false;
    QString SkinFolder; // native path, no trailing separator
    IniFile SkinIni;
    std::array<QString, 7> BoxButtonImages;
    QColor MenuTitlePenColor;
    QColor MenuTitleBrushColor;
    // Loads the skin of SkinFolder (ApplySkinFolder).
    void ApplySkin();

    Settings settings_;
    void CreateDesign();
    // Appends a disabled, owner-drawn title row to a box menu or the memo menu
    // (MenusAndIndicators.cpp).
    QWidgetAction* AddTitleRow(QMenu* menu, const QString& name, const QString& caption);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ConnectHandlers();
    void SetStayOnTop(bool onTop);
    // Sets the main window's keys (position, visibility, layer, skin).
    void WriteMainSettings(IniFile& settings) const;

    // What each box menu is to list since its last rebuild; items are made only when it opens,
    // so start-up and commands do not pay for menus of large boxes that nobody opens.
    struct BoxMenuContent {
        TMemoList* list = nullptr;
        qsizetype count = 0;
        bool stale = false;
        // The memo that item i + 1 stands for, by serial, as of the rebuild.
        std::vector<MemoSerial> serials;
    };
    std::array<BoxMenuContent, 7> boxMenuContent_{};
    qsizetype fullBoxMenuLimit_ = kFullBoxMenuLimit;

    QFileSystemWatcher* boxWatcher_ = nullptr;
    QTimer* diskCheckTimer_ = nullptr;
    // Conflict copies that could not be taken in, as they were then: not tried again until
    // they change.
    QHash<QString, platform::FileStamp> failedCopies_;
    // Runs the check again while a conflict copy cannot be taken in yet.
    QTimer* copyRetryTimer_ = nullptr;
    // Box files that could not be read when last checked, as they were then.
    QHash<QString, platform::FileStamp> unreadable_;

    // Starts moving the wall with the pointer (a left press that turned into a drag).
    void StartMove();

    QPoint pressPos_;          // where the left button went down on the wall
    bool movePending_ = false; // pressed, not yet moved far enough to be a drag
    QPoint dragOffset_;
    bool dragging_ = false;
};

extern TForm1* Form1;
