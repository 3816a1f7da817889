// The keyboard processor: its commands, reports and the scan of keys, mouse and joystick.
#include <ctime>

#include "support/fake_input.h"

using Bytes = std::vector<uint8_t>;

// The front end hands the devices' states over, then the keyboard processor scans.
static Bytes scan(int times = 1) {
    pollInputDevices();
    for (int i = 0; i < times; ++i) IkbdScan();
    return drainQueue();
}
static void moveMouse(int dx, int dy) { fake.mouse.dx = dx, fake.mouse.dy = dy; }

TEST_F(KeyboardTest, ResetQueuesOnlyF0AndRestoresTheSettings) {
    sendCommand({0x12, 0x1A, 0x0F, 0x09, 0x02, 0x7F, 0x01, 0x8F});
    ikbdQueuePut(0x42);  // an earlier byte stays: the reset does not empty the queue
    sendCommand({0x80});
    EXPECT_EQ(ikbdQueue.count, 1) << "nothing happens before the parameter";
    sendCommand({0x01});
    EXPECT_EQ(drainQueue(), (Bytes{0x42, 0xF0}));
    EXPECT_TRUE(ikbd.mouseEnabled == 1 && ikbd.joystickEnabled == 1 && ikbd.yOrigin == 1 && ikbd.mouseMode == 0);
    EXPECT_TRUE(ikbd.absoluteMaxX == 319 && ikbd.absoluteMaxY == 199);

    sendCommand({0x03, 0x16});  // the parameter is taken whatever it is
    EXPECT_EQ(drainQueue(), (Bytes{0xF0}));

    sendCommand({0x12, 0x09, 0x02, 0x7F, 0x01, 0x8F});
    ikbdMachineReset();  // enables the mouse and nothing else
    EXPECT_TRUE(ikbd.mouseEnabled == 1 && ikbd.mouseMode == 1 && ikbd.absoluteMaxX == 639);
    EXPECT_FALSE(ikbdQueueHasByte());
}

TEST_F(KeyboardTest, UnknownBytesAreIgnoredSoTheirParametersRunAsCommands) {
    sendCommand({0x21, 0x88, 0x16});  // 0x21 unknown, 0x88 a status inquiry, then 0x16
    EXPECT_EQ(drainQueue(), (Bytes{0xFD, 0x00, 0x00}));
    sendCommand({0x07, 0x12});  // 0x12 is the parameter of 0x07, not "disable mouse"
    EXPECT_TRUE(ikbd.mouseEnabled == 1 && ikbd.mouseButtonAction == 0x12);
}

TEST_F(KeyboardTest, AbsolutePositionStaysInsideTheMaximumsWhateverTheMode) {
    sendCommand({0x09, 0x02, 0x7F, 0x01, 0x8F});  // 639 x 399
    moveMouse(5000, 700);
    EXPECT_TRUE(scan().empty()) << "no relative packets in absolute mode";
    EXPECT_TRUE(ikbd.absoluteX == 639 && ikbd.absoluteY == 399);
    sendCommand({0x12});  // mouse disabled: the position still follows
    moveMouse(-100000, -20);
    EXPECT_TRUE(scan().empty());
    EXPECT_TRUE(ikbd.absoluteX == 0 && ikbd.absoluteY == 379);

    sendCommand({0x0E, 0x00, 0x01, 0x02, 0x00, 0x03, 0x0D});  // load X 258, Y 3; report
    EXPECT_EQ(drainQueue(), (Bytes{0xF7, 0x00, 0x01, 0x02, 0x00, 0x03}));
}

TEST_F(KeyboardTest, AbsoluteReportFlagsButtonChangesSinceTheLastReport) {
    sendCommand({0x09, 0x01, 0x3F, 0x00, 0xC7});
    auto reportedButtons = [](uint8_t left, uint8_t right) {
        fake.mouse.buttons[0] = left, fake.mouse.buttons[1] = right;
        scan();
        sendCommand({0x0D});
        return drainQueue()[1];
    };
    EXPECT_EQ(reportedButtons(0x80, 0), 0x04);
    EXPECT_EQ(reportedButtons(0x80, 0), 0x00) << "no change since the previous report";
    EXPECT_EQ(reportedButtons(0, 0x80), 0x08 | 0x01);
    EXPECT_EQ(reportedButtons(0, 0), 0x02);
}

// The clock counts emulated time: 801 scans of 10,016 cycles pass one second of the
// 68000's 8,021,247 cycles. The "set time" command takes packed BCD and leaves a field
// whose digits are not BCD as it was.
TEST_F(KeyboardTest, TimeOfDayClockCountsEmulatedSecondsAndTakesTheSetTimeCommand) {
    auto utc = [](int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day, t.tm_hour = hour, t.tm_min = minute,
        t.tm_sec = second;
        return int64_t(timegm(&t));
    };
    const struct {
        const char* what;
        int64_t start;
        Bytes setTime;
        int seconds;  // of emulated time before the report
        Bytes report;
    } cases[] = {
        {"the start", utc(2003, 7, 21, 14, 5, 9), {}, 0, {0xFC, 0x03, 0x07, 0x21, 0x14, 0x05, 0x09}},
        {"a carry into the year", utc(1999, 12, 31, 23, 59, 59), {}, 1, {0xFC, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00}},
        {"a leap day", utc(2024, 2, 28, 23, 59, 59), {}, 1, {0xFC, 0x24, 0x02, 0x29, 0x00, 0x00, 0x00}},
        {"no leap day", utc(2023, 2, 28, 23, 59, 59), {}, 1, {0xFC, 0x23, 0x03, 0x01, 0x00, 0x00, 0x00}},
        {"set time", utc(2003, 7, 21, 14, 5, 9), {0x1B, 0x87, 0x06, 0x30, 0x23, 0x59, 0x59}, 1,
         {0xFC, 0x87, 0x07, 0x01, 0x00, 0x00, 0x00}},
        {"digits that are not BCD", utc(2003, 7, 21, 14, 5, 9), {0x1B, 0xFF, 0x12, 0x3A, 0x08, 0xF0, 0x30}, 2,
         {0xFC, 0x03, 0x12, 0x21, 0x08, 0x05, 0x32}},
    };
    for (const auto& c : cases) {
        ikbdSetClock(c.start);
        for (uint8_t b : c.setTime) ikbdReceiveCommandByte(b);
        scan(801 * c.seconds);
        sendCommand({0x1C});
        EXPECT_EQ(drainQueue(), c.report) << c.what;
    }
    ikbdSetClock(utc(2003, 7, 21, 14, 5, 9));
    scan(800);
    sendCommand({0x1C});
    EXPECT_EQ(drainQueue()[6], 0x09) << "800 scans are not yet a second";
}

TEST_F(KeyboardTest, RelativePacketsCarryButtonsAndSplitLargeMoves) {
    EXPECT_TRUE(scan().empty()) << "no motion, no button change: nothing";
    moveMouse(3, -2);
    fake.mouse.buttons[1] = 0x80;
    EXPECT_EQ(scan(), (Bytes{0xF9, 0x03, 0xFE}));
    fake.mouse.buttons[1] = 0, fake.mouse.buttons[0] = 0x80;
    EXPECT_EQ(scan(), (Bytes{0xFA, 0x00, 0x00})) << "a button change alone is sent";
    moveMouse(300, -130);
    EXPECT_EQ(scan(), (Bytes{0xFA, 0x7F, 0x80, 0xFA, 0x7F, 0xFE, 0xFA, 0x2E, 0x00}));
    sendCommand({0x12});
    moveMouse(1, 0);
    EXPECT_TRUE(scan().empty()) << "mouse disabled";
    sendCommand({0x08});
    moveMouse(1, 0);
    EXPECT_EQ(scan(), (Bytes{0xFA, 0x01, 0x00}));
}

TEST_F(KeyboardTest, KeyEdgesAreSentOnceInAscendingHostCodeOrder) {
    press(157);  // Right Control, ST Control (29)
    press(30);   // A
    press(16);   // Q
    EXPECT_EQ(scan(5), (Bytes{0x10, 0x1E, 0x1D}));
    press(30, false);
    press(KEY_F11);  // F11 and F12 belong to the emulator
    press(KEY_F12);
    EXPECT_EQ(scan(5), (Bytes{0x9E}));
}

TEST_F(KeyboardTest, EdgesSurviveExtraPollsAndTimeOutsideTheEmulation) {
    press(30);
    pollInputDevices();  // a hand-over without a scan after it
    EXPECT_EQ(scan(), (Bytes{0x1E}));

    UnacquireInput();  // to the menu, where no frame runs; the key is released there
    press(30, false);
    AcquireInput();
    EXPECT_EQ(scan(), (Bytes{0x9E}));
}

TEST_F(KeyboardTest, ArrowKeysAreKeysOrJoystickByTheOption) {
    machineSettings.arrowForJoystick = 0;
    AcquireInput();
    press(KEY_UP);
    Bytes bytes = scan();
    press(KEY_UP, false);
    EXPECT_EQ(bytes, (Bytes{0x48}));
    EXPECT_EQ(scan(), (Bytes{0xC8})) << "arrow keys, no joystick packets";

    machineSettings.arrowForJoystick = 1;
    AcquireInput();
    press(KEY_UP);
    press(KEY_LCONTROL);
    bytes = scan();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(Bytes(bytes.end() - 2, bytes.end()), (Bytes{0xFF, 0x81}));
    press(KEY_UP, false);
    press(KEY_LCONTROL, false);
    press(199);  // Home still gives the ST's up arrow
    bytes = scan();
    EXPECT_NE(std::find(bytes.begin(), bytes.end(), 0x48), bytes.end());
    EXPECT_EQ(Bytes(bytes.end() - 2, bytes.end()), (Bytes{0xFF, 0x00}));
}

TEST_F(KeyboardTest, PcJoystickThresholdsAndJoystickModes) {
    config.useJoystick = 1;
    fake.hasJoystick = true;
    auto stick = [](int x, int y, bool fire, int scans = 1) {
        fake.joystick = {x, y, fire};
        return scan(scans);
    };
    EXPECT_TRUE(stick(500, -500, false).empty()) << "500 is still centre";
    EXPECT_EQ(stick(501, -501, true, 2), (Bytes{0xFF, 0x89})) << "one packet per change";
    sendCommand({0x15});  // interrogation: no events, 0x16 answers
    EXPECT_TRUE(stick(-501, 501, false).empty());
    sendCommand({0x16});
    EXPECT_EQ(drainQueue(), (Bytes{0xFD, 0x00, 0x06}));
    sendCommand({0x14, 0x1A});  // event mode, then disabled
    EXPECT_TRUE(stick(0, 0, false).empty());

    config.useJoystick = 0;
    stick(1000, 0, true);
    EXPECT_EQ(joystickByte(), 0);
}

TEST_F(KeyboardTest, QueueDropsWhatDoesNotFitAndPacketsStayWhole) {
    EXPECT_EQ(ikbdQueueGet(), 0) << "empty queue reads 0";
    for (int i = 0; i < IKBD_QUEUE_SIZE - 2; ++i) ikbdQueuePut(uint8_t(i));
    sendCommand({0x16});  // three bytes do not fit in two
    EXPECT_EQ(ikbdQueue.count, IKBD_QUEUE_SIZE - 2);
    for (uint8_t b : {0xAA, 0xBB, 0xCC}) ikbdQueuePut(b);
    Bytes bytes = drainQueue();
    EXPECT_EQ(bytes.size(), size_t(IKBD_QUEUE_SIZE));
    EXPECT_EQ(bytes.back(), 0xBB);
    EXPECT_EQ(bytes[100], 100);
}
