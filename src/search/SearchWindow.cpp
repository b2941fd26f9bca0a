#include "search/SearchWindow.h"

#include "mainwindow/Position.h"
#include "mainwindow/ProgramFont.h"
#include "mainwindow/Unit1.h"
#include "platform/CP932.h"
#include "platform/DateTime.h"
#include "platform/Guard.h"
#include "platform/IniFile.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

LazyWindow<TFormSearch> FormSearch;

namespace {

// Characters of the matched line shown before the match; a longer start is cut to an ellipsis.
constexpr qsizetype kLeadChars = 16;

QString Decode(std::string_view bytes) {
    return cp932::Decode(bytes);
}

// The matched line with the match drawn on a marker colour.
class MatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        const QVariantList match = index.data(Qt::UserRole).toList();
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        if (match.size() != 2) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const qsizetype start = match[0].toInt();
        const qsizetype length = match[1].toInt();

        const QRect area =
            style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(2, 0, -2, 0);
        const QFontMetrics metrics(opt.font);
        const QColor pen = opt.palette.color(
            opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text);
        const int baseline = area.top() + (area.height() - metrics.height()) / 2 + metrics.ascent();
        painter->save();
        painter->setClipRect(area);
        painter->setFont(opt.font);
        int x = area.left();
        auto draw = [&](const QString& part, bool marked) {
            const int width = metrics.horizontalAdvance(part);
            if (marked) {
                painter->fillRect(QRect(x, area.top() + 1, width, area.height() - 2),
                                  QColor(255, 226, 64));
                painter->setPen(Qt::black);
            } else {
                painter->setPen(pen);
            }
            painter->drawText(x, baseline, part);
            x += width;
        };
        draw(text.left(start), false);
        draw(text.mid(start, length), true);
        draw(text.mid(start + length), false);
        painter->restore();
    }
};

} // namespace

// ---- results ----

void TSearchResults::Reset(const search::MemoIndex* index, std::vector<std::uint32_t> hits,
                           std::string foldedQuery, const std::array<QString, 7>& boxNames) {
    beginResetModel();
    index_ = index;
    hits_ = std::move(hits);
    query_ = std::move(foldedQuery);
    boxNames_ = boxNames;
    endResetModel();
}

const search::MemoIndex::Entry& TSearchResults::EntryAt(int row) const {
    return index_->Entries()[hits_[std::size_t(row)]];
}

int TSearchResults::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !index_ ? 0 : int(hits_.size());
}

int TSearchResults::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TSearchResults::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case BoxColumn:
        return QStringLiteral("ボックス");
    case DateColumn:
        return QStringLiteral("日付");
    case TitleColumn:
        return QStringLiteral("タイトル");
    case LineColumn:
        return QStringLiteral("見つかった行");
    }
    return {};
}

QVariant TSearchResults::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() ||
        (role != Qt::DisplayRole && role != Qt::UserRole))
        return {};
    const search::MemoIndex::Entry& entry = EntryAt(index.row());
    const std::string_view text = index_->Text(entry);
    if (role == Qt::UserRole && index.column() != LineColumn)
        return {};
    switch (index.column()) {
    case BoxColumn:
        return boxNames_[std::size_t(entry.box)];
    case DateColumn:
        return datetime::FormatDate(entry.memoDate);
    case TitleColumn: {
        const std::string_view title = text.substr(0, text.find('\n'));
        return title.empty() ? QStringLiteral("No Title") : Decode(title);
    }
    case LineColumn: {
        std::size_t from = 0;
        while (from <= text.size()) {
            const std::size_t end = std::min(text.find('\n', from), text.size());
            const std::string_view line = text.substr(from, end - from);
            if (const auto range = search::FindInLine(line, query_)) {
                QString before = Decode(line.substr(0, range->begin));
                const QString match = Decode(line.substr(range->begin, range->end - range->begin));
                const QString after = Decode(line.substr(range->end));
                if (before.size() > kLeadChars)
                    before = QStringLiteral("…") + before.right(kLeadChars - 1);
                if (role == Qt::UserRole)
                    return QVariantList{int(before.size()), int(match.size())};
                return before + match + after;
            }
            from = end + 1;
        }
        return {};
    }
    }
    return {};
}

// ---- the window ----

TFormSearch::TFormSearch() {
    CreateDesign();
    platform::Guard([this] { FormCreate(); });
}

void TFormSearch::CreateDesign() {
    setObjectName(QStringLiteral("FormSearch"));
    setWindowTitle(QStringLiteral("メモの検索"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(ProgramFont());
    resize(560, 340);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setPlaceholderText(
        QStringLiteral("探す文字（大文字と小文字、全角と半角は区別しません）"));
    Edit1->setClearButtonEnabled(true);

    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemsExpandable(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setTextElideMode(Qt::ElideRight);
    ListView1->setModel(&results_);
    ListView1->setItemDelegateForColumn(TSearchResults::LineColumn, new MatchDelegate(ListView1));
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(true);
    header->resizeSection(TSearchResults::BoxColumn, 72);
    header->resizeSection(TSearchResults::DateColumn, 96);
    header->resizeSection(TSearchResults::TitleColumn, 150);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(Edit1);
    layout->addWidget(ListView1, 1);
    layout->addWidget(Label1);

    Edit1->installEventFilter(this);
    ListView1->installEventFilter(this);
    connect(Edit1, &QLineEdit::textChanged, this,
            [this] { platform::Guard([this] { RunQuery(ChosenMemo()); }); });
    connect(ListView1, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        platform::Guard([this, index] { OpenRow(index.row()); });
    });
}

void TFormSearch::FormCreate() {
    const IniFile settings = Form1->ProgramSettings().Read();
    const QPoint centred = CentredOnPrimary(frameGeometry().size());
    PlaceWindow(this, QPoint(settings.ReadInteger("SearchWindow", "Left", centred.x()),
                             settings.ReadInteger("SearchWindow", "Top", centred.y())));
}

void TFormSearch::FormClose() {
    Form1->ProgramSettings().Write([this](IniFile& settings) {
        settings.WriteInteger("SearchWindow", "Top", y());
        settings.WriteInteger("SearchWindow", "Left", x());
    });
}

void TFormSearch::Open(const QString& text) {
    if (!text.isNull())
        Edit1->setText(text);
    show();
    raise();
    activateWindow();
    Edit1->setFocus();
    Edit1->selectAll();
}

void TFormSearch::ListsChanged() {
    stale_ = true;
    if (isVisible())
        Refresh();
}

void TFormSearch::Refresh() {
    const MemoSerial chosen = ChosenMemo();
    // The rows point into the index: they go before it is made again.
    results_.Reset(nullptr, {}, {}, {});
    index_.Build(Form1->BoxMemoLists);
    stale_ = false;
    RunQuery(chosen);
}

MemoSerial TFormSearch::ChosenMemo() const {
    const QModelIndex current = ListView1->currentIndex();
    return current.isValid() && current.row() < ResultCount() ? results_.EntryAt(current.row()).memo
                                                              : 0;
}

void TFormSearch::RunQuery(MemoSerial keep) {
    const QString typed = Edit1->text();
    const std::optional<std::string> query = search::FoldQuery(typed);
    std::array<QString, 7> names;
    for (int n = 1; n <= 6; ++n)
        names[std::size_t(n)] = cp932::Decode(Form1->BoxName(n));
    results_.Reset(&index_, query ? index_.Find(*query) : std::vector<std::uint32_t>(),
                   query.value_or(std::string()), names);

    if (typed.isEmpty())
        Label1->setText(QString());
    else if (const auto missing = cp932::FirstUnencodable(cp932::FoldLookAlikes(typed)))
        Label1->setText(QStringLiteral("0 件（%1 はメモに書けない文字です）")
                            .arg(QString::fromUcs4(&*missing, 1)));
    else
        Label1->setText(QStringLiteral("%1 件").arg(ResultCount()));

    // The chosen memo stays chosen when it is still among the results.
    if (keep != 0) {
        for (int row = 0; row < ResultCount(); ++row) {
            if (results_.EntryAt(row).memo == keep) {
                ListView1->setCurrentIndex(results_.index(row, 0));
                break;
            }
        }
    }
}

void TFormSearch::OpenRow(int row) {
    if (row < 0 || row >= ResultCount())
        return;
    // What the row showed, kept before the lists may change under it.
    const search::MemoIndex::Entry entry = results_.EntryAt(row);
    const std::string text(index_.Text(entry));
    const QRect rect = ListView1->visualRect(results_.index(row, TSearchResults::TitleColumn));
    const QPoint at = ListView1->viewport()->mapToGlobal(rect.bottomLeft());

    // Changes made on disk by others come in first, as when a box menu opens.
    Form1->TakeInDiskChanges();
    const TMemoList& list = Form1->BoxMemoLists[std::size_t(entry.box)];
    const std::ptrdiff_t found = IndexOfMemo(list, entry.memo);
    if (found < 0 || !search::SameMemo(*list[std::size_t(found)], entry.memoDate, text)) {
        Refresh();
        Label1->setText(QStringLiteral("選んだメモは変わったか、なくなっていました。"
                                       "結果を新しくしました。"));
        return;
    }
    Form1->ShowMemoMenu(entry.box, entry.memo, at);
}

void TFormSearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (stale_)
        platform::Guard([this] { Refresh(); });
}

void TFormSearch::done(int result) {
    // The window closes whatever happens to the saving of its position.
    platform::Guard([this] { FormClose(); });
    QDialog::done(result);
    // The copy of every memo is not kept while nobody searches; it is made again when the
    // window is next shown.
    results_.Reset(nullptr, {}, {}, {});
    index_.Clear();
    stale_ = true;
}

bool TFormSearch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == Edit1) {
        if (key == Qt::Key_Down && ResultCount() > 0) {
            ListView1->setFocus();
            if (!ListView1->currentIndex().isValid())
                ListView1->setCurrentIndex(results_.index(0, 0));
            return true;
        }
        if (enter) {
            // Enter in the field opens the chosen row, or the first.
            const QModelIndex current = ListView1->currentIndex();
            const int row = current.isValid() ? current.row() : 0;
            platform::Guard([this, row] { OpenRow(row); });
            return true;
        }
    } else if (watched == ListView1) {
        if (enter) {
            const int row = ListView1->currentIndex().row();
            platform::Guard([this, row] { OpenRow(row); });
            return true;
        }
        if (key == Qt::Key_Up && ListView1->currentIndex().row() <= 0) {
            Edit1->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
