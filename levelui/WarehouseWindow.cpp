#include "levelui/WarehouseWindow.h"

#include "engine/Viewer.h"
#include "farm/Buildings.h"
#include "farm/Products.h"
#include "foundation/NumberText.h"
#include "gui/Notices.h"
#include "levelui/InstanceDrawing.h"
#include "levelui/LevelPanel.h"
#include "levelui/PanelLayout.h"
#include "levelui/TextTags.h"
#include "sprites/Sprite.h"
#include "text/DigitalText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char16_t* kGroup = u"warehouse_window";
constexpr int32_t kWindowHeight = 420;
// The tiles' side margin: the frame's border (14 px) and 6 px of the face
// between it and the first and last tile.
constexpr int32_t kTileLeft = 20;
constexpr int32_t kTileTopGap = 5;
constexpr int32_t kStripGap = 32; // the strip's centre line below the tile area
// The two sale buttons side by side, the second the tiles' margin from the frame.
constexpr int32_t kSellWidth = 53;
constexpr int32_t kSellX = kWarehouseWindowWidth - kTileLeft - 2 * kSellWidth;
constexpr int32_t kPriceCentre = 403;
constexpr int32_t kMoneyBlockWidth = 235;
constexpr int32_t kTextFont = 4;
constexpr int32_t kEmptyFont = 3;
constexpr int32_t kEmptyTop = 144;
constexpr uint32_t kStripColour = 0xFF3A2410;
// The digits are drawn for the panel's dark strip: on the window's parchment
// they are tinted to the coins' dark gold.
constexpr uint32_t kMoneyColour = 0xFF8A5A10;
constexpr int32_t kMoneyBlockGap = 11; // the money's block below the selected product's strip
constexpr int32_t kMoneyBlockHeight = 60;
constexpr int32_t kMoneyCoinX = 47, kMoneyCoinY = 15;
constexpr int32_t kMoneyDigitsDx = 30; // the digits to the right of the coin's corner
// Sale buttons: normal, hover, pressed, and the disabled face for the second bank.
constexpr int32_t kSellLooks[8] = {-1, 0, 1, 2, -1, 3, 3, 3};
// The upgrade plank has a face for every look.
constexpr int32_t kUpgradeLooks[8] = {-1, 1, 2, 3, -1, 5, 6, 7};
// The coin and price of the upgrade button stand centred on this x of the button.
constexpr int32_t kUpgradeContentCentre = 109;

const char16_t* Name(const PRODUCT* product) {
    return product ? product->record.name : u"";
}

// Draws the button through ImageButton without its icon, which the base
// would put at the left edge, then the icon in the button's alpha: place
// moves the viewer's transform to it and sets its origin.
template <typename Place>
void DrawIconApart(ImageButton& button, std::unique_ptr<SpriteInstance>& icon, DXLViewer& viewer, float alpha,
                   Place place) {
    std::unique_ptr<SpriteInstance> held = std::move(icon);
    button.ImageButton::Draw(viewer, alpha);
    icon = std::move(held);
    const float shown = alpha * button.EffectAlpha();
    if (!icon || shown <= 0.0f) return;
    const DXLMatrix saved = viewer.CurrentTransform();
    place(*icon);
    icon->colour = ScaleAlpha(0xFFFFFFFF, shown);
    icon->Draw(viewer);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

} // namespace

ColumnLayout ColumnLayout::Split(int32_t w, int32_t n) {
    ColumnLayout layout;
    layout.count = std::clamp(n, 0, kWarehouseColumns);
    auto end = [&](int32_t i) { return int32_t(std::lround(double(i) * w / layout.count)); };
    for (int32_t i = 0; i < layout.count; ++i) {
        layout.x[size_t(i)] = end(i);
        layout.width[size_t(i)] = end(i + 1) - end(i);
    }
    return layout;
}

int32_t WarehouseUpgradePrice(const BUILDING* type, uint32_t level, uint32_t highest) {
    if (!type || level >= highest) return -1;
    const int32_t count = std::clamp(type->header.levelCount, 0, kMaxBuildingLevels);
    if (int32_t(level) >= count) return -1;
    return type->levels[level].record.price;
}

// ---------------------------------------------------------------- tile

namespace {
constexpr int32_t kTileIconMiddle = 27; // the icon's middle below the tile's top
constexpr int32_t kTileTextMiddle = 64; // the text's middle below the tile's top
constexpr int32_t kTilePieces[8] = {-1, kSkinListButton, kSkinListButton, kSkinListButton,
                                    -1, kSkinListButton, kSkinListButton, kSkinListButton};
} // namespace

WarehouseWindowButton::WarehouseWindowButton(GameWindow* window, GameControls* group, const PRODUCT* product,
                                             Sprite* icon)
    : ImageButton(window, group, kWarehouseTile, kTilePieces, u"", icon), product_(product) {
    userData = reinterpret_cast<uintptr_t>(product);
    clickSound = 0; // choosing a product is silent
    checkable = true;
    radioId = kWarehouseTile;
    SetColorsV({0, 0xFFE8D8B8, 0xFFFFF0C8, 0xFFFFF0C8, 0, 0xFFFFD070, 0xFFFFD070, 0xFFFFD070});
    SetTextColorsV({0, 0xFF3A2410, 0xFF000000, 0xFF000000, 0, 0xFF3A1000, 0xFF3A1000, 0xFF3A1000});
    SetTextLayout(kTextFont, 1, 1, 24);
    // The product tag names the product in the language's own words.
    SetHint(u"", u"[PRODUCT N]");
}

void WarehouseWindowButton::SetCount(int32_t count, int32_t capacity) {
    if (count == 0) return;
    if (count == count_ && capacity == capacity_) return;
    count_ = count;
    capacity_ = capacity;
    SetCaption((kis::DecimalText(count) + u"/" + kis::DecimalText(capacity)).c_str());
}

void WarehouseWindowButton::Draw(DXLViewer& viewer, float alpha) {
    // The base button draws its icon at the left edge, vertically centred,
    // where it would run into the count: the tile draws its own.
    DrawIconApart(*this, icon_, viewer, alpha, [this, &viewer](SpriteInstance& icon) {
        viewer.Translate(float(rect.left + (rect.right - rect.left) / 2), float(rect.top + kTileIconMiddle));
        icon.originX = icon.originY = 0.5f; // centred on the point
    });
}

void WarehouseWindowButton::DrawText(DXLViewer& viewer, uint32_t look, float alpha) {
    if (text_.empty() || alpha <= 0.0f) return;
    const int32_t x = rect.left + (rect.right - rect.left - textWidth_) / 2 + 1;
    const int32_t y = rect.top + kTileTextMiddle - textHeight_ / 2 + ((look & 3) == 3 ? 1 : 0);
    TellCaptionPastSides(x);
    shown_.Draw(viewer, float(x), float(y), ScaleAlpha(TextColour(look), alpha));
}

BaseHintWindow* WarehouseWindowButton::GetHintWindow() {
    if (!HasHint() || !product_) return nullptr;
    const kis::Rect anchor = ScreenRect();
    if (!hint_)
        hint_ =
            std::make_unique<CaptionHintWindow>(Manager(), this, u"", hintBody_.c_str(), &anchor, kHintWidth,
                                                kTagContextProduct, reinterpret_cast<uintptr_t>(product_));
    else if (!hint_->IsShown())
        hint_->SetAnchor(anchor);
    BaseHintWindow* hint = hint_.get();
    if (GetWindow()) {
        // Within the window's frame, where the tiles themselves begin.
        const kis::Rect& r = GetWindow()->rect;
        const kis::Rect inside{r.left + kTileLeft, r.top + kTileLeft, r.right - kTileLeft,
                               r.bottom - kTileLeft};
        hint->SetBounds(&inside);
    }
    return hint;
}

void WarehouseWindowButton::BuildSkin(int32_t x, int32_t y, int32_t width) {
    rect = kis::MakeRectWH(x, y, width, kWarehouseTileHeight);
    SetPosition(x, y);
}

// ---------------------------------------------------------------- upgrade button

WarehouseUpgradeButton::WarehouseUpgradeButton(GameWindow* window, GameControls* group, Sprite* coin)
    : ImageButton(window, group, kWarehouseUpgrade, kUpgradeLooks, u"", nullptr), coin_(coin) {}

void WarehouseUpgradeButton::SetPrice(int32_t price) {
    if (price < 0) {
        SetIcon(nullptr, 0);
        hasCoin_ = false;
        SetCaption(u"");
        return;
    }
    if (!hasCoin_) SetIcon(coin_, 0);
    hasCoin_ = icon_ != nullptr;
    SetCaption(kis::DecimalText(price).c_str());
}

int32_t WarehouseUpgradeButton::IconWidth() const {
    return hasCoin_ ? coin_->GetWidth() : 0;
}

int32_t WarehouseUpgradeButton::ContentLeft() const {
    const int32_t icon = IconWidth();
    return kUpgradeContentCentre - (icon + (icon > 0 ? 1 : 0) + textWidth_) / 2;
}

void WarehouseUpgradeButton::Draw(DXLViewer& viewer, float alpha) {
    // The base would draw the coin at the left edge: it goes before the price instead.
    DrawIconApart(*this, icon_, viewer, alpha, [this, &viewer](SpriteInstance& icon) {
        const int32_t sink = (state_.State() & 3) == 3 ? 1 : 0;
        // The coin's picture may have its own origin: its left edge goes to the content's left.
        const DXLRectF picture = PictureBounds(icon);
        viewer.Translate(float(rect.left + ContentLeft()) - picture.left,
                         float(rect.top + (rect.bottom - rect.top) / 2 + sink) -
                             (picture.top + picture.bottom) / 2.0f);
        icon.originX = icon.originY = 0.0f;
    });
}

void WarehouseUpgradeButton::DrawText(DXLViewer& viewer, uint32_t look, float alpha) {
    if (text_.empty() || alpha <= 0.0f) return;
    const int32_t icon = IconWidth();
    const int32_t x = rect.left + ContentLeft() + icon + (icon > 0 ? 1 : 0);
    const int32_t y = rect.top + (rect.bottom - rect.top - textHeight_) / 2 + ((look & 3) == 3 ? 1 : 0);
    TellCaptionPastSides(x);
    shown_.Draw(viewer, float(x), float(y), ScaleAlpha(TextColour(look), alpha));
}

// ---------------------------------------------------------------- window

void WarehouseWindow::GetCenteredPosition(int32_t* x, int32_t* y) const {
    SpritesWindow::GetCenteredPosition(x, y);
    *x += 2;
    *y = std::max(*y, kWarehouseWindowMinTop);
    const int32_t goalsTop = manager_.ScreenHeight() - kPanelHeight + kGoalButtonTop;
    if (*y + kWindowHeight > goalsTop) *y = std::max(kWarehouseWindowMinTop, goalsTop - kWindowHeight);
    // The button that closes a running tutorial stays in sight: where it
    // stands below the money strip (a narrow screen), the window keeps left of it.
    const auto* panel = dynamic_cast<const LevelPanel*>(manager_.FindWindowByLayer(kLevelPanelTag));
    const TutorialButton* button = panel ? panel->GetTutorialButton() : nullptr;
    if (!button || !button->HasState()) return;
    constexpr int32_t kGap = 4;
    const kis::Rect r = button->ScreenRect();
    if (*y < r.bottom && r.left < *x + kWarehouseWindowWidth)
        *x = std::max(0, std::min(*x, r.left - kGap - kWarehouseWindowWidth));
}

WarehouseWindow::WarehouseWindow(WindowManager& manager, WarehouseLevel& level)
    : SpritesWindow(manager, kWarehouseWindowTag, {}), level_(level), stock_(level.Stock()) {
    AddBackground(kWarehouseWindowWidth, kWindowHeight);
    AddCaptionFrame(kWarehouseWindowWidth);
    SetCaptionText(manager.Text(kGroup, u"caption"));
    Show(0, false);

    const int32_t w = kWarehouseWindowWidth - 2 * kTileLeft;
    for (ColumnLayout& row : rows_)
        row = ColumnLayout::Split(w, kWarehouseColumns);
    LayoutButtons();

    const int32_t tilesBottom = contentTop + kTileTopGap + kWarehouseRows * kWarehouseRowPitch;
    stripTop_ = tilesBottom + kStripGap;
    // The sale buttons' faces come from the "warehouse" sprite; the number
    // of units they sell is written over the face's upper part.
    Sprite* sheet = level_.FindSprite(1, u"warehouse");
    sellOne_ = controls_.Make<ImageButton>(kWarehouseSellOne, kSellLooks, manager.Text(kGroup, u"sell_one"),
                                           nullptr);
    sellOne_->SetImageQuad(sheet, kWarehouseSellOneQuad, kWarehouseSellFaceHeight);
    sellOne_->SetPosition(kSellX, stripTop_ - 28);
    sellFive_ = controls_.Make<ImageButton>(kWarehouseSellFive, kSellLooks,
                                            manager.Text(kGroup, u"sell_five"), nullptr);
    sellFive_->SetImageQuad(sheet, kWarehouseSellFiveQuad, kWarehouseSellFaceHeight);
    sellFive_->SetPosition(sellOne_->rect.right, sellOne_->rect.top);
    // Their click plays the sale's event sound through the level (OnButtonClick).
    for (ImageButton* b : {sellOne_, sellFive_}) {
        b->SetTextLayout(kButtonFont, 1, 0, -9);
        b->SetVisible(false);
    }
    close_ = AddBottomButton(kWarehouseClose, manager.Text(kGroup, u"close"));
    if (stock_.GetHighestLevel() > 1) {
        upgrade_ = controls_.Make<WarehouseUpgradeButton>(level_.FindSprite(2, u"small_coin"));
        upgrade_->SetImageQuad(level_.FindSprite(1, u"warehouse_upgr_but"), kWarehouseUpgradeQuad,
                               kWarehouseUpgradeFaceHeight);
        upgrade_->SetPosition(16, close_->rect.top);
        RefreshUpgrade(true);
    }
    if (tiles_.empty()) ShowEmptyText();
    counter_.SetTarget(level_.Money().Get(), 0, manager.Now(), 0);
    counter_.Update(manager.Now());
    if (DigitalFont* font = manager.FindDigitalFont(1)) {
        moneyDigits_ = std::make_unique<GameDigitalText>(font, 0, kWarehouseMoneyDigits, false, 0);
        moneyDigits_->SetValue(counter_.Value());
    }

    if (auto* open = static_cast<WarehouseWindow*>(manager.warehouseWindow); open && open != this)
        open->Close();
    manager.warehouseWindow = this;
    // The warehouse-full notices have done their work once the window is open.
    manager.Messages().CloseMatching(kNoticeWarehouseFull);
}

WarehouseWindow::~WarehouseWindow() {
    ReleaseManagerPointer();
}

void WarehouseWindow::ReleaseManagerPointer() {
    if (manager_.warehouseWindow == this) manager_.warehouseWindow = nullptr;
}

void WarehouseWindow::Close() {
    SpritesWindow::Close();
    ReleaseManagerPointer();
}

bool WarehouseWindow::OnKeyDown(uint32_t key, uint32_t flags) {
    if (key == kKeyReturn) {
        Close();
        return true;
    }
    return SpritesWindow::OnKeyDown(key, flags);
}

bool WarehouseWindow::HitTest(int32_t x, int32_t y) const {
    if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) return true;
    return !(passThrough_ && passThrough_(passUser_, x, y));
}

uint32_t WarehouseWindow::OnButtonClick(GameButton* button) {
    switch (button->Command()) {
    case kWarehouseClose:
        Close();
        return kClickResetLook;
    case kWarehouseSellOne:
    case kWarehouseSellFive:
        Sell(button->Command() == kWarehouseSellOne ? 1 : 5);
        level_.PlayEventSound(kWarehouseSaleSound);
        return 0;
    case kWarehouseTile:
        SelectButton(static_cast<WarehouseWindowButton*>(button));
        return kClickSelectRadio;
    case kWarehouseUpgrade:
        Upgrade();
        return 0;
    default:
        return SpritesWindow::OnButtonClick(button);
    }
}

void WarehouseWindow::OnButtonDblClick(GameButton* button) {
    if (button->Command() != kWarehouseTile) return;
    SelectButton(static_cast<WarehouseWindowButton*>(button));
    if (record_ < 0) return;
    Sell(int32_t(stock_.GetRecord(record_).count));
    level_.PlayEventSound(kWarehouseSaleSound);
}

void WarehouseWindow::LayoutButtons() {
    // Two rows of seven: the stock's later records get no tile.
    const int32_t shown = std::min(stock_.RecordCount(), kWarehouseRows * kWarehouseColumns);
    for (int32_t i = 0; i < shown; ++i) {
        const int32_t row = i / kWarehouseColumns, column = i % kWarehouseColumns;
        const ColumnLayout& layout = rows_[size_t(row)];
        const int32_t x = kTileLeft + layout.x[size_t(column)];
        const int32_t y = row * kWarehouseRowPitch + contentTop + kTileTopGap;
        const ProductStock::Record& record = stock_.GetRecord(i);
        WarehouseWindowButton* tile = nullptr;
        if (size_t(i) < tiles_.size()) {
            tile = tiles_[size_t(i)];
        } else {
            tile = controls_.Make<WarehouseWindowButton>(record.product, IconOf(record.product));
            tile->SetVisible(true);
            tile->SetCount(int32_t(record.count), int32_t(record.capacity));
            tiles_.push_back(tile);
        }
        tile->BuildSkin(x, y, layout.width[size_t(column)]);
    }
}

Sprite* WarehouseWindow::IconOf(const PRODUCT* product) const {
    if (!product) return nullptr;
    if (product->icon) return product->icon;
    // Before the level acquired its products' pictures: the interface sprites by name.
    if (Sprite* icon = level_.FindSprite(2, product->record.iconName)) return icon;
    return level_.FindSprite(2, product->record.secondIconName);
}

void WarehouseWindow::SelectProduct(const PRODUCT* product) {
    WarehouseWindowButton* found = nullptr;
    if (product)
        for (WarehouseWindowButton* tile : tiles_)
            if (tile->Product() == product) {
                found = tile;
                break;
            }
    SelectButton(found);
}

void WarehouseWindow::SelectButton(WarehouseWindowButton* tile) {
    if (tile == selected_) return;
    if (selected_) selected_->SetDisabled(false);
    selected_ = tile;
    if (tile) tile->SetDisabled(true);
    const PRODUCT* product = tile ? tile->Product() : nullptr;
    const int32_t record = stock_.IndexOf(product);
    if (record != record_ || product != recordProduct_) {
        record_ = record;
        recordProduct_ = record >= 0 ? product : nullptr;
        sellOne_->SetVisible(record_ >= 0);
        sellFive_->SetVisible(false);
    }
    if (record_ < 0) return;
    std::u16string name = level_.ProductName(product);
    nameText_.Set(kTextFont, name.empty() ? std::u16string(Name(product)) : name);
    priceText_.Set(kTextFont, kis::DecimalText(product->record.price));
    RefreshSelection();
}

void WarehouseWindow::RefreshSelection() {
    if (record_ < 0) return;
    const ProductStock::Record& r = stock_.GetRecord(record_);
    countText_.Set(kTextFont, std::u16string(u"x").append(kis::DecimalText(r.count)));
    if (selected_) selected_->SetCountOnly(int32_t(r.count));
    hasUnits_ = r.count >= 1;
    sellFive_->SetVisible(hasUnits_);
}

void WarehouseWindow::Sell(int32_t n) {
    if (record_ < 0 || !recordProduct_ || n <= 0) return;
    const PRODUCT* product = recordProduct_;
    const uint32_t count = stock_.GetRecord(record_).count;
    const uint32_t units = std::min(uint32_t(n), count);
    const bool all = units == count;
    const int32_t amount = int32_t(units) * product->record.price;
    level_.Money().Add(amount);
    counter_.SetTarget(level_.Money().Get(), kWarehouseMoneyRollMs, manager_.Now(), 0);
    stock_.Remove(product, units);
    if (all) {
        WarehouseWindowButton* going = selected_;
        SelectButton(nullptr);
        if (going) RemoveButton(going);
    } else {
        record_ = stock_.IndexOf(product);
        RefreshSelection();
    }
    RefreshUpgrade(false);
    level_.AddGoalProgress(kGoalKindMoneyEarned, amount);
}

void WarehouseWindow::RemoveButton(WarehouseWindowButton* tile) {
    auto it = std::find(tiles_.begin(), tiles_.end(), tile);
    if (it == tiles_.end()) return;
    tiles_.erase(it);
    if (selected_ == tile) selected_ = nullptr;
    // The group forgets it in the manager and, while input runs on it, deletes it after the event.
    controls_.Remove(tile);
    LayoutButtons();
    if (tiles_.empty()) ShowEmptyText();
}

void WarehouseWindow::ShowEmptyText() {
    if (emptyShown_) return;
    emptyShown_ = true;
    emptyText_.Set(kEmptyFont, manager_.Text(kGroup, u"empty"));
}

void WarehouseWindow::RefreshUpgrade(bool showPrice) {
    if (!upgrade_) return;
    price_ =
        WarehouseUpgradePrice(level_.WarehouseType(), stock_.GetWarehouseLevel(), stock_.GetHighestLevel());
    if (showPrice) upgrade_->SetPrice(price_);
    upgrade_->SetVisible(price_ >= 0 && price_ <= level_.Money().Get());
}

void WarehouseWindow::RefreshCapacities() {
    for (WarehouseWindowButton* tile : tiles_)
        tile->SetCapacity(int32_t(stock_.GetCapacity(tile->Product())));
    RefreshUpgrade(true);
}

void WarehouseWindow::Upgrade() {
    // No price at the highest level: nothing to buy.
    if (!upgrade_ || price_ < 0 || level_.Money().Get() < price_) return;
    level_.Money().Subtract(price_);
    counter_.SetTarget(level_.Money().Get(), kWarehouseMoneyRollMs, manager_.Now(), 0);
    level_.RaiseWarehouse();
    RefreshCapacities();
    level_.StartClock();
}

kis::Rect WarehouseWindow::MoneyRect() const {
    const int32_t left = rect.left + (rect.right - rect.left - kMoneyBlockWidth) / 2;
    const int32_t top = rect.top + stripTop_ + kStripGap + kMoneyBlockGap;
    return kis::MakeRectWH(left, top, kMoneyBlockWidth, kMoneyBlockHeight);
}

void WarehouseWindow::DrawChildren(DXLViewer& viewer) {
    // The manager has moved the viewer to the window's corner.
    SpritesWindow::DrawChildren(viewer);
    const float alpha = EffectAlpha();
    const int32_t w = rect.right - rect.left;
    const int32_t money = counter_.Update(manager_.Now());
    // The money block: the big coin at its corner, the digits to its right,
    // centred on the coin's height.
    const int32_t coinX = (w - kMoneyBlockWidth) / 2 + kMoneyCoinX;
    const int32_t coinY = stripTop_ + kStripGap + kMoneyBlockGap + kMoneyCoinY;
    Sprite* bigCoin = level_.FindSprite(1, u"refl_coin");
    if (!bigCoin) bigCoin = level_.FindSprite(2, u"small_coin");
    const int32_t coinHeight = bigCoin ? bigCoin->GetHeight() : 0;
    if (bigCoin)
        DrawSprite(viewer, bigCoin, coinX + bigCoin->GetWidth() / 2, coinY + coinHeight / 2, 1.0f, alpha);
    if (moneyDigits_) {
        if (moneyDigits_->GetValue() != money) moneyDigits_->SetValue(money);
        moneyDigits_->SetColor(ScaleAlpha(kMoneyColour, alpha));
        const DXLMatrix saved = viewer.CurrentTransform();
        viewer.Translate(float(coinX + kMoneyDigitsDx),
                         float(coinY + (coinHeight - moneyDigits_->GetHeight()) / 2));
        viewer.ApplyTransform();
        moneyDigits_->Draw();
        viewer.SetTransform(&saved);
        viewer.ApplyTransform();
    }
    if (record_ >= 0) {
        const uint32_t colour = ScaleAlpha(kStripColour, alpha);
        Sprite* icon = IconOf(recordProduct_);
        DrawSprite(viewer, icon, 48, stripTop_, icon == recordProduct_->icon ? 0.5f : 1.0f, alpha);
        countText_.Draw(viewer, 80, float(stripTop_ - countText_.Height() / 2), colour);
        nameText_.Draw(viewer, 160, float(stripTop_ - nameText_.Height() / 2), colour);
        Sprite* coin = level_.FindSprite(2, u"small_coin");
        const int32_t coinW = coin ? coin->GetWidth() : 0;
        const int32_t left = kPriceCentre - (coinW + priceText_.Width() + 1) / 2;
        DrawSprite(viewer, coin, left + coinW / 2, stripTop_, 1.0f, alpha);
        priceText_.Draw(viewer, float(left + coinW + 1), float(stripTop_ - priceText_.Height() / 2), colour);
    }
    if (emptyShown_)
        emptyText_.Draw(viewer, float((w - emptyText_.Width()) / 2), float(kEmptyTop),
                        ScaleAlpha(kStripColour, alpha));
}

void WarehouseWindow::DrawSprite(DXLViewer& viewer, Sprite* sprite, int32_t x, int32_t y, float scale,
                                 float alpha) {
    if (auto instance = CentredInstance(sprite, 0, scale))
        DrawInstanceAt(viewer, *instance, float(x), float(y), ScaleAlpha(0xFFFFFFFF, alpha));
}

MessageWindow::ClickCallback WarehouseNoticeCallback(WindowManager& manager, WarehouseLevel& level) {
    return [&manager, &level](uint32_t, const void* product, uint32_t button) {
        if (button != 1 || level.IsOver()) return false;
        WarehouseWindow* window = manager.Open<WarehouseWindow>(level);
        window->SelectProduct(static_cast<const PRODUCT*>(product));
        return true;
    };
}
