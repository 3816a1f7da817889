#pragma once
// The YM2149 sound generator: three square-wave tones, a noise generator and an envelope
// generator mixed into one mono signal, synthesised once per frame at 44100 Hz from the
// frame's YmWriteLog. Registers 14 and 15 (the I/O ports) are not synthesised.
#include <array>
#include <cstdint>

#include "bus/sound_logs.h"

struct IoRegisterTable;

// The chip's page $FF8800 (sound/ym_registers.cpp): register select and data.
void ymInstallRegisters(IoRegisterTable& t);

constexpr uint32_t YM_MASTER_CLOCK = 8021248;
constexpr uint32_t YM_CLOCK_DIVIDER = 4;
constexpr uint32_t YM_REPLAY_RATE = 44100;
constexpr int YM_REGISTERS = 14;  // registers 0-13 reach the synthesis

// Positions are 32-bit phase accumulators advanced once per output sample; all
// floating point stays in the step computations of the register writes. A new record
// is all zeros until ymConstruct.
struct Ym2149 {
    uint32_t sampleStep{};  // processor cycles per output sample x 4096, this frame
    int32_t minSample{};
    int32_t maxSample{};
    uint32_t resetRequest{};
    uint32_t replayRate{};
    uint32_t chipClock{};
    uint32_t registers[YM_REGISTERS]{};  // as last applied, masked
    uint32_t timeInSample{};  // cycles x 4096 since the last output sample
    uint32_t toneStep[3]{};
    uint32_t tonePosition[3]{};  // the tone output is bit 31
    uint32_t fixedVolume[3]{};
    uint32_t envelopeVolume{};
    uint32_t toneOff[3]{};   // $FFFF when the mixer disables the channel's tone
    uint32_t noiseOff[3]{};  // $FFFF when the mixer disables the channel's noise
    const uint32_t* volumeSource[3]{};  // fixedVolume[c] or envelopeVolume
    uint32_t noiseStep{};
    uint32_t noisePosition{};  // bits 16-31 count pending shift-register steps
    uint32_t noiseShift{};     // 17-bit shift register
    uint32_t noiseOutput{};    // 0 or $FFFF
    uint32_t shapeWritten{};   // set by envelope shape writes, cleared by the recorder
    uint32_t envelopeStep{};
    uint32_t envelopePosition{};  // bits 27-31 index the level within a phase
    uint32_t envelopePhase{};     // 0 first pass of the shape, 1 repeating part
    uint32_t envelopeShape{};
    uint8_t envelopeTable[16 * 2 * 32]{};  // shape x 64 + phase x 32 + level index
    double cyclesPerSample{};  // master clock x 4096 / replay rate

    Ym2149() = default;
    Ym2149(const Ym2149&) = delete;  // volumeSource points into the record itself
    Ym2149& operator=(const Ym2149&) = delete;
};

// The machine's chip, constructed at program start with the ST's clocks.
extern Ym2149 ymChip;

// The chip's 16 logarithmic output levels, scaled so that three channels at level 15
// sum to 32766.
extern const std::array<uint16_t, 16> volumeTable;

void ymConstruct(Ym2149& chip, uint32_t masterClock, uint32_t divider, uint32_t replayRate);
// Mixer all off, volumes 0, noise register reseeded; tone, noise-period and envelope
// registers keep their values.
void ymReset(Ym2149& chip);
void ymRequestReset();  // the machine's chip resets after the next synthesised frame
void ymPowerOn();       // the machine's chip as first switched on: generators at their start
// Register 0-13 with the logged value (only its low bits count); others are ignored.
void ymWriteRegister(Ym2149& chip, uint32_t reg, uint32_t value);
// Replays the frame's log and writes n samples (centred) into mix.
void ymSynthesiseFrame(Ym2149& chip, const SoundLogEntry* log, int32_t* mix, int n);
// The 14 registers as bytes for the recorder; returns whether the envelope shape was
// written since the last read, and clears that flag.
bool ymReadRegisters(Ym2149& chip, uint8_t out[YM_REGISTERS]);
// Snapshot record: the 14 register bytes. Applying them goes through the register
// writes, so the generator steps are recomputed and the envelope restarts.
void ymSaveRegisters(const Ym2149& chip, uint8_t out[YM_REGISTERS]);
void ymApplyRegisters(Ym2149& chip, const uint8_t in[YM_REGISTERS]);

// What the generators carry from one frame to the next beyond their registers: where each
// one stands in its period, the noise register, the envelope's place in its shape and the
// pending flags. Snapshots keep it beside the registers so that a resumed chip plays on
// sample for sample.
struct YmGeneratorState {
    uint32_t tonePosition[3];
    uint32_t noisePosition, noiseShift, noiseOutput;
    uint32_t envelopePosition, envelopePhase;
    uint32_t resetRequest, shapeWritten;
};
void ymSaveGenerators(const Ym2149& chip, YmGeneratorState& out);
// After ymApplyRegisters, which restarts the envelope: puts the generators back where
// they stood. Values no chip produces (from a damaged file) are brought into range.
void ymRestoreGenerators(Ym2149& chip, const YmGeneratorState& in);

// Snapshots: registers 0-13 ("SND!").
struct SectionEntry;
SectionEntry ymSnapshotSection();
