#pragma once
// What the screens above the shell call of it: changing the game state
// through a screen fade, the screen-size dependent resources, closing the
// main window, the game's start-up of its managers, text batching, sprite and
// name lookups, the screen scale, and the hooks to the running tutorial.

#include "app/GameStates.h"
#include "gui/TutorialMessages.h"
#include "gui/TutorialObject.h"

#include <cstdint>

class DXLTexture;
struct DXLTextureState;
class DXLViewer;
struct TexturedQuad;

// ---------------------------------------------------------------- states

// The screen fade of a state change.
constexpr uint32_t kStateFadeMs = 250;
// Changes the game state through a full-screen fade (GEffect_Regime): the
// fade covers the screen, the state changes at its midpoint, the fade uncovers.
void ChangeGameState(int32_t state);

// ---------------------------------------------------------------- screen resources

// The parts that CreateScreenResources rebuilds, in its order: the texts and
// overlays, the level-select map, the screen of the current state (the level
// in kStateLevel, the main screen in kStateMainScreen, the windows in any other), the
// running tutorial. The subsystems above the shell register their part; the
// texts' part is for texts made for one screen size, which the game has none
// of (its windows' and tutorials' texts are laid out by their own parts).
enum class ScreenPart { Texts, Map, Level, MainScreen, Windows, Tutorial, Count };
void SetScreenResourceHook(ScreenPart part, void (*hook)());
// Reads the screen size into the screen scale (wide when the screen is
// wider than 4:3), then rebuilds the parts.
void CreateScreenResources();

// The screen state: size in pixels, the scaling flag and factor (for
// follow-zoom sprites and flying labels) and the wide-screen flag; the map
// draws its side pieces when either flag is set.
struct ScreenScaleState {
    int32_t width = 0;
    int32_t height = 0;
    bool scaling = false;
    float scale = 1.0f;
    bool wide = false;
};
const ScreenScaleState& ScreenScale();
void SetScreenScale(const ScreenScaleState& state);

// ---------------------------------------------------------------- start-up

// The game's managers, made once for the run: each hook runs once, in the
// order registered, when InitGame runs; CreateScreenResources follows.
void RegisterGameInitHook(void (*hook)());
void InitGame();
bool IsGameInitialised();
// The run's end: InitGame may run again in a later run of the program.
void EndGame();
// Forgets the hooks and the done flag (tests).
void ClearGameInitHooks();

// Closes the main window: the main loop ends at its next pass and the shut-
// down saves the running level and the profiles (WinMain.cpp).
void CloseMainWindow();
bool TakeMainWindowClose();

// ---------------------------------------------------------------- text batching

// Makes a text texture current for drawing, flushing (unbinding) the
// previous one; null ends the batch like EndText.
void SetText(DXLTexture* text);
// Keeps the texture-state record to apply while a text is current (null:
// each text's own state). The record is not copied.
void SetTextParams(const DXLTextureState* state);
// Flushes and clears the current text.
void EndText();
DXLTexture* CurrentText();
// Draws one sprite item: through the open text batch (switching its texture
// when it differs), or bound and unbound on its own when no batch is open.
void DrawSprite(DXLViewer& viewer, DXLTexture* texture, const TexturedQuad& quad);

// ---------------------------------------------------------------- lookups

// GetSprite (library, name) is the sprite libraries' own (sprites/Sprite.h).
// The name id of a text (lower-cased a-z, 0-9 and '_', at most 31); 0 for a
// null or empty text or any other character.
uint32_t NameToId(const char16_t* text);

// ---------------------------------------------------------------- tutorial

// What the shell asks of the running tutorial; the tutorial engine derives
// from it.
class TutorialHooks {
  public:
    virtual ~TutorialHooks() = default;
    virtual bool AllowsAction(TutorialAction action, uint32_t tag, TutorialObject data) = 0;
    virtual void OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) = 0;
};
// The running tutorial (not owned: the tutorial engine owns it); null when none.
TutorialHooks* RunningTutorial();
void SetRunningTutorial(TutorialHooks* tutorial);
// True when no tutorial runs, else the running tutorial's answer.
bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data);
// Passes a game event to the running tutorial; nothing when none runs.
void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b);
