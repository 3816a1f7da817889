#pragma once
// Music recording: the sound chip's registers as a YM6 file, or the mixed output as a
// WAV file, into "sound/song_%03d.ym" or ".wav" (the first free number of its kind).
// Progress and results are shown as on-screen messages.
#include <cstdint>
#include <string>

// Starts a recording; in YM mode with waitForChip it begins only once the chip is
// audible (a tone or noise enabled and a volume above 0). False when a recording is
// already running or the WAV file cannot be created.
bool recorderStart(bool ymMode, bool waitForChip);
// The same into the given file, at once (the headless runner's --wav and --ym).
bool recorderStartToFile(bool ymMode, const std::string& path);
// Finishes and saves the recording (or reports it canceled when it never began).
void recorderStop();

bool recorderRunning();
const char* recorderFileName();  // "" when no recording runs
// The last text the recorder showed: its time display, or the result of the last stop.
const char* recorderLastMessage();
// Hands the frame's 881 output samples (stereo, interleaved) to the running recorder.
void recorderRecordFrame(const int16_t* samples, int n);
