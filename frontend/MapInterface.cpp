#include "frontend/MapInterface.h"

#include "app/App.h"
#include "app/LoadingScreen.h"
#include "app/Profiles.h"
#include "engine/Viewer.h"
#include "frontend/AwardsWindow.h"
#include "gui/Controls.h"
#include "gui/Window.h"
#include "sprites/Sprite.h"
#include "text/FontSlots.h"
#include "text/GameLanguage.h"
#include "text/KGEFont.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int32_t kFont = 3, kCountFont = 4;
constexpr uint32_t kHoverColour = 0x40FFFFFF;
constexpr uint32_t kLabelColour = 0xFF4A2808;        // dark brown on the light plates
constexpr uint32_t kOtherRegimeColour = 0xFFF4DCAC;  // light on the dark row
constexpr uint32_t kLockedRegimeColour = 0xFFA89880; // greyed while the hard regime is closed
constexpr int32_t kGreetingTop = 12;                 // the greeting's middle
constexpr int32_t kGreetingMargin = 369;
constexpr int32_t kInterfaceLibrary = 1;
constexpr MapPoint kLockAt{113, -14}, kChainAt{123, -14};
constexpr int32_t kCornerWidth = 186, kBottomCornerHeight = 72;
constexpr int32_t kButtonFaceHeight = 38; // the plate without its shadow
constexpr int32_t kRegimeLabelX = 40, kRegimeLabelY = 17, kRegimeRowStep = 27;
constexpr int32_t kPlateEnd = 16, kPlatePadding = 10, kPlateMargin = 374;
// The medals strip's margins: its cells 342 x 48 with the icons 9 pixels down.
constexpr int32_t kMedalsMargins[4] = {7, 3, 0, 0};

bool InRect(int32_t x, int32_t y, MapPoint at, int32_t w, int32_t h) {
    return x >= at.x && x < at.x + w && y >= at.y && y < at.y + h;
}

// A text of the overlay's language group; the key itself when there is no language.
std::u16string Text(const char16_t* key) {
    const GameLanguage* language = AppLanguage();
    const char16_t* text = language ? language->GetText(u"map_interface", key, false) : nullptr;
    return text ? text : key;
}

void Fill(DXLViewer& viewer, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
    viewer.BindTexture(nullptr);
    viewer.SetBlendMode(kBlendAlpha);
    FillScreenRect(&viewer, float(left), float(top), float(right), float(bottom), colour);
}

// A frame of an interface sprite with its top-left corner at a screen point.
void DrawPiece(DXLViewer& viewer, const char16_t* name, int32_t frame, MapPoint at, uint32_t alpha = 255) {
    Sprite* sprite = GetSprite(kInterfaceLibrary, name);
    std::unique_ptr<SpriteInstance> instance = sprite ? sprite->CreateInstance(0) : nullptr;
    if (!instance) return;
    instance->frame = std::min(frame, sprite->GetFrameCount() - 1);
    instance->colour = (alpha << 24) | 0xFFFFFF;
    viewer.ResetTransform();
    viewer.Translate(float(at.x), float(at.y));
    viewer.SetBlendMode(kBlendAlpha);
    instance->Draw(viewer);
    viewer.ResetTransform();
    viewer.ApplyTransform();
}

void DrawSprite(DXLViewer& viewer, const char16_t* name, MapPoint at, uint32_t alpha) {
    DrawPiece(viewer, name, 0, at, alpha);
}

} // namespace

// The regime switch as a control of the window manager's hints, outside its
// windows: the overlay touches it while the mouse rests on the switch.
class MapInterface::RegimeHint : public GameHint {
  public:
    RegimeHint(WindowManager& manager, const MapOverlayLayout& places) : GameHint(manager), places_(places) {
        SetHint(u"", manager.Text(u"main_screen", u"hard_hint"));
    }
    ~RegimeHint() override { Manager().Forget(this); }
    kis::Rect ScreenRect() const override {
        const MapPoint at = places_.Regime();
        return kis::MakeRectWH(at.x, at.y, kRegimeButtonWidth, kRegimeButtonHeight);
    }

  private:
    const MapOverlayLayout& places_; // the overlay's, which owns this hint
};

bool MapOverlayLayout::Takes(int32_t x, int32_t y) const {
    if (InRect(x, y, Medals(), kMedalsPanelWidth, kMedalsPanelHeight)) return true;
    if (y >= 73 && y < height - 70) return false;
    const bool inner = x >= 180 && x < width - 180 && y >= 27 && y < height - 28;
    return !inner;
}

MapInterface::MapInterface(int32_t screenWidth, int32_t screenHeight) : layout_{screenWidth, screenHeight} {
    Layout(screenWidth, screenHeight);
}

MapInterface::~MapInterface() = default; // the hint goes before the layout it reads

void MapInterface::Layout(int32_t screenWidth, int32_t screenHeight) {
    labels_[kLabelBack].Set(kFont, Text(u"back"));
    labels_[kLabelOptions].Set(kFont, Text(u"options"));
    labels_[kLabelAwards].Set(kFont, Text(u"awards"));
    labels_[kLabelEasy].Set(kFont, Text(u"Easy_regime"));
    labels_[kLabelHard].Set(kFont, Text(u"Hard_regime"));
    greetingText_.Set(kFont, greeting_);
    layout_ = {screenWidth, screenHeight};
    greetingAt_ = {(screenWidth - greetingWidth_) / 2, kGreetingTop - 8};
}

MapControl MapInterface::ControlAt(int32_t x, int32_t y) const {
    if (InRect(x, y, layout_.Back(), kOverlayButtonWidth, kOverlayButtonHeight)) return kMapControlBack;
    if (InRect(x, y, layout_.Options(), kOverlayButtonWidth, kOverlayButtonHeight)) return kMapControlOptions;
    if (InRect(x, y, layout_.Awards(), kOverlayButtonWidth, kOverlayButtonHeight)) return kMapControlAwards;
    if (InRect(x, y, layout_.Medals(), kMedalsPanelWidth, kMedalsPanelHeight)) return kMapControlMedals;
    if (unlocked_ && InRect(x, y, layout_.Regime(), kRegimeButtonWidth, kRegimeButtonHeight))
        return kMapControlRegime;
    if (greetingWidth_ > 0 && InRect(x, y, {greetingAt_.x - 2, greetingAt_.y - 2}, greetingWidth_ + 4, 20))
        return kMapControlProfile;
    return kMapControlNone;
}

bool MapInterface::IsOnTopControls(int32_t x, int32_t y) const {
    const MapControl control = ControlAt(x, y);
    return control == kMapControlBack || control == kMapControlOptions || control == kMapControlProfile;
}

void MapInterface::RefreshProfileButton(const Profile* profile) {
    greeting_.clear();
    greetingWidth_ = 0;
    if (profile) {
        greeting_ = profile->NameInGreeting(Text(profile->GreetingKey()));
        const KGEFont* font = GetFont(kFont);
        greetingWidth_ = font ? font->MeasureText(greeting_.c_str(), uint32_t(greeting_.size())).width
                              : int32_t(greeting_.size()) * 8;
        greetingWidth_ = std::min(greetingWidth_, layout_.width - kGreetingMargin);
    }
    Layout(layout_.width, layout_.height);
}

void MapInterface::RefreshRegime(bool hard, bool unlocked, bool instant) {
    hard_ = hard;
    if (unlocked != unlocked_) {
        unlocked_ = unlocked;
        unlocking_.reset();
        if (unlocked && !instant) unlocking_ = 0;
    }
    if (unlocked_)
        regimeHint_.reset();
    else if (!regimeHint_)
        if (WindowManager* windows = GetWindowManager())
            regimeHint_ = std::make_unique<RegimeHint>(*windows, layout_);
}

bool MapInterface::HasRegimeHint() const {
    return regimeHint_ && regimeHint_->HasHint();
}

void MapInterface::OnMouseMove(int32_t x, int32_t y) {
    if (!regimeHint_) return;
    if (InRect(x, y, layout_.Regime(), kRegimeButtonWidth, kRegimeButtonHeight))
        regimeHint_->RequestHint();
    else
        regimeHint_->HideHint();
}

void MapInterface::Update(uint32_t dt) {
    if (!unlocking_) return;
    *unlocking_ += dt;
    if (*unlocking_ >= kUnlockMs) unlocking_.reset();
}

uint32_t MapInterface::ChainAlpha() const {
    if (!unlocked_) return 255;
    if (!unlocking_) return 0;
    return uint32_t(std::lround(255.0 * (1.0 - double(*unlocking_) / double(kUnlockMs))));
}

void MapInterface::Draw(DXLViewer& viewer, const Profile* profile, uint32_t regime, MapPoint mouse) {
    const MapControl hovered = ControlAt(mouse.x, mouse.y);
    const int32_t w = layout_.width, h = layout_.height;
    // The corner boards under the buttons, the right ones mirrored.
    DrawPiece(viewer, u"map_corner_top", 0, {0, 0});
    DrawPiece(viewer, u"map_corner_top", 1, {w - kCornerWidth, 0});
    DrawPiece(viewer, u"map_corner_bottom", 0, {0, h - kBottomCornerHeight});
    DrawPiece(viewer, u"map_corner_bottom", 1, {w - kCornerWidth, h - kBottomCornerHeight});

    auto button = [&](MapControl id, MapPoint at, SkinText& label) {
        DrawPiece(viewer, u"map_button", hovered == id ? 1 : 0, at);
        const float x = float(at.x + (kOverlayButtonWidth - label.Width()) / 2);
        const float y = float(at.y + (kButtonFaceHeight - label.Height()) / 2);
        label.Draw(viewer, x, y, kLabelColour);
    };
    button(kMapControlBack, layout_.Back(), labels_[kLabelBack]);
    button(kMapControlOptions, layout_.Options(), labels_[kLabelOptions]);
    button(kMapControlAwards, layout_.Awards(), labels_[kLabelAwards]);

    // The regime switch: easy on the upper row, hard on the lower; the chosen
    // row is the light one.
    const MapPoint at = layout_.Regime();
    const int32_t look = unlocked_ ? 1 + (hard_ ? 2 : 0) + (hovered == kMapControlRegime ? 1 : 0) : 0;
    DrawPiece(viewer, u"map_regime_button", look, at);
    for (int row = 0; row < 2; ++row) {
        SkinText& label = labels_[kLabelEasy + row];
        const bool chosen = (row == 1) == hard_;
        const uint32_t colour = chosen ? kLabelColour : unlocked_ ? kOtherRegimeColour : kLockedRegimeColour;
        label.Draw(viewer, float(at.x + kRegimeLabelX),
                   float(at.y + kRegimeLabelY + row * kRegimeRowStep - label.Height() / 2), colour);
    }
    if (const uint32_t chain = ChainAlpha()) {
        DrawSprite(viewer, u"map_lock_chain", {at.x + kChainAt.x, at.y + kChainAt.y}, chain);
        DrawSprite(viewer, u"lock", {at.x + kLockAt.x, at.y + kLockAt.y}, chain);
    }

    DrawMedals(viewer, profile, regime);
    if (!profile || greeting_.empty()) return;
    DrawGreetingPlate(viewer);
    greetingText_.Draw(viewer, float(greetingAt_.x), float(greetingAt_.y), kLabelColour);
    if (hovered == kMapControlProfile)
        Fill(viewer, greetingAt_.x - 2, greetingAt_.y - 2, greetingAt_.x + greetingWidth_ + 2,
             greetingAt_.y + 18, kHoverColour);
}

void MapInterface::DrawMedals(DXLViewer& viewer, const Profile* profile, uint32_t regime) {
    const MapPoint at = layout_.Medals();
    DrawPiece(viewer, u"map_medals_panel", 0, at);
    if (!profile) return;
    int32_t counts[3] = {};
    profile->CountMedals(regime, counts);
    const MedalsPanel cells(kMedalsMargins[0], kMedalsMargins[1], kMedalsMargins[2], kMedalsMargins[3],
                            false);
    for (int i = 0; i < 3; ++i) {
        const std::array<int32_t, 2> icon = cells.IconAt(i);
        const MapPoint medal{at.x + icon[0], at.y + icon[1]};
        DrawPiece(viewer, u"map_panel_medals", i, medal);
        DrawPiece(viewer, u"map_panel_x", 0, {medal.x + MedalsPanel::kXDx, medal.y + MedalsPanel::kXDy});
        SkinText& count = counts_[size_t(i)];
        const std::string number = std::to_string(counts[i]);
        count.Set(kCountFont, std::u16string(number.begin(), number.end()));
        count.Draw(viewer, float(medal.x + MedalsPanel::kCountDx),
                   float(medal.y + MedalsPanel::CountDy(count.Height())), kLabelColour);
    }
}

void MapInterface::DrawGreetingPlate(DXLViewer& viewer) {
    // Centred between the corner boards, a little wider than the greeting.
    const int32_t inner = std::min(greetingWidth_ + 2 * kPlatePadding, layout_.width - kPlateMargin);
    const int32_t left = (layout_.width - inner) / 2 - kPlateEnd;
    DrawPiece(viewer, u"map_title_plate", 0, {left, 0});
    // The middle is the same all along: laid side by side, the last one
    // overlapping the one before.
    for (int32_t x = 0; x < inner; x += kPlateEnd)
        DrawPiece(viewer, u"map_title_plate", 1, {left + kPlateEnd + std::min(x, inner - kPlateEnd), 0});
    DrawPiece(viewer, u"map_title_plate", 2, {left + kPlateEnd + inner, 0});
}
