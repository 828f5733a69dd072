#pragma once
// The kinds of screen sprite the farm puts over the field: star rows,
// progress bars, coloured job icons, round icon buttons (with an arrow under
// them over a level point), and the cells of a factory's product buttons and
// production slots. Their pictures come from sprite library 1 (frames,
// borders) and 2 (icons); without them a kind keeps its geometry and draws
// nothing.

#include "engine/Quad.h"
#include "levelui/ScreenSprites.h"

#include <cstdint>
#include <memory>

class DXLTexture;
class DigitalText;
class Sprite;
class SpriteInstance;

// Four-character command tags, first letter the most significant byte.
constexpr uint32_t MakeCommandTag(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16 | uint32_t(uint8_t(c)) << 8 | uint8_t(d);
}
constexpr uint32_t kCommandProduce = MakeCommandTag('P', 'r', 'o', 'd');
constexpr uint32_t kCommandProductionSlot = MakeCommandTag('P', 'r', 'S', 'l');

// A textured rectangle: where it goes (relative to the sprite's position)
// and which texels it shows.
struct ScreenQuad {
    DXLRectF destination;
    DXLRectF source;
};

// ---------------------------------------------------------------- stars

// The source cell of the "stars" texture for count stars out of maximum
// (2 to 4); false for a maximum of 1, which draws nothing.
bool StarsCell(int32_t maximum, int32_t count, kis::Rect* cell);

class SSStars : public ScreenSprite {
  public:
    SSStars(ScreenSprites& host, int32_t x, int32_t y, int32_t maximum, int32_t count);
    // Clamped to 1..maximum.
    void SetCount(int32_t count);
    int32_t GetCount() const { return count_; }
    int32_t GetMaximum() const { return maximum_; }
    bool HasCell() const { return hasCell_; }
    const kis::Rect& Cell() const { return cell_; }
    bool ContentShows(float x, float y) const override;
    void DrawContent(DXLViewer& viewer) override;

  private:
    // The cell of the stars texture, laid round the centre.
    ScreenQuad Piece() const;

    int32_t maximum_;
    int32_t count_ = 0;
    bool hasCell_ = false;
    kis::Rect cell_ = {0, 0, 0, 0};
    TexturedQuad quad_ = {};
};

// ---------------------------------------------------------------- progress line

class SSProgressLine : public ScreenSprite {
  public:
    static constexpr int32_t kCap = 13;         // border end caps
    static constexpr int32_t kIndicatorCap = 3; // indicator end caps
    static constexpr int32_t kMinimumWidth = 32;

    SSProgressLine(ScreenSprites& host, int32_t x, int32_t y, int32_t width, bool green);
    ~SSProgressLine() override;
    // Percent 0..100 (NaN counts as 0); ignored once latched. A green bar
    // latches at 100, a red one at 0 (and then draws only its border).
    void SetPercent(float percent);
    float GetPercent() const { return percent_; }
    bool IsLatched() const { return latched_; }
    int32_t Width() const { return width_; }
    int32_t Fill() const;
    // The bar's pieces: border left cap, middle, right cap, then (unless a
    // latched red bar) the indicator's left cap, fill and right cap.
    int32_t QuadCount() const;
    ScreenQuad Quad(int32_t i) const;
    // Where the glow sits.
    float GlowX() const { return float(-width_ / 2 + Fill() + 1); }
    // The border and the indicator (the glow is light on them, not the bar).
    bool ContentShows(float x, float y) const override;
    void DrawContent(DXLViewer& viewer) override;

  private:
    DXLTexture* QuadTexture(int32_t i) const;

    int32_t width_;
    bool green_;
    float percent_ = 0.0f;
    bool latched_ = false;
    std::unique_ptr<SpriteInstance> glow_;
    std::unique_ptr<SpriteEffectQueue> glowEffects_;
};

// ---------------------------------------------------------------- icon buttons

class ASSIconButton : public ActiveScreenSprite {
  public:
    // background: a sprite of library 1 with a frame per state; icon: a
    // sprite of library 2 (frames {0, 0, 0, 0} with one frame, else {0, 1, 2, 2}).
    ASSIconButton(ScreenSprites& host, uint32_t command, int32_t x, int32_t y, const char16_t* background,
                  Sprite* icon, int32_t radius);
    ~ASSIconButton() override;
    void SetFollowZoom(bool follow) override;
    bool HitTest(int32_t x, int32_t y) const override;
    void DrawContent(DXLViewer& viewer) override;
    int32_t HitRadius() const { return hitRadius_; }
    int32_t IconFrame() const;
    // Re-places the hit rectangle after a move.
    void UpdateRect();

  protected:
    int32_t radius_;
    int32_t hitRadius_;
    std::unique_ptr<SpriteInstance> background_;
    std::unique_ptr<SpriteInstance> icon_;
};

class ASSArrowButton : public ASSIconButton {
  public:
    static constexpr int32_t kLift = 32;      // the button's centre above its anchor
    static constexpr int32_t kHighestY = 32;  // no centre above this
    static constexpr int32_t kArrowDrop = 14; // the arrow under the centre

    // Background "icon_btn" and arrow "button_arrow" of library 1 when none
    // are named; radius 18; follows the zoom.
    ASSArrowButton(ScreenSprites& host, uint32_t command, int32_t anchorX, int32_t anchorY, Sprite* icon,
                   const char16_t* background = nullptr, Sprite* arrow = nullptr);
    ~ASSArrowButton() override;
    // The centre: the anchor lifted (kept below y = 32 and clear of the
    // money window).
    void Relayout() override;
    void SetAnchor(int32_t x, int32_t y);
    // A picture pinned on the button, centred, scaled, tinted, pulsing
    // between 1.0 and 1.25; null takes it off.
    void SetBadge(Sprite* badge, float scale, uint32_t colour);
    bool HasBadge() const { return badge_ != nullptr; }
    // The round face and the arrow under it, where the arrow is drawn.
    bool HitTest(int32_t x, int32_t y) const override;
    void DrawContent(DXLViewer& viewer) override;

  private:
    int32_t anchorX_, anchorY_;
    std::unique_ptr<SpriteInstance> arrow_;
    std::unique_ptr<SpriteInstance> badge_;
    std::unique_ptr<SpriteEffectQueue> badgeEffects_;
    uint32_t badgeColour_ = 0xFFFFFFFF;
};

// ---------------------------------------------------------------- price button

class ASSPriceButton : public ActiveScreenSprite {
  public:
    static constexpr int32_t kCellWidth = 70;
    static constexpr int32_t kHeight = 40;
    static constexpr int32_t kLeftCap = 40;
    static constexpr int32_t kMiddle = 10;
    static constexpr int32_t kRightCap = 20;
    static constexpr int32_t kLift = 34;
    static constexpr int32_t kDigitFont = 3;
    static constexpr int32_t kArrowDrop = 16; // the arrow's top under the centre
    static constexpr int32_t kFacePieces = 3; // the left cap, the middle, the right cap

    // icon: a sprite of library 2; the price in digit font 3.
    ASSPriceButton(ScreenSprites& host, uint32_t command, int32_t x, int32_t y, Sprite* icon, int32_t price);
    ~ASSPriceButton() override;
    void SetPrice(int32_t price);
    int32_t Price() const { return price_; }
    // The price's width plus 52.
    int32_t Width() const { return width_; }
    // The price's colour in the current state.
    uint32_t PriceColour() const;
    void SetAnchor(int32_t x, int32_t y);
    void Relayout() override;
    // Within the rectangle, only where the face or its arrow is drawn.
    bool HitTest(int32_t x, int32_t y) const override;
    void DrawContent(DXLViewer& viewer) override;

  private:
    // Piece i of the face in a state's cell, laid round the centre.
    ScreenQuad FacePiece(int32_t i, int32_t state) const;

    int32_t anchorX_, anchorY_;
    int32_t price_ = 0;
    int32_t width_ = 0;
    std::unique_ptr<DigitalText> text_;
    std::unique_ptr<SpriteInstance> icon_;
    std::unique_ptr<SpriteInstance> arrow_;
};

// ---------------------------------------------------------------- job icons and arrows

class SSColorIcon;

// The level point a coloured job icon is attached to: it is told when the
// icon goes (marked for removal and shown or hidden, or deleted).
class ColorIconOwner {
  public:
    virtual ~ColorIconOwner() = default;
    virtual void DetachIcon(SSColorIcon* icon) = 0;
};

class SSColorIcon : public ScreenSprite {
  public:
    // icon: a sprite of library 2 (frame 1 when it has several); the back
    // and border textures of library 1 are tinted with the RGB colours.
    SSColorIcon(ScreenSprites& host, int32_t x, int32_t y, Sprite* icon, uint32_t backColour,
                uint32_t borderColour);
    ~SSColorIcon() override;
    void SetOwner(ColorIconOwner* owner) { owner_ = owner; }
    ColorIconOwner* Owner() const { return owner_; }
    void OnVisibilityChanged() override;
    int32_t IconFrame() const;
    bool ContentShows(float x, float y) const override;
    void DrawContent(DXLViewer& viewer) override;

  private:
    void Detach();

    ColorIconOwner* owner_ = nullptr; // the level point; it outlives the attachment
    uint32_t backColour_, borderColour_;
    std::unique_ptr<SpriteInstance> icon_;
};

class SSArrow : public ScreenSprite {
  public:
    static constexpr uint32_t kLifetime = 9400; // ms before it hides itself
    static constexpr uint32_t kPeriod = 1600;   // ms of one bob

    SSArrow(ScreenSprites& host, int32_t x, int32_t y, Sprite* sprite);
    // Clears *slot (its owner's pointer to it) when it is deleted.
    ~SSArrow() override;
    void SetOwnerSlot(SSArrow** slot) { slot_ = slot; }
    // The vertical bob at an age: (sin(age / 1600 x 360 + 90 degrees) - 1) x 5.
    static float BobOffset(uint32_t age);
    uint32_t Age() const { return age_; }
    void Update() override;
    void DrawContent(DXLViewer& viewer) override;

  private:
    uint32_t age_ = 0;
    SSArrow** slot_ = nullptr;
    std::unique_ptr<SpriteInstance> instance_;
};

// ---------------------------------------------------------------- factory rows

// A product button of a factory's row: its cell of the "prod_button"
// texture and its place in the row, relative to the row's centre.
struct ProductionCell {
    int32_t left;
    int32_t width;
    int32_t sourceX;
};
ProductionCell ProductionButtonCell(int32_t index, int32_t count);

// How far (field pixels, 0 or more) a row of overhead buttons whose highest
// centre is at (x, centreY), half its height above it, must move down so
// that its centre is no higher than the arrow buttons' and its top clears
// the money window, where the row could not be clicked.
int32_t OverheadRowDrop(const ScreenSpriteLevel& level, int32_t x, int32_t centreY, int32_t halfHeight);

class ASSProductionButton : public ActiveScreenSprite {
  public:
    static constexpr int32_t kCellSize = 34;

    // product: the product the button orders (owned by the farm's table);
    // icon: its small icon, a sprite of library 2.
    ASSProductionButton(ScreenSprites& host, void* product, int32_t x, int32_t y, int32_t index,
                        int32_t count, Sprite* icon);
    ~ASSProductionButton() override;
    void* Product() const { return product_; }
    const ProductionCell& Cell() const { return cell_; }
    void DrawContent(DXLViewer& viewer) override;

  private:
    void* product_;
    ProductionCell cell_;
    bool first_;
    std::unique_ptr<SpriteInstance> icon_;
};

class ASSProductionSlot : public ActiveScreenSprite {
  public:
    static constexpr int32_t kCellSize = 34;
    static constexpr int32_t kFrameStep = 35;

    ASSProductionSlot(ScreenSprites& host, int32_t x, int32_t y, int32_t index, int32_t count);
    ~ASSProductionSlot() override;
    // The product in the slot (null: empty) with its icon and its name's
    // key in the language group "Products" for the hint, which reads the
    // name when it is first shown after a change.
    void SetProduct(void* product, Sprite* icon, const char16_t* key);
    BaseHintWindow* GetHintWindow() override;
    // The hint's text as last read (empty until the hint was first shown).
    const std::u16string& HintText() const { return hintBody_; }
    // The fill, clamped to 0..1 (NaN counts as 0).
    void SetProgress(float fraction);
    float GetProgress() const { return progress_; }
    void* Product() const { return product_; }
    int32_t CellLeft() const { return cellLeft_; }
    // The fill's top in the strip's frame for a texture of that height (the
    // whole pixel and the fraction above it); false when nothing is filled.
    bool FillTop(int32_t textureHeight, int32_t* top, float* fraction) const;
    // Where the slot is drawn: its cell (in screen pixels while it keeps its
    // size against the zoom) and the fill hanging below it.
    bool HitTest(int32_t x, int32_t y) const override;
    void DrawContent(DXLViewer& viewer) override;

  private:
    int32_t cellLeft_;
    void* product_ = nullptr;
    float progress_ = 0.0f;
    std::unique_ptr<SpriteInstance> icon_;
    std::u16string key_;     // the product's name key
    bool hintStale_ = false; // the key changed since the hint's text was read
};
