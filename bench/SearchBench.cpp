// Searching memos at 10,000 and 100,000 memos (spread over the six boxes, about 190 bytes of
// Japanese CP932 text a memo), for three queries: a memo number (6 memos), a word in every memo
// (every memo a row) and an ASCII word in none.
//   Search: what a keystroke costs in the matching: the query folded, the folded text of all
//   memos scanned, one row per memo;
//   PlainScan: next to it, the floor: memmem of the query's bytes over the memos' own bytes,
//   joined the same way, one row per memo, no folding and no character check;
//   Keystroke: the same keystroke on the real search window (offscreen, platform test double,
//   shipped default skin): the field's text set, the rows made, the window painted;
//   BuildIndex: copying and folding every memo, done when the window is shown or the lists
//   change while it is shown.
#include "BenchWindows.h"
#include "FakePlatform.h"
#include "SampleMemos.h"
#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/Search.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit3.h"
#include "mainwindow/Unit4.h"
#include "search/MemoSearch.h"
#include "util/CP932.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

namespace {

const QString& Query(std::int64_t which) {
    static const QString queries[] = {QStringLiteral("第1234号"), QStringLiteral("りんご"),
                                      QStringLiteral("xyz")};
    return queries[which];
}

// The six lists with count / 6 sample memos each.
std::array<TMemoList, 7> SampleLists(std::size_t count) {
    std::array<TMemoList, 7> lists;
    for (int box = 1; box <= 6; ++box)
        lists[std::size_t(box)] = bench::SampleMemos(count / 6);
    return lists;
}

// The memos' bytes as the index keeps them (lines and memos separated by '\n'), and where each
// memo ends.
struct PlainText {
    std::string bytes;
    std::vector<std::size_t> ends;
};

PlainText Joined(const std::array<TMemoList, 7>& lists) {
    PlainText text;
    for (int box = 1; box <= 6; ++box) {
        for (const auto& memo : lists[std::size_t(box)]) {
            for (std::size_t i = 0; i < memo->Lines.size(); ++i) {
                if (i > 0)
                    text.bytes.push_back('\n');
                text.bytes.append(memo->Lines[i]);
            }
            text.ends.push_back(text.bytes.size());
            text.bytes.push_back('\n');
        }
    }
    return text;
}

std::vector<std::size_t> PlainScan(const PlainText& text, const std::string& query) {
    std::vector<std::size_t> rows;
    const char* const base = text.bytes.data();
    const std::size_t size = text.bytes.size();
    std::size_t pos = 0, memo = 0;
    while (const void* found = memmem(base + pos, size - pos, query.data(), query.size())) {
        const std::size_t at = std::size_t(static_cast<const char*>(found) - base);
        while (text.ends[memo] < at)
            ++memo;
        rows.push_back(memo);
        pos = text.ends[memo] + 1;
        if (pos >= size)
            break;
    }
    return rows;
}

void BM_Search(benchmark::State& state) {
    const auto lists = SampleLists(std::size_t(state.range(0)));
    search::MemoIndex index;
    index.Build(lists);
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto query = search::FoldQuery(Query(state.range(1)));
        const auto hits = index.Find(*query);
        rows = hits.size();
        benchmark::DoNotOptimize(hits.data());
    }
    state.counters["rows"] = double(rows);
}

void BM_PlainScan(benchmark::State& state) {
    const auto lists = SampleLists(std::size_t(state.range(0)));
    const PlainText text = Joined(lists);
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto hits = PlainScan(text, cp932::Encode(Query(state.range(1))));
        rows = hits.size();
        benchmark::DoNotOptimize(hits.data());
    }
    state.counters["rows"] = double(rows);
    state.counters["bytes"] = double(text.bytes.size());
}

void BM_BuildIndex(benchmark::State& state) {
    const auto lists = SampleLists(std::size_t(state.range(0)));
    search::MemoIndex index;
    for (auto _ : state) {
        index.Build(lists);
        benchmark::DoNotOptimize(index.Entries().data());
    }
}

void BM_Keystroke(benchmark::State& state) {
    bench::Windows::Get();
    auto lists = SampleLists(std::size_t(state.range(0)));
    for (int box = 1; box <= 6; ++box)
        std::swap(Form1->BoxMemoLists[std::size_t(box)], lists[std::size_t(box)]);
    FormSearch->Edit1->clear();
    FormSearch->Open();
    FormSearch->Refresh();
    QApplication::processEvents();
    for (auto _ : state) {
        FormSearch->Edit1->setText(Query(state.range(1)));
        QApplication::processEvents();
        state.PauseTiming();
        FormSearch->Edit1->clear();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    FormSearch->Edit1->setText(Query(state.range(1)));
    state.counters["rows"] = double(FormSearch->ResultCount());
    FormSearch->Edit1->clear();
    for (int box = 1; box <= 6; ++box)
        Form1->BoxMemoLists[std::size_t(box)].clear();
    FormSearch->Refresh();
}

void Sizes(benchmark::internal::Benchmark* bench) {
    for (const std::int64_t count : {10'000, 100'000})
        for (const std::int64_t query : {0, 1, 2})
            bench->Args({count, query});
    bench->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Search)->Apply(Sizes);
BENCHMARK(BM_PlainScan)->Apply(Sizes);
BENCHMARK(BM_Keystroke)->Apply(Sizes);
BENCHMARK(BM_BuildIndex)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace
