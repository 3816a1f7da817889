#pragma once
// The disk in drive A, held whole in memory.
#include <cstdint>

bool InsertDisk(const char* path);
void EjectDisk();
const char* insertedDiskPath();  // "" when the drive is empty
