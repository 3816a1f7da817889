#pragma once
// The floppy drive's noises, mixed into the frame's sound.

enum class DriveSound { MotorStarting, ShortStep, LongSeek, MotorStopping };

void startDriveSound(DriveSound sound);
// Drive sound for a head movement of d tracks: none, a short step, or a long seek.
void startSeekSound(int tracks);
