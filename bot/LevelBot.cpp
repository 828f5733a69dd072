#include "bot/LevelBot.h"

#include "app/App.h"
#include "app/GameStates.h"
#include "app/Profiles.h"
#include "app/WindowInput.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/Viewer.h"
#include "farm/AnimalHouses.h"
#include "farm/BuildingPoints.h"
#include "farm/BuildingSites.h"
#include "farm/Buildings.h"
#include "farm/FarmVillains.h"
#include "farm/MapVillain.h"
#include "farm/PlantPoints.h"
#include "farm/Products.h"
#include "farm/VillainRules.h"
#include "farm/VillainShot.h"
#include "frontend/MapInterface.h"
#include "game/FieldSprites.h"
#include "game/LevelInterface.h"
#include "game/LevelProfiles.h"
#include "game/LevelScreen.h"
#include "game/ProgramWorld.h"
#include "gui/Regime.h"
#include "level/GameLevel.h"
#include "level/Job.h"
#include "level/LevelPoint.h"
#include "level/MapCharacter.h"
#include "level/SaveStream.h"
#include "levelui/PointPanels.h"
#include "levelui/ScreenSpriteKinds.h"
#include "levelui/ScreenSprites.h"
#include "levelui/WarehouseWindow.h"
#include "platform/Input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace {

// A player's pace: one action at most every this many ms of screen time.
constexpr uint32_t kActionSpacingMs = 250;
// Jobs the bot lets wait in the farmer's queue behind the running one.
constexpr int32_t kQueuedJobs = 2;
// A level whose clock never moves (a window the bot cannot answer) is given
// up after this much screen time beyond its bronze time.
constexpr uint64_t kStuckSlackMs = 120000;
// A level the bot finds nothing to do in before its clock starts (no goal it
// knows how to work on) is given up after this much screen time.
constexpr uint32_t kIdleStartMs = 30000;
// A site's clear button stands above the heap, within this distance.
constexpr float kClearButtonReach = 120.0f;
// Production buttons are pressed at most this often.
constexpr uint64_t kProduceSpacingMs = 2000;
// The warehouse is opened to sell at most this often.
constexpr uint64_t kSellSpacingMs = 3000;
// Shots and villains are clicked at most this often (a player's quick clicks).
constexpr uint32_t kDefenceSpacingMs = 100;
// An upgrade is tried at most this often.
constexpr uint64_t kUpgradeSpacingMs = 1500;
// A villain is clicked a little above its feet, inside its figure.
constexpr float kVillainClickRise = 28.0f;
// A factory's production button stands about its type's button offset from
// it (a mirrored factory's, or a second product's, a little aside).
constexpr float kFactoryButtonReach = 80.0f;
// Beds of one wanted crop the bot sows at most.
constexpr int32_t kMostBedsOfACrop = 4;
// Units of feed kept in stock for each animal house when selling.
constexpr int32_t kFeedKeptPerHouse = 6;
// The close-tutorial button is clicked at most this often.
constexpr uint64_t kCloseTutorialSpacingMs = 2000;

const char* GradeName(uint32_t grade) {
    switch (grade) {
    case kGradeGold:
        return "gold";
    case kGradeSilver:
        return "silver";
    case kGradeBronze:
        return "bronze";
    default:
        return "none";
    }
}

} // namespace

// ---------------------------------------------------------------- the bot

LevelBot::LevelBot(GameLevel& level, LevelInterface* ui, bool idle, int64_t leaveAtMs)
    : level_(level), ui_(ui), idle_(idle), leaveAtMs_(leaveAtMs) {}

void LevelBot::CheckContinuedGame() {
    const auto saved = LevelProfileSavedGame(level_.LevelIndex());
    if (!saved) return;
    const std::unique_ptr<SaveBuffer> again = level_.Save();
    const std::span<const uint8_t> bytes = again ? again->Data() : std::span<const uint8_t>();
    const auto differs = std::mismatch(saved->begin(), saved->end(), bytes.begin(), bytes.end());
    char line[160];
    if (differs.first == saved->end() && differs.second == bytes.end())
        std::snprintf(line, sizeof line, "Bot: the saved game of level %u continues unchanged.",
                      level_.LevelIndex() + 1);
    else
        std::snprintf(line, sizeof line,
                      "Bot: the saved game of level %u continues changed (byte %td of %zu).",
                      level_.LevelIndex() + 1, differs.first - saved->begin(), saved->size());
    LogLine(kLogIndent, line);
}

bool LevelBot::LeaveBeforeUpdate() {
    if (!checked_) CheckContinuedGame();
    checked_ = true;
    if (leaveAtMs_ < 0 || level_.IsEnded() || int64_t(level_.LevelTimeMs()) < leaveAtMs_) return false;
    char line[80];
    std::snprintf(line, sizeof line, "Bot: level %u left at %u ms.", level_.LevelIndex() + 1,
                  level_.LevelTimeMs());
    LogLine(kLogIndent, line);
    reported_ = true;
    return true;
}

bool LevelBot::Frame(uint32_t frameMs) {
    frameTimeMs_ += frameMs;
    if (level_.IsEnded()) {
        Report();
        return true;
    }
    const uint32_t bronze = level_.Record().Regime(level_.Regime()).bronzeMs;
    // The easy regime never loses: past the bronze time the level counts as
    // not won; a level whose clock cannot move is given up as well.
    if (level_.LevelTimeMs() > bronze || frameTimeMs_ > uint64_t(bronze) + kStuckSlackMs ||
        (!level_.IsClockRunning() && frameTimeMs_ > kIdleStartMs)) {
        Report();
        return true;
    }
    WatchButtonOverlaps();
    sinceActionMs_ += frameMs;
    sinceDefenceMs_ += frameMs;
    if (!idle_ && sinceDefenceMs_ >= kDefenceSpacingMs && DefendFarm()) sinceDefenceMs_ = 0;
    if (sinceActionMs_ < kActionSpacingMs) return false;
    // Once the clock runs, a tutorial over the level is closed before anything else is done.
    if (level_.IsClockRunning() && level_.Tutorial().IsRunning()) {
        if (AnswerWindow() || CloseTutorial()) sinceActionMs_ = 0;
        return false;
    }
    if (idle_) {
        if (AnswerWindow() || StartClock()) sinceActionMs_ = 0;
        return false;
    }
    if (Sell() || AnswerWindow() || StartClock() || TendFarm() || Build() || Upgrade() || ClearGarbage() ||
        Produce())
        sinceActionMs_ = 0;
    return false;
}

void LevelBot::Report() {
    if (reported_) return;
    reported_ = true;
    const char* outcome = level_.IsEnded() ? (level_.Result() == kLevelWon ? "won" : "lost") : "not won";
    char line[200];
    std::snprintf(line, sizeof line, "Bot: level %u regime %u %s in %u ms, grade %s, money %d, %u actions",
                  level_.LevelIndex() + 1, level_.Regime(), outcome, level_.LevelTimeMs(),
                  level_.Result() == kLevelWon ? GradeName(level_.Grade()) : "none", level_.Money().Get(),
                  actions_);
    LogLine(kLogIndent, line);
}

// A window that holds the level (the information page at the start, a
// notice) is answered as a player answers it: Enter.
bool LevelBot::AnswerWindow() {
    if ((level_.PauseWord() & (kPauseWindow | kPauseWarehouse)) == 0) return false;
    PressKey(platform::kDikReturn);
    return true;
}

bool LevelBot::FarmerQueueFull() const {
    MapPlayer* player = level_.World().Player();
    if (!player) return true;
    int32_t open = 0;
    for (int32_t i = 0; i < player->JobCount(); ++i)
        open += !player->GetJob(i)->IsFinished() && player->GetJob(i)->JobId() != JOBID_GOTO;
    return open > kQueuedJobs;
}

bool LevelBot::PointTargeted(int32_t index) const {
    MapPlayer* player = level_.World().Player();
    if (!player) return false;
    for (int32_t i = 0; i < player->JobCount(); ++i) {
        const Job* job = player->GetJob(i);
        if (!job->IsFinished() && job->TargetPoint() == index) return true;
    }
    return false;
}

bool LevelBot::GoalWanted(uint32_t kind) const {
    for (uint32_t i = 0; i < kMaxLevelGoals; ++i) {
        const GoalRecord* goal = level_.GetGoal(i);
        if (goal && goal->kind == kind && level_.GoalProgress(i) < int32_t(goal->target)) return true;
    }
    return false;
}

int32_t LevelBot::MoneyGoalTarget() const {
    int32_t target = 0;
    for (uint32_t i = 0; i < kMaxLevelGoals; ++i)
        if (const GoalRecord* goal = level_.GetGoal(i); goal && goal->kind == kGoalMoney)
            target = std::max(target, int32_t(goal->target));
    return target;
}

// Sites goals: the cheapest heap that nobody clears yet, as many as the goal
// still wants; money kept for a money goal when there is a choice.
bool LevelBot::ClearGarbage() {
    int32_t wanted = 0;
    for (uint32_t i = 0; i < kMaxLevelGoals; ++i)
        if (const GoalRecord* goal = level_.GetGoal(i); goal && goal->kind == kGoalGarbageSites)
            wanted = std::max(wanted, int32_t(goal->target) - level_.GoalProgress(i));
    if (wanted <= 0 || FarmerQueueFull()) return false;
    int32_t best = -1, bestPrice = 0;
    for (uint32_t i = 0; i < level_.PointCount(); ++i) {
        auto* site = dynamic_cast<EmptyLevelPoint*>(level_.GetPoint(int32_t(i)));
        if (!site || !site->HasGarbage() || site->IsBeingRemoved()) continue;
        if (PointTargeted(int32_t(i))) {
            --wanted;
            continue;
        }
        if (best < 0 || site->GarbagePrice() < bestPrice) best = int32_t(i), bestPrice = site->GarbagePrice();
    }
    if (wanted <= 0 || best < 0 || bestPrice > level_.Money().Get()) return false;
    const BaseLevelPoint* site = level_.GetPoint(best);
    if (const ActiveScreenSprite* button =
            FindButton(kCommandClear, float(site->X()), float(site->Y()), kClearButtonReach, true)) {
        ClickButton(*button);
        return true;
    }
    ClickPoint(best);
    return true;
}

// The first action starts the clock: a click on a plant or a building (a
// garbage level starts it with its first heap; the warehouse's click opens
// its window).
bool LevelBot::StartClock() {
    if (level_.IsClockRunning() || level_.PointCount() == 0) return false;
    int32_t chosen = 0;
    for (uint32_t i = 1; i < level_.PointCount(); ++i) {
        const BaseLevelPoint* point = level_.GetLivePoint(int32_t(i));
        if (point && (point->Kind() == kPointPlant || point->Kind() == kPointBuilding)) {
            chosen = int32_t(i);
            break;
        }
    }
    if (chosen == 0) return false;
    ClickPoint(chosen);
    return true;
}

// The level's tutorial shows its "Close tutorial" button from its first
// step on: a click there asks whether to turn it off, and the window answered
// first (Enter) says yes. Tried again after a while should the question not
// have come.
bool LevelBot::CloseTutorial() {
    if (!ui_ || !level_.Tutorial().IsRunning() || frameTimeMs_ < nextCloseMs_) return false;
    const LevelPanel* panel = ui_->Panel();
    const TutorialButton* button = panel ? panel->GetTutorialButton() : nullptr;
    if (!button || !button->HasState()) return false;
    nextCloseMs_ = frameTimeMs_ + kCloseTutorialSpacingMs;
    ClickControl(*button);
    return true;
}

// A factory's production buttons, while a product or money goal wants more, every
// couple of seconds. A greyed button is pressed too: its grey may lag behind
// the stock, and the factory itself refuses what it cannot make.
bool LevelBot::Produce() {
    if ((!GoalWanted(kGoalProduct) && !GoalWanted(kGoalMoney)) || frameTimeMs_ < nextProduceMs_) return false;
    // The wanted products in order (a goal's product before what it is made
    // from): the button over the factory that makes the first one still
    // needed. An ingredient is made only while the stock holds less of it
    // than the goals' products still want, so that it leaves the rest of its
    // own ingredients (a house's feed) alone.
    for (const uint32_t product : WantedProducts()) {
        if (ProductCount(product) >= IngredientNeed(product) || !IngredientsInStock(product)) continue;
        for (uint32_t i = 0; i < level_.PointCount(); ++i) {
            const auto* factory = dynamic_cast<const PointBuilding*>(level_.GetLivePoint(int32_t(i)));
            if (!factory || !factory->Type()->IsFactory()) continue;
            bool makes = false;
            for (int32_t k = 0; k < factory->Type()->FactoryProductCount(); ++k)
                makes = makes || factory->Type()->header.factory.productIds[k] == product;
            if (!makes) continue;
            // The button stands at the type's offset from the factory's place.
            const int32_t* offset = factory->Type()->header.factory.buttonOffset;
            if (const ActiveScreenSprite* button =
                    FindButton(kCommandProduce, float(factory->X() + offset[0]),
                               float(factory->Y() + offset[1]), kFactoryButtonReach, false)) {
                nextProduceMs_ = frameTimeMs_ + kProduceSpacingMs;
                ClickButton(*button);
                return true;
            }
        }
    }
    // A money goal alone: any factory's button.
    if (const ActiveScreenSprite* button = FindButton(kCommandProduce, 0.0f, 0.0f, -1.0f, false);
        button && !GoalWanted(kGoalProduct)) {
        nextProduceMs_ = frameTimeMs_ + kProduceSpacingMs;
        ClickButton(*button);
        return true;
    }
    return false;
}

bool LevelBot::IngredientsInStock(uint32_t productId) const {
    auto* world = dynamic_cast<ProgramWorld*>(&level_.World());
    const PRODUCT* product = world ? world->Products().FindProduct(productId) : nullptr;
    for (int32_t k = 0; product && k < product->record.ingredientCount; ++k)
        if (ProductCount(product->record.ingredients[k].id) < product->record.ingredients[k].units)
            return false;
    return true;
}

int32_t LevelBot::ProductCount(uint32_t productId) const {
    return int32_t(level_.World().ProductCount(productId));
}

// Units of a product the unmet product goals still want, directly (a goal
// for it: unbounded) or as an ingredient of a goal's product.
int32_t LevelBot::IngredientNeed(uint32_t productId) const {
    auto* world = dynamic_cast<ProgramWorld*>(&level_.World());
    int32_t need = 0;
    for (uint32_t i = 0; i < kMaxLevelGoals; ++i) {
        const GoalRecord* goal = level_.GetGoal(i);
        if (!goal || goal->kind != kGoalProduct) continue;
        const int32_t left = int32_t(goal->target) - level_.GoalProgress(i);
        if (left <= 0) continue;
        if (goal->objectId == productId) return INT32_MAX;
        const PRODUCT* made = world ? world->Products().FindProduct(goal->objectId) : nullptr;
        for (int32_t k = 0; made && k < made->record.ingredientCount; ++k)
            if (made->record.ingredients[k].id == productId) need += left * made->record.ingredients[k].units;
    }
    return need;
}

int32_t LevelBot::Surplus(uint32_t productId) const {
    int32_t keep = 0;
    for (uint32_t i = 0; i < kMaxLevelGoals; ++i)
        if (const GoalRecord* goal = level_.GetGoal(i); goal && goal->kind == kGoalProduct) {
            // A product goal's product, and what the factories make it from, are kept.
            if (goal->objectId == productId)
                keep = std::max(keep, int32_t(goal->target));
            else if (GoalWanted(kGoalProduct))
                keep = INT32_MAX;
        }
    // A store of feed for each of the level's animal houses is kept too.
    if (auto* world = dynamic_cast<ProgramWorld*>(&level_.World()); world && keep != INT32_MAX) {
        for (uint32_t i = 0; i < level_.PointCount(); ++i) {
            const BaseLevelPoint* point = level_.GetPoint(int32_t(i));
            if (!point || point->Kind() != kPointBuilding) continue;
            const BUILDING* type = world->Buildings().FindBuildingType(point->ObjectId());
            if (type && type->IsAnimalHouse() && type->feedProduct &&
                type->feedProduct->record.id == productId)
                keep += kFeedKeptPerHouse;
        }
    }
    const int32_t count = int32_t(level_.World().ProductCount(productId));
    return keep == INT32_MAX ? 0 : std::max(0, count - keep);
}

// Shots in the air are clicked out of it, the nearest to its target first;
// then a villain at its catapult is clicked until it runs away.
bool LevelBot::DefendFarm() {
    auto* world = dynamic_cast<ProgramWorld*>(&level_.World());
    FarmVillains* villains = world ? world->Villains() : nullptr;
    if (!villains || !level_.IsClockRunning() || level_.IsPausedExcept(0)) return false;
    for (int32_t i = 0; i < villains->ShotCount(); ++i) {
        const VillainShot* shot = villains->GetShot(i);
        if (shot->IsBurst() || shot->IsRemoved()) continue;
        ClickField(shot->X(), shot->Y());
        return true;
    }
    for (int32_t i = 0; i < villains->VillainCount(); ++i) {
        const MapVillain* villain = villains->GetVillain(i);
        if (villain->State() != kVillainAttacking || !villain->IsOnLevel()) continue;
        ClickField(villain->X(), villain->Y() - kVillainClickRise);
        return true;
    }
    return false;
}

std::vector<uint32_t> LevelBot::WantedProducts() const {
    std::vector<uint32_t> wanted;
    auto* world = dynamic_cast<ProgramWorld*>(&level_.World());
    if (!world) return wanted;
    const auto add = [&wanted](uint32_t id) {
        if (id && std::find(wanted.begin(), wanted.end(), id) == wanted.end()) wanted.push_back(id);
    };
    for (uint32_t i = 0; i < kMaxLevelGoals; ++i)
        if (const GoalRecord* goal = level_.GetGoal(i);
            goal && goal->kind == kGoalProduct && level_.GoalProgress(i) < int32_t(goal->target))
            add(goal->objectId);
    // Ingredients of wanted products, and the feed of the houses that make
    // them, are wanted too (the list grows while it is walked).
    for (size_t i = 0; i < wanted.size(); ++i) {
        const PRODUCT* product = world->Products().FindProduct(wanted[i]);
        for (int32_t k = 0; product && k < product->record.ingredientCount; ++k)
            if (product->ingredients[k]) add(product->ingredients[k]->record.id);
        for (int32_t t = 0; t < world->Buildings().Count(); ++t) {
            const BUILDING* type = world->Buildings().Get(t);
            if (type && type->usable && type->IsAnimalHouse() && type->produceProduct &&
                type->produceProduct->record.id == wanted[i] && type->feedProduct)
                add(type->feedProduct->record.id);
        }
    }
    return wanted;
}

const GoalRecord* LevelBot::StageGoal(uint32_t pointKind, uint32_t objectId) const {
    const uint32_t kind = pointKind == kPointPlant ? kGoalPlant : kGoalBuilding;
    for (uint32_t i = 0; i < kMaxLevelGoals; ++i)
        if (const GoalRecord* goal = level_.GetGoal(i); goal && goal->kind == kind &&
                                                        goal->objectId == objectId &&
                                                        level_.GoalProgress(i) < int32_t(goal->target))
            return goal;
    return nullptr;
}

int32_t LevelBot::PointsOf(uint32_t pointKind, uint32_t objectId) const {
    int32_t count = 0;
    for (uint32_t i = 0; i < level_.PointCount(); ++i) {
        const BaseLevelPoint* point = level_.GetPoint(int32_t(i));
        count += point && point->Kind() == pointKind && point->ObjectId() == objectId;
    }
    return count;
}

int32_t LevelBot::Producers(uint32_t productId) const {
    int32_t count = 0;
    for (uint32_t i = 0; i < level_.PointCount(); ++i) {
        const BaseLevelPoint* point = level_.GetPoint(int32_t(i));
        if (const auto* bed = dynamic_cast<const BasePointPlant*>(point)) {
            count += bed->Plant() && bed->Plant()->product && bed->Plant()->product->record.id == productId;
        } else if (const auto* building = dynamic_cast<const PointBuilding*>(point)) {
            const BUILDING* type = building->Type();
            if (type->IsAnimalHouse())
                count += type->produceProduct && type->produceProduct->record.id == productId;
            for (int32_t k = 0; k < type->FactoryProductCount(); ++k)
                count += type->header.factory.productIds[k] == productId;
        }
    }
    return count;
}

bool LevelBot::ChoiceMakes(const SiteChoice& choice, uint32_t productId) {
    if (choice.pointKind == kPointPlant) {
        const auto* plant = reinterpret_cast<const PLANT*>(choice.record);
        return plant && plant->product && plant->product->record.id == productId;
    }
    const auto* type = reinterpret_cast<const BUILDING*>(choice.record);
    if (!type) return false;
    if (type->IsAnimalHouse()) return type->produceProduct && type->produceProduct->record.id == productId;
    for (int32_t k = 0; k < type->FactoryProductCount(); ++k)
        if (type->header.factory.productIds[k] == productId) return true;
    return false;
}

int32_t LevelBot::GarbageMoneyNeeded() const {
    int32_t wanted = 0;
    for (uint32_t i = 0; i < kMaxLevelGoals; ++i)
        if (const GoalRecord* goal = level_.GetGoal(i); goal && goal->kind == kGoalGarbageSites)
            wanted = std::max(wanted, int32_t(goal->target) - level_.GoalProgress(i));
    std::vector<int32_t> prices;
    for (uint32_t i = 0; i < level_.PointCount(); ++i) {
        const auto* site = dynamic_cast<const EmptyLevelPoint*>(level_.GetPoint(int32_t(i)));
        if (!site || !site->HasGarbage() || site->IsBeingRemoved()) continue;
        if (PointTargeted(int32_t(i)))
            --wanted;
        else
            prices.push_back(site->GarbagePrice());
    }
    std::sort(prices.begin(), prices.end());
    int32_t sum = 0;
    for (size_t k = 0; k < prices.size() && int32_t(k) < wanted; ++k)
        sum += prices[k];
    return sum;
}

int32_t LevelBot::Spendable() const {
    return level_.Money().Get() - GarbageMoneyNeeded();
}

// A clean site takes what a wanted product needs: first a maker of a wanted
// product nothing makes yet (in the order of WantedProducts), then more beds
// of a wanted crop. The menus are walked a step per action.
bool LevelBot::Build() {
    PointPanels* panels = ui_ ? ui_->GetPointPanels() : nullptr;
    auto* world = dynamic_cast<ProgramWorld*>(&level_.World());
    if (!panels || !world || level_.IsPausedExcept(kPauseClockNotStarted)) return false;
    if (buildStep_ > 0) {
        const auto* site = dynamic_cast<EmptyLevelPoint*>(level_.GetPoint(buildSite_));
        const int32_t step = buildStep_;
        buildStep_ = 0;
        if (!site || site->HasGarbage() || panels->ShownPoint() != buildSite_) return false;
        if (step == 1) {
            SitePanel* categories = panels->Categories();
            if (!categories || !categories->IsAttached()) return false;
            for (const HintedPanelButton* button : categories->ChoiceButtons())
                if (button->Command() == buildCategory_ && !button->IsDisabled()) {
                    buildStep_ = 2;
                    ClickControl(*button);
                    return true;
                }
            return false;
        }
        for (uint32_t c = 0; c < kSiteCategoryCount; ++c) {
            SitePanel* choices = panels->Choices(c);
            if (!choices || !choices->IsAttached()) continue;
            for (const HintedPanelButton* button : choices->ChoiceButtons())
                if (button->userData == buildRecord_ && !button->IsDisabled()) {
                    ClickControl(*button);
                    return true;
                }
        }
        return false;
    }
    if (!level_.World().Player() || FarmerQueueFull()) return false;
    int32_t site = -1;
    for (uint32_t i = 0; i < level_.PointCount() && site < 0; ++i) {
        const auto* empty = dynamic_cast<EmptyLevelPoint*>(level_.GetPoint(int32_t(i)));
        if (empty && !empty->IsBeingRemoved() && !empty->HasGarbage() && !empty->IsBusy() &&
            !PointTargeted(int32_t(i)))
            site = int32_t(i);
    }
    if (site < 0) return false;
    const std::vector<uint32_t> wanted = WantedProducts();
    if (wanted.empty() && !GoalWanted(kGoalPlant) && !GoalWanted(kGoalBuilding)) return false;
    std::vector<SiteChoice> choices;
    for (uint32_t c = 0; c < kSiteCategoryCount; ++c) {
        auto some = SiteChoices(level_.Record().record, world->Plants(), world->Buildings(), c);
        choices.insert(choices.end(), some.begin(), some.end());
    }
    const SiteChoice* pick = nullptr;
    for (const SiteChoice& choice : choices)
        if (const GoalRecord* goal = StageGoal(choice.pointKind, choice.objectId);
            goal && PointsOf(choice.pointKind, choice.objectId) < int32_t(goal->target)) {
            pick = &choice;
            break;
        }
    for (const uint32_t product : wanted) {
        if (pick) break;
        if (Producers(product) > 0) continue;
        for (const SiteChoice& choice : choices)
            if (ChoiceMakes(choice, product)) {
                pick = &choice;
                break;
            }
        if (pick) break;
    }
    for (size_t w = 0; !pick && w < wanted.size(); ++w) {
        if (Producers(wanted[w]) >= kMostBedsOfACrop) continue;
        for (const SiteChoice& choice : choices)
            if (choice.pointKind == kPointPlant && ChoiceMakes(choice, wanted[w])) {
                pick = &choice;
                break;
            }
    }
    if (!pick || pick->price > Spendable()) return false;
    buildSite_ = site;
    buildCategory_ = pick->category == kSitePlants      ? kCommandSitePlants
                     : pick->category == kSiteBuildings ? kCommandSiteBuildings
                                                        : kCommandSitePets;
    buildRecord_ = pick->record;
    buildStep_ = 1;
    ClickPoint(site);
    return true;
}

bool LevelBot::StageWants(const BaseLevelPoint& point) const {
    const GoalRecord* goal = StageGoal(point.Kind(), point.ObjectId());
    return goal && point.Stage() < int32_t(goal->stage);
}

// A bed or building that makes a wanted product, or that a goal wants higher, is raised a stage when the
// money allows: a click on it shows its panel, the next action presses the panel's upgrade.
bool LevelBot::Upgrade() {
    PointPanels* panels = ui_ ? ui_->GetPointPanels() : nullptr;
    if (!panels || !level_.IsClockRunning() || level_.IsPausedExcept(0)) return false;
    if (upgradePoint_ >= 0) {
        const int32_t index = upgradePoint_;
        upgradePoint_ = -1;
        if (panels->ShownPoint() != index) return false;
        for (PointLevelPanel* view : {panels->PlantView(), panels->BuildingView(), panels->FactoryView()}) {
            if (!view || !view->IsAttached() || !view->UpgradeButton()) continue;
            if (view->UpgradeButton()->IsDisabled() || !view->Shown().upgradeEnabled) return false;
            ClickControl(*view->UpgradeButton());
            return true;
        }
        return false;
    }
    if (frameTimeMs_ < nextUpgradeMs_ || FarmerQueueFull()) return false;
    const std::vector<uint32_t> wanted = WantedProducts();
    const auto isWanted = [&wanted](uint32_t id) {
        return std::find(wanted.begin(), wanted.end(), id) != wanted.end();
    };
    for (uint32_t i = 0; i < level_.PointCount(); ++i) {
        BaseLevelPoint* point = level_.GetLivePoint(int32_t(i));
        if (!point || point->IsBusy() || PointTargeted(int32_t(i))) continue;
        bool worth = false;
        int32_t price = 0;
        if (auto* bed = dynamic_cast<BasePointPlant*>(point)) {
            const PLANT* plant = bed->Plant();
            worth = plant &&
                    ((plant->product && isWanted(plant->product->record.id)) || StageWants(*point)) &&
                    bed->Stage() > 0 && bed->Stage() < plant->highestStage && bed->Damage() == 0 &&
                    !bed->plantJob;
            price = worth ? PlantStagePrice(*plant, bed->Stage()) : 0;
        } else if (auto* building = dynamic_cast<PointBuilding*>(point)) {
            const BUILDING* type = building->Type();
            bool makes =
                type->IsAnimalHouse() && type->produceProduct && isWanted(type->produceProduct->record.id);
            for (int32_t k = 0; k < type->FactoryProductCount(); ++k)
                makes = makes || isWanted(type->header.factory.productIds[k]);
            worth = (makes || StageWants(*point)) && building->CanUpgrade();
            price = building->UpgradePrice();
        }
        if (!worth || price < 0 || price > Spendable()) continue;
        nextUpgradeMs_ = frameTimeMs_ + kUpgradeSpacingMs;
        upgradePoint_ = int32_t(i);
        ClickPoint(int32_t(i));
        return true;
    }
    return false;
}

bool LevelBot::Sell() {
    WindowManager* windows = GetWindowManager();
    auto* window =
        windows ? dynamic_cast<WarehouseWindow*>(windows->FindWindowByLayer(kWarehouseWindowTag)) : nullptr;
    // Money is wanted for a money goal, or for the garbage a sites goal still
    // wants cleared when the purse cannot pay it.
    const bool wanted = GoalWanted(kGoalMoney) || GarbageMoneyNeeded() > level_.Money().Get();
    if (window) {
        if (!wanted) return false; // Enter closes it
        for (WarehouseWindowButton* tile : window->Tiles()) {
            if (!tile->Product() || Surplus(tile->Product()->record.id) <= 0) continue;
            window->SelectButton(tile);
            window->Sell(std::min(5, Surplus(tile->Product()->record.id)));
            ++actions_;
            return true;
        }
        return false;
    }
    if (!wanted || level_.PointCount() == 0 || level_.IsPausedExcept(kPauseClockNotStarted)) return false;
    auto* world = dynamic_cast<ProgramWorld*>(&level_.World());
    if (!world) return false;
    bool any = false;
    for (int32_t i = 0; i < world->Products().Count() && !any; ++i)
        any = Surplus(world->Products().Get(i)->record.id) > 0;
    if (!any || frameTimeMs_ < nextSellMs_) return false;
    nextSellMs_ = frameTimeMs_ + kSellSpacingMs;
    ClickPoint(0);
    return true;
}

ScreenSprites* LevelBot::Sprites() const {
    auto* world = dynamic_cast<ProgramWorld*>(&level_.World());
    return world && world->Field() ? &world->Field()->Host() : nullptr;
}

void LevelBot::WatchButtonOverlaps() {
    // A button's rectangle is where it is drawn, in field pixels: one that
    // keeps its screen size on a shrunk field has it grown to match.
    ScreenSprites* sprites = Sprites();
    for (int32_t i = 0; sprites && i < sprites->ActiveCount(); ++i)
        for (int32_t j = i + 1; j < sprites->ActiveCount(); ++j) {
            const ActiveScreenSprite *a = sprites->GetActive(i), *b = sprites->GetActive(j);
            const kis::Rect &ra = a->Rect(), &rb = b->Rect();
            if (!a->IsVisible() || !b->IsVisible() || ra.right <= rb.left || rb.right <= ra.left ||
                ra.bottom <= rb.top || rb.bottom <= ra.top ||
                (a->Command() == b->Command() && ra.top == rb.top))
                continue;
            char line[160];
            std::snprintf(line, sizeof line,
                          "Bot: level %u: round buttons overlap, %08X at (%d, %d) and %08X at (%d, %d)",
                          level_.LevelIndex() + 1, a->Command(), a->X(), a->Y(), b->Command(), b->X(),
                          b->Y());
            if (overlapsTold_.insert(line).second) LogLine(kLogIndent, line);
        }
}

ActiveScreenSprite* LevelBot::FindButton(uint32_t command, float x, float y, float maxDistance,
                                         bool enabledOnly) const {
    ScreenSprites* sprites = Sprites();
    if (!sprites) return nullptr;
    ActiveScreenSprite* best = nullptr;
    float bestDistance = 0.0f;
    for (int32_t i = 0; i < sprites->ActiveCount(); ++i) {
        ActiveScreenSprite* sprite = sprites->GetActive(i);
        if (sprite->Command() != command || !sprite->IsVisible()) continue;
        if (enabledOnly && sprite->GetState() == ActiveScreenSprite::kDisabled) continue;
        const kis::Rect& r = sprite->Rect();
        const float d = std::hypot((float(r.left) + float(r.right)) / 2.0f - x,
                                   (float(r.top) + float(r.bottom)) / 2.0f - y);
        if (maxDistance >= 0.0f && d > maxDistance) continue;
        if (!best || d < bestDistance) best = sprite, bestDistance = d;
    }
    return best;
}

void LevelBot::ClickButton(const ActiveScreenSprite& button) {
    const kis::Rect& r = button.Rect();
    float sx, sy;
    // Each side on its own: the sum of two far coordinates does not fit an int.
    level_.FieldToScreen((float(r.left) + float(r.right)) / 2.0f, (float(r.top) + float(r.bottom)) / 2.0f,
                         &sx, &sy);
    ClickScreen(int32_t(sx), int32_t(sy));
}

// A bed's harvest or water button is worth a press while its crop is
// wanted (a product goal, or any money goal) and the warehouse has room for
// it; the buttons of the other points always are.
bool LevelBot::CropUseful(const ActiveScreenSprite& button) const {
    const kis::Rect& r = button.Rect();
    const float x = (float(r.left) + float(r.right)) / 2.0f, y = (float(r.top) + float(r.bottom)) / 2.0f;
    const BaseLevelPoint* owner = nullptr;
    float best = 0.0f;
    for (uint32_t i = 0; i < level_.PointCount(); ++i) {
        const BaseLevelPoint* point = level_.GetLivePoint(int32_t(i));
        if (!point) continue;
        const float d = std::hypot(float(point->X()) - x, float(point->Y()) - y);
        if (!owner || d < best) owner = point, best = d;
    }
    const auto* bed = dynamic_cast<const BasePointPlant*>(owner);
    if (!bed || !bed->Plant() || !bed->Plant()->product) return true;
    const uint32_t product = bed->Plant()->product->record.id;
    if (level_.World().ProductRoom(product) == 0) return false;
    if (GoalWanted(kGoalMoney)) return true;
    const std::vector<uint32_t> wanted = WantedProducts();
    return std::find(wanted.begin(), wanted.end(), product) != wanted.end();
}

// Damaged points ask for their repair, plant beds and animal houses for
// their next order with a button over them (harvest, collect the eggs,
// milk, shear, water, feed); greyed ones (no feed in stock) wait. Without
// such buttons a bed's own click action is taken by a click on the bed.
bool LevelBot::TendFarm() {
    if (FarmerQueueFull()) return false;
    // A damaged point does no work until it is repaired: its repair button
    // comes first.
    if (const ActiveScreenSprite* button = FindButton(kCommandRepair, 0.0f, 0.0f, -1.0f, true)) {
        ClickButton(*button);
        return true;
    }
    ScreenSprites* sprites = Sprites();
    for (const uint32_t command :
         {kCommandHarvest, kEggsCommand, kMilkCommand, kCutCommand, kCommandWater, kFeedButtonCommand}) {
        for (int32_t i = 0; sprites && i < sprites->ActiveCount(); ++i) {
            ActiveScreenSprite* button = sprites->GetActive(i);
            if (button->Command() != command || !button->IsVisible() ||
                button->GetState() == ActiveScreenSprite::kDisabled || !CropUseful(*button))
                continue;
            ClickButton(*button);
            return true;
        }
    }
    for (uint32_t i = 0; i < level_.PointCount(); ++i) {
        BaseLevelPoint* point = level_.GetLivePoint(int32_t(i));
        if (!point || point->Kind() != kPointPlant) continue;
        const uint32_t action = point->ClickAction();
        if ((action != JOBID_WATER && action != JOBID_HARVEST) || PointTargeted(int32_t(i))) continue;
        ClickPoint(int32_t(i));
        return true;
    }
    return false;
}

void LevelBot::ClickField(float x, float y) {
    float sx, sy;
    level_.FieldToScreen(x, y, &sx, &sy);
    ClickScreen(int32_t(sx), int32_t(sy));
}

// A panel button is clicked in the middle of its place on the screen.
void LevelBot::ClickControl(const GameButton& button) {
    const kis::Rect r = button.ScreenRect();
    ClickScreen((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void LevelBot::ClickPoint(int32_t index) {
    const BaseLevelPoint* point = level_.GetPoint(index);
    if (!point) return;
    float x, y, sx, sy;
    point->GetPosition(&x, &y);
    level_.FieldToScreen(x, y, &sx, &sy);
    // A player clicks the point's picture: the place, else the nearest spot
    // round it (on rings 4 screen pixels apart) that picks the point.
    for (int32_t ring = 0; ring <= kPointSearchRings; ++ring)
        for (int32_t step = 0; step < std::max(ring * 8, 1); ++step) {
            const double angle = 2.0 * std::numbers::pi * step / std::max(ring * 8, 1);
            const int32_t px = int32_t(sx + 4.0 * ring * std::cos(angle)),
                          py = int32_t(sy - 4.0 * ring * std::sin(angle));
            if (level_.PointOnScreen(px, py) != index) continue;
            ClickScreen(px, py);
            return;
        }
    ClickScreen(int32_t(sx), int32_t(sy));
}

namespace {

// The mouse moves onto the place, then the left button goes down and up;
// each event takes the shell's way: the windows first, then the screen.
void ClickOnScreen(int32_t sx, int32_t sy) {
    const AppCallbacks& screen = AppCallbackTable();
    if (!WindowsTakeMouseMove(sx, sy, 0) && screen.mouseMove) screen.mouseMove(sx, sy, 0);
    if (!WindowsTakeMouseDown(sx, sy, kMouseLeft) && screen.mouseDown) screen.mouseDown(sx, sy, kMouseLeft);
    if (!WindowsTakeMouseUp(sx, sy, kMouseLeft) && screen.mouseUp) screen.mouseUp(sx, sy, kMouseLeft);
}

} // namespace

void LevelBot::ClickScreen(int32_t sx, int32_t sy) {
    ClickOnScreen(sx, sy);
    ++actions_;
}

void LevelBot::PressKey(uint32_t key) {
    const AppCallbacks& screen = AppCallbackTable();
    if (!WindowsTakeKeyDown(key, 0) && screen.keyDown) screen.keyDown(key, 0);
    if (!WindowsTakeKeyUp(key, 0) && screen.keyUp) screen.keyUp(key, 0);
    ++actions_;
}

// ---------------------------------------------------------------- the bot run

namespace {

// "3", "1-5", "2,7-9" (counted from 1); false on anything else.
bool ParseLevelList(const char* text, std::vector<uint32_t>* levels) {
    const char* p = text;
    while (*p) {
        char* end = nullptr;
        const long first = std::strtol(p, &end, 10);
        if (end == p || first < 1 || first > long(kLevelCount)) return false;
        long last = first;
        p = end;
        if (*p == '-') {
            last = std::strtol(p + 1, &end, 10);
            if (end == p + 1 || last < first || last > long(kLevelCount)) return false;
            p = end;
        }
        for (long n = first; n <= last; ++n)
            levels->push_back(uint32_t(n - 1));
        if (*p == ',')
            ++p;
        else if (*p)
            return false;
    }
    return !levels->empty();
}

} // namespace

BotRun::BotRun(uint32_t regime, std::vector<uint32_t> levels, bool idle, int64_t leaveAtMs)
    : regime_(regime), idle_(idle), leaveAtMs_(leaveAtMs), levels_(std::move(levels)) {}

std::unique_ptr<LevelAutoplayer> BotRun::Attach(GameLevel& level, LevelInterface* ui) {
    return std::make_unique<LevelBot>(level, ui, idle_, leaveAtMs_);
}

bool BotRun::LevelsLeft() const {
    return next_ < levels_.size();
}

void BotRun::ComicFrame(uint32_t frameMs) {
    mapMs_ = 0;
    if (!LevelsLeft()) return;
    comicMs_ += frameMs;
    if (comicMs_ < kPageClickMs) return;
    comicMs_ = 0;
    // The first click completes a page, the next turns it; the last page's
    // closes the comic onto the map.
    const DXLViewer* viewer = GetAppServices().viewer;
    const kis::Rect r = viewer ? viewer->GetClientRect() : kis::Rect{0, 0, 1024, 768};
    LogLine(kLogIndent, "Bot: a click on the comic's page.");
    ClickOnScreen((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void BotRun::MapFrame(uint32_t frameMs) {
    comicMs_ = 0;
    if (!LevelsLeft()) return;
    mapMs_ += frameMs;
    if (mapMs_ < kMapStayMs) return;
    mapMs_ = 0;
    const DXLViewer* viewer = GetAppServices().viewer;
    const kis::Rect r = viewer ? viewer->GetClientRect() : kis::Rect{0, 0, 1024, 768};
    const MapPoint back = MapOverlayLayout{r.right - r.left, r.bottom - r.top}.Back();
    LogLine(kLogIndent, "Bot: the map's back button, on to the next level.");
    ClickOnScreen(back.x + kOverlayButtonWidth / 2, back.y + kOverlayButtonHeight / 2);
}

bool BotRun::TakePlayersRegime() {
    ProfileManager* profiles = AppProfiles();
    Profile* player = profiles ? profiles->Current() : nullptr;
    if (!player || player->Regime() == regime_) return true;
    if (regime_ == uint32_t(kRegimeHard) && !player->Record().results.hardAvailable) {
        refusal_ = "the hard regime is not open for the current player yet (a win of level " +
                   std::to_string(kHardRegimeLevel + 1) +
                   " in the easy one opens it); the bot played nothing";
        LogErrorPrintf(kLogIndent, "Bot: %s.", refusal_.c_str());
        return false;
    }
    // Her results, records and saved games go to the regime played.
    player->SetRegime(regime_);
    LogLine(kLogIndent,
            regime_ ? "Bot: the player's regime is hard now." : "Bot: the player's regime is easy now.");
    return true;
}

void BotRun::MainScreenFrame() {
    comicMs_ = mapMs_ = 0;
    if (!refusal_.empty() || (next_ == 0 && !TakePlayersRegime())) {
        SetGameState(kStateQuit);
        return;
    }
    // "all": every level the table holds.
    const LevelTable* table = GameLevelTable();
    if (levels_.empty() && next_ == 0)
        for (uint32_t i = 0; i < kLevelCount; ++i)
            if (table && table->Get(i)) levels_.push_back(i);
    while (next_ < levels_.size() && !(table && table->Get(levels_[next_]))) {
        char line[80];
        std::snprintf(line, sizeof line, "Bot: level %u does not exist.", levels_[next_] + 1);
        LogLine(kLogIndent, line);
        ++next_;
    }
    if (next_ >= levels_.size()) {
        LogLine(kLogIndent, "Bot: every level played.");
        SetGameState(kStateQuit);
        return;
    }
    const uint32_t index = levels_[next_++];
    PrepareLevel(index, kStateMainScreen);
    SetGameState(kStateLevelLoading);
}

bool ParseBotArguments(std::vector<char*>& arguments, std::unique_ptr<BotRun>* run, std::string* why) {
    // The options of the bot's play, taken out wherever they stand.
    bool idle = false;
    int64_t leaveAtMs = -1;
    for (size_t i = 1; i < arguments.size();) {
        if (std::strcmp(arguments[i], "--bot-idle") == 0) {
            idle = true;
            arguments.erase(arguments.begin() + long(i));
        } else if (std::strcmp(arguments[i], "--bot-leave-at") == 0) {
            char* end = nullptr;
            const long long ms = i + 1 < arguments.size() ? std::strtoll(arguments[i + 1], &end, 10) : -1;
            if (!end || *end || end == arguments[i + 1] || ms < 0 || ms > kMaxLevelTimeMs)
                return *why = "--bot-leave-at needs a level time in ms", false;
            leaveAtMs = ms;
            arguments.erase(arguments.begin() + long(i), arguments.begin() + long(i) + 2);
        } else {
            ++i;
        }
    }
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (std::strcmp(arguments[i], "--bot") != 0) continue;
        if (i + 2 >= arguments.size()) return *why = "--bot needs a regime and levels", false;
        const char* regimeText = arguments[i + 1];
        uint32_t regime;
        if (std::strcmp(regimeText, "easy") == 0)
            regime = 0;
        else if (std::strcmp(regimeText, "hard") == 0)
            regime = 1;
        else
            return *why = std::string("--bot: \"") + regimeText + "\" is not a regime (easy or hard)", false;
        std::vector<uint32_t> levels;
        if (std::strcmp(arguments[i + 2], "all") != 0 && !ParseLevelList(arguments[i + 2], &levels))
            return *why = std::string("--bot: \"") + arguments[i + 2] +
                          "\" is neither \"all\" nor a list of levels",
                   false;
        *run = std::make_unique<BotRun>(regime, std::move(levels), idle, leaveAtMs);
        arguments.erase(arguments.begin() + long(i), arguments.begin() + long(i) + 3);
        return true;
    }
    if (idle || leaveAtMs >= 0) return *why = "--bot-idle and --bot-leave-at go with --bot", false;
    return true;
}
