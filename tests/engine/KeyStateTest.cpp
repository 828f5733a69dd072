// A key's state byte as the level's debug keys ask for it: non-zero while
// held, and 0 for codes beyond the 256-entry table.
#include "engine/InputManager.h"
#include "engine/VirtualKeys.h"
#include "platform/headless/HeadlessBackend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

TEST(KeyState, HeldKeysReadNonZeroAndCodesBeyondTheTableReadZero) {
    HeadlessBackend backend{NullAudioDevice::Clocking::Manual};
    InputManager manager{&backend.GetWindow(), &backend.GetInput()};
    ASSERT_TRUE(backend.GetWindow().Create(u"Verbolunde", 320, 200));
    backend.GetWindow().Show();
    ASSERT_EQ(manager.CreateDirectInput(), kResultOk);
    ASSERT_EQ(manager.CreateDevices(3), kResultOk);
    ASSERT_EQ(manager.SetUpDevices(3), kResultOk);
    std::vector<ScriptEvent> events;
    std::string error;
    ASSERT_TRUE(ParseEventScript("10 key down A\n", events, &error)) << error;
    backend.AddEvents(events);
    backend.PumpEventsUntil(20);
    manager.PollDevices(3);

    const DXLKeyboard* keyboard = manager.GetKeyboard();
    EXPECT_NE(keyboard->GetKeyState(kDikA), 0);
    EXPECT_EQ(keyboard->GetKeyState(kDikB), 0);
    EXPECT_EQ(keyboard->GetKeyState(uint16_t(kDikA + 256)), 0) << "no wrap into the table";
    EXPECT_EQ(keyboard->GetKeyState(0xFFFF), 0);
}
