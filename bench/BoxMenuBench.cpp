// Rebuilding a box menu (RebuildBoxMenu: sort; then FillBoxMenu, which runs as the menu opens:
// drop surplus memo items, bring captions up to date, one item per further memo) on the real
// main window, created offscreen over the platform's test double with the shipped default skin,
// for boxes of 1,000, 10,000 and 100,000 memos. The menu already holds the box's items (above
// 10,000 memos: its window of rows), as it does after start-up when a memo is stored or deleted.
// Next to it, in the same run, the floor: creating as many bare QActions with the same captions
// (and deleting the previous ones), without a menu, and the same bare QActions added to a QMenu.
// The first opening of a box menu as the user meets it: from a menu holding only its title row,
// RebuildBoxMenu and the opening (popped up offscreen, laid out, hidden again), next to bare
// QActions added to a QMenu of the same style and font and popped up the same way.
#include "BenchWindows.h"
#include "FakePlatform.h"
#include "SampleMemos.h"
#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "ui/MenuDesign.h"
#include "util/CP932.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <limits>
#include <memory>

namespace {

// A rebuild as the user meets it: the list sorted, the items made as the menu opens.
void Rebuild(TMemoList& list, QMenu* menu) {
    Form1->RebuildBoxMenu(list, menu);
    Form1->FillBoxMenu(menu);
}

// Box 1 holding `count` sample memos, its menu listing them; emptied again at the end.
class SampleBox {
public:
    explicit SampleBox(std::size_t count) {
        bench::Windows::Get();
        list = bench::SampleMemos(count);
        Rebuild(list, menu);
    }
    ~SampleBox() {
        list.clear();
        Rebuild(list, menu);
    }
    TMemoList& list = Form1->BoxMemoLists[1];
    QMenu* const menu = Form1->PopupMenu[1];
};

void BM_RebuildBoxMenu(benchmark::State& state) {
    SampleBox box(std::size_t(state.range(0)));
    for (auto _ : state)
        Rebuild(box.list, box.menu);
    if (Form1->ListedMemos(1) != qsizetype(state.range(0)))
        state.SkipWithError("the menu does not list every memo");
}

// A new memo that sorts first: every item's caption shifts by one and one item is added.
void BM_RebuildBoxMenuNewestMemo(benchmark::State& state) {
    SampleBox box(std::size_t(state.range(0)));
    for (auto _ : state) {
        box.list.push_back(bench::NewestMemo());
        Rebuild(box.list, box.menu);
        state.PauseTiming();
        box.list.erase(box.list.begin());
        Rebuild(box.list, box.menu);
        state.ResumeTiming();
    }
}

// The menu holds only its title row, as at start-up: every item is created.
void BM_BuildBoxMenuFromEmpty(benchmark::State& state) {
    SampleBox box(std::size_t(state.range(0)));
    TMemoList none;
    for (auto _ : state) {
        state.PauseTiming();
        Rebuild(none, box.menu);
        state.ResumeTiming();
        Rebuild(box.list, box.menu);
    }
}

// The captions the box menu shows for the sample memos.
QStringList SampleCaptions(std::size_t count) {
    QStringList captions;
    for (const auto& memo : bench::SampleMemos(count))
        captions << cp932::Decode(memo->Lines.front());
    return captions;
}

void BM_BareActions(benchmark::State& state) {
    bench::Windows::Get();
    const auto count = std::size_t(state.range(0));
    const QStringList captions = SampleCaptions(count);
    QObject owner;
    for (auto _ : state) {
        qDeleteAll(owner.children());
        for (const QString& caption : captions)
            benchmark::DoNotOptimize(new QAction(caption, &owner));
    }
    qDeleteAll(owner.children());
}

void BM_BareActionsInMenu(benchmark::State& state) {
    bench::Windows::Get();
    const auto count = std::size_t(state.range(0));
    const QStringList captions = SampleCaptions(count);
    QMenu menu;
    for (auto _ : state) {
        state.PauseTiming();
        qDeleteAll(menu.actions());
        state.ResumeTiming();
        QList<QAction*> actions;
        for (const QString& caption : captions)
            actions.push_back(new QAction(caption, &menu));
        menu.addActions(actions);
    }
}

// Pops a menu up offscreen, lets it lay itself out and show, and hides it again.
void OpenAndClose(QMenu* menu) {
    menu->popup(QPoint(0, 0));
    QCoreApplication::processEvents();
    menu->hide();
}

// Box 1's menu holds only its title row (as after start-up); the box gets the sample memos and
// its menu opens for the first time.
void BM_FirstOpening(benchmark::State& state) {
    bench::Windows::Get();
    TMemoList& list = Form1->BoxMemoLists[1];
    QMenu* menu = Form1->PopupMenu[1];
    const auto count = std::size_t(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        list.clear();
        Rebuild(list, menu);
        list = bench::SampleMemos(count);
        state.ResumeTiming();
        Form1->RebuildBoxMenu(list, menu);
        OpenAndClose(menu);
    }
    if (Form1->ListedMemos(1) != qsizetype(count))
        state.SkipWithError("the menu does not list every memo");
    list.clear();
    Rebuild(list, menu);
}

// The same with every memo an item, whatever the size of the box: the figures behind the size
// from which a box menu shows its memos through a window of rows.
void BM_FirstOpeningFullMenu(benchmark::State& state) {
    Form1->SetFullBoxMenuLimit(std::numeric_limits<qsizetype>::max());
    BM_FirstOpening(state);
    Form1->SetFullBoxMenuLimit(TForm1::kFullBoxMenuLimit);
}

// One menu for all iterations, as a box menu is: its window is made once.
void BM_BareActionsInMenuOpened(benchmark::State& state) {
    bench::Windows::Get();
    const QStringList captions = SampleCaptions(std::size_t(state.range(0)));
    std::unique_ptr<QMenu> menu(design::NewMenu(nullptr, QStringLiteral("Bare")));
    menu->setFont(Form1->PopupMenu[1]->font());
    for (auto _ : state) {
        state.PauseTiming();
        qDeleteAll(menu->actions());
        state.ResumeTiming();
        QList<QAction*> actions;
        for (const QString& caption : captions)
            actions.push_back(new QAction(caption, menu.get()));
        menu->addActions(actions);
        OpenAndClose(menu.get());
    }
}

} // namespace

BENCHMARK(BM_FirstOpening)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstOpeningFullMenu)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareActionsInMenuOpened)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareActions)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareActionsInMenu)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildBoxMenuNewestMemo)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildBoxMenuFromEmpty)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(30000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RebuildBoxMenu)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
