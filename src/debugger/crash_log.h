#pragma once
// The processor state as text, written when the processor runs into unmapped memory or
// halts: "crashLog.txt".
bool writeCrashLog(const char* fileName);
