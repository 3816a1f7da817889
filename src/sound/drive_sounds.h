#pragma once
// The floppy drive's noises, mixed into the frame's sound. One sound plays at a time: a
// new one replaces the current one, and each hands over to the one that follows it (the
// motor-running loop, or silence after the motor stops).
// The drive's activity reaches it as notices (bus/notices.h), taken whenever the noise is
// mixed or saved.
#include <cstdint>

#include "bus/notices.h"

void startDriveSound(DriveSound sound);
// Drive sound for a head movement of d tracks: none, a short step, or a long seek.
void startSeekSound(int tracks);
// Adds the next n samples of the current sound (and those that follow it) to both
// channels of the mix.
void driveSoundsAddToMix(int32_t* left, int32_t* right, int n);

// Where the drive's noise stands, kept by snapshots: the sound playing (a DriveSound
// value, -1 for silence) and the next sample of it.
struct DriveSoundPlace {
    int32_t sound;
    uint32_t position;
};
DriveSoundPlace driveSoundPlace();
// A place outside the sounds (from a damaged file) leaves the drive silent.
void resumeDriveSound(const DriveSoundPlace& place);
