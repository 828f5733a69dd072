#include "levelui/LevelPanel.h"

#include "engine/SoundManager.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/Colour.h"
#include "foundation/NumberText.h"
#include "gui/Hint.h"
#include "gui/SpritesWindow.h"
#include "levelui/ChildPanels.h"
#include "levelui/InstanceDrawing.h"
#include "levelui/PanelDisplays.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteHost.h"
#include "text/Language.h"

#include <algorithm>
#include <cmath>

namespace {

const char16_t* const kGroup = u"level_interface";
constexpr uint32_t kMenuTextColour = 0xFFFFFFFF, kMenuTextHover = 0xFFFFF0C0;
constexpr uint32_t kMenuTextOutline = 0xFF405C7F;
constexpr float kMenuTextOutlineWidth = 1.5f;
constexpr float kStartTextOutlineWidth = 2.0f;
constexpr uint32_t kStartTextFadeInMs = 500;
constexpr uint32_t kSlideMs = 130;
constexpr uint32_t kRunLineColour = 0xFF50B030;

} // namespace

// ---------------------------------------------------------------- context defaults

uint32_t LevelPanelContext::PlayEventSound(uint32_t index, uint32_t category, bool loop) {
    SoundManager* sound = GetSpriteHost().Sound();
    if (!sound) return 0;
    const uint32_t id = sound->GetEventSound(int(index));
    return id ? sound->PlayById(id, category, loop ? kLoopAsLoaded : kLoopOnce) : 0;
}

void LevelPanelContext::StopSound(uint32_t channel) {
    if (SoundManager* sound = GetSpriteHost().Sound()) sound->StopChannel(channel);
}

void LevelPanelContext::CloseTutorial() {
    if (LevelTutorialHooks* tutorial = RunningTutorial()) tutorial->Finish();
}

std::u16string LevelPanelContext::LevelTitle(uint32_t levelIndex) const {
    if (WindowManager* windows = GetWindowManager(); windows && windows->Language())
        return GetLevelTitle(*windows->Language(), levelIndex);
    return u"Level " + kis::DecimalText(levelIndex + 1);
}

// ---------------------------------------------------------------- bonus button

BonusButton::BonusButton(GameWindow* window, GameControls* group, LevelPanel* panel, uint32_t slot)
    : ActiveButton(window, group, kCommandBonus), panel_(panel), slot_(slot) {
    icon_ = panel->Context().BonusIcon(slot);
    rect = kis::MakeRectWH(0, 0, kWidth, kHeight);
    userData = slot;
    clickSound = InterfaceClick(); // a ready bonus clicks; the panel silences the others
    const std::u16string title = panel->Context().BonusTitle(slot);
    if (!title.empty()) SetHint(Manager().Text(u"bonuses", title.c_str()), u"");
    Update(false);
}

uint32_t BonusButton::GetCursor() {
    // Only a ready bonus shows the button's own cursor.
    return display_ == 1 ? ActiveButton::GetCursor() : kDefaultCursor;
}

void BonusButton::Update(bool animate) {
    const PanelBonusSlot slot = panel_->Level().BonusSlot(slot_);
    const uint32_t next = BonusDisplayState(slot.running, slot.ready);
    fraction_ = slot.fraction;
    if (next == display_) return;
    const uint32_t before = display_;
    display_ = next;
    effectKind_ = 0;
    if (animate) {
        if (next == 3)
            effectKind_ = 1;
        else if (next == 2 && before == 3)
            effectKind_ = 2;
        else if (next == 1 && before == 2)
            effectKind_ = 3;
        effectStart_ = Manager().Now();
    }
    Place(baseX_, baseY_);
}

void BonusButton::Place(int32_t x, int32_t y) {
    baseX_ = x;
    baseY_ = y;
    // Running, the button stands 12 px higher and taller: the line goes under the icon.
    if (display_ == 3)
        rect = kis::MakeRectWH(x, y - 12, kWidth, kHeight + 12);
    else
        rect = kis::MakeRectWH(x, y, kWidth, kHeight);
}

namespace {

// The bonus frames of the "level" sheet: 0 the grey cover of a recharge that
// still has to come, 1-3 normal, pointed at and pressed, 4 running, 5 the
// muted face the cover uncovers (a recharging button never shows the ready face).
constexpr int32_t kBonusRechargeTop = 0, kBonusRunning = 4, kBonusRechargeBottom = 5;
// The icon's frames: 0 under the cover, 1 ready (also running and uncovered), 2 pointed at.
constexpr int32_t kIconCovered = 0, kIconReady = 1;
// The running line under the frame: 12 px high, 2 px in from the sides; the
// indicator's end caps are 3 px of its texture.
constexpr int32_t kRunLineHeight = 12, kRunLineInset = 2, kRunLineCap = 3;

// Draws the quads with a colour added to their pictures (the flash), or as they are for none.
void DrawAdded(DXLViewer& viewer, std::vector<SkinQuads>& quads, float alpha, uint32_t added) {
    if ((added & 0xFFFFFF) == 0) {
        DrawLevelQuads(viewer, quads, alpha);
        return;
    }
    static const DXLTextureState kAdd = MakeTextureState(
        0, 0, uint32_t(platform::TextureAddress::Clamp), uint32_t(platform::TextureAddress::Clamp),
        kBlendAlpha, uint32_t(platform::TextureOp::Add), uint32_t(platform::TextureOp::Modulate));
    for (const SkinQuads& q : quads) {
        SkinQuads lit = q;
        for (int32_t i = 0; i < lit.count; ++i)
            for (platform::TexturedVertex& v : lit.quads[i].v)
                v.colour = (v.colour & 0xFF000000u) | (added & 0xFFFFFFu);
        // The state applies when the texture is bound afresh.
        ClearCurrentTexture(&viewer);
        viewer.SetTextureStateOverride(&kAdd);
        DrawSkinQuads(viewer, lit, alpha);
        viewer.SetTextureStateOverride(nullptr);
        ClearCurrentTexture(&viewer);
    }
}

// Rows [top, bottom) of an icon frame, placed with the frame's corner at (x, y).
void AddIconRows(std::vector<SkinQuads>* list, Sprite* icon, int32_t frame, int32_t x, int32_t y, int32_t top,
                 int32_t bottom, uint32_t colour) {
    kis::Rect r;
    if (!icon || bottom <= top || !icon->GetFrameRect(frame, &r)) return;
    SkinQuads q;
    InitQuad(&q, x, y + top, r.right - r.left, bottom - top, colour, icon->GetTexture(),
             {r.left, r.top + top, r.right, r.top + bottom});
    list->push_back(q);
}

} // namespace

void BonusButton::Draw(DXLViewer& viewer, float alpha) {
    const uint32_t now = Manager().Now();
    float slide = 0.0f;
    uint32_t flash = 0;
    RunLineLook line{1.0f, 1.0f, true};
    if (effectKind_) {
        const uint32_t t = now - effectStart_;
        bool over = true;
        if (effectKind_ == 1 || effectKind_ == 2) {
            // Running: the frame and icon rise from 12 px lower; stopping, they drop from 12 px higher.
            if (t < kSlideMs)
                slide = (effectKind_ == 1 ? 12.0f : -12.0f) * (1.0f - float(t) / kSlideMs), over = false;
            line = RunLineEffect(effectKind_ == 1, t);
            over = over && line.done;
        } else if (effectKind_ == 3) {
            flash = BonusFlashColour(t);
            over = flash == 0;
        }
        if (over) effectKind_ = 0, line = {1.0f, 1.0f, true};
    }
    // The line goes first: the frame stands over its ends.
    if (display_ == 3 || (effectKind_ == 2 && !line.done))
        DrawRunLine(viewer, alpha * line.alpha, line.scale);

    // Running, the button is 12 px taller: the frame stands at its top either way.
    const uint32_t look = state_.TwoBits();
    std::vector<SkinQuads> frame, icon;
    // The cover is the recharge still to come: whole as a recharge begins, drawn up
    // from the bottom as it gathers.
    const RechargeSplit split = RechargeSplitLine(kHeight, 1.0f - fraction_);
    Sprite* picture = icon_ && icon_->Acquire() ? icon_ : nullptr;
    kis::Rect iconRect{0, 0, 0, 0};
    if (picture) picture->GetFrameRect(kIconReady, &iconRect);
    const int32_t iconW = iconRect.right - iconRect.left, iconH = iconRect.bottom - iconRect.top;
    const int32_t iconX = (kWidth - iconW) / 2, iconY = (kHeight - iconH) / 2;
    const uint32_t white = 0xFFFFFFFF;
    if (display_ == 2 && !split.whole) {
        // Recharging: the cover above the split line, the muted face below it. A cover
        // all gone (the recharge about to end) shows the muted face whole.
        const int32_t line = split.none ? 0 : split.line;
        if (line > 0)
            AddLevelPiece(&frame, kPieceBonusFrame + kBonusRechargeTop, {0, 0, kWidth, line}, white);
        AddLevelPiece(&frame, kPieceBonusFrame + kBonusRechargeBottom, {0, line, kWidth, kHeight}, white, 0,
                      0);
        const int32_t above = IconRowsAbove(line, iconY, iconH);
        AddIconRows(&icon, picture, kIconCovered, iconX, iconY, 0, above, white);
        AddIconRows(&icon, picture, kIconReady, iconX, iconY, above, iconH, white);
        if (!split.none && split.alpha != 0) {
            // The row just above the line once more in the lower look, by how far the exact line reaches into
            // it.
            const uint32_t blend = uint32_t(split.alpha) << 24 | 0xFFFFFF;
            AddLevelPiece(&frame, kPieceBonusFrame + kBonusRechargeBottom, {0, line - 1, kWidth, line}, blend,
                          0, 0);
            const int32_t row = line - 1 - iconY;
            if (row >= 0 && row < iconH)
                AddIconRows(&icon, picture, kIconReady, iconX, iconY, row, row + 1, blend);
        }
    } else {
        const int32_t piece = display_ == 3   ? kBonusRunning
                              : display_ == 2 ? kBonusRechargeTop
                                              : std::max<int32_t>(int32_t(look), 1);
        AddLevelPiece(&frame, kPieceBonusFrame + piece, {0, 0, kWidth, kHeight}, white);
        const int32_t iconFrame = display_ == 1   ? std::clamp<int32_t>(int32_t(look), 1, 2)
                                  : display_ == 2 ? kIconCovered
                                                  : kIconReady;
        AddIconRows(&icon, picture, std::clamp(iconFrame, 0, picture ? picture->GetFrameCount() - 1 : 0),
                    iconX, iconY, 0, iconH, white);
    }
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(rect.left), float(rect.top) + slide);
    viewer.ApplyTransform();
    DrawAdded(viewer, frame, alpha, flash);
    DrawAdded(viewer, icon, alpha, flash);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

void BonusButton::DrawRunLine(DXLViewer& viewer, float alpha, float scale) {
    // The time the bonus still runs: a border with an indicator of (width - 4) x the fraction,
    // its last pixel blended by the part of it that is covered. The line lies under the frame's
    // place while running, and stays there while it shrinks away.
    constexpr int32_t kLineWidth = kWidth - 2 * kRunLineInset;
    if (alpha <= 0.0f) return;
    std::vector<SkinQuads> line(1);
    Sprite* border = GetSprite(1, u"progress_line_border");
    kis::Rect source;
    if (border && border->Acquire() && border->GetFrameRect(0, &source))
        InitNinePatch(&line[0], 0, 0, kLineWidth, kRunLineHeight, 5, 4, 5, 4, 0xFFFFFFFF, 0,
                      border->GetTexture(), source);
    else
        InitQuad(&line[0], 0, 0, kLineWidth, kRunLineHeight, 0xFF3A2008, nullptr, {0, 0, 0, 0});
    // The indicator: the texture's left cap, its middle stretched and its right cap, as far as the
    // length reaches; then the pixel the exact length reaches into, faded by how far it does.
    const RunLineLength length = RunLineIndicator(kLineWidth - 4, fraction_);
    DXLTexture* indicator = InterfaceTexture(u"progress_line_indicator");
    const int32_t tw = indicator ? int32_t(indicator->GetWidth()) : 1;
    const int32_t th = indicator ? int32_t(indicator->GetHeight()) : 1;
    const uint32_t ink = indicator ? 0xFFFFFFFFu : kRunLineColour;
    const int32_t cap = std::min(kRunLineCap, length.whole / 2);
    const int32_t pieces[3][3] = {// screen x, width, source x
                                  {0, cap, 0},
                                  {cap, length.whole - 2 * cap, cap},
                                  {length.whole - cap, cap, tw - cap}};
    for (int32_t i = 0; i < 3; ++i) {
        const int32_t* piece = pieces[i];
        if (piece[1] <= 0) continue;
        const int32_t sourceWidth = i == 1 ? std::max(tw - 2 * kRunLineCap, 1) : piece[1];
        line.emplace_back();
        InitQuad(&line.back(), 2 + piece[0], 3, piece[1], kRunLineHeight - 6, ink, indicator,
                 {piece[2], 0, piece[2] + sourceWidth, th});
    }
    if (length.alpha > 0) {
        const int32_t column = tw / 2; // a column of the middle
        line.emplace_back();
        InitQuad(&line.back(), 2 + length.whole, 3, 1, kRunLineHeight - 6,
                 (ink & 0xFFFFFFu) | uint32_t(length.alpha) << 24, indicator, {column, 0, column + 1, th});
    }
    const DXLMatrix saved = viewer.CurrentTransform();
    // Scaled about its middle as it grows and shrinks.
    viewer.Translate(float(rect.left + kRunLineInset + kLineWidth / 2),
                     float(baseY_ + kHeight - 12 + kRunLineHeight / 2));
    viewer.ApplyTransform();
    viewer.Scale(scale);
    viewer.ApplyTransform();
    viewer.Translate(-float(kLineWidth / 2), -float(kRunLineHeight / 2));
    viewer.ApplyTransform();
    DrawLevelQuads(viewer, line, alpha);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- warehouse button

namespace {
const int32_t kNoPieces[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
constexpr int32_t kSmallCaptionFont = 5; // the game's plain small font
constexpr int32_t kCaptionMargin = 8;    // pixels kept free across the face
constexpr int32_t kFaceInset = 3;        // the face's frame on either side
} // namespace

WarehouseButton::WarehouseButton(GameWindow* window, GameControls* group, uint32_t levelCount)
    : ImageButton(window, group, kCommandWarehouse, kNoPieces, nullptr, nullptr),
      highest_(levelCount > 0 ? int32_t(levelCount) - 1 : 0) {
    rect = kis::MakeRectWH(0, 0, kWidth, kHeight);
    const uint32_t colours[8] = {0xFF000000, 0xFF000000, 0xFF303030, 0xFF606060,
                                 0xFF000000, 0xFF000000, 0xFF303030, 0xFF606060};
    SetTextColorsV(colours);
    SetCaption(Manager().Text(kGroup, u"warehouse"));
    // A caption wider than the button's face takes the small label font.
    if (textWidth_ > kWidth - kCaptionMargin) SetTextLayout(kSmallCaptionFont, align_, textDx_, textDy_);
    SetHint(Manager().Text(kGroup, u"warehouse"), u"");
}

void WarehouseButton::SetLevel(int32_t level) {
    level = std::clamp(level, 0, highest_);
    if (level == level_) return;
    level_ = level;
    BuildLevelMarks(&marks_, uint32_t(level), uint32_t(highest_), (rect.right - rect.left) / 2, 80,
                    0xFF808080);
}

void WarehouseButton::Draw(DXLViewer& viewer, float alpha) {
    // Normal, hover and pressed lie side by side in the sheet, 80 px apart.
    const uint32_t look = std::clamp<uint32_t>(state_.TwoBits(), 1, 3) - 1;
    std::vector<SkinQuads> face;
    AddLevelPiece(&face, kPieceWarehouseButton, {0, 0, kWidth, kHeight}, Tint(state_.State()),
                  int32_t(look) * 80);
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(rect.left), float(rect.top));
    viewer.ApplyTransform();
    DrawLevelQuads(viewer, face, alpha);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
    DrawStateText(viewer, alpha);
}

void WarehouseButton::DrawStateText(DXLViewer& viewer, float alpha) {
    // The text's colour of the state, cross-faded from the previous state's
    // while the look changes; the marks take it too.
    uint32_t ink = TextColour(state_.State() & 3);
    if (state_.Progress() < 1.0f && (state_.Previous() & 3) != 0)
        ink = kis::LerpColor(TextColour(state_.Previous() & 3), ink, state_.Progress());
    // The caption, under the barn, keeps a margin from the face's frame on either side: a
    // wider one is drawn smaller.
    const int32_t w = rect.right - rect.left;
    const float room = float(w - 2 * kFaceInset - 2);
    const float scale = shown_.Width() > 0 ? std::min(1.0f, room / float(shown_.Width())) : 1.0f;
    TellCaptionPastSides(
        int32_t(std::floor(float(rect.left) + (float(w) - float(shown_.Width()) * scale) / 2.0f)));
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(rect.left) + float(w) / 2.0f, float(rect.top) + 58.0f);
    viewer.Scale(scale);
    viewer.ApplyTransform();
    shown_.Draw(viewer, -float(shown_.Width()) / 2.0f, -float(shown_.Height()) / 2.0f,
                ScaleAlpha(ink, alpha));
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
    viewer.Translate(float(rect.left), float(rect.top));
    viewer.ApplyTransform();
    for (SkinQuads& q : marks_) {
        SkinQuads tinted = q;
        for (int32_t i = 0; i < tinted.count; ++i)
            for (auto& v : tinted.quads[i].v)
                v.colour = ModulateColour(v.colour | 0xFF000000, ink | 0xFF000000);
        DrawSkinQuads(viewer, tinted, alpha);
    }
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- tutorial button

TutorialButton::TutorialButton(GameWindow* window, GameControls* group, int32_t width, const char16_t* text)
    : NarrowButton(window, group, kCommandCloseTutorial, width, text) {
    ShowWithEffect(Manager().Now(), 200);
}

// ---------------------------------------------------------------- panel

LevelPanel::LevelPanel(WindowManager& manager, RunningLevelView& level, LevelPanelContext& context,
                       LevelPanelDriver* driver)
    : GameWindow(manager, kLevelPanelTag, false), level_(level), context_(context), driver_(driver),
      screenWidth_(manager.ScreenWidth()), screenHeight_(manager.ScreenHeight()) {
    if (driver_) driver_->SetPanel(this);
    CreateMenuButton();
    DoLayout();
    timeBar_ = std::make_unique<TimeBar>(*this);
    money_ = manager.Open<MoneyWindow>(*this);
    if (MoneyValue* money = context_.Money())
        moneyListener_ = money->Listeners().Add([this] {
            if (child_) child_->RefreshMoneyButtons();
        });
    if (ProductStock* stock = context_.Stock())
        stockListener_ = stock->AddListener([this](const ProductStock::Record& record) {
            if (child_) child_->RefreshProductButtons(record.product);
        });
    warehouse_ = controls_.Make<WarehouseButton>(context_.WarehouseLevelCount());
    warehouse_->SetLevel(0);
    const RegimeBlock& regime = level_.RegimeRecord();
    // The record allows three goals; a larger count from the data shows three.
    const uint32_t goals = std::min(regime.goalCount, kMaxLevelGoals);
    for (uint32_t i = 0; i < goals; ++i)
        tasks_.push_back(controls_.Make<TaskButton>(this, i, regime.goals[i], TaskButton::kModePanel));
    LayoutTaskButtons();
    UpdateTaskButtons(-1, false);
    PlaceButtons();
    text_.Set(4, manager.Text(kGroup, u"click_to_start"));
    text_.SetOutline(kStartTextOutlineWidth, 0xFF000000);
    hasText_ = true;
    clock_ = 0;
    fadeIn_ = 0;
    fadeOut_ = -1;
}

LevelPanel::~LevelPanel() {
    if (child_) child_->Detach();
    while (!owned_.empty())
        owned_.pop_back(); // the last first
    if (money_) {
        money_->Detach();
        manager_.Destroy(money_);
    }
    if (MoneyValue* money = context_.Money(); money && moneyListener_)
        money->Listeners().Remove(moneyListener_);
    if (ProductStock* stock = context_.Stock(); stock && stockListener_)
        stock->RemoveListener(stockListener_);
    timeBar_.reset();
    if (driver_ && driver_->Panel() == this) driver_->SetPanel(nullptr);
}

void LevelPanel::CreateMenuButton() {
    const char16_t* text = manager_.Text(kGroup, u"menu");
    int32_t width = 88;
    const int32_t measured = MeasureSkinText(kButtonFont, text).right;
    if (measured > width) width = std::min(measured + 16, 160);
    menu_ = controls_.Make<NarrowButton>(kCommandMenu, width, text);
    // A light text in a blue outline on the wood.
    const uint32_t colours[8] = {kMenuTextColour, kMenuTextColour, kMenuTextHover,  kMenuTextColour,
                                 kMenuTextColour, kMenuTextColour, kMenuTextColour, kMenuTextColour};
    menu_->SetTextColorsV(colours);
    menu_->SetTextOutline(kMenuTextOutlineWidth, kMenuTextOutline);
    menu_->SetFrameGrid({6, 8, 6, 8});
}

void LevelPanel::DoLayout() {
    const int32_t sw = screenWidth_, sh = screenHeight_;
    const PanelLayout next = ComputePanelLayout(sw, sh);
    if (layoutCounter_ == 0 || next.childLeft != layout_.childLeft || next.childWidth != layout_.childWidth)
        ++layoutCounter_;
    layout_ = next;
    rect = layout_.panel;
    under_.clear();
    over_.clear();
    const int32_t h = kPanelHeight;
    if (layout_.padLeft > 0) AddLevelPiece(&under_, kPieceEdge, {0, 0, layout_.padLeft + 2, h});
    if (layout_.padRight > 0) AddLevelPiece(&under_, kPieceEdge, {sw - layout_.padRight - 2, 0, sw, h});
    AddLevelPiece(&under_, kPieceGoalsFrame, {layout_.goalsLeft, 0, layout_.childLeft, h});
    // The child area's frame leaves its middle open: the child panel and the time bar show through.
    AddLevelPiece(&under_, kPieceChildFrame, {layout_.childLeft, 22, layout_.warehouseLeft, h}, 0xFFFFFFFF, 0,
                  0, 1);
    AddLevelPiece(&under_, kPieceWarehouseBlock,
                  {layout_.warehouseLeft, 0, layout_.warehouseLeft + kWarehouseBlockWidth, h});
    AddLevelPiece(&over_, kPieceSeam, {layout_.childLeft - 4, 0, layout_.childLeft + 4, h});
    AddLevelPiece(&over_, kPieceSeam, {layout_.warehouseLeft - 4, 0, layout_.warehouseLeft + 4, h});
    const int32_t cornerWidth = (menu_ ? menu_->rect.right - menu_->rect.left : 88) + 5;
    menuCorner_ = kis::MakeRectWH(sw - cornerWidth, 0, cornerWidth, kMenuCornerHeight);
    AddLevelPiece(
        &under_, kPieceMenuBack,
        kis::MakeRectWH(menuCorner_.left, menuCorner_.top - rect.top, cornerWidth, kMenuCornerHeight));
}

void LevelPanel::OnScreenResize(int32_t width, int32_t height) {
    screenWidth_ = width;
    screenHeight_ = height;
    DoLayout();
    if (child_) child_->ApplyLayout();
    LayoutTaskButtons();
    if (timeBar_) timeBar_->Layout();
    if (money_) money_->OnScreenResize(width, height);
    PlaceButtons();
}

void LevelPanel::PlaceButtons() {
    // Moved through SetPosition, which builds the skin again where the button now stands.
    if (menu_) menu_->SetPosition(menuCorner_.left + 4 - rect.left, menuCorner_.top + 1 - rect.top);
    if (warehouse_) warehouse_->SetPosition(layout_.warehouseLeft + 11, kPanelHeight - 104);
    PlaceTutorialButton();
    LayoutBonusButtons();
}

void LevelPanel::LayoutTaskButtons() {
    const std::vector<Span> spans =
        LayoutGoalSpans(layout_.goalsLeft, layout_.goalsWidth, uint32_t(tasks_.size()));
    for (size_t i = 0; i < tasks_.size() && i < spans.size(); ++i)
        tasks_[i]->SetRect(spans[i].x, kGoalButtonTop, spans[i].width);
}

void LevelPanel::LayoutBonusButtons() {
    std::vector<int32_t> widths;
    for (BonusButton* b : bonus_)
        if (b) widths.push_back(BonusButton::kWidth);
    const std::vector<int32_t> xs = LayoutBonusRow(screenWidth_, widths);
    size_t k = 0;
    for (BonusButton* b : bonus_)
        if (b && k < xs.size()) b->Place(xs[k++], kBonusRowOffset);
}

void LevelPanel::PlaceTutorialButton() {
    if (!tutorial_ || !money_) return;
    const int32_t w = tutorial_->rect.right - tutorial_->rect.left;
    const PanelPoint p = ::PlaceTutorialButton(w, money_->rect.left, screenWidth_);
    tutorial_->SetPosition(p.x - rect.left, p.y - rect.top);
}

void LevelPanel::ShowEmptyPanel() {
    if (!empty_) {
        auto made = std::make_unique<EmptyPanel>(*this);
        empty_ = made.get();
        owned_.push_back(std::move(made));
    }
    empty_->Attach();
}

void LevelPanel::UpdateTaskButtons(int32_t index, bool animate) {
    for (uint32_t i = 0; i < tasks_.size(); ++i)
        if (index < 0 || uint32_t(index) == i) tasks_[i]->SetProgress(level_.GoalProgress(i), animate);
}

void LevelPanel::CreateBonusButtons() {
    for (uint32_t s = 0; s < kBonusSlotCount; ++s)
        if (level_.BonusSlot(s).inUse && !bonus_[s]) bonus_[s] = controls_.Make<BonusButton>(this, s);
    LayoutBonusButtons();
}

void LevelPanel::UpdateBonusButton(uint32_t slot, bool animate) {
    if (slot >= kBonusSlotCount) return;
    if (!bonus_[slot]) CreateBonusButtons();
    if (bonus_[slot]) bonus_[slot]->Update(animate);
}

void LevelPanel::UpdateTimeBar(bool animate) {
    if (timeBar_) timeBar_->Update(animate);
}

void LevelPanel::StartTextFadeOut() {
    if (hasText_ && fadeOut_ < 0) fadeOut_ = clock_;
}

void LevelPanel::AdvanceClock(uint32_t ms) {
    if (!hasText_) return;
    clock_ += ms;
    if (fadeIn_ >= 0 && int64_t(clock_) - fadeIn_ >= kStartTextFadeInMs) fadeIn_ = -1;
    if (fadeOut_ >= 0 && ClickToStartAlpha(clock_, fadeIn_, fadeOut_) <= 0.0f) hasText_ = false;
}

void LevelPanel::ShowTutorialButton() {
    if (tutorial_) {
        controls_.Remove(tutorial_);
        tutorial_ = nullptr;
    }
    const char16_t* text = manager_.Text(kGroup, u"close_tutorial");
    int32_t width = 144;
    const int32_t wanted = std::min(MeasureSkinText(kButtonFont, text).right + 20, 200);
    if (wanted > width) width = wanted;
    tutorial_ = controls_.Make<TutorialButton>(width, text);
    PlaceTutorialButton();
}

void LevelPanel::HideTutorialButton() {
    if (tutorial_) tutorial_->CloseWithEffect();
}

bool LevelPanel::HitTestButtons(int32_t x, int32_t y) const {
    if (kis::PtInRect(x, y, menuCorner_) && menu_) return true;
    if (tutorial_ && tutorial_->HasState()) {
        const kis::Rect r = tutorial_->ScreenRect();
        if (kis::PtInRect(x, y, r)) return true;
    }
    return false;
}

bool LevelPanel::HitTest(int32_t x, int32_t y) const {
    if (kis::PtInRect(x, y, rect) || HitTestButtons(x, y)) return true;
    for (BonusButton* b : bonus_)
        if (b && b->HitTest(x - rect.left, y - rect.top)) return true;
    return false;
}

ChildLevelPanel* LevelPanel::FindChildPanel(int32_t id) const {
    for (ChildLevelPanel* c : children_)
        if (c->id == id) return c;
    return nullptr;
}

void LevelPanel::RegisterChild(ChildLevelPanel* child) {
    children_.push_back(child);
}

void LevelPanel::UnregisterChild(ChildLevelPanel* child) {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
    if (child_ == child) child_ = nullptr;
    if (empty_ == child) empty_ = nullptr;
}

namespace {

// The close-tutorial confirmation: the tutorial is looked up when the answer
// comes, since the one that ran when the dialog opened may be gone by then.
uint32_t OnCloseTutorialAnswer(uintptr_t user1, uintptr_t, uint32_t command) {
    if (command == kDialogOk || command == kDialogYes) {
        reinterpret_cast<LevelPanelContext*>(user1)->CloseTutorial();
    }
    return 1;
}

} // namespace

uint32_t LevelPanel::OnButtonClick(GameButton* button) {
    const uint32_t command = button->Command();
    if ((command & kChildCommandMask) == kChildCommand) return child_ ? child_->OnButtonCommand(button) : 0;
    switch (command) {
    case kCommandWarehouse:
        context_.OpenWarehouseWindow();
        return kClickResetLook;
    case kCommandBonus: {
        const uint32_t slot = uint32_t(button->userData);
        if (!level_.BonusSlot(slot).ready) return kClickNoSound;
        level_.StartClock();
        level_.ActivateBonus(slot);
        return kClickResetLook;
    }
    case kCommandMenu:
        level_.ShowMenu(true);
        return kClickResetLook;
    case kCommandCloseTutorial: {
        // The level's own tutorial goes off for the level; a tutorial the
        // level's save does not keep (the full warehouse's) only ends.
        const LevelTutorialHooks* running = context_.RunningTutorial();
        const char16_t* question =
            !running || running->IsSavedWithLevel() ? u"close_tutorial_c" : u"close_tutorial_once_c";
        const DialogParams params = DialogParams::Make(kDialogYes, kDialogNo, nullptr, nullptr);
        manager_.Open<DialogWindow>(params, question, u"close_tutorial", &OnCloseTutorialAnswer,
                                    reinterpret_cast<uintptr_t>(&context_), uintptr_t(0));
        return kClickResetLook;
    }
    default:
        return 0;
    }
}

bool LevelPanel::Update() {
    const uint32_t now = manager_.Now();
    // The start text pulses at the level's pace: the frame's time times its speed.
    if (nowSet_ && hasText_ && !level_.IsPausedExcept(kPanelClockPauses)) {
        const float speed = level_.FrameSpeed();
        if (speed > 0.0f) AdvanceClock(uint32_t(std::lround(double(now - lastNow_) * speed)));
    }
    lastNow_ = now;
    nowSet_ = true;
    if (timeBar_ && level_.IsBegun()) timeBar_->Update(true);
    if (tutorial_) {
        tutorial_->StepEffect();
        if (!tutorial_->HasState() && tutorial_->EffectAlpha() <= 0.0f) {
            controls_.Remove(tutorial_);
            tutorial_ = nullptr;
        }
    }
    return GameWindow::Update();
}

void LevelPanel::Draw(DXLViewer& viewer) {
    // The manager has moved the viewer to the panel's corner.
    const DXLMatrix saved = viewer.CurrentTransform();
    if (timeBar_) timeBar_->Draw(viewer);
    if (child_) child_->Draw(viewer);
    DrawLevelQuads(viewer, under_, 1.0f);
    DrawChildren(viewer);
    DrawLevelQuads(viewer, over_, 1.0f);
    if (hasText_) {
        const float scale = StartTextScale();
        const float alpha = std::clamp(StartTextAlpha(), 0.0f, 1.0f);
        viewer.Translate(float(screenWidth_) / 2.0f, -80.0f);
        viewer.ApplyTransform();
        viewer.Scale(scale);
        viewer.ApplyTransform();
        const float w = float(text_.Width()), h = float(text_.Height());
        text_.Draw(viewer, -w / 2, -h / 2, ScaleAlpha(0xFFFFFFFF, alpha));
    }
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- driver

void LevelPanelDriver::ShowEmptyPanel() {
    if (panel_) panel_->ShowEmptyPanel();
}
void LevelPanelDriver::CreateBonusButtons() {
    if (panel_) panel_->CreateBonusButtons();
}
void LevelPanelDriver::UpdateBonusButton(uint32_t slot) {
    if (panel_) panel_->UpdateBonusButton(slot, panel_->Level().IsBegun());
}
void LevelPanelDriver::UpdateTaskButtons(int32_t index) {
    if (panel_) panel_->UpdateTaskButtons(index, panel_->Level().IsBegun());
}
void LevelPanelDriver::UpdateTimeBar() {
    if (panel_) panel_->UpdateTimeBar(panel_->Level().IsBegun());
}
void LevelPanelDriver::StartTextFadeOut() {
    if (panel_) panel_->StartTextFadeOut();
}
void LevelPanelDriver::ShowMenu(bool) {
    if (panel_) panel_->Context().OpenPauseMenu();
}
