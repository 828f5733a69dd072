#pragma once
// A short-lived flying label over the field: an icon and a number ("+3",
// "-2") that rise and fade when money or products change, or drop in when
// products are taken. The level's screen-sprite host owns the labels and
// deletes each one in the frame its effects end.

#include "engine/Viewer.h"
#include "foundation/Helpers.h"
#include "sprites/SpriteEffect.h"

#include <cstdint>
#include <memory>
#include <string>

class KGEFont;
class KGETextSpriteW;
class KGETextW;
class ScreenSprites;
class Sprite;

class ScreenLabel {
  public:
    static constexpr uint32_t kRiseTime = 2000; // ms the label rises
    static constexpr int32_t kRiseHeight = 100; // pixels it rises
    static constexpr uint32_t kDropTime = 1000; // ms it drops in
    static constexpr int32_t kDropHeight = 50;  // pixels it drops

    ScreenLabel(ScreenSprites& host, float x, float y);
    ~ScreenLabel();
    ScreenLabel(const ScreenLabel&) = delete;
    ScreenLabel& operator=(const ScreenLabel&) = delete;

    // No icon for a null sprite, no frames or a frame out of range. A
    // negative width takes the sprite's own; with shadow a dark copy lies
    // 2 pixels right and down under the icon.
    void SetIcon(Sprite* sprite, int32_t frame, bool shadow, int32_t width);
    // "+" and the value when it is at least 1, else the value alone.
    void SetNumber(KGEFont* font, int32_t value, int32_t gap, uint32_t colour);
    // A text without icon, drawn as a text sprite with a black outline of
    // the width (0: none).
    void SetText(KGEFont* font, const char16_t* text, uint32_t colour, float outline);
    // Rising: moves up by 100 - yOffset over 2,000 ms, fades out over the
    // last 500 ms, built up over the first 200. Dropping in: fades in over
    // 200 ms, drops from yOffset - 50 over 1,000 ms and shrinks away over
    // 200 ms from 800 ms. Everything after the delay.
    void Animate(bool rise, uint32_t delay, int32_t yOffset);
    // Places icon and text side by side, centred on the position.
    void Layout();

    // Per frame: runs the effects under the level's view (viewer may be
    // null: values only); true once they have ended.
    bool Update(DXLViewer* viewer);
    void Draw(DXLViewer& viewer);

    bool IsFinished() const { return finished_; }
    const std::u16string& Text() const { return text_; }
    KGEFont* Font() const { return font_; }
    uint32_t TextColour() const { return textColour_; }
    float Outline() const { return outline_; }
    uint32_t Alpha() const { return alpha_; }
    bool HasIcon() const { return icon_ != nullptr; }
    int32_t IconWidth() const { return iconWidth_; }
    const kis::Rect& Rect() const { return rect_; }
    const SpriteEffectQueue* Effects() const { return effects_.get(); }

  private:
    void ApplyAlpha(uint32_t alpha);

    ScreenSprites& host_;
    bool finished_ = false;
    float x_, y_;
    kis::Rect rect_ = {0, 0, 0, 0};
    Sprite* icon_ = nullptr; // owned by its sprite library
    TexturedQuad iconQuad_ = {};
    TexturedQuad shadowQuad_ = {};
    bool hasShadow_ = false;
    float iconX_ = 0, iconY_ = 0;
    int32_t iconWidth_ = 0, iconHeight_ = 0;
    std::u16string text_;
    KGEFont* font_ = nullptr; // a game font, not owned
    std::unique_ptr<KGETextW> textObject_;
    std::unique_ptr<KGETextSpriteW> textSprite_;
    float outline_ = 0.0f;
    uint32_t textColour_ = 0xFFFFFFFF;
    float textX_ = 0, textY_ = 0;
    int32_t gap_ = 0;
    uint32_t alpha_ = 0xFF000000;
    std::unique_ptr<SpriteEffectQueue> effects_;
    DXLMatrix transform_ = kIdentityMatrix;
};
