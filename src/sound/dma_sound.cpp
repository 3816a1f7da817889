// The STE DMA sound: the register page $FF8900-$FF89FF and the engine that fetches
// samples from ST memory. Register writes go to the image at once and take effect
// through DmaSoundLog when the engine reaches their cycle.
#include "sound/dma_sound.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "bus/chip_lines.h"
#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/processor_slice.h"
#include "bus/st_memory.h"
#include "sound/microwire.h"

DmaSound dmaSound;
DmaFrameSampleBuffer DmaFrameSamples;
// Cycles a sample for mode bits 0-1. Mode 0 takes 1227 cycles, about 6530 samples a
// second, a little faster than its nominal 6258 Hz.
static const uint32_t dmaRateTable[4] = {1227, 640, 320, 160};

enum : uint32_t {
    CONTROL = 0x01,
    FRAME_START = 0x03,  // high, middle, low at +0, +2, +4
    COUNTER = 0x09,
    FRAME_END = 0x0F,
    MODE = 0x21,
};
constexpr uint8_t CONTROL_PLAY = 1, CONTROL_REPEAT = 2, MODE_MONO = 0x80;
constexpr uint32_t DMA_ADDRESS_MASK = 0x3FFFFF;  // the counter wraps at the end of memory

static uint8_t* const image = hw.dmaSound;

// ---- The engine --------------------------------------------------------------------------

static uint32_t composeAddress(uint32_t base) {
    return uint32_t(image[base] & 0x3F) << 16 | uint32_t(image[base + 2]) << 8 | (image[base + 4] & 0xFE);
}

// The counter registers always read even.
static void refreshCounter() {
    uint32_t a = dmaSound.addressCounter;
    image[COUNTER] = uint8_t(a >> 16 & 0x3F);
    image[COUNTER + 2] = uint8_t(a >> 8);
    image[COUNTER + 4] = uint8_t(a & 0xFE);
}

// A frame begins: the counter starts at the frame start and the end is latched with it,
// so that addresses written while a frame plays take effect for the next one (players
// write the next buffer's addresses at the end-of-frame interrupt).
static void beginFrame() {
    dmaSound.addressCounter = dmaSound.frameStart;
    dmaSound.playingEnd = dmaSound.frameEnd;
}

static void loadCounter() {
    beginFrame();
    refreshCounter();
}

static int32_t sampleByte(uint32_t address) { return int8_t(stReadByte(hw.ram, address & DMA_ADDRESS_MASK)); }

// A signed byte times 128: full scale is half the 16-bit range on each channel, in
// mono and stereo alike.
static StereoSample fetchSample() {
    DmaSound& d = dmaSound;
    StereoSample value = {0, 0};
    if (image[CONTROL] & CONTROL_PLAY) {
        uint32_t a = d.addressCounter;
        if (image[MODE] & MODE_MONO) {
            value.left = value.right = sampleByte(a) * 128;
            a += 1;
        } else {
            value = {sampleByte(a) * 128, sampleByte(a + 1) * 128};
            a += 2;
        }
        a &= DMA_ADDRESS_MASK;
        if (a == d.playingEnd) {
            bool repeat = image[CONTROL] & CONTROL_REPEAT;
            if (!repeat) image[CONTROL] &= ~CONTROL_PLAY;
            chipLines.timerAInput(false, int32_t(d.position));
            if (repeat) chipLines.timerAInput(true, int32_t(d.position));
            beginFrame();
        } else {
            d.addressCounter = a;
        }
    }
    refreshCounter();
    return value;
}

// A frame address byte (0 high, 2 middle, 4 low) as the engine takes it: 22 bits, even.
static void storeAddressByte(uint32_t byte, uint32_t base, uint32_t v) {
    static const uint8_t masks[3] = {0x3F, 0xFF, 0xFE};
    image[base + byte] = uint8_t(v & masks[byte / 2]);
}

static void applyEntry(const SoundLogEntry& e) {
    uint32_t r = e.kind & 0xFE, v = e.value;
    switch (r) {
    case CONTROL - 1:
        image[CONTROL] = uint8_t(v & 3);
        if (v & CONTROL_PLAY) loadCounter();  // restarts the frame even while playing
        chipLines.timerAInput(v & CONTROL_PLAY, int32_t(dmaSound.position));
        break;
    case FRAME_START - 1: case FRAME_START + 1: case FRAME_START + 3:
        storeAddressByte(r + 1 - FRAME_START, FRAME_START, v);
        dmaSound.frameStart = composeAddress(FRAME_START);
        if (!(image[CONTROL] & CONTROL_PLAY)) loadCounter();
        break;
    case FRAME_END - 1: case FRAME_END + 1: case FRAME_END + 3:
        storeAddressByte(r + 1 - FRAME_END, FRAME_END, v);
        dmaSound.frameEnd = composeAddress(FRAME_END);
        break;
    case MODE - 1:
        image[MODE] = uint8_t(v & 0x83);
        dmaSound.samplePeriod = dmaRateTable[v & 3];
        if (dmaSound.phase > dmaSound.samplePeriod) dmaSound.phase = dmaSound.samplePeriod;
        break;
    default:
        break;
    }
}

// Runs the engine from its position to frame cycle t. Time is taken from the head
// entry in place, so a later append knows how much of its delta has already passed.
void DmaCatchUp(uint32_t t) {
    DmaSound& d = dmaSound;
    if (!d.logRead || d.position > t) return;
    if (d.phase > d.samplePeriod) d.phase = 0;
    uint32_t remaining = t - d.position;
    for (;;) {
        uint32_t untilSample = d.samplePeriod - d.phase;
        uint32_t delta = d.logRead->delta;
        if (remaining < untilSample && remaining < delta) break;
        if (delta > untilSample && !(image[CONTROL] & CONTROL_PLAY)) {
            // Stopped, every slot before the next entry (and up to t) is silence and leaves
            // the counter where it is: they pass together.
            uint32_t slots = (std::min(remaining, delta - 1) - untilSample) / d.samplePeriod + 1;
            uint32_t span = untilSample + (slots - 1) * d.samplePeriod;
            d.position += span;
            d.phase = 0;
            remaining -= span;
            d.logRead->delta -= span;
            int room = DMA_FRAME_SAMPLES - DmaFrameSamples.count;
            uint32_t fetched = room > 0 ? std::min(slots, uint32_t(room)) : 0;
            std::fill_n(DmaFrameSamples.values + DmaFrameSamples.count, fetched, StereoSample{0, 0});
            DmaFrameSamples.count += int(fetched);
            if (fetched) refreshCounter();
        } else if (delta > untilSample) {
            d.position += untilSample;
            d.phase = 0;
            remaining -= untilSample;
            d.logRead->delta -= untilSample;
            // Past 1001 samples a slot passes without a fetch: the counter stays.
            if (DmaFrameSamples.count < DMA_FRAME_SAMPLES) DmaFrameSamples.values[DmaFrameSamples.count++] = fetchSample();
        } else {
            d.position += delta;
            d.phase += delta;
            remaining -= delta;
            applyEntry(*d.logRead);
            ++d.logRead;
        }
        if (remaining == 0) return;
    }
    d.position += remaining;
    d.phase += remaining;
    d.logRead->delta -= remaining;
}

// The cycle of the fetch that reaches the frame end address, as the engine stands: the
// counter meets it exactly (22 bits wrapping), one or two bytes a sample.
static void scheduleFrameEnd() {
    const DmaSound& d = dmaSound;
    hw.dmaFrameEndDue = INT32_MAX;
    if (!d.logRead || !(image[CONTROL] & CONTROL_PLAY)) return;
    uint32_t step = (image[MODE] & MODE_MONO) ? 1 : 2;
    uint32_t distance = (d.playingEnd - d.addressCounter) & DMA_ADDRESS_MASK;
    if (distance == 0) distance = DMA_ADDRESS_MASK + 1;
    if (distance % step) return;  // never met: the counter runs on through memory
    uint32_t phase = d.phase > d.samplePeriod ? 0 : d.phase;
    int64_t at = int64_t(d.position) + (d.samplePeriod - phase) + int64_t(distance / step - 1) * d.samplePeriod;
    if (at < INT32_MAX) hw.dmaFrameEndDue = int32_t(at);
}

void dmaSoundRunToFrameEnd(int32_t cycle) {
    DmaCatchUp(uint32_t(std::max(cycle, 0)));
    scheduleFrameEnd();
}

void dmaSoundReset() {
    DmaSound& d = dmaSound;
    d.samplePeriod = dmaRateTable[3];  // although the mode register then reads 0
    d.addressCounter = d.frameEnd = d.playingEnd = d.frameStart = 0;
    image[CONTROL] = 0;
    image[MODE] = 0;
    chipLines.setTimerAInputLevel(false);
    hw.dmaFrameEndDue = INT32_MAX;
    refreshCounter();
    // An empty log that the engine can go on reading: a reset in the middle of a frame
    // must not leave it replaying the entries before the reset.
    hw.dmaSoundLogWrite = DmaSoundLog;
    DmaSoundLog[0].delta = DMA_LOG_END;
    if (d.logRead) d.logRead = DmaSoundLog;
    hw.dmaSoundLogLastStamp = d.logRead ? int32_t(d.position) : 0;
}

void dmaSoundFrameStart() {
    DmaSound& d = dmaSound;
    DmaFrameSamples.count = 0;
    d.position = 0;
    d.phase = 0;
    hw.dmaSoundLogWrite = DmaSoundLog;
    hw.dmaSoundLogLastStamp = 0;
    d.logRead = DmaSoundLog;
    DmaSoundLog[0].delta = DMA_LOG_END;
    d.logResetDone = true;
    scheduleFrameEnd();
}

void dmaSoundFrameEnd() {
    if (!dmaSound.logResetDone) dmaSoundFrameStart();
    DmaCatchUp(FRAME_CYCLES);
    dmaSound.logResetDone = false;
}

void dmaSoundAddToMix(int32_t* left, int32_t* right, int n) {
    int k = DmaFrameSamples.count;
    if (k == 0 || n < 1) return;  // no sample slot this frame: nothing to add
    int32_t step = (k << 16) / n;
    uint32_t p = 0;
    for (int i = 0; i < n; ++i, p += uint32_t(step)) {
        const StereoSample& s = DmaFrameSamples.values[p >> 16];
        left[i] += s.left;
        right[i] += s.right;
    }
}

void dmaSoundSave(DmaSoundCarried& s) {
    const DmaSound& d = dmaSound;
    s.addressCounter = d.addressCounter;
    s.frameStart = d.frameStart;
    s.frameEnd = d.frameEnd;
    s.samplePeriod = d.samplePeriod;
    std::memcpy(s.registers, image, sizeof s.registers);
}

void dmaSoundRestore(const DmaSoundCarried& s) {
    DmaSound& d = dmaSound;
    std::memcpy(image, s.registers, sizeof s.registers);
    d.addressCounter = s.addressCounter & DMA_ADDRESS_MASK;
    d.frameStart = s.frameStart & (DMA_ADDRESS_MASK & ~1u);
    d.frameEnd = d.playingEnd = s.frameEnd & (DMA_ADDRESS_MASK & ~1u);
    // Only the rates of the table: a period of 0 would never let the engine move on.
    d.samplePeriod = std::find(dmaRateTable, dmaRateTable + 4, s.samplePeriod) != dmaRateTable + 4
                         ? s.samplePeriod
                         : dmaRateTable[image[MODE] & 3];
    refreshCounter();
    chipLines.setTimerAInputLevel(isSte() && (image[CONTROL] & CONTROL_PLAY));
    dmaSoundFrameStart();
}

// ---- The register page -------------------------------------------------------------------

// Appends a write to DmaSoundLog and keeps the end marker after it. When the engine has
// already run into the marker slot, the cycles it took from it are not counted again.
static void logWrite(uint32_t offset, uint32_t value, int32_t stamp) {
    SoundLogEntry* e = hw.dmaSoundLogWrite;
    if (e == &DmaSoundLog[SOUND_LOG_CAPACITY]) return;  // beyond a frame's capacity
    uint32_t sinceLast = uint32_t(stamp - hw.dmaSoundLogLastStamp);
    uint32_t consumed = DMA_LOG_END - e->delta;
    *e = {sinceLast - consumed, offset, value};
    e[1].delta = DMA_LOG_END;
    hw.dmaSoundLogWrite = e + 1;
    hw.dmaSoundLogLastStamp = stamp;
}

static uint32_t offsetOf(uint32_t address) { return address & 0xFF; }

static uint32_t imageByte(uint32_t a, int32_t) { return image[offsetOf(a)]; }
static uint32_t imageWord(uint32_t a, int32_t) {
    uint32_t o = offsetOf(a);
    return uint32_t(image[o]) << 8 | image[o + 1];
}
static uint32_t counterWord(uint32_t a, int32_t) { return 0xFF00 | image[offsetOf(a) + 1]; }
// A read sees the engine run up to its cycle; the debugger's peek sees the registers as
// the engine last left them, which changes nothing.
template <IoReadFn read>
static uint32_t caughtUp(uint32_t a, int32_t stamp) {
    DmaCatchUp(uint32_t(stamp));
    return read(a, stamp);
}

// A write takes effect at its cycle: the engine runs up to the cycle before it with what
// it had (a sample due at the write's own cycle comes after the write), then applies it,
// so that the frame end line moves where playback starts, stops or restarts, and the next
// frame end is predicted from the new state (the scheduler must see it).
static void runUpToWrite(int32_t stamp) {
    if (stamp > 0) DmaCatchUp(uint32_t(stamp - 1));
}
static void takeEffect(int32_t stamp) {
    int32_t due = hw.dmaFrameEndDue;
    dmaSoundRunToFrameEnd(stamp);
    if (hw.dmaFrameEndDue < due) endSliceNow();
}

static void writeByteLogged(uint32_t a, uint32_t v, int32_t stamp) {
    uint32_t o = offsetOf(a);
    runUpToWrite(stamp);
    image[o] = uint8_t(v);
    logWrite(o, v & 0xFF, stamp);
    takeEffect(stamp);
}
static void writeWordLogged(uint32_t a, uint32_t v, int32_t stamp) {
    uint32_t o = offsetOf(a);
    runUpToWrite(stamp);
    image[o] = uint8_t(v >> 8);
    image[o + 1] = uint8_t(v);
    logWrite(o, v & 0xFFFF, stamp);
    takeEffect(stamp);
}

// Entries left empty read all ones and ignore writes. The microwire's registers at
// $FF8922-$FF8925 belong to the page too.
void dmaSoundInstallRegisters(IoRegisterTable& t) {
    for (uint32_t o : {0x01, 0x03, 0x05, 0x07, 0x0F, 0x11, 0x13}) {
        t.readByte[o] = caughtUp<imageByte>;
        t.writeByte[o] = writeByteLogged;
    }
    for (uint32_t o : {0x09, 0x0B, 0x0D, 0x26}) t.readByte[o] = caughtUp<imageByte>;
    t.writeByte[MODE] = writeByteLogged;  // the mode register reads by word only
    for (uint32_t o : {0x00, 0x02, 0x04, 0x06, 0x0E, 0x10, 0x12, 0x20}) {
        t.readWord[o / 2] = caughtUp<imageWord>;
        t.peekWord[o / 2] = imageWord;
        t.writeWord[o / 2] = writeWordLogged;
    }
    for (uint32_t o : {0x08, 0x0A, 0x0C}) {
        t.readWord[o / 2] = caughtUp<counterWord>;
        t.peekWord[o / 2] = counterWord;
    }
    microwireInstallRegisters(t);
}
