#pragma once
// Only one copy of the program runs at a time: an exclusive lock on a file named for
// "Quarv Atari ST Emulator" in the user's runtime directory.

// True when this process now holds the lock (kept until the process ends).
bool acquireSingleInstance();
