// cp932gen: writes the CP932 conversion tables of src/util/CP932.cpp.
//
//   cp932gen <output file>      (the repository keeps it as src/util/CP932Tables.inc)
//
// Every entry comes from Qt's "windows-31j" codec, the converter the program used before it had
// its own tables: every single byte, every lead byte followed by every second byte, every BMP
// code point, lone surrogates and all supplementary code points. The generator also checks that
// the codec's results have the shape the table-driven converter relies on (a pair's result does
// not depend on what follows it, a bad second byte is read again on its own, every character
// encodes to one or two bytes, ...) and stops with a message when they do not.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <vector>

namespace {

[[noreturn]] void Fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

QString Hex(unsigned value, int width) {
    return QStringLiteral("0x%1")
        .arg(value, width, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

class Codec {
public:
    Codec() : decoder_("windows-31j"), encoder_("windows-31j") {
        if (!decoder_.isValid() || !encoder_.isValid())
            Fail(QStringLiteral("Qt has no windows-31j codec"));
    }
    QString decode(const QByteArray& bytes) {
        decoder_.resetState();
        return decoder_.decode(bytes);
    }
    QByteArray encode(const QString& text) {
        encoder_.resetState();
        return encoder_.encode(text);
    }

private:
    QStringDecoder decoder_;
    QStringEncoder encoder_;
};

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// In the single-byte table: the byte starts a pair. In a pair row: the second byte does not fit,
// so the first gives the bad-lead character and the second is read again on its own.
constexpr char16_t kNoChar = 0xFFFF;

struct Tables {
    std::array<char16_t, 256> single{};
    char16_t badLead = 0;
    int trailFirst = 0x100, trailLast = -1;
    std::map<int, std::array<char16_t, 256>> pairs; // lead byte -> row over all second bytes
    std::array<std::uint16_t, 0x10000> encode{};    // one byte below 0x100, else two bytes
    std::uint16_t loneSurrogate = 0;
    std::uint16_t supplementary = 0;
    struct Range {
        char32_t first, last;
        std::uint16_t code;
    };
    std::vector<Range> beyondExceptions;
};

// What kEncode holds for a character that gives no bytes at all (the codec drops invisible
// characters such as U+00AD and U+200B that it cannot convert).
constexpr std::uint16_t kNoBytes = 0xFFFF;

std::uint16_t Code(const QByteArray& bytes, const QString& what) {
    if (bytes.isEmpty())
        return kNoBytes;
    if (bytes.size() == 1)
        return std::uint8_t(bytes[0]);
    if (bytes.size() == 2 && std::uint8_t(bytes[0]) != 0 && bytes != QByteArray("\xFF\xFF"))
        return std::uint16_t(std::uint8_t(bytes[0]) << 8 | std::uint8_t(bytes[1]));
    Fail(QStringLiteral("%1 encodes to %2 bytes").arg(what).arg(bytes.size()));
}

void ReadDecoding(Codec& codec, Tables& t) {
    std::array<QString, 256> lone;
    for (int b = 0; b < 256; ++b) {
        lone[b] = codec.decode(Bytes({b}));
        if (lone[b].isEmpty())
            t.single[b] = kNoChar; // waits for a second byte
        else if (lone[b].size() == 1 && lone[b][0] != QChar(kNoChar))
            t.single[b] = lone[b][0].unicode();
        else
            Fail(QStringLiteral("byte %1 decodes to %2 units").arg(b).arg(lone[b].size()));
    }
    for (int b = 0; b < 256; ++b) {
        for (int next = 0; next < 256; ++next) {
            const QString two = codec.decode(Bytes({b, next, 'A'}));
            if (t.single[b] != kNoChar) {
                if (two != lone[b] + codec.decode(Bytes({next, 'A'})))
                    Fail(QStringLiteral("byte %1 then %2 is not two characters").arg(b).arg(next));
                continue;
            }
            const QString pair = codec.decode(Bytes({b, next}));
            if (two != pair + u'A')
                Fail(QStringLiteral("pair %1 %2 depends on what follows").arg(b).arg(next));
            auto& row = t.pairs[b];
            if (pair.size() == 1 && pair[0] != QChar(kNoChar)) {
                row[next] = pair[0].unicode();
                t.trailFirst = std::min(t.trailFirst, next);
                t.trailLast = std::max(t.trailLast, next);
            } else if (pair.size() == 2 && pair.mid(1) == lone[next] && t.single[next] != kNoChar &&
                       (t.badLead == 0 || t.badLead == pair[0].unicode())) {
                t.badLead = pair[0].unicode();
                row[next] = kNoChar;
            } else {
                Fail(QStringLiteral("pair %1 %2 has an unexpected result").arg(b).arg(next));
            }
        }
    }
}

void ReadEncoding(Codec& codec, Tables& t) {
    for (char32_t c = 0; c < 0x10000; ++c) {
        const QChar ch(char16_t(c & 0xFFFF));
        if (ch.isSurrogate())
            continue;
        const QByteArray bytes = codec.encode(QString(ch));
        t.encode[c] = Code(bytes, QStringLiteral("U+%1").arg(uint(c), 4, 16));
        if (codec.encode(u'A' + QString(ch) + u'A') != 'A' + bytes + 'A')
            Fail(QStringLiteral("U+%1 encodes differently in a text").arg(uint(c), 4, 16));
    }
    // A low surrogate without a high one before it, and a high one followed by anything but a
    // low one, become one substitute each; a high surrogate at the very end gives nothing.
    t.loneSurrogate = Code(codec.encode(QString(QChar(0xDC00))), QStringLiteral("U+DC00"));
    const QByteArray lone = codec.encode(QString(QChar(0xDC00)));
    for (char16_t s = 0xD800; s <= 0xDFFF; ++s) {
        const QString one(QChar{s});
        if (QChar::isHighSurrogate(s)) {
            if (!codec.encode(one).isEmpty() || codec.encode(one + u'A') != lone + 'A' ||
                codec.encode(one + one) != lone)
                Fail(QStringLiteral("high surrogate %1 behaves unexpectedly").arg(uint(s), 4, 16));
        } else if (codec.encode(one) != lone || codec.encode(u'A' + one) != 'A' + lone) {
            Fail(QStringLiteral("low surrogate %1 behaves unexpectedly").arg(uint(s), 4, 16));
        }
        t.encode[s] = t.loneSurrogate;
    }
    // Beyond the BMP nearly every code point gives the same substitute; the few that do not
    // (invisible ones that the codec drops) are kept as ranges.
    const QByteArray beyond = codec.encode(QString::fromUcs4(U"\U00010000", 1));
    t.supplementary = Code(beyond, QStringLiteral("U+10000"));
    for (char32_t c = 0x10000; c <= 0x10FFFF; ++c) {
        const QByteArray bytes = codec.encode(QString::fromUcs4(&c, 1));
        if (bytes == beyond)
            continue;
        const std::uint16_t code = Code(bytes, QStringLiteral("U+%1").arg(uint(c), 5, 16));
        if (!t.beyondExceptions.empty() && t.beyondExceptions.back().last + 1 == c &&
            t.beyondExceptions.back().code == code)
            t.beyondExceptions.back().last = c;
        else
            t.beyondExceptions.push_back({c, c, code});
    }
}

// Identical rows (or pages) are written once; the index tables say which one each uses.
template <typename Row>
std::pair<std::vector<Row>, std::array<int, 256>> ShareRows(const std::map<int, Row>& rows,
                                                            const Row& empty) {
    std::vector<Row> distinct{empty};
    std::array<int, 256> index{};
    for (const auto& [key, row] : rows) {
        std::size_t i = 0;
        while (i < distinct.size() && distinct[i] != row)
            ++i;
        if (i == distinct.size())
            distinct.push_back(row);
        index[std::size_t(key)] = int(i);
    }
    return {distinct, index};
}

template <typename Values>
void WriteValues(QString& out, const Values& values, std::size_t first, std::size_t last,
                 int width) {
    for (std::size_t i = first; i <= last; ++i) {
        if ((i - first) % 8 == 0)
            out += QStringLiteral("\n    ");
        out += Hex(unsigned(values[i]), width) + QStringLiteral(",");
        if ((i - first) % 8 != 7 && i != last)
            out += u' ';
    }
    out += u'\n';
}

QString Render(const Tables& t) {
    QString out;
    out += QStringLiteral(
        "// Generated by tools/cp932gen from Qt's \"windows-31j\" codec; do not edit. To make it\n"
        "// again:\n"
        "//   cmake -S . -B build/tools -G Ninja -DTABUKO_TOOLS=ON -DTABUKO_TESTS=OFF\n"
        "//   ninja -C build/tools cp932gen\n"
        "//   build/tools/tools/cp932gen src/util/CP932Tables.inc\n"
        "// clang-format off\n\n");
    out += QStringLiteral("namespace cp932::tables {\n\n");
    out += QStringLiteral("// In kSingle: the byte starts a pair. In a pair row: the second byte "
                          "does not fit; the\n// first byte gives kBadLead and the second is read "
                          "again on its own.\n");
    out += QStringLiteral("constexpr char16_t kNoChar = %1;\n").arg(Hex(kNoChar, 4));
    out += QStringLiteral("constexpr char16_t kBadLead = %1;\n").arg(Hex(t.badLead, 4));
    out += QStringLiteral("// Second bytes outside this range never fit.\n");
    out += QStringLiteral("constexpr unsigned kTrailFirst = %1;\n").arg(Hex(uint(t.trailFirst), 2));
    out += QStringLiteral("constexpr unsigned kTrailLast = %1;\n").arg(Hex(uint(t.trailLast), 2));
    out += QStringLiteral("// The bytes of a lone surrogate and of a character beyond the BMP "
                          "(a surrogate pair).\n");
    out += QStringLiteral("constexpr unsigned short kLoneSurrogate = %1;\n")
               .arg(Hex(t.loneSurrogate, 4));
    out += QStringLiteral("constexpr unsigned short kSupplementary = %1;\n")
               .arg(Hex(t.supplementary, 4));
    out += QStringLiteral("// In kEncode and kBeyond: the character gives no bytes at all.\n");
    out += QStringLiteral("constexpr unsigned short kNoBytes = %1;\n\n").arg(Hex(kNoBytes, 4));

    out += QStringLiteral("// The character of each byte on its own.\nconst char16_t kSingle[256] "
                          "= {");
    WriteValues(out, t.single, 0, 255, 4);
    out += QStringLiteral("};\n\n");

    using PairRow = std::array<char16_t, 256>;
    PairRow bad;
    bad.fill(kNoChar);
    for (const auto& [lead, row] : t.pairs)
        for (int i = 0; i < 256; ++i)
            if ((i < t.trailFirst || i > t.trailLast) && row[std::size_t(i)] != kNoChar)
                Fail(QStringLiteral("second byte outside the range"));
    const auto [rows, rowOf] = ShareRows(t.pairs, bad);
    out += QStringLiteral("// The row of kPairs for each first byte of a pair (0: not a first "
                          "byte).\nconst unsigned char kPairRowOf[256] = {");
    WriteValues(out, rowOf, 0, 255, 2);
    out += QStringLiteral("};\n\n");
    out += QStringLiteral("// The character of each pair, by second byte from kTrailFirst.\n"
                          "const char16_t kPairs[%1][kTrailLast - kTrailFirst + 1] = {\n")
               .arg(rows.size());
    for (const PairRow& row : rows) {
        out += QStringLiteral("{");
        WriteValues(out, row, std::size_t(t.trailFirst), std::size_t(t.trailLast), 4);
        out += QStringLiteral("},\n");
    }
    out += QStringLiteral("};\n\n");

    using Page = std::array<std::uint16_t, 256>;
    std::map<int, Page> pages;
    for (int hi = 0; hi < 256; ++hi)
        for (int lo = 0; lo < 256; ++lo)
            pages[hi][std::size_t(lo)] = t.encode[std::size_t(hi << 8 | lo)];
    Page substitutes;
    substitutes.fill(t.encode[0xFFFF]);
    const auto [distinctPages, pageOf] = ShareRows(pages, substitutes);
    if (distinctPages.size() > 256)
        Fail(QStringLiteral("too many encode pages"));
    out += QStringLiteral("// The page of kEncode for each high byte of a BMP code point.\n"
                          "const unsigned char kEncodePageOf[256] = {");
    WriteValues(out, pageOf, 0, 255, 2);
    out += QStringLiteral("};\n\n");
    out += QStringLiteral("// The bytes of each code point by its low byte: below 0x100 one byte, "
                          "else two, high\n// byte first.\nconst unsigned short kEncode[%1][256] "
                          "= {\n")
               .arg(distinctPages.size());
    for (const Page& page : distinctPages) {
        out += QStringLiteral("{");
        WriteValues(out, page, 0, 255, 4);
        out += QStringLiteral("},\n");
    }
    out += QStringLiteral("};\n\n");
    out += QStringLiteral("// Code points beyond the BMP whose bytes are not kSupplementary, in "
                          "ascending order.\nstruct BeyondRange {\n    char32_t first, last;\n"
                          "    unsigned short code;\n};\nconst BeyondRange kBeyond[%1] = {\n")
               .arg(t.beyondExceptions.size());
    for (const auto& r : t.beyondExceptions)
        out += QStringLiteral("    {%1, %2, %3},\n")
                   .arg(Hex(r.first, 5), Hex(r.last, 5), Hex(r.code, 4));
    out += QStringLiteral("};\n\n} // namespace cp932::tables\n");
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cp932gen <output file>\n");
        return 2;
    }
    try {
        Codec codec;
        Tables tables;
        ReadDecoding(codec, tables);
        ReadEncoding(codec, tables);
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(Render(tables).toUtf8()) < 0)
            Fail(QStringLiteral("cannot write %1").arg(file.fileName()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cp932gen: %s\n", e.what());
        return 1;
    }
    return 0;
}
