#pragma once
// Language source files as the language reads them: a cursor over named
// sections of key/value entries. Translators write a language either as a
// text-data document (everything inside a top-level section "Language") or as
// a spreadsheet saved as XML (header keys in the rows above the first
// "[section]" row). Every operation of a reader that is not opened returns 0,
// null or false, with an out-length of 0, and leaves its document alone.

#include "foundation/TextDataDocument.h"

#include <cstdint>
#include <memory>

class XMLDocument;

class DXLLngFile {
  public:
    virtual ~DXLLngFile() = default;
    DXLLngFile(const DXLLngFile&) = delete;
    DXLLngFile& operator=(const DXLLngFile&) = delete;

    virtual bool EnterSection(const char16_t* name) = 0;
    // The next section with the current section's name.
    virtual bool NextSection() = 0;
    // Back to the top section: the one that holds the header keys.
    virtual bool Rewind() = 0;
    // Back to the section that holds the current one.
    virtual bool LeaveSection() = 0;
    virtual uint32_t GetEntryCount() = 0;
    virtual const char16_t* GetValue(const char16_t* key, uint32_t* length) = 0;
    virtual const char16_t* GetKeyAt(uint32_t i, uint32_t* length) = 0;
    virtual const char16_t* GetValueAt(uint32_t i, uint32_t* length) = 0;
    // Copies the raw value of entry i into a buffer of `size` characters;
    // returns the characters copied.
    virtual uint32_t ReadValueAt(uint32_t i, char16_t* buffer, uint32_t size) = 0;
    // Reads the string value of a key (quoted with escapes, or the whole
    // value); without a buffer it only measures. Missing keys read as "".
    virtual uint32_t GetString(const char16_t* key, char16_t* buffer, uint32_t size) = 0;
    // The document's error bits of the last operation (kTdrTextCut: the last
    // string was cut to its buffer).
    virtual uint32_t GetError() = 0;
    // An extension point of two arguments; the readers do nothing there.
    virtual void Hook(uint32_t, uint32_t) {}

    bool IsOpened() const { return opened_; }

  protected:
    DXLLngFile() = default;
    bool opened_ = false;
};

// What both readers share: every call forwards to the document once the reader
// is opened. Each reader opens its document and enters and rewinds in its own way.
template <typename Document> class DXLLngDocumentFile : public DXLLngFile {
  public:
    ~DXLLngDocumentFile() override;

    bool NextSection() override;
    bool LeaveSection() override;
    uint32_t GetEntryCount() override;
    const char16_t* GetValue(const char16_t* key, uint32_t* length) override;
    const char16_t* GetKeyAt(uint32_t i, uint32_t* length) override;
    const char16_t* GetValueAt(uint32_t i, uint32_t* length) override;
    uint32_t ReadValueAt(uint32_t i, char16_t* buffer, uint32_t size) override;
    uint32_t GetString(const char16_t* key, char16_t* buffer, uint32_t size) override;
    uint32_t GetError() override;

  protected:
    DXLLngDocumentFile() = default;
    std::unique_ptr<Document> document_;
};

extern template class DXLLngDocumentFile<kis::TDRDocument>;
extern template class DXLLngDocumentFile<XMLDocument>;

// A text-data document; the reader is opened when the document loads and
// holds a top-level section "Language", which is then its top section.
class DXLLngFileTDR : public DXLLngDocumentFile<kis::TDRDocument> {
  public:
    explicit DXLLngFileTDR(const char16_t* path);

    bool EnterSection(const char16_t* name) override;
    bool Rewind() override;
};

// A spreadsheet; the reader is opened when the sheet has at least one section
// or at least one entry above its first section. Sections do not nest: Rewind
// and LeaveSection both return to the top.
class DXLLngFileXML : public DXLLngDocumentFile<XMLDocument> {
  public:
    explicit DXLLngFileXML(const char16_t* path);

    bool EnterSection(const char16_t* name) override;
    bool Rewind() override;
};

// The reader for a path: the spreadsheet reader when the extension (the text
// after the last '.', with no '\' or ':' after it) is exactly "xml" in any
// case, the text-data reader otherwise. Never null unless memory runs out.
DXLLngFile* CreateLngFileForPath(const char16_t* path);
