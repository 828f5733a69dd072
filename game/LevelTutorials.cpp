#include "game/LevelTutorials.h"

#include "app/App.h"
#include "app/Profiles.h"
#include "engine/Log.h"
#include "farm/AnimalHouses.h"
#include "farm/BuildingPoints.h"
#include "farm/FarmData.h"
#include "farm/FarmVillains.h"
#include "farm/MapVillain.h"
#include "farm/PlantPoints.h"
#include "farm/VillainShot.h"
#include "game/FieldSprites.h"
#include "game/ProgramWorld.h"
#include "gui/Notices.h"
#include "gui/Window.h"
#include "level/GameLevel.h"
#include "level/Job.h"
#include "level/MapCharacter.h"
#include "level/SpriteObject.h"
#include "levelui/ChildPanels.h"
#include "levelui/LevelPanel.h"
#include "levelui/PanelDisplays.h"
#include "levelui/ScreenSpriteKinds.h"
#include "levelui/WarehouseWindow.h"
#include "sprites/Sprite.h"
#include "tutorials/LevelScripts.h"
#include "tutorials/LevelTutorialLink.h"
#include "tutorials/TutorialLayer.h"

#include <cmath>
#include <string>

namespace {

// The current profile's tutorial option is on and the player has not
// turned the level's tutorial off.
bool ProfileWantsTutorial(uint32_t levelIndex) {
    const ProfileManager* profiles = AppProfiles();
    const Profile* profile = profiles ? profiles->Current() : nullptr;
    return profile && profile->Record().results.tutorial != 0 &&
           !profile->LevelTutorialOff(int32_t(levelIndex));
}

// The first full warehouse's explanation counts as seen once its tutorial
// ends by the player's hand. One still running as its level restarts or
// goes was not seen through: the player meets it at the next full warehouse.
void ForgetUnfinishedFullWarehouse(const tut::TutorialRunner& runner) {
    const tut::GameTutorial* running = runner.Running();
    if (!running || running->Id() != tut::kTutorialFullWarehouse || running->State() >= tut::kFinishing)
        return;
    ProfileManager* profiles = AppProfiles();
    Profile* profile = profiles ? profiles->Current() : nullptr;
    if (!profile || !HasFlags(profile, kProfileFlagWarehouseFull)) return;
    profile->MutableRecord().flags &= ~kProfileFlagWarehouseFull;
    profile->Save();
}

// The selected product's price block in the warehouse window is centred on
// this x of the window; the tutorial points 16 px above its text.
constexpr int32_t kWarehousePriceX = 403;
constexpr int32_t kAbovePriceText = 16;
// An overhead button further than this from its point's place (screen
// pixels) belongs to another point.
constexpr float kButtonReach = 160.0f;
// The farmer's figure above her feet, in field pixels: what a box leaves in sight.
constexpr int32_t kFarmerHeight = 60, kFarmerHalfWidth = 14;
// The room of a bed's growth line and round buttons about their centre, in
// field pixels: the button's face (radius 18) and, below it, its arrow.
constexpr float kOverheadHalf = 26, kOverheadBelow = 36;
// The speed-track entry through which a tutorial sets an animal house's rate.
constexpr uint32_t kTutorialRateTrack = 0x54757452; // 'TutR'

// The running level, its farm tables and its windows as the scripts read them.
class ProgramScriptLevel : public tut::ScriptLevel {
  public:
    explicit ProgramScriptLevel(GameLevel& level) : level_(level) {}

    // ---- the level
    void Pause(uint32_t reason) override { level_.Pause(reason); }
    void Resume(uint32_t reason) override { level_.Resume(reason); }
    void SetClockStop(bool on) override { level_.SetClockStopBit(tut::kLevelClockStopBit, on); }
    bool IsPausedExcept(uint32_t mask) const override { return level_.IsPausedExcept(mask); }
    void SelectPoint(int32_t index) override { level_.SelectPoint(index, false); }
    int32_t SelectedPoint() const override { return level_.SelectedPoint(); }
    void ShowTutorialButton(bool show) override {
        if (LevelPanel* panel = Panel()) show ? panel->ShowTutorialButton() : panel->HideTutorialButton();
    }
    bool IsOverPanel(int32_t x, int32_t y) const override {
        if (const LevelPanel* panel = Panel()) return panel->HitTest(x, y);
        // Without the panel window the panel's strip at the bottom is still the panel's.
        return y >= ScreenHeight() - kLevelPanelHeight;
    }
    bool Locate(uint32_t index, kis::Vector2& out) const override {
        const BaseLevelPoint* point = level_.GetPoint(int32_t(index));
        if (!point) return false;
        point->GetPosition(&out.x, &out.y);
        return true;
    }
    // The union of the point's map pictures that are shown: its site or
    // garbage, its bed and plants, its building.
    bool Extent(uint32_t index, kis::Rect& out) const override {
        const BaseLevelPoint* point = level_.GetPoint(int32_t(index));
        if (!point) return false;
        bool any = false;
        const auto add = [&](const MapObject* object) {
            const auto* picture = dynamic_cast<const SpriteObject*>(object);
            if (!picture || !picture->Sprite() || picture->IsHidden() || !picture->IsOnLevel()) return;
            const MapSprite& sprite = *picture->Sprite();
            const float scale = picture->SizeFactor();
            const float originX =
                float(picture->IsMirrored() && sprite.IsMirrorable() ? sprite.GetWidth() - sprite.GetOriginX()
                                                                     : sprite.GetOriginX());
            const float left = picture->X() + float(picture->OffsetX()) - originX * scale;
            const float top = picture->Y() + float(picture->OffsetY()) - float(sprite.GetOriginY()) * scale;
            const kis::Rect r{int32_t(std::floor(left)), int32_t(std::floor(top)),
                              int32_t(std::ceil(left + float(sprite.GetWidth()) * scale)),
                              int32_t(std::ceil(top + float(sprite.GetHeight()) * scale))};
            if (r.right <= r.left || r.bottom <= r.top) return;
            out = any ? kis::Rect{std::min(out.left, r.left), std::min(out.top, r.top),
                                  std::max(out.right, r.right), std::max(out.bottom, r.bottom)}
                      : r;
            any = true;
        };
        for (const MapObject* object : point->AttachedObjects())
            add(object);
        if (const auto* site = dynamic_cast<const EmptyLevelPoint*>(point)) {
            add(site->PlotObject());
            add(site->GarbageObject());
        }
        for (int32_t layer = 0; layer < MapObject::kLayerCount; ++layer)
            for (const MapObject* object : level_.Map().LayerObjects(layer))
                if (object->GetPointIndex() == int32_t(index)) add(object);
        return any;
    }
    bool PointRect(int32_t point, kis::Rect* out) const override {
        kis::Rect field{};
        if (point < 0 || !Extent(uint32_t(point), field)) return false;
        const kis::Point a = ToScreen(kis::MakeVector2(float(field.left), float(field.top)));
        const kis::Point b = ToScreen(kis::MakeVector2(float(field.right), float(field.bottom)));
        *out = {a.x, a.y, b.x, b.y};
        return true;
    }
    kis::Point ToScreen(const kis::Vector2& field) const override {
        float x = 0, y = 0;
        level_.FieldToScreen(field.x, field.y, &x, &y);
        return {int32_t(std::lround(x)), int32_t(std::lround(y))};
    }

    // ---- screen and tables
    WindowManager* Windows() const override { return GetWindowManager(); }
    int32_t ScreenWidth() const override { return Windows() ? Windows()->ScreenWidth() : 1024; }
    int32_t ScreenHeight() const override { return Windows() ? Windows()->ScreenHeight() : 768; }
    // Any goal button carries its own copy of the goal: the first one is meant.
    uintptr_t GoalData(uint32_t) const override { return 0; }
    uint32_t GoalAmount(uint32_t goal) const override {
        const GoalRecord* record = level_.GetGoal(goal);
        return record ? record->target : 0;
    }
    uint32_t GoalProduct(uint32_t goal) const override {
        const GoalRecord* record = level_.GetGoal(goal);
        return record && record->kind == kGoalProduct ? record->objectId : 0;
    }
    uintptr_t PlantType(std::u16string_view name) const override {
        return reinterpret_cast<uintptr_t>(FindPlant(name));
    }
    uint32_t PlantProduct(std::u16string_view name) const override {
        const PLANT* plant = FindPlant(name);
        return plant && plant->product ? plant->product->record.id : 0;
    }
    uintptr_t ProductRecord(uint32_t id) const override {
        const FarmData* farm = GameFarmData();
        return farm ? reinterpret_cast<uintptr_t>(farm->products.FindProduct(id)) : 0;
    }
    uint32_t ProductNumber(uint32_t id) const override {
        const FarmData* farm = GameFarmData();
        const PRODUCT* product = farm ? farm->products.FindProduct(id) : nullptr;
        return product ? product->record.number : 0;
    }
    uint32_t Stock(uint32_t id) const override { return id ? level_.World().ProductCount(id) : 0; }

    // ---- points
    uint32_t PointKind(int32_t index) const override {
        const BaseLevelPoint* point = level_.GetPoint(index);
        return point ? point->Kind() : tut::kNoPoint;
    }
    int32_t PointStage(int32_t index) const override {
        const BaseLevelPoint* point = level_.GetPoint(index);
        return point ? point->Stage() : 0;
    }
    float Ripeness(int32_t index) const override {
        const BasePointPlant* plant = Plant(index);
        return plant ? plant->Ripeness() : -1.0f;
    }
    uint32_t Water(int32_t index) const override {
        const BasePointPlant* plant = Plant(index);
        return plant ? plant->Water() : 0;
    }
    uint32_t WaterMax(int32_t index) const override {
        const BasePointPlant* plant = Plant(index);
        return plant ? plant->WaterMax() : 0;
    }
    void SetWater(int32_t index, uint32_t count) override {
        if (BasePointPlant* plant = Plant(index)) plant->SetWater(count, plant->WaterMax(), true);
    }
    bool HasJob(int32_t index, uint32_t jobId) const override {
        // The farmer's queue: the job working at the point (any job for kJobAny).
        const MapPlayer* player = level_.World().Player();
        if (player)
            for (int32_t i = 0; i < player->JobCount(); ++i) {
                const Job* job = player->GetJob(i);
                if (job && job->TargetPoint() == index && (jobId == tut::kJobAny || job->JobId() == jobId))
                    return true;
            }
        const BasePointPlant* plant = Plant(index);
        if (!plant) return false;
        return (jobId == tut::kJobHarvest && plant->harvestJob) ||
               (jobId == tut::kJobWater && plant->waterJob);
    }
    // Factories and animal houses answer for their own buttons; the plant
    // points' arrow buttons (and any other) are the screen sprite of the
    // command nearest the point.
    bool ButtonRect(int32_t index, uint32_t command, kis::Rect* out) const override {
        const BaseLevelPoint* point = level_.GetPoint(index);
        if (!point) return false;
        if (auto* factory = dynamic_cast<const PointFactory*>(point)) {
            const OverheadButton* button = nullptr;
            if (command == tut::kSpriteProduce && factory->RecipeCount() > 0)
                button = factory->GetRecipe(0).button.get();
            const int32_t slot = int32_t(command - tut::kSpriteSlot);
            if (slot >= 0 && slot < factory->SlotCount()) button = factory->GetSlot(slot).button.get();
            if (button) return FieldRect(*button, out);
        }
        if (auto* house = dynamic_cast<const PointPetshouse*>(point)) {
            const uint32_t shown =
                house->OverheadCommand() == kFeedCommand ? tut::kSpriteFeed : house->OverheadCommand();
            if (shown == command && house->OverheadButtonShown())
                return FieldRect(*house->OverheadButtonShown(), out);
            if (command == tut::kSpriteFeed || command == tut::kSpriteEggs) return false;
        }
        const ActiveScreenSprite* sprite = NearestSprite(index, command);
        if (!sprite) return false;
        *out = SpriteRect(*sprite);
        return true;
    }
    void KeptInSightRects(std::vector<kis::Rect>& out) const override {
        // The field's beds and buildings, which the player plays with (an
        // empty site is grass until she builds there).
        for (uint32_t i = 0; i < level_.PointCount(); ++i)
            if (kis::Rect r{}; !dynamic_cast<const EmptyLevelPoint*>(level_.GetPoint(int32_t(i))) &&
                               PointRect(int32_t(i), &r))
                AddOnField(out, r);
        // The farmer, where she stands as the box comes.
        if (const MapPlayer* player = level_.World().Player()) {
            const kis::Point feet = ToScreen(kis::MakeVector2(player->X(), player->Y()));
            const kis::Point top = ToScreen(kis::MakeVector2(player->X(), player->Y() - kFarmerHeight));
            const int32_t half = std::max(1, (feet.y - top.y) * kFarmerHalfWidth / kFarmerHeight);
            AddOnField(out, {feet.x - half, top.y, feet.x + half, feet.y + 4});
        }
        NeverCoveredRects(out);
        // The open warehouse window's money, which its steps' sales and upgrade change.
        if (const WindowManager* windows = GetWindowManager(); windows && windows->warehouseWindow)
            out.push_back(static_cast<const WarehouseWindow*>(windows->warehouseWindow)->MoneyRect());
    }
    void PanelControlRects(std::vector<kis::Rect>& out) const override {
        const LevelPanel* panel = Panel();
        if (!panel) return;
        // The money strip along the top (the level's name, money and
        // regime), the menu button's corner, the button that closes the
        // tutorial and the bonus buttons.
        if (const GameWindow* money = panel->GetMoneyWindow()) out.push_back(money->rect);
        out.push_back(panel->MenuCorner());
        if (const TutorialButton* button = panel->GetTutorialButton()) out.push_back(button->ScreenRect());
        for (uint32_t slot = 0; slot < kBonusSlotCount; ++slot)
            if (const BonusButton* bonus = panel->GetBonusButton(slot)) out.push_back(bonus->ScreenRect());
    }
    void NeverCoveredRects(std::vector<kis::Rect>& out) const override {
        PanelControlRects(out);
        if (const LevelPanel* panel = Panel()) out.push_back(panel->rect);
        ForEachFieldButton([&](const ActiveScreenSprite& sprite) { AddOnField(out, SpriteRect(sprite)); });
        // A bed's growth line, and the water or harvest button that takes
        // its place, stand over its button anchor: a box leaves that room
        // even while it is empty, for the button it is about to show.
        for (uint32_t i = 0; i < level_.PointCount(); ++i)
            if (const BasePointPlant* plant = Plant(int32_t(i))) {
                float x = 0, y = 0;
                plant->GetProgressPosition(&x, &y);
                const kis::Point a = ToScreen(kis::MakeVector2(x - kOverheadHalf, y - kOverheadHalf));
                const kis::Point b = ToScreen(kis::MakeVector2(x + kOverheadHalf, y + kOverheadBelow));
                AddOnField(out, {a.x, a.y, b.x, b.y});
            }
    }
    // What stands on the field, where the open warehouse window does not
    // hide it: a box on the window's face need not make way for what lies
    // under the window.
    static void AddOnField(std::vector<kis::Rect>& out, const kis::Rect& r) {
        const WindowManager* windows = GetWindowManager();
        if (const GameWindow* window = windows ? windows->warehouseWindow : nullptr;
            window && !window->closing) {
            const kis::Rect& w = window->rect;
            if (r.left < w.right && w.left < r.right && r.top < w.bottom && w.top < r.bottom) return;
        }
        out.push_back(r);
    }
    int32_t SpritePoint(TutorialObject object) const override {
        const ActiveScreenSprite* sprite = object.As<ActiveScreenSprite>();
        if (!sprite) return -1;
        const kis::Rect r = SpriteRect(*sprite);
        const float cx = float(r.left + r.right) / 2, cy = float(r.top + r.bottom) / 2;
        int32_t best = -1;
        float bestDistance = kButtonReach;
        for (uint32_t i = 0; i < level_.PointCount(); ++i) {
            const float d = ScreenDistance(int32_t(i), cx, cy);
            if (d < bestDistance) bestDistance = d, best = int32_t(i);
        }
        return best;
    }
    int32_t PointIndex(TutorialObject point) const override {
        for (uint32_t i = 0; i < level_.PointCount(); ++i)
            if (point.Is(level_.GetPoint(int32_t(i)))) return int32_t(i);
        return -1;
    }

    // ---- the farmer
    bool CurrentJob(uint32_t* jobId, int32_t* point, float* distance) const override {
        const MapPlayer* player = level_.World().Player();
        const Job* job = player ? player->CurrentJob() : nullptr;
        if (!job) return false;
        *jobId = job->JobId();
        *point = job->TargetPoint();
        *distance = 1e9f;
        if (const BaseLevelPoint* at = level_.GetPoint(*point)) {
            float x = 0, y = 0;
            at->GetPosition(&x, &y);
            *distance = std::hypot(player->X() - x, player->Y() - y);
        }
        return true;
    }
    uint32_t LastQueuedJob() const override {
        const MapPlayer* player = level_.World().Player();
        return player ? player->LastJobId() : 0;
    }
    int32_t JobPoint(TutorialObject object) const override {
        const Job* job = object.As<Job>();
        return job ? job->TargetPoint() : -1;
    }

    // ---- windows
    bool WarehouseOpen(bool settled) const override {
        GameWindow* window = Windows() ? Windows()->FindWindowByLayer(tut::kTagWarehouse) : nullptr;
        if (!window || window->closing) return false;
        return !settled || !window->IsAnimating(nullptr);
    }
    bool WarehouseRect(kis::Rect* out) const override {
        GameWindow* window = Windows() ? Windows()->FindWindowByLayer(tut::kTagWarehouse) : nullptr;
        if (!window) return false;
        *out = window->rect;
        return true;
    }
    bool SelectedRowText(kis::Point* out) const override {
        auto* window = Windows()
                           ? dynamic_cast<WarehouseWindow*>(Windows()->FindWindowByLayer(tut::kTagWarehouse))
                           : nullptr;
        if (!window || window->SelectedRecord() < 0) return false;
        int32_t x = kWarehousePriceX, y = window->StripTop() - kAbovePriceText;
        window->LocalToScreen(&x, &y);
        *out = {x, y};
        return true;
    }
    bool MoneyWindowBottom(kis::Point* out) const override {
        LevelPanel* panel = Panel();
        GameWindow* money = panel ? panel->GetMoneyWindow() : nullptr;
        if (!money) return false;
        // The strip is a window of the screen: its rectangle is in screen pixels already.
        *out = {(money->rect.left + money->rect.right) / 2, money->rect.bottom};
        return true;
    }
    bool PanelShows(uint32_t childId) const override {
        LevelPanel* panel = Panel();
        ChildLevelPanel* child = panel ? panel->FindChildPanel(int32_t(childId)) : nullptr;
        return child && panel->CurrentChild() == child;
    }
    bool NoticeCorner(uint32_t id, kis::Point* out) const override {
        if (!Windows()) return false;
        for (NoticeWindow* notice : Windows()->Messages().Notices()) {
            auto* message = dynamic_cast<MessageWindow*>(notice);
            if (!message || message->messageId != id || message->closing) continue;
            // The notice's right edge and top, on the screen (its own corner
            // in its local coordinates).
            int32_t right = message->rect.right - message->rect.left, top = 0;
            message->LocalToScreen(&right, &top);
            *out = {right, top};
            return true;
        }
        return false;
    }
    uint32_t NoticeId(TutorialObject notice) const override {
        auto* message = dynamic_cast<const MessageWindow*>(notice.As<GameWindow>());
        return message ? message->messageId : 0;
    }

    // ---- buildings
    // The building and house choices carry their type record as their user data.
    uintptr_t BuildingType(std::u16string_view name) const override {
        return reinterpret_cast<uintptr_t>(FindBuilding(name));
    }
    uint32_t ProductId(std::u16string_view name) const override {
        const FarmData* farm = GameFarmData();
        const PRODUCT* product =
            farm ? farm->products.FindProductByName(std::u16string(name).c_str()) : nullptr;
        return product ? product->record.id : 0;
    }
    uint32_t PlantId(std::u16string_view name) const override {
        const PLANT* plant = FindPlant(name);
        return plant ? plant->record.id : 0;
    }
    bool PointIsType(int32_t index, std::u16string_view type) const override {
        const auto* building = dynamic_cast<const PointBuilding*>(level_.GetPoint(index));
        return building && building->Type() && building->Type() == FindBuilding(type);
    }
    bool IsFactory(int32_t index) const override { return Factory(index) != nullptr; }
    bool IsHouse(int32_t index) const override { return House(index) != nullptr; }
    int32_t SlotCount(int32_t index) const override {
        return Factory(index) ? Factory(index)->SlotCount() : 0;
    }
    int32_t SlotsInUse(int32_t index) const override {
        return Factory(index) ? Factory(index)->SlotsInUse() : 0;
    }
    uint32_t FirstRecipeProduct(int32_t index) const override {
        const PointFactory* factory = Factory(index);
        return factory && factory->RecipeCount() > 0 && factory->GetRecipe(0).product
                   ? factory->GetRecipe(0).product->record.id
                   : 0;
    }
    void SetFactoryRate(int32_t index, float rate) override {
        if (PointFactory* factory = Factory(index)) factory->SetRate(rate);
    }
    void SetHouseRate(int32_t index, float rate) override {
        // The house's rate is 1 plus its track's entries.
        if (PointPetshouse* house = House(index)) house->StartTrack(kTutorialRateTrack, rate - 1.0f);
    }
    bool HouseFed(int32_t index) const override { return House(index) && House(index)->IsFed(); }
    bool WorkPosition(int32_t index, kis::Point* out) const override {
        float x = 0, y = 0;
        if (const auto* building = dynamic_cast<const PointBuilding*>(level_.GetPoint(index)))
            building->GetWorkPosition(&x, &y);
        else if (const BasePointPlant* plant = Plant(index))
            plant->WorkSpot(&x, &y);
        else
            return false;
        *out = ToScreen(kis::MakeVector2(x, y));
        return true;
    }
    // The press-lock timer of the overhead button (an ActiveScreenSprite): it takes presses only at 0.
    uint32_t ButtonLock(TutorialObject object) const override {
        const ActiveScreenSprite* sprite = object.As<ActiveScreenSprite>();
        return sprite ? sprite->PressLock() : 0;
    }
    void SetSpeedModifier(const float (&values)[tut::kTrackCount], bool on, uint32_t id) override {
        static_assert(tut::kTrackCount == kSpeedTrackCount && tut::kSpriteRepair == kCommandRepair);
        level_.SetSpeedModifier(values, on, id);
    }
    // The boxes' tag objects: the level's goal record, a building point, a plant bed point.
    uintptr_t GoalEntry(uint32_t goal) const override {
        return reinterpret_cast<uintptr_t>(level_.GetGoal(goal));
    }
    uintptr_t BuildingObject(int32_t index) const override {
        return reinterpret_cast<uintptr_t>(dynamic_cast<const PointBuilding*>(level_.GetPoint(index)));
    }
    const SpriteObject* PointMapObject(int32_t index) const override {
        const auto* building = dynamic_cast<const PointBuilding*>(level_.GetPoint(index));
        return building ? building->Building() : nullptr;
    }
    uintptr_t PlantBedObject(int32_t index) const override {
        return reinterpret_cast<uintptr_t>(Plant(index));
    }
    uint32_t FirstStockProduct() const override {
        const ProductStock& stock = World().Stock();
        for (int32_t i = 0; i < stock.RecordCount(); ++i)
            if (stock.GetRecord(i).product && stock.GetRecord(i).count > 0)
                return stock.GetRecord(i).product->record.id;
        return 0;
    }

    // ---- villains and bonuses
    bool VillainsEnabled() const override { return level_.Record().VillainsEnabled(); }
    // A bonus's slot is in use only when the player took that bonus into
    // the level: the bonus table alone lists all six to every player.
    bool HasBonus(BonusKind kind) const override { return level_.Slot(kind).inUse; }
    // The bonus buttons carry their slot.
    uintptr_t BonusButtonData(BonusKind kind) const override { return SlotOfBonus(kind); }
    // A bonus's button is blocked while its bonus recharges. Its press
    // starts the bonus before the tutorial hears of the click, so a running
    // bonus does not block it.
    bool BonusButtonBlocked(BonusKind kind) const override {
        const BonusSlot& slot = level_.Slot(kind);
        return !level_.IsBonusReady(SlotOfBonus(kind)) && !(slot.inUse && slot.running);
    }
    int32_t VillainSlots() const override { return Villains() ? Villains()->VillainCount() : 0; }
    int32_t VillainState(int32_t slot) const override {
        const MapVillain* villain = Villain(slot);
        return villain ? villain->State() : -1;
    }
    int32_t VillainSlot(TutorialObject villain) const override {
        for (int32_t i = 0; i < VillainSlots(); ++i)
            if (villain.Is<MapVillain>(Villain(i))) return i;
        return -1;
    }
    void SetVillainTimer(uint32_t ms) override { level_.Schedule().SetCountdown(int32_t(ms)); }
    void ArmVillain(int32_t slot, int32_t state) override {
        if (MapVillain* villain = Villain(slot)) {
            villain->KeepShots(1);
            villain->SetState(state, false);
        }
    }
    void VillainShoot(int32_t slot) override {
        if (MapVillain* villain = Villain(slot)) villain->Shoot();
    }
    bool VillainPosition(int32_t slot, kis::Vector2* out) const override {
        const MapVillain* villain = Villain(slot);
        if (!villain) return false;
        *out = kis::MakeVector2(villain->X(), villain->Y());
        return true;
    }
    int32_t ShotsInFlight() const override { return int32_t(Flying().size()); }
    bool ShotAt(int32_t i, kis::Vector2* field, float* progress, bool* picked) const override {
        const std::vector<VillainShot*> shots = Flying();
        if (i < 0 || i >= int32_t(shots.size())) return false;
        *field = kis::MakeVector2(shots[size_t(i)]->X(), shots[size_t(i)]->Y());
        *progress = Progress(*shots[size_t(i)]);
        // A clicked shot bursts.
        *picked = shots[size_t(i)]->IsBurst();
        return true;
    }
    float ShotProgress(TutorialObject object) const override {
        const VillainShot* shot = object.As<VillainShot>();
        return shot ? Progress(*shot) : 0.0f;
    }
    void RetimeShot(int32_t i, uint32_t ticks) override {
        const std::vector<VillainShot*> shots = Flying();
        if (i >= 0 && i < int32_t(shots.size())) shots[size_t(i)]->Retime(ticks);
    }
    uint32_t TickMs() const override { return kLevelTickMs; }
    bool IsDamaged(int32_t index) const override {
        const BaseLevelPoint* point = level_.GetPoint(index);
        return point && point->IsDamaged();
    }

  private:
    ProgramWorld& World() const { return dynamic_cast<ProgramWorld&>(level_.World()); }
    FarmVillains* Villains() const { return World().Villains(); }
    MapVillain* Villain(int32_t slot) const {
        return slot >= 0 && slot < VillainSlots() ? Villains()->GetVillain(slot) : nullptr;
    }
    std::vector<VillainShot*> Flying() const {
        std::vector<VillainShot*> shots;
        for (int32_t i = 0; Villains() && i < Villains()->ShotCount(); ++i)
            if (VillainShot* shot = Villains()->GetShot(i); shot && !shot->IsRemoved()) shots.push_back(shot);
        return shots;
    }
    static float Progress(const VillainShot& shot) {
        return shot.Length() > 0 ? shot.Travelled() / shot.Length() : 1.0f;
    }
    PointFactory* Factory(int32_t index) const { return dynamic_cast<PointFactory*>(level_.GetPoint(index)); }
    PointPetshouse* House(int32_t index) const {
        return dynamic_cast<PointPetshouse*>(level_.GetPoint(index));
    }
    // An overhead button's field rectangle on the screen.
    bool FieldRect(const OverheadButton& button, kis::Rect* out) const {
        int32_t left = 0, top = 0, width = 0, height = 0;
        button.GetRect(&left, &top, &width, &height);
        if (width <= 0 || height <= 0) return false;
        const kis::Point a = ToScreen(kis::MakeVector2(float(left), float(top)));
        const kis::Point b = ToScreen(kis::MakeVector2(float(left + width), float(top + height)));
        *out = {a.x, a.y, b.x, b.y};
        return true;
    }
    // A sprite's screen rectangle (its hint rectangle, which is 8 px larger all round).
    static kis::Rect SpriteRect(const ActiveScreenSprite& sprite) {
        kis::Rect r = sprite.ScreenRect();
        return {r.left + 8, r.top + 8, r.right - 8, r.bottom - 8};
    }
    float ScreenDistance(int32_t index, float x, float y) const {
        kis::Vector2 field{};
        if (!Locate(uint32_t(index), field)) return 1e9f;
        const kis::Point at = ToScreen(field);
        return std::hypot(float(at.x) - x, float(at.y) - y);
    }
    // Every button shown over the field (a screen sprite not going).
    template <class Fn> void ForEachFieldButton(Fn fn) const {
        FieldSprites* field = World().Field();
        if (!field) return;
        for (int32_t i = 0; i < field->Host().Count(); ++i) {
            auto* sprite = dynamic_cast<const ActiveScreenSprite*>(field->Host().Get(i));
            if (sprite && sprite->IsShown() && !sprite->IsMarkedForRemoval()) fn(*sprite);
        }
    }
    // The shown screen sprite with the command nearest the point.
    const ActiveScreenSprite* NearestSprite(int32_t index, uint32_t command) const {
        const ActiveScreenSprite* best = nullptr;
        float bestDistance = kButtonReach;
        ForEachFieldButton([&](const ActiveScreenSprite& sprite) {
            if (sprite.Command() != command) return;
            const kis::Rect r = SpriteRect(sprite);
            const float d = ScreenDistance(index, float(r.left + r.right) / 2, float(r.top + r.bottom) / 2);
            if (d < bestDistance) bestDistance = d, best = &sprite;
        });
        // The sprite is the point's only when no other point is nearer to it.
        if (best && SpritePoint(TutorialObject(best)) != index) return nullptr;
        return best;
    }
    LevelPanel* Panel() const {
        WindowManager* windows = Windows();
        return windows ? dynamic_cast<LevelPanel*>(windows->FindWindowByLayer(tut::kTagLevelPanel)) : nullptr;
    }
    BasePointPlant* Plant(int32_t index) const {
        return dynamic_cast<BasePointPlant*>(level_.GetPoint(index));
    }
    static const BUILDING* FindBuilding(std::u16string_view name) {
        const FarmData* farm = GameFarmData();
        return farm ? farm->buildings.FindBuildingByName(std::u16string(name).c_str()) : nullptr;
    }
    static const PLANT* FindPlant(std::u16string_view name) {
        const FarmData* farm = GameFarmData();
        return farm ? farm->plants.FindPlantByName(std::u16string(name).c_str()) : nullptr;
    }

    GameLevel& level_;
};

} // namespace

struct ProgramLevelTutorials::State {
    explicit State(uint32_t levelIndex) : levelIndex(levelIndex) {}
    uint32_t levelIndex;
    tut::TutorialRunner runner{tut::TutorialServices{GetWindowManager()}};
    tut::LevelTutorialLink link{runner};
    // The windows' questions and reports (drags, controls, keys, notices)
    // reach the running tutorial through it while the level runs.
    tut::WindowTutorialLink windowLink;
    std::unique_ptr<ProgramScriptLevel> view;
    uint32_t loggedStep = 0;
    uint32_t loggedTutorial = 0;
};

ProgramLevelTutorials::ProgramLevelTutorials(uint32_t levelIndex)
    : state_(std::make_unique<State>(levelIndex)) {
    if (WindowManager* windows = GetWindowManager()) windows->SetTutorial(&state_->windowLink);
}

ProgramLevelTutorials::~ProgramLevelTutorials() {
    ForgetUnfinishedFullWarehouse(state_->runner);
    if (WindowManager* windows = GetWindowManager()) windows->SetTutorial(nullptr);
    state_->runner.DeleteAll();
}

LevelTutorialHooks* ProgramLevelTutorials::Hooks() {
    return &state_->link;
}

void ProgramLevelTutorials::Attach(GameLevel& level) {
    State& s = *state_;
    ForgetUnfinishedFullWarehouse(s.runner);
    // The tutorial of the run before ends before it goes: its step gives
    // back the pause and the clock stop it holds on the level, which would
    // else keep the restarted level from ever starting.
    if (tut::GameTutorial* running = s.runner.Running()) running->Finish();
    s.runner.DeleteAll();
    s.view = std::make_unique<ProgramScriptLevel>(level);
    // Asked at every start and restart: the player may have changed the
    // option in the pause menu's options, or closed the level's tutorial,
    // since the level was opened.
    if (!ProfileWantsTutorial(s.levelIndex)) return;
    if (tut::GameTutorial* made = tut::MakeLevelTutorial(s.runner, s.levelIndex, *s.view))
        LogLabelPrintf(kLogIndent, "Level tutorial", "%08X waits for the clock", made->Id());
}

void ProgramLevelTutorials::StartFullWarehouse(uint32_t productId) {
    State& s = *state_;
    if (!s.view) return;
    tut::GameTutorial* made = tut::MakeFullWarehouseTutorial(s.runner, *s.view, productId);
    LogLabelPrintf(kLogIndent, "Level tutorial", "%08X for the full warehouse", made->Id());
}

void ProgramLevelTutorials::Update(uint32_t ms) {
    State& s = *state_;
    s.runner.Update(ms);
    // Each step that becomes current is logged once, and the tutorial's end.
    const tut::GameTutorial* running = s.runner.Running();
    const uint32_t step = running && running->Current() ? running->Current()->Id() : 0;
    if (step && step != s.loggedStep) LogLabelPrintf(kLogIndent, "Level tutorial", "step %08X", step);
    s.loggedStep = step;
    const uint32_t id = running ? running->Id() : 0;
    if (s.loggedTutorial && id != s.loggedTutorial)
        LogLabelPrintf(kLogIndent, "Level tutorial", "%08X is over", s.loggedTutorial);
    s.loggedTutorial = id;
}
