// The keyboard ACIA registers through the I/O dispatch, the host input layer and the
// key code tables.
#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "support/fake_input.h"
#include "peripherals/mfp.h"
#include "support/test_machine.h"

TEST_F(KeyboardTest, AciaRegistersAndCommandBytes) {
    setUpMemoryMap();
    auto readByte = [](uint32_t a) { return ioReadByte(a, nullptr, 0); };
    auto writeByte = [](uint32_t a, uint8_t v) { ioWriteByte(a, v, nullptr, 0); };
    hw.acia[0] = 0;
    EXPECT_EQ(readByte(0xFFFC00), 0x02) << "transmit empty always reads set";
    writeByte(0xFFFC00, 0x96);
    EXPECT_EQ(hw.acia[0], 0x96);

    // A delivered byte, as the scheduler leaves it.
    hw.acia[0] = 0x81;
    hw.acia[2] = 0x1E;
    hw.mfp[MFP_GPIP] = 0x00;
    EXPECT_EQ(readByte(0xFFFC00), 0x83);
    EXPECT_EQ(readByte(0xFFFC02), 0x1E);
    EXPECT_EQ(hw.acia[0], 0x00);
    EXPECT_EQ(hw.mfp[MFP_GPIP], MFP_GPIP_ACIA) << "interrupt line released";

    EXPECT_EQ(ioReadWord(0xFFFC00, nullptr, 0), 0xFFFFu) << "no word access";
    ioWriteWord(0xFFFC02, 0x8001, nullptr, 0);
    EXPECT_FALSE(ikbdQueueHasByte());

    writeByte(0xFFFC02, 0x80);  // command bytes reach the keyboard processor
    writeByte(0xFFFC02, 0x01);
    EXPECT_EQ(drainQueue(), std::vector<uint8_t>{0xF0});
    writeByte(0xFFFC04, 0x13);  // the MIDI ACIA is storage
    writeByte(0xFFFC06, 0x57);
    EXPECT_TRUE(readByte(0xFFFC04) == 0x13 && readByte(0xFFFC06) == 0x57);
}

TEST_F(KeyboardTest, FailedReadsKeepTheStateAndReacquire) {
    press(30);
    pollInputDevices();
    fake.keyboardFails = true;
    press(30, false);
    int before = fake.acquires;
    pollInputDevices();
    EXPECT_TRUE(hostKeyDown(30) && keyDown(30));
    EXPECT_FALSE(hostKeyWentDown(30)) << "the failed poll reports no change";
    EXPECT_EQ(fake.acquires, before + 1);

    fake.keyboardFails = false;
    fake.mouse = {7, 8, 0, {0x80, 0, 0, 0}};
    fake.mouseFails = true;
    pollInputDevices();
    MouseReport m = takeMouseReport();
    EXPECT_TRUE(m.dx == 0 && m.left == 0 && fake.acquires == before + 2);
}

TEST(ScanCodes, TableEntriesAndArrowOption) {
    for (int code : {1, 29, 30, 54, 56, 68}) EXPECT_EQ(ScanCodeTable[code], code);
    struct { int key, st; } listed[] = {{55, 102}, {70, 97}, {183, 98}, {157, 29}, {199, 72}, {211, 75},
                                        {209, 77}, {207, 80}, {210, 82}, {201, 83}, {181, 101}, {71, 103},
                                        {73, 105}, {79, 109}, {82, 112}, {74, 74}, {78, 78}};
    for (auto e : listed) EXPECT_EQ(ScanCodeTable[e.key], e.st) << "host key " << e.key;
    for (int none : {0, 69, 83, 87, 88, 156}) EXPECT_EQ(ScanCodeTable[none], 0) << "host key " << none;

    struct { int key, st; } arrows[] = {{KEY_UP, 72}, {KEY_DOWN, 80}, {KEY_LEFT, 75}, {KEY_RIGHT, 77}};
    for (uint32_t option : {0, 1}) {
        machineSettings.arrowForJoystick = option;
        applyArrowMapping();
        for (auto e : arrows) EXPECT_EQ(ScanCodeTable[e.key], option ? 0 : e.st) << "host key " << e.key;
    }
}

TEST(ScanCodes, SdlScancodesGiveDirectInputCodes) {
    struct { int sdl, key; } pairs[] = {{4, 30}, {29, 44}, {39, 11}, {40, 28}, {53, 41}, {67, 68}, {68, 87},
                                        {69, 88}, {76, 211}, {82, 200}, {88, 156}, {228, 157}, {230, 184}};
    for (auto p : pairs) EXPECT_EQ(keyCodeFromSdlScancode(p.sdl), p.key) << "SDL scancode " << p.sdl;
    for (int none : {0, 3, 300, 511, 512, -1}) EXPECT_EQ(keyCodeFromSdlScancode(none), 0);
}
