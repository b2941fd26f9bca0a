#pragma once

#include "store/MemoData.h"

#include <QString>
#include <QStringList>
#include <array>

// The commands' work on the data folder (the current directory) while no program runs there;
// the caller holds the folder's lock. Box files are read and written as the program does
// (BoxFiles().Store), and a damaged box file is kept as a copy before it is written.
namespace cli::offline {

// The box names of the current skin as the program would show them ("メモ" where the skin
// names none): the settings file beside the program names the skin, and a skin that is not
// there gives way to the default one.
std::array<QString, 7> BoxNames(const QString& programFolder);

// Adds the memos to their boxes (index = box number), each box read, extended, sorted and
// stored, all or none (AddToBoxes): every box is read before any is written, and a box that
// cannot be read or written leaves all files as they were. With `dropPresent` (an import), memos
// that their box holds already are left out (DropPresent). `notes` gets what the user should
// know besides (a damaged file kept).
void AddMemos(std::array<TMemoList, 7>& additions, QStringList& notes, bool dropPresent = false);

// Writes the export files of all boxes into `folder`. A box whose file cannot be read is left
// out and raises an Exception naming it after the others are written.
void Export(const QString& folder, const std::array<QString, 7>& boxNames, QStringList& notes);

} // namespace cli::offline
