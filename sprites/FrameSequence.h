#pragma once
// Frame sequences: which frame of a run of frames shows after some time.
//
// Play modes: once, once backwards, looping, looping backwards and swinging
// (forwards, then backwards without repeating the end frames).

#include <cstdint>

constexpr uint32_t kPlayOnce = 0;
constexpr uint32_t kPlayOnceBackwards = 1;
constexpr uint32_t kPlayLoop = 2;
constexpr uint32_t kPlayLoopBackwards = 3;
constexpr uint32_t kPlaySwing = 4;

// Six words. The time word is the elapsed time for GetFrameSequenceFrame and
// the start time (game clock) for a sprite instance's sequence.
struct FrameSequence {
    uint32_t mode = 0;
    int32_t first = 0;
    int32_t count = 0;
    uint32_t frameTime = 0; // ms per frame, 0 = still
    uint32_t time = 0;
    int32_t current = 0;
};
static_assert(sizeof(FrameSequence) == 24);

void SetFrameSequence(FrameSequence* sequence, uint32_t mode, int32_t first, int32_t count,
                      uint32_t frameTime, uint32_t time, int32_t current);
// The frame shown after the record's time word as elapsed time; also stored
// in its current-frame word.
int32_t GetFrameSequenceFrame(FrameSequence* sequence);
// The same for a given elapsed time, without storing it.
int32_t FrameSequenceFrameAt(const FrameSequence* sequence, uint32_t elapsed);
// The whole length of a sequence: 0 unless the frame time is non-zero and the
// count positive; (2 x count - 2) x frame time when swinging, else count x
// frame time.
uint32_t GetFrameSequenceDuration(uint32_t mode, int32_t count, uint32_t frameTime);
