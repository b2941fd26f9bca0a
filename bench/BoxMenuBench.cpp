// Rebuilding a box menu (RebuildBoxMenu: sort; then FillBoxMenu, which runs as the menu opens:
// drop surplus memo items, bring captions up to date, one item per further memo) on the real
// main window, created offscreen over the platform's test double with the shipped
// default skin, for boxes of 1,000, 10,000 and 100,000 memos. The menu already holds the box's
// items, as it does after start-up when a memo is stored or deleted. Next to it, in the same
// run, the floor: creating as many bare QActions with the same captions (and deleting the
// previous ones), without a menu, and the same bare QActions added to a QMenu.
#include "BenchWindows.h"
#include "FakePlatform.h"
#include "SampleMemos.h"
#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "platform/CP932.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

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
    if (box.menu->actions().size() != qsizetype(state.range(0)) + 1)
        state.SkipWithError("the menu does not hold one item per memo");
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

} // namespace

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
