// The options window on its own manager, with the display and config.dat
// stood in for: what is written when, the volume toggles and bars, and a
// screen mode that cannot be set.
#include "frontend/OptionsWindow.h"
#include "app/App.h"
#include "app/GameShell.h"
#include "engine/InputManager.h"
#include "engine/SoundManager.h"
#include "engine/SoundPack.h"
#include "gui/Window.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

namespace {

// The stand-ins' record of what the window asked for.
struct Display {
    bool fullscreen = false;
    bool refuseFullscreen = false; // switching to full screen fails
    bool refuseWindowed = false;   // and so does the way back
    int saves = 0;
};
Display g_display;
SoundManager* g_sound = nullptr; // the test's

OptionsServices Services() {
    OptionsServices s;
    s.sound = g_sound;
    s.isFullscreen = [] { return g_display.fullscreen; };
    s.setFullscreen = [](bool on) {
        if (on ? g_display.refuseFullscreen : g_display.refuseWindowed) return false;
        g_display.fullscreen = on;
        return true;
    };
    s.saveConfig = [] { ++g_display.saves; };
    return s;
}

void SetSound(bool musicOn, float music, bool soundsOn, float sounds) {
    const SoundSettings settings = {musicOn ? 1u : 0u, music, soundsOn ? 1u : 0u, sounds};
    (*g_sound).ApplySettings(&settings);
}

class OptionsWindowTest : public ::testing::Test {
  protected:
    App app; // the shell's state the test runs on
    void SetUp() override {
        g_sound = &sound;
        g_display = Display();
        SetSound(true, 50, true, 50);
        TakeMainWindowClose();
    }
    OptionsWindow* Open() { return manager.Open<OptionsWindow>(Services()); }
    void CloseAll() { manager.DeleteAllWindows(); }
    GameButton* Find(OptionsWindow* w, uint32_t command) {
        for (int32_t i = 0; i < w->Controls().Count(); ++i)
            if (w->Controls().Get(i)->Command() == command) return w->Controls().Get(i);
        return nullptr;
    }

    spritetest::TestHost clock{1000};
    SoundManager sound;
    WindowManager manager{nullptr, nullptr};
};

} // namespace

TEST_F(OptionsWindowTest, ConfigIsWrittenWhenTheWindowGoesAndOnlyAfterAChange) {
    struct Case {
        const char* name;
        uint32_t command; // 0: none
        int saves;
    };
    const Case cases[] = {
        {"closed at once", 0, 0},
        {"the tutorial box without a player", kOptionsTutorial, 0},
        {"music switched off", kOptionsMusicToggle, 1},
        {"sounds switched off", kOptionsSoundToggle, 1},
        {"full screen", kOptionsFullscreen, 1},
    };
    for (const Case& c : cases) {
        SetUp();
        OptionsWindow* w = Open();
        EXPECT_EQ(manager.optionsWindow, w);
        if (c.command) static_cast<ActiveButton*>(Find(w, c.command))->OnClick();
        EXPECT_EQ(g_display.saves, 0) << c.name << ": nothing is written while the window is open";
        CloseAll();
        EXPECT_EQ(g_display.saves, c.saves) << c.name;
        EXPECT_EQ(manager.optionsWindow, nullptr) << c.name;
    }
}

TEST_F(OptionsWindowTest, WithoutAPlayerTheTutorialBoxStaysUnticked) {
    OptionsWindow* w = Open();
    EXPECT_FALSE(w->TutorialBox()->IsDisabled());
    static_cast<ActiveButton*>(w->TutorialBox())->OnClick();
    EXPECT_FALSE(w->TutorialBox()->IsDisabled());
}

TEST_F(OptionsWindowTest, SwitchingACategoryOnAtVolume0SetsItTo33) {
    struct Case {
        bool on;
        float volume;
        uint32_t toggle;
        int category;
        bool onAfter;
        float volumeAfter;
    };
    const Case cases[] = {
        {false, 0, kOptionsMusicToggle, kSoundMusic, true, 33.0f},
        {false, 70, kOptionsMusicToggle, kSoundMusic, true, 70.0f},
        {true, 0, kOptionsSoundToggle, kSoundEffects, true, 33.0f}, // on at 0 counts as off
        {true, 60, kOptionsSoundToggle, kSoundEffects, false, 60.0f},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.category == kSoundMusic)
            SetSound(c.on, c.volume, true, 50);
        else
            SetSound(true, 50, c.on, c.volume);
        OptionsWindow* w = Open();
        // Pressed like the mouse does: a ticked toggle is not a disabled button.
        GameButton* toggle = Find(w, c.toggle);
        const int32_t x = toggle->rect.left + 3, y = toggle->rect.top + 3;
        ASSERT_TRUE(toggle->OnMouseDown(x, y, kMouseLeft));
        ASSERT_TRUE(toggle->OnMouseUp(x, y, kMouseLeft));
        SoundSettings s;
        (*g_sound).GetSettings(&s);
        const float volume = c.category == kSoundMusic ? s.musicVolume : s.soundsVolume;
        EXPECT_FLOAT_EQ(volume, c.volumeAfter) << c.volume;
        EXPECT_EQ((*g_sound).IsAudible(c.category), c.onAfter) << c.volume;
        EXPECT_EQ(w->Bar(c.category)->toggle->IsDisabled(), c.onAfter) << "the toggle shows the state";
        const int32_t fill = w->Bar(c.category)->Fill();
        EXPECT_EQ(fill, c.onAfter
                            ? int32_t(c.volumeAfter * float(w->Bar(c.category)->BarWidth()) / 100.0f + 0.5f)
                            : 0);
        CloseAll();
    }
}

TEST_F(OptionsWindowTest, BarsTakeTheirValueFromTheClickAndTheSoundBarClicksAtMostEvery150Ms) {
    SetSound(false, 50, true, 50);
    OptionsWindow* w = Open();
    SoundBar* music = w->Bar(kSoundMusic);
    SoundBar* sounds = w->Bar(kSoundEffects);
    const int32_t left = music->rect.left, width = music->BarWidth();
    ASSERT_TRUE(music->OnMouseDown(left + width - 1, music->rect.top + 2, kMouseLeft));
    SoundSettings s;
    (*g_sound).GetSettings(&s);
    EXPECT_FLOAT_EQ(s.musicVolume, 100.0f) << "the right edge";
    EXPECT_TRUE((*g_sound).IsAudible(kSoundMusic)) << "a press switches the category on";
    music->SetFromX(left);
    (*g_sound).GetSettings(&s);
    EXPECT_FLOAT_EQ(s.musicVolume, 0.0f) << "the left edge";
    EXPECT_FALSE((*g_sound).IsAudible(kSoundMusic)) << "on at 0 counts as off";
    EXPECT_FALSE(music->toggle->IsDisabled());
    EXPECT_FALSE(music->clicked) << "the music bar never clicks";

    sounds->clickSound = 1;
    struct Step {
        uint32_t at;
        int32_t x;
        bool heard;
    };
    const Step steps[] = {
        {2000, 10, true}, {2100, 20, false}, {2149, 30, false}, {2150, 40, true}, {2400, 40, false}};
    for (const Step& step : steps) {
        clock.SetClocks(step.at);
        const uint32_t before = sounds->lastClick;
        sounds->SetFromX(sounds->rect.left + step.x);
        EXPECT_EQ(sounds->lastClick != before, step.heard) << step.at;
    }
    EXPECT_TRUE(w->Changed());
}

TEST_F(OptionsWindowTest, AScreenModeThatCannotBeSetIsPutBackAndNotSaved) {
    struct Case {
        const char* name;
        bool refuseWindowed;
        bool closes;
    };
    const Case cases[] = {{"the old mode comes back", false, false},
                          {"neither mode: the program closes", true, true}};
    for (const Case& c : cases) {
        SetUp();
        g_display.refuseFullscreen = true;
        g_display.refuseWindowed = c.refuseWindowed;
        OptionsWindow* w = Open();
        static_cast<ActiveButton*>(w->FullscreenBox())->OnClick();
        EXPECT_FALSE(g_display.fullscreen) << c.name;
        EXPECT_FALSE(w->FullscreenBox()->IsDisabled()) << c.name << ": the box shows the mode in force";
        EXPECT_FALSE(w->Changed()) << c.name;
        EXPECT_EQ(TakeMainWindowClose(), c.closes) << c.name;
        CloseAll();
        EXPECT_EQ(g_display.saves, 0) << c.name << ": config.dat keeps the working mode";
    }
}
