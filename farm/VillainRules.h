#pragma once
// The fixed rules of a villain's attack and of its shots, as plain functions
// over plain values: where a set-up villain's catapult, launch point and
// obstacle lie for each of its eight directions, how its animation names
// depend on its look, which catapult picture goes with which villain
// animation, how fast a shot flies and how thick its trail is, and how the
// health bar is cut into pieces. The villain and shot classes call these;
// the tests pin them one table at a time.

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kVillainDirections = 8;
constexpr uint32_t kVillainObjectKind = 0x20000110;
constexpr uint32_t kCatapultObjectKind = 0x20000111;
constexpr uint32_t kShotObjectKind = 0x20000010;
constexpr uint32_t kVillainTickMs = 10;
// A countdown has run out when what is left after a tick is at most this.
constexpr float kCountdownEpsilon = 0.1f;
// With one shot left the next decision comes this soon.
constexpr float kLastShotCountdownMs = 300.0f;

enum VillainState : int32_t {
    kVillainArriving = 0,
    kVillainAttacking = 1,
    kVillainLeaving = 2,
    kVillainRunningAway = 3,
    kVillainGone = 4,
    // Set by level 6's tutorial on the attacking villain it shows: it stands
    // by its catapult and does nothing on its own until set back to attacking.
    kVillainTutorialHold = 7,
};
constexpr int32_t kVillainStateCount = 5;

enum CatapultState : int32_t {
    kCatapultHidden = 0,
    kCatapultSetUp = 1,
    kCatapultStanding = 2,
    kCatapultBroken = 3,
};
constexpr int32_t kCatapultStateCount = 4;

struct VillainOffset {
    int32_t x, y;
};
struct VillainRect {
    int32_t x, y, width, height;
};

// Offsets from the install spot, by direction 0..7 (an out-of-range
// direction gives direction 0's).
VillainOffset CatapultOffset(uint32_t direction);
VillainOffset LaunchOffset(uint32_t direction);
VillainRect ObstacleRect(uint32_t direction);

// Takes one tick off a countdown; true when it has run out.
bool RunCountdown(float* countdownMs, uint32_t tickMs = kVillainTickMs);

// The animation a villain of look `kind` plays for a "villain..." name:
// kind 0 plays the name itself, kind k > 0 "villain_<k+1>" and the rest.
std::u16string VillainAnimationName(const char16_t* name, int32_t kind);
// The look-free form of a villain animation name: "villain_2_install_end"
// gives "villain_install_end"; other names come back unchanged.
std::u16string StripVillainLook(const char16_t* name);
// The catapult state that a villain animation calls for, the villain being
// set up and not gone: 1 while installing or shooting, 2 standing (3 while
// running away), 3 angry or running away; -1 leaves the state as it is.
int32_t CatapultStateForAnimation(const char16_t* name, bool runningAway);

// The health bar's place: 40 pixels below an install spot above y 200,
// else 88 pixels above it.
VillainOffset HealthBarPosition(int32_t installX, int32_t installY);
constexpr int32_t kHealthSegmentWidth = 10;

// A shot's speed in pixels per 10-ms tick: its length over the whole ticks
// of the flight time, never above the kind's highest speed; with no whole
// tick the highest speed.
float ShotSpeed(float length, uint32_t flightMs, float maxSpeed);
// The factor of the trail's particle sizes: 1.5 - speed / 2, kept in 0..1.5.
float TrailFactor(float speed);
// Scales a particle size range by the trail factor, rounded, the smaller
// never above the larger.
void ScaleTrailSizes(int32_t* sizeMin, int32_t* sizeMax, float factor);

// ---------------------------------------------------------------- health bar

enum class HealthPiece : uint8_t { LeftEnd, Middle, Half, RightEnd };

struct HealthBarQuad {
    bool filled; // the bar's picture; else the back's
    HealthPiece piece;
    float x, y, width, height;
};

// The widths and heights of the pieces of the two pictures.
struct HealthPieceSizes {
    float endWidth = 6, middleWidth = 10, halfWidth = 5, height = 8;
};

// The quads of a bar of `maximum` segments showing `value` (clamped to
// 0..maximum), its left edge half the nominal width (maximum x 10) plus 6
// pixels left of (x, y), vertically centred. The filled part: a left end,
// a middle piece for each further segment, then the right end when full or
// else a half piece; the empty part: a half piece (a left end when nothing
// is left), middles, and the right end.
std::vector<HealthBarQuad> BuildHealthBar(int32_t maximum, int32_t value, float x, float y,
                                          const HealthPieceSizes& sizes = {});
// The most quads a bar of `maximum` segments ever builds: the room its
// buffer needs.
int32_t HealthBarRoom(int32_t maximum);
