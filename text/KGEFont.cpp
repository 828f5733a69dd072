#include "text/KGEFont.h"

#include "platform/CodePage.h"
#include "text/ObjectRegistry.h"
#include "text/OutOfMemory.h"

#include <algorithm>
#include <cstring>

namespace {

// Advances, kerning, tracking and leading come from font files: sums of them
// saturate instead of overflowing.
int32_t Saturated(int64_t value) {
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The charsets Windows knows, with their code pages.
struct CharsetCodePage {
    uint32_t charset;
    uint32_t codePage;
};
constexpr CharsetCodePage kCharsets[] = {
    {0, 1252},   {2, 42},     {128, 932},  {129, 949},  {130, 1361}, {134, 936},  {136, 950}, {161, 1253},
    {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250},
};
constexpr uint32_t kSymbolCodePage = 42;

const CharsetCodePage* FindCharset(uint32_t charset) {
    for (const CharsetCodePage& entry : kCharsets)
        if (entry.charset == charset) return &entry;
    return nullptr;
}

// The characters of the bytes 0..255 in a code page, one byte at a time; the
// table of the last code page asked for is kept.
const char16_t* ByteCharacters(uint32_t codePage) {
    static uint32_t cachedPage = 0;
    static char16_t table[256];
    if (cachedPage == codePage && codePage != 0) return table;
    for (int b = 0; b < 256; ++b) {
        if (codePage == kSymbolCodePage) {
            // The symbol page puts its printable bytes in the private-use area.
            table[b] = b < 0x20 ? char16_t(b) : char16_t(0xF000 + b);
            continue;
        }
        char byte = char(b);
        char16_t ch = 0;
        platform::ConvertResult result = platform::MultiByteToUtf16(codePage, &byte, 1, &ch, 1);
        table[b] = result.Ok() && result.count == 1 ? ch : 0;
    }
    cachedPage = codePage;
    return table;
}

constexpr char16_t kCR = 0x0D;
constexpr char16_t kLF = 0x0A;

// The characters of a text that are walked: at most 8192, up to the
// terminator for kKgeToTerminator.
uint32_t WalkLength(const char16_t* text, uint32_t length) {
    if (!text) return 0;
    if (length != kKgeToTerminator) return std::min(length, kKgeMaxDrawnChars);
    uint32_t n = 0;
    while (n < kKgeMaxDrawnChars && text[n])
        ++n;
    return n;
}

} // namespace

KGECharset ResolveCharset(uint32_t charset) {
    if (charset == kCharsetDefault) {
        uint32_t activePage = platform::ActiveCodePage();
        for (const CharsetCodePage& entry : kCharsets)
            if (entry.codePage == activePage) charset = entry.charset;
    }
    const CharsetCodePage* entry = FindCharset(charset);
    if (!entry) entry = FindCharset(kCharsetAnsi);
    return KGECharset{entry->charset, entry->codePage};
}

// ---------------------------------------------------------------- text cursor

KGETextCursor::KGETextCursor(const KGEFont* f, bool w) : wide(w), font(f), hasFont(f != nullptr) {
    charMap = f ? (w ? f->GetCharMap() : f->GetByteMap()) : nullptr;
    spaceWidth = f ? f->GetSpaceWidth() : 0;
    glyphs = f ? f->GetGlyphs() : nullptr;
    defaultGlyph = f ? f->GetDefaultGlyph() : nullptr;
    kerning = f ? f->GetKerning() : nullptr;
    tracking = f ? f->GetTracking() : 0;
    currentSpace = spaceWidth;
}

int KGETextCursor::Classify(uint32_t ch) {
    if (ch == kCR || ch == kLF) {
        // CR LF and LF CR are one break; CR CR and LF LF are two.
        if (lastBreak != 0 && lastBreak != ch) {
            lastBreak = 0;
            return kSkip;
        }
        lastBreak = ch;
        return kLineBreak;
    }
    lastBreak = 0;
    if (!hasFont) return kSkip;
    if (ch == u' ') {
        currentSpace = spaceWidth;
        return kSpace;
    }
    uint32_t index = ch < (wide ? 0x10000u : 0x100u) ? charMap[ch] : kKgeNoGlyph;
    glyph = index != kKgeNoGlyph ? &glyphs[index] : defaultGlyph;
    return glyph ? kGlyph : kSkip;
}

int32_t KGETextCursor::PlaceGlyph() {
    int32_t x = penX;
    if (previous && kerning) {
        uint32_t end = previous->kerningFirst + previous->kerningCount;
        for (uint32_t k = previous->kerningFirst; k < end && k < font->GetKerningCount(); ++k) {
            if (kerning[k].second != glyph->index) continue;
            // Kerning never pulls a glyph left of the one before it.
            x = Saturated(int64_t{penX} + kerning[k].amount);
            if (x <= lastX) x = lastX;
            break;
        }
    }
    lastX = x;
    previous = glyph;
    extent = std::max(extent, Saturated(int64_t{x} + glyph->advance));
    penX = std::max(penX, Saturated(int64_t{x} + glyph->advance + tracking));
    return x;
}

void KGETextCursor::PlaceSpace(int32_t width) {
    int32_t w = width == kKgeDefault ? currentSpace : width;
    if (w < 0) w = 0;
    extent = std::max(extent, Saturated(int64_t{penX} + w));
    penX = std::max(penX, Saturated(int64_t{penX} + w + tracking));
}

void KGETextCursor::NewLine(int32_t* y) {
    int64_t step = font ? int64_t{font->GetHeight()} + font->GetLeading() : 0;
    *y = std::max(*y, Saturated(*y + step));
    penX = 0;
    extent = 0;
    lastX = 0;
    previous = nullptr;
}

// ---------------------------------------------------------------- font

KGEFont::KGEFont(uint32_t magic0, uint32_t magic1, DXLViewer* viewer)
    : magic_{magic0, magic1}, viewer_(viewer), charMap_(KGEAllocArray<uint16_t>(0x10000)) {
    std::fill_n(charMap_.get(), 0x10000, kKgeNoGlyph);
}

// Markup may name the font by its handle: the handle dies with the font.
KGEFont::~KGEFont() {
    UnregisterObject(this);
}

HResult KGEFont::AddRef() {
    if (users_ == 0 && imageCount_ > 0 && cellHeight_ >= 1) {
        HResult hr = Restore();
        if (hr != 0) {
            Invalidate();
            return hr;
        }
        built_ = true;
    }
    ++users_;
    return 0;
}

HResult KGEFont::Rebuild() {
    HResult hr = Restore();
    if (hr != 0) {
        Invalidate();
        built_ = false;
        return hr;
    }
    built_ = true;
    return 0;
}

void KGEFont::Release(bool force) {
    if (force) {
        users_ = 0;
    } else {
        if (users_ > 0) --users_;
        if (users_ > 0) return;
    }
    if (built_) {
        Invalidate();
        built_ = false;
    }
}

bool KGEFont::CheckTexture(bool update) {
    int32_t imageWidth = texture_ ? texture_->GetWidth() : 0;
    int32_t imageHeight = texture_ ? texture_->GetHeight() : 0;
    int32_t textureWidth = texture_ ? texture_->GetTextureWidth() : 0;
    int32_t textureHeight = texture_ ? texture_->GetTextureHeight() : 0;
    bool same = built_ && imageWidth == lastImageWidth_ && imageHeight == lastImageHeight_ &&
                textureWidth == lastTextureWidth_ && textureHeight == lastTextureHeight_;
    if (update) {
        lastImageWidth_ = imageWidth;
        lastImageHeight_ = imageHeight;
        lastTextureWidth_ = textureWidth;
        lastTextureHeight_ = textureHeight;
    }
    return same;
}

HResult KGEFont::Restore() {
    if (CheckTexture(true)) return 0;
    if (!texture_) return kKgeNoTexture;
    if (!quads_) quads_.reset(KGEAllocArray<TexturedQuad>(imageCount_));

    const int32_t imageWidth = texture_->GetWidth();
    const int32_t imageHeight = texture_->GetHeight();
    for (uint32_t i = 0; i < imageCount_; ++i) {
        KGEImageRecord& image = images_[i];
        kis::Rect area = kis::MakeRect(image.x, image.y, image.x + image.width, image.y + cellHeight_);
        kis::Rect clipped = area;
        kis::IntersectRect(clipped, kis::MakeRect(0, 0, imageWidth, imageHeight));
        image.visible = clipped.left < clipped.right && clipped.top < clipped.bottom;
        if (image.visible)
            texture_->MakeQuadFromRect(&quads_[i], float(clipped.left - area.left),
                                       float(clipped.top - area.top), clipped, colour_);
        else
            std::memset(&quads_[i], 0, sizeof(TexturedQuad));
    }
    for (uint32_t i = 0; i < glyphCount_; ++i) {
        KGEGlyph& glyph = glyphs_[i];
        glyph.drawable = glyph.image < imageCount_ && images_[glyph.image].visible;
    }
    return 0;
}

void KGEFont::Invalidate() {
    quads_.reset();
    for (uint32_t i = 0; i < glyphCount_; ++i)
        glyphs_[i].drawable = 0;
}

// ---------------------------------------------------------------- building

void KGEFont::FreeGlyphs() {
    glyphs_.reset();
    glyphCount_ = 0;
    kerning_.reset();
    kerningCount_ = 0;
    defaultGlyph_ = nullptr;
}

void KGEFont::AllocGlyphs(uint32_t charset, uint32_t count) {
    FreeGlyphs();
    KGECharset resolved = ResolveCharset(charset);
    charset_ = resolved.charset;
    codePage_ = resolved.codePage;
    std::fill_n(charMap_.get(), 0x10000, kKgeNoGlyph);
    std::copy_n(ByteCharacters(codePage_), 256, byteMap_);
    glyphCount_ = std::min(count, kKgeMaxGlyphs);
    glyphs_.reset(KGEAllocArray<KGEGlyph>(glyphCount_));
}

void KGEFont::SetChars(const char16_t* chars, uint32_t count) {
    uint32_t kept = 0;
    for (uint32_t i = 0; chars && i < count && i < glyphCount_; ++i)
        if (chars[i] > u' ') glyphs_[kept++].character = chars[i];
    glyphCount_ = kept;
}

void KGEFont::SetCharsA(const char* chars, uint32_t count) {
    uint32_t kept = 0;
    for (uint32_t i = 0; chars && i < count && i < glyphCount_; ++i) {
        char16_t ch = byteMap_[uint8_t(chars[i])];
        if (ch > u' ') glyphs_[kept++].character = ch;
    }
    glyphCount_ = kept;
}

void KGEFont::AllocImages(uint32_t count) {
    imageCount_ = std::min(count, kKgeMaxImages);
    images_.reset(KGEAllocArray<KGEImageRecord>(imageCount_));
    quads_.reset();
}

void KGEFont::SetMetrics(int32_t height, int32_t ascent, int32_t space, char16_t defaultChar) {
    if (height == kKgeDefault) height = cellHeight_;
    height_ = std::max(height, 0);
    ascent_ = ascent == kKgeDefault ? height_ : ascent;
    descent_ = height_ - ascent_;
    spaceWidth_ = std::max(space, 0);
    defaultChar_ = defaultChar;
    defaultGlyph_ = FindGlyph(defaultChar_);
}

void KGEFont::BuildCharMap() {
    std::fill_n(charMap_.get(), 0x10000, kKgeNoGlyph);
    for (uint32_t i = 0; i < glyphCount_; ++i) {
        KGEGlyph& glyph = glyphs_[i];
        glyph.index = uint16_t(i);
        glyph.drawable = 0;
        glyph.advance = std::max(glyph.advance, 0);
        charMap_[glyph.character] = uint16_t(i); // a later duplicate wins
    }
    // The byte map held the characters of the bytes; it now holds their glyphs.
    const char16_t* characters = ByteCharacters(codePage_);
    for (int b = 0; b < 256; ++b)
        byteMap_[b] = charMap_[characters[b]];
    defaultGlyph_ = FindGlyph(defaultChar_);
}

const KGEGlyph* KGEFont::FindGlyph(char16_t ch) const {
    uint16_t index = charMap_[ch];
    return index != kKgeNoGlyph && index < glyphCount_ ? &glyphs_[index] : nullptr;
}

const KGEGlyph* KGEFont::FindGlyphA(uint8_t byte) const {
    uint16_t index = byteMap_[byte];
    return index != kKgeNoGlyph && index < glyphCount_ ? &glyphs_[index] : nullptr;
}

HResult KGEFont::AllocKerning(uint64_t count) {
    kerning_.reset();
    kerningCount_ = 0;
    if (count > uint64_t(glyphCount_) * glyphCount_) return kKgeTooManyKerningPairs;
    kerningCount_ = uint32_t(count);
    kerning_.reset(KGEAllocArray<KGEKerningPair>(kerningCount_));
    return 0;
}

HResult KGEFont::SetKerning(const KGECharKerning* pairs, uint32_t count) {
    for (uint32_t i = 0; i < glyphCount_; ++i)
        glyphs_[i].kerningCount = glyphs_[i].kerningFirst = 0;
    uint64_t kept = 0;
    for (uint32_t i = 0; pairs && i < count; ++i) {
        if (charMap_[pairs[i].first] == kKgeNoGlyph || charMap_[pairs[i].second] == kKgeNoGlyph) continue;
        ++glyphs_[charMap_[pairs[i].first]].kerningCount;
        ++kept;
    }
    HResult hr = AllocKerning(kept);
    if (hr != 0) {
        for (uint32_t i = 0; i < glyphCount_; ++i)
            glyphs_[i].kerningCount = 0;
        return hr;
    }
    uint32_t first = 0;
    for (uint32_t i = 0; i < glyphCount_; ++i) {
        glyphs_[i].kerningFirst = first;
        first += glyphs_[i].kerningCount;
    }
    // Fill each group in input order; the running counts restart from 0.
    for (uint32_t i = 0; i < glyphCount_; ++i)
        glyphs_[i].kerningCount = 0;
    for (uint32_t i = 0; pairs && i < count; ++i) {
        uint16_t a = charMap_[pairs[i].first];
        uint16_t b = charMap_[pairs[i].second];
        if (a == kKgeNoGlyph || b == kKgeNoGlyph) continue;
        KGEGlyph& glyph = glyphs_[a];
        kerning_[glyph.kerningFirst + glyph.kerningCount++] = KGEKerningPair{b, pairs[i].amount};
    }
    return 0;
}

bool KGEFont::LayoutImages(bool limit, const KGEGridRecord* grid, int32_t* outHeight) {
    const uint32_t flags = grid ? grid->flags : 0;
    kis::Rect rect{0, 0, 0, 0};
    if (flags & kGridRect)
        rect = grid->rect;
    else if (texture_ && texture_->IsLive())
        rect = kis::MakeRect(0, 0, texture_->GetWidth(), texture_->GetHeight());
    if (flags & kGridBorders) {
        rect.left += grid->borders.left;
        rect.top += grid->borders.top;
        rect.right -= grid->borders.right;
        rect.bottom -= grid->borders.bottom;
    }
    if (outHeight) *outHeight = 0;
    if (imageCount_ == 0) return true;

    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        if (limit) return false;
        for (uint32_t i = 0; i < imageCount_; ++i) {
            images_[i].x = rect.left;
            images_[i].y = rect.top;
        }
        if (outHeight) *outHeight = rect.top + cellHeight_;
        return true;
    }

    const int32_t skipX = (flags & kGridSkip) ? std::max(grid->skipX, 0) : 0;
    const int32_t skipY = (flags & kGridSkip) ? std::max(grid->skipY, 0) : 0;
    if (limit && (rect.left < 0 || rect.top < 0 || int64_t(rect.top) + cellHeight_ > rect.bottom))
        return false;

    int64_t x = rect.left;
    int64_t y = rect.top;
    bool placedAll = true;
    for (uint32_t i = 0; i < imageCount_; ++i) {
        KGEImageRecord& image = images_[i];
        if (x + image.width > rect.right) {
            if (int64_t(image.width) > int64_t(rect.right) - rect.left) {
                // Wider than the whole rectangle: it stays on its row.
                if (limit) {
                    placedAll = false;
                    break;
                }
            } else {
                x = rect.left;
                if (cellHeight_ > 0) y += int64_t(cellHeight_) + skipY;
                if (limit && y + cellHeight_ > rect.bottom) {
                    placedAll = false;
                    break;
                }
            }
        }
        image.x = int32_t(x);
        image.y = int32_t(y);
        if (image.width != 0) x += int64_t(image.width) + skipX;
    }
    if (outHeight) *outHeight = int32_t(std::min<int64_t>(y + cellHeight_, INT32_MAX));
    return placedAll;
}

// ---------------------------------------------------------------- text

void KGEFont::DrawText(const char16_t* text, uint32_t length, const DXLMatrix* matrix) {
    if (!built_ || !viewer_ || !viewer_->HasDevice() || !texture_) return;
    const uint32_t count = WalkLength(text, length);
    SetCurrentTexture(texture_);
    const DXLMatrix m = matrix ? *matrix : viewer_->CurrentTransform();
    viewer_->ApplyTransform(&m);

    // Glyph quads are moved to their place in the text's own space; the
    // matrix takes the whole text to the screen.
    constexpr uint32_t kBatch = 64;
    TexturedQuad batch[kBatch];
    uint32_t queued = 0;
    KGETextCursor cursor(this, true);
    int32_t y = 0;
    for (uint32_t i = 0; i < count; ++i) {
        switch (cursor.Classify(text[i])) {
        case KGETextCursor::kLineBreak:
            cursor.NewLine(&y);
            break;
        case KGETextCursor::kSpace:
            cursor.PlaceSpace();
            break;
        case KGETextCursor::kGlyph: {
            const KGEGlyph* glyph = cursor.glyph;
            int32_t x = cursor.PlaceGlyph();
            if (!glyph->drawable || !quads_) break;
            TexturedQuad& quad = batch[queued++];
            quad = quads_[glyph->image];
            for (platform::TexturedVertex& v : quad.v) {
                v.x += float(x + glyph->offsetX);
                v.y += float(y + glyph->offsetY);
            }
            if (queued == kBatch) {
                viewer_->DrawTexturedQuads(queued, batch);
                queued = 0;
            }
            break;
        }
        default:
            break;
        }
    }
    if (queued) viewer_->DrawTexturedQuads(queued, batch);
    ClearCurrentTexture(viewer_);
    viewer_->ApplyTransform();
}

void KGEFont::DrawTextAt(float x, float y, const char16_t* text) {
    if (!viewer_) return;
    DXLMatrix m = viewer_->CurrentTransform();
    m.m[3][0] += x * m.m[0][0] + y * m.m[1][0];
    m.m[3][1] += x * m.m[0][1] + y * m.m[1][1];
    DrawText(text, kKgeToTerminator, &m);
}

KGESize KGEFont::MeasureText(const char16_t* text, uint32_t length) const {
    const uint32_t count = WalkLength(text, length);
    KGETextCursor cursor(this, true);
    int32_t width = 0;
    int32_t y = 0;
    for (uint32_t i = 0; i < count; ++i) {
        switch (cursor.Classify(text[i])) {
        case KGETextCursor::kLineBreak:
            width = std::max(width, cursor.extent);
            cursor.NewLine(&y);
            break;
        case KGETextCursor::kSpace:
            cursor.PlaceSpace();
            break;
        case KGETextCursor::kGlyph:
            cursor.PlaceGlyph();
            break;
        default:
            break;
        }
    }
    width = std::max(width, cursor.extent);
    return KGESize{width, width != 0 ? Saturated(int64_t{y} + cellHeight_) : 0};
}

int32_t KGEFont::GetCharIndexAt(int32_t x, const char16_t* text, uint32_t length) const {
    if (x < 0) return 0;
    const uint32_t count = WalkLength(text, length);
    KGETextCursor cursor(this, true);
    for (uint32_t i = 0; i < count; ++i) {
        int32_t start = 0;
        int32_t width = 0;
        switch (cursor.Classify(text[i])) {
        case KGETextCursor::kLineBreak:
            return int32_t(i);
        case KGETextCursor::kSpace:
            start = cursor.penX;
            cursor.PlaceSpace();
            width = std::max(cursor.currentSpace, 0);
            break;
        case KGETextCursor::kGlyph:
            start = cursor.PlaceGlyph();
            width = cursor.glyph->advance;
            break;
        default:
            continue;
        }
        // A character is passed once x reaches its middle.
        if (x < int64_t{start} + width / 2) return int32_t(i);
    }
    return int32_t(count);
}
