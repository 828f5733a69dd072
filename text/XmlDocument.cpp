#include "text/XmlDocument.h"

#include "engine/Log.h"
#include "foundation/FieldFormat.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint32_t kNameReserve = 64;
constexpr uint32_t kTextReserve = 1024;
// A spreadsheet of every text of a language is well under a megabyte; its
// bytes and their UTF-16 form are held at once, so a larger file is refused.
constexpr int64_t kMaxFileBytes = 32 << 20;

// Spaces trimmed inside tags and around cell texts.
template <typename Ch> bool IsTagSpace(Ch c) {
    return c == ' ' || c == '\r' || c == '\n';
}

template <typename Ch> bool IsCellSpace(Ch c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

template <typename Ch>
bool StartsWith(const Ch* text, uint32_t length, const char* name, uint32_t nameLength) {
    if (length < nameLength) return false;
    for (uint32_t i = 0; i < nameLength; ++i)
        if (static_cast<uint32_t>(text[i]) != static_cast<unsigned char>(name[i])) return false;
    return true;
}

// An opening tag of the element: the name, then nothing, a space, a line break,
// or an empty-element '/' at the tag's end.
template <typename Ch> bool IsOpenTag(const Ch* tag, uint32_t length, const char* name) {
    const uint32_t n = static_cast<uint32_t>(std::strlen(name));
    return StartsWith(tag, length, name, n) && (length == n || IsTagSpace(tag[n]) || tag[length - 1] == '/');
}

template <typename Ch> bool IsCloseName(const Ch* name, uint32_t length, const char* element) {
    const uint32_t n = static_cast<uint32_t>(std::strlen(element));
    return length == n && StartsWith(name, length, element, n);
}

bool SetText(kis::Buffer& buffer, const char16_t* text, uint32_t length) {
    if (!buffer.Resize(length, 2)) return false;
    if (length != 0) std::memcpy(buffer.Data(), text, size_t{length} * 2);
    return true;
}

// A new item with the name and its identifier hash, appended to a list; null
// (the row left out) when memory runs out.
XMLItem* AppendItem(std::vector<std::unique_ptr<XMLItem>>& list, const char16_t* name, uint32_t length,
                    uint32_t hash) {
    try {
        auto item = std::make_unique<XMLItem>();
        if (!SetText(item->name, name, length)) return nullptr;
        item->index = uint32_t(list.size());
        item->nameHash = hash;
        return list.emplace_back(std::move(item)).get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// One tag found by its angle brackets.
template <typename Ch> struct XmlTag {
    uint32_t open = 0;        // where its '<' stands
    uint32_t next = 0;        // just past its '>'
    const Ch* text = nullptr; // between the brackets, spaces trimmed; empty for a blank tag
    uint32_t length = 0;
    const Ch* name = nullptr; // the element name: the text, or what follows a closing '/'
    uint32_t nameLength = 0;
    bool closing = false;      // "</name>"
    bool emptyElement = false; // "<name/>"
};

// Finds the next tag from `from` on; false where the text ends first (at its
// length, a terminator, or a tag left open).
template <typename Ch> bool FindTag(const Ch* text, uint32_t length, uint32_t from, XmlTag<Ch>& tag) {
    uint32_t i = from;
    while (i < length && text[i] != '<' && text[i] != 0)
        ++i;
    if (i >= length || text[i] == 0) return false;
    uint32_t start = i + 1;
    while (start < length && IsTagSpace(text[start]))
        ++start;
    if (start >= length || text[start] == 0) return false;
    uint32_t close = start;
    while (close < length && text[close] != '>')
        ++close;
    if (close >= length) return false;
    uint32_t end = close;
    while (end > start && IsTagSpace(text[end - 1]))
        --end;
    tag = XmlTag<Ch>{};
    tag.open = i;
    tag.next = close + 1;
    tag.text = text + start;
    tag.length = end - start;
    if (tag.length == 0) return true;
    tag.closing = tag.text[0] == '/';
    tag.name = tag.text;
    tag.nameLength = tag.length;
    if (tag.closing) {
        tag.name = tag.text + 1, tag.nameLength = tag.length - 1;
        while (tag.nameLength != 0 && IsTagSpace(*tag.name))
            ++tag.name, --tag.nameLength;
    }
    tag.emptyElement = tag.text[tag.length - 1] == '/';
    return true;
}

// Decodes a cell's Data text (null: none) into the row's first or second
// cell; the cells after the second are not kept.
void TakeCell(XMLRowState& state, const char16_t* data, uint32_t dataLength) {
    kis::Buffer* target = nullptr;
    if ((state.flags & XMLRowState::kFirstCellTaken) == 0)
        target = &state.row.name, state.flags |= XMLRowState::kFirstCellTaken;
    else if ((state.flags & XMLRowState::kSecondCellTaken) == 0)
        target = &state.row.text, state.flags |= XMLRowState::kSecondCellTaken;
    if (target == nullptr) return;
    uint32_t n = data == nullptr ? 0 : kis::DecodeXmlText(data, dataLength, nullptr, 0);
    if (!target->Resize(n, 2)) {
        state.flags = 0; // the row cannot hold its text: drop it
        return;
    }
    if (n != 0) kis::DecodeXmlText(data, dataLength, target->As<char16_t>(), n + 1);
}

// An opening tag: a Row outside rows, a Cell inside a row while fewer than
// two cells are taken, a Data inside a cell. Every other tag is skipped.
template <typename Ch> void OpenElement(XMLRowState& state, const XmlTag<Ch>& tag, uint32_t& dataStart) {
    const uint32_t flags = state.flags;
    if ((flags & XMLRowState::kInRow) == 0) {
        if (IsOpenTag(tag.text, tag.length, "Row") && !tag.emptyElement) {
            state.flags = XMLRowState::kInRow;
            state.row.name.Resize(0, 2);
            state.row.text.Resize(0, 2);
        }
    } else if ((flags & XMLRowState::kInCell) == 0) {
        if ((flags & XMLRowState::kSecondCellTaken) == 0 && IsOpenTag(tag.text, tag.length, "Cell")) {
            state.data = nullptr, state.dataLength = 0;
            if (tag.emptyElement)
                TakeCell(state, nullptr, 0);
            else
                state.flags |= XMLRowState::kInCell;
        }
    } else if ((flags & XMLRowState::kInData) == 0) {
        if (IsOpenTag(tag.text, tag.length, "Data")) {
            state.data = nullptr, state.dataLength = 0;
            if (!tag.emptyElement) {
                state.flags |= XMLRowState::kInData;
                dataStart = tag.next;
            }
        }
    }
}

// The end of a Data element: its text becomes the cell's data, a span of the
// UTF-16 text, or the 8-bit text converted from UTF-8 into `converted`.
template <typename Ch>
void CloseData(XMLRowState& state, const Ch* data, uint32_t dataLength, kis::Buffer& converted) {
    state.flags &= ~XMLRowState::kInData;
    state.data = nullptr, state.dataLength = 0;
    if constexpr (sizeof(Ch) == 2) {
        state.data = data;
        state.dataLength = dataLength;
    } else if (dataLength != 0) {
        platform::ConvertResult need =
            platform::MultiByteToUtf16(platform::kCodePageUtf8, data, dataLength, nullptr, 0);
        if (!need.Ok() || need.count == 0 || need.count >= UINT32_MAX ||
            !converted.Resize(static_cast<uint32_t>(need.count), 2))
            return;
        platform::ConvertResult done = platform::MultiByteToUtf16(platform::kCodePageUtf8, data, dataLength,
                                                                  converted.As<char16_t>(), need.count);
        if (done.Ok() && done.count == need.count) {
            state.data = converted.As<char16_t>();
            state.dataLength = static_cast<uint32_t>(done.count);
        }
    }
}

} // namespace

namespace kis {

uint32_t DecodeXmlEntity(const char16_t* text, uint32_t length, char16_t units[2], uint32_t* unitCount) {
    *unitCount = 0;
    if (length < 3 || text[0] != '&') return 0;
    static const struct {
        const char16_t* name;
        uint32_t length;
        char16_t value;
    } kNamed[] = {
        {u"amp;", 4, '&'}, {u"lt;", 3, '<'}, {u"gt;", 3, '>'}, {u"quot;", 5, '"'}, {u"apos;", 5, '\''}};
    for (const auto& named : kNamed) {
        if (length - 1 >= named.length && std::memcmp(text + 1, named.name, named.length * 2) == 0) {
            units[0] = named.value;
            *unitCount = 1;
            return named.length + 1;
        }
    }
    if (text[1] != '#') return 0;
    uint32_t i = 2;
    const bool hex = text[i] == 'x';
    if (hex) ++i;
    const uint32_t digitsStart = i;
    uint32_t value = 0;
    for (; i < length; ++i) {
        char16_t c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        // Saturates above the last code point, so any length of digits is safe.
        value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + digit;
    }
    if (i == digitsStart || i >= length || text[i] != ';') return 0;
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        units[0] = 0xFFFD;
        *unitCount = 1;
    } else if (value > 0xFFFF) {
        value -= 0x10000;
        units[0] = static_cast<char16_t>(0xD800 + (value >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
        *unitCount = 2;
    } else if (value != 0) {
        units[0] = static_cast<char16_t>(value);
        *unitCount = 1;
    }
    return i + 1;
}

uint32_t DecodeXmlText(const char16_t* text, uint32_t length, char16_t* destination, uint32_t capacity) {
    const uint32_t room = destination == nullptr ? UINT32_MAX : (capacity == 0 ? 0 : capacity - 1);
    uint32_t written = 0;
    auto put = [&](const char16_t* units, uint32_t n) {
        if (written + n > room || written + n < written) return false;
        if (destination != nullptr)
            for (uint32_t k = 0; k < n; ++k)
                destination[written + k] = units[k];
        written += n;
        return true;
    };
    for (uint32_t i = 0; i < length;) {
        char16_t c = text[i];
        char16_t units[2];
        uint32_t n = 1;
        uint32_t step = 1;
        if (c == '&') {
            if (uint32_t taken = DecodeXmlEntity(text + i, length - i, units, &n))
                step = taken;
            else
                units[0] = c, n = 1;
        } else if (c == '\r' || c == '\n') {
            units[0] = ' ';
            if (c == '\r' && i + 1 < length && text[i + 1] == '\n') step = 2;
        } else if (c == 0) {
            n = 0;
        } else {
            units[0] = c;
        }
        if (n != 0 && !put(units, n)) break;
        i += step;
    }
    return written;
}

} // namespace kis

// ---------------------------------------------------------------- life

XMLDocument::XMLDocument(const char16_t* fileName) {
    platform::File file = platform::File::Open(platform::GamePath(fileName), platform::kFileRead,
                                               platform::FileCreation::OpenExisting);
    if (file.IsOpen()) Load(file);
}

XMLDocument::~XMLDocument() {
    Clear();
}

void XMLDocument::Clear() {
    groups_.clear();
    root_.entries.clear();
    root_.name.Free();
    root_.text.Free();
    text_.Free();
    shortTagStop_ = -1;
    SetCurrent(&root_);
}

void XMLDocument::SetCurrent(XMLItem* group) {
    current_ = group;
    lastMatch_ = nullptr;
}

// ---------------------------------------------------------------- loading

bool XMLDocument::Load(platform::File& file) {
    using Encoding = kis::TextFileEncoding;
    Clear();
    if (!file.IsOpen()) return false;
    int64_t fileSize = file.Size();
    if (fileSize < 0 || fileSize > kMaxFileBytes) return false;
    uint32_t size = static_cast<uint32_t>(fileSize);

    Encoding encoding;
    uint32_t mark;
    if (!kis::ReadByteOrderMark(file, size, encoding, mark)) return false;
    size -= mark;
    const bool wide = encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
    if (size == 0 || (wide && size % 2 != 0)) return false;

    if (encoding == Encoding::Narrow) {
        if (!text_.SetLength(size, 1) || !file.ReadExact(text_.Data(), size)) return false;
        Parse(text_.As<char>(), size);
        return true;
    }
    std::vector<char> bytes(size);
    if (!file.ReadExact(bytes.data(), size)) return false;
    if (encoding == Encoding::Utf8) {
        platform::ConvertResult need =
            platform::MultiByteToUtf16(platform::kCodePageUtf8, bytes.data(), size, nullptr, 0);
        if (!need.Ok() || need.count == 0 || need.count > UINT32_MAX - 1 ||
            !text_.SetLength(static_cast<uint32_t>(need.count), 2))
            return false;
        platform::ConvertResult done = platform::MultiByteToUtf16(platform::kCodePageUtf8, bytes.data(), size,
                                                                  text_.As<char16_t>(), need.count);
        if (!done.Ok() || done.count != need.count) return false;
    } else {
        if (!text_.SetLength(size / 2, 2)) return false;
        kis::DecodeUtf16Bytes(bytes.data(), size / 2, encoding, text_.As<char16_t>());
    }
    Parse(text_.As<char16_t>(), text_.Length());
    return true;
}

// Walks the text tag by tag; Data texts are taken as spans of the text (the
// 8-bit reader converts them from UTF-8 first) and decoded when their cell ends.
template <typename Ch> void XMLDocument::Parse(const Ch* text, uint32_t length) {
    XMLRowState state;
    kis::Buffer converted; // the 8-bit reader's current Data text in UTF-16
    if (!state.row.name.Resize(kNameReserve, 2) || !state.row.text.Resize(kTextReserve, 2)) return;
    XMLItem* receiver = &root_;
    uint32_t dataStart = 0;
    XmlTag<Ch> tag;
    for (uint32_t i = 0; i < length && FindTag(text, length, i, tag); i = tag.next) {
        if (tag.length == 0) continue;
        if (tag.nameLength < 3) {
            // Inline markup such as a bold tag inside a cell ends the reading:
            // the sheet is read up to here and the rest is ignored.
            shortTagStop_ = static_cast<int64_t>(tag.open);
            LogErrorPrintf(kLogIndent,
                           "Spreadsheet reading stopped at character %u: a tag shorter than 3 characters",
                           tag.open);
            break;
        }
        const uint32_t flags = state.flags;
        if (!tag.closing) {
            OpenElement(state, tag, dataStart);
        } else if ((flags & XMLRowState::kInData) != 0) {
            if (IsCloseName(tag.name, tag.nameLength, "Data"))
                CloseData(state, text + dataStart, tag.open - dataStart, converted);
        } else if ((flags & XMLRowState::kInCell) != 0) {
            if (IsCloseName(tag.name, tag.nameLength, "Cell")) {
                state.flags &= ~XMLRowState::kInCell;
                TakeCell(state, state.data, state.dataLength);
            }
        } else if ((flags & XMLRowState::kInRow) != 0) {
            if (IsCloseName(tag.name, tag.nameLength, "Row")) {
                receiver = AddRow(state, receiver);
                state.flags = 0;
            }
        }
    }
}

template void XMLDocument::Parse(const char*, uint32_t);
template void XMLDocument::Parse(const char16_t*, uint32_t);

XMLItem* XMLDocument::AddRow(XMLRowState& state, XMLItem* receiver) {
    const char16_t* first = state.row.name.As<char16_t>();
    uint32_t begin = 0, end = state.row.name.Length();
    if (first == nullptr || end == 0) return receiver;
    // Only spaces, CR and LF may stand around the brackets of a group row.
    auto aroundBrackets = [](char16_t c) { return c == ' ' || c == '\r' || c == '\n'; };
    uint32_t open = begin, close = end;
    while (open < close && aroundBrackets(first[open]))
        ++open;
    while (close > open && aroundBrackets(first[close - 1]))
        --close;
    if (open < close && first[open] == '[' && first[close - 1] == ']') {
        if (close - open < 2) return receiver;
        begin = open + 1;
        end = close - 1;
        while (begin < end && IsCellSpace(first[begin]))
            ++begin;
        while (end > begin && IsCellSpace(first[end - 1]))
            --end;
        kis::IdentScan scan;
        if (!kis::ScanIdent(first + begin, end - begin, kis::kUnboundedLength, false, 0, scan) ||
            scan.length != end - begin)
            return receiver;
        XMLItem* group = AppendItem(groups_, first + begin, scan.length, scan.hash);
        return group != nullptr ? group : receiver;
    }
    while (begin < end && IsCellSpace(first[begin]))
        ++begin;
    while (end > begin && IsCellSpace(first[end - 1]))
        --end;
    kis::IdentScan scan;
    if (begin == end || !kis::ScanIdent(first + begin, end - begin, kis::kUnboundedLength, false, 0, scan) ||
        scan.length != end - begin)
        return receiver;
    XMLItem* entry = AppendItem(receiver->entries, first + begin, scan.length, scan.hash);
    if (entry == nullptr) return receiver;
    const uint32_t flags = state.flags;
    const bool hasSecond = (flags & XMLRowState::kSecondCellTaken) != 0;
    if (!SetText(entry->text, state.row.text.As<char16_t>(), hasSecond ? state.row.text.Length() : 0)) {
        receiver->entries.pop_back();
    }
    return receiver;
}

// ---------------------------------------------------------------- cursor

const XMLItem* XMLDocument::FindGroup(const char16_t* name, uint32_t length, uint32_t hash) const {
    for (const auto& group : groups_) {
        if (group->nameHash == hash && group->name.Length() == length &&
            kis::EqualsIgnoringAsciiCase(group->name.As<char16_t>(), name, length))
            return group.get();
    }
    return nullptr;
}

bool XMLDocument::EnterSection(const char16_t* name) {
    errors_ = 0;
    kis::IdentScan scan;
    if (!kis::ScanIdent(name, kis::kUnboundedLength, kis::kUnboundedLength, true, 0, scan)) {
        errors_ |= kis::kTdrMalformedName | kis::kTdrMissingSection;
        return false;
    }
    const XMLItem* group = FindGroup(name + scan.start, scan.length, scan.hash);
    if (group == nullptr) {
        errors_ |= kis::kTdrMissingSection;
        return false;
    }
    SetCurrent(const_cast<XMLItem*>(group));
    return true;
}

bool XMLDocument::NextSection() {
    errors_ = 0;
    if (current_ == &root_) return false;
    for (size_t i = size_t{current_->index} + 1; i < groups_.size(); ++i) {
        XMLItem* group = groups_[i].get();
        if (group->nameHash == current_->nameHash && group->name.Length() == current_->name.Length() &&
            kis::EqualsIgnoringAsciiCase(group->name.As<char16_t>(), current_->name.As<char16_t>(),
                                         group->name.Length())) {
            SetCurrent(group);
            return true;
        }
    }
    return false;
}

bool XMLDocument::Rewind() {
    errors_ = 0;
    if (current_ == &root_) return false;
    SetCurrent(&root_);
    return true;
}

// ---------------------------------------------------------------- entries

uint32_t XMLDocument::GetGroupCount() {
    errors_ = 0;
    return uint32_t(groups_.size());
}

uint32_t XMLDocument::GetEntryCount() {
    errors_ = 0;
    return uint32_t(current_->entries.size());
}

template <typename K> const XMLItem* XMLDocument::Find(const K* key, bool next) {
    kis::IdentScan scan;
    if (!kis::ScanIdent(key, kis::kUnboundedLength, kis::kUnboundedLength, true, 0, scan) || !scan.atEnd) {
        errors_ |= kis::kTdrMalformedName | kis::kTdrMissingEntry;
        return nullptr;
    }
    const K* name = key + scan.start;
    auto same = [&](const XMLItem* entry) {
        return entry->nameHash == scan.hash && entry->name.Length() == scan.length &&
               kis::EqualsIgnoringAsciiCase(entry->name.As<char16_t>(), name, scan.length);
    };
    uint32_t start = 0;
    if (next && lastMatch_ != nullptr && same(lastMatch_)) start = lastMatch_->index + 1;
    for (size_t i = start; i < current_->entries.size(); ++i) {
        const XMLItem* entry = current_->entries[i].get();
        if (same(entry)) {
            lastMatch_ = entry;
            return entry;
        }
    }
    errors_ |= kis::kTdrMissingEntry;
    return nullptr;
}

const XMLItem* XMLDocument::FindEntry(const char16_t* key, bool next) {
    errors_ = 0;
    return Find(key, next);
}

const XMLItem* XMLDocument::FindEntryA(const char* key, bool next) {
    errors_ = 0;
    return Find(key, next);
}

const XMLItem* XMLDocument::EntryAt(uint32_t i) {
    errors_ = 0;
    if (i >= current_->entries.size()) {
        errors_ |= kis::kTdrMissingEntry;
        return nullptr;
    }
    return current_->entries[i].get();
}

const char16_t* XMLDocument::GetKeyAt(uint32_t i, uint32_t* length) {
    const XMLItem* entry = EntryAt(i);
    if (length) *length = entry ? entry->name.Length() : 0;
    return entry ? entry->name.As<char16_t>() : nullptr;
}

const char16_t* XMLDocument::GetValueAt(uint32_t i, uint32_t* length) {
    const XMLItem* entry = EntryAt(i);
    if (length) *length = entry ? entry->text.Length() : 0;
    return entry ? entry->text.As<char16_t>() : nullptr;
}

const char16_t* XMLDocument::GetValue(const char16_t* key, uint32_t* length) {
    errors_ = 0;
    const XMLItem* entry = Find(key, false);
    if (length) *length = entry ? entry->text.Length() : 0;
    return entry ? entry->text.As<char16_t>() : nullptr;
}

template <typename Dst>
uint32_t XMLDocument::ReadString(const XMLItem* entry, Dst* buffer, uint32_t size, const Dst* def) {
    const uint32_t codePage = platform::ActiveCodePage();
    if (entry != nullptr) {
        uint32_t written = 0;
        int status = kis::ScanStringValue(entry->text.As<char16_t>(), buffer, size, codePage, written);
        errors_ |= static_cast<uint32_t>(status);
        if (status == kis::kStringRead || status == kis::kStringCut) return written;
    }
    uint32_t defLength = 0;
    if (def != nullptr)
        while (def[defLength] != 0)
            ++defLength;
    if (size == 0) return defLength;
    if (buffer == nullptr) {
        errors_ |= kis::kTdrBadArgument;
        return 0;
    }
    uint32_t written = 0;
    if (!kis::CopyText(buffer, size, def, defLength, codePage, &written)) errors_ |= kis::kTdrTextCut;
    return written;
}

uint32_t XMLDocument::GetString(const char16_t* key, char16_t* buffer, uint32_t size, const char16_t* def) {
    errors_ = 0;
    return ReadString(Find(key, false), buffer, size, def);
}

uint32_t XMLDocument::GetStringA(const char* key, char* buffer, uint32_t size, const char* def) {
    errors_ = 0;
    return ReadString(Find(key, false), buffer, size, def);
}
