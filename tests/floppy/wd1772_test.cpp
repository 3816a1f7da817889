// The DMA chip and the WD1772 driven through their registers, with the events run as
// the scheduler runs them. (Multiple-sector reads, restore, record not found and
// "FastDisk" are also timed in the whole machine by floppy_machine_test.)
#include <gtest/gtest.h>

#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/st_memory.h"
#include "cpu/cpu.h"
#include "floppy/disk_image.h"
#include "floppy/wd1772.h"
#include "frontend/config.h"
#include "peripherals/mfp.h"
#include "support/disk_builders.h"
#include "support/test_machine.h"

namespace {

constexpr uint32_t BUFFER = 0x20000;

void writeWord(uint32_t a, uint32_t v, int32_t stamp = 0) { ioWriteWord(a, v, nullptr, stamp); }
void writeByte(uint32_t a, uint32_t v) { ioWriteByte(a, v, nullptr, 0); }
uint32_t readWord(uint32_t a) { return ioReadWord(a, nullptr, 0); }
uint32_t readByte(uint32_t a) { return ioReadByte(a, nullptr, 0); }

class Wd1772Test : public ::testing::Test {
protected:
    uint32_t mode = 0x80;  // floppy selected; tests add the DMA bits
    void SetUp() override {
        setUpMemoryMap();
        fdc = FdcState{};
        pendingDmaEnd = -1;
        hw.mfp[MFP_GPIP] = 0xFF;
        hw.ymRegisterImage[14] = 0x07;  // drive A, side 0 (bit 0 set)
        config = Config{};
        std::string disk = makeTempDir("fdc") + "/d.st";
        writeBytes(disk, rawImageWithBootSector(80, 2, 9));
        ASSERT_TRUE(InsertDisk(disk.c_str()));
    }
    void TearDown() override {
        EjectDisk();
        config = Config{};
    }
    void setRegister(uint32_t reg, uint32_t value, int32_t stamp = 0) const {
        writeWord(0xFF8606, mode | reg << 1);
        writeWord(0xFF8604, value, stamp);
    }
    // Gives command c at cycle `now`; returns when its event is due.
    uint32_t command(uint32_t c, int32_t now) const {
        setRegister(0, c, now);
        return fdc.eventTime;
    }
    static void setDmaAddress(uint32_t a) {
        writeByte(0xFF8609, a >> 16);
        writeByte(0xFF860B, a >> 8);
        writeByte(0xFF860D, a);
    }
    static uint32_t runEvent() {  // as the scheduler does when odometer reaches it
        cpu.odometer = int32_t(fdc.eventTime);
        return fdcEvent(cpu.odometer);
    }
    static bool interruptActive() { return !(hw.mfp[MFP_GPIP] & MFP_GPIP_FDC); }
    static bool memoryHolds(uint32_t address, int sector, int from = 0, int to = 512) {
        for (int i = from; i < to; ++i)
            if (stReadByte(hw.ram, address + i) != sectorByte(0, 0, sector, i)) return false;
        return true;
    }
};

}  // namespace

TEST_F(Wd1772Test, ReadSectorSpinsUpTransfersAndEndsWithTheMotor) {
    setDmaAddress(BUFFER);
    setRegister(1, 5);
    setRegister(2, 3);
    hw.ymRegisterImage[14] = 0x06;  // side 1
    hw.mfp[MFP_GPIP] &= ~MFP_GPIP_FDC;
    EXPECT_EQ(command(0x80, 1000), 1000u + 9600000 + 160000);
    EXPECT_EQ(fdc.status, 0x81u);
    EXPECT_FALSE(interruptActive());
    // The data is in memory at once; the address register moves at the event.
    EXPECT_EQ(stReadByte(hw.ram, BUFFER + 511), sectorByte(5, 1, 3, 511));
    EXPECT_EQ(fdc.dmaAddress, BUFFER);
    EXPECT_EQ(runEvent(), uint32_t(FDC_EVENT_COMPLETION));
    EXPECT_EQ(fdc.dmaAddress, BUFFER + 512);
    EXPECT_TRUE(interruptActive());
    EXPECT_EQ(readWord(0xFF8604), 0x80u);
    EXPECT_FALSE(interruptActive()) << "reading the status releases the line";
    EXPECT_EQ(fdc.eventTime, 1000u + 9600000 + 160000 + 14400000);

    // Motor running: no spin-up; bit 2 adds the settling time.
    EXPECT_EQ(command(0x84, 2000), 2000u + 120000 + 160000);
    runEvent();
    EXPECT_EQ(runEvent(), uint32_t(FDC_EVENT_MOTOR_OFF));
    EXPECT_FALSE(fdc.motorOn);
    EXPECT_EQ(fdc.status, 0u);
    EXPECT_EQ(fdc.eventType, uint32_t(FDC_EVENT_NONE));
    EXPECT_EQ(command(0x88, 3000), 3000u + 160000);  // bit 3: no spin-up even with the motor off
}

TEST_F(Wd1772Test, RestoreSeekAndSteps) {
    setRegister(1, 40);
    EXPECT_EQ(command(0x03, 0), 40u * 24000 + 120000 + 9600000);  // restore at rate 3, motor off
    EXPECT_EQ(fdc.status, 0x85u);
    EXPECT_EQ(fdc.finalStatus, 0xA4u);
    EXPECT_EQ(fdc.track, 0);
    runEvent();
    setRegister(1, 10);
    setRegister(3, 20);
    EXPECT_EQ(command(0x10, 0), 10u * 48000 + 120000);  // seek at rate 0, motor running
    EXPECT_EQ(fdc.status, 0xA5u);
    EXPECT_EQ(fdc.track, 20);
    EXPECT_EQ(fdc.stepIn, 1u);
    EXPECT_EQ(command(0x80, 0), 10u * 48000 + 120000);  // refused while busy...
    setRegister(3, 0);
    EXPECT_EQ(command(0x12, 0), 20u * 16000 + 120000);  // ...a seek is taken
    EXPECT_EQ(fdc.stepIn, 0u);
    EXPECT_EQ(fdc.finalStatus, 0xA0u);
    runEvent();

    command(0x41, 0);  // step in, then step: in again
    runEvent();
    EXPECT_EQ(command(0x21, 0), 96000u);
    EXPECT_EQ(fdc.track, 2);
    runEvent();
    for (int i = 0; i < 3; ++i) {
        command(0x60, 0);
        runEvent();
    }
    EXPECT_EQ(fdc.track, -1);  // stepped out from track 0
    setRegister(2, 1);
    EXPECT_EQ(command(0x80, 500), 500u + 6400000);
    EXPECT_EQ(fdc.finalStatus, 0x90u);
    runEvent();
    EXPECT_EQ(command(0x00, 0), 48000u + 120000);  // back from below track 0 takes as many steps
}

TEST_F(Wd1772Test, RegisterAccesses) {
    writeWord(0xFF8606, 0x90);
    writeWord(0xFF8604, 0x1234);
    EXPECT_EQ(readWord(0xFF8604), 0x1234u);  // sector count while mode bit 4 is set
    EXPECT_EQ(readWord(0xFF8606), 0xFFFFu);
    EXPECT_EQ(readByte(0xFF8604), 0xFFu);
    setRegister(2, 0x1FE);
    EXPECT_EQ(readWord(0xFF8604), 0xFEu);

    setDmaAddress(0x123456);
    EXPECT_EQ(readByte(0xFF8609), 0x12u);
    EXPECT_EQ(readByte(0xFF860D), 0x56u);
    EXPECT_EQ(readWord(0xFF860A), 0xFF34u);
    EXPECT_EQ(readByte(0xFF8608), 0xFFu);
    writeWord(0xFF860C, 0xAB78);
    EXPECT_EQ(fdc.dmaAddress, 0x123478u);

    // Rewriting the address while a read is pending keeps what was written.
    setDmaAddress(BUFFER);
    setRegister(2, 1);
    command(0x80, 0);
    EXPECT_EQ(pendingDmaEnd, int32_t(BUFFER + 512));
    writeByte(0xFF860B, 0x40);
    runEvent();
    EXPECT_EQ(fdc.dmaAddress, 0x024000u);
}

TEST_F(Wd1772Test, TransfersKeepClearOfTheVectorsAndTheEndOfRam) {
    stWriteByte(hw.ram, 7, 0xAA);
    setRegister(2, 2);
    setDmaAddress(0);
    command(0x80, 0);
    EXPECT_EQ(stReadByte(hw.ram, 7), 0xAA);
    EXPECT_TRUE(memoryHolds(0, 2, 8, 512));
    EXPECT_EQ(pendingDmaEnd, 512);
    runEvent();

    mode = 0xC0;  // DMA off: nothing moves, but an address below 8 still ends at 8
    setDmaAddress(4);
    command(0x80, 0);
    runEvent();
    EXPECT_EQ(fdc.dmaAddress, 8u);

    mode = 0x180;  // memory to disk: a read transfers nothing
    setDmaAddress(BUFFER);
    command(0x80, 0);
    EXPECT_EQ(pendingDmaEnd, -1);
    EXPECT_FALSE(memoryHolds(BUFFER, 2));
    runEvent();

    mode = 0x80;
    uint32_t ramEnd = ramSizeBytes();
    setDmaAddress(ramEnd - 100);
    stWriteByte(hw.ram, ramEnd, 0x5A);
    command(0x80, 0);
    EXPECT_TRUE(memoryHolds(ramEnd - 100, 2, 0, 100));
    EXPECT_EQ(stReadByte(hw.ram, ramEnd), 0x5A);
    EXPECT_EQ(pendingDmaEnd, int32_t(ramEnd));
}

TEST_F(Wd1772Test, WriteSectorAndWriteProtection) {
    for (int i = 0; i < 512; ++i) stWriteByte(hw.ram, BUFFER + i, uint8_t(255 - i));
    setDmaAddress(BUFFER);
    setRegister(1, 3);
    setRegister(2, 2);
    machineSettings.floppyAProtected = 1;
    EXPECT_EQ(command(0xA0, 100), 100u + 6401024);
    EXPECT_EQ(fdc.status, 0x80u);
    EXPECT_EQ(fdc.finalStatus, 0xC0u);
    EXPECT_FALSE(driveA.modified);
    runEvent();

    machineSettings.floppyAProtected = 0;
    EXPECT_EQ(command(0xA0, 200), 200u + 1024 + 160000);
    EXPECT_EQ(fdc.status, 0x80u);  // not busy: the data was taken at once
    ASSERT_TRUE(ReadSector(3, 0, 2));
    EXPECT_EQ(driveA.sectorBuffer[1], 255);
    runEvent();
    EXPECT_EQ(fdc.dmaAddress, BUFFER + 512);

    setRegister(2, 12);
    EXPECT_EQ(command(0xA0, 300), 300u + 1024 + 6400000);
    EXPECT_EQ(fdc.finalStatus, 0x90u);
}

TEST_F(Wd1772Test, ShortCommandsAndForceInterrupt) {
    for (uint32_t c : {0xC0u, 0xE0u, 0xF0u}) {  // read address, read track, write track
        fdc.status = 0;
        EXPECT_EQ(command(c, 700), 700u + 1024) << c;
        EXPECT_EQ(fdc.status, 0xA0u) << c;
    }
    command(0x80, 0);
    // Stops the read: no completion, the motor-off timer runs.
    EXPECT_EQ(command(0xD0, 2000), 2000u + 14400000);
    EXPECT_EQ(fdc.eventType, uint32_t(FDC_EVENT_MOTOR_OFF));
    EXPECT_EQ(fdc.status, 0xA0u);
    EXPECT_TRUE(interruptActive());
    runEvent();
    command(0x80, 0);
    EXPECT_EQ(command(0xD8, 3000), 3000u);  // completes at once
    EXPECT_EQ(fdc.eventType, uint32_t(FDC_EVENT_COMPLETION));
}
