#include "farm/VillainHost.h"

#include "farm/Villains.h"
#include "level/GameLevel.h"

// ---------------------------------------------------------------- PlainHealthBar

PlainHealthBar::PlainHealthBar(int32_t x, int32_t y, int32_t maximum)
    : x_(x), y_(y), maximum_(maximum > 0 ? maximum : 0), value_(maximum_) {
    quads_ = BuildHealthBar(maximum_, value_, float(x_), float(y_));
}

void PlainHealthBar::SetValue(int32_t value) {
    value = value < 0 ? 0 : value > maximum_ ? maximum_ : value;
    if (value == value_) return;
    value_ = value;
    quads_ = BuildHealthBar(maximum_, value_, float(x_), float(y_));
}

// ---------------------------------------------------------------- VillainLevelHost

VillainLevelHost::VillainLevelHost(GameLevel* level, VillainHostHooks* hooks)
    : level_(level), hooks_(hooks ? hooks : &noHooks_) {}

void VillainLevelHost::AddMoney(int32_t amount, int32_t x, int32_t y, int32_t offset) {
    level_->AddMoney(amount, x, y, offset);
}

void VillainLevelHost::AddAwardCount(uint32_t award, int32_t n) {
    level_->AddAwardCount(award, n);
}

int32_t VillainLevelHost::ChooseShotTarget(int32_t x, int32_t y) {
    const BaseLevelPoint* point = level_->ChooseShotTarget(x, y);
    return point ? int32_t(point->Index()) : -1;
}

bool VillainLevelHost::IsLivePoint(int32_t index) const {
    return level_->GetLivePoint(index) != nullptr;
}

bool VillainLevelHost::PointPosition(int32_t index, float* x, float* y) const {
    const BaseLevelPoint* point = level_->GetPoint(index);
    if (!point) return false;
    *x = float(point->X());
    *y = float(point->Y());
    return true;
}

int32_t VillainLevelHost::PointCount() const {
    return int32_t(level_->PointCount());
}

void VillainLevelHost::AddDamage(int32_t index, const VILLAININFO& info, bool animated) {
    if (BaseLevelPoint* point = level_->GetLivePoint(index)) point->AddDamage(info.record.damage, animated);
}

std::unique_ptr<VillainHealthBar> VillainLevelHost::CreateHealthBar(int32_t x, int32_t y, int32_t maximum) {
    std::unique_ptr<VillainHealthBar> bar = hooks_->CreateHealthBar(x, y, maximum);
    return bar ? std::move(bar) : std::make_unique<PlainHealthBar>(x, y, maximum);
}
