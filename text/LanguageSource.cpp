#include "text/LanguageSource.h"

#include "foundation/FieldFormat.h"
#include "foundation/Paths.h"
#include "text/XmlDocument.h"

#include <new>

namespace {

constexpr char16_t kLanguageSection[] = u"Language";

uint32_t NotOpened(uint32_t* length) {
    if (length) *length = 0;
    return 0;
}

uint32_t CopyValue(const char16_t* value, uint32_t valueLength, char16_t* buffer, uint32_t size) {
    if (value == nullptr || buffer == nullptr || size == 0) return 0;
    uint32_t written = 0;
    kis::CopyText(buffer, size, value, valueLength, 0, &written);
    return written;
}

} // namespace

// ---------------------------------------------------------------- shared forwarding

template <typename Document> DXLLngDocumentFile<Document>::~DXLLngDocumentFile() = default;

template <typename Document> bool DXLLngDocumentFile<Document>::NextSection() {
    return opened_ && document_->NextSection();
}

template <typename Document> bool DXLLngDocumentFile<Document>::LeaveSection() {
    return opened_ && document_->LeaveSection();
}

template <typename Document> uint32_t DXLLngDocumentFile<Document>::GetEntryCount() {
    return opened_ ? document_->GetEntryCount() : 0;
}

template <typename Document>
const char16_t* DXLLngDocumentFile<Document>::GetValue(const char16_t* key, uint32_t* length) {
    if (!opened_) return NotOpened(length), nullptr;
    return document_->GetValue(key, length);
}

template <typename Document>
const char16_t* DXLLngDocumentFile<Document>::GetKeyAt(uint32_t i, uint32_t* length) {
    if (!opened_) return NotOpened(length), nullptr;
    return document_->GetKeyAt(i, length);
}

template <typename Document>
const char16_t* DXLLngDocumentFile<Document>::GetValueAt(uint32_t i, uint32_t* length) {
    if (!opened_) return NotOpened(length), nullptr;
    return document_->GetValueAt(i, length);
}

template <typename Document>
uint32_t DXLLngDocumentFile<Document>::ReadValueAt(uint32_t i, char16_t* buffer, uint32_t size) {
    uint32_t length = 0;
    const char16_t* value = GetValueAt(i, &length);
    return CopyValue(value, length, buffer, size);
}

template <typename Document>
uint32_t DXLLngDocumentFile<Document>::GetString(const char16_t* key, char16_t* buffer, uint32_t size) {
    return opened_ ? document_->GetString(key, buffer, size, nullptr) : 0;
}

template <typename Document> uint32_t DXLLngDocumentFile<Document>::GetError() {
    return opened_ ? document_->GetErrors() : 0;
}

template class DXLLngDocumentFile<kis::TDRDocument>;
template class DXLLngDocumentFile<XMLDocument>;

// ---------------------------------------------------------------- text-data source

DXLLngFileTDR::DXLLngFileTDR(const char16_t* path) {
    kis::TDRDocument* document = nullptr;
    if (!kis::TDRDocument::Load(path, document)) return;
    document_.reset(document);
    opened_ = document_->EnterSection(kLanguageSection, false);
}

bool DXLLngFileTDR::EnterSection(const char16_t* name) {
    return opened_ && document_->EnterSection(name, true);
}

bool DXLLngFileTDR::Rewind() {
    if (!opened_) return false;
    document_->Rewind();
    return document_->EnterSection(kLanguageSection, false);
}

// ---------------------------------------------------------------- spreadsheet source

DXLLngFileXML::DXLLngFileXML(const char16_t* path) {
    document_ = std::make_unique<XMLDocument>(path);
    opened_ = document_ != nullptr && (document_->GetGroupCount() != 0 || document_->GetEntryCount() != 0);
}

bool DXLLngFileXML::EnterSection(const char16_t* name) {
    return opened_ && document_->EnterSection(name);
}

bool DXLLngFileXML::Rewind() {
    return opened_ && document_->Rewind();
}

// ---------------------------------------------------------------- choosing a reader

DXLLngFile* CreateLngFileForPath(const char16_t* path) {
    if (kis::HasFileExt(path, u"xml")) return new DXLLngFileXML(path);
    return new DXLLngFileTDR(path);
}
