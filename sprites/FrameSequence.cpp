#include "sprites/FrameSequence.h"

#include <algorithm>

void SetFrameSequence(FrameSequence* sequence, uint32_t mode, int32_t first, int32_t count,
                      uint32_t frameTime, uint32_t time, int32_t current) {
    if (!sequence) return;
    *sequence = {mode, first, count, frameTime, time, current};
}

int32_t GetFrameSequenceFrame(FrameSequence* sequence) {
    if (!sequence) return 0;
    sequence->current = FrameSequenceFrameAt(sequence, sequence->time);
    return sequence->current;
}

int32_t FrameSequenceFrameAt(const FrameSequence* sequence, uint32_t elapsed) {
    if (!sequence) return 0;
    const FrameSequence& s = *sequence;
    if (elapsed == 0 || s.frameTime == 0 || s.count < 2 || s.mode > kPlaySwing) return s.first;
    const uint32_t i = elapsed / s.frameTime;
    const uint32_t count = uint32_t(s.count);
    uint32_t index = 0;
    switch (s.mode) {
    case kPlayOnce:
        index = std::min(i, count - 1);
        break;
    case kPlayOnceBackwards:
        index = count - 1 - std::min(i, count - 1);
        break;
    case kPlayLoop:
        index = i % count;
        break;
    case kPlayLoopBackwards:
        index = count - 1 - i % count;
        break;
    default: { // swinging: a period of 2 x count - 2 frames
        const uint32_t period = 2 * count - 2;
        const uint32_t j = i % period;
        index = j >= count ? period - j : j;
    }
    }
    return s.first + int32_t(index);
}

uint32_t GetFrameSequenceDuration(uint32_t mode, int32_t count, uint32_t frameTime) {
    if (frameTime == 0 || count <= 0) return 0;
    const uint32_t frames = mode == kPlaySwing ? 2 * uint32_t(count) - 2 : uint32_t(count);
    return frames * frameTime;
}
