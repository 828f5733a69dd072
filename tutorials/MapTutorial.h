#pragma once
// The tutorials of the level-select map: the first visit, the regimes, the
// hard regime, a newly won bonus and the villains' attack. Each starts at
// once when it is made and is never saved with a level.

#include "tutorials/TutorialLayer.h"

#include <optional>

class MapScreen;

namespace tut {

constexpr uint32_t kTagMapInterface = Tag4("MapI");
constexpr uint32_t kTagLevelWindow = Tag4("LvIf");
constexpr uint32_t kTagBonusWindow = Tag4("Bonu");
// The map interface's controls the map tutorials let through.
constexpr uint32_t kMapFreeCommands[] = {0x24FE0201, 0x24FE0204, 0x24FE0205};
constexpr uint32_t kMapRegimeCommand = 0x24FE0202;
// The level window's bonus box and bonuses button.
constexpr uint32_t kLevelWindowBonus = 0x35000010, kLevelWindowBonuses = 0x35000020;
// Flag 0x1 lets map levels be hovered.
constexpr uint32_t kAllowHoverMapLevel = 0x1;

constexpr uint32_t kMapTutorialFirst = 0x40010000;
constexpr uint32_t kMapTutorialNewBonus = 0x40030000;
constexpr uint32_t kMapTutorialRegime = 0x40050000;
constexpr uint32_t kMapTutorialHard = 0x40060000;
constexpr uint32_t kMapTutorialVillains = 0x40080000;
constexpr uint32_t kVillainsClickDelayMs = 400;
constexpr float kMapInfoDistance = 84;

// What a map tutorial uses of the map screen; TutorialMapLink is the link.
class TutorialMap : public FieldView {
  public:
    virtual void CheckTutorials() = 0;
    virtual void ShowLevels(bool instant) = 0;
    virtual bool IsOverInterface(int32_t x, int32_t y) const = 0;
    // The map interface's strips and blocks, with the buttons on them.
    virtual void AddInterfaceRects(std::vector<kis::Rect>& rects) const = 0;
    virtual bool VillainsGone() const = 0;
    virtual bool ModalOpen() const = 0;
};

// The link to the map screen (which outlives its tutorials: it deletes them
// when it closes) and the window stack.
class TutorialMapLink : public TutorialMap {
  public:
    TutorialMapLink(MapScreen& map, WindowManager* windows) : map_(map), windows_(windows) {}
    bool Locate(uint32_t level, kis::Vector2& out) const override;
    // The level's house about its centre.
    bool Extent(uint32_t level, kis::Rect& out) const override;
    kis::Point ToScreen(const kis::Vector2& field) const override;
    void CheckTutorials() override;
    void ShowLevels(bool instant) override;
    bool IsOverInterface(int32_t x, int32_t y) const override;
    void AddInterfaceRects(std::vector<kis::Rect>& rects) const override;
    bool VillainsGone() const override;
    bool ModalOpen() const override;

  private:
    MapScreen& map_;
    WindowManager* windows_;
};

class MapTutorial : public GameTutorial {
  public:
    MapTutorial(TutorialRunner& runner, uint32_t id, std::u16string name, TutorialMap& map);
    void OnFinish() override;
    bool CanUse(uint32_t key, const GameWindow* window) override;
    bool IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) override;
    bool SaveState(uint32_t size, SaveWriter& stream) override;
    bool LoadState(const uint32_t* record, uint32_t size) override;

    const std::u16string& Name() const { return name_; }
    TutorialMap& Map() const { return map_; }

  protected:
    // Stores the first step, goes to it and starts.
    void Begin(uint32_t firstStep);

  private:
    std::u16string name_; // at most 32 characters
    TutorialMap& map_;
};

class MapTutorialStep : public TutorialStep {
  public:
    MapTutorialStep(MapTutorial& owner, uint32_t id, uint32_t windowTag)
        : TutorialStep(owner, id, windowTag) {}
    // "map_<name>_<step><suffix>".
    std::u16string GetText(const std::u16string& suffix) const override;
    // Everywhere but the map interface.
    bool IsClickArea(int32_t x, int32_t y) const override;
    // A box leaves the map interface in sight: its Back button and the greeting stay readable.
    void AddSightRects(std::vector<kis::Rect>& rects) const override { Map().Map().AddInterfaceRects(rects); }
    void AddNeverCoveredRects(std::vector<kis::Rect>& rects) const override {
        Map().Map().AddInterfaceRects(rects);
    }
    // Nor do its arrows lie over the map interface's buttons.
    void AddArrowKeepOffRects(std::vector<kis::Rect>& rects) const override {
        if (WindowTag() == kTagMapInterface) Map().Map().AddInterfaceRects(rects);
    }
    // The boxes of a step about the level window stand on its face, inside its frame.
    bool BoxRoom(kis::Rect& room) const override;
    MapTutorial& Map() const { return static_cast<MapTutorial&>(Owner()); }
};

class MapTutorial_First : public MapTutorial {
  public:
    MapTutorial_First(TutorialRunner& runner, TutorialMap& map);
};

// bonusIndex -1 builds only the selection step; bonusName is the bonus
// record's name, bonusRecord the level window's data of the bonus box.
class MapTutorial_NewBonus : public MapTutorial {
  public:
    MapTutorial_NewBonus(TutorialRunner& runner, TutorialMap& map, int32_t bonusIndex,
                         std::u16string bonusName, uintptr_t bonusRecord, bool showSelection);
};

class MapTutorial_Regime : public MapTutorial {
  public:
    MapTutorial_Regime(TutorialRunner& runner, TutorialMap& map);
};

class MapTutorial_Hard : public MapTutorial {
  public:
    MapTutorial_Hard(TutorialRunner& runner, TutorialMap& map);
};

class MapTutorial_VillainsAttack : public MapTutorial {
  public:
    MapTutorial_VillainsAttack(TutorialRunner& runner, TutorialMap& map);
};

class MapTutorialStep_VillainsAttack : public MapTutorialStep {
  public:
    explicit MapTutorialStep_VillainsAttack(MapTutorial& owner);
    void OnActivate() override;
    void OnDeactivate() override {}
    void Update(uint32_t dt) override;
    bool IsActionAllowed(TutorialAction, uint32_t, TutorialObject) override { return false; }
    void Complete() override;
    bool ClickAccepted() const { return timer_.state == 2; }

  private:
    StepTimer timer_;
    bool waiting_ = false;
};

} // namespace tut
