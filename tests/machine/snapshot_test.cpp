// Memory snapshots: the file layout, resuming a machine exactly, and refusing damaged
// files without touching the running machine.
#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <tuple>

#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "floppy/acsi_bus.h"
#include "floppy/dma_chip.h"
#include "floppy/hard_disk_image.h"
#include "floppy/wd1772.h"
#include "frontend/run_loop.h"
#include "frontend/snapshot_slots.h"
#include "machine/scheduler.h"
#include "machine/snapshot.h"
#include "media/recorder.h"
#include "media/screenshot.h"
#include "peripherals/ikbd.h"
#include "peripherals/mfp.h"
#include "sound/dma_sound.h"
#include "sound/drive_sounds.h"
#include "sound/lmc1992.h"
#include "sound/microwire.h"
#include "sound/mixer.h"
#include "sound/ym2149.h"
#include "support/hard_disk_builder.h"
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

// The file as a program that wrote `version` of the section `tag`, which lacked its last
// `droppedBytes`, would have written it.
std::vector<uint8_t> withOlderSection(const std::vector<uint8_t>& file, const std::string& tag, uint32_t version,
                                      uint32_t droppedBytes) {
    std::vector<uint8_t> old = file;
    for (const Section& s : sectionsOf(file)) {
        if (s.tag != tag) continue;
        putLittle32(old, s.offset + 4, s.size - droppedBytes);
        putLittle32(old, s.offset + 8, version);
        old.erase(old.begin() + long(s.offset + 8 + s.size - droppedBytes), old.begin() + long(s.offset + 8 + s.size));
    }
    return old;
}

std::vector<uint8_t> sectionBytes(const std::vector<uint8_t>& file, const Section& s) {
    return std::vector<uint8_t>(file.begin() + long(s.offset), file.begin() + long(s.offset + 8 + s.size));
}

// What a load could change, to tell whether a refused load left the machine alone.
auto fingerprint() {
    uint64_t ramHash = 1469598103934665603ull;
    for (uint32_t i = 0; i < RAM_AREA_SIZE; ++i) ramHash = (ramHash ^ hw.ram[i]) * 1099511628211ull;
    return std::make_tuple(std::vector<uint32_t>(cpu.regs, cpu.regs + 16), cpu.pc, cpu.sr, cpu.odometer,
                           scheduler.frameCounter, scheduler.hblCycle, std::vector<uint8_t>(hw.mfp, hw.mfp + 256),
                           fdc.track, ramHash, ramSizeIndex());
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
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
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
                                              "SHOT", "SND2", "GEMD", "ACSI"}));
    EXPECT_EQ(total, file.size());
    // A version, then the fields; every integer 32 bits wide.
    const size_t rom = m68kProgramPath("snapshot_machine").size();
    const std::pair<const char*, size_t> fields[] = {
        {"68K!", 8 * 3 * 4 + 4 * 4}, {"MFP!", 256 + 3 * 4 + 4 * 4 + 3 * 4 + 3 * 4 + 4 * 4}, {"IT! ", 8 * 4},
        {"FDC!", 16 * 4}, {"SHFT", 4 + 4 + 64 + 256 + 4 + 4}, {"KEYB", (17 + 7) * 4 + 256 + 4 + 256 + 6 * 4 + 6 + 4 * 4}, {"SND!", 14 + 4 + 16},
        {"SND2", (10 + 2 + 2 + 4) * 4 + 256 + (2 + 6 + 2 * 12 + 2 + 2) * 4},
        {"GEMD", (4 + 1) + 4 + 4 + (4 + 1) + 3 * 4 + 3 * 4},  // no folder drive: no files, searches or loads
        {"ACSI", 7 * 4 + 13 + 2 * 4 * 4 + 4 + 2 * ((4 + 1) + 4 + 4)},  // no image: empty paths, no runs
        {"MAIN", 4 + (4 + std::strlen(QUARV_VERSION_STRING) + 1) + (4 + 1) + 4 + (4 + rom + 1)}};
    for (auto [tag, size] : fields) EXPECT_EQ(section(tag).size, 4 + size) << tag;
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
        soundA.insert(soundA.end(), OutputBuffer, OutputBuffer + SOUND_CHANNELS * lastSampleCount);
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
        soundB.insert(soundB.end(), OutputBuffer, OutputBuffer + SOUND_CHANNELS * lastSampleCount);
    }
    std::vector<uint16_t> pictureB(framePicture(), framePicture() + FRAME_WIDTH * FRAME_HEIGHT);

    ASSERT_EQ(soundA.size(), size_t(frames) * 881 * SOUND_CHANNELS);
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
    const uint32_t pc = cpu.pc;
    const int32_t odometer = cpu.odometer, frame = scheduler.frameCounter;
    ASSERT_TRUE(loadSnapshot(ramOnly));
    EXPECT_EQ(ramSizeIndex(), 2);
    EXPECT_EQ(peekLong(0x10000), savedWord);
    EXPECT_TRUE(cpu.pc == pc && cpu.odometer == odometer && scheduler.frameCounter == frame);
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
    auto loadAndPlay = [](const std::string& p) {
        EXPECT_TRUE(loadSnapshot(p));
        auto machine = fingerprint();
        runTestFrames(1);
        std::vector<int16_t> sound(OutputBuffer, OutputBuffer + SOUND_CHANNELS * lastSampleCount);
        return std::make_pair(machine, sound);
    };
    auto inOrder = loadAndPlay(path);
    runTestFrames(3);
    EXPECT_EQ(loadAndPlay(other), inOrder);
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
// shapes, the drive noise outside its recordings, the LMC1992 outside its steps and its
// filters must not start from values that are not numbers.
TEST_F(Snapshots, ImpossibleSoundRunValuesAreBroughtIntoRange) {
    const Section& s = section("SND2");
    std::vector<uint8_t> odd = file;
    const size_t body = s.offset + 8, registers = body + 4 + 18 * 4, end = body + s.size;
    for (size_t field = body + 4; field < end; field += 4)
        if (field < registers || field >= registers + 256) putLittle32(odd, field, 0xFFFFFFFF);
    putLittle32(odd, body + 4 + 17 * 4, 0);  // the DMA sample period
    odd[registers + 0x01] = 3;  // playing, repeated, stereo
    odd[registers + 0x21] = 0;
    ASSERT_TRUE(loadSnapshot(variant("odd.Quarv", odd)));
    machineSettings.machine = 1;  // the LMC1992 in the sound path
    applyMachineType();
    EXPECT_EQ(ymChip.envelopePhase, 1u);
    EXPECT_EQ(dmaSound.samplePeriod, 1227u);  // the rate of the mode register
    Lmc1992Carried chip;
    lmc1992Save(chip);
    EXPECT_EQ(chip.settings.masterVolume, 0);  // -1, held at the lowest step
    EXPECT_EQ(chip.settings.treble, 0);
    EXPECT_EQ(chip.toneHistory[1][5], 0.0);
    EXPECT_EQ(chip.lateCycle, -1);
    runTestFrames(3);
    EXPECT_EQ(crashCount, 0);
}

// The LMC1992's settings, where its filters stand and a command due in the next frame,
// and a microwire transfer still running, come back exactly.
TEST_F(Snapshots, TheLmc1992AndTheMicrowireTransferResume) {
    Lmc1992Carried chip = {{0, 2, 11, 33, 19, 4}, {{1, -2, 3.5, -4.25, 1e-3, 7}, {-7, 6, -5, 4, -3, 2.125}}, 60, 0x4C5};
    lmc1992Restore(chip);
    microwireRestore({-40, true});
    std::string p = dir + "/lmc.Quarv";
    ASSERT_TRUE(saveSnapshot(p));
    lmc1992PowerOn();
    microwirePowerOn();
    ASSERT_TRUE(loadSnapshot(p));
    Lmc1992Carried back;
    lmc1992Save(back);
    EXPECT_EQ(std::memcmp(&back, &chip, sizeof chip), 0);
    MicrowireCarried transfer = microwireSave();
    EXPECT_EQ(transfer.transferStart, -40);
    EXPECT_TRUE(transfer.delivered);
}

// The bus's state and the image sectors the file does not hold travel in the snapshot:
// resuming maps the image again and lays them over it, dropping later changes. A file
// written before the bus existed leaves the bus idle and the attached image as it is.
TEST_F(Snapshots, HardDiskChangesAndTheBusStateAreResumed) {
    std::string image = dir + "/hd.img";
    Bytes original = hardDiskImage(PartitionTable::Atari, 8400, {});
    writeBytes(image, original);
    ASSERT_TRUE(hardDiskAttach(0, image)) << hardDiskError;
    auto stWrites = [](uint32_t lba, uint8_t value) {
        std::fill(hardDiskSector(0, lba), hardDiskSector(0, lba) + 512, value);
        hardDiskMarkChanged(0, lba, 1);
    };
    for (uint32_t lba = 10; lba < 140; ++lba) stWrites(lba, uint8_t(lba));  // runs of 128 and 2
    stWrites(500, 0x5C);
    acsi.phase = ACSI_STATUS;
    acsi.status = ACSI_STATUS_CHECK_CONDITION;
    acsi.sense[0] = {5, 0x21, 99, true};
    diskInterruptLine(DISK_IRQ_ACSI, true);
    std::vector<uint8_t> saved;
    saveSnapshotToBuffer(saved);

    stWrites(10, 0x00);
    stWrites(600, 0x66);
    acsiBusReset();
    ASSERT_TRUE(loadSnapshotFromBuffer(saved.data(), saved.size()));
    ASSERT_TRUE(hardDiskAttached(0));
    std::vector<uint32_t> changed;
    for (uint32_t lba = 10; lba < 140; ++lba) {
        changed.push_back(lba);
        EXPECT_EQ(hardDiskSector(0, lba)[511], uint8_t(lba)) << lba;
    }
    changed.push_back(500);
    EXPECT_EQ(hardDiskChangedSectors(0), changed);
    EXPECT_EQ(hardDiskSector(0, 600)[0], original[600 * 512]);
    EXPECT_EQ(acsi.phase, uint32_t(ACSI_STATUS));
    EXPECT_EQ(acsi.sense[0].info, 99u);
    EXPECT_FALSE(hw.mfp[0x01] & 0x20) << "the device holds the line";
    EXPECT_EQ(readFileBytes(image), original);

    std::vector<uint8_t> older(file.begin(), file.begin() + long(section("ACSI").offset));
    ASSERT_TRUE(loadSnapshot(variant("older.Quarv", older)));
    EXPECT_EQ(acsi.phase, uint32_t(ACSI_IDLE));
    EXPECT_EQ(hardDiskChangedSectors(0), changed);
    ASSERT_TRUE(loadSnapshot(path));
    EXPECT_FALSE(hardDiskAttached(0)) << "the machine of the file had no hard disk";
}


// Version 1 kept the microwire's volumes as multipliers of the DMA sound (256 before any
// command, 128 x step / 20 after one) and one low-pass history: they become the LMC1992's
// steps, the rest of the chip flat, and the same history in both channels.
TEST_F(Snapshots, ASoundRunSectionOfVersionOneLoadsItsVolumesAsSteps) {
    const Section& s = section("SND2");
    const size_t body = s.offset + 8, registers = body + 4 + 18 * 4;
    std::vector<uint8_t> old(file.begin(), file.begin() + long(registers));
    putLittle32(old, s.offset + 4, 4 + 20 * 4 + 256);
    putLittle32(old, body, 1);
    putLittle32(old, body + 4 + 10 * 4, 1234);  // the low-pass history
    for (uint32_t volume : {64u, 256u}) old.insert(old.end(), {uint8_t(volume), uint8_t(volume >> 8), 0, 0});
    old.insert(old.end(), file.begin() + long(registers), file.begin() + long(registers + 256));
    old.insert(old.end(), file.begin() + long(body + s.size), file.end());
    lmc1992Restore({{0, 0, 0, 0, 0, 0}, {}, -1, 0});
    ASSERT_TRUE(loadSnapshot(variant("snd2v1.Quarv", old)));
    Lmc1992Carried chip;
    lmc1992Save(chip);
    const Lmc1992Settings& l = chip.settings;
    EXPECT_EQ((std::vector<int>{l.input, l.bass, l.treble, l.masterVolume, l.leftVolume, l.rightVolume}),
              (std::vector<int>{1, 6, 6, 40, 10, 20}));
    EXPECT_EQ(lowPassHistory(1).last, 1234);
}

// A section of the version before its last fields existed loads: "FDC!" 1 leaves port A
// to "SND!" (which carries it since version 2), "SND!" 1 leaves port B as it was, "SHFT" 2 (from before the STE's pixel scroll took effect) has no extra fetch,
// "MFP!" 1 (from before the timers' inputs and outputs were kept) starts with the outputs low.
TEST_F(Snapshots, OlderSectionVersionsWithoutTheirLastField) {
    const struct {
        const char* tag;
        uint32_t version, dropped;
        uint8_t* state;
        uint8_t saved, present, afterOld;
    } cases[] = {
        {"FDC!", 1, 4, &hw.ymRegisterImage[14], 0x13, 0x25, 0x13},
        {"SND!", 1, 4 + 16, &hw.ymRegisterImage[15], 0x13, 0x25, 0x25},
        {"SHFT", 2, 4, &hw.scrollPrefetch, 1, 1, 0},
        {"MFP!", 1, 16, &hw.timerOutputs, MFP_OUTPUT_TIMER_A | MFP_OUTPUT_TIMER_B, 1, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.tag);
        *k.state = k.saved;
        std::vector<uint8_t> current;
        saveSnapshotToBuffer(current);
        std::vector<uint8_t> old = withOlderSection(current, k.tag, k.version, k.dropped);

        *k.state = k.present;
        ASSERT_TRUE(loadSnapshotFromBuffer(old.data(), old.size()));
        EXPECT_EQ(*k.state, k.afterOld);
        *k.state = k.present ^ 0xFF;
        ASSERT_TRUE(loadSnapshotFromBuffer(current.data(), current.size()));
        EXPECT_EQ(*k.state, k.saved);
    }
}

// "KEYB" version 1, from before the keyboard processor's clock was kept, leaves the clock
// as it stands; the newer file brings it back.
TEST_F(Snapshots, AKeyboardSectionOfVersionOneLeavesTheClockAlone) {
    ikbdSetClock(86400 * 365);
    ASSERT_TRUE(loadSnapshot(variant("old.Quarv", withOlderSection(file, "KEYB", 1, 7 * 4))));
    EXPECT_TRUE(ikbdClock.year == 71 && ikbdClock.cycles == 0);
    ASSERT_TRUE(loadSnapshot(path));
    EXPECT_FALSE(ikbdClock.year == 71 && ikbdClock.cycles == 0);
}

TEST_F(Snapshots, DamagedFilesAreRefusedAndTheMachineRunsOn) {
    runTestFrames(3);
    const auto before = fingerprint();
    auto expectRefused = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
        EXPECT_FALSE(loadSnapshot(variant("bad.Quarv", bytes))) << what;
        EXPECT_EQ(fingerprint(), before) << what;
    };

    for (const Section& s : sections) {
        for (size_t cut : {s.offset + 3, s.offset + 7, s.offset + 8 + s.size / 2, s.offset + 8 + s.size - 1})
            expectRefused(std::vector<uint8_t>(file.begin(), file.begin() + long(cut)), "cut inside " + s.tag);
        // A whole-machine file cut at a section boundary lacks the later sections (but a
        // file without the last ones, "SND2", "GEMD" and "ACSI", is one written before they existed).
        if (s.offset > 0 && s.tag != "SND2" && s.tag != "GEMD" &&
            s.tag != "ACSI")
            expectRefused(std::vector<uint8_t>(file.begin(), file.begin() + long(s.offset)), "cut before " + s.tag);
    }
    const Section& ram = section("RAM!");
    for (size_t cut = ram.offset + 24; cut < ram.offset + 8 + ram.size; cut += ram.size / 7)
        expectRefused(std::vector<uint8_t>(file.begin(), file.begin() + long(cut)), "cut in the RAM block");

    // One field changed: lengths that disagree with the data, a later version, and values
    // no machine produces, which would overflow the scheduler's arithmetic.
    const struct {
        const char* tag;
        size_t at;  // from the section's tag
        uint32_t value;
        const char* what;
    } patches[] = {
        {"KEYB", 4, section("KEYB").size ^ 0x100, "flipped section length"},
        {"RAM!", 16, 0x200000 + 2, "block longer than the RAM of its size index"},
        {"RAM!", 20, little32(file, ram.offset + 20) - 1, "compressed length one short"},
        {"MAIN", 8, 3, "MAIN of a later version"},
        {"IT! ", 40, 0x7FFFFFFF, "frame counter at its end"},
        {"MFP!", 268, 0x7FFFFFF0, "timer A due beyond any frame"},
        {"68K!", 116, 0x80000000, "frame position far before the frame"},
        {"FDC!", 16, 9, "a floppy event that does not exist"},
        {"ACSI", 12, 7, "an ACSI bus phase that does not exist"},
        {"ACSI", 16, 2, "a command for a device that cannot hold an image"},
        {"KEYB", 12 + 17 * 4, 100, "a clock year of three digits"},
        {"KEYB", 12 + 23 * 4, 8021247, "a clock second of more cycles than a second has"},
        // The queue is empty: its count, then the reported keys, three scan values, the command.
        {"KEYB", 12 + 24 * 4 + 256 + 4 + 256 + 4 * 4, 3, "parameters left for no command that takes them"},
    };
    for (const auto& p : patches) {
        std::vector<uint8_t> bad = file;
        putLittle32(bad, section(p.tag).offset + p.at, p.value);
        expectRefused(bad, p.what);
    }
    std::vector<uint8_t> unknown = file;
    std::memcpy(&unknown[section("SND!").offset], "SND?", 4);
    expectRefused(unknown, "unknown tag");
    expectRefused({}, "empty file");
    EXPECT_FALSE(loadSnapshot(dir + "/missing.Quarv"));
    EXPECT_FALSE(loadSnapshot(dir)) << "a folder";

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
// STE a DMA sample started before the save, in mono, then in stereo through a volume the
// LMC1992 keeps; the drive's motor noise runs in all.
TEST(SnapshotSound, AResumedRunRecordsTheSameWavAsTheRunThatNeverStopped) {
    struct Case {
        const char* name;
        const char* program;
        bool ste;
        int framesBefore, framesRecorded;
    };
    for (const Case& c : {Case{"stfm", "sound_tone_dma", false, 20, 25}, Case{"ste", "sound_tone_dma", true, 60, 40},
                          Case{"ste_stereo", "sound_dma_stereo", true, 20, 10}}) {
        WorkingDirectory in(makeTempDir(std::string("snapshot_wav_") + c.name));
        TestMachineSetup setup;
        setup.rom = m68kProgramPath(c.program);
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
        ASSERT_EQ(straight.size(), 44u + 4 * 881 * size_t(c.framesRecorded)) << c.name;
        EXPECT_TRUE(readFileBytes("resumed.wav") == straight) << c.name;
    }
}

// tests/data/snapshot_machine.Quarv was written by the build before each section moved
// beside its part (snapshot_machine.bin, no disk, 20 frames). The machine it resumes writes
// it back byte for byte, section by section: each build reads the other's files. "KEYB" and
// "SND!" have since grown (the keyboard path and the YM2149's register image as written, which
// a load used to lose): they are written at their new version, longer.
TEST(SnapshotFiles, AFileOfTheEarlierBuildResumesAndIsWrittenBackTheSame) {
    std::string dir = makeTempDir("snapshot_earlier");
    std::filesystem::copy_file(m68kProgramPath("snapshot_machine"), dir + "/snapshot_machine.bin");
    WorkingDirectory in(dir);  // the file names its TOS image as given: "snapshot_machine.bin"
    TestMachineSetup setup(m68kProgramPath("snapshot_machine"));
    setup.noDisk = true;
    startTestMachine(setup);
    std::vector<uint8_t> earlier = readFileBytes(std::string(QUARV_SOURCE_DIR) + "/tests/data/snapshot_machine.Quarv");
    ASSERT_TRUE(loadSnapshotFromBuffer(earlier.data(), earlier.size())) << snapshotLoadError();
    EXPECT_EQ(snapshotLoadWarning(), "");
    std::vector<uint8_t> written;
    saveSnapshotToBuffer(written);
    std::vector<Section> was = sectionsOf(earlier), is = sectionsOf(written);
    ASSERT_EQ(was.size(), is.size());
    for (size_t i = 0; i < was.size(); ++i) {
        EXPECT_EQ(is[i].tag, was[i].tag);
        if (was[i].tag == "KEYB" || was[i].tag == "SND!") {
            EXPECT_GT(is[i].size, was[i].size) << was[i].tag;
            continue;
        }
        EXPECT_TRUE(std::equal(earlier.begin() + long(was[i].offset), earlier.begin() + long(was[i].offset + 8 + was[i].size),
                               written.begin() + long(is[i].offset), written.begin() + long(is[i].offset + 8 + is[i].size)))
            << was[i].tag << " differs";
    }
    runTestFrames(10);
    stopTestMachine();
}

}  // namespace
