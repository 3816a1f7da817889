#pragma once
// Input recording files: a session's start and every input the ST received, so that
// the session can be run again exactly. Integers little-endian:
//   "QUARVREC"                     8 bytes
//   version                        u32 (1)
//   settings count, settings       u32 n (9), n x u32: RecordingSettings in field order
//   TOS hash, disk hash            u64 each (FNV-1a of the TOS image and drive A's disk; 0: empty)
//   snapshot length, snapshot      u32 n, n bytes: the machine when the recording started
//   event count, events            u32 n, n x 16 bytes: frame, kind, a, b (u32, u32, i32, i32)
//   frames                         u32: the frames the recording spans
//   checksum                       u32: CRC-32 of every byte before it
// Events come in frame order; a frame's events apply before that frame runs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr char RECORDING_SIGNATURE[] = "QUARVREC";
constexpr uint32_t RECORDING_VERSION = 1;

enum RecordedKind : uint32_t {
    RECORDED_KEY = 1,        // a: key code 0-255, b: its state byte
    RECORDED_MOUSE_MOVE,     // a, b: movement in device counts
    RECORDED_MOUSE_BUTTONS,  // a: left, b: right (0 or 1)
    RECORDED_JOYSTICK,       // a: JOY_ bits
    RECORDED_JOYPAD,         // a: pad 0 or 1, b: JOYPAD_ bits
    RECORDED_RESET,          // a: 1 cold, 0 warm
    RECORDED_CHECKPOINT,     // a, b: low and high half of the machine's state hash
};

struct RecordedEvent {
    uint32_t frame;
    uint32_t kind;
    int32_t a, b;
    bool operator==(const RecordedEvent&) const = default;
};

// The settings that change how the machine runs beyond what a snapshot holds.
struct RecordingSettings {
    uint32_t machine, ramSize, fastDisk, floppyAProtected, arrowForJoystick, ymSound, dacSound, lowPass, diskSound;
    bool operator==(const RecordingSettings&) const = default;
};
constexpr uint32_t RECORDING_SETTINGS = sizeof(RecordingSettings) / sizeof(uint32_t);

struct Recording {
    RecordingSettings settings{};
    uint64_t tosHash = 0, diskHash = 0;
    std::vector<uint8_t> snapshot;
    std::vector<RecordedEvent> events;
    uint32_t frames = 0;
};

void writeRecording(const Recording& recording, std::vector<uint8_t>& out);
// False, with the reason, for a file that is not a recording of this version, is cut
// short or damaged, or holds events out of order or of an unknown kind.
bool readRecording(const uint8_t* data, size_t size, Recording& out, std::string& error);

// FNV-1a, 64 bits: the hashes the file holds.
uint64_t recordingHash(const uint8_t* bytes, size_t n, uint64_t hash = 14695981039346656037ull);
