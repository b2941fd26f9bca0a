// The memo editor: design, showing and closing, box buttons, storing a memo and the simple
// insertions of the context menu.
#include "editor/Unit2.h"

#include "editor/BoxButton.h"
#include "mainwindow/Unit1.h"
#include "platform/Guard.h"
#include "platform/Platform.h"
#include "session/Draft.h"
#include "store/BoxCommands.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"
#include "ui/MenuDesign.h"
#include "ui/Picture.h"
#include "ui/Position.h"
#include "ui/ProgramFont.h"
#include "util/CP932.h"
#include "util/Exception.h"
#include "util/IniFile.h"

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
#include <exception>
#include <functional>
#include <map>
#include <optional>

LazyWindow<TForm2> Form2;

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

constexpr int kWidth = 369;
constexpr int kHeight = 300;

} // namespace

TForm2::TForm2() : settings_(Form1->ProgramSettings()) {
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
    const QFont font = ProgramFont();
    setFont(font);

    auto* edit = new TMemoEdit(this);
    edit->setObjectName(QStringLiteral("RichEdit1"));
    edit->setGeometry(0, 0, kWidth, 233);
    const QFont editFont = ProgramFixedFont();
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
    // Built on first use: the button of the box whose menu opened last is down, as the box
    // menu would have set it.
    if (const int box = Form1->ActiveBox(); box != 0)
        SpeedButton[box]->setChecked(true);
    const QPoint centred = CentredOnPrimary(size());
    const IniFile settings = settings_.Read();
    const int top = settings.ReadInteger("EditWindow", "Top", centred.y());
    const int left = settings.ReadInteger("EditWindow", "Left", centred.x());
    PlaceWindow(this, QPoint(left, top));
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        platform::Guard([this] { FormShow(); });
}

void TForm2::FormShow() {
    if (!trayPause_)
        trayPause_ = std::make_unique<TrayIconPause>(*Form1);
    UpdateCaption();
    for (int n = 1; n <= 6; ++n)
        SpeedButton[n]->setToolTip(cp932::Decode(Form1->BoxName(n)));
    // A picture that cannot be loaded leaves its button bare and is reported once the window
    // is otherwise ready, so that the memo date and the OK state are always those of this
    // showing.
    std::optional<QString> pictureError;
    for (int n = 1; n <= 6; ++n) {
        try {
            SpeedButton[n]->setIcon(ButtonPicture(Form1->ButtonImage(n)));
        } catch (const Exception& e) {
            SpeedButton[n]->setIcon(QIcon());
            if (!pictureError)
                pictureError = e.Message();
        }
    }
    DateTimePicker1 = KeptMemoDate ? *KeptMemoDate : platform::Current().Now();
    KeptMemoDate.reset();
    // The memo this showing edits is the one chosen as it opens, known by its serial from then
    // on: a memo that another writer removes or replaces meanwhile is not found at OK, which
    // then stores the text as a new memo, beside whatever that writer stored.
    edited_ = {};
    if (Form1->EditingExistingMemo()) {
        const int source = Form1->ActiveBox();
        if (const MemoSerial chosen = Form1->ChosenMemo(); source != 0 && chosen != 0)
            edited_ = {source, chosen};
    }
    EditedCopies.clear();
    if (edited_.serial != 0)
        EditedCopies.push_back(edited_.serial);
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
    QString caption = Form1->EditingExistingMemo() ? QStringLiteral("Tabuko - [_EEE_]を編集 -")
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

void TForm2::SetMemoLines(const std::vector<std::string>& lines) {
    QStringList text;
    text.reserve(qsizetype(lines.size()));
    for (const std::string& line : lines)
        text.push_back(cp932::Decode(line));
    // OK drops the empty line after a final break, so an empty last line needs its own break.
    if (!lines.empty() && lines.back().empty())
        text.push_back(QString());
    RichEdit1->clear();
    RichEdit1->setPlainText(text.join(QLatin1Char('\n')));
    OriginalLines = lines;
}

TForm2::StoredText TForm2::MemoLines() const {
    QStringList lines = RichEdit1->toPlainText().split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();
    const std::size_t count = std::size_t(lines.size());
    const std::size_t oldCount = OriginalLines.size();
    std::vector<QString> oldText;
    oldText.reserve(oldCount);
    for (const std::string& line : OriginalLines)
        oldText.push_back(cp932::Decode(line));

    // Which old line each line is, if any: the unchanged lines at the start and at the end in
    // place, those in between by their text, each old line used once, earliest first.
    std::vector<std::optional<std::size_t>> from(count);
    std::vector<bool> used(oldCount, false);
    std::size_t head = 0;
    while (head < count && head < oldCount && lines[qsizetype(head)] == oldText[head]) {
        from[head] = head;
        used[head] = true;
        ++head;
    }
    std::size_t tail = 0;
    while (tail < count - head && tail < oldCount - head &&
           lines[qsizetype(count - 1 - tail)] == oldText[oldCount - 1 - tail]) {
        from[count - 1 - tail] = oldCount - 1 - tail;
        used[oldCount - 1 - tail] = true;
        ++tail;
    }
    std::multimap<QString, std::size_t> unused;
    for (std::size_t i = head; i < oldCount - tail; ++i)
        unused.emplace(oldText[i], i);
    for (std::size_t i = head; i < count - tail; ++i) {
        if (const auto it = unused.find(lines[qsizetype(i)]); it != unused.end()) {
            from[i] = it->second;
            used[it->second] = true;
            unused.erase(it);
        }
    }

    StoredText out;
    out.lines.reserve(count);
    QStringList changed;
    for (std::size_t i = 0; i < count; ++i) {
        if (from[i]) {
            out.lines.push_back(OriginalLines[*from[i]]);
        } else {
            const QString line = cp932::FoldLookAlikes(lines[qsizetype(i)]);
            out.lines.push_back(cp932::Encode(line));
            changed.push_back(line);
        }
    }
    out.changedText = changed.join(QLatin1Char('\n'));
    for (std::size_t i = 0; i < oldCount && !out.dropsBadBytes; ++i)
        out.dropsBadBytes = !used[i] && !cp932::IsValid(OriginalLines[i]);
    return out;
}

void TForm2::Button1Click() {
    StoredText text = MemoLines();
    // Text that the box files cannot hold is refused before anything changes, so that nothing
    // is stored as something else. Only new and changed lines are encoded.
    if (const auto bad = cp932::FirstUnencodable(text.changedText)) {
        platform::Current().MessageBox(
            QStringLiteral(
                "「%1」（%2）はメモに保存できない文字です。\n"
                "この文字を消すか別の文字に置き換えてから、もう一度 OK を押してください。")
                .arg(QString::fromUcs4(&*bad, 1), cp932::CodePointName(*bad)),
            QStringLiteral("Tabuko"), platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    if (text.dropsBadBytes &&
        platform::Current().MessageBox(
            QStringLiteral("変更または削除した行に、Shift-JIS の文字として正しくないバイトが"
                           "含まれていました。\n"
                           "保存すると、それらのバイトは元に戻せない形で置き換わるか失われます。"
                           "保存してもよろしいですか？"),
            QStringLiteral("確認"),
            platform::MB_OKCANCEL | platform::MB_ICONWARNING) != platform::IDOK)
        return;

    const int box = CheckedBox();
    if (box == 0)
        throw Exception(QStringLiteral("格納先の箱が選ばれていません"));
    // A box that could not be read at start-up is never written; the editor stays open so the
    // text can go to another box.
    Form1->RequireWritableBox(box);
    if (edited_.box != 0)
        Form1->RequireWritableBox(edited_.box);

    auto memo = std::make_unique<TMemoData>();
    memo->Lines = std::move(text.lines);
    memo->MemoDate = DateTimePicker1;
    memo->SavedAt = platform::Current().Now();
    memo->SortKey = 0;
    StoreReplacingCopies(box, std::move(memo));

    RemoveDraft();
    RichEdit1->clear();
    accept();
}

void TForm2::StoreReplacingCopies(int target, std::unique_ptr<TMemoData> memo) {
    std::vector<int> touched;
    std::exception_ptr failure;
    try {
        StoreEdit(Form1->BoxMemoLists, target, std::move(memo), EditedCopies, touched);
    } catch (...) {
        failure = std::current_exception();
    }
    for (const int n : touched)
        Form1->RebuildBoxMenu(Form1->BoxMemoLists[std::size_t(n)],
                              Form1->PopupMenu[std::size_t(n)]);
    if (failure)
        std::rethrow_exception(failure);
}

void TForm2::Button2Click() {
    RemoveDraft();
    reject();
}

void TForm2::done(int result) {
    platform::Guard([this] { FormClose(); });
    QDialog::done(result);
}

void TForm2::FormClose() {
    RichEdit1->clear();
    OriginalLines.clear();
    EditedCopies.clear();
    edited_ = {};
    // A draft kept for a session that then did not end is no longer needed; one kept as the
    // program ends (which closes this window too) is.
    if (!Form1->SessionEnding)
        RemoveDraft();
    // The window closes even when its position cannot be saved; while the session ends, nobody
    // is asked about it.
    const auto savePosition = [this] {
        settings_.Write([this](IniFile& settings) {
            settings.WriteInteger("EditWindow", "Top", y());
            settings.WriteInteger("EditWindow", "Left", x());
        });
    };
    if (Form1->SessionEnding) {
        const platform::QuietSteps quiet;
        platform::EndingStep(QStringLiteral("設定（%1）").arg(kSettingsFileName), savePosition);
    } else {
        platform::Guard(savePosition);
    }
    trayPause_.reset();
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
