// The STE's joypad ports as the processor reads them: a controller scripted through the
// input layer, its buttons read row by row through the select lines.
#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "cpu/cpu.h"
#include "support/fake_input.h"
#include "peripherals/joypad.h"
#include "support/test_machine.h"

namespace {

constexpr uint32_t FIRE = 0xFF9200, COLUMNS = 0xFF9202;

// Where each button appears, from the joypad's wiring: the row that must be selected and
// the line it pulls low, a column (0-3, in $FF9202) or Pause / fire (in $FF9200).
enum Line { COLUMN_0, COLUMN_1, COLUMN_2, COLUMN_3, PAUSE_LINE, FIRE_LINE };
struct Wiring {
    uint32_t button;
    int row;
    Line line;
};
const Wiring wiring[] = {
    {JOYPAD_UP, 0, COLUMN_0},      {JOYPAD_DOWN, 0, COLUMN_1},    {JOYPAD_LEFT, 0, COLUMN_2},
    {JOYPAD_RIGHT, 0, COLUMN_3},   {JOYPAD_PAUSE, 0, PAUSE_LINE}, {JOYPAD_A, 0, FIRE_LINE},
    {JOYPAD_STAR, 1, COLUMN_0},    {joypadKey(7), 1, COLUMN_1},   {joypadKey(4), 1, COLUMN_2},
    {joypadKey(1), 1, COLUMN_3},   {JOYPAD_B, 1, FIRE_LINE},      {joypadKey(0), 2, COLUMN_0},
    {joypadKey(8), 2, COLUMN_1},   {joypadKey(5), 2, COLUMN_2},   {joypadKey(2), 2, COLUMN_3},
    {JOYPAD_C, 2, FIRE_LINE},      {JOYPAD_HASH, 3, COLUMN_0},    {joypadKey(9), 3, COLUMN_1},
    {joypadKey(6), 3, COLUMN_2},   {joypadKey(3), 3, COLUMN_3},   {JOYPAD_OPTION, 3, FIRE_LINE},
};

class Joypads : public KeyboardTest {
protected:
    void SetUp() override {
        KeyboardTest::SetUp();
        setUpMemoryMap();
        hw.machineFlags = MACHINE_STE;
        joypadReset();
        fake.hasJoypads = true;
    }
    // The controllers as the front end hands them over before a frame.
    static void hold(uint32_t a, uint32_t b) {
        fake.joypads[0] = a, fake.joypads[1] = b;
        pollInputDevices();
    }
    // Both registers with these select lines: $FF9202 in the high half, $FF9200 low.
    static uint32_t readWith(uint8_t select) {
        ioWriteWord(COLUMNS, 0xFF00 | select, nullptr, 0);
        return ioReadWord(COLUMNS, nullptr, 0) << 16 | ioReadWord(FIRE, nullptr, 0);
    }
};

// Each button of each joypad, with each single row selected, with none and with all: its
// line is low exactly when its row is selected.
TEST_F(Joypads, EveryButtonReadsOnItsRowAndLine) {
    for (int pad = 0; pad < JOYPAD_COUNT; ++pad)
        for (const Wiring& w : wiring) {
            hold(pad == 0 ? w.button : 0, pad == 1 ? w.button : 0);
            uint32_t low = w.line <= COLUMN_3 ? 1u << (16 + 8 + 4 * pad + w.line)
                                              : 1u << (2 * pad + (w.line == FIRE_LINE ? 1 : 0));
            for (int row = -1; row <= 4; ++row) {
                // -1: no row selected; 4: every row of both joypads.
                uint8_t select = row < 0 ? 0xFF : row == 4 ? 0x00 : uint8_t(~(1u << (4 * pad + row)));
                bool selected = row == 4 || row == w.row;
                EXPECT_EQ(readWith(select), selected ? ~low : 0xFFFFFFFFu)
                    << "joypad " << pad << " button $" << std::hex << w.button << " row " << row;
            }
        }
}

// Several buttons at once, on both joypads: the lines of the selected rows combine, a
// low line winning; a joypad's rows select nothing of the other's.
TEST_F(Joypads, ButtonsTogetherCombineOverTheSelectedRows) {
    hold(JOYPAD_UP | JOYPAD_LEFT | JOYPAD_A | joypadKey(4), JOYPAD_DOWN | JOYPAD_RIGHT | JOYPAD_PAUSE | JOYPAD_OPTION);
    const struct {
        uint8_t select;
        uint16_t columns, fire;
    } cases[] = {
        {0xFE, 0xFAFF, 0xFFFD},  // A's row 0: up, left; fire A
        {0xFC, 0xFAFF, 0xFFFD},  // A's rows 0 and 1: key 4 shares left's column
        {0xFD, 0xFBFF, 0xFFFF},  // A's row 1: key 4 alone
        {0xEF, 0x5FFF, 0xFFFB},  // B's row 0: down, right; Pause
        {0x7F, 0xFFFF, 0xFFF7},  // B's row 3: Option
        {0x6E, 0x5AFF, 0xFFF1},  // A's row 0 with B's rows 0 and 3
    };
    for (const auto& c : cases)
        EXPECT_EQ(readWith(c.select), uint32_t(c.columns) << 16 | c.fire) << "select $" << std::hex << int(c.select);

    hold(0, 0);  // the next frame's controllers
    EXPECT_EQ(readWith(0x00), 0xFFFFFFFFu);
}

// Byte accesses: the halves of the words; only the low byte at $FF9203 drives the select
// lines. The paddles and light pen read idle. On the STFM the page does not answer.
TEST_F(Joypads, BytesPaddlesLightPenAndTheStfm) {
    hold(JOYPAD_RIGHT | JOYPAD_A, 0);
    ioWriteByte(COLUMNS + 1, 0xFE, nullptr, 0);
    ioWriteByte(COLUMNS, 0x00, nullptr, 0);
    EXPECT_EQ(ioReadByte(COLUMNS, nullptr, 0), 0xF7u);
    EXPECT_EQ(ioReadByte(COLUMNS + 1, nullptr, 0), 0xFFu);
    EXPECT_EQ(ioReadByte(FIRE, nullptr, 0), 0xFFu);
    EXPECT_EQ(ioReadByte(FIRE + 1, nullptr, 0), 0xFDu);
    for (uint32_t paddle : {0xFF9210u, 0xFF9212u, 0xFF9214u, 0xFF9216u}) {
        EXPECT_EQ(ioReadWord(paddle, nullptr, 0), 0x00FFu);
        EXPECT_EQ(ioReadByte(paddle + 1, nullptr, 0), 0xFFu);
    }
    EXPECT_EQ(ioReadWord(0xFF9220, nullptr, 0) | ioReadWord(0xFF9222, nullptr, 0), 0u);
    EXPECT_EQ(busErrorPending, 0);

    hw.machineFlags = 0;
    ioReadWord(COLUMNS, nullptr, 0);
    EXPECT_EQ(busErrorPending, 1);
    busErrorPending = 0;
}

}  // namespace
