#pragma once
// The sprite pack Sprites.dat (docs/formats/sprite-pack.md): one node per
// sprite library, each with up to four chunks (textures, sprites,
// animations, particle descriptions), read by one loader that follows the
// game-data loader protocol, and written by the content tools.

#include "engine/LoaderState.h"
#include "foundation/Helpers.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"

#include "foundation/SpritePackIds.h"

#include <cstdint>
#include <string>
#include <vector>

class DXLTexture;
class DXLTextures;
namespace kis {
class BaseDataFile;
}

// The libraries of the pack, in loading order; every node must exist.
constexpr int32_t kPackLibraries[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 14, 16};
constexpr int32_t kPackLibraryCount = int32_t(sizeof kPackLibraries / sizeof kPackLibraries[0]);

// Limits per library.
constexpr uint32_t kMaxPackTextures = 1024;
constexpr uint32_t kMaxPackSprites = 4096;
constexpr uint32_t kMaxPackAnimations = 1024;
constexpr uint32_t kMaxPackParticles = 256;
constexpr uint32_t kMaxSpriteFrames = 1024;
constexpr uint32_t kMaxSubSprites = 16;
constexpr uint32_t kMaxVariants = 16;
constexpr int32_t kMaxTextureSide = 4096;

constexpr uint32_t kSpriteRecordHeader = 104;
constexpr uint32_t kFrameRecordSize = 16;
constexpr uint32_t kSubSpriteRecordSize = 28;
constexpr uint32_t kAnimationRecordHeader = 72;
constexpr uint32_t kVariantRecordSize = 32;
constexpr uint32_t kParticleRecordSize = 128;
constexpr uint32_t kNameRecordSize = 64;

// A variant as stored.
struct PackVariant {
    uint32_t sprite; // index into the library's sprites
    uint32_t mode;
    uint32_t first, count;
    uint32_t frameTime;
    int32_t anchorX, anchorY;
    uint32_t flags; // bit 0 drawn mirrored
};
static_assert(sizeof(PackVariant) == kVariantRecordSize);

// ---------------------------------------------------------------- reading

// Reads the textures chunk of the library the reader stands in: the
// textures go into the collection (in record order into `made`). Same
// protocol and result as the other chunk loaders; the program provides it.
using PackTextureLoader = int32_t (*)(DXLTextures* collection, kis::BaseDataFile* reader, LoaderState* state,
                                      std::vector<DXLTexture*>* made);

// Loads the whole pack into a library set, one library node after another,
// and in each the textures, sprites, animations and particle descriptions
// (references point backwards only). Load is called again and again (the
// loader protocol) until it answers kLoaderFinished; a missing node, a bad
// record or a dangling index sets the error flag. The program installs the
// set (SetSpriteLibraries) only after a load without error, so nothing is
// drawn from a half-read library; it frees the textures the texture loader
// made before the set that holds their collections.
class SpritePackLoader {
  public:
    // sharedTextures: the collection library 1 shares (the fonts look their
    // textures up there). Nothing is owned.
    SpritePackLoader(SpriteLibraries* libraries, DXLTextures* sharedTextures, PackTextureLoader textures);
    int32_t Load(kis::BaseDataFile* reader, LoaderState* state);

  private:
    int32_t Fail(kis::BaseDataFile* reader, LoaderState* state);
    int32_t LoadKind(kis::BaseDataFile* reader);
    bool OpenRecords(kis::BaseDataFile* reader, uint32_t tag, uint32_t limit, uint32_t smallest);
    bool ReadRecord(kis::BaseDataFile* reader);
    bool ReadSprite(const std::vector<uint8_t>& bytes);
    bool ReadAnimation(const std::vector<uint8_t>& bytes);
    bool ReadParticle(const std::vector<uint8_t>& bytes);

    SpriteLibraries* libraries_;
    DXLTextures* sharedTextures_;
    PackTextureLoader loadTextures_;
    int32_t library_ = 0; // index into kPackLibraries
    int32_t kind_ = 0;    // 0 textures, 1 sprites, 2 animations, 3 particles
    bool inNode_ = false;
    bool inChunk_ = false;
    SpriteLibrary* current_ = nullptr;
    LoaderState chunk_ = {};
    std::vector<DXLTexture*> made_;
    std::vector<uint8_t> record_; // reused for every record
};

// A stored name: 32 UTF-16 units, 1 to 31 characters, ended in the field.
bool ReadPackName(const uint8_t* bytes, char16_t (&name)[kSpriteNameSize]);

// ---------------------------------------------------------------- writing

struct PackTexture {
    std::u16string name;
    uint32_t width = 0, height = 0; // the declared size, which the image must have
    std::vector<uint8_t> image;     // a whole image file
};

struct PackSprite {
    std::u16string name;
    uint32_t flags = 0;
    uint32_t texture = 0xFFFFFFFF;
    uint32_t mode = 0;
    uint32_t frameTime = 0;
    int32_t originX = 0, originY = 0, depth = 0;
    std::vector<kis::Rect> frames;
    std::vector<SubSpriteDef> subSprites;
};

struct PackAnimation {
    std::u16string name;
    std::vector<PackVariant> variants;
};

struct PackLibrary {
    int32_t number = 0;
    std::vector<PackTexture> textures;
    std::vector<PackSprite> sprites;
    std::vector<PackAnimation> animations;
    std::vector<GPSDescriptionRecord> particles;
};

// Writes every library node of the pack (empty ones for numbers not given).
// The records are written as given: the writer checks nothing.
bool WriteSpritePack(const char16_t* path, const std::vector<PackLibrary>& libraries, std::string* error);

// A chunk of a library node as raw bytes. The nodes of kPackLibraries are
// written in that order (empty when no chunk names them), then those of
// other numbers; `nodes` false writes no node the chunks do not name.
struct RawPackChunk {
    int32_t library;
    uint32_t tag, subId;
    std::vector<uint8_t> bytes;
};
bool WriteSpritePackChunks(const char16_t* path, const std::vector<RawPackChunk>& chunks, bool allNodes,
                           std::string* error);
// One library's chunk bytes, as WriteSpritePack stores them (tests damage them).
std::vector<uint8_t> PackSpriteChunk(const std::vector<PackSprite>& sprites);
std::vector<uint8_t> PackAnimationChunk(const std::vector<PackAnimation>& animations);
std::vector<uint8_t> PackParticleChunk(const std::vector<GPSDescriptionRecord>& particles);
std::vector<uint8_t> PackTextureChunk(const std::vector<PackTexture>& textures);
