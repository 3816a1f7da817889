#pragma once
// The STE's LMC1992 volume and tone chip, between the sound sources and the outputs: it
// selects how the YM2149 reaches the mix, then applies bass, treble, master volume and
// the left and right volumes to the two channels. The processor programs it through the
// microwire (sound/microwire.h), one 11-bit command at a time; a command takes effect at
// the cycle its transfer ends. The STFM has no such chip: its sound bypasses all of this.
#include <cstdint>

// The chip's settings in its own steps. It has no reset line: the machine's reset leaves
// them, and the program starts with everything flat at 0 dB and the YM mixed.
struct Lmc1992Settings {
    int32_t input;         // 0 YM at -12 dB, 1 YM mixed, 2 YM not mixed, 3 reserved (not mixed)
    int32_t bass, treble;  // 0-12: -12 dB to +12 dB in 2 dB steps, 6 flat
    int32_t masterVolume;  // 0-40: -80 dB to 0 dB in 2 dB steps
    int32_t leftVolume, rightVolume;  // 0-20: -40 dB to 0 dB in 2 dB steps
};

constexpr Lmc1992Settings LMC1992_POWER_ON = {1, 6, 6, 40, 20, 20};
constexpr int LMC1992_ADDRESS = 2;  // the two address bits that select the chip on the microwire

// Program start: the settings above, the filters silent, no command due.
void lmc1992PowerOn();

// A command word (address, function, parameter) from the microwire, taking effect at frame
// cycle `cycle` (which may lie beyond the frame's end). Words for other addresses and the
// rear volumes, which the STE does not connect, change nothing.
void lmc1992Receive(uint32_t command, int32_t cycle);
// Takes back the last word received: its transfer was cut short by another.
void lmc1992Withdraw();
// After the frame was mixed: the frame's commands become the settings, and one due after
// the frame's end moves to the next frame.
void lmc1992FrameStart();

// The mix's two stages, each following the frame's commands sample by sample:
// the YM's share of the mix as the input selection gives it, and tone and volume.
void lmc1992SelectInput(int32_t* ym, int n);
void lmc1992ToneAndVolume(int32_t* left, int32_t* right, int n);

// Snapshots: the settings, where the tone filters stand in each channel (their last two
// inputs, intermediate and output values), and a command due in the next frame.
struct Lmc1992Carried {
    Lmc1992Settings settings;
    double toneHistory[2][6];
    int32_t lateCycle;  // -1: none
    uint32_t lateCommand;
};
void lmc1992Save(Lmc1992Carried& out);
// Values no chip produces (from a damaged file) are brought into range.
void lmc1992Restore(const Lmc1992Carried& in);
