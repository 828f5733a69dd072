#include "app/GameShell.h"

#include "app/App.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/Ident.h"
#include "sprites/GameEffect.h"
#include "sprites/Sprite.h"

#include <memory>
#include <vector>

namespace {

// Game state of the shell, like the game state itself: one per program.
void (*g_screenHooks[size_t(ScreenPart::Count)])() = {};
ScreenScaleState g_screenScale;
std::vector<void (*)()> g_initHooks;
bool g_initialised = false;
bool g_closeWanted = false;
DXLTexture* g_text = nullptr;                  // the current text of the batch, not owned
const DXLTextureState* g_textParams = nullptr; // not owned
TutorialHooks* g_tutorial = nullptr;           // owned by the tutorial engine

void RunHook(ScreenPart part) {
    if (auto hook = g_screenHooks[size_t(part)]) hook();
}

} // namespace

void ChangeGameState(int32_t state) {
    StartGameEffect(std::make_unique<GEffect_Regime>(state, kStateFadeMs, kStateFadeMs, 0, 0xFF000000));
}

void SetScreenResourceHook(ScreenPart part, void (*hook)()) {
    if (part < ScreenPart::Count) g_screenHooks[size_t(part)] = hook;
}

void CreateScreenResources() {
    if (const DXLViewer* viewer = AppViewer()) {
        const kis::Rect& client = viewer->GetClientRect();
        g_screenScale.width = client.right - client.left;
        g_screenScale.height = client.bottom - client.top;
    }
    RunHook(ScreenPart::Texts);
    RunHook(ScreenPart::Map);
    switch (GameState()) {
    case kStateLevel:
        RunHook(ScreenPart::Level);
        break;
    case kStateMainScreen:
        RunHook(ScreenPart::MainScreen);
        break;
    default:
        RunHook(ScreenPart::Windows);
        break;
    }
    RunHook(ScreenPart::Tutorial);
}

const ScreenScaleState& ScreenScale() {
    return g_screenScale;
}

void SetScreenScale(const ScreenScaleState& state) {
    g_screenScale = state;
}

void RegisterGameInitHook(void (*hook)()) {
    if (hook) g_initHooks.push_back(hook);
}

void InitGame() {
    if (g_initialised) return; // the managers live for the whole run
    g_initialised = true;
    for (auto hook : g_initHooks)
        hook();
    CreateScreenResources();
}

bool IsGameInitialised() {
    return g_initialised;
}

void EndGame() {
    g_initialised = false;
    g_tutorial = nullptr; // deleted with the tutorial engine's objects
    EndText();
    SetTextParams(nullptr);
}

void ClearGameInitHooks() {
    g_initHooks.clear();
    g_initialised = false;
}

void CloseMainWindow() {
    g_closeWanted = true;
}

bool TakeMainWindowClose() {
    const bool wanted = g_closeWanted;
    g_closeWanted = false;
    return wanted;
}

namespace {

// The state record a text's quads are drawn with, on the program's viewer.
void OverrideTextState(const DXLTextureState* state) {
    if (DXLViewer* viewer = AppViewer()) viewer->SetTextureStateOverride(state);
}

} // namespace

void SetText(DXLTexture* text) {
    if (text == g_text) return;
    if (!text) {
        EndText();
        return;
    }
    if (g_text) ClearCurrentTexture(AppViewer()); // flushes the previous text
    g_text = text;
    OverrideTextState(g_textParams);
    SetCurrentTexture(text);
}

void SetTextParams(const DXLTextureState* state) {
    g_textParams = state;
    if (!g_text) return;
    // Applied at once to the current text: it binds again under the new record.
    DXLTexture* text = g_text;
    ClearCurrentTexture(AppViewer());
    OverrideTextState(state);
    SetCurrentTexture(text);
}

void EndText() {
    if (g_text) ClearCurrentTexture(AppViewer());
    g_text = nullptr;
    OverrideTextState(nullptr);
}

DXLTexture* CurrentText() {
    return g_text;
}

void DrawSprite(DXLViewer& viewer, DXLTexture* texture, const TexturedQuad& quad) {
    if (g_text) {
        SetText(texture);
        viewer.DrawTexturedQuad(&quad);
        return;
    }
    SetCurrentTexture(texture);
    viewer.DrawTexturedQuad(&quad);
    ClearCurrentTexture(&viewer);
}

uint32_t NameToId(const char16_t* text) {
    return kis::NameId(text);
}

TutorialHooks* RunningTutorial() {
    return g_tutorial;
}

void SetRunningTutorial(TutorialHooks* tutorial) {
    g_tutorial = tutorial;
}

bool TutorialAllows(uint32_t action, uint32_t tag, uintptr_t data) {
    return !g_tutorial || g_tutorial->AllowsAction(action, tag, data);
}

void TutorialNotify(uint32_t event, uintptr_t a, uintptr_t b) {
    if (g_tutorial) g_tutorial->OnEvent(event, a, b);
}
