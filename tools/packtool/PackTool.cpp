#include "tools/packtool/PackTool.h"

#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "platform/Files.h"

#include <cctype>
#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>

namespace packtool {
namespace {

// A chunk's size is a 31-bit count: no file the tool reads can go into a pack whole when larger.
constexpr int64_t kMaxInputBytes = 0x7FFFFFFF;

const char* const kUsage =
    "usage: packtool list FILE\n"
    "       packtool extract FILE ID SUBID [NODE-PATH]   (NODE-PATH: ID:SUBID/ID:SUBID/...)\n"
    "       packtool build MANIFEST OUT\n"
    "       packtool id NAME...\n"
    "       packtool crc32 FILE\n";

// An id or number as people write them: a four-letter tag (ABCD or 'ABCD',
// first letter in the most significant byte), a decimal number (negative
// numbers wrap, so -1 is 0xFFFFFFFF) or a hexadecimal number with 0x.
std::optional<uint32_t> ParseValue(const std::string& text) {
    std::string tag = text;
    if (tag.size() == 6 && tag.front() == '\'' && tag.back() == '\'') tag = tag.substr(1, 4);
    bool numeric = !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-');
    if (!numeric || tag.size() != text.size()) {
        if (tag.size() != 4) return std::nullopt;
        uint32_t value = 0;
        for (char c : tag) {
            if (c < 0x20 || c > 0x7E) return std::nullopt;
            value = value << 8 | static_cast<unsigned char>(c);
        }
        return value;
    }
    try {
        size_t used = 0;
        long long value = std::stoll(text, &used, 0);
        if (used != text.size() || value < -0x80000000LL || value > 0xFFFFFFFFLL) return std::nullopt;
        return static_cast<uint32_t>(value);
    } catch (...) {
        return std::nullopt;
    }
}

std::string Tag(uint32_t id) {
    std::string tag = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>(id >> shift);
        if (c < 0x20 || c > 0x7E) return "      ";
        tag += c;
    }
    return tag + "'";
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string SubId(uint32_t value) {
    return value <= 0xFFFF ? std::to_string(value) : Hex(value);
}

using Reader = kis::DataFileReaderPtrA;

// Opens any container for reading, whatever its kind; on failure `error`
// says what is wrong with the file.
Reader OpenAny(const std::string& path, std::string& error) {
    platform::File file =
        platform::File::Open(path, platform::kFileRead, platform::FileCreation::OpenExisting);
    if (!file.IsOpen()) {
        error = "cannot open the file";
        return nullptr;
    }
    int64_t size = file.Size();
    uint8_t header[20];
    if (size < 20 || !file.ReadExact(header, 20)) {
        error = "not a container: " + std::to_string(size) + " bytes, shorter than the 20-byte header";
        return nullptr;
    }
    uint32_t constant = kis::LoadLE32(header + 8), directory = kis::LoadLE32(header + 16);
    if (constant != 16) {
        error = "not a container: the header constant is " + std::to_string(constant) + ", not 16";
        return nullptr;
    }
    if (directory == 0) {
        error = "not a container: the directory offset is 0 (the file was never finished)";
        return nullptr;
    }
    if (int64_t(directory) + 12 > size) {
        error = "damaged: the directory offset " + std::to_string(directory) +
                " lies beyond the end of the file (" + std::to_string(size) + " bytes)";
        return nullptr;
    }
    Reader reader(new kis::DataFileReaderA(kis::LoadLE32(header), kis::LoadLE32(header + 4), kis::kAnySubId));
    if (!reader->Open(path.c_str())) {
        error = "damaged directory: a check value does not match its counts, a count exceeds the bytes left, "
                "a chunk runs past the end of the file, or nodes nest deeper than " +
                std::to_string(kis::BaseDataFile::kMaxNodeDepth);
        return nullptr;
    }
    return reader;
}

void ListNode(std::FILE* out, const kis::DataFileNode& node, int depth) {
    std::string indent(size_t(depth) * 2, ' ');
    for (const auto& child : node.children) {
        std::fprintf(out, "%snode  %s %s  sub %s\n", indent.c_str(), Tag(child->id).c_str(),
                     Hex(child->id).c_str(), SubId(child->subId).c_str());
        ListNode(out, *child, depth + 1);
    }
    for (const kis::DataFileEntry& entry : node.entries)
        std::fprintf(out, "%schunk %s %s  sub %s  offset %u  size %u\n", indent.c_str(),
                     Tag(entry.id).c_str(), Hex(entry.id).c_str(), SubId(entry.subId).c_str(), entry.offset,
                     entry.size);
}

int List(const std::string& path, std::FILE* out, std::FILE* err) {
    std::string error;
    Reader reader = OpenAny(path, error);
    if (!reader) {
        std::fprintf(err, "packtool: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    std::fprintf(out, "type %s  version %s  data %s\n", Hex(reader->GetTypeId()).c_str(),
                 Hex(reader->GetTypeVersion()).c_str(), SubId(reader->GetDataVersion()).c_str());
    ListNode(out, reader->GetRoot(), 0);
    return 0;
}

int Extract(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    const std::string& path = args[1];
    std::optional<uint32_t> id = ParseValue(args[2]), subId = ParseValue(args[3]);
    if (!id || !subId) {
        std::fprintf(err, "packtool: bad chunk id or sub-id: %s %s\n", args[2].c_str(), args[3].c_str());
        return 2;
    }
    std::string error;
    Reader reader = OpenAny(path, error);
    if (!reader) {
        std::fprintf(err, "packtool: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    if (args.size() > 4) {
        std::stringstream nodes(args[4]);
        std::string step;
        while (std::getline(nodes, step, '/')) {
            if (step.empty()) continue;
            size_t colon = step.find(':');
            std::optional<uint32_t> nodeId = ParseValue(step.substr(0, colon));
            std::optional<uint32_t> nodeSub =
                colon == std::string::npos ? kis::kAnySubId : ParseValue(step.substr(colon + 1));
            if (!nodeId || !nodeSub || !reader->OpenNode(*nodeId, *nodeSub)) {
                std::fprintf(err, "packtool: %s: no node %s\n", path.c_str(), step.c_str());
                return 1;
            }
        }
    }
    if (!reader->OpenChunk(*id, *subId)) {
        std::fprintf(err, "packtool: %s: no chunk %s sub %s\n", path.c_str(), Hex(*id).c_str(),
                     SubId(*subId).c_str());
        return 1;
    }
    std::vector<uint8_t> bytes(reader->GetOpenChunk()->size);
    if (!reader->Read(bytes.data(), uint32_t(bytes.size()))) {
        std::fprintf(err, "packtool: %s: the chunk's bytes lie beyond the end of the file\n", path.c_str());
        return 1;
    }
    if ((!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) ||
        std::fflush(out) != 0) {
        std::fprintf(err, "packtool: cannot write the chunk\n");
        return 1;
    }
    return 0;
}

// ---- manifests ----

struct ManifestChunk {
    uint32_t id, subId;
    std::vector<uint8_t> bytes;
};
struct ManifestNode {
    uint32_t id = 0, subId = 0;
    // Written in manifest order; children are collected into the directory.
    std::vector<std::unique_ptr<ManifestNode>> children;
    std::vector<ManifestChunk> chunks;
    std::vector<std::pair<bool, size_t>> order; // (is node, index)
    ManifestNode* parent = nullptr;
};
struct Manifest {
    std::optional<uint32_t> type, version;
    uint32_t data = 1;
    ManifestNode root;
};

std::optional<std::vector<uint8_t>> ParseHex(std::istream& in) {
    std::vector<uint8_t> bytes;
    std::string digits, word;
    while (in >> word)
        digits += word;
    if (digits.size() % 2) return std::nullopt;
    for (size_t i = 0; i < digits.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(digits[i])) ||
            !std::isxdigit(static_cast<unsigned char>(digits[i + 1])))
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// Reads the manifest; on failure `error` names the line and what is wrong.
bool ParseManifest(const std::string& path, Manifest& manifest, std::string& error) {
    auto text = platform::ReadWholeFile(path, kMaxInputBytes);
    if (!text) {
        error = path + ": cannot read the manifest";
        return false;
    }
    std::string folder;
    size_t slash = path.find_last_of("/\\");
    if (slash != std::string::npos) folder = path.substr(0, slash + 1);

    std::stringstream lines(std::string(text->begin(), text->end()));
    std::string line;
    ManifestNode* current = &manifest.root;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::stringstream in(line);
        std::string keyword;
        auto fail = [&](const std::string& what) {
            error = path + ":" + std::to_string(number) + ": " + what;
            return false;
        };
        if (!(in >> keyword) || keyword[0] == '#') continue;
        if (keyword == "type" || keyword == "version" || keyword == "data") {
            std::string word, extra;
            in >> word;
            std::optional<uint32_t> value = ParseValue(word);
            if (!value || (in >> extra)) return fail("expected one id or number after '" + keyword + "'");
            if (keyword == "type")
                manifest.type = *value;
            else if (keyword == "version")
                manifest.version = *value;
            else
                manifest.data = *value;
        } else if (keyword == "node" || keyword == "chunk") {
            std::string idText, subText;
            in >> idText >> subText;
            std::optional<uint32_t> id = ParseValue(idText), subId = ParseValue(subText);
            if (!id || !subId) return fail("expected an id and a sub-id after '" + keyword + "'");
            if (keyword == "node") {
                auto node = std::make_unique<ManifestNode>();
                node->id = *id, node->subId = *subId, node->parent = current;
                current->order.push_back({true, current->children.size()});
                current->children.push_back(std::move(node));
                current = current->children.back().get();
                continue;
            }
            std::string source;
            in >> source;
            ManifestChunk chunk{*id, *subId, {}};
            if (source == "hex") {
                auto bytes = ParseHex(in);
                if (!bytes) return fail("expected pairs of hexadecimal digits");
                chunk.bytes = std::move(*bytes);
            } else if (source == "file") {
                std::string name;
                std::getline(in >> std::ws, name);
                if (name.empty()) return fail("expected a file name after 'file'");
                std::string full = !name.empty() && name[0] == '/' ? name : folder + name;
                auto bytes = platform::ReadWholeFile(full, kMaxInputBytes);
                if (!bytes) return fail("cannot read " + full);
                if (bytes->size() >= 0x80000000u) return fail(full + " is too large for a chunk");
                chunk.bytes = std::move(*bytes);
            } else {
                return fail("expected 'hex' or 'file' after the chunk's sub-id");
            }
            current->order.push_back({false, current->chunks.size()});
            current->chunks.push_back(std::move(chunk));
        } else if (keyword == "end") {
            if (!current->parent) return fail("'end' without a node");
            current = current->parent;
        } else {
            return fail("unknown keyword '" + keyword + "'");
        }
    }
    if (current != &manifest.root) {
        error = path + ": a node is not closed with 'end'";
        return false;
    }
    if (!manifest.type || !manifest.version) {
        error = path + ": the manifest needs 'type' and 'version'";
        return false;
    }
    return true;
}

bool WriteNode(kis::BaseDataFile& writer, const ManifestNode& node) {
    for (auto [isNode, index] : node.order) {
        if (isNode) {
            const ManifestNode& child = *node.children[index];
            kis::DataFileNode* made = writer.GetCurrentNode()->AddChild(child.id, child.subId);
            if (!writer.EnterNode(made) || !WriteNode(writer, child) || !writer.CloseNode()) return false;
        } else {
            const ManifestChunk& chunk = node.chunks[index];
            if (!writer.BeginChunk(chunk.id, chunk.subId) ||
                !writer.Write(chunk.bytes.data(), uint32_t(chunk.bytes.size())) || !writer.EndChunk())
                return false;
        }
    }
    return true;
}

int Build(const std::string& manifestPath, const std::string& outPath, std::FILE* err) {
    Manifest manifest;
    std::string error;
    if (!ParseManifest(manifestPath, manifest, error)) {
        std::fprintf(err, "packtool: %s\n", error.c_str());
        return 1;
    }
    // Written aside and moved into place, so a failed build keeps an older pack.
    kis::DataFileWriterA writer(*manifest.type, *manifest.version, manifest.data);
    if (!writer.Open(outPath.c_str(), true) || !WriteNode(writer, manifest.root) || !writer.Close()) {
        writer.Close();
        std::fprintf(err, "packtool: %s: cannot write the container\n", outPath.c_str());
        return 1;
    }
    return 0;
}

int Ids(const std::vector<std::string>& names, std::FILE* out, std::FILE* err) {
    int status = 0;
    for (const std::string& name : names) {
        uint32_t id = kis::NameId(name.c_str());
        if (id == 0) {
            std::fprintf(err, "packtool: '%s' is not a name (letters, digits and '_', at most 31)\n",
                         name.c_str());
            status = 1;
            continue;
        }
        std::fprintf(out, "%s\n", Hex(id).c_str());
    }
    return status;
}

int Crc(const std::string& path, std::FILE* out, std::FILE* err) {
    auto bytes = platform::ReadWholeFile(path, kMaxInputBytes);
    if (!bytes) {
        std::fprintf(err, "packtool: %s: cannot read the file\n", path.c_str());
        return 1;
    }
    uint32_t crc = 0;
    for (size_t at = 0; at < bytes->size(); at += 1u << 30) {
        size_t piece = std::min<size_t>(bytes->size() - at, 1u << 30);
        crc = kis::Crc32(bytes->data() + at, uint32_t(piece), 0, crc);
    }
    std::fprintf(out, "%s\n", Hex(crc).c_str());
    return 0;
}

} // namespace

int Run(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    const std::string command = args.empty() ? "" : args[0];
    if (command == "list" && args.size() == 2) return List(args[1], out, err);
    if (command == "extract" && (args.size() == 4 || args.size() == 5)) return Extract(args, out, err);
    if (command == "build" && args.size() == 3) return Build(args[1], args[2], err);
    if (command == "id" && args.size() >= 2) return Ids({args.begin() + 1, args.end()}, out, err);
    if (command == "crc32" && args.size() == 2) return Crc(args[1], out, err);
    std::fputs(kUsage, err);
    return 2;
}

} // namespace packtool
