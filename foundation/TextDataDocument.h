#pragma once
// The text-data document: one small text file of keys, values and nested
// sections, read whole into memory, parsed once, and queried through a cursor
// that stands on one section at a time. Values stay raw text until a typed
// getter reads them with the value readers and field formats of
// foundation/FieldFormat.h.
//
// File format: an optional byte-order mark (UTF-8, UTF-16 LE or BE; none means
// 8-bit text in the document's code page), an optional first line
// `<charset="windows-1251">` naming the code page of 8-bit text, then lines:
//   // comment
//   key = value
//   name {        (opens a child section; "name { }" makes an empty one)
//   }             (closes the current section)
// Keys and section names are identifiers (letters, digits, '_') compared
// ignoring ASCII case. Every public call clears the error bits first and then
// sets those of what went wrong (GetErrors).

#include "foundation/Buffer.h"
#include "foundation/FieldFormat.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
class File;
}

namespace kis {

// Error bits of the last call.
enum : uint32_t {
    kTdrInvalidValue = 0x001,   // a value is not valid for the type, or other text follows it
    kTdrBadArgument = 0x002,    // null buffer with a size, malformed field format, record too small
    kTdrTextCut = 0x004,        // a text was cut to the buffer's size
    kTdrMalformedName = 0x100,  // a key or section name is not one identifier
    kTdrMissingSection = 0x200, // a section of the path does not exist
    kTdrMissingEntry = 0x400,   // no (further) entry with the key, or an index out of range
};

// Size limits of a loaded file.
constexpr uint32_t kTdrMaxFileBytes = 8388608;
constexpr uint32_t kTdrMaxNarrowBytes = 4194304;    // 8-bit file without a mark
constexpr uint32_t kTdrMaxUtf8Characters = 4194304; // UTF-16 characters of a UTF-8 file
constexpr uint32_t kTdrMaxFileName = 259;

// The encoding a text file names by its byte-order mark; no mark means 8-bit text.
enum class TextFileEncoding { Narrow, Utf8, Utf16LE, Utf16BE };
// Reads the byte-order mark at the start of a file of `size` bytes and leaves the
// file just past it, the mark's length in `mark`. False when the file cannot be
// read or sought, or is marked as UTF-32.
bool ReadByteOrderMark(platform::File& file, uint32_t size, TextFileEncoding& encoding, uint32_t& mark);
// Puts `count` UTF-16 characters together from their bytes in the order of `encoding`.
void DecodeUtf16Bytes(const char* bytes, uint32_t count, TextFileEncoding encoding, char16_t* text);

template <typename Ch> struct TDREntry {
    uint32_t index;       // position in its section
    uint32_t keyLength;   // characters
    uint32_t keyHash;     // identifier hash
    uint32_t valueOffset; // characters from the key's first character to the value's
    uint32_t valueLength; // characters
    Ch* key;              // into the document text, terminated in place (so is the value)

    const Ch* Value() const { return key + valueOffset; }
};

template <typename Ch> struct TDRSection {
    TDRSection* parent = nullptr; // null for the root
    uint32_t index = 0;           // position in the parent's child list
    uint32_t closed = 0;
    uint32_t nameLength = 0;
    uint32_t nameHash = 0;
    const Ch* name = nullptr;                          // into the document text, not terminated
    std::vector<std::unique_ptr<TDRSection>> children; // owned
    std::vector<TDREntry<Ch>> entries;
};

// The document over text of one character width: char16_t (the form Load
// builds and the game uses) or 8-bit char (same grammar over bytes).
template <typename Ch> class TDRDocumentT {
  public:
    using Section = TDRSection<Ch>;
    using Entry = TDREntry<Ch>;

    TDRDocumentT();
    ~TDRDocumentT();
    TDRDocumentT(const TDRDocumentT&) = delete;
    TDRDocumentT& operator=(const TDRDocumentT&) = delete;

    // Creates a UTF-16 document, names it and opens it; on failure `document`
    // is null and the result false. The caller deletes the document.
    static bool Load(const char16_t* fileName, TDRDocumentT*& document);

    bool SetFileName(const Ch* name); // 1 to 259 characters
    bool Open();                      // clears, then loads the named file
    bool LoadFromHandle(platform::File& file);
    // Copies the name as UTF-16 into a buffer of `size` characters; returns
    // the name's length. Size 0 only measures.
    uint32_t GetFileName(char16_t* buffer, uint32_t size);
    void Clear();
    uint32_t GetErrors() const { return errors_; }
    uint32_t GetCodePage() const { return codePage_; }

    // Cursor; each returns false without moving when it cannot move.
    bool EnterSection(const char16_t* path, bool relative); // names joined by '\'
    bool LeaveSection();
    bool NextSection(); // the next sibling of the same name
    bool Rewind();
    const Section* GetCurrentSection() const { return current_; }
    const Section* FindSectionPath(const char16_t* path, bool relative);

    // Entries of the current section.
    uint32_t GetEntryCount();
    const Ch* GetKeyAt(uint32_t i, uint32_t* length);
    const Ch* GetValueAt(uint32_t i, uint32_t* length);
    const Ch* GetValue(const char16_t* key, uint32_t* length);
    bool HasKey(const char16_t* key);

    // Typed getters. The Ex forms take `first`: cleared, the search continues
    // after the last matched entry when it has the same key.
    uint32_t GetString(const char16_t* key, char16_t* buffer, uint32_t size, const char16_t* def);
    uint32_t GetStringEx(const char16_t* key, bool first, char16_t* buffer, uint32_t size,
                         const char16_t* def);
    uint32_t GetStringA(const char* key, char* buffer, uint32_t size, const char* def);
    int32_t GetInt(const char16_t* key, int32_t def);
    uint32_t GetUInt(const char16_t* key, uint32_t def); // hexadecimal
    char16_t GetChar(const char16_t* key, char16_t def);

    // Record reads by field format: the number of records read, or 0 with the
    // scanner's status OR-ed into the error bits.
    int32_t CountRecords(const char16_t* key, const char16_t* format);
    int32_t CountRecordsEx(const char16_t* key, bool first, const char16_t* format);
    template <typename... P>
    int32_t ReadValues(const char16_t* key, const char16_t* format, int32_t count, P*... pointers) {
        void* list[] = {static_cast<void*>(pointers)...};
        return ReadPointers(FindForRead(key, false), format, count, list, sizeof...(P));
    }
    template <typename... P>
    int32_t ReadValuesAt(uint32_t index, const char16_t* format, int32_t count, P*... pointers) {
        void* list[] = {static_cast<void*>(pointers)...};
        return ReadPointers(EntryAtForRead(index), format, count, list, sizeof...(P));
    }
    int32_t ReadRecords(const char16_t* key, const char16_t* format, int32_t count, void* dest,
                        uint32_t recordSize);
    int32_t ReadRecordsEx(const char16_t* key, bool first, const char16_t* format, int32_t count, void* dest,
                          uint32_t recordSize);

    // The first entry of the key (continuing after the last match when asked);
    // sets 0x500 for a malformed key and 0x400 when there is none.
    const Entry* FindEntry(const char16_t* key, bool next);
    const Entry* FindEntryA(const char* key, bool next);

  private:
    template <typename K> const Entry* Find(const K* key, bool next);
    template <typename Dst>
    uint32_t ReadStringValue(const Entry* entry, Dst* buffer, uint32_t size, const Dst* def);
    const Entry* FindForRead(const char16_t* key, bool next);
    const Entry* EntryAtForRead(uint32_t index);
    int32_t ReadPointers(const Entry* entry, const char16_t* format, int32_t count, void** list, uint32_t n);
    int32_t Scan(const Entry* entry, const char16_t* format, int32_t count, void* dest, uint32_t size,
                 int mode);
    template <typename Src> void ReadCharsetHeader(const Src* text, uint32_t length);
    bool Parse();
    bool ParseLines();
    void SetCurrent(Section* section);

    Buffer fileName_;
    Buffer text_;
    Section root_;
    uint32_t codePage_ = 0;
    uint32_t errors_ = 0;
    Section* current_;
    const Entry* lastMatch_ = nullptr;
};

using TDRDocument = TDRDocumentT<char16_t>;
using TDRDocumentA = TDRDocumentT<char>;

} // namespace kis
