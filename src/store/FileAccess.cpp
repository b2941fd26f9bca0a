#include "store/FileAccess.h"

#include "util/Exception.h"
#include "util/LineSplit.h"

#include <bit>
#include <cstring>

namespace FileAccess {
namespace {

void Need(std::string_view bytes, std::size_t pos, std::size_t count) {
    if (pos > bytes.size() || bytes.size() - pos < count)
        throw Exception::ReadError();
}

std::uint64_t ReadLE(std::string_view bytes, std::size_t& pos, int size) {
    Need(bytes, pos, std::size_t(size));
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[pos + std::size_t(i)]);
    pos += std::size_t(size);
    return value;
}

void WriteLE(std::string& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        out.push_back(static_cast<char>(value & 0xFF));
        value >>= 8;
    }
}

} // namespace

void WriteInt32(std::string& out, std::int32_t value) {
    WriteLE(out, static_cast<std::uint32_t>(value), 4);
}

void WriteDateTime(std::string& out, TDateTime value) {
    WriteLE(out, std::bit_cast<std::uint64_t>(value), 8);
}

void WriteStrings(std::string& out, const std::vector<std::string>& lines) {
    const std::string text = text::JoinLines(lines);
    WriteInt32(out, static_cast<std::int32_t>(text.size()));
    out.append(text);
}

std::int32_t ReadInt32(std::string_view bytes, std::size_t& pos) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ReadLE(bytes, pos, 4)));
}

TDateTime ReadDateTime(std::string_view bytes, std::size_t& pos) {
    return std::bit_cast<TDateTime>(ReadLE(bytes, pos, 8));
}

void ReadStrings(std::string_view bytes, std::size_t& pos, std::vector<std::string>& lines) {
    const std::int32_t length = ReadInt32(bytes, pos);
    if (length == 0)
        return;
    if (length < 0)
        throw Exception::ReadError();
    Need(bytes, pos, std::size_t(length));
    const std::string_view block = bytes.substr(pos, std::size_t(length));
    pos += std::size_t(length);
    lines = text::SplitLines(block);
}

} // namespace FileAccess
