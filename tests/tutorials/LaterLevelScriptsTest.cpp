// The scripted tutorials of levels 2 to 8 over a fake level: each is driven
// through its chain by the events and states its steps wait for; the steps'
// action tables and boxes; the resume ids through save and load; the flags
// and rates after the end at any step.

#include "LevelScriptsFixture.h"

namespace levelscripts {

// ---------------------------------------------------------------- levels 2 to 5

constexpr uint32_t L(uint32_t tutorial, uint32_t step) {
    return tutorial | step;
}

TEST_F(Scripts, LevelTwoBuildsTwoFactoriesAndRunsThemUntilTheGoal) {
    for (int32_t p : {3, 4})
        level.points[p] = PlantPoint();
    GameTutorial* t = MakeLevelTutorial(runner, 1, level);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->StartStepId(), L(kTutorialLevel2, 1));
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 1)));
    EXPECT_EQ(Arrows(), 1u) << "the goal button";
    ClickLayer();
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 2)));
    TutorialNotify(TutorialEvent::PointSelected, 1, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 3)));
    EXPECT_FALSE(Allowed(kTagLevelPanel, kChildPlants));
    Press(kTagLevelPanel, kChildBuildings);
    // 4: only the flour factory may be chosen; the choice closes the hint and lets time run.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 4)));
    EXPECT_EQ(t->Flags(), 0x1001100u);
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_FALSE(Allowed(kTagLevelPanel, kChildBuildingChoice, kPieType));
    Press(kTagLevelPanel, kChildBuildingChoice, kFlourType);
    EXPECT_EQ(t->Flags(), 0x120u);
    EXPECT_EQ(CurrentId(), L(kTutorialLevel2, 4)) << "waits for the building";
    level.points[1] = BuildingPoint(u"prod_flour", 0, 1);
    TutorialNotify(TutorialEvent::PointChanged, kKindBuilding, Point(1));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel2, 4)) << "stage 0 is still the site being built";
    level.points[1].stage = 1;
    level.points[1].buttons = {kSpriteProduce, kSpriteSlot};
    TutorialNotify(TutorialEvent::PointChanged, kKindBuilding, Point(1));
    // 5: the production button may be pressed; a click on it is not the step's click.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 5)));
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(1)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteHarvest, Sprite(3)));
    EXPECT_FALSE(t->Current()->IsClickArea(200, 260)) << "point 1's production button";
    EXPECT_TRUE(t->Current()->IsClickArea(500, 300));
    ClickLayer();
    // 6: harvest beds 3 and 4 until wheat is in stock.
    level.points[3].buttons = level.points[4].buttons = {kSpriteHarvest};
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 6)));
    EXPECT_EQ(Arrows(), 2u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteHarvest, Sprite(3)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(1)));
    // The first order closes its own bed's arrow only: the other bed's harvest may still be ordered.
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(3));
    EXPECT_EQ(t->Flags(), 0x101u);
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteHarvest, Sprite(4)));
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(4));
    EXPECT_EQ(Arrows(), 0u);
    level.stock[kWheat] = 1;
    // 7: produce; the farmer may step aside to work the second harvest meanwhile.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 7)));
    EXPECT_EQ(t->Flags(), 0x1101u);
    TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(1));
    Run(300);
    EXPECT_EQ(CurrentId(), L(kTutorialLevel2, 7));
    TutorialNotify(TutorialEvent::ProductionStarted, kFlour, Point(1));
    // 8: the factory at double rate until its unit is made.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 8)));
    EXPECT_EQ(t->Flags(), 0x60u);
    EXPECT_EQ(level.points[1].rate, 2.0f);
    EXPECT_EQ(Arrows(), 1u) << "the slot button";
    TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(2));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel2, 8)) << "another factory's end";
    TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(1));
    EXPECT_EQ(level.points[1].rate, 1.0f);
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 9)));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 10)));
    TutorialNotify(TutorialEvent::PointSelected, 2, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 11)));
    Press(kTagLevelPanel, kChildBuildings);
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 12)));
    level.points[2] = BuildingPoint(u"prod_flour", 1, 1);
    level.points[2].buttons = {kSpriteProduce};
    TutorialNotify(TutorialEvent::PointChanged, kKindBuilding, Point(2));
    // 13: two units of wheat; each harvest order closes its bed's arrow.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 13)));
    EXPECT_EQ(Arrows(), 2u);
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(4));
    EXPECT_EQ(t->Flags(), 0x121u);
    EXPECT_EQ(Arrows(), 1u);
    level.stock[kWheat] = 2;
    // 14: both factories start; one is not enough. Point 2's arrow turns off a panel control.
    level.controls = {{340, 230, 440, 290}};
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 14)));
    EXPECT_EQ(Arrows(), 2u);
    EXPECT_EQ(t->Current()->Layer()->FindArrow(1)->Target()->angle, 0.0f);
    EXPECT_EQ(t->Current()->Layer()->FindArrow(2)->Target()->angle, 180.0f);
    level.points[1].slotsInUse = 1;
    TutorialNotify(TutorialEvent::ProductionStarted, kFlour, Point(1));
    EXPECT_EQ(Arrows(), 1u);
    Run(300);
    EXPECT_EQ(CurrentId(), L(kTutorialLevel2, 14));
    level.points[2].slotsInUse = 1;
    TutorialNotify(TutorialEvent::ProductionStarted, kFlour, Point(2));
    // 15: both at double rate until the stock holds the goal's amount.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 15)));
    EXPECT_EQ(t->Flags(), 0x40u);
    EXPECT_EQ(level.points[1].rate, 2.0f);
    EXPECT_EQ(level.points[2].rate, 2.0f);
    level.stock[kFlour] = 3;
    TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(1));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel2, 15));
    level.stock[kFlour] = 4;
    TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(2));
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    EXPECT_EQ(level.points[1].rate, 1.0f);
    EXPECT_EQ(level.points[2].rate, 1.0f);
}

TEST_F(Scripts, ABuildStepOverABuildingShowsNoArrowAndWaitsForIt) {
    // Level 2's step 4, level 4's step 3 and level 5's step 3 with their point built on already.
    struct Case {
        uint32_t index, step;
        int32_t point;
        const char16_t* type;
    };
    for (Case c :
         {Case{1, L(kTutorialLevel2, 4), 1, u"prod_flour"}, Case{3, L(kTutorialLevel4, 3), 2, u"henhouse"},
          Case{4, L(kTutorialLevel5, 3), 4, u"prod_pie"}}) {
        FakeScriptLevel own(windows);
        own.points[c.point] = BuildingPoint(c.type, 0);
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = StartAt(fresh, c.index, c.step, &own);
        ASSERT_EQ(CurrentId(), c.step);
        EXPECT_EQ(Arrows(), 0u) << std::hex << c.step;
        EXPECT_EQ(t->Flags(), 0x120u);
        EXPECT_TRUE(TutorialAllows(TutorialAction::PlantGrows, 0, {}));
        own.points[c.point].stage = 1;
        TutorialNotify(TutorialEvent::PointChanged, kKindPlant, Point(c.point));
        EXPECT_EQ(CurrentId(), c.step) << "not a building";
        TutorialNotify(TutorialEvent::PointChanged, kKindBuilding, Point(c.point));
        EXPECT_EQ(CurrentId(), 0u) << std::hex << c.step;
    }
}

TEST_F(Scripts, LevelThreeUpgradesABedAFactoryAndTheWarehouse) {
    level.points[2] = BuildingPoint(u"prod_flour", 1, 1);
    level.points[2].recipe = kFlour;
    level.points[3] = PlantPoint();
    GameTutorial* t = MakeLevelTutorial(runner, 2, level);
    ASSERT_NE(t, nullptr);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 1)));
    EXPECT_EQ(Arrows(), 0u);
    ClickLayer();
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 2)));
    EXPECT_EQ(t->Current()->Layer()->Arrows()[0]->Target()->angle, 230.0f);
    TutorialNotify(TutorialEvent::PointSelected, 3, {});
    // 3: upgrade the bed.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 3)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_FALSE(Allowed(kTagLevelPanel, kChildRemove));
    Press(kTagLevelPanel, kChildUpgrade);
    EXPECT_EQ(t->Flags(), 0x120u);
    level.points[3].stage = 2;
    TutorialNotify(TutorialEvent::PointChanged, kKindBuilding, Point(3));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel3, 3)) << "a plant point's change is meant";
    TutorialNotify(TutorialEvent::PointChanged, kKindPlant, Point(3));
    // 4: the two working positions.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 4)));
    EXPECT_EQ(t->Flags(), 0x3000u);
    EXPECT_EQ(Arrows(), 2u);
    ClickLayer();
    // 5: harvest the bed (no button: no arrow).
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 5)));
    EXPECT_EQ(Arrows(), 0u);
    level.stock[kWheat] = 1;
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 6)));
    TutorialNotify(TutorialEvent::PointSelected, 2, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 7)));
    Press(kTagLevelPanel, kChildUpgrade);
    level.points[2].stage = 2;
    level.points[2].slots = 2;
    level.points[2].buttons = {kSpriteProduce, kSpriteSlot, kSpriteSlot + 1};
    TutorialNotify(TutorialEvent::PointChanged, kKindBuilding, Point(2));
    // 8: above the two slot buttons.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 8)));
    ASSERT_EQ(Arrows(), 1u);
    ClickLayer();
    // 9: the production button, the factories sped up; done when both slots ran empty.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 9)));
    EXPECT_EQ(t->Flags(), 0x61u) << "the arrow shows";
    EXPECT_EQ(level.modifiers.at(kTwoSlotsModifier), 1.0f);
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(2)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(1)));
    EXPECT_TRUE(TutorialAllows(TutorialAction::Produce, kFlour, {}));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Produce, kPie, {}));
    EXPECT_TRUE(TutorialAllows(TutorialAction::PlantGrows, 77, {}));
    EXPECT_FALSE(TutorialAllows(TutorialAction::PlantGrows, 78, {}));
    level.points[2].slotsInUse = 2;
    TutorialNotify(TutorialEvent::ProductionStarted, kFlour, Point(2));
    EXPECT_EQ(Arrows(), 0u);
    EXPECT_EQ(t->Flags(), 0x60u);
    level.points[2].slotsInUse = 1;
    TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(2));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel3, 9)) << "one slot still works";
    level.points[2].slotsInUse = 0;
    TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(2));
    EXPECT_TRUE(level.modifiers.empty());
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 10)));
    ClickLayer();
    // 11-14: the warehouse window.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 11)));
    Press(kTagLevelPanel, kPanelWarehouse);
    OpenWarehouse();
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 12)));
    EXPECT_EQ(Arrows(), 1u) << "the first stock record, wheat";
    ClickLayer();
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 13)));
    EXPECT_FALSE(Allowed(kTagWarehouse, kWarehouseSellOneButton));
    Press(kTagWarehouse, kWarehouseUpgradeButton);
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 14)));
    Press(kTagWarehouse, kWarehouseCloseButton);
    EXPECT_EQ(t->Delay(), 400u);
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 15)));
    ClickLayer();
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
}

// The boxes of the steps that describe a goal, a product, a plant type or a
// point carry that object for their texts' tags; the others carry none.
TEST_F(Scripts, StepBoxesCarryTheirTextTagContext) {
    level.points[3] = PlantPoint();
    level.points[6] = PlantPoint();
    level.stock[kWheat] = 2;
    OpenWarehouse();
    struct Case {
        uint32_t index, step;
        uint32_t kind;
        uintptr_t object;
        bool warehousePoint = true;
    } cases[] = {
        {0, L1(1), 0x1000009, FakeScriptLevel::kGoalEntry},
        {0, L1(2), 0, 0},
        {0, L1(8), 0x1000009, FakeScriptLevel::kGoalEntry},
        {0, L1(11), 0x1000002, kWheatPlant},
        {0, L1(16), 0x1000003, kWheatRecord},
        {0, L1(17), 0x1000003, kWheatRecord},
        {0, L1(18), 0, 0},
        {2, kTutorialLevel3 | 3, 0x100000A, 0xB03},
        {2, kTutorialLevel3 | 12, 0x1000003, kWheatRecord},
        {2, kTutorialLevel3 | 13, 0x1000001, 0xA00},
        {2, kTutorialLevel3 | 13, 0, 0, false}, // point 0 is not the warehouse
        {2, kTutorialLevel3 | 14, 0x1000003, kWheatRecord},
        {3, kTutorialLevel4 | 1, 0x1000009, FakeScriptLevel::kGoalEntry},
        {7, kTutorialLevel8 | 3, 0x100000A, 0xB06},
    };
    for (const Case& c : cases) {
        level.points[0].kind = c.warehousePoint ? kKindWarehouse : kKindSite;
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = StartAt(fresh, c.index, c.step);
        ASSERT_NE(t, nullptr);
        ASSERT_TRUE(t->Current() && t->Current()->Id() == c.step) << std::hex << c.step;
        ASSERT_NE(t->Current()->Layer(), nullptr) << std::hex << c.step;
        const auto& infos = t->Current()->Layer()->Infos();
        ASSERT_EQ(infos.size(), 1u) << std::hex << c.step;
        EXPECT_EQ(infos[0]->ContextKind(), c.kind) << std::hex << c.step;
        EXPECT_EQ(infos[0]->ContextObject(), c.object) << std::hex << c.step;
        t->Finish();
    }
}

// The box of a step with a context is laid out through the custom text tags
// with that context: level 1's step 16 names the wheat product where its
// text has the product's tag. The boxes are measured in a font whose every
// glyph is 8 pixels wide.
class ScriptTexts : public texttest::SyntheticText {
  protected:
    App app; // the shell's state the test runs on
    // Names the wheat product (and only it) in the form asked for.
    struct WheatSources : TextTagSources {
        const char16_t* Text(const char16_t* group, const char16_t* key, uint32_t form) const override {
            if (std::u16string_view(group) != u"products" || std::u16string_view(key) != u"wheat")
                return nullptr;
            return form == 1 ? u"wheat" : u"Wheat";
        }
        bool DescribeProduct(uintptr_t product, TagProduct* out) const override {
            if (product != kWheatRecord) return false;
            out->name = u"wheat";
            out->price = 7;
            return true;
        }
    };

    void SetUp() override {
        SyntheticText::SetUp();
        ASSERT_TRUE(viewer.Open(1024, 768));
        font = MakeFont(&viewer);
        ASSERT_TRUE(font);
        SetLanguageFont(3, font.get());
        SetTextTagSources(&sources);
        DXLLngGroup* group = language.CreateGroup(u"tutorial");
        ASSERT_TRUE(group && language.ReserveEntries(group, 1));
        ASSERT_TRUE(language.AddEntry(group, u"level_01_16", u"Click the [PRODUCT N 1] to choose it."));
        windows = std::make_unique<WindowManager>(&viewer, &language);
        windows->SetTextTagCallback(&ExpandTextTag);
        GameWindow* warehouse = windows->Open<GameWindow>(kTagWarehouse, false);
        warehouse->rect = {200, 100, 800, 600};
        GameButton* tile = warehouse->Controls().Make<GameButton>(kWarehouseTileButton);
        tile->rect = {10, 10, 50, 50};
        tile->userData = kWheatRecord;
        level = std::make_unique<FakeScriptLevel>(*windows);
        level->warehouseOpen = level->warehouseSettled = true;
    }
    void TearDown() override {
        level.reset();
        windows.reset();
        SetTextTagSources(nullptr);
        SetLanguageFont(3, nullptr);
        SyntheticText::TearDown();
    }
    // The width of a box with the text and the context on the layer.
    int32_t BoxWidth(TutorialLayer& layer, const char16_t* text, uint32_t kind = 0, uintptr_t object = 0) {
        return TutorialInfo(layer, text, false, kind, object).width;
    }

    // A language held in memory: groups and entries are added by the test.
    struct MemoryLanguage : DXLLanguage {
        DXLLngFile* CreateLngFile(const char16_t*) override { return nullptr; }
        void Import(DXLLngFile&) override {}
        void ReadCompiled(kis::DataFileReaderW&) override {}
        void Hook() override {}
    };

    texttest::TestViewer viewer;
    std::unique_ptr<KGEWinFont> font;
    WheatSources sources;
    MemoryLanguage language;
    std::unique_ptr<WindowManager> windows;
    std::unique_ptr<FakeScriptLevel> level;
};

TEST_F(ScriptTexts, AStepsBoxExpandsItsTagsWithTheStepsContext) {
    TutorialRunner runner{TutorialServices{windows.get()}};
    GameTutorial* t = MakeLevelTutorial(runner, 0, *level);
    ASSERT_NE(t, nullptr);
    t->GoToStep(L1(16));
    t->Start();
    for (int i = 0; i < 100 && !(t->Current() && t->Current()->Id() == L1(16) && t->Current()->Layer()); ++i)
        runner.Update(10);
    ASSERT_TRUE(t->Current() && t->Current()->Layer());
    TutorialLayer& layer = *t->Current()->Layer();
    ASSERT_EQ(layer.Infos().size(), 1u);
    const TutorialInfo& box = *layer.Infos()[0];
    EXPECT_EQ(box.Text(), u"Click the [PRODUCT N 1] to choose it.");
    const int32_t expanded = BoxWidth(layer, u"Click the wheat to choose it.");
    EXPECT_EQ(box.width, expanded) << "the tag gives the product's name";
    // Without the context, or with another product, the tag stays as it stands.
    const int32_t standing = BoxWidth(layer, u"Click the [PRODUCT N 1] to choose it.");
    EXPECT_EQ(standing - expanded, 8 * int32_t(std::u16string_view(u"[PRODUCT N 1]").size() - 5));
    EXPECT_EQ(BoxWidth(layer, u"Click the [PRODUCT N 1] to choose it.", kTagContextProduct, kWheatRecord + 1),
              standing);
    EXPECT_EQ(BoxWidth(layer, u"Click the [PRODUCT N 1] to choose it.", kTagContextPlant, kWheatRecord),
              standing);
    // A price is a coloured number in markup, which the box lays out as such.
    EXPECT_EQ(BoxWidth(layer, u"It sells for [PRODUCT P].", kTagContextProduct, kWheatRecord),
              BoxWidth(layer, u"It sells for 7."));
    t->Finish();
}

TEST_F(Scripts, LevelOnesFieldBoxesSitAtTheirDistanceFromTheFieldsCentre) {
    const kis::Point centre = FieldCentre(level);
    struct Case {
        uint32_t step;
        int32_t dy; // the target, straight above (-) or below (+) the centre
    } cases[] = {{L1(1), -80}, {L1(27), 180}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = StartAt(fresh, 0, c.step);
        ASSERT_TRUE(ReachStep(c.step, &fresh));
        ASSERT_NE(t->Current()->Layer(), nullptr);
        const auto& infos = t->Current()->Layer()->Infos();
        ASSERT_EQ(infos.size(), 1u);
        const TutorialInfo& box = *infos[0];
        ASSERT_NE(box.Target(), nullptr);
        EXPECT_EQ(box.Target()->x, centre.x);
        EXPECT_EQ(box.Target()->y, centre.y + c.dy) << "the distance moves the target";
        EXPECT_EQ(box.corner.x, box.Target()->x - box.width / 2) << "the box is centred on it";
        EXPECT_EQ(box.corner.y, box.Target()->y - box.height / 2);
        t->Finish();
        fresh.Update(1000);
    }
}

TEST_F(Scripts, LevelTwosSpedUpFactoryEndsItsStepWithItsUnit) {
    struct Case {
        const char* what;
        bool flourFactory; // point 1 is the flour factory when the step begins
        int32_t from;      // the factory that finishes a unit
        bool done;
    } cases[] = {
        {"the kept factory", true, 1, true},
        {"another factory", true, 2, false},
        {"point 1 kept nothing", false, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        level.points[1] =
            c.flourFactory ? BuildingPoint(u"prod_flour", 1, 1) : BuildingPoint(u"prod_pie", 1, 1);
        level.points[2] = BuildingPoint(u"prod_flour", 1, 1);
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = StartAt(fresh, 1, L(kTutorialLevel2, 8));
        ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 8), &fresh));
        EXPECT_EQ(level.points[1].rate, c.flourFactory ? 2.0f : 1.0f);
        TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(c.from));
        fresh.Update(10);
        EXPECT_EQ(t->Current() && t->Current()->Id() == L(kTutorialLevel2, 8), !c.done);
        t->Finish();
        fresh.Update(1000);
        level.points[1].rate = 1.0f;
    }
}

// Step 13 asks for two units of wheat after the first harvest and the first
// mill's unit used all there was: the second has to grow, so the plants grow
// while it waits, before and after a harvest is ordered; step 14 holds them.
TEST_F(Scripts, LevelTwosWheatGrowsWhileStepThirteenWaitsForIt) {
    for (int32_t p : {3, 4})
        level.points[p] = PlantPoint();
    level.points[1] = BuildingPoint(u"prod_flour", 1, 1);
    level.points[2] = BuildingPoint(u"prod_flour", 1, 1);
    GameTutorial* t = StartAt(runner, 1, L(kTutorialLevel2, 13));
    ASSERT_EQ(CurrentId(), L(kTutorialLevel2, 13));
    EXPECT_EQ(t->Flags(), 0x1021u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::PlantGrows, uint32_t(kWheatPlant), {})) << "before a harvest";
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(4));
    EXPECT_TRUE(TutorialAllows(TutorialAction::PlantGrows, uint32_t(kWheatPlant), {}))
        << "after the first harvest";
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteHarvest, Sprite(3)))
        << "the grown bed's harvest";
    level.stock[kWheat] = 2;
    ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 14)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::PlantGrows, uint32_t(kWheatPlant), {}));
}

// Step 15 takes no clicks: once both mills have made their units nothing more
// can come, so short of the goal's amount it ends the tutorial instead of
// holding the player for ever; while a mill still grinds it waits.
TEST_F(Scripts, LevelTwosLastStepEndsWhenBothMillsRanDry) {
    struct Case {
        const char* what;
        int32_t inUse1, inUse2;
        bool secondIsMill;
        bool over;
        uint32_t goal = 4; // a goal beyond the tutorial's three units leaves the rest to the player
        const char16_t* box = u"level_02_15_more";
    } cases[] = {
        {"both grind", 1, 1, true, false},
        {"one still grinds", 0, 1, true, false},
        {"both ran dry", 0, 0, true, true},
        {"the one mill ran dry", 0, 0, false, true},
        {"the easy goal", 1, 1, true, false, 3, u"level_02_15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeScriptLevel own(windows);
        own.points[1] = BuildingPoint(u"prod_flour", 1, 1);
        own.points[2] = c.secondIsMill ? BuildingPoint(u"prod_flour", 1, 1) : FakePoint();
        own.points[1].slotsInUse = 1;
        own.points[2].slotsInUse = c.secondIsMill ? 1 : 0;
        own.stock[kFlour] = 2; // short of the goal
        own.goalAmount = c.goal;
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = StartAt(fresh, 1, L(kTutorialLevel2, 15), &own);
        ASSERT_TRUE(ReachStep(L(kTutorialLevel2, 15), &fresh));
        ASSERT_EQ(t->Current()->Layer()->Infos().size(), 1u);
        EXPECT_EQ(t->Current()->Layer()->Infos()[0]->Text(), c.box);
        own.points[1].slotsInUse = c.inUse1;
        own.points[2].slotsInUse = c.secondIsMill ? c.inUse2 : 0;
        TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(1));
        for (int i = 0; i < 10; ++i)
            fresh.Update(10);
        EXPECT_EQ(t->State() >= uint32_t(kFinishing), c.over);
        EXPECT_EQ(own.points[1].rate, c.over ? 1.0f : 2.0f);
        t->Finish();
        fresh.Update(1000);
    }
}

TEST_F(Scripts, LevelThreesWarehouseStepWaitsForAClickWithAnEmptyStock) {
    OpenWarehouse();
    GameTutorial* t = StartAt(runner, 2, L(kTutorialLevel3, 12));
    ASSERT_EQ(CurrentId(), L(kTutorialLevel3, 12));
    EXPECT_TRUE(t->Current()->Layer()->Arrows().empty());
    EXPECT_TRUE(t->Current()->Layer()->Infos().empty());
    ClickLayer();
    ASSERT_TRUE(ReachStep(L(kTutorialLevel3, 13)));
}

TEST_F(Scripts, LevelFourBuildsTheHenhouseFeedsItAndTakesTheEggs) {
    level.points[4] = PlantPoint();
    GameTutorial* t = MakeLevelTutorial(runner, 3, level);
    ASSERT_NE(t, nullptr);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 1)));
    level.base.selected = 2;
    TutorialNotify(TutorialEvent::PointSelected, 2, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 2)));
    EXPECT_FALSE(Allowed(kTagLevelPanel, kChildBuildings));
    Press(kTagLevelPanel, kChildPets);
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 3)));
    EXPECT_FALSE(Allowed(kTagLevelPanel, kChildBuildingChoice, kFlourType));
    Press(kTagLevelPanel, kChildHouseChoice, kHenhouseType);
    level.points[2] = BuildingPoint(u"henhouse", 1);
    level.points[2].buttons = {kSpriteFeed};
    TutorialNotify(TutorialEvent::PointChanged, kKindBuilding, Point(2));
    // 4: the overhead and the panel's feed buttons; pressing the panel's is allowed and is no click.
    level.petsPanel = true;
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 4)));
    EXPECT_EQ(Arrows(), 2u);
    EXPECT_TRUE(Allowed(kTagLevelPanel, kChildFeed));
    ClickLayer();
    // 5: wheat from point 4 (no harvest button: no arrow).
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 5)));
    EXPECT_EQ(Arrows(), 0u);
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(4));
    EXPECT_EQ(t->Flags(), 0x100u);
    level.stock[kWheat] = 1;
    // 6: feed; done when the house is fed.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 6)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteFeed, Sprite(2)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteEggs, Sprite(2)));
    TutorialNotify(TutorialEvent::JobOrdered, kJobFeed, JobAt(2));
    EXPECT_EQ(t->Flags(), 0x100u);
    level.points[2].fed = true;
    // 7: the hens lay at double rate.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 7)));
    EXPECT_EQ(t->Flags(), 0x20u);
    EXPECT_EQ(level.points[2].houseRate, 2.0f);
    EXPECT_EQ(t->Current()->Layer()->Infos().size(), 1u);
    level.points[2].buttons = {kSpriteEggs};
    // 8: the eggs; the order hides the hint, the delivery ends the step.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 8)));
    EXPECT_EQ(level.points[2].houseRate, 1.0f);
    EXPECT_EQ(t->Flags(), 0x121u) << "the arrow shows";
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteEggs, Sprite(2)));
    TutorialNotify(TutorialEvent::JobOrdered, kJobTakeEggs, JobAt(2));
    EXPECT_EQ(t->Current()->Layer(), nullptr);
    EXPECT_EQ(t->Flags(), 0x120u);
    TutorialNotify(TutorialEvent::Delivered, kWheat, Point(4));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel4, 8)) << "a bed's delivery";
    TutorialNotify(TutorialEvent::Delivered, kEgg, Point(2));
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 9)));
    ClickLayer();
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
}

TEST_F(Scripts, LevelFourFeedStepShowsNothingUnlessTheHenhouseIsSelected) {
    level.points[2] = BuildingPoint(u"henhouse", 1);
    level.base.selected = 1;
    GameTutorial* t = StartAt(runner, 3, L(kTutorialLevel4, 4));
    ASSERT_EQ(CurrentId(), L(kTutorialLevel4, 4));
    EXPECT_TRUE(t->Current()->Layer()->Arrows().empty());
    ClickLayer();
    ASSERT_TRUE(ReachStep(L(kTutorialLevel4, 5)));
}

TEST_F(Scripts, LevelFiveMakesPiesFromFlourAndEggs) {
    level.points[1] = BuildingPoint(u"henhouse", 1);
    level.points[3] = PlantPoint();
    level.points[5] = BuildingPoint(u"prod_flour", 1, 1);
    GameTutorial* t = MakeLevelTutorial(runner, 4, level);
    ASSERT_NE(t, nullptr);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 1)));
    TutorialNotify(TutorialEvent::PointSelected, 4, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 2)));
    Press(kTagLevelPanel, kChildBuildings);
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 3)));
    EXPECT_FALSE(Allowed(kTagLevelPanel, kChildBuildingChoice, kFlourType));
    Press(kTagLevelPanel, kChildBuildingChoice, kPieType);
    level.points[4] = BuildingPoint(u"prod_pie", 1, 1);
    level.points[4].buttons = {kSpriteProduce};
    TutorialNotify(TutorialEvent::PointChanged, kKindBuilding, Point(4));
    // 4: a pie factory's production button only, and only while it is not locked.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 4)));
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(4)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(5)));
    level.buttonLock = 300;
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(4)));
    level.buttonLock = 0;
    EXPECT_FALSE(t->Current()->IsClickArea(500, 260)) << "point 4's production button";
    ClickLayer();
    // 5: wheat until it is delivered.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 5)));
    TutorialNotify(TutorialEvent::Delivered, kEgg, Point(3));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel5, 5));
    TutorialNotify(TutorialEvent::Delivered, kWheat, Point(3));
    // 6: feed the hens; done when the farmer is near.
    level.points[1].buttons = {kSpriteFeed};
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 6)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteFeed, Sprite(2)));
    level.currentJob = kJobFeed, level.currentJobPoint = 1, level.jobDistance = 120;
    Run(100);
    EXPECT_EQ(CurrentId(), L(kTutorialLevel5, 6));
    level.jobDistance = 90;
    Run(10);
    EXPECT_EQ(t->Delay(), 0u);
    level.currentJob = 0;
    // 7: flour, the henhouse standing still.
    level.points[5].buttons = {kSpriteProduce};
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 7)));
    EXPECT_EQ(level.points[1].houseRate, 0.0f);
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(5)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteProduce, Sprite(4)));
    TutorialNotify(TutorialEvent::ProductionStarted, kPie, Point(4));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel5, 7));
    TutorialNotify(TutorialEvent::ProductionStarted, kFlour, Point(5));
    // 8: no click; ends with flour in stock and the eggs ready.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 8)));
    EXPECT_EQ(level.points[1].houseRate, 2.0f);
    EXPECT_EQ(level.points[5].rate, 2.0f);
    EXPECT_EQ(t->Current()->Layer()->ClickWaits(), 0u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::Produce, kFlour, {}));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Produce, kPie, {}));
    level.stock[kFlour] = 1;
    Run(100);
    EXPECT_EQ(CurrentId(), L(kTutorialLevel5, 8)) << "the eggs are not ready";
    level.points[1].buttons = {kSpriteEggs};
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 9)));
    EXPECT_EQ(level.points[1].houseRate, 1.0f);
    EXPECT_EQ(level.points[5].rate, 1.0f);
    TutorialNotify(TutorialEvent::Delivered, kEgg, Point(1));
    // 10: pies at double rate; any production's end completes it.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 10)));
    EXPECT_EQ(level.points[4].rate, 2.0f);
    TutorialNotify(TutorialEvent::ProductionStarted, kPie, Point(4));
    EXPECT_EQ(t->Flags(), 0x60u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::Produce, kPie, {}));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Produce, kWheat, {}));
    TutorialNotify(TutorialEvent::ProductionEnded, kFlour, Point(5));
    EXPECT_EQ(level.points[4].rate, 1.0f);
    ASSERT_TRUE(ReachStep(L(kTutorialLevel5, 11)));
    ClickLayer();
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
}

TEST_F(Scripts, LevelsTwoToFiveResumeWhereTheirStepsSay) {
    struct Case {
        uint32_t index, step;
        bool siteEmpty;
        uint32_t resume;
    };
    const Case cases[] = {
        {1, L(kTutorialLevel2, 4), true, L(kTutorialLevel2, 3)},
        {1, L(kTutorialLevel2, 4), false, L(kTutorialLevel2, 4)},
        {1, L(kTutorialLevel2, 8), true, L(kTutorialLevel2, 8)},
        {1, L(kTutorialLevel2, 12), true, L(kTutorialLevel2, 11)},
        {2, L(kTutorialLevel3, 9), true, L(kTutorialLevel3, 9)},
        {2, L(kTutorialLevel3, 12), true, L(kTutorialLevel3, 11)},
        {2, L(kTutorialLevel3, 13), true, L(kTutorialLevel3, 11)},
        {2, L(kTutorialLevel3, 14), true, L(kTutorialLevel3, 15)},
        {3, L(kTutorialLevel4, 3), true, L(kTutorialLevel4, 2)},
        {3, L(kTutorialLevel4, 3), false, L(kTutorialLevel4, 3)},
        {3, L(kTutorialLevel4, 7), true, L(kTutorialLevel4, 7)},
        {4, L(kTutorialLevel5, 3), true, L(kTutorialLevel5, 2)},
        {4, L(kTutorialLevel5, 3), false, L(kTutorialLevel5, 3)},
        {4, L(kTutorialLevel5, 10), true, L(kTutorialLevel5, 10)},
    };
    OpenWarehouse();
    for (const Case& c : cases) {
        FakeScriptLevel own(windows);
        own.warehouseOpen = own.warehouseSettled = (c.step & 0xFF0000) == (kTutorialLevel3 & 0xFF0000) &&
                                                   (c.step & 0xFFFF) >= 12 && (c.step & 0xFFFF) <= 14;
        for (int32_t p : {1, 2, 4})
            own.points[p] = c.siteEmpty ? FakePoint() : BuildingPoint(u"prod_pie", 0);
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = StartAt(fresh, c.index, c.step, &own);
        ASSERT_EQ(CurrentId(), c.step) << std::hex << c.step;
        own.base.selected = 3;
        const std::vector<uint8_t> bytes = SaveOf(*t);
        TutorialRunner loaded{TutorialServices{&windows}};
        GameTutorial* u = MakeLevelTutorial(loaded, c.index, own);
        SaveReader reader(bytes);
        ASSERT_TRUE(u->Load(reader)) << std::hex << c.step;
        EXPECT_EQ(u->StartStepId(), c.resume) << std::hex << c.step << " empty " << c.siteEmpty;
    }
}

TEST_F(Scripts, RatesAndModifiersGoBackWhenATutorialIsClosedAtAnyStep) {
    struct Case {
        uint32_t index, step;
    };
    const Case cases[] = {
        {1, L(kTutorialLevel2, 8)},  {1, L(kTutorialLevel2, 15)}, {2, L(kTutorialLevel3, 9)},
        {3, L(kTutorialLevel4, 7)},  {4, L(kTutorialLevel5, 7)},  {4, L(kTutorialLevel5, 8)},
        {4, L(kTutorialLevel5, 10)}, {1, L(kTutorialLevel2, 1)},  {2, L(kTutorialLevel3, 4)},
        {5, L(kTutorialLevel6, 4)},  {7, L(kTutorialLevel8, 3)}};
    for (const Case& c : cases) {
        FakeScriptLevel own(windows);
        own.points[1] = BuildingPoint(u"prod_flour", 1, 1);
        own.points[2] = BuildingPoint(u"prod_flour", 1, 1);
        own.points[4] = BuildingPoint(u"prod_pie", 1, 1);
        own.points[5] = BuildingPoint(u"prod_flour", 1, 1);
        // Level 2's mills grind: its last step holds only while one does.
        own.points[1].slotsInUse = own.points[2].slotsInUse = 1;
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = StartAt(fresh, c.index, c.step, &own);
        ASSERT_EQ(CurrentId(), c.step) << std::hex << c.step;
        bool changed = !own.modifiers.empty();
        for (auto& [p, point] : own.points)
            changed = changed || point.rate != 1.0f || point.houseRate != 1.0f;
        t->Finish();
        for (auto& [p, point] : own.points) {
            EXPECT_EQ(point.rate, 1.0f) << std::hex << c.step << " point " << p;
            EXPECT_EQ(point.houseRate, 1.0f) << std::hex << c.step << " point " << p;
        }
        EXPECT_TRUE(own.modifiers.empty()) << std::hex << c.step;
        EXPECT_EQ(t->Flags(), 0u);
        EXPECT_EQ(own.base.pauseWord, 0u);
        // The rate steps did change something while current.
        const uint32_t n = c.step & 0xFFFF;
        const bool rateStep = (c.index == 1 && (n == 8 || n == 15)) || (c.index == 2 && n == 9) ||
                              (c.index == 3 && n == 7) || (c.index == 4 && n >= 7 && n != 9);
        EXPECT_EQ(changed, rateStep) << std::hex << c.step;
    }
}

// ---------------------------------------------------------------- levels 6 and 8

TEST_F(Scripts, LevelSixTracksTheFirstVillainThroughItsShotsPickAndRepair) {
    level.points[1] = PlantPoint();
    GameTutorial* t = MakeLevelTutorial(runner, 5, level);
    ASSERT_NE(t, nullptr);
    t->GoToStep(t->StartStepId());
    // Before the start a villain may move, a shot may not.
    EXPECT_TRUE(TutorialAllows(TutorialAction::Villains, kVillainObject, {}));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Villains, kVillainHeldObject, {}));
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    EXPECT_EQ(t->Flags(), uint32_t(kAllowVillains)) << "the level runs, villains act";
    EXPECT_EQ(level.villainTimer, 0) << "the first villain comes at once";
    EXPECT_TRUE(TutorialAllows(TutorialAction::Villains, 0, {}));
    // The villain in slot 1 fires: it is tracked and held; its shot flies, retimed to a second.
    level.villains[1].state = kVillainAttacking;
    level.shots.push_back(FakeShot{kis::MakeVector2(700, 200), 0.1f, false, 0});
    TutorialNotify(TutorialEvent::Shot, 0, Villain(1));
    EXPECT_EQ(level.villains[1].state, kVillainTutorialHold);
    EXPECT_EQ(level.villains[1].shots, 1);
    EXPECT_FALSE(TutorialAllows(TutorialAction::Villains, kVillainObject, {}));
    EXPECT_TRUE(TutorialAllows(TutorialAction::Villains, kVillainShotObject, Shot(0)));
    runner.Update(10);
    EXPECT_EQ(level.shots[0].retimed, 100u);
    // Step 1 waits until a point is damaged.
    Run(1000);
    EXPECT_EQ(CurrentId(), 0u);
    level.shots.clear();
    level.points[1].damaged = true;
    ASSERT_TRUE(ReachStep(L(kTutorialLevel6, 1)));
    EXPECT_EQ(t->Flags(), 0x2000u);
    EXPECT_EQ(Arrows(), 2u) << "the damaged point and the villain";
    ClickLayer();
    EXPECT_EQ(level.villains[1].fired, 1) << "it fires again";
    // The second shot: held from halfway until its step shows.
    level.shots.push_back(FakeShot{kis::MakeVector2(300, 200), 0.3f, false, 0});
    TutorialNotify(TutorialEvent::Shot, 0, Villain(1));
    EXPECT_EQ(level.villains[1].state, kVillainAttacking);
    EXPECT_TRUE(TutorialAllows(TutorialAction::Villains, kVillainShotObject, Shot(0)));
    Run(500);
    EXPECT_EQ(CurrentId(), 0u) << "the shot has not covered half its way";
    level.shots[0].progress = 0.5f;
    EXPECT_FALSE(TutorialAllows(TutorialAction::Villains, kVillainShotObject, Shot(0)));
    ASSERT_TRUE(ReachStep(L(kTutorialLevel6, 2)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_EQ(t->Current()->Layer()->Arrows()[0]->Target()->angle, 45.0f) << "left-top quarter";
    EXPECT_TRUE(TutorialAllows(TutorialAction::PickObject, kVillainShotObject, Shot(0)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::PickObject, kVillainObject, Villain(1)));
    level.shots[0].picked = true;
    // 3: pick the villain; done when it leaves.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel6, 3)));
    EXPECT_TRUE(TutorialAllows(TutorialAction::PickObject, kVillainObject, Villain(1)));
    Run(100);
    EXPECT_EQ(CurrentId(), L(kTutorialLevel6, 3));
    level.villains[1].state = kVillainLeaving;
    // 4: the repair button of the damaged point.
    level.points[1].buttons = {kSpriteRepair};
    ASSERT_TRUE(ReachStep(L(kTutorialLevel6, 4)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteRepair, Sprite(1)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteRepair, Sprite(2)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteHarvest, Sprite(1)));
    TutorialNotify(TutorialEvent::JobOrdered, kJobRepair, JobAt(1));
    // 5: until the point is whole.
    ASSERT_TRUE(ReachStep(L(kTutorialLevel6, 5)));
    EXPECT_EQ(t->Flags(), 0x100u);
    Run(100);
    EXPECT_EQ(CurrentId(), L(kTutorialLevel6, 5));
    level.points[1].damaged = false;
    Run(10);
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
}

TEST_F(Scripts, LevelSixKeepsItsCountersInItsSave) {
    level.points[1] = PlantPoint();
    level.points[1].damaged = true;
    level.villains[0].state = kVillainAttacking;
    GameTutorial* t = MakeLevelTutorial(runner, 5, level);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    TutorialNotify(TutorialEvent::Shot, 0, Villain(0));
    ASSERT_TRUE(ReachStep(L(kTutorialLevel6, 1)));
    const std::vector<uint8_t> bytes = SaveOf(*t);
    // State word, then the record: 32 bytes with the counters in words 5-7.
    ASSERT_GE(bytes.size(), 4u + 32u);
    uint32_t words[9];
    std::memcpy(words, bytes.data(), sizeof words);
    EXPECT_EQ(words[1], 32u);
    EXPECT_EQ(words[3], L(kTutorialLevel6, 1));
    EXPECT_EQ(words[6], 0u) << "the villain was called";
    EXPECT_EQ(int32_t(words[7]), 0) << "tracked slot";
    EXPECT_EQ(words[8], 1u) << "shots";
    // Loaded, the tutorial tracks the same villain: it no longer moves by itself.
    TutorialRunner loaded{TutorialServices{&windows}};
    GameTutorial* u = MakeLevelTutorial(loaded, 5, level);
    SaveReader reader(bytes);
    ASSERT_TRUE(u->Load(reader));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Villains, kVillainObject, Villain(0)));
    // A record cut to the level tutorials' 20 bytes is refused.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 4 + 20);
    std::memcpy(cut.data() + 4, "\x14\0\0\0", 4);
    TutorialRunner again{TutorialServices{&windows}};
    GameTutorial* w = MakeLevelTutorial(again, 5, level);
    SaveReader short_(cut);
    EXPECT_FALSE(w->Load(short_));
    cut.assign(bytes.begin(), bytes.end()), cut[4 * 8] = 4; // a 4th shot: past the 2nd they count as one
    SaveReader in(cut);
    EXPECT_FALSE(MakeLevelTutorial(again, 5, level)->Load(in));
}

TEST_F(Scripts, LevelEightBeginsWithTheBeesOnlyWithVillainsAndTheBonus) {
    struct Case {
        bool villains;
        uintptr_t bonus;
        uint32_t first;
    };
    for (Case c : {Case{true, kBeesRecord, kStepBonusBees}, Case{false, kBeesRecord, L(kTutorialLevel8, 1)},
                   Case{true, 0, L(kTutorialLevel8, 1)}}) {
        FakeScriptLevel own(windows);
        own.villainsEnabled = c.villains;
        own.beesButton = c.bonus;
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = MakeLevelTutorial(fresh, 7, own);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->StartStepId(), kStepBonusBees);
        t->GoToStep(t->StartStepId());
        TutorialNotify(TutorialEvent::ClockStarted, 0, {});
        if (c.first == kStepBonusBees) {
            // It waits for an attacking villain, letting the villains come, the first at once.
            for (int i = 0; i < 150; ++i)
                fresh.Update(10);
            EXPECT_EQ(t->Current(), nullptr);
            EXPECT_EQ(t->Flags(), uint32_t(kAllowVillains));
            EXPECT_EQ(own.villainTimer, 0);
            own.villains[1].state = kVillainAttacking;
        }
        ASSERT_TRUE(ReachStep(c.first, &fresh)) << c.villains << c.bonus;
        if (c.first != kStepBonusBees) continue;
        EXPECT_EQ(t->Current()->Layer()->Infos()[0]->Text(), u"level_bonus_bees_1");
        EXPECT_EQ(Arrows(), 1u);
        own.beesBlocked = true;
        EXPECT_FALSE(Allowed(kTagLevelPanel, kPanelBonus, kBeesRecord));
        own.beesBlocked = false;
        Press(kTagLevelPanel, kPanelBonus, kBeesRecord);
        EXPECT_EQ(t->Delay(), kBonusBeesDelayMs);
    }
}

TEST_F(Scripts, LevelEightRemovesTheBedAtPointSix) {
    level.points[6] = PlantPoint();
    level.villainsEnabled = false;
    GameTutorial* t = MakeLevelTutorial(runner, 7, level);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel8, 1)));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L(kTutorialLevel8, 2)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::HoverPoint, 5, {}));
    TutorialNotify(TutorialEvent::PointSelected, 6, {});
    ASSERT_TRUE(ReachStep(L(kTutorialLevel8, 3)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_FALSE(Allowed(kTagLevelPanel, kChildUpgrade));
    Press(kTagLevelPanel, kChildRemove);
    EXPECT_EQ(t->Flags(), 0x100u);
    TutorialNotify(TutorialEvent::PointChanged, kKindSite, Point(5));
    EXPECT_EQ(CurrentId(), L(kTutorialLevel8, 3));
    TutorialNotify(TutorialEvent::PointChanged, kKindSite, Point(6));
    ASSERT_TRUE(ReachStep(L(kTutorialLevel8, 4)));
    ClickLayer();
    EXPECT_EQ(t->State(), uint32_t(kFinishing));

    // With a job already pending at point 6 the step shows no arrow.
    level.points[6].jobs.insert(kJobAny);
    TutorialRunner fresh{TutorialServices{&windows}};
    GameTutorial* u = StartAt(fresh, 7, L(kTutorialLevel8, 3));
    ASSERT_EQ(CurrentId(), L(kTutorialLevel8, 3));
    EXPECT_EQ(Arrows(), 0u);
    EXPECT_EQ(u->Flags(), 0x100u);
}

} // namespace levelscripts
