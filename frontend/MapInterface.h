#pragma once
// The overlay of the level-select map: a top bar with the back button, the
// options button and the player's greeting, and a bottom bar with the
// awards button, the medals panel and the regime switch. Points on its bars,
// corners and medals panel belong to it; the map below gets the rest.

#include "frontend/MapGeometry.h"
#include "gui/Skin.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class DXLViewer;
class Profile;

// The overlay's controls.
enum MapControl : uint32_t {
    kMapControlNone = 0,
    kMapControlOptions = 0x24FE0201,
    kMapControlRegime = 0x24FE0202,
    kMapControlAwards = 0x24FE0203,
    kMapControlProfile = 0x24FE0204,
    kMapControlBack = 0x24FE0205,
    kMapControlMedals = 0x24FE0206,
};
constexpr uint32_t kMapInterfaceTag = 0x4D617049; // 'MapI'

constexpr int32_t kOverlayButtonWidth = 169, kOverlayButtonHeight = 40;
constexpr int32_t kRegimeButtonWidth = 171, kRegimeButtonHeight = 60;
constexpr int32_t kMedalsPanelWidth = 342, kMedalsPanelHeight = 48;

// The overlay's places at a screen size, and which points it takes from the map.
struct MapOverlayLayout {
    int32_t width, height;
    MapPoint Options() const { return {width - 173, 2}; }
    MapPoint Regime() const { return {width - 175, height - 65}; }
    MapPoint Awards() const { return {4, height - 66}; }
    MapPoint Back() const { return {4, 2}; }
    MapPoint Medals() const { return {(width - 342) / 2 - 4, height - 51}; }
    // The top rows and the bottom rows outside the inner rectangle, and the medals panel.
    bool Takes(int32_t x, int32_t y) const;
};

class MapInterface {
  public:
    MapInterface(int32_t screenWidth, int32_t screenHeight);
    ~MapInterface();
    void Layout(int32_t screenWidth, int32_t screenHeight);
    bool Takes(int32_t x, int32_t y) const { return layout_.Takes(x, y); }
    // The control under a screen point (kMapControlNone for none). The
    // regime switch takes no click while the hard regime is locked.
    MapControl ControlAt(int32_t x, int32_t y) const;
    // The back, options and profile buttons, which the map tutorials let through.
    bool IsOnTopControls(int32_t x, int32_t y) const;

    // The greeting of the profile (null: none).
    void RefreshProfileButton(const Profile* profile);
    // The regime switch: which regime is chosen, and whether the hard one is
    // open (a change of that fades the lock and chain out unless instant).
    void RefreshRegime(bool hard, bool unlocked, bool instant);
    void Update(uint32_t dt);
    void Draw(DXLViewer& viewer, const Profile* profile, uint32_t regime, MapPoint mouse);
    // The mouse on the screen: resting on the locked regime switch asks for its hint.
    void OnMouseMove(int32_t x, int32_t y);
    // The locked regime switch's hint ("hard_hint"): none once the hard regime is open.
    bool HasRegimeHint() const;

    bool HardChosen() const { return hard_; }
    bool Unlocked() const { return unlocked_; }
    // The chain's alpha: 255 while locked, fading out after the unlock, 0 once open.
    uint32_t ChainAlpha() const;
    const MapOverlayLayout& Places() const { return layout_; }

    static constexpr uint32_t kUnlockMs = 600;

  private:
    class RegimeHint;

    void DrawMedals(DXLViewer& viewer, const Profile* profile, uint32_t regime);
    void DrawGreetingPlate(DXLViewer& viewer);

    enum Label { kLabelBack, kLabelOptions, kLabelAwards, kLabelEasy, kLabelHard, kLabelCount };
    MapOverlayLayout layout_;
    std::array<SkinText, kLabelCount> labels_;
    std::array<SkinText, 3> counts_; // bronze, silver, gold
    SkinText greetingText_;
    std::u16string greeting_;
    MapPoint greetingAt_{};
    int32_t greetingWidth_ = 0;
    bool hard_ = false;
    bool unlocked_ = false;
    std::optional<uint32_t> unlocking_; // ms into the chain's fade-out
    std::unique_ptr<RegimeHint> regimeHint_;
};
