#include "frontend/input_recording.h"

#include <cstring>
#include <vector>

#include "base/input_file.h"
#include "base/little_endian.h"
#include "base/safe_file.h"
#include "bus/machine_settings.h"
#include "floppy/disk_image.h"
#include "frontend/recording_file.h"
#include "frontend/rewind_ring.h"
#include "frontend/run_loop.h"
#include "machine/machine_reset.h"
#include "machine/rom_images.h"
#include "machine/snapshot.h"
#include "peripherals/input.h"

namespace {

enum class Mode { Off, Recording, Replaying };
Mode mode = Mode::Off;
std::string path, message;
Recording session;
long startFrame;    // framesEmulated when the session started
size_t nextEvent;   // the replay's next event
bool parted;
HandedInput last;   // what the ST was handed at the previous frame
std::vector<uint8_t> stateBytes;

RecordingSettings currentSettings() {
    const MachineSettings& m = machineSettings;
    return {m.machine, m.ramSize, m.fastDisk, m.floppyAProtected, m.arrowForJoystick, m.ymSound, m.dacSound, m.lowPass,
            m.diskSound};
}

void applySettings(const RecordingSettings& s) {
    MachineSettings& m = machineSettings;
    m.machine = s.machine;
    m.ramSize = s.ramSize;
    m.fastDisk = s.fastDisk;
    m.floppyAProtected = s.floppyAProtected;
    m.arrowForJoystick = s.arrowForJoystick;
    m.ymSound = s.ymSound;
    m.dacSound = s.dacSound;
    m.lowPass = s.lowPass;
    m.diskSound = s.diskSound;
}

uint64_t tosHash() {
    TosImage image;
    return readTosImage(currentRomName, image) ? recordingHash(image.bytes.data(), image.bytes.size()) : 0;
}

uint64_t diskHash() { return driveA.loaded ? recordingHash(driveA.data.data(), driveA.data.size()) : 0; }

// The machine's state without the sections that name host files ("MAIN") or hold the
// user's last screenshot ("SHOT"): the same for the same machine wherever it runs.
uint64_t stateHash() {
    saveSnapshotToBuffer(stateBytes, false);
    uint64_t hash = recordingHash(nullptr, 0);
    const uint8_t* p = stateBytes.data();
    const uint8_t* end = p + stateBytes.size();
    while (end - p >= 8) {
        uint32_t size = little32(p + 4);
        if (std::memcmp(p, "MAIN", 4) != 0 && std::memcmp(p, "SHOT", 4) != 0) hash = recordingHash(p, 8 + size, hash);
        p += 8 + size;
    }
    return hash;
}

uint32_t frameIndex() { return uint32_t(framesEmulated - startFrame); }

void add(uint32_t kind, int32_t a, int32_t b) { session.events.push_back({frameIndex(), kind, a, b}); }

void recordFrame() {
    HandedInput now;
    takeHandedInput(now);
    for (int code = 0; code < 256; ++code)
        if (now.keys[code] != last.keys[code]) add(RECORDED_KEY, code, now.keys[code]);
    if (now.mouseDx || now.mouseDy) add(RECORDED_MOUSE_MOVE, now.mouseDx, now.mouseDy);
    if (now.mouseLeft != last.mouseLeft || now.mouseRight != last.mouseRight)
        add(RECORDED_MOUSE_BUTTONS, now.mouseLeft != 0, now.mouseRight != 0);
    if (now.joystick != last.joystick) add(RECORDED_JOYSTICK, now.joystick, 0);
    for (int pad = 0; pad < JOYPAD_COUNT; ++pad)
        if (now.joypads[pad] != last.joypads[pad]) add(RECORDED_JOYPAD, pad, int32_t(now.joypads[pad]));
    last = now;
    if (frameIndex() % CHECKPOINT_FRAMES == 0) {
        uint64_t hash = stateHash();
        add(RECORDED_CHECKPOINT, int32_t(uint32_t(hash)), int32_t(uint32_t(hash >> 32)));
    }
    session.frames = frameIndex() + 1;
}

// The held inputs (keys, buttons, joystick, joypads) an event sets; false for the others.
bool applyHeldInput(HandedInput& held, const RecordedEvent& e) {
    switch (e.kind) {
    case RECORDED_KEY: held.keys[e.a] = uint8_t(e.b); return true;
    case RECORDED_MOUSE_BUTTONS:
        held.mouseLeft = uint8_t(e.a);
        held.mouseRight = uint8_t(e.b);
        return true;
    case RECORDED_JOYSTICK: held.joystick = uint8_t(e.a); return true;
    case RECORDED_JOYPAD: held.joypads[e.a] = uint32_t(e.b); return true;
    default: return false;
    }
}

void stopReplay(const std::string& why) {
    message = why;
    mode = Mode::Off;
}

void replayFrame() {
    HandedInput handed;
    takeHandedInput(handed);  // the host's movement, which the ST does not get
    last.mouseDx = last.mouseDy = 0;
    const uint32_t frame = frameIndex();
    if (frame >= session.frames) return stopReplay("The replay has ended.");
    bool checkpoint = false;
    uint64_t expected = 0;
    for (; nextEvent < session.events.size() && session.events[nextEvent].frame <= frame; ++nextEvent) {
        const RecordedEvent& e = session.events[nextEvent];
        if (e.frame < frame || applyHeldInput(last, e)) continue;
        switch (e.kind) {
        case RECORDED_MOUSE_MOVE:
            last.mouseDx += e.a;
            last.mouseDy += e.b;
            break;
        case RECORDED_RESET: machineReset(e.a != 0); break;
        case RECORDED_CHECKPOINT:
            checkpoint = true;
            expected = uint32_t(e.a) | uint64_t(uint32_t(e.b)) << 32;
            break;
        }
    }
    inputSetKeys(last.keys);
    inputMoveMouse(last.mouseDx, last.mouseDy);
    inputSetMouseButtons(last.mouseLeft, last.mouseRight);
    inputSetJoystick(last.joystick);
    for (int pad = 0; pad < JOYPAD_COUNT; ++pad) inputSetJoypad(pad, last.joypads[pad]);
    takeHandedInput(handed);
    parted = checkpoint && stateHash() != expected;
    if (parted)
        stopReplay("The replay parted from the recording at frame " + std::to_string(frame) + ".");
}

bool refuse(const std::string& why) {
    message = why;
    return false;
}

}  // namespace

bool recordingStart(const std::string& file) {
    replayStop();
    session = Recording{};
    session.settings = currentSettings();
    session.tosHash = tosHash();
    session.diskHash = diskHash();
    saveSnapshotToBuffer(session.snapshot);
    session.events.reserve(1 << 16);
    path = file;
    message.clear();
    startFrame = framesEmulated;
    last = HandedInput{};
    HandedInput discard;
    takeHandedInput(discard);
    // Rewinding cannot go back past the recording's start, which its snapshot holds.
    rewindClear();
    mode = Mode::Recording;
    return true;
}

bool recordingActive() { return mode == Mode::Recording; }

bool recordingStop() {
    if (mode != Mode::Recording) return true;
    mode = Mode::Off;
    std::vector<uint8_t> bytes;
    writeRecording(session, bytes);
    if (writeFileReplacing(path, bytes.data(), bytes.size())) return true;
    return refuse("The recording " + path + " cannot be written: " + replacingError());
}

void recordingCutBack(long frame) {
    if (mode != Mode::Recording) return;
    uint32_t cut = frame > startFrame ? uint32_t(frame - startFrame) : 0;
    while (!session.events.empty() && session.events.back().frame >= cut) session.events.pop_back();
    session.frames = cut;
    // What the ST was handed at the frame before: the states the events kept give it.
    last = HandedInput{};
    for (const RecordedEvent& e : session.events) applyHeldInput(last, e);
}

const std::string& sessionPath() { return path; }

bool replayStart(const std::string& file) {
    std::vector<uint8_t> bytes;
    if (!readInputFile(file, size_t(1) << 30, bytes)) return refuse(inputFileError());
    Recording r;
    std::string error;
    if (!readRecording(bytes.data(), bytes.size(), r, error)) return refuse(error);
    recordingStop();
    std::vector<uint8_t> before;
    saveSnapshotToBuffer(before);
    RecordingSettings settingsBefore = currentSettings();
    auto restore = [&](const std::string& why) {
        applySettings(settingsBefore);
        loadSnapshotFromBuffer(before.data(), before.size());
        return refuse(why);
    };
    applySettings(r.settings);
    if (!loadSnapshotFromBuffer(r.snapshot.data(), r.snapshot.size()))
        return restore("The recording's start cannot be loaded: " + snapshotLoadError());
    if (tosHash() != r.tosHash) return restore("The TOS image is not the one recorded: the replay is refused.");
    if (diskHash() != r.diskHash)
        return restore("The disk in drive A is not the one recorded: the replay is refused.");
    session = std::move(r);
    path = file;
    message.clear();
    startFrame = framesEmulated;
    nextEvent = 0;
    parted = false;
    last = HandedInput{};
    rewindClear();
    mode = Mode::Replaying;
    return true;
}

bool replayActive() { return mode == Mode::Replaying; }

void replayStop() {
    if (mode == Mode::Replaying) mode = Mode::Off;
}

long replayFrames() { return long(session.frames); }
long sessionFrame() { return mode == Mode::Off ? 0 : framesEmulated - startFrame; }

void sessionFrameInput() {
    if (mode == Mode::Recording) recordFrame();
    if (mode == Mode::Replaying) replayFrame();
}

void sessionMachineReset(bool cold) {
    if (mode == Mode::Recording) add(RECORDED_RESET, cold, 0);
}

bool replayParted() { return parted; }
const std::string& sessionMessage() { return message; }
