// The map screen's own rules: its clock, the reveal after a level, the
// pending events it serves, the overlay's share of the screen and the
// villains' attack.
#include "frontend/MapScreen.h"

#include "app/App.h"
#include "app/GameStates.h"
#include "gui/Window.h"
#include "platform/Utf.h"
#include "sprites/GameEffect.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// A map of the 41 levels on cells 0..40, each with a sign for every status.
std::vector<uint8_t> Chunk() {
    MapData data;
    for (MapLevelRecord& record : data.levels) {
        record.count = 1;
        record.entries[0] = MakeSignEntry(0x1F, 0, 0);
    }
    return SerializeMapData(data);
}

MapCellTable Cells() {
    MapCellTable cells;
    for (int32_t i = 0; i < kMapCells; ++i)
        cells[size_t(i)] = i < kMapLevels ? i : -1;
    return cells;
}

struct Fixture : ::testing::Test {
    App app; // the shell's state the test runs on
    testsupport::TempDir dir;
    ProfileManager profiles{platform::Utf8ToUtf16(dir.Path().string())};
    WindowManager windows{nullptr, nullptr}; // before the map, which closes its windows on it
    MapScreen map;
    Profile* profile = nullptr;
    std::vector<MapTutorial> tutorials;
    std::vector<std::vector<uint32_t>> notices;
    std::vector<std::string> tutorialCalls; // what the map did to the running tutorial
    bool tutorialsStart = true;

    void SetUp() override {
        SetWindowManager(&windows);
        profiles.Load();
        profile = profiles.CreateProfile(u"ida");
        ASSERT_NE(profile, nullptr);
        profiles.SetCurrent(profile);
        Prepare(map);
    }
    void Prepare(MapScreen& screen) {
        screen.SetProfiles(&profiles);
        std::string why;
        ASSERT_TRUE(screen.Load(Chunk(), Cells(), &why)) << why;
        MapHooks hooks;
        hooks.startTutorial = [this](MapTutorial t) {
            tutorials.push_back(t);
            return tutorialsStart;
        };
        hooks.showAwardNotice = [this](const MapAwardNotice& notice) {
            notices.push_back({notice.kind, notice.index, notice.tier});
        };
        hooks.finishTutorial = [this](uint32_t id) {
            char text[32];
            std::snprintf(text, sizeof text, "finish %08X", id);
            tutorialCalls.push_back(text);
        };
        hooks.deleteTutorial = [this] { tutorialCalls.push_back("delete"); };
        screen.SetHooks(hooks);
        screen.Layout(1024, 768);
    }
    void TearDown() override {
        StartGameEffect(nullptr);
        map.Close();
        windows.DeleteAllWindows();
        SetWindowManager(nullptr);
    }
    // A click as the program passes it: the windows first, the map when none takes it.
    void Click(MapPoint at) {
        windows.OnMouseMove(at.x, at.y, 0);
        if (!windows.OnMouseDown(at.x, at.y, 1)) map.OnMouseDown(at.x, at.y, 1, 0);
        windows.OnMouseUp(at.x, at.y, 1);
    }

    void SetStatus(int32_t level, uint32_t status, uint32_t regime = kRegimeEasy) {
        profile->MutableRecord().results.regimes[regime].levels[level].status = status;
    }
};

} // namespace

using MapScreenRules = Fixture;

TEST_F(MapScreenRules, UpdatesRunWholeTicksAndKeepNoMoreThanFive) {
    struct Step {
        uint32_t dt, total, left;
    };
    const Step steps[] = {{0, 0, 0}, {7, 0, 7}, {7, 10, 4}, {70, 60, 0}, {1000, 110, 0}, {55, 160, 0}};
    for (const Step& s : steps) {
        map.Update(s.dt);
        EXPECT_EQ(map.TotalTime(), s.total) << s.dt;
        EXPECT_EQ(map.Accumulator(), s.left) << s.dt;
    }
}

TEST_F(MapScreenRules, TheRevealLastsLongerWhenLevelsOpen) {
    struct Case {
        const char* name;
        bool opensNext;
        uint32_t delay, length;
    };
    const Case cases[] = {
        {"nothing opens", false, 200, 800}, {"the next opens", true, 200, 1100}, {"no delay", true, 0, 900}};
    for (const Case& c : cases) {
        SetStatus(4, kLevelOpen);
        SetStatus(5, kLevelLocked);
        SetStatus(6, kLevelLocked);
        map.ReloadProfile();
        map.SetCurrentLevel(4);
        EXPECT_EQ(map.CurrentLevel(), 4);
        SetStatus(4, kLevelSilver);
        if (c.opensNext) {
            SetStatus(5, kLevelOpen);
            SetStatus(6, kLevelUpcoming);
        }
        EXPECT_EQ(map.RevealMedals(c.delay), c.length) << c.name;
        EXPECT_EQ(map.CurrentLevel(), -1);
        EXPECT_EQ(map.Marker(4)->Status(), kLevelPassed);
        EXPECT_EQ(map.Marker(4)->MedalFrame(), 1) << "the medal follows the profile's grade";
        EXPECT_EQ(map.Marker(5)->Status(), c.opensNext ? kLevelOpen : kLevelLocked) << c.name;
        ASSERT_NE(CurrentGameEffect(), nullptr);
        EXPECT_EQ(CurrentGameEffect()->Length(), c.length);
        StartGameEffect(nullptr);
    }
}

TEST_F(MapScreenRules, AResultForAPassedLevelRevealsNothing) {
    SetStatus(4, kLevelBronze);
    map.SetCurrentLevel(4);
    EXPECT_EQ(map.CurrentLevel(), -1);
    EXPECT_EQ(map.RevealMedals(200), 0u);
    EXPECT_EQ(CurrentGameEffect(), nullptr);
}

TEST_F(MapScreenRules, ResultFlagsBecomePendingEvents) {
    map.SetCurrentLevel(7);
    LevelResult result{};
    result.flags = kResultHardRegime | kResultAwardGoal | kResultAllAwards;
    map.SetState(result);
    map.RevealMedals(0);
    EXPECT_EQ(map.PendingEvents() & (kMapEventRegime | kMapEventAward | kMapEventFinalAward),
              kMapEventRegime | kMapEventAward | kMapEventFinalAward);
}

TEST_F(MapScreenRules, EventsAreServedOneAtATimeInTheirOrder) {
    struct Case {
        const char* name;
        uint32_t regime;
        uint32_t tutorialOption;
        uint32_t flags;
        int32_t passed; // levels passed in the profile's regime
        uint32_t events;
        std::vector<MapTutorial> started;
        std::vector<std::vector<uint32_t>> notices;
        uint32_t left;
        uint32_t flagsAfter;
    };
    using T = MapTutorial;
    const Case cases[] = {
        {"first visit, tutorials on",
         kRegimeEasy,
         1,
         0,
         0,
         kMapEventFirstVisit,
         {T::First},
         {},
         kMapEventFirstVisit,
         kProfileFlagEasyMapTutorial},
        {"first visit, tutorials off",
         kRegimeEasy,
         0,
         0,
         0,
         kMapEventFirstVisit,
         {},
         {},
         kMapEventFirstVisit,
         kProfileFlagEasyMapTutorial},
        {"first visit already offered",
         kRegimeEasy,
         1,
         kProfileFlagEasyMapTutorial,
         0,
         kMapEventFirstVisit,
         {},
         {},
         0,
         kProfileFlagEasyMapTutorial},
        {"first hard visit",
         kRegimeHard,
         1,
         kProfileFlagEasyMapTutorial,
         0,
         kMapEventFirstVisit,
         {T::Hard},
         {},
         kMapEventFirstVisit,
         kProfileFlagEasyMapTutorial | kProfileFlagHardMapTutorial},
        {"easy levels passed", kRegimeEasy, 1, 0, 3, kMapEventFirstVisit, {}, {}, 0, 0},
        {"regime tutorial with tutorials off",
         kRegimeEasy,
         0,
         kProfileFlagEasyMapTutorial,
         8,
         kMapEventFirstVisit | kMapEventRegime | kMapEventAward,
         {T::Regime},
         {},
         kMapEventAward,
         kProfileFlagEasyMapTutorial},
        {"both award notices",
         kRegimeEasy,
         1,
         kProfileFlagEasyMapTutorial,
         2,
         kMapEventAward | kMapEventFinalAward,
         {},
         {{1, 1, 1}, {2, 0, 0}},
         0,
         kProfileFlagEasyMapTutorial},
        {"comic closed with a level passed",
         kRegimeEasy,
         1,
         kProfileFlagEasyMapTutorial,
         1,
         kMapEventAttack | kMapEventAward,
         {},
         {{1, 1, 1}},
         0,
         kProfileFlagEasyMapTutorial},
        {"comic closed on a new profile",
         kRegimeEasy,
         1,
         0,
         0,
         kMapEventAttack | kMapEventFirstVisit,
         {T::VillainsAttack},
         {},
         kMapEventFirstVisit,
         0},
    };
    for (const Case& c : cases) {
        ProfileRecord& record = profile->MutableRecord();
        record.flags = c.flags;
        record.results.regime = c.regime;
        record.results.tutorial = c.tutorialOption;
        for (int32_t i = 0; i < kMapLevels; ++i)
            SetStatus(i, i < c.passed ? kLevelBronze : kLevelLocked, c.regime);
        tutorials.clear();
        notices.clear();
        MapScreen fresh;
        Prepare(fresh);
        fresh.AddEvents(c.events);
        fresh.CheckTutorials();
        EXPECT_EQ(tutorials, c.started) << c.name;
        EXPECT_EQ(notices, c.notices) << c.name;
        EXPECT_EQ(fresh.PendingEvents(), c.left) << c.name;
        EXPECT_EQ(profile->Record().flags, c.flagsAfter) << c.name;
    }
}

TEST_F(MapScreenRules, TheOverlayTakesItsBarsCornersAndMedalsPanel) {
    struct Case {
        int32_t w, h, x, y;
        bool overlay;
    };
    const Case cases[] = {
        {1024, 768, 500, 10, true},   {1024, 768, 500, 30, false},  {1024, 768, 100, 60, true},
        {1024, 768, 1000, 72, true},  {1024, 768, 1000, 73, false}, {1024, 768, 500, 697, false},
        {1024, 768, 500, 741, true},  {1024, 768, 100, 698, true},  {1024, 768, 340, 720, true},
        {1024, 768, 178, 400, false}, {1280, 800, 1110, 60, true},  {1280, 800, 1090, 60, false},
        {1280, 800, 465, 760, true},  {1280, 800, 460, 760, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ((MapOverlayLayout{c.w, c.h}.Takes(c.x, c.y)), c.overlay)
            << c.w << "x" << c.h << " " << c.x << "," << c.y;
    const MapOverlayLayout layout{1024, 768};
    EXPECT_EQ(layout.Options(), (MapPoint{851, 2}));
    EXPECT_EQ(layout.Regime(), (MapPoint{849, 703}));
    EXPECT_EQ(layout.Awards(), (MapPoint{4, 702}));
    EXPECT_EQ(layout.Medals(), (MapPoint{337, 717}));
}

TEST_F(MapScreenRules, TheVillainsAttackOnAMapInItsAttackLook) {
    SetStatus(0, kLevelOpen);
    map.ReloadProfile();
    map.Layout(1280, 800);
    map.StageVillainsAttack();
    ASSERT_EQ(map.Villains().size(), 2u);
    EXPECT_EQ(tutorials, std::vector<MapTutorial>{MapTutorial::VillainsAttack});
    EXPECT_FLOAT_EQ(map.Villains()[0]->X(), -128 - 64);
    EXPECT_FLOAT_EQ(map.Villains()[0]->Y(), 280);
    EXPECT_EQ(map.Villains()[0]->standingVariant, 2);
    EXPECT_FLOAT_EQ(map.Villains()[1]->Y(), 610);
    EXPECT_EQ(map.Marker(0)->Status(), kLevelLocked);
    EXPECT_NE(map.Marker(0)->Decoration(0), nullptr);
    // The villains walk in, fire and leave; their shots lock the look of levels 15, 26, 36 and 41.
    for (int i = 0; i < 3000 && !map.Villains().empty(); ++i)
        map.Update(50);
    EXPECT_TRUE(map.Villains().empty());
    // The tutorial's end shows the profile's statuses again.
    map.ShowLevels(true);
    EXPECT_EQ(map.Marker(0)->Status(), kLevelOpen);
}

TEST_F(MapScreenRules, HoverFindsPlayableLevelsUnderTheMouse) {
    SetStatus(0, kLevelLocked);
    SetStatus(8, kLevelOpen);
    map.ReloadProfile();
    map.UpdateHover(map.MapToScreen(266, 193));
    EXPECT_EQ(map.Hovered(), 8);
    EXPECT_EQ(map.GetCursor(0x100), 257u);
    EXPECT_TRUE(map.Marker(8)->Hovered());
    map.UpdateHover(map.MapToScreen(143, 146)); // level 0, locked: hovered, no hand
    EXPECT_EQ(map.Hovered(), 0);
    EXPECT_FALSE(map.Marker(8)->Hovered());
    EXPECT_EQ(map.GetCursor(0x100), 0x100u);
    map.UpdateHover(map.MapToScreen(266, 663)); // cell 43, empty
    EXPECT_EQ(map.Hovered(), -1);
    // The overlay's bars take the pointer: no level is lit under them.
    map.UpdateHover(map.MapToScreen(266, 193));
    map.UpdateHover({500, 5});
    EXPECT_EQ(map.Hovered(), -1);
}

TEST_F(MapScreenRules, TheRegimeSwitchIsLockedUntilTheHardRegimeIsAvailable) {
    map.ToggleRegime();
    EXPECT_EQ(profile->Regime(), uint32_t(kRegimeEasy));
    profile->MutableRecord().results.hardAvailable = 1;
    SetStatus(3, kLevelGold, kRegimeHard);
    map.ToggleRegime();
    EXPECT_EQ(profile->Regime(), uint32_t(kRegimeHard));
    // The markers change behind the fade, at its middle.
    EXPECT_NE(dynamic_cast<const GEffect_ShowHide*>(CurrentGameEffect()), nullptr);
    EXPECT_EQ(map.Marker(3)->Status(), kLevelLocked);
    map.OnFadeMidpoint();
    EXPECT_EQ(map.Marker(3)->Status(), kLevelGold);
    // Saved at once.
    ProfileManager again(profiles.Folder());
    again.Load();
    ASSERT_NE(again.Current(), nullptr);
    EXPECT_EQ(again.Current()->Regime(), uint32_t(kRegimeHard));
}

TEST_F(MapScreenRules, AKeptCopyIsReadWhileTheProfilesChange) {
    SetStatus(2, kLevelSilver);
    map.KeepProfileCopy();
    profiles.DeleteProfile(profile);
    profile = nullptr;
    EXPECT_EQ(map.LevelStatus(2), kLevelSilver);
    EXPECT_NE(map.Results(), nullptr);
}

TEST_F(MapScreenRules, WithoutAProfileTheMapGoesToTheMainScreen) {
    profiles.DeleteProfile(profile);
    profile = nullptr;
    map.Open();
    const GameEffect* effect = CurrentGameEffect();
    ASSERT_NE(effect, nullptr);
    EXPECT_NE(dynamic_cast<const GEffect_Regime*>(effect), nullptr);
    EXPECT_EQ(map.LevelStatus(0), kLevelLocked);
    map.Close();
}

TEST_F(MapScreenRules, TheOverlaysButtonsDoTheirJobs) {
    std::vector<std::string> opened;
    MapHooks hooks;
    hooks.openOptions = [&] { opened.push_back("options"); };
    hooks.openAwards = [&](int32_t mode) { opened.push_back("awards " + std::to_string(mode)); };
    hooks.openProfiles = [&](std::function<void()> before, std::function<void()> chosen) {
        opened.push_back("profiles");
        before();
        chosen();
    };
    hooks.showComic = [&](int32_t comic) { opened.push_back("comic " + std::to_string(comic)); };
    map.SetHooks(hooks);
    map.Open();
    ASSERT_NE(map.Interface(), nullptr);
    const MapOverlayLayout& places = map.Interface()->Places();
    // Clicks go through the window manager to the overlay's window.
    struct Case {
        MapPoint at;
        const char* opens;
    };
    const Case cases[] = {
        {{places.Options().x + 5, places.Options().y + 5}, "options"},
        {{places.Awards().x + 5, places.Awards().y + 5}, "awards 0"},
        {{places.Medals().x + 5, places.Medals().y + 5}, "awards 0"},
        {{512, 10}, "profiles"},
    };
    for (const Case& c : cases) {
        opened.clear();
        Click(c.at);
        ASSERT_FALSE(opened.empty()) << c.opens;
        EXPECT_EQ(opened[0], c.opens);
    }
    // A fresh profile (easy, nothing passed) chosen in the profiles window starts the first comic.
    EXPECT_EQ(opened, (std::vector<std::string>{"profiles", "comic 0"}));
    // The awards' cheat view wants the cheats and exactly Shift held.
    struct Modified {
        uint32_t control, modifiers;
        bool cheats;
        const char* opens;
    };
    const Modified modified[] = {
        {kMapControlMedals, 2, true, "awards 1"},
        {kMapControlAwards, 3, true, "awards 0"},
        {kMapControlAwards, 2, false, "awards 0"},
    };
    for (const Modified& c : modified) {
        opened.clear();
        SetCheats(c.cheats);
        EXPECT_TRUE(map.OnInterfaceClick(c.control, c.modifiers));
        EXPECT_EQ(opened, std::vector<std::string>{c.opens});
    }
    SetCheats(false);
    // The locked regime switch takes no click; the top controls are the tutorials' exceptions.
    const MapPoint regime = places.Regime();
    EXPECT_EQ(map.Interface()->ControlAt(regime.x + 5, regime.y + 5), kMapControlNone);
    EXPECT_TRUE(map.Interface()->IsOnTopControls(places.Back().x + 5, 10));
    EXPECT_TRUE(map.Interface()->IsOnTopControls(places.Options().x + 5, 10));
    EXPECT_FALSE(map.Interface()->IsOnTopControls(places.Awards().x + 5, places.Awards().y + 5));
}

TEST_F(MapScreenRules, TheOverlayIsAWindowOfTheMapsSlotAndGoesWithTheMap) {
    map.Open();
    MapInterface* overlay = map.Interface();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(windows.mapInterface, overlay);
    EXPECT_EQ(windows.FindWindowByLayer(kMapInterfaceTag), overlay);
    EXPECT_FALSE(overlay->modal);
    // Its points are its own; the map's stay the map's.
    EXPECT_TRUE(overlay->HitTest(500, 5));
    EXPECT_FALSE(overlay->HitTest(500, 300));
    windows.OnMouseMove(500, 5, 0);
    EXPECT_EQ(windows.HoveredWindow(), overlay);
    windows.OnMouseMove(500, 300, 0);
    EXPECT_EQ(windows.HoveredWindow(), nullptr);
    EXPECT_FALSE(windows.OnMouseDown(500, 300, 1));
    windows.OnMouseUp(500, 300, 1);
    // Opening again keeps the one window.
    map.Open();
    EXPECT_EQ(windows.Count(), 1);
    // A window of the map's other slot closes with the map too, and so does the overlay.
    GameWindow* other = windows.Open<GameWindow>(MakeWindowTag('T', 'e', 's', 't'), false);
    windows.mapWindow = other;
    map.Close();
    EXPECT_EQ(windows.mapInterface, nullptr);
    EXPECT_EQ(windows.mapWindow, nullptr);
    EXPECT_EQ(windows.Count(), 0);
    EXPECT_EQ(map.Interface(), nullptr);
    // The running tutorial goes with the map.
    EXPECT_NE(std::find(tutorialCalls.begin(), tutorialCalls.end(), "delete"), tutorialCalls.end());
}

TEST_F(MapScreenRules, TheLockedRegimeSwitchHintsThroughTheOverlaysWindow) {
    map.Open();
    MapInterface* overlay = map.Interface();
    ASSERT_NE(overlay, nullptr);
    const MapPoint regime = overlay->Places().Regime();
    EXPECT_TRUE(overlay->HasRegimeHint());
    windows.OnMouseMove(regime.x + 20, regime.y + 20, 0);
    ASSERT_EQ(windows.HintOwner(), &overlay->RegimeControl());
    ASSERT_NE(windows.HintOwner()->GetWindow(), nullptr);
    EXPECT_EQ(windows.HintOwner()->GetWindow()->tag, kMapInterfaceTag);
    // Locked, a click does nothing.
    Click({regime.x + 20, regime.y + 20});
    EXPECT_EQ(profile->Regime(), uint32_t(kRegimeEasy));
    EXPECT_EQ(CurrentGameEffect(), nullptr);
    // Leaving the switch lets the hint go.
    windows.OnMouseMove(500, 300, 0);
    EXPECT_EQ(windows.HintOwner(), nullptr);
    // Open, the switch has no hint and a click changes the regime.
    profile->MutableRecord().results.hardAvailable = 1;
    map.ReloadProfile();
    EXPECT_FALSE(overlay->HasRegimeHint());
    windows.OnMouseMove(regime.x + 20, regime.y + 20, 0);
    EXPECT_EQ(windows.HintOwner(), nullptr);
    Click({regime.x + 20, regime.y + 20});
    EXPECT_EQ(profile->Regime(), uint32_t(kRegimeHard));
}

TEST_F(MapScreenRules, TheMedalsPanelCountsTheRegimeTheMapShows) {
    SetStatus(0, kLevelGold);
    SetStatus(1, kLevelBronze);
    SetStatus(2, kLevelSilver, kRegimeHard);
    SetStatus(3, kLevelSilver, kRegimeHard);
    profile->MutableRecord().results.hardAvailable = 1;
    map.Open();
    ASSERT_NE(map.Interface(), nullptr);
    auto counts = [&] {
        const MedalsPanel& panel = map.Interface()->Medals();
        std::vector<std::string> out;
        for (int i = 0; i < 3; ++i)
            out.push_back(platform::Utf16ToUtf8(panel.CountText(i)));
        return out;
    };
    using Counts = std::vector<std::string>; // bronze, silver, gold
    // A kind without medals reads 0 rather than leaving its "x" without a number.
    EXPECT_EQ(counts(), (Counts{"1", "0", "1"}));
    // A level's result reaches the panel with the map's state.
    SetStatus(4, kLevelGold);
    map.SetState(LevelResult{});
    EXPECT_EQ(counts(), (Counts{"1", "0", "2"}));
    // The other regime's medals after the regime changes.
    map.ToggleRegime();
    map.OnFadeMidpoint();
    EXPECT_EQ(counts(), (Counts{"0", "2", "0"}));
}

TEST_F(MapScreenRules, TheRegimeLabelsLightTheChosenRegime) {
    map.Open();
    MapInterface* overlay = map.Interface();
    ASSERT_NE(overlay, nullptr);
    struct Case {
        bool hard;
        uint32_t easy, hardLabel;
    };
    const Case cases[] = {
        {false, 0xFFFFFFFF, 0xFFFFD8AB},
        {true, 0xFFFFD8AB, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        overlay->RefreshRegime(c.hard, true, true);
        EXPECT_EQ(overlay->RegimeLabelColour(0), c.easy) << c.hard;
        EXPECT_EQ(overlay->RegimeLabelColour(1), c.hardLabel) << c.hard;
    }
}

TEST_F(MapScreenRules, ANewProfileReadDropsTheRunningTutorialAndTheLevelsShownEndTheAttack) {
    map.Open();
    tutorialCalls.clear();
    map.ReloadProfile();
    EXPECT_EQ(tutorialCalls, std::vector<std::string>{"delete"});
    // The levels shown again finish the villains' attack, whichever way they show.
    for (const bool instant : {false, true}) {
        tutorialCalls.clear();
        map.ShowLevels(instant);
        EXPECT_EQ(tutorialCalls, std::vector<std::string>{"finish 40080000"}) << instant;
    }
}

TEST(MapInterface, TheChainFallsAwayWhenTheHardRegimeOpens) {
    App app;
    WindowManager windows(nullptr, nullptr);
    MapInterface& overlay = *windows.Open<MapInterface>(1024, 768);
    overlay.RefreshRegime(false, false, true);
    EXPECT_EQ(overlay.ChainAlpha(), 255u);
    overlay.RefreshRegime(false, true, false);
    EXPECT_EQ(overlay.ChainAlpha(), 255u);
    overlay.Advance(300);
    EXPECT_NEAR(int(overlay.ChainAlpha()), 128, 1);
    overlay.Advance(300);
    EXPECT_EQ(overlay.ChainAlpha(), 0u);
    EXPECT_EQ(overlay.ControlAt(1024 - 170, 768 - 60), kMapControlRegime);
    overlay.RefreshRegime(true, true, false);
    EXPECT_TRUE(overlay.HardChosen());
    EXPECT_EQ(overlay.ChainAlpha(), 0u);
}
