#include "game/MapProgram.h"

#include "app/App.h"
#include "app/GameDataLoader.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "app/WindowInput.h"
#include "engine/Cursors.h"
#include "engine/Log.h"
#include "engine/Viewer.h"
#include "frontend/Comix.h"
#include "frontend/MapInterface.h"
#include "frontend/MapScreen.h"
#include "frontend/OptionsWindow.h"
#include "game/Autoplay.h"
#include "game/AwardsProgram.h"
#include "game/FrontendScreens.h"
#include "game/LevelProfiles.h"
#include "game/LevelScreen.h"
#include "gui/Notices.h"
#include "gui/Window.h"
#include "level/Bonuses.h"
#include "level/LevelData.h"
#include "level/LevelTable.h"
#include "levelui/LevelWindows.h"
#include "tutorials/MapTutorial.h"
#include "tutorials/TutorialLayer.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Far more water than any map has; a larger chunk is refused unread.
constexpr size_t kMaxMapChunk = MapChunkSize(4096);
constexpr uint32_t kArrowCursor = 0x100;

// The map's tutorials: their runner and the link they reach the map
// through, made with the map and freed with it.
struct MapTutorials {
    tut::TutorialRunner runner;
    tut::TutorialMapLink mapLink;
    // The level window's controls reach the running tutorial through it
    // while a tutorial explains that window (the new bonus).
    tut::WindowTutorialLink windowLink;
    MapTutorials(MapScreen& map, WindowManager* windows)
        : runner(tut::TutorialServices{windows}), mapLink(map, windows) {}
};

// The program's map (made by its loading stage, freed at the quit) with its
// tutorials, and whether the map's next opening reveals a level's result.
struct MapProgramPart {
    std::unique_ptr<MapScreen> map;
    std::unique_ptr<MapTutorials> tutorials; // go before the map they reach
};

MapProgramPart& MapPart() {
    MapProgramPart* part = AppPart<MapProgramPart>();
    if (!part) {
        std::fprintf(stderr, "verbolunde: the map was asked for while no App runs.\n");
        std::abort();
    }
    return *part;
}

std::unique_ptr<MapScreen>& ProgramMap() {
    return MapPart().map;
}

std::unique_ptr<MapTutorials>& ProgramMapTutorials() {
    return MapPart().tutorials;
}

// The map's tutorials, made for the first one that starts (null without the
// map or the windows). The windows ask the running tutorial before a control
// takes a click: the overlay's buttons other than Back, Options and the
// greeting wait for it, and so do the level window's.
MapTutorials* LinkedMapTutorials() {
    MapScreen* map = ProgramMap().get();
    WindowManager* windows = GetWindowManager();
    if (!map || !windows) return nullptr;
    auto& tutorials = ProgramMapTutorials();
    if (!tutorials) tutorials = std::make_unique<MapTutorials>(*map, windows);
    windows->SetTutorial(&tutorials->windowLink);
    return tutorials.get();
}

// The windows stop asking the map's tutorials (the map closes or goes).
void UnlinkMapTutorials() {
    if (WindowManager* windows = GetWindowManager()) windows->SetTutorial(nullptr);
}

bool StartMapTutorial(MapTutorial which) {
    MapTutorials* tutorials = LinkedMapTutorials();
    if (!tutorials) return false;
    switch (which) {
    case MapTutorial::First:
        tutorials->runner.Make<tut::MapTutorial_First>(tutorials->mapLink);
        break;
    case MapTutorial::Hard:
        tutorials->runner.Make<tut::MapTutorial_Hard>(tutorials->mapLink);
        break;
    case MapTutorial::Regime:
        tutorials->runner.Make<tut::MapTutorial_Regime>(tutorials->mapLink);
        break;
    case MapTutorial::VillainsAttack:
        tutorials->runner.Make<tut::MapTutorial_VillainsAttack>(tutorials->mapLink);
        break;
    }
    LogLabelPrintf(kLogIndent, "Map tutorial", "%08X starts",
                   tutorials->runner.Running() ? tutorials->runner.Running()->Id() : 0u);
    return true;
}

// The map closes or the profile changes: its tutorials go at once.
void DeleteMapTutorials() {
    if (auto& tutorials = ProgramMapTutorials()) tutorials->runner.DeleteAll();
}

// The running map tutorial ends when it is the one named.
void FinishMapTutorial(uint32_t id) {
    auto& tutorials = ProgramMapTutorials();
    tut::GameTutorial* running = tutorials ? tutorials->runner.Running() : nullptr;
    // One that is finishing already is left to it; when the villains' step
    // shows the levels this finishes it, and the step's own Finish after it does nothing.
    if (!running || running->Id() != id || running->State() >= tut::kFinishing) return;
    LogLabelPrintf(kLogIndent, "Map tutorial", "%08X finishes", id);
    running->Finish(); // its end serves the map's next event
}

// The level window over the map (mode 2): play, continue or cancel.
// Its "select bonuses" opens the bonuses window through an edit that lives
// as long as the level window keeps its host.
LevelWindowsHost MapLevelWindowHost() {
    return ProgramLevelWindowsHost(
        []() -> Profile* { return ProgramMap() ? ProgramMap()->CurrentProfile() : nullptr; },
        std::make_shared<ProgramBonusEdit>(), {});
}

// A level window that shows a newly earned bonus, or the bonuses button for
// the first time, explains it: the new-bonus tutorial points at the bonus's
// slot (then at the bonuses button when asked).
void ExplainNewBonus(const LevelWindow& window) {
    const int32_t bonus = window.NewBonus();
    if (bonus < 0 && !window.SelectionHint()) return;
    MapTutorials* tutorials = LinkedMapTutorials();
    if (!tutorials) return;
    const BONUS* record = bonus >= 0 ? GameBonuses().Get(bonus) : nullptr;
    tutorials->runner.Make<tut::MapTutorial_NewBonus>(
        tutorials->mapLink, record ? bonus : -1, record ? std::u16string(record->name) : std::u16string(),
        LevelWindow::BonusSlotData(bonus), window.SelectionHint());
    LogLabelPrintf(kLogIndent, "Map tutorial", "%08X starts: new bonus %d", tut::kMapTutorialNewBonus, bonus);
}

void OpenMapLevelWindow(int32_t level) {
    WindowManager* windows = GetWindowManager();
    if (!windows || level < 0) return;
    // The window uses up the profile's new-bonus mark and its first bonuses-button hint.
    LevelWindowsHost host = MapLevelWindowHost();
    const LevelWindowMarks marks = TakeLevelWindowMarks(host);
    LevelWindow* window = windows->Open<LevelWindow>(
        uint32_t(level), kLevelWindowFromMap,
        [](uint32_t result, uint32_t which, uint32_t restart) {
            // The window answers once: it closes, and the map starts the level or stays.
            if (WindowManager* manager = GetWindowManager())
                if (auto* window = dynamic_cast<SpritesWindow*>(manager->FindWindowByLayer(kLevelWindowTag)))
                    window->Close();
            if (MapScreen* map = ProgramMap().get())
                map->OnLevelWindowClosed(int32_t(result), int32_t(which), restart != 0);
        },
        std::move(host), marks);
    LogLabelPrintf(kLogIndent, "Map", "the level window of level %d opens", level + 1);
    if (window) ExplainNewBonus(*window);
}

// A closing comic raises the map's pending event (the villains' attack).
void RaiseMapEvent(uint32_t event) {
    if (MapScreen* map = ProgramMap().get()) map->AddEvents(event);
}

MapCellTable LevelCells() {
    MapCellTable cells;
    const LevelTable* table = GameLevelTable();
    for (int32_t cell = 0; cell < kMapCells; ++cell)
        cells[size_t(cell)] = table ? table->LevelAtCell(cell) : -1;
    return cells;
}

bool LevelInfo(int32_t level, ProfileLevelInfo* info) {
    const LevelTable* table = GameLevelTable();
    const Level* found = table ? table->Get(uint32_t(level)) : nullptr;
    if (!found) return false;
    info->group = found->record.group;
    info->bonus = found->record.bonusId;
    for (uint32_t r = 0; r < uint32_t(kRegimeCount); ++r) {
        const RegimeBlock& block = found->Regime(r);
        info->limits[r][0] = block.bronzeMs;
        info->limits[r][1] = block.silverMs;
        info->limits[r][2] = block.goldMs;
    }
    return true;
}

// A stored level result reaches the map before the profile changes.
void JoinProfileHooks() {
    if (ProfileManager* profiles = AppProfiles()) profiles->SetHooks(BuildProfileHooks());
}

int32_t LoadMapStage(kis::DataFileReaderW* reader, LoaderState* state) {
    state->error = 1;
    std::vector<uint8_t> bytes;
    if (!ReadWholeChunk(reader, kMapChunkId, kMapChunkSubId, kMaxMapChunk, &bytes)) return kLoaderFinished;
    auto map = std::make_unique<MapScreen>();
    std::string why;
    if (!map->Load(bytes, LevelCells(), &why)) {
        LogLabelPrintf(kLogIndent, "Map data", "%s", why.c_str());
        return kLoaderFinished;
    }
    map->SetHooks(BuildMapHooks());
    ProgramMap() = std::move(map);
    SetMapScreen(ProgramMap().get());
    if (Comix* comix = GetComix()) comix->SetMapEventSink(RaiseMapEvent);
    JoinProfileHooks();
    state->error = 0;
    state->done = state->total = 1;
    return kLoaderFinished;
}

void LayoutToScreen(MapScreen& map) {
    if (DXLViewer* viewer = GetAppServices().viewer) {
        const kis::Rect& r = viewer->GetClientRect();
        map.Layout(r.right - r.left, r.bottom - r.top);
    }
}

// The level's return: the reveal starts 200 ms after the map shows.
void RevealLevelResult(MapScreen& map) {
    const uint32_t length = map.RevealMedals(200);
    LogLabelPrintf(kLogIndent, "Map", "the return from a level reveals %s",
                   length ? "its result" : "nothing new");
}

void OpenMap() {
    MapScreen* map = ProgramMap().get();
    if (!map) return;
    LayoutToScreen(*map);
    if (WindowManager* windows = GetWindowManager())
        AnchorNotices(windows->mapWindow, kNoticeMap, kNoticeOffsetMap);
    map->Open();
}
// The map's closing deletes its tutorials (through its hook).
void CloseMap() {
    UnlinkMapTutorials();
    if (MapScreen* map = ProgramMap().get()) map->Close();
}

const AppCallbacks& MapCallbacks() {
    static const AppCallbacks callbacks = [] {
        AppCallbacks c;
        c.cursor = [] {
            uint32_t cursor = kArrowCursor;
            if (WindowManager* windows = GetWindowManager();
                windows && windows->GetCursor(&cursor) && cursor != 256)
                return cursor;
            return ProgramMap() ? ProgramMap()->GetCursor(kArrowCursor) : kArrowCursor;
        };
        c.update = [](uint32_t ms) {
            if (ProgramMap()) ProgramMap()->Update(ms);
            if (auto& tutorials = ProgramMapTutorials()) tutorials->runner.Update(ms);
            // The windows over the map (awards, options) run their animations.
            if (WindowManager* windows = GetWindowManager()) windows->Update();
            if (Autoplay* autoplay = ActiveAutoplay()) autoplay->MapFrame(ms);
        };
        c.draw = [] {
            if (ProgramMap()) ProgramMap()->Draw();
        };
        // The shell has offered each event to the windows over the map:
        // what reaches the map here they left.
        c.mouseDown = [](int32_t x, int32_t y, uint32_t button) {
            if (ProgramMap()) ProgramMap()->OnMouseDown(x, y, button, KeyModifiers());
        };
        c.mouseUp = [](int32_t x, int32_t y, uint32_t) {
            if (ProgramMap()) ProgramMap()->OnMouseMove(x, y);
        };
        c.mouseMove = [](int32_t x, int32_t y, uint32_t) {
            if (ProgramMap()) ProgramMap()->OnMouseMove(x, y);
        };
        c.mouseDoubleClick = [](int32_t x, int32_t y) {
            if (ProgramMap()) ProgramMap()->OnMouseMove(x, y);
        };
        c.mouseWheel = [](int32_t, int32_t, int32_t delta, uint32_t) {
            if (ProgramMap()) ProgramMap()->OnMouseWheel(delta, KeyModifiers());
        };
        c.keyDown = [](uint32_t key, uint32_t) {
            if (ProgramMap()) ProgramMap()->OnKeyDown(VirtualKeyOf(key));
        };
        return c;
    }();
    return callbacks;
}

void FreeMap() {
    UnlinkMapTutorials();
    ProgramMapTutorials().reset();
    if (Comix* comix = GetComix()) comix->SetMapEventSink(nullptr);
    SetMapScreen(nullptr);
    ProgramMap().reset();
}

} // namespace

MapHooks BuildMapHooks() {
    MapHooks hooks;
    hooks.levelExists = [](int32_t level) {
        const LevelTable* table = GameLevelTable();
        return table && table->Get(uint32_t(level)) != nullptr;
    };
    hooks.findCharacter = [](uint32_t id) { return FindById(GameCharacters(), id); };
    hooks.makeLevel = [](int32_t level) { PrepareLevel(uint32_t(level), kStateMap); };
    hooks.levelHeld = [](int32_t level, uint32_t regime) {
        return level >= 0 && LevelHeld(uint32_t(level), regime);
    };
    hooks.dropHeldLevel = DropHeldLevel;
    // The window keeps above the overlay's medals panel, whose ribbons show.
    hooks.openAwards = [](int32_t mode) { OpenProgramAwards(mode == 1, 0, kMedalsPanelRows); };
    hooks.startTutorial = StartMapTutorial;
    hooks.openLevelWindow = OpenMapLevelWindow;
    hooks.openOptions = [] { OpenOptionsWindow(); };
    // The map keeps the leaving player's medals while the fade runs, and
    // shows the chosen player's map (or comic 0 for a fresh player).
    hooks.openProfiles = OpenPlayersWindow;
    hooks.showComic = [](int32_t comic) {
        if (ShowComix(uint32_t(comic), nullptr)) LogLabelPrintf(kLogIndent, "Map", "comic %d shows", comic);
    };
    hooks.showAwardNotice = [](const MapAwardNotice& notice) {
        if (WindowManager* windows = GetWindowManager())
            windows->Awards().Show(notice.kind, notice.index, notice.tier);
        LogLabelPrintf(kLogIndent, "Notice", "the map shows award notice %u", notice.kind);
    };
    hooks.finishTutorial = FinishMapTutorial;
    hooks.deleteTutorial = DeleteMapTutorials;
    return hooks;
}

ProfileHooks BuildProfileHooks() {
    ProfileHooks hooks;
    hooks.levelInfo = LevelInfo;
    hooks.setCurrentLevel = [](int32_t level) {
        if (MapScreen* map = ProgramMap().get()) map->SetCurrentLevel(level);
    };
    hooks.setMapState = [](const LevelResult& result) {
        if (MapScreen* map = ProgramMap().get()) map->SetState(result);
    };
    hooks.countLevelWin = ProgramCountLevelWin;
    return hooks;
}

void RegisterMapScreen() {
    // The level table's stage is the level play's (RegisterLevelTableStage).
    RegisterGameDataStage({kMapChunkId, 1.0f, "map", GetDataPack, LoadMapStage});
    RegisterGameStateScreen(kStateMap, {OpenMap, CloseMap, &MapCallbacks()});
    SetScreenResourceHook(ScreenPart::Map, [] {
        if (MapScreen* map = ProgramMap().get()) map->OnScreenChanged();
    });
    RegisterQuitHook(FreeMap);
}

void RevealAfterFade() {
    MapScreen* map = ProgramMap().get();
    if (map && GameState() == kStateMap) RevealLevelResult(*map);
}
