#pragma once

#include "store/MemoData.h"

#include <array>

// Adds memos to several boxes at once, all or none (index = box number; only the boxes with
// additions are touched). Each list gets its memos, is sorted and stored through
// BoxFiles().Store, in box order. When a box cannot be stored, the boxes stored before it are
// stored again without the added memos, so that every list and file is as it was, and the error
// is raised. Should one of those stores fail as well, that box keeps the added memos in its list
// and its file alike (a memo is never half there), and the raised message names the box file.
// `additions` is left empty either way.
void AddToBoxes(const std::array<TMemoList*, 7>& lists, std::array<TMemoList, 7>& additions);
