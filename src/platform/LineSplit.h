#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace text {

// Splits byte text into lines at CR LF, a lone CR and a lone LF. A line end at the very end adds
// no empty line; a NUL byte ends the text. Used for memo text blocks, phrase files and the
// delete log.
std::vector<std::string> SplitLines(std::string_view bytes);

// Every line followed by CR LF, the last one too.
std::string JoinLines(const std::vector<std::string>& lines);

} // namespace text
