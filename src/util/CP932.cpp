#include "util/CP932.h"

#include <QList>
#include <utility>

#include "util/CP932Tables.inc"

namespace cp932 {
namespace {
using namespace tables;

// The character of a first byte and the byte after it, or kNoChar when that byte cannot be
// the second half of a pair.
char16_t PairChar(unsigned char lead, unsigned char trail) {
    if (trail < kTrailFirst || trail > kTrailLast)
        return kNoChar;
    return kPairs[kPairRowOf[lead]][trail - kTrailFirst];
}

unsigned short BeyondBmpCode(char32_t cp) {
    for (const BeyondRange& range : kBeyond)
        if (cp >= range.first && cp <= range.last)
            return range.code;
    return kSupplementary;
}

void AppendCode(std::string& out, unsigned short code) {
    if (code == kNoBytes)
        return;
    if (code > 0xFF)
        out.push_back(char(code >> 8));
    out.push_back(char(code & 0xFF));
}
} // namespace

// A first byte whose second byte does not fit gives kBadLead and the second byte is read again
// on its own; a first byte at the very end gives nothing. Every byte gives at most one UTF-16
// unit, so the result never needs more room than the input has bytes.
QString Decode(std::string_view bytes) {
    if (bytes.empty())
        return QString();
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* dst = begin;
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const char16_t single = kSingle[src[i]];
        if (single != kNoChar) {
            *dst++ = single;
            ++i;
            continue;
        }
        if (i + 1 == n)
            break;
        const char16_t pair = PairChar(src[i], src[i + 1]);
        if (pair != kNoChar) {
            *dst++ = pair;
            i += 2;
        } else {
            *dst++ = kBadLead;
            ++i;
        }
    }
    out.truncate(qsizetype(dst - begin));
    return out;
}

// A surrogate pair gives the bytes of its code point; a lone surrogate gives kLoneSurrogate,
// except a high surrogate at the very end, which gives nothing.
std::string Encode(const QString& text) {
    std::string out;
    out.reserve(std::size_t(text.size()) * 2);
    const auto* const src = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 == n)
                break;
            if (QChar::isLowSurrogate(src[i + 1])) {
                AppendCode(out, BeyondBmpCode(QChar::surrogateToUcs4(c, src[i + 1])));
                ++i;
            } else {
                AppendCode(out, kLoneSurrogate);
            }
            continue;
        }
        AppendCode(out, kEncode[kEncodePageOf[c >> 8]][c & 0xFF]);
    }
    return out;
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
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        if (!IsLeadByte(b) || i + 1 == bytes.size())
            return false;
        // A well-formed pair that has no character decodes to U+FFFD.
        const char16_t c = PairChar(b, static_cast<unsigned char>(bytes[i + 1]));
        if (c == kNoChar || c == QChar::ReplacementCharacter)
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
