#include "host/display_adapters.h"

#include <SDL.h>

#include <cstring>

static void collectRefreshRates(AdapterRecord& r) {
    r.refreshCount = 0;
    int modes = SDL_GetNumDisplayModes(r.display);
    for (int m = 0; m < modes && r.refreshCount < MAX_REFRESH_RATES; ++m) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(r.display, m, &mode) != 0) continue;
        if (mode.w != r.width || mode.h != r.height || mode.format != r.format) continue;
        bool listed = false;
        for (int i = 0; i < r.refreshCount; ++i) listed |= r.refreshRates[i] == mode.refresh_rate;
        if (!listed) r.refreshRates[r.refreshCount++] = mode.refresh_rate;
    }
}

int enumerateAdapters(AdapterRecord records[MAX_ADAPTERS]) {
    int count = 0;
    int displays = SDL_GetNumVideoDisplays();
    for (int d = 0; d < displays && count < MAX_ADAPTERS; ++d) {
        AdapterRecord& r = records[count];
        r = {};
        r.display = d;
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(d, &desktop) != 0) continue;
        const char* name = SDL_GetDisplayName(d);
        std::strncpy(r.name, name ? name : "Display", sizeof r.name - 1);
        r.width = desktop.w;
        r.height = desktop.h;
        r.refresh = desktop.refresh_rate;
        r.format = desktop.format;
        collectRefreshRates(r);
        if (r.refreshCount > 0) ++count;
    }
    return count;
}

uint32_t chooseAdapter(int count, uint32_t saved) { return saved < uint32_t(count) ? saved : 0; }

uint32_t chooseRefresh(const AdapterRecord& record, uint32_t saved) {
    for (int i = 0; i < record.refreshCount; ++i)
        if (uint32_t(record.refreshRates[i]) == saved) return saved;
    return record.refreshCount > 0 ? uint32_t(record.refreshRates[0]) : 0;
}
