// Box files of 10,000 and 100,000 memos (about 200 bytes a memo, Japanese CP932 text):
//   ReadBoxFile / WriteBoxFile, next to PlainRead (QFile::readAll) and PlainWrite (QSaveFile)
//   of the same bytes, run in the same program on the same folder;
//   ParseBoxFile / BoxFileBytes / NewMemos: the in-memory parts of the two, to say where the
//   difference goes;
//   StoreMemo / DeleteMemo: what the store does when a memo is stored (append, sort, rewrite
//   the box file) and when one is deleted (erase, rewrite);
//   MergeBox: a store that finds the file changed on disk (one memo added there) merges it into
//   the list before writing;
//   DecodeTitles / DecodeBodies: cp932::Decode of the titles of 1,000 memos (as a box menu shows
//   them) and of their whole texts (as the editor shows one), next to Qt's "windows-31j" codec
//   with one decoder for all (CodecShared, as a box menu used it) and one per text
//   (CodecPerText, as cp932::Decode used it).
// The files are written to a temporary folder (TMPDIR or /tmp) that is the current directory,
// since box files are opened by bare name.
#include "SampleMemos.h"
#include "store/BoxFile.h"
#include "store/BoxMerge.h"
#include "store/BoxSync.h"
#include "util/CP932.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

// The temporary folder holding 1.dat; the current directory from the first use on.
class BoxFolder {
public:
    static BoxFolder& Get() {
        static BoxFolder folder;
        return folder;
    }
    // Makes 1.dat hold `count` sample memos.
    void Fill(std::size_t count) {
        if (count_ == count)
            return;
        bytes_ = bench::SampleBoxBytes(count);
        QFile file(BoxFileName(1));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes_.data(), qint64(bytes_.size())) != qint64(bytes_.size()))
            std::abort();
        count_ = count;
    }
    const std::string& Bytes() const { return bytes_; }

private:
    BoxFolder() {
        if (!dir_.isValid() || !QDir::setCurrent(dir_.path()))
            std::abort();
    }
    QTemporaryDir dir_;
    std::size_t count_ = 0;
    std::string bytes_;
};

void SetCounters(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
    state.counters["bytes"] = double(bytes);
}

void BM_ReadBoxFile(benchmark::State& state) {
    auto& folder = BoxFolder::Get();
    folder.Fill(std::size_t(state.range(0)));
    for (auto _ : state) {
        TMemoList list;
        const auto result = ReadBoxFile(1, list);
        if (result.damaged || list.size() != std::size_t(state.range(0)))
            state.SkipWithError("the box did not load whole");
        state.PauseTiming();
        list.clear();
        state.ResumeTiming();
    }
    SetCounters(state, folder.Bytes().size());
}

void BM_PlainRead(benchmark::State& state) {
    auto& folder = BoxFolder::Get();
    folder.Fill(std::size_t(state.range(0)));
    for (auto _ : state) {
        QFile file(BoxFileName(1));
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open");
        QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.data());
    }
    SetCounters(state, folder.Bytes().size());
}

void BM_ParseBoxFile(benchmark::State& state) {
    auto& folder = BoxFolder::Get();
    folder.Fill(std::size_t(state.range(0)));
    const std::string& bytes = folder.Bytes();
    for (auto _ : state) {
        TMemoList list;
        ParseBoxFile(bytes, list);
        benchmark::DoNotOptimize(list.data());
        state.PauseTiming();
        list.clear();
        state.ResumeTiming();
    }
    SetCounters(state, bytes.size());
}

// Just the records: one TMemoData per memo, as the parser makes them before it fills them.
void BM_NewMemos(benchmark::State& state) {
    const auto count = std::size_t(state.range(0));
    for (auto _ : state) {
        TMemoList list;
        list.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            list.push_back(std::make_unique<TMemoData>());
        benchmark::DoNotOptimize(list.data());
        state.PauseTiming();
        list.clear();
        state.ResumeTiming();
    }
}

void BM_WriteBoxFile(benchmark::State& state) {
    BoxFolder::Get();
    const TMemoList list = bench::SampleMemos(std::size_t(state.range(0)));
    const QString name = BoxFileName(2);
    for (auto _ : state)
        WriteBoxFile(name, list);
    SetCounters(state, BoxFileBytes(list).size());
}

void BM_PlainWrite(benchmark::State& state) {
    const std::string bytes = bench::SampleBoxBytes(std::size_t(state.range(0)));
    BoxFolder::Get();
    const QString name = BoxFileName(3);
    for (auto _ : state) {
        QSaveFile file(name);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) ||
            !file.commit())
            state.SkipWithError("cannot write");
    }
    SetCounters(state, bytes.size());
}

void BM_BoxFileBytes(benchmark::State& state) {
    const TMemoList list = bench::SampleMemos(std::size_t(state.range(0)));
    for (auto _ : state) {
        std::string bytes = BoxFileBytes(list);
        benchmark::DoNotOptimize(bytes.data());
    }
    SetCounters(state, BoxFileBytes(list).size());
}

// Storing a new memo: it joins the list, the list is sorted into the memo order and the box
// file is written by `write` (the editor's OK). The memo is taken out again untimed.
template <typename Write> void StoreNewestMemo(benchmark::State& state, Write write) {
    BoxFolder::Get();
    TMemoList list = bench::SampleMemos(std::size_t(state.range(0)));
    const QString name = BoxFileName(4);
    WriteBoxFile(name, list);
    for (auto _ : state) {
        state.PauseTiming();
        auto memo = bench::NewestMemo();
        state.ResumeTiming();
        list.push_back(std::move(memo));
        SortMemos(list);
        write(state, name, list);
        state.PauseTiming();
        list.erase(list.begin());
        state.ResumeTiming();
    }
}

// The plain write, flushed to the disk before it replaces the old file.
void BM_StoreMemo(benchmark::State& state) {
    StoreNewestMemo(state,
                    [](auto&, const QString& name, TMemoList& list) { WriteBoxFile(name, list); });
}

// The same store as the program made it before files were flushed to the disk and checked for
// changes made by others: a buffered temporary file renamed over the old one.
void BM_StoreMemoUnflushed(benchmark::State& state) {
    StoreNewestMemo(state, [](benchmark::State& s, const QString& name, TMemoList& list) {
        const std::string bytes = BoxFileBytes(list);
        QSaveFile file(name);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) ||
            !file.commit())
            s.SkipWithError("cannot write");
    });
}

// The store as commands make it: the check for changes made by others (a file-status call when
// there are none), then the flushed write. The day's backup is left out (it happens once a day).
void BM_StoreMemoChecked(benchmark::State& state) {
    StoreNewestMemo(
        state, [](auto&, const QString& name, TMemoList& list) { BoxFiles().Store(name, list); });
}

// The change check alone, when nothing changed on disk.
void BM_CheckUnchangedBoxFile(benchmark::State& state) {
    BoxFolder::Get();
    TMemoList list = bench::SampleMemos(std::size_t(state.range(0)));
    const QString name = BoxFileName(4);
    WriteBoxFile(name, list);
    QThread::msleep(200); // past the file clock's tick, as in use
    for (auto _ : state)
        benchmark::DoNotOptimize(BoxFiles().Refresh(name, list));
}

// Deleting a memo from the middle of the box: erase and rewrite. It is put back untimed.
void BM_DeleteMemo(benchmark::State& state) {
    BoxFolder::Get();
    TMemoList list = bench::SampleMemos(std::size_t(state.range(0)));
    const QString name = BoxFileName(5);
    const auto middle = std::ptrdiff_t(list.size() / 2);
    for (auto _ : state) {
        auto memo = std::move(list[std::size_t(middle)]);
        list.erase(list.begin() + middle);
        WriteBoxFile(name, list);
        state.PauseTiming();
        list.insert(list.begin() + middle, std::move(memo));
        state.ResumeTiming();
    }
}

// The merge alone: the list and the base hold the sample memos, the disk one memo more. The memo
// it adds is taken out again untimed.
void BM_MergeBox(benchmark::State& state) {
    const auto count = std::size_t(state.range(0));
    TMemoList list = bench::SampleMemos(count);
    const std::string base = BoxFileBytes(list);
    TMemoList onDisk = bench::SampleMemos(count);
    onDisk.insert(onDisk.begin(), bench::NewestMemo());
    const std::string disk = BoxFileBytes(onDisk);
    for (auto _ : state) {
        const MergeOutcome outcome = MergeBox(base, disk, list);
        if (outcome.added.size() != 1 || !outcome.removed.empty())
            state.SkipWithError("the merge did not add the one memo");
        state.PauseTiming();
        list.erase(list.begin());
        state.ResumeTiming();
    }
    SetCounters(state, disk.size());
}

// The texts that the decoding benchmarks decode: the first line of each sample memo, or its
// lines joined by CR LF.
std::vector<std::string> SampleTexts(bool wholeText) {
    std::vector<std::string> texts;
    for (const auto& memo : bench::SampleMemos(1000)) {
        std::string text;
        for (const std::string& line : memo->Lines) {
            text += line;
            if (!wholeText)
                break;
            text += "\r\n";
        }
        texts.push_back(std::move(text));
    }
    return texts;
}

enum class Decoder { Tables, CodecShared, CodecPerText };

void DecodeTexts(benchmark::State& state, bool wholeText, Decoder how) {
    const std::vector<std::string> texts = SampleTexts(wholeText);
    std::size_t bytes = 0;
    for (const std::string& text : texts)
        bytes += text.size();
    QStringDecoder shared("windows-31j");
    for (auto _ : state) {
        for (const std::string& text : texts) {
            const QByteArrayView view(text.data(), qsizetype(text.size()));
            QString out;
            switch (how) {
            case Decoder::Tables:
                out = cp932::Decode(text);
                break;
            case Decoder::CodecShared:
                shared.resetState();
                out = shared.decode(view);
                break;
            case Decoder::CodecPerText:
                out = QStringDecoder("windows-31j").decode(view);
                break;
            }
            benchmark::DoNotOptimize(out.data());
        }
    }
    SetCounters(state, bytes);
}

void BM_DecodeTitles(benchmark::State& state) {
    DecodeTexts(state, false, Decoder::Tables);
}
void BM_DecodeTitlesCodecShared(benchmark::State& state) {
    DecodeTexts(state, false, Decoder::CodecShared);
}
void BM_DecodeTitlesCodecPerText(benchmark::State& state) {
    DecodeTexts(state, false, Decoder::CodecPerText);
}
void BM_DecodeBodies(benchmark::State& state) {
    DecodeTexts(state, true, Decoder::Tables);
}
void BM_DecodeBodiesCodecShared(benchmark::State& state) {
    DecodeTexts(state, true, Decoder::CodecShared);
}
void BM_DecodeBodiesCodecPerText(benchmark::State& state) {
    DecodeTexts(state, true, Decoder::CodecPerText);
}

} // namespace

BENCHMARK(BM_ReadBoxFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseBoxFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewMemos)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBoxFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoxFileBytes)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreMemo)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreMemoUnflushed)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreMemoChecked)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckUnchangedBoxFile)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteMemo)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeBox)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeTitles)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeTitlesCodecShared)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeTitlesCodecPerText)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeBodies)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeBodiesCodecShared)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeBodiesCodecPerText)->Unit(benchmark::kMicrosecond);
