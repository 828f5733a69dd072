#pragma once
// The plant panel: what the level panel shows for a selected bed or tree.

#include <cstdint>
#include <functional>

class BasePointPlant;
struct PLANT;

// The level panel's child for a selected bed or tree: its level block
// (plant icon, stage, highest stage, hint "[PLANT N]") and the upgrade and
// remove buttons. The level panel draws it from this state.
class PlantPanel {
  public:
    static constexpr uint32_t kId = 0x10000;
    static constexpr uint32_t kCommandUpgrade = 0xC9000003;
    static constexpr int32_t kStripWidth = 420;
    static constexpr uint32_t kHintFlags = 0x1000002;

    struct Layout {
        int32_t x0, levelBlock, upgrade, remove;
    };
    static Layout LayoutFor(int32_t panelWidth);

    void SetPoint(BasePointPlant* bed);
    BasePointPlant* Point() const { return point_; }
    void Refresh();
    void RefreshUpgrade();
    // True when the command was the upgrade's (consumed either way).
    bool OnButtonCommand(uint32_t command);

    // What the panel shows.
    int32_t BlockStage() const { return blockStage_; }
    int32_t BlockHighest() const { return blockHighest_; }
    const PLANT* BlockPlant() const { return blockPlant_; }
    const char16_t* Hint() const { return u"[PLANT N]"; }
    int32_t UpgradePrice() const { return upgradePrice_; }
    bool UpgradeEnabled() const { return upgradeEnabled_; }

    // Told after every change of what the panel shows (the level panel's
    // view follows it).
    std::function<void()> onChanged;

  private:
    BasePointPlant* point_ = nullptr; // the point shown; it clears itself on removal
    const PLANT* blockPlant_ = nullptr;
    int32_t blockStage_ = 0, blockHighest_ = 0;
    int32_t upgradePrice_ = 0;
    bool upgradeEnabled_ = false;
};
