// The ACSI bus behind the DMA chip, driven through $FF8604 and $FF8606 as a hard disk
// driver drives it, with the device's events run as the scheduler runs them; then the
// whole machine, with a 68000 program that writes and reads a sector.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/machine_settings.h"
#include "bus/memory_map.h"
#include "bus/st_memory.h"
#include "cpu/cpu.h"
#include "floppy/acsi_bus.h"
#include "floppy/dma_chip.h"
#include "floppy/hard_disk_image.h"
#include "floppy/wd1772.h"
#include "peripherals/mfp.h"
#include "support/test_machine.h"
#include "support/zip_writer.h"

namespace {

constexpr uint32_t BUFFER = 0x20000;
constexpr uint32_t SECTORS = 64;
constexpr uint32_t GOOD = ACSI_STATUS_GOOD, CHECK = ACSI_STATUS_CHECK_CONDITION;
constexpr uint32_t MEDIA = ACSI_COMMAND_TIME + ACSI_ACCESS_TIME;

uint8_t pattern(uint32_t sector, uint32_t i) { return uint8_t(sector * 31 + i); }

// An image whose root sector names one partition over the rest, every other byte
// telling where it lies.
Bytes patternImage(uint32_t sectors) {
    Bytes image(size_t(sectors) * 512);
    for (uint32_t s = 1; s < sectors; ++s)
        for (uint32_t i = 0; i < 512; ++i) image[s * 512 + i] = pattern(s, i);
    const uint8_t entry[12] = {1, 'G', 'E', 'M', 0, 0, 0, 1, 0, 0, 0, uint8_t(sectors - 1)};
    std::copy(entry, entry + 12, image.begin() + 0x1C6);
    return image;
}

void mode(uint32_t m) { ioWriteWord(0xFF8606, m, nullptr, 0); }
void data(uint32_t v, int32_t stamp = 0) { ioWriteWord(0xFF8604, v, nullptr, stamp); }
uint32_t readData() { return ioReadWord(0xFF8604, nullptr, 0); }
bool lineLow() { return !(hw.mfp[MFP_GPIP] & MFP_GPIP_FDC); }
void runEvent() {  // as the scheduler does when odometer reaches it
    cpu.odometer = int32_t(acsi.eventTime);
    acsiEvent();
}
void setDmaAddress(uint32_t a) {
    for (uint32_t shift : {16u, 8u, 0u}) ioWriteByte(0xFF860D - shift / 4, (a >> shift) & 0xFF, nullptr, 0);
}

// A command as a driver sends it: the sector count, then the bytes, the first with A1
// low, each after the device asked for it. False when a byte was not asked for.
bool send(const Bytes& bytes, uint32_t count, bool toDevice, int32_t stamp = 1000) {
    uint32_t w = toDevice ? DMA_MODE_WRITE : 0;
    mode(w | 0x90);
    data(count);
    mode(w | 0x88);
    for (size_t i = 0; i < bytes.size(); ++i) {
        data(bytes[i], stamp);
        if (i + 1 == bytes.size()) break;
        if (acsi.event != ACSI_EVENT_NEXT_BYTE || acsi.eventTime != uint32_t(stamp) + ACSI_BYTE_TIME) return false;
        runEvent();
        mode(w | 0x8A);
    }
    mode(w);  // the bus requests the transfers
    return true;
}

// Waits for the end and takes the status byte, which frees the line.
uint32_t finish() {
    runEvent();
    EXPECT_TRUE(lineLow());
    mode(0x8A);
    uint32_t status = readData();
    EXPECT_FALSE(lineLow());
    return status;
}

class AcsiTest : public ::testing::Test {
protected:
    void SetUp() override {
        setUpMemoryMap();
        fdc = FdcState{};
        pendingDmaEnd = -1;
        hw.mfp[MFP_GPIP] = 0xFF;
        setDiskInterruptSources(0);
        acsiBusReset();
        std::string path = makeTempDir("acsi") + "/hd.img";
        writeBytes(path, patternImage(SECTORS));
        ASSERT_TRUE(hardDiskAttach(0, path)) << hardDiskError;
    }
    void TearDown() override {
        for (uint32_t id = 0; id < HARD_DISKS; ++id) hardDiskDetach(id);
        machineSettings = MachineSettings{};
    }
};

}  // namespace

// One command of each kind to device 0: status, what the DMA moved, when the device
// finished, and what request sense then reports.
TEST_F(AcsiTest, CommandsAnswerWithStatusDataAndSense) {
    struct Case {
        const char* what;
        Bytes command;
        uint32_t count;  // the DMA sector count
        bool toDevice;
        uint32_t status;
        uint32_t moved;  // bytes the DMA address advances
        Bytes data;      // the first bytes in memory (a read) or in the sector written
        uint32_t cycles;
        uint8_t senseKey, senseCode;
    };
    const Bytes geometry = {35, 0, 0, 8, 0, 0, 0, SECTORS, 0, 0, 2, 0, 0x04, 0x16, 0, 0, 1, 16};
    const Case cases[] = {
        {"test unit ready", {0x00, 0, 0, 0, 0, 0}, 0, false, GOOD, 0, {}, ACSI_COMMAND_TIME, 0, 0},
        {"inquiry", {0x12, 0, 0, 0, 36, 0}, 1, false, GOOD, 36, {0, 0, 1, 1, 31, 0, 0, 0, 'Q', 'u'}, ACSI_COMMAND_TIME, 0, 0},
        {"inquiry cut to its allocation", {0x12, 0, 0, 0, 5, 0}, 1, false, GOOD, 5, {0, 0, 1, 1, 31}, ACSI_COMMAND_TIME, 0, 0},
        {"read(6) of two sectors", {0x08, 0, 0, 3, 2, 0}, 2, false, GOOD, 1024, {pattern(3, 0), pattern(3, 1)},
         MEDIA + 2 * ACSI_SECTOR_TIME, 0, 0},
        {"read(6) cut to the DMA sector count", {0x08, 0, 0, 3, 2, 0}, 1, false, GOOD, 512, {pattern(3, 0)},
         MEDIA + 2 * ACSI_SECTOR_TIME, 0, 0},
        {"read(6) past the end", {0x08, 0, 0, SECTORS - 1, 2, 0}, 2, false, CHECK, 0, {}, ACSI_COMMAND_TIME, 5, 0x21},
        {"write(6) of one sector", {0x0A, 0, 0, 7, 1, 0}, 1, true, GOOD, 512, {0xC3, 0xC3}, MEDIA + ACSI_SECTOR_TIME, 0, 0},
        {"write(6) with the DMA pointing to memory", {0x0A, 0, 0, 8, 1, 0}, 1, false, GOOD, 0, {pattern(8, 0)},
         MEDIA + ACSI_SECTOR_TIME, 0, 0},
        {"read capacity after ICD's escape byte", {0x1F, 0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, false, GOOD, 8,
         {0, 0, 0, SECTORS - 1, 0, 0, 2, 0}, ACSI_COMMAND_TIME, 0, 0},
        {"read(10) after ICD's escape byte", {0x1F, 0x28, 0, 0, 0, 0, 9, 0, 0, 1, 0}, 1, false, GOOD, 512,
         {pattern(9, 0)}, MEDIA + ACSI_SECTOR_TIME, 0, 0},
        {"mode sense, geometry page", {0x1A, 0, 0x04, 0, 255, 0}, 1, false, GOOD, 36, geometry, ACSI_COMMAND_TIME, 0, 0},
        {"mode sense, a page the drive lacks", {0x1A, 0, 0x08, 0, 255, 0}, 1, false, CHECK, 0, {}, ACSI_COMMAND_TIME, 5, 0x24},
        {"format unit: not a command it takes", {0x04, 0, 0, 0, 0, 0}, 0, false, CHECK, 0, {}, ACSI_COMMAND_TIME, 5, 0x20},
        {"a logical unit other than 0", {0x00, 0x20, 0, 0, 0, 0}, 0, false, CHECK, 0, {}, ACSI_COMMAND_TIME, 5, 0x25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (uint32_t i = 0; i < 1024; ++i) stWriteByte(hw.ram, BUFFER + i, 0xC3);
        setDmaAddress(BUFFER);
        ASSERT_TRUE(send(c.command, c.count, c.toDevice));
        EXPECT_EQ(acsi.event, uint32_t(ACSI_EVENT_DONE));
        EXPECT_EQ(acsi.eventTime, 1000 + c.cycles);
        EXPECT_FALSE(lineLow()) << "busy";
        EXPECT_EQ(finish(), c.status);
        EXPECT_EQ(fdc.dmaAddress, BUFFER + c.moved);
        bool write = c.command[0] == 0x0A;
        const uint8_t* got = write ? hardDiskSector(0, c.command[3]) : nullptr;
        for (size_t i = 0; i < c.data.size(); ++i)
            EXPECT_EQ(got ? got[i] : stReadByte(hw.ram, BUFFER + uint32_t(i)), c.data[i]) << "byte " << i;
        EXPECT_EQ(hardDiskChangedSectors(0), c.toDevice ? std::vector<uint32_t>{c.command[3]} : std::vector<uint32_t>{});

        setDmaAddress(BUFFER);
        ASSERT_TRUE(send({0x03, 0, 0, 0, 18, 0}, 1, false));
        EXPECT_EQ(finish(), GOOD);
        EXPECT_EQ(stReadByte(hw.ram, BUFFER + 2), c.senseKey);
        EXPECT_EQ(stReadByte(hw.ram, BUFFER + 12), c.senseCode);
        if (c.senseCode == 0x21) {  // the sector concerned
            EXPECT_EQ(stReadByte(hw.ram, BUFFER), 0xF0);
            EXPECT_EQ(stReadByte(hw.ram, BUFFER + 6), SECTORS - 1);
        }
        std::fill(hardDisks[0].changed.begin(), hardDisks[0].changed.end(), 0);
    }
}

// Only device 0 holds an image: a first byte for any other goes unanswered, as do bytes
// with A1 high while no command is under way, and the idle bus reads all ones.
TEST_F(AcsiTest, DevicesWithoutAnImageNeverAnswer) {
    mode(0x88);
    for (uint8_t device = 1; device < 8; ++device) {
        data(device << 5);
        EXPECT_EQ(acsi.event, uint32_t(ACSI_EVENT_NONE)) << int(device);
        EXPECT_EQ(acsi.phase, uint32_t(ACSI_IDLE)) << int(device);
    }
    mode(0x8A);
    data(0x00);
    EXPECT_EQ(acsi.event, uint32_t(ACSI_EVENT_NONE));
    EXPECT_EQ(readData(), 0xFFu);
    EXPECT_FALSE(lineLow());
}

// A1 low begins a command whatever went before: a driver recovering from a time-out
// starts afresh. The bus's reset line ends what a device was doing.
TEST_F(AcsiTest, AFirstByteOrTheResetLineAbandonsACommand) {
    ASSERT_TRUE(send({0x08, 0, 0}, 1, false));
    EXPECT_EQ(acsi.phase, uint32_t(ACSI_COMMAND));
    acsiBusReset();
    EXPECT_EQ(acsi.event, uint32_t(ACSI_EVENT_NONE));
    ASSERT_TRUE(send({0x08, 0, 0}, 1, false));
    ASSERT_TRUE(send({0x00, 0, 0, 0, 0, 0}, 0, false, 5000));
    EXPECT_EQ(acsi.eventTime, 5000 + ACSI_COMMAND_TIME);
    EXPECT_EQ(finish(), GOOD);
    EXPECT_EQ(acsi.phase, uint32_t(ACSI_IDLE));
}

// GPIP 5 is low while the floppy controller or the bus holds it; each lets go of its own
// hold only: reading the WD1772's status releases the controller's, reading the bus's
// status the device's.
TEST_F(AcsiTest, TheFloppyControllerAndTheBusShareTheLine) {
    diskInterruptLine(DISK_IRQ_FDC, true);
    ASSERT_TRUE(send({0x00, 0, 0, 0, 0, 0}, 0, false));
    runEvent();
    mode(0x80);
    EXPECT_EQ(readData(), fdc.status);
    EXPECT_TRUE(lineLow()) << "the device still holds it";
    diskInterruptLine(DISK_IRQ_FDC, true);
    mode(0x8A);
    EXPECT_EQ(readData(), GOOD);
    EXPECT_TRUE(lineLow()) << "the controller still holds it";
    mode(0x80);
    readData();
    EXPECT_FALSE(lineLow());
}

// Sectors past the 21 bits of read(6) (an image over 1 GB, sparse here) need read(10).
TEST_F(AcsiTest, ReadTenReachesSectorsBeyondAGigabyte) {
    constexpr uint32_t total = 0x200000 + 8, far = 0x200004;
    std::string path = makeTempDir("acsi_large") + "/large.img";
    Bytes root = patternImage(2);
    const uint8_t size[4] = {0x00, 0x20, 0x00, 0x07};  // total - 1 sectors from sector 1
    std::copy(size, size + 4, root.begin() + 0x1C6 + 8);
    Bytes last(512);
    for (uint32_t i = 0; i < 512; ++i) last[i] = pattern(far, i);
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, root.data(), 512, 0), 512);
    ASSERT_EQ(::pwrite(fd, last.data(), 512, off_t(far) * 512), 512);
    ASSERT_EQ(::ftruncate(fd, off_t(total) * 512), 0);
    ::close(fd);
    ASSERT_TRUE(hardDiskAttach(1, path)) << hardDiskError;

    setDmaAddress(BUFFER);
    ASSERT_TRUE(send({0x3F, 0x28, 0, 0x00, 0x20, 0x00, 0x04, 0, 0, 1, 0}, 1, false));
    EXPECT_EQ(finish(), GOOD);
    for (uint32_t i = 0; i < 512; ++i) ASSERT_EQ(stReadByte(hw.ram, BUFFER + i), pattern(far, i)) << i;
    // read(6) cannot name it: its sector number wraps within the first 1 GB.
    setDmaAddress(BUFFER);
    ASSERT_TRUE(send({0x28, 0x00 | (far >> 16 & 0x1F), uint8_t(far >> 8), uint8_t(far), 1, 0}, 1, false));
    EXPECT_EQ(finish(), GOOD);
    EXPECT_NE(stReadByte(hw.ram, BUFFER + 511), pattern(far, 511));
}

// ---- The whole machine -------------------------------------------------------------------
namespace {

constexpr uint32_t RESULTS = 0x10000;
constexpr uint32_t IRQS = RESULTS + 0x04;
constexpr uint32_t STATUSES = RESULTS + 0x10;
constexpr uint32_t START_LINES = RESULTS + 0x20;
constexpr uint32_t END_LINES = RESULTS + 0x30;
constexpr uint32_t DONE = RESULTS + 0x100;
constexpr uint32_t WRITTEN = 0x30000, BACK = 0x31000;

}  // namespace

// A sector written and read back; every fall of the line (five bytes asked for, then
// the end, for each command) is an interrupt on MFP channel 7. The image's file takes the
// change at the end of the run, with write-back only.
TEST(AcsiMachine, AProgramWritesAndReadsASectorAsADriverDoes) {
    for (bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast disk, write-back" : "real time");
        WorkingDirectory in(makeTempDir("acsi_machine"));
        Bytes image = patternImage(SECTORS);
        writeBytes("hd.img", image);
        TestMachineSetup setup;
        setup.rom = m68kProgramPath("acsi_commands");
        setup.fastDisk = setup.acsiWritable = fast;
        setup.noDisk = true;
        setup.acsi = {"hd.img"};
        startTestMachine(setup);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        runTestFrames(10);
        ASSERT_EQ(peekLong(DONE), 0x444F4E45u) << "the program did not finish";
        EXPECT_EQ(peekWord(STATUSES), GOOD);
        EXPECT_EQ(peekWord(STATUSES + 2), GOOD);
        EXPECT_EQ(peekWord(STATUSES + 4), 0xFFFF) << "device 1 holds no image";
        EXPECT_EQ(peekLong(IRQS), 12u);
        for (uint32_t i = 0; i < 512; ++i) {
            ASSERT_EQ(stReadByte(hw.ram, WRITTEN + i), uint8_t((511 - i) * 7)) << i;
            ASSERT_EQ(stReadByte(hw.ram, BACK + i), stReadByte(hw.ram, WRITTEN + i)) << i;
            image[5 * 512 + i] = stReadByte(hw.ram, WRITTEN + i);
        }
        // Lines from the last byte to the status, against the drive's time.
        for (uint32_t k = 0; k < 2; ++k) {
            double lines = double(peekLong(END_LINES + 4 * k)) - double(peekLong(START_LINES + 4 * k));
            double expected = (fast ? 1024.0 : MEDIA + ACSI_SECTOR_TIME) / 512;
            EXPECT_GE(lines, expected - 1) << k;
            EXPECT_LE(lines, expected + 2) << k;
        }
        bool written = readFileBytes("hd.img") == image;
        stopTestMachine();
        EXPECT_FALSE(written) << "not before the run ends";
        EXPECT_EQ(readFileBytes("hd.img") == image, fast);
    }
}
