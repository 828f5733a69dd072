#pragma once
// The particle system: descriptions (from the sprite pack), particle spaces
// that hold emitters and their particles, stepped in fixed 10 ms steps.

#include "engine/Viewer.h"

#include <cstdint>
#include <memory>
#include <vector>

class Sprite;
class SpriteLibrary;

// The emission parameters: words 4-15 of a description.
struct GPSEmission {
    int32_t emissionLength; // ms: > 0 one cycle, <= 0 none
    uint32_t startDelay;    // ms
    float rate;             // particles per second
    uint32_t lifeVariance;  // ms
    int32_t sizeMin, sizeMax;
    float angle, spread; // degrees
    float speedMin, speedMax;
    float accelX, accelY;
};
static_assert(sizeof(GPSEmission) == 48);

// A description as stored (128 bytes).
struct GPSDescriptionRecord {
    uint32_t id; // the name id of its name, not 0
    uint32_t flags;
    uint32_t sprite;  // index into the library's sprites
    int32_t lifetime; // ms: 0 finished at once, < 0 endless
    GPSEmission emission;
    float deathSize; // size factor at death
    uint32_t birthColour, deathColour;
    uint32_t blendMode;
    uint32_t maxParticles; // 0 = 256
    uint32_t reserved[11];
};
static_assert(sizeof(GPSDescriptionRecord) == 128);
constexpr uint32_t kGPSOwnEmission = 1;

// A description with its resolved sprite; copied whole by callers that change it.
struct GPSDescription {
    GPSDescriptionRecord record = {};
    Sprite* sprite = nullptr; // owned by its library
};

constexpr uint32_t kGPSStepMs = 10;

// The particle library: every description of every sprite library.
class GPSClass {
  public:
    void Add(const GPSDescription& description) { descriptions_.push_back(description); }
    void Clear() { descriptions_.clear(); }
    const GPSDescription* Find(uint32_t id) const;
    int32_t Count() const { return int32_t(descriptions_.size()); }

  private:
    std::vector<GPSDescription> descriptions_;
};

// Null for id 0 or when absent.
const GPSDescription* FindParticleDescription(const GPSClass* library, uint32_t id);
// By name, through the name id.
const GPSDescription* FindParticleDescription(const GPSClass* library, const char16_t* name);

class GPSEmiter;

struct GPSParticle {
    float x, y, vx, vy;
    float size0;
    uint32_t age, life; // ms
    GPSEmiter* emitter; // outlives its particles (see GPSSpace::Update)
};

class GPSSpace;

class GPSEmiter {
  public:
    enum State : int32_t { kIdle = 0, kCycle = 1, kEndless = 2 };

    // Made by GPSSpace::AddEmitter.
    GPSEmiter(GPSSpace* space, const GPSDescription& description, const GPSEmission* params, float x,
              float y);

    // Endless emission; an idle emitter first gets its start delay back.
    void StartEmitting();
    // For an endless emitter: with atOnce false and a positive emission
    // length it finishes its cycle, otherwise it goes idle.
    void StopEmitting(bool atOnce);
    void SetPosition(float x, float y) { x_ = x, y_ = y; }

    State GetState() const { return state_; }
    bool IsFinished() const { return finished_; }
    int32_t LiveParticles() const { return live_; }
    const GPSDescription& Description() const { return description_; }

  private:
    friend class GPSSpace;
    void Step(uint32_t ms);

    GPSSpace* space_; // the owner
    GPSDescription description_;
    GPSEmission emission_ = {};
    bool hasEmission_ = false;
    bool finished_ = false;
    State state_ = kIdle;
    float x_, y_;
    uint32_t delayLeft_ = 0;
    uint32_t cycleTime_ = 0;
    float pending_ = 0.0f; // fractional particles owed
    int32_t live_ = 0;
};

class GPSSpace {
  public:
    GPSSpace();
    ~GPSSpace();

    // A new emitter of this space (owned by it until it finishes and Update
    // deletes it); see GPSEmiter.
    GPSEmiter* AddEmitter(const GPSDescription& description, const GPSEmission* params, float x, float y);
    // Advances by ms times the time scale in whole steps, then the rest; then
    // deletes the finished emitters.
    void Update(uint32_t ms);
    // Draws every particle with the space's alpha at the current transform.
    void Draw(DXLViewer& viewer);
    void ClearParticles();
    void StartEmitters();
    void StopEmitters(bool atOnce);
    void SetAlpha(float alpha);
    float GetAlpha() const { return alpha_; }
    float timeScale = 1.0f;

    int32_t ParticleCount() const { return int32_t(particles_.size()); }
    int32_t EmitterCount() const { return int32_t(emitters_.size()); }
    const std::vector<GPSParticle>& Particles() const { return particles_; }

  private:
    friend class GPSEmiter;
    void Step(uint32_t ms);
    void Emit(GPSEmiter& emitter);

    std::vector<std::unique_ptr<GPSEmiter>> emitters_;
    std::vector<GPSParticle> particles_;
    std::vector<TexturedQuad> quads_; // drawing scratch, kept between frames
    float alpha_ = 1.0f;
    float carry_ = 0.0f; // scaled time below one ms
};
