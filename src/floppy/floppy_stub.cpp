// Placeholder until the floppy controller lands.
#include "floppy/disk_image.h"
#include "floppy/wd1772.h"
#include "machine/io_dispatch.h"
FdcState fdc;
int32_t pendingDmaEnd = -1;
void fdcInstallRegisters(IoRegisterTable&) {}
uint32_t fdcEvent() { fdc.eventType = 0; return 0; }
bool InsertDisk(const char*) { return false; }
void EjectDisk() {}
const char* insertedDiskPath() { return ""; }
