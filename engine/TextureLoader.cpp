#include "engine/TextureLoader.h"
#include "engine/Log.h"
#include "engine/Viewer.h"
#include "foundation/ByteOrder.h"
#include "foundation/StrFunctions.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Utf.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// The read buffer every pack loader shares, and how many loaders exist.
struct SharedBuffer {
    std::unique_ptr<uint8_t[]> data;
    uint32_t capacity = 0;
    uint32_t loaders = 0;
};

SharedBuffer& Shared() {
    static SharedBuffer buffer;
    return buffer;
}

// Grows the buffer to hold `size` bytes: to a multiple of 256 KB, and to at
// least 1 MB the first time. The old contents are not kept. False when the
// memory cannot be had (the old buffer stays).
bool Reserve(uint32_t size) {
    SharedBuffer& shared = Shared();
    if (size <= shared.capacity) return true;
    const uint64_t step = DXLTextureLoaderDataFile::kBufferStep;
    uint64_t capacity = (uint64_t(size) + step - 1) / step * step;
    if (!shared.data && capacity < DXLTextureLoaderDataFile::kBufferFirst)
        capacity = DXLTextureLoaderDataFile::kBufferFirst;
    if (capacity > 0xFFFFFFFFu) return false;
    std::unique_ptr<uint8_t[]> fresh(new (std::nothrow) uint8_t[capacity]);
    if (!fresh) return false;
    shared.data = std::move(fresh);
    shared.capacity = uint32_t(capacity);
    return true;
}

} // namespace

DXLTextureLoaderDataFile::DXLTextureLoaderDataFile(kis::BaseDataFile* reader, uint32_t size)
    : reader_(reader) {
    ++Shared().loaders;
    if (!reader) return;
    chunk_ = reader->GetOpenChunk();
    if (!chunk_) return;
    const int64_t position = reader->GetChunkPos();
    if (position < 0 || position > 0xFFFFFFFF) return;
    offset_ = uint32_t(position);
    size_ = size;
    const uint64_t end = uint64_t(offset_) + size;
    if (end <= 0xFFFFFFFFu && reader->SeekInChunk(uint32_t(end))) spent_ = false;
}

DXLTextureLoaderDataFile::~DXLTextureLoaderDataFile() {
    SharedBuffer& shared = Shared();
    if (shared.loaders > 0 && --shared.loaders == 0) {
        shared.data.reset();
        shared.capacity = 0;
    }
}

void DXLTextureLoaderDataFile::Render(DXLTexture* texture) {
    if (spent_ || !texture) return;
    spent_ = true; // a nested call during the load does nothing

    // Whoever else reads this pack finds its chunk and position as it left them.
    const kis::DataFileEntry* savedChunk = reader_->GetOpenChunk();
    const int64_t savedPosition = reader_->GetChunkPos();
    auto putBack = [&] {
        if (!reader_->IsGood()) return;
        if (savedChunk) {
            if (reader_->OpenChunkEntry(savedChunk) && savedPosition >= 0)
                reader_->SeekInChunk(uint32_t(savedPosition));
        } else if (reader_->GetOpenChunk()) {
            reader_->CloseChunk();
        }
    };

    SharedBuffer& shared = Shared();
    const bool found = reader_->OpenChunkEntry(chunk_) && reader_->SeekInChunk(offset_);
    const bool held = found && Reserve(size_);
    const bool read = held && reader_->Read(shared.data.get(), size_);
    putBack();
    if (read) {
        texture->LoadFromFileInMemory(shared.data.get(), size_);
        // A picture of another size than its pack declared would not match what
        // was sized from the declaration: it is refused.
        const bool declared = texture->GetDeclaredWidth() > 0 || texture->GetDeclaredHeight() > 0;
        if (declared && texture->IsLive() &&
            (texture->GetWidth() != texture->GetDeclaredWidth() ||
             texture->GetHeight() != texture->GetDeclaredHeight()))
            texture->Release();
    }
    spent_ = !texture->IsLive();
    // Without a device nothing could load; that is no fault of the pack.
    const DXLViewer* viewer = texture->GetViewer();
    if (spent_ && viewer && viewer->HasDevice()) LogFailure(texture, read, found && !held);
}

void DXLTextureLoaderDataFile::LogFailure(const DXLTexture* texture, bool read, bool noMemory) const {
    const std::u16string pack = PackFileName(reader_);
    const char16_t* name = texture->GetName() && texture->GetName()[0] ? texture->GetName() : label_.c_str();
    const char16_t* why = read       ? u"is not an image the engine can load"
                          : noMemory ? u"does not fit in memory"
                                     : u"cannot be read from the pack";
    if (name[0])
        LogErrorPrintfW(kLogIndent, u"Image \"%s\" of %s %s.", name, pack.c_str(), why);
    else
        LogErrorPrintfW(kLogIndent, u"The image at byte %u of chunk 0x%08X of %s %s.", offset_,
                        chunk_ ? chunk_->id : 0u, pack.c_str(), why);
}

std::u16string PackFileName(const kis::BaseDataFile* reader) {
    const char16_t* name = reader ? reader->GetFileName() : nullptr;
    if (!name || !name[0]) return u"a pack";
    // Named as the player finds the file on the disk: native and absolute.
    std::u16string path(name);
    if (path[0] != u'\\' && path[0] != u'/' && path.find(u':') == std::u16string::npos)
        path = platform::CurrentFolder() + u"\\" + path;
    return platform::Utf8ToUtf16(platform::NativePath(platform::GamePath(path)));
}

uint32_t DXLTextureLoaderDataFile::SharedBufferCapacity() {
    return Shared().capacity;
}

uint32_t DXLTextureLoaderDataFile::InstanceCount() {
    return Shared().loaders;
}

// ---------------------------------------------------------------- entry header

bool ReadTextureEntryHeader(kis::BaseDataFile* reader, DXLTextures* collection, DXLTexture** texture,
                            char16_t (*name)[32]) {
    if (texture) *texture = nullptr;
    uint8_t bytes[kTextureEntryHeaderSize];
    if (!reader || !reader->Read(bytes, kTextureEntryHeaderSize)) return false;
    DXLTextureEntryHeader header;
    header.headerSize = kis::LoadLE32(bytes);
    std::memcpy(header.tag, bytes + 4, 4);
    header.flag = kis::LoadLE32(bytes + 8);
    for (int i = 0; i < 32; ++i)
        header.name[i] = char16_t(kis::LoadLE16(bytes + 12 + 2 * i));
    // A file may fill the whole field: the name ends at unit 31 at the latest.
    header.name[31] = 0;
    if (header.headerSize != kTextureEntryHeaderSize || std::memcmp(header.tag, "UmNT", 4) != 0) return false;
    if (name) std::memcpy(*name, header.name, sizeof header.name);
    if (texture && collection && header.flag == 0) *texture = collection->FindByName(header.name);
    return true;
}

void WriteTextureEntryHeader(uint8_t out[kTextureEntryHeaderSize], const char16_t* name, uint32_t flag) {
    std::memset(out, 0, kTextureEntryHeaderSize);
    kis::StoreLE32(out, kTextureEntryHeaderSize);
    std::memcpy(out + 4, "UmNT", 4);
    kis::StoreLE32(out + 8, flag);
    char16_t field[32] = {};
    kis::StrCopyW(field, 32, name);
    for (int i = 0; i < 32; ++i)
        kis::StoreLE16(out + 12 + 2 * i, uint16_t(field[i]));
}
