#pragma once
// A stand-in for the shell's texture step of the sprite pack, for tests below
// the shell: reads the 'TEXS' records (entry header, declared width and
// height, byte count, image) of the current library node and makes a
// declared texture for each, in record order. Header-only: it needs the
// engine, which the shared test library does not link.
#include "engine/LoaderState.h"
#include "engine/Texture.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Called with each record's name and image bytes.
using PackImageSink = std::function<void(const std::u16string&, const std::vector<uint8_t>&)>;

inline int32_t ReadPackTextures(uint32_t chunkId, uint32_t subId, DXLTextures* collection,
                                kis::BaseDataFile* reader, LoaderState* state, std::vector<DXLTexture*>* made,
                                const PackImageSink& sink = {}) {
    auto fail = [&] {
        state->error = 1;
        return kLoaderFinished;
    };
    uint8_t b[kTextureEntryHeaderSize + 12];
    if (!reader->OpenChunk(chunkId, subId) || !reader->Read(b, 4)) return fail();
    const uint32_t count = kis::LoadLE32(b);
    for (uint32_t i = 0; i < count; ++i) {
        if (!reader->Read(b, sizeof b)) return fail();
        std::u16string name;
        for (int k = 0; k < 31 && kis::LoadLE16(b + 12 + 2 * k); ++k)
            name += char16_t(kis::LoadLE16(b + 12 + 2 * k));
        std::vector<uint8_t> image(kis::LoadLE32(b + kTextureEntryHeaderSize + 8));
        if (!reader->Read(image.data(), uint32_t(image.size()))) return fail();
        if (sink) sink(name, image);
        DXLTexture* texture = collection->NewTexture();
        texture->SetName(name.c_str());
        texture->SetDeclaredSize(int32_t(kis::LoadLE32(b + kTextureEntryHeaderSize)),
                                 int32_t(kis::LoadLE32(b + kTextureEntryHeaderSize + 4)));
        made->push_back(texture);
    }
    reader->CloseChunk();
    return kLoaderFinished;
}

} // namespace testsupport
