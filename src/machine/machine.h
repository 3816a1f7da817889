#pragma once
// The emulated machine as front ends drive it: brought up once, then run one frame at a
// time. When a frame has run, its picture (video/picture.h) and its sound samples
// (OutputBuffer and lastSampleCount, sound/mixer.h) are ready. Nothing in a frame waits
// on a device or reads host input: front ends hand input over before the frame
// (peripherals/input.h), show the picture, play the sound and pace the frames.
#include <cstdint>

// Allocates the machine's memory and builds its tables, with the settings of
// machineSettings; false when the memory is not available. This is the machine's power-on:
// the keyboard processor's clock starts at machineSettings.clockAtPowerOn (the host's
// clock when it is -1), and emulated time moves it on from there. Load a TOS image
// (machine/rom_images.h) and cold-reset (machine/machine_reset.h) before the first frame.
bool machineInit();
// Ejects the disk, shuts the extensions down (the folder drive closes its files),
// detaches the hard disk images (their unwritten changes dropped: the front end writes
// them back first) and frees the memory.
void machineShutdown();

enum class FrameResult { Completed, Crashed };
// Scheduler and processor slices until the frame ends. Crashed: the processor halted
// (a double fault, an odd reset vector); the frame ends there and the machine stays as it
// stopped, for the front end to log and reset.
FrameResult emulateFrame();
// Runs whoever holds the bus for a budget of cycles: the 68000 (cpuRun's result), or the
// blitter while it has taken the bus (RUN_OK).
uint32_t runSlice(int32_t budget);
