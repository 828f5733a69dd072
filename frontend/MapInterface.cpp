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
constexpr uint32_t kHoverColour = 0x40FFFFFF;        // the greeting's second, additive draw
constexpr uint32_t kLabelColour = 0xFF4A2808;        // dark brown on the light plates
constexpr uint32_t kRegimeLabelOutline = 0xFF5B2200; // the glow that keeps the light labels readable
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

// The overlay's controls, in the order a point is looked up.
constexpr MapControl kControls[] = {kMapControlBack,   kMapControlOptions, kMapControlAwards,
                                    kMapControlMedals, kMapControlRegime,  kMapControlProfile};

// A text of the overlay's language group; the key itself when there is no language.
std::u16string Text(const char16_t* key) {
    const GameLanguage* language = AppLanguage();
    const char16_t* text = language ? language->GetText(u"map_interface", key, false) : nullptr;
    return text ? text : key;
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

// The regime switch: a click toggles the regime; while the hard regime is
// locked it is hidden (it takes no click) and carries the "hard_hint" caption
// hint, which the window asks for while the mouse rests on it.
class MapInterface::RegimeButton : public ActiveButton {
  public:
    using ActiveButton::ActiveButton;
    void Draw(DXLViewer&, float) override {} // the window draws the switch
};

bool MapOverlayLayout::Takes(int32_t x, int32_t y) const {
    const MapPoint medals = Medals();
    if (kis::PtInRect(x, y, kis::MakeRectWH(medals.x, medals.y, kMedalsPanelWidth, kMedalsPanelHeight)))
        return true;
    if (y >= 73 && y < height - 70) return false;
    const bool inner = x >= 180 && x < width - 180 && y >= 27 && y < height - 28;
    return !inner;
}

void MapOverlayLayout::AddRects(std::vector<kis::Rect>& rects) const {
    const MapPoint medals = Medals();
    rects.push_back(kis::MakeRectWH(medals.x, medals.y, kMedalsPanelWidth, kMedalsPanelHeight));
    rects.push_back({0, 0, width, 27});
    rects.push_back({0, height - 28, width, height});
    for (const int32_t left : {0, width - 180}) {
        rects.push_back({left, 0, left + 180, 73});
        rects.push_back({left, height - 70, left + 180, height});
    }
}

MapInterface::MapInterface(WindowManager& manager, int32_t screenWidth, int32_t screenHeight,
                           ClickHandler onClick)
    : GameWindow(manager, kMapInterfaceTag, false), layout_{screenWidth, screenHeight},
      onClick_(std::move(onClick)),
      medals_(kMedalsMargins[0], kMedalsMargins[1], kMedalsMargins[2], kMedalsMargins[3], false) {
    manager.mapInterface = this;
    for (const uint32_t command :
         {kMapControlBack, kMapControlOptions, kMapControlAwards, kMapControlMedals, kMapControlProfile})
        controls_.Make<InvisibleButton>(command);
    regime_ = controls_.Make<RegimeButton>(kMapControlRegime);
    ShowRegimeLock(); // locked until the profile says otherwise
    for (const int row : {kLabelEasy, kLabelHard})
        labels_[size_t(row)].SetOutline(1.0f, kRegimeLabelOutline);
    Layout(screenWidth, screenHeight);
}

MapInterface::~MapInterface() {
    if (manager_.mapInterface == this) manager_.mapInterface = nullptr;
}

void MapInterface::Layout(int32_t screenWidth, int32_t screenHeight) {
    labels_[kLabelBack].Set(kFont, Text(u"back"));
    labels_[kLabelOptions].Set(kFont, Text(u"options"));
    labels_[kLabelAwards].Set(kFont, Text(u"awards"));
    labels_[kLabelEasy].Set(kFont, Text(u"Easy_regime"));
    labels_[kLabelHard].Set(kFont, Text(u"Hard_regime"));
    greetingText_.Set(kFont, greeting_);
    layout_ = {screenWidth, screenHeight};
    greetingAt_ = {(screenWidth - greetingWidth_) / 2, kGreetingTop - 8};
    rect = kis::MakeRectWH(0, 0, screenWidth, screenHeight);
    for (const MapControl control : kControls)
        if (GameButton* button = TutTargetButton::FindTarget(this, control, 0))
            button->rect = ControlRect(control);
}

kis::Rect MapInterface::ControlRect(MapControl control) const {
    const auto at = [](MapPoint corner, int32_t w, int32_t h) {
        return kis::MakeRectWH(corner.x, corner.y, w, h);
    };
    switch (control) {
    case kMapControlBack:
        return at(layout_.Back(), kOverlayButtonWidth, kOverlayButtonHeight);
    case kMapControlOptions:
        return at(layout_.Options(), kOverlayButtonWidth, kOverlayButtonHeight);
    case kMapControlAwards:
        return at(layout_.Awards(), kOverlayButtonWidth, kOverlayButtonHeight);
    case kMapControlMedals:
        return at(layout_.Medals(), kMedalsPanelWidth, kMedalsPanelHeight);
    case kMapControlRegime:
        return at(layout_.Regime(), kRegimeButtonWidth, kRegimeButtonHeight);
    case kMapControlProfile:
        if (greetingWidth_ <= 0) return {};
        return at({greetingAt_.x - 2, greetingAt_.y - 2}, greetingWidth_ + 4, 20);
    case kMapControlNone:
        break;
    }
    return {};
}

MapControl MapInterface::ControlAt(int32_t x, int32_t y) const {
    for (const MapControl control : kControls)
        if ((control != kMapControlRegime || unlocked_) && kis::PtInRect(x, y, ControlRect(control)))
            return control;
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

void MapInterface::SetRegime(const Profile* profile, uint32_t regime) {
    medalsShown_ = profile != nullptr;
    if (!profile) return;
    // The panel rewrites a count only when it changed; a first count of 0 is
    // written too, so that no "x" sign stands without its number.
    if (medals_.Update(profile, regime) == 0) return;
    for (size_t i = 0; i < counts_.size(); ++i)
        counts_[i].Set(kCountFont, medals_.CountText(int(i)));
}

void MapInterface::RefreshRegime(bool hard, bool unlocked, bool instant) {
    hard_ = hard;
    if (unlocked != unlocked_) {
        unlocked_ = unlocked;
        unlocking_.reset();
        if (unlocked && !instant) unlocking_ = 0;
        if (!unlocked) lockShownMs_ = 0;
        ShowRegimeLock();
    }
}

void MapInterface::ShowRegimeLock() {
    regime_->SetVisible(unlocked_);
    // The hint says how to open the hard regime: it goes once it is open.
    regime_->SetHint(u"", unlocked_ ? u"" : manager_.Text(u"main_screen", u"hard_hint"));
}

bool MapInterface::HasRegimeHint() const {
    return regime_->HasHint();
}

const GameHint& MapInterface::RegimeControl() const {
    return *regime_;
}

uint32_t MapInterface::RegimeLabelColour(int row) const {
    return (row == 1) == hard_ ? kChosenRegimeColour : kOtherRegimeColour;
}

int32_t MapInterface::LockFrame() const {
    const Sprite* lock = GetSprite(kInterfaceLibrary, u"lock");
    const int32_t frames = lock ? lock->GetFrameCount() : 0;
    if (frames <= 1) return 0;
    const uint32_t frameMs = lock->GetDefaultFrameTime();
    if (frameMs == 0) return frames - 1;
    return int32_t(std::min<uint32_t>(lockShownMs_ / frameMs, uint32_t(frames - 1)));
}

bool MapInterface::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (!Takes(x, y)) return false; // the map's
    return GameWindow::OnMouseDown(x, y, button);
}

bool MapInterface::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    GameWindow::OnMouseMove(x, y, buttons);
    // The hidden switch hears no move of its own: resting on it while the
    // hard regime is locked asks for its hint here.
    if (!unlocked_ && regime_->HasHint() && kis::PtInRect(x, y, ControlRect(kMapControlRegime)))
        regime_->RequestHint();
    return Takes(x, y) || HoldsPress();
}

bool MapInterface::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (!Takes(x, y) && !HoldsPress()) return false;
    return GameWindow::OnMouseUp(x, y, button);
}

bool MapInterface::HoldsPress() const {
    const GameButton* captured = manager_.CapturedControl();
    return captured && captured->GetWindow() == this;
}

bool MapInterface::OnMouseDblClick(int32_t x, int32_t y) {
    if (!Takes(x, y)) return false;
    return GameWindow::OnMouseDblClick(x, y);
}

uint32_t MapInterface::OnButtonClick(GameButton* button) {
    if (onClick_) onClick_(button->Command());
    return kClickResetLook;
}

void MapInterface::Advance(uint32_t dt) {
    if (!unlocked_ || unlocking_) lockShownMs_ = std::min(lockShownMs_ + dt, 0x7FFFFFFFu);
    if (!unlocking_) return;
    *unlocking_ += dt;
    if (*unlocking_ >= kUnlockMs) unlocking_.reset();
}

MapControl MapInterface::Hovered() const {
    if (manager_.HoveredWindow() != this) return kMapControlNone;
    return ControlAt(manager_.MouseX(), manager_.MouseY());
}

uint32_t MapInterface::ChainAlpha() const {
    if (!unlocked_) return 255;
    if (!unlocking_) return 0;
    return uint32_t(std::lround(255.0 * (1.0 - double(*unlocking_) / double(kUnlockMs))));
}

void MapInterface::Draw(DXLViewer& viewer) {
    const MapControl hovered = Hovered();
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
        SkinText& label = labels_[size_t(kLabelEasy + row)];
        label.Draw(viewer, float(at.x + kRegimeLabelX),
                   float(at.y + kRegimeLabelY + row * kRegimeRowStep - label.Height() / 2),
                   RegimeLabelColour(row));
    }
    if (const uint32_t chain = ChainAlpha()) {
        DrawSprite(viewer, u"map_lock_chain", {at.x + kChainAt.x, at.y + kChainAt.y}, chain);
        DrawPiece(viewer, u"lock", LockFrame(), {at.x + kLockAt.x, at.y + kLockAt.y}, chain);
    }

    DrawMedals(viewer);
    if (greeting_.empty()) return;
    DrawGreetingPlate(viewer);
    greetingText_.Draw(viewer, float(greetingAt_.x), float(greetingAt_.y), kLabelColour);
    if (hovered == kMapControlProfile) {
        // The hover lights the greeting up: the same text again, added on top.
        viewer.SetBlendMode(kBlendAdditive);
        greetingText_.Draw(viewer, float(greetingAt_.x), float(greetingAt_.y), kHoverColour);
        viewer.SetBlendMode(kBlendAlpha);
    }
}

void MapInterface::DrawMedals(DXLViewer& viewer) {
    const MapPoint at = layout_.Medals();
    DrawPiece(viewer, u"map_medals_panel", 0, at);
    if (!medalsShown_) return;
    for (int i = 0; i < 3; ++i) {
        const std::array<int32_t, 2> icon = medals_.IconAt(i);
        const MapPoint medal{at.x + icon[0], at.y + icon[1]};
        DrawPiece(viewer, u"map_panel_medals", i, medal);
        DrawPiece(viewer, u"map_panel_x", 0, {medal.x + MedalsPanel::kXDx, medal.y + MedalsPanel::kXDy});
        SkinText& count = counts_[size_t(i)];
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
