#include "levelui/ScreenSpriteKinds.h"

#include "engine/Texture.h"
#include "gui/Hint.h"
#include "gui/Window.h"
#include "level/SpriteObject.h"
#include "levelui/InstanceDrawing.h"
#include "sprites/Sprite.h"
#include "text/DigitalText.h"

#include <utility>

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kInterfaceLibrary = 1;
constexpr int32_t kIconLibrary = 2;

std::unique_ptr<SpriteInstance> CentredInstance(Sprite* sprite) {
    if (!sprite || sprite->GetFrameCount() == 0) return nullptr;
    auto instance = std::make_unique<SpriteInstance>(sprite);
    instance->originX = instance->originY = 0.5f;
    return instance;
}

std::unique_ptr<SpriteInstance> InterfaceInstance(const char16_t* name, float originX, float originY) {
    auto instance = CentredInstance(GetSprite(kInterfaceLibrary, name));
    if (instance) {
        instance->originX = originX;
        instance->originY = originY;
    }
    return instance;
}

// The alpha drawn at (x, y) by the piece of the texture laid on its
// destination: as a sprite's frame, the quad lies half a unit up and left,
// and the filter blends the texels the place falls between. 0 off the
// piece, -1 when its texels cannot be read.
int32_t PieceAlpha(DXLTexture* texture, const ScreenQuad& piece, float x, float y) {
    const DXLRectF &d = piece.destination, &s = piece.source;
    if (x < d.left - 0.5f || y < d.top - 0.5f || x >= d.right - 0.5f || y >= d.bottom - 0.5f) return 0;
    if (d.right <= d.left || d.bottom <= d.top) return 0;
    const float u = s.left + (x - d.left + 0.5f) * (s.right - s.left) / (d.right - d.left) - 0.5f;
    const float v = s.top + (y - d.top + 0.5f) * (s.bottom - s.top) / (d.bottom - d.top) - 0.5f;
    const kis::Rect within{int32_t(s.left), int32_t(s.top), int32_t(s.right), int32_t(s.bottom)};
    return FilteredAlpha(texture, within, u, v);
}

// Whether the piece of the texture shows at (x, y); where its texels cannot
// be read, its whole quad counts. A missing texture draws nothing.
bool PieceShows(DXLTexture* texture, const ScreenQuad& piece, float x, float y) {
    const int32_t alpha = texture ? PieceAlpha(texture, piece, x, y) : 0;
    return alpha < 0 || alpha >= kCoverAlpha;
}

// Whether the frame of the instance, as DrawInstanceAt draws it at (atX,
// atY), shows at (x, y); where its texels cannot be read, its whole quad
// counts.
bool InstanceShows(const SpriteInstance* instance, int32_t frame, float atX, float atY, float x, float y) {
    if (!instance) return false;
    const Sprite* sprite = instance->definition;
    kis::Rect r{};
    if (!sprite->GetFrameRect(std::clamp(frame, 0, std::max(sprite->GetFrameCount() - 1, 0)), &r))
        return false;
    const float w = float(r.right - r.left) * instance->scaleX,
                h = float(r.bottom - r.top) * instance->scaleY;
    const float left = atX - instance->originX * w, top = atY - instance->originY * h;
    return PieceShows(
        sprite->GetTexture(),
        {{left, top, left + w, top + h}, {float(r.left), float(r.top), float(r.right), float(r.bottom)}}, x,
        y);
}

// Draws the piece of the texture at the viewer's transform in the colour.
void DrawPiece(DXLViewer& viewer, DXLTexture* texture, const ScreenQuad& piece, uint32_t colour) {
    if (!texture) return;
    TexturedQuad quad;
    texture->MakeQuadRectToRect(&quad, piece.destination, piece.source, colour);
    SetCurrentTexture(texture);
    viewer.ApplyTransform();
    viewer.DrawTexturedQuad(&quad);
}

// Draws the instance at (x, y) from the current transform, which it leaves as it was.
void DrawInstanceAt(DXLViewer& viewer, SpriteInstance* instance, float x, float y, int32_t frame,
                    uint32_t colour) {
    if (!instance) return;
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(x, y);
    instance->frame = std::clamp(frame, 0, std::max(instance->definition->GetFrameCount() - 1, 0));
    instance->colour = colour;
    instance->Draw(viewer);
    viewer.SetTransform(&saved);
}

int32_t CeilDiv(float value, float scale) {
    return int32_t(std::ceil(value / scale));
}

// The centre's y of a button lifted above its anchor: never above y = 32,
// and, when its screen rectangle (half sizes in screen pixels) shrunk by 8
// meets the money window, moved down until its top is 8 pixels above that
// window's bottom.
int32_t LiftedY(const ScreenSpriteLevel& level, bool followsZoom, int32_t x, int32_t anchorY, int32_t lift,
                float halfWidth, float halfHeight) {
    const int32_t offset = followsZoom ? CeilDiv(float(lift), level.FieldScale()) : lift;
    int32_t y = std::max(anchorY - offset, ASSArrowButton::kHighestY);
    const kis::Rect money = level.MoneyWindowRect();
    if (money.right <= money.left || money.bottom <= money.top) return y;
    const DXLMatrix view = level.ViewTransform();
    const float sx = view.m[0][0], sy = view.m[1][1];
    if (sx <= 0.0f || sy <= 0.0f) return y;
    const float screenX = float(x) * sx + view.m[3][0], screenY = float(y) * sy + view.m[3][1];
    const float left = screenX - halfWidth + 8, right = screenX + halfWidth - 8;
    const float top = screenY - halfHeight + 8, bottom = screenY + halfHeight - 8;
    if (right <= float(money.left) || left >= float(money.right) || bottom <= float(money.top) ||
        top >= float(money.bottom))
        return y;
    return int32_t(std::ceil((float(money.bottom) - 8 + halfHeight - view.m[3][1]) / sy));
}

} // namespace

int32_t OverheadRowDrop(const ScreenSpriteLevel& level, int32_t x, int32_t centreY, int32_t halfHeight) {
    int32_t lowest = ASSArrowButton::kHighestY;
    const kis::Rect money = level.MoneyWindowRect();
    const DXLMatrix view = level.ViewTransform();
    const float sx = view.m[0][0], sy = view.m[1][1];
    if (money.right > money.left && money.bottom > money.top && sx > 0.0f && sy > 0.0f) {
        const float screenX = float(x) * sx + view.m[3][0];
        const float half = float(halfHeight) * sx;
        if (screenX + half > float(money.left) && screenX - half < float(money.right))
            lowest =
                std::max(lowest, int32_t(std::ceil((float(money.bottom) - view.m[3][1]) / sy)) + halfHeight);
    }
    return std::max(0, lowest - centreY);
}

// ---------------------------------------------------------------- stars

bool StarsCell(int32_t maximum, int32_t count, kis::Rect* cell) {
    struct Template {
        int32_t x, y, w, h, stepY;
    };
    static const Template kTemplates[] = {
        {59, 1, 22, 22, 23}, // maximum 2
        {59, 1, 44, 22, 23}, // maximum 3
        {1, 1, 57, 27, 28},  // maximum 4
    };
    if (maximum < 2 || maximum > 4) return false;
    const Template& t = kTemplates[maximum - 2];
    const int32_t n = std::clamp(count, 1, maximum);
    *cell = kis::MakeRectWH(t.x, t.y + (n - 1) * t.stepY, t.w, t.h);
    return true;
}

SSStars::SSStars(ScreenSprites& host, int32_t x, int32_t y, int32_t maximum, int32_t count)
    : ScreenSprite(host, x, y), maximum_(std::clamp(maximum, 1, 4)) {
    SetCount(count);
}

void SSStars::SetCount(int32_t count) {
    const int32_t n = std::clamp(count, 1, maximum_);
    if (n == count_) return;
    count_ = n;
    hasCell_ = StarsCell(maximum_, count_, &cell_);
    colourChanged_ = true;
}

ScreenQuad SSStars::Piece() const {
    const float w = float(cell_.right - cell_.left), h = float(cell_.bottom - cell_.top);
    return {{-w / 2, -h / 2, w / 2, h / 2},
            {float(cell_.left), float(cell_.top), float(cell_.right), float(cell_.bottom)}};
}

bool SSStars::ContentShows(float x, float y) const {
    return hasCell_ && PieceShows(InterfaceTexture(u"stars"), Piece(), x, y);
}

void SSStars::DrawContent(DXLViewer& viewer) {
    if (hasCell_) DrawPiece(viewer, InterfaceTexture(u"stars"), Piece(), WithAlpha(0xFFFFFF));
}

// ---------------------------------------------------------------- progress line

SSProgressLine::SSProgressLine(ScreenSprites& host, int32_t x, int32_t y, int32_t width, bool green)
    : ScreenSprite(host, x, y), width_(std::max(width, kMinimumWidth)), green_(green) {
    glow_ = InterfaceInstance(green ? u"progress_glow" : u"progress_glow_red", 0.5f, 0.5f);
}

SSProgressLine::~SSProgressLine() = default;

void SSProgressLine::SetPercent(float percent) {
    if (latched_) return;
    if (!(percent > 0.0f)) percent = 0.0f; // NaN as 0
    percent = std::min(percent, 100.0f);
    percent_ = percent;
    if ((percent_ >= 100.0f && green_) || (percent_ <= 0.0f && !green_)) {
        latched_ = true;
        AddSpriteEffect(&glowEffects_, new SEffect_Scale(1, 0, 100, true, 0));
        AddSpriteEffect(&glowEffects_, new SEffect_Alpha(1, 0, 100, true, 0));
    }
}

int32_t SSProgressLine::Fill() const {
    return int32_t(float(width_) * percent_ / 100.0f);
}

int32_t SSProgressLine::QuadCount() const {
    return latched_ && !green_ ? 3 : 6;
}

DXLTexture* SSProgressLine::QuadTexture(int32_t i) const {
    return InterfaceTexture(i < 3    ? u"progress_line_border"
                            : green_ ? u"progress_line_indicator"
                                     : u"progress_line_indicator_red");
}

ScreenQuad SSProgressLine::Quad(int32_t i) const {
    const float half = float(width_ / 2);
    DXLTexture* texture = QuadTexture(i);
    const float tw = texture ? float(texture->GetWidth()) : 0.0f;
    const float th = texture ? float(texture->GetHeight()) : 0.0f;
    const float top = -float(int32_t(th) / 2), bottom = top + th;
    const float fillEnd = -half + float(Fill());
    const float cap = float(kCap), icap = float(kIndicatorCap);
    switch (i) {
    case 0:
        return {{-half - cap, top, -half, bottom}, {0, 0, cap, th}};
    case 1:
        return {{-half, top, half, bottom}, {cap, 0, tw - cap, th}};
    case 2:
        return {{half, top, half + cap, bottom}, {tw - cap, 0, tw, th}};
    case 3:
        return {{-half - icap, top, -half, bottom}, {0, 0, icap, th}};
    case 4:
        return {{-half, top, fillEnd, bottom}, {icap, 0, tw - icap, th}};
    default:
        return {{fillEnd, top, fillEnd + icap, bottom}, {tw - icap, 0, tw, th}};
    }
}

bool SSProgressLine::ContentShows(float x, float y) const {
    for (int32_t i = 0; i < QuadCount(); ++i)
        if (PieceShows(QuadTexture(i), Quad(i), x, y)) return true;
    return false;
}

void SSProgressLine::DrawContent(DXLViewer& viewer) {
    const uint32_t colour = WithAlpha(0xFFFFFF);
    for (int32_t i = 0; i < QuadCount(); ++i)
        DrawPiece(viewer, QuadTexture(i), Quad(i), colour);
    if (!glow_) return;
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(GlowX(), 0.0f);
    const bool running = UpdateSpriteEffects(&glowEffects_, &viewer);
    if (latched_ && !running && removeWhenHidden_) {
        glow_.reset(); // its fade has ended and the bar goes
    } else if (!latched_ || running) {
        glow_->colour = ApplyEffectAlpha(glowEffects_.get(), 0xFFFFFFFF);
        glow_->Draw(viewer);
    }
    viewer.SetTransform(&saved);
}

// ---------------------------------------------------------------- icon buttons

ASSIconButton::ASSIconButton(ScreenSprites& host, uint32_t command, int32_t x, int32_t y,
                             const char16_t* background, Sprite* icon, int32_t radius)
    : ActiveScreenSprite(host, command, x, y), radius_(radius), hitRadius_(radius) {
    background_ = InterfaceInstance(background, 0.5f, 0.5f);
    icon_ = CentredInstance(icon);
    UpdateRect();
}

ASSIconButton::~ASSIconButton() = default;

void ASSIconButton::SetFollowZoom(bool follow) {
    ActiveScreenSprite::SetFollowZoom(follow);
    UpdateRect();
}

void ASSIconButton::UpdateRect() {
    hitRadius_ = FollowsZoom() ? CeilDiv(float(radius_), host_.Level().FieldScale()) : radius_;
    const int32_t r = hitRadius_ + 1;
    rect_ = {x_ + offsetX_ - r, y_ + offsetY_ - r, x_ + offsetX_ + r, y_ + offsetY_ + r};
}

bool ASSIconButton::HitTest(int32_t x, int32_t y) const {
    if (!ActiveScreenSprite::HitTest(x, y)) return false;
    const int64_t dx = x - (x_ + offsetX_), dy = y - (y_ + offsetY_);
    return dx * dx + dy * dy <= int64_t(hitRadius_) * hitRadius_;
}

int32_t ASSIconButton::IconFrame() const {
    static const int32_t kFrames[4] = {0, 1, 2, 2};
    if (!icon_ || icon_->definition->GetFrameCount() < 2) return 0;
    return kFrames[std::min<uint32_t>(state_, 3)];
}

void ASSIconButton::DrawContent(DXLViewer& viewer) {
    const uint32_t colour = WithAlpha(0xFFFFFF);
    DrawInstanceAt(viewer, background_.get(), 0, 0, int32_t(state_), colour);
    DrawInstanceAt(viewer, icon_.get(), 0, 0, IconFrame(), colour);
}

ASSArrowButton::ASSArrowButton(ScreenSprites& host, uint32_t command, int32_t anchorX, int32_t anchorY,
                               Sprite* icon, const char16_t* background, Sprite* arrow)
    : ASSIconButton(host, command, anchorX, anchorY, background ? background : u"icon_btn", icon, 18),
      anchorX_(anchorX), anchorY_(anchorY) {
    arrow_ = arrow ? CentredInstance(arrow) : InterfaceInstance(u"button_arrow", 0.5f, 0.0f);
    if (arrow_) arrow_->originY = 0.0f;
    SetFollowZoom(true);
    Relayout();
}

ASSArrowButton::~ASSArrowButton() = default;

void ASSArrowButton::SetAnchor(int32_t x, int32_t y) {
    anchorX_ = x;
    anchorY_ = y;
    Relayout();
}

void ASSArrowButton::Relayout() {
    x_ = anchorX_;
    const float half =
        FollowsZoom() ? float(radius_ + 1) : float(hitRadius_ + 1) * host_.Level().ViewTransform().m[1][1];
    y_ = LiftedY(host_.Level(), FollowsZoom(), x_, anchorY_, kLift, half, half);
    UpdateRect();
}

void ASSArrowButton::SetBadge(Sprite* badge, float scale, uint32_t colour) {
    badgeEffects_.reset();
    badge_ = CentredInstance(badge);
    if (!badge_) return;
    badge_->scaleX = badge_->scaleY = scale;
    badgeColour_ = colour;
    AddSpriteEffect(&badgeEffects_, new SEffect_SinScale(1.0f, 1.25f, 1000, 0, false, 0));
}

bool ASSArrowButton::HitTest(int32_t x, int32_t y) const {
    if (ASSIconButton::HitTest(x, y)) return true;
    float lx = 0.0f, ly = 0.0f;
    return LocalPlace(x, y, &lx, &ly) &&
           InstanceShows(arrow_.get(), int32_t(state_), 0, float(kArrowDrop), lx, ly);
}

void ASSArrowButton::DrawContent(DXLViewer& viewer) {
    const uint32_t colour = WithAlpha(0xFFFFFF);
    DrawInstanceAt(viewer, arrow_.get(), 0, float(kArrowDrop), int32_t(state_), colour);
    ASSIconButton::DrawContent(viewer);
    if (!badge_) return;
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    UpdateSpriteEffects(&badgeEffects_, &viewer);
    // The badge's alpha is its colour's, scaled by the button's.
    const uint32_t alpha = uint32_t(float(badgeColour_ >> 24) * float(colour >> 24) / 255.0f);
    badge_->colour = (badgeColour_ & 0x00FFFFFF) | alpha << 24;
    badge_->Draw(viewer);
    viewer.SetTransform(&saved);
}

// ---------------------------------------------------------------- price button

ASSPriceButton::ASSPriceButton(ScreenSprites& host, uint32_t command, int32_t x, int32_t y, Sprite* icon,
                               int32_t price)
    : ActiveScreenSprite(host, command, x, y), anchorX_(x), anchorY_(y) {
    icon_ = CentredInstance(icon);
    arrow_ = InterfaceInstance(u"button_arrow", 0.5f, 0.0f);
    if (DigitalFont* font = Manager().FindDigitalFont(kDigitFont))
        text_ = std::make_unique<DigitalText>(font, 0, 10, false, 0);
    SetFollowZoom(true);
    SetPrice(price);
}

ASSPriceButton::~ASSPriceButton() = default;

void ASSPriceButton::SetPrice(int32_t price) {
    price_ = price;
    if (text_) {
        text_->SetValue(price);
        text_->Layout();
    }
    width_ = (text_ ? text_->GetWidth() : 0) + 52;
    Relayout();
}

uint32_t ASSPriceButton::PriceColour() const {
    static const uint32_t kColours[4] = {0xFFE8E8E8, 0xFFD4FFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    return kColours[std::min<uint32_t>(state_, 3)];
}

void ASSPriceButton::SetAnchor(int32_t x, int32_t y) {
    anchorX_ = x;
    anchorY_ = y;
    Relayout();
}

void ASSPriceButton::Relayout() {
    const bool follows = FollowsZoom();
    const float scale = follows ? host_.Level().FieldScale() : 1.0f;
    const float screenScale = follows ? 1.0f : host_.Level().ViewTransform().m[1][1];
    x_ = anchorX_;
    y_ = LiftedY(host_.Level(), follows, x_, anchorY_, kLift, float(width_) / 2 * screenScale,
                 float(kHeight) / 2 * screenScale);
    // The hit rectangle in field pixels: the screen size undone by the zoom.
    const int32_t halfWidth = CeilDiv(float(width_) / 2, scale),
                  halfHeight = CeilDiv(float(kHeight) / 2, scale);
    rect_ = {x_ - halfWidth, y_ - halfHeight, x_ + halfWidth, y_ + halfHeight};
}

ScreenQuad ASSPriceButton::FacePiece(int32_t i, int32_t state) const {
    const float left = -float(width_) / 2, top = -float(kHeight) / 2, right = left + float(width_);
    const float cell = float(state * kCellWidth);
    switch (i) {
    case 0:
        return {{left, top, left + kLeftCap, top + kHeight}, {cell, 0, cell + kLeftCap, kHeight}};
    case 1:
        return {{left + kLeftCap, top, right - kRightCap, top + kHeight},
                {cell + kLeftCap, 0, cell + kLeftCap + kMiddle, kHeight}};
    default:
        return {{right - kRightCap, top, right, top + kHeight},
                {cell + kCellWidth - kRightCap, 0, cell + kCellWidth, kHeight}};
    }
}

bool ASSPriceButton::HitTest(int32_t x, int32_t y) const {
    if (!IsVisible()) return false;
    // The place in the button's own drawing: its screen pixels while it
    // keeps its size against the zoom.
    const float scale = FollowsZoom() ? host_.Level().FieldScale() : 1.0f;
    const float lx = float(x - x_ - offsetX_) * scale, ly = float(y - y_ - offsetY_) * scale;
    const int32_t state = int32_t(std::min<uint32_t>(state_, 3));
    // Where the face's texels cannot be read, its rectangle is the face.
    DXLTexture* face = InterfaceTexture(u"price_button");
    if (!face && ActiveScreenSprite::HitTest(x, y)) return true;
    for (int32_t i = 0; i < kFacePieces; ++i)
        if (PieceShows(face, FacePiece(i, state), lx, ly)) return true;
    // The arrow hangs below the face's rectangle: all of it is the button's.
    return InstanceShows(arrow_.get(), state, 0, float(kArrowDrop), lx, ly);
}

void ASSPriceButton::DrawContent(DXLViewer& viewer) {
    const uint32_t colour = WithAlpha(0xFFFFFF);
    const int32_t state = int32_t(std::min<uint32_t>(state_, 3));
    DrawInstanceAt(viewer, arrow_.get(), 0, float(kArrowDrop), state, colour);
    DXLTexture* texture = InterfaceTexture(u"price_button");
    const float left = -float(width_) / 2;
    for (int32_t i = 0; i < kFacePieces; ++i)
        DrawPiece(viewer, texture, FacePiece(i, state), colour);
    if (text_) {
        DXLMatrix saved;
        viewer.GetTransform(&saved);
        viewer.Translate(left + 42, -float(text_->GetHeight() / 2));
        viewer.ApplyTransform();
        text_->SetColor((PriceColour() & 0x00FFFFFF) | (colour & 0xFF000000));
        text_->Draw();
        viewer.SetTransform(&saved);
    }
    DrawInstanceAt(viewer, icon_.get(), left + 20, 0, std::min(state, 2), colour);
}

// ---------------------------------------------------------------- job icons and arrows

SSColorIcon::SSColorIcon(ScreenSprites& host, int32_t x, int32_t y, Sprite* icon, uint32_t backColour,
                         uint32_t borderColour)
    : ScreenSprite(host, x, y), backColour_(backColour), borderColour_(borderColour) {
    icon_ = CentredInstance(icon);
}

SSColorIcon::~SSColorIcon() {
    Detach();
}

void SSColorIcon::Detach() {
    if (owner_) owner_->DetachIcon(this);
    owner_ = nullptr;
}

void SSColorIcon::OnVisibilityChanged() {
    if (removeWhenHidden_) Detach();
}

int32_t SSColorIcon::IconFrame() const {
    return icon_ && icon_->definition->GetFrameCount() > 1 ? 1 : 0;
}

namespace {

// The icon's back and border textures, each drawn whole round the centre.
constexpr const char16_t* kColorIconLayers[] = {u"level_ico_back", u"level_ico_border"};

ScreenQuad WholeCentred(const DXLTexture& texture) {
    const float w = float(texture.GetWidth()), h = float(texture.GetHeight());
    return {{-w / 2, -h / 2, w / 2, h / 2}, {0, 0, w, h}};
}

} // namespace

bool SSColorIcon::ContentShows(float x, float y) const {
    for (const char16_t* name : kColorIconLayers)
        if (DXLTexture* texture = InterfaceTexture(name);
            texture && PieceShows(texture, WholeCentred(*texture), x, y))
            return true;
    return InstanceShows(icon_.get(), IconFrame(), 0, 0, x, y);
}

void SSColorIcon::DrawContent(DXLViewer& viewer) {
    const uint32_t rgb[] = {backColour_, borderColour_};
    for (size_t i = 0; i < std::size(kColorIconLayers); ++i)
        if (DXLTexture* texture = InterfaceTexture(kColorIconLayers[i]))
            DrawPiece(viewer, texture, WholeCentred(*texture), WithAlpha(rgb[i]));
    DrawInstanceAt(viewer, icon_.get(), 0, 0, IconFrame(), WithAlpha(0xFFFFFF));
}

SSArrow::SSArrow(ScreenSprites& host, int32_t x, int32_t y, Sprite* sprite) : ScreenSprite(host, x, y) {
    instance_ = CentredInstance(sprite);
}

SSArrow::~SSArrow() {
    if (slot_ && *slot_ == this) *slot_ = nullptr;
}

float SSArrow::BobOffset(uint32_t age) {
    const double degrees = double(age) / double(kPeriod) * 360.0 + 90.0;
    return float((std::sin(degrees * 3.14159265358979323846 / 180.0) - 1.0) * 5.0);
}

void SSArrow::Update() {
    age_ += 10;
    if (age_ > kLifetime && !removeWhenHidden_)
        Hide(AfterHiding::Remove, HideSpeed::Fade, 0, SEffect_SSShowHide::kAlpha, 200);
}

void SSArrow::DrawContent(DXLViewer& viewer) {
    DrawInstanceAt(viewer, instance_.get(), 0, BobOffset(age_), 0, WithAlpha(0xFFFFFF));
}

// ---------------------------------------------------------------- factory rows

ProductionCell ProductionButtonCell(int32_t index, int32_t count) {
    if (count <= 1) return {-17, 34, 0};
    const int32_t start = -((count - 2) * 32 + 66) / 2;
    if (index <= 0) return {start, 33, 34};
    const int32_t left = start + (index - 1) * 32 + 33;
    if (index >= count - 1) return {left, 33, 99};
    return {left, 32, 67};
}

ASSProductionButton::ASSProductionButton(ScreenSprites& host, void* product, int32_t x, int32_t y,
                                         int32_t index, int32_t count, Sprite* icon)
    : ActiveScreenSprite(host, kCommandProduce, x, y), product_(product),
      cell_(ProductionButtonCell(index, count)), first_(index <= 0) {
    icon_ = CentredInstance(icon);
    if (icon_) icon_->originX = icon_->originY = 0.0f;
    rect_ = {x + cell_.left, y - kCellSize / 2, x + cell_.left + cell_.width, y + kCellSize / 2};
}

ASSProductionButton::~ASSProductionButton() = default;

void ASSProductionButton::DrawContent(DXLViewer& viewer) {
    const uint32_t colour = WithAlpha(0xFFFFFF);
    const float row = float(std::min<uint32_t>(state_, 3) * kCellSize);
    const float left = float(cell_.left), top = -float(kCellSize / 2);
    const ScreenQuad piece{{left, top, left + float(cell_.width), top + kCellSize},
                           {float(cell_.sourceX), row, float(cell_.sourceX + cell_.width), row + kCellSize}};
    DrawPiece(viewer, InterfaceTexture(u"prod_button"), piece, colour);
    if (!icon_) return;
    const int32_t iconHeight = icon_->definition->GetHeight();
    const int32_t w = cell_.width + (first_ ? 1 : 0);
    DrawInstanceAt(viewer, icon_.get(), left + float((w - iconHeight) / 2),
                   top + float((kCellSize - iconHeight) / 2), int32_t(std::min<uint32_t>(state_, 2)), colour);
}

ASSProductionSlot::ASSProductionSlot(ScreenSprites& host, int32_t x, int32_t y, int32_t index, int32_t count)
    : ActiveScreenSprite(host, kCommandProductionSlot, x, y), cellLeft_(index * 32 - (count * 32 / 2 + 1)) {
    rect_ = {x + cellLeft_, y - kCellSize / 2, x + cellLeft_ + kCellSize, y + kCellSize / 2};
    SetHintEnabled(false);
}

ASSProductionSlot::~ASSProductionSlot() = default;

void ASSProductionSlot::SetProduct(void* product, Sprite* icon, const char16_t* key) {
    product_ = product;
    icon_ = product ? CentredInstance(icon) : nullptr;
    if (icon_) icon_->originX = icon_->originY = 0.0f;
    key_ = product && key ? key : u"";
    // The key stands in for the text until the hint is first shown.
    SetHint(u"", key_);
    hintStale_ = !key_.empty();
    SetHintEnabled(product != nullptr);
}

BaseHintWindow* ASSProductionSlot::GetHintWindow() {
    if (hintStale_) {
        hintStale_ = false;
        // Not through SetHint, which would take the hint from its owner as it shows.
        hintBody_ = Manager().Text(u"Products", key_.c_str());
        hint_.reset();
    }
    return ActiveScreenSprite::GetHintWindow();
}

void ASSProductionSlot::SetProgress(float fraction) {
    progress_ = fraction > 0.0f ? std::min(fraction, 1.0f) : 0.0f; // NaN as 0
}

bool ASSProductionSlot::FillTop(int32_t textureHeight, int32_t* top, float* fraction) const {
    if (progress_ <= 0.0f) return false;
    const int32_t h = textureHeight - 6;
    const float y = float(h) - (float(h - 3) * progress_ + 1.0f);
    *top = int32_t(std::ceil(y));
    *fraction = float(*top) - y;
    return true;
}

bool ASSProductionSlot::HitTest(int32_t x, int32_t y) const {
    float lx = 0.0f, ly = 0.0f;
    if (!LocalPlace(x, y, &lx, &ly)) return false;
    const float left = float(cellLeft_), top = -float(kCellSize / 2);
    if (lx >= left && lx < left + kCellSize && ly >= top && ly < top + kCellSize) return true;
    // The fill, as DrawContent draws it, hangs below the cell.
    DXLTexture* texture = InterfaceTexture(u"prod_slot");
    int32_t fillTop = 0;
    float fraction = 0.0f;
    if (!texture || state_ == kDisabled || !FillTop(texture->GetHeight(), &fillTop, &fraction)) return false;
    const float fillX = float((std::min<uint32_t>(state_, 3) + 3) * kFrameStep);
    const float bottom = float(texture->GetHeight());
    return PieceShows(texture,
                      {{left, top + float(fillTop), left + kCellSize, top + bottom},
                       {fillX, float(fillTop), fillX + kCellSize, bottom}},
                      lx, ly);
}

void ASSProductionSlot::DrawContent(DXLViewer& viewer) {
    DXLTexture* texture = InterfaceTexture(u"prod_slot");
    const uint32_t colour = WithAlpha(0xFFFFFF);
    const float left = float(cellLeft_), top = -float(kCellSize / 2);
    const float frameX = float(std::min<uint32_t>(state_, 3) * kFrameStep);
    DrawPiece(viewer, texture,
              {{left, top, left + kCellSize, top + kCellSize}, {frameX, 0, frameX + kCellSize, kCellSize}},
              colour);
    int32_t fillTop = 0;
    float fraction = 0.0f;
    if (texture && state_ != kDisabled && FillTop(texture->GetHeight(), &fillTop, &fraction)) {
        const float fillX = float((std::min<uint32_t>(state_, 3) + 3) * kFrameStep);
        const float bottom = float(texture->GetHeight());
        DrawPiece(viewer, texture,
                  {{left, top + float(fillTop), left + kCellSize, top + bottom},
                   {fillX, float(fillTop), fillX + kCellSize, bottom}},
                  colour);
        if (fillTop > 0 && fraction > 0.0f) {
            const uint32_t partAlpha = uint32_t(float(colour >> 24) * fraction) << 24;
            DrawPiece(viewer, texture,
                      {{left, top + float(fillTop - 1), left + kCellSize, top + float(fillTop)},
                       {fillX, float(fillTop - 1), fillX + kCellSize, float(fillTop)}},
                      (colour & 0x00FFFFFF) | partAlpha);
        }
    }
    if (!icon_) return;
    const int32_t iconHeight = icon_->definition->GetHeight();
    const float offset = float((kCellSize - iconHeight) / 2);
    DrawInstanceAt(viewer, icon_.get(), left + offset, top + offset, int32_t(std::min<uint32_t>(state_, 2)),
                   colour);
}
