#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

// Splits byte text into lines at CR LF, a lone CR and a lone LF. A line end at the very end adds
// no empty line; a NUL byte ends the text. Used for memo text blocks, phrase files and the
// delete log.
std::vector<std::string> SplitLines(std::string_view bytes);

// The same lines, but a NUL byte is kept as part of its line like any other byte: for text that
// is rewritten whole (the delete log), where nothing may be cut off.
std::vector<std::string> SplitLinesKeepingNul(std::string_view bytes);

// Every line followed by CR LF, the last one too.
std::string JoinLines(const std::vector<std::string>& lines);

} // namespace text
