#pragma once
// The spreadsheet reader: a spreadsheet saved as XML ("Row" elements holding
// "Cell" elements holding "Data" elements) read into a flat list of named
// groups of key/text entries. It is not a general XML parser: tags are found
// by their angle brackets, only those three element names count, the text of
// the first two cells of each row is kept, and everything else is skipped.
//
// Rows become items by these rules:
//   first cell "[name]"      opens the group `name` for the rows below it;
//   first cell an identifier an entry: key = that identifier, text = the
//                            decoded text of the second cell;
//   anything else            ignored.
// Rows above the first group row land in the root group.
//
// The query interface has the shape of the text-data document's: a cursor on
// one group, entries by index or by key, string reads through the value
// readers, and the same error bits (kTdr... in foundation/TextDataDocument.h).

#include "foundation/Buffer.h"
#include "foundation/TextDataDocument.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {
class File;
}

// One record type for groups and entries.
struct XMLItem {
    uint32_t index = 0; // position in the list that holds it
    kis::Buffer name;   // UTF-16 group name or key, case as written
    uint32_t nameHash = 0;
    kis::Buffer text;                              // an entry's decoded text (UTF-16)
    std::vector<std::unique_ptr<XMLItem>> entries; // a group's entries, owned
};

// The walker's state inside one row.
struct XMLRowState {
    enum : uint32_t {
        kInRow = 0x01,
        kInCell = 0x02,
        kInData = 0x04,
        kFirstCellTaken = 0x10,
        kSecondCellTaken = 0x20,
    };
    uint32_t flags = 0;
    XMLItem row;                    // name: first cell text, text: second cell text
    const char16_t* data = nullptr; // the current Data text
    uint32_t dataLength = 0;
};

class XMLDocument {
  public:
    // Loads the file; a file that cannot be read leaves an empty document.
    explicit XMLDocument(const char16_t* fileName);
    ~XMLDocument();
    XMLDocument(const XMLDocument&) = delete;
    XMLDocument& operator=(const XMLDocument&) = delete;

    // Reads a whole file: byte-order mark, decoding, rows.
    bool Load(platform::File& file);

    uint32_t GetErrors() const { return errors_; }
    uint32_t GetGroupCount();
    uint32_t GetEntryCount();
    const char16_t* GetKeyAt(uint32_t i, uint32_t* length);
    const char16_t* GetValueAt(uint32_t i, uint32_t* length);
    const char16_t* GetValue(const char16_t* key, uint32_t* length);
    uint32_t GetString(const char16_t* key, char16_t* buffer, uint32_t size, const char16_t* def);
    uint32_t GetStringA(const char* key, char* buffer, uint32_t size, const char* def);

    bool EnterSection(const char16_t* name);
    bool NextSection();
    bool Rewind();
    bool LeaveSection() { return Rewind(); }
    const XMLItem* GetCurrentGroup() const { return current_; }
    // Where a tag shorter than 3 characters ended the reading (the offset of
    // its '<' in the loaded text, after any byte-order mark), or -1.
    int64_t ShortTagStop() const { return shortTagStop_; }

    const XMLItem* FindGroup(const char16_t* name, uint32_t length, uint32_t hash) const;
    const XMLItem* FindEntry(const char16_t* key, bool next);
    const XMLItem* FindEntryA(const char* key, bool next);

  private:
    template <typename Ch> void Parse(const Ch* text, uint32_t length);
    XMLItem* AddRow(XMLRowState& state, XMLItem* receiver);
    template <typename K> const XMLItem* Find(const K* key, bool next);
    // Entry i of the current group; null (and the missing-entry bit) past the end.
    const XMLItem* EntryAt(uint32_t i);
    template <typename Dst>
    uint32_t ReadString(const XMLItem* entry, Dst* buffer, uint32_t size, const Dst* def);
    void SetCurrent(XMLItem* group);
    void Clear();

    uint32_t errors_ = 0;
    kis::Buffer text_;
    XMLItem root_;
    std::vector<std::unique_ptr<XMLItem>> groups_;
    XMLItem* current_ = &root_;
    const XMLItem* lastMatch_ = nullptr;
    int64_t shortTagStop_ = -1;
};

namespace kis {

// Decodes one entity at text (which starts at a '&'), bounded by length:
// the five predefined names or a decimal or hexadecimal character reference,
// each closed by a ';' inside the text. Writes its UTF-16 code units (two for
// a reference above 0xFFFF; none for a reference to 0) and returns the
// characters the entity takes, or 0 when no entity starts here.
uint32_t DecodeXmlEntity(const char16_t* text, uint32_t length, char16_t units[2], uint32_t* unitCount);

// Decodes Data text: entities, each line break (CR LF, CR, LF) as one space,
// code 0 dropped. Writes at most capacity - 1 characters (no terminator);
// with no destination only counts. Returns the characters of the result.
uint32_t DecodeXmlText(const char16_t* text, uint32_t length, char16_t* destination, uint32_t capacity);

} // namespace kis
