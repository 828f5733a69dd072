#include "levelui/PointPanels.h"

#include "engine/Log.h"
#include "farm/AnimalHouses.h"
#include "farm/BuildingPoints.h"
#include "farm/FarmData.h"
#include "farm/PlantPanel.h"
#include "farm/PlantPoints.h"
#include "gui/Window.h"
#include "level/GameLevel.h"
#include "level/LevelPoint.h"
#include "levelui/LevelPanel.h"
#include "levelui/TextTags.h"
#include "platform/Utf.h"
#include "sprites/Sprite.h"

#include <algorithm>

namespace {

const char16_t* const kGroup = u"level_interface";

std::u16string Text(const LevelPanel& panel, const char16_t* group, const char16_t* key) {
    const char16_t* text = key ? panel.Manager().Text(group, key) : nullptr;
    return text ? std::u16string(text) : std::u16string();
}

std::string Narrow(const char16_t* text) {
    return platform::Utf16ToUtf8(text ? std::u16string_view(text) : std::u16string_view());
}

struct CategoryInfo {
    uint32_t command;
    const char16_t* icon;
    const char16_t* caption;
    const char16_t* body;
    uint32_t choiceCommand;
};
constexpr CategoryInfo kCategories[kSiteCategoryCount] = {
    {kCommandSitePlants, u"ico_site_plants", u"site_plants", u"site_plants_hint", kCommandPlantChoice},
    {kCommandSiteBuildings, u"ico_site_buildings", u"site_buildings", u"site_buildings_hint",
     kCommandBuildingChoice},
    {kCommandSitePets, u"ico_site_pets", u"site_pets", u"site_pets_hint", kCommandHouseChoice},
};

} // namespace

// ---------------------------------------------------------------- greyed buttons

void DrawGreyedButtons(ChildLevelPanel& panel, DXLViewer& viewer) {
    GameControls& group = panel.Buttons();
    for (int32_t i = 0; i < group.Count(); ++i) {
        auto* b = dynamic_cast<LevelPanelButton*>(group.Get(i));
        if (b && !b->HasState() &&
            (b->Flags() & (LevelPanelButton::kCannotPay | LevelPanelButton::kDisabled)))
            b->Draw(viewer, 1.0f);
    }
}

// ---------------------------------------------------------------- hinted button

HintedPanelButton::HintedPanelButton(GameWindow* window, GameControls* group, ChildLevelPanel* panel,
                                     const ButtonParts& parts, uint32_t index, uint32_t command,
                                     uint32_t flags, Sprite* icon, std::u16string caption,
                                     std::u16string body, std::u16string shortBody)
    : LevelPanelButton(window, group, panel, parts, index, command, flags, icon), body_(std::move(body)),
      shortBody_(std::move(shortBody)) {
    SetHint(std::move(caption), body_);
}

bool HintedPanelButton::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    if (!HitTest(x, y)) return LevelPanelButton::OnMouseMove(x, y, buttons);
    // The body follows the money: a greyed choice says why.
    const std::u16string& body = (Flags() & kCannotPay) && !shortBody_.empty() ? shortBody_ : body_;
    if (body != hintBody_) SetHint(hintCaption_, body);
    if (HasState()) return LevelPanelButton::OnMouseMove(x, y, buttons);
    RequestHint();
    return true;
}

BaseHintWindow* HintedPanelButton::GetHintWindow() {
    return LevelPanelButton::GetHintWindow();
}

// ---------------------------------------------------------------- site panel

SitePanel::SitePanel(LevelPanel& owner, int32_t panelId, const std::vector<Entry>& entries, bool back,
                     std::function<void(uint32_t, uintptr_t)> onCommand, std::function<void()> onBack)
    : ChildLevelPanel(owner), onCommand_(std::move(onCommand)), onBack_(std::move(onBack)) {
    id = panelId;
    const int32_t count = int32_t(std::min<size_t>(entries.size() + (back ? 1 : 0), kMaxButtonParts));
    rowWidth_ = kSiteButtonWidth * count;
    SplitIntoParts(&parts_, rowWidth_, count);
    const uint32_t room = uint32_t(count - (back ? 1 : 0));
    for (uint32_t i = 0; i < room; ++i) {
        const Entry& e = entries[i];
        auto* b = Buttons().Make<HintedPanelButton>(this, parts_, i, e.command, LevelPanelButton::kIconHigh,
                                                    e.icon, e.caption, e.body, e.shortBody);
        b->userData = e.data;
        if (e.price > 0) b->SetProduct(e.price, nullptr);
        buttons_.push_back(b);
    }
    if (back) back_ = CreateBackButton(this, parts_);
}

void SitePanel::Layout() {
    const int32_t left = RowLeft();
    AddStrip(left - 4, left + rowWidth_ + 2);
    for (HintedPanelButton* b : buttons_)
        b->Place(left + b->PartX());
    if (back_) back_->Place(left + back_->PartX());
}

void SitePanel::Draw(DXLViewer& viewer) {
    ChildLevelPanel::Draw(viewer);
    DrawGreyedButtons(*this, viewer);
}

uint32_t SitePanel::OnButtonCommand(GameButton* button) {
    if (button->Command() == kCommandBack) {
        if (onBack_) onBack_();
        return kClickResetLook;
    }
    if (onCommand_) onCommand_(button->Command(), button->userData);
    return kClickResetLook;
}

// ---------------------------------------------------------------- point panel

PointLevelPanel::PointLevelPanel(LevelPanel& owner, int32_t panelId, bool upgrade,
                                 std::function<void()> onUpgrade, std::function<void()> onFeed)
    : ChildLevelPanel(owner), onUpgrade_(std::move(onUpgrade)), onFeed_(std::move(onFeed)) {
    id = panelId;
    levelBlock = Buttons().Make<CLPLevelBlock>(this);
    ButtonParts parts;
    if (onFeed_) {
        SplitIntoParts(&parts, 147, 2);
        feed_ = CreatePanelButton(this, parts, 0, kFeedCommand, nullptr, 0, nullptr);
        feed_->SetHintEnabled(true);
        feed_->SetHint(owner.Manager().Text(kGroup, u"feed"), owner.Manager().Text(kGroup, u"feed_hint"));
        if (upgrade) upgrade_ = CreateUpgradeButton(this, parts, 1);
    } else if (upgrade) {
        SplitIntoParts(&parts, 98, 1);
        upgrade_ = CreateUpgradeButton(this, parts, 0);
    }
    CreateRemoveButton(this);
}

void PointLevelPanel::Layout() {
    const int32_t x0 = (width - kPointPanelStrip) / 2;
    AddStrip(x0 + 36, x0 + 398);
    levelBlock->Place(x0 + 42);
    if (feed_) {
        feed_->Place(x0 + 171 + feed_->PartX());
        if (upgrade_) upgrade_->Place(x0 + 171 + upgrade_->PartX());
    } else if (upgrade_) {
        upgrade_->Place(x0 + 196);
    }
    removeButton->Place(x0 + 330);
}

void PointLevelPanel::Draw(DXLViewer& viewer) {
    ChildLevelPanel::Draw(viewer);
    DrawGreyedButtons(*this, viewer);
}

uint32_t PointLevelPanel::OnButtonCommand(GameButton* button) {
    if (button->Command() == kCommandUpgrade) {
        if (upgrade_ && onUpgrade_) onUpgrade_();
        return 0;
    }
    if (button->Command() == kFeedCommand) {
        if (feed_ && onFeed_) onFeed_();
        return 0;
    }
    return ChildLevelPanel::OnButtonCommand(button);
}

void PointLevelPanel::Show(const View& view) {
    view_ = view;
    levelBlock->Show(view.levels, view.stage, view.picture);
    if (!hintSet_) {
        levelBlock->SetHintText(view.hint, view.tagKind, view.tagValue);
        hintSet_ = true;
    } else {
        levelBlock->SetValue(view.tagValue);
    }
    removeButton->userData = reinterpret_cast<uintptr_t>(view.point);
    RefreshRemoveButton();
    if (upgrade_) {
        upgrade_->SetProduct(view.price, nullptr);
        upgrade_->SetEnabled(view.upgradeEnabled);
    }
    if (feed_) {
        if (view.feedIcon) feed_->ChangeIcon(view.feedIcon);
        feed_->SetProduct(view.feedUnits, view.feedProduct, view.feedProductIcon);
        feed_->SetEnabled(view.feedEnabled);
    }
}

// ---------------------------------------------------------------- picking the panel

PointPanels::PointPanels(LevelPanel& panel, GameLevel& level, FarmData& farm)
    : panel_(panel), level_(level), farm_(farm) {
    const LevelRecord& record = level.Record().record;
    for (uint32_t c = 0; c < kSiteCategoryCount; ++c)
        offered_[c] = SiteChoices(record, farm.plants, farm.buildings, c);
}

PointPanels::~PointPanels() = default;

void PointPanels::ShowEmpty() {
    shown_ = -1;
    panel_.ShowEmptyPanel();
}

void PointPanels::OnSelectionChanged(int32_t index) {
    BaseLevelPoint* point = level_.GetPoint(index);
    if (!point) {
        ShowEmpty();
        return;
    }
    if (auto* site = dynamic_cast<EmptyLevelPoint*>(point)) {
        if (site->HasGarbage())
            ShowEmpty();
        else
            ShowSite(index);
        return;
    }
    ShowPointPanel(point);
}

void PointPanels::OpenBuildMenu(int32_t index) {
    auto* site = dynamic_cast<EmptyLevelPoint*>(level_.GetPoint(index));
    if (site && !site->HasGarbage()) ShowSite(index);
}

void PointPanels::ShowSite(int32_t index) {
    if (!categories_) {
        std::vector<SitePanel::Entry> entries;
        for (uint32_t c = 0; c < kSiteCategoryCount; ++c) {
            if (offered_[c].empty()) continue;
            const CategoryInfo& info = kCategories[c];
            SitePanel::Entry e;
            e.command = info.command;
            e.icon = GetSprite(1, info.icon);
            e.caption = Text(panel_, kGroup, info.caption);
            e.body = Text(panel_, kGroup, info.body);
            entries.push_back(std::move(e));
        }
        categories_ = panel_.AdoptChild(std::make_unique<SitePanel>(
            panel_, kSitePanelId, entries, false,
            [this](uint32_t command, uintptr_t) { OnCategory(command); }, nullptr));
    }
    shown_ = index;
    categories_->Attach();
}

void PointPanels::OnCategory(uint32_t command) {
    for (uint32_t c = 0; c < kSiteCategoryCount; ++c)
        if (kCategories[c].command == command) ShowChoices(c);
}

void PointPanels::ShowChoices(uint32_t category) {
    if (shown_ < 0 || category >= kSiteCategoryCount) return;
    if (!choices_[category]) {
        std::vector<SitePanel::Entry> entries;
        const char16_t* group = category == kSitePlants ? u"plants" : u"buildings";
        for (const SiteChoice& choice : offered_[category]) {
            SitePanel::Entry e;
            e.command = kCategories[category].choiceCommand;
            e.data = choice.record;
            e.icon = choice.icon;
            e.price = choice.price;
            e.caption = Text(panel_, group, choice.name);
            e.body = Text(panel_, kGroup, u"site_choice_hint");
            e.shortBody = Text(panel_, kGroup, u"site_short_money");
            entries.push_back(std::move(e));
        }
        choices_[category] = panel_.AdoptChild(std::make_unique<SitePanel>(
            panel_, kSiteChoicesPanelIds[category], entries, true,
            [this](uint32_t command, uintptr_t data) { OnChoice(command, data); },
            [this] {
                if (categories_ && shown_ >= 0) categories_->Attach();
            }));
    }
    choices_[category]->Attach();
}

void PointPanels::OnChoice(uint32_t command, uintptr_t data) {
    for (uint32_t c = 0; c < kSiteCategoryCount; ++c) {
        if (kCategories[c].choiceCommand != command) continue;
        for (const SiteChoice& choice : offered_[c]) {
            if (choice.record != data) continue;
            const int32_t index = shown_;
            const SiteRefusal why = OrderOnSite(level_, index, choice);
            LogLabelPrintf(kLogIndent, "Site", "point %d: %s %s (price %d, money %d)", index,
                           Narrow(choice.name).c_str(), why == SiteRefusal::None ? "ordered" : "refused",
                           choice.price, level_.Money().Get());
            // The new bed or building takes the site's place: it stays
            // selected, so the panel goes on showing the point the player chose.
            if (why == SiteRefusal::None) level_.SelectPoint(index, false);
            return;
        }
    }
}

PointLevelPanel::View PointPanels::PlantViewOf(const PlantPanel& model) const {
    PointLevelPanel::View v;
    BasePointPlant* bed = model.Point();
    v.point = bed;
    v.levels = uint32_t(std::max(model.BlockHighest(), 0));
    v.stage = uint32_t(std::max(model.BlockStage(), 0));
    v.picture = model.BlockPlant() ? model.BlockPlant()->icon : nullptr;
    v.hint = model.Hint();
    v.tagKind = kTagContextPlant;
    v.tagValue = reinterpret_cast<uintptr_t>(model.BlockPlant());
    v.price = model.UpgradePrice();
    v.upgradeEnabled = model.UpgradeEnabled();
    return v;
}

void PointPanels::RefreshPlant() {
    // The shared plant model changed: the view follows while it is shown.
    if (!plants_ || !plants_->IsAttached()) return;
    BaseLevelPoint* point = level_.GetPoint(shown_);
    auto* bed = dynamic_cast<BasePointPlant*>(point);
    PlantPanel* model = bed ? bed->Host()->SharedPlantPanel() : nullptr;
    if (!model || model->Point() != bed) {
        ShowEmpty();
        return;
    }
    plants_->Show(PlantViewOf(*model));
}

void PointPanels::ShowPointPanel(BaseLevelPoint* point) {
    if (auto* bed = dynamic_cast<BasePointPlant*>(point)) {
        PlantPanel* model = bed->Host()->SharedPlantPanel();
        if (!model) {
            ShowEmpty();
            return;
        }
        if (!plants_)
            plants_ =
                panel_.AdoptChild(std::make_unique<PointLevelPanel>(panel_, kPlantPanelId, true, [this] {
                    auto* b = dynamic_cast<BasePointPlant*>(level_.GetPoint(shown_));
                    PlantPanel* m = b ? b->Host()->SharedPlantPanel() : nullptr;
                    if (!m || m->Point() != b) return;
                    level_.StartClock();
                    const bool ordered = m->UpgradeEnabled() && m->UpgradePrice() <= level_.Money().Get();
                    m->OnButtonCommand(PlantPanel::kCommandUpgrade);
                    LogLabelPrintf(kLogIndent, "Upgrade", "point %d: %s to stage %d %s", int32_t(b->Index()),
                                   Narrow(b->Plant()->record.label).c_str(), b->Stage() + 1,
                                   ordered ? "ordered" : "refused");
                }));
        shown_ = int32_t(point->Index());
        plants_->Attach();
        model->SetPoint(bed);
        RefreshPlant();
        return;
    }
    auto* building = dynamic_cast<PointBuilding*>(point);
    if (!building || !building->HasPanel()) {
        ShowEmpty();
        return;
    }
    const bool pets = dynamic_cast<PointPetshouse*>(building) != nullptr;
    PointLevelPanel*& view = PanelOf(*building);
    const int32_t panelId = building->Type()->IsFactory() ? int32_t(kFactoryPanelId)
                            : pets                        ? int32_t(kPetshousePanelId)
                                                          : kBuildingPanelId;
    std::function<void()> feed;
    if (pets)
        feed = [this] {
            auto* house = dynamic_cast<PointPetshouse*>(level_.GetPoint(shown_));
            if (!house) return;
            level_.StartClock();
            const bool ordered = house->OnButtonCommand(kFeedCommand);
            LogLabelPrintf(kLogIndent, "Feeding", "point %d: from the panel %s", int32_t(house->Index()),
                           ordered ? "ordered" : "refused");
        };
    if (!view)
        view = panel_.AdoptChild(std::make_unique<PointLevelPanel>(
            panel_, panelId, true,
            [this] {
                auto* b = dynamic_cast<PointBuilding*>(level_.GetPoint(shown_));
                if (!b) return;
                level_.StartClock();
                const bool ordered = b->CanUpgrade() && b->UpgradePrice() <= level_.Money().Get() &&
                                     b->OnButtonCommand(kUpgradeCommand);
                LogLabelPrintf(kLogIndent, "Upgrade", "point %d: %s to level %d %s, money %d",
                               int32_t(b->Index()), Narrow(b->Type()->header.label).c_str(), b->Stage() + 1,
                               ordered ? "ordered" : "refused", level_.Money().Get());
            },
            std::move(feed)));
    shown_ = int32_t(point->Index());
    view->Attach();
    Refresh(point);
}

void PointPanels::Refresh(const BaseLevelPoint* point) {
    if (!point || int32_t(point->Index()) != shown_ || level_.GetPoint(shown_) != point) return;
    auto* building = dynamic_cast<PointBuilding*>(level_.GetPoint(shown_));
    if (!building) return;
    PointLevelPanel* view = PanelOf(*building);
    if (!view || !view->IsAttached()) return;
    PointLevelPanel::View v;
    v.point = building;
    v.levels = uint32_t(std::max(building->HighestAllowed(), 0));
    v.stage = uint32_t(std::max(building->Stage(), 0));
    if (const BuildingLevel* shown = building->LevelRecord(std::max(building->Stage(), 1)))
        v.picture = shown->icon;
    v.hint = u"[MBLDNG N]";
    v.tagKind = kTagContextBuilding;
    v.tagValue = reinterpret_cast<uintptr_t>(building);
    v.price = building->UpgradePrice();
    v.upgradeEnabled = building->CanUpgrade();
    if (auto* house = dynamic_cast<const PointPetshouse*>(building)) {
        v.feedIcon = building->Type()->panelIcon;
        v.feedProduct = building->Type()->feedProduct;
        v.feedProductIcon = building->Type()->feedIcon;
        v.feedUnits = int32_t(house->FeedUnits());
        v.feedEnabled = house->CanOrderFeed();
    }
    view->Show(v);
}

void PointPanels::Forget(const BaseLevelPoint* point) {
    if (!point || int32_t(point->Index()) != shown_) return;
    ChildLevelPanel* child = panel_.CurrentChild();
    if (child && (child == buildings_ || child == factories_ || child == pets_)) ShowEmpty();
}

PointLevelPanel*& PointPanels::PanelOf(const PointBuilding& building) {
    if (building.Type()->IsFactory()) return factories_;
    return dynamic_cast<const PointPetshouse*>(&building) ? pets_ : buildings_;
}
