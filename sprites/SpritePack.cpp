#include "sprites/SpritePack.h"

#include "engine/Texture.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "foundation/Ident.h"
#include "foundation/StrFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

bool ReadExact(kis::BaseDataFile* reader, void* out, uint32_t n) {
    return n <= reader->ChunkBytesLeft() && reader->Read(out, n);
}

bool ReadU32(kis::BaseDataFile* reader, uint32_t* value) {
    uint8_t bytes[4];
    if (!ReadExact(reader, bytes, 4)) return false;
    *value = kis::LoadLE32(bytes);
    return true;
}

uint32_t U32(const uint8_t* p) {
    return kis::LoadLE32(p);
}
int32_t I32(const uint8_t* p) {
    return int32_t(kis::LoadLE32(p));
}
float F32(const uint8_t* p) {
    const uint32_t bits = kis::LoadLE32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

bool IsNameCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// The texture loader reports its chunk's own progress; while it runs, its
// fractions are placed within the kind's share of the whole pack, so the
// stage's progress never goes back.
struct ProgressSpan {
    LoadingProgressHook outer = nullptr;
    float base = 0.0f, span = 1.0f;
};
ProgressSpan g_span;

bool SpanProgress(float fraction) {
    return g_span.outer && g_span.outer(g_span.base + g_span.span * fraction);
}

constexpr uint32_t kKindTags[4] = {kPackTextureChunkId, kPackSpriteChunkId, kPackAnimationChunkId,
                                   kPackParticleChunkId};

} // namespace

bool ReadPackName(const uint8_t* bytes, char16_t (&name)[kSpriteNameSize]) {
    int length = -1;
    for (int i = 0; i < kSpriteNameSize; ++i) {
        name[i] = char16_t(kis::LoadLE16(bytes + 2 * i));
        if (name[i] == 0 && length < 0) length = i;
    }
    if (length < 0) name[kSpriteNameSize - 1] = 0;
    return length >= 1; // unterminated (-1) or empty (0): refused
}

// ---------------------------------------------------------------- loader

SpritePackLoader::SpritePackLoader(SpriteLibraries* libraries, DXLTextures* sharedTextures,
                                   PackTextureLoader textures)
    : libraries_(libraries), sharedTextures_(sharedTextures), loadTextures_(textures) {}

int32_t SpritePackLoader::Fail(kis::BaseDataFile* reader, LoaderState* state) {
    state->error = 1;
    if (reader->GetOpenChunk()) reader->CloseChunk();
    current_ = nullptr;
    return kLoaderFinished;
}

// Opens the kind's chunk and reads its count: false for a bad chunk. An
// absent chunk leaves inChunk_ false (the kind is empty).
bool SpritePackLoader::OpenRecords(kis::BaseDataFile* reader, uint32_t tag, uint32_t limit,
                                   uint32_t smallest) {
    if (!reader->HasChunk(tag, kPackChunkSubId)) return !reader->HasChunk(tag, kis::kAnySubId);
    uint32_t count = 0;
    if (!reader->OpenChunk(tag, kPackChunkSubId) || !ReadU32(reader, &count) || count > limit ||
        uint64_t(count) * smallest > reader->ChunkBytesLeft())
        return false;
    chunk_ = {0, int32_t(count), 0};
    inChunk_ = true;
    return true;
}

// One record: its size first where the kind has one (checked against the
// bytes left before anything is read), then the whole record into the
// reused buffer.
bool SpritePackLoader::ReadRecord(kis::BaseDataFile* reader) {
    uint32_t size = kParticleRecordSize;
    if (kind_ != 3) {
        uint8_t head[4];
        if (!ReadExact(reader, head, 4)) return false;
        size = U32(head);
        const uint32_t smallest = kind_ == 1 ? kSpriteRecordHeader : kAnimationRecordHeader;
        if (size < smallest || size - 4 > reader->ChunkBytesLeft()) return false;
        record_.resize(size);
        std::memcpy(record_.data(), head, 4);
        if (!ReadExact(reader, record_.data() + 4, size - 4)) return false;
    } else {
        record_.resize(size);
        if (!ReadExact(reader, record_.data(), size)) return false;
    }
    switch (kind_) {
    case 1:
        return ReadSprite(record_);
    case 2:
        return ReadAnimation(record_);
    default:
        return ReadParticle(record_);
    }
}

bool SpritePackLoader::ReadSprite(const std::vector<uint8_t>& r) {
    char16_t name[kSpriteNameSize];
    if (!ReadPackName(&r[4], name)) return false;
    const uint32_t flags = U32(&r[68]), texture = U32(&r[72]), frames = U32(&r[76]), mode = U32(&r[80]);
    const uint32_t subs = U32(&r[100]);
    if ((flags & ~MapSprite::kFlagMirrorable) || frames > kMaxSpriteFrames || mode > kPlaySwing ||
        subs > kMaxSubSprites)
        return false;
    if (r.size() != kSpriteRecordHeader + kFrameRecordSize * frames + kSubSpriteRecordSize * subs)
        return false;
    DXLTexture* image = nullptr;
    if (texture != 0xFFFFFFFF) {
        if (texture >= current_->GetPackTextures().size()) return false;
        image = current_->GetPackTextures()[texture];
    }
    if (current_->ProbeSprite(name)) return false; // names are unique per library
    // Rectangles lie inside the image: the size its pack declared (the image
    // loads when first drawn), the largest texture side when there is none.
    const int32_t width = image ? image->GetDeclaredWidth() : kMaxTextureSide;
    const int32_t height = image ? image->GetDeclaredHeight() : kMaxTextureSide;
    std::vector<kis::Rect> rects(frames);
    const uint8_t* p = &r[kSpriteRecordHeader];
    for (kis::Rect& rect : rects) {
        rect = {I32(p), I32(p + 4), I32(p + 8), I32(p + 12)};
        p += kFrameRecordSize;
        if (rect.left < 0 || rect.left >= rect.right || rect.right > width || rect.top < 0 ||
            rect.top >= rect.bottom || rect.bottom > height)
            return false;
    }
    std::vector<SubSpriteDef> subSprites(subs);
    for (SubSpriteDef& sub : subSprites) {
        sub = {I32(p), F32(p + 4), F32(p + 8), F32(p + 12), F32(p + 16), F32(p + 20), F32(p + 24)};
        p += kSubSpriteRecordSize;
        if (sub.frame < -1 || sub.frame >= int32_t(frames)) return false;
        for (float f : {sub.x, sub.y, sub.anchorX, sub.anchorY, sub.scaleX, sub.scaleY})
            if (!std::isfinite(f)) return false;
    }
    MapSprite* sprite = current_->AddSprite(name);
    sprite->SetTexture(image);
    sprite->SetFrames(std::move(rects));
    sprite->SetDefaultSequence(mode, U32(&r[84]));
    sprite->SetPlacement(flags, I32(&r[88]), I32(&r[92]), I32(&r[96]));
    sprite->SetSubSprites(std::move(subSprites));
    return true;
}

bool SpritePackLoader::ReadAnimation(const std::vector<uint8_t>& r) {
    char16_t name[kSpriteNameSize];
    if (!ReadPackName(&r[4], name)) return false;
    for (const char16_t* c = name; *c; ++c)
        if (!IsNameCharacter(*c)) return false;
    const uint32_t variants = U32(&r[68]);
    if (variants < 1 || variants > kMaxVariants ||
        r.size() != kAnimationRecordHeader + kVariantRecordSize * variants)
        return false;
    if (libraries_->animations.Find(name)) return false; // unique across the pack
    auto animation = std::make_unique<GameAnimation>(name);
    const uint8_t* p = &r[kAnimationRecordHeader];
    for (uint32_t i = 0; i < variants; ++i, p += kVariantRecordSize) {
        const PackVariant v{U32(p),      U32(p + 4),  U32(p + 8),  U32(p + 12),
                            U32(p + 16), I32(p + 20), I32(p + 24), U32(p + 28)};
        MapSprite* sprite = current_->GetSpriteAt(v.sprite < kMaxPackSprites ? int32_t(v.sprite) : -1);
        if (!sprite || v.mode > kPlaySwing || v.count < 1 || (v.flags & ~1u) ||
            uint64_t(v.first) + v.count > uint64_t(sprite->GetFrameCount()))
            return false;
        AnimationVariant variant;
        variant.sprite = sprite;
        SetFrameSequence(&variant.sequence, v.mode, int32_t(v.first), int32_t(v.count), v.frameTime, 0, 0);
        variant.anchorX = v.anchorX;
        variant.anchorY = v.anchorY;
        variant.mirrored = v.flags & 1;
        animation->AddVariant(variant);
    }
    libraries_->animations.Add(animation.get());
    current_->Animations().push_back(std::move(animation));
    return true;
}

bool SpritePackLoader::ReadParticle(const std::vector<uint8_t>& r) {
    GPSDescription d;
    static_assert(sizeof d.record == kParticleRecordSize);
    uint32_t words[32];
    for (int i = 0; i < 32; ++i)
        words[i] = U32(&r[size_t(4 * i)]);
    std::memcpy(&d.record, words, sizeof words); // the record is 32 little-endian words
    const GPSDescriptionRecord& rec = d.record;
    if (rec.id == 0 || (rec.flags & ~kGPSOwnEmission) || rec.blendMode > kBlendInvert) return false;
    for (uint32_t reserved : rec.reserved)
        if (reserved != 0) return false;
    if (rec.sprite >= uint32_t(current_->GetSpriteCount())) return false;
    if (libraries_->particles.Find(rec.id)) return false; // unique across the pack
    const GPSEmission& e = rec.emission;
    for (float f : {e.rate, e.angle, e.spread, e.speedMin, e.speedMax, e.accelX, e.accelY, rec.deathSize})
        if (!std::isfinite(f)) return false;
    if (e.rate < 0.0f || e.rate > 100000.0f) return false;
    d.sprite = current_->GetSpriteAt(int32_t(rec.sprite));
    current_->ParticleDescriptions().push_back(d);
    libraries_->particles.Add(d);
    return true;
}

// One kind of the current library: kLoaderCallAgain when the frame's time
// is used up, kLoaderFinished when the kind is done or failed (chunk_.error).
int32_t SpritePackLoader::LoadKind(kis::BaseDataFile* reader) {
    if (kind_ == 0) {
        if (!reader->HasChunk(kPackTextureChunkId, kPackChunkSubId)) {
            if (reader->HasChunk(kPackTextureChunkId, kis::kAnySubId)) chunk_.error = 1;
            return kLoaderFinished;
        }
        if (!loadTextures_) {
            chunk_.error = 1;
            return kLoaderFinished;
        }
        made_.clear();
        g_span = {GetLoadingProgressHook(), float(library_ * 4) / float(kPackLibraryCount * 4),
                  1.0f / float(kPackLibraryCount * 4)};
        SetLoadingProgressHook(g_span.outer ? SpanProgress : nullptr);
        const int32_t result = loadTextures_(current_->GetTextureCollection(), reader, &chunk_, &made_);
        SetLoadingProgressHook(g_span.outer);
        for (DXLTexture* texture : made_)
            current_->AddPackTexture(texture);
        made_.clear();
        return result;
    }
    static constexpr uint32_t kLimits[4] = {0, kMaxPackSprites, kMaxPackAnimations, kMaxPackParticles};
    static constexpr uint32_t kSmallest[4] = {
        0, kSpriteRecordHeader, kAnimationRecordHeader + kVariantRecordSize, kParticleRecordSize};
    if (!inChunk_) {
        if (!OpenRecords(reader, kKindTags[kind_], kLimits[kind_], kSmallest[kind_])) {
            chunk_.error = 1;
            return kLoaderFinished;
        }
        if (!inChunk_) return kLoaderFinished; // absent: empty
    }
    while (chunk_.done < chunk_.total) {
        if (!ReadRecord(reader)) {
            chunk_.error = 1;
            return kLoaderFinished;
        }
        ++chunk_.done;
        const float fraction = (float(library_ * 4 + kind_) + float(chunk_.done) / float(chunk_.total)) /
                               float(kPackLibraryCount * 4);
        if (GlobalObjectSetFloat(fraction)) return kLoaderCallAgain;
    }
    inChunk_ = false;
    if (reader->ChunkBytesLeft() != 0 || !reader->CloseChunk())
        chunk_.error = 1; // bytes after the last record
    return kLoaderFinished;
}

int32_t SpritePackLoader::Load(kis::BaseDataFile* reader, LoaderState* state) {
    if (!reader || !libraries_) {
        state->error = 1;
        return kLoaderFinished;
    }
    while (library_ < kPackLibraryCount) {
        const int32_t number = kPackLibraries[library_];
        if (!inNode_) {
            if (!reader->OpenNode(kSpriteLibraryNodeId, uint32_t(number))) return Fail(reader, state);
            // The other libraries' own collections draw on the shared one's viewer.
            current_ = libraries_->Make(number, number == 1 ? sharedTextures_ : nullptr,
                                        sharedTextures_ ? sharedTextures_->GetViewer() : nullptr);
            inNode_ = true;
            kind_ = 0;
            chunk_ = {};
        }
        while (kind_ < 4) {
            const int32_t result = LoadKind(reader);
            if (chunk_.error) return Fail(reader, state);
            if (result == kLoaderCallAgain) return kLoaderCallAgain;
            ++kind_;
            chunk_ = {};
        }
        if (!reader->CloseNode()) return Fail(reader, state);
        inNode_ = false;
        ++library_;
        state->done = library_;
        state->total = kPackLibraryCount;
    }
    return kLoaderFinished;
}

// ---------------------------------------------------------------- writing

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t b[4];
    kis::StoreLE32(b, v);
    out.insert(out.end(), b, b + 4);
}
void PutI32(std::vector<uint8_t>& out, int32_t v) {
    PutU32(out, uint32_t(v));
}
void PutF32(std::vector<uint8_t>& out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}
void PutName(std::vector<uint8_t>& out, const std::u16string& name) {
    for (int i = 0; i < kSpriteNameSize; ++i) {
        const char16_t c = i < int(name.size()) ? name[size_t(i)] : 0;
        out.push_back(uint8_t(c & 0xFF));
        out.push_back(uint8_t(c >> 8));
    }
}

} // namespace

std::vector<uint8_t> PackTextureChunk(const std::vector<PackTexture>& textures) {
    std::vector<uint8_t> out;
    PutU32(out, uint32_t(textures.size()));
    for (const PackTexture& t : textures) {
        uint8_t header[kTextureEntryHeaderSize];
        WriteTextureEntryHeader(header, t.name.c_str(), 0);
        out.insert(out.end(), header, header + kTextureEntryHeaderSize);
        PutU32(out, t.width);
        PutU32(out, t.height);
        PutU32(out, uint32_t(t.image.size()));
        out.insert(out.end(), t.image.begin(), t.image.end());
    }
    return out;
}

std::vector<uint8_t> PackSpriteChunk(const std::vector<PackSprite>& sprites) {
    std::vector<uint8_t> out;
    PutU32(out, uint32_t(sprites.size()));
    for (const PackSprite& s : sprites) {
        PutU32(out, uint32_t(kSpriteRecordHeader + kFrameRecordSize * s.frames.size() +
                             kSubSpriteRecordSize * s.subSprites.size()));
        PutName(out, s.name);
        for (uint32_t v : {s.flags, s.texture, uint32_t(s.frames.size()), s.mode, s.frameTime})
            PutU32(out, v);
        for (int32_t v : {s.originX, s.originY, s.depth})
            PutI32(out, v);
        PutU32(out, uint32_t(s.subSprites.size()));
        for (const kis::Rect& r : s.frames)
            for (int32_t v : {r.left, r.top, r.right, r.bottom})
                PutI32(out, v);
        for (const SubSpriteDef& sub : s.subSprites) {
            PutI32(out, sub.frame);
            for (float f : {sub.x, sub.y, sub.anchorX, sub.anchorY, sub.scaleX, sub.scaleY})
                PutF32(out, f);
        }
    }
    return out;
}

std::vector<uint8_t> PackAnimationChunk(const std::vector<PackAnimation>& animations) {
    std::vector<uint8_t> out;
    PutU32(out, uint32_t(animations.size()));
    for (const PackAnimation& a : animations) {
        PutU32(out, uint32_t(kAnimationRecordHeader + kVariantRecordSize * a.variants.size()));
        PutName(out, a.name);
        PutU32(out, uint32_t(a.variants.size()));
        for (const PackVariant& v : a.variants) {
            for (uint32_t w : {v.sprite, v.mode, v.first, v.count, v.frameTime})
                PutU32(out, w);
            PutI32(out, v.anchorX);
            PutI32(out, v.anchorY);
            PutU32(out, v.flags);
        }
    }
    return out;
}

std::vector<uint8_t> PackParticleChunk(const std::vector<GPSDescriptionRecord>& particles) {
    std::vector<uint8_t> out;
    PutU32(out, uint32_t(particles.size()));
    for (const GPSDescriptionRecord& d : particles) {
        uint32_t words[32];
        std::memcpy(words, &d, sizeof words);
        for (uint32_t w : words)
            PutU32(out, w);
    }
    return out;
}

bool WriteSpritePackChunks(const char16_t* path, const std::vector<RawPackChunk>& chunks, bool allNodes,
                           std::string* error) {
    std::unique_ptr<kis::DataFileWriterW, bool (*)(kis::BaseDataFile*)> writer(
        kis::OpenDataFileForWrite(path, kSpritePackTypeId, kSpritePackTypeVersion, kSpritePackDataVersion,
                                  false),
        kis::CloseDataFile);
    if (!writer) return *error = "cannot open the pack for writing", false;
    std::vector<int32_t> numbers;
    if (allNodes) numbers.assign(std::begin(kPackLibraries), std::end(kPackLibraries));
    for (const RawPackChunk& c : chunks)
        if (std::find(numbers.begin(), numbers.end(), c.library) == numbers.end())
            numbers.push_back(c.library);
    bool ok = true;
    for (int32_t number : numbers) {
        kis::DataFileNode* node = writer->GetCurrentNode()->AddChild(kSpriteLibraryNodeId, uint32_t(number));
        ok = ok && writer->EnterNode(node);
        for (const RawPackChunk& c : chunks) {
            if (c.library != number) continue;
            ok = ok && writer->BeginChunk(c.tag, c.subId) &&
                 writer->Write(c.bytes.data(), uint32_t(c.bytes.size())) && writer->EndChunk();
        }
        ok = ok && writer->CloseNode();
    }
    if (!ok || !kis::CloseDataFile(writer.release())) return *error = "cannot write the pack", false;
    return true;
}

bool WriteSpritePack(const char16_t* path, const std::vector<PackLibrary>& libraries, std::string* error) {
    std::vector<RawPackChunk> chunks;
    for (const PackLibrary& l : libraries) {
        if (!l.textures.empty())
            chunks.push_back({l.number, kPackTextureChunkId, kPackChunkSubId, PackTextureChunk(l.textures)});
        if (!l.sprites.empty())
            chunks.push_back({l.number, kPackSpriteChunkId, kPackChunkSubId, PackSpriteChunk(l.sprites)});
        if (!l.animations.empty())
            chunks.push_back(
                {l.number, kPackAnimationChunkId, kPackChunkSubId, PackAnimationChunk(l.animations)});
        if (!l.particles.empty())
            chunks.push_back(
                {l.number, kPackParticleChunkId, kPackChunkSubId, PackParticleChunk(l.particles)});
    }
    return WriteSpritePackChunks(path, chunks, true, error);
}
