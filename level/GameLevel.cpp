#include "level/GameLevel.h"

#include "app/Profiles.h"
#include "engine/Log.h"
#include "engine/Viewer.h"
#include "foundation/Helpers.h"
#include "foundation/Ident.h"
#include "level/GameMessager.h"
#include "level/LevelData.h"
#include "level/MapCharacter.h"
#include "level/Records.h"
#include "level/SpriteObject.h"
#include "platform/Input.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <string>

namespace {

// The speed-modifier id of a running bonus.
constexpr uint32_t kBonusModifierId = 0x100;

constexpr uint32_t kHeaderSize = 24;
constexpr uint32_t kLevelBlockSize = 96;
constexpr uint32_t kPointRecordBlockSize = 4 + sizeof(PointRecord);
constexpr uint32_t kLevelFlagClockStarted = 0x1;
constexpr uint32_t kLevelFlagSideStep = 0x2;
constexpr uint32_t kSlotInUse = 0x1;
constexpr uint32_t kSlotRunning = 0x2;
// Field pixels by which the mirrored ground overlaps the field's right and
// bottom edges.
constexpr float kGroundEdgeOverlap = 2.0f;

int ReasonIndex(uint32_t bit) {
    return std::countr_zero(bit);
}

// The comic shown after winning a level, 0 none.
uint32_t ComicAfterLevel(uint32_t levelIndex) {
    switch (levelIndex) {
    case 7:
        return 1;
    case 29:
        return 2;
    case 40:
        return 3;
    default:
        return 0;
    }
}

bool Refuse(std::string* why, const char* reason) {
    if (why && why->empty()) *why = reason;
    return false;
}

} // namespace

// ---------------------------------------------------------------- point makers

void SetPointMaker(uint32_t kind, PointMaker maker) {
    LevelGameData* data = GetLevelGameData();
    if (data && kind <= kPointBuilding) data->pointMakers[kind] = std::move(maker);
}

const PointMaker* GetPointMaker(uint32_t kind) {
    const LevelGameData* data = GetLevelGameData();
    if (!data || kind > kPointBuilding) return nullptr;
    const PointMaker& maker = data->pointMakers[kind];
    return maker ? &maker : nullptr;
}

// ---------------------------------------------------------------- villain places

class GameLevel::Places : public VillainPlaces {
  public:
    explicit Places(GameLevel& level) : level_(level) {}
    bool IsPlaceFree(uint32_t place) const override { return level_.world_->IsVillainPlaceFree(place); }
    void CreateVillain(uint32_t place, uint32_t villainKind) override {
        level_.world_->CreateVillain(place, villainKind, level_.level_.record.places[place]);
    }

  private:
    GameLevel& level_;
};

// ---------------------------------------------------------------- set-up and play

GameLevel::GameLevel(uint32_t levelIndex, uint32_t regime, const Level& level,
                     std::unique_ptr<LevelWorld> world, Hooks hooks)
    : levelIndex_(levelIndex), regime_(regime ? 1 : 0), level_(level), world_(std::move(world)),
      hooks_(hooks), places_(std::make_unique<Places>(*this)), map_(std::make_unique<LevelMap>(this)) {
    if (!hooks_.panel) hooks_.panel = (noPanel_ = std::make_unique<NoLevelInterface>()).get();
    if (!hooks_.tutorial) hooks_.tutorial = (noTutorial_ = std::make_unique<NoLevelTutorial>()).get();
    if (!hooks_.frontEnd) hooks_.frontEnd = (noFrontEnd_ = std::make_unique<NoLevelFrontEnd>()).get();
}

GameLevel::~GameLevel() {
    // The points take their pictures off the map, so they go first; the
    // map's characters and jobs then still reach the level's money as they go.
    points_.clear();
    map_.reset();
}

void GameLevel::SetPathFinder(std::unique_ptr<shpf::PathFinder> finder) {
    pathFinder_ = std::move(finder);
}

void GameLevel::ResetState() {
    points_.clear();
    pendingRebuilds_.clear();
    selectedPoint_ = -1;
    // Windows still open keep their reasons; the clock waits again and a
    // pending leave is over.
    for (uint32_t bit : {kPauseClockNotStarted, kPauseLeaving}) {
        pauseCounts_[ReasonIndex(bit)] = 0;
        pauseWord_ &= ~bit;
    }
    begun_ = clockRunning_ = ended_ = winPending_ = false;
    result_ = kLevelRunning;
    clockStop_ = 0;
    winDelayMs_ = levelTimeMs_ = 0;
    tickAccumulator_ = 0.0;
    for (SpeedTrack& t : tracks_)
        t.Clear();
    slots_ = {};
    reservedMoney_ = 0;
    goalProgress_ = {};
    highestValue_ = jobsDone_ = farmClicks_ = 0;
    musicTrack_ = 0;
    musicTimerMs_ = 0;
    Pause(kPauseClockNotStarted);
}

void GameLevel::StartUp() {
    ResetState();
    const LevelRecord& r = level_.record;
    for (uint32_t i = 0; i < level_.points.size(); ++i)
        CreatePoint(i, level_.points[i]);

    uint32_t warehouseLevels = 1;
    const uint32_t warehouseId = kis::NameId("warehouse");
    for (uint32_t i = 0; i < r.typeCount; ++i)
        if (r.types[i].id == warehouseId) warehouseLevels = r.types[i].count;
    world_->ResetStock(warehouseLevels);
    for (uint32_t i = 0; i < r.stockCount; ++i)
        world_->AddProduct(r.stock[i].id, r.stock[i].count);
    SetMoney(r.startMoney);
    world_->CreatePlayer(r.farmerX, r.farmerY);

    // Every chosen slot whose bonus the table has is in use; its first
    // recharge is the level's share of the bonus's recharge time (the level
    // table keeps the shares within 0..1).
    const uint32_t chosen = FrontEnd().ChosenBonusSlots();
    for (uint32_t s = 0; s < kBonusSlotCount; ++s) {
        BonusInfo info;
        if (!(chosen & (1u << s)) || !world_->GetBonus(s, &info)) continue;
        BonusSlot& slot = slots_[s];
        slot.inUse = true;
        slot.counterMs = static_cast<uint32_t>(r.bonusFactors[s] * static_cast<float>(info.rechargeMs));
        // A bonus without a recharge time is ready at once.
        slot.fraction =
            info.rechargeMs ? static_cast<float>(slot.counterMs) / static_cast<float>(info.rechargeMs) : 1.0f;
    }
    Panel().CreateBonusButtons();
    schedule_.Reset(level_);
    if (Tutorial().IsRunning()) Tutorial().GoToStartStep();
    if (!level_.info.empty()) Panel().OpenInfoWindow();
}

void GameLevel::Begin() {
    tickAccumulator_ = 0.0;
    if (pauseCounts_[ReasonIndex(kPauseLeaving)]) {
        pauseCounts_[ReasonIndex(kPauseLeaving)] = 1;
        Resume(kPauseLeaving);
    }
    // The sprites over the field show at once whether they can be used: the
    // level waits for its first click and runs no tick until then.
    Panel().RefreshScreenSprites();
    // A level continued from its save shows the page of the point it had
    // selected, as the click that selected it did (a tutorial's step may
    // point at a button there); else the panel's empty page.
    if (GetPoint(selectedPoint_))
        Panel().OnSelectionChanged(-1, selectedPoint_);
    else
        Panel().ShowEmptyPanel();
    for (uint32_t s = 0; s < kBonusSlotCount; ++s)
        if (slots_[s].inUse) Panel().UpdateBonusButton(s);
    if (level_.record.music[0]) {
        musicTrack_ = 0;
        StartMusic(level_.record.music);
    } else {
        if (musicTrack_ == 0) musicTrack_ = 1 + static_cast<uint32_t>(kis::Random(3));
        const std::u16string name = u"music_0" + std::u16string(1, static_cast<char16_t>(u'0' + musicTrack_));
        StartMusic(name.c_str());
    }
    // Smoke and dust that were going before the player looked are already
    // under way: the particles run 200 to 499 ticks ahead.
    world_->PreRunParticles(kParticlePreRunTicks + static_cast<uint32_t>(kis::Random(kParticlePreRunSpread)));
    Panel().UpdateTimeBar();
    for (uint32_t kind = kGoalMoney; kind <= kGoalGarbageSites; ++kind)
        UpdateGoals(kind);
    Panel().UpdateTaskButtons(-1);
    // A level continued from a save whose clock had started needs no first
    // click: "Click to start" goes, and the tutorial, which waits for the
    // clock, goes on at its saved step.
    if (clockRunning_) {
        Panel().StartTextFadeOut();
        Tutorial().Notify(TutorialEvent::ClockStarted, 0, {});
    }
    begun_ = true;
    if (!Panel().IsGameWindowActive() && !(pauseWord_ & (kPauseWindow | kPauseWarehouse)))
        Panel().ShowMenu(false);
    FrontEnd().EnableRecords(levelIndex_);
}

void GameLevel::StartClock() {
    if (clockRunning_ || ended_) return;
    clockRunning_ = true;
    Resume(kPauseClockNotStarted);
    Panel().StartTextFadeOut();
    Tutorial().Notify(TutorialEvent::ClockStarted, 0, {});
    // Goals met before the first click (stock sold from the warehouse
    // window) win only now that the clock runs.
    if (AllGoalsMet() && result_ == kLevelRunning) Win(kWinDelayMs);
}

void GameLevel::Pause(uint32_t reasons) {
    const bool was = pauseWord_ != 0;
    for (uint32_t i = 0; i < kPauseReasonCount; ++i) {
        if (!(reasons & (1u << i))) continue;
        ++pauseCounts_[i];
        pauseWord_ |= 1u << i;
    }
    if (was != (pauseWord_ != 0)) Panel().ApplyPause(pauseWord_ != 0);
}

void GameLevel::Resume(uint32_t reasons) {
    const bool was = pauseWord_ != 0;
    for (uint32_t i = 0; i < kPauseReasonCount; ++i) {
        if (!(reasons & (1u << i)) || pauseCounts_[i] == 0) continue;
        if (--pauseCounts_[i] == 0) pauseWord_ &= ~(1u << i);
    }
    if (was != (pauseWord_ != 0)) Panel().ApplyPause(pauseWord_ != 0);
}

uint32_t GameLevel::PauseCount(uint32_t reasonBit) const {
    return reasonBit && std::has_single_bit(reasonBit) && reasonBit < (1u << kPauseReasonCount)
               ? pauseCounts_[ReasonIndex(reasonBit)]
               : 0;
}

void GameLevel::OnWindowOpened(uint32_t windowId) {
    Pause(windowId == kWarehouseWindowId ? kPauseWarehouse : kPauseWindow);
}

void GameLevel::OnWindowClosed(uint32_t windowId) {
    Resume(windowId == kWarehouseWindowId ? kPauseWarehouse : kPauseWindow);
}

void GameLevel::OnWindowOpened(uint32_t, uint32_t reason) {
    Pause(reason & (kPauseWindow | kPauseWarehouse));
}

void GameLevel::OnWindowClosed(uint32_t, uint32_t reason) {
    Resume(reason & (kPauseWindow | kPauseWarehouse));
}

// ---------------------------------------------------------------- clock and ticks

uint32_t GameLevel::Update(uint32_t frameMs) {
    FlushRebuilds();
    if (pauseWord_ != 0 || ended_) return 0;
    const float scale = FrameSpeed();
    if (!(scale > 0.0f)) return 0;
    // The walks' route requests are served a slice of each frame.
    if (pathFinder_) pathFinder_->Update(kPathFinderBudgetUs);
    tickAccumulator_ += static_cast<double>(frameMs) * scale;
    uint32_t ticks = static_cast<uint32_t>(tickAccumulator_ / kLevelTickMs);
    if (ticks > kMaxTicksPerFrame) {
        // A frame longer than 200 ms of level time: the rest is dropped.
        ticks = kMaxTicksPerFrame;
        tickAccumulator_ = std::fmod(tickAccumulator_, static_cast<double>(kLevelTickMs));
    } else {
        tickAccumulator_ -= static_cast<double>(ticks) * kLevelTickMs;
    }
    for (uint32_t i = 0; i < ticks && !ended_ && pauseWord_ == 0; ++i)
        Tick();
    TickMusic(frameMs);
    return ticks;
}

void GameLevel::Tick() {
    world_->TickShots(kLevelTickMs);
    for (size_t i = 0; i < points_.size(); ++i)
        if (points_[i]) points_[i]->Update(kLevelTickMs);
    world_->TickCharacters(kLevelTickMs);
    // A repair job that ended without its work (the farmer stopped) gives
    // its point the button back.
    for (size_t i = 0; i < points_.size(); ++i)
        if (points_[i]) points_[i]->RefreshRepairButton(true);
    map_->Update(kLevelTickMs);
    if (level_.VillainsEnabled() && !IsBonusRunning(BonusKind::Bees) &&
        TutorialAllows(TutorialAction::Villains, 0, {}))
        schedule_.Tick(kLevelTickMs, *places_);
    TickBonuses(kLevelTickMs);
    FlushRebuilds();

    if (clockRunning_ && clockStop_ == 0)
        levelTimeMs_ = std::min(levelTimeMs_ + kLevelTickMs, kMaxLevelTimeMs);
    if (winPending_) {
        winDelayMs_ = winDelayMs_ > kLevelTickMs ? winDelayMs_ - kLevelTickMs : 0;
        if (winDelayMs_ == 0) EndWin();
    } else if (regime_ == 1 && result_ == kLevelRunning && levelTimeMs_ >= level_.Regime(regime_).bronzeMs) {
        // In the hard regime the level is lost when the last medal's time runs out.
        Lose();
    }
}

void GameLevel::TickBonuses(uint32_t ms) {
    for (uint32_t s = 0; s < kBonusSlotCount; ++s) {
        BonusSlot& slot = slots_[s];
        BonusInfo info;
        if (!slot.inUse || !world_->GetBonus(s, &info)) continue;
        if (slot.running) {
            slot.counterMs = slot.counterMs > ms ? slot.counterMs - ms : 0;
            slot.fraction = info.durationMs ? float(slot.counterMs) / float(info.durationMs) : 0.0f;
            if (slot.counterMs == 0) {
                slot.running = false;
                SetSpeedModifier(info.speedModifiers, false, kBonusModifierId + s);
            }
        } else if (slot.counterMs < info.rechargeMs) {
            slot.counterMs = std::min(slot.counterMs + ms, info.rechargeMs);
            slot.fraction = float(slot.counterMs) / float(info.rechargeMs);
        } else {
            continue;
        }
        Panel().UpdateBonusButton(s);
    }
}

void GameLevel::TickMusic(uint32_t ms) {
    if (musicTrack_ == 0 || !begun_) return;
    musicTimerMs_ += ms;
    if (musicTimerMs_ < kMusicTrackMs) return;
    musicTimerMs_ = 0;
    musicTrack_ = musicTrack_ % 3 + 1;
    const std::u16string name = u"music_0" + std::u16string(1, static_cast<char16_t>(u'0' + musicTrack_));
    StartMusic(name.c_str());
}

void GameLevel::StartMusic(const char16_t* name) {
    musicName_ = name;
    Panel().StartMusic(name);
}

// ---------------------------------------------------------------- speed tracks

void GameLevel::SetSpeedModifier(const float (&values)[kSpeedTrackCount], bool on, uint32_t id) {
    for (uint32_t t = 0; t < kSpeedTrackCount; ++t) {
        const float value = on ? values[t] : 0.0f;
        tracks_[t].Set(id, value);
        if (values[t] == 0.0f) continue;
        if (t == 2 || t == 3) {
            for (const auto& point : points_)
                if (point && point->SpeedGroup() == t) point->StartTrack(id, value);
        } else if (t == 0 || t == 5) {
            world_->SetPlayerSpeedModifier(t, id, value);
        }
    }
}

void GameLevel::ApplySpeedTrack(uint32_t group, BaseLevelPoint* point) {
    if (!point || group >= kSpeedTrackCount) return;
    for (const SpeedTrack::Entry& e : tracks_[group].Entries())
        point->StartTrack(e.id, e.value);
}

float GameLevel::FrameSpeed() const {
    return speed_ * tracks_[4].Value();
}

float GameLevel::GetSpeedFactor(uint32_t group) const {
    if (group >= kSpeedTrackCount) return 0.0f;
    return level_.record.speedRates[group] * tracks_[group].Value();
}

// ---------------------------------------------------------------- bonuses

bool GameLevel::IsBonusReady(uint32_t slot) const {
    BonusInfo info;
    return slot < kBonusSlotCount && slots_[slot].inUse && !slots_[slot].running &&
           world_->GetBonus(slot, &info) && slots_[slot].counterMs >= info.rechargeMs;
}

void GameLevel::ActivateBonus(uint32_t slot) {
    BonusInfo info;
    if (slot >= kBonusSlotCount || !slots_[slot].inUse || slots_[slot].running ||
        !world_->GetBonus(slot, &info))
        return;
    BonusSlot& active = slots_[slot];
    active.running = true;
    active.counterMs = info.durationMs;
    active.fraction = 1.0f;
    Panel().PlayLevelSound(kLevelSoundBonus, slot);
    SetSpeedModifier(info.speedModifiers, true, kBonusModifierId + slot);
    if (BonusInSlot(slot) == BonusKind::Bees) world_->AttackVillainsByBees();
    Panel().UpdateBonusButton(slot);

    for (uint32_t s = 0; s < kBonusSlotCount; ++s) {
        BonusSlot& other = slots_[s];
        BonusInfo otherInfo;
        if (s == slot || !other.inUse || other.running || !world_->GetBonus(s, &otherInfo)) continue;
        other.fraction = std::min(other.fraction + kBonusRechargeGain, 1.0f);
        other.counterMs = static_cast<uint32_t>(static_cast<float>(otherInfo.rechargeMs) * other.fraction);
        Panel().UpdateBonusButton(s);
    }

    const int32_t used = FrontEnd().GoalCounter(kAwardBonusesUsed);
    if (!(used & (1 << slot)))
        AddGoalProgress(kAwardBonusesUsed, used | (1 << slot), CounterUpdate::RaiseTo, GoalNotice::Show);
}

// ---------------------------------------------------------------- money and goals

void GameLevel::SetMoney(int32_t value) {
    money_.Set(value);
    money_.Listeners().Notify();
}

void GameLevel::AddMoney(int32_t amount, int32_t x, int32_t y, int32_t offset) {
    if (amount == 0) return;
    if (amount > 0) {
        money_.Add(amount);
        AddGoalProgress(kAwardMoneyEarned, amount, CounterUpdate::Add, GoalNotice::Show);
    } else {
        money_.Subtract(amount == INT32_MIN ? INT32_MAX : -amount);
    }
    Panel().ShowFlyingMoney({amount, x, y, offset});
    UpdateGoals(kGoalMoney);
}

void GameLevel::AddReservedMoney(int32_t delta) {
    reservedMoney_ = std::max(reservedMoney_ + delta, 0);
}

void GameLevel::AddAwardCount(uint32_t award, int32_t n) {
    if (FrontEnd().AddAwardCount(award, n)) {
        Panel().ShowAwardNotice(award);
        FrontEnd().CheckFinalAward();
    }
}

void GameLevel::AddGoalProgress(uint32_t kind, int32_t amount, CounterUpdate update, GoalNotice notice) {
    if (FrontEnd().AddGoalProgress(kind, amount, update == CounterUpdate::Add) && notice == GoalNotice::Show)
        Panel().ShowGoalNotice(kind);
    FrontEnd().CheckFinalAward();
}

void GameLevel::RaiseHighestValue(int32_t n, bool animated) {
    if (n <= highestValue_) return;
    highestValue_ = n;
    AddGoalProgress(kAwardHighestValue, n, CounterUpdate::RaiseTo,
                    animated ? GoalNotice::Show : GoalNotice::Quiet);
}

void GameLevel::ResetVillainsInARow() {
    FrontEnd().SetVillainsInARow(0);
}

void GameLevel::RaiseVillainsInARow() {
    const int32_t n = FrontEnd().VillainsInARow() + 1;
    FrontEnd().SetVillainsInARow(n);
    AddGoalProgress(kAwardVillainsInARow, n, CounterUpdate::RaiseTo, GoalNotice::Show);
}

void GameLevel::CountJobDone() {
    if (ended_ || jobsDone_ >= kMaxLevelTicks) return;
    ++jobsDone_;
    AddGoalProgress(kAwardJobsInLevel, jobsDone_, CounterUpdate::RaiseTo, GoalNotice::Show);
}

int32_t GameLevel::ClickRate() const {
    if (levelTimeMs_ == 0) return 0;
    return int32_t(std::min<int64_t>(int64_t(farmClicks_) * 1000000 / levelTimeMs_, INT32_MAX));
}

const GoalRecord* GameLevel::GetGoal(uint32_t i) const {
    const RegimeBlock& regime = level_.Regime(regime_);
    return i < regime.goalCount ? &regime.goals[i] : nullptr;
}

int32_t GameLevel::CountGoal(const GoalRecord& goal) const {
    switch (goal.kind) {
    case kGoalMoney:
        return money_.Get();
    case kGoalProduct:
        return static_cast<int32_t>(world_->ProductCount(goal.objectId));
    case kGoalPlant:
    case kGoalBuilding: {
        // The warehouse is a building of its type too.
        auto counted = [&goal](uint32_t kind) {
            return goal.kind == kGoalPlant ? kind == kPointPlant
                                           : kind == kPointBuilding || kind == kPointWarehouse;
        };
        int32_t n = 0;
        for (const auto& p : points_)
            n += p && !p->IsBeingRemoved() && counted(p->Kind()) && p->ObjectId() == goal.objectId &&
                 p->Stage() >= static_cast<int32_t>(goal.stage);
        return n;
    }
    case kGoalGarbageSites: {
        int32_t n = 0;
        for (size_t i = 0; i < level_.points.size() && i < points_.size(); ++i) {
            const PointRecord& def = level_.points[i];
            const BaseLevelPoint* p = points_[i].get();
            if (def.kind == kPointEmptySite && def.objectId != 0 && p)
                n += p->Kind() != kPointEmptySite || p->ObjectId() == 0;
        }
        return n;
    }
    default:
        return 0;
    }
}

void GameLevel::UpdateGoals(uint32_t kind) {
    const RegimeBlock& regime = level_.Regime(regime_);
    for (uint32_t i = 0; i < regime.goalCount; ++i) {
        const GoalRecord& goal = regime.goals[i];
        if (goal.kind != kind) continue;
        const int32_t progress = CountGoal(goal);
        if (progress != goalProgress_[i]) {
            goalProgress_[i] = progress;
            Panel().UpdateTaskButtons(static_cast<int32_t>(i));
        }
    }
    // No win before the clock runs: a level is never won in no time at all.
    // StartClock looks at the goals again.
    if (clockRunning_ && AllGoalsMet() && result_ == kLevelRunning) Win(kWinDelayMs);
}

bool GameLevel::AllGoalsMet() const {
    const RegimeBlock& regime = level_.Regime(regime_);
    if (regime.goalCount == 0) return false;
    for (uint32_t i = 0; i < regime.goalCount; ++i)
        if (goalProgress_[i] < static_cast<int32_t>(regime.goals[i].target)) return false;
    return true;
}

// ---------------------------------------------------------------- the end of a level

uint32_t GameLevel::Grade() const {
    // The hard regime loses the level as the clock reaches the bronze time,
    // which the times below would still count as bronze.
    if (result_ == kLevelLost) return kGradeFailed;
    const RegimeBlock& r = level_.Regime(regime_);
    return GradeForTime(int32_t(regime_), levelTimeMs_, r.bronzeMs, r.silverMs, r.goldMs);
}

void GameLevel::Win(uint32_t delayMs) {
    if (ended_ || result_ != kLevelRunning) return;
    Tutorial().Finish();
    Panel().UpdateTimeBar();
    result_ = kLevelWon;
    winDelayMs_ = delayMs;
    winPending_ = true;
    clockStop_ |= kClockStopWon;
    if (delayMs == 0) EndWin();
}

void GameLevel::EndWin(WinShown shown) {
    if (ended_) return;
    winPending_ = false;
    winDelayMs_ = 0;
    ended_ = true;
    LogLabelPrintf(0,
                   "Level won:", "level %u, regime %u, %u ms, grade %u, %d jobs done, %d clicks on the farm",
                   levelIndex_ + 1, regime_, levelTimeMs_, Grade(), jobsDone_, farmClicks_);
    const bool onScreen = shown == WinShown::OnScreen;
    const GoalNotice notice = onScreen ? GoalNotice::Show : GoalNotice::Quiet;
    if (onScreen) Panel().PlayLevelSound(kLevelSoundWon, 0);
    // The goals of the win itself go into the profile that the result saves.
    AddGoalProgress(kAwardFirstWin, 1, CounterUpdate::RaiseTo, notice);
    AddGoalProgress(kAwardClickRate, ClickRate(), CounterUpdate::RaiseTo, notice);
    LevelResult result{};
    FrontEnd().StoreLevelResult(*this, result); // the records line goes to the disk with the profile
    if (onScreen) Panel().OpenResultWindow(result);
    const int64_t value = std::min<int64_t>(world_->StockValue(), INT32_MAX);
    if (value > 0)
        AddGoalProgress(kAwardMoneyEarned, static_cast<int32_t>(value), CounterUpdate::Add, notice);
}

void GameLevel::StorePendingWin() {
    if (winPending_) EndWin(WinShown::StoredOnly);
}

void GameLevel::Lose() {
    if (ended_ || result_ != kLevelRunning) return;
    Tutorial().Finish();
    Panel().UpdateTimeBar();
    result_ = kLevelLost;
    clockStop_ |= kClockStopLost;
    ended_ = true;
    LogLabelPrintf(0, "Level lost:", "level %u, regime %u, %u ms", levelIndex_ + 1, regime_, levelTimeMs_);
    // An ended level keeps no saved game (a win's result drops it): a game
    // saved before the loss would only lead to the same loss again, whichever
    // way the player leaves the level now.
    FrontEnd().DeleteSavedGame(regime_, levelIndex_);
    Panel().OpenGameOverDialog();
}

void GameLevel::Leave() {
    FlushRebuilds();
    Pause(kPauseLeaving);
    // An unfinished level is saved as the player left it, before play stops:
    // the farmer's queue and the points' work go on from there.
    SaveToProfile();
    world_->StopCharacters();
    for (const auto& point : points_)
        if (point) point->Stop();
    // A win still in its delay is finished now, so its result is stored.
    if (winPending_) EndWin();
    if (result_ == kLevelWon) Panel().FadeOutWonSound(250);
    // A level that has ended, lost as well as won, goes on to its comic.
    if (ended_ || result_ == kLevelWon) {
        const uint32_t comic = ComicAfterLevel(levelIndex_);
        if (comic && FrontEnd().ShowComic(comic)) return;
    }
    FrontEnd().GoToMap();
}

// ---------------------------------------------------------------- points

BaseLevelPoint* GameLevel::GetPoint(int32_t index) const {
    return index >= 0 && static_cast<size_t>(index) < points_.size() ? points_[size_t(index)].get() : nullptr;
}

bool GameLevel::PointExists(int32_t index) const {
    const BaseLevelPoint* p = GetPoint(index);
    return p && !p->IsBeingRemoved();
}

void GameLevel::ClickPoint(int32_t index) {
    if (BaseLevelPoint* p = GetPoint(index); p && !p->IsBeingRemoved()) p->OnClick();
}

BaseLevelPoint* GameLevel::GetLivePoint(int32_t index) const {
    BaseLevelPoint* p = GetPoint(index);
    return p && !p->IsBeingRemoved() && p->AcceptsWork() ? p : nullptr;
}

BaseLevelPoint* GameLevel::ChooseShotTarget(int32_t x, int32_t y) const {
    BaseLevelPoint* far[kMaxLevelPoints];
    BaseLevelPoint* near[kMaxLevelPoints];
    int32_t farCount = 0, nearCount = 0;
    for (size_t i = 0; i < points_.size() && i < kMaxLevelPoints; ++i) {
        BaseLevelPoint* p = GetLivePoint(static_cast<int32_t>(i));
        if (!p) continue;
        const float dx = float(p->X() - x), dy = float(p->Y() - y);
        if (std::sqrt(dx * dx + dy * dy) >= kFarShotDistance)
            far[farCount++] = p;
        else
            near[nearCount++] = p;
    }
    if (farCount) return far[kis::Random(farCount)];
    if (nearCount) return near[kis::Random(nearCount)];
    return nullptr;
}

BaseLevelPoint* GameLevel::CreatePoint(uint32_t index, const PointRecord& record) {
    if (index >= kMaxLevelPoints) return nullptr;
    if (points_.size() <= index) points_.resize(index + 1);
    // The farm's points take the place of this plain point as they come.
    if (selectedPoint_ == static_cast<int32_t>(index)) SelectPoint(-1, false);
    std::unique_ptr<BaseLevelPoint> point;
    if (const PointMaker* maker = GetPointMaker(record.kind)) point = (*maker)(index, record);
    if (!point && record.kind == kPointEmptySite) point = std::make_unique<EmptyLevelPoint>(index);
    if (!point) point = std::make_unique<LevelPoint>(index, record.kind);
    // The new point takes its place before it is set up, so that what its
    // setting up tells (the tutorial hears of a new site) finds it by its
    // index; the old one lives until the new one is ready.
    std::unique_ptr<BaseLevelPoint> old = std::move(points_[index]);
    if (old) old->OnDetach();
    BaseLevelPoint* made = point.get();
    made->Attach(this);
    points_[index] = std::move(point);
    made->Setup(record);
    made->Init();
    if (begun_) made->OnLevelBegun();
    return made;
}

void GameLevel::SelectPoint(int32_t index, bool sound) {
    if (!GetPoint(index)) index = -1;
    const int32_t old = selectedPoint_;
    selectedPoint_ = index;
    if (old != index) {
        Panel().OnSelectionChanged(old, index);
        if (const BaseLevelPoint* point = GetPoint(index))
            LogLabelPrintf(kLogIndent, "Point selected", "point %d (kind %u)", index, point->Kind());
    }
    Tutorial().Notify(TutorialEvent::PointSelected, uint32_t(index),
                      TutorialObject::Of<BaseLevelPoint>(GetPoint(index)));
    if (sound) Panel().PlayLevelSound(kLevelSoundSelect, 0);
}

void GameLevel::ResetSelection(const BaseLevelPoint* keep) {
    BaseLevelPoint* selected = GetPoint(selectedPoint_);
    if (selected && selected != keep) SelectPoint(-1, false);
}

bool GameLevel::RebuildPoint(uint32_t index) {
    if (index >= level_.points.size()) return false;
    auto same = [index](const auto& e) { return e.first == index; };
    if (std::find_if(pendingRebuilds_.begin(), pendingRebuilds_.end(), same) == pendingRebuilds_.end())
        pendingRebuilds_.push_back({index, level_.points[index]});
    return true;
}

void GameLevel::FlushRebuilds() {
    while (!pendingRebuilds_.empty()) {
        const auto [index, record] = pendingRebuilds_.front();
        pendingRebuilds_.erase(pendingRebuilds_.begin());
        CreatePoint(index, record);
    }
}

int32_t GameLevel::HighestStage(uint32_t kind, uint32_t objectId) const {
    if (kind != kPointWarehouse && kind != kPointPlant && kind != kPointBuilding) return 0;
    const LevelRecord& r = level_.record;
    const IdCount* list = kind == kPointPlant ? r.plants : r.types;
    const uint32_t count = kind == kPointPlant ? r.plantCount : r.typeCount;
    for (uint32_t k = 0; k < count; ++k)
        if (list[k].id == objectId) return static_cast<int32_t>(list[k].count);
    return 0;
}

void GameLevel::StopJobsAt(int32_t index) {
    MapPlayer* player = world_->Player();
    if (!player) return;
    for (int32_t i = 0; i < player->JobCount(); ++i) {
        Job* job = player->GetJob(i);
        if (job->TargetPoint() == index && !job->IsFinished()) job->Stop();
    }
}

void GameLevel::PullDownPoint(int32_t index) {
    BaseLevelPoint* point = GetPoint(index);
    if (!point || index == 0 || point->IsBeingRemoved()) return;
    point->RequestRemove(/*animated=*/true, /*forGood=*/true, 0);
    PointRecord site{};
    site.kind = kPointEmptySite;
    site.x = point->X();
    site.y = point->Y();
    site.flags = point->IsMirrored() ? 1u : 0u;
    // The point's own job may be the caller: the site replaces it later.
    pendingRebuilds_.push_back({static_cast<uint32_t>(index), site});
    UpdateGoals(point->Kind() == kPointPlant ? kGoalPlant : kGoalBuilding);
}

uint32_t GameLevel::PutToWarehouse(uint32_t productId, uint32_t units, GameMessager* throttle, int32_t award,
                                   int32_t x, int32_t y, int32_t offset) {
    const uint32_t room = world_->ProductRoom(productId);
    // The notice is posted under the product's number; the throttle holds the same id.
    const uint32_t notice = kWarehouseFullMessage + world_->ProductNumber(productId);
    if (room < units && (!throttle || throttle->CanShow(notice))) Panel().ShowWarehouseFull(productId);
    if (room < 1) return 0;
    const uint32_t stored = world_->AddProduct(productId, units);
    const uint32_t sold = units - std::min(stored, units);
    if (sold > 0) {
        const int64_t price = int64_t(sold) * std::max(world_->ProductPrice(productId), 0);
        AddMoney(static_cast<int32_t>(std::min<int64_t>(price, kMaxMoney)), x, y, offset);
    }
    if (award >= 0 && stored > 0) AddAwardCount(static_cast<uint32_t>(award), static_cast<int32_t>(stored));
    // The product goals heard of the stored units from the stock itself.
    Panel().PlayLevelSound(kLevelSoundStore, 0);
    return stored;
}

// ---------------------------------------------------------------- view, input, drawing

void GameLevel::OnScreenSizeChanged(int32_t width, int32_t height) {
    screenWidth_ = std::max(width, 1);
    screenHeight_ = std::max(height, kLevelPanelHeight + 1);
    const float areaW = float(screenWidth_), areaH = float(screenHeight_ - kLevelPanelHeight);
    const float fieldW = float(std::max<uint32_t>(level_.record.fieldWidth, 1));
    const float fieldH = float(std::max<uint32_t>(level_.record.fieldHeight, 1));
    // The whole field shows at the largest scale that fits: smaller screens
    // see it shrunk, larger ones enlarged; what the field's shape leaves of
    // the area on two sides is ground (Draw).
    fieldScale_ = std::min(areaW / fieldW, areaH / fieldH);
    fieldScaled_ = fieldScale_ != 1.0f;
    originX_ = std::floor((areaW - fieldW * fieldScale_) / 2.0f);
    originY_ = std::floor((areaH - fieldH * fieldScale_) / 2.0f);
    Panel().OnScreenSizeChanged(width, height);
}

void GameLevel::FieldToScreen(float x, float y, float* sx, float* sy) const {
    *sx = originX_ + x * fieldScale_;
    *sy = originY_ + y * fieldScale_;
}

void GameLevel::ScreenToField(float sx, float sy, float* x, float* y) const {
    *x = (sx - originX_) / fieldScale_;
    *y = (sy - originY_) / fieldScale_;
}

void GameLevel::ScreenCentre(float* x, float* y) const {
    ScreenToField(float(screenWidth_) / 2.0f, float(screenHeight_ - kLevelPanelHeight) / 2.0f, x, y);
}

int32_t GameLevel::PointAt(float x, float y, const MapObject** picture) {
    if (picture) *picture = nullptr;
    // The screen pixel under the pointer shows what its centre shows, else
    // the rim of a picture whose edge crosses it (a thin rail's soft side).
    const float half = 0.5f / fieldScale_;
    const float edges[4][2] = {{0.0f, -half}, {0.0f, half}, {-half, 0.0f}, {half, 0.0f}};
    const MapObject* object = map_->PointPictureAt(x, y);
    for (const auto& edge : edges)
        if (!object) object = map_->PointPictureAt(x + edge[0], y + edge[1]);
    if (object) {
        const BaseLevelPoint* owner = GetPoint(object->GetPointIndex());
        if (!owner || owner->IsBeingRemoved()) return -1;
        if (picture) *picture = object;
        return object->GetPointIndex();
    }
    // Grass beside a picture is grass: only a point with no picture on the
    // map (its sprites missing) is found by its place.
    int32_t best = -1;
    float bestDistance = kPointClickRadius;
    for (size_t i = 0; i < points_.size(); ++i) {
        const BaseLevelPoint* p = points_[i].get();
        if (!p || p->IsBeingRemoved() || map_->HasPointPicture(int32_t(i))) continue;
        float px, py;
        p->GetPosition(&px, &py);
        const float d = std::hypot(px - x, py - y);
        if (d <= bestDistance) {
            bestDistance = d;
            best = static_cast<int32_t>(i);
        }
    }
    return best;
}

int32_t GameLevel::PointOnScreen(int32_t sx, int32_t sy, const MapObject** picture) {
    if (picture) *picture = nullptr;
    // A point's marks over the field lie in front of every picture.
    const int32_t marked = Panel().PointMarkAt(sx, sy);
    if (const BaseLevelPoint* point = GetPoint(marked); point && !point->IsBeingRemoved()) return marked;
    float x, y;
    ScreenToField(float(sx), float(sy), &x, &y);
    return PointAt(x, y, picture);
}

bool GameLevel::OnMouse(int32_t sx, int32_t sy, uint32_t button, bool down) {
    bool taken = false;
    return OffersFieldPress(sx, sy, button, down, &taken) ? OnFieldPress(sx, sy) : taken;
}

bool GameLevel::OffersFieldPress(int32_t sx, int32_t sy, uint32_t button, bool down, bool* taken) {
    *taken = false;
    // A press on the farm above the panel, its field or a button over it,
    // counts towards the level's click rate while the clock runs.
    if (button == kLevelMouseLeft && down && clockRunning_ && !ended_ && !IsPausedExcept(0) &&
        sy < screenHeight_ - kLevelPanelHeight && farmClicks_ < kMaxFarmClicks)
        ++farmClicks_;
    float x, y;
    ScreenToField(float(sx), float(sy), &x, &y);
    // A press on a flying shot is the shot's, not the button it flies over
    // (shots aim at the points the buttons stand over).
    const bool onShot = button == kLevelMouseLeft && down && clockRunning_ && world_->ShotUnder(x, y);
    if (!onShot && Panel().RouteMouseToScreenSprites(sx, sy, button, down)) {
        *taken = true;
        return false;
    }
    mouseInField_ = sy < screenHeight_ - kLevelPanelHeight && x >= 0.0f && y >= 0.0f &&
                    x < float(level_.record.fieldWidth) && y < float(level_.record.fieldHeight);
    mouseFieldX_ = x, mouseFieldY_ = y;
    return mouseInField_ && button == kLevelMouseLeft && down && !ended_;
}

bool GameLevel::OnFieldPress(int32_t sx, int32_t sy) {
    if (ended_) return false;
    float x, y;
    ScreenToField(float(sx), float(sy), &x, &y);
    // A tutorial that holds the level still lets the player pick what its
    // step asks for (a shot in flight, a villain): the world asks it about
    // each figure. Any other pause takes no clicks on the field.
    const bool held = IsPausedExcept(kPauseClockNotStarted);
    if (held && IsPausedExcept(kPauseClockNotStarted | kPauseTutorial)) return false;
    if (clockRunning_ && world_->ClickFieldObject(x, y)) return true;
    if (held) return false;
    // "Click to start" means any click on the field: the grass starts the
    // clock as a point does.
    StartClock();
    const MapObject* picture = nullptr;
    const int32_t index = PointOnScreen(sx, sy, &picture);
    if (index < 0) {
        if (TutorialAllows(TutorialAction::SelectHovered, uint32_t(-1), {})) ResetSelection(nullptr);
        return false;
    }
    // The tutorial, which starts with the clock, may hold the point.
    if (MayClickPoint(index, dynamic_cast<const SpriteObject*>(picture))) ClickPoint(index);
    return true;
}

void GameLevel::PickPoint(int32_t index) {
    if (!ended_ && MayClickPoint(index, nullptr)) ClickPoint(index);
}

bool GameLevel::MayClickPoint(int32_t index, const SpriteObject* picture) {
    const BaseLevelPoint* point = GetPoint(index);
    if (!point) return false;
    if (const SpriteObject* object = picture ? picture : point->PickedObject();
        object &&
        TutorialAllows(TutorialAction::PickObject, object->Kind(), TutorialObject::Of<SpriteObject>(object)))
        return true;
    const auto data = TutorialObject::Of<BaseLevelPoint>(point);
    return TutorialAllows(TutorialAction::HoverPoint, uint32_t(index), data) &&
           TutorialAllows(TutorialAction::SelectHovered, uint32_t(index), data);
}

bool GameLevel::OnKey(uint32_t key, bool down) {
    if (key == platform::kDikEscape && down && !ended_) {
        ShowMenu(true);
        return true;
    }
    return false;
}

void GameLevel::DrawGroundAround(DXLViewer& viewer) {
    if (!ground_) return;
    // The picture is drawn half a texel up and left of its place, so its
    // right and bottom edges fall short of the field's: the copies there are
    // mirrored a little inside the field, under its edge.
    const float farW = float(level_.record.fieldWidth) - kGroundEdgeOverlap;
    const float farH = float(level_.record.fieldHeight) - kGroundEdgeOverlap;
    const float areaW = float(screenWidth_), areaH = float(screenHeight_ - kLevelPanelHeight);
    // Which sides of the field fall short of the area's edges: before (left,
    // top) and after (right, bottom).
    const bool shortX[2] = {originX_ > 0.0f, originX_ + farW * fieldScale_ < areaW};
    const bool shortY[2] = {originY_ > 0.0f, originY_ + farH * fieldScale_ < areaH};
    // The ground picture mirrored across each such edge (and across both
    // at a corner between two): its edges meet the field's own without a
    // seam. The field's shape leaves room on two opposite sides only, each
    // narrower than the field, so one mirrored picture covers each.
    DXLMatrix field;
    viewer.GetTransform(&field);
    for (int32_t i = -1; i <= 1; ++i) {
        for (int32_t j = -1; j <= 1; ++j) {
            if ((i == 0 && j == 0) || (i != 0 && !shortX[i > 0]) || (j != 0 && !shortY[j > 0])) continue;
            viewer.SetTransform(&field);
            viewer.Translate(i > 0 ? 2.0f * farW : 0.0f, j > 0 ? 2.0f * farH : 0.0f);
            viewer.Scale2(i != 0 ? -1.0f : 1.0f, j != 0 ? -1.0f : 1.0f);
            ground_->Draw(viewer);
        }
    }
    viewer.SetTransform(&field);
    viewer.ApplyTransform();
}

void GameLevel::Draw(DXLViewer& viewer) {
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(originX_, originY_);
    if (fieldScaled_) viewer.Scale2(fieldScale_, fieldScale_);
    viewer.ApplyTransform();
    DrawGroundAround(viewer);
    // The figure under a resting pointer lights up as it is drawn (a flying
    // shot, a villain and its catapult): the one a click there would take.
    world_->HoverFieldObject(mouseInField_, mouseFieldX_, mouseFieldY_);
    map_->Draw(viewer);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
    Panel().DrawScreenSprites(viewer);
    Panel().DrawPanelAndWindows(viewer);
}

// ---------------------------------------------------------------- saved games

namespace {

// The stream's header block: what it is and which level it belongs to.
struct SaveHeader {
    uint32_t magic;  // kLevelSaveMagic
    uint32_t format; // kLevelSaveFormat
    uint32_t levelIndex;
    uint32_t regime;
    uint32_t pointCount;
};
constexpr auto kHeaderLayout =
    kis::Layout(kHeaderSize, kis::Field<&SaveHeader::magic>(4), kis::Field<&SaveHeader::format>(8),
                kis::Field<&SaveHeader::levelIndex>(12), kis::Field<&SaveHeader::regime>(16),
                kis::Field<&SaveHeader::pointCount>(20));

// A bonus slot in the level block.
struct SlotRecord {
    uint32_t flags; // kSlotInUse, kSlotRunning
    uint32_t counterMs;
};
constexpr auto kSlotLayout =
    kis::Layout(8, kis::Field<&SlotRecord::flags>(0), kis::Field<&SlotRecord::counterMs>(4));

// The level's own block.
struct LevelBlock {
    uint32_t timeMs;
    uint32_t flags; // kLevelFlagClockStarted
    int32_t money;
    int32_t reserved; // money the farmer's jobs hold
    std::array<int32_t, kMaxLevelGoals> goalProgress;
    int32_t highestValue;
    int32_t jobsDone;
    int32_t farmClicks;
    std::array<SlotRecord, kBonusSlotCount> slots;
    uint32_t musicTrack; // 0..3
};
constexpr auto kLevelBlockLayout =
    kis::Layout(kLevelBlockSize, kis::Field<&LevelBlock::timeMs>(4), kis::Field<&LevelBlock::flags>(8),
                kis::Field<&LevelBlock::money>(12), kis::Field<&LevelBlock::reserved>(16),
                kis::Field<&LevelBlock::goalProgress>(20), kis::Field<&LevelBlock::highestValue>(32),
                kis::Field<&LevelBlock::jobsDone>(36), kis::Field<&LevelBlock::farmClicks>(40),
                kis::Field<&LevelBlock::slots, kSlotLayout>(44), kis::Field<&LevelBlock::musicTrack>(92));

// A point's record block: the point as a definition would give it.
constexpr auto kPointRecordLayout = kis::Layout(
    kPointRecordBlockSize, kis::Field<&PointRecord::kind>(4), kis::Field<&PointRecord::stage>(8),
    kis::Field<&PointRecord::objectId>(12), kis::Field<&PointRecord::value>(16),
    kis::Field<&PointRecord::water>(20), kis::Field<&PointRecord::waterMax>(24),
    kis::Field<&PointRecord::x>(28), kis::Field<&PointRecord::y>(32), kis::Field<&PointRecord::flags>(36));

} // namespace

std::unique_ptr<SaveBuffer> GameLevel::Save() const {
    if (ended_ || result_ != kLevelRunning) return nullptr;
    SaveWriter out;
    PutBlock(
        out, kHeaderLayout,
        {kLevelSaveMagic, kLevelSaveFormat, levelIndex_, regime_, static_cast<uint32_t>(points_.size())});

    LevelBlock block{};
    block.timeMs = levelTimeMs_;
    block.flags = clockRunning_ ? kLevelFlagClockStarted : 0;
    block.money = money_.Get();
    block.reserved = reservedMoney_;
    block.goalProgress = goalProgress_;
    block.highestValue = highestValue_;
    block.jobsDone = jobsDone_;
    block.farmClicks = farmClicks_;
    for (size_t s = 0; s < slots_.size(); ++s) {
        const BonusSlot& slot = slots_[s];
        block.slots[s] = {(slot.inUse ? kSlotInUse : 0) | (slot.running ? kSlotRunning : 0), slot.counterMs};
    }
    block.musicTrack = musicTrack_;
    PutBlock(out, kLevelBlockLayout, block);

    world_->SaveStock(out);
    for (const auto& point : points_) {
        PointRecord record;
        point->GetInfo(&record);
        PutBlock(out, kPointRecordLayout, record);
        point->SaveBase(out);
        point->SaveOwn(out);
    }
    for (const auto& point : points_)
        point->SaveSecondPass(out);
    for (const auto& point : points_)
        point->SaveDamage(out);
    world_->SavePlayer(out);
    schedule_.Save(out);
    world_->SaveVillains(out);

    const bool tutorial = Tutorial().IsRunning() && Tutorial().IsSavedWithLevel();
    out.PutU32(tutorial ? 1 : 0);
    if (tutorial) Tutorial().Save(out);
    if (out.Failed()) return nullptr;
    return out.Finish();
}

void GameLevel::SaveToProfile() {
    if (ended_ || result_ != kLevelRunning || points_.empty()) return;
    if (std::unique_ptr<SaveBuffer> saved = Save())
        FrontEnd().StoreSavedGame(regime_, levelIndex_, std::move(saved));
}

bool GameLevel::Load(std::span<const uint8_t> bytes, std::string* why) {
    std::string reason;
    SaveReader in(bytes);
    if (LoadStream(in, &reason) && in.AtEnd()) return true;
    if (reason.empty()) reason = in.Failed() ? "a block or count does not fit" : "bytes after the end";
    LogErrorPrintf(0, "The saved game of level %u is refused (%s); the level starts afresh.", levelIndex_ + 1,
                   reason.c_str());
    if (why) *why = reason;
    StartUp();
    return false;
}

bool GameLevel::LoadStream(SaveReader& in, std::string* why) {
    SaveHeader header{};
    if (!GetBlock(in, kHeaderLayout, &header) || header.magic != kLevelSaveMagic ||
        header.format != kLevelSaveFormat)
        return Refuse(why, "not a level save");
    if (header.levelIndex != levelIndex_ || header.regime != regime_ ||
        header.pointCount != level_.points.size())
        return Refuse(why, "saved for another level or regime");
    int32_t savedReserve = 0;
    if (!LoadLevelBlock(in, &savedReserve)) return Refuse(why, "level block");
    if (!world_->LoadStock(in) || in.Failed()) return Refuse(why, "stock");
    if (!LoadPoints(in)) return Refuse(why, "points");
    if (!world_->LoadPlayer(in) || in.Failed()) return Refuse(why, "farmer");
    for (const auto& point : points_)
        if (!point->FitsLoadedJobs()) return Refuse(why, "a point does not fit the farmer's jobs");
    // With the farmer's jobs known, a damaged point without its repair
    // ordered shows its button at once.
    for (const auto& point : points_)
        point->RefreshRepairButton(false);
    if (!schedule_.Load(in)) return Refuse(why, "villain schedule");
    if (!world_->LoadVillains(in, level_.record.placeCount) || in.Failed()) return Refuse(why, "villains");
    // The jobs rebuilt with the characters reserved their money again.
    if (reservedMoney_ != savedReserve) return Refuse(why, "reserved money differs from the jobs'");

    const uint32_t tutorialFlag = in.ReadU32();
    if (in.Failed() || tutorialFlag > 1) return Refuse(why, "tutorial flag");
    if (tutorialFlag == 1) {
        if (!Tutorial().Load(in)) return Refuse(why, "tutorial");
    } else {
        Tutorial().Drop();
    }
    return true;
}

bool GameLevel::LoadLevelBlock(SaveReader& in, int32_t* savedReserve) {
    LevelBlock block{};
    if (!GetBlock(in, kLevelBlockLayout, &block)) return false;
    const uint32_t time = block.timeMs;
    const uint32_t flags = block.flags;
    const int32_t money = block.money;
    const int32_t reserve = block.reserved;
    const std::array<int32_t, kMaxLevelGoals>& progress = block.goalProgress;
    const int32_t highest = block.highestValue;
    const int32_t jobsDone = block.jobsDone;
    const int32_t farmClicks = block.farmClicks;
    std::array<BonusSlot, kBonusSlotCount> slots{};
    for (uint32_t s = 0; s < kBonusSlotCount; ++s) {
        const uint32_t slotFlags = block.slots[s].flags;
        const uint32_t counter = block.slots[s].counterMs;
        BonusInfo info;
        const bool inUse = slotFlags & kSlotInUse, running = slotFlags & kSlotRunning;
        if (slotFlags > 3 || (running && !inUse) || (inUse && !world_->GetBonus(s, &info))) return false;
        if (inUse && counter > (running ? info.durationMs : info.rechargeMs)) return false;
        slots[s] = {inUse, running, counter, 0.0f};
        if (inUse) {
            const uint32_t whole = running ? info.durationMs : info.rechargeMs;
            slots[s].fraction = whole ? float(counter) / float(whole) : 0.0f;
        }
    }
    const uint32_t music = block.musicTrack;
    if (flags > (kLevelFlagClockStarted | kLevelFlagSideStep) || money < 0 || reserve < 0 ||
        money > kMaxMoney || reserve > kMaxMoney - money || music > 3 || highest < 0 ||
        highest > kMaxProducedInARun || jobsDone < 0 || jobsDone > kMaxLevelTicks || farmClicks < 0 ||
        farmClicks > kMaxFarmClicks ||
        // No goal counts more than the money a level holds (stock units, points and sites are fewer).
        std::any_of(progress.begin(), progress.end(), [](int32_t p) { return p < 0 || p > kMaxMoney; }))
        return false;
    // The clock stops at its last second. (A hard level's time past its
    // bronze time is reachable under other medal times: it is lost at once.)
    if (time > kMaxLevelTimeMs) return false;

    levelTimeMs_ = time;
    clockRunning_ = flags & kLevelFlagClockStarted;
    if (clockRunning_) Resume(kPauseClockNotStarted);
    // The jobs take their reservations again as they are rebuilt.
    SetMoney(money + reserve);
    reservedMoney_ = 0;
    *savedReserve = reserve;
    goalProgress_ = progress;
    highestValue_ = highest;
    jobsDone_ = jobsDone;
    farmClicks_ = farmClicks;
    slots_ = slots;
    for (uint32_t s = 0; s < kBonusSlotCount; ++s) {
        BonusInfo info;
        if (slots_[s].running && world_->GetBonus(s, &info))
            SetSpeedModifier(info.speedModifiers, true, kBonusModifierId + s);
    }
    musicTrack_ = music;
    return true;
}

bool GameLevel::LoadPoints(SaveReader& in) {
    const LevelRecord& r = level_.record;
    const uint32_t warehouseId = kis::NameId("warehouse");
    for (uint32_t i = 0; i < level_.points.size(); ++i) {
        PointRecord p;
        if (!GetBlock(in, kPointRecordLayout, &p)) return false;
        // The same rules as a definition, except that a bought point may wait
        // at stage 0 for its job.
        if (p.kind > kPointBuilding || (i == 0) != (p.kind == kPointWarehouse)) return false;
        // No point ever moves: one elsewhere than the level puts it could
        // stand off the field, out of every reach and goal.
        const PointRecord& defined = level_.points[i];
        if (p.x != defined.x || p.y != defined.y || (p.flags & ~kPointFlagMirrored)) return false;
        if (p.kind == kPointEmptySite) {
            // A site is clean (cleared, or left by a building pulled down) or
            // still holds the garbage the level put there, at its price.
            const bool clean = p.objectId == 0 && p.Price() == 0;
            const bool asDefined = defined.kind == kPointEmptySite && p.objectId == defined.objectId &&
                                   p.Price() == defined.Price();
            if (p.stage != 0 || !(clean || asDefined)) return false;
        } else {
            const IdCount* list = p.kind == kPointPlant ? r.plants : r.types;
            const uint32_t count = p.kind == kPointPlant ? r.plantCount : r.typeCount;
            uint32_t highest = 0;
            for (uint32_t k = 0; k < count; ++k)
                if (list[k].id == p.objectId) highest = list[k].count;
            if (highest == 0 || p.stage < 0 || static_cast<uint32_t>(p.stage) > highest) return false;
            if ((p.kind == kPointWarehouse) != (p.objectId == warehouseId)) return false;
            if (p.kind == kPointPlant) {
                const float ripeness = p.Ripeness();
                if (!std::isfinite(ripeness) || ripeness < 0.0f || ripeness > 100.0f) return false;
                if (p.water > p.waterMax) return false;
            }
        }
        BaseLevelPoint* point = CreatePoint(i, p);
        if (!point || !point->LoadBase(in) || !point->LoadOwn(in)) return false;
    }
    for (const auto& point : points_)
        if (!point->LoadSecondPass(in)) return false;
    for (const auto& point : points_)
        if (!point->LoadDamage(in)) return false;
    return !in.Failed();
}
