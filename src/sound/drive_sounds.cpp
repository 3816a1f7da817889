// Playback of the drive noises: a chain of recordings, each naming the one that follows.
#include "sound/drive_sounds.h"

#include "sound/drive_sound_data.h"

struct DiskSoundSample {
    const int16_t* samples;
    uint32_t length;
    uint32_t position;      // next sample to play
    DiskSoundSample* next;  // itself for a loop, null for a one-shot
};

// In the order of DriveSound.
constexpr int DRIVE_SOUNDS = 5;
constexpr int RUNNING = int(DriveSound::MotorRunning);
static DiskSoundSample driveSounds[DRIVE_SOUNDS] = {
    {motorStartingSound, MOTOR_STARTING_SAMPLES, 0, &driveSounds[RUNNING]},
    {shortStepSound, SHORT_STEP_SAMPLES, 0, &driveSounds[RUNNING]},
    {longSeekSound, LONG_SEEK_SAMPLES, 0, &driveSounds[RUNNING]},
    {motorStoppingSound, MOTOR_STOPPING_SAMPLES, 0, nullptr},
    {motorRunningSound, MOTOR_RUNNING_SAMPLES, 0, &driveSounds[RUNNING]},
};
static DiskSoundSample* currentSound;

void startDriveSound(DriveSound sound) {
    currentSound = &driveSounds[int(sound)];
    currentSound->position = 0;
}

void startSeekSound(int tracks) {
    if (tracks != 0) startDriveSound(seekNoise(tracks));
}

// What the drive did since the noise was last mixed starts its noise from the beginning.
static void followDrive() {
    DriveSound sound;
    if (takeDriveSoundNotice(sound)) startDriveSound(sound);
}

void driveSoundsAddToMix(int32_t* left, int32_t* right, int n) {
    followDrive();
    while (currentSound && n > 0) {
        DiskSoundSample& s = *currentSound;
        uint32_t k = s.length - s.position;
        if (k > uint32_t(n)) k = uint32_t(n);
        const int16_t* from = s.samples + s.position;
        for (uint32_t i = 0; i < k; ++i) {
            left[i] += from[i];
            right[i] += from[i];
        }
        left += k;
        right += k;
        n -= int(k);
        s.position += k;
        if (s.position == s.length) {  // the following sound plays from its start
            s.position = 0;
            currentSound = s.next;
            if (currentSound) currentSound->position = 0;
        }
    }
}

DriveSoundPlace driveSoundPlace() {
    followDrive();
    if (!currentSound) return {-1, 0};
    return {int32_t(currentSound - driveSounds), currentSound->position};
}

void resumeDriveSound(const DriveSoundPlace& place) {
    DriveSound replaced;
    takeDriveSoundNotice(replaced);
    currentSound = nullptr;
    if (place.sound < 0 || place.sound >= DRIVE_SOUNDS) return;
    DiskSoundSample& s = driveSounds[place.sound];
    if (place.position >= s.length) return;
    currentSound = &s;
    s.position = place.position;
}
