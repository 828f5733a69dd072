#include "tools/common/SourceTree.h"

#include "foundation/TextDataDocument.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <memory>

namespace {

std::string Narrow(const char16_t* text, uint32_t length) {
    return platform::Utf16ToUtf8(std::u16string_view(text, length));
}

SourceNode CopySection(const kis::TDRSection<char16_t>& section) {
    SourceNode node;
    if (section.name) node.name = LowerAscii(Narrow(section.name, section.nameLength));
    for (const kis::TDREntry<char16_t>& e : section.entries)
        node.entries.emplace_back(LowerAscii(Narrow(e.key, e.keyLength)), Narrow(e.Value(), e.valueLength));
    for (const auto& child : section.children)
        node.children.push_back(CopySection(*child));
    return node;
}

} // namespace

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

bool ReadSourceTree(const std::string& path, SourceNode* root, std::string* error) {
    platform::File file = platform::File::Open(platform::GamePath(path), platform::kFileRead,
                                               platform::FileCreation::OpenExisting);
    auto document = std::make_unique<kis::TDRDocument>();
    if (!file.IsOpen() || !document->LoadFromHandle(file)) return *error = path + ": cannot be read", false;
    document->Rewind();
    *root = CopySection(*document->GetCurrentSection());
    return true;
}
