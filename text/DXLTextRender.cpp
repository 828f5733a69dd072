#include "text/DXLTextRender.h"
#include "engine/Bitmap.h"
#include "engine/PixelFormat.h"
#include "foundation/Colour.h"
#include "foundation/Helpers.h"
#include "platform/GraphicsDevice.h"

#include "text/DXLRichText.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kMaxTextureSide = 1024;

// A sheet pixel tinted by the glyph's colour.
uint32_t Tint(uint32_t pixel, uint32_t colour) {
    uint32_t alpha = pixel >> 24;
    const uint32_t colourAlpha = colour >> 24;
    if (colourAlpha < 0xFF) alpha = alpha * colourAlpha / 255;
    uint32_t rgb = colour & 0x00FFFFFFu;
    if ((pixel & 0x00FFFFFFu) < 0x00FFFFFFu) {
        rgb = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t channel = (pixel >> shift & 0xFF) * (colour >> shift & 0xFF) / 255;
            rgb |= channel << shift;
        }
    }
    return alpha << 24 | rgb;
}

} // namespace

template <typename Ch> void DXLText<Ch>::SetRenderToTexture(bool on) {
    if (on == renderToTexture_) return;
    renderToTexture_ = on;
    if (DXLTexture* old = ownTexture_) {
        ownTexture_ = nullptr;
        old->RemoveTarget(this);
        old->SetSource(nullptr, false);
        delete old;
    }
    if (on) {
        ownTexture_ = collection_ ? collection_->NewTexture() : new DXLTexture(viewer_);
        if (ownTexture_) {
            ownTexture_->AddTarget(this);
            ownTexture_->SetTextureOps(uint32_t(platform::TextureOp::Modulate));
            ownTexture_->SetFilter(false);
            ownTexture_->SetSource(this, true);
            ownTexture_->SetRestorable(false);
        }
    }
    Update(nullptr);
}

template <typename Ch> void DXLText<Ch>::OnNotify(DXLNotifyObject* sender, uint32_t code) {
    if (!sender) return;
    if (sender == ownTexture_ && code == kNotifyDestroyed) {
        ownTexture_ = nullptr;
        renderToTexture_ = false;
        return;
    }
    if (code == kNotifyDestroyed) Forget(sender);
    if (code == kNotifyFontChanged) {
        // The default font or one named by a tag was rebuilt: the glyph quads
        // the items copied from it are stale.
        flags_ |= kFlagBuild;
        Update(nullptr);
        return;
    }
    if (sender == font_) {
        if (code == kNotifyDestroyed)
            SetFont(nullptr);
        else if (code == kNotifyTextureLoaded && ownTexture_)
            ownTexture_->Restore();
        return;
    }
    if (code == kNotifyDestroyed) {
        // The registry may not have heard of it yet; the rebuild must not
        // find it again.
        UnregisterObject(sender);
        flags_ |= kFlagBuild;
        Update(nullptr);
    }
}

template <typename Ch> void DXLText<Ch>::AddLink(const Style& link) {
    auto record = std::make_unique<DXLTEXTLINK>();
    record->firstItem = link.first;
    record->lastItem = link.last;
    record->id = link.id;
    record->data = link.data;
    links_.push_back(std::move(record));
}

template <typename Ch>
void DXLText<Ch>::AddLinkRect(DXLTEXTLINK& link, kis::Rect& rect, const TexturedQuad& quad) {
    const int32_t top = kis::Round(quad.v[0].y + 0.5f);
    const int32_t bottom = kis::Round(quad.v[3].y + 0.5f);
    const int32_t left = kis::Round(quad.v[0].x + 0.5f);
    const int32_t right = kis::Round(quad.v[1].x + 0.5f);
    const bool hasHeight = rect.bottom != rect.top;
    if (hasHeight && top != rect.top && bottom != rect.bottom) {
        // The quad lies on another line.
        link.rects.push_back(rect);
        rect = kis::Rect{0, 0, 0, 0};
        AddLinkRect(link, rect, quad);
        return;
    }
    if (!hasHeight) {
        // Spaces gathered before the first glyph stay inside.
        rect.left = left - (rect.right - rect.left);
        rect.top = top;
        rect.bottom = bottom;
    }
    rect.right = right;
}

template <typename Ch> void DXLText<Ch>::BuildLinkRects() {
    const int32_t count = int32_t(items_.size());
    for (auto& link : links_) {
        link->rects.clear();
        kis::Rect rect{0, 0, 0, 0};
        for (int32_t i = std::max(0, link->firstItem); i <= link->lastItem && i < count; ++i) {
            const Item& item = items_[size_t(i)];
            if (item.kind == kTextItemRun) {
                for (size_t k = 0; k < item.quads.size(); ++k)
                    if (item.hasQuad[k]) AddLinkRect(*link, rect, item.quads[k]);
            } else if (item.kind == kTextItemSpace) {
                rect.right += item.width;
            } else if (item.kind == kTextItemImage) {
                AddLinkRect(*link, rect, item.quad);
                link->rects.push_back(rect);
                rect = kis::Rect{0, 0, 0, 0};
            }
        }
        if (rect.bottom != rect.top) link->rects.push_back(rect);
    }
}

template <typename Ch>
void DXLText<Ch>::ComposeRun(const Item& item, uint32_t* pixels, int32_t width, int32_t height) {
    DXLTexture* image = item.font ? item.font->GetImage() : nullptr;
    if (!image) return;
    auto* bits = static_cast<const uint8_t*>(image->Lock(platform::kLockNoSysLock));
    if (!bits) return;
    const int32_t pitch = image->GetLockedPitch();
    const PixelFormat format = image->GetTextureFormat();
    const int32_t bytes = int32_t(GetFormatBytes(format));
    const int32_t imageWidth = image->GetTextureWidth();
    const int32_t imageHeight = image->GetTextureHeight();
    for (size_t k = 0; k < item.quads.size() && bytes > 0; ++k) {
        if (!item.hasQuad[k]) continue;
        const DXLGlyph* glyph = item.font->GetGlyph(item.chars[k]);
        if (!glyph) continue;
        const TexturedQuad& quad = item.quads[k];
        const kis::Rect& source = glyph->sheet;
        const int32_t destLeft = kis::Round(quad.v[0].x + 0.5f);
        const int32_t destTop = kis::Round(quad.v[0].y + 0.5f);
        const int32_t glyphWidth = source.right - source.left;
        const uint32_t leftColour = quad.v[0].colour;
        const uint32_t rightColour = quad.v[1].colour;
        const bool white = leftColour == 0xFFFFFFFFu && rightColour == 0xFFFFFFFFu;
        for (int32_t sy = source.top; sy < source.bottom; ++sy) {
            const int32_t dy = destTop + (sy - source.top);
            if (dy < 0 || dy >= height || sy < 0 || sy >= imageHeight) continue;
            const uint8_t* row = bits + size_t(sy) * size_t(pitch);
            for (int32_t sx = source.left; sx < source.right; ++sx) {
                const int32_t dx = destLeft + (sx - source.left);
                if (dx < 0 || dx >= width || sx < 0 || sx >= imageWidth) continue;
                uint32_t argb = 0;
                if (!PixelToARGB(row + size_t(sx) * size_t(bytes), format, &argb)) continue;
                if (argb > 0x00FFFFFFu && !white) {
                    uint32_t colour = leftColour;
                    if (rightColour != leftColour)
                        colour = kis::LerpColor(leftColour, rightColour,
                                                float(dx - destLeft) / float(std::max(1, glyphWidth - 1)));
                    argb = Tint(argb, colour);
                }
                uint32_t& destination = pixels[size_t(dy) * size_t(width) + size_t(dx)];
                if ((destination >> 24) <= (argb >> 24)) destination = argb;
            }
        }
    }
    image->Unlock();
}

template <typename Ch> void DXLText<Ch>::Render(DXLTexture* texture) {
    if (!texture) return;
    texture->Release();
    DXLViewer* viewer = texture->GetViewer();
    if (!viewer || !viewer->HasDevice()) return;
    int32_t width = std::min(GetWidth(alignment_ == kTextAlignLeft), kMaxTextureSide);
    int32_t height = std::min(totalHeight_, kMaxTextureSide);
    if (width <= 0 || height <= 0) return;
    const DXLADAPTERINFO* adapter = viewer->GetCurrentAdapter();
    if (!adapter || adapter->nonPowerOfTwo == 0) {
        width = int32_t(NextPowerOfTwo(uint32_t(width)));
        height = int32_t(NextPowerOfTwo(uint32_t(height)));
    }
    DXLBitmap bitmap;
    bitmap.SetFormat(kFormatA8R8G8B8);
    bitmap.SetSize(width, height);
    auto* pixels = reinterpret_cast<uint32_t*>(bitmap.GetBits());
    if (!pixels) return;
    for (const Item& item : items_)
        if (item.kind == kTextItemRun) ComposeRun(item, pixels, width, height);
    texture->LoadFromBitmap(&bitmap);
    texture->MakeQuad(&textQuad_, 0.0f, 0.0f, 0xFFFFFFFFu);
}

#define DXL_TEXT_RENDER_MEMBERS(Ch)                                                                          \
    template void DXLText<Ch>::SetRenderToTexture(bool);                                                     \
    template void DXLText<Ch>::OnNotify(DXLNotifyObject*, uint32_t);                                         \
    template void DXLText<Ch>::AddLink(const Style&);                                                        \
    template void DXLText<Ch>::AddLinkRect(DXLTEXTLINK&, kis::Rect&, const TexturedQuad&);                   \
    template void DXLText<Ch>::BuildLinkRects();                                                             \
    template void DXLText<Ch>::ComposeRun(const Item&, uint32_t*, int32_t, int32_t);                         \
    template void DXLText<Ch>::Render(DXLTexture*);
DXL_TEXT_RENDER_MEMBERS(char16_t)
DXL_TEXT_RENDER_MEMBERS(char)
#undef DXL_TEXT_RENDER_MEMBERS
