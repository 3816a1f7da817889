#include "floppy/acsi_bus.h"

#include <cstring>

#include "bus/machine_settings.h"
#include "bus/processor_slice.h"
#include "floppy/dma_chip.h"
#include "floppy/wd1772.h"

AcsiBusState acsi;

// Command groups by the operation code's top three bits: 6 bytes for group 0, 10 for
// groups 1 and 2, 12 for group 5; the reserved and vendor groups are taken as 6.
static uint32_t commandLength(uint8_t opcode) {
    switch (opcode >> 5) {
    case 1:
    case 2: return 10;
    case 5: return 12;
    default: return 6;
    }
}

static void schedule(uint32_t event, uint32_t time) {
    acsi.event = event;
    acsi.eventTime = time;
    endSliceNow();
}

// A plain command keeps the device number in its first byte's top bits; after ICD's
// escape byte the whole operation code follows.
static void execute(uint32_t now) {
    uint8_t cdb[ACSI_MAX_COMMAND];
    bool escaped = (acsi.command[0] & 0x1F) == ACSI_ICD_ESCAPE;
    std::memcpy(cdb, acsi.command + (escaped ? 1 : 0), ACSI_MAX_COMMAND - 1);
    if (!escaped) cdb[0] &= 0x1F;
    uint32_t time = acsiExecute(acsi.device, cdb);
    acsi.phase = ACSI_BUSY;
    schedule(ACSI_EVENT_DONE, now + (machineSettings.fastDisk ? FDC_SHORT_COMMAND : time));
}

void acsiWriteByte(uint8_t byte, bool a1, uint32_t now) {
    diskInterruptLine(DISK_IRQ_ACSI, false);  // the byte's strobe takes back a device's request
    if (!a1) {
        // A1 low starts a command on every device: whatever went on before is abandoned.
        acsi.phase = ACSI_IDLE;
        acsi.event = ACSI_EVENT_NONE;
        uint32_t device = byte >> 5;
        if (!hardDiskAttached(device)) return;
        acsi.phase = ACSI_COMMAND;
        acsi.device = device;
        acsi.received = 0;
        acsi.length = (byte & 0x1F) == ACSI_ICD_ESCAPE ? 0 : 6;
    } else if (acsi.phase != ACSI_COMMAND) {
        return;
    }
    acsi.command[acsi.received++] = byte;
    if (acsi.length == 0 && acsi.received == 2) acsi.length = 1 + commandLength(byte);
    if (acsi.length == 0 || acsi.received < acsi.length) {
        schedule(ACSI_EVENT_NEXT_BYTE, now + ACSI_BYTE_TIME);
        return;
    }
    execute(now);
}

uint32_t acsiReadByte() {
    if (acsi.phase != ACSI_STATUS) return 0xFF;
    acsi.phase = ACSI_IDLE;
    diskInterruptLine(DISK_IRQ_ACSI, false);
    return acsi.status;
}

void acsiEvent() {
    if (acsi.event == ACSI_EVENT_DONE) {
        dmaTransferEnds();
        acsi.phase = ACSI_STATUS;
    }
    acsi.event = ACSI_EVENT_NONE;
    diskInterruptLine(DISK_IRQ_ACSI, true);
}

void acsiBusReset() {
    acsi = AcsiBusState{};
    diskInterruptLine(DISK_IRQ_ACSI, false);
}
