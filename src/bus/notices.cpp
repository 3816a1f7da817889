#include "bus/notices.h"

#include <cstdio>

static Notice notices[NOTICES_PER_FRAME];
static int count;
static bool driveSoundWaits;
static DriveSound driveSound;

void postNotice(const char* text, int lifetimeMs) {
    if (count == NOTICES_PER_FRAME) return;
    Notice& n = notices[count++];
    std::snprintf(n.text, sizeof n.text, "%s", text);
    n.lifetimeMs = lifetimeMs;
}

int noticeCount() { return count; }
const Notice* postedNotices() { return notices; }
void clearNotices() { count = 0; }

DriveSound seekNoise(int tracks) { return tracks > -6 && tracks < 6 ? DriveSound::ShortStep : DriveSound::LongSeek; }

void noticeDriveSound(DriveSound sound) {
    driveSound = sound;
    driveSoundWaits = true;
}

void noticeHeadMovement(int tracks) {
    if (tracks != 0) noticeDriveSound(seekNoise(tracks));
}

bool takeDriveSoundNotice(DriveSound& sound) {
    if (!driveSoundWaits) return false;
    driveSoundWaits = false;
    sound = driveSound;
    return true;
}
