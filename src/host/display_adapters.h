#pragma once
// The host's displays as adapter records: each SDL display with its desktop mode and
// the refresh rates it lists for that size and format, and the choice of adapter and
// refresh rate from the saved settings.
#include <cstdint>

constexpr int MAX_ADAPTERS = 8;
constexpr int MAX_REFRESH_RATES = 32;

struct AdapterRecord {
    int display;  // SDL display index
    char name[128];
    int width, height, refresh;  // the desktop mode, in which the window also runs full screen
    uint32_t format;             // SDL pixel format of that mode
    int refreshCount;
    int refreshRates[MAX_REFRESH_RATES];  // in the order the display lists its modes
};

// Fills `records` with the usable displays (those listing at least one refresh rate for
// their desktop mode); returns their number.
int enumerateAdapters(AdapterRecord records[MAX_ADAPTERS]);

// The saved adapter when it is one of the `count` records, else the first. Every record
// can show the picture: SDL converts the R5G6B5 textures to any desktop format.
uint32_t chooseAdapter(int count, uint32_t saved);
// The saved refresh rate when the record lists it, else the first listed one.
uint32_t chooseRefresh(const AdapterRecord& record, uint32_t saved);
