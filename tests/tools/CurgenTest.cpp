#include "foundation/ByteOrder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using testsupport::ReadFileBytes;
using testsupport::TempDir;

// Each pointer file holds one 32 x 32 image of 32 bits with its mask, and the
// hot spot the game expects of that pointer.
TEST(Curgen, WritesTheSevenPointersWithTheirHotSpots) {
    TempDir dir;
    std::string command = std::string("'") + VB_CURGEN + "' '" + dir.Path().string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);

    struct Expected {
        const char* name;
        int hotX, hotY;
    };
    const Expected pointers[] = {{"arrow", 0, 0}, {"hand", 11, 0},    {"arrow_gray", 0, 0}, {"ibeam", 16, 16},
                                 {"pan", 16, 16}, {"pan_on", 16, 16}, {"delete", 16, 16}};
    const size_t imageBytes = 40 + 32 * 32 * 4 + 32 * 4;
    for (const Expected& pointer : pointers) {
        std::string bytes = ReadFileBytes(dir.File(std::string(pointer.name) + ".cur"));
        ASSERT_EQ(bytes.size(), 6 + 16 + imageBytes) << pointer.name;
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        EXPECT_EQ(kis::LoadLE16(data + 2), 2) << pointer.name; // a cursor file
        EXPECT_EQ(kis::LoadLE16(data + 4), 1) << pointer.name;
        EXPECT_EQ(data[6], 32) << pointer.name;
        EXPECT_EQ(kis::LoadLE16(data + 10), pointer.hotX) << pointer.name;
        EXPECT_EQ(kis::LoadLE16(data + 12), pointer.hotY) << pointer.name;
        // The pixel under the hot spot is drawn (rows are stored bottom to top).
        const uint8_t* pixels = data + 22 + 40;
        const size_t row = size_t(31 - pointer.hotY);
        EXPECT_GE(pixels[(row * 32 + size_t(pointer.hotX)) * 4 + 3], 128) << pointer.name;
    }
}

} // namespace
