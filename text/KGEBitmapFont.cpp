#include "text/KGEBitmapFont.h"

#include <algorithm>

KGEBitmapFont::KGEBitmapFont(DXLViewer* viewer) : KGEFont(kBitmapFontMagic[0], kBitmapFontMagic[1], viewer) {}

KGEBitmapFont::~KGEBitmapFont() {
    Release(true);
    grid_.reset();
    if (ownsTexture_) delete texture_;
    texture_ = nullptr;
}

void KGEBitmapFont::SetTexture(DXLTexture* texture, bool owned) {
    if (ownsTexture_ && texture_ != texture) delete texture_;
    texture_ = texture;
    ownsTexture_ = texture && owned;
}

HResult KGEBitmapFont::SetImages(const KGEImageDescription* desc) {
    if (!desc || !desc->list) return kKgeMissingImages;
    grid_.reset();
    AllocImages(desc->imageCount);
    SetCellHeight(desc->cellHeight);
    if (desc->flags & kGridOn) {
        grid_ = std::make_unique<KGEGridRecord>(
            KGEGridRecord{desc->flags, desc->skipX, desc->skipY, desc->rect, desc->borders});
        for (uint32_t i = 0; i < imageCount_; ++i)
            images_[i].width = std::max((desc->flags & kGridWidthList) ? desc->list[i] : desc->list[0], 0);
    } else {
        for (uint32_t i = 0; i < imageCount_; ++i) {
            images_[i].x = desc->list[3 * i];
            images_[i].y = desc->list[3 * i + 1];
            images_[i].width = std::max(desc->list[3 * i + 2], 0);
        }
    }
    return 0;
}

HResult KGEBitmapFont::Restore() {
    if (!texture_) return kKgeNoTexture;
    if (ownsTexture_ && !texture_->IsLive()) {
        texture_->Restore();
        if (!texture_->IsLive()) return kKgeNoTexture;
    }
    if (grid_ && !CheckTexture(false)) LayoutImages(false, grid_.get(), nullptr);
    return KGEFont::Restore();
}

void KGEBitmapFont::Invalidate() {
    KGEFont::Invalidate();
    if (ownsTexture_ && texture_) texture_->Release();
}

HResult KGEBitmapFont::OnReset() {
    if (users_ == 0) return 0;
    if (ownsTexture_ && texture_ && !texture_->IsLive()) texture_->Restore();
    if (texture_ && texture_->IsLive()) return Rebuild();
    if (built_) {
        Invalidate();
        built_ = false;
    }
    return 0;
}
