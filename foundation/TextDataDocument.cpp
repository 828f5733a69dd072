// Sections:
//   growable arrays
//   byte-order marks and code pages
//   life
//   loading
//   cursor
//   entries
//   typed getters
//   record reads

#include "foundation/TextDataDocument.h"

#include "platform/CodePage.h"
#include "platform/Files.h"

#include <cstring>
#include <new>
#include <vector>

namespace kis {

// ---------------------------------------------------------------- byte-order marks

bool ReadByteOrderMark(platform::File& file, uint32_t size, TextFileEncoding& encoding, uint32_t& mark) {
    encoding = TextFileEncoding::Narrow;
    mark = 0;
    if (size >= 2) {
        unsigned char head[4] = {1, 1, 1, 1};
        uint32_t headSize = size < 4 ? size : 4;
        if (file.Seek(0, platform::SeekOrigin::Begin) != 0 || !file.ReadExact(head, headSize)) return false;
        bool utf32 = headSize == 4 && ((head[0] == 0xFF && head[1] == 0xFE && head[2] == 0 && head[3] == 0) ||
                                       (head[0] == 0 && head[1] == 0 && head[2] == 0xFE && head[3] == 0xFF));
        if (utf32) return false;
        if (headSize >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF)
            encoding = TextFileEncoding::Utf8, mark = 3;
        else if (head[0] == 0xFE && head[1] == 0xFF)
            encoding = TextFileEncoding::Utf16BE, mark = 2;
        else if (head[0] == 0xFF && head[1] == 0xFE)
            encoding = TextFileEncoding::Utf16LE, mark = 2;
    }
    return file.Seek(mark, platform::SeekOrigin::Begin) == mark;
}

void DecodeUtf16Bytes(const char* bytes, uint32_t count, TextFileEncoding encoding, char16_t* text) {
    for (uint32_t i = 0; i < count; ++i) {
        auto lo = static_cast<unsigned char>(bytes[2 * i]), hi = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = encoding == TextFileEncoding::Utf16LE ? static_cast<char16_t>(lo | hi << 8)
                                                        : static_cast<char16_t>(hi | lo << 8);
    }
}

namespace {

template <typename Ch> bool IsBlank(Ch c) {
    return c == ' ' || c == '\t';
}

template <typename Ch> bool IsLineBreak(Ch c) {
    return c == '\r' || c == '\n';
}

template <typename Ch> uint32_t Length(const Ch* text) {
    uint32_t n = 0;
    if (text)
        while (text[n] != 0)
            ++n;
    return n;
}

// The character sets a charset header may name, with their code pages.
struct Charset {
    const char* name;
    uint32_t codePage;
    uint32_t length;
    uint32_t hash;
};

const std::vector<Charset>& CharsetTable() {
    static const std::vector<Charset> table = [] {
        const std::pair<const char*, uint32_t> rows[] = {
            {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252},  {"windows-1253", 1253},
            {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256},  {"windows-1257", 1257},
            {"windows-1258", 1258}, {"iso-8859-9", 28599},  {"iso-8859-1", 28591},   {"iso-8859-2", 28592},
            {"iso-8859-3", 28593},  {"iso-8859-4", 28594},  {"iso-8859-5", 28595},   {"iso-8859-6", 28596},
            {"iso-8859-7", 28597},  {"iso-8859-8", 28598},  {"iso-8859-8-i", 38598}, {"eu-ascii", 20127},
            {"iso-8859-10", 28600}, {"iso-8859-11", 28601}, {"iso-8859-13", 28603},  {"iso-8859-14", 28604},
            {"iso-8859-15", 28605}, {"iso-8859-16", 28606}, {"koi8-r", 20866},       {"koi8-u", 21866},
            {"macintosh", 10000},   {"ascii", 20127},       {"big5", 950},           {"hz-gb2312", 52936},
            {"gb2312", 936},        {"gbk", 936},           {"gb18030", 54936},      {"iso-2022-jp", 50220},
            {"iso-2022-kr", 50225}, {"shift-jis", 932},     {"euc-jp", 51932},       {"euc-kr", 51949},
        };
        std::vector<Charset> all;
        for (const auto& [name, cp] : rows) {
            uint32_t length = Length(name);
            all.push_back({name, cp, length, IdentHash(name, length)});
        }
        return all;
    }();
    return table;
}

// Reads "<charset = name>" at the text's start; the code page it names, or 0.
template <typename Src> uint32_t CharsetHeaderCodePage(const Src* text, uint32_t length) {
    uint32_t i = 0;
    auto skipBlanks = [&] {
        while (i < length && IsBlank(text[i]))
            ++i;
    };
    skipBlanks();
    if (i >= length || text[i] != '<' || length - i < 11) return 0;
    ++i;
    IdentScan word;
    if (!ScanIdent(text + i, length - i, kUnboundedLength, true, 0, word) || word.length != 7 ||
        word.hash != 0x405B31EA || !EqualsIgnoringAsciiCase(text + i + word.start, "charset", 7))
        return 0;
    i += word.end;
    if (i >= length || text[i] != '=') return 0;
    ++i;
    skipBlanks();
    bool quoted = i < length && text[i] == '"';
    if (quoted) ++i;
    IdentScan name;
    if (!ScanIdent(text + i, length - i, 32, true, '-', name)) return 0;
    const Src* nameText = text + i + name.start;
    i += name.end;
    if (quoted) {
        if (i >= length || text[i] != '"') return 0;
        ++i;
        skipBlanks();
    }
    if (i >= length || text[i] != '>') return 0;
    for (const Charset& c : CharsetTable())
        if (c.hash == name.hash && c.length == name.length &&
            EqualsIgnoringAsciiCase(nameText, c.name, c.length))
            return c.codePage;
    return 0;
}

template <typename Ch>
bool SameKey(const TDREntry<Ch>& entry, uint32_t hash, uint32_t length, const auto* key) {
    return entry.keyHash == hash && entry.keyLength == length &&
           EqualsIgnoringAsciiCase(entry.key, key, length);
}

template <typename Ch, typename K>
TDRSection<Ch>* FindChildSection(TDRSection<Ch>* parent, const K* name, const IdentScan& scan) {
    for (const auto& child : parent->children) {
        if (child->nameHash == scan.hash && child->nameLength == scan.length &&
            EqualsIgnoringAsciiCase(child->name, name, scan.length))
            return child.get();
    }
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------- life

template <typename Ch> TDRDocumentT<Ch>::TDRDocumentT() : current_(&root_) {
    root_.closed = 1;
}

template <typename Ch> TDRDocumentT<Ch>::~TDRDocumentT() {
    Clear();
}

template <typename Ch> bool TDRDocumentT<Ch>::Load(const char16_t* fileName, TDRDocumentT*& document) {
    document = nullptr;
    auto doc = std::make_unique<TDRDocumentT>();
    bool ok = false;
    if constexpr (sizeof(Ch) == 2) ok = doc->SetFileName(fileName) && doc->Open();
    if (!ok) return false;
    document = doc.release();
    return true;
}

template <typename Ch> bool TDRDocumentT<Ch>::SetFileName(const Ch* name) {
    errors_ = 0;
    uint32_t length = Length(name);
    if (length == 0 || length > kTdrMaxFileName || !fileName_.SetLength(length, sizeof(Ch))) return false;
    std::memcpy(fileName_.Data(), name, length * sizeof(Ch));
    return true;
}

template <typename Ch> uint32_t TDRDocumentT<Ch>::GetFileName(char16_t* buffer, uint32_t size) {
    errors_ = 0;
    if (buffer == nullptr && size != 0) {
        errors_ |= kTdrBadArgument;
        return 0;
    }
    const Ch* name = fileName_.As<Ch>();
    uint32_t length = 0;
    CopyText(static_cast<char16_t*>(nullptr), 0, name, fileName_.Length(), codePage_, &length);
    if (size != 0 && !CopyText(buffer, size, name, fileName_.Length(), codePage_)) errors_ |= kTdrTextCut;
    return length;
}

// Frees every section without recursion, so that no nesting depth can exhaust
// the stack: each freed section hands its children to an explicit work list.
template <typename Ch> void TDRDocumentT<Ch>::Clear() {
    std::vector<std::unique_ptr<Section>> pending = std::move(root_.children);
    root_.children.clear();
    while (!pending.empty()) {
        std::unique_ptr<Section> section = std::move(pending.back());
        pending.pop_back();
        for (auto& child : section->children)
            pending.push_back(std::move(child));
    }
    root_.entries = {};
    text_.Free();
    SetCurrent(&root_);
}

template <typename Ch> void TDRDocumentT<Ch>::SetCurrent(Section* section) {
    current_ = section;
    lastMatch_ = nullptr;
}

// ---------------------------------------------------------------- loading

template <typename Ch> bool TDRDocumentT<Ch>::Open() {
    errors_ = 0;
    Clear();
    if (fileName_.Length() == 0) return false;
    std::u16string path;
    if constexpr (sizeof(Ch) == 2)
        path.assign(fileName_.As<char16_t>(), fileName_.Length());
    else
        path = platform::ToUtf16(std::string_view(fileName_.As<char>(), fileName_.Length()), codePage_);
    platform::File file = platform::File::Open(platform::GamePath(path), platform::kFileRead,
                                               platform::FileCreation::OpenExisting);
    bool ok = file.IsOpen() && LoadFromHandle(file);
    if (!ok) {
        Clear();
        return false;
    }
    SetCurrent(&root_);
    return true;
}

template <typename Ch>
template <typename Src>
void TDRDocumentT<Ch>::ReadCharsetHeader(const Src* text, uint32_t length) {
    codePage_ = platform::ActiveCodePage();
    if (uint32_t cp = CharsetHeaderCodePage(text, length)) codePage_ = cp;
}

template <typename Ch> bool TDRDocumentT<Ch>::LoadFromHandle(platform::File& file) {
    using Encoding = TextFileEncoding;
    if (!file.IsOpen()) return false;
    int64_t fileSize = file.Size();
    if (fileSize < 0 || fileSize > kTdrMaxFileBytes) return false;
    uint32_t size = static_cast<uint32_t>(fileSize);

    Encoding encoding;
    uint32_t mark;
    if (!ReadByteOrderMark(file, size, encoding, mark)) return false;
    size -= mark;
    if (size == 0) return true;
    const bool wide = encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
    if ((encoding == Encoding::Narrow && size > kTdrMaxNarrowBytes) || (wide && size % 2 != 0)) return false;

    std::vector<char> bytes(size);
    if (!file.ReadExact(bytes.data(), size)) return false;

    // The text as read: 8-bit, or UTF-16 after decoding UTF-8 or swapping bytes.
    std::u16string wideText;
    if (encoding == Encoding::Utf8) {
        platform::ConvertResult need =
            platform::MultiByteToUtf16(platform::kCodePageUtf8, bytes.data(), size, nullptr, 0);
        if (!need.Ok() || need.count == 0 || need.count > kTdrMaxUtf8Characters) return false;
        wideText.resize(need.count);
        platform::ConvertResult done = platform::MultiByteToUtf16(platform::kCodePageUtf8, bytes.data(), size,
                                                                  wideText.data(), need.count);
        if (!done.Ok() || done.count != need.count) return false;
    } else if (wide) {
        wideText.resize(size / 2);
        DecodeUtf16Bytes(bytes.data(), size / 2, encoding, wideText.data());
    }
    const bool textIsWide = encoding != Encoding::Narrow;
    if (textIsWide)
        ReadCharsetHeader(wideText.data(), static_cast<uint32_t>(wideText.size()));
    else
        ReadCharsetHeader(bytes.data(), size);

    // Into the document's width; a conversion must keep the character count.
    uint32_t count = textIsWide ? static_cast<uint32_t>(wideText.size()) : size;
    if (!text_.SetLength(count, sizeof(Ch))) return false;
    Ch* text = text_.As<Ch>();
    if (textIsWide == (sizeof(Ch) == 2)) {
        if (textIsWide)
            std::memcpy(text, wideText.data(), count * sizeof(char16_t));
        else
            std::memcpy(text, bytes.data(), count);
    } else {
        platform::ConvertResult r;
        if constexpr (sizeof(Ch) == 2)
            r = platform::MultiByteToUtf16(codePage_, bytes.data(), count, text, count);
        else
            r = platform::Utf16ToMultiByte(codePage_, wideText.data(), count, text, count);
        if (!r.Ok() || r.count != count) return false;
    }
    return Parse();
}

// One pass over the text: keys and values are terminated in place and every
// entry and section points into the text.
// Running out of memory while sections and entries are added fails the load.
template <typename Ch> bool TDRDocumentT<Ch>::Parse() {
    try {
        return ParseLines();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

template <typename Ch> bool TDRDocumentT<Ch>::ParseLines() {
    Ch* text = text_.As<Ch>();
    const uint32_t length = text_.Length();
    Section* current = &root_;
    uint32_t i = 0;
    auto skipLine = [&] {
        while (i < length && !IsLineBreak(text[i]))
            ++i;
    };
    while (i < length) {
        while (i < length && IsBlank(text[i]))
            ++i;
        if (i >= length) break;
        const uint32_t lineStart = i;
        IdentScan word;
        bool isWord = ScanIdent(text + i, length - i, kUnboundedLength, true, 0, word);
        uint32_t after = lineStart + word.end;
        if (i + 1 < length && text[i] == '/' && text[i + 1] == '/') {
            skipLine();
        } else if (isWord && after < length && text[after] == '=') {
            Entry* entry = &current->entries.emplace_back();
            i = after + 1;
            while (i < length && IsBlank(text[i]))
                ++i;
            const uint32_t valueStart = i;
            skipLine();
            const uint32_t lineEnd = i;
            uint32_t valueEnd = lineEnd;
            while (valueEnd > valueStart && IsBlank(text[valueEnd - 1]))
                --valueEnd;
            entry->index = uint32_t(current->entries.size() - 1);
            entry->keyLength = word.length;
            entry->keyHash = word.hash;
            entry->key = text + lineStart;
            entry->valueOffset = valueStart - lineStart;
            entry->valueLength = valueEnd - valueStart;
            text[lineStart + word.length] = 0;
            text[valueEnd] = 0; // a blank, a line break (stepped over next) or the final terminator
            i = lineEnd < length ? lineEnd + 1 : lineEnd;
        } else if (isWord && after < length && text[after] == '{') {
            Section* section = current->children.emplace_back(std::make_unique<Section>()).get();
            section->parent = current;
            section->index = uint32_t(current->children.size() - 1);
            section->nameLength = word.length;
            section->nameHash = word.hash;
            section->name = text + lineStart;
            i = after + 1;
            while (i < length && IsBlank(text[i]))
                ++i;
            if (i < length && text[i] == '}')
                section->closed = 1;
            else
                current = section;
            skipLine();
        } else if (!isWord && text[i] == '}') {
            if (current->closed) return false; // only the root is closed while current
            current->closed = 1;
            current = current->parent;
            skipLine();
        } else {
            skipLine();
        }
        while (i < length && IsLineBreak(text[i]))
            ++i;
    }
    return current->closed && (!root_.children.empty() || !root_.entries.empty());
}

// ---------------------------------------------------------------- cursor

template <typename Ch>
const TDRSection<Ch>* TDRDocumentT<Ch>::FindSectionPath(const char16_t* path, bool relative) {
    errors_ = 0;
    if (path == nullptr) {
        errors_ |= kTdrMalformedName | kTdrMissingSection;
        return nullptr;
    }
    Section* section = relative ? current_ : &root_;
    bool named = false;
    const char16_t* p = path;
    while (IsBlank(*p))
        ++p;
    for (;;) {
        if (*p == '\\') {
            while (*p == '\\')
                ++p;
            continue;
        }
        while (IsBlank(*p))
            ++p;
        if (*p == 0) break;
        IdentScan name;
        if (!ScanIdent(p, kUnboundedLength, kUnboundedLength, true, 0, name) ||
            (p[name.end] != '\\' && p[name.end] != 0)) {
            errors_ |= kTdrMalformedName | kTdrMissingSection;
            return nullptr;
        }
        section = FindChildSection(section, p + name.start, name);
        if (section == nullptr) {
            errors_ |= kTdrMissingSection;
            return nullptr;
        }
        named = true;
        p += name.end;
    }
    if (!named) {
        errors_ |= kTdrMalformedName | kTdrMissingSection;
        return nullptr;
    }
    return section;
}

template <typename Ch> bool TDRDocumentT<Ch>::EnterSection(const char16_t* path, bool relative) {
    errors_ = 0;
    const Section* found = FindSectionPath(path, relative);
    if (found == nullptr) return false;
    SetCurrent(const_cast<Section*>(found));
    return true;
}

template <typename Ch> bool TDRDocumentT<Ch>::LeaveSection() {
    errors_ = 0;
    if (current_->parent == nullptr) return false;
    SetCurrent(current_->parent);
    return true;
}

template <typename Ch> bool TDRDocumentT<Ch>::NextSection() {
    errors_ = 0;
    Section* parent = current_->parent;
    if (parent == nullptr) return false;
    for (size_t i = size_t{current_->index} + 1; i < parent->children.size(); ++i) {
        Section* s = parent->children[i].get();
        if (s->nameHash == current_->nameHash && s->nameLength == current_->nameLength &&
            EqualsIgnoringAsciiCase(s->name, current_->name, s->nameLength)) {
            SetCurrent(s);
            return true;
        }
    }
    return false;
}

template <typename Ch> bool TDRDocumentT<Ch>::Rewind() {
    errors_ = 0;
    if (current_ == &root_) return false;
    SetCurrent(&root_);
    return true;
}

// ---------------------------------------------------------------- entries

template <typename Ch>
template <typename K>
const TDREntry<Ch>* TDRDocumentT<Ch>::Find(const K* key, bool next) {
    IdentScan scan;
    if (!ScanIdent(key, kUnboundedLength, kUnboundedLength, true, 0, scan) || !scan.atEnd) {
        errors_ |= kTdrMalformedName | kTdrMissingEntry;
        return nullptr;
    }
    const K* name = key + scan.start;
    uint32_t start = 0;
    if (next && lastMatch_ != nullptr && SameKey(*lastMatch_, scan.hash, scan.length, name))
        start = lastMatch_->index + 1;
    for (size_t i = start; i < current_->entries.size(); ++i) {
        const Entry& entry = current_->entries[i];
        if (SameKey(entry, scan.hash, scan.length, name)) {
            lastMatch_ = &entry;
            return &entry;
        }
    }
    errors_ |= kTdrMissingEntry;
    return nullptr;
}

template <typename Ch> const TDREntry<Ch>* TDRDocumentT<Ch>::FindEntry(const char16_t* key, bool next) {
    errors_ = 0;
    return Find(key, next);
}

template <typename Ch> const TDREntry<Ch>* TDRDocumentT<Ch>::FindEntryA(const char* key, bool next) {
    errors_ = 0;
    return Find(key, next);
}

template <typename Ch> uint32_t TDRDocumentT<Ch>::GetEntryCount() {
    errors_ = 0;
    return uint32_t(current_->entries.size());
}

template <typename Ch> const Ch* TDRDocumentT<Ch>::GetKeyAt(uint32_t i, uint32_t* length) {
    const Entry* entry = EntryAtForRead(i);
    if (length) *length = entry ? entry->keyLength : 0;
    return entry ? entry->key : nullptr;
}

template <typename Ch> const Ch* TDRDocumentT<Ch>::GetValueAt(uint32_t i, uint32_t* length) {
    const Entry* entry = EntryAtForRead(i);
    if (length) *length = entry ? entry->valueLength : 0;
    return entry ? entry->Value() : nullptr;
}

template <typename Ch> const Ch* TDRDocumentT<Ch>::GetValue(const char16_t* key, uint32_t* length) {
    errors_ = 0;
    const Entry* entry = Find(key, false);
    if (length) *length = entry ? entry->valueLength : 0;
    return entry ? entry->Value() : nullptr;
}

template <typename Ch> bool TDRDocumentT<Ch>::HasKey(const char16_t* key) {
    errors_ = 0;
    return Find(key, false) != nullptr;
}

// ---------------------------------------------------------------- typed getters

namespace {

// The value of an entry read by `parse`; the default when there is no entry, and
// also when its text does not parse (which marks the value invalid).
template <typename Entry, typename T, typename Parse>
T ParsedValueOr(const Entry* entry, T def, uint32_t& errors, Parse parse) {
    T value;
    if (entry == nullptr) return def;
    if (!parse(entry->Value(), value)) {
        errors |= kTdrInvalidValue;
        return def;
    }
    return value;
}

} // namespace

template <typename Ch>
template <typename Dst>
uint32_t TDRDocumentT<Ch>::ReadStringValue(const Entry* entry, Dst* buffer, uint32_t size, const Dst* def) {
    if (entry != nullptr) {
        uint32_t written = 0;
        int status = ScanStringValue(entry->Value(), buffer, size, codePage_, written);
        errors_ |= static_cast<uint32_t>(status);
        if (status == kStringRead || status == kStringCut) return written;
    }
    if (size == 0) return Length(def);
    if (buffer == nullptr) {
        errors_ |= kTdrBadArgument;
        return 0;
    }
    uint32_t written = 0;
    if (!CopyText(buffer, size, def, kUnboundedLength, codePage_, &written)) errors_ |= kTdrTextCut;
    return written;
}

template <typename Ch>
uint32_t TDRDocumentT<Ch>::GetString(const char16_t* key, char16_t* buffer, uint32_t size,
                                     const char16_t* def) {
    errors_ = 0;
    return ReadStringValue(Find(key, false), buffer, size, def);
}

template <typename Ch>
uint32_t TDRDocumentT<Ch>::GetStringEx(const char16_t* key, bool first, char16_t* buffer, uint32_t size,
                                       const char16_t* def) {
    errors_ = 0;
    return ReadStringValue(Find(key, !first), buffer, size, def);
}

template <typename Ch>
uint32_t TDRDocumentT<Ch>::GetStringA(const char* key, char* buffer, uint32_t size, const char* def) {
    errors_ = 0;
    return ReadStringValue(Find(key, false), buffer, size, def);
}

template <typename Ch> int32_t TDRDocumentT<Ch>::GetInt(const char16_t* key, int32_t def) {
    return ParsedValueOr(FindForRead(key, false), def, errors_,
                         [](const Ch* text, int32_t& value) { return ParseIntValue(text, value); });
}

template <typename Ch> uint32_t TDRDocumentT<Ch>::GetUInt(const char16_t* key, uint32_t def) {
    return ParsedValueOr(FindForRead(key, false), def, errors_,
                         [](const Ch* text, uint32_t& value) { return ParseHexValue(text, value); });
}

template <typename Ch> char16_t TDRDocumentT<Ch>::GetChar(const char16_t* key, char16_t def) {
    return ParsedValueOr(FindForRead(key, false), def, errors_, [this](const Ch* text, char16_t& value) {
        return ParseCharValue(text, codePage_, value);
    });
}

// ---------------------------------------------------------------- record reads

template <typename Ch>
int32_t TDRDocumentT<Ch>::Scan(const Entry* entry, const char16_t* format, int32_t count, void* dest,
                               uint32_t size, int mode) {
    if (entry == nullptr) return 0;
    int32_t read = 0;
    int status = ScanFields(format, count, dest, size, mode, entry->Value(), codePage_, &read);
    if (status != kScanOk) {
        errors_ |= static_cast<uint32_t>(status);
        return 0;
    }
    return read;
}

template <typename Ch> const TDREntry<Ch>* TDRDocumentT<Ch>::FindForRead(const char16_t* key, bool next) {
    errors_ = 0;
    return Find(key, next);
}

template <typename Ch> const TDREntry<Ch>* TDRDocumentT<Ch>::EntryAtForRead(uint32_t index) {
    errors_ = 0;
    if (index >= current_->entries.size()) {
        errors_ |= kTdrMissingEntry;
        return nullptr;
    }
    return &current_->entries[index];
}

template <typename Ch>
int32_t TDRDocumentT<Ch>::ReadPointers(const Entry* entry, const char16_t* format, int32_t count, void** list,
                                       uint32_t n) {
    return Scan(entry, format, count, list, n, kScanPointers);
}

template <typename Ch> int32_t TDRDocumentT<Ch>::CountRecords(const char16_t* key, const char16_t* format) {
    return Scan(FindForRead(key, false), format, INT32_MAX, nullptr, 0, kScanCount);
}

template <typename Ch>
int32_t TDRDocumentT<Ch>::CountRecordsEx(const char16_t* key, bool first, const char16_t* format) {
    return Scan(FindForRead(key, !first), format, INT32_MAX, nullptr, 0, kScanCount);
}

template <typename Ch>
int32_t TDRDocumentT<Ch>::ReadRecords(const char16_t* key, const char16_t* format, int32_t count, void* dest,
                                      uint32_t recordSize) {
    return Scan(FindForRead(key, false), format, count, dest, recordSize, kScanRecords);
}

template <typename Ch>
int32_t TDRDocumentT<Ch>::ReadRecordsEx(const char16_t* key, bool first, const char16_t* format,
                                        int32_t count, void* dest, uint32_t recordSize) {
    return Scan(FindForRead(key, !first), format, count, dest, recordSize, kScanRecords);
}

template class TDRDocumentT<char16_t>;
template class TDRDocumentT<char>;

} // namespace kis
