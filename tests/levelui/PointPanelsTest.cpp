// The child panels of a selected point: the empty site's build-menu pages
// (their buttons' commands, data, prices and greyed state following the
// money, the hint that says why, back) and the panel of a bed or building
// (its places in the strip, the upgrade price and state, upgrade and remove),
// an animal house's with its feed button.

#include "levelui/PointPanels.h"
#include "farm/AnimalHouses.h"
#include "farm/Products.h"
#include "gui/SpritesWindow.h"
#include "level/LevelPoint.h"
#include "levelui/LevelPanel.h"
#include "sprites/SpriteHost.h"
#include "tests/levelui/PanelTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using paneltest::ClockHost;
using paneltest::TestContext;
using paneltest::TestLevel;

class PointPanelsTest : public ::testing::Test {
  protected:
    void SetUp() override { SetSpriteHost(&host); }
    void TearDown() override {
        manager.DeleteAllWindows();
        SetSpriteHost(nullptr);
    }
    LevelPanel* Open(int32_t width, int32_t height) {
        LevelPanel* panel = manager.Open<LevelPanel>(level, context, &driver);
        panel->OnScreenResize(width, height);
        return panel;
    }
    static int32_t CentreX(const GameButton* b) { return (b->rect.left + b->rect.right) / 2; }
    static int32_t CentreY(const GameButton* b) { return (b->rect.top + b->rect.bottom) / 2; }

    ClockHost host;
    WindowManager manager{nullptr, nullptr};
    TestLevel level;
    TestContext context;
    PanelOnlyDriver driver;
};

SitePanel::Entry Choice(uint32_t command, uintptr_t data, int32_t price) {
    SitePanel::Entry e;
    e.command = command;
    e.data = data;
    e.price = price;
    e.caption = u"Name";
    e.body = u"Click to order it.";
    e.shortBody = u"Not enough money.";
    return e;
}

} // namespace

TEST_F(PointPanelsTest, ChoicesCarryTheirDataAndPriceAndGreyWhileTheMoneyIsShort) {
    LevelPanel* panel = Open(800, 600);
    std::vector<std::pair<uint32_t, uintptr_t>> heard;
    int backs = 0;
    SitePanel choices(
        *panel, kSiteChoicesPanelIds[kSitePlants],
        {Choice(kCommandPlantChoice, 0x1111, 10), Choice(kCommandPlantChoice, 0x2222, 30)}, true,
        [&](uint32_t command, uintptr_t data) {
            heard.push_back({command, data});
        },
        [&] { ++backs; });
    context.moneyValue.Set(20);
    choices.Attach();
    EXPECT_EQ(panel->CurrentChild(), &choices);
    EXPECT_EQ(choices.id, 0x1001);

    // Three 98-px buttons (two choices and back) centred in the 420-px child area.
    const auto& buttons = choices.ChoiceButtons();
    ASSERT_EQ(buttons.size(), 2u);
    ASSERT_NE(choices.BackButton(), nullptr);
    EXPECT_EQ(choices.RowLeft(), (420 - 3 * 98) / 2);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(buttons[i]->rect.left, choices.x + choices.RowLeft() + int32_t(i) * 98);
        EXPECT_EQ(buttons[i]->rect.right - buttons[i]->rect.left, 98);
    }
    EXPECT_EQ(choices.BackButton()->rect.left, choices.x + choices.RowLeft() + 2 * 98);
    EXPECT_EQ(buttons[0]->userData, 0x1111u);
    EXPECT_EQ(buttons[1]->userData, 0x2222u);
    EXPECT_EQ(buttons[0]->Count(), 10);
    EXPECT_EQ(buttons[1]->Count(), 30);

    // 20 coins: wheat can be paid, the tree cannot; its hint says why.
    EXPECT_TRUE(buttons[0]->HasState());
    EXPECT_FALSE(buttons[1]->HasState());
    EXPECT_TRUE(buttons[1]->OnMouseMove(CentreX(buttons[1]), CentreY(buttons[1]), 0));
    EXPECT_EQ(buttons[1]->HintBody(), u"Not enough money.");
    EXPECT_TRUE(buttons[0]->OnMouseMove(CentreX(buttons[0]), CentreY(buttons[0]), 0));
    EXPECT_EQ(buttons[0]->HintBody(), u"Click to order it.");
    // The money comes: the tree's button is there without a call from its owner.
    context.moneyValue.Add(10);
    EXPECT_TRUE(buttons[1]->HasState());
    EXPECT_TRUE(buttons[1]->OnMouseMove(CentreX(buttons[1]), CentreY(buttons[1]), 0));
    EXPECT_EQ(buttons[1]->HintBody(), u"Click to order it.");

    panel->OnButtonClick(buttons[1]);
    panel->OnButtonClick(choices.BackButton());
    EXPECT_EQ(heard, (std::vector<std::pair<uint32_t, uintptr_t>>{{kCommandPlantChoice, 0x2222}}));
    EXPECT_EQ(backs, 1);
}

TEST_F(PointPanelsTest, TheCategoriesPageHasNoPricesAndNoBack) {
    LevelPanel* panel = Open(1024, 768);
    std::vector<uint32_t> heard;
    SitePanel sites(
        *panel, kSitePanelId, {Choice(kCommandSitePlants, 0, 0), Choice(kCommandSiteBuildings, 0, 0)}, false,
        [&](uint32_t command, uintptr_t) { heard.push_back(command); }, nullptr);
    sites.Attach();
    EXPECT_EQ(sites.BackButton(), nullptr);
    ASSERT_EQ(sites.ChoiceButtons().size(), 2u);
    for (HintedPanelButton* b : sites.ChoiceButtons()) {
        EXPECT_EQ(b->Count(), 0);
        EXPECT_EQ(b->PriceList(), -1);
        EXPECT_TRUE(b->HasState()); // nothing to pay: never greyed
    }
    EXPECT_EQ(sites.RowLeft(), (sites.width - 2 * 98) / 2);
    panel->OnButtonClick(sites.ChoiceButtons()[1]);
    panel->OnButtonClick(sites.ChoiceButtons()[0]);
    EXPECT_EQ(heard, (std::vector<uint32_t>{kCommandSiteBuildings, kCommandSitePlants}));
}

TEST_F(PointPanelsTest, APointsPanelShowsItsLevelUpgradeAndRemove) {
    // The 420-px strip fills the child area at 800 px and is centred in the wider one at 1024 px.
    for (const int32_t screen : {800, 1024}) {
        SCOPED_TRACE(screen);
        level.calls.clear();
        context.pulled.clear();
        LevelPanel* panel = Open(screen, 600);
        {
            int upgrades = 0;
            PointLevelPanel view(*panel, kBuildingPanelId, true, [&] { ++upgrades; });
            view.Attach();
            const int32_t x0 = (view.width - kPointPanelStrip) / 2;
            EXPECT_EQ(x0 == 0, screen == 800);
            EXPECT_EQ(view.levelBlock->rect.left, view.x + x0 + 42);
            EXPECT_EQ(view.UpgradeButton()->rect.left, view.x + x0 + 196);
            EXPECT_EQ(view.removeButton->rect.left, view.x + x0 + 330);

            BaseLevelPoint built(5, kPointBuilding), site(6, kPointBuilding);
            PointRecord r{};
            r.stage = 1;
            built.Setup(r);
            context.moneyValue.Set(100);
            PointLevelPanel::View v;
            v.point = &built;
            v.levels = 3;
            v.stage = 1;
            v.price = 80;
            v.upgradeEnabled = true;
            view.Show(v);
            EXPECT_EQ(view.UpgradeButton()->Count(), 80);
            EXPECT_TRUE(view.UpgradeButton()->HasState());
            ASSERT_EQ(view.levelBlock->Marks().size(), 2u);
            EXPECT_FALSE(view.levelBlock->Marks()[0].lit);
            // Too dear, then building (disabled): greyed either way.
            context.moneyValue.Add(-21);
            EXPECT_FALSE(view.UpgradeButton()->HasState());
            context.moneyValue.Add(21);
            EXPECT_TRUE(view.UpgradeButton()->HasState());
            v.upgradeEnabled = false;
            v.stage = 2;
            view.Show(v);
            EXPECT_FALSE(view.UpgradeButton()->HasState());
            EXPECT_TRUE(view.levelBlock->Marks()[0].lit);
            // At the top there is no price.
            v.price = 0;
            view.Show(v);
            EXPECT_EQ(view.UpgradeButton()->Count(), 0);

            panel->OnButtonClick(view.UpgradeButton());
            EXPECT_EQ(upgrades, 1);
            // Remove: a built point is pulled down, a site of stage 0 re-created.
            panel->OnButtonClick(view.removeButton);
            v.point = &site;
            view.Show(v);
            panel->OnButtonClick(view.removeButton);
            EXPECT_EQ(context.pulled, (std::vector<uint32_t>{5}));
            EXPECT_EQ(level.calls, (std::vector<std::string>{"rebuild 6"}));
        }
        manager.DeleteAllWindows();
    }
}

TEST_F(PointPanelsTest, AnAnimalHousesPanelHasItsFeedButtonBesideTheUpgrade) {
    LevelPanel* panel = Open(1024, 600);
    int feeds = 0, upgrades = 0;
    PointLevelPanel view(
        *panel, int32_t(kPetshousePanelId), true, [&] { ++upgrades; }, [&] { ++feeds; });
    view.Attach();
    const int32_t x0 = (view.width - kPointPanelStrip) / 2;
    // The two share a 147-px strip from x0 + 171; remove keeps its place.
    ASSERT_NE(view.FeedButton(), nullptr);
    EXPECT_EQ(view.FeedButton()->Command(), kFeedCommand);
    EXPECT_EQ(view.FeedButton()->rect.left, view.x + x0 + 171);
    EXPECT_EQ(view.UpgradeButton()->rect.left, view.x + x0 + 171 + 74);
    EXPECT_LE(view.FeedButton()->rect.right, view.UpgradeButton()->rect.left);
    EXPECT_LE(view.UpgradeButton()->rect.right, view.removeButton->rect.left);
    EXPECT_EQ(view.removeButton->rect.left, view.x + x0 + 330);

    BaseLevelPoint house(2, kPointBuilding);
    PointRecord r{};
    r.stage = 1;
    house.Setup(r);
    // One feeding takes two units of the feed product; the stock holds one, then three.
    PRODUCT wheat{};
    wheat.record.id = 0x77;
    context.stock.Add(&wheat, 1);
    PointLevelPanel::View v;
    v.point = &house;
    v.levels = 1;
    v.stage = 1;
    v.feedProduct = &wheat;
    v.feedUnits = 2;
    v.feedEnabled = true;
    view.Show(v);
    EXPECT_EQ(view.FeedButton()->Count(), 2);
    EXPECT_EQ(view.FeedButton()->Product(), &wheat);
    EXPECT_FALSE(view.FeedButton()->HasState()) << "too little feed";
    context.stock.Add(&wheat, 2);
    view.Show(v);
    EXPECT_TRUE(view.FeedButton()->HasState());
    panel->OnButtonClick(view.FeedButton());
    EXPECT_EQ(feeds, 1);
    EXPECT_EQ(upgrades, 0);
    // Fed, or the farmer already on the way: greyed.
    v.feedEnabled = false;
    view.Show(v);
    EXPECT_FALSE(view.FeedButton()->HasState());

    // A building's panel has no feed button.
    PointLevelPanel plain(*panel, kBuildingPanelId, true, [] {});
    EXPECT_EQ(plain.FeedButton(), nullptr);
}
