#include "levelui/ScreenLabel.h"

#include "engine/GlyphEffects.h"
#include "foundation/NumberText.h"
#include "levelui/ScreenSprites.h"
#include "sprites/Sprite.h"
#include "text/KGEText.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

void SetQuadColour(TexturedQuad& quad, uint32_t colour) {
    for (platform::TexturedVertex& v : quad.v)
        v.colour = colour;
}

} // namespace

ScreenLabel::ScreenLabel(ScreenSprites& host, float x, float y) : host_(host), x_(x), y_(y) {}

ScreenLabel::~ScreenLabel() = default;

void ScreenLabel::SetIcon(Sprite* sprite, int32_t frame, bool shadow, int32_t width) {
    icon_ = nullptr;
    hasShadow_ = false;
    iconWidth_ = iconHeight_ = 0;
    kis::Rect source;
    if (!sprite || sprite->GetFrameCount() == 0 || !sprite->GetFrameRect(frame, &source)) return;
    icon_ = sprite;
    const int32_t w = source.right - source.left, h = source.bottom - source.top;
    iconWidth_ = width >= 0 ? width : w;
    iconHeight_ = w > 0 ? h * iconWidth_ / w : h;
    iconQuad_ = {};
    if (sprite->Acquire())
        if (const TexturedQuad* quad = sprite->GetFrameQuad(frame)) iconQuad_ = *quad;
    // The frame's quad stands at 0, 0 in its own size: bring it to the icon's size.
    for (platform::TexturedVertex& v : iconQuad_.v) {
        v.x = w > 0 ? v.x * float(iconWidth_) / float(w) : v.x;
        v.y = h > 0 ? v.y * float(iconHeight_) / float(h) : v.y;
    }
    SetQuadColour(iconQuad_, 0x00FFFFFF | alpha_);
    if (shadow) {
        hasShadow_ = true;
        shadowQuad_ = iconQuad_;
        for (platform::TexturedVertex& v : shadowQuad_.v) {
            v.x += 2.0f;
            v.y += 2.0f;
        }
        SetQuadColour(shadowQuad_, 0x80000000);
    }
    Layout();
}

void ScreenLabel::SetNumber(KGEFont* font, int32_t value, int32_t gap, uint32_t colour) {
    text_ = (value >= 1 ? u"+" : u"") + kis::DecimalText(value);
    font_ = font;
    gap_ = gap;
    textColour_ = colour;
    textObject_.reset();
    if (font) {
        KGETextParams params = KGEDefaultTextParams();
        params.flags = kTextSingleLine | kTextColour;
        params.colour = colour;
        KGETextW* made = nullptr;
        if (Failed(
                KGECreateText(nullptr, font, &params, text_.c_str(), uint32_t(text_.size()), nullptr, &made)))
            made = nullptr;
        textObject_.reset(made);
    }
    Layout();
}

void ScreenLabel::SetText(KGEFont* font, const char16_t* text, uint32_t colour, float outline) {
    text_ = text ? text : u"";
    font_ = font;
    gap_ = 0;
    textColour_ = colour;
    outline_ = outline;
    textObject_.reset();
    textSprite_.reset();
    if (font) {
        KGETextParams params = KGEDefaultTextParams();
        params.flags = kTextSingleLine | kTextColour;
        params.colour = colour;
        KGETextBox box = {};
        if (outline > 0.0f) {
            box.flags = kBoxOutline;
            MakeGlyphEffect(&box.outline, 1, outline, 0xFF000000, 0, 0);
        }
        KGETextSpriteW* made = nullptr;
        if (Failed(KGECreateTextSprite(nullptr, font, &params, &box, text_.c_str(), uint32_t(text_.size()),
                                       nullptr, &made)))
            made = nullptr;
        textSprite_.reset(made);
    }
    Layout();
}

void ScreenLabel::Animate(bool rise, uint32_t delay, int32_t yOffset) {
    effects_.reset();
    if (rise) {
        AddSpriteEffect(&effects_,
                        new SEffect_Pos(0, 0, 0, float(yOffset - kRiseHeight), kRiseTime, true, delay));
        AddSpriteEffect(&effects_, new SEffect_Alpha(1, 0, 500, true, delay + kRiseTime - 500));
        AddSpriteEffect(&effects_, new SEffect_Build(200, delay));
    } else {
        AddSpriteEffect(&effects_, new SEffect_Alpha(0, 1, 200, true, delay));
        AddSpriteEffect(&effects_,
                        new SEffect_Pos(0, float(yOffset - kDropHeight), 0, 0, kDropTime, true, delay));
        AddSpriteEffect(&effects_, new SEffect_Scale(1, 0, 200, true, delay + 800));
    }
}

void ScreenLabel::Layout() {
    const KGECustomText* text =
        textObject_ ? static_cast<const KGECustomText*>(textObject_.get()) : textSprite_.get();
    const int32_t textWidth = text ? text->GetWidth() : 0;
    const int32_t textHeight = text ? text->GetHeight() : 0;
    const int32_t width = iconWidth_ + (text ? gap_ + textWidth : 0);
    const int32_t height = std::max(iconHeight_ + (hasShadow_ ? 2 : 0), textHeight);
    rect_ = kis::MakeRectWH(int32_t(std::lround(x_)) - width / 2, int32_t(std::lround(y_)) - height / 2,
                            width, height);
    iconX_ = float(-width / 2);
    iconY_ = float(-iconHeight_ / 2);
    textX_ = iconX_ + float(iconWidth_ + (icon_ ? gap_ : 0));
    textY_ = float(-textHeight / 2);
}

void ScreenLabel::ApplyAlpha(uint32_t alpha) {
    if (alpha == alpha_) return;
    alpha_ = alpha;
    if (textObject_) textObject_->SetAlpha(alpha);
    if (textSprite_) textSprite_->SetAlpha(alpha);
    SetQuadColour(iconQuad_, 0x00FFFFFF | alpha);
    SetQuadColour(shadowQuad_, (alpha >> 25) << 24); // black at half the alpha
}

bool ScreenLabel::Update(DXLViewer* viewer) {
    if (finished_) return true;
    if (viewer) {
        const DXLMatrix view = host_.Level().ViewTransform();
        viewer->SetTransform(&view);
        viewer->Translate(x_, y_);
        viewer->Scale(host_.Level().ScreenScale());
        viewer->SnapTransformOrigin();
    }
    if (!UpdateSpriteEffects(&effects_, viewer)) {
        finished_ = true;
        return true;
    }
    if (viewer) viewer->GetTransform(&transform_);
    ApplyAlpha(effects_->mask & kEffectColour ? effects_->colour & 0xFF000000 : 0xFF000000);
    return false;
}

void ScreenLabel::Draw(DXLViewer& viewer) {
    viewer.SetTransform(&transform_);
    if (icon_ && icon_->GetTexture() && icon_->GetTexture()->IsLive()) {
        viewer.Translate(iconX_, iconY_);
        SetCurrentTexture(icon_->GetTexture());
        viewer.ApplyTransform();
        if (hasShadow_) viewer.DrawTexturedQuad(&shadowQuad_);
        viewer.DrawTexturedQuad(&iconQuad_);
        viewer.SetTransform(&transform_);
    }
    KGECustomText* text = textObject_ ? static_cast<KGECustomText*>(textObject_.get()) : textSprite_.get();
    if (text) {
        viewer.Translate(textX_, textY_);
        viewer.ApplyTransform();
        text->Draw();
    }
}
