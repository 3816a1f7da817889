// Placeholder until the Shifter, renderer and overlays land.
#include "machine/io_dispatch.h"
#include "video/hardware_log.h"
#include "video/messages.h"
#include "video/profile_timer.h"
#include "video/renderer.h"
#include "video/screenshot.h"
#include "video/shifter.h"
uint8_t ScreenCopy[65536];
void shifterInstallRegisters(IoRegisterTable&) {}
void ShifterFrameStart() {}
void shifterReset() {}
void resetLineWindowTable() {}
uint32_t ReadVideoCounter(int32_t) { return 0; }
uint32_t HostPalette[16];
int rendererResolution;
void buildColourTables() {}
void RenderFrame(uint8_t*, const uint8_t*, int) {}
int ShowMessage(const char*, int, int) { return 0; }
void setMessageText(int, const char*) {}
void removeMessage(int) {}
void DrawMessages(uint16_t*, int) {}
ProfileTimer profileTotal, profileGraphics, profileSound;
void calibrateProfileTimers() {}
void profileStart(ProfileTimer&) {}
void profileStop(ProfileTimer&) {}
void hardwareLogRecord(uint32_t, uint32_t, bool, int32_t) {}
void hardwareLogClose() {}
void hardwareLogStep(bool) {}
void hardwareLogReset() {}
uint16_t capturedPicture[CAPTURE_WIDTH * CAPTURE_HEIGHT];
void CaptureScreenshot() {}
bool SaveScreenshot(bool, std::string&) { return false; }
int captureColourCount() { return 1; }
