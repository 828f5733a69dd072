#include "frontend/MapInterface.h"

#include "app/App.h"
#include "app/LoadingScreen.h"
#include "app/Profiles.h"
#include "engine/Viewer.h"
#include "sprites/Sprite.h"
#include "text/FontSlots.h"
#include "text/GameLanguage.h"
#include "text/KGEFont.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int32_t kFont = 3;
constexpr uint32_t kBarColour = 0xC0603818;
constexpr uint32_t kPanelColour = 0xC0402810;
constexpr uint32_t kHoverColour = 0x40FFFFFF;
constexpr int32_t kGreetingTop = 12; // the greeting's middle
constexpr int32_t kGreetingMargin = 369;
constexpr int32_t kInterfaceLibrary = 1;
constexpr MapPoint kLockAt{113, -14}, kChainAt{123, -14};

bool InRect(int32_t x, int32_t y, MapPoint at, int32_t w, int32_t h) {
    return x >= at.x && x < at.x + w && y >= at.y && y < at.y + h;
}

// A text of the overlay's language group; the key itself when there is no language.
std::u16string Text(const char16_t* key) {
    const GameLanguage* language = AppLanguage();
    const char16_t* text = language ? language->GetText(u"map_interface", key, false) : nullptr;
    return text ? text : key;
}

void DrawSprite(DXLViewer& viewer, const char16_t* name, MapPoint at, uint32_t alpha) {
    SpriteLibrary* library = GetLibrary(kInterfaceLibrary);
    std::unique_ptr<SpriteInstance> sprite = library ? library->CreateInstanceByName(name, 0) : nullptr;
    if (!sprite) return;
    sprite->colour = (alpha << 24) | 0xFFFFFF;
    viewer.ResetTransform();
    viewer.Translate(float(at.x), float(at.y));
    viewer.SetBlendMode(kBlendAlpha);
    sprite->Draw(viewer);
    viewer.ResetTransform();
    viewer.ApplyTransform();
}

} // namespace

bool MapOverlayLayout::Takes(int32_t x, int32_t y) const {
    if (InRect(x, y, Medals(), kMedalsPanelWidth, kMedalsPanelHeight)) return true;
    if (y >= 73 && y < height - 70) return false;
    const bool inner = x >= 180 && x < width - 180 && y >= 27 && y < height - 28;
    return !inner;
}

MapInterface::MapInterface(int32_t screenWidth, int32_t screenHeight) : layout_{screenWidth, screenHeight} {}

void MapInterface::Layout(int32_t screenWidth, int32_t screenHeight) {
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
    if (unlocked == unlocked_) return;
    unlocked_ = unlocked;
    unlocking_.reset();
    if (unlocked && !instant) unlocking_ = 0;
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
    KGEFont* font = GetFont(kFont);
    const MapControl hovered = ControlAt(mouse.x, mouse.y);
    // The bars are plain colour: no texture of the last sprite drawn may tint them.
    auto fill = [&](int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
        viewer.BindTexture(nullptr);
        viewer.SetBlendMode(kBlendAlpha);
        FillScreenRect(&viewer, float(left), float(top), float(right), float(bottom), colour);
    };
    auto button = [&](MapControl id, MapPoint at, int32_t w, int32_t h, const std::u16string& label) {
        fill(at.x, at.y, at.x + w, at.y + h, kBarColour);
        if (hovered == id) fill(at.x, at.y, at.x + w, at.y + h, kHoverColour);
        if (font) DrawCentredText(&viewer, font, label.c_str(), float(at.x + w / 2), float(at.y + h / 2 - 8));
    };
    button(kMapControlBack, layout_.Back(), kOverlayButtonWidth, kOverlayButtonHeight, Text(u"back"));
    button(kMapControlOptions, layout_.Options(), kOverlayButtonWidth, kOverlayButtonHeight,
           Text(u"options"));
    button(kMapControlAwards, layout_.Awards(), kOverlayButtonWidth, kOverlayButtonHeight, Text(u"awards"));
    button(kMapControlRegime, layout_.Regime(), kRegimeButtonWidth, kRegimeButtonHeight,
           Text(hard_ ? u"Hard_regime" : u"Easy_regime"));
    if (const uint32_t chain = ChainAlpha()) {
        const MapPoint at = layout_.Regime();
        DrawSprite(viewer, u"map_lock_chain", {at.x + kChainAt.x, at.y + kChainAt.y}, chain);
        DrawSprite(viewer, u"lock", {at.x + kLockAt.x, at.y + kLockAt.y}, chain);
    }
    const MapPoint medals = layout_.Medals();
    fill(medals.x, medals.y, medals.x + kMedalsPanelWidth, medals.y + kMedalsPanelHeight, kPanelColour);
    if (!profile || !font) return;
    int32_t counts[3] = {};
    profile->CountMedals(regime, counts);
    const std::string line = std::to_string(counts[2]) + " gold  " + std::to_string(counts[1]) + " silver  " +
                             std::to_string(counts[0]) + " bronze";
    const std::u16string wide(line.begin(), line.end());
    DrawCentredText(&viewer, font, wide.c_str(), float(medals.x + kMedalsPanelWidth / 2),
                    float(medals.y + 14));
    DrawCentredText(&viewer, font, greeting_.c_str(), float(layout_.width / 2), float(greetingAt_.y));
    if (hovered == kMapControlProfile)
        fill(greetingAt_.x - 2, greetingAt_.y - 2, greetingAt_.x + greetingWidth_ + 2, greetingAt_.y + 18,
             kHoverColour);
}
