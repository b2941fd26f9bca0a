// CP932 conversion: the program's tables give what Qt's "windows-31j" codec gives. The input is
// read as bytes for Decode and IsValid, and as UTF-16 text (pairs of bytes) for Encode and
// FirstUnencodable.
#include "FuzzCheck.h"
#include "platform/CP932.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdint>

namespace {

QString CodecDecode(std::string_view bytes) {
    QStringDecoder decoder("windows-31j");
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::string CodecEncode(const QString& text) {
    QStringEncoder encoder("windows-31j");
    const QByteArray out = encoder.encode(text);
    return std::string(out.constData(), std::size_t(out.size()));
}

// As the program checked with the codec: a character comes back from a round trip; a pair
// that has no character decodes to U+FFFD.
std::optional<char32_t> CodecFirstUnencodable(const QString& text) {
    if (CodecDecode(CodecEncode(text)) == text)
        return std::nullopt;
    for (char32_t cp : text.toUcs4()) {
        const QString one = QString::fromUcs4(&cp, 1);
        if (CodecDecode(CodecEncode(one)) != one)
            return cp;
    }
    return std::nullopt;
}

bool CodecIsValid(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        if (!cp932::IsLeadByte(b) || i + 1 == bytes.size())
            return false;
        const QString one = CodecDecode(bytes.substr(i, 2));
        if (one.size() != 1 || one[0] == QChar(QChar::ReplacementCharacter))
            return false;
        ++i;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(cp932::Decode(bytes) == CodecDecode(bytes), "bytes decode as with the codec");
    FUZZ_CHECK(cp932::IsValid(bytes) == CodecIsValid(bytes), "validity as with the codec");

    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | data[i + 1] << 8));
    FUZZ_CHECK(cp932::Encode(text) == CodecEncode(text), "text encodes as with the codec");
    FUZZ_CHECK(cp932::FirstUnencodable(text) == CodecFirstUnencodable(text),
               "the same first character that CP932 lacks as with the codec");
    return 0;
}
