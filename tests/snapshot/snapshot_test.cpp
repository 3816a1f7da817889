// Memory snapshots: the file layout, resuming a machine exactly, and refusing damaged
// files without touching the running machine.
#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <tuple>

#include "cpu/cpu.h"
#include "floppy/wd1772.h"
#include "machine/hardware_state.h"
#include "frontend/run_loop.h"
#include "machine/memory_map.h"
#include "machine/scheduler.h"
#include "machine/snapshot.h"
#include "peripherals/ikbd.h"
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
                                              "SHOT", "SND2"}));
    EXPECT_EQ(total, file.size());
    // A version, then the fields; every integer 32 bits wide.
    const size_t rom = m68kProgramPath("snapshot_machine").size();
    const std::pair<const char*, size_t> fields[] = {
        {"68K!", 8 * 3 * 4 + 4 * 4}, {"MFP!", 256 + 3 * 4 + 4 * 4 + 3 * 4 + 3 * 4}, {"IT! ", 8 * 4},
        {"FDC!", 16 * 4}, {"SHFT", 4 + 4 + 64 + 256 + 4}, {"KEYB", (17 + 7) * 4}, {"SND!", 14},
        {"SND2", (10 + 2 + 2 + 6) * 4 + 256},
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
        return std::make_pair(machine, std::vector<int16_t>(OutputBuffer, OutputBuffer + lastSampleCount));
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

// Files written before a section grew its last fields still load and leave what those
// fields carry as it stands: sound chip port A ("FDC!" version 1), the keyboard
// processor's clock ("KEYB" version 1). The newer file brings them back.
TEST_F(Snapshots, OlderSectionsLeaveWhatTheyLackAlone) {
    const struct {
        const char* tag;
        uint32_t oldVersion, fieldsAdded;
        void (*change)();
        bool (*changed)();
    } cases[] = {
        {"FDC!", 1, 1, [] { hw.ymRegisterImage[14] = 0x25; }, [] { return hw.ymRegisterImage[14] == 0x25; }},
        {"KEYB", 1, 7, [] { ikbdSetClock(86400 * 365); }, [] { return ikbdClock.year == 71 && ikbdClock.cycles == 0; }},
    };
    for (const auto& c : cases) {
        const Section& s = section(c.tag);
        uint32_t cut = 4 * c.fieldsAdded;
        std::vector<uint8_t> old = file;
        putLittle32(old, s.offset + 4, s.size - cut);
        putLittle32(old, s.offset + 8, c.oldVersion);
        old.erase(old.begin() + long(s.offset + 8 + s.size - cut), old.begin() + long(s.offset + 8 + s.size));

        c.change();
        ASSERT_TRUE(loadSnapshot(variant("old.Quarv", old))) << c.tag;
        EXPECT_TRUE(c.changed()) << c.tag;
        ASSERT_TRUE(loadSnapshot(path));
        EXPECT_FALSE(c.changed()) << c.tag;
    }
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
        // file without the last, "SND2", is one written before it existed).
        if (s.offset > 0 && s.tag != "SND2")
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
        {"KEYB", 12 + 17 * 4, 100, "a clock year of three digits"},
        {"KEYB", 12 + 23 * 4, 8021247, "a clock second of more cycles than a second has"},
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
