#pragma once
// What the machine's parts have to tell the world outside while a frame runs, kept until
// the frame's end hands them on (machine/frame_sink.h): texts for the user's screen, and
// the floppy drive's activity, which the drive's noise in the frame's sound follows.
#include <cstdint>

constexpr int NOTICE_TEXT_MAX = 138;  // an on-screen message line
constexpr int NOTICES_PER_FRAME = 8;

struct Notice {
    char text[NOTICE_TEXT_MAX + 1];
    int lifetimeMs;  // negative: until removed
};

// A text for the screen. Longer texts are cut; beyond NOTICES_PER_FRAME in a frame the
// later ones are dropped.
void postNotice(const char* text, int lifetimeMs);
// The texts posted since the last clearNotices, oldest first.
int noticeCount();
const Notice* postedNotices();
void clearNotices();

// The drive's noises: one plays at a time, each handing over to the one that follows it.
enum class DriveSound { MotorStarting, ShortStep, LongSeek, MotorStopping, MotorRunning };
// The noise of a head movement of d tracks (not 0): a short step, or a long seek.
DriveSound seekNoise(int tracks);
// The drive's mechanics: the motor starting or stopping, the head moving (no noise when
// it stays). The latest since the sound last took it replaces any before.
void noticeDriveSound(DriveSound sound);
void noticeHeadMovement(int tracks);
// The noise the drive asked for since the last call; false when none.
bool takeDriveSoundNotice(DriveSound& sound);
