// The memo editor: OK enabling, storing new and edited memos, cancelling, captions and hints,
// position, failed writes and text that the box files cannot hold.
#include "MainWindowFixture.h"
#include "Memos.h"

#include "editor/Unit2.h"
#include "mainwindow/Unit1.h"
#include "platform/Files.h"
#include "store/BoxFile.h"
#include "trayicon/TrayIcon.h"
#include "util/CP932.h"
#include "util/Exception.h"
#include "util/IniFile.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QToolButton>

namespace {

void Key(QWidget* widget, int key, const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            Key(widget, Qt::Key_Return, QStringLiteral("\r"));
        else
            Key(widget, 0, QString(c));
    }
}

std::vector<std::string> Titles(const TMemoList& list) {
    std::vector<std::string> titles;
    for (const auto& memo : list)
        titles.push_back(memo->Lines.empty() ? std::string() : memo->Lines.front());
    return titles;
}

class EditorTest : public MainWindowFixture {
protected:
    void SetUp() override {
        CreateForms();
        fake->messageBoxes.clear();
        fake->savedFiles.clear();
    }

    // Shows the editor for a new memo in `box`, as the box menus do, and runs `script` while
    // it is up.
    void ShowNew(int box, const std::function<void()>& script) {
        WhileEditorUp(script, [box] { Form1->OpenEditorForNew(box); });
    }

    // Shows the editor on memo `index` of `box`.
    void ShowExisting(int box, int index, const std::function<void()>& script) {
        const MemoSerial memo = Form1->BoxMemoLists[box][std::size_t(index)]->Serial();
        WhileEditorUp(script, [box, memo] { Form1->OpenEditorOnMemo(box, memo); });
    }

    // Runs `open`, and `script` while the editor it opens is up.
    void WhileEditorUp(const std::function<void()>& script, const std::function<void()>& open) {
        fake->onModal = [&](QDialog* dialog) {
            if (dialog == Form2.Get())
                script();
        };
        open();
        fake->onModal = nullptr;
    }

    // Puts `lines` as the only memo into `box` and opens it with "編集" from the box menu, as
    // the user does; `script` runs while the editor is up.
    void EditThroughMenu(int box, std::vector<std::string> lines,
                         const std::function<void()>& script) {
        Form1->BoxMemoLists[box].clear();
        Form1->BoxMemoLists[box].push_back(Memo(std::move(lines), 46000, 46000));
        Form1->RebuildBoxMenu(Form1->BoxMemoLists[box], Form1->PopupMenu[box]);
        emit Form1->PopupMenu[box]->aboutToShow();
        Form1->PopupMenu[box]->actions().at(1)->trigger();
        fake->onModal = [&](QDialog* dialog) {
            if (dialog == Form2.Get())
                script();
        };
        Form1->N1->trigger();
        fake->onModal = nullptr;
    }

    // The lines of box n's only memo.
    std::vector<std::string> OnlyMemo(int box) {
        EXPECT_EQ(Form1->BoxMemoLists[box].size(), 1u);
        return Form1->BoxMemoLists[box].empty() ? std::vector<std::string>{}
                                                : Form1->BoxMemoLists[box][0]->Lines;
    }

    QString Text() const { return Form2->RichEdit1->toPlainText(); }

    std::vector<QString> BoxFilesSaved() {
        std::vector<QString> names;
        for (const QString& path : fake->savedFiles)
            if (path.endsWith(QLatin1String(".dat")))
                names.push_back(path);
        return names;
    }
};

TEST_F(EditorTest, OkFollowsTheTextAndKeysStayInTheText) {
    ShowNew(1, [&] {
        EXPECT_TRUE(Form2->isVisible());
        EXPECT_FALSE(Form1->TrayIcon1->Enabled());
        EXPECT_FALSE(Form2->Button1->isEnabled());
        Type(Form2->RichEdit1, QStringLiteral("a"));
        EXPECT_TRUE(Form2->Button1->isEnabled());
        Key(Form2->RichEdit1, Qt::Key_Backspace);
        EXPECT_EQ(Text(), QString());
        EXPECT_FALSE(Form2->Button1->isEnabled());

        // Enter and tab are typed into the text; Escape closes nothing.
        Type(Form2->RichEdit1, QStringLiteral("\n"));
        Key(Form2->RichEdit1, Qt::Key_Tab, QStringLiteral("\t"));
        EXPECT_EQ(Text(), QStringLiteral("\n\t"));
        EXPECT_TRUE(Form2->Button1->isEnabled());
        Key(Form2->RichEdit1, Qt::Key_Escape);
        Key(Form2.Get(), Qt::Key_Escape);
        Key(Form2.Get(), Qt::Key_Return, QStringLiteral("\r"));
        EXPECT_TRUE(Form2->isVisible());
        EXPECT_EQ(Form1->BoxMemoLists[1].size(), 0u);
    });
    EXPECT_TRUE(Form1->TrayIcon1->Enabled());
}

TEST_F(EditorTest, StoresTheLinesWithoutTheEmptyLineAfterAFinalBreak) {
    const struct {
        const char* typed;
        std::vector<std::string> lines;
    } cases[] = {
        {"\n", {""}},
        {"abc\n", {"abc"}},
        {"abc\n\n", {"abc", ""}},
        {"a\tb\n\nc", {"a\tb", "", "c"}},
    };
    for (const auto& c : cases) {
        Form1->BoxMemoLists[3].clear();
        ShowNew(3, [&] {
            Type(Form2->RichEdit1, QString::fromLatin1(c.typed));
            Form2->Button1->click();
        });
        ASSERT_EQ(Form1->BoxMemoLists[3].size(), 1u) << c.typed;
        EXPECT_EQ(Form1->BoxMemoLists[3][0]->Lines, c.lines) << c.typed;
    }
}

TEST_F(EditorTest, NewMemoIsWrittenToItsBoxFileByteForByte) {
    fake->now = 46364.25; // the moment the editor opens
    ShowNew(2, [&] {
        Type(Form2->RichEdit1, QStringLiteral("abc"));
        fake->now = 46364.5; // the moment OK is pressed
        Form2->Button1->click();
        EXPECT_FALSE(Form2->isVisible());
    });
    ASSERT_EQ(Form1->BoxMemoLists[2].size(), 1u);
    const TMemoData& memo = *Form1->BoxMemoLists[2][0];
    EXPECT_EQ(memo.MemoDate, 46364.25);
    EXPECT_EQ(memo.SavedAt, 46364.5);
    EXPECT_EQ(memo.SortKey, 0);
    EXPECT_EQ(MemoItems(2), QStringList{"abc"});

    std::string expected("\x01\0\0\0\x05\0\0\0abc\r\n", 13);
    const double dates[2] = {46364.25, 46364.5};
    expected.append(reinterpret_cast<const char*>(dates), 16);
    expected.append(4, '\0');
    EXPECT_EQ(ReadBytes(QStringLiteral("2.dat")), expected);
    EXPECT_EQ(BoxFilesSaved(), std::vector<QString>{QStringLiteral("2.dat")});
    EXPECT_EQ(Text(), QString());
    EXPECT_TRUE(Form1->TrayIcon1->Enabled());
}

TEST_F(EditorTest, EditingWithoutChangeRewritesTheBoxAndMovesTheMemoToTheTop) {
    auto& box = Form1->BoxMemoLists[2];
    box.push_back(Memo({"newer"}, 46300, 46300));
    box.push_back(Memo({"older"}, 46200, 46200));
    fake->now = 46400;
    ShowExisting(2, 1, [&] {
        EXPECT_EQ(Form2->windowTitle(), QStringLiteral("Tabuko - [メモ]を編集 -"));
        fake->now = 46400.5;
        Form2->Button1->click();
    });
    EXPECT_EQ(Titles(box), (std::vector<std::string>{"older", "newer"}));
    EXPECT_EQ(box[0]->MemoDate, 46400);
    EXPECT_EQ(box[0]->SavedAt, 46400.5);
    // The target file, then the source file, which here is the same box.
    EXPECT_EQ(BoxFilesSaved(), (std::vector<QString>{"2.dat", "2.dat"}));
    TMemoList reread;
    ReadBoxFile(2, reread);
    EXPECT_EQ(Titles(reread), Titles(box));
}

TEST_F(EditorTest, EditingWithoutChangeStoresTheSameLines) {
    using Lines = std::vector<std::string>;
    for (const Lines& lines : {Lines{"abc", ""}, Lines{""}, Lines{"", ""}, Lines{"a", "", "b"}}) {
        EditThroughMenu(2, lines, [&] {
            EXPECT_TRUE(Form2->Button1->isEnabled());
            Form2->Button1->click();
            EXPECT_FALSE(Form2->isVisible());
        });
        EXPECT_EQ(OnlyMemo(2), lines) << lines.size();
    }
}

TEST_F(EditorTest, LinesTheUserDidNotChangeKeepTheirBytes) {
    // Bytes that are not valid Shift-JIS: single 0x80, 0xA0 and 0xFD; a lead byte at the end of
    // a line; an unassigned double-byte code. And a valid code that converts back differently.
    const std::vector<std::string> old = {"\x80x\xa0", "y\xfd", "lead\x82", "\x85\x40z",
                                          "\xed\x40",  "plain", "last"};
    EditThroughMenu(3, old, [&] { Form2->Button1->click(); });
    EXPECT_EQ(OnlyMemo(3), old);

    // A line changed, one added at the top and one at the end; all others keep their bytes.
    EditThroughMenu(3, old, [&] {
        QTextCursor cursor = Form2->RichEdit1->textCursor();
        cursor.movePosition(QTextCursor::Start);
        Form2->RichEdit1->setTextCursor(cursor);
        Type(Form2->RichEdit1, QStringLiteral("top\n"));
        cursor.movePosition(QTextCursor::Down, QTextCursor::MoveAnchor, 5);
        cursor.movePosition(QTextCursor::EndOfLine);
        Form2->RichEdit1->setTextCursor(cursor);
        Type(Form2->RichEdit1, QStringLiteral("!"));
        Form2->RichEdit1->moveCursor(QTextCursor::End);
        Type(Form2->RichEdit1, QStringLiteral("\nend"));
        Form2->Button1->click();
        EXPECT_FALSE(Form2->isVisible());
    });
    std::vector<std::string> expected = old;
    expected[5] = "plain!";
    expected.insert(expected.begin(), "top");
    expected.push_back("end");
    EXPECT_EQ(OnlyMemo(3), expected);
    EXPECT_TRUE(fake->messageBoxes.empty()) << fake->messageBoxes[0].text.toStdString();
}

TEST_F(EditorTest, ChangingALineWithBadBytesAsksFirst) {
    for (const std::string bad : {"a\x80", "lead\x82", "\x85\x40"}) {
        fake->messageBoxes.clear();
        fake->messageBoxAnswers = {platform::IDCANCEL, platform::IDOK};
        EditThroughMenu(4, {"title", bad}, [&] {
            Form2->RichEdit1->moveCursor(QTextCursor::End);
            Type(Form2->RichEdit1, QStringLiteral("+"));
            const QString text = Text();
            Form2->Button1->click();
            ASSERT_EQ(fake->messageBoxes.size(), 1u);
            EXPECT_EQ(fake->messageBoxes[0].type, platform::MB_OKCANCEL | platform::MB_ICONWARNING);
            EXPECT_TRUE(Form2->isVisible());
            EXPECT_EQ(Text(), text);
            EXPECT_EQ(OnlyMemo(4), (std::vector<std::string>{"title", bad}));
            Form2->Button1->click();
            EXPECT_FALSE(Form2->isVisible());
        });
        EXPECT_EQ(fake->messageBoxes.size(), 2u);
        const std::vector<std::string> stored = OnlyMemo(4);
        ASSERT_EQ(stored.size(), 2u);
        EXPECT_EQ(stored[0], "title");
        EXPECT_NE(stored[1], bad + "+");
    }
    // A bad line removed is a change of it too.
    fake->messageBoxes.clear();
    fake->messageBoxAnswers = {platform::IDOK};
    EditThroughMenu(4, {"title", "x\xff"}, [&] {
        Form2->RichEdit1->setPlainText(QStringLiteral("title"));
        Form2->Button1->click();
    });
    EXPECT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(OnlyMemo(4), std::vector<std::string>{"title"});
}

TEST_F(EditorTest, ChoosingAnotherBoxMovesTheEditedMemo) {
    Form1->BoxMemoLists[2].push_back(Memo({"stay"}, 46300, 46300));
    Form1->BoxMemoLists[2].push_back(Memo({"move me"}, 46200, 46200));
    Form1->BoxMemoLists[5].push_back(Memo({"five"}, 46100, 46100));
    fake->now = 46400;
    ShowExisting(2, 1, [&] {
        Form2->SpeedButton[5]->click();
        EXPECT_TRUE(Form2->SpeedButton[5]->isChecked());
        EXPECT_FALSE(Form2->SpeedButton[2]->isChecked());
        EXPECT_EQ(Form2->windowTitle(), QStringLiteral("Tabuko - [メモ]を編集 -"));
        // Pressing the button that is down leaves it down.
        Form2->SpeedButton[5]->click();
        EXPECT_TRUE(Form2->SpeedButton[5]->isChecked());
        Form2->Button1->click();
    });
    EXPECT_EQ(BoxFilesSaved(), (std::vector<QString>{"5.dat", "2.dat"}));
    EXPECT_EQ(Titles(Form1->BoxMemoLists[5]), (std::vector<std::string>{"move me", "five"}));
    EXPECT_EQ(Titles(Form1->BoxMemoLists[2]), (std::vector<std::string>{"stay"}));
    EXPECT_EQ(MemoItems(5), (QStringList{"move me", "five"}));
    EXPECT_EQ(MemoItems(2), QStringList{"stay"});
    TMemoList five, two;
    ReadBoxFile(5, five);
    ReadBoxFile(2, two);
    EXPECT_EQ(Titles(five), Titles(Form1->BoxMemoLists[5]));
    EXPECT_EQ(Titles(two), Titles(Form1->BoxMemoLists[2]));
}

TEST_F(EditorTest, CancelStoresNothingAndSavesThePosition) {
    ShowNew(1, [&] {
        Type(Form2->RichEdit1, QStringLiteral("thrown away"));
        Form2->move(40, 50);
        Form2->Button2->click();
        EXPECT_FALSE(Form2->isVisible());
    });
    EXPECT_TRUE(BoxFilesSaved().empty());
    EXPECT_FALSE(QFile::exists(QStringLiteral("1.dat")));
    EXPECT_TRUE(Form1->BoxMemoLists[1].empty());
    EXPECT_EQ(Text(), QString());
    const IniFile settings = IniFile::Load(kSettingsFileName);
    EXPECT_EQ(settings.ReadInteger("EditWindow", "Top", -1), Form2->y());
    EXPECT_EQ(settings.ReadInteger("EditWindow", "Left", -1), Form2->x());
    EXPECT_EQ(Form2->pos(), QPoint(40, 50));

    // The close box ends the same way, and the next showing starts empty.
    ShowNew(1, [&] {
        EXPECT_EQ(Text(), QString());
        EXPECT_FALSE(Form2->Button1->isEnabled());
        Type(Form2->RichEdit1, QStringLiteral("x"));
        Form2->close();
    });
    EXPECT_TRUE(BoxFilesSaved().empty());
    EXPECT_EQ(Text(), QString());
    EXPECT_TRUE(Form1->TrayIcon1->Enabled());
}

TEST_F(EditorTest, ChosenBoxButtonIsFramedAndFilledInTheHighlightOnLightAndDarkPalettes) {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    for (const QPalette& palette : {QApplication::palette(), dark}) {
        const QColor highlight = palette.color(QPalette::Highlight);
        ShowNew(3, [&] {
            Form2->SpeedButton[5]->click();
            for (int n = 1; n <= 6; ++n) {
                Form2->SpeedButton[n]->setPalette(palette);
                const QImage shot = Form2->SpeedButton[n]->grab().toImage();
                const bool chosen = n == 5;
                // The frame along every edge, and the fill between frame and picture.
                for (const QPoint at : {QPoint(0, 0), QPoint(21, 11), QPoint(11, 21), QPoint(1, 5)})
                    EXPECT_EQ(shot.pixelColor(at) == highlight, chosen) << n << " at " << at.x();
                const QColor fill = shot.pixelColor(2, 11);
                const QColor plain = palette.color(QPalette::Button);
                const int distance = std::abs(fill.red() - plain.red()) +
                                     std::abs(fill.green() - plain.green()) +
                                     std::abs(fill.blue() - plain.blue());
                if (chosen) {
                    EXPECT_GT(distance, 60) << n;
                }
                // The picture stays as it is (the test skin's buttons are one colour).
                EXPECT_EQ(shot.pixelColor(11, 11), QColor(10 * n, 100, 100)) << n;
            }
        });
    }
}

TEST_F(EditorTest, CaptionsAndHintsUseTheBoxNames) {
    QString ini = TestSkinIni();
    ini.replace(QStringLiteral("[Box3]\n"), QStringLiteral("[Box3]\nElement=仕事\n"));
    WriteTestSkin(ProgramFolder(), QStringLiteral("named"), ini);
    const QString skin = ProgramFolder() + QStringLiteral("/skin/named");
    Form1->ApplySkinFolder(QDir::toNativeSeparators(skin));
    Form1->BoxMemoLists[3].push_back(Memo({"task"}, 46000, 46000));

    ShowNew(3, [&] {
        EXPECT_EQ(Form2->windowTitle(), QStringLiteral("Tabuko - [仕事]を新規作成 -"));
        EXPECT_EQ(Form2->SpeedButton[3]->toolTip(), QStringLiteral("仕事"));
        EXPECT_EQ(Form2->SpeedButton[4]->toolTip(), QStringLiteral("メモ"));
        Form2->SpeedButton[4]->click();
        EXPECT_EQ(Form2->windowTitle(), QStringLiteral("Tabuko - [メモ]を新規作成 -"));
    });
    ShowExisting(
        3, 0, [&] { EXPECT_EQ(Form2->windowTitle(), QStringLiteral("Tabuko - [仕事]を編集 -")); });
    // Every button shows its box's picture, loaded anew at each showing, with the colour of
    // the bottom-left pixel see-through.
    QImage bitmap(16, 16, QImage::Format_RGB32);
    bitmap.fill(QColor(0, 255, 0));
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x)
            bitmap.setPixelColor(x, y, QColor(200, 30, 30));
    // The skin's file changes while the skin is shown.
    bitmap.save(skin + QStringLiteral("/btn6.bmp"), "BMP");
    ShowNew(3, [] {});
    const QImage picture = Form2->SpeedButton[6]->icon().pixmap(16, 16).toImage();
    EXPECT_EQ(picture.pixelColor(8, 8), QColor(200, 30, 30));
    EXPECT_EQ(picture.pixelColor(0, 15).alpha(), 0);
    for (int n = 1; n <= 5; ++n)
        EXPECT_FALSE(Form2->SpeedButton[n]->icon().isNull()) << n;
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(EditorTest, SavedPositionOffTheScreensIsCentred) {
    IniFile settings;
    settings.WriteInteger("EditWindow", "Top", -5000);
    settings.WriteInteger("EditWindow", "Left", -20);
    platform::SaveFile(Form1->ProgramSettings().Path(), settings.ToBytes());
    TForm2 editor;
    EXPECT_EQ(editor.pos(), QPoint(1024 / 2 - editor.frameGeometry().width() / 2,
                                   768 / 2 - editor.frameGeometry().height() / 2));

    settings.WriteInteger("EditWindow", "Top", 700);
    platform::SaveFile(Form1->ProgramSettings().Path(), settings.ToBytes());
    TForm2 partly;
    EXPECT_EQ(partly.pos(), QPoint(-20, 700));

    QFile::remove(Form1->ProgramSettings().Path());
    TForm2 centred;
    EXPECT_EQ(centred.pos(), QPoint(1024 / 2 - centred.frameGeometry().width() / 2,
                                    768 / 2 - centred.frameGeometry().height() / 2));
    EXPECT_EQ(centred.size(), QSize(369, 300));
}

TEST_F(EditorTest, FailedWriteKeepsTheEditorOpenAndTheNextOkStoresOnce) {
    ShowNew(4, [&] {
        Type(Form2->RichEdit1, QStringLiteral("keep me"));
        fake->failSaveAt = 1;
        Form2->Button1->click();
        ASSERT_EQ(fake->messageBoxes.size(), 1u);
        EXPECT_EQ(fake->messageBoxes[0].text, QStringLiteral("ファイル 4.dat を作成できません"));
        EXPECT_TRUE(Form2->isVisible());
        EXPECT_EQ(Text(), QStringLiteral("keep me"));
        EXPECT_TRUE(Form1->BoxMemoLists[4].empty());
        Form2->Button1->click();
        EXPECT_FALSE(Form2->isVisible());
    });
    EXPECT_EQ(Titles(Form1->BoxMemoLists[4]), (std::vector<std::string>{"keep me"}));
    TMemoList reread;
    ReadBoxFile(4, reread);
    EXPECT_EQ(Titles(reread), (std::vector<std::string>{"keep me"}));
}

TEST_F(EditorTest, FailedSourceWriteOfAMoveIsUndoneAndRepeatedOkMovesOnce) {
    Form1->BoxMemoLists[2].push_back(Memo({"first"}, 46300, 46300));
    Form1->BoxMemoLists[2].push_back(Memo({"edited"}, 46200, 46200));
    Form1->BoxMemoLists[2].push_back(Memo({"third"}, 46100, 46100));
    WriteBoxFile(BoxFileName(2), Form1->BoxMemoLists[2]);
    fake->savedFiles.clear();

    ShowExisting(2, 1, [&] {
        Form2->SpeedButton[5]->click();
        fake->failSaveAt = 2; // 5.dat is written, 2.dat fails
        Form2->Button1->click();
        EXPECT_TRUE(Form2->isVisible());
        EXPECT_FALSE(fake->messageBoxes.empty());
        // The lists are as before, and so are the files.
        EXPECT_EQ(Titles(Form1->BoxMemoLists[2]),
                  (std::vector<std::string>{"first", "edited", "third"}));
        EXPECT_TRUE(Form1->BoxMemoLists[5].empty());
        TMemoList five;
        ReadBoxFile(5, five);
        EXPECT_TRUE(five.empty());

        Form2->Button1->click();
        EXPECT_FALSE(Form2->isVisible());
    });
    EXPECT_EQ(Titles(Form1->BoxMemoLists[2]), (std::vector<std::string>{"first", "third"}));
    EXPECT_EQ(Titles(Form1->BoxMemoLists[5]), (std::vector<std::string>{"edited"}));
    TMemoList two, five;
    ReadBoxFile(2, two);
    ReadBoxFile(5, five);
    EXPECT_EQ(Titles(two), Titles(Form1->BoxMemoLists[2]));
    EXPECT_EQ(Titles(five), Titles(Form1->BoxMemoLists[5]));
}

// A test double whose saves fail at the given call numbers (1 = the first save from now).
class SavesFailingAt : public FakePlatform {
public:
    std::vector<int> failing;
    platform::FileStamp SaveFile(const QString& path, const std::string& bytes) override {
        if (std::find(failing.begin(), failing.end(), ++calls_) != failing.end())
            throw Exception::CannotCreate(path);
        return FakePlatform::SaveFile(path, bytes);
    }

private:
    int calls_ = 0;
};

TEST_F(EditorTest, FailedMoveWhoseUndoFailsTooLeavesListsAsTheFilesAndTheNextOkStoresOnce) {
    using Lines = std::vector<std::string>;
    const auto expectListsAsFiles = [] {
        for (int n : {2, 5}) {
            TMemoList onDisk;
            ReadBoxFile(n, onDisk);
            EXPECT_EQ(Titles(onDisk), Titles(Form1->BoxMemoLists[n])) << n;
        }
    };
    for (int retryInto : {5, 2}) {
        for (int n : {2, 5})
            Form1->BoxMemoLists[n].clear();
        Form1->BoxMemoLists[2].push_back(Memo({"first"}, 46300, 46300));
        Form1->BoxMemoLists[2].push_back(Memo({"edited"}, 46200, 46200));
        Form1->BoxMemoLists[2].push_back(Memo({"third"}, 46100, 46100));
        for (int n : {2, 5})
            WriteBoxFile(BoxFileName(n), Form1->BoxMemoLists[n]);

        SavesFailingAt saves;
        saves.now = fake->now = 46400;
        saves.failing = {2, 3}; // 5.dat is written; 2.dat fails, and so does taking 5.dat back
        // The saves fail while the editor is up; the main window's steps around it run on the
        // usual double.
        fake->onModal = [&](QDialog*) {
            platform::SetCurrent(&saves);
            Form2->SpeedButton[5]->click();
            Type(Form2->RichEdit1, QStringLiteral("!"));
            Form2->Button1->click();
            EXPECT_TRUE(Form2->isVisible());
            EXPECT_EQ(saves.messageBoxes.size(), 1u);
            // Each box lists what its file holds, the menus too: the memo was never lost.
            expectListsAsFiles();
            EXPECT_EQ(Titles(Form1->BoxMemoLists[5]), Lines{"!edited"});
            EXPECT_EQ(MemoItems(5), QStringList{"!edited"});
            EXPECT_EQ(MemoItems(2), (QStringList{"first", "edited", "third"}));

            // The next OK leaves one record of the memo, wherever the user now puts it.
            Form2->SpeedButton[retryInto]->click();
            Form2->Button1->click();
            EXPECT_FALSE(Form2->isVisible());
            platform::SetCurrent(fake.fake.get());
        };
        Form1->OpenEditorOnMemo(2, Form1->BoxMemoLists[2][1]->Serial());
        fake->onModal = nullptr;

        EXPECT_EQ(saves.messageBoxes.size(), 1u);
        expectListsAsFiles();
        if (retryInto == 5) {
            EXPECT_EQ(Titles(Form1->BoxMemoLists[5]), Lines{"!edited"});
            EXPECT_EQ(Titles(Form1->BoxMemoLists[2]), (Lines{"first", "third"}));
        } else {
            EXPECT_TRUE(Form1->BoxMemoLists[5].empty());
            EXPECT_EQ(Titles(Form1->BoxMemoLists[2]), (Lines{"!edited", "first", "third"}));
        }
    }
}

TEST_F(EditorTest, TextTheBoxFilesCannotHoldIsRefusedAndKept) {
    const QString typed = QStringLiteral("買い物 🍎 と Ω");
    ShowNew(1, [&] {
        Form2->RichEdit1->insertPlainText(typed);
        Form2->Button1->click();
        EXPECT_TRUE(Form2->isVisible());
        EXPECT_EQ(Text(), typed);
    });
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_TRUE(fake->messageBoxes[0].text.contains(QStringLiteral("🍎")));
    EXPECT_TRUE(fake->messageBoxes[0].text.contains(QStringLiteral("U+1F34E")));
    EXPECT_TRUE(Form1->BoxMemoLists[1].empty());
    EXPECT_TRUE(BoxFilesSaved().empty());
}

TEST_F(EditorTest, LookAlikesOfCp932CharactersAreStoredAsThem) {
    ShowNew(1, [&] {
        Form2->RichEdit1->insertPlainText(QStringLiteral("9時\u301C10時 \u2212"));
        Form2->Button1->click();
    });
    EXPECT_TRUE(fake->messageBoxes.empty());
    ASSERT_EQ(Form1->BoxMemoLists[1].size(), 1u);
    EXPECT_EQ(Form1->BoxMemoLists[1][0]->Lines,
              std::vector<std::string>{cp932::Encode(QStringLiteral("9時")) + "\x81\x60" +
                                       cp932::Encode(QStringLiteral("10時 ")) + "\x81\x7C"});
}

TEST_F(EditorTest, DateTimeAndDeleteReplaceTheSelectionWithoutAnUndoStep) {
    fake->now = datetime::FromQDateTime(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 30)));
    ShowNew(1, [&] {
        Form2->N1->trigger();
        EXPECT_EQ(Text(), QStringLiteral("2026.12.08(火)"));
        EXPECT_TRUE(Form2->Button1->isEnabled());

        Type(Form2->RichEdit1, QStringLiteral(" at "));
        QTextCursor cursor = Form2->RichEdit1->textCursor();
        cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 2);
        Form2->RichEdit1->setTextCursor(cursor);
        Form2->N2->trigger();
        EXPECT_EQ(Text(), QStringLiteral("2026.12.08(火) a09:05"));
        EXPECT_EQ(Form2->RichEdit1->textCursor().position(), Text().size());

        // Typing after an insertion can be undone; the insertion itself cannot.
        Type(Form2->RichEdit1, QStringLiteral("!"));
        Form2->RichEdit1->undo();
        EXPECT_EQ(Text(), QStringLiteral("2026.12.08(火) a09:05"));
        Form2->RichEdit1->undo();
        EXPECT_EQ(Text(), QStringLiteral("2026.12.08(火) a09:05"));

        // Delete removes the selection and nothing without one.
        Form2->Delete1->trigger();
        EXPECT_EQ(Text(), QStringLiteral("2026.12.08(火) a09:05"));
        cursor = Form2->RichEdit1->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(14, QTextCursor::KeepAnchor);
        Form2->RichEdit1->setTextCursor(cursor);
        Form2->Delete1->trigger();
        EXPECT_EQ(Text(), QStringLiteral("a09:05"));
        Form2->RichEdit1->selectAll();
        Form2->Delete1->trigger();
        EXPECT_FALSE(Form2->Button1->isEnabled());
    });
}

TEST_F(EditorTest, MissingButtonPictureIsReportedAndTheShowingCompletes) {
    // Box 2's button picture is gone since the skin was applied.
    ASSERT_TRUE(QFile::remove(ProgramFolder() + QStringLiteral("/skin/default/btn2.bmp")));
    const TDateTime opened = fake->now;
    Form1->BoxMemoLists[1].push_back(Memo({"old"}, 45000, 45000));
    ShowExisting(1, 0, [&] {
        ASSERT_EQ(fake->messageBoxes.size(), 1u);
        EXPECT_TRUE(fake->messageBoxes[0].text.contains(QStringLiteral("btn2.bmp")));
        EXPECT_EQ(Form2->DateTimePicker1, opened);
        EXPECT_TRUE(Form2->Button1->isEnabled());
        EXPECT_TRUE(Form2->SpeedButton[2]->icon().isNull());
        EXPECT_FALSE(Form2->SpeedButton[3]->icon().isNull());
    });
}

} // namespace
