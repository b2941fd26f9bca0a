// Every write the program makes, failing at its start, half way and at its commit: the message
// is shown, the previous file is intact, the memo lists and the box files agree on every memo,
// and the next successful command writes a correct file. Also on a real, full file system.
#include "MainWindowFixture.h"
#include "Memos.h"
#include "editor/Unit2.h"
#include "mainwindow/Unit1.h"
#include "mainwindow/Unit4.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "store/BoxCommands.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"
#include "util/Exception.h"
#include "util/IniFile.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>
#include <optional>

#ifdef __linux__
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace {

using Stage = FakePlatform::SaveFailure;
Titles TitlesOnDisk(int box) {
    TMemoList list;
    ParseBoxFile(ReadBytes(BoxFileName(box)), list);
    return TitlesOf(list);
}

TMemoList Memos(std::initializer_list<const char*> titles, double date) {
    TMemoList list;
    for (const char* title : titles) {
        list.push_back(std::make_unique<TMemoData>());
        list.back()->Lines = {title};
        list.back()->MemoDate = list.back()->SavedAt = date--;
    }
    return list;
}

class FaultInjectionTest : public MainWindowFixture, public ::testing::WithParamInterface<Stage> {
protected:
    void SetUp() override {
        fake->now = 46364.5;
        WriteBoxFile("2.dat", Memos({"work 1", "work 2"}, 46000));
        WriteBoxFile("3.dat", Memos({"shop 1", "shop 2", "shop 3"}, 46100));
        WriteBytes(dir.file(kDeleteLogFileName), "old entry\r\n");
        WriteCp932File(dir.file(kSettingsFileName), "[MainWindow]\nTop=5\nLeft=6\n");
        CreateForms();
        fake->messageBoxes.clear();
    }

    // Every box: the list in memory is what its file holds.
    void ExpectListsMatchDisk() {
        for (int n = 1; n <= 6; ++n)
            EXPECT_EQ(TitlesOf(Form1->BoxMemoLists[n]), TitlesOnDisk(n)) << "box " << n;
    }

    // The next save fails at the stage under test.
    void FailNextSave(int nth = 1) {
        fake->failSaveAt = nth;
        fake->failSaveStage = GetParam();
    }

    // One error message, besides any confirmation asked on the way.
    void ExpectOneMessage() {
        std::erase_if(fake->messageBoxes, [](const auto& box) { return box.caption == "確認"; });
        ASSERT_EQ(fake->messageBoxes.size(), 1u);
        const QString& text = fake->messageBoxes[0].text;
        EXPECT_TRUE(text.contains("作成できません") || text == "ストリームへの書き込みエラー")
            << text.toStdString();
        fake->messageBoxes.clear();
    }

    // Opens box `box`'s menu and chooses memo `index`, as the user does.
    void ChooseMemo(int box, int index) {
        emit Form1->PopupMenu[box]->aboutToShow();
        Form1->PopupMenu[box]->actions()[index + 1]->trigger();
    }

    // Runs the editor modally: `edit` changes it, then OK is pressed once, or twice when the
    // first one fails.
    void RunEditor(const std::function<void()>& open, const std::function<void()>& edit,
                   bool failFirstOk) {
        fake->onModal = [&](QDialog*) {
            edit();
            if (failFirstOk) {
                FailNextSave();
                Form2->Button1->click();
                EXPECT_TRUE(Form2->isVisible()) << "the editor closed after a failed write";
                ExpectOneMessage();
                ExpectListsMatchDisk();
            }
            Form2->Button1->click();
        };
        open();
        fake->onModal = nullptr;
    }
};

TEST_P(FaultInjectionTest, StoringANewMemo) {
    const std::string before = ReadBytes("2.dat");
    RunEditor([] { Form1->ImageFolderDblClick(Form1->Image[2]); },
              [] { Form2->RichEdit1->setPlainText("new memo"); }, true);
    EXPECT_EQ(TitlesOnDisk(2), (Titles{"new memo", "work 1", "work 2"}));
    ExpectListsMatchDisk();
    EXPECT_NE(ReadBytes("2.dat"), before);
}

TEST_P(FaultInjectionTest, EditingAMemoIntoAnotherBoxWithEitherWriteFailing) {
    for (int failing : {1, 2}) {
        fake->now += 0.01; // the second memo is opened later, so it comes first in box 5
        ChooseMemo(3, 0);
        fake->onModal = [&](QDialog*) {
            Form2->SpeedButton[5]->click();
            FailNextSave(failing);
            Form2->Button1->click();
            EXPECT_TRUE(Form2->isVisible());
            ExpectOneMessage();
            ExpectListsMatchDisk();
            Form2->Button1->click();
        };
        Form1->N1->trigger();
        fake->onModal = nullptr;
        ExpectListsMatchDisk();
    }
    EXPECT_EQ(TitlesOnDisk(5), (Titles{"shop 2", "shop 1"}));
    EXPECT_EQ(TitlesOnDisk(3), (Titles{"shop 3"}));
}

TEST_P(FaultInjectionTest, MovingAndRestoringWithEitherWriteFailing) {
    for (int failing : {1, 2}) {
        ChooseMemo(2, 0);
        FailNextSave(failing);
        Form1->Move[6]->trigger();
        ExpectOneMessage();
        ExpectListsMatchDisk();
    }
    // With nothing failing the move goes through.
    ChooseMemo(2, 0);
    Form1->Move[6]->trigger();
    EXPECT_TRUE(fake->messageBoxes.empty());
    ExpectListsMatchDisk();
    EXPECT_EQ(TitlesOnDisk(6), Titles{"work 1"});
    ChooseMemo(6, 0);
    FailNextSave(2);
    Form1->Move[1]->trigger();
    ExpectOneMessage();
    ExpectListsMatchDisk();
    Form1->Move[1]->trigger();
    EXPECT_EQ(TitlesOnDisk(1), Titles{"work 1"});
    ExpectListsMatchDisk();
}

TEST_P(FaultInjectionTest, DeletingWithTheLogOrTheBoxFileFailing) {
    for (int failing : {1, 2}) { // the log, then the box file
        const std::string log = ReadBytes(kDeleteLogFileName);
        ChooseMemo(3, 1);
        FailNextSave(failing);
        Form1->Delete1->trigger();
        ExpectOneMessage();
        ExpectListsMatchDisk();
        EXPECT_EQ(TitlesOnDisk(3).size(), 3u) << "a memo was lost";
        if (failing == 1) {
            EXPECT_EQ(ReadBytes(kDeleteLogFileName), log);
        }
    }
    ChooseMemo(3, 1);
    Form1->Delete1->trigger();
    EXPECT_EQ(TitlesOnDisk(3), (Titles{"shop 1", "shop 3"}));
    ExpectListsMatchDisk();
}

TEST_P(FaultInjectionTest, SettingsWritesKeepTheOldFile) {
    const std::string before = ReadBytes(kSettingsFileName);
    // The editor's and the skin window's positions at closing.
    for (QDialog* window :
         {static_cast<QDialog*>(Form2.Get()), static_cast<QDialog*>(Form4.Get())}) {
        fake->onModal = [&](QDialog* shown) {
            FailNextSave();
            shown->reject();
        };
        if (window == Form2.Get())
            Form1->ImageFolderDblClick(Form1->Image[1]);
        else
            Form1->N12->trigger();
        fake->onModal = nullptr;
        ExpectOneMessage();
        EXPECT_EQ(ReadBytes(kSettingsFileName), before);
        EXPECT_TRUE(Form1->TrayIcon1->Enabled());
    }

    // At the session's request nothing is asked: the session waits on the program.
    FailNextSave();
    testing::internal::CaptureStderr();
    platform::Guard([] { Form1->HandleQueryEndSession(); });
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fake->messageBoxes.empty());
    EXPECT_NE(said.find(kSettingsFileName.toStdString()), std::string::npos) << said;
    EXPECT_EQ(ReadBytes(kSettingsFileName), before);

    Form1->move(40, 50);
    Form1->HandleQueryEndSession();
    EXPECT_NE(IniFile::Load(kSettingsFileName).ReadInteger("MainWindow", "Top", 0), 5);
    EXPECT_EQ(IniFile::Load(kSettingsFileName).ReadInteger("MainWindow", "Top", 0), 50);
}

INSTANTIATE_TEST_SUITE_P(Stages, FaultInjectionTest,
                         ::testing::Values(Stage::AtStart, Stage::HalfWay, Stage::AtCommit),
                         [](const auto& info) {
                             switch (info.param) {
                             case Stage::AtStart:
                                 return "AtStart";
                             case Stage::HalfWay:
                                 return "HalfWay";
                             default:
                                 return "AtCommit";
                             }
                         });

#ifdef __linux__
// A tiny file system that the test fills up, so that the real platform's writes fail for real.
class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "mounting a test file system needs root";
        if (::mount("tabuko-test", mountPoint.path().toLocal8Bit().constData(), "tmpfs", 0,
                    "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here";
        mounted = true;
        previous = QDir::currentPath();
        QDir::setCurrent(mountPoint.path());
    }
    void TearDown() override {
        if (!mounted)
            return;
        QDir::setCurrent(previous);
        ::umount2(mountPoint.path().toLocal8Bit().constData(), MNT_DETACH);
    }
    // Box 1 holding `list`, the settings and the log, then a full disk; returns box 1's bytes.
    std::string WriteFilesAndFillTheDisk(const TMemoList& list) {
        WriteBoxFile("1.dat", list);
        WriteBytes("TabukoExc.ini", "[MainWindow]\r\nTop=1\r\n\r\n");
        WriteBytes(kDeleteLogFileName, "old\r\n");
        Fill(0);
        return ReadBytes("1.dat");
    }
    // Fills the file system but for `spare` bytes.
    void Fill(qint64 spare) {
        QFile filler("filler");
        filler.open(QIODevice::WriteOnly);
        const QByteArray block(1024, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        filler.resize(std::max<qint64>(0, filler.size() - spare));
    }

    QTemporaryDir mountPoint;
    QString previous;
    bool mounted = false;
};

TEST_F(FullDiskTest, BoxFileSettingsAndLogKeepTheirOldContentWhenTheDiskIsFull) {
    TMemoList list = Memos({"kept"}, 46000);
    const std::string box = WriteFilesAndFillTheDisk(list);

    list.push_back(std::make_unique<TMemoData>());
    list.back()->Lines = {std::string(20000, 'a')};
    EXPECT_THROW(WriteBoxFile("1.dat", list), Exception);
    EXPECT_EQ(ReadBytes("1.dat"), box);

    IniFile settings = IniFile::Load("TabukoExc.ini");
    settings.WriteString("Skin", "Folder", std::string(20000, 'b'));
    EXPECT_THROW(platform::SaveFile("TabukoExc.ini", settings.ToBytes()), Exception);
    EXPECT_EQ(ReadBytes("TabukoExc.ini"), "[MainWindow]\r\nTop=1\r\n\r\n");

    EXPECT_THROW(AppendToDeleteLog(*list[1], "メモ(Box1)", 46364.5), Exception);
    EXPECT_EQ(ReadBytes(kDeleteLogFileName), "old\r\n");
    // Nothing half written is left behind.
    EXPECT_EQ(QDir().entryList(QDir::Files | QDir::Hidden).size(), 4);

    QFile::remove("filler");
    WriteBoxFile("1.dat", list);
    TMemoList back;
    ParseBoxFile(ReadBytes("1.dat"), back);
    EXPECT_EQ(TitlesOf(back), TitlesOf(list));
}

// Every write site on a full disk, for contents from one byte to a megabyte, through the real
// platform and through the test double (which replaces files the same way): a small content
// that only fails when it is flushed must fail as loudly as a large one, and the old file stays.
enum class Site { BoxFile, Settings, DeleteLog };
struct FullDiskCase {
    Site site;
    std::size_t size;
    bool throughDouble;
};

class FullDiskSizesTest : public FullDiskTest,
                          public ::testing::WithParamInterface<FullDiskCase> {};

TEST_P(FullDiskSizesTest, NothingIsReplacedUnlessEveryByteIsOnTheDisk) {
    const FullDiskCase c = GetParam();
    std::optional<FakePlatform::Scope> fake;
    if (c.throughDouble)
        fake.emplace();
    TMemoList list = Memos({"kept"}, 46000);
    const std::string box = WriteFilesAndFillTheDisk(list);

    auto memo = std::make_unique<TMemoData>();
    memo->Lines = {std::string(c.size, 'a')};
    switch (c.site) {
    case Site::BoxFile:
        list.push_back(std::move(memo));
        EXPECT_THROW(WriteBoxFile("1.dat", list), Exception);
        break;
    case Site::Settings: {
        IniFile settings = IniFile::Load("TabukoExc.ini");
        settings.WriteString("Skin", "Folder", std::string(c.size, 'b'));
        EXPECT_THROW(platform::SaveFile("TabukoExc.ini", settings.ToBytes()), Exception);
        break;
    }
    case Site::DeleteLog:
        EXPECT_THROW(AppendToDeleteLog(*memo, "x", 46364.5), Exception);
        break;
    }
    EXPECT_EQ(ReadBytes("1.dat"), box);
    EXPECT_EQ(ReadBytes("TabukoExc.ini"), "[MainWindow]\r\nTop=1\r\n\r\n");
    EXPECT_EQ(ReadBytes(kDeleteLogFileName), "old\r\n");
    EXPECT_EQ(QDir().entryList(QDir::Files | QDir::Hidden).size(), 4) << "a temporary file is left";
}

std::vector<FullDiskCase> FullDiskCases() {
    std::vector<FullDiskCase> cases;
    for (bool throughDouble : {false, true})
        for (Site site : {Site::BoxFile, Site::Settings, Site::DeleteLog})
            for (std::size_t size : {1, 100, 4096, 15 * 1024, 1 << 20})
                cases.push_back({site, size, throughDouble});
    return cases;
}

std::string FullDiskCaseName(const ::testing::TestParamInfo<FullDiskCase>& info) {
    static const char* const names[] = {"BoxFile", "Settings", "DeleteLog"};
    return std::string(names[int(info.param.site)]) + "_" + std::to_string(info.param.size) +
           (info.param.throughDouble ? "_Double" : "_Real");
}

INSTANTIATE_TEST_SUITE_P(Sites, FullDiskSizesTest, ::testing::ValuesIn(FullDiskCases()),
                         FullDiskCaseName);
#endif

} // namespace
