#pragma once
// The main screen (game state kStateMainScreen): the animated title scene (picture layers
// of the 'MNSC' chunk - the farm girl, light beams, particles, plain
// pictures), the language's title image, the main menu and the music
// "main_theme". One MainScreen lives for the run; its layers and menu exist
// only while the state is current.

#include "app/GameStates.h"
#include "engine/LoaderState.h"
#include "engine/Viewer.h"
#include "foundation/DataFile.h"
#include "frontend/FrontendLayout.h"
#include "frontend/MainScreenData.h"

#include <cstdint>
#include <memory>
#include <vector>

class MainScreenLayer;
class MainScreenGirl;
class MainScreenMenu;
class GameWindow;
class DXLTexture;

class MainScreen {
  public:
    MainScreen();
    ~MainScreen();

    // The 'MNSC' stage of the game-data loading: one call; any failure sets
    // the state's error flag and leaves no records.
    int32_t Load(kis::DataFileReaderW* reader, LoaderState* state);
    // Takes records directly (tests, tools).
    void SetRecords(std::vector<MainScreenRecord> records) { records_ = std::move(records); }
    const std::vector<MainScreenRecord>& Records() const { return records_; }

    void Open();
    void Close();
    void Update(uint32_t dt);
    void Draw();
    // Places the scene, the title image and the windows for the screen size.
    void Layout();
    // Rebuilds the menu's profile parts (greeting, easy and hard).
    void RefreshMenu();

    bool OnMouseDown(int32_t x, int32_t y, uint32_t button);
    bool OnMouseUp(int32_t x, int32_t y, uint32_t button);
    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons);
    bool OnMouseDblClick(int32_t x, int32_t y);
    bool OnMouseWheel(int32_t x, int32_t y, int32_t delta);
    bool OnKeyDown(uint32_t key, uint32_t flags);
    bool OnKeyUp(uint32_t key, uint32_t flags);
    bool OnKeyPress(char16_t ch);

    // The girl smiles while the pointer is over a window (changes 300 ms apart).
    void FollowHover(bool overWindow);

    int32_t GetMenuAnchorX() const;
    int32_t MenuTop() const { return title_.menuTop; }
    const SceneLayout& Scene() const { return scene_; }
    const SceneMotion& Motion() const { return motion_; }
    const TitleLayout& Title() const { return title_; }
    MainScreenMenu* Menu() const { return menu_; }
    // The menu as a window of the manager's stack (null while closed).
    GameWindow* MenuWindow() const;
    bool IsOpen() const { return open_; }
    int32_t LayerCount() const { return int32_t(layers_.size()); }
    MainScreenGirl* Girl() const { return girl_; }

    // With no current player and no modal window: the new-player window
    // when there are no players, else the players' list.
    void OfferProfileWindow();

  private:
    std::vector<MainScreenRecord> records_;
    std::vector<std::unique_ptr<MainScreenLayer>> layers_;
    MainScreenGirl* girl_ = nullptr; // one of layers_: the last girl record's
    SceneMotion motion_;
    SceneLayout scene_;
    TitleLayout title_;
    DXLTexture* titleImage_ = nullptr; // the language's
    TexturedQuad titleQuad_ = {};
    MainScreenMenu* menu_ = nullptr; // owned by the window manager's stack while open
    bool hover_ = false;
    uint32_t hoverChanged_ = 0;
    bool open_ = false;
};

// The run's main screen: made at the first use, deleted by DestroyMainScreen.
MainScreen& TheMainScreen();
MainScreen* FindMainScreen();
void DestroyMainScreen();

// The kStateMainScreen screen: open, close and the callbacks.
void OpenMainScreenState();
void CloseMainScreenState();
const AppCallbacks& MainScreenCallbacks();
// The 'MNSC' loader of the game-data stages.
int32_t LoadMainScreenChunk(kis::DataFileReaderW* reader, LoaderState* state);

// The menu's profile parts after the profiles changed (a callback of the profile windows).
void RefreshMainScreenMenu();
