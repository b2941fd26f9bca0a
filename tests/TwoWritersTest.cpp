// The program's box commands and its merge of outside changes, run against another writer that
// changes the same box files in random order, are checked after every step against a model of
// which records must exist: no memo is lost and none is duplicated beyond the versions that two
// writers changing one memo both keep.
#include "FakePlatform.h"
#include "TempDir.h"
#include "store/BoxCommands.h"
#include "store/BoxFile.h"
#include "store/BoxMerge.h"
#include "store/BoxSync.h"
#include "store/SyncConflicts.h"
#include "util/Exception.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <sstream>

namespace {

constexpr int kBoxes = 3;
constexpr int kSteps = 3000;
constexpr std::size_t kMaxMemos = 12; // per box: additions become deletions above it

// A record as the box file holds it, with its box.
using Key = std::pair<int, std::string>;

std::string RecordOf(const TMemoData& memo) {
    std::string bytes;
    memo.SaveToStream(bytes);
    return bytes;
}

std::string Describe(const std::multiset<Key>& keys) {
    std::ostringstream out;
    for (const auto& [box, record] : keys) {
        TMemoData memo{TMemoData::FromFile{}};
        std::size_t pos = 0;
        memo.LoadFromStream(record, pos);
        out << " " << box << ":" << (memo.Lines.empty() ? "" : memo.Lines[0]) << "@"
            << memo.SavedAt;
    }
    return out.str();
}

TMemoList Parse(const std::string& bytes) {
    TMemoList list;
    if (!bytes.empty()) {
        EXPECT_FALSE(ParseBoxFile(bytes, list).damaged);
    }
    return list;
}

class TwoWriters {
public:
    TwoWriters(FakePlatform& fake, unsigned seed) : fake_(fake), random_(seed) {
        BoxFiles().Clear();
        for (int n = 1; n <= kBoxes; ++n)
            ReadBoxFile(n, lists_[std::size_t(n)]);
    }

    void Step() {
        fake_.now += 1.0 / 86400;
        lastStep = "nothing";
        // While the editor is open (it is modal) the program only adds memos given to it by
        // the command line, takes in outside changes and, at last, stores the edit.
        const int choice = Pick(10);
        if (editOpen_ && choice >= 7) {
            FinishEdit();
            return;
        }
        switch (choice) {
        case 0:
            OutsideAdd();
            break;
        case 1:
            OutsideEdit();
            break;
        case 2:
            OutsideDelete();
            break;
        case 3:
            OutsideConflictCopy();
            break;
        case 4:
            TakeIn();
            break;
        case 5:
        case 6:
            ProgramAdd();
            break;
        case 7:
            BeginEdit();
            break;
        case 8:
            ProgramDelete();
            break;
        case 9:
            ProgramMove();
            break;
        }
        const int box = 1 + Pick(kBoxes);
        history_.emplace_back(box, DiskBytes(box));
        if (history_.size() > 40)
            history_.erase(history_.begin());
    }

    // What the program holds once it has taken in every outside change and conflict copy, worked
    // out on copies so that the run goes on undisturbed.
    std::multiset<Key> Settled() const {
        std::multiset<Key> keys;
        BoxSync probe = BoxFiles();
        for (int n = 1; n <= kBoxes; ++n) {
            TMemoList list;
            for (const auto& memo : lists_[std::size_t(n)])
                list.push_back(std::make_unique<TMemoData>(*memo));
            probe.Refresh(BoxFileName(n), list);
            for (const QString& copy : ConflictCopies(QDir::currentPath(), n))
                MergeConflictCopy(ReadBytes(copy), list);
            for (const auto& memo : list)
                keys.emplace(n, RecordOf(*memo));
        }
        return keys;
    }

    // The model with the pending conflict copies taken in, as the program takes them in.
    std::multiset<Key> Expected() const {
        std::multiset<Key> keys = model_;
        for (int n = 1; n <= kBoxes; ++n)
            for (const QString& copy : ConflictCopies(QDir::currentPath(), n))
                for (const auto& memo : Parse(ReadBytes(copy)))
                    if (!keys.contains({n, RecordOf(*memo)}))
                        keys.emplace(n, RecordOf(*memo));
        return keys;
    }

    // As the window takes in changes on disk. A conflict copy whose memos the box file could not
    // be given stays where it is; the list holds them, so the box's next store writes them.
    void TakeIn() {
        lastStep = "take in";
        for (int n = 1; n <= kBoxes; ++n) {
            TMemoList& list = lists_[std::size_t(n)];
            BoxFiles().Refresh(BoxFileName(n), list);
            for (const QString& copy : ConflictCopies(QDir::currentPath(), n)) {
                const std::string bytes = ReadBytes(copy);
                const MergeOutcome outcome = MergeConflictCopy(bytes, list);
                ASSERT_FALSE(outcome.damaged);
                for (const auto& memo : Parse(bytes))
                    if (!model_.contains({n, RecordOf(*memo)}))
                        model_.emplace(n, RecordOf(*memo));
                if (!Command([&] {
                        if (outcome.Changed())
                            BoxFiles().Store(BoxFileName(n), list);
                    }))
                    continue;
                ASSERT_TRUE(QFile::remove(copy));
            }
        }
    }

    // Takes in the last changes and stores every box: each box file then holds exactly its list.
    void Finish() {
        TakeIn();
        for (int n = 1; n <= kBoxes; ++n)
            BoxFiles().Store(BoxFileName(n), lists_[std::size_t(n)]);
        for (int n = 1; n <= kBoxes; ++n)
            EXPECT_EQ(DiskBytes(n), BoxFileBytes(lists_[std::size_t(n)])) << "box " << n;
    }

    std::string lastStep;

private:
    int Pick(std::size_t n) {
        return int(std::uniform_int_distribution<std::size_t>(0, n - 1)(random_));
    }

    // Runs a command of the program; now and then one of its writes fails (the old file stays,
    // as when the disk is full). False when it failed, which must change nothing but what the
    // merge took in.
    template <class Run> bool Command(const Run& run) {
        if (Pick(6) == 0) {
            fake_.failSaveAt = 1 + Pick(3);
            fake_.failSaveStage = Pick(2) == 0 ? FakePlatform::SaveFailure::HalfWay
                                               : FakePlatform::SaveFailure::AtCommit;
        }
        bool done = true;
        try {
            run();
        } catch (const Exception&) {
            done = false;
            lastStep += " (failed)";
        }
        fake_.failSaveAt = 0;
        return done;
    }

    std::unique_ptr<TMemoData> NewMemo(char writer) {
        auto memo = std::make_unique<TMemoData>();
        memo->Lines = {writer + std::to_string(++serial_)};
        if (Pick(3) == 0)
            memo->Lines.push_back("line");
        memo->SortKey = Pick(3);
        return memo;
    }

    static std::string DiskBytes(int box) {
        return QFile::exists(BoxFileName(box)) ? ReadBytes(BoxFileName(box)) : std::string();
    }

    // The other writer writes in place or, as sync tools do, by a rename.
    void WriteOutside(int box, const TMemoList& list) {
        if (Pick(2) == 0) {
            WriteBytes(BoxFileName(box), BoxFileBytes(list));
        } else {
            WriteBytes(QStringLiteral("outside.tmp"), BoxFileBytes(list));
            ASSERT_EQ(std::rename("outside.tmp", BoxFileName(box).toLocal8Bit().constData()), 0);
        }
    }

    void EraseOne(const Key& key) {
        if (const auto at = model_.find(key); at != model_.end())
            model_.erase(at);
        // The memo being edited was taken away: what comes back later is another memo.
        if (editOpen_ && key == Key{editBox_, editRecord_})
            editAlive_ = false;
    }

    void OutsideAdd() {
        const int box = 1 + Pick(kBoxes);
        TMemoList list = Parse(DiskBytes(box));
        if (list.size() > kMaxMemos)
            return OutsideDelete();
        auto memo = NewMemo('o');
        model_.emplace(box, RecordOf(*memo));
        lastStep = "outside add " + memo->Lines[0];
        list.insert(list.begin() + Pick(list.size() + 1), std::move(memo));
        WriteOutside(box, list);
    }

    void OutsideEdit() {
        const int box = 1 + Pick(kBoxes);
        TMemoList list = Parse(DiskBytes(box));
        if (list.empty())
            return;
        auto& memo = list[std::size_t(Pick(list.size()))];
        EraseOne({box, RecordOf(*memo)});
        lastStep = "outside edit " + memo->Lines[0];
        memo->Lines[0] = "x";
        memo->Lines[0] += std::to_string(++serial_);
        memo->SavedAt = fake_.now;
        model_.emplace(box, RecordOf(*memo));
        WriteOutside(box, list);
    }

    void OutsideDelete() {
        const int box = 1 + Pick(kBoxes);
        TMemoList list = Parse(DiskBytes(box));
        if (list.empty())
            return;
        const std::size_t at = std::size_t(Pick(list.size()));
        EraseOne({box, RecordOf(*list[at])});
        lastStep = "outside delete " + list[at]->Lines[0];
        list.erase(list.begin() + std::ptrdiff_t(at));
        WriteOutside(box, list);
    }

    // A sync tool's conflict copy: an earlier state of a box file, sometimes with a memo that
    // only that side has.
    void OutsideConflictCopy() {
        if (history_.empty())
            return;
        const auto& [box, bytes] = history_[std::size_t(Pick(history_.size()))];
        TMemoList list = Parse(bytes);
        if (Pick(2) == 0)
            list.push_back(NewMemo('c'));
        const QString name =
            QStringLiteral("%1.sync-conflict-20251209-120000-PEER%2.dat").arg(box).arg(++copies_);
        WriteBytes(name, BoxFileBytes(list));
        lastStep = "conflict copy " + name.toStdString();
    }

    void ProgramAdd() {
        const int box = 1 + Pick(kBoxes);
        if (lists_[std::size_t(box)].size() > kMaxMemos && !editOpen_)
            return ProgramDelete();
        TMemoList memos;
        memos.push_back(NewMemo('p'));
        const Key added{box, RecordOf(*memos[0])};
        lastStep = "add " + memos[0]->Lines[0];
        if (Command(
                [&] { AddMemos(lists_[std::size_t(box)], BoxFileName(box), std::move(memos)); }))
            model_.insert(added);
    }

    // A box and a memo in it, chosen at random; box 0 when every box is empty.
    std::pair<int, std::size_t> AnyMemo() {
        std::vector<std::pair<int, std::size_t>> all;
        for (int n = 1; n <= kBoxes; ++n)
            for (std::size_t i = 0; i < lists_[std::size_t(n)].size(); ++i)
                all.emplace_back(n, i);
        return all.empty() ? std::pair<int, std::size_t>{0, 0} : all[std::size_t(Pick(all.size()))];
    }

    // The editor opens on a memo; OK comes some steps later.
    void BeginEdit() {
        const auto [box, index] = AnyMemo();
        if (box == 0)
            return;
        const TMemoData& memo = *lists_[std::size_t(box)][index];
        editOpen_ = true;
        editBox_ = box;
        editCopies_ = {memo.Serial()};
        editRecord_ = RecordOf(memo);
        // A memo that the other writer already deleted is not there to be replaced.
        editAlive_ = model_.contains({box, editRecord_});
        lastStep = "edit begins on " + memo.Lines[0];
    }

    void FinishEdit() {
        const int target = 1 + Pick(kBoxes);
        auto memo = NewMemo('e');
        const Key stored{target, RecordOf(*memo)};
        lastStep = "edit stored as " + memo->Lines[0];
        std::vector<int> touched;
        // A failed OK leaves the editor open; the next OK replaces what the failed one left.
        if (!Command([&] { StoreEdit(lists_, target, std::move(memo), editCopies_, touched); }))
            return;
        if (editAlive_)
            EraseOne({editBox_, editRecord_});
        model_.insert(stored);
        editOpen_ = false;
    }

    void ProgramDelete() {
        const auto [box, index] = AnyMemo();
        if (box == 0)
            return;
        TMemoList& list = lists_[std::size_t(box)];
        const Key key{box, RecordOf(*list[index])};
        lastStep = "delete " + list[index]->Lines[0];
        if (Command([&] { DeleteMemo(list, index, BoxFileName(box), "L", fake_.now); }))
            EraseOne(key);
    }

    void ProgramMove() {
        const auto [box, index] = AnyMemo();
        if (box == 0)
            return;
        const int target = 1 + (box - 1 + 1 + Pick(kBoxes - 1)) % kBoxes;
        TMemoList& source = lists_[std::size_t(box)];
        TMemoData moved(*source[index]);
        moved.SavedAt = fake_.now;
        const Key from{box, RecordOf(*source[index])};
        lastStep = "move " + moved.Lines[0] + " to " + std::to_string(target);
        MoveMemo(source, index, BoxFileName(box), lists_[std::size_t(target)], BoxFileName(target),
                 fake_.now);
        EraseOne(from);
        model_.emplace(target, RecordOf(moved));
    }

    FakePlatform& fake_;
    std::mt19937 random_;
    TBoxLists lists_;
    std::multiset<Key> model_;
    std::vector<std::pair<int, std::string>> history_; // earlier states of the box files
    int serial_ = 0;
    int copies_ = 0;
    bool editOpen_ = false;
    bool editAlive_ = false;
    int editBox_ = 0;
    std::vector<MemoSerial> editCopies_; // the records that the open editor's OK replaces
    std::string editRecord_;
};

TEST(TwoWritersTest, NoMemoIsLostOrDuplicatedAgainstAnotherWriterAndConflictCopies) {
    FakePlatform::Scope fake;
    // A folder in memory when there is one: every store flushes its file to the disk.
    QTemporaryDir dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/tabuko-XXXXXX")
                                                : QDir::tempPath() + "/tabuko-XXXXXX");
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());

    const unsigned seed = qEnvironmentVariableIsSet("TABUKO_SEED") ? qgetenv("TABUKO_SEED").toUInt()
                                                                   : std::random_device{}();
    TwoWriters run(*fake, seed);
    for (int step = 0; step < kSteps && !HasFailure(); ++step) {
        run.Step();
        const std::multiset<Key> settled = run.Settled();
        const std::multiset<Key> expected = run.Expected();
        ASSERT_EQ(settled, expected)
            << "seed " << seed << ", step " << step << " (" << run.lastStep
            << ")\n  holds:   " << Describe(settled) << "\n  expected:" << Describe(expected);
    }
    run.Finish();
    if (HasFailure())
        std::printf("TABUKO_SEED=%u reproduces this run\n", seed);
    QDir::setCurrent(previous);
}

} // namespace
