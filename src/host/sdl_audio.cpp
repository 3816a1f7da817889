#include "host/sdl_audio.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "host/host_messages.h"
#include "frontend/audio_output.h"
#include "sound/audio_ring.h"
#include "sound/mixer.h"

static SDL_AudioDeviceID device;
// The ring's bytes are shared with the callback and change only while the device is
// locked; the play cursor is read without the lock by the frame end's polls.
static AudioRing ring;
static std::atomic<uint32_t> playCursor;

// Runs on SDL's audio thread with the device locked.
void audioDeviceFill(uint8_t* stream, int length) {
    uint32_t cursor = playCursor.load(std::memory_order_relaxed);
    while (length > 0) {
        uint32_t part = AUDIO_RING_BYTES - cursor;
        if (part > uint32_t(length)) part = uint32_t(length);
        std::memcpy(stream, ring.bytes + cursor, part);
        stream += part;
        length -= int(part);
        cursor = (cursor + part) % AUDIO_RING_BYTES;
    }
    playCursor.store(cursor, std::memory_order_release);
}

static void SDLCALL audioCallback(void*, Uint8* stream, int length) { audioDeviceFill(stream, length); }

uint32_t audioDevicePlayCursor() { return playCursor.load(std::memory_order_acquire); }

int audioDeviceSamplesForFrame() { return int(audioRingSamplesForFrame(ring, audioDevicePlayCursor())); }

uint32_t audioDeviceFreeRoom() { return audioRingFreeRoom(ring, audioDevicePlayCursor()); }

// A write offset that reaches the play cursor would make the ring read as empty and let
// the next frame overwrite samples not yet played, so a waiting write wants strictly
// more room than the frame takes. Between polls the thread sleeps 1 ms: the callback
// frees room 512 samples (11.6 ms) at a time. A device that stops playing (its cursor
// still for 200 ms) does not hold the emulation: the frame is written without room.
constexpr int STALLED_POLLS = 200;

void audioDeviceWriteFrame(const int16_t* samples, int bytes, bool wait) {
    uint32_t frameSamples = uint32_t(bytes) / SOUND_SAMPLE_BYTES;
    if (wait && frameSamples < AUDIO_RING_SAMPLES) {
        uint32_t cursor = audioDevicePlayCursor();
        for (int stillPolls = 0; audioDeviceFreeRoom() <= frameSamples && stillPolls < STALLED_POLLS;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            uint32_t now = audioDevicePlayCursor();
            stillPolls = now == cursor ? stillPolls + 1 : 0;
            cursor = now;
        }
    }
    SDL_LockAudioDevice(device);
    audioRingWrite(ring, samples, uint32_t(bytes));
    SDL_UnlockAudioDevice(device);
}

void audioDeviceRestart() {
    SDL_LockAudioDevice(device);
    audioRingRestart(ring);
    playCursor.store(0, std::memory_order_release);
    SDL_UnlockAudioDevice(device);
    if (device) SDL_PauseAudioDevice(device, 0);
}

static void stopDevice() { SDL_PauseAudioDevice(device, 1); }

static const AudioBackend sdlAudio = {audioDeviceSamplesForFrame, audioDeviceWriteFrame, stopDevice,
                                      audioDeviceRestart, releaseAudioOutput};

// ---- Without a device ----------------------------------------------------------------------
// The frames are paced by the host clock instead, each the time of its samples at
// 44100 Hz, as the ring would have paced them. A clock that fell more than a few frames
// behind (the machine was slower than real time) starts again from now rather than
// hurrying to catch up.
static std::chrono::steady_clock::time_point nextFrameDue;
static bool clockStarted;

static int clockSamplesForFrame() { return FRAME_SOUND_SAMPLES; }

static void clockWriteFrame(const int16_t*, int bytes, bool wait) {
    if (!wait) return;
    auto frame = std::chrono::microseconds(int64_t(bytes / SOUND_SAMPLE_BYTES) * 1000000 / 44100);
    auto now = std::chrono::steady_clock::now();
    if (!clockStarted || now > nextFrameDue + 4 * frame) nextFrameDue = now;
    clockStarted = true;
    nextFrameDue += frame;
    std::this_thread::sleep_until(nextFrameDue);
}

static void clockRestart() { clockStarted = false; }
static void clockNothing() {}

static const AudioBackend clockPacing = {clockSamplesForFrame, clockWriteFrame, clockNothing, clockRestart,
                                         clockNothing};

static void startClockPacing() { setAudioBackend(&clockPacing); }

// ---- The device ------------------------------------------------------------------------------
constexpr int DEVICE_BUFFER_SAMPLES = 512;

static void audioError(const char* text) {
    std::fprintf(stderr, "quarv: %s\n", SDL_GetError());
    showMessageBox("Audio Error", text);
    startClockPacing();
}

// SDL converts to whatever the device plays, so the format is never refused on its own.
void startAudioOutput() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        audioError("Unable to create Direct Sound device.");
        return;
    }
    SDL_AudioSpec wanted = {};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = SOUND_CHANNELS;
    wanted.samples = DEVICE_BUFFER_SAMPLES;
    wanted.callback = audioCallback;
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioError("Unable to create secondary audio buffer.");
        return;
    }
    audioRingRestart(ring);
    playCursor.store(0);
    setAudioBackend(&sdlAudio);
}

void audioDeviceRemoved(uint32_t id) {
    if (id != device) return;
    releaseAudioOutput();
    std::fprintf(stderr, "quarv: the sound device went away; running silent\n");
    startClockPacing();
}

void releaseAudioOutput() {
    if (!device) return;
    SDL_CloseAudioDevice(device);
    device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
