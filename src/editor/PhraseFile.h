#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading a phrase file. Phrase files are Shift-JIS, but a desktop editor elsewhere than on
// Windows saves them as UTF-8: such a file is recognised and its phrases are turned into the
// Shift-JIS bytes of the same text. The file itself is only read.
namespace phrases {

// True when the bytes are to be read as UTF-8: they start with the UTF-8 byte-order mark, or
// they are valid UTF-8 and not valid Shift-JIS. Anything else is Shift-JIS, as ever.
bool IsUtf8(std::string_view bytes);

struct Phrase {
    std::string bytes; // the phrase as CP932 bytes; empty when `unencodable` is set
    // The first character of a UTF-8 phrase that CP932 cannot hold: such a phrase is shown but
    // not inserted.
    std::optional<char32_t> unencodable;
    QString text; // the phrase's text, for showing an unencodable one
};

// The phrases of a phrase file, one per line (line ends as for all the program's text files).
// Shift-JIS lines are taken byte for byte.
std::vector<Phrase> Read(std::string_view bytes);

} // namespace phrases
