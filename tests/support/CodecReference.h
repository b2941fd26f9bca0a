#pragma once

// CP932 conversion as the program did it with Qt's "windows-31j" codec (an ICU converter), the
// reference the program's own tables are checked against by the tests and the fuzz target.
#include "util/CP932.h"

#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>
#include <string>
#include <string_view>

namespace codec {

inline QString Decode(std::string_view bytes) {
    QStringDecoder decoder("windows-31j");
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

inline std::string Encode(const QString& text) {
    QStringEncoder encoder("windows-31j");
    const QByteArray out = encoder.encode(text);
    return std::string(out.constData(), std::size_t(out.size()));
}

// A character comes back from a round trip; one CP932 lacks comes back as a substitute.
inline std::optional<char32_t> FirstUnencodable(const QString& text) {
    if (Decode(Encode(text)) == text)
        return std::nullopt;
    for (char32_t cp : text.toUcs4()) {
        const QString one = QString::fromUcs4(&cp, 1);
        if (Decode(Encode(one)) != one)
            return cp;
    }
    return std::nullopt;
}

// A pair that has no character decodes to U+FFFD.
inline bool IsValid(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        if (!cp932::IsLeadByte(b) || i + 1 == bytes.size())
            return false;
        const QString one = Decode(bytes.substr(i, 2));
        if (one.size() != 1 || one[0] == QChar(QChar::ReplacementCharacter))
            return false;
        ++i;
    }
    return true;
}

} // namespace codec
