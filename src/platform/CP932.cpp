#include "platform/CP932.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>
#include <utility>

namespace cp932 {
namespace {
constexpr const char* kCodec = "windows-31j";
}

QString Decode(std::string_view bytes) {
    QStringDecoder decoder(kCodec);
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::string Encode(const QString& text) {
    QStringEncoder encoder(kCodec);
    QByteArray out = encoder.encode(text);
    return std::string(out.constData(), std::size_t(out.size()));
}

std::optional<char32_t> FirstUnencodable(const QString& text) {
    // A character CP932 can hold comes back unchanged from a round trip; one it cannot hold
    // comes back as a substitute. The whole text is tried first, as that is the usual case.
    if (Decode(Encode(text)) == text)
        return std::nullopt;
    for (char32_t cp : text.toUcs4()) {
        const QString one = QString::fromUcs4(&cp, 1);
        if (Decode(Encode(one)) != one)
            return cp;
    }
    return std::nullopt;
}

QString FoldLookAlikes(QString text) {
    static constexpr std::pair<char16_t, char16_t> kFolds[] = {
        {u'\u301C', u'\uFF5E'}, // WAVE DASH -> FULLWIDTH TILDE
        {u'\u2016', u'\u2225'}, // DOUBLE VERTICAL LINE -> PARALLEL TO
        {u'\u2212', u'\uFF0D'}, // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
        {u'\u00A2', u'\uFFE0'}, // CENT SIGN -> FULLWIDTH CENT SIGN
        {u'\u00A3', u'\uFFE1'}, // POUND SIGN -> FULLWIDTH POUND SIGN
        {u'\u00AC', u'\uFFE2'}, // NOT SIGN -> FULLWIDTH NOT SIGN
        {u'\u2014', u'\u2015'}, // EM DASH -> HORIZONTAL BAR
    };
    for (const auto& [from, to] : kFolds)
        text.replace(QChar(from), QChar(to));
    return text;
}

QString CodePointName(char32_t cp) {
    return QStringLiteral("U+%1")
        .arg(uint(cp), cp > 0xFFFF ? 5 : 4, 16, QLatin1Char('0'))
        .toUpper();
}

std::string_view CutAtCharBoundary(std::string_view bytes, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t width =
            (IsLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size()) ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    return bytes.substr(0, i);
}

bool IsValid(std::string_view bytes) {
    QStringDecoder decoder(kCodec);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        if (!IsLeadByte(b) || i + 1 == bytes.size())
            return false;
        const auto t = static_cast<unsigned char>(bytes[i + 1]);
        if (t < 0x40 || t == 0x7F || t > 0xFC)
            return false;
        // The converter marks a code it has no character for with U+FFFD.
        const QString one = decoder.decode(QByteArrayView(bytes.data() + i, 2));
        if (one.size() != 1 || one[0] == QChar(QChar::ReplacementCharacter))
            return false;
        ++i;
    }
    return true;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (!from.empty() && text.substr(i, from.size()) == from) {
            out.append(to);
            i += from.size();
            continue;
        }
        const std::size_t width =
            (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
        out.append(text.substr(i, width));
        i += width;
    }
    return out;
}

} // namespace cp932
