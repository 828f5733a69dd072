#include "text/DigitalText.h"

#include "engine/Log.h"
#include "engine/TextureLoader.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "text/FontSlots.h"
#include "text/KGEBitmapFont.h"
#include "text/KGEWinFont.h"
#include "text/ObjectRegistry.h"
#include "text/OutOfMemory.h"
#include "text/TextureCollections.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Widths, gaps and places come from the pack: sums of them saturate instead
// of overflowing.
int32_t Saturated(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

bool ReadU32(kis::BaseDataFile* reader, uint32_t* value) {
    uint8_t bytes[4];
    if (!reader->Read(bytes, 4)) return false;
    *value = kis::LoadLE32(bytes);
    return true;
}

} // namespace

// ---------------------------------------------------------------- digit font

DigitalFont::DigitalFont(DXLTextures* collection) : collection_(collection) {}

DigitalFont::~DigitalFont() {
    Clear();
}

void DigitalFont::Clear() {
    modes_.DeleteAll();
}

bool DigitalFont::Load(kis::BaseDataFile* reader) {
    Clear();
    uint8_t bytes[kDigitalFontHeaderSize];
    if (!reader || reader->ChunkBytesLeft() < kDigitalFontHeaderSize || !reader->Read(bytes, sizeof bytes))
        return false;
    DigitalFontHeader header;
    uint32_t words[kDigitalFontHeaderSize / 4];
    for (uint32_t i = 0; i < kDigitalFontHeaderSize / 4; ++i)
        words[i] = kis::LoadLE32(bytes + 4 * i);
    static_assert(sizeof words == sizeof header);
    std::memcpy(&header, words, sizeof header);
    // The mode bytes must be count x 16, worked out without wrapping, and
    // must be there.
    if (header.headerSize != kDigitalFontHeaderSize ||
        uint64_t(header.modeBytes) != uint64_t(header.modeCount) * kDigitalFontModeSize ||
        header.modeBytes > reader->ChunkBytesLeft())
        return false;

    id_ = header.id;
    std::memcpy(widths_, header.widths, sizeof widths_);
    gap_ = header.gap;
    hasMinus_ = uint8_t(header.hasMinus & 0xFF);

    std::unique_ptr<uint8_t[]> records(new (std::nothrow) uint8_t[header.modeBytes ? header.modeBytes : 1]);
    if (!records || !reader->Read(records.get(), header.modeBytes)) return false;
    if (header.flags & kDigitalFontHasTexture) {
        DXLTexture* texture = nullptr;
        char16_t name[32] = {};
        if (!ReadTextureEntryHeader(reader, collection_, &texture, &name)) return false;
        texture_ = texture; // a name the collection does not hold leaves the font without one
        if (!texture)
            LogErrorPrintfW(kLogIndent, u"Digit font %d of %s: its texture \"%s\" is missing.",
                            int(header.id), PackFileName(reader).c_str(), name);
        // A pack texture waits declared for its first user: the font is one.
        if (texture_ && !texture_->IsLive()) texture_->Restore();
    }
    for (uint32_t i = 0; i < header.modeCount; ++i) {
        auto* mode = new (std::nothrow) DIGITALFONTMODE{};
        if (!mode) return false;
        const uint8_t* r = records.get() + size_t(i) * kDigitalFontModeSize;
        mode->x = int32_t(kis::LoadLE32(r));
        mode->y = int32_t(kis::LoadLE32(r + 4));
        mode->height = int32_t(kis::LoadLE32(r + 8));
        mode->step = int32_t(kis::LoadLE32(r + 12));
        BuildMode(mode);
        modes_.Add(mode);
    }
    return true;
}

void DigitalFont::BuildMode(DIGITALFONTMODE* mode) const {
    const bool textured = texture_ && texture_->IsLive();
    // The height comes from the picture: the loaded one, else the size its
    // pack declares for it.
    const int32_t pictureHeight = textured   ? texture_->GetHeight()
                                  : texture_ ? texture_->GetDeclaredHeight()
                                             : 0;
    if (mode->height < 1 && pictureHeight > 0) mode->height = Saturated(int64_t{pictureHeight} - mode->y);
    const int32_t bottom = Saturated(int64_t{mode->y} + mode->height);
    int32_t x = mode->x;
    const int32_t images = hasMinus_ ? kDigitImages : kDigitImages - 1;
    for (int32_t i = 0; i < images; ++i) {
        TexturedQuad& quad = mode->quads[i];
        if (textured) {
            texture_->MakeQuadFromArea(&quad, 0.0f, 0.0f, float(x), float(mode->y), float(widths_[i]),
                                       float(mode->height), 0xFFFFFFFFu);
        } else {
            quad = TexturedQuad{};
            SetQuadRect(quad.v, float(x), float(mode->y), float(Saturated(int64_t{x} + widths_[i])),
                        float(bottom), false, true);
            for (platform::TexturedVertex& v : quad.v)
                v.colour = 0xFFFFFFFFu;
        }
        x = Saturated(int64_t{x} + widths_[i] + mode->step);
    }
}

void DigitalFont::RebuildModes() {
    for (int32_t i = 0; i < modes_.Count(); ++i)
        if (DIGITALFONTMODE* mode = modes_.Get(i)) BuildMode(mode);
}

// ---------------------------------------------------------------- digital text

DigitalText::DigitalText(DigitalFont* font, int32_t mode, int32_t capacity, bool pad, int32_t spacing)
    : font_(font), mode_(mode), capacity_(capacity < 0              ? 0
                                          : capacity > kDigitImages ? kDigitImages
                                                                    : capacity),
      spacing_(spacing), pad_(pad), quads_(KGEAllocArray<TexturedQuad>(size_t(capacity_))) {}

DigitalText::~DigitalText() = default;

void DigitalText::SetValue(int32_t value) {
    value_ = value;
    Layout();
}

void DigitalText::Layout() {
    if (!font_ || mode_ < 0 || mode_ >= font_->ModeCount()) {
        count_ = 0;
        width_ = 0;
        height_ = 0;
        std::memset(static_cast<void*>(quads_.get()), 0, sizeof(TexturedQuad) * size_t(capacity_));
        return;
    }
    const DIGITALFONTMODE* mode = font_->GetMode(mode_);
    height_ = mode->height;

    // The digits, least significant first; the magnitude of the smallest
    // value needs 64 bits.
    uint64_t magnitude = value_ < 0 ? uint64_t(-int64_t(value_)) : uint64_t(value_);
    int32_t n = 0;
    do {
        digits_[n++] = int32_t(magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0 && n < kDigitImages);
    if (value_ < 0 && font_->HasMinus() && n < kDigitImages) digits_[n++] = kMinusImage;
    if (n > capacity_) n = capacity_;
    if (pad_) {
        while (n < capacity_)
            digits_[n++] = 0;
    }
    count_ = n;

    int64_t pen = 0;
    for (int32_t i = count_ - 1, slot = 0; i >= 0; --i, ++slot) {
        const int32_t image = digits_[i];
        TexturedQuad& quad = quads_[size_t(slot)];
        quad = mode->quads[image];
        for (platform::TexturedVertex& v : quad.v) {
            v.x += float(pen);
            if (v.colour != colour_) v.colour = colour_;
        }
        pen = Saturated(pen + font_->GetWidth(image));
        if (i > 0) pen = Saturated(pen + font_->GetGap() + spacing_);
    }
    width_ = int32_t(pen);
}

void DigitalText::SetColor(uint32_t colour) {
    if (colour == colour_) return;
    colour_ = colour;
    for (int32_t i = 0; i < count_; ++i)
        for (platform::TexturedVertex& v : quads_[size_t(i)].v)
            v.colour = colour;
}

void DigitalText::Draw() {
    if (!font_) return;
    DXLTexture* texture = font_->GetTexture();
    if (!texture || !texture->GetViewer()) return;
    if (!texture->Bind(true)) return;
    for (int32_t i = 0; i < count_; ++i)
        texture->GetViewer()->DrawTexturedQuad(&quads_[size_t(i)]);
    texture->Unbind(true);
}

void GameDigitalText::Draw() {
    if (!font_) return;
    // A font without a texture still shows its digits, as the plain white
    // rectangles its modes were built with; the viewer is then its collection's.
    DXLTexture* texture = font_->GetTexture();
    DXLViewer* viewer = texture ? texture->GetViewer() : nullptr;
    if (!viewer && font_->GetCollection()) viewer = font_->GetCollection()->GetViewer();
    if (!viewer) return;
    viewer->ApplyTransform();
    SetCurrentTexture(texture);
    for (int32_t i = 0; i < count_; ++i)
        viewer->DrawTexturedQuad(&quads_[size_t(i)]);
    ClearCurrentTexture(viewer);
}

void SetQuadRect(platform::TexturedVertex* vertices, float x1, float y1, float x2, float y2, bool repeatFirst,
                 bool zeroZ) {
    const float xs[4] = {x1, x2, x2, x1};
    const float ys[4] = {y1, y1, y2, y2};
    const int count = repeatFirst ? 5 : 4;
    for (int i = 0; i < count; ++i) {
        vertices[i].x = xs[i % 4];
        vertices[i].y = ys[i % 4];
        if (zeroZ) vertices[i].z = 0.0f;
    }
    if (repeatFirst && !zeroZ) vertices[4].z = vertices[0].z;
}

// ---------------------------------------------------------------- chunk loaders

namespace {

// Opens the chunk and reads its count on the first call. False ends the step
// with the error flag set.
bool BeginChunk(kis::BaseDataFile* reader, LoaderState* state, uint32_t id, uint32_t subId,
                uint32_t recordSize) {
    uint32_t count = 0;
    if (!reader || !reader->OpenChunk(id, subId)) return false;
    if (!ReadU32(reader, &count) || uint64_t(count) * recordSize > reader->ChunkBytesLeft()) {
        reader->CloseChunk();
        return false;
    }
    state->total = int32_t(count);
    return true;
}

int32_t Fail(kis::BaseDataFile* reader, LoaderState* state) {
    state->error = 1;
    if (reader && reader->GetOpenChunk()) reader->CloseChunk();
    return kLoaderFinished;
}

int32_t Finish(kis::BaseDataFile* reader, LoaderState* state) {
    if (!reader->CloseChunk()) state->error = 1;
    return kLoaderFinished;
}

void PutFontInSlot(int32_t slot, KGEFont* font) {
    delete AppFontSlots[slot];
    AppFontSlots[slot] = font;
    RegisterFont(font);
    font->AddRef(); // a font whose texture is not there yet stays unbuilt
}

} // namespace

int32_t LoadDigitalFonts(kis::list<DigitalFont>* fonts, kis::BaseDataFile* reader, LoaderState* state) {
    if (state->done == 0 &&
        !BeginChunk(reader, state, kDigitalFontChunkId, kDigitalFontChunkSubId, kDigitalFontHeaderSize)) {
        state->error = 1;
        return kLoaderFinished;
    }
    while (state->done < state->total) {
        auto* font = KGENew<DigitalFont>(GetTextureCollection(kFontTextureCollection));
        if (!font->Load(reader)) {
            delete font;
            return Fail(reader, state);
        }
        fonts->Add(font);
        ++state->done;
        if (GlobalObjectSetFloat(float(state->done) / float(state->total))) return kLoaderCallAgain;
    }
    return Finish(reader, state);
}

int32_t LoadFonts(DXLViewer* viewer, kis::BaseDataFile* reader, LoaderState* state) {
    if (state->done == 0) {
        if (!BeginChunk(reader, state, kFontChunkId, kFontChunkSubId, 8)) {
            state->error = 1;
            return kLoaderFinished;
        }
        if (uint32_t(state->total) != kFontChunkCount) return Fail(reader, state);
    }
    while (state->done < state->total) {
        uint32_t magic[2];
        if (!ReadU32(reader, &magic[0]) || !ReadU32(reader, &magic[1])) return Fail(reader, state);
        KGEFont* font = nullptr;
        if (magic[0] == kBitmapFontMagic[0] && magic[1] == kBitmapFontMagic[1]) {
            DXLTexture* texture = nullptr;
            char16_t name[32] = {};
            if (!ReadTextureEntryHeader(reader, GetTextureCollection(kFontTextureCollection), &texture,
                                        &name))
                return Fail(reader, state);
            if (!texture) {
                LogErrorPrintfW(kLogIndent, u"Font %d of %s: its texture \"%s\" is missing.",
                                int(kLanguageFontCount + 1 + state->done), PackFileName(reader).c_str(),
                                name);
                return Fail(reader, state);
            }
            if (!texture->IsLive()) texture->Restore(); // first use of a declared pack texture
            auto* bitmapFont = KGENew<KGEBitmapFont>(viewer);
            bitmapFont->SetTexture(texture, false);
            if (bitmapFont->ReadBinary(reader) != 0) {
                delete bitmapFont;
                return Fail(reader, state);
            }
            font = bitmapFont;
        } else if (magic[0] == kWinFontMagic[0] && magic[1] == kWinFontMagic[1]) {
            auto* winFont = KGENew<KGEWinFont>(viewer);
            if (winFont->ReadBinary(reader) != 0) {
                delete winFont;
                return Fail(reader, state);
            }
            font = winFont;
        } else {
            return Fail(reader, state);
        }
        PutFontInSlot(state->done, font);
        ++state->done;
        if (GlobalObjectSetFloat(float(state->done) / float(state->total))) return kLoaderCallAgain;
    }
    return Finish(reader, state);
}

void FreeAppFonts() {
    for (KGEFont*& font : AppFontSlots) {
        delete font;
        font = nullptr;
    }
}
