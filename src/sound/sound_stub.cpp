// Placeholder until the sound chips land.
#include "machine/io_dispatch.h"
#include "sound/audio_output.h"
#include "sound/dma_sound.h"
#include "sound/drive_sounds.h"
#include "sound/mixer.h"
#include "sound/recorder.h"
#include "sound/sound_logs.h"
#include "sound/ym2149.h"
LogEntry YmWriteLog[SOUND_LOG_CAPACITY + 1];
LogEntry DmaSoundLog[SOUND_LOG_CAPACITY + 1];
void ymInstallRegisters(IoRegisterTable&) {}
void dmaSoundInstallRegisters(IoRegisterTable&) {}
void ymWriteLogClose() {}
void ymWriteLogReset() {}
void dmaSoundReset() {}
void dmaSoundFrameStart() {}
void dmaSoundFrameEnd() {}
void DmaCatchUp(uint32_t) {}
void dmaSoundAddToMix(int32_t*, int) {}
void ymRequestReset() {}
int32_t MixBuffer[MIX_BUFFER_SAMPLES];
int16_t OutputBuffer[OUTPUT_BUFFER_SAMPLES];
int lastSampleCount;
void MixFrame(int n) { lastSampleCount = n; }
void drawSoundOutput(uint8_t*, int, int) {}
void setAudioBackend(const AudioBackend*) {}
int audioSamplesForFrame() { return 881; }
void audioWriteFrame(const int16_t*, int, bool) {}
void audioStop() {}
void audioRestart() {}
void audioRelease() {}
bool recorderRunning() { return false; }
void recorderRecordFrame(const int16_t*, int) {}
void startDriveSound(DriveSound) {}
void startSeekSound(int) {}
