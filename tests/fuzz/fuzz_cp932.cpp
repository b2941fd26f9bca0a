// CP932 conversion: the program's tables give what Qt's "windows-31j" codec gives. The input is
// read as bytes for Decode and IsValid, and as UTF-16 text (pairs of bytes) for Encode and
// FirstUnencodable.
#include "CodecReference.h"
#include "FuzzCheck.h"
#include "util/CP932.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(cp932::Decode(bytes) == codec::Decode(bytes), "bytes decode as with the codec");
    FUZZ_CHECK(cp932::IsValid(bytes) == codec::IsValid(bytes), "validity as with the codec");

    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | data[i + 1] << 8));
    FUZZ_CHECK(cp932::Encode(text) == codec::Encode(text), "text encodes as with the codec");
    FUZZ_CHECK(cp932::FirstUnencodable(text) == codec::FirstUnencodable(text),
               "the same first character that CP932 lacks as with the codec");
    return 0;
}
