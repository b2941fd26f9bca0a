#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

// Shift-JIS (code page 932) at the screen's edge: files hold bytes, widgets show QString.
namespace cp932 {

// Bytes to text for display, by the program's own tables (made by tools/cp932gen from the
// converter the program used before, with the same results for every input). A well-formed
// pair without a character becomes U+FFFD; a single 0x80, 0xA0 or 0xFD-0xFF and a first byte
// whose second byte does not fit become U+001A (that second byte is then read on its own); a
// first byte at the very end is dropped. 0x1A, 0x1C and 0x7F decode to U+001C, U+007F, U+001A.
QString Decode(std::string_view bytes);

// Text to bytes. Characters that CP932 cannot hold become the substitute 0xFC 0xFC (a lone
// surrogate and one beyond the BMP too), a few invisible ones give no bytes, and a high
// surrogate at the very end is dropped; callers that must not lose text check FirstUnencodable
// first.
std::string Encode(const QString& text);

// The first character (as a whole code point, surrogate pairs joined) that CP932 cannot hold.
std::optional<char32_t> FirstUnencodable(const QString& text);

// Input methods elsewhere than on Windows type some characters under code points that CP932
// lacks, while CP932 has the same character under another one (the wave dash of "〜" is the
// best known). Returns the text with those characters replaced by the ones CP932 holds.
QString FoldLookAlikes(QString text);

// "U+301C": how a message names a character.
QString CodePointName(char32_t cp);

// The longest prefix of bytes no longer than maxBytes that does not end in the first half of
// a double-byte character.
std::string_view CutAtCharBoundary(std::string_view bytes, std::size_t maxBytes);

// True when b is the first byte of a double-byte CP932 character.
inline bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// True when the bytes are all CP932 characters: no single byte 0x80, 0xA0 or 0xFD-0xFF, no lead
// byte without a fitting second byte, no unassigned double-byte code. Other bytes do not come
// back the same from Decode and Encode.
bool IsValid(std::string_view bytes);

// Replaces every occurrence of `from` by `to`, scanning whole characters so that no match
// starts in the second half of a double-byte character; inserted text is not searched again.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

} // namespace cp932
