#pragma once
// The floppy drive's recorded noises: signed 16-bit mono at 44100 samples a second,
// generated at build time by tools/drive_sound_generator. The running loop repeats
// without a click, and every sound that hands over to it ends on the loop's last samples.
#include <cstdint>

constexpr uint32_t MOTOR_RUNNING_SAMPLES = 43252;
constexpr uint32_t MOTOR_STARTING_SAMPLES = 17420;
constexpr uint32_t SHORT_STEP_SAMPLES = 2211;
constexpr uint32_t LONG_SEEK_SAMPLES = 13539;
constexpr uint32_t MOTOR_STOPPING_SAMPLES = 13182;

extern const int16_t motorRunningSound[MOTOR_RUNNING_SAMPLES];
extern const int16_t motorStartingSound[MOTOR_STARTING_SAMPLES];
extern const int16_t shortStepSound[SHORT_STEP_SAMPLES];
extern const int16_t longSeekSound[LONG_SEEK_SAMPLES];
extern const int16_t motorStoppingSound[MOTOR_STOPPING_SAMPLES];
