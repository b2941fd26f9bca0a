// Phrase menus of the editor's context menu, the phrase files, and the date-insertion window.
#include "MainWindowFixture.h"

#include "editor/Unit2.h"
#include "editor/Unit5.h"
#include "mainwindow/Unit1.h"
#include "platform/Files.h"
#include "util/CP932.h"
#include "util/DateTime.h"
#include "util/IniFile.h"
#include "util/LineSplit.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTextCursor>
#include <QToolButton>

namespace {

const char* const kPhraseFiles[] = {"InsertTime.txt", "InsertFree1.txt", "InsertFree2.txt",
                                    "InsertPart.txt"};

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("<separator>") : action->text());
    return captions;
}

class PhraseTest : public MainWindowFixture {
protected:
    void SetUp() override {
        for (const char* name : kPhraseFiles)
            WriteBytes(QString::fromLatin1(name), "x\r\n");
        CreateForms();
        fake->messageBoxes.clear();
        Form2->SpeedButton[1]->setChecked(true);
    }

    // Right-clicks the editing area, as the user does.
    void RightClick() {
        QWidget* area = Form2->RichEdit1->viewport();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                                area->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(area, &event);
    }

    // Shows the editor for a new memo of box 1 and runs `script` while it is up (and
    // `dateScript` while the date window is up).
    void WithEditor(const std::function<void()>& script,
                    const std::function<void()>& dateScript = {}) {
        fake->onModal = [&](QDialog* dialog) {
            if (dialog == Form2.Get())
                script();
            else if (dialog == Form5.Get() && dateScript)
                dateScript();
        };
        Form1->OpenEditorForNew(1);
        fake->onModal = nullptr;
    }

    void Select(int from, int to) {
        QTextCursor cursor = Form2->RichEdit1->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        Form2->RichEdit1->setTextCursor(cursor);
    }

    QString Text() const { return Form2->RichEdit1->toPlainText(); }
};

TEST_F(PhraseTest, LinesBecomeItemsWhateverTheLineEnds) {
    for (const char* content : {"a\r\n\r\nb\r\n", "a\n\nb\n", "a\r\rb\r", "a\r\n\r\nb", "a\n\nb"}) {
        WriteBytes(QStringLiteral("InsertTime.txt"), content);
        RightClick();
        EXPECT_EQ(Captions(Form2->N5), (QStringList{"a", "", "b"})) << content;
    }
    WriteBytes(QStringLiteral("InsertPart.txt"), "");
    RightClick();
    EXPECT_TRUE(Form2->N8->actions().isEmpty());
    // Every opening reads the files again and shows each phrase once.
    RightClick();
    EXPECT_EQ(Captions(Form2->N5), (QStringList{"a", "", "b"}));
    EXPECT_EQ(fake->popups.size(), 7u);
    EXPECT_EQ(fake->popups.back().menu, Form2->PopupMenu1);
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(PhraseTest, PhraseMenuCaptionsComeFromTheSettingsFile) {
    IniFile settings;
    settings.WriteString("EditWindow", "Phrase1", cp932::Encode(QStringLiteral("挨拶")));
    platform::SaveFile(Form1->ProgramSettings().Path(), settings.ToBytes());
    RightClick();
    EXPECT_EQ(Form2->N6->title(), QStringLiteral("挨拶"));
    EXPECT_EQ(Form2->N13->text(), QStringLiteral("挨拶"));
    EXPECT_EQ(Form2->N7->title(), QStringLiteral("フレーズ２"));
    EXPECT_EQ(Form2->N14->text(), QStringLiteral("フレーズ２"));

    QFile::remove(Form1->ProgramSettings().Path());
    RightClick();
    EXPECT_EQ(Form2->N6->title(), QStringLiteral("フレーズ１"));
    EXPECT_EQ(Form2->N13->text(), QStringLiteral("フレーズ１"));
}

TEST_F(PhraseTest, MissingPhraseFileIsNamedAndNoMenuOpens) {
    RightClick();
    ASSERT_EQ(fake->popups.size(), 1u);
    WriteCp932File(QStringLiteral("InsertTime.txt"), QStringLiteral("朝\n"));
    WriteCp932File(QStringLiteral("InsertFree1.txt"), QStringLiteral("お疲れさまです。\n"));
    WriteCp932File(QStringLiteral("InsertPart.txt"), QStringLiteral("しかし\n"));
    QFile::remove(QStringLiteral("InsertFree2.txt"));

    RightClick();
    ASSERT_EQ(fake->messageBoxes.size(), 1u);
    EXPECT_EQ(fake->messageBoxes[0].text, QStringLiteral("ファイル InsertFree2.txt は開けません"));
    EXPECT_EQ(fake->popups.size(), 1u);
    // The files before the missing one show their new content, the ones after keep theirs.
    EXPECT_EQ(Captions(Form2->N5), QStringList{"朝"});
    EXPECT_EQ(Captions(Form2->N6), QStringList{"お疲れさまです。"});
    EXPECT_EQ(Captions(Form2->N7), QStringList{"x"});
    EXPECT_EQ(Captions(Form2->N8), QStringList{"x"});

    WriteBytes(QStringLiteral("InsertFree2.txt"), "");
    RightClick();
    EXPECT_EQ(fake->popups.size(), 2u);
    EXPECT_EQ(Captions(Form2->N8), QStringList{"しかし"});
}

TEST_F(PhraseTest, PhraseInsertsItsLineAsWrittenReplacingTheSelection) {
    WriteBytes(QStringLiteral("InsertFree1.txt"), cp932::Encode(QStringLiteral("A&B\r\n-\r\n")) +
                                                      cp932::Encode(QStringLiteral("以上\r\n")));
    WithEditor([&] {
        EXPECT_FALSE(Form2->Button1->isEnabled());
        RightClick();
        const QList<QAction*> items = Form2->N6->actions();
        ASSERT_EQ(items.size(), 3);
        EXPECT_TRUE(items[1]->isSeparator());
        items[0]->trigger();
        EXPECT_EQ(Text(), QStringLiteral("A&B"));
        EXPECT_TRUE(Form2->Button1->isEnabled());

        Select(0, 1);
        items[2]->trigger();
        EXPECT_EQ(Text(), QStringLiteral("以上&B"));
        Form2->Button1->click();
    });
    ASSERT_EQ(Form1->BoxMemoLists[1].size(), 1u);
    EXPECT_EQ(Form1->BoxMemoLists[1][0]->Lines,
              std::vector<std::string>{cp932::Encode(QStringLiteral("以上&B"))});
}

// Phrase files saved as UTF-8 by a desktop editor: recognised by their mark or by being valid
// UTF-8 and not valid Shift-JIS; their phrases go in as the Shift-JIS of the same text.
TEST_F(PhraseTest, Utf8PhraseFilesAreReadAsTextAndShiftJisFilesAsEver) {
    const std::string wave = QStringLiteral("おはよう〜").toStdString(); // U+301C, typed on Linux
    WriteBytes(QStringLiteral("InsertTime.txt"),
               wave + "\n" + QStringLiteral("한글").toStdString() + "\nA&B\n");
    // With the mark, even bytes that Shift-JIS could also read ("ｱ" is EF BD B1).
    WriteBytes(QStringLiteral("InsertFree1.txt"), "\xEF\xBB\xBF\xEF\xBD\xB1\r\n-\r\n");
    WriteCp932File(QStringLiteral("InsertFree2.txt"), QStringLiteral("以上\nｱ\n"));
    // Valid in both and without a mark: Shift-JIS ("é" in UTF-8 reads as "ﾃｩ").
    WriteBytes(QStringLiteral("InsertPart.txt"), "\xC3\xA9\r\n");

    WithEditor([&] {
        RightClick();
        EXPECT_EQ(Captions(Form2->N5),
                  (QStringList{QStringLiteral("おはよう～"), QStringLiteral("한글"), "A&B"}));
        EXPECT_EQ(Captions(Form2->N6), (QStringList{QStringLiteral("ｱ"), "<separator>"}));
        EXPECT_EQ(Captions(Form2->N7), (QStringList{QStringLiteral("以上"), QStringLiteral("ｱ")}));
        EXPECT_EQ(Captions(Form2->N8), QStringList{QStringLiteral("ﾃｩ")});

        Form2->N5->actions()[0]->trigger();
        Form2->N6->actions()[0]->trigger();
        Form2->N7->actions()[0]->trigger();
        // A phrase that Shift-JIS cannot hold is refused and names its character.
        Form2->N5->actions()[1]->trigger();
        ASSERT_EQ(fake->messageBoxes.size(), 1u);
        EXPECT_TRUE(fake->messageBoxes[0].text.contains(QStringLiteral("U+D55C")));
        EXPECT_EQ(Text(), QStringLiteral("おはよう～ｱ以上"));
        Form2->Button1->click();
    });
    ASSERT_EQ(Form1->BoxMemoLists[1].size(), 1u);
    EXPECT_EQ(Form1->BoxMemoLists[1][0]->Lines,
              std::vector<std::string>{cp932::Encode(QStringLiteral("おはよう")) + "\x81\x60\xB1" +
                                       cp932::Encode(QStringLiteral("以上"))});
}

TEST_F(PhraseTest, EditCommandsOpenOnlyExistingFiles) {
    QFile::remove(QStringLiteral("InsertFree2.txt"));
    for (QAction* item : {Form2->N12, Form2->N13, Form2->N14, Form2->N15})
        item->trigger();
    ASSERT_EQ(fake->shellCalls.size(), 3u);
    EXPECT_EQ(fake->shellCalls[0].operation, "open");
    EXPECT_EQ(fake->shellCalls[0].file, "InsertTime.txt");
    EXPECT_EQ(fake->shellCalls[0].showCommand, platform::SW_SHOW);
    EXPECT_EQ(fake->shellCalls[1].file, "InsertFree1.txt");
    EXPECT_EQ(fake->shellCalls[2].file, "InsertPart.txt");
    EXPECT_TRUE(fake->messageBoxes.empty());
}

TEST_F(PhraseTest, DateWindowInsertsADayOrARangeAtThePointer) {
    fake->cursorPos = QPoint(300, 200);
    const QDate first(2026, 12, 8);
    WithEditor(
        [&] {
            Form2->N4->trigger();
            EXPECT_EQ(Text(), QStringLiteral("2026.12.08(火)"));
            Form2->RichEdit1->selectAll();
            Form2->N4->trigger();
            // The range mark is CP932's 0x81 0x60, and the earlier day comes first.
            EXPECT_EQ(cp932::Encode(Text()), cp932::Encode(QStringLiteral("2026.12.08(火)")) +
                                                 "\x81\x60" +
                                                 cp932::Encode(QStringLiteral("2026.12.10(木)")));
            // The close box inserts nothing.
            Form2->N4->trigger();
        },
        [&] {
            EXPECT_EQ(Form5->pos(), QPoint(300, 200));
            if (!Form5->MonthCalendar1->UserChose()) {
                Form5->MonthCalendar1->SelectRange(first, first);
            } else if (Form5->MonthCalendar1->LastDay() == first) {
                Form5->MonthCalendar1->SelectRange(first.addDays(2), first);
                // A screen reader reads the calendar's name and the range it would insert.
                QAccessibleInterface* calendar =
                    QAccessible::queryAccessibleInterface(Form5->MonthCalendar1);
                ASSERT_NE(calendar, nullptr);
                EXPECT_EQ(calendar->text(QAccessible::Name), QStringLiteral("挿入する日付"));
                EXPECT_EQ(calendar->text(QAccessible::Description),
                          QStringLiteral("2026.12.08(火)") + cp932::Decode("\x81\x60") +
                              QStringLiteral("2026.12.10(木)"));
            } else {
                Form5->close();
                return;
            }
            Form5->Button1->click();
            EXPECT_FALSE(Form5->isVisible());
        });
    EXPECT_EQ(fake->modalShown.size(), 4u);
}

TEST_F(PhraseTest, CalendarOpensOnTodayUntilADayIsChosenThenKeepsTheSelection) {
    TRangeCalendar* calendar = Form5->MonthCalendar1;
    EXPECT_EQ(calendar->firstDayOfWeek(), Qt::Sunday);
    const auto at = [](QDate day) {
        return datetime::FromQDateTime(QDateTime(day, QTime(9, 0)));
    };

    // Every opening shows today's month with today selected, as long as nothing was chosen.
    fake->now = at(QDate(2031, 5, 20));
    platform::Current().ShowModal(Form5.Get());
    EXPECT_EQ(calendar->yearShown(), 2031);
    EXPECT_EQ(calendar->monthShown(), 5);
    EXPECT_EQ(calendar->FirstDay(), QDate(2031, 5, 20));
    EXPECT_EQ(calendar->LastDay(), QDate(2031, 5, 20));
    calendar->showNextMonth();
    fake->now = at(QDate(2031, 6, 1));
    platform::Current().ShowModal(Form5.Get());
    EXPECT_EQ(calendar->monthShown(), 6);
    EXPECT_EQ(calendar->FirstDay(), QDate(2031, 6, 1));

    calendar->SelectRange(QDate(2026, 1, 1), QDate(2026, 3, 1));
    EXPECT_EQ(calendar->LastDay(), QDate(2026, 1, 31));
    calendar->SelectRange(QDate(2026, 3, 1), QDate(2025, 12, 1));
    EXPECT_EQ(calendar->FirstDay(), QDate(2026, 1, 30));
    EXPECT_EQ(calendar->LastDay(), QDate(2026, 3, 1));

    // Once a day was chosen, later openings show the selection the user left.
    fake->now = at(QDate(2031, 7, 4));
    platform::Current().ShowModal(Form5.Get());
    platform::Current().ShowModal(Form5.Get());
    EXPECT_EQ(calendar->FirstDay(), QDate(2026, 1, 30));
    EXPECT_EQ(calendar->LastDay(), QDate(2026, 3, 1));
    EXPECT_EQ(calendar->monthShown(), 1);
}

TEST_F(PhraseTest, EnterInsertsTheSelectionExceptInTheYearField) {
    // The caption of the insert button fits, whatever the style asks of a button.
    const int captionWidth =
        Form5->Button1->fontMetrics().horizontalAdvance(QStringLiteral("挿入"));
    EXPECT_GE(Form5->Button1->width(), captionWidth + 8);
    EXPECT_EQ(Form5->Button1->geometry().right(), Form5->width() - 2);

    QTableView* view = Form5->MonthCalendar1->findChild<QTableView*>();
    ASSERT_NE(view, nullptr);
    const auto press = [](QWidget* target, int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &down);
    };
    WithEditor(
        [&] {
            Form2->N4->trigger();
            EXPECT_EQ(Text(), QStringLiteral("2025.12.09(火)"));
            Form2->N4->trigger();
            EXPECT_EQ(Text(), QStringLiteral("2025.12.09(火)2025.12.10(水)"));
            Form2->N4->trigger();
            EXPECT_EQ(Text(), QStringLiteral("2025.12.09(火)2025.12.10(水)"));
        },
        [&] {
            if (Form2->RichEdit1->toPlainText().isEmpty()) {
                press(view, Qt::Key_Return);
            } else if (Form2->RichEdit1->toPlainText().size() < 20) {
                press(view, Qt::Key_Right);
                press(Form5.Get(), Qt::Key_Enter); // the focus elsewhere in the window
            } else {
                // Enter in the year field only ends the typing of the year.
                auto* yearButton = Form5->MonthCalendar1->findChild<QToolButton*>(
                    QStringLiteral("qt_calendar_yearbutton"));
                ASSERT_NE(yearButton, nullptr);
                yearButton->click();
                QSpinBox* year = Form5->MonthCalendar1->findChild<QSpinBox*>();
                ASSERT_NE(year, nullptr);
                year->setFocus();
                ASSERT_EQ(Form5->focusWidget(), year);
                press(year, Qt::Key_Return);
                EXPECT_TRUE(Form5->isVisible());
                Form5->close();
            }
        });
}

class CalendarMouseTest : public PhraseTest {
protected:
    void SetUp() override {
        PhraseTest::SetUp();
        // The calendar opens on today: 3 September 2005 here.
        fake->now = datetime::FromQDateTime(QDateTime(QDate(2005, 9, 3), QTime(12, 0)));
        Form5->show();
        view = Form5->MonthCalendar1->findChild<QTableView*>();
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override { Form5->hide(); }

    void Mouse(QEvent::Type type, int row, int column, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint at = view->visualRect(view->model()->index(row, column)).center();
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, view->viewport()->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                          modifiers);
        QApplication::sendEvent(view->viewport(), &event);
    }

    QTableView* view = nullptr;
};

TEST_F(CalendarMouseTest, DragAndShiftClickSelectARange) {
    TRangeCalendar* calendar = Form5->MonthCalendar1;
    // September 2005 shows six weeks from 28 August to 8 October; a drag over all of them
    // stops at 31 days.
    Mouse(QEvent::MouseButtonPress, 1, 0);
    EXPECT_EQ(calendar->FirstDay(), QDate(2005, 8, 28));
    Mouse(QEvent::MouseMove, 6, 6);
    Mouse(QEvent::MouseButtonRelease, 6, 6);
    EXPECT_EQ(calendar->FirstDay(), QDate(2005, 8, 28));
    EXPECT_EQ(calendar->LastDay(), QDate(2005, 9, 27));
    EXPECT_EQ(calendar->monthShown(), 9);

    // Rows below the header row hold the weeks: a drag one row down spans eight days.
    Mouse(QEvent::MouseButtonPress, 2, 1);
    const QDate pressed = calendar->FirstDay();
    EXPECT_EQ(calendar->LastDay(), pressed);
    Mouse(QEvent::MouseMove, 3, 1);
    Mouse(QEvent::MouseButtonRelease, 3, 1);
    EXPECT_EQ(calendar->FirstDay(), pressed);
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(7));

    // A plain click selects one day again; a shift-click extends from it.
    Mouse(QEvent::MouseButtonPress, 2, 4);
    Mouse(QEvent::MouseButtonRelease, 2, 4);
    EXPECT_EQ(calendar->FirstDay(), pressed.addDays(3));
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(3));
    Mouse(QEvent::MouseButtonPress, 2, 1, Qt::ShiftModifier);
    Mouse(QEvent::MouseButtonRelease, 2, 1, Qt::ShiftModifier);
    EXPECT_EQ(calendar->FirstDay(), pressed);
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(3));

    // Shift with an arrow key moves the end of the range, an arrow alone selects one day.
    QKeyEvent shiftLeft(QEvent::KeyPress, Qt::Key_Left, Qt::ShiftModifier);
    QApplication::sendEvent(view, &shiftLeft);
    EXPECT_EQ(calendar->FirstDay(), pressed.addDays(-1));
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(3));
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(view, &left);
    EXPECT_EQ(calendar->FirstDay(), pressed.addDays(-2));
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(-2));
}

TEST_F(CalendarMouseTest, QuickClicksAndAHiddenDragKeepTheRangeRight) {
    TRangeCalendar* calendar = Form5->MonthCalendar1;
    // A click soon after another comes as press, release, double click, release: the second
    // one selects its own day, and may start a drag.
    Mouse(QEvent::MouseButtonPress, 2, 1);
    Mouse(QEvent::MouseButtonRelease, 2, 1);
    const QDate pressed = calendar->FirstDay();
    EXPECT_EQ(pressed, QDate(2005, 9, 5));
    Mouse(QEvent::MouseButtonDblClick, 2, 3);
    Mouse(QEvent::MouseButtonRelease, 2, 3);
    EXPECT_EQ(calendar->FirstDay(), pressed.addDays(2));
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(2));
    EXPECT_EQ(calendar->selectedDate(), pressed.addDays(2));
    Mouse(QEvent::MouseButtonPress, 2, 1);
    Mouse(QEvent::MouseButtonRelease, 2, 1);
    Mouse(QEvent::MouseButtonDblClick, 2, 2);
    Mouse(QEvent::MouseMove, 3, 2);
    Mouse(QEvent::MouseButtonRelease, 3, 2);
    EXPECT_EQ(calendar->FirstDay(), pressed.addDays(1));
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(8));

    // A window hidden while the button is held gets no release: the drag ends there, and
    // the calendar's day follows the end of the range again.
    Mouse(QEvent::MouseButtonPress, 2, 1);
    Mouse(QEvent::MouseMove, 2, 3);
    Form5->hide();
    EXPECT_EQ(calendar->FirstDay(), pressed);
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(2));
    EXPECT_EQ(calendar->selectedDate(), pressed.addDays(2));
    Form5->show();
    QKeyEvent shiftRight(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
    QApplication::sendEvent(view, &shiftRight);
    EXPECT_EQ(calendar->FirstDay(), pressed);
    EXPECT_EQ(calendar->LastDay(), pressed.addDays(3));
}

TEST_F(CalendarMouseTest, TodayIsCircledAndTheRangeIsHighlighted) {
    TRangeCalendar* calendar = Form5->MonthCalendar1;
    fake->now = datetime::FromQDateTime(QDateTime(QDate(2005, 9, 14), QTime(10, 0)));
    calendar->SelectRange(QDate(2005, 9, 19), QDate(2005, 9, 20));
    const QImage shot = calendar->grab().toImage();
    const auto cell = [&](int row, int column) {
        const QRect rect = view->visualRect(view->model()->index(row, column));
        return QRect(view->viewport()->mapTo(calendar, rect.topLeft()), rect.size());
    };
    const auto reddish = [&](const QRect& rect) {
        int count = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                count += c.red() > 150 && c.green() < 90 && c.blue() < 90;
            }
        return count;
    };
    // Wednesday 14 September is today; Thursday 15 is an ordinary day.
    EXPECT_GT(reddish(cell(3, 3)), 8);
    EXPECT_EQ(reddish(cell(3, 4)), 0);
    const QColor highlight = calendar->palette().color(QPalette::Highlight);
    EXPECT_EQ(shot.pixelColor(cell(4, 1).topLeft() + QPoint(1, 1)), highlight); // 19th
    EXPECT_EQ(shot.pixelColor(cell(4, 2).topLeft() + QPoint(1, 1)), highlight); // 20th
    EXPECT_NE(shot.pixelColor(cell(4, 3).topLeft() + QPoint(1, 1)), highlight); // 21st
}

TEST(ShippedPhrases, AreCp932LinesEndingInCrLf) {
#ifndef TABUKO_SOURCE_DIR
    GTEST_SKIP() << "source folder unknown";
#else
    for (const char* name : kPhraseFiles) {
        QFile file(QStringLiteral(TABUKO_SOURCE_DIR "/data/") + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray raw = file.readAll();
        const std::string bytes(raw.constData(), std::size_t(raw.size()));
        const QString text = cp932::Decode(bytes);
        EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << name;
        EXPECT_EQ(cp932::Encode(text), bytes) << name;
        const std::vector<std::string> lines = text::SplitLines(bytes);
        EXPECT_GE(lines.size(), 5u) << name;
        EXPECT_EQ(text::JoinLines(lines), bytes) << name << ": every line ends in CR LF";
    }
#endif
}

} // namespace
