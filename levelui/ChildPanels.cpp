#include "levelui/ChildPanels.h"

#include "engine/Viewer.h"
#include "foundation/NumberText.h"
#include "gui/Hint.h"
#include "gui/Regime.h"
#include "gui/Window.h"
#include "level/LevelPoint.h"
#include "levelui/InstanceDrawing.h"
#include "levelui/LevelPanel.h"
#include "levelui/LevelSheet.h"
#include "sprites/Sprite.h"

#include <algorithm>

namespace {

constexpr int32_t kButtonTop = 7;
const char16_t* const kGroup = u"level_interface";

Sprite* InterfaceIcon(const char16_t* name) {
    return GetSprite(1, name);
}

} // namespace

// ---------------------------------------------------------------- child panel

ChildLevelPanel::ChildLevelPanel(LevelPanel& owner)
    : owner_(owner), group_(std::make_unique<GameControls>(&owner)) {
    owner_.RegisterChild(this);
}

ChildLevelPanel::~ChildLevelPanel() {
    Detach();
    group_->Clear();
    owner_.UnregisterChild(this);
}

void ChildLevelPanel::GetSize(int32_t* w, int32_t* h) const {
    *w = width;
    *h = height;
}

void ChildLevelPanel::Attach() {
    if (attached_) return;
    if (ChildLevelPanel* other = owner_.CurrentChild(); other && other != this) other->Detach();
    owner_.SetCurrentChild(this);
    owner_.AddControls(group_.get());
    ApplyLayout();
    RefreshMoneyButtons();
    RefreshProductButtons(nullptr);
    attached_ = true;
    OnAttached();
}

void ChildLevelPanel::Detach() {
    if (!attached_) return;
    if (owner_.CurrentChild() == this) owner_.SetCurrentChild(nullptr);
    owner_.RemoveControls(group_.get());
    attached_ = false;
}

void ChildLevelPanel::ApplyLayout() {
    if (layoutCopy_ == owner_.LayoutCounter()) return;
    layoutCopy_ = owner_.LayoutCounter();
    const PanelLayout& l = owner_.Layout();
    x = l.childLeft;
    width = l.childWidth;
    height = kChildPanelHeight;
    y = kPanelHeight - kChildPanelHeight;
    skin_.clear();
    Layout();
}

void ChildLevelPanel::AddStrip(int32_t from, int32_t to) {
    if (from < to) {
        if (from > 0) AddLevelPiece(&skin_, kPieceChildBack, {0, 0, from, height});
        if (to + 2 < width) AddLevelPiece(&skin_, kPieceChildBack, {to + 2, 0, width, height});
        AddLevelPiece(&skin_, kPieceChildStrip, {from, 0, to + 2, height});
    } else {
        AddLevelPiece(&skin_, kPieceChildBack, {0, 0, width, height});
    }
}

void ChildLevelPanel::Draw(DXLViewer& viewer) {
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(x), float(y));
    viewer.ApplyTransform();
    DrawLevelQuads(viewer, skin_, 1.0f);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

void ChildLevelPanel::RefreshMoneyButtons() {
    for (LevelPanelButton* b : prices_[0])
        b->RefreshPrice();
}

void ChildLevelPanel::RefreshProductButtons(const PRODUCT* product) {
    for (LevelPanelButton* b : prices_[1])
        if (!product || b->Product() == product) b->RefreshPrice();
}

void ChildLevelPanel::RefreshRemoveButton() {
    if (!removeButton) return;
    auto* point = reinterpret_cast<BaseLevelPoint*>(removeButton->userData);
    const bool free = point && !owner_.Context().IsPointBusy(*point) && point->Damage() <= 0;
    removeButton->SetEnabled(free);
}

uint32_t ChildLevelPanel::OnButtonCommand(GameButton* button) {
    if (button->Command() != kCommandRemove) return 0;
    auto* point = reinterpret_cast<BaseLevelPoint*>(button->userData);
    if (!point) return 0;
    if (point->Stage() < 1)
        owner_.Level().RebuildPoint(point->Index());
    else
        owner_.Context().RequestPulldown(*point);
    return 0;
}

void ChildLevelPanel::AddToPriceList(LevelPanelButton* button, int32_t list) {
    RemoveFromPriceList(button);
    if (list < 0 || list > 1) return;
    prices_[list].push_back(button);
    button->SetPriceList(list);
}

void ChildLevelPanel::RemoveFromPriceList(LevelPanelButton* button) {
    const int32_t list = button->PriceList();
    if (list < 0 || list > 1) return;
    auto& v = prices_[list];
    v.erase(std::remove(v.begin(), v.end(), button), v.end());
    button->SetPriceList(-1);
}

// ---------------------------------------------------------------- panel button

namespace {
const int32_t kNoPieces[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
}

LevelPanelButton::LevelPanelButton(GameWindow* window, GameControls* group, ChildLevelPanel* panel,
                                   const ButtonParts& parts, uint32_t index, uint32_t command, uint32_t flags,
                                   Sprite* icon)
    : ImageButton(window, group, command, kNoPieces, nullptr, nullptr), panel_(panel), flags_(flags) {
    const uint32_t n = std::max(parts.count, 1u);
    index = std::min(index, n - 1);
    partX_ = parts.count ? parts.parts[index].x : 0;
    partWidth_ = parts.count ? parts.parts[index].width : parts.length;
    if (index == 0) flags_ |= kFirst;
    if (index + 1 == n) flags_ |= kLast;
    rect = kis::MakeRectWH(panel->x + partX_, panel->y + kButtonTop, partWidth_, kHeight);
    // Four state frames: the icon-button set for kKindIcon, the choice set otherwise.
    const int32_t base = (flags_ & kKindMask) == kKindIcon ? kPieceIconButton : kPieceChoiceButton;
    for (int32_t s = 0; s < 4; ++s) {
        AddLevelPiece(&frames_[s], base + s, {0, 0, partWidth_, kHeight});
        if (!(flags_ & kFirst)) AddLevelPiece(&frames_[s], kPieceJoint, {0, 0, 2, kHeight});
    }
    if (icon) SetIcon(icon, 1);
}

LevelPanelButton::~LevelPanelButton() {
    if (panel_) panel_->RemoveFromPriceList(this);
}

void LevelPanelButton::SetIcon(Sprite* icon, int32_t frame) {
    icon_ = CentredInstance(icon, icon && icon->GetFrameCount() > 1 ? frame : 0, 1.0f);
    LayoutContent();
}

void LevelPanelButton::ChangeIcon(Sprite* icon) {
    SetIcon(icon, 1);
}

void LevelPanelButton::SetPosition(int32_t px, int32_t py) {
    // x is taken relative to the button's part.
    rect = kis::MakeRectWH(px + partX_, py, partWidth_, kHeight);
}

void LevelPanelButton::Place(int32_t px) {
    rect = kis::MakeRectWH(panel_->x + px, panel_->y + kButtonTop, partWidth_, kHeight);
}

void LevelPanelButton::LayoutContent() {
    const int32_t w = partWidth_;
    if (icon_) {
        icon_->position = {float(w) / 2.0f, (flags_ & kIconHigh) ? 28.0f : float(kHeight) / 2.0f};
    }
    if (productIcon_) {
        const float textW = float(countText_.Width());
        float cx = float(w) / 2.0f;
        if (count_ > 0) cx = (float(w) - textW + 1.0f) / 2.0f + 12.0f - 13.0f;
        productIcon_->position = {cx, 63.0f};
    }
}

void LevelPanelButton::SetProduct(int32_t count, const PRODUCT* product, Sprite* productIcon) {
    count = std::max(count, 0);
    if (product != product_) {
        product_ = product;
        productIcon_ = CentredInstance(productIcon, 0, 0.5f);
    }
    if (count != count_) {
        count_ = count;
        countText_.Set(9, count ? kis::DecimalText(count) : std::u16string());
        textColours_[0] = 0xFFC0C0C0;
        textColours_[1] = 0xFF000000;
        textColours_[2] = 0xFF303030;
        textColours_[3] = 0xFF606060;
    }
    LayoutContent();
    if (panel_) {
        if (count_ == 0)
            panel_->RemoveFromPriceList(this);
        else
            panel_->AddToPriceList(this, product_ ? 1 : 0);
    }
    RefreshPrice();
}

void LevelPanelButton::ApplyStateRule() {
    SetVisible(!(flags_ & (kCannotPay | kDisabled)), true);
}

void LevelPanelButton::RefreshPrice() {
    bool cannot = false;
    if (count_ > 0 && panel_) {
        LevelPanel& owner = panel_->Owner();
        if (!product_) {
            MoneyValue* money = owner.Context().Money();
            const int32_t have = money ? money->Get() : owner.Level().Money();
            cannot = count_ > have;
        } else {
            ProductStock* stock = owner.Context().Stock();
            cannot = !stock || stock->GetCount(product_) < uint32_t(count_);
        }
    }
    const bool was = (flags_ & kCannotPay) != 0;
    if (cannot == was) return;
    flags_ = cannot ? flags_ | kCannotPay : flags_ & ~kCannotPay;
    ApplyStateRule();
}

void LevelPanelButton::SetEnabled(bool enabled) {
    const bool disabled = !enabled;
    if (disabled == ((flags_ & kDisabled) != 0)) return;
    flags_ = disabled ? flags_ | kDisabled : flags_ & ~kDisabled;
    ApplyStateRule();
}

void LevelPanelButton::Draw(DXLViewer& viewer, float alpha) {
    const uint32_t look = state_.TwoBits();
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(rect.left), float(rect.top));
    viewer.ApplyTransform();
    DrawLevelQuads(viewer, frames_[look], alpha * EffectAlpha());
    const uint32_t colour = ScaleAlpha(0xFFFFFFFF, alpha);
    if (icon_) DrawInstanceAt(viewer, *icon_, icon_->position.x, icon_->position.y, colour);
    if (count_ > 0) {
        const float tx = float(partWidth_ - countText_.Width() + 1) / 2.0f + (productIcon_ ? 12.0f : 0.0f);
        countText_.Draw(viewer, tx, 64.0f - float(countText_.Height()) / 2.0f,
                        ScaleAlpha(textColours_[look], alpha));
        if (productIcon_) DrawInstanceAt(viewer, *productIcon_, productIcon_->position.x, 63.0f, colour);
    }
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- makers

LevelPanelButton* CreateRemoveButton(ChildLevelPanel* panel) {
    if (panel->removeButton) return panel->removeButton;
    Sprite* icon = InterfaceIcon(u"ico_delete");
    ButtonParts parts;
    SplitIntoParts(&parts, 64, 1);
    auto* b = panel->Buttons().Make<LevelPanelButton>(panel, parts, 0u, kCommandRemove,
                                                      LevelPanelButton::kKindIcon, icon);
    b->SetHint(panel->Owner().Manager().Text(kGroup, u"remove"), u"");
    panel->removeButton = b;
    return b;
}

LevelPanelButton* CreateUpgradeButton(ChildLevelPanel* panel, const ButtonParts& parts, uint32_t index) {
    Sprite* icon = InterfaceIcon(u"ico_upgrade");
    auto* b = panel->Buttons().Make<LevelPanelButton>(panel, parts, index, kCommandUpgrade,
                                                      LevelPanelButton::kIconHigh, icon);
    b->SetHint(panel->Owner().Manager().Text(kGroup, u"upgrade"), u"");
    return b;
}

LevelPanelButton* CreateBackButton(ChildLevelPanel* panel, const ButtonParts& parts) {
    Sprite* icon = InterfaceIcon(u"ico_back");
    auto* b = panel->Buttons().Make<LevelPanelButton>(panel, parts, parts.count ? parts.count - 1 : 0u,
                                                      kCommandBack, LevelPanelButton::kKindIcon, icon);
    b->SetHintEnabled(false);
    return b;
}

LevelPanelButton* CreateEmptyButton(ChildLevelPanel* panel, const ButtonParts& parts, uint32_t index,
                                    uint32_t command) {
    Sprite* icon = InterfaceIcon(u"ico_empty");
    auto* b = panel->Buttons().Make<LevelPanelButton>(panel, parts, index, command,
                                                      LevelPanelButton::kKindIcon, icon);
    b->SetHintEnabled(false);
    b->SetState(ControlState::kHidden, true);
    return b;
}

LevelPanelButton* CreatePanelButton(ChildLevelPanel* panel, const ButtonParts& parts, uint32_t index,
                                    uint32_t command, Sprite* icon, int32_t count, const PRODUCT* product) {
    auto* b = panel->Buttons().Make<LevelPanelButton>(panel, parts, index, command,
                                                      LevelPanelButton::kIconHigh, icon);
    b->SetHintEnabled(false);
    if (count) b->SetProduct(count, product);
    return b;
}

// ---------------------------------------------------------------- level block

CLPLevelBlock::CLPLevelBlock(GameWindow* window, GameControls* group, ChildLevelPanel* panel)
    : ActiveButton(window, group, kCommandLevelBlock), panel_(panel) {
    rect = kis::MakeRectWH(panel->x, panel->y + kButtonTop, kWidth, kHeight);
    cursor_ = kDefaultCursor;
    SetHintEnabled(false);
}

CLPLevelBlock::~CLPLevelBlock() {
    if (panel_ && panel_->levelBlock == this) panel_->levelBlock = nullptr;
}

void CLPLevelBlock::Show(uint32_t levelCount, uint32_t stage, Sprite* picture) {
    levels_ = levelCount;
    stage_ = stage;
    marks_ = LevelBlockMarks(levelCount, stage);
    if (picture != picture_) {
        picture_ = picture;
        instance_ = CentredInstance(picture, 1, 0.5f);
    }
    if (instance_)
        instance_->position = {float(kWidth) / 2.0f, levelCount < 2 ? float(kHeight) / 2.0f : 27.0f};
}

void CLPLevelBlock::SetHintText(const std::u16string& text, uint32_t tagKind, uintptr_t value) {
    text_ = text;
    tagKind_ = tagKind;
    tagValue_ = value;
    SetHintEnabled(!text_.empty());
    SetHint(u"", text_);
    refresh_ = true;
}

void CLPLevelBlock::SetValue(uintptr_t value) {
    tagValue_ = value;
    refresh_ = true;
}

BaseHintWindow* CLPLevelBlock::GetHintWindow() {
    if (!HasHint()) return nullptr;
    if (refresh_ || !hint_) {
        // The tag's object changed: the text is laid out again through the tags.
        const kis::Rect anchor = ScreenRect();
        hint_ = std::make_unique<CaptionHintWindow>(Manager(), this, u"", text_.c_str(), &anchor, kHintWidth,
                                                    tagKind_, tagValue_);
        refresh_ = false;
    }
    return hint_.get();
}

void CLPLevelBlock::Place(int32_t px) {
    rect = kis::MakeRectWH(panel_->x + px, panel_->y + kButtonTop, kWidth, kHeight);
}

void CLPLevelBlock::Draw(DXLViewer& viewer, float alpha) {
    std::vector<SkinQuads> quads;
    AddLevelPiece(&quads, kPieceLevelBlock, {0, 0, kWidth, kHeight});
    if (!marks_.empty()) {
        // The marks' tab stands inside the block under the picture, clear of
        // the block's sides and of the panel's bottom edge.
        AddLevelPiece(&quads, kPieceMarksBack, kis::MakeRectWH(14, 47, kWidth - 28, 28));
        for (const LevelMark& m : marks_)
            AddLevelPiece(&quads, m.lit ? kPieceMarkOn : kPieceMarkOff,
                          kis::MakeRectWH(kWidth / 2 - 10 + m.dx, 50 + m.dy, 21, 20));
    }
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(rect.left), float(rect.top));
    viewer.ApplyTransform();
    if (!quads.empty()) DrawSkinQuads(viewer, quads[0], alpha);
    if (instance_)
        DrawInstanceAt(viewer, *instance_, instance_->position.x, instance_->position.y,
                       ScaleAlpha(0xFFFFFFFF, alpha));
    for (size_t i = 1; i < quads.size(); ++i)
        DrawSkinQuads(viewer, quads[i], alpha);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

// ---------------------------------------------------------------- empty panel

EmptyPanel::EmptyPanel(LevelPanel& owner) : ChildLevelPanel(owner) {
    id = kEmptyPanelId;
    const RunningLevelView& level = owner.Level();
    const RegimeBlock& regime = level.RegimeRecord();
    const ::MedalRows rows = EmptyPanelRows(level.Regime());
    const uint32_t times[3] = {regime.goldMs, regime.silverMs, regime.bronzeMs};
    const char16_t* icons[3] = {u"gold_small", u"silver_small", u"bronze_small"};
    for (uint32_t i = 0; i < rows.count; ++i) {
        Row row{InterfaceIcon(icons[i]), SkinText(), rows.y[i]};
        row.text.Set(5, FormatLevelTime(times[i]));
        rows_.push_back(std::move(row));
    }
    clock_.icon = InterfaceIcon(u"small_ico_clock");
    clock_.y = kEmptyPanelClockY;
    UpdateClock();
    caption_.Set(3, owner.Manager().Text(kGroup, u"current_time"));
}

void EmptyPanel::Layout() {
    AddLevelPiece(&skin_, kPieceChildBack, {0, 0, width, height});
    left_ = EmptyPanelLeftColumn(width);
}

void EmptyPanel::UpdateClock() {
    const uint32_t ms = owner_.Level().LevelTimeMs();
    const int64_t second = ShownSecond(ms);
    if (second == shownSecond_) return;
    shownSecond_ = second;
    clock_.text.Set(5, FormatLevelTime(ms));
}

void EmptyPanel::DrawRow(DXLViewer& viewer, Row& row, int32_t column) {
    const int32_t textW = row.text.Width();
    const float iconX = float(column + 10 - (textW + 27) / 2);
    if (row.icon && row.icon->GetLibrary()) {
        auto instance = CentredInstance(row.icon, 1, 0.5f);
        if (instance) DrawInstanceAt(viewer, *instance, iconX, float(row.y), 0xFFFFFFFF);
    }
    row.text.Draw(viewer, iconX + 16.0f, float(row.y) - float(row.text.Height()) / 2.0f, 0xFFFFFFFF);
}

void EmptyPanel::Draw(DXLViewer& viewer) {
    ChildLevelPanel::Draw(viewer);
    UpdateClock();
    const DXLMatrix saved = viewer.CurrentTransform();
    viewer.Translate(float(x), float(y));
    viewer.ApplyTransform();
    for (Row& row : rows_)
        DrawRow(viewer, row, left_);
    const int32_t right = width - left_;
    const float cx = float(right) - float(caption_.Width()) / 2.0f;
    const float cy = float(kEmptyPanelCaptionY) - float(caption_.Height()) / 2.0f;
    caption_.Draw(viewer, cx + 1.0f, cy + 1.0f, 0x80000000);
    caption_.Draw(viewer, cx, cy, 0xFFFFFFFF);
    DrawRow(viewer, clock_, right);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}
