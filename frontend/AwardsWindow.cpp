#include "frontend/AwardsWindow.h"

#include "app/LoadingScreen.h"
#include "app/Profiles.h"
#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "gui/Hint.h"
#include "gui/Notices.h"
#include "platform/Random.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteHost.h"

#include <algorithm>
#include <string>

namespace {

constexpr int32_t kInterfaceLibrary = 1;
constexpr int32_t kMedalsFont = 4;
constexpr uint32_t kPanelColour = 0xFFE8D2A0;
constexpr uint32_t kCellColour = 0xFFD8BE88;
constexpr uint32_t kBarBack = 0xFF6A4A28;
constexpr uint32_t kBarOld = 0xFF58B040;
constexpr uint32_t kBarNew = 0xFFB8F070;
constexpr uint32_t kAwardsText = 0xFF3A2410;
constexpr int32_t kBarHeight = 8;
constexpr int32_t kMedalsGap = 44;

void Fill(DXLViewer& viewer, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
    viewer.BindTexture(nullptr);
    viewer.SetBlendMode(kBlendAlpha);
    FillScreenRect(&viewer, float(left), float(top), float(right), float(bottom), colour);
}

// Draws a sprite's frame at a point of the current transform.
void DrawSpriteAt(DXLViewer& viewer, Sprite* sprite, int32_t frame, float x, float y, uint32_t colour,
                  uint32_t blend = kBlendAlpha) {
    if (!sprite) return;
    std::unique_ptr<SpriteInstance> instance = sprite->CreateInstance(0);
    if (!instance) return;
    instance->frame = frame;
    instance->colour = colour;
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(x, y);
    viewer.SetBlendMode(blend);
    instance->Draw(viewer);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

Sprite* InterfaceSprite(const char16_t* name) {
    return GetSprite(kInterfaceLibrary, name);
}

void DrawText(DXLViewer& viewer, int32_t font, const std::u16string& text, float x, float y,
              uint32_t colour) {
    if (text.empty()) return;
    SkinText shown;
    shown.Set(font, text);
    shown.Draw(viewer, x, y, colour);
}

// A hint area over an award, a goal or the final award: its hint's texts
// expand their tags with the record as context.
class AwardHintSpot : public InvisibleButton {
  public:
    AwardHintSpot(GameWindow* window, GameControls* group, uint32_t command, uint32_t kind, uintptr_t object)
        : InvisibleButton(window, group, command), kind_(kind), object_(object) {}
    BaseHintWindow* GetHintWindow() override {
        if (!HasHint()) return nullptr;
        const kis::Rect anchor = ScreenRect();
        if (!hint_)
            hint_ = std::make_unique<CaptionHintWindow>(Manager(), this, hintCaption_.c_str(),
                                                        hintBody_.c_str(), &anchor, 256, kind_, object_);
        else if (!hint_->IsShown())
            hint_->SetAnchor(anchor);
        return hint_.get();
    }

  private:
    uint32_t kind_;
    uintptr_t object_;
};

// The text tags' context kinds of an award and a goal.
constexpr uint32_t kAwardHintContext = 0x1000006, kGoalHintContext = 0x1000007;

} // namespace

// ---------------------------------------------------------------- medals panel

MedalsPanel::MedalsPanel(int32_t left, int32_t top, int32_t right, int32_t bottom, bool titled)
    : titled_(titled), height_(51 - top - bottom) {
    (void)right;
    const int32_t spacing = titled ? 105 : 110;
    const int32_t x0 = (titled ? 225 : 24) - left;
    icons_[2] = {x0, 12 - top};
    icons_[1] = {x0 + spacing, 12 - top};
    icons_[0] = {x0 + 2 * spacing, 12 - top};
}

int32_t MedalsPanel::Width() const {
    return icons_[0][0] + 105;
}

int32_t MedalsPanel::Update(const Profile* profile, uint32_t regime) {
    int32_t counts[3] = {};
    if (profile) profile->CountMedals(regime, counts);
    int32_t written = 0;
    for (size_t i = 0; i < 3; ++i) {
        if (counts[i] == counts_[i]) continue;
        counts_[i] = counts[i];
        const std::string number = std::to_string(counts[i]);
        texts_[i] = std::u16string(number.begin(), number.end());
        ++written;
    }
    return written;
}

void MedalsPanel::Draw(DXLViewer& viewer, float alpha) const {
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(x), float(y));
    viewer.ApplyTransform();
    Fill(viewer, 0, 0, Width(), height_, ScaleAlpha(kPanelColour, alpha));
    if (titled_) Fill(viewer, 4, 3, icons_[2][0] - 8, height_ - 3, ScaleAlpha(kCellColour, alpha));
    Sprite* medal = InterfaceSprite(u"map_panel_medals");
    Sprite* cross = InterfaceSprite(u"map_panel_x");
    const int32_t countDy = CountDy(MeasureSkinText(kMedalsFont, u"0").bottom);
    for (size_t i = 0; i < 3; ++i) {
        const float ix = float(icons_[i][0]), iy = float(icons_[i][1]);
        Fill(viewer, icons_[i][0] - 4, 3, icons_[i][0] + 97, height_ - 3, ScaleAlpha(kCellColour, alpha));
        DrawSpriteAt(viewer, medal, int32_t(i), ix, iy, ScaleAlpha(0xFFFFFFFF, alpha));
        DrawSpriteAt(viewer, cross, 0, ix + kXDx, iy + kXDy, ScaleAlpha(0xFFFFFFFF, alpha));
        DrawText(viewer, kMedalsFont, texts_[i], ix + kCountDx, iy + float(countDy),
                 ScaleAlpha(kAwardsText, alpha));
    }
    if (!title_.empty()) {
        const int32_t h = MeasureSkinText(3, title_.c_str()).bottom;
        DrawText(viewer, 3, title_, 10, float(16 - h / 2 + icons_[2][1]), ScaleAlpha(kAwardsText, alpha));
    }
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- awards window

void PreviewAwardValues(const Awards& table, int32_t (&seen)[18], int32_t (&current)[18]) {
    auto part = [] { return double(platform::Rand()) / 32768.0; };
    for (int i = 0; i < kAwardCount; ++i) {
        const AwardRecord& award = table.GetAward(i);
        current[award.index] = int32_t(part() * award.gold * 1.2);
    }
    for (int i = 0; i < kGoalCount; ++i) {
        const AwardGoal& goal = table.GetGoal(i);
        current[kAwardCount + goal.index] = int32_t(part() * goal.target * 2.0);
    }
    current[17] = 1;
    seen[17] = 0;
}

AwardsWindow::AwardsWindow(WindowManager& manager, const Awards& table, ProfileManager* profiles,
                           bool preview, int32_t clearTop, int32_t clearBottom)
    : SpritesWindow(manager, kAwardsWindowTag, {.modal = true}), table_(&table), openedAt_(manager.Now()),
      clearTop_(clearTop), clearBottom_(clearBottom) {
    int32_t seen[kAwardWordCount] = {}, current[kAwardWordCount] = {};
    if (Profile* profile = profiles ? profiles->Current() : nullptr) {
        ProfileRecord& record = profile->MutableRecord();
        std::copy(std::begin(record.awardsSeen), std::end(record.awardsSeen), seen);
        std::copy(std::begin(record.awards), std::end(record.awards), current);
        // Each opening shows the changes once: closing during the animation
        // does not replay it.
        if (!preview) {
            std::copy(std::begin(current), std::end(current), record.awardsSeen);
            profiles->SaveCurrent();
        }
    }
    if (preview) PreviewAwardValues(table, seen, current);
    // The caption frame sets the content top; the frame is made again at the full height.
    AddBackground(kAwardsWidth + 2 * kContentMargin, 0);
    AddCaptionFrame(kAwardsWidth);
    const int32_t panelTop = contentTop;
    const int32_t rowTop = panelTop + kAwardsPanelHeight + 1;
    const int32_t medalsTop = rowTop + kAwardButtonHeight + 2;
    for (int regime = 0; regime < 2; ++regime) {
        auto panel = std::make_unique<MedalsPanel>(10, 9, 13, 3, true);
        panel->x = kContentMargin + 12;
        panel->y = medalsTop + regime * kMedalsGap;
        panel->SetTitle(manager.Text(u"awards_window", regime ? u"Hard" : u"Easy"));
        panel->Update(profiles ? profiles->Current() : nullptr, uint32_t(regime));
        medals_[size_t(regime)] = std::move(panel);
    }
    const int32_t height = medalsTop + 2 * kMedalsGap + kButtonHeight + 2 * kBottomRowMargin;
    rect = kis::MakeRectWH(rect.left, rect.top, kAwardsWidth + 2 * kContentMargin, height);
    sprites_.ClearElements();
    AddBackground(kAwardsWidth + 2 * kContentMargin, height);
    AddCaptionFrame(kAwardsWidth);
    AddBottomButton(kAwardsClose, manager.Text(u"awards_window", u"close"));
    // Hints over the awards, goals and the final award: the name, and for an
    // award its tiers (the award tag), for a goal its description.
    auto hint = [&](uint32_t command, const kis::Rect& area, const char16_t* key, std::u16string body,
                    uint32_t kind = 0, const void* object = nullptr) {
        auto* spot = controls_.Make<AwardHintSpot>(command, kind, reinterpret_cast<uintptr_t>(object));
        spot->rect = area;
        spot->SetHint(manager.Text(u"awards", key), std::move(body));
    };
    for (int i = 0; i < kAwardCount; ++i)
        hint(kAwardButton,
             kis::MakeRectWH(kContentMargin + AwardsLayout::AwardX(i), rowTop, kAwardButtonWidth,
                             kAwardButtonHeight),
             table.GetAward(i).key, u"[SAWARD D]", kAwardHintContext, &table.GetAward(i));
    for (int i = 0; i < kGoalCount; ++i) {
        const AwardGoal& goal = table.GetGoal(i);
        const std::u16string desc = std::u16string(goal.key) + u"_desc";
        hint(kGoalButton,
             kis::MakeRectWH(kContentMargin + AwardsLayout::kGoalAt[i][0],
                             panelTop - 4 + AwardsLayout::kGoalAt[i][1], 64, 72),
             goal.key, manager.Text(u"awards", desc.c_str()), kGoalHintContext, &goal);
    }
    hint(kFinalButton,
         kis::MakeRectWH(kContentMargin + AwardsLayout::kFinalX, panelTop + AwardsLayout::kFinalDy,
                         AwardsLayout::kFinalWidth, 150),
         u"final", manager.Text(u"awards", u"final_desc"));
    SetCaptionText(manager.Text(u"awards_window", u"caption"));
    Show(0, true);
    if (manager.awardsWindow && manager.awardsWindow != this) {
        if (auto* other = dynamic_cast<SpritesWindow*>(manager.awardsWindow)) other->Close();
    }
    manager.awardsWindow = this;
    // The window shows what the award notices told.
    manager.Awards().CloseAll();
    animation_ = std::make_unique<AwardsAnimation>(table, seen, current, openedAt_);
    if (SoundManager* sound = GetSpriteHost().Sound()) sound_ = sound->FindSample(u"award");
}

AwardsWindow::~AwardsWindow() {
    if (manager_.awardsWindow == this) manager_.awardsWindow = nullptr;
}

AwardsWindow* OpenAwardsWindow(WindowManager& manager, const Awards& table, ProfileManager* profiles,
                               bool preview, int32_t clearTop, int32_t clearBottom) {
    return manager.Open<AwardsWindow>(table, profiles, preview, clearTop, clearBottom);
}

void AwardsWindow::GetCenteredPosition(int32_t* x, int32_t* y) const {
    SpritesWindow::GetCenteredPosition(x, y);
    const int32_t height = rect.bottom - rect.top, bottom = manager_.ScreenHeight() - clearBottom_;
    if (*y < clearTop_ && clearTop_ + height <= bottom) *y = clearTop_;
    if (*y + height > bottom && bottom - height >= clearTop_) *y = bottom - height;
}

bool AwardsWindow::OnMouseDown(int32_t x, int32_t y, uint32_t button) {
    const bool taken = SpritesWindow::OnMouseDown(x, y, button);
    if (button == 1) FinishAll();
    return taken;
}

bool AwardsWindow::OnMouseDblClick(int32_t x, int32_t y) {
    const bool taken = SpritesWindow::OnMouseDblClick(x, y);
    FinishAll();
    return taken;
}

bool AwardsWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyEscape || key == kKeyReturn) {
        FinishAll();
        Close();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

uint32_t AwardsWindow::OnButtonClick(GameButton* button) {
    if (button->Command() != kAwardsClose) return 0;
    Close();
    return kClickResetLook;
}

bool AwardsWindow::Update() {
    const uint32_t now = manager_.Now();
    animation_->Step(now);
    const int32_t sounds = animation_->TakeSounds(now);
    if (sounds > 0 && sound_)
        if (SoundManager* sound = GetSpriteHost().Sound())
            sound->PlayById(sound_, kSoundCategoryInterface, kLoopOnce);
    return SpritesWindow::Update();
}

void AwardsWindow::DrawGoal(DXLViewer& viewer, Sprite* sprite, const GoalReveal& goal, int32_t x, int32_t y,
                            uint32_t now, float alpha) {
    const uint32_t white = ScaleAlpha(0xFFFFFFFF, alpha);
    if (goal.Fading(now)) {
        DrawSpriteAt(viewer, sprite, 0, float(x), float(y), white);
        DrawSpriteAt(viewer, sprite, 1, float(x), float(y),
                     ScaleAlpha(0xFFFFFFFF, alpha * goal.FadeAlpha(now)));
        return;
    }
    const int frame = goal.Frame();
    DrawSpriteAt(viewer, sprite, frame, float(x), float(y), white);
    if (const uint32_t flash = goal.FlashColour(now); flash >> 24)
        DrawSpriteAt(viewer, sprite, frame, float(x), float(y), ScaleAlpha(flash, alpha), kBlendAdditive);
}

void AwardsWindow::DrawAward(DXLViewer& viewer, int i, uint32_t now, float alpha) {
    const AwardProgress& award = animation_->Award(i);
    const int32_t x = kContentMargin + AwardsLayout::AwardX(i);
    const int32_t y = contentTop + kAwardsPanelHeight + 1;
    Fill(viewer, x, y, x + kAwardButtonWidth, y + kAwardButtonHeight, ScaleAlpha(kCellColour, alpha));
    Sprite* icon = table_->GetAwardIcon(i);
    DrawSpriteAt(viewer, icon, award.ShownTier(), float(x + 1), float(y + 2), ScaleAlpha(0xFFFFFFFF, alpha));
    if (award.Flashing(now))
        DrawSpriteAt(viewer, icon, award.ShownTier(), float(x + 1), float(y + 2),
                     ScaleAlpha(award.FlashColour(now), alpha), kBlendAdditive);
    const int32_t barTop = y + kAwardButtonHeight - kBarHeight - 3, left = x + 1;
    const AwardBar& bar = award.Bar();
    Fill(viewer, left, barTop, left + kAwardBarWidth, barTop + kBarHeight, ScaleAlpha(kBarBack, alpha));
    if (bar.filled >= 1)
        Fill(viewer, left, barTop, left + bar.filled, barTop + kBarHeight, ScaleAlpha(kBarOld, alpha));
    if (bar.gained > bar.filled)
        Fill(viewer, left + bar.filled, barTop, left + bar.gained, barTop + kBarHeight,
             ScaleAlpha(kBarNew, alpha));
    if (bar.marker >= 0)
        Fill(viewer, left + bar.marker, barTop, left + bar.marker + 1, barTop + kBarHeight,
             ScaleAlpha(kBarMarkerColour, alpha));
}

void AwardsWindow::DrawBackground(DXLViewer& viewer) {
    SpritesWindow::DrawBackground(viewer);
    const float alpha = EffectAlpha();
    const uint32_t now = manager_.Now();
    const int32_t left = kContentMargin;
    Fill(viewer, left, contentTop, left + kAwardsWidth, contentTop + kAwardsPanelHeight,
         ScaleAlpha(kPanelColour, alpha));
    DrawSpriteAt(viewer, InterfaceSprite(u"awards_panel"), 0, float(left), float(contentTop),
                 ScaleAlpha(0xFFFFFFFF, alpha));
    for (int i = 0; i < kGoalCount; ++i)
        DrawGoal(viewer, table_->GetGoalIcon(i), animation_->Goal(i), left + AwardsLayout::kGoalAt[i][0],
                 contentTop - 4 + AwardsLayout::kGoalAt[i][1], now, alpha);
    DrawGoal(viewer, table_->GetTotalAwardSprite(), animation_->Final(), left + AwardsLayout::kFinalX,
             contentTop + AwardsLayout::kFinalDy, now, alpha);
    for (int i = 0; i < kAwardCount; ++i)
        DrawAward(viewer, i, now, alpha);
    for (const auto& panel : medals_)
        panel->Draw(viewer, alpha);
}

// ---------------------------------------------------------------- bonus selection

BonusChoice::BonusChoice(const BonusSelection& from) {
    const uint32_t count = std::min<uint32_t>(from.count, kChosenBonusLimit);
    for (uint32_t i = 0; i < count; ++i)
        Select(from.ids[i]);
}

void BonusChoice::Select(int32_t id) {
    if (id < 0 || id >= kBonusCount || chosen_[size_t(id)]) return;
    if (edited_.count == kChosenBonusLimit) Deselect(edited_.ids[kChosenBonusLimit - 1]);
    chosen_[size_t(id)] = true;
    edited_.ids[edited_.count++] = id;
}

void BonusChoice::Deselect(int32_t id) {
    if (!IsChosen(id)) return;
    chosen_[size_t(id)] = false;
    uint32_t at = 0;
    while (at < edited_.count && edited_.ids[at] != id)
        ++at;
    for (uint32_t i = at; i + 1 < kChosenBonusLimit; ++i)
        edited_.ids[i] = edited_.ids[i + 1];
    edited_.ids[kChosenBonusLimit - 1] = -1;
    --edited_.count;
}
