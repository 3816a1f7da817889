// Memory snapshots: the file layout, resuming a machine exactly, and refusing damaged
// files without touching the running machine.
#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "cpu/cpu.h"
#include "floppy/wd1772.h"
#include "frontend/config.h"
#include "machine/hardware_state.h"
#include "frontend/run_loop.h"
#include "machine/memory_map.h"
#include "machine/scheduler.h"
#include "machine/snapshot.h"
#include "sound/dma_sound.h"
#include "sound/drive_sounds.h"
#include "sound/mixer.h"
#include "sound/recorder.h"
#include "sound/ym2149.h"
#include "support/test_machine.h"
#include "video/picture.h"

namespace {

struct Section {
    std::string tag;
    size_t offset;  // of the tag
    uint32_t size;
};

uint32_t little32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
void putLittle32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

std::vector<Section> sectionsOf(const std::vector<uint8_t>& file) {
    std::vector<Section> list;
    for (size_t p = 0; p + 8 <= file.size();) {
        Section s{std::string(file.begin() + long(p), file.begin() + long(p) + 4), p, little32(file, p + 4)};
        list.push_back(s);
        p += 8 + s.size;
    }
    return list;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

std::vector<uint8_t> sectionBytes(const std::vector<uint8_t>& file, const Section& s) {
    return std::vector<uint8_t>(file.begin() + long(s.offset), file.begin() + long(s.offset + 8 + s.size));
}

// What a load could change, to tell whether a refused load left the machine alone.
struct Fingerprint {
    CpuState cpu;
    SchedulerState scheduler;
    uint8_t mfp[256];
    FdcState fdc;
    uint64_t ramHash;
    int ramIndex;
};
Fingerprint fingerprint() {
    Fingerprint f{};
    f.cpu = cpu;
    f.scheduler = scheduler;
    std::memcpy(f.mfp, hw.mfp, sizeof f.mfp);
    f.fdc = fdc;
    f.ramHash = 1469598103934665603ull;
    for (uint32_t i = 0; i < RAM_AREA_SIZE; ++i) f.ramHash = (f.ramHash ^ hw.ram[i]) * 1099511628211ull;
    f.ramIndex = ramSizeIndex();
    return f;
}
void expectSameMachine(const Fingerprint& a, const Fingerprint& b) {
    EXPECT_EQ(std::memcmp(a.cpu.regs, b.cpu.regs, sizeof a.cpu.regs), 0);
    EXPECT_EQ(a.cpu.pc, b.cpu.pc);
    EXPECT_EQ(a.cpu.sr, b.cpu.sr);
    EXPECT_EQ(a.cpu.odometer, b.cpu.odometer);
    EXPECT_EQ(a.scheduler.frameCounter, b.scheduler.frameCounter);
    EXPECT_EQ(a.scheduler.hblCycle, b.scheduler.hblCycle);
    EXPECT_EQ(std::memcmp(a.mfp, b.mfp, sizeof a.mfp), 0);
    EXPECT_EQ(a.fdc.track, b.fdc.track);
    EXPECT_EQ(a.ramHash, b.ramHash);
    EXPECT_EQ(a.ramIndex, b.ramIndex);
}

class Snapshots : public ::testing::Test {
protected:
    void SetUp() override {
        dir = makeTempDir("snapshot");
        TestMachineSetup setup;
        setup.rom = m68kProgramPath("snapshot_machine");
        startTestMachine(setup);
        runTestFrames(20);
        path = dir + "/machine.Quarv";
        ASSERT_TRUE(saveSnapshot(path));
        file = readFileBytes(path);
        sections = sectionsOf(file);
    }
    void TearDown() override { stopTestMachine(); }

    std::string variant(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string p = dir + "/" + name;
        writeBytes(p, bytes);
        return p;
    }
    const Section& section(const std::string& tag) {
        for (const Section& s : sections)
            if (s.tag == tag) return s;
        throw std::runtime_error("no section " + tag);
    }

    std::string dir, path;
    std::vector<uint8_t> file;
    std::vector<Section> sections;
};

TEST_F(Snapshots, SectionsComeInRegistryOrderAndEachSizeIsItsSaversBytes) {
    std::vector<std::string> tags;
    size_t total = 0;
    for (const Section& s : sections) {
        tags.push_back(s.tag);
        total += 8 + s.size;
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"MAIN", "68K!", "MFP!", "IT! ", "FDC!", "SHFT", "KEYB", "SND!", "RAM!",
                                              "SHOT", "SND2"}));
    EXPECT_EQ(total, file.size());
    // Version, then the fields; every integer 32 bits wide.
    EXPECT_EQ(section("68K!").size, 4u + 8 * 3 * 4 + 4 * 4);
    EXPECT_EQ(section("MFP!").size, 4u + 256 + 3 * 4 + 4 * 4 + 3 * 4 + 3 * 4);
    EXPECT_EQ(section("IT! ").size, 4u + 8 * 4);
    EXPECT_EQ(section("FDC!").size, 4u + 16 * 4);
    EXPECT_EQ(section("SHFT").size, 4u + 4 + 4 + 64 + 256 + 4);
    EXPECT_EQ(section("KEYB").size, 4u + 17 * 4);
    EXPECT_EQ(section("SND!").size, 4u + 14);
    EXPECT_EQ(section("SND2").size, 4u + (10 + 2 + 2 + 6) * 4 + 256);
    std::string rom = m68kProgramPath("snapshot_machine");
    size_t mainSize = 4 + 4 + (4 + std::strlen(QUARV_VERSION_STRING) + 1) + (4 + 1) + 4 + (4 + rom.size() + 1);
    EXPECT_EQ(section("MAIN").size, mainSize);
    // RAM: version, size index, then the block's two lengths and its bytes.
    const Section& ram = section("RAM!");
    EXPECT_EQ(little32(file, ram.offset + 8), 1u);
    EXPECT_EQ(little32(file, ram.offset + 12), 2u);
    EXPECT_EQ(little32(file, ram.offset + 16), 0x200000u);
    EXPECT_EQ(little32(file, ram.offset + 20), ram.size - 16);
}

TEST_F(Snapshots, AResumedMachineGivesTheSamePictureAndSoundSampleForSample) {
    const int frames = 30;
    std::vector<int16_t> soundA, soundB;
    for (int i = 0; i < frames; ++i) {
        runTestFrames(1);
        soundA.insert(soundA.end(), OutputBuffer, OutputBuffer + lastSampleCount);
    }
    std::vector<uint16_t> pictureA(framePicture(), framePicture() + FRAME_WIDTH * FRAME_HEIGHT);
    stopTestMachine();

    TestMachineSetup setup;
    setup.rom = m68kProgramPath("snapshot_machine");
    startTestMachine(setup);
    runTestFrames(7);  // a different past
    ASSERT_TRUE(loadSnapshot(path));
    for (int i = 0; i < frames; ++i) {
        runTestFrames(1);
        soundB.insert(soundB.end(), OutputBuffer, OutputBuffer + lastSampleCount);
    }
    std::vector<uint16_t> pictureB(framePicture(), framePicture() + FRAME_WIDTH * FRAME_HEIGHT);

    ASSERT_EQ(soundA.size(), size_t(frames) * 881);
    EXPECT_TRUE(soundA == soundB);
    EXPECT_TRUE(pictureA == pictureB);
    // The program really changes both from frame to frame.
    EXPECT_NE(*std::max_element(soundA.begin(), soundA.end()), *std::min_element(soundA.begin(), soundA.end()));
}

TEST_F(Snapshots, AFileWithOnlyRamLoadsRamAndItsSizeAndNothingElse) {
    std::string ramOnly = variant("ram.Quarv", sectionBytes(file, section("RAM!")));
    uint32_t savedWord = peekLong(0x10000);
    runTestFrames(5);
    setRamSize(0);
    Fingerprint before = fingerprint();
    ASSERT_TRUE(loadSnapshot(ramOnly));
    EXPECT_EQ(ramSizeIndex(), 2);
    EXPECT_EQ(peekLong(0x10000), savedWord);
    EXPECT_EQ(cpu.pc, before.cpu.pc);
    EXPECT_EQ(cpu.odometer, before.cpu.odometer);
    EXPECT_EQ(scheduler.frameCounter, before.scheduler.frameCounter);
}

// Sections are applied in their own order whatever the file's: the sound generators'
// state comes after the chip registers, whose writes restart the envelope.
TEST_F(Snapshots, SectionsInAnotherOrderLoadTheSameMachine) {
    std::vector<uint8_t> reversed;
    for (auto s = sections.rbegin(); s != sections.rend(); ++s) {
        std::vector<uint8_t> bytes = sectionBytes(file, *s);
        reversed.insert(reversed.end(), bytes.begin(), bytes.end());
    }
    std::string other = variant("reversed.Quarv", reversed);
    auto loadAndPlay = [](const std::string& p, Fingerprint& machine) {
        EXPECT_TRUE(loadSnapshot(p));
        machine = fingerprint();
        runTestFrames(1);
        return std::vector<int16_t>(OutputBuffer, OutputBuffer + lastSampleCount);
    };
    Fingerprint inOrder, fromReversed;
    std::vector<int16_t> sound = loadAndPlay(path, inOrder);
    runTestFrames(3);
    EXPECT_EQ(loadAndPlay(other, fromReversed), sound);
    expectSameMachine(inOrder, fromReversed);
}

// Files written before the sound's running state was kept: no "SND2" section. They load,
// and the sound generators run on from where the loading machine stood.
TEST_F(Snapshots, AFileWithoutTheSoundRunStateLoads) {
    const Section& s = section("SND2");
    std::vector<uint8_t> old(file.begin(), file.begin() + long(s.offset));
    old.insert(old.end(), file.begin() + long(s.offset + 8 + s.size), file.end());
    std::string oldPath = variant("without_snd2.Quarv", old);
    runTestFrames(3);
    YmGeneratorState before, after;
    ymSaveGenerators(ymChip, before);
    ASSERT_TRUE(loadSnapshot(oldPath));
    ymSaveGenerators(ymChip, after);
    EXPECT_EQ(after.noiseShift, before.noiseShift);
    EXPECT_EQ(after.tonePosition[1], before.tonePosition[1]);
    ASSERT_TRUE(loadSnapshot(path));
    ymSaveGenerators(ymChip, after);
    EXPECT_NE(after.noiseShift, before.noiseShift);
}

// Values no machine produces, as a damaged file may hold them, are brought into range:
// the DMA sound must not stall on a period of 0, the envelope must not read outside its
// shapes, the drive noise outside its recordings.
TEST_F(Snapshots, ImpossibleSoundRunValuesAreBroughtIntoRange) {
    const Section& s = section("SND2");
    std::vector<uint8_t> odd = file;
    const size_t body = s.offset + 8, registers = body + 4 + 20 * 4;
    for (size_t field = body + 4; field < registers; field += 4) putLittle32(odd, field, 0xFFFFFFFF);
    putLittle32(odd, body + 4 + 17 * 4, 0);  // the DMA sample period
    odd[registers + 0x01] = 3;  // playing, repeated, stereo: the volumes count
    odd[registers + 0x21] = 0;
    ASSERT_TRUE(loadSnapshot(variant("odd.Quarv", odd)));
    EXPECT_EQ(ymChip.envelopePhase, 1u);
    EXPECT_EQ(dmaSound.samplePeriod, 1227u);  // the rate of the mode register
    EXPECT_EQ(leftVolume, 0);  // -1, held at the lowest volume
    runTestFrames(3);
    EXPECT_EQ(crashCount, 0);
}

TEST_F(Snapshots, AnFdcSectionOfVersionOneLeavesPortAAlone) {
    const Section& s = section("FDC!");
    std::vector<uint8_t> old = file;
    putLittle32(old, s.offset + 4, s.size - 4);  // without the last field
    putLittle32(old, s.offset + 8, 1);
    old.erase(old.begin() + long(s.offset + 8 + s.size - 4), old.begin() + long(s.offset + 8 + s.size));
    std::string path1 = variant("fdc1.Quarv", old);

    hw.ymRegisterImage[14] = 0x25;
    ASSERT_TRUE(loadSnapshot(path1));
    EXPECT_EQ(hw.ymRegisterImage[14], 0x25);
    ASSERT_TRUE(loadSnapshot(path));
    EXPECT_NE(hw.ymRegisterImage[14], 0x25);
}

TEST_F(Snapshots, DamagedFilesAreRefusedAndTheMachineRunsOn) {
    runTestFrames(3);
    Fingerprint before = fingerprint();
    auto expectRefused = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
        EXPECT_FALSE(loadSnapshot(variant("bad.Quarv", bytes))) << what;
        expectSameMachine(before, fingerprint());
    };

    for (const Section& s : sections) {
        for (size_t cut : {s.offset + 3, s.offset + 7, s.offset + 8 + s.size / 2, s.offset + 8 + s.size - 1})
            expectRefused(std::vector<uint8_t>(file.begin(), file.begin() + long(cut)), "cut inside " + s.tag);
        // A whole-machine file cut at a section boundary lacks the later sections (but a
        // file without the last, "SND2", is one written before it existed).
        if (s.offset > 0 && s.tag != "SND2")
            expectRefused(std::vector<uint8_t>(file.begin(), file.begin() + long(s.offset)), "cut before " + s.tag);
    }
    const Section& ram = section("RAM!");
    for (size_t cut = ram.offset + 24; cut < ram.offset + 8 + ram.size; cut += ram.size / 7)
        expectRefused(std::vector<uint8_t>(file.begin(), file.begin() + long(cut)), "cut in the RAM block");

    std::vector<uint8_t> flipped = file;
    putLittle32(flipped, section("KEYB").offset + 4, section("KEYB").size ^ 0x100);
    expectRefused(flipped, "flipped section length");
    flipped = file;
    putLittle32(flipped, ram.offset + 16, 0x200000 + 2);  // more than the RAM of its size index
    expectRefused(flipped, "block longer than its destination");
    flipped = file;
    putLittle32(flipped, ram.offset + 20, little32(file, ram.offset + 20) - 1);
    expectRefused(flipped, "compressed length one short");

    std::vector<uint8_t> unknown = file;
    std::memcpy(&unknown[section("SND!").offset], "SND?", 4);
    expectRefused(unknown, "unknown tag");
    std::vector<uint8_t> future = file;
    putLittle32(future, section("MAIN").offset + 8, 3);
    expectRefused(future, "MAIN of a later version");
    expectRefused({}, "empty file");
    EXPECT_FALSE(loadSnapshot(dir + "/missing.Quarv"));
    EXPECT_FALSE(loadSnapshot(dir)) << "a folder";

    // Values no machine produces, which would overflow the scheduler's arithmetic.
    std::vector<uint8_t> impossible = file;
    putLittle32(impossible, section("IT! ").offset + 40, 0x7FFFFFFF);  // the frame counter
    expectRefused(impossible, "frame counter at its end");
    impossible = file;
    putLittle32(impossible, section("MFP!").offset + 268, 0x7FFFFFF0);  // timer A's due position
    expectRefused(impossible, "timer due beyond any frame");
    impossible = file;
    putLittle32(impossible, section("68K!").offset + 116, 0x80000000);  // the frame position
    expectRefused(impossible, "frame position far before the frame");
    impossible = file;
    putLittle32(impossible, section("FDC!").offset + 16, 9);  // a floppy event that does not exist
    expectRefused(impossible, "unknown floppy event");

    runTestFrames(2);
    EXPECT_EQ(crashCount, 0);
}

TEST_F(Snapshots, SlotsAreNumberedFromOneAndKeepTheirPicture) {
    EXPECT_EQ(slotFileName(0), "MemoryShot/QuarvMemoryShot_1.Quarv");
    EXPECT_EQ(slotFileName(9), "MemoryShot/QuarvMemoryShot_10.Quarv");
    EXPECT_EQ(slotSaveMessage(0, true), "Slot 1 has been overwritten.");
    EXPECT_EQ(slotSaveMessage(9, false), "ERROR: Unable to owerwrite slot 10");
    EXPECT_EQ(slotLoadError(2), "ERROR: Unable to load slot 3");
    EXPECT_EQ(slotEraseError(4), "ERROR: Unable to erase slot 5");

    for (int i = 0; i < CAPTURE_WIDTH * CAPTURE_HEIGHT; ++i) capturedPicture[i] = uint16_t(i * 37 & 0xFFF);
    ASSERT_TRUE(saveSlot(9));
    std::memset(previewPicture, 0, sizeof previewPicture);
    ASSERT_TRUE(loadSlotPicture(9));
    EXPECT_EQ(std::memcmp(previewPicture, capturedPicture, sizeof previewPicture), 0);
    EXPECT_TRUE(loadSlot(9));
    EXPECT_TRUE(eraseSlot(9));
    EXPECT_FALSE(eraseSlot(9));
    EXPECT_FALSE(loadSlotPicture(9));
}

TEST_F(Snapshots, AFailedSaveKeepsThePreviousFile) {
    runTestFrames(2);
    {
        FileSizeLimit full(1000);
        EXPECT_FALSE(saveSnapshot(path));
    }
    EXPECT_EQ(readFileBytes(path), file);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "no temporary file left";
}

// N frames, a save, M frames recorded as WAV; against a fresh machine with another past
// that loads the file and records M frames. The STFM plays a tone on the sound chip, the
// STE a DMA sample started before the save; the drive's motor noise runs in both.
TEST(SnapshotSound, AResumedRunRecordsTheSameWavAsTheRunThatNeverStopped) {
    struct Case {
        const char* name;
        bool ste;
        int framesBefore, framesRecorded;
    };
    for (const Case& c : {Case{"stfm", false, 20, 25}, Case{"ste", true, 60, 40}}) {
        WorkingDirectory in(makeTempDir(std::string("snapshot_wav_") + c.name));
        TestMachineSetup setup;
        setup.rom = m68kProgramPath("sound_tone_dma");
        setup.ste = c.ste;
        auto record = [&](const std::string& wav) {
            ASSERT_TRUE(recorderStartToFile(false, wav));
            runTestFrames(c.framesRecorded);
            recorderStop();
            stopTestMachine();
        };

        startTestMachine(setup);
        runTestFrames(c.framesBefore - 10);
        startDriveSound(DriveSound::MotorStarting);
        runTestFrames(10);
        ASSERT_TRUE(saveSnapshot("run.Quarv"));
        record("straight.wav");

        startTestMachine(setup);
        runTestFrames(7);
        ASSERT_TRUE(loadSnapshot("run.Quarv"));
        record("resumed.wav");

        std::vector<uint8_t> straight = readFileBytes("straight.wav");
        ASSERT_EQ(straight.size(), 44u + 2 * 881 * size_t(c.framesRecorded)) << c.name;
        EXPECT_TRUE(readFileBytes("resumed.wav") == straight) << c.name;
    }
}

}  // namespace
