#include "showcase/WarehouseShowcase.h"

#include "engine/Log.h"
#include "engine/VirtualKeys.h"
#include "farm/FarmData.h"
#include "gui/Notices.h"
#include "levelui/WarehouseWindow.h"
#include "sprites/Sprite.h"
#include "text/TextLayout.h"

#include <memory>
#include <string>

namespace {

constexpr int32_t kStartMoney = 40;
constexpr int32_t kGoalTarget = 10;   // coins earned
constexpr int32_t kStandInIndent = 2; // the stand-in's log lines keep this indent, not the current one

} // namespace

class WarehouseShowcase::SampleLevel : public WarehouseLevel {
  public:
    SampleLevel(FarmData& farm, WindowManager& windows)
        : farm_(farm), windows_(windows), warehouse_(farm.buildings.FindBuildingByName(u"warehouse")),
          stock_(farm.buildings.WarehouseCapacities(),
                 warehouse_ ? uint32_t(std::max(warehouse_->header.levelCount, 1)) : 1u) {
        const std::pair<const char16_t*, uint32_t> sample[] = {{u"wheat", 10}, {u"apple", 3}, {u"egg", 2}};
        for (const auto& [name, units] : sample)
            if (PRODUCT* p = farm.products.FindProductByName(name)) stock_.Add(p, units);
        money_.Set(kStartMoney);
    }
    ProductStock& Stock() override { return stock_; }
    MoneyValue& Money() override { return money_; }
    const BUILDING* WarehouseType() const override { return warehouse_; }
    void RaiseWarehouse() override {
        stock_.SetWarehouseLevel(stock_.GetWarehouseLevel() + 1);
        LogLabelPrintf(kStandInIndent, "Warehouse stand-in", "warehouse level %u, money %d",
                       stock_.GetWarehouseLevel(), money_.Get());
    }
    void AddGoalProgress(uint32_t kind, int32_t amount) override {
        if (kind != kGoalKindMoneyEarned) return;
        const bool before = earned_ >= kGoalTarget;
        earned_ += amount;
        LogLabelPrintf(kStandInIndent, "Warehouse stand-in", "sold for %d coins, money %d, earned %d", amount,
                       money_.Get(), earned_);
        if (!before && earned_ >= kGoalTarget) windows_.Awards().Show(1, 0, 1);
    }
    void StartClock() override {}
    void PlayEventSound(uint32_t) override {}
    std::u16string ProductName(const PRODUCT* product) const override {
        return windows_.Text(u"products", product->record.name);
    }
    Sprite* FindSprite(int32_t library, const char16_t* name) const override {
        return GetSprite(library, name);
    }

  private:
    FarmData& farm_;
    WindowManager& windows_;
    const BUILDING* warehouse_;
    ProductStock stock_;
    MoneyValue money_;
    int32_t earned_ = 0;
};

WarehouseShowcase::WarehouseShowcase() = default;

WarehouseShowcase::~WarehouseShowcase() {
    Close();
}

void WarehouseShowcase::Open() {
    WindowManager* windows = GetWindowManager();
    FarmData* farm = GameFarmData();
    if (!windows || !farm || level_) return;
    level_ = std::make_unique<SampleLevel>(*farm, *windows);
    windows->Awards().contentSource = [windows](uint32_t, uint32_t, uint32_t, const char16_t* key) {
        NewAwardWindowStack::Content c;
        c.icon = GetSprite(2, u"ico_wheat_small");
        std::u16string text = windows->Text(u"awards", key);
        if (const size_t at = text.find(u"[BAWARD N]"); at != std::u16string::npos)
            text.replace(at, 10, windows->Text(u"warehouse_window", u"sample_goal"));
        c.text = text;
        return c;
    };
    windows->Open<WarehouseWindow>(*level_);
    LogLabelPrintf(kStandInIndent, "Warehouse stand-in", "opened with %d products, money %d",
                   level_->Stock().RecordCount(), level_->Money().Get());
}

bool WarehouseShowcase::Key(uint32_t virtualKey) {
    if (virtualKey != kVkF1 + 6) return false;
    if (level_)
        Close();
    else
        Open();
    return true;
}

void WarehouseShowcase::Close() {
    if (!level_) return;
    if (WindowManager* windows = GetWindowManager()) {
        windows->Awards().contentSource = nullptr;
        if (windows->warehouseWindow) windows->Destroy(windows->warehouseWindow);
        windows->DeleteClosedWindows();
    }
    level_.reset();
}
