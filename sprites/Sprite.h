#pragma once
// Sprite definitions, map sprites, sprite instances and the sprite libraries.
//
// A sprite definition is a texture and a list of frame rectangles on it. One
// record kind serves plain sprites and map sprites: every definition is a
// MapSprite, which adds the origin placed on an object's position, the
// draw-order depth and the sub-sprites of building and plant pictures.
// Libraries are numbered 1-16 and owned by SpriteLibraries; a library owns
// its definitions, animations and particle descriptions.

#include "engine/Viewer.h"
#include "foundation/Helpers.h"
#include "sprites/FrameSequence.h"
#include "sprites/GameAnimation.h"
#include "sprites/Particles.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

class DXLTexture;
class DXLTextures;
class SpriteLibrary;
class SpriteInstance;

// Names in the pack: 32 UTF-16 units, at most 31 characters.
constexpr int kSpriteNameSize = 32;

// A sub-sprite of a map sprite as stored: a frame (-1 hidden) placed at (x,
// y) by its anchor (fractions of the frame size) and scaled.
struct SubSpriteDef {
    int32_t frame;
    float x, y;
    float anchorX, anchorY;
    float scaleX, scaleY;
};
static_assert(sizeof(SubSpriteDef) == 28);

// What a map sprite draw fills: the texture to bind and the quad.
struct MapDrawItem {
    DXLTexture* texture = nullptr; // owned by the sprite's library
    TexturedQuad quad = {};
    // Binds the texture and draws the quad at the viewer's current transform.
    void Draw(DXLViewer& viewer) const;
};

class Sprite {
  public:
    Sprite(SpriteLibrary* library, const char16_t* name);
    virtual ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Makes the texture ready (restores it) and builds the frame quads from
    // the rectangles and the live texture size. Runs again only after the
    // texture was lost. False without a live texture.
    virtual bool Acquire();

    const char16_t* GetName() const { return name_; }
    SpriteLibrary* GetLibrary() const { return library_; }
    DXLTexture* GetTexture() const { return texture_; }
    int32_t GetFrameCount() const { return int32_t(frames_.size()); }
    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    // Copies frame i's rectangle; false and an empty rectangle out of range.
    bool GetFrameRect(int32_t i, kis::Rect* out) const;
    // Frame i's quad (top-left at 0, 0, its own size, white); null out of
    // range or before Acquire.
    const TexturedQuad* GetFrameQuad(int32_t i);
    uint32_t GetDefaultMode() const { return defaultMode_; }
    uint32_t GetDefaultFrameTime() const { return defaultFrameTime_; }
    // An instance of this definition through its library (see SpriteLibrary).
    std::unique_ptr<SpriteInstance> CreateInstance(uint32_t flag);

    // Set by the pack reader and by tests.
    void SetTexture(DXLTexture* texture) { texture_ = texture; }
    void SetFrames(std::vector<kis::Rect> frames);
    void SetDefaultSequence(uint32_t mode, uint32_t frameTime) {
        defaultMode_ = mode;
        defaultFrameTime_ = frameTime;
    }

  protected:
    SpriteLibrary* library_; // the owner
    char16_t name_[kSpriteNameSize] = {};
    DXLTexture* texture_ = nullptr;
    std::vector<kis::Rect> frames_;
    std::vector<TexturedQuad> quads_;
    int32_t quadsWidth_ = 0, quadsHeight_ = 0; // the texture size the quads were built for
    int32_t width_ = 0, height_ = 0;
    uint32_t defaultMode_ = 0;
    uint32_t defaultFrameTime_ = 0;
};

class MapSprite : public Sprite {
  public:
    static constexpr uint32_t kFlagMirrorable = 1;
    using Sprite::Sprite;

    // Fill a drawing item with one frame: Draw at an integer position,
    // DrawFloat at a float one (both in the sprite's own size), DrawScaled
    // stretched over a rectangle (a zero width or height takes the sprite's
    // own). The origin goes onto the position (mirrored: width - x). A
    // negative frame picks a random one; source, when given, is a part of the
    // frame in frame pixels. Mirroring happens only for sprites that allow
    // it. False (item untouched) for a frame out of range or no live texture.
    bool Draw(MapDrawItem* item, int32_t frame, int32_t x, int32_t y, const kis::Rect* source,
              uint32_t colour, bool mirror);
    bool DrawFloat(MapDrawItem* item, int32_t frame, float x, float y, const kis::Rect* source,
                   uint32_t colour, bool mirror);
    bool DrawScaled(MapDrawItem* item, int32_t frame, const kis::Rect& rect, const kis::Rect* source,
                    uint32_t colour, bool mirror);

    uint32_t GetFlags() const { return flags_; }
    bool IsMirrorable() const { return flags_ & kFlagMirrorable; }
    int32_t GetOriginX() const { return originX_; }
    int32_t GetOriginY() const { return originY_; }
    int32_t GetDepth() const { return depth_; }
    const std::vector<SubSpriteDef>& GetSubSprites() const { return subSprites_; }

    void SetPlacement(uint32_t flags, int32_t originX, int32_t originY, int32_t depth) {
        flags_ = flags;
        originX_ = originX;
        originY_ = originY;
        depth_ = depth;
    }
    void SetSubSprites(std::vector<SubSpriteDef> subs) { subSprites_ = std::move(subs); }

  private:
    bool Fill(MapDrawItem* item, int32_t frame, float left, float top, float width, float height,
              const kis::Rect* source, uint32_t colour, bool mirror);

    uint32_t flags_ = 0;
    int32_t originX_ = 0, originY_ = 0, depth_ = 0;
    std::vector<SubSpriteDef> subSprites_;
};

// A drawable instance of a definition.
class SpriteInstance {
  public:
    explicit SpriteInstance(Sprite* definition);
    ~SpriteInstance();

    // Draws the current frame at the viewer's current transform: scaled by
    // the instance's scale, turned by its angle, moved by minus the origin
    // fractions of the frame's size. The transform stays changed; callers
    // save and restore it. A sequence in use picks the frame from the game
    // clock first.
    void Draw(DXLViewer& viewer);
    // Copies the six words and marks the sequence in use; null stops using
    // it. With restart the start time becomes now and the frame is computed.
    void SetFrameSequence(const FrameSequence* sequence, bool restart);
    // A copy of the texture state is in force while this instance draws;
    // null drops it.
    void SetTextureState(const DXLTextureState* state);

    Sprite* definition;
    int32_t frame = 0;
    float originX = 0.0f, originY = 0.0f; // fractions of the frame's size
    float scaleX = 1.0f, scaleY = 1.0f;
    float angle = 0.0f; // degrees
    kis::Vector2 position = {0.0f, 0.0f};
    uint32_t colour = 0xFFFFFFFF;
    FrameSequence sequence;
    bool sequenceInUse = false;

  private:
    std::unique_ptr<DXLTextureState> textureState_;
};

// A picture part of a map object (a building level's extra, a fruit): one
// frame of the object's map sprite with a position, an anchor and a scale;
// frame -1 hides it.
class SubSpriteImage {
  public:
    void SetFrameData(int32_t frame, float x, float y, float anchorX, float anchorY, float scaleX,
                      float scaleY);
    // Fills an item for drawing at the object's position (ox, oy); false when hidden.
    bool Fill(MapSprite* sprite, MapDrawItem* item, float ox, float oy, uint32_t colour, bool mirror) const;
    const SubSpriteDef& Data() const { return data_; }

  private:
    SubSpriteDef data_ = {-1, 0, 0, 0, 0, 1, 1};
};

using SubSpriteList = std::vector<std::unique_ptr<SubSpriteImage>>;

// The base of objects that show a map sprite with its sub-sprites.
class MapSpriteUser {
  public:
    virtual ~MapSpriteUser();
    // Nothing when this sprite already shows in the same mirror state.
    // Otherwise, unless keep is set, the sub-sprites are dropped; then the
    // new sprite is taken and the drawing item and sub-sprites rebuilt.
    virtual void SetSprite(MapSprite* sprite, bool keep);
    // Appends a sub-sprite, making the list on first use; null does nothing.
    static void AddSubSprite(std::unique_ptr<SubSpriteList>* list, std::unique_ptr<SubSpriteImage> sub);

    MapSprite* GetSprite() const { return sprite_; }
    const MapDrawItem& GetDrawItem() const { return item_; }
    const SubSpriteList* GetSubSprites() const { return subSprites_.get(); }
    bool IsMirrored() const { return mirrored_; }
    void SetMirrored(bool mirrored) { wantMirrored_ = mirrored; }
    // The object's position on the map; the item is rebuilt by SetSprite.
    void SetPosition(int32_t x, int32_t y) { x_ = x, y_ = y; }

  protected:
    MapSprite* sprite_ = nullptr; // owned by its library
    MapDrawItem item_;
    bool mirrored_ = false;
    bool wantMirrored_ = false;
    int32_t x_ = 0, y_ = 0;
    std::unique_ptr<SubSpriteList> subSprites_;
};

// A library: its definitions, texture collection (in 'TEXS' order),
// animations and particle descriptions.
class SpriteLibrary {
  public:
    // textures: the collection the library's textures go into; library 1
    // shares the font collection, the others own theirs (textures null),
    // made on the viewer.
    SpriteLibrary(int32_t number, DXLTextures* textures, DXLViewer* viewer = nullptr);
    ~SpriteLibrary();

    int32_t GetNumber() const { return number_; }
    DXLTextures* GetTextureCollection() const { return textures_; }

    // Case-insensitive, first match; null for a null or empty name or none.
    // A name asked for and not found is logged, once per name: "Sprite
    // missing: library N name".
    Sprite* FindSprite(const char16_t* name) const;
    MapSprite* FindMapSprite(const char16_t* name) const;
    // The same lookup without the log line, for callers that expect a miss
    // now and then (the end of a numbered series, a name checked for clashes).
    MapSprite* ProbeSprite(const char16_t* name) const;
    DXLTexture* FindTexture(const char16_t* name) const;
    GameAnimation* FindAnimation(const char16_t* name) const;
    // A new instance of the definition (of any library); null without a
    // definition or frames. Flag bit 0: start the definition's default
    // sequence now (with a frame time and two frames or more); else frame 0.
    std::unique_ptr<SpriteInstance> CreateInstance(Sprite* definition, uint32_t flag) const;
    std::unique_ptr<SpriteInstance> CreateInstanceByName(const char16_t* name, uint32_t flag) const;

    // Contents, as the pack reader fills them.
    MapSprite* AddSprite(const char16_t* name);
    void AddPackTexture(DXLTexture* texture) { packTextures_.push_back(texture); }
    const std::vector<DXLTexture*>& GetPackTextures() const { return packTextures_; }
    int32_t GetSpriteCount() const { return int32_t(sprites_.size()); }
    MapSprite* GetSpriteAt(int32_t i) const;
    std::vector<std::unique_ptr<GameAnimation>>& Animations() { return animations_; }
    std::vector<GPSDescription>& ParticleDescriptions() { return particles_; }
    const std::vector<GPSDescription>& ParticleDescriptions() const { return particles_; }

  private:
    void ReportMissing(const char16_t* name) const;

    int32_t number_;
    std::unique_ptr<DXLTextures> ownTextures_;
    DXLTextures* textures_;
    std::vector<DXLTexture*> packTextures_; // in the collection
    std::vector<std::unique_ptr<MapSprite>> sprites_;
    std::vector<std::unique_ptr<GameAnimation>> animations_;
    std::vector<GPSDescription> particles_;
    mutable std::set<std::u16string> missing_; // names already logged as missing, in lower case
};

// The game's libraries by number (1..kSpriteLibrarySlots-1).
constexpr int32_t kSpriteLibrarySlots = 17;
class SpriteLibraries {
  public:
    SpriteLibraries();
    ~SpriteLibraries();
    // Replaces library n (a number outside 1..16 is refused: null).
    SpriteLibrary* Make(int32_t number, DXLTextures* sharedTextures, DXLViewer* viewer = nullptr);
    SpriteLibrary* Get(int32_t number) const;
    // Deletes the libraries and empties the registries.
    void Clear();

    // Every library's animations and particle descriptions.
    AnimationRegistry animations;
    GPSClass particles;

  private:
    std::unique_ptr<SpriteLibrary> libraries_[kSpriteLibrarySlots];
};

// The installed library set (not owned; the program installs it after
// loading and removes it before freeing it).
void SetSpriteLibraries(SpriteLibraries* libraries);
SpriteLibraries* GetSpriteLibraries();
// Lookups through the installed set: null when it or the library is unknown.
SpriteLibrary* GetLibrary(int32_t number);
DXLTextures* GetLibraryTextures(int32_t number);
Sprite* GetSprite(int32_t number, const char16_t* name);
