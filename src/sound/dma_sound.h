#pragma once
// The STE DMA sound engine, caught up lazily from its register log.
#include <cstdint>

void dmaSoundReset();       // machine reset and start-up
void dmaSoundFrameStart();  // per-frame reset, after the frame was mixed
void dmaSoundFrameEnd();    // runs the engine to cycle 160256
void DmaCatchUp(uint32_t cycle);
void dmaSoundAddToMix(int32_t* mix, int n);
