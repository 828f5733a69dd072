#include "showcase/LayerShowcase.h"

#include "app/App.h"

#include "app/GameDataLoader.h"
#include "app/GameShell.h"
#include "app/LoadingScreen.h"
#include "app/WindowInput.h"
#include "engine/Cursors.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "engine/VirtualKeys.h"
#include "frontend/Comix.h"
#include "game/LevelScreen.h"
#include "gui/Window.h"
#include "platform/Utf.h"
#include "showcase/GuiShowcase.h"
#include "showcase/LevelPanelShowcase.h"
#include "showcase/LevelWindowsShowcase.h"
#include "showcase/ProfilesPanel.h"
#include "showcase/TutorialShowcase.h"
#include "showcase/WarehouseShowcase.h"
#include "sprites/GameAnimation.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"
#include "text/DigitalText.h"
#include "text/FontSlots.h"
#include "text/KGEFont.h"
#include "text/KGEText.h"
#include "text/ObjectRegistry.h"
#include "text/TextureCollections.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace {

// The inline image of the markup line, a texture of collection 1.
constexpr const char16_t* kIconName = u"coin";
constexpr uint32_t kDigitFontId = 1;
constexpr uint32_t kArrowCursorId = 0x100;

// Where things are: x from the middle of the game screen, y from its top.
constexpr int32_t kTitleY = 40; // "Loading finished", centred
constexpr int32_t kHintY = 92;  // the line in a game font, centred
// The walking girl goes round a rectangle left of the middle (her feet on
// its edges); the effects stand in a row right of the middle.
constexpr int32_t kWalkLeft = -320, kWalkRight = -100; // from the middle
constexpr int32_t kWalkTop = 200, kWalkBottom = 320;
constexpr float kWalkSpeed = 70.0f; // pixels per second of game time
constexpr int32_t kEffectsY = 225;  // the effect sprites' centres
constexpr int32_t kEffectsX = 40;   // the first one's centre, from the middle
constexpr int32_t kEffectSpacing = 95;
constexpr int32_t kEffectLabelY = 280;
constexpr float kShotRadius = 40.0f; // the shot circles inside the girl's round
constexpr float kShotTurn = 1.5f;    // turns per second
constexpr int32_t kMarkupY = 370;    // top of the markup text, centred
constexpr int32_t kCounterY = 450;   // top of the counter row
constexpr int32_t kCounterX = 10;    // the label ends left of the middle, the digits start right of it

constexpr uint32_t kBackground = 0xFF000000;
constexpr int32_t kTitleFont = 2; // the language's caption font
constexpr int32_t kHintFont = 6;  // the data pack's second font
constexpr int32_t kMarkupFont = 6;
constexpr int32_t kCounterFont = 7; // the data pack's third font
constexpr int32_t kCounterDigits = 3;

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

} // namespace

class LayerShowcase {
  public:
    explicit LayerShowcase(BonusesShowcase& bonuses);
    ~LayerShowcase();
    void Update(uint32_t ms);
    void Draw();
    // A double click comes instead of the second click's press; it counts as a click.
    void OnClick(int32_t x, int32_t y, uint32_t button, bool doubleClick);
    void OnKeyDown(uint32_t key, uint32_t modifiers);

  private:
    // A pack sprite with a looping effect: the effect starts again each time
    // it reaches its end, so showing it allocates nothing after the start.
    struct Showpiece {
        std::unique_ptr<SpriteInstance> instance;
        std::unique_ptr<SpriteEffectQueue> queue;
        SpriteEffect* effect = nullptr; // owned by the queue
        const char16_t* label = nullptr;
    };

    void MakeShowcase();
    void AddShowpiece(int32_t library, const char16_t* sprite, SpriteEffect* effect, const char16_t* label);
    void MakeMarkupText();
    void MakeCounter();
    void ShowArrowCursor();
    void UpdateShowcase(uint32_t ms);
    void DrawWalker(float centreX);
    void DrawShowpieces(float centreX);
    void DrawParticles(float centreX);
    void DrawMarkupText(float centreX);
    void DrawCounter(float centreX);

    DXLViewer* viewer_;
    AnimationTrack walker_;
    float walked_ = 0.0f; // pixels along the round
    Showpiece pieces_[4];
    std::unique_ptr<SpriteInstance> shot_;
    GPSSpace particles_;
    GPSEmiter* trail_ = nullptr; // owned by particles_
    float shotAngle_ = 0.0f;     // radians
    std::unique_ptr<KGETextW> markup_;
    std::unique_ptr<GameDigitalText> counter_;
    uint32_t clickSound_ = 0;
    int32_t clicks_ = 0;
    uint32_t openedAt_ = 0; // game clock
    bool quitWanted_ = false;
    uint32_t typedLevel_ = 0; // the number typed before F6 (a level) or F4 (a comic); 0 none
    // The test screens over it.
    LevelPanelShowcase levelPanel_;
    WarehouseShowcase warehouse_;
    TutorialShowcase tutorial_;
    LevelWindowsShowcase levelWindows_;
    BonusesShowcase& bonuses_; // the program's
};

LayerShowcase::LayerShowcase(BonusesShowcase& bonuses) : viewer_(GetAppServices().viewer), bonuses_(bonuses) {
    openedAt_ = GameClock();
    MakeShowcase();
    MakeMarkupText();
    MakeCounter();
    ShowArrowCursor();
    clickSound_ = GetSoundManager().FindSample(u"click");
}

// The windows over the screen close in this order when it goes.
LayerShowcase::~LayerShowcase() {
    CloseProfilesPanel();
    levelPanel_.Close();
    warehouse_.Close();
    tutorial_.Close();
    levelWindows_.Close();
}

// The pack's sprites: the girl walking, four effects on interface and farm
// sprites, and a shot trailing gas.
void LayerShowcase::MakeShowcase() {
    SpriteLibraries* libraries = GetSpriteLibraries();
    if (!libraries) {
        LogErrorPrintf(kLogIndent, "The sprite libraries are not loaded.");
        return;
    }
    walker_.Play(libraries->animations.Find(u"girl_walk"), 1);
    AddShowpiece(1, u"star", new SEffect_Alpha(1.0f, 0.1f, 1200, false, 0), u"fade");
    AddShowpiece(7, u"chicken", new SEffect_SinScale(1.0f, 1.35f, 2, 1600, false, 0), u"pulse");
    AddShowpiece(1, u"button", new SEffect_Pos(-30.0f, 0.0f, 30.0f, 0.0f, 1500, false, 0), u"slide");
    AddShowpiece(
        1, u"lock",
        new SEffect_Gradient(
            false, 0,
            {{0xFFFFFFFF, 0}, {0xFFFF6040, 600}, {0xFF60FF60, 1200}, {0xFF6080FF, 1800}, {0xFFFFFFFF, 2400}}),
        u"colour");
    if (Showpiece& chicken = pieces_[1]; chicken.instance) {
        FrameSequence pecking;
        SetFrameSequence(&pecking, kPlaySwing, 0, 3, 160, 0, 0);
        chicken.instance->SetFrameSequence(&pecking, true);
    }
    shot_ = GetLibrary(8) ? GetLibrary(8)->CreateInstanceByName(u"bullet_01", 0) : nullptr;
    if (shot_) shot_->originX = shot_->originY = 0.5f;
    if (const GPSDescription* gas = FindParticleDescription(&libraries->particles, u"bullet_gas")) {
        trail_ = particles_.AddEmitter(*gas, nullptr, 0.0f, 0.0f);
        trail_->StartEmitting();
    }
    if (!walker_.animation || !shot_ || !trail_)
        LogErrorPrintf(kLogIndent, "The showcase sprites are not all in the sprite pack.");
}

void LayerShowcase::AddShowpiece(int32_t library, const char16_t* sprite, SpriteEffect* effect,
                                 const char16_t* label) {
    Showpiece* piece = std::find_if(std::begin(pieces_), std::end(pieces_),
                                    [](const Showpiece& p) { return p.label == nullptr; });
    std::unique_ptr<SpriteEffect> owned(effect);
    if (piece == std::end(pieces_)) return;
    piece->label = label;
    SpriteLibrary* owner = GetLibrary(library);
    piece->instance = owner ? owner->CreateInstanceByName(sprite, 0) : nullptr;
    if (!piece->instance) return;
    piece->instance->originX = piece->instance->originY = 0.5f;
    piece->effect = owned.get();
    AddSpriteEffect(&piece->queue, owned.release());
}

// The markup names the icon by its registry handle, the way texts from files
// name images.
void LayerShowcase::MakeMarkupText() {
    KGEFont* font = GetFont(kMarkupFont);
    DXLTextures* collection = GetTextureCollection(kFontTextureCollection);
    DXLTexture* icon = collection ? collection->FindByName(kIconName) : nullptr;
    if (!font || !icon) return;
    if (!icon->IsLive()) icon->Restore(); // a pack texture is loaded by its first user
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

void LayerShowcase::MakeCounter() {
    DigitalFont* font = FindAppDigitalFont(kDigitFontId);
    if (!font) return;
    counter_ = std::make_unique<GameDigitalText>(font, 0, kCounterDigits, true, 0);
    counter_->SetValue(0);
}

void LayerShowcase::ShowArrowCursor() {
    // The shell logs the cursor it shows; only a failure is told here.
    SelectCursor(kArrowCursorId);
    const DXLCURSORDATA& current = GetCursorSet().GetCurrent();
    if (current.id != kArrowCursorId || current.image == 0 || !GetCursorSet().IsVisible())
        LogErrorPrintf(kLogIndent, "The arrow cursor cannot be shown.");
}

void LayerShowcase::Update(uint32_t ms) {
    if (quitWanted_) {
        SetGameState(kStateQuit); // deletes this screen
        return;
    }
    levelPanel_.Update(ms);
    tutorial_.Update(ms);
    if (WindowManager* windows = GetWindowManager()) windows->Update();
    UpdateShowcase(ms);
}

// The girl walks at a steady pace round her rectangle, turning at each
// corner (variants: 0 down, 1 right, 2 up, 3 left); the shot circles and its
// trail follows it.
void LayerShowcase::UpdateShowcase(uint32_t ms) {
    const float width = float(kWalkRight - kWalkLeft), height = float(kWalkBottom - kWalkTop);
    walked_ = std::fmod(walked_ + kWalkSpeed * float(ms) / 1000.0f, 2.0f * (width + height));
    const int32_t direction = walked_ < width                   ? 1
                              : walked_ < width + height        ? 0
                              : walked_ < 2.0f * width + height ? 3
                                                                : 2;
    if (walker_.animation && direction != walker_.variant) {
        const uint32_t time = walker_.Time();
        walker_.Play(walker_.animation, direction);
        walker_.Update(time); // the step goes on through the turn
    }
    walker_.Update(ms);
    shotAngle_ = std::fmod(shotAngle_ + kShotTurn * 6.2831853f * float(ms) / 1000.0f, 6.2831853f);
    if (trail_) trail_->SetPosition(kShotRadius * std::cos(shotAngle_), kShotRadius * std::sin(shotAngle_));
    particles_.Update(ms);
}

void LayerShowcase::Draw() {
    viewer_->ClearTarget(kBackground);
    const kis::Rect& screen = viewer_->GetClientRect();
    const float centreX = float(screen.right - screen.left) * 0.5f;
    KGEFont* titleFont = GetFont(kTitleFont);
    DrawCentredText(viewer_, titleFont, kTitle, centreX, float(kTitleY));
    if (!titleFont) // without the language's font a full bar still says it
        FillScreenRect(viewer_, centreX - 200, float(kTitleY), centreX + 200, float(kTitleY) + 16,
                       0xFFE0B040);
    DrawCentredText(viewer_, GetFont(kHintFont), kHint, centreX, float(kHintY));
    DrawWalker(centreX);
    DrawParticles(centreX);
    DrawShowpieces(centreX);
    DrawMarkupText(centreX);
    DrawCounter(centreX);
    if (WindowManager* windows = GetWindowManager()) windows->Draw();
}

void LayerShowcase::DrawWalker(float centreX) {
    if (!walker_.animation) return;
    const float width = float(kWalkRight - kWalkLeft), height = float(kWalkBottom - kWalkTop);
    const float d = walked_;
    float x = 0.0f, y = 0.0f;
    if (d < width)
        x = d, y = 0.0f;
    else if (d < width + height)
        x = width, y = d - width;
    else if (d < 2.0f * width + height)
        x = 2.0f * width + height - d, y = height;
    else
        x = 0.0f, y = 2.0f * (width + height) - d;
    viewer_->ResetTransform();
    viewer_->Translate(float(int(centreX) + kWalkLeft) + std::round(x), float(kWalkTop) + std::round(y));
    viewer_->SetBlendMode(kBlendAlpha);
    DrawAttachedAnimation(*viewer_, nullptr, walker_, true, false);
    viewer_->ResetTransform();
    viewer_->ApplyTransform();
}

void LayerShowcase::DrawParticles(float centreX) {
    const float x = float(int(centreX) + (kWalkLeft + kWalkRight) / 2);
    const float y = float(kWalkTop + kWalkBottom) / 2.0f - 20.0f;
    viewer_->ResetTransform();
    viewer_->Translate(x, y);
    particles_.Draw(*viewer_);
    if (!shot_) return;
    viewer_->Translate(kShotRadius * std::cos(shotAngle_), kShotRadius * std::sin(shotAngle_));
    viewer_->SetBlendMode(kBlendAlpha);
    shot_->Draw(*viewer_);
    viewer_->ResetTransform();
    viewer_->ApplyTransform();
}

// Each effect sprite at its place, changed by its queue, with its label below.
void LayerShowcase::DrawShowpieces(float centreX) {
    KGEFont* font = GetFont(kHintFont);
    for (int i = 0; i < 4; ++i) {
        Showpiece& piece = pieces_[i];
        const float x = float(int(centreX) + kEffectsX + i * kEffectSpacing);
        if (!piece.instance || !piece.queue) continue;
        viewer_->ResetTransform();
        viewer_->Translate(x, float(kEffectsY));
        if (!UpdateSpriteEffects(&piece.queue, viewer_)) continue; // never: its effect does not stop
        piece.instance->colour = ApplyEffectAlpha(piece.queue.get(), piece.queue->colour);
        viewer_->SetBlendMode(kBlendAlpha);
        piece.instance->Draw(*viewer_);
        if (piece.effect->Elapsed() >= piece.effect->Duration()) piece.effect->Restart(0);
    }
    viewer_->ResetTransform();
    viewer_->ApplyTransform();
    for (int i = 0; i < 4; ++i)
        if (pieces_[i].label)
            DrawCentredText(viewer_, font, pieces_[i].label,
                            float(int(centreX) + kEffectsX + i * kEffectSpacing), float(kEffectLabelY));
}

void LayerShowcase::DrawMarkupText(float centreX) {
    if (!markup_) return;
    viewer_->ResetTransform();
    viewer_->Translate(float(int(centreX) - markup_->GetWidth() / 2), float(kMarkupY));
    viewer_->ApplyTransform();
    markup_->Draw();
    viewer_->ResetTransform();
    viewer_->ApplyTransform();
}

void LayerShowcase::DrawCounter(float centreX) {
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

void LayerShowcase::OnClick(int32_t x, int32_t y, uint32_t button, bool doubleClick) {
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

void LayerShowcase::OnKeyDown(uint32_t key, uint32_t modifiers) {
    const uint32_t virtualKey = VirtualKeyOf(key);
    LogLabelPrintf(kLogIndent, "Key pressed", "0x%02X (virtual key 0x%02X, modifiers 0x%X)", key, virtualKey,
                   modifiers);
    if (virtualKey == kVkF1 + 1) OpenShowcaseDialog(); // F2: the window toolkit's dialog
    // F6: the level whose number was typed just before (digits), else the
    // sample level 31.
    if (virtualKey >= '0' && virtualKey <= '9')
        typedLevel_ = std::min<uint32_t>(typedLevel_ * 10 + (virtualKey - '0'), 1000);
    if (virtualKey == kVkF1 + 5) {
        const uint32_t level = typedLevel_ > 0 ? typedLevel_ - 1 : 30;
        typedLevel_ = 0;
        OpenLevel(level); // closes this screen: nothing of it is used after
        return;
    }
    if (virtualKey == 'M')
        ChangeGameState(kStateMap); // the level-select map, until the main screen leads there
    // F4: the comic whose number was typed just before (digits), else the first.
    if (virtualKey == kVkF1 + 3) {
        const uint32_t comic = typedLevel_;
        typedLevel_ = 0;
        ShowComix(comic, nullptr); // a number past the comics shows none
    }
    if (virtualKey == kVkEscape)
        quitWanted_ = true; // the quit comes with the next update, not in the middle of input
    ProfilesPanelKey(virtualKey);
    levelPanel_.Key(virtualKey);   // F5: the level panel over the sample level
    warehouse_.Key(virtualKey);    // F7: the warehouse window over a sample stock
    tutorial_.Key(virtualKey);     // F8: a tutorial step over this screen
    levelWindows_.Key(virtualKey); // F9: the windows around a level
    bonuses_.Key(virtualKey);      // F10: the bonuses window over the profile's selection
}

namespace {

// The program's main function owns the showcase; the shell's callbacks
// below reach it through the App.
struct InstalledShowcase {
    ShowcaseProgram* program = nullptr;
};

ShowcaseProgram* Program() {
    const InstalledShowcase* installed = ExistingAppPart<InstalledShowcase>();
    return installed ? installed->program : nullptr;
}

LayerShowcase* Screen() {
    ShowcaseProgram* program = Program();
    return program ? program->Screen() : nullptr;
}

void OpenScreen() {
    LogLine(kLogIndent, "Loading finished; the showcase stands in for the main screen.");
    if (ShowcaseProgram* program = Program()) program->OpenScreen();
}
void CloseScreen() {
    if (ShowcaseProgram* program = Program()) program->CloseScreen();
}
void UpdateScreen(uint32_t ms) {
    if (LayerShowcase* screen = Screen()) screen->Update(ms);
}
void DrawScreen() {
    if (LayerShowcase* screen = Screen()) screen->Draw();
}
uint32_t ScreenCursor() {
    uint32_t cursor = kArrowCursorId;
    if (WindowManager* windows = GetWindowManager(); windows && windows->GetCursor(&cursor) && cursor != 256)
        return cursor;
    return kArrowCursorId;
}
void MouseDown(int32_t x, int32_t y, uint32_t button) {
    if (LayerShowcase* screen = Screen()) screen->OnClick(x, y, button, false);
}
void DoubleClick(int32_t x, int32_t y) {
    if (LayerShowcase* screen = Screen()) screen->OnClick(x, y, kMouseLeft, true);
}
void KeyDown(uint32_t key, uint32_t modifiers) {
    if (LayerShowcase* screen = Screen()) screen->OnKeyDown(key, modifiers);
}

const AppCallbacks kCallbacks = {.cursor = ScreenCursor,
                                 .update = UpdateScreen,
                                 .draw = DrawScreen,
                                 .mouseDown = MouseDown,
                                 .mouseDoubleClick = DoubleClick,
                                 .keyDown = KeyDown};

} // namespace

ShowcaseProgram::ShowcaseProgram() {
    if (InstalledShowcase* installed = AppPart<InstalledShowcase>()) installed->program = this;
    RegisterGameStateScreen(kStateMainScreen, {::OpenScreen, ::CloseScreen, &kCallbacks});
}

ShowcaseProgram::~ShowcaseProgram() {
    screen_.reset();
    if (InstalledShowcase* installed = ExistingAppPart<InstalledShowcase>();
        installed && installed->program == this)
        installed->program = nullptr;
}

void ShowcaseProgram::OpenScreen() {
    if (!screen_ && GetAppServices().viewer) screen_ = std::make_unique<LayerShowcase>(bonuses_);
}

void ShowcaseProgram::CloseScreen() {
    screen_.reset();
}
