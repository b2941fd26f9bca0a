// A program killed at any moment while it merges and stores (SIGKILL: no handler runs) leaves
// box files that read whole, and every memo that was on disk before it started is still in one
// of them.
#include "FakePlatform.h"
#include "TempDir.h"
#include "store/BoxCommands.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"

#include <QFile>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kOriginals = 8;
constexpr int kRounds = 20;

std::unique_ptr<TMemoData> MemoOf(const std::string& title) {
    auto memo = std::make_unique<TMemoData>();
    memo->Lines = {title};
    return memo;
}

// The child: another writer adds a memo to box 1 by a rename, as sync tools write; the program
// adds one of its own (merging the other's first), moves a memo between boxes 1 and 2 and
// deletes the memos that the loop itself added, for ever.
[[noreturn]] void WriteUntilKilled(FakePlatform& fake, unsigned seed) {
    try {
        std::mt19937 random(seed);
        BoxFiles().Clear();
        TBoxLists lists;
        ReadBoxFile(1, lists[1]);
        ReadBoxFile(2, lists[2]);
        for (int round = 0;; ++round) {
            fake.now += 1.0 / 86400;
            const std::string tag = std::to_string(seed) + "-" + std::to_string(round);
            TMemoList theirs;
            ParseBoxFile(ReadBytes(BoxFileName(1)), theirs);
            theirs.push_back(MemoOf("outside " + tag));
            WriteBytes(QStringLiteral("outside.tmp"), BoxFileBytes(theirs));
            if (std::rename("outside.tmp", "1.dat") != 0)
                _exit(3);

            TMemoList ours;
            ours.push_back(MemoOf("program " + tag));
            AddMemos(lists[1], BoxFileName(1), std::move(ours));

            const int from = 1 + int(random() % 2);
            TMemoList& source = lists[std::size_t(from)];
            if (!source.empty())
                MoveMemo(source, random() % source.size(), BoxFileName(from),
                         lists[std::size_t(3 - from)], BoxFileName(3 - from), fake.now);

            for (int n = 1; n <= 2; ++n) {
                TMemoList& list = lists[std::size_t(n)];
                for (std::size_t i = 0; i < list.size(); ++i) {
                    if (!list[i]->Lines[0].starts_with("original")) {
                        DeleteMemo(list, i, BoxFileName(n), "L", fake.now);
                        break;
                    }
                }
            }
        }
    } catch (...) {
        _exit(2);
    }
}

TEST(KilledWriterTest, BoxFilesStayWholeAndKeepEveryEarlierMemo) {
    FakePlatform::Scope fake;
    TempCurrentDir dir;
    TMemoList box1;
    for (int i = 0; i < kOriginals; ++i)
        box1.push_back(MemoOf("original " + std::to_string(i)));
    WriteBoxFile(BoxFileName(1), box1);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (int round = 0; round < kRounds; ++round) {
        std::fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            WriteUntilKilled(*fake, random());
        // Anywhere from before the first write to some dozens of stores in.
        usleep(useconds_t(random() % 150000));
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "round " << round << ": the writer ended by itself, status " << status;

        std::set<std::string> titles;
        for (int n = 1; n <= 2; ++n) {
            if (!QFile::exists(BoxFileName(n)))
                continue;
            TMemoList list;
            ASSERT_FALSE(ParseBoxFile(ReadBytes(BoxFileName(n)), list).damaged)
                << "round " << round << ": box " << n;
            for (const auto& memo : list)
                titles.insert(memo->Lines.at(0));
        }
        for (int i = 0; i < kOriginals; ++i)
            ASSERT_TRUE(titles.contains("original " + std::to_string(i)))
                << "round " << round << ": original " << i << " lost";
    }
}

} // namespace
