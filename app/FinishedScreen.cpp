#include "app/FinishedScreen.h"

#include "app/GameDataLoader.h"
#include "app/GuiShowcase.h"
#include "app/LoadingScreen.h"
#include "engine/Cursors.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "engine/VirtualKeys.h"
#include "gui/Window.h"
#include "platform/Utf.h"
#include "text/DigitalText.h"
#include "text/FontSlots.h"
#include "text/KGEFont.h"
#include "text/KGEText.h"
#include "text/ObjectRegistry.h"
#include "text/TextureCollections.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

// The picture file, relative to the Data folder, and the inline image of the
// markup line, a texture of collection 1.
constexpr const char16_t* kPictureFile = u"Showcase\\sunflower.tga";
constexpr const char16_t* kIconName = u"coin";
constexpr uint32_t kDigitFontId = 1;
constexpr uint32_t kArrowCursorId = 0x100;

// Where things are: x from the middle of the game screen, y from its top.
constexpr int32_t kTitleY = 40;          // "Loading finished", centred
constexpr int32_t kHintY = 92;           // the line in a game font, centred
constexpr int32_t kPicturesY = 230;      // the pictures' centres
constexpr int32_t kPictureSpacing = 200; // left, middle and right picture
constexpr int32_t kMarkupY = 370;        // top of the markup text, centred
constexpr int32_t kCounterY = 450;       // top of the counter row
constexpr int32_t kCounterX = 10;        // the label ends left of the middle, the digits start right of it

constexpr uint32_t kBackground = 0xFF000000;
constexpr int32_t kTitleFont = 2; // the language's caption font
constexpr int32_t kHintFont = 6;  // the data pack's second font
constexpr int32_t kMarkupFont = 6;
constexpr int32_t kCounterFont = 7; // the data pack's third font
constexpr int32_t kCounterDigits = 3;
// The turning picture: degrees per second of game time.
constexpr float kTurnSpeed = 90.0f;

const char16_t* const kTitle = u"Loading finished";
const char16_t* const kHint =
    u"Press a key or click: both are logged, a click plays a sound, and Escape quits.";
const char16_t* const kCounterLabel = u"Clicks:";

const char* ButtonName(uint32_t button) {
    switch (button) {
    case kMouseLeft:
        return "left";
    case kMouseMiddle:
        return "middle";
    case kMouseRight:
        return "right";
    default:
        return "other";
    }
}

// The virtual-key code of a key code, 0 when there is none.
uint32_t VirtualKeyOf(uint32_t key) {
    const InputManager* input = GetAppServices().input;
    const DXLKeyboard* keyboard = input ? input->GetKeyboard() : nullptr;
    return keyboard && key < 256 ? keyboard->GetVirtualKey(uint8_t(key)) : 0;
}

class FinishedScreen {
  public:
    FinishedScreen();
    void Update();
    void Draw();
    // A double click comes instead of the second click's press; it counts as a click.
    void OnClick(int32_t x, int32_t y, uint32_t button, bool doubleClick);
    void OnKeyDown(uint32_t key, uint32_t modifiers);

  private:
    void LoadPicture();
    void MakeMarkupText();
    void MakeCounter();
    void ShowArrowCursor();
    void DrawPictures(float centreX);
    void DrawMarkupText(float centreX);
    void DrawCounter(float centreX);

    DXLViewer* viewer_;
    DXLTexture picture_;
    std::unique_ptr<KGETextW> markup_;
    std::unique_ptr<GameDigitalText> counter_;
    uint32_t clickSound_ = 0;
    int32_t clicks_ = 0;
    uint32_t openedAt_ = 0; // game clock
    bool quitWanted_ = false;
};

FinishedScreen::FinishedScreen() : viewer_(GetAppServices().viewer), picture_(viewer_) {
    openedAt_ = GameClock();
    LoadPicture();
    MakeMarkupText();
    MakeCounter();
    ShowArrowCursor();
    clickSound_ = GetSoundManager().FindSample(u"click");
}

// The picture is drawn with alpha blending and filtered, since two of its
// copies are turned and scaled.
void FinishedScreen::LoadPicture() {
    picture_.SetRestorable(true);
    picture_.SetState(MakeTextureState(
        1, 1, uint32_t(platform::TextureAddress::Clamp), uint32_t(platform::TextureAddress::Clamp),
        kBlendAlpha, uint32_t(platform::TextureOp::Modulate), uint32_t(platform::TextureOp::Modulate)));
    picture_.SetFileName(kPictureFile, true);
    picture_.Restore();
    if (!picture_.IsLive())
        LogErrorPrintf(kLogIndent, "The picture %s cannot be loaded.",
                       platform::Utf16ToUtf8(kPictureFile).c_str());
}

// The markup names the icon by its registry handle, the way texts from files
// name images.
void FinishedScreen::MakeMarkupText() {
    KGEFont* font = GetFont(kMarkupFont);
    DXLTextures* collection = GetTextureCollection(kFontTextureCollection);
    DXLTexture* icon = collection ? collection->FindByName(kIconName) : nullptr;
    if (!font || !icon) return;
    char text[160];
    std::snprintf(text, sizeof text, "A text with markup: <c=F0C040>a colour</c> and an image <image=@%X>.",
                  RegisterTexture(icon));
    std::u16string wide(text, text + std::char_traits<char>::length(text)); // ASCII
    KGETextParams params = KGEDefaultTextParams();
    params.flags = kTextMarkup;
    KGETextW* made = nullptr;
    HResult hr = KGECreateText(viewer_, font, &params, wide.c_str(), kKgeToTerminator, nullptr, &made);
    markup_.reset(made);
    if (Failed(hr)) {
        LogError(kLogIndent, "The markup text cannot be laid out.", hr);
        markup_.reset();
    }
}

void FinishedScreen::MakeCounter() {
    DigitalFont* font = FindAppDigitalFont(kDigitFontId);
    if (!font) return;
    counter_ = std::make_unique<GameDigitalText>(font, 0, kCounterDigits, true, 0);
    counter_->SetValue(0);
}

void FinishedScreen::ShowArrowCursor() {
    SelectCursor(kArrowCursorId);
    const DXLCURSORDATA& current = GetCursorSet().GetCurrent();
    if (current.id == kArrowCursorId && current.image != 0 && GetCursorSet().IsVisible())
        LogLabelPrintf(kLogIndent, "Cursor", "arrow (0x%X) shown", current.id);
    else
        LogErrorPrintf(kLogIndent, "The arrow cursor cannot be shown.");
}

void FinishedScreen::Update() {
    if (quitWanted_) SetGameState(kStateQuit);
    if (WindowManager* windows = GetWindowManager()) windows->Update();
}

void FinishedScreen::Draw() {
    viewer_->ClearTarget(kBackground);
    const kis::Rect& screen = viewer_->GetClientRect();
    const float centreX = float(screen.right - screen.left) * 0.5f;
    KGEFont* titleFont = GetFont(kTitleFont);
    DrawCentredText(viewer_, titleFont, kTitle, centreX, float(kTitleY));
    if (!titleFont) // without the language's font a full bar still says it
        FillScreenRect(viewer_, centreX - 200, float(kTitleY), centreX + 200, float(kTitleY) + 16,
                       0xFFE0B040);
    DrawCentredText(viewer_, GetFont(kHintFont), kHint, centreX, float(kHintY));
    DrawPictures(centreX);
    DrawMarkupText(centreX);
    DrawCounter(centreX);
    if (WindowManager* windows = GetWindowManager()) windows->Draw();
}

// The picture three times about its centre: as it is, turned by 30 degrees
// and enlarged by half, and turning with the game clock.
void FinishedScreen::DrawPictures(float centreX) {
    if (!picture_.IsLive()) return;
    struct Placement {
        float x, degrees, scale;
    };
    const float turning = float(GameClock() - openedAt_) * kTurnSpeed / 1000.0f;
    const Placement placements[3] = {{centreX - float(kPictureSpacing), 0.0f, 1.0f},
                                     {centreX, 30.0f, 1.5f},
                                     {centreX + float(kPictureSpacing), turning, 1.0f}};
    TexturedQuad quad;
    picture_.MakeQuad(&quad, -float(picture_.GetWidth() / 2), -float(picture_.GetHeight() / 2), 0xFFFFFFFF);
    SetCurrentTexture(&picture_);
    for (const Placement& p : placements) {
        viewer_->ResetTransform();
        viewer_->Translate(p.x, float(kPicturesY));
        viewer_->RotateDegrees(p.degrees);
        viewer_->Scale(p.scale);
        viewer_->ApplyTransform();
        viewer_->DrawTexturedQuad(&quad);
    }
    ClearCurrentTexture();
    viewer_->ResetTransform();
    viewer_->ApplyTransform();
}

void FinishedScreen::DrawMarkupText(float centreX) {
    if (!markup_) return;
    viewer_->ResetTransform();
    viewer_->Translate(float(int(centreX) - markup_->GetWidth() / 2), float(kMarkupY));
    viewer_->ApplyTransform();
    markup_->Draw();
    viewer_->ResetTransform();
    viewer_->ApplyTransform();
}

void FinishedScreen::DrawCounter(float centreX) {
    if (KGEFont* font = GetFont(kCounterFont)) {
        const KGESize size = font->MeasureText(kCounterLabel, kKgeToTerminator);
        viewer_->SetBlendMode(kBlendAlpha);
        const float top = float(kCounterY) + float(counter_ ? (counter_->GetHeight() - size.height) / 2 : 0);
        font->DrawTextAt(float(int(centreX) - kCounterX - size.width), top, kCounterLabel);
    }
    if (!counter_) return;
    viewer_->ResetTransform();
    viewer_->Translate(float(int(centreX) + kCounterX), float(kCounterY));
    counter_->Draw();
    viewer_->ResetTransform();
    viewer_->ApplyTransform();
}

void FinishedScreen::OnClick(int32_t x, int32_t y, uint32_t button, bool doubleClick) {
    ++clicks_;
    LogLabelPrintf(kLogIndent, "Mouse click", "%s button%s at %d, %d (click %d)", ButtonName(button),
                   doubleClick ? " double click" : "", x, y, clicks_);
    if (counter_) counter_->SetValue(clicks_);
    SoundManager& sound = GetSoundManager();
    const uint32_t playback = sound.PlayById(clickSound_, kSoundCategoryInterface, kLoopOnce);
    if (playback)
        LogLabelPrintf(kLogIndent, "Sound played", "click (playback 0x%08X)", playback);
    else // the game runs silent without a sound output
        LogLabelPrintf(kLogIndent, "Sound not played", "click (%s)",
                       !sound.HasSound() ? "no sound output"
                       : !clickSound_    ? "no such sample"
                                         : "not started");
}

void FinishedScreen::OnKeyDown(uint32_t key, uint32_t modifiers) {
    const uint32_t virtualKey = VirtualKeyOf(key);
    LogLabelPrintf(kLogIndent, "Key pressed", "0x%02X (virtual key 0x%02X, modifiers 0x%X)", key, virtualKey,
                   modifiers);
    if (virtualKey == kVkF1 + 1) OpenShowcaseDialog(); // F2: the window toolkit's dialog
    if (virtualKey == kVkEscape)
        quitWanted_ = true; // the quit comes with the next update, not in the middle of input
}

std::unique_ptr<FinishedScreen> g_screen;

void UpdateScreen(uint32_t) {
    if (g_screen) g_screen->Update();
}
void DrawScreen() {
    if (g_screen) g_screen->Draw();
}
uint32_t ScreenCursor() {
    uint32_t cursor = kArrowCursorId;
    if (WindowManager* windows = GetWindowManager(); windows && windows->GetCursor(&cursor) && cursor != 256)
        return cursor;
    return kArrowCursorId;
}
void MouseDown(int32_t x, int32_t y, uint32_t button) {
    if (g_screen) g_screen->OnClick(x, y, button, false);
}
void DoubleClick(int32_t x, int32_t y) {
    if (g_screen) g_screen->OnClick(x, y, kMouseLeft, true);
}
void KeyDown(uint32_t key, uint32_t modifiers) {
    if (g_screen) g_screen->OnKeyDown(key, modifiers);
}

const AppCallbacks kCallbacks = {.cursor = ScreenCursor,
                                 .update = UpdateScreen,
                                 .draw = DrawScreen,
                                 .mouseDown = MouseDown,
                                 .mouseDoubleClick = DoubleClick,
                                 .keyDown = KeyDown};

} // namespace

void OpenFinishedScreen() {
    if (!g_screen && GetAppServices().viewer) g_screen = std::make_unique<FinishedScreen>();
}

void CloseFinishedScreen() {
    g_screen.reset();
}

const AppCallbacks& FinishedScreenCallbacks() {
    return kCallbacks;
}
