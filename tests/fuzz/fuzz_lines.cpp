// The line splitter of phrase files, memo text and the delete log: lines hold no line-end or
// NUL bytes, and joining then splitting again gives the same lines.
#include "FuzzCheck.h"
#include "util/LineSplit.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> lines = text::SplitLines(bytes);
    std::size_t total = 0;
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
                   "a line holds no CR, LF or NUL");
        total += line.size();
    }
    // Up to a NUL, the text is its lines and their ends: as many lines as ends (CR LF counts
    // once) plus one for text after the last end, and every other byte in a line.
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    std::size_t ends = 0;
    std::size_t endBytes = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        ++ends;
        ++endBytes;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++endBytes;
            ++i;
        }
    }
    const bool tail = !text.empty() && text.back() != '\r' && text.back() != '\n';
    FUZZ_CHECK(lines.size() == ends + (tail ? 1 : 0), "one line per line end");
    FUZZ_CHECK(total + endBytes == text.size(), "every byte before a NUL is in a line or an end");

    const std::string joined = text::JoinLines(lines);
    const std::vector<std::string> again = text::SplitLines(joined);
    FUZZ_CHECK(again == lines, "joined lines split into the same lines");
    FUZZ_CHECK(text::JoinLines(again) == joined, "joining is stable");

    // Text that already has CR LF after every line and no NUL comes back unchanged.
    bool canonical =
        bytes.find('\0') == std::string_view::npos && (bytes.empty() || bytes.ends_with("\r\n"));
    for (std::size_t i = 0; canonical && i < size; ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            canonical = false;
        if (bytes[i] == '\r' && (i + 1 == size || bytes[i + 1] != '\n'))
            canonical = false;
    }
    if (canonical)
        FUZZ_CHECK(joined == bytes, "CR LF text is joined back unchanged");
    return 0;
}
