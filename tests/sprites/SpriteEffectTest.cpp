#include "sprites/SpriteEffect.h"

#include "engine/Viewer.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

namespace {

using spritetest::TestHost;

// Where the point (x, y) goes under the viewer's transform.
void Map(const DXLViewer& viewer, float x, float y, float* outX, float* outY) {
    const auto& m = viewer.CurrentTransform().m;
    *outX = x * m[0][0] + y * m[1][0] + m[3][0];
    *outY = x * m[0][1] + y * m[1][1] + m[3][1];
}

TEST(SpriteEffect, FirstStepStartsTenMillisecondsBack) {
    TestHost host;
    std::unique_ptr<SpriteEffectQueue> queue;
    auto* effect = new SEffect_Scale(1.0f, 2.0f, 100, true, 0);
    AddSpriteEffect(&queue, effect);
    EXPECT_TRUE(UpdateSpriteEffects(&queue, nullptr));
    EXPECT_FLOAT_EQ(effect->Progress(), 0.1f);
    EXPECT_FLOAT_EQ(queue->scaleX, 1.1f);
    host.game += 40;
    UpdateSpriteEffects(&queue, nullptr);
    EXPECT_FLOAT_EQ(effect->Progress(), 0.5f);
    host.game += 50; // elapsed reaches the duration: a stopping effect ends
    EXPECT_FALSE(UpdateSpriteEffects(&queue, nullptr));
    EXPECT_EQ(queue, nullptr);
}

TEST(SpriteEffect, DelayIsWaitedOutThenTakenOffTheTime) {
    TestHost host;
    std::unique_ptr<SpriteEffectQueue> queue;
    auto* effect = new SEffect_Alpha(0.0f, 1.0f, 200, false, 100);
    AddSpriteEffect(&queue, effect);
    UpdateSpriteEffects(&queue, nullptr); // elapsed 10, waiting
    EXPECT_TRUE(effect->IsWaiting());
    EXPECT_EQ(queue->mask, 0u);
    EXPECT_EQ(queue->colour, 0xFFFFFFFFu);
    host.game += 140; // elapsed 150: 50 past the delay
    UpdateSpriteEffects(&queue, nullptr);
    EXPECT_FALSE(effect->IsWaiting());
    EXPECT_EQ(effect->Elapsed(), 50u);
    EXPECT_EQ(queue->mask, kEffectColour);
    EXPECT_EQ(queue->colour >> 24, 64u); // 0.25 of 255, rounded
    host.game += 1000;                   // no stop flag: it stays at the end
    EXPECT_TRUE(UpdateSpriteEffects(&queue, nullptr));
    EXPECT_EQ(effect->Elapsed(), 200u);
    EXPECT_EQ(effect->RawElapsed(), 1050u); // the delay is not part of it
}

TEST(SpriteEffect, QueueMovesTurnsScalesAndMovesAgainInThatOrder) {
    TestHost host;
    DXLViewer viewer;
    std::unique_ptr<SpriteEffectQueue> queue;
    AddSpriteEffect(&queue, new SEffect_Pos(10.0f, 20.0f, 10.0f, 20.0f, 0, false, 0));
    AddSpriteEffect(&queue, new SEffect_Scale(2.0f, 2.0f, 0, false, 0));
    AddSpriteEffect(&queue, new SEffect_DisCenter(1000, 5, 5, 0));
    viewer.ResetTransform();
    UpdateSpriteEffects(&queue, &viewer);
    EXPECT_EQ(queue->mask, kEffectOffset | kEffectScale | kEffectOffset2);
    EXPECT_EQ(queue->colour, 0xFFFFFFFFu) << "no colour bit: white";
    float x, y;
    // offset (15, 25), then scale 2, then the second offset (-5, -5):
    // (0, 0) -> (15, 25) + 2 * (-5, -5); the scaling centre is (5, 5).
    Map(viewer, 0, 0, &x, &y);
    EXPECT_FLOAT_EQ(x, 5.0f);
    EXPECT_FLOAT_EQ(y, 15.0f);
    Map(viewer, 5, 5, &x, &y);
    EXPECT_FLOAT_EQ(x, 15.0f);
    EXPECT_FLOAT_EQ(y, 25.0f);
}

TEST(SpriteEffect, ApplyEffectAlphaTakesTheQueueAlphaOnlyWithTheColourBit) {
    TestHost host;
    EXPECT_EQ(ApplyEffectAlpha(nullptr, 0x00123456), 0xFF123456u);
    std::unique_ptr<SpriteEffectQueue> queue;
    AddSpriteEffect(&queue, new SEffect_Scale(1.0f, 2.0f, 100, false, 0));
    UpdateSpriteEffects(&queue, nullptr);
    EXPECT_EQ(ApplyEffectAlpha(queue.get(), 0x10123456), 0xFF123456u);
    AddSpriteEffect(&queue, new SEffect_Alpha(0.5f, 0.5f, 100, false, 0));
    UpdateSpriteEffects(&queue, nullptr);
    EXPECT_EQ(ApplyEffectAlpha(queue.get(), 0x10123456), 0x80123456u);
}

TEST(SpriteEffect, EachKindWritesItsChannelAtMidway) {
    TestHost host;
    struct Case {
        const char* name;
        SpriteEffect* effect;
        uint32_t mask;
        float scale;
        uint32_t colour;
    };
    // First stepped at game time 1000 (10 ms in), then at 1040: 50 of 100 ms.
    const Case cases[] = {
        {"scale", new SEffect_Scale(1.0f, 3.0f, 100, true, 0), kEffectScale, 2.0f, 0xFFFFFFFF},
        {"to and back", new SEffect_PPScale(1.0f, 3.0f, 100, true, 0), kEffectScale, 3.0f, 0xFFFFFFFF},
        {"one swing", new SEffect_SinScale(1.0f, 3.0f, 0, 100, true, 0), kEffectScale, 3.0f, 0xFFFFFFFF},
        {"two swings", new SEffect_SinScale(1.0f, 3.0f, 2, 100, true, 0), kEffectScale, 1.0f, 0xFFFFFFFF},
        {"colour", new SEffect_Color(0xFF000000, 0xFFFF00FE, 100, true, 0), kEffectColour, 1.0f, 0xFF80007F},
        {"gradient", new SEffect_Gradient(true, 0, {{0xFF000000, 0}, {0xFFFFFFFF, 40}, {0xFF0000FF, 100}}),
         kEffectColour, 1.0f, 0xFFD5D5FF},
        {"wait", new SEffect_Wait(100), 0, 1.0f, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        std::unique_ptr<SpriteEffectQueue> queue;
        host.game = 1000;
        AddSpriteEffect(&queue, c.effect);
        UpdateSpriteEffects(&queue, nullptr);
        host.game = 1040;
        ASSERT_TRUE(UpdateSpriteEffects(&queue, nullptr)) << c.name;
        EXPECT_EQ(queue->mask, c.mask) << c.name;
        EXPECT_NEAR(queue->scaleX, c.scale, 1e-4) << c.name;
        EXPECT_EQ(queue->colour, c.colour) << c.name;
    }
}

TEST(SpriteEffect, BuildAndWaitAlwaysStopAtTheirEnd) {
    TestHost host;
    for (SpriteEffect* effect : {static_cast<SpriteEffect*>(new SEffect_Build(100, 0)),
                                 static_cast<SpriteEffect*>(new SEffect_Wait(100)),
                                 static_cast<SpriteEffect*>(new SEffect_DisCenter(100, 1, 2, 0))}) {
        std::unique_ptr<SpriteEffectQueue> queue;
        AddSpriteEffect(&queue, effect);
        EXPECT_TRUE(UpdateSpriteEffects(&queue, nullptr));
        host.game += 100;
        EXPECT_FALSE(UpdateSpriteEffects(&queue, nullptr));
    }
}

TEST(SpriteEffect, JoiningASecondQueueLeavesTheFirst) {
    TestHost host;
    std::unique_ptr<SpriteEffectQueue> first, second;
    auto* effect = new SEffect_Scale(1.0f, 2.0f, 100, true, 0);
    AddSpriteEffect(&first, effect);
    AddSpriteEffect(&first, new SEffect_Wait(500));
    AddSpriteEffect(&second, effect);
    EXPECT_EQ(first->Count(), 1);
    EXPECT_EQ(second->Count(), 1);
    EXPECT_EQ(effect->GetQueue(), second.get());
    first.reset(); // must not delete the effect that moved
    UpdateSpriteEffects(&second, nullptr);
    EXPECT_FLOAT_EQ(second->scaleX, 1.1f);
}

// An effect whose step deletes the queue that runs it, as an owner reacting
// to an effect can.
class DeletingEffect : public SpriteEffect {
  public:
    explicit DeletingEffect(std::unique_ptr<SpriteEffectQueue>* holder)
        : SpriteEffect(0, false, 0, 0), holder_(holder) {}
    std::unique_ptr<SpriteEffect> Clone() const override { return nullptr; }
    bool Step() override {
        holder_->reset();
        return true;
    }

  private:
    std::unique_ptr<SpriteEffectQueue>* holder_;
};

TEST(SpriteEffect, QueueDeletedByAnEffectsStepIsNotTouchedAgain) {
    TestHost host;
    std::unique_ptr<SpriteEffectQueue> queue;
    AddSpriteEffect(&queue, new DeletingEffect(&queue));
    AddSpriteEffect(&queue, new SEffect_Wait(100));
    EXPECT_FALSE(UpdateSpriteEffects(&queue, nullptr)); // the sanitizer watches for the freed queue
    EXPECT_EQ(queue, nullptr);
}

TEST(SpriteEffect, TimeOverrideReplacesTheGameClock) {
    TestHost host;
    uint32_t own = 0;
    std::unique_ptr<SpriteEffectQueue> queue = std::make_unique<SpriteEffectQueue>();
    queue->timeOverride = &own;
    auto* effect = new SEffect_Scale(1.0f, 2.0f, 100, true, 0);
    AddSpriteEffect(&queue, effect);
    UpdateSpriteEffects(&queue, nullptr);
    own += 40;
    host.game += 1000;
    UpdateSpriteEffects(&queue, nullptr);
    EXPECT_FLOAT_EQ(effect->Progress(), 0.5f);
    effect->SetElapsed(90);
    UpdateSpriteEffects(&queue, nullptr);
    EXPECT_FLOAT_EQ(effect->Progress(), 0.9f);
    effect->Restart(20);
    UpdateSpriteEffects(&queue, nullptr);
    EXPECT_TRUE(effect->IsWaiting());
    std::unique_ptr<SpriteEffect> copy = effect->Clone();
    EXPECT_EQ(copy->GetQueue(), nullptr);
    EXPECT_EQ(copy->Duration(), 100u);
}

} // namespace
