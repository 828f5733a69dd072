#include "tools/content/ComixPages.h"

#include "frontend/Comix.h"
#include "tools/content/NameFields.h"

#include <fstream>
#include <sstream>

namespace {

// A part's items as the source lists them, kept apart by kind until the
// part is complete: the chunk wants the front pictures, then the late ones,
// then the captions.
struct PartItems {
    std::vector<ComixItem> kinds[3];
};

void FlushPart(ComixPage& page, PartItems& items) {
    COMIXPART& part = page.parts.back();
    part.header.a = uint32_t(items.kinds[0].size());
    part.header.b = uint32_t(items.kinds[1].size());
    part.header.c = uint32_t(items.kinds[2].size());
    part.header.size = uint32_t(ComixPartSize(part.header.a, part.header.b, part.header.c));
    for (auto& kind : items.kinds)
        part.items.insert(part.items.end(), kind.begin(), kind.end());
    items = {};
}

} // namespace

// Lines: "comic <x> <y>", "part <x> <y> <pivot x> <pivot y>", and in a part
// "front|late|caption <name> <dx> <dy>"; "//" starts a comment line.
bool WriteComixPages(kis::BaseDataFile& writer, const std::string& sourcePath, std::string* error) {
    std::ifstream in(sourcePath);
    if (!in) return *error = "cannot read " + sourcePath, false;
    std::vector<ComixPage> pages;
    PartItems items;
    bool inPart = false;
    int lineNumber = 0;
    std::string line;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string kind;
        if (!(words >> kind) || kind.rfind("//", 0) == 0) continue;
        const std::string where = sourcePath + ":" + std::to_string(lineNumber) + ": ";
        bool ok = false;
        if (kind == "comic") {
            if (inPart) FlushPart(pages.back(), items);
            inPart = false;
            pages.emplace_back();
            ok = bool(words >> pages.back().x >> pages.back().y);
        } else if (kind == "part" && !pages.empty()) {
            if (inPart) FlushPart(pages.back(), items);
            inPart = true;
            COMIXPART& part = pages.back().parts.emplace_back();
            ok = bool(words >> part.header.x >> part.header.y >> part.header.pivotX >> part.header.pivotY);
        } else if (inPart && (kind == "front" || kind == "late" || kind == "caption")) {
            const int which = kind == "front" ? 0 : kind == "late" ? 1 : 2;
            ComixItem item = {};
            std::string name;
            ok = bool(words >> name >> item.dx >> item.dy) && CopyNameUtf8(item.name, name);
            items.kinds[which].push_back(item);
        }
        std::string rest;
        if (!ok || words >> rest) return *error = where + "not a comic, part or item line", false;
    }
    if (inPart) FlushPart(pages.back(), items);

    const std::vector<uint8_t> bytes = EncodeComixPages(pages);
    std::vector<ComixPage> check;
    std::string why;
    if (!ReadComixPages(bytes.data(), bytes.size(), &check, &why))
        return *error = sourcePath + ": " + why, false;
    if (!writer.BeginChunk(kComixChunkId, kComixChunkSubId) ||
        !writer.Write(bytes.data(), uint32_t(bytes.size())) || !writer.EndChunk())
        return *error = "cannot write the comics", false;
    return true;
}
