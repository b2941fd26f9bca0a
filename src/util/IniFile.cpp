#include "util/IniFile.h"

#include "util/CP932.h"
#include "util/Exception.h"
#include "util/LineSplit.h"

#include <QFile>

namespace {

std::string_view Trim(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (cp932::IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
            continue;
        }
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

std::optional<std::int32_t> IniFile::ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    std::uint64_t value = 0;
    if (!text.empty() && text[0] == '$') {
        text.remove_prefix(1);
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    } else {
        if (text.empty())
            return std::nullopt;
        for (char c : text) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + std::uint64_t(c - '0');
            if (value > (negative ? 2147483648ull : 2147483647ull))
                return std::nullopt;
        }
        return negative ? std::int32_t(-std::int64_t(value)) : std::int32_t(value);
    }
    if (text.empty() || text.size() > 8)
        return std::nullopt;
    for (char c : text) {
        const int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + std::uint64_t(d);
    }
    const auto bits = static_cast<std::uint32_t>(value);
    const auto result = static_cast<std::int32_t>(bits);
    return negative ? std::int32_t(0u - bits) : result;
}

IniFile IniFile::FromBytes(std::string_view bytes) {
    IniFile ini;
    Section* current = nullptr;
    for (const std::string& raw : text::SplitLines(bytes)) {
        const std::string_view line = Trim(raw);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            ini.sections_.push_back(
                Section{std::string(Trim(line.substr(1, line.size() - 2))), {}});
            current = &ini.sections_.back();
            continue;
        }
        if (!current)
            continue;
        Line entry;
        if (const auto eq = line.find('='); eq != std::string_view::npos) {
            entry.isKey = true;
            entry.key = Trim(line.substr(0, eq));
            entry.value = Trim(line.substr(eq + 1));
        } else {
            entry.value = line;
        }
        current->lines.push_back(std::move(entry));
    }
    return ini;
}

IniFile IniFile::Load(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return IniFile();
    if (!file.open(QIODevice::ReadOnly))
        throw Exception::CannotOpen(path);
    const QByteArray bytes = file.readAll();
    return FromBytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

std::string IniFile::ToBytes() const {
    std::string out;
    for (const Section& section : sections_) {
        out += '[';
        out += section.name;
        out += "]\r\n";
        for (const Line& line : section.lines) {
            if (line.isKey) {
                out += line.key;
                out += '=';
            }
            out += line.value;
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
    for (const Section& section : sections_)
        if (SameNameIgnoringCase(section.name, name))
            return &section;
    return nullptr;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const IniFile::Line* IniFile::FindKey(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (!s)
        return nullptr;
    for (const Line& line : s->lines)
        if (line.isKey && SameNameIgnoringCase(line.key, key))
            return &line;
    return nullptr;
}

bool IniFile::SectionExists(std::string_view section) const {
    return FindSection(section);
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindKey(section, key);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    const Line* line = FindKey(section, key);
    return std::string(line ? std::string_view(line->value) : defaultValue);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) const {
    const Line* line = FindKey(section, key);
    if (!line)
        return defaultValue;
    return ParseInteger(line->value).value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Section* s = FindSection(section);
    if (!s) {
        sections_.push_back(Section{std::string(section), {}});
        s = &sections_.back();
    }
    for (Line& line : s->lines) {
        if (line.isKey && SameNameIgnoringCase(line.key, key)) {
            line.value = value;
            return;
        }
    }
    s->lines.push_back(Line{true, std::string(key), std::string(value)});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> IniFile::SectionNames() const {
    std::vector<std::string> names;
    for (const Section& section : sections_)
        names.push_back(section.name);
    return names;
}

std::vector<std::pair<std::string, std::string>> IniFile::Keys(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> keys;
    if (const Section* s = FindSection(section))
        for (const Line& line : s->lines)
            if (line.isKey)
                keys.emplace_back(line.key, line.value);
    return keys;
}
