#pragma once

#include "search/MemoSearch.h"
#include "ui/LazyWindow.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QStringList>
#include <array>

class QLabel;
class QLineEdit;
class QTreeView;
class SearchHost;

// The rows of the search window: one per memo that contains the query, in memo order within box
// order. Columns: box name, memo date, title, and the line that matched (its Qt::UserRole gives
// the start and length of the match in the shown text).
class TSearchResults : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { BoxColumn, DateColumn, TitleColumn, LineColumn, ColumnCount };

    // Rows of `hits` into `index`, which must stay unchanged while the rows are shown.
    void Reset(const search::MemoIndex* index, std::vector<std::uint32_t> hits,
               std::string foldedQuery, const std::array<QString, 7>& boxNames);

    const search::MemoIndex::Entry& EntryAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const search::MemoIndex* index_ = nullptr;
    std::vector<std::uint32_t> hits_;
    std::string query_;
    std::array<QString, 7> boxNames_;
};

// The search window "メモの検索": a field and the memos of all six boxes that contain its text,
// updated as the user types. A chosen row pops up the memo's memo menu at the row, as choosing
// the memo in its box menu does. Created once, hidden between uses; its position is kept in the
// settings section SearchWindow. It works on the memos, names and settings `host` gives, which
// must outlive it.
class TFormSearch : public QDialog {
    Q_OBJECT
public:
    explicit TFormSearch(SearchHost& host);

    // ---- design ----
    QLineEdit* Edit1 = nullptr;     // the text to find
    QTreeView* ListView1 = nullptr; // the results
    QLabel* Label1 = nullptr;       // how many memos were found, or why none

    // Shows the window with the field focused; a non-null text replaces the field's text,
    // otherwise the last one stays, selected, so that typing replaces it.
    void Open(const QString& text = QString());
    // The memo lists changed (every command ends with RefreshIndicators): the results are made
    // again now while the window is shown, else when it is next shown (closing the window lets
    // its copy of the memos go).
    void ListsChanged();
    // Builds the index from the host's lists and runs the query again.
    void Refresh();
    // Opens the memo of result row `row`: its memo menu at the row.
    void OpenRow(int row);

    int ResultCount() const { return results_.rowCount(); }
    const TSearchResults& Results() const { return results_; }

    void FormCreate();
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateDesign();
    // Runs the field's query over the index; `keep` stays the current row when it is found.
    void RunQuery(MemoSerial keep);
    // The memo of the current row, or 0.
    MemoSerial ChosenMemo() const;

    SearchHost& host_;
    search::MemoIndex index_;
    TSearchResults results_;
    bool stale_ = true;
};
