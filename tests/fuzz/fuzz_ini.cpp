// INI files: what is read survives writing and reading again, and values set with the writers
// read back the same after the content is rendered and parsed.
#include "FuzzCheck.h"
#include "util/IniFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::string_view kMissing("\x01missing", 8);

// Every section and key of `a` reads the same from `b`, and both list the same names.
void CheckSameContent(const IniFile& a, const IniFile& b, const char* property) {
    FUZZ_CHECK(a.SectionNames() == b.SectionNames(), property);
    for (const std::string& section : a.SectionNames()) {
        FUZZ_CHECK(b.SectionExists(section), property);
        FUZZ_CHECK(a.Keys(section) == b.Keys(section), property);
        for (const auto& [key, value] : a.Keys(section)) {
            FUZZ_CHECK(b.ValueExists(section, key), property);
            FUZZ_CHECK(a.ReadString(section, key, kMissing) == b.ReadString(section, key, kMissing),
                       property);
            FUZZ_CHECK(a.ReadInteger(section, key, -7) == b.ReadInteger(section, key, -7),
                       property);
        }
    }
}

// A name or value as a line can hold it: no CR, LF or NUL, no blanks at either end.
std::string Representable(std::string text) {
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
    const auto blank = [](char c) {
        return static_cast<unsigned char>(c) <= ' ';
    };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start]))
        ++start;
    return text.substr(start);
}

struct Write {
    std::string section, key, value;
    bool integer = false;
    std::int32_t number = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);

    // The first part is a settings file to set values in; the rest chooses the writes.
    const std::string fileBytes = input.ConsumeRandomLengthString(4096);
    IniFile ini = IniFile::FromBytes(fileBytes);
    const std::string rendered = ini.ToBytes();
    const IniFile reparsed = IniFile::FromBytes(rendered);
    CheckSameContent(ini, reparsed, "a parsed file reads the same after rendering and parsing");
    FUZZ_CHECK(reparsed.ToBytes() == rendered, "rendering a parsed rendering changes nothing");

    std::vector<Write> writes;
    while (input.remaining_bytes() > 0 && writes.size() < 16) {
        Write w;
        w.section = Representable(input.ConsumeRandomLengthString(24));
        w.key = Representable(input.ConsumeRandomLengthString(24));
        std::erase(w.key, '=');
        w.key = Representable(w.key);
        w.integer = input.ConsumeBool();
        if (w.integer)
            w.number = input.ConsumeIntegral<std::int32_t>();
        else
            w.value = Representable(input.ConsumeRandomLengthString(48));
        if (!w.key.empty() && (w.key[0] == ';' || w.key[0] == '['))
            continue;
        if (w.integer)
            ini.WriteInteger(w.section, w.key, w.number);
        else
            ini.WriteString(w.section, w.key, w.value);
        writes.push_back(std::move(w));
    }

    const IniFile written = IniFile::FromBytes(ini.ToBytes());
    CheckSameContent(ini, written, "written content reads the same after rendering and parsing");
    for (std::size_t i = 0; i < writes.size(); ++i) {
        // The last write to the same section and key is the one that counts.
        std::size_t last = i;
        for (std::size_t j = i + 1; j < writes.size(); ++j)
            if (SameNameIgnoringCase(writes[j].section, writes[i].section) &&
                SameNameIgnoringCase(writes[j].key, writes[i].key))
                last = j;
        const Write& w = writes[last];
        const Write& asked = writes[i];
        if (w.integer) {
            FUZZ_CHECK(written.ReadInteger(asked.section, asked.key, 0) == w.number,
                       "WriteInteger reads back with ReadInteger");
            FUZZ_CHECK(written.ReadBool(asked.section, asked.key, w.number == 0) == (w.number != 0),
                       "an integer reads back as the bool it stands for");
        } else {
            FUZZ_CHECK(written.ReadString(asked.section, asked.key, kMissing) == w.value,
                       "WriteString reads back with ReadString");
        }
    }

    // Keys of the file that no write touched keep their values.
    for (const std::string& section : reparsed.SectionNames()) {
        for (const auto& [key, value] : reparsed.Keys(section)) {
            bool touched = false;
            for (const Write& w : writes)
                touched = touched || (SameNameIgnoringCase(w.section, section) &&
                                      SameNameIgnoringCase(w.key, key));
            if (!touched)
                FUZZ_CHECK(written.ReadString(section, key, kMissing) ==
                               reparsed.ReadString(section, key, kMissing),
                           "a key no write touched keeps its value");
        }
    }

    // The integer rule reads every 32-bit value back from its decimal and hexadecimal forms.
    for (const Write& w : writes) {
        if (!w.integer)
            continue;
        char hex[16];
        std::snprintf(hex, sizeof hex, "$%08X", unsigned(w.number));
        FUZZ_CHECK(IniFile::ParseInteger(std::to_string(w.number)) == w.number,
                   "an integer reads back from its decimal form");
        FUZZ_CHECK(IniFile::ParseInteger(hex) == w.number,
                   "an integer reads back from its hexadecimal form");
    }
    return 0;
}
