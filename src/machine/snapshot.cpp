#include "machine/snapshot.h"

#include <lzo/lzo1x.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "base/data_folder.h"
#include "base/input_file.h"
#include "base/safe_file.h"
#include "bus/hardware_state.h"
#include "bus/machine_settings.h"
#include "bus/memory_map.h"
#include "cpu/cpu.h"
#include "floppy/acsi_bus.h"
#include "floppy/disk_image.h"
#include "floppy/dma_chip.h"
#include "floppy/hard_disk_image.h"
#include "floppy/wd1772.h"
#include "gemdos/folder_drive.h"
#include "gemdos/folder_drive_snapshot.h"
#include "machine/rom_images.h"
#include "machine/scheduler.h"
#include "peripherals/blitter.h"
#include "peripherals/ikbd.h"
#include "peripherals/mfp.h"
#include "sound/dma_sound.h"
#include "sound/drive_sounds.h"
#include "sound/lmc1992.h"
#include "sound/microwire.h"
#include "sound/mixer.h"
#include "sound/ym2149.h"
#include "video/renderer.h"
#include "video/shifter.h"

std::string defaultSnapshotFile() { return dataFile("MemoryShot/DefaultSnapshot.Quarv"); }
uint16_t previewPicture[CAPTURE_WIDTH * CAPTURE_HEIGHT];

namespace {

const SnapshotRomHooks* romHooks;
// Why the last load was refused.
std::string loadError;
constexpr uint32_t MAX_RAM_BYTES = 0x200000;  // the largest readable RAM
constexpr uint32_t PICTURE_BYTES = sizeof capturedPicture;

// ---- Byte streams -------------------------------------------------------------------
// Every integer is 32-bit little-endian whatever the width of the state it holds. The
// two streams share each section's field list (`fields`), so that a section is read
// exactly as it is written.

struct Saver {
    std::vector<uint8_t>& out;
    void put32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    }
    template <class T>
    void num(T& v) { put32(uint32_t(v)); }
    // The length of a list whose items take at least `itemBytes` each.
    void count(uint32_t& n, size_t) { put32(n); }
    void raw(void* p, size_t n) { out.insert(out.end(), static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + n); }
    // Count including the terminating zero, then the bytes.
    void text(std::string& s, size_t) {
        put32(uint32_t(s.size() + 1));
        out.insert(out.end(), s.begin(), s.end());
        out.push_back(0);
    }
    // Uncompressed length, compressed length, LZO1X-1 bytes.
    void block(uint8_t* data, uint32_t, uint32_t& length) {
        static lzo_align_t workMemory[(LZO1X_1_MEM_COMPRESS + sizeof(lzo_align_t) - 1) / sizeof(lzo_align_t)];
        std::vector<uint8_t> packed(length * 2 + 1024);
        lzo_uint packedLength = 0;
        lzo1x_1_compress(data, length, packed.data(), &packedLength, workMemory);
        put32(length);
        put32(uint32_t(packedLength));
        out.insert(out.end(), packed.begin(), packed.begin() + long(packedLength));
    }
};

// Reads within one section body; any field that does not fit clears `ok`.
struct Parser {
    const uint8_t* p;
    const uint8_t* end;
    bool ok = true;

    bool take(size_t n) {
        if (!ok || size_t(end - p) < n) return ok = false;
        return true;
    }
    uint32_t get32() {
        if (!take(4)) return 0;
        uint32_t v = p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
        p += 4;
        return v;
    }
    template <class T>
    void num(T& v) {
        uint32_t raw = get32();
        if constexpr (std::is_same_v<T, bool>)
            v = raw != 0;
        else
            v = T(raw);
    }
    // A list can hold no more items than the bytes left could.
    void count(uint32_t& n, size_t itemBytes) {
        n = get32();
        if (n > size_t(end - p) / itemBytes) ok = false;
        if (!ok) n = 0;
    }
    void raw(void* dest, size_t n) {
        if (!take(n)) return;
        std::memcpy(dest, p, n);
        p += n;
    }
    // A string longer than its destination is cut to the destination's size.
    void text(std::string& s, size_t keep) {
        uint32_t count = get32();
        if (!take(count)) return;
        size_t length = strnlen(reinterpret_cast<const char*>(p), count);
        s.assign(reinterpret_cast<const char*>(p), length < keep ? length : keep - 1);
        p += count;
    }
    // The block must decompress to exactly its stated length, within `capacity`.
    void block(uint8_t* data, uint32_t capacity, uint32_t& length) {
        uint32_t n = get32();
        uint32_t packed = get32();
        if (!ok || n > capacity || !take(packed)) {
            ok = false;
            return;
        }
        lzo_uint produced = n;
        int result = lzo1x_decompress_safe(p, packed, data, &produced, nullptr);
        p += packed;
        ok = result == LZO_E_OK && produced == n;
        length = n;
    }
};

// ---- Sections -----------------------------------------------------------------------
// Each section: its data as read from a file or taken from the machine, the field list
// in file order, and how the data reaches the machine.

// What a load could not bring back while the machine still resumed.
std::string loadWarning;

struct MainSection {
    static constexpr uint32_t VERSION = 2;
    uint32_t version = VERSION;
    uint32_t machineFlags;
    std::string versionString, diskPath, romName;
    int32_t romId = -1;
    TosImage rom;  // the image the snapshot ran, read before anything is applied

    template <class S>
    void fields(S& s) {
        s.num(machineFlags);
        s.text(versionString, 256);
        s.text(diskPath, 512);
        if (version >= 2) {
            s.num(romId);
            s.text(romName, 260);
        }
    }
    bool acceptVersion() const { return version <= VERSION; }
    void capture() {
        machineFlags = hw.machineFlags;
        versionString = QUARV_VERSION_STRING;
        diskPath = insertedDiskPath();
        romId = romHooks ? romHooks->activeRomId() : -1;
        romName = currentRomName;
    }
    // The machine cannot resume on another TOS than the one whose state its RAM holds:
    // a snapshot whose TOS image cannot be loaded is refused.
    bool valid() {
        if (version < 2) return true;
        if (readTosImage(romName.c_str(), rom)) return true;
        loadError = "Its TOS image cannot be loaded: " + romLoadError;
        return false;
    }
    // A disk that cannot be inserted leaves the drive empty: the machine can go on.
    void apply() const {
        machineSettings.machine = machineFlags & MACHINE_STE;
        applyMachineType();
        if (!InsertDisk(diskPath.c_str()) && diskPath.size() >= 2)
            loadWarning = "Drive A is left empty: the disk image " + diskPath + " cannot be used: " +
                          (*driveA.errorMessage ? driveA.errorMessage : "unreadable.");
        if (version >= 2) {
            if (romId != -1 && romHooks) romHooks->setActiveRom(uint32_t(romId));
            placeTosImage(rom);
        }
    }
};

struct CpuSection {
    uint32_t version = 1;
    CpuState state;

    template <class S>
    void fields(S& s) {
        for (int n = 0; n < 8; ++n) {
            s.num(state.regs[n]);
            s.num(state.regs[8 + n]);
            s.num(state.interrupt[n]);
        }
        s.num(state.inactiveSp);
        s.num(state.pc);
        s.num(state.odometer);
        s.num(state.sr);
    }
    bool acceptVersion() const { return true; }
    void capture() { state = cpu; }
    void apply() const {
        std::memcpy(cpu.regs, state.regs, sizeof cpu.regs);
        std::memcpy(cpu.interrupt, state.interrupt, sizeof cpu.interrupt);
        cpu.inactiveSp = state.inactiveSp;
        cpu.pc = state.pc;
        cpu.odometer = state.odometer;
        cpu.sr = state.sr & 0xA71F;  // only the defined bits
    }
    // A snapshot is taken between frames: the frame position lies within a few frames of
    // the frame's start, never where the scheduler's arithmetic would overflow.
    bool valid() const { return state.odometer >= -4 * FRAME_CYCLES && state.odometer <= 4 * FRAME_CYCLES; }
};

// Version 2 adds what timers A and B keep for their inputs and outputs. A file of version 1
// leaves timer A's event counter as a start from TADR would, and a measured pulse with its
// whole period.
struct MfpSection {
    uint32_t version = 2;
    uint8_t registers[256];
    MfpTimerSchedule a, b, c, d;
    uint8_t counterA, counterB;
    int32_t heldA, heldB;
    uint8_t outputs;

    template <class S>
    void timer(S& s, MfpTimerSchedule& t) {
        s.num(t.due);
        s.num(t.cyclesPerTick);
        s.num(t.period);
    }
    template <class S>
    void fields(S& s) {
        s.raw(registers, sizeof registers);
        timer(s, a);
        timer(s, b);
        s.num(counterB);
        timer(s, c);
        timer(s, d);
        if (version < 2) {
            counterA = registers[MFP_TADR];
            heldA = a.period, heldB = b.period;
            outputs = 0;
            return;
        }
        s.num(counterA);
        s.num(heldA);
        s.num(heldB);
        s.num(outputs);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        std::memcpy(registers, hw.mfp, sizeof registers);
        a = hw.timerA, b = hw.timerB, c = hw.timerC, d = hw.timerD;
        counterA = hw.timerAInput.counter, counterB = hw.timerBInput.counter;
        heldA = hw.timerAInput.held, heldB = hw.timerBInput.held;
        outputs = hw.timerOutputs;
    }
    // Timer A's input follows the DMA sound, restored with it; the display enable is low
    // between frames, where snapshots are taken.
    void apply() const {
        std::memcpy(hw.mfp, registers, sizeof registers);
        hw.timerA = a, hw.timerB = b, hw.timerC = c, hw.timerD = d;
        hw.timerAInput.counter = counterA, hw.timerBInput.counter = counterB;
        hw.timerAInput.held = heldA, hw.timerBInput.held = heldB;
        hw.timerBInput.level = 0;
        hw.timerOutputs = outputs & (MFP_OUTPUT_TIMER_A | MFP_OUTPUT_TIMER_B);
    }
    // Schedules no MFP produces (the longest period is 256 ticks at prescale 200, some
    // 167,000 cycles; due positions lie within a few frames) would overflow the
    // scheduler's arithmetic: such a file is refused.
    bool valid() const {
        auto sane = [](const MfpTimerSchedule& t) {
            return t.period >= 0 && t.period <= 0x100000 && t.cyclesPerTick >= 0 && t.cyclesPerTick <= 0x10000 &&
                   t.due >= -0x100000 && t.due <= 0x100000;
        };
        auto held = [](int32_t cycles) { return cycles >= 0 && cycles <= 0x100000; };
        return sane(a) && sane(b) && sane(c) && sane(d) && held(heldA) && held(heldB);
    }
};

struct InterruptTimingSection {
    uint32_t version = 1;
    SchedulerState state;
    uint32_t reserved = 0;  // kept, never used

    template <class S>
    void fields(S& s) {
        s.num(state.nextEventKind);
        s.num(state.aciaPollCycle);
        s.num(state.vblCycle);
        s.num(state.lineCounter);
        s.num(reserved);
        s.num(state.hblCycle);
        s.num(state.lineEventCycle);
        s.num(state.frameCounter);
    }
    bool acceptVersion() const { return true; }
    void capture() { state = scheduler; }
    void apply() const {
        uint8_t interlace = scheduler.interlaceToggle;
        scheduler = state;
        scheduler.interlaceToggle = interlace;
    }
    // Positions within a few frames of the frame start, line counts within a frame, a
    // frame count that can go on counting: anything else no machine produced.
    bool valid() const {
        auto position = [](int32_t c) { return c >= -4 * FRAME_CYCLES && c <= 4 * FRAME_CYCLES; };
        return position(state.aciaPollCycle) && position(state.vblCycle) && position(state.hblCycle) &&
               position(state.lineEventCycle) && state.lineCounter >= 0 && state.lineCounter <= 2 * FRAME_LINES &&
               state.frameCounter >= 0 && state.frameCounter < (1 << 30);
    }
};

struct FdcSection {
    uint32_t version = 2;
    FdcState state;
    int32_t dmaEnd;
    uint8_t portA;  // sound chip register 14: drive and side selection

    template <class S>
    void fields(S& s) {
        s.num(state.eventTime);
        s.num(state.eventType);
        s.num(state.motorOn);
        s.num(state.track);
        s.num(state.sector);
        s.num(state.data);
        s.num(state.status);
        s.num(state.finalStatus);
        s.num(state.stepIn);
        s.num(state.dmaAddress);
        s.num(dmaEnd);
        s.num(state.dmaWrite);
        s.num(state.dmaOff);
        s.num(state.sectorCount);
        s.num(state.sectorsLeft);
        if (version >= 2) s.num(portA);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        state = fdc;
        dmaEnd = pendingDmaEnd;
        portA = hw.ymRegisterImage[14];
    }
    void apply() const {
        fdc = state;
        pendingDmaEnd = dmaEnd;
        if (version >= 2) hw.ymRegisterImage[14] = portA;
    }
    // A pending event is one the controller has, seconds ahead at most (spin-up, a long
    // seek, the motor's stop).
    bool valid() const {
        if (state.eventType == FDC_EVENT_NONE) return true;
        return state.eventType <= FDC_EVENT_NEXT_SECTOR && int32_t(state.eventTime) >= -(1 << 28) &&
               int32_t(state.eventTime) <= (1 << 28);
    }
};

// Version 3 adds the STE's extra fetch for the pixel scroll; the line offset and the
// scroll itself are in the register image. A file written before has no extra fetch: the
// machines that wrote it ignored $FF8265.
struct ShifterSection {
    uint32_t version = 3;
    uint32_t counterBase, videoBase;
    uint32_t palette[16];
    uint8_t registers[256];
    int32_t resolution;
    uint32_t scrollPrefetch = 0;

    template <class S>
    void fields(S& s) {
        s.num(counterBase);
        s.num(videoBase);
        s.raw(palette, sizeof palette);
        s.raw(registers, sizeof registers);
        if (version >= 2) s.num(resolution);
        if (version >= 3) s.num(scrollPrefetch);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        counterBase = hw.counterBase;
        videoBase = hw.videoBaseRegister;
        std::memcpy(palette, HostPalette, sizeof palette);
        std::memcpy(registers, hw.shifter, sizeof registers);
        resolution = rendererResolution;
        scrollPrefetch = hw.scrollPrefetch;
    }
    void apply() const {
        hw.counterBase = counterBase;
        hw.videoBaseRegister = videoBase;
        std::memcpy(HostPalette, palette, sizeof palette);
        std::memcpy(hw.shifter, registers, sizeof registers);
        if (version >= 2) rendererResolution = resolution & 3;
        hw.scrollPrefetch = scrollPrefetch != 0;
    }
};

// Version 2 adds the time-of-day clock; a file of version 1 leaves the clock running
// on from where it stands.
struct KeyboardSection {
    uint32_t version = 2;
    IkbdState state;
    IkbdClock clock;

    template <class S>
    void fields(S& s) {
        IkbdState& k = state;
        for (int32_t* field : {&k.mouseMode, &k.yOrigin, &k.mouseEnabled, &k.mouseButtonAction, &k.absoluteMaxY,
                               &k.absoluteMaxX, &k.keycodeDeltaX, &k.keycodeDeltaY, &k.thresholdX, &k.thresholdY,
                               &k.scaleX, &k.scaleY, &k.absoluteY, &k.absoluteX, &k.joystickMode,
                               &k.joystickEnabled, &k.lastReportButtons})
            s.num(*field);
        if (version >= 2)
            for (int32_t* field : {&clock.year, &clock.month, &clock.day, &clock.hour, &clock.minute, &clock.second,
                                   &clock.cycles})
                s.num(*field);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        state = ikbd;
        clock = ikbdClock;
    }
    void apply() const {
        ikbd = state;
        if (version >= 2) ikbdClock = clock;
        ikbdQueueClear();
    }
    bool valid() const { return version < 2 || ikbdClockValid(clock); }
};

struct SoundSection {
    uint32_t version = 1;
    uint8_t registers[YM_REGISTERS];

    template <class S>
    void fields(S& s) { s.raw(registers, sizeof registers); }
    bool acceptVersion() const { return true; }
    void capture() { ymSaveRegisters(ymChip, registers); }
    void apply() const {
        ymApplyRegisters(ymChip, registers);
        // What the processor reads back from the chip follows the restored registers.
        std::memcpy(hw.ymRegisterImage, registers, sizeof registers);
    }
};

// The sound as it runs on from frame to frame, beside the chip registers of "SND!": the
// sound chip's generators, the low-pass history of each channel and the drive noise of
// the mix, the STE DMA sound engine with its register page, and the LMC1992 with the
// microwire transfer that feeds it. Files written before it existed lack it; they load,
// and the sound then runs on from where the machine that loads them stood.
//
// Version 1 knew one channel and kept the microwire's left and right volumes as
// multipliers of the DMA sound (256 before any volume command, else 128 x steps / 20):
// they become the LMC1992's volume steps, everything else of the chip flat.
struct SoundRunSection {
    uint32_t version = 2;
    YmGeneratorState ym;
    LowPassHistory lowPass[SOUND_CHANNELS];
    DriveSoundPlace drive;
    DmaSoundCarried dma;
    int32_t olderVolumes[2];  // left, right: version 1
    Lmc1992Carried lmc1992;
    uint32_t toneBits[2 * 6 * 2];  // each value of the tone history as two words, low first
    MicrowireCarried microwire;

    template <class S>
    void fields(S& s) {
        for (uint32_t& position : ym.tonePosition) s.num(position);
        s.num(ym.noisePosition);
        s.num(ym.noiseShift);
        s.num(ym.noiseOutput);
        s.num(ym.envelopePosition);
        s.num(ym.envelopePhase);
        s.num(ym.resetRequest);
        s.num(ym.shapeWritten);
        s.num(lowPass[0].last);
        s.num(lowPass[0].beforeLast);
        s.num(drive.sound);
        s.num(drive.position);
        s.num(dma.addressCounter);
        s.num(dma.frameStart);
        s.num(dma.frameEnd);
        s.num(dma.samplePeriod);
        if (version < 2) {
            s.num(olderVolumes[0]);
            s.num(olderVolumes[1]);
        }
        s.raw(dma.registers, sizeof dma.registers);
        if (version < 2) return;
        s.num(lowPass[1].last);
        s.num(lowPass[1].beforeLast);
        Lmc1992Settings& l = lmc1992.settings;
        for (int32_t* field : {&l.input, &l.bass, &l.treble, &l.masterVolume, &l.leftVolume, &l.rightVolume})
            s.num(*field);
        for (uint32_t& word : toneBits) s.num(word);
        s.num(lmc1992.lateCycle);
        s.num(lmc1992.lateCommand);
        s.num(microwire.transferStart);
        s.num(microwire.delivered);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        ymSaveGenerators(ymChip, ym);
        for (int c = 0; c < SOUND_CHANNELS; ++c) lowPass[c] = lowPassHistory(c);
        drive = driveSoundPlace();
        dmaSoundSave(dma);
        lmc1992Save(lmc1992);
        for (int i = 0; i < 12; ++i) {
            uint64_t bits = std::bit_cast<uint64_t>(lmc1992.toneHistory[i / 6][i % 6]);
            toneBits[2 * i] = uint32_t(bits);
            toneBits[2 * i + 1] = uint32_t(bits >> 32);
        }
        microwire = microwireSave();
    }
    // After "SND!", whose register writes restart the envelope.
    void apply() const {
        ymRestoreGenerators(ymChip, ym);
        restoreLowPassHistory(0, lowPass[0]);
        restoreLowPassHistory(1, version < 2 ? lowPass[0] : lowPass[1]);
        resumeDriveSound(drive);
        dmaSoundRestore(dma);
        lmc1992Restore(version < 2 ? olderChip() : carriedChip());
        microwireRestore(version < 2 ? MicrowireCarried{-MICROWIRE_TRANSFER_CYCLES, false} : microwire);
    }
    Lmc1992Carried carriedChip() const {
        Lmc1992Carried chip = lmc1992;
        for (int i = 0; i < 12; ++i) {
            uint64_t bits = uint64_t(toneBits[2 * i + 1]) << 32 | toneBits[2 * i];
            chip.toneHistory[i / 6][i % 6] = std::bit_cast<double>(bits);
        }
        return chip;
    }
    Lmc1992Carried olderChip() const {
        auto step = [](int32_t volume) { return volume >= 128 ? 20 : volume <= 0 ? 0 : (volume * 20 + 64) / 128; };
        Lmc1992Carried chip{LMC1992_POWER_ON, {}, -1, 0};
        chip.settings.leftVolume = step(olderVolumes[0]);
        chip.settings.rightVolume = step(olderVolumes[1]);
        return chip;
    }
};

// The folder drive: its folder, open files by name and position, searches, program
// loads under way and current path (gemdos/folder_drive_snapshot.h). Written with or
// without a drive attached.
struct FolderDriveSection {
    uint32_t version = 1;
    FolderDriveSnapshot state;
    bool fits = true;  // every count and slot within the drive's tables

    template <class S, class T, class Fields>
    void list(S& s, std::vector<T>& items, uint32_t slots, Fields fields) {
        uint32_t count = uint32_t(items.size());
        s.num(count);
        if (count > slots) count = 0, fits = false;
        items.resize(count);
        for (T& item : items) {
            s.num(item.slot);
            fields(item);
            fits &= item.slot < slots;
        }
    }
    template <class S>
    void fields(S& s) {
        FolderDriveSnapshot& d = state;
        s.text(d.folder, 4096);
        s.num(d.letter);
        s.num(d.protect);
        s.text(d.currentPath, 256);
        s.num(d.startServed);
        s.num(d.startArgumentsGiven);
        s.num(d.nextGeneration);
        list(s, d.files, FILE_SLOTS, [&s](FolderDriveSnapshot::File& f) {
            s.text(f.path, 256);
            for (uint32_t* n : {&f.position, &f.writable, &f.owner}) s.num(*n);
        });
        list(s, d.searches, SEARCH_SLOTS, [&s](FolderDriveSnapshot::Search& x) {
            s.text(x.folder, 256);
            s.text(x.pattern, 12);
            for (uint32_t* n : {&x.generation, &x.attributes, &x.next}) s.num(*n);
        });
        list(s, d.loads, LOAD_SLOTS, [&s](FolderDriveSnapshot::Load& l) {
            s.text(l.path, 256);
            for (uint32_t* n : {&l.stage, &l.mode, &l.stack, &l.trapAddress, &l.basepage, &l.result, &l.resident,
                                &l.startArguments})
                s.num(*n);
            s.raw(l.callerArguments, sizeof l.callerArguments);
        });
    }
    bool acceptVersion() const { return true; }
    void capture() { saveFolderDrive(state); }
    void apply() const { restoreFolderDrive(state); }
    bool valid() const { return fits && folderDriveSnapshotValid(state); }
    // A file written before the folder drive existed: what the replaced machine had open
    // on the drive does not belong to the restored one.
    static void whenAbsent() { folderDriveReset(); }
};

// The ACSI bus and its hard disks: the bus's state, the shared interrupt line's sources,
// which image each device holds, and the image sectors that the file does not hold (the
// ST's changes not written back), in runs of at most 128 sectors. Resuming maps each
// image from its file again and lays those sectors over it: changes made after the
// snapshot are dropped. Files written before the bus existed load with the bus idle and
// the images attached now as they are.
struct AcsiSection {
    static constexpr uint32_t RUN_SECTORS = 128;
    struct Run {
        uint32_t lba, count, length;
        std::vector<uint8_t> bytes;
    };
    struct Device {
        std::string path;
        uint32_t sectors = 0;
        std::vector<Run> runs;
    };
    uint32_t version = 1;
    AcsiBusState bus;
    uint8_t lineSources;
    Device devices[HARD_DISKS];

    template <class S>
    void fields(S& s) {
        s.num(bus.phase);
        s.num(bus.device);
        s.raw(bus.command, sizeof bus.command);
        s.num(bus.received);
        s.num(bus.length);
        s.num(bus.status);
        s.num(bus.event);
        s.num(bus.eventTime);
        for (AcsiSense& k : bus.sense) {
            s.num(k.key);
            s.num(k.code);
            s.num(k.info);
            s.num(k.infoValid);
        }
        s.num(lineSources);
        for (Device& d : devices) {
            s.text(d.path, 4096);
            s.num(d.sectors);
            uint32_t runs = uint32_t(d.runs.size());
            s.count(runs, 16);
            d.runs.resize(runs);
            for (Run& r : d.runs) {
                s.num(r.lba);
                s.num(r.count);
                r.bytes.resize(std::min(r.count, RUN_SECTORS) * HARD_DISK_SECTOR);
                s.block(r.bytes.data(), uint32_t(r.bytes.size()), r.length);
            }
        }
    }
    bool acceptVersion() const { return true; }
    void capture() {
        bus = acsi;
        lineSources = diskInterruptSources();
        for (uint32_t id = 0; id < HARD_DISKS; ++id) {
            Device& d = devices[id];
            d.path = hardDisks[id].filePath;
            d.sectors = hardDisks[id].sectors;
            for (uint32_t lba : hardDiskChangedSectors(id)) {
                if (d.runs.empty() || d.runs.back().lba + d.runs.back().count != lba || d.runs.back().count == RUN_SECTORS)
                    d.runs.push_back({lba, 0, 0, {}});
                Run& r = d.runs.back();
                r.bytes.insert(r.bytes.end(), hardDiskSector(id, lba), hardDiskSector(id, lba) + HARD_DISK_SECTOR);
                ++r.count;
                r.length += HARD_DISK_SECTOR;
            }
        }
    }
    // An image that cannot be attached again leaves its device empty; one whose size
    // changed since is another disk, taken as it stands without the sectors.
    void apply() const {
        for (uint32_t id = 0; id < HARD_DISKS; ++id) {
            const Device& d = devices[id];
            if (d.path.empty() || !hardDiskAttach(id, d.path)) {
                hardDiskDetach(id);
                continue;
            }
            if (hardDisks[id].sectors != d.sectors) continue;
            for (const Run& r : d.runs)
                for (uint32_t i = 0; i < r.count; ++i)
                    hardDiskLaySector(id, r.lba + i, r.bytes.data() + i * HARD_DISK_SECTOR);
        }
        acsi = bus;
        setDiskInterruptSources(lineSources);
    }
    static void whenAbsent() {
        acsi = AcsiBusState{};
        setDiskInterruptSources((hw.mfp[MFP_GPIP] & MFP_GPIP_FDC) ? 0 : DISK_IRQ_FDC);
    }
    // A bus state no device produces, or runs that do not fit their image, is refused.
    bool valid() const {
        if (bus.phase > ACSI_STATUS || bus.event > ACSI_EVENT_DONE || bus.device >= HARD_DISKS || bus.received > ACSI_MAX_COMMAND ||
            bus.length > ACSI_MAX_COMMAND || int32_t(bus.eventTime) < -(1 << 28) || int32_t(bus.eventTime) > (1 << 28))
            return false;
        for (const Device& d : devices)
            for (const Run& r : d.runs)
                if (r.count == 0 || r.count > RUN_SECTORS || r.length != r.count * HARD_DISK_SECTOR ||
                    uint64_t(r.lba) + r.count > d.sectors)
                    return false;
        return true;
    }
};

uint8_t ramStage[MAX_RAM_BYTES];
uint8_t pictureStage[PICTURE_BYTES];

uint32_t ramBytesOfIndex(uint32_t index) {
    static const uint32_t sizes[4] = {0x80000, 0x100000, 0x200000, 0x200000};
    return sizes[index & 3];
}

struct RamSection {
    uint32_t version = 1;
    uint32_t sizeIndex;
    uint32_t length;
    uint8_t* data = ramStage;

    template <class S>
    void fields(S& s) {
        s.num(sizeIndex);
        s.block(data, ramBytesOfIndex(sizeIndex), length);
    }
    bool acceptVersion() const { return true; }
    void capture() {
        sizeIndex = uint32_t(ramSizeIndex());
        length = ramSizeBytes();
        data = hw.ram;  // written straight from RAM, in its host byte order
    }
    void apply() const {
        setRamSize(int(sizeIndex));
        std::memcpy(hw.ram, data, length);
    }
};

struct PictureSection {
    uint32_t version = 1;
    uint32_t length;
    uint8_t* data = pictureStage;

    template <class S>
    void fields(S& s) { s.block(data, PICTURE_BYTES, length); }
    bool acceptVersion() const { return true; }
    void capture() {
        data = reinterpret_cast<uint8_t*>(capturedPicture);
        length = PICTURE_BYTES;
    }
    void apply() const {
        std::memset(previewPicture, 0, sizeof previewPicture);
        std::memcpy(previewPicture, data, length);
    }
};

// ---- Registry -----------------------------------------------------------------------

struct SectionEntry {
    char tag[5];
    bool addedLater;  // files written before the section existed lack it and still load
    bool (*parse)(Parser&);  // into the section's staging data
    void (*apply)();
    void (*save)(Saver&);
    void (*absent)();  // for such a file: what the section's state becomes without it
};

template <class Section>
Section& staged() {
    static Section section;
    return section;
}

template <class Section>
bool parseSection(Parser& p) {
    Section& s = staged<Section>();
    s = Section{};
    p.num(s.version);
    if (!p.ok || !s.acceptVersion()) return false;
    s.fields(p);
    if constexpr (requires { s.valid(); }) return p.ok && s.valid();
    return p.ok;
}

template <class Section>
void applySection() { staged<Section>().apply(); }

template <class Section>
void absentSection() {
    if constexpr (requires { Section::whenAbsent(); }) Section::whenAbsent();
}

template <class Section>
void saveSection(Saver& out) {
    Section s;
    s.capture();
    out.num(s.version);
    s.fields(out);
}

enum SectionAge : bool { FROM_THE_FIRST = false, ADDED_LATER = true };

template <class Section>
SectionEntry entry(const char (&tag)[5], SectionAge age = FROM_THE_FIRST) {
    SectionEntry e{{}, age, parseSection<Section>, applySection<Section>, saveSection<Section>, absentSection<Section>};
    std::memcpy(e.tag, tag, 5);
    return e;
}

std::vector<SectionEntry> SnapshotRegistry;

void registerSection(const SectionEntry& e) { SnapshotRegistry.push_back(e); }

const SectionEntry* findEntry(const uint8_t* tag) {
    for (const SectionEntry& e : SnapshotRegistry)
        if (std::memcmp(e.tag, tag, 4) == 0) return &e;
    return nullptr;
}

// No snapshot is longer than snapshotMaxBytes(): reading stops there, so that a device
// named in a snapshot's place (one that never ends) is refused rather than read for ever.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    if (readInputFile(path, snapshotMaxBytes(), bytes)) return true;
    loadError = inputFileError();
    return false;
}

uint32_t little32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

bool refuse(const std::string& why) {
    loadError = why;
    return false;
}

std::string sectionName(const char* tag) { return "\"" + std::string(tag, 4) + "\""; }

}  // namespace

void registerSnapshotSections() {
    if (!SnapshotRegistry.empty()) return;
    if (lzo_init() != LZO_E_OK) return;
    registerSection(entry<MainSection>("MAIN"));
    registerSection(entry<CpuSection>("68K!"));
    registerSection(entry<MfpSection>("MFP!"));
    registerSection(entry<InterruptTimingSection>("IT! "));
    registerSection(entry<FdcSection>("FDC!"));
    registerSection(entry<ShifterSection>("SHFT"));
    registerSection(entry<KeyboardSection>("KEYB"));
    registerSection(entry<SoundSection>("SND!"));
    registerSection(entry<RamSection>("RAM!"));
    registerSection(entry<PictureSection>("SHOT"));
    registerSection(entry<SoundRunSection>("SND2", ADDED_LATER));
    registerSection(entry<FolderDriveSection>("GEMD", ADDED_LATER));
    registerSection(entry<AcsiSection>("ACSI", ADDED_LATER));
}

void setSnapshotRomHooks(const SnapshotRomHooks* hooks) { romHooks = hooks; }

// LZO1X can grow incompressible data by n / 16 + 67 bytes; the sections besides the RAM
// and the picture, with every header, stay far below 64 KB, as long as no hard disk
// image holds changes its file does not (the libretro core, the one user of this bound,
// attaches none).
size_t snapshotMaxBytes() {
    auto compressedAtMost = [](size_t n) { return n + n / 16 + 67; };
    return compressedAtMost(MAX_RAM_BYTES) + compressedAtMost(PICTURE_BYTES) + 0x10000;
}

void saveSnapshotToBuffer(std::vector<uint8_t>& file) {
    registerSnapshotSections();
    file.clear();
    Saver out{file};
    for (const SectionEntry& e : SnapshotRegistry) {
        file.insert(file.end(), e.tag, e.tag + 4);
        size_t sizeAt = file.size();
        out.put32(0);
        e.save(out);
        uint32_t size = uint32_t(file.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i) file[sizeAt + i] = uint8_t(size >> (8 * i));
    }
}

bool saveSnapshot(const std::string& path) {
    std::vector<uint8_t> file;
    saveSnapshotToBuffer(file);
    return writeFileReplacing(path, file.data(), file.size());
}

// Two passes: every section is read and checked into its staging data, and only when
// the whole file is sound are they applied, in the registry's order whatever the file's,
// so that a section refining another's state always comes after it. A section body is
// never read past its size; fields a newer version adds at its end are skipped. A file
// holding a "MAIN" section is a whole-machine snapshot and must hold every section but
// those added later, so that a file cut short is refused rather than half applied while
// files written before a section existed still load.
bool loadSnapshotFromBuffer(const uint8_t* data, size_t size) {
    registerSnapshotSections();
    loadError.clear();
    loadWarning.clear();
    if (size == 0) return refuse("The file is empty.");
    std::vector<const SectionEntry*> found;
    auto present = [&found](const SectionEntry& e) { return std::find(found.begin(), found.end(), &e) != found.end(); };
    const uint8_t* p = data;
    const uint8_t* end = p + size;
    while (p < end) {
        const SectionEntry* e = end - p >= 8 ? findEntry(p) : nullptr;
        if (!e) return refuse("The file is not a snapshot, or it is damaged.");
        uint32_t size = little32(p + 4);
        p += 8;
        if (size > size_t(end - p)) return refuse("The file is cut short in its " + sectionName(e->tag) + " section.");
        if (present(*e)) return refuse("The file holds its " + sectionName(e->tag) + " section twice.");
        Parser parser{p, p + size};
        if (!e->parse(parser))
            return loadError.empty() ? refuse("Its " + sectionName(e->tag) + " section is damaged.") : false;
        found.push_back(e);
        p += size;
    }
    bool whole = false;
    for (const SectionEntry* e : found) whole |= std::memcmp(e->tag, "MAIN", 4) == 0;
    if (whole)
        for (const SectionEntry& e : SnapshotRegistry)
            if (!e.addedLater && !present(e))
                return refuse("Its " + sectionName(e.tag) + " section is missing.");

    for (const SectionEntry& e : SnapshotRegistry)
        if (present(e))
            e.apply();
        else if (whole)
            e.absent();
    // The blitter's state is not in the file: a blit the replaced machine was running
    // must not go on over the restored RAM.
    blitterReset();
    // The frame that follows starts from the restored machine: its screen copy, screen
    // window and line table come from the restored RAM and video base.
    ShifterFrameStart();
    return true;
}

const std::string& snapshotLoadError() { return loadError; }
const std::string& snapshotLoadWarning() { return loadWarning; }

bool loadSnapshot(const std::string& path) {
    std::vector<uint8_t> file;
    return readWholeFile(path, file) && loadSnapshotFromBuffer(file.data(), file.size());
}

std::string slotFileName(int slot) {
    char name[64];
    std::snprintf(name, sizeof name, "MemoryShot/QuarvMemoryShot_%d.Quarv", slot + 1);
    return dataFile(name);
}

bool saveSlot(int slot) { return saveSnapshot(slotFileName(slot)); }
bool loadSlot(int slot) { return loadSnapshot(slotFileName(slot)); }
bool eraseSlot(int slot) { return std::remove(slotFileName(slot).c_str()) == 0; }

bool loadSlotPicture(int slot) {
    registerSnapshotSections();
    std::vector<uint8_t> file;
    if (!readWholeFile(slotFileName(slot), file)) return false;
    const uint8_t* p = file.data();
    const uint8_t* end = p + file.size();
    while (end - p >= 8) {
        uint32_t size = little32(p + 4);
        bool isPicture = std::memcmp(p, "SHOT", 4) == 0;
        p += 8;
        if (size > size_t(end - p)) return false;
        if (isPicture) {
            Parser parser{p, p + size};
            if (!parseSection<PictureSection>(parser)) return false;
            applySection<PictureSection>();
            return true;
        }
        p += size;
    }
    return false;
}

std::string slotSaveMessage(int slot, bool saved) {
    char text[80];
    std::snprintf(text, sizeof text, saved ? "Slot %d has been overwritten." : "ERROR: Unable to owerwrite slot %d",
                  slot + 1);
    return text;
}

std::string slotLoadError(int slot) {
    char text[64];
    std::snprintf(text, sizeof text, "ERROR: Unable to load slot %d", slot + 1);
    return text;
}

std::string slotEraseError(int slot) {
    char text[64];
    std::snprintf(text, sizeof text, "ERROR: Unable to erase slot %d", slot + 1);
    return text;
}
