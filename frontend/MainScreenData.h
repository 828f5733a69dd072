#pragma once
// The main screen's scene description: the 'MNSC' chunk of the data pack.
// A u32 record count, then that many records of exactly 2,000 bytes, one per
// picture layer of the title scene (little-endian).

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t kMainScreenChunkId = 0x4D4E5343; // 'MNSC'
constexpr uint32_t kMainScreenChunkSubId = 1;
constexpr uint32_t kMainScreenPictureMax = 16;

// Layer kinds; any other value is a plain picture layer.
constexpr uint32_t kLayerGirl = 1;
constexpr uint32_t kLayerLight = 2;
constexpr uint32_t kLayerParticles = 3;

// One picture of a layer: the sprite's first frame stretched over the
// rectangle (scene coordinates, origin at the scene's centre), tinted.
struct MainScreenPicture {
    char16_t sprite[32]; // zero-terminated
    int32_t left, top, right, bottom;
    uint32_t colour; // ARGB; for a light its alpha is the light's full alpha
};
static_assert(sizeof(MainScreenPicture) == 84);

// The light of picture i of a light layer.
struct MainScreenLightRecord {
    float angle;  // degrees
    float startX; // offsets from the picture's left edge
    float endX;
    uint32_t shineMin, shineMax; // ms
    uint32_t fadeIn, fadeOut;    // ms
    uint32_t pauseMin, pauseMax; // ms
    uint32_t blendMode;
};
static_assert(sizeof(MainScreenLightRecord) == 40);

// An emitter of a particle layer.
struct MainScreenEmitterRecord {
    uint32_t description; // the particle description's id; unknown: no emitter
    int32_t x, y;
    float angle; // added to the description's angle; 0: none
};
static_assert(sizeof(MainScreenEmitterRecord) == 16);

struct MainScreenRecord {
    uint32_t kind;
    float offsetFactor; // how strongly the layer follows the sway
    float scaleFactor;  // how strongly it follows the breathing zoom
    uint32_t pictureCount;
    MainScreenPicture pictures[kMainScreenPictureMax];
    union {
        MainScreenLightRecord lights[kMainScreenPictureMax];
        MainScreenEmitterRecord emitters[kMainScreenPictureMax];
        uint8_t bytes[640];
    } params;
};
static_assert(sizeof(MainScreenRecord) == 2000);
static_assert(offsetof(MainScreenRecord, params) == 1360);

// Why a chunk's bytes were refused.
enum class MainScreenDataError {
    None,
    Truncated,    // no count, or fewer bytes than the count's records
    PictureCount, // a record uses more than 16 pictures
    LightTimes,   // a light whose shortest time exceeds its longest, or a longest shine of 0
};

// Reads the chunk's bytes into records. The records are left empty on a refusal.
MainScreenDataError ParseMainScreenRecords(const uint8_t* bytes, size_t size,
                                           std::vector<MainScreenRecord>* out);
