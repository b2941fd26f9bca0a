// A memo is known by its serial, never by its address: a memo that another writer's change
// brings in at the address of one that the merge freed is not taken for it.
//
// This program replaces the global allocation functions so that a test can make the allocator
// hand a freed memo's address to the next memo allocated, as any allocator may.
#include "MainWindowFixture.h"
#include "Memos.h"
#include "editor/Unit2.h"
#include "mainwindow/Unit1.h"
#include "store/BoxFile.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdlib>
#include <new>

namespace {

void* recycled = nullptr; // kept when freed, instead of being given back
void* kept = nullptr;     // ... and given to the next allocation of a memo's size

void* Allocate(std::size_t size) {
    if (kept && size == sizeof(TMemoData)) {
        void* const memory = kept;
        kept = nullptr;
        return memory;
    }
    return std::malloc(size == 0 ? 1 : size);
}

void Free(void* memory) {
    if (memory && memory == recycled) {
        kept = memory;
        recycled = nullptr;
        return;
    }
    std::free(memory);
}

} // namespace

void* operator new(std::size_t size) {
    if (void* memory = Allocate(size))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* memory = Allocate(size))
        return memory;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* memory) noexcept {
    Free(memory);
}
void operator delete[](void* memory) noexcept {
    Free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    Free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    Free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    Free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    Free(memory);
}

namespace {

class ReusedAddressTest : public MainWindowFixture {
protected:
    // Box 2 holds "original" and "other"; "original" is chosen in box 2's menu.
    void ChooseOriginal() {
        TMemoList box2;
        box2.push_back(Memo({"original"}, 45000));
        box2.push_back(Memo({"other"}, 44000));
        WriteBoxFile("2.dat", box2);
        CreateForms();
        fake->now = 46000;
        emit Form1->PopupMenu[2]->aboutToShow();
        Form1->PopupMenu[2]->actions().at(1)->trigger();
    }

    // Another writer replaces "original" with "unrelated", and the merge makes the new memo
    // where the chosen one was.
    void ReplaceElsewhereAtTheSameAddress() {
        TMemoList& list = Form1->BoxMemoLists[2];
        TMemoData* const chosen = list.at(0).get();
        TMemoList theirs;
        theirs.push_back(Memo({"unrelated"}, 45500));
        theirs.push_back(Memo({"other"}, 44000));
        WriteBytes("2.dat", BoxFileBytes(theirs));
        recycled = chosen;
        Form1->TakeInDiskChanges();
        recycled = kept = nullptr;
        ASSERT_EQ(TitlesOf(list), (Titles{"unrelated", "other"}));
        ASSERT_EQ(list[0].get(), chosen) << "the merge made the new memo at the freed address";
    }

    void ExpectBox2(const Titles& titles) {
        EXPECT_EQ(TitlesOf(Form1->BoxMemoLists[2]), titles);
        TMemoList onDisk;
        ParseBoxFile(ReadBytes("2.dat"), onDisk);
        EXPECT_EQ(TitlesOf(onDisk), titles);
    }
};

// The memo menu's commands act on the chosen memo only: after the merge replaced it, deleting
// or moving "it" touches nothing.
TEST_F(ReusedAddressTest, CommandsOnAMemoReplacedElsewhereLeaveTheReplacement) {
    ChooseOriginal();
    ReplaceElsewhereAtTheSameAddress();
    Form1->PopupMenuSubPopup();
    Form1->Delete1->trigger();
    Form1->Move[3]->trigger();
    ExpectBox2({"unrelated", "other"});
    EXPECT_TRUE(Form1->BoxMemoLists[3].empty());
}

// The editor is open on a memo when another writer replaces it with an unrelated memo and the
// merge makes that one where the edited one was: OK stores the edit as a new memo beside it.
TEST_F(ReusedAddressTest, EditOfAMemoReplacedElsewhereIsKeptBesideTheReplacement) {
    ChooseOriginal();
    bool edited = false;
    fake->onModal = [&](QDialog* dialog) {
        if (dialog != Form2.Get())
            return;
        ReplaceElsewhereAtTheSameAddress();
        if (HasFailure())
            return;
        Form2->RichEdit1->setPlainText(QStringLiteral("original, changed"));
        Form2->Button1->click();
        edited = !Form2->isVisible();
    };
    Form1->N1->trigger(); // 編集
    fake->onModal = nullptr;

    ASSERT_TRUE(edited);
    ExpectBox2({"original, changed", "unrelated", "other"});
}

} // namespace
