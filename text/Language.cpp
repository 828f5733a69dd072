// Sections:
//   entries
//   compiled records
//   paths
//   life
//   groups and entries
//   lookups
//   compiling

#include "text/Language.h"

#include "engine/Log.h"
#include "engine/Texture.h"
#include "foundation/ByteOrder.h"
#include "foundation/Paths.h"
#include "foundation/StrFunctions.h"
#include "platform/Files.h"
#include "platform/Utf.h"
#include "text/GameLanguage.h"
#include "text/LanguageSource.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// A String's count word; an Entry's key count, text count and total.
constexpr uint32_t kMinStringBytes = 4;
constexpr uint32_t kMinEntryBytes = 12;

bool ParseIdent(const char16_t* text, kis::Ident& ident) {
    ident = {};
    return text != nullptr && ident.Parse(text, kis::Ident::kTerminated, false);
}

const char16_t* FirstText(const DXLLngEntry* entry) {
    return entry != nullptr ? entry->Text(0) : nullptr;
}

// The texts of a source value. A value starting with '"' is first scanned as
// a list of quoted texts; when that scan fails the whole value is one text.
// Escapes: \n line feed, \r carriage return, any other character itself; a
// backslash that ends the value stays a backslash.
class ValueParser {
  public:
    explicit ValueParser(const char16_t* value)
        : v_(value), n_(uint32_t(std::char_traits<char16_t>::length(value))) {}

    std::vector<std::u16string> Texts() {
        std::vector<std::u16string> texts;
        if (n_ != 0 && v_[0] == '"' && ScanQuoted(texts)) return texts;
        texts.assign(1, std::u16string());
        for (uint32_t p = 0; p < n_;)
            texts[0] += Unescape(p);
        return texts;
    }

  private:
    char16_t Unescape(uint32_t& p) {
        char16_t c = v_[p++];
        if (c != '\\' || p >= n_) return c;
        c = v_[p++];
        return c == 'n' ? char16_t(10) : c == 'r' ? char16_t(13) : c;
    }

    bool ScanQuoted(std::vector<std::u16string>& texts) {
        uint32_t p = 0;
        auto skipBlanks = [&] {
            while (p < n_ && (v_[p] == ' ' || v_[p] == '\t'))
                ++p;
        };
        for (;;) {
            ++p; // the opening quote
            std::u16string text;
            for (;;) {
                if (p >= n_) return false;
                if (v_[p] == '"') break;
                if (v_[p] == '\\' && p + 1 >= n_) return false; // a backslash in place of the closing quote
                text += Unescape(p);
            }
            ++p;
            texts.push_back(std::move(text));
            skipBlanks();
            if (p >= n_) return true;
            if (v_[p] == '/' && p + 1 < n_ && v_[p + 1] == '/') return true;
            if (v_[p] != ',') return false;
            ++p;
            skipBlanks();
            if (p >= n_ || v_[p] != '"') return false;
        }
    }

    const char16_t* v_;
    uint32_t n_;
};

DXLLngEntry* MakeEntry(const kis::Ident& key, const std::vector<std::u16string>& texts) {
    uint64_t total = 0;
    for (const auto& t : texts)
        total += t.size();
    if (total > UINT32_MAX / 4 || texts.size() > UINT32_MAX / 32) return nullptr;
    DXLLngEntry* entry = AllocateLngEntry(key, uint32_t(texts.size()), uint32_t(total));
    if (entry == nullptr) return nullptr;
    char16_t* area = entry->Units();
    for (uint32_t i = 0; i < entry->count; ++i) {
        const std::u16string& t = texts[i];
        std::memcpy(area, t.data(), t.size() * 2);
        area[t.size()] = 0;
        entry->Slots()[i] = {uint32_t(t.size()), area};
        area += t.size() + 1;
    }
    return entry;
}

DXLLngEntry* DefaultFallback() {
    kis::Ident key;
    ParseIdent(u"NF", key);
    return MakeEntry(key, {u"?NF?"});
}

std::unique_ptr<DXLLngEntry>* FindSlot(DXLLngGroup* group, const kis::Ident& key) {
    for (auto& entry : group->entries)
        if (entry->key.Equals(key)) return &entry;
    return nullptr;
}

std::string ResolvedPath(const char16_t* path) {
    return platform::NativePath(platform::GamePath(path));
}

} // namespace

// ---------------------------------------------------------------- entries

DXLLngEntry* AllocateLngEntry(const kis::Ident& key, uint32_t count, uint32_t totalLength) {
    try {
        auto entry = std::make_unique<DXLLngEntry>();
        entry->key = key;
        entry->count = count;
        entry->slots.assign(count, DXLLngText{0, nullptr});
        entry->units.resize(size_t{totalLength} + count);
        return entry.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void FreeLngEntry(DXLLngEntry* entry) {
    delete entry;
}

DXLLngImage::DXLLngImage(const kis::Ident& n, DXLTexture* t) : name(n), texture(t) {}
DXLLngImage::~DXLLngImage() = default;

// ---------------------------------------------------------------- compiled records

namespace lngfile {

bool WriteU32(kis::BaseDataFile& file, uint32_t value) {
    uint8_t bytes[4];
    kis::StoreLE32(bytes, value);
    return file.Write(bytes, 4);
}

bool ReadU32(kis::BaseDataFile& file, uint32_t& value) {
    uint8_t bytes[4];
    if (file.ChunkBytesLeft() < 4 || !file.Read(bytes, 4)) return false;
    value = kis::LoadLE32(bytes);
    return true;
}

namespace {
void AppendString(std::vector<uint8_t>& out, const char16_t* text, uint32_t length) {
    size_t at = out.size();
    out.resize(at + 4 + size_t{length} * 2);
    kis::StoreLE32(&out[at], length);
    for (uint32_t i = 0; i < length; ++i)
        kis::StoreLE16(&out[at + 4 + 2 * i], text[i]);
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
    size_t at = out.size();
    out.resize(at + 4);
    kis::StoreLE32(&out[at], value);
}

bool WriteBytes(kis::BaseDataFile& file, const std::vector<uint8_t>& bytes) {
    return bytes.size() < 0x80000000u && file.Write(bytes.data(), uint32_t(bytes.size()));
}

bool ReadUnits(kis::BaseDataFile& file, char16_t* buffer, uint32_t length) {
    if (uint64_t{length} * 2 > file.ChunkBytesLeft()) return false;
    std::vector<uint8_t> bytes(size_t{length} * 2);
    if (!file.Read(bytes.data(), length * 2)) return false;
    for (uint32_t i = 0; i < length; ++i)
        buffer[i] = static_cast<char16_t>(kis::LoadLE16(&bytes[2 * i]));
    buffer[length] = 0;
    return true;
}
} // namespace

bool WriteString(kis::BaseDataFile& file, const char16_t* text, uint32_t length) {
    std::vector<uint8_t> bytes;
    AppendString(bytes, text, length);
    return WriteBytes(file, bytes);
}

bool ReadString(kis::BaseDataFile& file, char16_t* buffer, uint32_t size, uint32_t& length) {
    length = 0;
    uint32_t n = 0;
    if (size == 0 || !ReadU32(file, n) || n >= size || !ReadUnits(file, buffer, n)) return false;
    length = n;
    return true;
}

bool WriteEntry(kis::BaseDataFile& file, const DXLLngEntry& entry) {
    std::vector<uint8_t> bytes;
    AppendString(bytes, entry.key.name, entry.key.length);
    AppendU32(bytes, entry.count);
    uint64_t total = 0;
    for (uint32_t i = 0; i < entry.count; ++i)
        total += entry.Slots()[i].length;
    if (total > UINT32_MAX) return false;
    AppendU32(bytes, uint32_t(total));
    for (uint32_t i = 0; i < entry.count; ++i)
        AppendString(bytes, entry.Slots()[i].text, entry.Slots()[i].length);
    return WriteBytes(file, bytes);
}

DXLLngEntry* ReadEntry(kis::BaseDataFile& file) {
    char16_t keyText[32];
    uint32_t keyLength = 0, count = 0, total = 0;
    kis::Ident key;
    if (!ReadString(file, keyText, 32, keyLength) || !ParseIdent(keyText, key) || !ReadU32(file, count) ||
        !ReadU32(file, total))
        return nullptr;
    // Each text takes at least its count word, and every unit two bytes.
    uint32_t left = file.ChunkBytesLeft();
    if (count > left / kMinStringBytes || total > (left - count * kMinStringBytes) / 2) return nullptr;
    DXLLngEntry* entry = AllocateLngEntry(key, count, total);
    if (entry == nullptr) return nullptr;
    char16_t* area = entry->Units();
    uint32_t remaining = total;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t n = 0;
        if (!ReadU32(file, n) || n > remaining || !ReadUnits(file, area, n)) {
            FreeLngEntry(entry);
            return nullptr;
        }
        entry->Slots()[i] = {n, area};
        area += n + 1;
        remaining -= n;
    }
    return entry;
}

} // namespace lngfile

// ---------------------------------------------------------------- paths

bool IsCompiledLanguagePath(const char16_t* path) {
    return kis::HasFileExt(path, u"dat");
}

bool MakeAbsoluteLanguagePath(const char16_t* path, char16_t* buffer) {
    buffer[0] = 0;
    if (path == nullptr || path[0] == 0) return false;
    std::u16string relative(path);
    for (char16_t& c : relative)
        if (c == '/') c = '\\';
    std::u16string base;
    if (relative[0] == '\\') {
        base = u"\\";
    } else {
        base = platform::CurrentFolder();
        if (base.empty() || base.back() != '\\') base += u'\\';
    }
    return kis::CombinePath(buffer, DXLLanguage::kMaxPath, base.c_str(), relative.c_str(), false) &&
           buffer[0] != 0;
}

// ---------------------------------------------------------------- life

DXLLanguage::DXLLanguage() = default;

DXLLanguage::~DXLLanguage() {
    while (loadCount_ != 0)
        Release();
}

void DXLLanguage::ClearHeader() {
    ident_ = {};
    std::memset(name_, 0, sizeof(name_));
}

void DXLLanguage::SetFallback(DXLLngEntry* entry) {
    fallback_.reset(entry);
    for (auto& group : groups_)
        group->fallback = fallback_.get();
}

bool DXLLanguage::Open(const char16_t* path) {
    bool header = false;
    if (MakeAbsoluteLanguagePath(path, path_)) {
        if (IsCompiledLanguagePath(path_)) {
            header = ReadCompiledHeader();
        } else {
            std::unique_ptr<DXLLngFile> source(CreateLngFile(path_));
            header = source != nullptr && source->IsOpened() && ReadSourceHeader(*source);
        }
    }
    if (!header) ClearHeader();
    const char16_t* first = FirstText(fallback_.get());
    if (first == nullptr || first[0] == 0) SetFallback(DefaultFallback());
    return header;
}

bool DXLLanguage::ReadCompiledHeader() {
    kis::DataFileReaderPtr reader(kis::OpenDataFileForRead(
        path_, kLanguageFileTypeId, kLanguageFileTypeVersion, kLanguageFileDataVersion));
    if (reader == nullptr || !reader->HasChunk(kLanguageParamsChunk, kLanguageChunkSubId) ||
        !reader->OpenChunk(kLanguageParamsChunk, kLanguageChunkSubId))
        return false;
    char16_t identText[32];
    char16_t name[32];
    uint32_t identLength = 0, nameLength = 0;
    kis::Ident ident;
    if (!lngfile::ReadString(*reader, identText, 32, identLength) ||
        (identLength != 0 && !ParseIdent(identText, ident)) ||
        !lngfile::ReadString(*reader, name, 32, nameLength))
        return false;
    DXLLngEntry* fallback = lngfile::ReadEntry(*reader);
    if (fallback == nullptr) return false;
    ident_ = ident;
    std::memcpy(name_, name, sizeof(name_));
    SetFallback(fallback);
    return true;
}

bool DXLLanguage::ReadSourceHeader(DXLLngFile& source) {
    char16_t identText[32] = {};
    char16_t name[32] = {};
    kis::Ident ident;
    source.GetString(u"Ident", identText, 32);
    if ((source.GetError() & (kis::kTdrMissingEntry | kis::kTdrTextCut)) != 0 ||
        !ParseIdent(identText, ident))
        return false;
    source.GetString(u"Name", name, 32);
    if ((source.GetError() & (kis::kTdrMissingEntry | kis::kTdrTextCut)) != 0) return false;
    ident_ = ident;
    std::memcpy(name_, name, sizeof(name_));
    SetFallback(ParseEntry(u"NF", source.GetValue(u"NF", nullptr)));
    return true;
}

bool DXLLanguage::Load() {
    if (++loadCount_ != 1) return true;
    damage_.clear();
    if (path_[0] == 0) return false;
    if (IsCompiledLanguagePath(path_)) {
        compiled_.reset(kis::OpenDataFileForRead(path_, kLanguageFileTypeId, kLanguageFileTypeVersion,
                                                 kLanguageFileDataVersion));
        if (compiled_ == nullptr || !compiled_->IsGood()) return false;
        ReadGroups(*compiled_);
        ReadCompiled(*compiled_);
        return true;
    }
    std::unique_ptr<DXLLngFile> source(CreateLngFile(path_));
    if (source == nullptr || !source->IsOpened()) return false;
    Import(*source);
    return true;
}

// Group chunks follow one another by index until one is missing or its header
// cannot be read; an unreadable entry ends only its own group.
void DXLLanguage::ReadGroups(kis::DataFileReaderW& reader) {
    for (uint32_t i = 0; i < ~kLanguageGroupChunk && reader.IsGood(); ++i) {
        const uint32_t id = kLanguageGroupChunk | i;
        if (!reader.HasChunk(id, kLanguageChunkSubId) || !reader.OpenChunk(id, kLanguageChunkSubId)) return;
        char16_t name[32];
        uint32_t nameLength = 0, count = 0;
        if (!lngfile::ReadString(reader, name, 32, nameLength) || !lngfile::ReadU32(reader, count) ||
            count > reader.ChunkBytesLeft() / kMinEntryBytes) {
            NoteDamage("the header of text group " + std::to_string(i));
            reader.CloseChunk();
            return;
        }
        const std::string label = "text group \"" + platform::Utf16ToUtf8(name) + "\"";
        DXLLngGroup* group = CreateGroup(name);
        if (group == nullptr || !ReserveEntries(group, count)) {
            NoteDamage(label);
        } else {
            for (uint32_t k = 0; k < count; ++k) {
                DXLLngEntry* entry = lngfile::ReadEntry(reader);
                if (entry == nullptr) {
                    NoteDamage("text " + std::to_string(k + 1) + " of " + std::to_string(count) + " in " +
                               label);
                    break;
                }
                group->entries.emplace_back(entry);
            }
        }
        reader.CloseChunk();
    }
}

void DXLLanguage::Release() {
    if (loadCount_ == 0) return;
    if (--loadCount_ == 0) Unload();
}

void DXLLanguage::Unload() {
    groups_.clear();
    images_.clear();
    compiled_.reset();
}

// ---------------------------------------------------------------- groups and entries

DXLLngGroup* DXLLanguage::CreateGroup(const char16_t* name) {
    kis::Ident ident;
    if (!ParseIdent(name, ident)) return nullptr;
    try {
        auto group = std::make_unique<DXLLngGroup>();
        group->name = ident;
        group->fallback = fallback_.get();
        return groups_.emplace_back(std::move(group)).get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool DXLLanguage::ReserveEntries(DXLLngGroup* group, uint32_t n) {
    if (group == nullptr || n > UINT32_MAX - group->capacity) return false;
    if (n == 0) return true;
    try {
        group->entries.reserve(size_t{group->capacity} + n);
    } catch (const std::exception&) { // bad_alloc, or length_error beyond the vector's reach
        return false;
    }
    group->capacity += n;
    return true;
}

DXLLngEntry* DXLLanguage::ParseEntry(const char16_t* key, const char16_t* valueText) {
    kis::Ident ident;
    if (valueText == nullptr || !ParseIdent(key, ident)) return nullptr;
    return MakeEntry(ident, ValueParser(valueText).Texts());
}

DXLLngEntry* DXLLanguage::AddEntry(DXLLngGroup* group, const char16_t* key, const char16_t* valueText) {
    kis::Ident ident;
    if (group == nullptr || !ParseIdent(key, ident)) return nullptr;
    std::unique_ptr<DXLLngEntry>* slot = FindSlot(group, ident);
    if (slot == nullptr && group->Count() == group->capacity) return nullptr;
    DXLLngEntry* entry = ParseEntry(key, valueText);
    if (entry == nullptr) return nullptr;
    if (slot != nullptr)
        slot->reset(entry);
    else
        group->entries.emplace_back(entry); // within the reserved capacity: never reallocates
    return entry;
}

bool DXLLanguage::ImportGroup(DXLLngFile& source, const char16_t* name) {
    DXLLngGroup* group = CreateGroup(name);
    if (group == nullptr) return false;
    // Only a section that was entered is left: leaving from the top would
    // step out of the source's top section and lose every later group.
    if (!source.EnterSection(name)) return true;
    do {
        uint32_t n = source.GetEntryCount();
        ReserveEntries(group, n);
        for (uint32_t i = 0; i < n; ++i)
            AddEntry(group, source.GetKeyAt(i, nullptr), source.GetValueAt(i, nullptr));
    } while (source.NextSection());
    source.LeaveSection();
    return true;
}

DXLLngImage* DXLLanguage::AddImage(const char16_t* name, DXLTexture* texture) {
    kis::Ident ident;
    std::unique_ptr<DXLTexture> owned(texture);
    if (!ParseIdent(name, ident)) return nullptr;
    return images_.emplace_back(std::make_unique<DXLLngImage>(ident, owned.release())).get();
}

// ---------------------------------------------------------------- lookups

const DXLLngGroup* DXLLanguage::FindGroup(const char16_t* name) const {
    kis::Ident ident;
    if (!ParseIdent(name, ident)) return nullptr;
    for (const auto& group : groups_)
        if (group->name.Equals(ident)) return group.get();
    return nullptr;
}

DXLTexture* DXLLanguage::GetImage(const char16_t* name) const {
    kis::Ident ident;
    if (!ParseIdent(name, ident)) return nullptr;
    for (const auto& image : images_)
        if (image->name.Equals(ident)) return image->texture.get();
    return nullptr;
}

const char16_t* DXLLanguage::GetText(const char16_t* groupName, const char16_t* key, bool useFallback) const {
    const DXLLngGroup* group = FindGroup(groupName);
    if (group == nullptr && useFallback) ReportMissing(groupName, key);
    return GetGroupText(group, key, useFallback);
}

const char16_t* DXLLanguage::GetGroupText(const DXLLngGroup* group, const char16_t* key,
                                          bool useFallback) const {
    if (group == nullptr) return useFallback ? FirstText(fallback_.get()) : nullptr;
    return FindTextInGroup(group, key, useFallback);
}

const char16_t* DXLLanguage::FindTextInGroup(const DXLLngGroup* group, const char16_t* key,
                                             bool useFallback) const {
    return GetGroupIndexedText(group, key, 0, useFallback);
}

const char16_t* DXLLanguage::GetIndexedText(const char16_t* groupName, const char16_t* key, uint32_t index,
                                            bool useFallback) const {
    const DXLLngGroup* group = FindGroup(groupName);
    if (group == nullptr && useFallback) ReportMissing(groupName, key);
    return GetGroupIndexedText(group, key, index, useFallback);
}

const char16_t* DXLLanguage::GetGroupIndexedText(const DXLLngGroup* group, const char16_t* key,
                                                 uint32_t index, bool useFallback) const {
    if (group == nullptr) return useFallback ? FirstText(fallback_.get()) : nullptr;
    kis::Ident ident;
    if (!ParseIdent(key, ident)) return nullptr;
    for (const auto& entry : group->entries) {
        if (entry->key.Equals(ident)) {
            if (index < entry->count) return entry->Text(index);
            break;
        }
    }
    if (!useFallback) return nullptr;
    ReportMissing(std::u16string(group->name.name, group->name.length).c_str(), key);
    return FirstText(group->fallback);
}

void DXLLanguage::ReportMissing(const char16_t* groupName, const char16_t* key) const {
    std::u16string name = groupName ? groupName : u"";
    name += u'/';
    name += key ? key : u"";
    if (!missing_.insert(name).second) return;
    LogLabelValueW(kLogIndent, u"Text missing", name.c_str());
}

// ---------------------------------------------------------------- compiling

int DXLLanguage::SaveBinary(kis::DataFileWriterW& writer) {
    if (!writer.BeginChunk(kLanguageParamsChunk, kLanguageChunkSubId)) return kSaveParamsChunk;
    if (!lngfile::WriteString(writer, ident_.name, ident_.length) ||
        !lngfile::WriteString(writer, name_, uint32_t(kis::StrLen(name_))))
        return kSaveHeader;
    if (fallback_ == nullptr || !lngfile::WriteEntry(writer, *fallback_) || !writer.EndChunk())
        return kSaveFallback;
    for (uint32_t i = 0; i < groups_.size(); ++i) {
        const DXLLngGroup* group = groups_[i].get();
        if (!writer.BeginChunk(kLanguageGroupChunk | i, kLanguageChunkSubId)) return kSaveGroupChunk;
        if (!lngfile::WriteString(writer, group->name.name, group->name.length) ||
            !lngfile::WriteU32(writer, group->Count()))
            return kSaveGroupHeader;
        for (const auto& entry : group->entries)
            if (!lngfile::WriteEntry(writer, *entry)) return kSaveGroupEntry;
        if (!writer.EndChunk()) return kSaveGroupEntry;
    }
    return kCompileOk;
}

int DXLLanguage::Compile(const char16_t* outputPath) {
    // Writing over the language's own file would destroy the source being
    // read, and a compiled language reads its images from its file later.
    char16_t output[kMaxPath];
    if (!MakeAbsoluteLanguagePath(outputPath, output) ||
        (path_[0] != 0 && ResolvedPath(output) == ResolvedPath(path_)))
        return kCompileCreateFailed;
    kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(
        output, kLanguageFileTypeId, kLanguageFileTypeVersion, kLanguageFileDataVersion, true);
    if (writer == nullptr) return kCompileCreateFailed;
    Load();
    int code = SaveBinary(*writer);
    if (code != kCompileOk) {
        writer->Fail();
        kis::CloseDataFile(writer);
    } else if (!kis::CloseDataFile(writer)) {
        code = kCompileCloseFailed;
    }
    Release();
    return code;
}

const char* DXLLanguage::StepName(int code) {
    switch (code) {
    case kCompileOk:
        return "everything written";
    case kCompileCreateFailed:
        return "creating the compiled file";
    case kCompileCloseFailed:
        return "closing the compiled file";
    case kSaveParamsChunk:
        return "beginning the chunk \"params\"";
    case kSaveHeader:
        return "writing the language identifier or the language name";
    case kSaveFallback:
        return "writing the fallback entry";
    case kSaveGroupChunk:
        return "beginning a group chunk";
    case kSaveGroupHeader:
        return "writing a group's name or entry count";
    case kSaveGroupEntry:
        return "writing an entry of a group";
    default: {
        const char* name = GameLanguage::StepName(code);
        return name != nullptr ? name : "unknown step";
    }
    }
}
