// The LMC1992 in the STE's sound path. Commands reach it through the microwire during
// the frame and queue here with their cycles; at the frame's end the mix replays them
// at their sample positions, so a volume or tone change lands where the program made it.
//
// Tone controls. The chip's bass and treble are shelving controls: the data sheet gives
// their range, +12 to -12 dB in 2 dB steps, at 100 Hz and at 10 kHz, with the response
// flat at 1 kHz. Each is modelled as a second-order shelving filter (the bilinear-transform
// shelf with slope 1) whose half-gain point lies midway between those frequencies on the
// logarithmic scale: 316 Hz for the bass, 3162 Hz for the treble. A shelf of slope 1 then
// gives within 0.2 dB of the full setting at 100 Hz and 10 kHz and less than 0.2 dB at
// 1 kHz. Both run in cascade (bass, then treble) in each channel, in direct form I: a flat
// step (6) passes the signal unchanged, and a change of step mid-stream keeps the filters'
// history. With both flat the cascade is skipped and its history just follows the signal.
// The volumes are then one gain per channel: master plus left or right.
#include "sound/lmc1992.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "bus/event_log.h"
#include "sound/microwire.h"

namespace {

constexpr int TONE_FLAT = 6;
constexpr int TONE_STEPS = 13;
constexpr int ATTENUATION_STEPS = 61;  // 0 to -120 dB: master and side together
constexpr double BASS_MIDPOINT_HZ = 316.2, TREBLE_MIDPOINT_HZ = 3162.0, OUTPUT_RATE = 44100.0;
constexpr int32_t YM_MINUS_12DB = 8231;  // 10^(-12/20) x 32768

struct Biquad {
    double b0, b1, b2, a1, a2;  // normalised: a0 = 1
};

// One shelf for each step, from -12 dB (step 0) to +12 dB (step 12).
struct ToneTables {
    Biquad bass[TONE_STEPS], treble[TONE_STEPS];
    double attenuation[ATTENUATION_STEPS];  // the gain of 0, 2, 4 ... 120 dB down
};

Biquad shelf(bool high, double midpointHz, double db) {
    const double a = std::pow(10.0, db / 40), w = 2 * M_PI * midpointHz / OUTPUT_RATE;
    const double c = std::cos(w), q = 2 * std::sqrt(a) * std::sin(w) / std::sqrt(2.0);
    const double sign = high ? -1 : 1;  // the high shelf mirrors the low one
    const double b0 = a * ((a + 1) - sign * (a - 1) * c + q), b1 = sign * 2 * a * ((a - 1) - sign * (a + 1) * c),
                 b2 = a * ((a + 1) - sign * (a - 1) * c - q), a0 = (a + 1) + sign * (a - 1) * c + q,
                 a1 = -sign * 2 * ((a - 1) + sign * (a + 1) * c), a2 = (a + 1) + sign * (a - 1) * c - q;
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

const ToneTables& tables() {
    static const ToneTables t = [] {
        ToneTables built{};
        for (int step = 0; step < TONE_STEPS; ++step) {
            double db = 2.0 * (step - TONE_FLAT);
            built.bass[step] = shelf(false, BASS_MIDPOINT_HZ, db);
            built.treble[step] = shelf(true, TREBLE_MIDPOINT_HZ, db);
        }
        for (int step = 0; step < ATTENUATION_STEPS; ++step) built.attenuation[step] = std::pow(10.0, -2.0 * step / 20);
        return built;
    }();
    return t;
}

// Each channel's cascade in direct form I: the last two inputs of the bass shelf, its
// last two outputs (the treble shelf's inputs) and the treble shelf's last two outputs.
struct ToneHistory {
    double in1, in2, mid1, mid2, out1, out2;
};

struct Command {
    int32_t cycle;
    uint32_t word;
};
// One cut short is withdrawn, so a frame holds at most one command a transfer's length,
// and one more due in the next frame.
constexpr int QUEUE_CAPACITY = FRAME_CYCLES / MICROWIRE_TRANSFER_CYCLES + 2;

Lmc1992Settings settings = LMC1992_POWER_ON;  // as the frame started
ToneHistory history[2];
Command queue[QUEUE_CAPACITY];
int queued;

void applyCommand(Lmc1992Settings& s, uint32_t word) {
    if ((word >> 9 & 3) != LMC1992_ADDRESS) return;
    uint32_t p = word & 63;
    switch (word >> 6 & 7) {
    case 0: s.input = int32_t(p & 3); break;
    case 1: s.bass = int32_t(std::min(p & 15, 12u)); break;
    case 2: s.treble = int32_t(std::min(p & 15, 12u)); break;
    case 3: s.masterVolume = int32_t(std::min(p, 40u)); break;
    case 4: s.rightVolume = int32_t(std::min(p & 31, 20u)); break;
    case 5: s.leftVolume = int32_t(std::min(p & 31, 20u)); break;
    default: break;  // the rear volumes: not connected
    }
}

int sampleOf(int32_t cycle, int n) { return int(std::clamp<int64_t>(int64_t(cycle) * n / FRAME_CYCLES, 0, n)); }

// Calls stage(settings, from, to) for each run of samples with the same settings, the
// frame's commands applied at the sample their cycle falls on.
template <class Stage>
void inRuns(int n, Stage stage) {
    Lmc1992Settings s = settings;
    int from = 0;
    for (int c = 0; c < queued && queue[c].cycle < FRAME_CYCLES; ++c) {
        int at = sampleOf(queue[c].cycle, n);
        if (at > from) stage(s, from, at);
        from = std::max(from, at);
        applyCommand(s, queue[c].word);
    }
    if (from < n) stage(s, from, n);
}

// A filter fed silence decays towards zero; held there before its values turn denormal.
void settle(double& v) {
    if (std::fabs(v) < 1e-9) v = 0;
}

// The nearest integer, halves away from zero (as lround, without a library call per
// sample): the part after the point of a sample-sized double is exact.
int32_t roundHalfAway(double v) {
    int64_t whole = int64_t(v);
    double rest = v - double(whole);
    return int32_t(whole + (rest >= 0.5) - (rest <= -0.5));
}

// Tone, then gain, over count samples of one channel.
void shapeChannel(int32_t* x, int count, ToneHistory& h, const Lmc1992Settings& s, int32_t sideVolume) {
    const ToneTables& t = tables();
    double gain = t.attenuation[(40 - s.masterVolume) + (20 - sideVolume)];
    if (s.bass == TONE_FLAT && s.treble == TONE_FLAT) {
        // The identity: its history is the signal itself.
        double last = x[count - 1], beforeLast = count > 1 ? x[count - 2] : h.in1;
        h = {last, beforeLast, last, beforeLast, last, beforeLast};
        if (gain != 1.0)
            for (int i = 0; i < count; ++i) x[i] = roundHalfAway(x[i] * gain);
        return;
    }
    const Biquad &b = t.bass[s.bass], &r = t.treble[s.treble];
    for (int i = 0; i < count; ++i) {
        double in = x[i];
        double mid = b.b0 * in + b.b1 * h.in1 + b.b2 * h.in2 - b.a1 * h.mid1 - b.a2 * h.mid2;
        double out = r.b0 * mid + r.b1 * h.mid1 + r.b2 * h.mid2 - r.a1 * h.out1 - r.a2 * h.out2;
        h = {in, h.in1, mid, h.mid1, out, h.out1};
        x[i] = roundHalfAway(out * gain);
    }
    for (double* v : {&h.mid1, &h.mid2, &h.out1, &h.out2}) settle(*v);
}

}  // namespace

void lmc1992PowerOn() {
    settings = LMC1992_POWER_ON;
    history[0] = history[1] = {};
    queued = 0;
}

void lmc1992Receive(uint32_t command, int32_t cycle) {
    if (queued < QUEUE_CAPACITY) queue[queued++] = {cycle, command};
}

void lmc1992Withdraw() {
    if (queued > 0) --queued;
}

void lmc1992FrameStart() {
    int c = 0;
    for (; c < queued && queue[c].cycle < FRAME_CYCLES; ++c) applyCommand(settings, queue[c].word);
    int late = 0;
    for (; c < queued; ++c) queue[late++] = {queue[c].cycle - FRAME_CYCLES, queue[c].word};
    queued = late;
}

// Input 0 leaves the YM's input open: the chip then passes it 12 dB down.
void lmc1992SelectInput(int32_t* ym, int n) {
    inRuns(n, [ym](const Lmc1992Settings& s, int from, int to) {
        if (s.input == 1) return;
        for (int i = from; i < to; ++i) ym[i] = s.input == 0 ? int32_t(int64_t(ym[i]) * YM_MINUS_12DB >> 15) : 0;
    });
}

void lmc1992ToneAndVolume(int32_t* left, int32_t* right, int n) {
    inRuns(n, [left, right](const Lmc1992Settings& s, int from, int to) {
        shapeChannel(left + from, to - from, history[0], s, s.leftVolume);
        shapeChannel(right + from, to - from, history[1], s, s.rightVolume);
    });
}

void lmc1992Save(Lmc1992Carried& out) {
    out.settings = settings;
    for (int c = 0; c < 2; ++c) {
        const ToneHistory& h = history[c];
        const double values[6] = {h.in1, h.in2, h.mid1, h.mid2, h.out1, h.out2};
        std::copy(values, values + 6, out.toneHistory[c]);
    }
    out.lateCycle = queued ? queue[0].cycle : -1;
    out.lateCommand = queued ? queue[0].word : 0;
}

void lmc1992Restore(const Lmc1992Carried& in) {
    const Lmc1992Settings& s = in.settings;
    settings = {std::clamp(s.input, 0, 3),         std::clamp(s.bass, 0, 12),
                std::clamp(s.treble, 0, 12),       std::clamp(s.masterVolume, 0, 40),
                std::clamp(s.leftVolume, 0, 20),   std::clamp(s.rightVolume, 0, 20)};
    // A mix stays well inside 2^24 at any setting; other values (not even numbers, from a
    // damaged file) start the filters from silence.
    for (int c = 0; c < 2; ++c) {
        double v[6];
        for (int i = 0; i < 6; ++i) {
            v[i] = in.toneHistory[c][i];
            if (!(std::fabs(v[i]) < 1 << 24)) v[i] = 0;
        }
        history[c] = {v[0], v[1], v[2], v[3], v[4], v[5]};
    }
    // A command still due lands within the first cycles of the next frame.
    queued = 0;
    if (in.lateCycle >= 0 && in.lateCycle < 1024) queue[queued++] = {in.lateCycle, in.lateCommand & 0x7FF};
}
