#include "sprites/Sprite.h"

#include "engine/Log.h"
#include "engine/Texture.h"
#include "foundation/StrFunctions.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "sprites/GameAnimation.h"
#include "sprites/Particles.h"
#include "sprites/SpriteHost.h"

#include <algorithm>

// ---------------------------------------------------------------- drawing item

void MapDrawItem::Draw(DXLViewer& viewer) const {
    if (!texture || !texture->IsLive()) return;
    SetCurrentTexture(texture);
    viewer.ApplyTransform();
    viewer.DrawTexturedQuad(&quad);
}

// ---------------------------------------------------------------- sprite

Sprite::Sprite(SpriteLibrary* library, const char16_t* name) : library_(library) {
    kis::StrCopyW(name_, kSpriteNameSize, name);
}

Sprite::~Sprite() = default;

void Sprite::SetFrames(std::vector<kis::Rect> frames) {
    frames_ = std::move(frames);
    quads_.clear();
    width_ = height_ = 0;
    for (const kis::Rect& r : frames_) {
        width_ = std::max(width_, r.right - r.left);
        height_ = std::max(height_, r.bottom - r.top);
    }
}

bool Sprite::Acquire() {
    if (!texture_) return false;
    if (!texture_->IsLive()) texture_->Restore();
    if (!texture_->IsLive()) return false;
    const int32_t tw = texture_->GetTextureWidth(), th = texture_->GetTextureHeight();
    if (quads_.size() == frames_.size() && quadsWidth_ == tw && quadsHeight_ == th) return true;
    quads_.resize(frames_.size());
    for (size_t i = 0; i < frames_.size(); ++i) {
        const kis::Rect& r = frames_[i];
        const DXLRectF destination{0.0f, 0.0f, float(r.right - r.left), float(r.bottom - r.top)};
        const DXLRectF source{float(r.left), float(r.top), float(r.right), float(r.bottom)};
        texture_->MakeQuadRectToRect(&quads_[i], destination, source, 0xFFFFFFFF);
    }
    quadsWidth_ = tw;
    quadsHeight_ = th;
    return true;
}

bool Sprite::GetFrameRect(int32_t i, kis::Rect* out) const {
    if (i < 0 || i >= GetFrameCount()) {
        if (out) *out = {0, 0, 0, 0};
        return false;
    }
    if (out) *out = frames_[size_t(i)];
    return true;
}

const TexturedQuad* Sprite::GetFrameQuad(int32_t i) {
    if (i < 0 || i >= GetFrameCount() || !Acquire()) return nullptr;
    return &quads_[size_t(i)];
}

std::unique_ptr<SpriteInstance> Sprite::CreateInstance(uint32_t flag) {
    return library_ ? library_->CreateInstance(this, flag) : nullptr;
}

// ---------------------------------------------------------------- map sprite

bool MapSprite::Fill(MapDrawItem* item, int32_t frame, float left, float top, float width, float height,
                     const kis::Rect* source, uint32_t colour, bool mirror) {
    if (!item || frames_.empty()) return false;
    if (frame < 0) frame = platform::Rand() % GetFrameCount();
    if (frame >= GetFrameCount() || !Acquire()) return false;
    const kis::Rect& r = frames_[size_t(frame)];
    DXLRectF part{float(r.left), float(r.top), float(r.right), float(r.bottom)};
    DXLRectF destination{left, top, left + width, top + height};
    if (source) { // a part of the frame, placed where it lies in the frame
        const float frameW = float(r.right - r.left), frameH = float(r.bottom - r.top);
        const float x0 = std::clamp(float(source->left), 0.0f, frameW);
        const float x1 = std::clamp(float(source->right), x0, frameW);
        const float y0 = std::clamp(float(source->top), 0.0f, frameH);
        const float y1 = std::clamp(float(source->bottom), y0, frameH);
        const float sx = frameW > 0 ? width / frameW : 0.0f, sy = frameH > 0 ? height / frameH : 0.0f;
        const float mx0 = mirror ? frameW - x1 : x0, mx1 = mirror ? frameW - x0 : x1;
        destination = {left + mx0 * sx, top + y0 * sy, left + mx1 * sx, top + y1 * sy};
        part = {float(r.left) + x0, float(r.top) + y0, float(r.left) + x1, float(r.top) + y1};
    }
    item->texture = texture_;
    texture_->MakeQuadRectToRect(&item->quad, destination, part, colour, mirror);
    return true;
}

bool MapSprite::Draw(MapDrawItem* item, int32_t frame, int32_t x, int32_t y, const kis::Rect* source,
                     uint32_t colour, bool mirror) {
    return DrawFloat(item, frame, float(x), float(y), source, colour, mirror);
}

bool MapSprite::DrawFloat(MapDrawItem* item, int32_t frame, float x, float y, const kis::Rect* source,
                          uint32_t colour, bool mirror) {
    mirror = mirror && IsMirrorable();
    if (frames_.empty()) return false;
    if (frame < 0) frame = platform::Rand() % GetFrameCount();
    kis::Rect r = {};
    if (!GetFrameRect(frame, &r)) return false;
    const float w = float(r.right - r.left), h = float(r.bottom - r.top);
    const float ox = mirror ? w - float(originX_) : float(originX_);
    return Fill(item, frame, x - ox, y - float(originY_), w, h, source, colour, mirror);
}

bool MapSprite::DrawScaled(MapDrawItem* item, int32_t frame, const kis::Rect& rect, const kis::Rect* source,
                           uint32_t colour, bool mirror) {
    mirror = mirror && IsMirrorable();
    if (frame < 0 && !frames_.empty()) frame = platform::Rand() % GetFrameCount();
    kis::Rect r;
    if (!GetFrameRect(frame, &r)) return false;
    const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
    return Fill(item, frame, float(rect.left), float(rect.top), float(w != 0 ? w : r.right - r.left),
                float(h != 0 ? h : r.bottom - r.top), source, colour, mirror);
}

// ---------------------------------------------------------------- instance

SpriteInstance::SpriteInstance(Sprite* definition_) : definition(definition_) {}

SpriteInstance::~SpriteInstance() = default;

void SpriteInstance::SetFrameSequence(const FrameSequence* s, bool restart) {
    if (!s) {
        sequenceInUse = false;
        return;
    }
    sequence = *s;
    sequenceInUse = true;
    if (restart) {
        sequence.time = GetSpriteHost().GameClock();
        sequence.current = FrameSequenceFrameAt(&sequence, 0);
        frame = sequence.current;
    }
}

void SpriteInstance::SetTextureState(const DXLTextureState* state) {
    if (!state) {
        textureState_.reset();
        return;
    }
    if (!textureState_) textureState_ = std::make_unique<DXLTextureState>();
    *textureState_ = *state;
}

void SpriteInstance::Draw(DXLViewer& viewer) {
    if (!definition) return;
    if (sequenceInUse) {
        sequence.current = FrameSequenceFrameAt(&sequence, GetSpriteHost().GameClock() - sequence.time);
        frame = sequence.current;
    }
    const TexturedQuad* quad = definition->GetFrameQuad(frame);
    if (!quad) return;
    kis::Rect r;
    definition->GetFrameRect(frame, &r);
    viewer.Scale2(scaleX, scaleY);
    if (angle != 0.0f) viewer.RotateDegrees(angle);
    viewer.Translate(-originX * float(r.right - r.left), -originY * float(r.bottom - r.top));
    viewer.ApplyTransform();
    TexturedQuad coloured = *quad;
    for (platform::TexturedVertex& v : coloured.v)
        v.colour = colour;
    if (textureState_) viewer.SetTextureStateOverride(textureState_.get());
    SetCurrentTexture(definition->GetTexture());
    if (textureState_) viewer.ApplyTextureState(textureState_.get());
    viewer.DrawTexturedQuad(&coloured);
    if (textureState_) {
        viewer.SetTextureStateOverride(nullptr);
        ClearCurrentTexture(&viewer); // the next draw binds its texture with its own state again
    }
}

// ---------------------------------------------------------------- sub-sprites

void SubSpriteImage::SetFrameData(int32_t frame, float x, float y, float anchorX, float anchorY, float scaleX,
                                  float scaleY) {
    data_ = {frame, x, y, anchorX, anchorY, scaleX, scaleY};
}

bool SubSpriteImage::Fill(MapSprite* sprite, MapDrawItem* item, float ox, float oy, uint32_t colour,
                          bool mirror) const {
    kis::Rect r;
    if (!sprite || data_.frame < 0 || !sprite->GetFrameRect(data_.frame, &r)) return false;
    const float w = float(r.right - r.left) * data_.scaleX, h = float(r.bottom - r.top) * data_.scaleY;
    const float x = mirror ? -data_.x : data_.x;
    const float ax = mirror ? 1.0f - data_.anchorX : data_.anchorX;
    const kis::Rect target{int32_t(ox + x - ax * w), int32_t(oy + data_.y - data_.anchorY * h),
                           int32_t(ox + x - ax * w + w), int32_t(oy + data_.y - data_.anchorY * h + h)};
    return sprite->DrawScaled(item, data_.frame, target, nullptr, colour, mirror);
}

MapSpriteUser::~MapSpriteUser() = default;

void MapSpriteUser::SetSprite(MapSprite* sprite, bool keep) {
    const bool mirror = wantMirrored_ && sprite && sprite->IsMirrorable();
    if (sprite == sprite_ && mirror == mirrored_) return;
    if (!keep) subSprites_.reset();
    sprite_ = sprite;
    mirrored_ = mirror;
    item_ = {};
    if (!sprite_) return;
    sprite_->Draw(&item_, 0, x_, y_, nullptr, 0xFFFFFFFF, mirrored_);
    if (keep) return;
    for (const SubSpriteDef& def : sprite_->GetSubSprites()) {
        auto sub = std::make_unique<SubSpriteImage>();
        sub->SetFrameData(def.frame, def.x, def.y, def.anchorX, def.anchorY, def.scaleX, def.scaleY);
        AddSubSprite(&subSprites_, std::move(sub));
    }
}

void MapSpriteUser::AddSubSprite(std::unique_ptr<SubSpriteList>* list, std::unique_ptr<SubSpriteImage> sub) {
    if (!list || !sub) return;
    if (!*list) *list = std::make_unique<SubSpriteList>();
    (*list)->push_back(std::move(sub));
}

// ---------------------------------------------------------------- library

SpriteLibrary::SpriteLibrary(int32_t number, DXLTextures* textures, DXLViewer* viewer)
    : number_(number), textures_(textures) {
    if (!textures_) {
        ownTextures_ = std::make_unique<DXLTextures>(viewer);
        textures_ = ownTextures_.get();
    }
}

SpriteLibrary::~SpriteLibrary() = default;

Sprite* SpriteLibrary::FindSprite(const char16_t* name) const {
    return FindMapSprite(name);
}

MapSprite* SpriteLibrary::FindMapSprite(const char16_t* name) const {
    MapSprite* sprite = ProbeSprite(name);
    if (!sprite && name && name[0]) ReportMissing(name);
    return sprite;
}

MapSprite* SpriteLibrary::ProbeSprite(const char16_t* name) const {
    if (!name || !name[0]) return nullptr;
    for (const auto& sprite : sprites_)
        if (kis::StrICompareW(sprite->GetName(), name) == 0) return sprite.get();
    return nullptr;
}

// Names compare without case, so "Wheat" and "wheat" are one missing sprite.
void SpriteLibrary::ReportMissing(const char16_t* name) const {
    std::u16string key(name, kis::StrLen(name));
    for (char16_t& c : key)
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    if (!missing_.insert(key).second) return;
    LogLabelPrintf(kLogIndent, "Sprite missing", "library %d %s", int(number_),
                   platform::Utf16ToUtf8(name).c_str());
}

DXLTexture* SpriteLibrary::FindTexture(const char16_t* name) const {
    if (!name || !name[0]) return nullptr;
    for (DXLTexture* texture : packTextures_)
        if (kis::StrICompareW(texture->GetName(), name) == 0) return texture;
    return textures_ ? textures_->FindByName(name) : nullptr;
}

GameAnimation* SpriteLibrary::FindAnimation(const char16_t* name) const {
    if (!name || !name[0]) return nullptr;
    for (const auto& animation : animations_)
        if (kis::StrICompareW(animation->GetName(), name) == 0) return animation.get();
    return nullptr;
}

std::unique_ptr<SpriteInstance> SpriteLibrary::CreateInstance(Sprite* definition, uint32_t flag) const {
    if (!definition || definition->GetFrameCount() == 0) return nullptr;
    auto instance = std::make_unique<SpriteInstance>(definition);
    if ((flag & 1) && definition->GetDefaultFrameTime() != 0 && definition->GetFrameCount() >= 2) {
        FrameSequence sequence;
        SetFrameSequence(&sequence, definition->GetDefaultMode(), 0, definition->GetFrameCount(),
                         definition->GetDefaultFrameTime(), 0, 0);
        instance->SetFrameSequence(&sequence, true);
    }
    return instance;
}

std::unique_ptr<SpriteInstance> SpriteLibrary::CreateInstanceByName(const char16_t* name,
                                                                    uint32_t flag) const {
    return CreateInstance(FindSprite(name), flag);
}

MapSprite* SpriteLibrary::AddSprite(const char16_t* name) {
    sprites_.push_back(std::make_unique<MapSprite>(this, name));
    return sprites_.back().get();
}

MapSprite* SpriteLibrary::GetSpriteAt(int32_t i) const {
    return i >= 0 && i < GetSpriteCount() ? sprites_[size_t(i)].get() : nullptr;
}

// ---------------------------------------------------------------- library set

SpriteLibraries::SpriteLibraries() = default;
SpriteLibraries::~SpriteLibraries() {
    Clear();
}

SpriteLibrary* SpriteLibraries::Make(int32_t number, DXLTextures* sharedTextures, DXLViewer* viewer) {
    if (number < 1 || number >= kSpriteLibrarySlots) return nullptr;
    libraries_[number] = std::make_unique<SpriteLibrary>(number, sharedTextures, viewer);
    return libraries_[number].get();
}

SpriteLibrary* SpriteLibraries::Get(int32_t number) const {
    return number >= 1 && number < kSpriteLibrarySlots ? libraries_[number].get() : nullptr;
}

void SpriteLibraries::Clear() {
    animations.Clear();
    particles.Clear();
    for (int32_t i = kSpriteLibrarySlots - 1; i >= 1; --i) // later libraries refer back to earlier ones
        libraries_[i].reset();
}

namespace {
SpriteLibraries* g_libraries = nullptr; // installed by the program, not owned
}

void SetSpriteLibraries(SpriteLibraries* libraries) {
    g_libraries = libraries;
}

SpriteLibraries* GetSpriteLibraries() {
    return g_libraries;
}

SpriteLibrary* GetLibrary(int32_t number) {
    return g_libraries ? g_libraries->Get(number) : nullptr;
}

DXLTextures* GetLibraryTextures(int32_t number) {
    SpriteLibrary* library = GetLibrary(number);
    return library ? library->GetTextureCollection() : nullptr;
}

Sprite* GetSprite(int32_t number, const char16_t* name) {
    SpriteLibrary* library = GetLibrary(number);
    return library ? library->FindSprite(name) : nullptr;
}
