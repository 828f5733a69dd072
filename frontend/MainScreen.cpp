#include "frontend/MainScreen.h"

#include "app/App.h"
#include "app/GameShell.h"
#include "app/Profiles.h"
#include "app/WindowInput.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Texture.h"
#include "foundation/Helpers.h"
#include "frontend/Comix.h"
#include "frontend/CreditsWindow.h"
#include "frontend/OptionsWindow.h"
#include "frontend/ProfileWindows.h"
#include "gui/SpritesWindow.h"
#include "gui/Window.h"
#include "platform/UserName.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteHost.h"
#include "text/GameLanguage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

// ---------------------------------------------------------------- layers

namespace {

constexpr int32_t kSceneLibrary = 1;
constexpr float kPi = 3.14159265f;

// A quad of the sprite's first frame stretched over the rectangle, tinted.
bool MakePictureQuad(Sprite* sprite, float left, float top, float right, float bottom, uint32_t colour,
                     TexturedQuad* out) {
    if (!sprite || sprite->GetFrameCount() == 0 || !sprite->Acquire()) return false;
    const TexturedQuad* frame = sprite->GetFrameQuad(0);
    if (!frame) return false;
    *out = *frame;
    const float xs[4] = {left, right, right, left}, ys[4] = {top, top, bottom, bottom};
    for (int i = 0; i < 4; ++i) {
        out->v[i].x = xs[i];
        out->v[i].y = ys[i];
        out->v[i].colour = colour;
    }
    return true;
}

uint32_t RandomIn(uint32_t low, uint32_t high) {
    return uint32_t(kis::RandomBetween(int32_t(low), int32_t(high)));
}

} // namespace

class MainScreenLayer {
  public:
    MainScreenLayer(const MainScreenRecord& record) : record_(record) {
        for (uint32_t i = 0; i < record.pictureCount; ++i) {
            const MainScreenPicture& p = record.pictures[i];
            Item item;
            item.sprite = GetSprite(kSceneLibrary, p.sprite);
            item.index = i;
            if (MakePictureQuad(item.sprite, float(p.left), float(p.top), float(p.right), float(p.bottom),
                                p.colour, &item.quad))
                items_.push_back(item); // an unknown sprite gives no picture
        }
    }
    virtual ~MainScreenLayer() = default;
    virtual void Update(uint32_t) {}
    virtual void SetTransform(DXLViewer& viewer, const SceneMotion& motion) {
        viewer.Translate(motion.swayX * record_.offsetFactor, motion.swayY * record_.offsetFactor);
        viewer.Scale(1.0f + motion.zoom * record_.scaleFactor);
    }
    virtual void Draw(DXLViewer& viewer) {
        viewer.ApplyTransform();
        viewer.SetBlendMode(kBlendAlpha);
        for (Item& item : items_)
            DrawSprite(viewer, item.sprite->GetTexture(), item.quad);
        EndText();
    }
    int32_t PictureCount() const { return int32_t(items_.size()); }

  protected:
    struct Item {
        Sprite* sprite = nullptr; // the library's
        TexturedQuad quad = {};
        uint32_t index = 0;
    };
    const MainScreenRecord& record_; // the screen's records outlive the layers
    std::vector<Item> items_;
};

// The farm girl: a body picture with a swaying head, a swinging arm and
// hand, blinking eyes and a mouth that smiles now and then and while the
// pointer is over a window.
class MainScreenGirl : public MainScreenLayer {
  public:
    static constexpr uint32_t kForever = 0xFFFFFFFF;

    explicit MainScreenGirl(const MainScreenRecord& record) : MainScreenLayer(record) {
        struct PartSpec {
            const char16_t* name;
            float pivotX, pivotY;
        };
        static const PartSpec kParts[5] = {{u"girl_head", 143, 139},
                                           {u"girl_arm", 18, 72},
                                           {u"girl_hand", 9, 54},
                                           {u"girl_eyes", 0, 0},
                                           {u"girl_mouth", 0, 0}};
        for (int i = 0; i < 5; ++i) {
            Sprite* sprite = GetSprite(kSceneLibrary, kParts[i].name);
            if (!sprite || sprite->GetFrameCount() == 0) continue;
            parts_[i] = sprite->CreateInstance(0);
            if (!parts_[i]) continue;
            kis::Rect frame{0, 0, 0, 0};
            sprite->GetFrameRect(0, &frame);
            const float w = float(frame.right - frame.left), h = float(frame.bottom - frame.top);
            if (w > 0 && h > 0) {
                parts_[i]->originX = kParts[i].pivotX / w;
                parts_[i]->originY = kParts[i].pivotY / h;
            }
        }
        blinkCount_ = 3 + RandomIn(0, 2);
        blinkCountdown_ = 1000 + RandomIn(0, 1999);
        smileTimer_ = 5000 + RandomIn(0, 2999);
    }

    void Update(uint32_t dt) override {
        UpdateArm(dt);
        UpdateBlink(dt);
        UpdateSmile(dt);
    }

    void Smile(uint32_t hold) {
        if (smileState_ == 0 || smileState_ == 2) {
            smileTimer_ = smileState_ == 2 ? 100 - smileTimer_ : 100;
            smileHold_ = hold;
            smileState_ = 1;
        } else if (hold == kForever && smileHold_ != kForever) {
            smileHold_ = hold;
            if (smileState_ == 3) smileTimer_ = hold;
        }
    }
    void StopSmile() {
        if (smileState_ == 0 || smileState_ == 2) return;
        smileTimer_ = smileState_ == 1 ? 100 - smileTimer_ : 100;
        smileHold_ = 0;
        smileState_ = 2;
    }
    int SmileState() const { return smileState_; }

    void Draw(DXLViewer& viewer) override {
        DXLMatrix layer, arm, head;
        viewer.GetTransform(&layer);
        viewer.SetBlendMode(kBlendAlpha);
        const float armAngle = 20.0f * SwingEase(float(armPhase_) / 6000.0f * 2.0f);
        viewer.Translate(-213, 33);
        viewer.GetTransform(&arm);
        DrawPart(viewer, kArm, 0, 0xFFFFFFFF, armAngle);
        viewer.SetTransform(&layer);
        MainScreenLayer::Draw(viewer);
        viewer.SetTransform(&arm);
        viewer.RotateDegrees(armAngle);
        viewer.Translate(36, -60);
        DrawPart(viewer, kHand, 0, 0xFFFFFFFF, -10.0f);
        viewer.SetTransform(&layer);
        const uint32_t clock = uint32_t(GameClock() % 0x86400000u);
        const float headAngle = 10.0f * SwingEase(float(clock % 6000) / 6000.0f * 2.0f) - 5.0f;
        viewer.Translate(-320, -93);
        DrawPart(viewer, kHead, 0, 0xFFFFFFFF, headAngle);
        viewer.SetTransform(&layer);
        viewer.Translate(-320, -93);
        viewer.RotateDegrees(headAngle);
        viewer.GetTransform(&head);
        viewer.Translate(-15, -73);
        DrawPart(viewer, kEyes, eyesClosed_ > 0 ? 1 : 0, 0xFFFFFFFF, 0);
        viewer.SetTransform(&head);
        viewer.Translate(15, -24);
        DrawMouth(viewer);
        viewer.SetTransform(&layer);
    }

  private:
    enum Part { kHead = 0, kArm = 1, kHand = 2, kEyes = 3, kMouth = 4 };

    void DrawPart(DXLViewer& viewer, int part, int32_t frame, uint32_t colour, float angle) {
        SpriteInstance* instance = parts_[part].get();
        if (!instance) return;
        instance->frame = std::min(frame, instance->definition->GetFrameCount() - 1);
        instance->colour = colour;
        instance->angle = angle;
        DXLMatrix saved;
        viewer.GetTransform(&saved);
        instance->Draw(viewer);
        viewer.SetTransform(&saved);
    }

    void DrawMouth(DXLViewer& viewer) {
        switch (smileState_) {
        case 3:
            DrawPart(viewer, kMouth, 1, 0xFFFFFFFF, 0);
            return;
        case 1:
        case 2: {
            DrawPart(viewer, kMouth, 0, 0xFFFFFFFF, 0);
            const uint32_t t = std::min<uint32_t>(smileTimer_, 100);
            const uint32_t alpha = (smileState_ == 1 ? 100 - t : t) * 255 / 100;
            DrawPart(viewer, kMouth, 1, alpha << 24 | 0xFFFFFF, 0);
            return;
        }
        default:
            DrawPart(viewer, kMouth, 0, 0xFFFFFFFF, 0);
        }
    }

    void UpdateArm(uint32_t dt) {
        if (armPause_ > 0) {
            const uint32_t used = std::min(armPause_, dt);
            armPause_ -= used;
            dt -= used;
            if (dt == 0) return;
        }
        if ((armPhase_ + dt) / 6000 == armPhase_ / 6000) {
            armPhase_ += dt;
        } else if (RandomIn(0, 99) < 30) { // now and then she rests her arm a while
            armPhase_ = 0;
            armPause_ = 1000 + RandomIn(0, 8999);
        } else {
            armPhase_ += dt;
        }
    }

    void UpdateBlink(uint32_t dt) {
        eyesClosed_ = eyesClosed_ > dt ? eyesClosed_ - dt : 0;
        while (dt >= blinkCountdown_) {
            dt -= blinkCountdown_;
            eyesClosed_ = 100;
            if (--blinkCount_ == 0) {
                quickBlinks_ = !quickBlinks_;
                blinkCount_ = quickBlinks_ ? 1 + RandomIn(0, 9) / 7 : 2 + RandomIn(0, 2);
            }
            blinkCountdown_ = quickBlinks_ ? 200 : 1000 + RandomIn(0, 3999);
        }
        blinkCountdown_ -= dt;
    }

    void UpdateSmile(uint32_t dt) {
        if (smileState_ == 3 && smileHold_ == kForever) return;
        if (smileTimer_ > dt) {
            smileTimer_ -= dt;
            return;
        }
        smileTimer_ = 0;
        switch (smileState_) {
        case 0:
            Smile(2000);
            break;
        case 1:
            smileState_ = 3;
            smileTimer_ = smileHold_;
            break;
        case 2:
            smileState_ = 0;
            smileTimer_ = 5000 + RandomIn(0, 2999);
            break;
        default:
            StopSmile();
        }
    }

    std::unique_ptr<SpriteInstance> parts_[5];
    uint32_t armPhase_ = 0, armPause_ = 0;
    uint32_t blinkCountdown_ = 0, eyesClosed_ = 0, blinkCount_ = 0;
    bool quickBlinks_ = false;
    int smileState_ = 0;
    uint32_t smileTimer_ = 0, smileHold_ = 0;
};

// Light beams: each picture shines for a while, moving and fading, then
// pauses.
class MainScreenLight : public MainScreenLayer {
  public:
    explicit MainScreenLight(const MainScreenRecord& record) : MainScreenLayer(record) {
        for (const Item& item : items_) {
            const MainScreenPicture& p = record.pictures[item.index];
            const MainScreenLightRecord& r = record.params.lights[item.index];
            Beam beam;
            beam.x0 = float(p.left) + r.startX;
            beam.y0 = float(p.top);
            beam.originX = -float(p.right - p.left) / 2.0f;
            beam.quad = item.quad;
            for (auto& v : beam.quad.v) { // relative to the beam's own place
                v.x -= float(p.left);
                v.y -= beam.y0;
            }
            beam.pause = RandomIn(r.pauseMin, r.pauseMax);
            beams_.push_back(beam);
        }
    }

    void Update(uint32_t dt) override {
        for (size_t i = 0; i < beams_.size(); ++i) {
            Beam& beam = beams_[i];
            const MainScreenLightRecord& r = record_.params.lights[items_[i].index];
            uint32_t left = dt;
            if (beam.pause > 0) {
                const uint32_t used = std::min(beam.pause, left);
                beam.pause -= used;
                left -= used;
                if (beam.pause > 0) continue;
                beam.shine = RandomIn(r.shineMin, r.shineMax); // never 0: the loader refuses a longest of 0
                beam.elapsed = 0;
            }
            beam.elapsed += left;
            if (beam.elapsed >= beam.shine)
                beam.pause = std::max<uint32_t>(1, RandomIn(r.pauseMin, r.pauseMax));
        }
    }

    void Draw(DXLViewer& viewer) override {
        DXLMatrix layer;
        viewer.GetTransform(&layer);
        for (size_t i = 0; i < beams_.size(); ++i) {
            Beam& beam = beams_[i];
            // A light that has not chosen its shine yet counts as dark.
            if (beam.pause > 0 || beam.shine == 0) continue;
            const MainScreenLightRecord& r = record_.params.lights[items_[i].index];
            const uint32_t full = record_.pictures[items_[i].index].colour >> 24;
            const float t = float(beam.elapsed) / float(beam.shine);
            float alpha = float(full);
            if (r.fadeIn && beam.elapsed < r.fadeIn)
                alpha *= float(beam.elapsed) / float(r.fadeIn);
            else if (r.fadeOut && beam.elapsed + r.fadeOut > beam.shine)
                alpha *= 1.0f - float(beam.elapsed - (beam.shine - std::min(r.fadeOut, beam.shine))) /
                                    float(r.fadeOut);
            const uint32_t colour = uint32_t(std::clamp(alpha, 0.0f, 255.0f)) << 24 |
                                    (record_.pictures[items_[i].index].colour & 0xFFFFFF);
            TexturedQuad quad = beam.quad;
            for (auto& v : quad.v)
                v.colour = colour;
            viewer.SetTransform(&layer);
            viewer.Translate(beam.x0 + (r.endX - r.startX) * t, beam.y0);
            viewer.RotateDegrees(r.angle);
            viewer.Translate(beam.originX, 0);
            viewer.ApplyTransform();
            viewer.SetBlendMode(r.blendMode);
            DrawSprite(viewer, items_[i].sprite->GetTexture(), quad);
            EndText();
        }
        viewer.SetTransform(&layer);
    }

  private:
    struct Beam {
        float x0 = 0, y0 = 0, originX = 0;
        TexturedQuad quad = {};
        uint32_t pause = 0, shine = 0, elapsed = 0;
    };
    std::vector<Beam> beams_;
};

// Particle emitters that run without end.
class MainScreenParticles : public MainScreenLayer {
  public:
    explicit MainScreenParticles(const MainScreenRecord& record) : MainScreenLayer(record) {
        SpriteLibraries* libraries = GetSpriteLibraries();
        for (const MainScreenEmitterRecord& e : record.params.emitters) {
            const GPSDescription* found =
                libraries ? FindParticleDescription(&libraries->particles, e.description) : nullptr;
            if (!found) continue;
            GPSDescription description = *found;
            if (e.angle != 0)
                description.record.emission.angle =
                    kis::NormalizeAngle(description.record.emission.angle + e.angle);
            space_.AddEmitter(description, nullptr, float(e.x), float(e.y));
        }
        space_.StartEmitters();
    }
    void Update(uint32_t dt) override { space_.Update(dt); }
    void Draw(DXLViewer& viewer) override {
        viewer.ApplyTransform();
        space_.Draw(viewer);
    }
    int32_t EmitterCount() const { return space_.EmitterCount(); }

  private:
    GPSSpace space_;
};

// ---------------------------------------------------------------- menu

namespace {

constexpr uint32_t kMenuTag = MakeWindowTag('M', 'S', 'M', 'n');
constexpr uint32_t kMenuEasy = 0x12340001;
constexpr uint32_t kMenuHard = 0x12340002;
constexpr uint32_t kMenuOptions = 0x12340003;
constexpr uint32_t kMenuQuit = 0x12340004;
constexpr uint32_t kMenuCredits = 0x12340005;
constexpr uint32_t kMenuProfile = 0x1234000F;
constexpr int32_t kMenuWidth = 288;
constexpr int32_t kMenuColumnTop = 60;
constexpr int32_t kMenuButtonHeight = 56;
constexpr int32_t kMenuHeight = 348;
constexpr int32_t kMenuFont = 3;

// The greeting text with the player's name put in.
std::u16string Greeting(const WindowManager& manager, const Profile& profile) {
    return profile.NameInGreeting(manager.Text(u"main_screen", profile.GreetingKey()));
}

// A text that is a button: the greeting and the credits.
class MenuTextButton : public ActiveButton {
  public:
    MenuTextButton(GameWindow* window, GameControls* group, uint32_t command, const std::u16string& text,
                   uint32_t colour)
        : ActiveButton(window, group, command), colour_(colour) {
        text_.Set(kMenuFont, text, kTextCentred);
    }
    void Draw(DXLViewer& viewer, float alpha) override {
        if (!HasState()) return;
        const float x = float(rect.left + (rect.right - rect.left - text_.Width()) / 2);
        const float y = float(rect.top + (rect.bottom - rect.top - text_.Height()) / 2);
        text_.Draw(viewer, x, y, ScaleAlpha(colour_, alpha));
        const uint32_t look = state_.TwoBits();
        if (look == ControlState::kHover || look == ControlState::kPressed) {
            viewer.SetBlendMode(kBlendAdditive);
            text_.Draw(viewer, x, y, ScaleAlpha(0x40FFFFFF, alpha));
            viewer.SetBlendMode(kBlendAlpha);
        }
    }
    int32_t TextWidth() { return text_.Width(); }
    int32_t TextHeight() { return text_.Height(); }

  private:
    SkinText text_;
    uint32_t colour_;
};

} // namespace

class MainScreenMenu : public SpritesWindow {
  public:
    MainScreenMenu(WindowManager& manager, MainScreen& screen)
        : SpritesWindow(manager, kMenuTag, {}), screen_(screen) {
        AddBackground(kMenuWidth, kMenuHeight);
        draggable = false;
        SoundManager* sound = GetSpriteHost().Sound();
        const uint32_t click = sound ? sound->FindSample(u"click") : 0;
        static const uint32_t kCommands[4] = {kMenuEasy, kMenuHard, kMenuOptions, kMenuQuit};
        static const char16_t* const kKeys[4] = {u"easy", u"hard", u"options", u"quit"};
        for (int i = 0; i < 4; ++i) {
            buttons_[i] =
                CreateListButton(this, &controls_, kCommands[i], kMenuButtonX, MenuButtonY(kMenuColumnTop, i),
                                 kMenuButtonWidth, manager.Text(u"main_screen", kKeys[i]));
            buttons_[i]->rect.bottom = buttons_[i]->rect.top + kMenuButtonHeight;
            buttons_[i]->SetTextLayout(kMenuFont, 1, 0, 0);
            buttons_[i]->clickSound = click;
        }
        buttons_[0]->SetVisible(false);
        buttons_[1]->SetVisible(false);
        if (Sprite* lock = GetSprite(kSceneLibrary, u"lock")) lock_ = lock->CreateInstance(0);
        if (Sprite* chain = GetSprite(kSceneLibrary, u"lock_chain")) chain_ = chain->CreateInstance(0);
        if (lock_) lock_->originX = lock_->originY = 0;
        credits_ = controls_.Make<MenuTextButton>(kMenuCredits, manager.Text(u"main_screen", u"credits"),
                                                  0xFFFFFFFF);
        credits_->rect = kis::MakeRectWH(0, 0, credits_->TextWidth() + 8, credits_->TextHeight() + 8);
        credits_->clickSound = click;
        Refresh();
    }

    // The greeting, easy and hard follow the current profile.
    void Refresh() {
        if (greeting_) {
            GameButton* old = greeting_;
            greeting_ = nullptr;
            manager_.Forget(old);
            controls_.Remove(old);
        }
        ProfileManager* profiles = AppProfiles();
        Profile* current = profiles ? profiles->Current() : nullptr;
        buttons_[0]->SetVisible(current != nullptr, true);
        if (!current) {
            buttons_[1]->SetVisible(false, /*animated=*/true);
            return;
        }
        auto* greeting =
            controls_.Make<MenuTextButton>(kMenuProfile, Greeting(manager_, *current), 0xFF3A2410);
        const int32_t width = kMenuWidth - 32, h = greeting->TextHeight();
        greeting->rect = kis::MakeRectWH(14 - 2, 8 + 32 - h / 2 - 2, width + 4, h + 4);
        greeting_ = greeting;
        if (current->Record().results.hardAvailable == 0) {
            buttons_[1]->SetVisible(false, /*animated=*/true);
            buttons_[1]->SetHint(u"", manager_.Text(u"main_screen", u"hard_hint"));
        } else {
            buttons_[1]->SetVisible(true, /*animated=*/true);
            buttons_[1]->SetHint(u"", u"");
        }
    }

    // Drops the greeting at once (its profile is about to go).
    void DropGreeting() {
        if (!greeting_) return;
        GameButton* old = greeting_;
        greeting_ = nullptr;
        manager_.Forget(old);
        controls_.Remove(old);
    }

    void OnScreenResize(int32_t width, int32_t height) override {
        MoveTo(screen_.GetMenuAnchorX() - kMenuAnchorOffset, screen_.MenuTop());
        ClampToScreen();
        // The credits stay in the screen's bottom-left corner wherever the menu is.
        const int32_t w = credits_->rect.right - credits_->rect.left,
                      h = credits_->rect.bottom - credits_->rect.top;
        credits_->rect = kis::MakeRectWH(20 - rect.left, height - 52 - rect.top, w, h);
        (void)width;
    }

    bool HitTest(int32_t x, int32_t y) const override {
        if (SpritesWindow::HitTest(x, y)) return true;
        return credits_->HitTest(x - rect.left, y - rect.top);
    }

    bool OnMouseMove(int32_t x, int32_t y, uint32_t buttons) override {
        const bool taken = SpritesWindow::OnMouseMove(x, y, buttons);
        // The hidden hard button hears no move of its own: resting on its
        // lock asks for the hint that says what opens the hard regime.
        ImageButton* hard = buttons_[1];
        if (!hard->HasState() && hard->HasHint() && kis::PtInRect(x, y, hard->rect)) hard->RequestHint();
        return taken;
    }

    uint32_t OnButtonClick(GameButton* button) override {
        ProfileManager* profiles = AppProfiles();
        Profile* current = profiles ? profiles->Current() : nullptr;
        switch (button->Command()) {
        case kMenuEasy:
        case kMenuHard:
            if (!current) return kClickResetLook;
            current->SetRegime(button->Command() == kMenuEasy ? kRegimeEasy : kRegimeHard);
            // A player's first easy start shows the introductory comic, which leads to the map.
            if (button->Command() == kMenuEasy && current->CountPassedLevels(kRegimeEasy) < 1 &&
                ShowComix(0, nullptr)) {
                LogLabelPrintf(kLogIndent, "Regime started", "easy, with the introductory comic");
                return kClickResetLook;
            }
            LogLabelPrintf(kLogIndent, "Regime started", "%s",
                           button->Command() == kMenuEasy ? "easy" : "hard");
            ChangeGameState(kStateMap);
            return kClickResetLook;
        case kMenuOptions:
            if (current) OpenOptionsWindow();
            return kClickResetLook;
        case kMenuQuit:
            CloseMainWindow();
            return kClickResetLook;
        case kMenuCredits:
            OpenCreditsWindow();
            return kClickResetLook;
        case kMenuProfile:
            OpenProfilesWindow(RefreshMainScreenMenu, [] {
                if (MainScreen* screen = FindMainScreen(); screen && screen->Menu())
                    static_cast<MainScreenMenu*>(screen->Menu())->DropGreeting();
            });
            return kClickResetLook;
        default:
            return 0;
        }
    }

    void DrawChildren(DXLViewer& viewer) override {
        SpritesWindow::DrawChildren(viewer);
        if (buttons_[1]->HasState()) return;
        DXLMatrix saved;
        viewer.GetTransform(&saved);
        viewer.SetBlendMode(kBlendAlpha);
        if (chain_) {
            viewer.Translate(197, 146);
            chain_->Draw(viewer);
            viewer.SetTransform(&saved);
        }
        if (lock_) {
            viewer.Translate(209, 141);
            lock_->Draw(viewer);
            viewer.SetTransform(&saved);
        }
    }

    ImageButton* Button(int i) const { return buttons_[i]; }
    GameButton* GreetingButton() const { return greeting_; }
    GameButton* CreditsButton() const { return credits_; }

  private:
    MainScreen& screen_;
    ImageButton* buttons_[4] = {};
    MenuTextButton* credits_ = nullptr;
    GameButton* greeting_ = nullptr;
    std::unique_ptr<SpriteInstance> lock_, chain_;
};

// ---------------------------------------------------------------- screen

MainScreen::MainScreen() = default;

MainScreen::~MainScreen() {
    Close();
}

int32_t MainScreen::Load(kis::DataFileReaderW* reader, LoaderState* state) {
    records_.clear();
    if (!reader || !reader->OpenChunk(kMainScreenChunkId, kMainScreenChunkSubId)) {
        state->error = 1;
        return kLoaderFinished;
    }
    const kis::DataFileEntry* entry = reader->GetOpenChunk();
    std::vector<uint8_t> bytes(entry ? entry->size : 0);
    const bool read = entry && (bytes.empty() || reader->Read(bytes.data(), uint32_t(bytes.size())));
    const bool closed = reader->CloseChunk();
    const MainScreenDataError error =
        read ? ParseMainScreenRecords(bytes.data(), bytes.size(), &records_) : MainScreenDataError::Truncated;
    if (!read || !closed || error != MainScreenDataError::None) {
        records_.clear();
        state->error = 1;
        LogErrorPrintf(kLogIndent, "The main screen's scene cannot be read (reason %d).", int(error));
    }
    state->total = state->done = int32_t(records_.size());
    return kLoaderFinished;
}

GameWindow* MainScreen::MenuWindow() const {
    return menu_;
}

void MainScreen::Open() {
    if (open_) return;
    open_ = true;
    girl_ = nullptr;
    for (const MainScreenRecord& record : records_) {
        switch (record.kind) {
        case kLayerGirl: {
            auto girl = std::make_unique<MainScreenGirl>(record);
            girl_ = girl.get();
            layers_.push_back(std::move(girl));
            break;
        }
        case kLayerLight:
            layers_.push_back(std::make_unique<MainScreenLight>(record));
            break;
        case kLayerParticles:
            layers_.push_back(std::make_unique<MainScreenParticles>(record));
            break;
        default:
            layers_.push_back(std::make_unique<MainScreenLayer>(record));
        }
    }
    const GameLanguage* language = AppLanguage();
    titleImage_ = language ? language->GetLogo().texture : nullptr;
    WindowManager* windows = GetWindowManager();
    if (!menu_ && windows) menu_ = windows->Open<MainScreenMenu>(*this);
    Layout();
    motion_.Reset();
    hover_ = false;
    hoverChanged_ = 0;
    OfferProfileWindow();
    // Over the players' windows: what became of players whose files did not read.
    ShowProfileLoadReport();
    // The scene starts in motion, not at rest.
    const int32_t preRoll = kis::RandomBetween(100, 200);
    for (int32_t i = 0; i < preRoll; ++i)
        Update(5 * SceneMotion::kTick);
    GetSoundManager().PlayMusic(u"main_theme", true);
}

void MainScreen::Close() {
    layers_.clear();
    girl_ = nullptr;
    if (menu_) {
        if (WindowManager* windows = GetWindowManager()) windows->Destroy(menu_);
        menu_ = nullptr;
    }
    open_ = false;
}

// No player is current: the first player is asked for, or the list is
// offered so that one of the players left can be chosen.
void MainScreen::OfferProfileWindow() {
    ProfileManager* profiles = AppProfiles();
    WindowManager* windows = GetWindowManager();
    if (!profiles || !windows || profiles->Current() || windows->ModalCount() > 0) return;
    if (profiles->Count() == 0) {
        char16_t name[17] = {};
        uint32_t size = 17;
        if (!platform::GetUserName(name, &size)) name[0] = 0; // a name of 17 or more gives an empty field
        windows->Open<NewProfileWindow>(
            profiles, name, false,
            [](Profile* made) {
                SelectProfile(made);
                RefreshMainScreenMenu();
            },
            200);
    } else {
        OpenProfilesWindow(RefreshMainScreenMenu, nullptr);
    }
}

void MainScreen::Update(uint32_t dt) {
    if (dt == 0) return;
    if (const uint32_t step = motion_.Update(dt))
        for (auto& layer : layers_)
            layer->Update(step);
}

int32_t MainScreen::GetMenuAnchorX() const {
    const ScreenScaleState& screen = ScreenScale();
    return MenuAnchorX(screen.width, screen.height, scene_.scale);
}

void MainScreen::Layout() {
    DXLViewer* viewer = AppViewer() ? static_cast<DXLViewer*>(AppViewer()) : nullptr;
    ScreenScaleState screen = ScreenScale();
    if (viewer && (screen.width == 0 || screen.height == 0)) {
        const kis::Rect& client = viewer->GetClientRect();
        screen.width = client.right - client.left;
        screen.height = client.bottom - client.top;
        SetScreenScale(screen);
    }
    scene_ = ComputeSceneLayout(screen.width, screen.height);
    const GameLanguage* language = AppLanguage();
    const int32_t adjust = language ? language->GetLogo().x : 0;
    title_ = ComputeTitleLayout(screen.width, screen.height, scene_.scale, menu_ ? kMenuHeight : 0, adjust);
    const float l = float(title_.left), t = float(title_.top), r = float(title_.left + title_.width),
                b = float(title_.top + title_.height);
    const float xs[4] = {l, r, r, l}, ys[4] = {t, t, b, b}, us[4] = {0, 1, 1, 0}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i)
        titleQuad_.v[i] = {xs[i], ys[i], 0.0f, 0xFFFFFFFF, us[i], vs[i]};
    if (WindowManager* windows = GetWindowManager()) windows->OnScreenResize(screen.width, screen.height);
}

void MainScreen::Draw() {
    DXLViewer* viewer = AppViewer();
    if (!viewer) return;
    viewer->ClearTarget(0xFF86B8E0);
    viewer->ResetTransform();
    viewer->Translate(float(scene_.centreX), float(scene_.centreY));
    viewer->Scale(scene_.scale);
    DXLMatrix scene;
    viewer->GetTransform(&scene);
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it) { // the first record is drawn on top
        viewer->SetTransform(&scene);
        (*it)->SetTransform(*viewer, motion_);
        (*it)->Draw(*viewer);
    }
    viewer->ResetTransform();
    viewer->ApplyTransform();
    if (titleImage_) {
        if (!titleImage_->IsLive()) titleImage_->Restore();
        viewer->SetBlendMode(kBlendAlpha);
        DrawSprite(*viewer, titleImage_, titleQuad_);
        EndText();
    }
    viewer->ResetTransform();
    viewer->ApplyTransform();
    if (WindowManager* windows = GetWindowManager()) windows->Draw();
}

void MainScreen::RefreshMenu() {
    if (menu_) menu_->Refresh();
}

bool MainScreen::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    WindowManager* windows = GetWindowManager();
    return windows && windows->OnMouseDown(x, y, button);
}
bool MainScreen::OnMouseUp(int32_t x, int32_t y, uint32_t button) {
    WindowManager* windows = GetWindowManager();
    return windows && windows->OnMouseUp(x, y, button);
}
bool MainScreen::OnMouseDblClick(int32_t x, int32_t y) {
    WindowManager* windows = GetWindowManager();
    return windows && windows->OnMouseDblClick(x, y);
}
bool MainScreen::OnMouseWheel(int32_t x, int32_t y, int32_t delta) {
    WindowManager* windows = GetWindowManager();
    return windows && windows->OnMouseWheel(x, y, delta);
}
bool MainScreen::OnKeyUp(uint32_t key, uint32_t flags) {
    WindowManager* windows = GetWindowManager();
    return windows && windows->OnKeyUp(key, flags);
}
bool MainScreen::OnKeyPress(char16_t ch) {
    WindowManager* windows = GetWindowManager();
    return windows && windows->OnKeyPress(ch);
}

// The girl smiles while the pointer is over a window; changes closer than
// 300 ms are left for a later move.
bool MainScreen::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    WindowManager* windows = GetWindowManager();
    const bool over = windows && windows->OnMouseMove(x, y, buttons);
    FollowHover(over);
    return over;
}

void MainScreen::FollowHover(bool over) {
    const uint32_t now = GameClock();
    if (over != hover_ && girl_ && now - hoverChanged_ >= 300) {
        if (over)
            girl_->Smile(MainScreenGirl::kForever);
        else
            girl_->StopSmile();
        hover_ = over;
        hoverChanged_ = now;
    }
}

bool MainScreen::OnKeyDown(uint32_t key, uint32_t flags) {
    WindowManager* windows = GetWindowManager();
    if (windows && windows->OnKeyDown(key, flags)) return true;
    if (key == kKeyEscape) CloseMainWindow();
    return key == kKeyEscape;
}

// ---------------------------------------------------------------- the run's screen

namespace {

// The run's main screen, made when it is first needed.
struct MainScreenPart {
    std::unique_ptr<MainScreen> screen;
};

void UpdateState(uint32_t ms) {
    WindowManager* windows = GetWindowManager();
    if (windows) windows->Update();
    MainScreen* screen = FindMainScreen();
    if (!screen) return;
    screen->Update(ms);
    screen->FollowHover(windows && windows->HoveredWindow() != nullptr);
    // The screen never rests without a current player.
    if (screen->IsOpen()) screen->OfferProfileWindow();
}
void DrawState() {
    if (MainScreen* screen = FindMainScreen()) screen->Draw();
}
uint32_t StateCursor() {
    uint32_t cursor = 0x100;
    if (WindowManager* windows = GetWindowManager(); windows && windows->GetCursor(&cursor) && cursor != 256)
        return cursor;
    return 0x100;
}
// The shell offers input to the windows first; what comes here fell on
// the bare screen.
void KeyDown(uint32_t key, uint32_t) {
    if (VirtualKeyOf(key) == kKeyEscape) CloseMainWindow();
}

const AppCallbacks kCallbacks = {
    .cursor = StateCursor, .update = UpdateState, .draw = DrawState, .keyDown = KeyDown};

} // namespace

MainScreen& TheMainScreen() {
    MainScreenPart* part = AppPart<MainScreenPart>();
    if (!part) {
        std::fprintf(stderr, "verbolunde: the main screen was asked for while no App runs.\n");
        std::abort();
    }
    if (!part->screen) part->screen = std::make_unique<MainScreen>();
    return *part->screen;
}
MainScreen* FindMainScreen() {
    const MainScreenPart* part = ExistingAppPart<MainScreenPart>();
    return part ? part->screen.get() : nullptr;
}
void DestroyMainScreen() {
    if (MainScreenPart* part = ExistingAppPart<MainScreenPart>()) part->screen.reset();
}

void OpenMainScreenState() {
    LogLine(kLogIndent, "The main screen opens.");
    TheMainScreen().Open();
}
void CloseMainScreenState() {
    if (MainScreen* screen = FindMainScreen()) screen->Close();
}
const AppCallbacks& MainScreenCallbacks() {
    return kCallbacks;
}
int32_t LoadMainScreenChunk(kis::DataFileReaderW* reader, LoaderState* state) {
    return TheMainScreen().Load(reader, state);
}
void RefreshMainScreenMenu() {
    if (MainScreen* screen = FindMainScreen()) screen->RefreshMenu();
}
