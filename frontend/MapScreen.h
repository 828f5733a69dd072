#pragma once
// The level-select map, the screen of game state kStateMap: the painted map with the
// 41 level markers on their hex cells, water, particle emitters and animals,
// the overlay with its buttons, the reveal of new medals and opened levels
// after a level, and the map's pending events (tutorials, award notices, the
// villains' attack).
//
// The windows and tutorials the map opens come from other parts of the game;
// the map reaches them through MapHooks, and a hook not installed does
// nothing (no level window, no tutorial starts).

#include "app/Profiles.h"
#include "frontend/MapAnimals.h"
#include "frontend/MapData.h"
#include "frontend/MapGeometry.h"
#include "frontend/MapInterface.h"
#include "frontend/MapMarker.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class GPSSpace;
class DXLViewer;
class GameCharacter;

// Pending map events.
constexpr uint32_t kMapEventFirstVisit = 0x2;
constexpr uint32_t kMapEventRegime = 0x4;
constexpr uint32_t kMapEventAward = 0x8;
constexpr uint32_t kMapEventFinalAward = 0x10;
constexpr uint32_t kMapEventAttack = 0x20;

// The map tutorials.
enum class MapTutorial { First, Hard, Regime, VillainsAttack };
constexpr uint32_t kVillainsAttackTutorial = 0x40080000;

// The reveal after a level: the medal fades in, then newly opened levels.
constexpr uint32_t kRevealMs = 600;
constexpr uint32_t kRevealOpenedMs = 300;

// An award notice the map asks for (the arguments of NewAwardWindowStack::Show):
// kind 1 a goal reached, kind 2 the final award.
struct MapAwardNotice {
    uint32_t kind = 0;
    uint32_t index = 0;
    uint32_t tier = 0;
};

struct MapHooks {
    // Opens the level window (kLevelWindowFromMap) for an open level; its answer comes
    // back through MapScreen::OnLevelWindowClosed.
    std::function<void(int32_t level)> openLevelWindow;
    // Starts a map tutorial; false when none can start.
    std::function<bool(MapTutorial tutorial)> startTutorial;
    // An award notice: a goal's (1, 1, 1), the final award's (2, 0, 0).
    std::function<void(const MapAwardNotice& notice)> showAwardNotice;
    // Makes the level object for a level start (before the level loading).
    std::function<void(int32_t level)> makeLevel;
    // True when a level object for the level in the regime is held in memory.
    std::function<bool(int32_t level, uint32_t regime)> levelHeld;
    std::function<void()> dropHeldLevel;
    // The level's existence in the level table.
    std::function<bool(int32_t level)> levelExists;
    std::function<const GameCharacter*(uint32_t id)> findCharacter;
    // The overlay's windows: options, awards (1 for the cheat view), profiles
    // (told before the profiles change and after one was chosen), and a comic.
    std::function<void()> openOptions;
    std::function<void(int32_t mode)> openAwards;
    std::function<void(std::function<void()> before, std::function<void()> chosen)> openProfiles;
    std::function<void(int32_t comic)> showComic;
    // The running map tutorial: finished when it has this id; deleted at
    // once (a profile read again, the map closing).
    std::function<void(uint32_t id)> finishTutorial;
    std::function<void()> deleteTutorial;
};

// The fade of a regime or profile change.
constexpr uint32_t kMapFadeOutMs = 250, kMapFadeInMs = 250;

class MapScreen : public MapMarkerWorld, public MapVillainWorld {
  public:
    MapScreen();
    ~MapScreen() override;
    MapScreen(const MapScreen&) = delete;
    MapScreen& operator=(const MapScreen&) = delete;

    // Reads the 'MAPM' chunk and makes the markers on the cells of the
    // level table; false (why) on any fault, leaving the map unloaded.
    bool Load(std::span<const uint8_t> chunk, const MapCellTable& cells, std::string* why = nullptr);
    bool IsLoaded() const { return loaded_; }
    void SetHooks(MapHooks hooks) { hooks_ = std::move(hooks); }
    // The profile store the map reads (the App's by default).
    void SetProfiles(ProfileManager* profiles) { profiles_ = profiles; }

    void Open();
    void Close();
    void Update(uint32_t dt);
    void Draw();
    void Layout(int32_t screenWidth, int32_t screenHeight);
    // After a change of screen size: the hover goes and the map and its
    // overlay are laid out on the screen's new size.
    void OnScreenChanged();

    void OnMouseDown(int32_t x, int32_t y, uint32_t button, uint32_t modifiers);
    void OnMouseMove(int32_t x, int32_t y);
    void OnMouseWheel(int32_t delta, uint32_t modifier);
    void OnKeyDown(uint32_t key);
    uint32_t GetCursor(uint32_t standing) const;

    void SetCurrentLevel(int32_t level);
    void SetState(const LevelResult& result);
    // Starts the reveal; answers its length (0 when there is nothing to reveal).
    uint32_t RevealMedals(uint32_t delay);
    void CompleteReveal();
    void ReloadProfile();
    void KeepProfileCopy();
    void ShowLevels(bool instant);
    void StartLevel(int32_t level, bool restart);
    void OnLevelWindowClosed(int32_t result, int32_t level, bool restart);
    void CheckTutorials();
    void StageVillainsAttack();
    void ToggleRegime();
    // The overlay's click handler; false for an id it does not handle.
    bool OnInterfaceClick(uint32_t control, uint32_t modifiers);
    // After the profiles window changed the current profile: chosen, or
    // none once the current one was deleted.
    void OnProfileChosen();
    // The middle of the regime or profile fade: the map reads the profile again.
    void OnFadeMidpoint();
    // The overlay window in the window manager's map-interface slot (null
    // while the map is closed or without a window manager).
    MapInterface* Interface() const;

    void UpdateHover(MapPoint screen);
    void SetHover(int32_t level);
    int32_t Hovered() const { return hovered_; }
    MapPoint MapToScreen(int32_t x, int32_t y) const { return layout_.ToScreen(float(x), float(y)); }
    MapPoint ScreenToMap(int32_t x, int32_t y) const { return layout_.ToMap(x, y); }
    const MapLayout& CurrentLayout() const { return layout_; }

    uint32_t PendingEvents() const { return events_; }
    void AddEvents(uint32_t events) { events_ |= events; }
    int32_t CurrentLevel() const { return currentLevel_; }
    uint32_t TotalTime() const { return totalTime_; }
    uint32_t Accumulator() const { return accumulator_; }
    MapLevelSprite* Marker(int32_t level) { return markers_[size_t(level)].get(); }
    const std::vector<std::unique_ptr<MLCVillain>>& Villains() const { return villains_; }
    // The status of a level in the results in use (0 without a profile).
    uint32_t LevelStatus(int32_t level) const;
    bool IsPlayable(int32_t level) const;
    const ProfileResults* Results() const;
    Profile* CurrentProfile() const;

    // MapMarkerWorld
    uint32_t LevelGrade(int32_t level) const override { return LevelStatus(level); }
    const GameCharacter* FindCharacter(uint32_t id) const override;
    // MapVillainWorld
    std::optional<MapPoint> LevelCentre(int32_t level) const override;
    void OnShotBurst(int32_t level) override;
    GPSSpace* Particles() override { return particles_.get(); }

  private:
    uint32_t Regime() const;
    bool StartTutorial(MapTutorial tutorial);
    void RefreshRegime(bool instant);
    void StartFade();
    void LeaveWithoutPlayer();

    bool loaded_ = false;
    MapData data_;
    MapCellTable cells_{};
    MapHooks hooks_;
    ProfileManager* profiles_ = nullptr;
    std::unique_ptr<ProfileResults> copy_; // the kept results while the profiles change
    MapLayout layout_;
    float layoutScale_ = 1.0f;
    int32_t screenWidth_ = kMapWidth, screenHeight_ = kMapHeight;
    MapPoint mouse_{}, mouseMap_{};
    int32_t hovered_ = -1;
    uint32_t totalTime_ = 0, accumulator_ = 0;
    std::array<uint32_t, kMapLevels> shownStatus_{};
    int32_t currentLevel_ = -1;
    LevelResult result_{};
    std::array<std::unique_ptr<MapLevelSprite>, kMapLevels> markers_;
    std::array<MapLevelSprite*, kMapCells> drawOrder_{};
    std::vector<std::unique_ptr<MapWater>> water_;
    std::vector<std::unique_ptr<MLCVillain>> villains_;
    std::unique_ptr<GPSSpace> particles_;
    uint32_t events_ = 0;
    bool opened_ = false;
    bool leaving_ = false; // the change to the main screen has started
};

// The map of the running game while kStateMap's screen is registered (not
// owned here: the program's start-up owns it). Null outside a run.
MapScreen* GetMapScreen();
void SetMapScreen(MapScreen* map);
