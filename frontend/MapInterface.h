#pragma once
// The overlay of the level-select map: a top bar with the back button, the
// options button and the player's greeting, and a bottom bar with the
// awards button, the medals panel and the regime switch. It is a window of
// the window manager (tag 'MapI', in the manager's map-interface slot), so
// its input goes through the manager like any window's: points on its bars,
// corners and medals panel belong to it, the map below gets the rest.

#include "frontend/AwardsWindow.h"
#include "frontend/MapGeometry.h"
#include "gui/Skin.h"
#include "gui/Window.h"

#include <array>
#include <cstdint>
#include <functional>
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
// The rows from the medals panel's top to the screen's bottom.
constexpr int32_t kMedalsPanelRows = 51;

// The overlay's places at a screen size, and which points it takes from the map.
struct MapOverlayLayout {
    int32_t width, height;
    MapPoint Options() const { return {width - 173, 2}; }
    MapPoint Regime() const { return {width - 175, height - 65}; }
    MapPoint Awards() const { return {4, height - 66}; }
    MapPoint Back() const { return {4, 2}; }
    MapPoint Medals() const { return {(width - 342) / 2 - 4, height - kMedalsPanelRows}; }
    // The top rows and the bottom rows outside the inner rectangle, and the medals panel.
    bool Takes(int32_t x, int32_t y) const;
    // The same as rectangles: the strips along the top and the bottom, the
    // four corners' blocks and the medals panel.
    void AddRects(std::vector<kis::Rect>& rects) const;
};

// The regime switch's label colours: the chosen regime's label white, the other one cream.
constexpr uint32_t kChosenRegimeColour = 0xFFFFFFFF;
constexpr uint32_t kOtherRegimeColour = 0xFFFFD8AB;

class MapInterface : public GameWindow {
  public:
    // The map's answer to a click on one of the controls.
    using ClickHandler = std::function<void(uint32_t control)>;

    // Made through WindowManager::Open, which owns it; it takes the manager's
    // map-interface slot and clears it when it goes.
    MapInterface(WindowManager& manager, int32_t screenWidth, int32_t screenHeight,
                 ClickHandler onClick = {});
    ~MapInterface() override;
    void Layout(int32_t screenWidth, int32_t screenHeight);
    bool Takes(int32_t x, int32_t y) const { return layout_.Takes(x, y); }

    // ---- the window's side (the window covers the screen: its coordinates are the screen's)
    bool HitTest(int32_t x, int32_t y) const override { return Takes(x, y); }
    bool OnMouseDown(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons) override;
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button) override;
    bool OnMouseDblClick(int32_t x, int32_t y) override;
    uint32_t OnButtonClick(GameButton* button) override;
    void OnScreenResize(int32_t width, int32_t height) override { Layout(width, height); }
    void Draw(DXLViewer& viewer) override;

    // The control under a screen point (kMapControlNone for none). The
    // regime switch takes no click while the hard regime is locked.
    MapControl ControlAt(int32_t x, int32_t y) const;
    // The back, options and profile buttons, which the map tutorials let through.
    bool IsOnTopControls(int32_t x, int32_t y) const;

    // The greeting of the profile (null: none).
    void RefreshProfileButton(const Profile* profile);
    // The regime the map shows: the medals panel counts the profile's medals
    // of it (null profile: the panel stays empty).
    void SetRegime(const Profile* profile, uint32_t regime);
    // The regime switch: which regime is chosen, and whether the hard one is
    // open (a change of that fades the lock and chain out unless instant).
    void RefreshRegime(bool hard, bool unlocked, bool instant);
    // The chain's fade and the lock's animation, in ms.
    void Advance(uint32_t dt);
    // The locked regime switch's hint ("hard_hint"): none once the hard regime is open.
    bool HasRegimeHint() const;
    // The regime switch's control, which owns that hint.
    const GameHint& RegimeControl() const;
    const MedalsPanel& Medals() const { return medals_; }
    // The label colours of the easy and the hard regime.
    uint32_t RegimeLabelColour(int row) const;
    // The lock's frame: its animation runs once to its last frame.
    int32_t LockFrame() const;

    bool HardChosen() const { return hard_; }
    bool Unlocked() const { return unlocked_; }
    // The chain's alpha: 255 while locked, fading out after the unlock, 0 once open.
    uint32_t ChainAlpha() const;
    const MapOverlayLayout& Places() const { return layout_; }

    static constexpr uint32_t kUnlockMs = 600;

  private:
    class RegimeButton;

    // Where a control stands on the screen (an empty rectangle for the
    // greeting while there is none); the lookup and the buttons share it.
    kis::Rect ControlRect(MapControl control) const;
    // The regime switch as unlocked_ says: shown, or hidden with its hint.
    void ShowRegimeLock();
    // Whether one of the overlay's controls holds the mouse button's press.
    bool HoldsPress() const;
    void DrawMedals(DXLViewer& viewer);
    void DrawGreetingPlate(DXLViewer& viewer);
    // The control under the mouse while this window is the one under it.
    MapControl Hovered() const;

    enum Label { kLabelBack, kLabelOptions, kLabelAwards, kLabelEasy, kLabelHard, kLabelCount };
    MapOverlayLayout layout_;
    std::array<SkinText, kLabelCount> labels_;
    ClickHandler onClick_;
    MedalsPanel medals_;
    bool medalsShown_ = false;       // a profile's counts are in the panel
    std::array<SkinText, 3> counts_; // the panel's counts: bronze, silver, gold
    SkinText greetingText_;
    std::u16string greeting_;
    MapPoint greetingAt_{};
    int32_t greetingWidth_ = 0;
    bool hard_ = false;
    bool unlocked_ = false;
    std::optional<uint32_t> unlocking_; // ms into the chain's fade-out
    uint32_t lockShownMs_ = 0;          // ms since the lock was put up
    RegimeButton* regime_ = nullptr;    // in the window's own group
};
