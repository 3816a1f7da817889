#pragma once
// The ACSI bus behind the DMA chip (floppy/dma_chip.h). The host writes a command byte by
// byte through $FF8604: the first with A1 low, its top three bits naming the device
// (0-7); the others with A1 high. A device that has taken a byte and wants the next
// pulls its IRQ line low a few microseconds later (MFP GPIP 5, shared with the floppy
// controller). After the last byte it carries the command out, moving the data through
// the DMA chip, and when it has finished, at a scheduled cycle position as a real drive
// takes its time, it pulls IRQ low again with its status byte ready; reading $FF8604
// takes the status and frees the line. Each fall of the line is an MFP interrupt on
// channel 7 when the driver enables it. Devices 0 and 1 answer while they hold an image (floppy/hard_disk_image.h); the
// other IDs and empty devices never answer, and the host's driver times out.
#include <cstdint>

#include "floppy/hard_disk_image.h"

enum AcsiPhase : uint32_t { ACSI_IDLE = 0, ACSI_COMMAND = 1, ACSI_BUSY = 2, ACSI_STATUS = 3 };
// What the device does at eventTime: pull IRQ low for the next command byte, or finish.
enum AcsiEvent : uint32_t { ACSI_EVENT_NONE = 0, ACSI_EVENT_NEXT_BYTE = 1, ACSI_EVENT_DONE = 2 };

constexpr uint32_t ACSI_MAX_COMMAND = 13;  // ICD's escape byte and a 12-byte command
constexpr uint8_t ACSI_ICD_ESCAPE = 0x1F;  // opcode field of a first byte whose command follows whole

// Times of a drive of the ST's years, in processor cycles.
constexpr uint32_t ACSI_BYTE_TIME = 64;       // about 8 us to take a command byte
constexpr uint32_t ACSI_COMMAND_TIME = 4096;  // about 0.5 ms to decode a command and report
constexpr uint32_t ACSI_ACCESS_TIME = 80000;  // about 10 ms to seek and wait half a turn
constexpr uint32_t ACSI_SECTOR_TIME = 4096;   // about 0.5 ms for 512 bytes at 1 MB/s

constexpr uint32_t ACSI_STATUS_GOOD = 0x00;
constexpr uint32_t ACSI_STATUS_CHECK_CONDITION = 0x02;

// What request sense reports after a command that ended in check condition.
struct AcsiSense {
    uint32_t key;   // 5 illegal request, ...
    uint32_t code;  // additional sense code
    uint32_t info;  // the sector concerned, when infoValid
    bool infoValid;
};

struct AcsiBusState {
    uint32_t phase;     // AcsiPhase
    uint32_t device;    // the device taking the command bytes
    uint8_t command[ACSI_MAX_COMMAND];
    uint32_t received;  // command bytes taken
    uint32_t length;    // command bytes expected; 0 until the byte after ICD's escape
    uint32_t status;    // the status byte of the finished command
    uint32_t event;     // AcsiEvent
    uint32_t eventTime; // frame cycle of the event
    AcsiSense sense[HARD_DISKS];
};

extern AcsiBusState acsi;

// A byte written to $FF8604 with the ACSI bus selected, A1 from the mode register.
void acsiWriteByte(uint8_t byte, bool a1, uint32_t now);
// A read of $FF8604 with the ACSI bus selected: the status byte when a device has one
// ready (which frees the line), else all ones from the idle bus.
uint32_t acsiReadByte();
// What that read would give, the status and the line left as they are (the debugger).
uint32_t acsiPeekByte();
// The device's event (the scheduler calls it at eventTime, while event is not
// ACSI_EVENT_NONE, and raises MFP channel 7): IRQ goes low for the next byte or with the
// status byte.
void acsiEvent();
// The bus's reset line: every device idle, the line released, the sense data cleared.
void acsiBusReset();

// The drive's side of a command (floppy/acsi_commands.cpp): runs `cdb`, whose first byte
// is the plain operation code, for `device`, moving its data through the DMA chip and
// setting acsi.status and the sense data. Returns the cycles the drive takes.
uint32_t acsiExecute(uint32_t device, const uint8_t* cdb);

// Snapshots: the bus, its interrupt line and its hard disks' unwritten sectors ("ACSI").
struct SectionEntry;
SectionEntry acsiSnapshotSection();
