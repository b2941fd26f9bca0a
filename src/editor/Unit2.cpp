// The memo editor: design, showing and closing, box buttons, storing a memo and the simple
// insertions of the context menu.
#include "editor/Unit2.h"

#include "editor/BoxButton.h"
#include "mainwindow/MenuDesign.h"
#include "mainwindow/Picture.h"
#include "mainwindow/Position.h"
#include "mainwindow/Unit1.h"
#include "platform/CP932.h"
#include "platform/Exception.h"
#include "platform/Guard.h"
#include "platform/IniFile.h"
#include "platform/Platform.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <optional>

TForm2* Form2 = nullptr;

namespace {

// The editing area: a plain-text edit whose context menu is the editor's own.
class TMemoEdit : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    std::function<void(QPoint)> OnContextMenu;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (OnContextMenu)
            OnContextMenu(event->globalPos());
        event->accept();
    }
};

using design::AddItem;
using design::AddSeparator;
using design::AddSubMenu;

// Text typed elsewhere than on Windows is stored as CP932 holds it.
QString FoldToCp932(const QString& text) {
    return cp932::FoldLookAlikes(text);
}

QString UnicodeName(char32_t cp) {
    return cp932::CodePointName(cp);
}

constexpr int kWidth = 369;
constexpr int kHeight = 300;

} // namespace

TForm2::TForm2() {
    CreateDesign();
    ConnectHandlers();
    platform::Guard([this] { FormCreate(); });
}

TForm2::~TForm2() = default;

void TForm2::CreateDesign() {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tabuko - メモ編集 -"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kWidth, kHeight);
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);

    auto* edit = new TMemoEdit(this);
    edit->setObjectName(QStringLiteral("RichEdit1"));
    edit->setGeometry(0, 0, kWidth, 233);
    QFont editFont(QStringLiteral("ＭＳ ゴシック"));
    editFont.setPixelSize(12);
    edit->setFont(editFont);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setTabChangesFocus(false);
    // Tab stops every eight half-width characters, as in the system's edit control.
    edit->setTabStopDistance(8 * QFontMetricsF(editFont).horizontalAdvance(QLatin1Char(' ')));
    edit->OnContextMenu = [this](QPoint pos) {
        RichEdit1ContextPopup(pos);
    };
    RichEdit1 = edit;

    Label2 = new QLabel(QStringLiteral("格納先"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->move(8, 240);
    Label2->adjustSize();

    SpeedButtonGroup = new QButtonGroup(this);
    SpeedButtonGroup->setExclusive(true);
    constexpr int lefts[7] = {0, 48, 72, 96, 128, 152, 184};
    for (int n = 1; n <= 6; ++n) {
        auto* button = new TBoxButton(this);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(n));
        button->setGeometry(lefts[n], 240, 22, 22);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIconSize(QSize(20, 20));
        SpeedButtonGroup->addButton(button, n);
        SpeedButton[n] = button;
    }

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(208, 272, 75, 25);
    Button1->setEnabled(false);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(288, 272, 75, 25);
    for (QPushButton* button : {Button1, Button2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    Label1 = new QLabel(QStringLiteral("期限"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(304, 8);
    Label1->hide();

    CreatePopupMenu();
    setTabOrder(RichEdit1, Button1);
    setTabOrder(Button1, Button2);
}

void TForm2::CreatePopupMenu() {
    PopupMenu1 = design::NewMenu(this, QStringLiteral("PopupMenu1"));
    N1 = AddItem(PopupMenu1, "N1", QStringLiteral("今日の日付を挿入"));
    N2 = AddItem(PopupMenu1, "N2", QStringLiteral("現在の時刻を挿入"));
    N3 = AddSeparator(PopupMenu1, "N3");
    N4 = AddItem(PopupMenu1, "N4", QStringLiteral("日付の挿入"));
    N5 = AddSubMenu(PopupMenu1, "N5", QStringLiteral("時刻の挿入"));
    N6 = AddSubMenu(PopupMenu1, "N6", QStringLiteral("フレーズ１"));
    N7 = AddSubMenu(PopupMenu1, "N7", QStringLiteral("フレーズ２"));
    N8 = AddSubMenu(PopupMenu1, "N8", QStringLiteral("接続詞"));
    N9 = AddSeparator(PopupMenu1, "N9");
    Delete1 = AddItem(PopupMenu1, "Delete1", QStringLiteral("削除"));
    N10 = AddSeparator(PopupMenu1, "N10");
    N11 = AddSubMenu(PopupMenu1, "N11", QStringLiteral("よく使うフレーズの編集"));
    N12 = AddItem(N11, "N12", QStringLiteral("時刻"));
    N13 = AddItem(N11, "N13", QStringLiteral("フレーズ１"));
    N14 = AddItem(N11, "N14", QStringLiteral("フレーズ２"));
    N15 = AddItem(N11, "N15", QStringLiteral("接続詞"));
}

void TForm2::ConnectHandlers() {
    using platform::Guarded;
    connect(SpeedButtonGroup, &QButtonGroup::buttonClicked, this,
            Guarded([this] { SpeedButtonClick(); }));
    connect(RichEdit1, &QPlainTextEdit::textChanged, this, Guarded([this] { RichEdit1Change(); }));
    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, Guarded([this] { Button2Click(); }));
    connect(N1, &QAction::triggered, this, Guarded([this] { N1Click(); }));
    connect(N2, &QAction::triggered, this, Guarded([this] { N2Click(); }));
    connect(N4, &QAction::triggered, this, Guarded([this] { N4Click(); }));
    connect(Delete1, &QAction::triggered, this, Guarded([this] { Delete1Click(); }));
    connect(N12, &QAction::triggered, this, Guarded([this] { N12Click(); }));
    connect(N13, &QAction::triggered, this, Guarded([this] { N13Click(); }));
    connect(N14, &QAction::triggered, this, Guarded([this] { N14Click(); }));
    connect(N15, &QAction::triggered, this, Guarded([this] { N15Click(); }));
}

void TForm2::FormCreate() {
    const QSize screen = platform::Current().ScreenSize();
    const IniFile settings = IniFile::Load(Form1->SettingsPath());
    const int top = settings.ReadInteger("EditWindow", "Top", Centred(screen.height(), height()));
    const int left = settings.ReadInteger("EditWindow", "Left", Centred(screen.width(), width()));
    PlaceWindow(this, QPoint(left, top));
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::Guard([this] { FormShow(); });
}

void TForm2::FormShow() {
    Form1->TrayIcon1->SetEnabled(false);
    UpdateCaption();
    for (int n = 1; n <= 6; ++n)
        SpeedButton[n]->setToolTip(cp932::Decode(Form1->BoxName(n)));
    // A picture that cannot be loaded leaves its button bare and is reported once the window
    // is otherwise ready, so that the memo date and the OK state are always those of this
    // showing.
    std::optional<QString> pictureError;
    for (int n = 1; n <= 6; ++n) {
        try {
            SpeedButton[n]->setIcon(ButtonPicture(Form1->BoxButtonImages[n]));
        } catch (const Exception& e) {
            SpeedButton[n]->setIcon(QIcon());
            if (!pictureError)
                pictureError = e.Message();
        }
    }
    DateTimePicker1 = platform::Current().Now();
    RichEdit1->setFocus();
    RichEdit1Change();
    if (pictureError)
        platform::ShowError(*pictureError);
}

int TForm2::CheckedBox() const {
    for (int n = 1; n <= 6; ++n)
        if (SpeedButton[n]->isChecked())
            return n;
    return 0;
}

void TForm2::UpdateCaption() {
    const int box = CheckedBox();
    if (box == 0)
        return;
    QString caption = Form1->EditingExisting ? QStringLiteral("Tabuko - [_EEE_]を編集 -")
                                             : QStringLiteral("Tabuko - [_EEE_]を新規作成 -");
    caption.replace(QStringLiteral("_EEE_"), cp932::Decode(Form1->BoxName(box)));
    setWindowTitle(caption);
}

void TForm2::SpeedButtonClick() {
    UpdateCaption();
}

void TForm2::RichEdit1Change() {
    Button1->setEnabled(!RichEdit1->document()->isEmpty());
}

std::vector<std::string> TForm2::MemoLines() const {
    QStringList lines = FoldToCp932(RichEdit1->toPlainText()).split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    std::vector<std::string> out;
    out.reserve(std::size_t(lines.size()));
    for (const QString& line : lines)
        out.push_back(cp932::Encode(line));
    return out;
}

void TForm2::Button1Click() {
    // Text that the box files cannot hold is refused before anything changes, so that nothing
    // is stored as something else.
    if (const auto bad = cp932::FirstUnencodable(FoldToCp932(RichEdit1->toPlainText()))) {
        platform::Current().MessageBox(
            QStringLiteral(
                "「%1」（%2）はメモに保存できない文字です。\n"
                "この文字を消すか別の文字に置き換えてから、もう一度 OK を押してください。")
                .arg(QString::fromUcs4(&*bad, 1), UnicodeName(*bad)),
            QStringLiteral("Tabuko"), platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }

    TMemoList& source = *Form1->ActiveBoxList;
    const int box = CheckedBox();
    if (box == 0)
        throw Exception(QStringLiteral("格納先の箱が選ばれていません"));
    Form1->SaveBoxFile = BoxFileName(box);
    TMemoList& target = Form1->BoxMemoLists[box];
    QMenu* targetMenu = Form1->PopupMenu[box];
    const bool editing = Form1->EditingExisting;
    const int oldIndex = Form1->ActiveMemoIndex;

    std::unique_ptr<TMemoData> old;
    if (editing) {
        if (oldIndex < 0 || std::size_t(oldIndex) >= source.size())
            throw Exception(QStringLiteral("編集中のメモが見つかりません"));
        old = std::move(source[std::size_t(oldIndex)]);
        source.erase(source.begin() + oldIndex);
    }

    auto memo = std::make_unique<TMemoData>();
    memo->Lines = MemoLines();
    memo->MemoDate = DateTimePicker1;
    memo->SavedAt = platform::Current().Now();
    memo->SortKey = 0;
    TMemoData* stored = memo.get();
    // Inserted at its place in the memo order: the other memos keep their order, so taking
    // the memo out again restores the list exactly.
    const auto at = std::find_if(target.begin(), target.end(), [&](const auto& other) {
        return CompareMemos(*stored, *other) < 0;
    });
    target.insert(at, std::move(memo));

    // A failed write leaves the lists as they were before this OK, so that OK can simply be
    // pressed again: the memo is then stored once and no other memo is taken out.
    const auto undo = [&] {
        const auto it = std::find_if(target.begin(), target.end(),
                                     [&](const auto& m) { return m.get() == stored; });
        if (it != target.end())
            target.erase(it);
        if (old)
            source.insert(source.begin() + oldIndex, std::move(old));
    };

    try {
        WriteBoxFile(Form1->SaveBoxFile, target);
    } catch (...) {
        undo();
        throw;
    }
    Form1->RebuildBoxMenu(target, targetMenu);

    if (editing) {
        SortMemos(source);
        try {
            WriteBoxFile(Form1->ActiveBoxFile, source);
        } catch (...) {
            // The target box already holds the memo on disk: it is taken back out there too,
            // so that the files again agree with the lists.
            undo();
            platform::Guard([&] { WriteBoxFile(Form1->SaveBoxFile, target); });
            Form1->RebuildBoxMenu(target, targetMenu);
            if (&source != &target)
                Form1->RebuildBoxMenu(source, Form1->ActiveBoxMenu);
            throw;
        }
        Form1->RebuildBoxMenu(source, Form1->ActiveBoxMenu);
    }

    RichEdit1->clear();
    accept();
}

void TForm2::Button2Click() {
    reject();
}

void TForm2::done(int result) {
    platform::Guard([this] { FormClose(); });
    QDialog::done(result);
}

void TForm2::FormClose() {
    RichEdit1->clear();
    // The window closes even when its position cannot be saved.
    platform::Guard([this] {
        IniFile settings = IniFile::Load(kSettingsFileName);
        settings.WriteInteger("EditWindow", "Top", y());
        settings.WriteInteger("EditWindow", "Left", x());
        settings.Save(kSettingsFileName);
    });
    Form1->TrayIcon1->SetEnabled(true);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Neither Enter nor Escape closes the editor or presses a button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->ignore();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TForm2::ReplaceSelection(const QString& text) {
    QTextDocument* document = RichEdit1->document();
    // Like the edit control's non-undoable replace: the replacement is not recorded, and the
    // earlier undo steps, whose positions it would invalidate, are dropped.
    document->setUndoRedoEnabled(false);
    QTextCursor cursor = RichEdit1->textCursor();
    cursor.insertText(text);
    RichEdit1->setTextCursor(cursor);
    document->setUndoRedoEnabled(true);
    RichEdit1->ensureCursorVisible();
}

void TForm2::N1Click() {
    ReplaceSelection(datetime::FormatDate(platform::Current().Now()));
}

void TForm2::N2Click() {
    ReplaceSelection(datetime::FormatTime(platform::Current().Now()));
}

void TForm2::Delete1Click() {
    if (RichEdit1->textCursor().hasSelection())
        ReplaceSelection(QString());
}

void TForm2::RichEdit1ContextPopup(QPoint globalPos) {
    bool rebuilt = false;
    platform::Guard([&] {
        PopupMenu1Popup();
        rebuilt = true;
    });
    if (rebuilt)
        platform::Current().Popup(PopupMenu1, globalPos);
}
