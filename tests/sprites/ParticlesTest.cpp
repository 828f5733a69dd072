#include "sprites/Particles.h"

#include "foundation/Ident.h"
#include "platform/Random.h"
#include "sprites/Sprite.h"

#include <gtest/gtest.h>

namespace {

// A description of a library sprite with its own emission: 100 particles a
// second living 200 ms, a 500 ms cycle.
struct Fixture {
    SpriteLibrary library{8, nullptr};
    GPSDescription description;
    Fixture() {
        MapSprite* sprite = library.AddSprite(u"gas");
        sprite->SetFrames({{0, 0, 8, 8}});
        description.sprite = sprite;
        GPSDescriptionRecord& r = description.record;
        r.id = kis::NameId(u"bullet_gas");
        r.flags = kGPSOwnEmission;
        r.lifetime = 200;
        r.emission = {500, 0, 100.0f, 0, 4, 8, 0.0f, 360.0f, 10.0f, 20.0f, 0.0f, 0.0f};
        r.deathSize = 2.0f;
        r.birthColour = 0xFFFFFFFF;
        r.deathColour = 0x00FFFFFF;
        r.blendMode = 1;
    }
};

TEST(Particles, EmitterWithoutParametersOrLifetimeIsFinishedAtOnce) {
    Fixture f;
    GPSSpace space;
    GPSDescription noParams = f.description;
    noParams.record.flags = 0;
    GPSDescription noLife = f.description;
    noLife.record.lifetime = 0;
    GPSEmiter* a = space.AddEmitter(noParams, nullptr, 0, 0);
    GPSEmiter* b = space.AddEmitter(noLife, nullptr, 0, 0);
    GPSEmiter* c = space.AddEmitter(noParams, &f.description.record.emission, 0, 0);
    EXPECT_TRUE(a->IsFinished());
    EXPECT_TRUE(b->IsFinished());
    EXPECT_FALSE(c->IsFinished()) << "parameters handed in stand for the description's";
    a->StartEmitting();
    EXPECT_EQ(a->GetState(), GPSEmiter::kIdle);
    space.Update(100);
    EXPECT_EQ(space.EmitterCount(), 1) << "finished emitters are deleted by the update";
}

TEST(Particles, StopEmittingFinishesTheCycleOrStopsAtOnce) {
    Fixture f;
    GPSSpace space;
    GPSEmiter* e = space.AddEmitter(f.description, nullptr, 0, 0);
    EXPECT_EQ(e->GetState(), GPSEmiter::kIdle);
    e->StopEmitting(false);
    EXPECT_EQ(e->GetState(), GPSEmiter::kIdle) << "only an endless emitter stops";
    e->StartEmitting();
    EXPECT_EQ(e->GetState(), GPSEmiter::kEndless);
    space.Update(300);
    e->StopEmitting(false);
    EXPECT_EQ(e->GetState(), GPSEmiter::kCycle);
    space.Update(190);
    EXPECT_EQ(e->GetState(), GPSEmiter::kCycle);
    space.Update(10); // 500 ms: the cycle is done
    EXPECT_EQ(e->GetState(), GPSEmiter::kIdle);
    EXPECT_GT(space.ParticleCount(), 0) << "emitted particles live on";
    e->StartEmitting();
    e->StopEmitting(true);
    EXPECT_EQ(e->GetState(), GPSEmiter::kIdle);
    GPSDescription noCycle = f.description;
    noCycle.record.emission.emissionLength = 0;
    GPSEmiter* g = space.AddEmitter(noCycle, nullptr, 0, 0);
    g->StartEmitting();
    g->StopEmitting(false);
    EXPECT_EQ(g->GetState(), GPSEmiter::kIdle);
}

TEST(Particles, RateLifetimeAndTheLiveLimitBoundTheCount) {
    Fixture f;
    platform::SeedRand(7);
    GPSSpace space;
    GPSEmiter* e = space.AddEmitter(f.description, nullptr, 0, 0);
    e->StartEmitting();
    space.Update(100);
    EXPECT_EQ(space.ParticleCount(), 10);
    space.Update(1000); // living 200 ms at 100 a second: 20 alive
    EXPECT_EQ(space.ParticleCount(), 20);
    EXPECT_EQ(e->LiveParticles(), 20);
    GPSDescription limited = f.description;
    limited.record.maxParticles = 5;
    GPSSpace other;
    other.AddEmitter(limited, nullptr, 0, 0)->StartEmitting();
    other.Update(1000);
    EXPECT_EQ(other.ParticleCount(), 5);
    space.ClearParticles();
    EXPECT_EQ(space.ParticleCount(), 0);
    EXPECT_EQ(e->LiveParticles(), 0);
}

TEST(Particles, TimeScaleAndStartDelayStretchTheTime) {
    Fixture f;
    GPSSpace space;
    space.timeScale = 0.5f;
    GPSDescription delayed = f.description;
    delayed.record.emission.startDelay = 30;
    space.AddEmitter(delayed, nullptr, 0, 0)->StartEmitting();
    space.Update(100); // 50 ms scaled, 30 of them the delay
    EXPECT_EQ(space.ParticleCount(), 2);
    space.SetAlpha(3.0f);
    EXPECT_EQ(space.GetAlpha(), 1.0f);
    space.SetAlpha(-1.0f);
    EXPECT_EQ(space.GetAlpha(), 0.0f);
}

TEST(Particles, DescriptionsAreFoundByIdOrName) {
    Fixture f;
    GPSClass library;
    library.Add(f.description);
    EXPECT_EQ(FindParticleDescription(&library, 0u), nullptr);
    EXPECT_EQ(FindParticleDescription(nullptr, f.description.record.id), nullptr);
    ASSERT_NE(FindParticleDescription(&library, u"BULLET_GAS"), nullptr);
    EXPECT_EQ(FindParticleDescription(&library, u"bullet_gas")->sprite, f.description.sprite);
    EXPECT_EQ(FindParticleDescription(&library, u"smoke"), nullptr);
}

} // namespace
