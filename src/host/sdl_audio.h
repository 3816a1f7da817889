#pragma once
// The sound output on an SDL audio device: 16-bit stereo at 44100 Hz played from the
// ring of 4096 samples. The device's callback plays from the play cursor and advances it, as
// a looping sound buffer does; the frame end writes at the write offset and waits for
// room, which paces the emulation to 50.05 frames a second.
#include <cstdint>

// Opens the device, installs it as the frame end's sound output and leaves it paused
// until the emulation runs. A failure is reported under "Audio Error" and the program
// goes on silent, its frames paced by the host clock.
void startAudioOutput();
void releaseAudioOutput();
// SDL reported an audio device gone; when it is ours, the program goes on silent.
void audioDeviceRemoved(uint32_t id);

// The device's side and the frame end's side of the ring, for the tests: what the
// callback does with a request of `length` bytes, the play cursor it leaves, and the
// operations the frame end calls. They work without an open device.
void audioDeviceFill(uint8_t* stream, int length);
uint32_t audioDevicePlayCursor();
int audioDeviceSamplesForFrame();
uint32_t audioDeviceFreeRoom();
void audioDeviceWriteFrame(const int16_t* samples, int bytes, bool wait);
void audioDeviceRestart();
