#pragma once

#include "store/MemoData.h"
#include "ui/LazyWindow.h"
#include "util/DateTime.h"

#include <QDialog>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TrayIconPause;
class Settings;

// The memo editor: a modal window in which a memo is written or changed and stored into the box
// whose button is down.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2();
    ~TForm2() override;

    // ---- design ----
    QPlainTextEdit* RichEdit1 = nullptr;
    QLabel* Label2 = nullptr;
    std::array<QToolButton*, 7> SpeedButton{}; // SpeedButton1..SpeedButton6
    QButtonGroup* SpeedButtonGroup = nullptr;  // makes the six exclusive
    QPushButton* Button1 = nullptr;            // "OK"
    QPushButton* Button2 = nullptr;            // "キャンセル"
    QLabel* Label1 = nullptr;                  // "期限", hidden
    // The hidden memo date field: the moment the editor was opened for the memo it stores.
    TDateTime DateTimePicker1 = 0;
    // The memo date that the next showing keeps instead of the moment it opens: a draft brings
    // the date of the showing it was kept from.
    std::optional<TDateTime> KeptMemoDate;

    // The context menu of the editing area.
    QMenu* PopupMenu1 = nullptr;
    QAction* N1 = nullptr; // "今日の日付を挿入"
    QAction* N2 = nullptr; // "現在の時刻を挿入"
    QAction* N3 = nullptr;
    QAction* N4 = nullptr; // "日付の挿入"
    QMenu* N5 = nullptr;   // phrases of InsertTime.txt
    QMenu* N6 = nullptr;   // phrases of InsertFree1.txt
    QMenu* N7 = nullptr;   // phrases of InsertFree2.txt
    QMenu* N8 = nullptr;   // phrases of InsertPart.txt
    QAction* N9 = nullptr;
    QAction* Delete1 = nullptr; // "削除"
    QAction* N10 = nullptr;
    QMenu* N11 = nullptr;   // "よく使うフレーズの編集"
    QAction* N12 = nullptr; // opens InsertTime.txt
    QAction* N13 = nullptr; // opens InsertFree1.txt
    QAction* N14 = nullptr; // opens InsertFree2.txt
    QAction* N15 = nullptr; // opens InsertPart.txt

    // ---- the memo editor (Unit2.cpp) ----
    void FormCreate();
    void FormShow();
    void FormClose();
    void UpdateCaption();
    void SpeedButtonClick();
    void RichEdit1Change();
    void Button1Click();
    void Button2Click();
    void N1Click();
    void N2Click();
    void Delete1Click();

    // The memo that the editor edits: its box (1..6) and serial; box 0 and serial 0 for a new
    // memo, and while the editor is closed.
    struct EditedMemoRef {
        int box = 0;
        MemoSerial serial = 0;
    };
    // Taken as the editor shows, from the memo chosen in the box menus when it opens for an
    // existing memo. The memo may have gone since (another writer deleted or replaced it).
    EditedMemoRef EditedMemo() const { return edited_; }

    // Fills the editing area with an existing memo's lines (CP932) and remembers them, so that
    // OK stores every line the user did not change with exactly its old bytes. A memo whose
    // last line is empty gets the line break that keeps that line.
    void SetMemoLines(const std::vector<std::string>& lines);

    // Replaces the selection of the editing area (or inserts at the caret) with `text`; the
    // change is not recorded for undo, and the change handler runs.
    void ReplaceSelection(const QString& text);
    // The box (1..6) whose button is down, or 0.
    int CheckedBox() const;
    // The editing area's context menu, asked for at `globalPos`: the phrase menus are rebuilt
    // and, only when that succeeded, the menu opens.
    void RichEdit1ContextPopup(QPoint globalPos);

    // ---- phrases and dates (Phrases.cpp) ----
    void PopupMenu1Popup();
    void PhraseItemClick(QAction* item);
    void N4Click();
    void N12Click();
    void N13Click();
    void N14Click();
    void N15Click();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The program's settings file: the editor's position and the phrase menus' captions.
    Settings& settings_;
    void CreateDesign();
    void CreatePopupMenu();
    void ConnectHandlers();
    // What OK stores: the plain text split at line breaks, without the empty line after a
    // final break. A line whose text is that of a line of the memo being edited takes that
    // line's bytes; every other line is encoded as CP932.
    struct StoredText {
        std::vector<std::string> lines;
        QString changedText;        // the encoded (new or changed) lines, joined by '\n'
        bool dropsBadBytes = false; // an old line holding bytes that are not valid CP932 is
                                    // changed or gone
    };
    StoredText MemoLines() const;
    // Takes EditedCopies out of their boxes and stores `memo` in box `target`, writing the box
    // files (StoreEdit); the changed boxes' menus are rebuilt, also after a failed write.
    void StoreReplacingCopies(int target, std::unique_ptr<TMemoData> memo);
    EditedMemoRef edited_;
    // The records of the memo being edited that the boxes hold and OK replaces, by serial: the
    // old record, or after a failed OK the copies that it left.
    std::vector<MemoSerial> EditedCopies;
    // The lines of the memo being edited, as SetMemoLines got them; empty for a new memo.
    std::vector<std::string> OriginalLines;
    // Hands a phrase file to the shell when it exists.
    static void OpenPhraseFile(const char* fileName);
    // Held from showing to closing: the notification-area icon ignores clicks meanwhile.
    std::unique_ptr<TrayIconPause> trayPause_;
};

extern LazyWindow<TForm2> Form2;
