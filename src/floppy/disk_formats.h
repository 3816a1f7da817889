#pragma once
// Conversions of a loaded image file into the in-memory layouts. Each works on
// disk.data as read from the file, with format, sides, tracks and sectorsPerTrack from
// detection; false with errorMessage set when the file cannot be used.
#include "floppy/disk_image.h"

bool convertMsa(DiskImage& disk);
bool convertFdi(DiskImage& disk);
