#include "app/SpriteTextures.h"
#include "app/AppState.h"

#include "engine/Texture.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

bool ReadU32(kis::BaseDataFile* reader, uint32_t* value) {
    uint8_t bytes[4];
    if (reader->ChunkBytesLeft() < 4 || !reader->Read(bytes, 4)) return false;
    *value = kis::LoadLE32(bytes);
    return true;
}

// The entry header of a texture the record makes: size 76, tag "UmNT", flag
// 0 and a name of at least one character (ended at unit 31 at the latest).
bool ReadEntryName(kis::BaseDataFile* reader, char16_t (&name)[DXLTexture::kNameSize]) {
    uint8_t bytes[kTextureEntryHeaderSize];
    if (reader->ChunkBytesLeft() < kTextureEntryHeaderSize || !reader->Read(bytes, kTextureEntryHeaderSize))
        return false;
    if (kis::LoadLE32(bytes) != kTextureEntryHeaderSize || std::memcmp(bytes + 4, "UmNT", 4) != 0 ||
        kis::LoadLE32(bytes + 8) != 0)
        return false;
    for (int i = 0; i < DXLTexture::kNameSize; ++i)
        name[i] = char16_t(kis::LoadLE16(bytes + 12 + 2 * i));
    name[DXLTexture::kNameSize - 1] = 0;
    return name[0] != 0;
}

int32_t Fail(kis::BaseDataFile* reader, LoaderState* state) {
    state->error = 1;
    if (reader->GetOpenChunk()) reader->CloseChunk();
    return kLoaderFinished;
}

// Reads one record and declares its texture; false for a bad record.
bool ReadTexture(DXLTextures* collection, kis::BaseDataFile* reader, std::vector<DXLTexture*>* made) {
    char16_t name[DXLTexture::kNameSize];
    uint32_t width = 0, height = 0, size = 0;
    if (!ReadEntryName(reader, name) || !ReadU32(reader, &width) || !ReadU32(reader, &height) ||
        !ReadU32(reader, &size) || size == 0 || size > reader->ChunkBytesLeft())
        return false;
    if (width == 0 || height == 0 || width > kSpriteTextureMaxSide || height > kSpriteTextureMaxSide)
        return false;
    // The loader lives as long as its texture, in the running App.
    AppState* state = RunningAppState();
    if (!state) return false;
    auto loader = std::make_unique<DXLTextureLoaderDataFile>(reader, size);
    if (loader->IsSpent()) return false;
    DXLTexture* texture = collection->NewTexture();
    if (!texture) return false;
    texture->SetName(name);
    texture->SetRestorable(true);
    texture->SetState(MakeTextureState(
        0, 0, uint32_t(platform::TextureAddress::Clamp), uint32_t(platform::TextureAddress::Clamp),
        kBlendAlpha, uint32_t(platform::TextureOp::Modulate), uint32_t(platform::TextureOp::Modulate)));
    texture->SetSource(loader.get(), true);
    texture->SetDeclaredSize(int32_t(width), int32_t(height)); // loaded on first use
    state->spriteTextures.push_back({collection, texture, std::move(loader)});
    if (made) made->push_back(texture);
    return true;
}

} // namespace

int32_t LoadSpriteTextures(DXLTextures* collection, kis::BaseDataFile* reader, LoaderState* state,
                           std::vector<DXLTexture*>* made) {
    if (!reader || !collection) {
        state->error = 1;
        return kLoaderFinished;
    }
    if (state->done == 0) {
        uint32_t count = 0;
        if (!reader->OpenChunk(kPackTextureChunkId, kPackChunkSubId)) return Fail(reader, state);
        if (!ReadU32(reader, &count) || count > kSpriteTextureLimit ||
            uint64_t(count) * kSpriteTextureRecordMin > reader->ChunkBytesLeft())
            return Fail(reader, state);
        state->total = int32_t(count);
    }
    while (state->done < state->total) {
        if (!ReadTexture(collection, reader, made)) return Fail(reader, state);
        ++state->done;
        if (GlobalObjectSetFloat(float(state->done) / float(state->total))) return kLoaderCallAgain;
    }
    if (reader->ChunkBytesLeft() != 0) return Fail(reader, state); // bytes after the last record
    if (!reader->CloseChunk()) state->error = 1;
    return kLoaderFinished;
}

void FreeSpriteTextures() {
    AppState* state = RunningAppState();
    if (!state) return;
    for (SpriteTexture& entry : state->spriteTextures) {
        const int32_t index = entry.collection->IndexOf(entry.texture);
        if (index >= 0) entry.collection->DeleteAt(index);
    }
    state->spriteTextures.clear(); // the loaders go after their textures
}

uint32_t SpriteTextureCount() {
    const AppState* state = RunningAppState();
    return state ? uint32_t(state->spriteTextures.size()) : 0;
}
