// The command line: its parsing, the export files and what --import reads back, the work on the
// files while no program runs, and the handing over to a running program.
#include "cli/CommandLine.h"
#include "FakePlatform.h"
#include "Memos.h"
#include "TempDir.h"
#include "cli/Arguments.h"
#include "cli/Offline.h"
#include "cli/Transfer.h"
#include "instance/Channel.h"
#include "instance/SingleInstance.h"
#include "store/BoxFile.h"
#include "store/BoxSync.h"
#include "util/CP932.h"
#include "util/Exception.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using cli::Command;
using cli::ParseArguments;

std::vector<std::vector<std::string>> LinesOf(const TMemoList& list) {
    std::vector<std::vector<std::string>> out;
    for (const auto& memo : list)
        out.push_back(memo->Lines);
    return out;
}

TEST(CommandLineTest, CommandsTheirBoxAndText) {
    EXPECT_EQ(ParseArguments({}).command, Command::None);
    // The toolkit's own options still start the program as before.
    EXPECT_EQ(ParseArguments({"-platform", "offscreen", "-session", "1a2b"}).command,
              Command::None);

    const cli::Arguments words = ParseArguments({"--new", "--box", "3", "牛乳", "を買う"});
    EXPECT_EQ(words.command, Command::New);
    EXPECT_EQ(words.box, 3);
    EXPECT_EQ(words.text, QStringLiteral("牛乳 を買う"));
    const cli::Arguments dashed = ParseArguments({"--box=6", "--new", "--", "-5 度", "--hide"});
    EXPECT_EQ(dashed.box, 6);
    EXPECT_EQ(dashed.text, QStringLiteral("-5 度 --hide"));
    EXPECT_FALSE(ParseArguments({"--new"}).text.has_value());
    EXPECT_EQ(ParseArguments({"--new"}).box, 1);
    EXPECT_FALSE(ParseArguments({"--search"}).text.has_value());
    EXPECT_EQ(ParseArguments({"--search", "abc"}).text, QStringLiteral("abc"));

    const cli::Arguments import = ParseArguments({"--import", "a.txt", "--box", "2", "b.txt"});
    EXPECT_EQ(import.command, Command::Import);
    EXPECT_EQ(import.files, QStringList({"a.txt", "b.txt"}));
    EXPECT_TRUE(import.boxGiven);
    EXPECT_EQ(ParseArguments({"--export", "out"}).folder, QStringLiteral("out"));
    EXPECT_EQ(ParseArguments({"-h"}).command, Command::Help);
}

TEST(CommandLineTest, ToolkitOptionsCountOnlyBeforeTheCommandWord) {
    // After the command word, words that look like the toolkit's options are memo text.
    const cli::Arguments name = ParseArguments({"--new", "-name", "foo", "bar"});
    EXPECT_EQ(name.text, QStringLiteral("-name foo bar"));
    EXPECT_TRUE(name.toolkit.isEmpty());
    EXPECT_EQ(ParseArguments({"--new", "-reverse", "hello"}).text,
              QStringLiteral("-reverse hello"));
    EXPECT_EQ(ParseArguments({"--search", "-display", ":0"}).text, QStringLiteral("-display :0"));
    EXPECT_EQ(ParseArguments({"--import", "-style", "b.txt"}).files,
              QStringList({"-style", "b.txt"}));
    cli::Arguments title = ParseArguments({"--new", "-title"});
    EXPECT_EQ(title.text, QStringLiteral("-title"));
    EXPECT_TRUE(cli::RunsWithoutWindow(title)) << "stored without a window, so without a display";

    // Before it they go to the toolkit with their values, and nothing else does.
    std::vector<std::string> words{"tabuko",        "-platform", "offscreen", "--box",  "2",
                                   "-style=fusion", "-reverse",  "--new",     "-style", "x"};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    const cli::Arguments before = ParseArguments(cli::ArgumentList(int(argv.size()), argv.data()));
    EXPECT_EQ(before.command, Command::New);
    EXPECT_EQ(before.box, 2);
    EXPECT_EQ(before.text, QStringLiteral("-style x"));
    const std::vector<char*> toolkit = cli::ToolkitArguments(int(argv.size()), argv.data(), before);
    EXPECT_EQ(std::vector<std::string>(toolkit.begin(), toolkit.end()),
              (std::vector<std::string>{"tabuko", "-platform", "offscreen", "-style=fusion",
                                        "-reverse"}));
    // An option that lacks its value takes nothing more, and starts the program as before.
    const cli::Arguments bare = ParseArguments({"-title"});
    EXPECT_EQ(bare.command, Command::None);
    EXPECT_EQ(bare.toolkit, QList<qsizetype>{0});
}

TEST(CommandLineTest, PipedInputThatCannotBeReadStoresNothing) {
    // Standard input is the writing end of a pipe: fstat calls it a pipe, and reading it fails.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const int saved = ::dup(STDIN_FILENO);
    ASSERT_GE(saved, 0);
    ASSERT_EQ(::dup2(pipeEnds[1], STDIN_FILENO), STDIN_FILENO);
    cli::Arguments arguments = ParseArguments({"--new", "--box", "2"});
    const bool withoutWindow = cli::RunsWithoutWindow(arguments);
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    EXPECT_TRUE(withoutWindow) << "no editor opens for input that failed";
    EXPECT_FALSE(arguments.text.has_value());
    EXPECT_FALSE(arguments.failure.isEmpty());
}

TEST(CommandLineTest, WrongCommandLinesSayWhatIsWrong) {
    for (const QStringList& wrong : std::vector<QStringList>{
             {"--frobnicate"},
             {"-x"},
             {"--new", "--box", "7", "text"},
             {"--new", "--box"},
             {"--new", "--box", "1", "--box", "2"},
             {"--show", "--box", "2"},
             {"--show", "now"},
             {"--show", "--hide"},
             {"--export"},
             {"--export", "a", "b"},
             {"--import"},
             {"memo"},
         }) {
        const cli::Arguments parsed = ParseArguments(wrong);
        EXPECT_EQ(parsed.command, Command::Error) << wrong.join(' ').toStdString();
        EXPECT_FALSE(parsed.error.isEmpty());
    }
    EXPECT_TRUE(ParseArguments({"--bogus"}).error.contains("--bogus"));
}

TEST(CommandLineTest, MemoTextIsStoredAsTheEditorStoresIt) {
    EXPECT_EQ(cli::MemoLines(QStringLiteral("abc\n")), (std::vector<std::string>{"abc"}));
    EXPECT_EQ(cli::MemoLines(QStringLiteral("a\r\nb\rc\n\n")),
              (std::vector<std::string>{"a", "b", "c", ""}));
    EXPECT_EQ(cli::MemoLines(QStringLiteral("\n")), (std::vector<std::string>{""}));
    // The wave dash typed elsewhere is the one CP932 holds.
    EXPECT_EQ(cli::MemoLines(QStringLiteral("1〜2")), (std::vector<std::string>{"1\x81\x60"
                                                                                "2"}));
    EXPECT_THROW(cli::MemoLines(QString::fromUtf8("cut\0short", 9)), Exception);
    try {
        cli::MemoLines(QStringLiteral("ok\nsmile 😀"));
        FAIL() << "a character that CP932 lacks was taken";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("U+1F600"))) << e.what();
    }
}

class TransferTest : public ::testing::Test {
protected:
    TempCurrentDir dir;
    TransferTest() { BoxFiles().Clear(); }
    ~TransferTest() override { BoxFiles().Clear(); }
};

TEST_F(TransferTest, ExportThenImportIntoAnEmptyFolderGivesTheSameTextsAndDates) {
    const TDateTime morning =
        datetime::FromQDateTime(QDateTime(QDate(2026, 12, 9), QTime(9, 5, 7, 123)));
    const TDateTime older =
        datetime::FromQDateTime(QDateTime(QDate(2025, 1, 31), QTime(23, 59, 59, 999)));
    TMemoList box3, box6;
    // 表 and ソ end in 0x5C; a line that looks like a memo header; an empty last line.
    box3.push_back(
        Memo({"\x95\x5C\x82\xCC\x83\x5C",
              cp932::Encode(QStringLiteral("=== 2026.12.09(水) 09:05:07.123 (1行) ===")), ""},
             morning));
    box3.push_back(Memo({"", "# Tabuko: 1 x"}, older));
    box6.push_back(Memo({}, older));
    WriteBoxFile("3.dat", box3);
    WriteBoxFile("6.dat", box6);
    QStringList notes;
    cli::offline::Export(dir.file("out"), cli::offline::BoxNames(dir.path()), notes);
    EXPECT_TRUE(notes.isEmpty());
    const QStringList files = QDir(dir.file("out")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files, QStringList({"1-メモ.txt", "2-メモ.txt", "3-メモ.txt", "4-メモ.txt",
                                  "5-メモ.txt", "6-メモ.txt"}));

    TempCurrentDir empty;
    BoxFiles().Clear();
    std::vector<cli::ImportedFile> read;
    for (const QString& name : files)
        read.push_back(cli::ReadImportFile(dir.file("out/" + name), 47000.0));
    std::array<TMemoList, 7> targets = cli::ImportTargets(std::move(read), 0);
    cli::offline::AddMemos(targets, notes);
    EXPECT_FALSE(QFile::exists("1.dat")) << "an empty box gives nothing to write";

    TMemoList back3, back6;
    ReadBoxFile(3, back3);
    ReadBoxFile(6, back6);
    EXPECT_EQ(LinesOf(back3), LinesOf(box3));
    ASSERT_EQ(back3.size(), 2u);
    EXPECT_EQ(back3[0]->MemoDate, morning);
    EXPECT_EQ(back3[1]->MemoDate, older);
    EXPECT_EQ(back3[0]->SavedAt, 47000.0);
    ASSERT_EQ(back6.size(), 1u);
    EXPECT_TRUE(back6[0]->Lines.empty());
}

TEST_F(TransferTest, PlainTextFilesBecomeOneMemoEach) {
    const auto parse = [](const QByteArray& bytes) {
        return cli::ParseImportFile("note.txt", bytes, 45000.25, 47000.0);
    };
    const cli::ImportedFile bom = parse("\xEF\xBB\xBF"
                                        "買い物\r\n卵\r\n");
    EXPECT_EQ(bom.box, 0);
    ASSERT_EQ(bom.memos.size(), 1u);
    EXPECT_EQ(bom.memos[0]->Lines,
              (std::vector<std::string>{"\x94\x83\x82\xA2\x95\xA8", "\x97\x91"}));
    EXPECT_EQ(bom.memos[0]->MemoDate, 45000.25);
    EXPECT_EQ(parse("\x95\x5C\n").memos[0]->Lines, (std::vector<std::string>{"\x95\x5C"}))
        << "Shift-JIS text is read as Shift-JIS";
    EXPECT_EQ(parse("plain").memos[0]->Lines, (std::vector<std::string>{"plain"}));
    EXPECT_THROW(parse(""), Exception);
    EXPECT_THROW(parse("snow \xE2\x98\x83\xEF\xB8\x8F ok"), Exception)
        << "U+FE0F has no CP932 form";

    // A damaged export is refused rather than read as something else.
    EXPECT_THROW(parse("# Tabuko: 3 x\n\n=== 2026.12.09(水) 09:05:07.123 (5行) ===\nonly\n"),
                 Exception);
    EXPECT_THROW(parse("# Tabuko: 3 x\n\n=== yesterday (1行) ===\nx\n"), Exception);
    EXPECT_THROW(parse("# Tabuko: 9 x\n"), Exception);

    // --box sends everything to one box; otherwise exports go home and plain text to box 1.
    std::vector<cli::ImportedFile> files;
    files.push_back(parse("# Tabuko: 4 x\n\n=== 2026.12.09(水) 09:05:07.123 (1行) ===\nfour\n"));
    files.push_back(parse("plain"));
    std::array<TMemoList, 7> home = cli::ImportTargets(std::move(files), 0);
    EXPECT_EQ(home[4].size(), 1u);
    EXPECT_EQ(home[1].size(), 1u);
    files.clear();
    files.push_back(parse("# Tabuko: 4 x\n\n=== 2026.12.09(水) 09:05:07.123 (1行) ===\nfour\n"));
    files.push_back(parse("plain"));
    EXPECT_EQ(cli::ImportTargets(std::move(files), 5)[5].size(), 2u);
}

TEST_F(TransferTest, WithoutAProgramMemosJoinTheBoxInMemoOrderAndDamageIsKept) {
    TMemoList box2;
    box2.push_back(Memo({"new"}, 46000.0));
    box2.push_back(Memo({"old"}, 45000.0));
    std::string bytes = BoxFileBytes(box2);
    bytes.resize(bytes.size() - 3); // the last record cut short
    WriteBytes("2.dat", bytes);

    std::array<TMemoList, 7> additions;
    additions[2].push_back(Memo({"middle"}, 45500.0));
    QStringList notes;
    cli::offline::AddMemos(additions, notes);
    TMemoList back;
    ReadBoxFile(2, back);
    EXPECT_EQ(LinesOf(back), (std::vector<std::vector<std::string>>{{"new"}, {"middle"}}));
    EXPECT_EQ(ReadBytes("2.dat.damaged"), bytes);
    EXPECT_EQ(notes.size(), 1);

    // A box that cannot be read leaves every file as it was.
    ASSERT_TRUE(QDir().mkdir("4.dat"));
    additions[1].push_back(Memo({"one"}, 1.0));
    additions[4].push_back(Memo({"four"}, 1.0));
    EXPECT_THROW(cli::offline::AddMemos(additions, notes), Exception);
    EXPECT_FALSE(QFile::exists("1.dat"));
}

TEST_F(TransferTest, ImportStoresAllBoxesOrNoneAndNothingTwice) {
    FakePlatform::Scope fake;
    TMemoList box1;
    box1.push_back(Memo({"old"}, 45000.0));
    WriteBoxFile("1.dat", box1);
    const std::string before = ReadBytes("1.dat");
    // An export of boxes 1 and 4, as --import reads it (each run gives its own stored moment).
    const auto read = [](TDateTime now) {
        std::vector<cli::ImportedFile> files;
        files.push_back(cli::ParseImportFile(
            "1.txt",
            "# Tabuko: 1 x\n\n=== 2026.12.09(水) 09:05:07.123 (1行) ===\none\n\n"
            "=== 1923.02.01(木) 00:00:00.000 (1行) ===\nold\n\n",
            0, now));
        files.push_back(cli::ParseImportFile(
            "4.txt", "# Tabuko: 4 x\n\n=== 2026.12.09(水) 09:05:07.123 (1行) ===\nfour\n", 0, now));
        files.push_back(cli::ParseImportFile("plain.txt", "one", 46365.5, now));
        return cli::ImportTargets(std::move(files), 0);
    };
    // Box 4 cannot be written: box 1, written first, is put back as it was.
    fake.fake->failSaveAt = 2;
    std::array<TMemoList, 7> targets = read(47000.0);
    QStringList notes;
    EXPECT_THROW(cli::offline::AddMemos(targets, notes, true), Exception);
    EXPECT_EQ(ReadBytes("1.dat"), before);
    EXPECT_FALSE(QFile::exists("4.dat"));

    const auto titles = [](int n) {
        TMemoList list;
        ReadBoxFile(n, list);
        return LinesOf(list);
    };
    using Lines = std::vector<std::vector<std::string>>;
    targets = read(47001.0);
    cli::offline::AddMemos(targets, notes, true);
    // "old" of the export has another date than the memo of box 1; the plain text file's memo
    // has another date than the exported "one".
    const Lines box1After{{"one"}, {"one"}, {"old"}, {"old"}};
    EXPECT_EQ(titles(1), box1After);
    EXPECT_EQ(titles(4), (Lines{{"four"}}));
    // Again, later: the same texts and dates are there already.
    targets = read(47002.0);
    cli::offline::AddMemos(targets, notes, true);
    EXPECT_EQ(titles(1), box1After);
    EXPECT_EQ(titles(4), (Lines{{"four"}}));
    EXPECT_TRUE(notes.isEmpty());
}

TEST(HandOverTest, CommandsCarryAnyTextAndAnswersCarryTheRefusal) {
    TempCurrentDir dir;
    // A running program that refuses the command: the sender gets its message.
    SingleInstance program(dir.path());
    ASSERT_TRUE(program.Acquire());
    program.SetAnswerer([](const QByteArray& line) {
        const channel::Command command = channel::ParseCommand(line);
        if (command.arguments.value(1) == "junk")
            return QByteArray("okay"); // neither "ok" nor an error: nothing is known
        return command.arguments.value(1) == "改行\nと 空白"
                   ? channel::ErrorAnswer(QStringLiteral("箱 3 は使えません"))
                   : channel::OkAnswer();
    });
    cli::Start refused, handed, unknown;
    std::atomic<bool> done = false;
    std::thread later([&] {
        SingleInstance other(dir.path());
        refused = cli::TakeFolderOrHandOver(
            other, channel::CommandLine("new", {"3", QStringLiteral("改行\nと 空白").toUtf8()}),
            false, 3000);
        handed =
            cli::TakeFolderOrHandOver(other, channel::CommandLine("new", {"3", "x"}), false, 3000);
        unknown = cli::TakeFolderOrHandOver(other, channel::CommandLine("new", {"3", "junk"}),
                                            false, 3000);
        done = true;
    });
    // The running program answers from its event loop.
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    later.join();
    EXPECT_EQ(refused.status, cli::Start::Refused);
    EXPECT_EQ(refused.message, QStringLiteral("箱 3 は使えません"));
    EXPECT_EQ(handed.status, cli::Start::HandedOver);
    EXPECT_EQ(unknown.status, cli::Start::Refused);
    EXPECT_FALSE(unknown.message.isEmpty());
}

TEST(HandOverTest, ALockHeldByAJobWithoutChannelIsWaitedFor) {
    TempCurrentDir dir;
    auto job = std::make_unique<SingleInstance>(dir.path());
    ASSERT_TRUE(job->AcquireLock());
    cli::Start start;
    std::thread later([&] {
        SingleInstance other(dir.path());
        start = cli::TakeFolderOrHandOver(other, "show", false, 5000);
    });
    QThread::msleep(700);
    job.reset(); // the job ends and lets go of the lock
    later.join();
    EXPECT_EQ(start.status, cli::Start::Acquired);
}

} // namespace
