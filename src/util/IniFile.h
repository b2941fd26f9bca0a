#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An INI file held in memory, values as CP932 bytes.
//
// Reading: every line is trimmed; empty lines and lines beginning with ";" are skipped; "[name]"
// opens a section; a line holding "=" is a key (name before the first "=", value after it, both
// trimmed); lines before the first section are skipped. Section and key names match without
// regard to ASCII letter case. Writing sets keys in memory (a new key goes to the end of its
// section, a new section to the end of the file) and ToBytes renders the whole content:
// "[name]", its lines, one empty line, for each section in order, all ending in CR LF. A caller
// writes those bytes through platform::SaveFile.
class IniFile {
public:
    IniFile() = default;
    static IniFile FromBytes(std::string_view bytes);

    // Reads the whole file; a missing file gives an empty one. A file that exists but cannot
    // be read raises "ファイル %s は開けません" rather than letting a writer replace it.
    static IniFile Load(const QString& path);
    std::string ToBytes() const;

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "$" or "0x"; a missing or unreadable value gives the default.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    // Read as an integer; any value other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // The section names in file order, and the keys of a section with their values.
    std::vector<std::string> SectionNames() const;
    std::vector<std::pair<std::string, std::string>> Keys(std::string_view section) const;

    // The integer rule of ReadInteger: optional sign, then decimal digits or "$"/"0x" and up to
    // eight hexadecimal digits (which wrap into the 32-bit signed range, as "$FFFFFF00" = -256).
    static std::optional<std::int32_t> ParseInteger(std::string_view text);

private:
    struct Line {
        bool isKey = false;
        std::string key;   // for keys
        std::string value; // for keys; the whole trimmed line otherwise
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);
    const Line* FindKey(std::string_view section, std::string_view key) const;

    std::vector<Section> sections_;
};

// Case-insensitive comparison of ASCII letters that leaves both halves of CP932 double-byte
// characters alone.
bool SameNameIgnoringCase(std::string_view a, std::string_view b);
