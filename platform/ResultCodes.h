#pragma once
#include <cstdint>

namespace platform {

// Results of the graphics device, shaped like the codes the engine compares:
// negative (top bit set) means failure, 0 success. The values are the ones the
// engine stores and logs, so they keep their historical numbers.
using Result = int32_t;

constexpr Result kOk = 0;
constexpr Result kErrDeviceLost = static_cast<Result>(0x88760868u);
constexpr Result kErrDeviceNotReset = static_cast<Result>(0x88760869u);
constexpr Result kErrNotAvailable = static_cast<Result>(0x8876086Au);
constexpr Result kErrInvalidCall = static_cast<Result>(0x8876086Cu);
constexpr Result kErrDriverInternal = static_cast<Result>(0x88760827u);
constexpr Result kErrOutOfMemory = static_cast<Result>(0x8007000Eu);

constexpr bool Failed(Result r) {
    return r < 0;
}
constexpr bool Succeeded(Result r) {
    return r >= 0;
}

} // namespace platform
