#pragma once
// The warehouse window: the stock of the level's warehouse as product tiles,
// the selected product with its price and the sale buttons, the upgrade to
// the next warehouse level, and the level's money as a rolling counter.
// While it is open the running level is paused with the warehouse reason
// (its tag is the warehouse tag). Only one exists at a time: the window
// manager's warehouse pointer names it, and a new one closes the old one.

#include "gui/Notices.h"
#include "gui/SpritesWindow.h"
#include "level/Economy.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct BUILDING;
struct PRODUCT;
class GameDigitalText;
class Sprite;

constexpr uint32_t kWarehouseClose = 0x3A5E4080;
constexpr uint32_t kWarehouseSellOne = 0x3A5E4081;
constexpr uint32_t kWarehouseSellFive = 0x3A5E4082;
constexpr uint32_t kWarehouseTile = 0x3A5E4083;
constexpr uint32_t kWarehouseUpgrade = 0x3A5E4084;
constexpr int32_t kWarehouseWindowWidth = 574;
constexpr int32_t kWarehouseWindowMinTop = 64;
constexpr int32_t kWarehouseColumns = 7;
constexpr int32_t kWarehouseRows = 2;
constexpr int32_t kWarehouseTileHeight = 78;
constexpr int32_t kWarehouseRowPitch = 82;
constexpr uint32_t kWarehouseMoneyRollMs = 300;
// The goal kind that counts money earned.
constexpr uint32_t kGoalKindMoneyEarned = 7;
// The event-sound slot of a sale.
constexpr uint32_t kWarehouseSaleSound = 1;
// The sale buttons' faces on the interface sprite "warehouse": sell one in
// the left column, sell five in the right, four looks of 55 px each.
constexpr kis::Rect kWarehouseSellOneQuad{0, 0, 53, 220};
constexpr kis::Rect kWarehouseSellFiveQuad{53, 0, 106, 220};
constexpr int32_t kWarehouseSellFaceHeight = 55;
// The upgrade button's faces on "warehouse_upgr_but": one 32-px face per look.
constexpr kis::Rect kWarehouseUpgradeQuad{0, 0, 167, 256};
constexpr int32_t kWarehouseUpgradeFaceHeight = 32;
// The money counter's places.
constexpr int32_t kWarehouseMoneyDigits = 5;

// What the window needs of the running level. The level's own class does
// not offer all of it yet (the goal progress, the warehouse point's next
// stage), so the game fills this view in from its services.
class WarehouseLevel {
  public:
    virtual ~WarehouseLevel() = default;
    virtual ProductStock& Stock() = 0;
    virtual MoneyValue& Money() = 0;
    // The building type named "warehouse"; null when the table has none.
    virtual const BUILDING* WarehouseType() const = 0;
    // The warehouse point's next stage: raises the stock's warehouse level.
    virtual void RaiseWarehouse() = 0;
    virtual void AddGoalProgress(uint32_t kind, int32_t amount) = 0;
    virtual void StartClock() = 0;
    virtual void PlayEventSound(uint32_t slot) = 0;
    // The product's display name; empty: the record's name stands.
    virtual std::u16string ProductName(const PRODUCT*) const { return {}; }
    // Interface sprites of library 1 and 2 ("warehouse", "small_coin"...).
    virtual Sprite* FindSprite(int32_t, const char16_t*) const { return nullptr; }
    // The level has ended (won or lost).
    virtual bool IsOver() const { return false; }
};

// The pixel columns of one row of tiles: column i runs from i x w / n to
// (i + 1) x w / n, both ends rounded to the nearest pixel.
struct ColumnLayout {
    int32_t count = 0;
    std::array<int32_t, kWarehouseColumns> x{};
    std::array<int32_t, kWarehouseColumns> width{};
    static ColumnLayout Split(int32_t w, int32_t n);
};

// The price of the next warehouse level: the build price of the level
// record with the index of the current level (records count from 0, levels
// from 1); -1 at the highest allowed level or without such a record.
int32_t WarehouseUpgradePrice(const BUILDING* type, uint32_t level, uint32_t highest);

// A product tile: its text is "count/capacity".
class WarehouseWindowButton : public ImageButton {
  public:
    WarehouseWindowButton(GameWindow* window, GameControls* group, const PRODUCT* product, Sprite* icon);
    // Rebuilds the text only when a value changed; a count of 0 does nothing.
    void SetCount(int32_t count, int32_t capacity);
    void SetCountOnly(int32_t count) { SetCount(count, capacity_); }
    void SetCapacity(int32_t capacity) { SetCount(count_, capacity); }
    // Places the tile at (x, y) with the column's width.
    void BuildSkin(int32_t x, int32_t y, int32_t width);
    // The icon stands centred in the tile's upper part, its middle 27 pixels
    // below the top; the text is centred below it (its middle 64 pixels down).
    void Draw(DXLViewer& viewer, float alpha) override;
    void DrawText(DXLViewer& viewer, uint32_t look, float alpha) override;
    // The hint names the product through the product tag ("[PRODUCT N]"),
    // and stays inside the warehouse window.
    BaseHintWindow* GetHintWindow() override;

    const PRODUCT* Product() const { return product_; }
    int32_t Count() const { return count_; }
    int32_t Capacity() const { return capacity_; }

  private:
    const PRODUCT* product_;
    int32_t count_ = -1;
    int32_t capacity_ = -1;
};

// The upgrade button: a plank from the interface sprite "warehouse_upgr_but"
// that shows the next level's price as the small coin followed by the
// number, the two centred together on x 109 of the button.
class WarehouseUpgradeButton : public ImageButton {
  public:
    WarehouseUpgradeButton(GameWindow* window, GameControls* group, Sprite* coin);
    // price >= 0: the coin (set once) and the price; below 0: neither.
    void SetPrice(int32_t price);
    void Draw(DXLViewer& viewer, float alpha) override;
    void DrawText(DXLViewer& viewer, uint32_t look, float alpha) override;
    // Where the coin's left edge stands in the button (the price follows 1 px after it).
    int32_t ContentLeft() const;

  private:
    int32_t IconWidth() const;
    Sprite* coin_; // owned by its sprite library; null: no coin
    // Kept apart from the icon, which the draw takes away while the base draws the face.
    bool hasCoin_ = false;
};

class WarehouseWindow : public SpritesWindow {
  public:
    // Reads the stock and money of the level; the level view outlives the window.
    WarehouseWindow(WindowManager& manager, WarehouseLevel& level);
    ~WarehouseWindow() override;

    // Enter closes the window; other keys go on (the window is not modal).
    bool OnKeyDown(uint32_t key, uint32_t flags) override;
    // Inside the window, and everywhere outside it except where the
    // exception answers true (the level panel's menu buttons).
    bool HitTest(int32_t x, int32_t y) const override;
    // Centred, but below the money strip, and on a small screen risen to
    // leave the goal buttons' captions under it in sight as far as the
    // strip allows.
    void GetCenteredPosition(int32_t* x, int32_t* y) const override;
    uint32_t OnButtonClick(GameButton* button) override;
    void OnButtonDblClick(GameButton* button) override;
    void Close() override;
    void DrawChildren(DXLViewer& viewer) override;

    // The first tile of the product (none for null or no match), then SelectButton.
    void SelectProduct(const PRODUCT* product);
    void SelectButton(WarehouseWindowButton* tile);
    // Sells up to n units of the selected record; nothing without one.
    void Sell(int32_t n);
    // Buys the next warehouse level when the money covers a real price.
    void Upgrade();

    // Screen points outside the window that it lets through (the panel's buttons).
    using PassThrough = bool (*)(void* user, int32_t x, int32_t y);
    void SetPassThrough(PassThrough test, void* user) { passThrough_ = test, passUser_ = user; }

    // ---- what tests and the stand-in read
    const std::vector<WarehouseWindowButton*>& Tiles() const { return tiles_; }
    WarehouseWindowButton* SelectedTile() const { return selected_; }
    int32_t SelectedRecord() const { return record_; }
    // The centre line of the selected product's strip (window pixels).
    int32_t StripTop() const { return stripTop_; }
    ImageButton* SellOne() const { return sellOne_; }
    ImageButton* SellFive() const { return sellFive_; }
    WarehouseUpgradeButton* UpgradeButton() const { return upgrade_; }
    int32_t UpgradePrice() const { return price_; }
    bool IsEmptyTextShown() const { return emptyShown_; }
    int32_t ShownMoney() const { return counter_.Value(); }
    // The money's block under the selected product's strip (screen pixels).
    kis::Rect MoneyRect() const;
    int32_t MoneyTarget() const { return counter_.Target(); }
    const ColumnLayout& Row(int32_t i) const { return rows_[size_t(i)]; }

  private:
    void RefreshSelection();
    void RefreshUpgrade(bool showPrice);
    void RefreshCapacities();
    void LayoutButtons();
    void RemoveButton(WarehouseWindowButton* tile);
    void ShowEmptyText();
    void ReleaseManagerPointer();
    // The product's icon, or its interface sprite by name before the level acquired it.
    Sprite* IconOf(const PRODUCT* product) const;
    static void DrawSprite(DXLViewer& viewer, Sprite* sprite, int32_t x, int32_t y, float scale, float alpha);

    WarehouseLevel& level_;
    ProductStock& stock_;
    std::vector<WarehouseWindowButton*> tiles_; // in the own group, in stock order
    std::array<ColumnLayout, kWarehouseRows> rows_;
    WarehouseWindowButton* selected_ = nullptr;
    int32_t record_ = -1;
    bool hasUnits_ = false;
    const PRODUCT* recordProduct_ = nullptr;
    ImageButton* sellOne_ = nullptr;
    ImageButton* sellFive_ = nullptr;
    WarehouseUpgradeButton* upgrade_ = nullptr;
    ImageButton* close_ = nullptr;
    int32_t price_ = -1;
    int32_t stripTop_ = 0; // the selected-product strip's centre line
    SkinText countText_, nameText_, priceText_, emptyText_;
    ValueCounter counter_;
    std::unique_ptr<GameDigitalText> moneyDigits_;
    bool emptyShown_ = false;
    PassThrough passThrough_ = nullptr;
    void* passUser_ = nullptr;
};

// The click callback of a warehouse-full notice (its tag context object is
// the product): a left click while the level runs opens the window with the
// product selected and closes the notice. Both outlive the notice.
MessageWindow::ClickCallback WarehouseNoticeCallback(WindowManager& manager, WarehouseLevel& level);
