#pragma once
#include <cstdint>

// The built-in single-byte code-page tables (CodePageTables.cpp); used only by
// the code-page layer itself.
namespace platform::detail {

constexpr int kSingleByteTableCount = 10;
extern const uint32_t kSingleByteCodePages[kSingleByteTableCount];
extern const uint16_t kSingleByteHighHalves[kSingleByteTableCount][128];

} // namespace platform::detail
