#pragma once
// The texts of one language: named groups of keyed entries, each entry one or
// more texts, and a fallback entry that stands in for anything missing. A
// language is read from a source file (text-data or spreadsheet, through
// DXLLngFile) or from a compiled language file, a data-file container that
// Compile writes:
//
//   ids in foundation/LanguageFileIds.h; every chunk sub-id 1
//   "params": String ident, String name, Entry fallback
//   group chunk | i, one per group: String name, u32 entry count, Entries
//   then the subclass's own chunks
//   String = u32 n, n UTF-16LE code units (no terminator)
//   Entry  = String key, u32 text count n, u32 total units of all texts, n Strings
//
// Group names and keys are identifiers, stored lower-cased; lookups ignore
// ASCII case. The class is abstract: a subclass chooses the source reader,
// imports a source and reads and writes its own chunks.

#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "foundation/LanguageFileIds.h"
#include "foundation/TextDataDocument.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

class DXLLngFile;
class DXLTexture;

// One text of an entry: its length in code units and the terminated text.
struct DXLLngText {
    uint32_t length;
    const char16_t* text;
};

// A key and its texts: `count` slots, each pointing into one array that
// holds the texts one after another, each terminated.
struct DXLLngEntry {
    kis::Ident key;
    uint32_t count = 0;
    std::vector<DXLLngText> slots;
    std::vector<char16_t> units;

    DXLLngEntry() = default;
    DXLLngEntry(const DXLLngEntry&) = delete; // the slots point into this entry's units
    DXLLngEntry& operator=(const DXLLngEntry&) = delete;

    DXLLngText* Slots() { return slots.data(); }
    const DXLLngText* Slots() const { return slots.data(); }
    // Where the texts are stored: room for the total length and one terminator per text.
    char16_t* Units() { return units.data(); }
    const char16_t* Text(uint32_t i) const { return i < count ? slots[i].text : nullptr; }
};

struct DXLLngGroup {
    kis::Ident name;
    // The entries the group may hold. It grows only through ReserveEntries:
    // an entry beyond it is refused.
    uint32_t capacity = 0;
    std::vector<std::unique_ptr<DXLLngEntry>> entries;
    const DXLLngEntry* fallback = nullptr; // the language's

    uint32_t Count() const { return uint32_t(entries.size()); }
};

// A named image of the language, owning its texture. Images come from the
// subclass and go away when the language unloads.
struct DXLLngImage {
    kis::Ident name;
    std::unique_ptr<DXLTexture> texture;

    DXLLngImage(const kis::Ident& n, DXLTexture* t);
    ~DXLLngImage();
};

// Entries are made and freed only through these. An entry is made with its
// slots empty and room for the texts; null when memory runs out.
DXLLngEntry* AllocateLngEntry(const kis::Ident& key, uint32_t count, uint32_t totalLength);
void FreeLngEntry(DXLLngEntry* entry);

// Records of a compiled language file, for the language and its subclasses.
// Every read is held against the bytes left in the open chunk.
namespace lngfile {
bool WriteU32(kis::BaseDataFile& file, uint32_t value);
bool ReadU32(kis::BaseDataFile& file, uint32_t& value);
bool WriteString(kis::BaseDataFile& file, const char16_t* text, uint32_t length);
// Reads a String of fewer than `size` units into a buffer of `size`, terminated.
bool ReadString(kis::BaseDataFile& file, char16_t* buffer, uint32_t size, uint32_t& length);
bool WriteEntry(kis::BaseDataFile& file, const DXLLngEntry& entry);
// A new entry, or null when it cannot be read or its key does not parse.
DXLLngEntry* ReadEntry(kis::BaseDataFile& file);
} // namespace lngfile

class DXLLanguage {
  public:
    static constexpr uint32_t kMaxPath = 260;

    // Step codes of Compile and SaveBinary; 0 is success.
    enum : int {
        kCompileOk = 0,
        kCompileCreateFailed = 1, // the output cannot be made, or it is the language's own file
        kCompileCloseFailed = 2,
        kSaveParamsChunk = 10,
        kSaveHeader = 11,
        kSaveFallback = 12,
        kSaveGroupChunk = 13,
        kSaveGroupHeader = 14,
        kSaveGroupEntry = 15,
    };
    // The name of a step code, for messages.
    static const char* StepName(int code);

    DXLLanguage();
    virtual ~DXLLanguage();
    DXLLanguage(const DXLLanguage&) = delete;
    DXLLanguage& operator=(const DXLLanguage&) = delete;

    // A new source reader for a path (the caller deletes it).
    virtual DXLLngFile* CreateLngFile(const char16_t* path) = 0;
    virtual void ClearHeader();
    // Fills the groups from an opened source whose top section is current.
    virtual void Import(DXLLngFile& source) = 0;
    // Reads the subclass's chunks of a compiled file after the groups.
    virtual void ReadCompiled(kis::DataFileReaderW& reader) = 0;
    // Frees what Load built; the header stays.
    virtual void Unload();
    // An extension point without arguments for the subclass; the game's
    // language has nothing to do there.
    virtual void Hook() = 0;
    // Writes the compiled chunks; a step code.
    virtual int SaveBinary(kis::DataFileWriterW& writer);
    // Loads the language and writes it as a compiled file; a step code.
    virtual int Compile(const char16_t* outputPath);

    // Sets the file (made absolute) and reads only its header: identifier,
    // name and fallback. True when the header was read.
    bool Open(const char16_t* path);
    // Counted: only the first load reads; each needs its Release.
    bool Load();
    void Release();

    const char16_t* GetText(const char16_t* groupName, const char16_t* key, bool useFallback) const;
    const char16_t* GetGroupText(const DXLLngGroup* group, const char16_t* key, bool useFallback) const;
    const char16_t* FindTextInGroup(const DXLLngGroup* group, const char16_t* key, bool useFallback) const;
    const char16_t* GetIndexedText(const char16_t* groupName, const char16_t* key, uint32_t index,
                                   bool useFallback) const;
    const char16_t* GetGroupIndexedText(const DXLLngGroup* group, const char16_t* key, uint32_t index,
                                        bool useFallback) const;
    const DXLLngGroup* FindGroup(const char16_t* name) const;
    DXLTexture* GetImage(const char16_t* name) const;

    DXLLngGroup* CreateGroup(const char16_t* name);
    bool ReserveEntries(DXLLngGroup* group, uint32_t n);
    DXLLngEntry* AddEntry(DXLLngGroup* group, const char16_t* key, const char16_t* valueText);
    // A free-standing entry from a key and a source value (quoted lists,
    // escapes, comments); null for a null value or a key that does not parse.
    static DXLLngEntry* ParseEntry(const char16_t* key, const char16_t* valueText);
    // Adds every section of that name in the source to a new group.
    bool ImportGroup(DXLLngFile& source, const char16_t* name);

    const char16_t* GetPath() const { return path_; }
    const kis::Ident& GetIdent() const { return ident_; }
    const char16_t* GetName() const { return name_; }
    uint32_t GetLoadCount() const { return loadCount_; }
    uint32_t GetGroupCount() const { return uint32_t(groups_.size()); }
    const DXLLngGroup* GetGroup(uint32_t i) const { return i < groups_.size() ? groups_[i].get() : nullptr; }
    const DXLLngEntry* GetFallback() const { return fallback_.get(); }
    // The compiled file a load keeps open for images read later, or null.
    kis::DataFileReaderW* GetCompiledFile() const { return compiled_.get(); }
    // What the last load of a compiled file found present but failing its
    // checks (a text group, a text, an image, a font...), one line each;
    // empty when everything in the file read whole. A chunk that is simply
    // absent is not damage. The load goes on past damage either way: the
    // caller decides whether a damaged language may be used.
    const std::vector<std::string>& GetDamage() const { return damage_; }

  protected:
    // Appends an image item that takes the texture (deleted here on failure).
    DXLLngImage* AddImage(const char16_t* name, DXLTexture* texture);
    // Records what failed its checks while loading.
    void NoteDamage(std::string what) { damage_.push_back(std::move(what)); }

    std::vector<std::unique_ptr<DXLLngImage>> images_;

  private:
    bool ReadCompiledHeader();
    bool ReadSourceHeader(DXLLngFile& source);
    void ReadGroups(kis::DataFileReaderW& reader);
    void SetFallback(DXLLngEntry* entry);
    // Logs, once a group and key, that the fallback stood in for a text.
    void ReportMissing(const char16_t* groupName, const char16_t* key) const;

    char16_t path_[kMaxPath] = {};
    kis::Ident ident_;
    char16_t name_[32] = {};
    uint32_t loadCount_ = 0;
    std::vector<std::unique_ptr<DXLLngGroup>> groups_;
    kis::DataFileReaderPtr compiled_;
    std::unique_ptr<DXLLngEntry> fallback_;
    // "group/key" of the texts reported missing.
    mutable std::set<std::u16string> missing_;
    std::vector<std::string> damage_;
};

// True when the path's extension is "dat" in any case: a compiled file.
bool IsCompiledLanguagePath(const char16_t* path);
// The path made absolute (relative paths start at the current folder) into
// `kMaxPath` characters; false when it does not fit.
bool MakeAbsoluteLanguagePath(const char16_t* path, char16_t* buffer);
