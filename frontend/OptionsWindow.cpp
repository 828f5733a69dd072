#include "frontend/OptionsWindow.h"

#include "app/App.h"
#include "app/Config.h"
#include "app/GameScreen.h"
#include "app/GameShell.h"
#include "app/Profiles.h"
#include "app/SaveNotices.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "frontend/FrontendLayout.h"
#include "sprites/Sprite.h"

namespace {

constexpr int32_t kOptionsWidth = 520;
constexpr int32_t kOptionsHeight = 330;
constexpr uint32_t kLabelColour = 0xFF3A2410;

bool ProgramSetFullscreen(bool fullscreen) {
    GameScreen& screen = GetGameScreen();
    screen.SetFullscreen(fullscreen);
    if (!screen.Apply()) return false;
    CreateScreenResources();
    return true;
}

bool ProgramIsFullscreen() {
    ScreenParams params;
    GetGameScreen().GetParams(&params);
    return params.fullscreen != 0;
}

void ProgramSaveConfig() {
    std::u16string stuck;
    std::string cause;
    if (SaveConfig(GetGameScreen(), GetSoundManager(), &stuck, &cause)) return;
    LogErrorPrintf(kLogIndent, "config.dat cannot be written.");
    if (SaveNotices* notices = AppSaveNotices())
        notices->TellSettingsUnsaved(std::move(stuck), std::move(cause));
}

bool CategoryOn(const SoundManager& sound, int category) {
    return sound.IsAudible(category);
}

} // namespace

OptionsServices ProgramOptionsServices(SoundManager& sound) {
    return {&sound, ProgramSetFullscreen, ProgramIsFullscreen, ProgramSaveConfig};
}

// ---------------------------------------------------------------- volume bar

SoundBar::SoundBar(GameWindow* window, GameControls* group, uint32_t command, int category, int32_t x,
                   int32_t y, OptionsWindow* owner)
    : ActiveButton(window, group, command), category_(category), owner_(owner) {
    if (Sprite* image = GetSprite(1, u"sound_bar")) {
        width_ = image->GetWidth() - 1;
        height_ = image->GetHeight() / 4 - 1;
    }
    rect = kis::MakeRectWH(x, y, std::max(width_, 1), std::max(height_, 1));
    clicksHeard = category != kSoundMusic;
}

void SoundBar::Rebuild() {
    const SoundManager& sound = owner_->Sound();
    fill_ = SoundBarFill(CategoryOn(sound, category_), sound.GetEffectiveVolume(category_), width_);
}

void SoundBar::SetFromX(int32_t x) {
    if (!HasState()) return;
    SoundManager& sound = owner_->Sound();
    const float v = SoundBarValueAt(x, rect.left, width_);
    if (sound.SetVolume(category_, v)) valueChanged = true;
    Rebuild();
    if (toggle) toggle->SetDisabled(CategoryOn(sound, category_));
    owner_->MarkChanged();
    PlayClickSound();
}

bool SoundBar::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (!ActiveButton::OnMouseDown(x, y, button)) return false;
    valueChanged = true;
    owner_->Sound().SetEnabled(category_, true);
    SetFromX(x);
    return true;
}

bool SoundBar::OnMouseMove(int32_t x, int32_t y, uint32_t buttons) {
    const bool taken = ActiveButton::OnMouseMove(x, y, buttons);
    if (state_.TwoBits() == ControlState::kPressed) SetFromX(x);
    return taken;
}

void SoundBar::PlayClickSound() {
    if (!valueChanged || !clicksHeard || clickSound == 0) return;
    const uint32_t now = Manager().Now();
    if (clicked && now - lastClick < kSoundBarClickInterval) return;
    ActiveButton::PlayClickSound();
    valueChanged = false;
    lastClick = now;
    clicked = true;
}

void SoundBar::Draw(DXLViewer& viewer, float alpha) {
    if (!HasState()) return;
    const uint32_t look = state_.TwoBits();
    const bool lit = look == ControlState::kHover || look == ControlState::kPressed;
    Sprite* image = GetSprite(1, u"sound_bar");
    const int32_t h = height_;
    if (image && image->Acquire() && image->GetTexture()) {
        const int32_t row = lit ? 1 : 0;
        SkinQuads filled, empty;
        InitQuad(&filled, rect.left, rect.top, fill_, h, 0xFFFFFFFF, image->GetTexture(),
                 kis::MakeRectWH(0, row * (h + 1), std::max(fill_, 0), h));
        InitQuad(&empty, rect.left + fill_, rect.top, width_ - fill_, h, 0xFFFFFFFF, image->GetTexture(),
                 kis::MakeRectWH(fill_, (row + 2) * (h + 1), width_ - fill_, h));
        if (fill_ > 0) DrawSkinQuads(viewer, filled, alpha);
        if (fill_ < width_) DrawSkinQuads(viewer, empty, alpha);
        return;
    }
    SkinQuads back, part; // without the art: the toolkit's track and thumb
    InitSkinPiece(&back, kSkinScrollTrack, rect, 0xFFFFFFFF);
    DrawSkinQuads(viewer, back, alpha);
    if (fill_ > 0) {
        InitSkinPiece(&part, kSkinScrollThumb, kis::MakeRectWH(rect.left, rect.top, fill_, h),
                      lit ? 0xFFFFFFFF : 0xFFE0E0E0);
        DrawSkinQuads(viewer, part, alpha);
    }
}

// ---------------------------------------------------------------- window

OptionsWindow::OptionsWindow(WindowManager& manager, const OptionsServices& services)
    : SpritesWindow(manager, kOptionsWindowTag, {.hold = true, .modal = true}), services_(services) {
    manager.optionsWindow = this;
    AddBackground(kOptionsWidth, kOptionsHeight);
    AddCaptionFrame(300);
    SetCaptionText(manager.Text(u"options_window", u"caption"));
    ImageButton* close = AddBottomButton(kOptionsClose, manager.Text(u"options_window", u"close"));
    const uint32_t click = services_.sound->FindSample(u"click");
    close->clickSound = click;
    const int32_t section1 = contentTop, section2 = contentTop + 50, section3 = contentTop + 100;
    fullscreen_ = CreateCheckBox(this, &controls_, kOptionsFullscreen, 26, section1 + 15,
                                 manager.Text(u"options_window", u"fullscreen"));
    fullscreen_->SetDisabled(services_.isFullscreen && services_.isFullscreen());
    tutorial_ = CreateCheckBox(this, &controls_, kOptionsTutorial, 26, section2 + 15,
                               manager.Text(u"options_window", u"tutorial"));
    const ProfileManager* profiles = AppProfiles();
    const Profile* current = profiles ? profiles->Current() : nullptr;
    // No player: unticked, and it does nothing.
    tutorial_->SetDisabled(current && current->Record().results.tutorial != 0);
    fullscreen_->clickSound = tutorial_->clickSound = click;
    static const uint32_t kToggles[2] = {kOptionsMusicToggle, kOptionsSoundToggle};
    static const uint32_t kBars[2] = {kOptionsMusicBar, kOptionsSoundBar};
    static const char16_t* const kLabels[2] = {u"music", u"sound"};
    const int32_t y = section3 + 3;
    for (int c = 0; c < 2; ++c) {
        const int32_t x = c == 0 ? 13 : 263;
        labels_[c].Set(3, manager.Text(u"options_window", kLabels[c]));
        labelX_[c] = float(x + 120 - labels_[c].Width() / 2);
        labelY_[c] = float(y + 11 - labels_[c].Height() / 2);
        constexpr int32_t pieces[8] = {-1, kSkinCheckOff, kSkinCheckOff, kSkinCheckOff,
                                       -1, kSkinCheckOn,  kSkinCheckOn,  kSkinCheckOn};
        ImageButton* toggle = controls_.Make<ImageButton>(kToggles[c], pieces, u"", nullptr);
        toggle->rect = kis::MakeRectWH(x + 15, y + 26, kCheckBoxSize, kCheckBoxSize);
        toggle->clickSound = click;
        toggle->checkable = true; // its tick (the second bank) is not a disabled look
        SoundBar* bar = controls_.Make<SoundBar>(kBars[c], c, x + 71, y + 26, this);
        bar->clickSound = click;
        bar->toggle = toggle;
        bars_[c] = bar;
        SetCategoryOn(bar, CategoryOn(Sound(), c));
    }
    changed_ = false;
    Show(0, true);
}

OptionsWindow::~OptionsWindow() {
    if (manager_.optionsWindow == this) manager_.optionsWindow = nullptr;
    if (changed_ && services_.saveConfig) services_.saveConfig();
}

void OptionsWindow::SetCategoryOn(SoundBar* bar, bool on) {
    SoundManager& sound = Sound();
    const int c = bar->Category();
    SoundSettings settings;
    sound.GetSettings(&settings);
    const float volume = c == kSoundMusic ? settings.musicVolume : settings.soundsVolume;
    if (on && volume == 0.0f) sound.SetVolume(c, kVolumeSwitchedOn);
    sound.SetEnabled(c, on);
    bar->toggle->SetDisabled(CategoryOn(sound, c));
    bar->Rebuild();
    changed_ = true;
}

void OptionsWindow::StoreTutorial() {
    ProfileManager* profiles = AppProfiles();
    Profile* current = profiles ? profiles->Current() : nullptr;
    // Written after any click, even one that put the box back: the first
    // click may have written the profile with the other value already.
    if (!current || !tutorialClicked_) return;
    profiles->SaveCurrent();
    tutorialClicked_ = false;
}

void OptionsWindow::CloseWindow() {
    StoreTutorial();
    Close();
}

bool OptionsWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyEscape || key == kKeyReturn) {
        CloseWindow();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

bool OptionsWindow::Update() {
    const bool modalAnswer = SpritesWindow::Update();
    bars_[1]->PlayClickSound(); // the preview of the sound volume while the bar is dragged
    return modalAnswer;
}

uint32_t OptionsWindow::OnButtonClick(GameButton* button) {
    switch (button->Command()) {
    case kOptionsClose:
        CloseWindow();
        return kClickResetLook;
    case kOptionsFullscreen: {
        const bool was = services_.isFullscreen && services_.isFullscreen();
        const bool changedBefore = changed_;
        changed_ = true;
        if (services_.setFullscreen && services_.setFullscreen(!was)) {
            // A full screen the memory cannot hold gave way to the window: the box shows the mode in force.
            fullscreen_->SetDisabled(services_.isFullscreen ? services_.isFullscreen() : !was);
            return kClickSelectRadio;
        }
        // The mode could not be set: the previous one comes back and stays in config.dat.
        LogErrorPrintf(kLogIndent, "The screen mode cannot be switched; the previous one is kept.");
        changed_ = changedBefore;
        if (services_.setFullscreen && !services_.setFullscreen(was)) CloseMainWindow();
        fullscreen_->SetDisabled(was);
        return kClickSelectRadio;
    }
    case kOptionsMusicToggle:
    case kOptionsSoundToggle: {
        SoundBar* bar = bars_[button->Command() == kOptionsMusicToggle ? 0 : 1];
        SetCategoryOn(bar, !CategoryOn(Sound(), bar->Category()));
        return 0;
    }
    case kOptionsTutorial: {
        ProfileManager* profiles = AppProfiles();
        Profile* current = profiles ? profiles->Current() : nullptr;
        if (!current) {
            tutorial_->SetDisabled(false);
            return kClickSelectRadio;
        }
        uint32_t& tutorial = current->MutableRecord().results.tutorial;
        tutorial = tutorial ? 0 : 1;
        tutorialClicked_ = true;
        current->TurnLevelTutorialsOn();
        tutorial_->SetDisabled(tutorial != 0);
        return kClickSelectRadio;
    }
    default:
        return 0;
    }
}

void OptionsWindow::DrawChildren(DXLViewer& viewer) {
    SpritesWindow::DrawChildren(viewer);
    for (int c = 0; c < 2; ++c)
        labels_[c].Draw(viewer, labelX_[c], labelY_[c], ScaleAlpha(kLabelColour, EffectAlpha()));
}

OptionsWindow* OpenOptionsWindow() {
    WindowManager* manager = GetWindowManager();
    if (!manager || manager->optionsWindow) return nullptr;
    LogLine(kLogIndent, "The options window opens.");
    return manager->Open<OptionsWindow>(ProgramOptionsServices(GetSoundManager()));
}
