#include "frontend/MapScreen.h"

#include "app/App.h"
#include "app/GameShell.h"
#include "app/WindowInput.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "gui/Window.h"
#include "sprites/GameEffect.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kHandCursor = 257;
constexpr uint32_t kEscape = 27;
constexpr uint32_t kShiftModifier = 2; // bit of the mouse modifiers
constexpr uint32_t kLeftButton = 1;
constexpr uint32_t kMaxTicks = 5;
constexpr uint32_t kRevealCallbacks = kCallbackMouse | kCallbackKeys;
constexpr uint32_t kCallbackFadeMask = kFadeTakesInput;
constexpr uint32_t kSoundCategoryMapClick = 0x40000000;
// The pieces beside the map on a wide screen: their width, and where the
// right one starts (one pixel over the map's last column).
constexpr float kMapSideWidth = 128.0f;
constexpr float kMapRightSideX = 1023.0f;

// The map whose reveal runs: the effect's callbacks are plain functions.
struct RunningMap {
    MapScreen* map = nullptr; // owned by the program
};

MapScreen* Map() {
    const RunningMap* running = ExistingAppPart<RunningMap>();
    return running ? running->map : nullptr;
}
void SetMap(MapScreen* map) {
    if (RunningMap* running = map ? AppPart<RunningMap>() : ExistingAppPart<RunningMap>()) running->map = map;
}

void RevealDone() {
    if (MapScreen* map = Map()) map->CompleteReveal();
}
void RevealAfter() {
    if (MapScreen* map = Map()) map->CheckTutorials();
}
void FadeMidpoint() {
    if (MapScreen* map = Map()) map->OnFadeMidpoint();
}

} // namespace

MapScreen* GetMapScreen() {
    return Map();
}
void SetMapScreen(MapScreen* map) {
    SetMap(map);
}

MapScreen::MapScreen() = default;

MapScreen::~MapScreen() {
    Close();
    if (Map() == this) SetMap(nullptr);
}

bool MapScreen::Load(std::span<const uint8_t> chunk, const MapCellTable& cells, std::string* why) {
    MapData data;
    if (!ParseMapData(chunk, &data, why)) return false;
    data_ = std::move(data);
    cells_ = cells;
    water_.clear();
    for (size_t i = 0; i < data_.water.size(); ++i)
        water_.push_back(std::make_unique<MapWater>(int32_t(i + 1), data_.water[i].x, data_.water[i].y,
                                                    data_.water[i].frameMs));
    drawOrder_.fill(nullptr);
    for (int32_t level = 0; level < kMapLevels; ++level) {
        const auto cell = std::find(cells_.begin(), cells_.end(), level);
        const bool hasCell = cell != cells_.end();
        const int32_t n = hasCell ? int32_t(cell - cells_.begin()) : -1;
        markers_[size_t(level)] = std::make_unique<MapLevelSprite>(
            level, hasCell ? CellPosition(n) : MapPoint{}, hasCell, &data_.levels[size_t(level)], this);
        if (hasCell)
            drawOrder_[size_t(DrawSlot(n % kMapColumns, n / kMapColumns))] = markers_[size_t(level)].get();
    }
    loaded_ = true;
    Layout(screenWidth_, screenHeight_);
    return true;
}

void MapScreen::Layout(int32_t screenWidth, int32_t screenHeight) {
    screenWidth_ = screenWidth, screenHeight_ = screenHeight;
    if (!loaded_) return;
    SetHover(-1);
    if (MapInterface* overlay = Interface()) overlay->Layout(screenWidth, screenHeight);
    layout_ = LayoutMap(screenWidth, screenHeight);
    layoutScale_ = layout_.scale;
}

void MapScreen::OnScreenChanged() {
    const ScreenScaleState& screen = ScreenScale();
    if (screen.width > 0 && screen.height > 0) Layout(screen.width, screen.height);
}

MapInterface* MapScreen::Interface() const {
    const WindowManager* windows = GetWindowManager();
    if (!windows || !windows->mapInterface || windows->mapInterface->closing) return nullptr;
    return static_cast<MapInterface*>(windows->mapInterface); // only the overlay takes that slot
}

Profile* MapScreen::CurrentProfile() const {
    ProfileManager* profiles = profiles_ ? profiles_ : AppProfiles();
    return profiles ? profiles->Current() : nullptr;
}

const ProfileResults* MapScreen::Results() const {
    if (copy_) return copy_.get();
    const Profile* profile = CurrentProfile();
    return profile ? &profile->Record().results : nullptr;
}

uint32_t MapScreen::Regime() const {
    const ProfileResults* results = Results();
    return results && results->regime == uint32_t(kRegimeHard) ? kRegimeHard : kRegimeEasy;
}

uint32_t MapScreen::LevelStatus(int32_t level) const {
    const ProfileResults* results = Results();
    if (!results || level < 0 || level >= kMapLevels) return kLevelLocked;
    return results->regimes[Regime()].levels[level].status;
}

bool MapScreen::IsPlayable(int32_t level) const {
    return LevelStatus(level) >= kLevelOpen && (!hooks_.levelExists || hooks_.levelExists(level));
}

const GameCharacter* MapScreen::FindCharacter(uint32_t id) const {
    return hooks_.findCharacter ? hooks_.findCharacter(id) : nullptr;
}

std::optional<MapPoint> MapScreen::LevelCentre(int32_t level) const {
    if (level < 0 || level >= kMapLevels) return std::nullopt;
    const MapLevelSprite* marker = markers_[size_t(level)].get();
    if (!marker || !marker->HasCell()) return std::nullopt;
    return marker->Position();
}

void MapScreen::OnShotBurst(int32_t level) {
    if (level >= 0 && level < kMapLevels && markers_[size_t(level)])
        markers_[size_t(level)]->ApplyDecorations(kLookLocked, true, 0);
}

bool MapScreen::StartTutorial(MapTutorial tutorial) {
    return hooks_.startTutorial && hooks_.startTutorial(tutorial);
}

// ---------------------------------------------------------------- open and close

void MapScreen::Open() {
    if (!loaded_) return;
    opened_ = true;
    SetMap(this);
    // The overlay's clicks read the modifiers held (Shift opens the awards' cheat view).
    // It lies under every window: one still open from the screen before (a
    // question) stands over it and is answered first.
    if (WindowManager* windows = GetWindowManager(); windows && !Interface())
        windows->MoveToBottom(
            windows->Open<MapInterface>(screenWidth_, screenHeight_, [this](uint32_t control) {
                OnInterfaceClick(control, KeyModifiers());
            }));
    mouse_ = mouseMap_ = {};
    hovered_ = -1;
    leaving_ = false;
    totalTime_ = accumulator_ = 0;
    particles_ = std::make_unique<GPSSpace>();
    for (const MapEmitterEntry& entry : data_.emitters) {
        const GPSDescription* found = FindMapParticleDescription(entry.description);
        if (!found) continue;
        GPSDescription description = *found;
        if (entry.angle != 0.0f)
            description.record.emission.angle = std::fmod(
                std::fmod(description.record.emission.angle + entry.angle, 360.0f) + 360.0f, 360.0f);
        particles_->AddEmitter(description, nullptr, float(entry.x), float(entry.y));
    }
    particles_->StartEmitters();
    if (MapInterface* overlay = Interface()) overlay->RefreshProfileButton(CurrentProfile());
    ReloadProfile();
    CheckTutorials();
    if (SoundManager* sound = GetAppServices().sound) sound->PlayMusic(u"main_theme", true);
}

void MapScreen::Close() {
    if (!loaded_ || !opened_) return;
    SetHover(-1);
    if (hooks_.deleteTutorial) hooks_.deleteTutorial();
    // The windows of the map's slots go with it, the overlay among them.
    if (WindowManager* windows = GetWindowManager()) {
        windows->Destroy(windows->mapWindow);
        windows->Destroy(windows->mapInterface);
    }
    villains_.clear();
    particles_.reset();
    events_ = 0;
    opened_ = false;
}

void MapScreen::ReloadProfile() {
    if (particles_) particles_->ClearParticles();
    villains_.clear();
    copy_.reset();
    // A tutorial of the profile read before goes with it.
    if (hooks_.deleteTutorial) hooks_.deleteTutorial();
    events_ |= kMapEventFirstVisit;
    if (!CurrentProfile()) {
        LeaveWithoutPlayer();
        return;
    }
    if (MapInterface* overlay = Interface()) overlay->SetRegime(CurrentProfile(), Regime());
    RefreshRegime(true);
    for (int32_t level = 0; level < kMapLevels; ++level)
        if (markers_[size_t(level)])
            markers_[size_t(level)]->SetState(
                currentLevel_ < 0 ? LevelStatus(level) : shownStatus_[size_t(level)], false, 0);
}

// No player is current: the main screen asks for one (it offers the players
// left, or a new one when none is). While the players' list is still open
// the map waits under it, showing the kept copy: the player may yet choose.
void MapScreen::LeaveWithoutPlayer() {
    if (!opened_ || leaving_ || CurrentProfile()) return;
    if (const WindowManager* windows = GetWindowManager(); windows && windows->profilesWindow) return;
    leaving_ = true;
    ChangeGameState(kStateMainScreen);
}

void MapScreen::KeepProfileCopy() {
    copy_.reset();
    if (const Profile* profile = CurrentProfile())
        copy_ = std::make_unique<ProfileResults>(profile->Record().results);
}

// ---------------------------------------------------------------- frame

void MapScreen::Update(uint32_t dt) {
    if (dt == 0 || !loaded_) return;
    accumulator_ = std::min(accumulator_ + dt, kMaxTicks * GameTick);
    const uint32_t ticks = accumulator_ / GameTick;
    if (ticks > 0) {
        const uint32_t step = ticks * GameTick;
        totalTime_ += step;
        accumulator_ -= step;
        for (auto& marker : markers_)
            if (marker) marker->Update(step);
        for (auto& water : water_)
            water->Advance(step);
        const WindowManager* windows = GetWindowManager();
        const bool modal = windows && windows->ModalCount() > 0;
        for (uint32_t i = 0; i < ticks && !modal && !villains_.empty(); ++i) {
            for (auto& villain : villains_)
                villain->Update(GameTick);
            std::erase_if(villains_, [](const auto& villain) { return villain->Stage() < 0; });
        }
    }
    // A move over a window (the overlay's buttons and medal strip among them)
    // goes to the windows only, and a modal window may open under a resting
    // pointer: either way the level lit a moment ago is no longer pointed at.
    if (const WindowManager* windows = GetWindowManager();
        windows && (windows->HoveredWindow() || windows->ModalCount() > 0))
        SetHover(-1);
    if (MapInterface* overlay = Interface()) overlay->Advance(dt);
    if (particles_) particles_->Update(dt);
    // The current player was deleted from the list: once the list has closed
    // without another chosen, the map gives way.
    LeaveWithoutPlayer();
}

void MapScreen::Draw() {
    DXLViewer* viewer = GetAppServices().viewer;
    if (!viewer || !loaded_) return;
    viewer->ClearTarget(0xFF000000);
    viewer->ResetTransform();
    viewer->Translate(float(layout_.xOffset), float(layout_.yOffset));
    viewer->Scale(layout_.scale);
    viewer->SetBlendMode(kBlendAlpha);
    if (SpriteLibrary* library = GetLibrary(kMapSpriteLibrary)) {
        DXLMatrix base;
        viewer->GetTransform(&base);
        const ScreenScaleState& screen = ScreenScale();
        if (screen.scaling || screen.wide) {
            auto left = library->CreateInstanceByName(u"map_left", 0);
            auto right = library->CreateInstanceByName(u"map_right", 0);
            // The pieces beside the map, and on a screen wider still the
            // other piece beyond each, and so on: the two are mirror images,
            // so each meets its neighbour at the same shade.
            const int32_t pieces =
                std::max(1, int32_t(std::ceil(float(layout_.xOffset) / (kMapSideWidth * layout_.scale))));
            for (int32_t i = 0; i < pieces && left && right; ++i) {
                viewer->Translate(-kMapSideWidth * float(i + 1), 0.0f);
                (i % 2 ? right : left)->Draw(*viewer);
                viewer->SetTransform(&base);
                viewer->Translate(kMapRightSideX + kMapSideWidth * float(i), 0.0f);
                (i % 2 ? left : right)->Draw(*viewer);
                viewer->SetTransform(&base);
            }
        }
        if (auto centre = library->CreateInstanceByName(u"map_center", 0)) {
            centre->Draw(*viewer);
            viewer->SetTransform(&base);
        }
    }
    for (auto& water : water_)
        water->Draw(*viewer);
    for (MapLevelSprite* marker : drawOrder_)
        if (marker) marker->DrawBase(*viewer);
    for (MapLevelSprite* marker : drawOrder_)
        if (marker) marker->DrawMedal(*viewer, ScreenScale().scale);
    for (auto& villain : villains_)
        villain->Draw(*viewer, 255, false);
    EndText();
    if (particles_) particles_->Draw(*viewer);
    EndText();
    viewer->ResetTransform();
    viewer->ApplyTransform();
    // The overlay is the bottom window of the manager's stack.
    if (WindowManager* windows = GetWindowManager()) windows->Draw();
}

// ---------------------------------------------------------------- input

void MapScreen::SetHover(int32_t level) {
    if (level == hovered_) return;
    if (hovered_ >= 0 && markers_[size_t(hovered_)]) markers_[size_t(hovered_)]->SetHover(false);
    hovered_ = level;
    // Only an open level lights up: a locked one is hovered (for the cursor and the
    // debug completion) but shows nothing.
    if (hovered_ >= 0 && markers_[size_t(hovered_)] && IsPlayable(hovered_))
        markers_[size_t(hovered_)]->SetHover(true);
}

void MapScreen::UpdateHover(MapPoint screen) {
    mouse_ = screen;
    mouseMap_ = layout_.ToMap(screen.x, screen.y);
    // Over the overlay's controls, a window, or anywhere while a modal window
    // waits for its answer, no level is under the pointer: one lit a moment
    // ago goes out.
    const WindowManager* windows = GetWindowManager();
    if (MapOverlayLayout{screenWidth_, screenHeight_}.Takes(screen.x, screen.y) ||
        (windows && (windows->HoveredWindow() || windows->ModalCount() > 0))) {
        SetHover(-1);
        return;
    }
    const int32_t level = LevelAt(cells_, mouseMap_.x, mouseMap_.y);
    SetHover(level >= 0 && TutorialAllows(TutorialAction::HoverMapLevel, uint32_t(level), {}) ? level : -1);
}

void MapScreen::OnMouseMove(int32_t x, int32_t y) {
    if (MapPoint{x, y} != mouse_) UpdateHover({x, y});
}

uint32_t MapScreen::GetCursor(uint32_t standing) const {
    return hovered_ >= 0 && IsPlayable(hovered_) ? kHandCursor : standing;
}

void MapScreen::OnKeyDown(uint32_t key) {
    if (key == kEscape) ChangeGameState(kStateMainScreen);
}

void MapScreen::OnMouseWheel(int32_t delta, uint32_t modifier) {
    const float scale = ZoomedScale(layout_.scale, layoutScale_, delta, modifier);
    if (scale != layout_.scale) layout_ = CentredLayout(screenWidth_, screenHeight_, scale);
}

void MapScreen::OnMouseDown(int32_t x, int32_t y, uint32_t button, uint32_t modifiers) {
    // The overlay's points are its window's, which the window manager served first.
    if (MapOverlayLayout{screenWidth_, screenHeight_}.Takes(x, y)) return;
    // A press looks again at its own point, moved or not: a window closed or
    // a step ended under a resting pointer has put the light out.
    UpdateHover({x, y});
    if (button == kLeftButton && (modifiers & kShiftModifier) && CheatsOn() && hovered_ >= 0) {
        if (Profile* profile = CurrentProfile()) profile->StoreLevelResult(hovered_, -1, nullptr);
        RevealMedals(0);
        return;
    }
    if (button != kLeftButton || hovered_ < 0 || !IsPlayable(hovered_)) return;
    TutorialNotify(TutorialEvent::MapLevelClicked, uint32_t(hovered_), {});
    if (hooks_.openLevelWindow) hooks_.openLevelWindow(hovered_);
    if (SoundManager* sound = GetAppServices().sound)
        sound->PlayById(sound->FindSample(u"click"), kSoundCategoryMapClick, kLoopAsLoaded);
    SetHover(-1);
}

void MapScreen::RefreshRegime(bool instant) {
    const ProfileResults* results = Results();
    if (MapInterface* overlay = Interface(); overlay && results)
        overlay->RefreshRegime(results->regime == uint32_t(kRegimeHard), results->hardAvailable != 0,
                               instant);
}

void MapScreen::ToggleRegime() {
    Profile* profile = CurrentProfile();
    const ProfileResults* results = Results();
    if (!profile || !results || !results->hardAvailable) return; // locked: the button takes no click
    profile->SetRegime(profile->Regime() == uint32_t(kRegimeHard) ? kRegimeEasy : kRegimeHard);
    StartFade();
}

void MapScreen::StartFade() {
    SetMap(this);
    StartGameEffect(std::make_unique<GEffect_ShowHide>(FadeMidpoint, kMapFadeOutMs, kMapFadeInMs, 0, 1,
                                                       kCallbackFadeMask));
}

void MapScreen::OnFadeMidpoint() {
    if (WindowManager* windows = GetWindowManager()) windows->Destroy(windows->mapWindow);
    if (MapInterface* overlay = Interface()) overlay->RefreshProfileButton(CurrentProfile());
    ReloadProfile();
    CheckTutorials();
}

void MapScreen::OnProfileChosen() {
    Profile* profile = CurrentProfile();
    // The current player was deleted: the list stays open over the map, which
    // keeps showing the kept copy until another player is chosen.
    if (!profile) return;
    if (profile->Regime() == uint32_t(kRegimeEasy) && profile->CountPassedLevels(kRegimeEasy) == 0 &&
        hooks_.showComic) {
        hooks_.showComic(0);
        return;
    }
    StartFade();
}

bool MapScreen::OnInterfaceClick(uint32_t control, uint32_t modifiers) {
    switch (control) {
    case kMapControlOptions:
        if (hooks_.openOptions) hooks_.openOptions();
        return true;
    case kMapControlRegime:
        ToggleRegime();
        return true;
    case kMapControlAwards:
    case kMapControlMedals:
        if (hooks_.openAwards) hooks_.openAwards(CheatsOn() && modifiers == kShiftModifier ? 1 : 0);
        return true;
    case kMapControlProfile:
        if (hooks_.openProfiles)
            hooks_.openProfiles([this] { KeepProfileCopy(); }, [this] { OnProfileChosen(); });
        return true;
    case kMapControlBack:
        ChangeGameState(kStateMainScreen);
        return true;
    default:
        return false;
    }
}

void MapScreen::OnLevelWindowClosed(int32_t result, int32_t level, bool restart) {
    if (result != 0) StartLevel(level, restart);
}

void MapScreen::StartLevel(int32_t level, bool restart) {
    Profile* profile = CurrentProfile();
    if (!restart && hooks_.levelHeld && hooks_.levelHeld(level, Regime())) {
        ChangeGameState(kStateLevel);
        return;
    }
    if (hooks_.dropHeldLevel) hooks_.dropHeldLevel();
    if (restart && profile) {
        profile->DeleteSavedLevel(level);
        if (ProfileManager* profiles = profiles_ ? profiles_ : AppProfiles()) profiles->SaveCurrent();
    }
    if (hooks_.makeLevel) hooks_.makeLevel(level);
    ChangeGameState(kStateLevelLoading);
}

// ---------------------------------------------------------------- results and reveal

void MapScreen::SetCurrentLevel(int32_t level) {
    if (level < 0 || level >= kMapLevels || LevelStatus(level) >= kLevelPassed) return;
    currentLevel_ = level;
    for (int32_t i = 0; i < kMapLevels; ++i)
        shownStatus_[size_t(i)] = LevelStatus(i);
}

void MapScreen::SetState(const LevelResult& result) {
    result_ = result;
    if (MapInterface* overlay = Interface()) overlay->SetRegime(CurrentProfile(), Regime());
}

uint32_t MapScreen::RevealMedals(uint32_t delay) {
    if (currentLevel_ < 0) {
        CheckTutorials();
        return 0;
    }
    markers_[size_t(currentLevel_)]->SetState(kLevelPassed, true, delay);
    uint32_t end = delay + kRevealMs;
    bool opened = false;
    uint32_t openDelay = delay;
    for (int32_t level = 0; level < kMapLevels; ++level) {
        const uint32_t status = LevelStatus(level);
        if ((status != kLevelUpcoming && status != kLevelOpen) || status <= shownStatus_[size_t(level)])
            continue;
        if (!opened) openDelay += kRevealOpenedMs;
        opened = true;
        markers_[size_t(level)]->SetState(status, true, openDelay);
    }
    if (opened) end += kRevealOpenedMs;
    SetMap(this);
    auto effect = std::make_unique<GEffect_Skip>(RevealDone, end, kRevealCallbacks);
    effect->afterCallback = RevealAfter;
    StartGameEffect(std::move(effect));
    UpdateHover({0, 0});
    if (result_.flags & kResultHardRegime) events_ |= kMapEventRegime;
    if (result_.flags & kResultAwardGoal) events_ |= kMapEventAward;
    if (result_.flags & kResultAllAwards) events_ |= kMapEventFinalAward;
    result_ = {};
    currentLevel_ = -1;
    return end;
}

void MapScreen::CompleteReveal() {
    for (auto& marker : markers_)
        if (marker) marker->CompleteFades();
    CheckTutorials();
}

// ---------------------------------------------------------------- events

void MapScreen::CheckTutorials() {
    if (!events_) return;
    RefreshRegime(false);
    Profile* profile = CurrentProfile();
    if (!profile) return;
    const ProfileResults& results = profile->Record().results;
    const bool easy = results.regime != uint32_t(kRegimeHard);
    if (events_ & kMapEventAttack) {
        events_ &= ~kMapEventAttack;
        if (easy && profile->CountPassedLevels(kRegimeEasy) == 0) {
            StageVillainsAttack();
            return;
        }
    }
    if (events_ & kMapEventFirstVisit) {
        if (!HasFlags(profile, kProfileFlagEasyMapTutorial) && easy &&
            profile->CountPassedLevels(kRegimeEasy) == 0) {
            profile->AddAwards(kProfileFlagEasyMapTutorial);
            if (results.tutorial) StartTutorial(MapTutorial::First);
            return;
        }
        if (!HasFlags(profile, kProfileFlagHardMapTutorial) && !easy &&
            profile->CountPassedLevels(kRegimeHard) == 0) {
            profile->AddAwards(kProfileFlagHardMapTutorial);
            if (results.tutorial) StartTutorial(MapTutorial::Hard);
            return;
        }
        events_ &= ~kMapEventFirstVisit;
    }
    if (events_ & kMapEventRegime) {
        events_ &= ~kMapEventRegime;
        StartTutorial(MapTutorial::Regime);
        return;
    }
    if (events_ & kMapEventAward) {
        events_ &= ~kMapEventAward;
        if (hooks_.showAwardNotice) hooks_.showAwardNotice({.kind = 1, .index = 1, .tier = 1});
    }
    if (events_ & kMapEventFinalAward) {
        events_ &= ~kMapEventFinalAward;
        if (hooks_.showAwardNotice) hooks_.showAwardNotice({.kind = 2, .index = 0, .tier = 0});
    }
}

void MapScreen::StageVillainsAttack() {
    for (auto& marker : markers_) {
        if (!marker) continue;
        marker->SetState(kLevelLocked, false, 0);
        marker->ApplyDecorations(kLookAttack, false, 0);
    }
    const int32_t xo = layout_.xOffset;
    const GameCharacter* villain = FindCharacter(kVillainTraits.description);
    const GameCharacter* catapult = FindCharacter(kCatapultTraits.description);
    villains_.push_back(std::make_unique<MLCVillain>(this, villain, catapult, MapPoint{-xo - 64, 280},
                                                     MapPoint{20, 360}, 2, std::vector<int32_t>{14, 25}));
    villains_.push_back(std::make_unique<MLCVillain>(this, villain, catapult, MapPoint{-xo - 64, 610},
                                                     MapPoint{60, 585}, 0, std::vector<int32_t>{35, 40}));
    StartTutorial(MapTutorial::VillainsAttack);
}

void MapScreen::ShowLevels(bool instant) {
    for (int32_t level = 0; level < kMapLevels; ++level)
        if (markers_[size_t(level)]) markers_[size_t(level)]->SetState(LevelStatus(level), !instant, 0);
    // The villains' attack is over once the levels show again.
    if (hooks_.finishTutorial) hooks_.finishTutorial(kVillainsAttackTutorial);
    if (instant) villains_.clear();
}
