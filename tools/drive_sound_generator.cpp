// Synthesises the floppy drive's noises at build time and writes them as a C++ source
// file: drive_sound_generator OUTPUT.cpp
//
// A 3.5" drive makes three kinds of noise: the spindle motor's hum and whir (a 50 Hz
// mains-like drone with harmonics, plus air noise modulated by the 300 rpm rotation),
// the head stepper's click (a short resonant knock), and the rattle of many steps in a
// row during a seek. The running loop is periodic over its length, so it repeats without
// a click; the sounds that hand over to it end on the loop's last samples, so the loop
// resumes from its start seamlessly.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sound/drive_sound_data.h"

namespace {

constexpr double RATE = 44100.0;
constexpr double PI = 3.14159265358979323846;

using Signal = std::vector<double>;

// A fixed generator, so every build produces the same recordings.
struct Noise {
    uint32_t state;
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return double(state) / 2147483648.0 - 1.0;
    }
};

// Band-pass noise that is periodic over the signal's length: the resonator runs twice
// round the same white noise and the second lap is kept, so the end joins the start.
Signal periodicBandNoise(size_t length, double centreHz, double q, Noise& noise) {
    Signal white(length);
    for (double& w : white) w = noise.next();
    double w0 = 2 * PI * centreHz / RATE, alpha = std::sin(w0) / (2 * q);
    double b0 = alpha, b2 = -alpha, a0 = 1 + alpha, a1 = -2 * std::cos(w0), a2 = 1 - alpha;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    Signal out(length);
    for (int lap = 0; lap < 2; ++lap)
        for (size_t i = 0; i < length; ++i) {
            double x = white[i];
            double y = (b0 * x + b2 * x2 - a1 * y1 - a2 * y2) / a0;
            x2 = x1, x1 = x, y2 = y1, y1 = y;
            out[i] = y;
        }
    return out;
}

// Whole numbers of cycles over the loop's length keep every component periodic.
double loopCycles(double hz, size_t length) { return std::round(hz * double(length) / RATE); }

Signal motorRunning() {
    size_t n = MOTOR_RUNNING_SAMPLES;
    Noise noise{0x5EED1234};
    Signal whir = periodicBandNoise(n, 900, 1.5, noise);
    Signal hiss = periodicBandNoise(n, 3200, 0.8, noise);
    double hum = loopCycles(50, n), rotation = loopCycles(5, n);
    Signal s(n);
    for (size_t i = 0; i < n; ++i) {
        double t = 2 * PI * double(i) / double(n);
        double drone = 520 * std::sin(hum * t) + 260 * std::sin(2 * hum * t + 0.7) +
                       140 * std::sin(3 * hum * t + 1.9) + 70 * std::sin(6 * hum * t + 0.3);
        double wobble = 1 + 0.35 * std::sin(rotation * t);
        s[i] = drone + 2600 * wobble * whir[i] + 900 * hiss[i];
    }
    return s;
}

// The loop's last `length` samples, to end a sound that hands over to the loop.
Signal loopTail(const Signal& loop, size_t length) {
    return Signal(loop.end() - std::ptrdiff_t(length), loop.end());
}

// A head step: the stepper's knock, two damped resonances and a short burst of noise.
void addClick(Signal& s, size_t at, double amplitude, Noise& noise) {
    constexpr size_t CLICK_SAMPLES = 1100;  // 25 ms, long past the decay
    for (size_t i = 0; i < CLICK_SAMPLES && at + i < s.size(); ++i) {
        double t = double(i) / RATE;
        double knock = std::sin(2 * PI * 2300 * t) * std::exp(-t / 0.0025) +
                       0.6 * std::sin(2 * PI * 4700 * t + 0.5) * std::exp(-t / 0.0012) +
                       0.5 * std::sin(2 * PI * 380 * t) * std::exp(-t / 0.006);
        double burst = noise.next() * std::exp(-t / 0.0006);
        s[at + i] += amplitude * (knock + 0.8 * burst);
    }
}

// The motor engages with a thump and the whir rises to speed; the last sixth is the
// loop itself, so the loop takes over seamlessly.
Signal motorStarting(const Signal& loop) {
    size_t n = MOTOR_STARTING_SAMPLES, rising = n * 5 / 6;
    Signal s = loopTail(loop, n);
    Noise noise{0xA11CE5};
    for (size_t i = 0; i < rising; ++i) {
        double x = double(i) / double(rising);
        double rise = x * x * (3 - 2 * x);
        double whine = std::sin(2 * PI * (120 * x + 180 * x * x) * double(i) / RATE);
        s[i] = s[i] * rise + 3600 * whine * x * (1 - x) * (1 - x);
    }
    addClick(s, 200, 3500, noise);
    return s;
}

Signal shortStep(const Signal& loop) {
    Signal s = loopTail(loop, SHORT_STEP_SAMPLES);
    Noise noise{0xC11C4};
    addClick(s, 120, 6000, noise);
    return s;
}

// Steps every 3 ms (the drive's usual step rate) while the head crosses the tracks,
// then the settling knock.
Signal longSeek(const Signal& loop) {
    Signal s = loopTail(loop, LONG_SEEK_SAMPLES);
    Noise noise{0x5EEC};
    constexpr size_t STEP_SAMPLES = 132, STEPS = 78;
    for (size_t k = 0; k < STEPS; ++k) addClick(s, 150 + k * STEP_SAMPLES, 3600 + 900 * noise.next(), noise);
    addClick(s, 150 + STEPS * STEP_SAMPLES + 700, 5200, noise);
    return s;
}

// The spindle slows (the loop read ever more slowly) and fades to silence.
Signal motorStopping(const Signal& loop) {
    size_t n = MOTOR_STOPPING_SAMPLES;
    Signal s(n);
    double position = 0;
    for (size_t i = 0; i < n; ++i) {
        double x = double(i) / double(n - 1);
        size_t a = size_t(position) % loop.size(), b = (a + 1) % loop.size();
        double f = position - std::floor(position);
        s[i] = (loop[a] * (1 - f) + loop[b] * f) * (1 - x) * (1 - x);
        position += 1 - 0.6 * x;
    }
    return s;
}

bool writeArray(std::FILE* out, const char* name, const char* length, const Signal& s) {
    std::fprintf(out, "\nconst int16_t %s[%s] = {", name, length);
    for (size_t i = 0; i < s.size(); ++i) {
        long v = std::lround(s[i]);
        if (v > 32767) v = 32767;
        if (v < -32768) v = -32768;
        std::fprintf(out, "%s%ld,", i % 16 ? " " : "\n    ", v);
    }
    return std::fprintf(out, "\n};\n") > 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: drive_sound_generator OUTPUT.cpp\n");
        return 2;
    }
    Signal loop = motorRunning();
    std::string path = argv[1], temp = path + ".tmp";
    std::FILE* out = std::fopen(temp.c_str(), "w");
    if (!out) {
        std::perror(temp.c_str());
        return 1;
    }
    std::fprintf(out, "// Generated by tools/drive_sound_generator: synthesised floppy drive noises.\n");
    std::fprintf(out, "#include \"sound/drive_sound_data.h\"\n");
    bool ok = writeArray(out, "motorRunningSound", "MOTOR_RUNNING_SAMPLES", loop) &&
              writeArray(out, "motorStartingSound", "MOTOR_STARTING_SAMPLES", motorStarting(loop)) &&
              writeArray(out, "shortStepSound", "SHORT_STEP_SAMPLES", shortStep(loop)) &&
              writeArray(out, "longSeekSound", "LONG_SEEK_SAMPLES", longSeek(loop)) &&
              writeArray(out, "motorStoppingSound", "MOTOR_STOPPING_SAMPLES", motorStopping(loop));
    ok = std::fclose(out) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::perror(path.c_str());
        std::remove(temp.c_str());
        return 1;
    }
    return 0;
}
