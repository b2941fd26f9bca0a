#include "util/LineSplit.h"

#include <algorithm>

namespace text {

namespace {

std::vector<std::string> Split(std::string_view bytes) {
    // The line ends are found with memchr, once per kind of end: the next CR and the next LF are
    // each looked for again only once passed. The lines are gathered as views first, so that
    // the result is allocated once at its size.
    thread_local std::vector<std::string_view> views;
    views.clear();
    std::size_t nextCR = bytes.find('\r');
    std::size_t nextLF = bytes.find('\n');
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(nextCR, nextLF);
        if (end == std::string_view::npos) {
            views.push_back(bytes.substr(start));
            break;
        }
        views.push_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
            ++start;
        if (nextCR < start)
            nextCR = bytes.find('\r', start);
        if (nextLF < start)
            nextLF = bytes.find('\n', start);
    }
    std::vector<std::string> lines;
    lines.reserve(views.size());
    for (const std::string_view line : views)
        lines.emplace_back(line);
    return lines;
}

} // namespace

std::vector<std::string> SplitLines(std::string_view bytes) {
    if (const auto nul = bytes.find('\0'); nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    return Split(bytes);
}

std::vector<std::string> SplitLinesKeepingNul(std::string_view bytes) {
    return Split(bytes);
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& line : lines) {
        out.append(line);
        out.append("\r\n");
    }
    return out;
}

} // namespace text
