// Commands that reach the running program on its channel: they change the boxes as the window's
// own commands do, answer with the reason when they cannot, and open windows from the event loop.
#include "cli/Dispatcher.h"
#include "MainWindowFixture.h"
#include "Memos.h"
#include "editor/Unit2.h"
#include "instance/Channel.h"
#include "mainwindow/Image.h"
#include "mainwindow/Unit1.h"
#include "store/BoxFile.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class DispatcherTest : public MainWindowFixture {
protected:
    QByteArray Send(const QByteArray& verb, const QList<QByteArray>& arguments = {}) {
        return dispatcher.Answer(channel::CommandLine(verb, arguments));
    }
    static void RunEventLoop() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    CommandDispatcher dispatcher;
};

TEST_F(DispatcherTest, NewMemoIsStoredAsTheEditorStoresItAndTheChosenMemoStaysChosen) {
    TMemoList box3;
    box3.push_back(Memo({"older"}, 45000.0));
    WriteBoxFile("3.dat", box3);
    CreateForms();
    Form1->ShowMemoMenu(3, Form1->BoxMemoLists[3][0]->Serial(), QPoint(5, 5));
    fake->now = 46100.5;

    EXPECT_EQ(Send("new", {"3", QStringLiteral("牛乳\n卵\n").toUtf8()}), channel::OkAnswer());
    const TMemoList& list = Form1->BoxMemoLists[3];
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Lines, (std::vector<std::string>{"\x8B\x8D\x93\xFB", "\x97\x91"}));
    EXPECT_EQ(list[0]->MemoDate, 46100.5);
    EXPECT_EQ(ReadBytes("3.dat"), BoxFileBytes(list));
    EXPECT_EQ(MemoItems(3), QStringList({QStringLiteral("牛乳"), QStringLiteral("older")}));
    EXPECT_EQ(Form1->ChosenMemoIndex(), 1) << "the chosen memo moved down one place";
    EXPECT_TRUE(Form1->Image[3]->toolTip().contains('2')) << "the indicators count both memos";
}

TEST_F(DispatcherTest, RefusalsSayWhyAndChangeNothing) {
    ASSERT_TRUE(QDir().mkdir("3.dat")); // box 3 cannot be read
    fake->failNotifyAdd = true;         // and there is no notification-area icon
    CreateForms();
    const auto error = [](const QByteArray& answer) {
        const auto parsed = channel::ParseAnswer(answer);
        return parsed && !parsed->ok ? parsed->error : QString();
    };
    EXPECT_TRUE(error(Send("new", {"3", "text"})).contains("3.dat"));
    EXPECT_TRUE(error(Send("new", {"2", QStringLiteral("😀").toUtf8()})).contains("U+1F600"));
    EXPECT_FALSE(error(Send("new", {"9", "text"})).isEmpty());
    EXPECT_FALSE(error(Send("frobnicate")).isEmpty());
    TMemoList damaged;
    damaged.push_back(Memo({"x"}, 1.0));
    const std::string bytes = BoxFileBytes(damaged);
    EXPECT_FALSE(error(Send("import", {"2", QByteArray(bytes.data(), qsizetype(bytes.size()) - 2)}))
                     .isEmpty());
    // A write that fails leaves the list as the file is.
    fake->failSaveAt = 1;
    EXPECT_FALSE(error(Send("new", {"2", "text"})).isEmpty());
    EXPECT_FALSE(QFile::exists("2.dat"));
    EXPECT_TRUE(Form1->BoxMemoLists[2].empty());
    EXPECT_EQ(MemoItems(2), QStringList());

    // The wall is the only way to reach the program: it stays.
    Form1->show();
    EXPECT_FALSE(error(Send("hide")).isEmpty());
    EXPECT_TRUE(Form1->isVisible());
}

TEST_F(DispatcherTest, ImportAndExportWorkOnTheListsOfTheProgram) {
    CreateForms();
    TMemoList incoming;
    incoming.push_back(Memo({"a"}, 45000.0));
    incoming.push_back(Memo({"b"}, 46000.0));
    const std::string bytes = BoxFileBytes(incoming);
    EXPECT_EQ(Send("import", {"4", QByteArray(bytes.data(), qsizetype(bytes.size()))}),
              channel::OkAnswer());
    EXPECT_EQ(MemoItems(4), QStringList({"b", "a"}));
    EXPECT_EQ(ReadBytes("4.dat"), BoxFileBytes(Form1->BoxMemoLists[4]));

    EXPECT_EQ(Send("export", {dir.file("out").toUtf8()}), channel::OkAnswer());
    QFile box4(dir.file("out/4-メモ.txt"));
    ASSERT_TRUE(box4.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(box4.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("# Tabuko: 4 メモ\n")));
    EXPECT_LT(text.indexOf("\nb\n"), text.indexOf("\na\n")) << "newest first";
}

TEST_F(DispatcherTest, ImportStoresAllBoxesOrNoneAndNothingTwice) {
    TMemoList box2;
    box2.push_back(Memo({"kept"}, 45000.0));
    WriteBoxFile("2.dat", box2);
    const std::string before = ReadBytes("2.dat");
    CreateForms();
    const auto bytes = [](std::vector<std::string> title, TDateTime savedAt) {
        TMemoList list;
        list.push_back(Memo(std::move(title), 46000.0, savedAt));
        const std::string data = BoxFileBytes(list);
        return QByteArray(data.data(), qsizetype(data.size()));
    };
    // Box 5 cannot be written: box 2, written first, is put back as it was.
    fake->failSaveAt = 2;
    EXPECT_NE(Send("import", {"2", bytes({"to two"}, 47000.0), "5", bytes({"to five"}, 47000.0)}),
              channel::OkAnswer());
    EXPECT_EQ(ReadBytes("2.dat"), before);
    EXPECT_EQ(MemoItems(2), QStringList{"kept"});
    EXPECT_FALSE(QFile::exists("5.dat"));
    EXPECT_TRUE(Form1->BoxMemoLists[5].empty());

    // Imported twice (each time with the moment of its import): the memos are there once.
    for (const TDateTime savedAt : {47001.0, 47002.0})
        EXPECT_EQ(
            Send("import", {"2", bytes({"to two"}, savedAt), "5", bytes({"to five"}, savedAt)}),
            channel::OkAnswer());
    EXPECT_EQ(MemoItems(2), QStringList({"to two", "kept"}));
    EXPECT_EQ(MemoItems(5), QStringList{"to five"});
    EXPECT_EQ(ReadBytes("2.dat"), BoxFileBytes(Form1->BoxMemoLists[2]));
}

TEST_F(DispatcherTest, WindowsOpenFromTheEventLoopAfterTheAnswer) {
    CreateForms();
    int editorBox = 0;
    fake->onModal = [&](QDialog* dialog) {
        editorBox = Form2->CheckedBox();
        dialog->reject();
    };
    EXPECT_EQ(Send("new", {"2"}), channel::OkAnswer());
    EXPECT_EQ(editorBox, 0) << "the answer does not wait for the editor";
    RunEventLoop();
    EXPECT_EQ(editorBox, 2);

    QStringList searched;
    QObject::connect(&dispatcher, &CommandDispatcher::SearchRequested,
                     [&](const QString& text) { searched << text; });
    EXPECT_EQ(Send("search", {QStringLiteral("検索語").toUtf8()}), channel::OkAnswer());
    RunEventLoop();
    EXPECT_EQ(searched, QStringList{QStringLiteral("検索語")});

    Form1->show();
    EXPECT_EQ(Send("toggle"), channel::OkAnswer());
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_FALSE(Form1->WindowVisible);
    EXPECT_EQ(Send("toggle"), channel::OkAnswer());
    RunEventLoop();
    EXPECT_TRUE(Form1->isVisible());
}

} // namespace
