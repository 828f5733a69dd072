#include "app/GameShell.h"

#include "app/App.h"
#include "app/AppState.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/Ident.h"
#include "sprites/GameEffect.h"
#include "sprites/Sprite.h"

#include <memory>
#include <vector>

namespace {

// The running App's part of the shell, or null while no App is made.
ShellParts* Shell() {
    AppState* state = RunningAppState();
    return state ? &state->shell : nullptr;
}

const ScreenScaleState kNoScreenScale = {};

void RunHook(ScreenPart part) {
    if (ShellParts* shell = Shell())
        if (auto hook = shell->screenHooks[size_t(part)]) hook();
}

} // namespace

void ChangeGameState(int32_t state) {
    StartGameEffect(std::make_unique<GEffect_Regime>(state, kStateFadeMs, kStateFadeMs, 0, 0xFF000000));
}

void SetScreenResourceHook(ScreenPart part, void (*hook)()) {
    ShellParts* shell = Shell();
    if (shell && part < ScreenPart::Count) shell->screenHooks[size_t(part)] = hook;
}

void CreateScreenResources() {
    ShellParts* shell = Shell();
    const DXLViewer* viewer = AppViewer();
    if (shell && viewer) {
        const kis::Rect& client = viewer->GetClientRect();
        ScreenScaleState& screen = shell->screenScale;
        screen.width = client.right - client.left;
        screen.height = client.bottom - client.top;
        // Wider than 4:3: the screens drawn to the height (the map) leave
        // room at their sides.
        screen.wide = int64_t(screen.width) * 3 > int64_t(screen.height) * 4;
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
    const ShellParts* shell = Shell();
    return shell ? shell->screenScale : kNoScreenScale;
}

void SetScreenScale(const ScreenScaleState& state) {
    if (ShellParts* shell = Shell()) shell->screenScale = state;
}

void RegisterGameInitHook(void (*hook)()) {
    ShellParts* shell = Shell();
    if (shell && hook) shell->initHooks.push_back(hook);
}

void InitGame() {
    ShellParts* shell = Shell();
    if (!shell || shell->initialised) return; // the managers live for the whole run
    shell->initialised = true;
    for (auto hook : std::vector<void (*)()>(shell->initHooks))
        hook();
    CreateScreenResources();
}

bool IsGameInitialised() {
    const ShellParts* shell = Shell();
    return shell && shell->initialised;
}

void EndGame() {
    if (ShellParts* shell = Shell()) {
        shell->initialised = false;
        shell->tutorial = nullptr; // deleted with the tutorial engine's objects
    }
    EndText();
    SetTextParams(nullptr);
}

void ClearGameInitHooks() {
    if (ShellParts* shell = Shell()) {
        shell->initHooks.clear();
        shell->initialised = false;
    }
}

void CloseMainWindow() {
    if (ShellParts* shell = Shell()) shell->closeWanted = true;
}

bool TakeMainWindowClose() {
    ShellParts* shell = Shell();
    if (!shell) return false;
    const bool wanted = shell->closeWanted;
    shell->closeWanted = false;
    return wanted;
}

namespace {

// The state record a text's quads are drawn with, on the program's viewer.
void OverrideTextState(const DXLTextureState* state) {
    if (DXLViewer* viewer = AppViewer()) viewer->SetTextureStateOverride(state);
}

} // namespace

void SetText(DXLTexture* text) {
    ShellParts* shell = Shell();
    if (!shell || text == shell->text) return;
    if (!text) {
        EndText();
        return;
    }
    if (shell->text) ClearCurrentTexture(AppViewer()); // flushes the previous text
    shell->text = text;
    OverrideTextState(shell->textParams);
    SetCurrentTexture(text);
}

void SetTextParams(const DXLTextureState* state) {
    ShellParts* shell = Shell();
    if (!shell) return;
    shell->textParams = state;
    if (!shell->text) return;
    // Applied at once to the current text: it binds again under the new record.
    DXLTexture* text = shell->text;
    ClearCurrentTexture(AppViewer());
    OverrideTextState(state);
    SetCurrentTexture(text);
}

void EndText() {
    ShellParts* shell = Shell();
    if (shell && shell->text) ClearCurrentTexture(AppViewer());
    if (shell) shell->text = nullptr;
    OverrideTextState(nullptr);
}

DXLTexture* CurrentText() {
    const ShellParts* shell = Shell();
    return shell ? shell->text : nullptr;
}

void DrawSprite(DXLViewer& viewer, DXLTexture* texture, const TexturedQuad& quad) {
    if (CurrentText()) {
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
    const ShellParts* shell = Shell();
    return shell ? shell->tutorial : nullptr;
}

void SetRunningTutorial(TutorialHooks* tutorial) {
    if (ShellParts* shell = Shell()) shell->tutorial = tutorial;
}

bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) {
    TutorialHooks* tutorial = RunningTutorial();
    return !tutorial || tutorial->AllowsAction(action, tag, data);
}

void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) {
    if (TutorialHooks* tutorial = RunningTutorial()) tutorial->OnEvent(event, a, b);
}
