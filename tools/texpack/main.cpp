// texpack: puts image files into one chunk of a data-file container, each
// behind a texture entry header naming it, for tests and sample content.
//
//   texpack OUT.dat IMAGE...
//
// Container: type id "VBTX", type version 1, data version 1. Chunk "TEXS"
// (sub-id 0): u32 image count, then per image the 76-byte "UmNT" entry header
// (flag 0, the file name without folder and extension, at most 31
// characters), u32 byte count and the image file's bytes as they are. A
// reader reads a header, the count, and makes a DXLTextureLoaderDataFile of
// that many bytes at the position it has reached.

#include "engine/ImageFile.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/FourCC.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using kis::FourCC;

std::u16string Wide(const std::string& utf8) {
    return platform::Utf8ToUtf16(utf8);
}

// The file name without folder and extension.
std::u16string Stem(const std::string& path) {
    size_t start = path.find_last_of("/\\");
    start = start == std::string::npos ? 0 : start + 1;
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < start) dot = path.size();
    return Wide(path.substr(start, dot - start));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: texpack OUT.dat IMAGE...\n");
        return 2;
    }
    std::vector<std::vector<uint8_t>> images;
    for (int i = 2; i < argc; ++i) {
        auto bytes =
            platform::ReadWholeFile(platform::GamePath(std::string(argv[i])), DXLBitmap::kMaxFileBytes);
        DXLBitmap check;
        if (!bytes || bytes->size() > 0x7FFFFFFF ||
            !ReadImageFileFromMemory(bytes->data(), uint32_t(bytes->size()), Wide(argv[i]).c_str(), &check)) {
            std::fprintf(stderr, "texpack: %s is not an image the engine reads\n", argv[i]);
            return 1;
        }
        images.push_back(std::move(*bytes));
    }

    const std::u16string out = Wide(argv[1]);
    std::unique_ptr<kis::DataFileWriterW> writer(
        kis::OpenDataFileForWrite(out.c_str(), FourCC("VBTX"), 1, 1, false));
    if (!writer) {
        std::fprintf(stderr, "texpack: cannot write %s\n", argv[1]);
        return 1;
    }
    uint8_t word[4];
    kis::StoreLE32(word, uint32_t(images.size()));
    writer->BeginChunk(FourCC("TEXS"), 0);
    writer->Write(word, 4);
    for (size_t i = 0; i < images.size(); ++i) {
        uint8_t header[kTextureEntryHeaderSize];
        WriteTextureEntryHeader(header, Stem(argv[i + 2]).c_str(), 0);
        writer->Write(header, kTextureEntryHeaderSize);
        kis::StoreLE32(word, uint32_t(images[i].size()));
        writer->Write(word, 4);
        writer->Write(images[i].data(), uint32_t(images[i].size()));
    }
    writer->EndChunk();
    if (!writer->Close()) {
        std::fprintf(stderr, "texpack: writing %s failed\n", argv[1]);
        return 1;
    }
    std::printf("%zu image(s) written to %s\n", images.size(), argv[1]);
    return 0;
}
