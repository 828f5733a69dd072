#pragma once
#include "engine/Texture.h"
#include "foundation/DataFile.h"

#include <cstdint>
#include <string>
#include <string_view>

// Textures stored in data files: each image file inside a chunk becomes a
// texture whose source is a loader that remembers where the image's bytes
// are, so that the texture can be loaded on first use (or after the device
// was re-created) without keeping the bytes in memory. All loaders read
// through one shared buffer that only grows.

class DXLTextureLoaderDataFile final : public DXLTextureSource {
  public:
    // Growth steps of the shared read buffer.
    static constexpr uint32_t kBufferStep = 0x40000;
    static constexpr uint32_t kBufferFirst = 0x100000;

    // Called while the reader is at the first byte of an image of `size` bytes
    // inside its open chunk; moves the reader past the image. Test IsSpent()
    // at once: a spent loader cannot load anything and is to be deleted.
    DXLTextureLoaderDataFile(kis::BaseDataFile* reader, uint32_t size);
    // The last loader to go frees the shared buffer.
    ~DXLTextureLoaderDataFile() override;
    DXLTextureLoaderDataFile(const DXLTextureLoaderDataFile&) = delete;
    DXLTextureLoaderDataFile& operator=(const DXLTextureLoaderDataFile&) = delete;

    // Reads the image from the pack into the shared buffer and loads the
    // texture from it. The reader's own open chunk and position are put back
    // afterwards, so a load in the middle of someone's reading disturbs nothing.
    // An image that cannot be read or does not load, while there is a device
    // to load it on, is logged with its pack and its name.
    void Render(DXLTexture* texture) override;

    // The name the log gives this image by when its texture has none.
    void SetLabel(std::u16string_view label) { label_ = label; }

    bool IsSpent() const { return spent_; }
    uint32_t GetOffset() const { return offset_; }
    uint32_t GetSize() const { return size_; }

    static uint32_t SharedBufferCapacity();
    static uint32_t InstanceCount();

  private:
    // noMemory: the picture's bytes found no room, which is no fault of the pack.
    void LogFailure(const DXLTexture* texture, bool read, bool noMemory) const;

    kis::BaseDataFile* reader_;
    const kis::DataFileEntry* chunk_ = nullptr;
    uint32_t offset_ = 0;
    uint32_t size_ = 0;
    bool spent_ = true;
    std::u16string label_;
};

// The file a pack reader reads, as its owner opened it (UTF-16), for log
// lines; "a pack" for a reader that does not keep its file's name.
std::u16string PackFileName(const kis::BaseDataFile* reader);

// The texture entry header by which other chunks refer to a texture by name.
// Little-endian, 76 bytes.
struct DXLTextureEntryHeader {
    uint32_t headerSize; // 76
    uint8_t tag[4];      // "UmNT"
    uint32_t flag;       // 0: names a texture of the collection; else names none
    char16_t name[32];   // UTF-16
};
static_assert(sizeof(DXLTextureEntryHeader) == 76);

constexpr uint32_t kTextureEntryHeaderSize = 76;

// Reads an entry header. False (texture null) for a null reader, a failed read,
// a wrong size field or tag. Otherwise true, with the collection's texture of
// that name (ignoring case) when a collection is given and the flag is 0, else
// null.
// The name in the header is copied to `name` when one is given.
bool ReadTextureEntryHeader(kis::BaseDataFile* reader, DXLTextures* collection, DXLTexture** texture,
                            char16_t (*name)[32] = nullptr);

// Encodes an entry header into 76 bytes (a name longer than 31 characters is cut).
void WriteTextureEntryHeader(uint8_t out[kTextureEntryHeaderSize], const char16_t* name, uint32_t flag);
