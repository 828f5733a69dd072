// The warehouse window on a test level: the column split and upgrade price,
// the tiles' layout (at most two rows), sales with the reflow after a tile
// goes (also by a double-click through the window manager), the upgrade and
// its refusal at the highest level, Enter and Escape, and a second window.

#include "levelui/WarehouseWindow.h"
#include "farm/Buildings.h"
#include "farm/Products.h"
#include "sprites/SpriteHost.h"
#include "tests/levelui/PanelTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using paneltest::ClockHost;

// Capacities 50, 100, 150 at warehouse levels 1-3; upgrade prices 40, 90.
class TestLevel : public WarehouseLevel {
  public:
    TestLevel() {
        warehouse = std::make_unique<BUILDING>();
        warehouse->header.levelCount = 3;
        const int32_t prices[3] = {0, 40, 90};
        for (int i = 0; i < 3; ++i)
            warehouse->levels[i].record.price = prices[i];
    }
    ProductStock& Stock() override { return stock; }
    MoneyValue& Money() override { return money; }
    const BUILDING* WarehouseType() const override { return warehouse.get(); }
    void RaiseWarehouse() override {
        calls.push_back("raise");
        stock.SetWarehouseLevel(stock.GetWarehouseLevel() + 1);
    }
    void AddGoalProgress(uint32_t kind, int32_t amount) override {
        calls.push_back("goal " + std::to_string(kind) + " " + std::to_string(amount));
    }
    void StartClock() override { calls.push_back("clock"); }
    void PlayEventSound(uint32_t slot) override { calls.push_back("sound " + std::to_string(slot)); }
    bool IsOver() const override { return over; }
    bool over = false;

    uint32_t highest = 3;
    ProductStock stock{[](const PRODUCT*, uint32_t level) { return 50u * level; }, 3};
    MoneyValue money;
    std::unique_ptr<BUILDING> warehouse;
    std::vector<std::string> calls;
};

std::u16string U16(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

std::vector<std::unique_ptr<PRODUCT>> MakeProducts(int n) {
    std::vector<std::unique_ptr<PRODUCT>> products;
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<PRODUCT>();
        const std::u16string name = u"product" + std::u16string(1, char16_t(u'a' + i));
        std::copy(name.begin(), name.end(), p->record.name);
        p->record.price = 2 + i;
        products.push_back(std::move(p));
    }
    return products;
}

class WarehouseWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { SetSpriteHost(&host); }
    void TearDown() override {
        manager.DeleteAllWindows();
        SetSpriteHost(nullptr);
    }
    // The first n products in stock with counts 1, 2, 3...
    WarehouseWindow* Open(int n) {
        for (int i = 0; i < n; ++i)
            level.stock.Add(products[size_t(i)].get(), uint32_t(i + 1));
        return manager.Open<WarehouseWindow>(level);
    }
    static bool Visible(const GameButton* b) { return b && b->HasState(); }

    ClockHost host;
    WindowManager manager{nullptr, nullptr};
    TestLevel level;
    std::vector<std::unique_ptr<PRODUCT>> products = MakeProducts(16);
};

TEST(WarehouseLayout, ColumnSplitRoundsBothEnds) {
    struct Case {
        int32_t w, n;
        std::vector<int32_t> x, width;
    };
    const Case cases[] = {
        {547, 7, {0, 78, 156, 234, 313, 391, 469}, {78, 78, 78, 79, 78, 78, 78}},
        {700, 7, {0, 100, 200, 300, 400, 500, 600}, {100, 100, 100, 100, 100, 100, 100}},
        {10, 3, {0, 3, 7}, {3, 4, 3}},
        {100, 9, {0, 14, 29, 43, 57, 71, 86}, {14, 15, 14, 14, 14, 15, 14}}, // at most seven columns
    };
    for (const Case& c : cases) {
        const ColumnLayout layout = ColumnLayout::Split(c.w, c.n);
        ASSERT_EQ(layout.count, int32_t(c.x.size())) << c.w;
        for (size_t i = 0; i < c.x.size(); ++i) {
            EXPECT_EQ(layout.x[i], c.x[i]) << c.w << " column " << i;
            if (c.n <= kWarehouseColumns) {
                EXPECT_EQ(layout.width[i], c.width[i]) << c.w << " column " << i;
            }
        }
    }
}

TEST(WarehouseLayout, UpgradePriceIsTheNextLevelsBuildPrice) {
    BUILDING type{};
    type.header.levelCount = 3;
    type.levels[0].record.price = 0;
    type.levels[1].record.price = 40;
    type.levels[2].record.price = 90;
    struct Case {
        const BUILDING* type;
        uint32_t level, highest;
        int32_t price;
    };
    const Case cases[] = {
        {&type, 1, 3, 40},   {&type, 2, 3, 90}, {&type, 3, 3, -1}, // highest level: none
        {&type, 1, 1, -1},   {&type, 2, 2, -1},                    // the level allows no more
        {&type, 3, 4, -1},                                         // no record for level 4
        {nullptr, 1, 3, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WarehouseUpgradePrice(c.type, c.level, c.highest), c.price) << c.level << "/" << c.highest;
}

TEST_F(WarehouseWindowTest, TilesFillTwoRowsOfSeven) {
    WarehouseWindow* w = Open(15); // the fifteenth record gets no tile
    EXPECT_EQ(w->rect.right - w->rect.left, kWarehouseWindowWidth);
    EXPECT_GE(w->rect.top, kWarehouseWindowMinTop);
    EXPECT_EQ(w->tag, kWarehouseWindowTag);
    ASSERT_EQ(w->Tiles().size(), 14u);
    const int32_t xs[7] = {0, 76, 153, 229, 305, 381, 458};
    const int32_t ws[7] = {76, 77, 76, 76, 76, 77, 76};
    for (int i = 0; i < 14; ++i) {
        const WarehouseWindowButton* t = w->Tiles()[size_t(i)];
        EXPECT_EQ(t->rect.left, 20 + xs[i % 7]) << i;
        EXPECT_EQ(t->rect.right - t->rect.left, ws[i % 7]) << i;
        EXPECT_EQ(t->rect.top, (i / 7) * 82 + w->contentTop + 5) << i;
        EXPECT_EQ(t->rect.bottom - t->rect.top, 78) << i;
        EXPECT_EQ(t->Product(), products[size_t(i)].get());
        EXPECT_EQ(t->userData, reinterpret_cast<uintptr_t>(products[size_t(i)].get()));
        EXPECT_EQ(t->Caption(), U16(std::to_string(i + 1) + "/50")) << i;
    }
    EXPECT_FALSE(Visible(w->SellOne()));
    EXPECT_FALSE(Visible(w->SellFive()));
    EXPECT_FALSE(w->IsEmptyTextShown());
    EXPECT_TRUE(level.calls.empty());
}

TEST_F(WarehouseWindowTest, SaleButtonsAreOneFaceOfTheirPictureSideBySide) {
    WarehouseWindow* w = Open(2);
    // Each face is a quarter of its 53 x 220 column; sell-five follows sell-one.
    const kis::Rect one = w->SellOne()->rect, five = w->SellFive()->rect;
    EXPECT_EQ(five.right, 20 + 458 + 76) << "the tiles' last column's right edge";
    EXPECT_EQ(one.top, w->StripTop() - 28);
    EXPECT_EQ(one.right - one.left, 53);
    EXPECT_EQ(one.bottom - one.top, 55);
    EXPECT_EQ(five.left, one.right);
    EXPECT_EQ(five.top, one.top);
    EXPECT_EQ(five.right - five.left, 53);
    EXPECT_EQ(five.bottom - five.top, 55);
    // The upgrade plank: one 32-px face of its 167 x 256 picture, in the bottom row at x 16.
    const kis::Rect up = w->UpgradeButton()->rect;
    EXPECT_EQ(up.left, 16);
    EXPECT_EQ(up.right - up.left, 167);
    EXPECT_EQ(up.bottom - up.top, 32);
}

TEST_F(WarehouseWindowTest, TileCountText) {
    WarehouseWindowButton* t = Open(1)->Tiles()[0];
    struct Step {
        int32_t count, capacity;
        std::u16string text;
    };
    const Step steps[] = {{12, 50, u"12/50"}, {0, 100, u"12/50"}, {3, 100, u"3/100"}, {7, 100, u"7/100"}};
    for (const Step& s : steps) {
        t->SetCount(s.count, s.capacity);
        EXPECT_EQ(t->Caption(), s.text) << s.count;
    }
    t->SetCapacity(150);
    EXPECT_EQ(t->Caption(), u"7/150");
    t->SetCountOnly(9);
    EXPECT_EQ(t->Caption(), u"9/150");
}

TEST_F(WarehouseWindowTest, SellingTheLastUnitsReflowsTheTiles) {
    WarehouseWindow* w = Open(9); // counts 1..9, prices 2..10
    const PRODUCT* third = products[2].get();
    w->SelectProduct(third);
    ASSERT_EQ(w->SelectedTile(), w->Tiles()[2]);
    EXPECT_TRUE(w->SelectedTile()->IsDisabled());
    EXPECT_TRUE(Visible(w->SellOne()));
    EXPECT_TRUE(Visible(w->SellFive()));

    w->Sell(5); // only 3 in stock: 3 x 4 coins
    EXPECT_EQ(level.money.Get(), 12);
    EXPECT_EQ(w->MoneyTarget(), 12);
    EXPECT_EQ(level.stock.GetCount(third), 0u);
    EXPECT_EQ(level.calls.back(), "goal 7 12");
    EXPECT_EQ(w->SelectedTile(), nullptr);
    EXPECT_EQ(w->SelectedRecord(), -1);
    EXPECT_FALSE(Visible(w->SellOne()));
    EXPECT_FALSE(Visible(w->SellFive()));
    ASSERT_EQ(w->Tiles().size(), 8u);
    // The tiles after the sold one move one column left; the eighth wraps back to the first row.
    for (size_t i = 0; i < 8; ++i) {
        const int32_t productIndex = int32_t(i < 2 ? i : i + 1);
        EXPECT_EQ(w->Tiles()[i]->Product(), products[size_t(productIndex)].get()) << i;
        EXPECT_EQ(w->Tiles()[i]->rect.top, int32_t(i / 7) * 82 + w->contentTop + 5) << i;
    }
    EXPECT_EQ(w->Tiles()[6]->rect.left, 20 + 458);
    EXPECT_EQ(w->Tiles()[7]->rect.left, 20);

    // Part of a stock stays selected; the sell button's click sells and
    // plays the sale's event sound.
    w->SelectProduct(products[8].get());
    const kis::Rect one = w->SellOne()->ScreenRect();
    const int32_t cx = (one.left + one.right) / 2, cy = (one.top + one.bottom) / 2;
    manager.OnMouseMove(cx, cy, 0);
    manager.OnMouseDown(cx, cy, 1);
    manager.OnMouseUp(cx, cy, 1);
    EXPECT_EQ(level.calls.back(), "sound 1");
    EXPECT_EQ(level.money.Get(), 12 + 10);
    EXPECT_EQ(w->SelectedTile()->Caption(), u"8/50");
    EXPECT_TRUE(Visible(w->SellFive()));
    // Nothing selected: selling does nothing.
    w->SelectProduct(nullptr);
    w->Sell(5);
    EXPECT_EQ(level.money.Get(), 22);
    w->SelectProduct(products[15].get()); // not in stock
    EXPECT_EQ(w->SelectedTile(), nullptr);
}

TEST_F(WarehouseWindowTest, DoubleClickSellsAllAndTheEmptyTextShows) {
    WarehouseWindow* w = Open(2);
    for (int round = 0; round < 2; ++round) {
        WarehouseWindowButton* t = w->Tiles()[0];
        const kis::Rect r = t->ScreenRect();
        const int32_t x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
        manager.OnMouseMove(x, y, 0);
        manager.OnMouseDown(x, y, 1);
        manager.OnMouseUp(x, y, 1);
        manager.OnMouseDblClick(x, y);
        manager.Update();
        manager.Draw();
    }
    EXPECT_TRUE(w->Tiles().empty());
    EXPECT_TRUE(w->IsEmptyTextShown());
    EXPECT_EQ(level.money.Get(), 1 * 2 + 2 * 3);
    EXPECT_EQ(level.stock.RecordCount(), 0);
    EXPECT_EQ(manager.HintOwner(), nullptr);
    EXPECT_EQ(manager.CapturedControl(), nullptr);
    const std::vector<std::string> sales = {"goal 7 2", "sound 1", "goal 7 6", "sound 1"};
    EXPECT_EQ(std::vector<std::string>(level.calls.end() - 4, level.calls.end()), sales);
}

TEST_F(WarehouseWindowTest, UpgradeShowsWhenCoveredAndStopsAtTheHighestLevel) {
    level.money.Set(30);
    WarehouseWindow* w = Open(1);
    EXPECT_EQ(w->UpgradePrice(), 40);
    EXPECT_FALSE(Visible(w->UpgradeButton())); // 30 < 40
    w->Upgrade();
    EXPECT_EQ(level.money.Get(), 30);

    level.stock.Add(products[0].get(), 9); // 10 units at 2 coins make 50 coins
    w->SelectProduct(products[0].get());
    w->Sell(5);
    EXPECT_TRUE(Visible(w->UpgradeButton())); // shown by itself after the sale
    w->Upgrade();
    EXPECT_EQ(level.money.Get(), 0);
    EXPECT_EQ(level.stock.GetWarehouseLevel(), 2u);
    EXPECT_EQ(w->Tiles()[0]->Caption(), u"5/100");
    EXPECT_EQ(w->UpgradePrice(), 90);
    EXPECT_EQ(w->UpgradeButton()->Caption(), u"90");

    level.money.Set(500);
    level.money.Add(0);
    w->Sell(1);
    w->Upgrade();
    EXPECT_EQ(level.stock.GetWarehouseLevel(), 3u);
    EXPECT_EQ(w->UpgradePrice(), -1);
    EXPECT_FALSE(Visible(w->UpgradeButton()));
    EXPECT_EQ(w->UpgradeButton()->Caption(), u"");
    const int32_t money = level.money.Get();
    w->Upgrade(); // no price: refused, the money and level stay
    EXPECT_EQ(level.money.Get(), money);
    EXPECT_EQ(level.stock.GetWarehouseLevel(), 3u);
    EXPECT_EQ(std::count(level.calls.begin(), level.calls.end(), "raise"), 2);
    EXPECT_EQ(std::count(level.calls.begin(), level.calls.end(), "clock"), 2);
}

TEST_F(WarehouseWindowTest, NoUpgradeButtonWhenTheLevelAllowsOneWarehouseLevel) {
    TestLevel flat;
    flat.stock = ProductStock([](const PRODUCT*, uint32_t) { return 50u; }, 1);
    WarehouseWindow* w = manager.Open<WarehouseWindow>(flat);
    EXPECT_EQ(w->UpgradeButton(), nullptr);
    EXPECT_TRUE(w->IsEmptyTextShown());
}

TEST_F(WarehouseWindowTest, EnterClosesEscapeGoesOnAndASecondWindowClosesTheFirst) {
    WarehouseWindow* first = Open(1);
    EXPECT_EQ(manager.warehouseWindow, first);
    EXPECT_FALSE(manager.OnKeyDown(kKeyEscape, 0));
    EXPECT_FALSE(first->closing);
    WarehouseWindow* second = manager.Open<WarehouseWindow>(level);
    EXPECT_TRUE(first->closing);
    EXPECT_EQ(manager.warehouseWindow, second);
    second->SelectProduct(products[0].get());
    EXPECT_NE(second->SelectedTile(), nullptr);
    EXPECT_TRUE(manager.OnKeyDown(kKeyReturn, 0));
    EXPECT_TRUE(second->closing);
    EXPECT_EQ(manager.warehouseWindow, nullptr);
}

TEST_F(WarehouseWindowTest, TheWarehouseFullNoticeOpensTheWindowOnTheProduct) {
    level.stock.Add(products[0].get(), 4);
    level.stock.Add(products[1].get(), 50);
    struct Case {
        uint32_t button;
        bool over;
        bool opens;
    };
    const Case cases[] = {{1, false, true}, {4, false, false}, {1, true, false}};
    for (const Case& c : cases) {
        manager.DeleteAllWindows();
        level.over = c.over;
        MessageWindow* notice =
            manager.Messages().Show(kNoticeWarehouseFull + 2, nullptr, 0, u"", 0x1000009, products[1].get(),
                                    kNoticeForever, WarehouseNoticeCallback(manager, level), 0);
        manager.Messages().Show(kNoticeLevel | 1, nullptr, 0, u"", 0, nullptr, kNoticeForever, nullptr, 0);
        host.now += 300;
        manager.Update(), manager.Draw(), host.now += 300, manager.Update(), manager.Draw();
        const kis::Rect r = notice->rect;
        manager.OnMouseDown((r.left + r.right) / 2, (r.top + r.bottom) / 2, c.button);
        auto* window = static_cast<WarehouseWindow*>(manager.warehouseWindow);
        ASSERT_EQ(window != nullptr, c.opens) << c.button;
        EXPECT_EQ(notice->closing, c.opens) << c.button;
        if (!window) continue;
        ASSERT_NE(window->SelectedTile(), nullptr);
        EXPECT_EQ(window->SelectedTile()->Product(), products[1].get());
        // Opening closed the warehouse-full notices only.
        EXPECT_EQ(manager.Messages().OpenCount(), 1);
    }
}

TEST_F(WarehouseWindowTest, ClicksOutsideAreTakenExceptThePassThrough) {
    WarehouseWindow* w = Open(1);
    EXPECT_TRUE(w->HitTest(w->rect.left + 5, w->rect.top + 5));
    EXPECT_TRUE(w->HitTest(2, 2));
    w->SetPassThrough([](void*, int32_t, int32_t y) { return y > 700; }, nullptr);
    EXPECT_TRUE(w->HitTest(2, 2));
    EXPECT_FALSE(w->HitTest(2, 720));
}

} // namespace
