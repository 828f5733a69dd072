#include "platform/PrivateProfile.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

using Text = std::u16string;
using View = std::u16string_view;

enum class Encoding { CodePage, Utf8, Utf8WithMark, Utf16WithMark };

// A file as lines of UTF-16 text without their line ends.
struct Document {
    Encoding encoding = Encoding::Utf8;
    Text newline = u"\r\n";
    std::vector<Text> lines;
    // The bytes from the first NUL character on (and the odd last byte of a
    // UTF-16 file): not read as text, written back after the lines unchanged.
    std::vector<uint8_t> tail;
};

// Lower case for the letters of the single-byte code pages the game supports
// (Latin-1, Latin Extended-A, the two Vietnamese extras, Greek, Cyrillic).
char16_t FoldCase(char16_t c) {
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    if (c == 0x178) return 0xFF;
    if ((c >= 0x100 && c <= 0x137 && c != 0x130) || (c >= 0x14A && c <= 0x177))
        return static_cast<char16_t>(c | 1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x1A0 || c == 0x1AF) return static_cast<char16_t>(c + 1);
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    return c;
}

bool SameName(View a, View b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

View Trim(View text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// True when the bytes are well-formed UTF-8 holding at least one character
// beyond ASCII.
bool IsUtf8BeyondAscii(const uint8_t* p, size_t n) {
    bool beyondAscii = false;
    for (size_t i = 0; i < n;) {
        uint8_t b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t extra;
        uint32_t min;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else
            return false;
        if (n - i <= extra) return false;
        uint32_t code = b & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        beyondAscii = true;
        i += extra + 1;
    }
    return beyondAscii;
}

Document Decode(const std::vector<uint8_t>& bytes) {
    Document doc;
    const uint8_t* p = bytes.data();
    size_t n = bytes.size();
    Text text;
    // A NUL character ends the readable text. What follows is kept as bytes
    // so that a write cannot lose it, and takes no part in telling the
    // encoding: it need not be text at all.
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        doc.encoding = Encoding::Utf16WithMark;
        size_t i = 2;
        for (; i + 1 < n && (p[i] | p[i + 1]) != 0; i += 2)
            text.push_back(static_cast<char16_t>(p[i] | (p[i + 1] << 8)));
        doc.tail.assign(bytes.begin() + static_cast<ptrdiff_t>(i), bytes.end());
    } else {
        const size_t start = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF ? 3 : 0;
        // No byte of a multi-byte character is 0 in UTF-8 or in any code
        // page the game reads, so the first 0 byte is the NUL character.
        const size_t nul =
            std::find(bytes.begin() + static_cast<ptrdiff_t>(start), bytes.end(), 0) - bytes.begin();
        doc.tail.assign(bytes.begin() + static_cast<ptrdiff_t>(nul), bytes.end());
        const uint8_t* head = p + start;
        const size_t length = nul - start;
        std::string_view raw(reinterpret_cast<const char*>(head), length);
        const bool ascii = std::all_of(head, head + length, [](uint8_t b) { return b < 0x80; });
        // Plain ASCII reads the same in either encoding; it is kept as UTF-8 so
        // that later writes lose no character.
        if (start == 3) {
            doc.encoding = Encoding::Utf8WithMark;
            text = Utf8ToUtf16(raw);
        } else if (ascii || IsUtf8BeyondAscii(head, length)) {
            doc.encoding = Encoding::Utf8;
            text = Utf8ToUtf16(raw);
        } else {
            doc.encoding = Encoding::CodePage;
            text = ToUtf16(raw);
        }
    }

    // CR LF, LF and CR alone each end a line. The file's first line end is
    // the one written back.
    size_t firstEnd = text.find_first_of(u"\r\n");
    if (firstEnd != Text::npos && text[firstEnd] == u'\n') doc.newline = u"\n";
    if (firstEnd != Text::npos && text[firstEnd] == u'\r' &&
        (firstEnd + 1 == text.size() || text[firstEnd + 1] != u'\n'))
        doc.newline = u"\r";

    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == Text::npos) end = text.size();
        doc.lines.emplace_back(text, start, end - start);
        if (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n') ++end;
        start = end + 1;
    }
    return doc;
}

std::vector<uint8_t> Encode(const Document& doc) {
    Text text;
    for (const Text& line : doc.lines) {
        text += line;
        text += doc.newline;
    }
    std::vector<uint8_t> bytes;
    auto append = [&bytes](std::string_view s) { bytes.insert(bytes.end(), s.begin(), s.end()); };
    switch (doc.encoding) {
    case Encoding::Utf16WithMark:
        bytes.reserve(2 + text.size() * 2);
        bytes.push_back(0xFF);
        bytes.push_back(0xFE);
        for (char16_t c : text) {
            bytes.push_back(static_cast<uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        break;
    case Encoding::Utf8WithMark:
        bytes = {0xEF, 0xBB, 0xBF};
        append(Utf16ToUtf8(text));
        break;
    case Encoding::Utf8:
        append(Utf16ToUtf8(text));
        break;
    case Encoding::CodePage:
        append(FromUtf16(text));
        break;
    }
    bytes.insert(bytes.end(), doc.tail.begin(), doc.tail.end());
    return bytes;
}

enum class LineKind { Other, Section, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    View name;
    View value;
    bool hasValue = false;
};

ParsedLine Parse(View line) {
    ParsedLine parsed;
    View t = Trim(line);
    if (t.empty() || t[0] == u';') return parsed;
    if (t[0] == u'[') {
        size_t close = t.find(u']');
        if (close == View::npos) return parsed;
        parsed.kind = LineKind::Section;
        parsed.name = Trim(t.substr(1, close - 1));
        return parsed;
    }
    size_t eq = t.find(u'=');
    parsed.name = Trim(t.substr(0, eq));
    if (parsed.name.empty()) return parsed;
    parsed.kind = LineKind::Entry;
    if (eq == View::npos) return parsed; // a bare key: listed, but has no value
    View value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    parsed.value = value;
    parsed.hasValue = true;
    return parsed;
}

// Lines of one section: its header and the lines up to the next header.
struct Range {
    size_t header;
    size_t end;
};

size_t NextHeader(const Document& doc, size_t from) {
    while (from < doc.lines.size() && Parse(doc.lines[from]).kind != LineKind::Section)
        ++from;
    return from;
}

std::optional<Range> FindSection(const Document& doc, View name, size_t from = 0) {
    for (size_t i = NextHeader(doc, from); i < doc.lines.size(); i = NextHeader(doc, i + 1)) {
        if (SameName(Parse(doc.lines[i]).name, name)) return Range{i, NextHeader(doc, i + 1)};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const Document& doc, const Range& range, View key) {
    for (size_t i = range.header + 1; i < range.end; ++i) {
        ParsedLine p = Parse(doc.lines[i]);
        if (p.kind == LineKind::Entry && SameName(p.name, key)) return i;
    }
    return std::nullopt;
}

void AddDistinct(std::vector<Text>& names, View name) {
    for (const Text& known : names)
        if (SameName(known, name)) return;
    names.emplace_back(name);
}

std::vector<Text> SectionNames(const Document& doc) {
    std::vector<Text> names;
    for (size_t i = NextHeader(doc, 0); i < doc.lines.size(); i = NextHeader(doc, i + 1))
        AddDistinct(names, Parse(doc.lines[i]).name);
    return names;
}

std::vector<Text> KeyNames(const Document& doc, View section) {
    std::vector<Text> names;
    std::optional<Range> range = FindSection(doc, section);
    if (!range) return names;
    for (size_t i = range->header + 1; i < range->end; ++i) {
        ParsedLine p = Parse(doc.lines[i]);
        if (p.kind == LineKind::Entry) AddDistinct(names, p.name);
    }
    return names;
}

// A missing or unreadable file reads as an empty one. nullopt only for a file
// that exists but cannot be read or is too large (a write must then leave it alone).
std::optional<Document> Load(const Text& fileName) {
    GamePath path(fileName);
    if (!PathExists(path)) return Document{};
    std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path, kMaxIniFileBytes);
    if (!bytes) return std::nullopt;
    return Decode(*bytes);
}

// Writes the whole file to a new file beside the old one (made new, never
// through a link) and renames it over it. A file that would pass the read cap
// could not be read back: the write fails and the old file stays.
bool Save(const Text& fileName, const Document& doc) {
    std::string target = NativePath(GamePath(fileName));
    std::string temp = target + "." + std::to_string(getpid()) + ".tmp";
    std::vector<uint8_t> bytes = Encode(doc);
    if (int64_t(bytes.size()) > kMaxIniFileBytes) return false;
    File file = File::Open(GamePath(temp), kFileWrite, FileCreation::CreateNew);
    if (!file.IsOpen()) return false;
    bool ok = file.WriteExact(bytes.data(), static_cast<int64_t>(bytes.size())) && file.Flush();
    ok = file.Close() && ok;
    ok = ok && RenameFile(GamePath(temp), GamePath(target));
    if (!ok) DeleteFile(GamePath(temp));
    return ok;
}

// The result of a read before it is copied out: one value or a list of names.
struct Answer {
    bool isList = false;
    Text value;
    std::vector<Text> names;
};

Answer Read(const Text* section, const Text* key, const Text* defaultValue, const Text& fileName) {
    Answer answer;
    Document doc = Load(fileName).value_or(Document{});
    if (!section) {
        answer.isList = true;
        answer.names = SectionNames(doc);
        return answer;
    }
    View name = Trim(*section);
    if (!key) {
        answer.isList = true;
        answer.names = KeyNames(doc, name);
        return answer;
    }
    if (std::optional<Range> range = FindSection(doc, name)) {
        if (std::optional<size_t> line = FindKey(doc, *range, Trim(*key))) {
            ParsedLine p = Parse(doc.lines[*line]);
            if (p.hasValue) {
                answer.value = Text(p.value);
                return answer;
            }
        }
    }
    View fallback = defaultValue ? View(*defaultValue) : View();
    while (!fallback.empty() && IsBlank(fallback.back()))
        fallback.remove_suffix(1);
    answer.value = Text(fallback);
    return answer;
}

bool HoldsLineBreak(const Text* text) {
    return text && text->find_first_of(u"\r\n") != Text::npos;
}

bool Write(const Text* section, const Text* key, const Text* value, const Text& fileName) {
    // Without a section there is nothing to write: with key and value null
    // too it asks for a flush, which (nothing being cached) has nothing to do
    // and, as on Windows, answers false; otherwise the call is malformed.
    // Either way the file is not touched.
    if (!section) return false;
    if (HoldsLineBreak(section) || HoldsLineBreak(key) || HoldsLineBreak(value)) return false;
    std::optional<Document> loaded = Load(fileName);
    if (!loaded) return false;
    Document& doc = *loaded;
    View sectionName = Trim(*section);

    if (!key) {
        bool changed = false;
        while (std::optional<Range> range = FindSection(doc, sectionName)) {
            doc.lines.erase(doc.lines.begin() + static_cast<ptrdiff_t>(range->header),
                            doc.lines.begin() + static_cast<ptrdiff_t>(range->end));
            changed = true;
        }
        return !changed || Save(fileName, doc);
    }

    View keyName = Trim(*key);
    if (keyName.empty() || keyName.find(u'=') != View::npos) return false;
    std::optional<Range> range = FindSection(doc, sectionName);

    if (!value) {
        if (!range) return true;
        bool changed = false;
        while (std::optional<size_t> line = FindKey(doc, *range, keyName)) {
            doc.lines.erase(doc.lines.begin() + static_cast<ptrdiff_t>(*line));
            --range->end;
            changed = true;
        }
        return !changed || Save(fileName, doc);
    }

    if (!range) {
        // A new section follows the last line directly, as Windows writes it.
        doc.lines.push_back(u"[" + Text(sectionName) + u"]");
        range = Range{doc.lines.size() - 1, doc.lines.size()};
    }
    if (std::optional<size_t> line = FindKey(doc, *range, keyName)) {
        Text stored(Parse(doc.lines[*line]).name);
        doc.lines[*line] = stored + u"=" + *value;
    } else {
        size_t at = range->header + 1;
        for (size_t i = range->header + 1; i < range->end; ++i)
            if (!Trim(doc.lines[i]).empty()) at = i + 1;
        doc.lines.insert(doc.lines.begin() + static_cast<ptrdiff_t>(at), Text(keyName) + u"=" + *value);
    }
    return Save(fileName, doc);
}

// Copies in the shape the Windows calls give: see the header.
template <class Char> uint32_t CopyValue(const std::basic_string<Char>& value, Char* buffer, uint32_t size) {
    if (!buffer || size == 0) return 0;
    size_t n = value.size() < size - 1 ? value.size() : size - 1;
    value.copy(buffer, n);
    buffer[n] = 0;
    return static_cast<uint32_t>(n);
}

template <class Char>
uint32_t CopyList(const std::vector<std::basic_string<Char>>& names, Char* buffer, uint32_t size) {
    if (!buffer || size == 0) return 0;
    if (size == 1) {
        buffer[0] = 0;
        return 0;
    }
    size_t free = size - 1; // one unit is kept for the list's final terminator
    Char* out = buffer;
    for (const auto& name : names) {
        // A name that does not fit with room to spare is copied as far as it
        // fits before two terminators, and the list counts as cut: Windows
        // answers size - 2 even for a list that fills the buffer exactly.
        if (name.size() + 1 >= free) {
            size_t cut = free > 0 ? free - 1 : 0;
            name.copy(out, cut);
            out += cut;
            if (free > 0) *out++ = 0;
            *out = 0;
            return size - 2;
        }
        name.copy(out, name.size());
        out += name.size();
        *out++ = 0;
        free -= name.size() + 1;
    }
    *out = 0;
    return static_cast<uint32_t>(out - buffer);
}

std::optional<Text> Wide(const char16_t* text) {
    if (!text) return std::nullopt;
    return Text(text);
}

std::optional<Text> FromCodePage(const char* text) {
    if (!text) return std::nullopt;
    return ToUtf16(text);
}

const Text* Ptr(const std::optional<Text>& text) {
    return text ? &*text : nullptr;
}

} // namespace

uint32_t GetPrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* defaultValue,
                                  char16_t* buffer, uint32_t size, const char16_t* fileName) {
    if (!buffer || size == 0) return 0;
    auto s = Wide(section), k = Wide(key), d = Wide(defaultValue);
    Answer answer = Read(Ptr(s), Ptr(k), Ptr(d), fileName ? Text(fileName) : Text());
    if (answer.isList) return CopyList(answer.names, buffer, size);
    return CopyValue(answer.value, buffer, size);
}

uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, uint32_t size, const char* fileName) {
    if (!buffer || size == 0) return 0;
    auto s = FromCodePage(section), k = FromCodePage(key), d = FromCodePage(defaultValue);
    Answer answer = Read(Ptr(s), Ptr(k), Ptr(d), fileName ? ToUtf16(fileName) : Text());
    if (answer.isList) {
        std::vector<std::string> names;
        for (const Text& name : answer.names)
            names.push_back(FromUtf16(name));
        return CopyList(names, buffer, size);
    }
    return CopyValue(FromUtf16(answer.value), buffer, size);
}

bool WritePrivateProfileStringW(const char16_t* section, const char16_t* key, const char16_t* value,
                                const char16_t* fileName) {
    if (!fileName || !*fileName) return false;
    auto s = Wide(section), k = Wide(key), v = Wide(value);
    return Write(Ptr(s), Ptr(k), Ptr(v), fileName);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
    if (!fileName || !*fileName) return false;
    auto s = FromCodePage(section), k = FromCodePage(key), v = FromCodePage(value);
    return Write(Ptr(s), Ptr(k), Ptr(v), ToUtf16(fileName));
}

} // namespace platform
