#pragma once
// The WD1772 floppy controller behind the ST's DMA chip ($FF8600).
#include <cstdint>

enum FdcEventType : uint32_t { FDC_EVENT_NONE = 0, FDC_EVENT_COMPLETION = 1, FDC_EVENT_MOTOR_OFF = 2, FDC_EVENT_NEXT_SECTOR = 3 };

struct FdcState {
    uint32_t eventTime;
    uint32_t eventType;
    bool motorOn;
    int32_t track;
    uint32_t sector;
    uint32_t data;
    uint32_t status;
    uint32_t finalStatus;
    uint32_t stepIn;
    uint32_t dmaAddress;
    uint32_t dmaWrite;
    uint32_t dmaOff;
    uint32_t sectorCount;
    int32_t sectorsLeft;
};

extern FdcState fdc;
extern int32_t pendingDmaEnd;  // -1 when none

// Runs the due event (the scheduler calls it when odometer reaches eventTime) and
// returns the type of event it ran.
uint32_t fdcEvent();
