// Factories: recipes, production slots, delivery, the working sound, and the
// factory's save record.
#include "tests/farm/BuildingTestSupport.h"
#include "tests/support/Damage.h"

#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace buildtest;

namespace {

std::vector<uint8_t> SaveRecord(const PointFactory& factory) {
    SaveWriter out;
    factory.SaveOwn(out);
    std::unique_ptr<SaveBuffer> buffer = out.Finish();
    return {buffer->Data().begin(), buffer->Data().end()};
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> bytes(words.size() * 4);
    size_t i = 0;
    for (uint32_t w : words)
        PutU32(bytes.data(), 4 * i++, w);
    return bytes;
}

uint32_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

size_t Count(const std::vector<TutorialEvent>& events, TutorialEvent event) {
    return size_t(std::count(events.begin(), events.end(), event));
}

} // namespace

TEST(FactoryTest, OnlyProductsOfferedInTheLevelBecomeRecipes) {
    TestBakeryLevel l;
    PointFactory* bakery = l.Bakery();
    ASSERT_EQ(bakery->RecipeCount(), 1); // the cake needs sugar, which the level does not offer
    EXPECT_EQ(bakery->GetRecipe(0).product->record.id, kBread);
    EXPECT_EQ(bakery->GetRecipe(0).productIndex, 0);
    EXPECT_EQ(l.host.productionButtons.size(), 1u);
    EXPECT_EQ(l.host.slotButtons.size(), 1u);
    EXPECT_TRUE(bakery->GetRecipe(0).inStock);
    EXPECT_TRUE(l.host.productionButtons[0]->enabled);
    EXPECT_FALSE(l.host.slotButtons[0]->enabled);
}

TEST(FactoryTest, SlotsFillUpToTheBuildingLevel) {
    TestBakeryLevel l(2);
    PointFactory* bakery = l.Bakery();
    ASSERT_EQ(bakery->SlotCount(), 2);
    struct Step {
        bool started;
        uint32_t wheat, egg;
        int32_t inUse;
    } steps[] = {{true, 4, 2, 1}, {true, 2, 1, 2}, {false, 2, 1, 2}};
    for (const Step& s : steps) {
        EXPECT_EQ(bakery->StartProduction(0, -1, true), s.started);
        EXPECT_EQ(l.Stock(kWheat), s.wheat);
        EXPECT_EQ(l.Stock(kEgg), s.egg);
        EXPECT_EQ(bakery->SlotsInUse(), s.inUse);
    }
    EXPECT_NE(bakery->GetSlot(0).recipe, nullptr);
    EXPECT_NE(bakery->GetSlot(1).recipe, nullptr);
    EXPECT_FALSE(l.host.productionButtons[0]->enabled); // no slot free
    EXPECT_EQ(Count(l.host.events, TutorialEvent::ProductionStarted), 2u);
    // Wheat and egg flew out of the stock at the slots.
    EXPECT_GE(l.host.changes.size(), 2u);
}

TEST(FactoryTest, TheProductionButtonNeedsIngredientsAndAPress) {
    TestBakeryLevel l(2);
    PointFactory* bakery = l.Bakery();
    struct Case {
        const char* what;
        uint32_t pressed;
        uint32_t wheat;
        bool starts;
    } cases[] = {
        {"released, not pressed", 0, 6, false},
        {"too little wheat", 1, 1, false},
        {"pressed with the stock", 1, 6, true},
    };
    for (const Case& c : cases) {
        l.host.world->stock[kWheat] = c.wheat;
        bakery->RefreshRecipes();
        const int32_t before = bakery->SlotsInUse();
        EXPECT_EQ(bakery->OnProductionButton(0, c.pressed), c.starts) << c.what;
        EXPECT_EQ(bakery->SlotsInUse(), before + (c.starts ? 1 : 0)) << c.what;
    }
    EXPECT_EQ(l.host.eventSounds, std::vector<uint32_t>{kProductionStartSound});
}

TEST(FactoryTest, ACancelReturnsTheIngredientsWithoutAUnit) {
    TestBakeryLevel l;
    PointFactory* bakery = l.Bakery();
    ASSERT_TRUE(bakery->OnProductionButton(0, 1));
    EXPECT_TRUE(l.host.slotButtons[0]->enabled);
    l.Run(1000);
    EXPECT_TRUE(bakery->OnSlotButton(0));
    EXPECT_EQ(l.Stock(kWheat), 6u);
    EXPECT_EQ(l.Stock(kEgg), 3u);
    EXPECT_EQ(l.Stock(kBread), 0u);
    EXPECT_EQ(bakery->SlotsInUse(), 0);
    EXPECT_EQ(Count(l.host.events, TutorialEvent::ProductionEnded), 0u);
    EXPECT_FALSE(l.host.slotButtons[0]->enabled);
    EXPECT_FALSE(bakery->OnSlotButton(0)); // a free slot has nothing to cancel
}

// A new factory's countdown holds its production back; the warehouse has
// none to wait for.
TEST(FactoryTest, ANewFactoryStartsWorkingOnceItsCountdownHasRun) {
    TestBakeryLevel l;
    EXPECT_EQ(l.Warehouse()->Countdown(), -1);
    EXPECT_EQ(l.level->CreatePoint(0, l.record.points[0])->Countdown(), -1) << "a new warehouse";
    EXPECT_EQ(l.Warehouse()->Init(), 0);
    EXPECT_EQ(l.Warehouse()->Countdown(), -1);

    ASSERT_NE(l.level->CreatePoint(3, l.record.points[3]), nullptr);
    PointFactory* bakery = l.Bakery();
    EXPECT_EQ(bakery->Countdown(), kPointInitialCountdownMs);
    ASSERT_TRUE(bakery->StartProduction(0, -1, true));
    l.Run(uint32_t(kPointInitialCountdownMs));
    EXPECT_EQ(l.host.slotButtons[0]->progress, 0.0f) << "no work while the countdown runs";
    l.Run(kBreadMs / 2);
    EXPECT_NEAR(l.host.slotButtons[0]->progress, 0.5f, 0.01f);
}

TEST(FactoryTest, AFinishedUnitGoesToTheWarehouseAtTheLevelsRate) {
    struct Case {
        float rate;
        uint32_t notYet, done;
    } cases[] = {{1.0f, kBreadMs - 100, kBreadMs + 20}, {2.0f, kBreadMs / 2 - 100, kBreadMs / 2 + 20}};
    for (const Case& c : cases) {
        TestBakeryLevel l(1, c.rate);
        PointFactory* bakery = l.Bakery();
        ASSERT_TRUE(bakery->StartProduction(0, -1, true));
        l.Run(c.notYet);
        EXPECT_EQ(l.Stock(kBread), 0u) << c.rate;
        EXPECT_NEAR(l.host.slotButtons[0]->progress, float(c.notYet) * c.rate / kBreadMs, 0.01f) << c.rate;
        l.Run(c.done - c.notYet);
        EXPECT_EQ(l.Stock(kBread), 1u) << c.rate;
        EXPECT_EQ(bakery->SlotsInUse(), 0) << c.rate;
        EXPECT_EQ(bakery->ProducedCount(), 0u) << c.rate; // back to 0 once idle
        EXPECT_EQ(l.level->HighestValue(), 1) << c.rate;
        EXPECT_EQ(Count(l.host.events, TutorialEvent::ProductionEnded), 1u) << c.rate;
        EXPECT_EQ(bakery->AnimationState(), 0) << c.rate;
    }
}

TEST(FactoryTest, AFullWarehouseKeepsTheUnitWaiting) {
    TestBakeryLevel l;
    PointFactory* bakery = l.Bakery();
    ASSERT_TRUE(bakery->StartProduction(0, -1, true));
    l.host.full = true;
    l.Run(kBreadMs + 500);
    EXPECT_EQ(bakery->SlotsInUse(), 1);
    EXPECT_FLOAT_EQ(bakery->GetSlot(0).progress, bakery->GetSlot(0).duration);
    l.host.full = false;
    l.Run(20);
    EXPECT_EQ(l.Stock(kBread), 1u);
    EXPECT_EQ(bakery->SlotsInUse(), 0);
}

TEST(FactoryTest, NothingIsMadeWhileLockedDamagedUpgradingOrHeldByTheTutorial) {
    struct Case {
        const char* what;
        std::function<void(TestBakeryLevel&)> hold;
    } cases[] = {
        {"locked", [](TestBakeryLevel& l) { l.Bakery()->LockPoint(); }},
        {"damaged", [](TestBakeryLevel& l) { l.Bakery()->AddDamage(3, false); }},
        {"upgrading", [](TestBakeryLevel& l) { l.Bakery()->BeginUpgrade(); }},
        {"tutorial", [](TestBakeryLevel& l) { l.host.allowProduction = false; }},
    };
    for (const Case& c : cases) {
        TestBakeryLevel l;
        ASSERT_TRUE(l.Bakery()->StartProduction(0, -1, true));
        c.hold(l);
        l.Run(kBreadMs + 100);
        EXPECT_EQ(l.Stock(kBread), 0u) << c.what;
        EXPECT_EQ(l.Bakery()->GetSlot(0).progress, 0.0f) << c.what;
    }
}

TEST(FactoryTest, OneWorkingSoundChannelThatFadesWhenTheWorkEnds) {
    TestBakeryLevel l;
    PointFactory* bakery = l.Bakery();
    ASSERT_TRUE(bakery->StartProduction(0, -1, true));
    EXPECT_EQ(bakery->AnimationState(), 1);
    l.Run(10);
    EXPECT_EQ(bakery->AnimationState(), 2);
    EXPECT_EQ(l.host.playing, std::vector<uint32_t>{1});
    EXPECT_EQ(l.host.sounds, std::vector<uint32_t>{7});

    // The work ends: the looping sound fades in 250 ms.
    l.Run(kBreadMs);
    EXPECT_TRUE(l.host.playing.empty());
    ASSERT_FALSE(l.host.fades.empty());
    EXPECT_EQ(l.host.fades.back(), (std::pair<uint32_t, uint32_t>{1, kWorkingSoundFadeMs}));

    // Damage hides the buttons and fades the sound; the repair starts it
    // again on one channel.
    ASSERT_TRUE(bakery->StartProduction(0, -1, true));
    l.Run(10);
    bakery->AddDamage(1, false);
    EXPECT_TRUE(l.host.playing.empty());
    ASSERT_TRUE(bakery->Repair(true));
    l.Run(10);
    EXPECT_EQ(l.host.playing.size(), 1u);

    // The point goes: its sound fades with it.
    l.level->CreatePoint(3, leveltest::Point(kPointBuilding, 1, kBakery, 800, 500));
    EXPECT_TRUE(l.host.playing.empty());
}

TEST(FactoryTest, ASecondStartWhileWorkingKeepsOneChannel) {
    TestBakeryLevel l(2);
    PointFactory* bakery = l.Bakery();
    ASSERT_TRUE(bakery->StartProduction(0, -1, true));
    l.Run(10);
    ASSERT_TRUE(bakery->StartProduction(0, -1, true));
    l.Run(10);
    EXPECT_EQ(l.host.playing.size(), 1u);
    // The upgrade hides and shows the buttons again: still one channel.
    bakery->OnUpgradeBegin();
    bakery->OnUpgradeCancel();
    l.Run(10);
    EXPECT_EQ(l.host.playing.size(), 1u);
    EXPECT_EQ(bakery->SlotsInUse(), 2);
}

TEST(FactoryTest, TheSmokeRisesOnlyWhileASlotIsBusy) {
    TestBakeryLevel l(1, 1.0f, true);
    PointFactory* bakery = l.Bakery();
    ASSERT_NE(bakery->Building(), nullptr);
    const GPSSpace* smoke = bakery->Building()->Particles();
    ASSERT_NE(smoke, nullptr);
    EXPECT_EQ(smoke->EmitterCount(), 1);
    l.Run(500);
    EXPECT_EQ(smoke->ParticleCount(), 0); // idle: no smoke
    ASSERT_TRUE(bakery->StartProduction(0, -1, true));
    l.Run(800);
    EXPECT_GT(smoke->ParticleCount(), 0);
    // Done: the puffs fly off and none follow.
    l.Run(kBreadMs + 3000);
    EXPECT_EQ(l.Stock(kBread), 1u);
    EXPECT_EQ(smoke->ParticleCount(), 0);
    // The upgrade to level 2 replaces the picture.
    ASSERT_TRUE(bakery->OnButtonCommand(kUpgradeCommand));
    l.Run(kBuildMs + 500);
    ASSERT_EQ(bakery->Stage(), 2);
    ASSERT_NE(bakery->Building(), nullptr);
    EXPECT_EQ(bakery->Building()->ShownStage(), 2);
}

TEST(FactorySaveTest, TheRecordHoldsTheRecipesAndTheSlots) {
    TestBakeryLevel l(2);
    PointFactory* bakery = l.Bakery();
    ASSERT_TRUE(bakery->StartProduction(0, 0, true));
    l.Run(kBreadMs / 2);
    const std::vector<uint8_t> expected =
        Words({72, 0, 1, kBread, 0, 0, 0, 0, 2, 1, kBread, FloatBits(0.5f), 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(SaveRecord(*bakery), expected);
}

TEST(FactorySaveTest, ALoadRestoresTheSlotsOrRefusesTheRecord) {
    const std::vector<uint8_t> good =
        Words({72, 3, 1, kBread, 0, 0, 0, 0, 2, 1, 0, 0, kBread, FloatBits(0.25f), 0, 0, 0, 0});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        size_t word;
        uint32_t value;
        bool loads;
    } cases[] = {
        {"as saved", 0, 72, true},
        {"record count is not compared", 2, 4, true},
        {"size", 0, 68, false},
        {"recipe id", 3, kEgg, false},
        {"slot count", 8, 1, false},
        {"slots in use", 9, 2, false},
        {"unknown product in a slot", 12, kCake, false},
        {"pair past the slot count", 14, kBread, false},
        {"fraction above 1", 13, FloatBits(1.5f), false},
        {"fraction below 0", 13, FloatBits(-0.25f), false},
        {"fraction not a number", 13, FloatBits(nan), false},
        {"more products in a run than its slots make in the clock's run", 1, kMaxProducedInARun + 1u, false},
    };
    for (const Case& c : cases) {
        TestBakeryLevel l(2);
        std::vector<uint8_t> bytes = good;
        PutU32(bytes.data(), 4 * c.word, c.value);
        SaveReader in(bytes);
        EXPECT_EQ(l.Bakery()->LoadOwn(in), c.loads) << c.what;
        if (!c.loads) {
            EXPECT_TRUE(in.Failed()) << c.what;
            continue;
        }
        EXPECT_EQ(l.Bakery()->SlotsInUse(), 1) << c.what;
        EXPECT_EQ(l.Bakery()->GetSlot(0).recipe, nullptr) << c.what;
        EXPECT_FLOAT_EQ(l.Bakery()->GetSlot(1).progress, kBreadMs * 0.25f) << c.what;
        EXPECT_EQ(l.Bakery()->ProducedCount(), 3u) << c.what;
        EXPECT_EQ(l.Stock(kWheat), 6u) << c.what; // a loaded slot takes nothing
    }
}

TEST(FactorySaveTest, ALevelSavedDuringProductionLoadsToTheSameBytes) {
    TestBakeryLevel first(2);
    ASSERT_TRUE(first.Bakery()->StartProduction(0, -1, true));
    first.Run(1000);
    ASSERT_TRUE(first.Bakery()->StartProduction(0, -1, true));
    first.Run(500);
    std::unique_ptr<SaveBuffer> saved = first.level->Save();
    ASSERT_NE(saved, nullptr);
    const std::vector<uint8_t> bytes(saved->Data().begin(), saved->Data().end());

    TestBakeryLevel second(2);
    std::string why;
    ASSERT_TRUE(second.level->Load(bytes, &why)) << why;
    for (int32_t s = 0; s < 2; ++s)
        EXPECT_NEAR(second.Bakery()->GetSlot(s).progress, first.Bakery()->GetSlot(s).progress, 0.5f) << s;
    std::unique_ptr<SaveBuffer> again = second.level->Save();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(again->Data().begin(), again->Data().end()), bytes);

    // Both slots finish on the loaded level.
    second.Run(kBreadMs);
    EXPECT_EQ(second.Stock(kBread), 2u);
}

// A hit hides the production buttons; a bakery saved with its puddle comes
// back without them (the loaded puddle stops it as the hit did) and gets
// them back with its repair.
TEST(FactorySaveTest, ABakerySavedDamagedLoadsWithoutItsButtonsUntilItIsRepaired) {
    TestBakeryLevel first;
    first.Bakery()->AddDamage(2, false);
    ASSERT_EQ(first.host.productionButtons.count(0), 1u);
    EXPECT_TRUE(first.host.productionButtons[0]->hidden);
    std::unique_ptr<SaveBuffer> saved = first.level->Save();
    ASSERT_NE(saved, nullptr);

    TestBakeryLevel second;
    second.host.productionButtons.clear();
    std::string why;
    ASSERT_TRUE(second.level->Load(saved->Data(), &why)) << why;
    EXPECT_EQ(second.Bakery()->Damage(), 2);
    ASSERT_EQ(second.host.productionButtons.count(0), 1u);
    EXPECT_TRUE(second.host.productionButtons[0]->hidden);

    second.host.productionButtons.clear();
    ASSERT_TRUE(second.Bakery()->Repair(true));
    ASSERT_EQ(second.host.productionButtons.count(0), 1u);
    EXPECT_FALSE(second.host.productionButtons[0]->hidden);
    ASSERT_TRUE(second.Bakery()->StartProduction(0, -1, true));
    second.Run(kBreadMs + 100);
    EXPECT_EQ(second.Stock(kBread), 1u) << "the repaired bakery bakes again";
}

TEST(FactorySaveTest, DamagedFactoryRecordsAreRefusedOrReadWithinBounds) {
    TestBakeryLevel l(2);
    ASSERT_TRUE(l.Bakery()->StartProduction(0, -1, true));
    l.Run(700);
    const std::vector<uint8_t> record = SaveRecord(*l.Bakery());
    const std::string good(record.begin(), record.end());
    platform::SeedRand(28);
    int refused = 0;
    const int rounds = testsupport::ForRounds(300, 3000, [&](int round) {
        const std::string bad = testsupport::Damage(good, round);
        TestBakeryLevel fresh(2);
        SaveReader in(std::span(reinterpret_cast<const uint8_t*>(bad.data()), bad.size()));
        if (!fresh.Bakery()->LoadOwn(in)) {
            ++refused;
            return;
        }
        // What loads is whole: slots within the count, progress within the duration.
        const PointFactory& f = *fresh.Bakery();
        int32_t busy = 0;
        for (int32_t s = 0; s < kMaxFactorySlots; ++s) {
            const PointFactory::Slot& slot = f.GetSlot(s);
            if (!slot.recipe) continue;
            ++busy;
            EXPECT_LT(s, f.SlotCount());
            EXPECT_GE(slot.progress, 0.0f);
            EXPECT_LE(slot.progress, slot.duration);
        }
        EXPECT_EQ(busy, f.SlotsInUse());
    });
    EXPECT_GT(rounds, 0);
    EXPECT_GT(refused, 0);
}
