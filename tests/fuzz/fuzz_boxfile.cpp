// Box files: whatever loads is written back to bytes that load to the same memos, and writing
// those memos again gives the same bytes.
#include "FuzzCheck.h"
#include "store/BoxFile.h"

#include <cstdint>
#include <cstring>

namespace {

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckSameMemos(const TMemoList& read, const TMemoList& reread) {
    FUZZ_CHECK(read.size() == reread.size(), "a written box file holds every memo read");
    for (std::size_t i = 0; i < read.size(); ++i) {
        const TMemoData& a = *read[i];
        const TMemoData& b = *reread[i];
        FUZZ_CHECK(a.Lines == b.Lines, "a memo's lines survive writing and reading");
        FUZZ_CHECK(SameBits(a.MemoDate, b.MemoDate), "MemoDate survives bit for bit");
        FUZZ_CHECK(SameBits(a.SavedAt, b.SavedAt), "SavedAt survives bit for bit");
        FUZZ_CHECK(a.SortKey == b.SortKey, "the sort key survives");
        for (const std::string& line : a.Lines)
            FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
                       "a memo line holds no CR, LF or NUL");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    TMemoList read;
    ParseBoxFile(bytes, read);
    const std::string written = BoxFileBytes(read);

    TMemoList reread;
    FUZZ_CHECK(!ParseBoxFile(written, reread).damaged, "a written box file reads without damage");
    CheckSameMemos(read, reread);
    FUZZ_CHECK(BoxFileBytes(reread) == written, "a second write is byte for byte the first");

    return 0;
}
