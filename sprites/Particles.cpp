#include "sprites/Particles.h"

#include "engine/Texture.h"
#include "foundation/Ident.h"
#include "platform/Random.h"
#include "sprites/Gradient.h"
#include "sprites/Sprite.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kDefaultMaxParticles = 256;
constexpr float kDegrees = 3.14159265f / 180.0f;

// 0..1 from the game's generator.
float Random01() {
    return float(platform::Rand()) / float(platform::kRandMax);
}

float RandomBetween(float a, float b) {
    return a + (b - a) * Random01();
}

} // namespace

// ---------------------------------------------------------------- library

const GPSDescription* GPSClass::Find(uint32_t id) const {
    if (id == 0) return nullptr;
    for (const GPSDescription& d : descriptions_)
        if (d.record.id == id) return &d;
    return nullptr;
}

const GPSDescription* FindParticleDescription(const GPSClass* library, uint32_t id) {
    return library ? library->Find(id) : nullptr;
}

const GPSDescription* FindParticleDescription(const GPSClass* library, const char16_t* name) {
    return name ? FindParticleDescription(library, kis::NameId(name)) : nullptr;
}

// ---------------------------------------------------------------- emitter

GPSEmiter::GPSEmiter(GPSSpace* space, const GPSDescription& description, const GPSEmission* params, float x,
                     float y)
    : space_(space), description_(description), x_(x), y_(y) {
    if (params) {
        emission_ = *params;
        hasEmission_ = true;
    } else if (description.record.flags & kGPSOwnEmission) {
        emission_ = description.record.emission;
        hasEmission_ = true;
    }
    finished_ = !hasEmission_ || description.record.lifetime == 0 || !description.sprite;
    delayLeft_ = emission_.startDelay;
}

void GPSEmiter::StartEmitting() {
    if (finished_ || state_ == kEndless) return;
    if (state_ == kIdle) {
        delayLeft_ = emission_.startDelay;
        cycleTime_ = 0;
        pending_ = 0.0f;
    }
    state_ = kEndless;
}

void GPSEmiter::StopEmitting(bool atOnce) {
    if (finished_ || state_ != kEndless) return;
    state_ = !atOnce && emission_.emissionLength > 0 ? kCycle : kIdle;
}

// One step of emission: the start delay first, then rate x time particles
// (fractions carried to the next step), up to the emitter's live limit.
void GPSEmiter::Step(uint32_t ms) {
    if (finished_ || state_ == kIdle) return;
    if (delayLeft_ > 0) {
        const uint32_t used = std::min(delayLeft_, ms);
        delayLeft_ -= used;
        ms -= used;
        if (ms == 0) return;
    }
    cycleTime_ += ms;
    pending_ += emission_.rate * float(ms) / 1000.0f;
    const uint32_t limit =
        description_.record.maxParticles ? description_.record.maxParticles : kDefaultMaxParticles;
    while (pending_ >= 1.0f) {
        pending_ -= 1.0f;
        if (uint32_t(live_) < limit) space_->Emit(*this);
    }
    if (emission_.emissionLength > 0 && cycleTime_ >= uint32_t(emission_.emissionLength)) {
        cycleTime_ %= uint32_t(emission_.emissionLength);
        if (state_ == kCycle) {
            state_ = kIdle;
            pending_ = 0.0f;
        }
    }
}

// ---------------------------------------------------------------- space

GPSSpace::GPSSpace() = default;
GPSSpace::~GPSSpace() = default;

// Room for the emitter's most live particles is made now, so that the
// frames after it allocate nothing.
GPSEmiter* GPSSpace::AddEmitter(const GPSDescription& description, const GPSEmission* params, float x,
                                float y) {
    const uint32_t limit =
        description.record.maxParticles ? description.record.maxParticles : kDefaultMaxParticles;
    particles_.reserve(particles_.size() + limit);
    quads_.reserve(particles_.capacity());
    emitters_.push_back(std::make_unique<GPSEmiter>(this, description, params, x, y));
    return emitters_.back().get();
}

void GPSSpace::Emit(GPSEmiter& emitter) {
    const GPSEmission& e = emitter.emission_;
    const float direction = (e.angle + RandomBetween(-0.5f, 0.5f) * e.spread) * kDegrees;
    const float speed = RandomBetween(e.speedMin, e.speedMax);
    const int32_t lifetime = emitter.description_.record.lifetime;
    GPSParticle p;
    p.x = emitter.x_;
    p.y = emitter.y_;
    p.vx = std::cos(direction) * speed;
    p.vy = std::sin(direction) * speed;
    p.size0 = RandomBetween(float(std::min(e.sizeMin, e.sizeMax)), float(std::max(e.sizeMin, e.sizeMax)));
    p.age = 0;
    p.life = lifetime < 0 ? 0
                          : uint32_t(lifetime) +
                                (e.lifeVariance ? uint32_t(platform::Rand()) % (e.lifeVariance + 1) : 0);
    p.emitter = &emitter;
    particles_.push_back(p);
    ++emitter.live_;
}

void GPSSpace::Step(uint32_t ms) {
    const float dt = float(ms) / 1000.0f;
    // Ageing and moving; the dead are overwritten by the living in one pass.
    size_t kept = 0;
    for (size_t i = 0; i < particles_.size(); ++i) {
        GPSParticle p = particles_[i];
        const GPSEmission& e = p.emitter->emission_;
        p.age += ms;
        if (p.life != 0 && p.age >= p.life) {
            --p.emitter->live_;
            continue;
        }
        p.x += p.vx * dt;
        p.y += p.vy * dt;
        p.vx += e.accelX * dt;
        p.vy += e.accelY * dt;
        particles_[kept++] = p;
    }
    particles_.resize(kept);
    for (auto& emitter : emitters_)
        emitter->Step(ms);
}

void GPSSpace::Update(uint32_t ms) {
    const float scaled = float(ms) * timeScale + carry_;
    if (!(scaled > 0.0f)) return;
    uint32_t left = uint32_t(scaled);
    carry_ = scaled - float(left);
    for (; left >= kGPSStepMs; left -= kGPSStepMs)
        Step(kGPSStepMs);
    if (left > 0) Step(left);
    // A finished emitter goes once its particles have died: they read their
    // motion and looks from it.
    std::erase_if(emitters_,
                  [](const std::unique_ptr<GPSEmiter>& e) { return e->finished_ && e->live_ == 0; });
}

void GPSSpace::ClearParticles() {
    particles_.clear();
    for (auto& emitter : emitters_)
        emitter->live_ = 0;
}

void GPSSpace::StartEmitters() {
    for (auto& emitter : emitters_)
        emitter->StartEmitting();
}

void GPSSpace::StopEmitters(bool atOnce) {
    for (auto& emitter : emitters_)
        emitter->StopEmitting(atOnce);
}

void GPSSpace::SetAlpha(float alpha) {
    alpha_ = alpha > 0.0f ? std::min(alpha, 1.0f) : 0.0f;
}

// Particles of one emitter share a texture and a blend mode, so each run of
// them goes to the device as one batch of quads built in space coordinates.
void GPSSpace::Draw(DXLViewer& viewer) {
    if (particles_.empty() || alpha_ <= 0.0f) return;
    viewer.ApplyTransform();
    size_t i = 0;
    while (i < particles_.size()) {
        GPSEmiter* emitter = particles_[i].emitter;
        const GPSDescriptionRecord& d = emitter->description_.record;
        Sprite* sprite = emitter->description_.sprite;
        const TexturedQuad* frame = sprite ? sprite->GetFrameQuad(0) : nullptr;
        quads_.clear();
        for (; i < particles_.size() && particles_[i].emitter == emitter; ++i) {
            if (!frame) continue;
            const GPSParticle& p = particles_[i];
            const float t = p.life ? float(p.age) / float(p.life) : 0.0f;
            const float half = 0.5f * p.size0 * (1.0f + (d.deathSize - 1.0f) * t);
            uint32_t colour = BlendArgb(d.birthColour, d.deathColour, t);
            colour = (colour & 0x00FFFFFF) | uint32_t(float(colour >> 24) * alpha_) << 24;
            TexturedQuad q = *frame;
            const float xs[4] = {p.x - half, p.x + half, p.x + half, p.x - half};
            const float ys[4] = {p.y - half, p.y - half, p.y + half, p.y + half};
            for (int k = 0; k < 4; ++k) {
                q.v[k].x = xs[k];
                q.v[k].y = ys[k];
                q.v[k].colour = colour;
            }
            quads_.push_back(q);
        }
        if (quads_.empty()) continue;
        SetCurrentTexture(sprite->GetTexture());
        viewer.SetBlendMode(d.blendMode <= kBlendInvert ? d.blendMode : kBlendAlpha);
        viewer.DrawTexturedQuads(uint32_t(quads_.size()), quads_.data());
    }
}
