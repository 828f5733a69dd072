#include "farm/PlantPanel.h"

#include "farm/PlantPoints.h"
#include "level/GameLevel.h"

#include <algorithm>

PlantPanel::Layout PlantPanel::LayoutFor(int32_t panelWidth) {
    const int32_t x0 = (panelWidth - kStripWidth) / 2;
    return {x0, x0 + 42, x0 + 196, x0 + 330};
}

void PlantPanel::SetPoint(BasePointPlant* bed) {
    point_ = bed;
    RefreshUpgrade();
    Refresh();
}

void PlantPanel::Refresh() {
    if (!point_) {
        blockPlant_ = nullptr;
        blockStage_ = blockHighest_ = 0;
        if (onChanged) onChanged();
        return;
    }
    blockPlant_ = point_->Plant();
    blockStage_ = std::max(point_->Stage(), 0);
    blockHighest_ = point_->Plant()->highestStage;
    if (onChanged) onChanged();
}

void PlantPanel::RefreshUpgrade() {
    if (!point_) {
        upgradePrice_ = 0;
        upgradeEnabled_ = false;
        return;
    }
    const PLANT& plant = *point_->Plant();
    const int32_t s = std::max(point_->Stage(), 1);
    const bool below = s < plant.highestStage;
    upgradePrice_ = below ? PlantStagePrice(plant, s) : 0;
    upgradeEnabled_ = point_->Damage() == 0 && !point_->plantJob && point_->Stage() > 0 && below;
    if (onChanged) onChanged();
}

bool PlantPanel::OnButtonCommand(uint32_t command) {
    if (command != kCommandUpgrade) return false;
    if (point_ && upgradeEnabled_ &&
        PlantStagePrice(*point_->Plant(), point_->Stage()) <= point_->Level()->Money().Get())
        point_->OrderPlanting();
    return true;
}
