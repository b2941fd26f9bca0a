// The table-driven CP932 conversion against Qt's "windows-31j" codec, the converter it replaces:
// the same text and bytes for every single byte, every pair, every BMP code point, a sample of
// the code points beyond it, and random byte strings and texts.
#include "util/CP932.h"
#include "CodecReference.h"

#include <QList>
#include <gtest/gtest.h>
#include <random>

namespace {

std::string Hex(std::string_view bytes) {
    std::string out;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    return out;
}

std::string Units(const QString& text) {
    std::string out;
    char buf[6];
    for (QChar c : text) {
        std::snprintf(buf, sizeof buf, "%04X ", c.unicode());
        out += buf;
    }
    return out;
}

// Counts mismatches and reports the first few, so that a wrong table row does not flood the log.
class Comparison {
public:
    void bytes(std::string_view in) {
        const QString got = cp932::Decode(in), want = codec::Decode(in);
        if (got != want)
            fail("Decode(" + Hex(in) + ") = " + Units(got) + "want " + Units(want));
        if (cp932::IsValid(in) != codec::IsValid(in))
            fail("IsValid(" + Hex(in) + ")");
    }
    void text(const QString& in) {
        const std::string got = cp932::Encode(in), want = codec::Encode(in);
        if (got != want)
            fail("Encode(" + Units(in) + ") = " + Hex(got) + "want " + Hex(want));
        if (cp932::FirstUnencodable(in) != codec::FirstUnencodable(in))
            fail("FirstUnencodable(" + Units(in) + ")");
    }
    ~Comparison() { EXPECT_EQ(failures_, 0); }

private:
    void fail(const std::string& what) {
        if (++failures_ <= 10)
            ADD_FAILURE() << what;
    }
    int failures_ = 0;
};

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out.push_back(char(v));
    return out;
}

TEST(CP932Test, SingleBytesAndPairsDecodeAsTheCodecDoes) {
    Comparison check;
    for (int b = 0; b < 256; ++b) {
        check.bytes(Bytes({b}));
        check.bytes(Bytes({b, 'A'}));
        check.bytes(Bytes({'A', b}));
        if (!cp932::IsLeadByte(static_cast<unsigned char>(b)))
            continue;
        for (int t = 0; t < 256; ++t) {
            check.bytes(Bytes({b, t}));
            check.bytes(Bytes({b, t, 'A'}));
            check.bytes(Bytes({b, t, b})); // a first byte after the pair, at the end
        }
    }
}

TEST(CP932Test, TheCodecsOddCasesAreKept) {
    EXPECT_EQ(cp932::Decode("\x85\x40"
                            "A"),
              QStringLiteral("\uFFFDA")); // no character there
    EXPECT_EQ(cp932::Decode("\x81\x20"
                            "A"),
              QStringLiteral("\u001A A")); // second byte read again
    EXPECT_EQ(cp932::Decode("\x81\x7F"), QStringLiteral("\u001A\u001A"));
    EXPECT_EQ(cp932::Decode("A\x81"), QStringLiteral("A")); // a first byte at the end is dropped
    EXPECT_EQ(cp932::Decode("\x80\xA0\xFD\xFE\xFF"), QString(5, QChar(0x1A)));
    EXPECT_EQ(cp932::Decode("\x1A\x1C\x7F"), QStringLiteral("\u001C\u007F\u001A"));
    EXPECT_TRUE(cp932::Decode("").isNull());
    EXPECT_EQ(cp932::Encode(QStringLiteral("A\u00ADB\u200B")), "AB"); // dropped, not substituted
    EXPECT_EQ(cp932::Encode(QStringLiteral("\u00A5")), "\xFC\xFC");
    EXPECT_EQ(cp932::Encode(QStringLiteral("A\xD83D")), "A"); // a high surrogate at the end
    EXPECT_EQ(cp932::Encode(QStringLiteral("\xD83D"
                                           "A")),
              "\xFC\xFC"
              "A");
    EXPECT_EQ(cp932::Encode(QStringLiteral("😀")), "\xFC\xFC");
}

TEST(CP932Test, EveryBmpCodePointEncodesAsTheCodecDoes) {
    Comparison check;
    for (char32_t c = 0; c < 0x10000; ++c) {
        const QChar ch{char16_t(c)};
        check.text(QString(ch));
        check.text(u'A' + QString(ch) + u'A');
        if (ch.isHighSurrogate())
            check.text(QString(ch) + ch + QChar(0xDC00));
    }
}

TEST(CP932Test, CodePointsBeyondTheBmpEncodeAsTheCodecDoes) {
    Comparison check;
    std::vector<char32_t> sample{0x1BC9F, 0x1BCA0, 0x1BCA3, 0x1BCA4, 0x1D172, 0x1D173, 0x1D17A,
                                 0x1D17B, 0xDFFFF, 0xE0000, 0xE0FFF, 0xE1000, 0x10FFFF};
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 211)
        sample.push_back(c);
    for (char32_t c : sample) {
        const QString one = QString::fromUcs4(&c, 1);
        check.text(one);
        check.text(QStringLiteral("メモ") + one + QStringLiteral("x"));
    }
}

// Random byte strings lean on first bytes and the bytes around the edges of the second-byte
// range, so that most of them hold pairs, bad pairs and cut pairs.
TEST(CP932Test, RandomBytesRoundTripAsWithTheCodec) {
    std::mt19937 random(932);
    const std::vector<int> edges{0x00, 0x0A, 0x0D, 0x1A, 0x3F, 0x40, 0x41, 0x7E, 0x7F, 0x80, 0x81,
                                 0x9F, 0xA0, 0xA1, 0xDF, 0xE0, 0xEF, 0xF0, 0xFC, 0xFD, 0xFF};
    Comparison check;
    for (int n = 0; n < 5000; ++n) {
        std::string in;
        const int length = int(random() % 24);
        for (int i = 0; i < length; ++i) {
            switch (random() % 4) {
            case 0:
                in.push_back(char(edges[random() % edges.size()]));
                break;
            case 1:
                in.push_back(char(0x81 + random() % 0x1F));
                break;
            case 2:
                in.push_back(char(0xE0 + random() % 0x1D));
                break;
            default:
                in.push_back(char(random() % 256));
                break;
            }
        }
        check.bytes(in);
        const std::string back = cp932::Encode(cp932::Decode(in));
        if (back != codec::Encode(codec::Decode(in)))
            ADD_FAILURE() << "Encode(Decode(" << Hex(in) << ")) = " << Hex(back);
    }
}

// Random texts mix characters CP932 holds with ones it lacks, look-alikes, invisible ones,
// surrogate pairs and lone surrogates.
TEST(CP932Test, RandomTextsRoundTripAsWithTheCodec) {
    std::mt19937 random(31);
    const std::vector<char16_t> odd{0x00A5, 0x00AD, 0x200B, 0x203E, 0x2225, 0x301C, 0xFF5E, 0xFFFD,
                                    0xE000, 0xE757, 0xE758, 0xFEFF, 0x00A7, 0x2116, 0x2252};
    Comparison check;
    for (int n = 0; n < 5000; ++n) {
        QString in;
        const int length = int(random() % 16);
        for (int i = 0; i < length; ++i) {
            switch (random() % 6) {
            case 0:
                in.append(QChar(char16_t(0x20 + random() % 0x5F)));
                break;
            case 1:
                in.append(QChar(char16_t(0x3041 + random() % 0xB0)));
                break; // kana
            case 2:
                in.append(QChar(char16_t(0x4E00 + random() % 0x5200)));
                break;
            case 3:
                in.append(QChar(odd[random() % odd.size()]));
                break;
            case 4:
                in.append(QChar(char16_t(0xD800 + random() % 0x800)));
                break;
            default:
                in.append(QChar(char16_t(random() % 0x10000)));
                break;
            }
        }
        check.text(in);
        const std::string bytes = cp932::Encode(in);
        if (cp932::Decode(bytes) != codec::Decode(bytes))
            ADD_FAILURE() << "Decode(Encode(" << Units(in) << "))";
    }
}

} // namespace
