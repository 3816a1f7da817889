#include "frontend/recording_file.h"

#include <cstring>

#include "base/crc32.h"
#include "base/little_endian.h"

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) { appendLittle32(out, v); }
void put64(std::vector<uint8_t>& out, uint64_t v) {
    put32(out, uint32_t(v));
    put32(out, uint32_t(v >> 32));
}

struct Reader {
    const uint8_t* p;
    const uint8_t* end;
    bool has(size_t n) const { return size_t(end - p) >= n; }
    uint32_t get32() {
        uint32_t v = little32(p);
        p += 4;
        return v;
    }
    uint64_t get64() {
        uint64_t low = get32();
        return low | uint64_t(get32()) << 32;
    }
};

constexpr size_t SIGNATURE_BYTES = 8, EVENT_BYTES = 16;

bool eventValid(const RecordedEvent& e) {
    switch (e.kind) {
    case RECORDED_KEY: return e.a >= 0 && e.a <= 255 && e.b >= 0 && e.b <= 255;
    case RECORDED_MOUSE_BUTTONS: return (e.a == 0 || e.a == 1) && (e.b == 0 || e.b == 1);
    case RECORDED_JOYSTICK: return e.a >= 0 && e.a <= 255 && e.b == 0;
    case RECORDED_JOYPAD: return (e.a == 0 || e.a == 1) && e.b >= 0;
    case RECORDED_RESET: return (e.a == 0 || e.a == 1) && e.b == 0;
    case RECORDED_MOUSE_MOVE:
    case RECORDED_CHECKPOINT: return true;
    default: return false;
    }
}

bool fail(std::string& error, const char* why) {
    error = why;
    return false;
}

}  // namespace

uint64_t recordingHash(const uint8_t* bytes, size_t n, uint64_t hash) {
    for (size_t i = 0; i < n; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

void writeRecording(const Recording& r, std::vector<uint8_t>& out) {
    out.assign(RECORDING_SIGNATURE, RECORDING_SIGNATURE + SIGNATURE_BYTES);
    put32(out, RECORDING_VERSION);
    put32(out, RECORDING_SETTINGS);
    const RecordingSettings& s = r.settings;
    for (uint32_t v : {s.machine, s.ramSize, s.fastDisk, s.floppyAProtected, s.arrowForJoystick, s.ymSound,
                       s.dacSound, s.lowPass, s.diskSound})
        put32(out, v);
    put64(out, r.tosHash);
    put64(out, r.diskHash);
    put32(out, uint32_t(r.snapshot.size()));
    out.insert(out.end(), r.snapshot.begin(), r.snapshot.end());
    put32(out, uint32_t(r.events.size()));
    for (const RecordedEvent& e : r.events) {
        put32(out, e.frame);
        put32(out, e.kind);
        put32(out, uint32_t(e.a));
        put32(out, uint32_t(e.b));
    }
    put32(out, r.frames);
    put32(out, crc32Of(out.data(), out.size()));
}

bool readRecording(const uint8_t* data, size_t size, Recording& r, std::string& error) {
    if (size < SIGNATURE_BYTES + 4 || std::memcmp(data, RECORDING_SIGNATURE, SIGNATURE_BYTES) != 0)
        return fail(error, "The file is not an input recording.");
    Reader in{data + SIGNATURE_BYTES, data + size};
    uint32_t version = in.get32();
    if (version == 0 || version > RECORDING_VERSION)
        return fail(error, "The recording was made by a later version of the program.");
    if (size < SIGNATURE_BYTES + 8 ||
        crc32Of(data, size - 4) != little32(data + size - 4))
        return fail(error, "The recording is cut short or damaged (its checksum does not match).");
    in.end -= 4;
    const char* cut = "The recording is cut short or damaged.";
    if (!in.has(4) || in.get32() != RECORDING_SETTINGS || !in.has(RECORDING_SETTINGS * 4 + 16 + 4)) return fail(error, cut);
    RecordingSettings& s = r.settings;
    for (uint32_t* v : {&s.machine, &s.ramSize, &s.fastDisk, &s.floppyAProtected, &s.arrowForJoystick, &s.ymSound,
                        &s.dacSound, &s.lowPass, &s.diskSound})
        *v = in.get32();
    if (s.machine > 1 || s.ramSize > 3) return fail(error, "The recording's machine settings are not ones the program has.");
    r.tosHash = in.get64();
    r.diskHash = in.get64();
    uint32_t snapshotBytes = in.get32();
    if (!in.has(size_t(snapshotBytes) + 4)) return fail(error, cut);
    r.snapshot.assign(in.p, in.p + snapshotBytes);
    in.p += snapshotBytes;
    uint32_t count = in.get32();
    if (size_t(in.end - in.p) / EVENT_BYTES < count || !in.has(size_t(count) * EVENT_BYTES + 4)) return fail(error, cut);
    r.events.resize(count);
    for (RecordedEvent& e : r.events) {
        e.frame = in.get32();
        e.kind = in.get32();
        e.a = int32_t(in.get32());
        e.b = int32_t(in.get32());
    }
    r.frames = in.get32();
    if (in.p != in.end) return fail(error, "The recording holds bytes after its end.");
    uint32_t previous = 0;
    for (const RecordedEvent& e : r.events) {
        if (e.frame < previous || e.frame > r.frames) return fail(error, "The recording's events are out of order.");
        if (!eventValid(e)) return fail(error, "The recording holds an event the program does not know.");
        previous = e.frame;
    }
    return true;
}
