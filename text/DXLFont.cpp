#include "text/DXLFont.h"

#include "engine/GlyphEffects.h"
#include "engine/Log.h"
#include "engine/PixelFormat.h"
#include "foundation/StrFunctions.h"
#include "platform/CodePage.h"
#include "platform/GlyphFace.h"
#include "text/ObjectRegistry.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::u16string FaceNameOf(const char16_t* name) {
    return std::u16string(name, size_t(kis::StrLen(name)));
}
std::u16string FaceNameOf(const char* name) {
    return platform::ToUtf16(std::string_view(name, size_t(kis::StrLen(name))));
}

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    const int64_t p = int64_t(a) * b;
    return int32_t(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

} // namespace

// ================================================================ properties

template <typename Ch> void DXLFontProps<Ch>::Assign(const DXLFontProps& other) {
    BeginUpdate();
    kis::StrCopy(faceName_, kFaceNameSize, other.faceName_);
    size_ = other.size_;
    style_ = other.style_;
    colour_ = other.colour_;
    charSet_ = other.charSet_;
    pitchAndFamily_ = other.pitchAndFamily_;
    quality_ = other.quality_;
    EndUpdate();
}

template <typename Ch> bool DXLFontProps<Ch>::SameAs(const DXLFontProps& other) const {
    return kis::StrCompare(faceName_, other.faceName_) == 0 && size_ == other.size_ &&
           style_ == other.style_ && colour_ == other.colour_ && charSet_ == other.charSet_ &&
           pitchAndFamily_ == other.pitchAndFamily_ && quality_ == other.quality_;
}

template <typename Ch> void DXLFontProps<Ch>::SetFaceName(const Ch* name) {
    Ch copy[kFaceNameSize] = {};
    kis::StrCopy(copy, kFaceNameSize, name);
    if (kis::StrCompare(copy, faceName_) == 0) return;
    std::memcpy(faceName_, copy, sizeof copy);
    Update(nullptr);
}

#define DXL_PROPS_SETTER(Name, Type, field)                                                                  \
    template <typename Ch> void DXLFontProps<Ch>::Name(Type value) {                                         \
        this->SetAndUpdate(field, value);                                                                    \
    }
DXL_PROPS_SETTER(SetSize, uint16_t, size_)
DXL_PROPS_SETTER(SetStyle, uint8_t, style_)
DXL_PROPS_SETTER(SetColor, uint32_t, colour_)
DXL_PROPS_SETTER(SetCharSet, uint32_t, charSet_)
DXL_PROPS_SETTER(SetPitchAndFamily, uint8_t, pitchAndFamily_)
DXL_PROPS_SETTER(SetQuality, uint8_t, quality_)
#undef DXL_PROPS_SETTER

// ================================================================ font

template <typename Ch> DXLFont<Ch>::DXLFont() : byChar_(kCharCount), byNumber_(kNumberCount, nullptr) {}

template <typename Ch> DXLFont<Ch>::~DXLFont() {
    // Markup may name the font by its handle; the handle now names nothing.
    UnregisterObject(this);
}

template <typename Ch> bool DXLFont<Ch>::CheckCellSize(const char* what, int32_t value) const {
    if (value <= kDXLMaxCellSize) return true;
    LogErrorPrintf(kLogIndent, "%s: %s %d is above %d pixels; refused.", Traits::kFontName, what, value,
                   kDXLMaxCellSize);
    return false;
}

template <typename Ch> void DXLFont<Ch>::Changed(DXLNotifyObject* sender) {
    RebuildIndexTable();
    BuildQuads();
    DXLUpdateableObject::Changed(sender);
    Notify(kNotifyFontChanged);
}

template <typename Ch> void DXLFont<Ch>::Assign(const DXLFont& other) {
    BeginUpdate();
    SetHeight(other.cellHeight_);
    spaceWidth_ = other.spaceWidth_;
    vSpacing_ = other.vSpacing_;
    hSpacing_ = other.hSpacing_;
    emptyCharWidth_ = other.emptyCharWidth_;
    ascent_ = other.ascent_;
    descent_ = other.descent_;
    EndUpdate();
}

template <typename Ch> void DXLFont<Ch>::SetHeight(int32_t height) {
    if (height < 0 || !CheckCellSize("Cell height", height)) return;
    cellHeight_ = uint8_t(height);
    descent_ = int16_t(std::min<int32_t>(descent_, cellHeight_));
    ascent_ = int16_t(cellHeight_ - descent_);
    Update(nullptr);
}

template <typename Ch> void DXLFont<Ch>::SetVSkip(uint8_t value) {
    this->SetAndUpdate(vSkip_, value);
}

template <typename Ch> void DXLFont<Ch>::SetHSkip(uint8_t value) {
    this->SetAndUpdate(hSkip_, value);
}

template <typename Ch> void DXLFont<Ch>::SetEmptyCharWidth(uint8_t value) {
    this->SetAndUpdate(emptyCharWidth_, value);
}

template <typename Ch> void DXLFont<Ch>::SetDescent(int32_t value) {
    if (descent_ == value) return;
    descent_ = int16_t(std::clamp(value, -32768, 32767));
    ascent_ = int16_t(cellHeight_ - descent_);
    Update(nullptr);
}

template <typename Ch> void DXLFont<Ch>::SetAscent(int32_t value) {
    if (ascent_ == value) return;
    ascent_ = int16_t(std::clamp(value, -32768, 32767));
    descent_ = int16_t(cellHeight_ - ascent_);
    Update(nullptr);
}

template <typename Ch> void DXLFont<Ch>::SetColor(uint32_t argb) {
    colour_ = argb;
    if (!IsUpdating()) WriteQuadColours();
}

template <typename Ch> void DXLFont<Ch>::WriteQuadColours() {
    for (const auto& glyph : byChar_) {
        if (!glyph || !glyph->quads) continue;
        for (int q = 0; q < 2; ++q)
            for (auto& vertex : glyph->quads[q].v)
                vertex.colour = colour_;
    }
}

template <typename Ch> void DXLFont<Ch>::SetFaceName(const Ch* name) {
    kis::StrCopy(faceName_, kFaceNameSize, name);
}

template <typename Ch>
void DXLFont<Ch>::AddGlyphs(const Ch* chars, int32_t count, uint32_t firstNumber, bool create) {
    if (chars && create) {
        for (int32_t i = 0; i < count; ++i) {
            const uint32_t code = CharCode(chars[i]);
            if (code != 0 && !byChar_[code]) byChar_[code] = std::make_unique<DXLGlyph>();
        }
    }
    for (int32_t i = 0; chars && i < count; ++i) {
        const uint32_t code = CharCode(chars[i]);
        if (code != 0 && byChar_[code]) byChar_[code]->number = uint16_t(firstNumber + uint32_t(i));
    }
    Update(nullptr);
}

template <typename Ch> void DXLFont<Ch>::RemoveGlyphRange(uint32_t from, uint32_t to) {
    to = std::min(to, kCharCount - 1);
    for (uint32_t code = std::max(from, 1u); code <= to; ++code)
        byChar_[code].reset();
    Update(nullptr);
}

template <typename Ch> void DXLFont<Ch>::SetAllCellWidths(int32_t width) {
    if (width < 0 || !CheckCellSize("Cell width", width)) return;
    for (auto& glyph : byChar_)
        if (glyph) glyph->cellWidth = uint8_t(width);
    Update(nullptr);
}

template <typename Ch> void DXLFont<Ch>::SetCellWidth(Ch ch, int32_t width) {
    DXLGlyph* glyph = byChar_[CharCode(ch)].get();
    if (!glyph || width < 0 || !CheckCellSize("Cell width", width)) return;
    glyph->cellWidth = uint8_t(width);
    glyph->leftBearing = int16_t(std::min<int32_t>(glyph->leftBearing, width));
    glyph->rightBearing = int16_t(std::min<int32_t>(glyph->rightBearing, width));
}

template <typename Ch> void DXLFont<Ch>::SetBearings(Ch ch, int32_t left, int32_t right) {
    DXLGlyph* glyph = byChar_[CharCode(ch)].get();
    if (!glyph) return;
    // Bounded from above only: at most the cell is taken away, while a
    // negative bearing adds any amount of space beside the glyph (kept
    // within the field's range).
    const int32_t w = glyph->cellWidth;
    glyph->leftBearing = int16_t(std::clamp(left, -32768, w));
    glyph->rightBearing = int16_t(std::clamp(right, -32768, w));
}

template <typename Ch> int32_t DXLFont<Ch>::ListChars(Ch* buffer, int32_t size) const {
    if (!buffer || size < 1) return 0;
    int32_t n = 0;
    for (uint32_t code = 1; code < kCharCount && n < size - 1; ++code)
        if (byChar_[code]) buffer[n++] = Ch(code);
    buffer[n] = 0;
    return n;
}

template <typename Ch> Ch DXLFont<Ch>::NumberInOrder(const Ch* list) {
    Ch last = 0;
    for (int32_t i = 0; list && list[i]; ++i) {
        if (DXLGlyph* glyph = byChar_[CharCode(list[i])].get()) glyph->number = uint16_t(i);
        last = list[i];
    }
    return last;
}

template <typename Ch> void DXLFont<Ch>::RebuildIndexTable() {
    std::fill(byNumber_.begin(), byNumber_.end(), nullptr);
    for (uint32_t code = 1; code < kCharCount; ++code) {
        DXLGlyph* glyph = byChar_[code].get();
        if (glyph) byNumber_[glyph->number] = glyph;
    }
}

template <typename Ch>
bool DXLFont<Ch>::PackGlyph(Ch ch, int32_t sheetWidth, int32_t sheetHeight, int32_t* outX,
                            int32_t* outY) const {
    const DXLGlyph* glyph = byChar_[CharCode(ch)].get();
    if (!glyph) return false;
    const int32_t rowStep = int32_t(cellHeight_) + vSkip_;
    int32_t x = 0, y = 0;
    for (uint32_t n = 0; n < glyph->number; ++n) {
        const DXLGlyph* before = GetGlyphByNumber(n);
        const int32_t width = before ? before->cellWidth : emptyCharWidth_;
        if (x + width > sheetWidth) {
            // The number opens a new row; it stands at its start.
            y += rowStep;
            if (y + cellHeight_ > sheetHeight) return false;
            x = before ? width : 0;
            continue;
        }
        x += width + hSkip_;
    }
    if (x + glyph->cellWidth > sheetWidth) {
        x = 0;
        y += rowStep;
    }
    if (y + cellHeight_ > sheetHeight) return false;
    *outX = x;
    *outY = y;
    return true;
}

template <typename Ch> void DXLFont<Ch>::BuildQuads() {
    const int32_t imageWidth = image_ ? image_->GetWidth() : 0;
    const int32_t imageHeight = image_ ? image_->GetHeight() : 0;
    for (uint32_t code = 1; code < kCharCount; ++code) {
        DXLGlyph* glyph = byChar_[code].get();
        if (!glyph) continue;
        // Without a cell or an image the glyph has no place: quads cut from
        // an earlier sheet would name pixels that are no longer there.
        int32_t x = 0, y = 0;
        if (glyph->cellWidth == 0 || cellHeight_ == 0 || !image_ ||
            !PackGlyph(Ch(code), imageWidth, imageHeight, &x, &y)) {
            glyph->quads.reset();
            continue;
        }
        glyph->sheet = kis::Rect{x, y, x + glyph->cellWidth, y + cellHeight_};
        if (!glyph->quads) glyph->quads = std::make_unique<TexturedQuad[]>(2);
        const float left = float(-int32_t(leftInset_) - glyph->leftBearing);
        const float w = float(glyph->cellWidth);
        const float h = float(cellHeight_);
        image_->MakeQuadFromArea(&glyph->quads[0], left + 0.5f, 0.5f, float(x), float(y), w, h, colour_);
        image_->MakeQuadFromArea(&glyph->quads[1], left, 0.0f, float(x), float(y), w, h, colour_);
    }
}

template <typename Ch> const TexturedQuad* DXLFont<Ch>::GetGlyphQuad(Ch ch) const {
    const DXLGlyph* glyph = byChar_[CharCode(ch)].get();
    return glyph && glyph->quads ? &glyph->quads[1] : nullptr;
}

template <typename Ch> int32_t DXLFont<Ch>::GetAdvance(Ch ch) const {
    const DXLGlyph* glyph = byChar_[CharCode(ch)].get();
    if (!glyph) return 0;
    const int32_t advance =
        int32_t(glyph->cellWidth) - leftInset_ - rightInset_ - glyph->leftBearing - glyph->rightBearing;
    return std::max(0, advance);
}

template <typename Ch> void DXLFont<Ch>::ReadCommonKeys(IniFile* ini, const Ch* section) {
    if (!ini) return;
    BeginUpdate();
    Ch name[kFaceNameSize] = {};
    ini->ReadString(section, DXLLiteral<Ch>("Name").c_str(), nullptr, name, kFaceNameSize);
    SetFaceName(name);
    if (ini->KeyExists(section, DXLLiteral<Ch>("Spaces").c_str())) {
        int32_t h = 0, v = 0;
        ini->ReadValues(section, DXLLiteral<Ch>("Spaces").c_str(), DXLLiteral<Ch>("i4,i4").c_str(), &h, &v);
        hSpacing_ = int16_t(std::clamp(h, -32768, 32767));
        vSpacing_ = int16_t(std::clamp(v, -32768, 32767));
    } else {
        hSpacing_ = int16_t(
            std::clamp(ini->ReadInteger(section, DXLLiteral<Ch>("HSpace").c_str(), 0), -32768, 32767));
        vSpacing_ = int16_t(
            std::clamp(ini->ReadInteger(section, DXLLiteral<Ch>("VSpace").c_str(), 0), -32768, 32767));
    }
    SetColor(uint32_t(ini->ReadInteger(section, DXLLiteral<Ch>("Color").c_str(), -1)));
    EndUpdate();
}

// ================================================================ system font

template <typename Ch> DXLWinFont<Ch>::DXLWinFont(DXLViewer* viewer) {
    auto* texture = new DXLTexture(viewer);
    texture->SetSource(this, true);
    texture->SetRestorable(true);
    texture->AddTarget(this);
    this->image_ = texture;
}

template <typename Ch> DXLWinFont<Ch>::~DXLWinFont() {
    if (DXLTexture* image = this->image_) {
        this->image_ = nullptr;
        image->RemoveTarget(this);
        image->SetSource(nullptr, false);
        delete image;
    }
}

template <typename Ch> void DXLWinFont<Ch>::OnNotify(DXLNotifyObject* sender, uint32_t code) {
    if (sender && sender == this->image_ && code == kNotifyDestroyed) this->image_ = nullptr;
}

template <typename Ch> void DXLWinFont<Ch>::Changed(DXLNotifyObject* sender) {
    if (props_ && this->image_ && !rendering_) this->image_->Restore();
    Base::Changed(sender);
}

template <typename Ch> void DXLWinFont<Ch>::CopyFrom(const Base& other) {
    const auto* win = dynamic_cast<const DXLWinFont*>(&other);
    if (!win) return;
    this->BeginUpdate();
    this->Assign(other);
    SetProps(win->props_.get());
    marginFactor_ = win->marginFactor_;
    std::memcpy(margins_, win->margins_, sizeof margins_);
    outline_ = win->outline_;
    shadow_ = win->shadow_;
    alphaFactor_ = win->alphaFactor_;
    this->EndUpdate();
}

template <typename Ch> void DXLWinFont<Ch>::SetProps(const Props* props) {
    if (!props) return;
    if (props_ && props_->SameAs(*props)) return;
    if (!props_) props_ = std::make_unique<Props>();
    props_->Assign(*props);
    this->Update(nullptr);
}

template <typename Ch> void DXLWinFont<Ch>::SetMarginFactor(float factor) {
    this->SetAndUpdate(marginFactor_, factor);
}

template <typename Ch> void DXLWinFont<Ch>::SetAlphaFactor(float factor) {
    this->SetAndUpdate(alphaFactor_, factor);
}

template <typename Ch>
void DXLWinFont<Ch>::SetEffectMargins(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t values[4] = {left, top, right, bottom};
    for (int i = 0; i < 4; ++i)
        margins_[i] = uint8_t(std::clamp(values[i], 0, 255));
    this->Update(nullptr);
}

template <typename Ch> void DXLWinFont<Ch>::SetOutline(const DXLOutlineRecord& outline) {
    outline_ = outline;
    this->Update(nullptr);
}

template <typename Ch> void DXLWinFont<Ch>::SetShadow(const DXLShadowRecord& shadow) {
    shadow_ = shadow;
    this->Update(nullptr);
}

template <typename Ch> void DXLWinFont<Ch>::LogFailure(const char* what) const {
    LogErrorPrintf(kLogIndent, "%s: %s", Base::Traits::kWinFontName, what);
}

template <typename Ch>
bool DXLWinFont<Ch>::MeasureGlyphs(platform::GlyphFace& face, const Ch* chars, int32_t count) {
    const int32_t left = margins_[0], top = margins_[1], right = margins_[2], bottom = margins_[3];
    this->leftInset_ = 2;
    this->rightInset_ = 2;
    this->vSkip_ = 0;
    std::u16string list;
    for (int32_t i = 0; i < count; ++i)
        list.push_back(char16_t(CharCode(chars[i])));
    const int32_t cellHeight = count > 0 ? face.MeasureText(list).height + top + bottom : 0;
    if (!this->CheckCellSize("Cell height", cellHeight)) return false;
    this->cellHeight_ = uint8_t(cellHeight);
    this->spaceWidth_ = uint16_t(std::clamp(face.Advance(u' ') + left + right, 0, 65535));
    const platform::GlyphFaceMetrics metrics = face.Metrics();
    this->ascent_ = int16_t(metrics.ascent);
    this->descent_ = int16_t(metrics.descent);
    const bool italic = props_->GetStyle() & kDXLFontItalic;
    for (int32_t i = 0; i < count; ++i) {
        DXLGlyph* glyph = this->byChar_[CharCode(chars[i])].get();
        const int32_t w = face.Advance(char16_t(CharCode(chars[i])));
        const int32_t bearing = marginFactor_ > 0.0f ? kis::Round(float(w) * marginFactor_ / 2.0f) : 0;
        const int32_t rightBearing = bearing + (italic ? w : 0);
        const int32_t cell = w + 2 + 2 + bearing + rightBearing + left + right;
        if (!this->CheckCellSize("Measured cell width", cell)) return false;
        glyph->cellWidth = uint8_t(cell);
        glyph->leftBearing = int16_t(bearing);
        glyph->rightBearing = int16_t(rightBearing);
    }
    return true;
}

template <typename Ch>
bool DXLWinFont<Ch>::ChooseSheet(Ch last, int32_t* outWidth, int32_t* outHeight) const {
    int32_t bestWidth = 0, bestHeight = 0;
    int64_t bestArea = 0;
    for (int32_t height = 32; height <= 1024; height *= 2) {
        for (int32_t width = 32; width <= 1024; width *= 2) {
            const int64_t area = int64_t(width) * height;
            if (bestArea != 0 && area > bestArea) break;
            if (bestArea != 0 && area == bestArea &&
                std::abs(width - height) >= std::abs(bestWidth - bestHeight))
                continue;
            int32_t x = 0, y = 0;
            if (!this->PackGlyph(last, width, height, &x, &y)) continue;
            bestWidth = width;
            bestHeight = height;
            bestArea = area;
        }
    }
    *outWidth = bestWidth;
    *outHeight = bestHeight;
    return bestArea != 0;
}

template <typename Ch> void DXLWinFont<Ch>::Render(DXLTexture* texture) {
    if (!texture) return;
    texture->Release();
    DXLViewer* viewer = texture->GetViewer();
    if (!viewer || !props_) return;
    std::vector<Ch> chars(Base::kCharCount);
    const int32_t count = this->ListChars(chars.data(), int32_t(chars.size()));
    if (count == 0) return;
    const Ch last = this->NumberInOrder(chars.data());

    rendering_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{rendering_};

    platform::GlyphFaceRequest request;
    request.faceName = FaceNameOf(props_->GetFaceName());
    request.height = -MulDiv(props_->GetSize(), platform::kGlyphDpi, 72);
    const uint8_t style = props_->GetStyle();
    request.weight = (style & kDXLFontBold) ? platform::kGlyphWeightBold : platform::kGlyphWeightNormal;
    request.italic = style & kDXLFontItalic;
    request.underline = style & kDXLFontUnderline;
    request.strikeOut = style & kDXLFontStrikeOut;
    request.quality = props_->GetQuality();
    std::unique_ptr<platform::GlyphFace> face = platform::OpenGlyphFace(request);
    if (!face) {
        LogFailure("Invalid HFONT.");
        return;
    }
    if (!MeasureGlyphs(*face, chars.data(), count)) return;
    if (this->cellHeight_ == 0) {
        LogFailure("Invalid HFONT.");
        return;
    }
    this->RebuildIndexTable();
    int32_t width = 0, height = 0;
    if (!ChooseSheet(last, &width, &height)) {
        LogFailure("Characters are too large or too many.");
        return;
    }

    // White ink on black; the alpha is derived from the drawn intensity.
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0xFF000000u);
    platform::GlyphSurface surface{pixels.data(), width, height, width};
    const int32_t left = margins_[0], top = margins_[1];
    for (int32_t i = 0; i < count; ++i) {
        int32_t x = 0, y = 0;
        if (!this->PackGlyph(chars[i], width, height, &x, &y)) continue;
        const DXLGlyph* glyph = this->GetGlyph(chars[i]);
        platform::GlyphPaint paint;
        paint.foreground = 0xFFFFFFFFu;
        paint.background = 0xFF000000u;
        paint.clipped = true;
        paint.clipLeft = x;
        paint.clipTop = y;
        paint.clipRight = x + glyph->cellWidth;
        paint.clipBottom = y + this->cellHeight_;
        face->DrawChar(surface, x + this->leftInset_ + glyph->leftBearing + left, y + top,
                       char16_t(CharCode(chars[i])), paint);
    }
    ApplyAlphaMode(kFormatA8R8G8B8, width, height, pixels.data(), kAlphaModeLuminance, 0);

    DXLBitmap bitmap;
    const bool outline = outline_.words[0] & 0xFF;
    const bool shadow = shadow_.words[0] & 0xFF;
    const uint32_t n = uint32_t(width) * uint32_t(height);
    if (!outline && !shadow) {
        if (viewer->IsTextureFormatSupported(kFormatA8L8)) {
            bitmap.SetFormat(kFormatA8L8);
            bitmap.SetSize(width, height);
            ConvertAlphaToA8L8(pixels.data(), reinterpret_cast<uint16_t*>(bitmap.GetBits()), n);
        } else {
            bitmap.SetFormat(kFormatA4R4G4B4);
            bitmap.SetSize(width, height);
            ConvertGreenToA4R4G4B4(pixels.data(), reinterpret_cast<uint16_t*>(bitmap.GetBits()), n);
        }
    } else {
        bitmap.SetFormat(kFormatA8R8G8B8);
        bitmap.SetSize(width, height);
        auto* out = reinterpret_cast<uint32_t*>(bitmap.GetBits());
        RecolorPixels(pixels.data(), out, n, props_->GetColor(), alphaFactor_);
        if (outline) {
            float size = 0.0f;
            std::memcpy(&size, &outline_.words[1], sizeof size);
            ApplyGlyphOutline(out, width, height, size, outline_.words[2], uint8_t(outline_.words[3]));
        }
        if (shadow)
            ApplyGlyphShadow(out, width, height, shadow_.words[0], int32_t(shadow_.words[1]),
                             int32_t(shadow_.words[2]), shadow_.words[3], shadow_.words[4]);
    }
    texture->LoadFromBitmap(&bitmap);
}

template class DXLFontProps<char16_t>;
template class DXLFontProps<char>;
template class DXLFont<char16_t>;
template class DXLFont<char>;
template class DXLWinFont<char16_t>;
template class DXLWinFont<char>;
