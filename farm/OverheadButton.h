#pragma once
// The overhead button of a factory or an animal house, and the sound
// constants of the building points: what the farm host (farm/FarmHost.h)
// hands the buildings for their buttons and sounds.

#include <cstdint>

// Sound category of the level's event sounds.
constexpr uint32_t kFactorySoundCategory = 0x41000000;
// The event-sound slot of a production start.
constexpr uint32_t kProductionStartSound = 2;
// Loop mode: the sample's own.
constexpr int32_t kSoundLoopAsLoaded = -1;

// An overhead button of a factory (a production button or a slot button);
// the level interface owns its screen sprite, the factory owns this handle.
class OverheadButton {
  public:
    virtual ~OverheadButton() = default;
    virtual void SetEnabled(bool enabled) = 0;
    // A slot button's fill, 0..1.
    virtual void SetProgress(float fraction) = 0;
    // Hides the button (animated: after the delay, in 200 ms) and lets go of
    // its screen sprite.
    virtual void Hide(bool animated, uint32_t delay) = 0;
    // The button's screen rectangle in field coordinates.
    virtual void GetRect(int32_t* left, int32_t* top, int32_t* width, int32_t* height) const = 0;
};
