#pragma once

#include "util/DateTime.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The stream routines of the box files. Writing appends to a byte buffer; reading takes bytes
// at a position and advances it. All integers are little-endian.
namespace FileAccess {

void WriteInt32(std::string& out, std::int32_t value);
void WriteDateTime(std::string& out, TDateTime value);
// Text length (4 bytes), then the lines each followed by CR LF; nothing more for no lines.
void WriteStrings(std::string& out, const std::vector<std::string>& lines);

// Each raises "ストリームからの読み込みエラー" instead of reading past the end of `bytes`.
std::int32_t ReadInt32(std::string_view bytes, std::size_t& pos);
TDateTime ReadDateTime(std::string_view bytes, std::size_t& pos);
// Reads the length L and, unless it is 0 (which leaves `lines` as it was), the L text bytes,
// split into lines (CR LF, lone CR, lone LF; a NUL ends the text). A negative L is damage.
void ReadStrings(std::string_view bytes, std::size_t& pos, std::vector<std::string>& lines);

} // namespace FileAccess
