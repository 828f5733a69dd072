#include "frontend/BonusesWindow.h"

#include "app/LoadingScreen.h"
#include "app/Profiles.h"
#include "engine/Viewer.h"
#include "level/Bonuses.h"
#include "sprites/Sprite.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kPanelColours[4] = {0xFF808080, 0xFF808080, 0xFFA0A0A0, 0xFFC0C0C0};
constexpr uint32_t kChosenColour = 0xFF70A850;
constexpr uint32_t kSlotColour = 0xFFD8BE88;
constexpr uint32_t kBonusText = 0xFF2A1A08;
constexpr int32_t kSlotFrameWidth = 204, kSlotFrameHeight = kBonusSlotSize + 12;
// The description wraps from x 300 to a few pixels before the check mark (43 px from the right).
constexpr int32_t kDescriptionX = 300, kCheckInset = 43;
constexpr int32_t kDescriptionWidth = kBonusPanelWidth - kCheckInset - 6 - kDescriptionX;

void Fill(DXLViewer& viewer, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour) {
    viewer.BindTexture(nullptr);
    viewer.SetBlendMode(kBlendAlpha);
    FillScreenRect(&viewer, float(left), float(top), float(right), float(bottom), colour);
}

// A stroke from (x0, y0) to (x1, y1), half px to either side of the line.
void FillStroke(DXLViewer& viewer, float x0, float y0, float x1, float y1, float half, uint32_t colour) {
    const float length = std::hypot(x1 - x0, y1 - y0);
    const float nx = (y0 - y1) / length * half, ny = (x1 - x0) / length * half;
    const platform::ColouredVertex v[4] = {{x0 + nx, y0 + ny, 0, colour},
                                           {x1 + nx, y1 + ny, 0, colour},
                                           {x1 - nx, y1 - ny, 0, colour},
                                           {x0 - nx, y0 - ny, 0, colour}};
    viewer.BindTexture(nullptr);
    viewer.SetBlendMode(kBlendAlpha);
    viewer.FillRect(v);
}

void DrawIcon(DXLViewer& viewer, Sprite* icon, float x, float y, float alpha) {
    if (!icon) return;
    std::unique_ptr<SpriteInstance> instance = icon->CreateInstance(0);
    if (!instance) return;
    instance->frame = std::min(kBonusIconReadyFrame, icon->GetFrameCount() - 1);
    instance->colour = ScaleAlpha(0xFFFFFFFF, alpha);
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(x, y);
    viewer.SetBlendMode(kBlendAlpha);
    instance->Draw(viewer);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// One owned bonus: icon, title and description; green while chosen.
class BonusPanel : public ActiveButton {
  public:
    BonusPanel(GameWindow* window, GameControls* group, const BonusesWindow* owner, const Bonuses* table,
               int32_t id, const char16_t* title, const char16_t* description)
        : ActiveButton(window, group, kBonusPanel), owner_(owner), table_(table), id_(id) {
        title_.Set(6, title);
        description_.Set(3, description, kTextWrap, kDescriptionWidth);
    }
    void Draw(DXLViewer& viewer, float alpha) override {
        const bool chosen = owner_->Choice().IsChosen(id_);
        const uint32_t colour = chosen ? kChosenColour : kPanelColours[GetState2Bits(this) & 3];
        Fill(viewer, rect.left, rect.top, rect.right, rect.bottom, ScaleAlpha(colour, alpha));
        DrawIcon(viewer, table_->Icon(id_), float(rect.left + 8), float(rect.top + 2), alpha);
        title_.Draw(viewer, float(rect.left + 170 - title_.Width() / 2),
                    float(rect.top + (kBonusPanelHeight - title_.Height()) / 2),
                    ScaleAlpha(kBonusText, alpha));
        description_.Draw(viewer, float(rect.left + kDescriptionX),
                          float(rect.top + (kBonusPanelHeight - description_.Height()) / 2),
                          ScaleAlpha(kBonusText, alpha));
        if (chosen) { // the check mark: a short stroke down to its elbow, a long one up and right
            const float x = float(rect.right - kCheckInset), y = float(rect.top + 7);
            const uint32_t green = ScaleAlpha(0xFF208020, alpha);
            FillStroke(viewer, x, y + 12, x + 6, y + 19, 2.5f, green);
            FillStroke(viewer, x + 6, y + 19, x + 17, y + 3, 2.5f, green);
        }
    }

  private:
    const BonusesWindow* owner_;
    const Bonuses* table_;
    int32_t id_;
    SkinText title_, description_;
};

// A chosen slot: the bonus's icon; hidden while empty.
class BonusSlotButton : public ActiveButton {
  public:
    BonusSlotButton(GameWindow* window, GameControls* group, const BonusesWindow* owner, const Bonuses* table,
                    int32_t slot)
        : ActiveButton(window, group, kBonusSlot), owner_(owner), table_(table), slot_(slot) {}
    void Draw(DXLViewer& viewer, float alpha) override {
        const int32_t id = owner_->Choice().Selection().ids[slot_];
        Fill(viewer, rect.left, rect.top, rect.right, rect.bottom,
             ScaleAlpha(GetState2Bits(this) >= 2 && id >= 0 ? 0xFFE8D2A0 : kSlotColour, alpha));
        if (id >= 0) DrawIcon(viewer, table_->Icon(id), float(rect.left + 8), float(rect.top + 8), alpha);
    }
    int32_t Id() const { return owner_->Choice().Selection().ids[slot_]; }

  private:
    const BonusesWindow* owner_;
    const Bonuses* table_;
    int32_t slot_;
};

} // namespace

BonusSelection ProfileBonusSelection(const Profile& profile) {
    const RegimeProgress& regime = profile.Record().results.regimes[std::min<uint32_t>(profile.Regime(), 1)];
    BonusSelection selection;
    selection.count = std::min<uint32_t>(regime.chosenCount, kChosenBonusLimit);
    std::copy(std::begin(regime.chosen), std::end(regime.chosen), selection.ids.begin());
    return selection;
}

BonusesWindow::BonusesWindow(WindowManager& manager, const Bonuses& table, const Profile* profile,
                             BonusSelection* selection, std::function<void()> applied)
    : SpritesWindow(manager, kBonusesWindowTag, {.modal = true}), table_(&table), target_(selection),
      applied_(std::move(applied)), choice_(selection ? *selection : BonusSelection{}) {
    const int32_t width = kBonusPanelWidth + 24;
    AddBackground(width, 0);
    AddCaptionFrame(720);
    std::vector<int32_t> owned;
    for (int32_t id = 0; id < kBonusCount; ++id)
        if (profile && profile->HasBonus(id)) owned.push_back(id);
    const int32_t panelsBottom = BonusPanelY(contentTop, int32_t(owned.size())) + 3;
    const int32_t slotTop = panelsBottom + 4;
    const int32_t height = slotTop + kSlotFrameHeight + kButtonHeight + 2 * kBottomRowMargin;
    sprites_.ClearElements();
    AddBackground(width, height);
    AddCaptionFrame(720);
    for (size_t n = 0; n < owned.size(); ++n) {
        const int32_t id = owned[n];
        const BONUS* bonus = table.Get(id);
        auto* panel =
            controls_.Make<BonusPanel>(this, &table, id, manager.Text(u"bonuses", bonus ? bonus->title : u""),
                                       manager.Text(u"bonuses", bonus ? bonus->description : u""));
        panel->rect =
            kis::MakeRectWH(12, BonusPanelY(contentTop, int32_t(n)), kBonusPanelWidth, kBonusPanelHeight);
        panels_.emplace_back(id, panel);
    }
    if (BonusSeparator(int32_t(owned.size())))
        separatorY_ = BonusPanelY(contentTop, int32_t(owned.size())) - 3;
    const int32_t slotLeft = (width - kSlotFrameWidth) / 2;
    for (int32_t i = 0; i < kChosenBonusLimit; ++i) {
        auto* slot = controls_.Make<BonusSlotButton>(this, &table, i);
        slot->rect = kis::MakeRectWH(slotLeft + 6 + i * (kBonusSlotSize + 1), slotTop + 6, kBonusSlotSize,
                                     kBonusSlotSize);
        slots_[size_t(i)] = slot;
    }
    AddBottomButton(kBonusesOk, manager.Text(u"bonuses_window", u"ok"));
    SetCaptionText(manager.Text(u"bonuses_window", u"caption"));
    Show(0, true);
}

GameButton* BonusesWindow::Panel(int32_t id) const {
    for (const auto& [panelId, panel] : panels_)
        if (panelId == id) return panel;
    return nullptr;
}

int32_t BonusesWindow::PanelId(const GameButton* panel) const {
    for (const auto& [panelId, p] : panels_)
        if (p == panel) return panelId;
    return -1;
}

void BonusesWindow::Apply() {
    if (target_) *target_ = choice_.Selection();
    if (applied_) applied_();
}

bool BonusesWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyEscape || key == kKeyReturn) {
        Apply();
        Close();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

uint32_t BonusesWindow::OnButtonClick(GameButton* button) {
    switch (button->Command()) {
    case kBonusesOk:
        Apply();
        Close();
        return kClickResetLook;
    case kBonusPanel:
        choice_.Toggle(PanelId(button));
        return 0;
    case kBonusSlot:
        choice_.Deselect(static_cast<BonusSlotButton*>(button)->Id());
        return 0;
    default:
        return 0;
    }
}

void BonusesWindow::DrawBackground(DXLViewer& viewer) {
    SpritesWindow::DrawBackground(viewer);
    const float alpha = EffectAlpha();
    if (separatorY_ >= 0)
        Fill(viewer, 12, separatorY_, 12 + kBonusPanelWidth, separatorY_ + 3, ScaleAlpha(0xFF6A4A28, alpha));
    const int32_t slotLeft = (rect.right - rect.left - kSlotFrameWidth) / 2;
    const int32_t top = slots_[0]->rect.top - 6;
    Fill(viewer, slotLeft, top, slotLeft + kSlotFrameWidth, top + kSlotFrameHeight,
         ScaleAlpha(0xFF6A4A28, alpha));
}
