#pragma once
// The child panels of a selected level point: the empty site's build menus
// (the plants, buildings and animal-houses buttons, then the priced choices
// of one of them with a back button), and the panel of a plant bed, tree or
// building (its level block, the upgrade button with the price of the next
// stage, the remove button). PointPanels picks the panel that follows the
// level's selection and fills it from the farm's points.
//
// The level panel owns every panel made here (they are its children until
// it goes); PointPanels keeps them by pointer and lives no longer than the
// level panel.

#include "farm/BuildingSites.h"
#include "levelui/ChildPanels.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class BaseLevelPoint;
class PointBuilding;
class FarmData;
class GameLevel;
class PlantPanel;

// Commands of the empty site's panels.
constexpr uint32_t kCommandSitePlants = 0xC9000100;
constexpr uint32_t kCommandSiteBuildings = 0xC9000200;
constexpr uint32_t kCommandSitePets = 0xC9000300;
constexpr uint32_t kCommandPlantChoice = 0xC9000400;
constexpr uint32_t kCommandBuildingChoice = 0xC9000500;
constexpr uint32_t kCommandHouseChoice = 0xC9000600;
// Child-panel ids: the site's categories, the choices of each category, the
// plant panel and the building panel (a factory's is kFactoryPanelId).
constexpr int32_t kSitePanelId = 0x1000;
constexpr int32_t kSiteChoicesPanelIds[kSiteCategoryCount] = {0x1001, 0x1011, 0x1021};
constexpr int32_t kPlantPanelId = 0x10000;
constexpr int32_t kBuildingPanelId = 0x1000000;
// The width of a build-menu button and of the strip of a point's panel.
constexpr int32_t kSiteButtonWidth = 98;
constexpr int32_t kPointPanelStrip = 420;

// Draws the panel's buttons that cannot be pressed now (greyed: the button
// group passes over them) in their greyed look.
void DrawGreyedButtons(ChildLevelPanel& panel, DXLViewer& viewer);

// A panel button whose hint stays while it is greyed: the hint then says why
// it cannot be pressed.
class HintedPanelButton : public LevelPanelButton {
  public:
    HintedPanelButton(GameWindow* window, GameControls* group, ChildLevelPanel* panel,
                      const ButtonParts& parts, uint32_t index, uint32_t command, uint32_t flags,
                      Sprite* icon, std::u16string caption, std::u16string body, std::u16string shortBody);
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons) override;
    BaseHintWindow* GetHintWindow() override;
    // The hint body shown now.
    const std::u16string& HintBody() const { return hintBody_; }

  private:
    std::u16string body_, shortBody_;
};

// One page of the empty site's build menus: a row of buttons (the
// categories, or the priced choices of one category followed by a back
// button), centred in the panel.
class SitePanel : public ChildLevelPanel {
  public:
    struct Entry {
        uint32_t command = 0;
        uintptr_t data = 0; // the button's user data (a choice's plant or type record)
        Sprite* icon = nullptr;
        int32_t price = 0; // 0: none
        std::u16string caption, body, shortBody;
    };
    // onCommand hears every button but back (command and the button's data);
    // onBack the back button, when there is one.
    SitePanel(LevelPanel& owner, int32_t panelId, const std::vector<Entry>& entries, bool back,
              std::function<void(uint32_t, uintptr_t)> onCommand, std::function<void()> onBack);
    void Layout() override;
    void Draw(DXLViewer& viewer) override;
    uint32_t OnButtonCommand(GameButton* button) override;

    const std::vector<HintedPanelButton*>& ChoiceButtons() const { return buttons_; }
    LevelPanelButton* BackButton() const { return back_; }
    // The left edge of the row in the panel.
    int32_t RowLeft() const { return (width - rowWidth_) / 2; }

  private:
    std::vector<HintedPanelButton*> buttons_; // in the button group
    LevelPanelButton* back_ = nullptr;        // in the button group
    ButtonParts parts_;
    int32_t rowWidth_ = 0;
    std::function<void(uint32_t, uintptr_t)> onCommand_;
    std::function<void()> onBack_;
};

// The panel of a selected bed, tree or building: the level block at x0 + 42,
// the upgrade button at x0 + 196 (when the panel has one) and the remove
// button at x0 + 330, x0 = (width - 420) / 2. An animal house's panel has a
// feed button beside the upgrade button: the two share a strip of 147 px
// from x0 + 171.
class PointLevelPanel : public ChildLevelPanel {
  public:
    struct View {
        BaseLevelPoint* point = nullptr; // the point shown (its level owns it)
        uint32_t levels = 0;             // the highest level allowed
        uint32_t stage = 0;
        Sprite* picture = nullptr;
        std::u16string hint; // the level block's hint text with its tag kind and value
        uint32_t tagKind = 0;
        uintptr_t tagValue = 0;
        int32_t price = 0; // the next stage's, 0 at the top
        bool upgradeEnabled = false;
        // The feed button: the house's panel icon, the feed product and the
        // units one feeding takes; enabled while the house may be fed.
        Sprite* feedIcon = nullptr;
        const PRODUCT* feedProduct = nullptr;
        Sprite* feedProductIcon = nullptr;
        int32_t feedUnits = 0;
        bool feedEnabled = false;
    };
    // With onFeed the panel has the feed button.
    PointLevelPanel(LevelPanel& owner, int32_t panelId, bool upgrade, std::function<void()> onUpgrade,
                    std::function<void()> onFeed = {});
    void Layout() override;
    void Draw(DXLViewer& viewer) override;
    uint32_t OnButtonCommand(GameButton* button) override;
    void Show(const View& view);

    LevelPanelButton* UpgradeButton() const { return upgrade_; }
    LevelPanelButton* FeedButton() const { return feed_; }
    const View& Shown() const { return view_; }

  private:
    LevelPanelButton* upgrade_ = nullptr; // in the button group
    LevelPanelButton* feed_ = nullptr;    // in the button group
    std::function<void()> onUpgrade_;
    std::function<void()> onFeed_;
    View view_;
    bool hintSet_ = false;
};

// Picks and fills the panel of the selected point.
class PointPanels {
  public:
    // The panel, the level and the farm tables outlive this object.
    PointPanels(LevelPanel& panel, GameLevel& level, FarmData& farm);
    ~PointPanels();
    PointPanels(const PointPanels&) = delete;
    PointPanels& operator=(const PointPanels&) = delete;

    // The level's selection changed: the panel of the newly selected point
    // (or the empty panel).
    void OnSelectionChanged(int32_t index);
    // A click on a clean site: its categories.
    void OpenBuildMenu(int32_t index);
    // A point's state changed (stage, job, damage): its panel when shown.
    void Refresh(const BaseLevelPoint* point);
    // The point leaves the level: its panel goes when shown.
    void Forget(const BaseLevelPoint* point);
    // The shared plant panel's state changed.
    void RefreshPlant();

    // ---- the panels (made on first use)
    SitePanel* Categories() const { return categories_; }
    SitePanel* Choices(uint32_t category) const {
        return category < kSiteCategoryCount ? choices_[category] : nullptr;
    }
    PointLevelPanel* PlantView() const { return plants_; }
    PointLevelPanel* BuildingView() const { return buildings_; }
    PointLevelPanel* FactoryView() const { return factories_; }
    PointLevelPanel* PetsView() const { return pets_; }
    // The point the shown panel belongs to, -1 none.
    int32_t ShownPoint() const { return shown_; }

  private:
    void ShowSite(int32_t index);
    void ShowChoices(uint32_t category);
    void OnCategory(uint32_t command);
    void OnChoice(uint32_t command, uintptr_t data);
    void ShowPointPanel(BaseLevelPoint* point);
    void ShowEmpty();
    PointLevelPanel::View PlantViewOf(const PlantPanel& model) const;
    // The panel a building's kind is shown on (made on first use).
    PointLevelPanel*& PanelOf(const PointBuilding& building);

    LevelPanel& panel_;
    GameLevel& level_;
    FarmData& farm_;
    int32_t shown_ = -1;
    std::array<std::vector<SiteChoice>, kSiteCategoryCount> offered_;
    // Owned by the level panel.
    SitePanel* categories_ = nullptr;
    std::array<SitePanel*, kSiteCategoryCount> choices_{};
    PointLevelPanel* plants_ = nullptr;
    PointLevelPanel* buildings_ = nullptr;
    PointLevelPanel* factories_ = nullptr;
    PointLevelPanel* pets_ = nullptr;
};
