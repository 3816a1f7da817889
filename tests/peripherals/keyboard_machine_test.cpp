// The whole path on the running machine: typed text becomes key bytes that a 68000
// interrupt handler receives through the keyboard ACIA and the MFP.
#include <gtest/gtest.h>

#include "bus/hardware_state.h"
#include "bus/memory_map.h"
#include "frontend/run_loop.h"
#include "frontend/scripted_input.h"
#include "support/test_machine.h"

TEST(KeyboardMachine, TypedTextReachesTheInterruptHandlerCompleteAndInOrder) {
    TestMachineSetup setup;
    setup.rom = m68kProgramPath("kbd_irq");
    startTestMachine(setup);
    scriptedInputClear();
    std::string error;
    ASSERT_TRUE(scriptTypeText("Hi!", int(framesEmulated) + 5, error)) << error;
    runTestFrames(5 + 3 * TYPE_FRAMES_PER_CHARACTER + 5);

    std::vector<uint8_t> received;
    for (uint32_t i = 0; i < peekWord(0x600) && i < 64; ++i) received.push_back(stReadByte(hw.ram, 0x602 + i));
    EXPECT_EQ(received, (std::vector<uint8_t>{0xF0,                    // reset answer
                                              0x2A, 0x23, 0xA3, 0xAA,  // H
                                              0x17, 0x97,              // i
                                              0x2A, 0x02, 0x82, 0xAA}));  // !
    scriptedInputClear();
    stopTestMachine();
}
