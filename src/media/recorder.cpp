// The music recorder, fed once per frame by the front end with the frame's sound
// (machine/frame_sink.h).
#include "media/recorder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "base/data_folder.h"
#include "base/safe_file.h"
#include "media/messages.h"
#include "media/recording_files.h"
#include "sound/mixer.h"
#include "sound/ym2149.h"

enum RecorderState { WAITING_FOR_CHIP, RECORDING, FAILED };

struct SoundRecorder {
    int message = -1;  // on-screen message slot
    int lastSecond = -1;
    std::string fileName;
    RecorderState state = RECORDING;
    uint32_t samples = 0;
    ReplacingFile wavFile;
    Ym2149* chip = nullptr;  // YM mode; none in WAV mode
    uint32_t frames = 0;
    uint8_t frameRegisters[YM_REGISTERS] = {};
    uint8_t* buffer = nullptr;  // register frames, 14 bytes each
    size_t capacity = 0, used = 0;

    ~SoundRecorder() { std::free(buffer); }
};

static std::unique_ptr<SoundRecorder> recorder;
static char lastMessage[MESSAGE_TEXT_MAX + 1];

// Returns the message slot.
static int showMessage(const char* text, int lifetimeMs) {
    std::snprintf(lastMessage, sizeof lastMessage, "%s", text);
    return ShowMessage(lastMessage, lifetimeMs, 0);
}

static void showFileMessage(const char* format, const std::string& file, int lifetimeMs) {
    char text[MESSAGE_TEXT_MAX + 1];
    std::snprintf(text, sizeof text, format, file.c_str());
    showMessage(text, lifetimeMs);
}

static void removeRecorderMessage(SoundRecorder& r) {
    if (r.message >= 0) removeMessage(r.message);
    r.message = -1;
}

// The first "sound/song_NNN" name of this kind that nothing holds yet.
static std::string nextFileName(bool ymMode) {
    return nextFreeDataFile(ymMode ? "sound/song_%03d.ym" : "sound/song_%03d.wav");
}

// A persistent message whose text the time display fills in; the WAV file is opened
// with room for its header.
static bool beginRecording(SoundRecorder& r) {
    removeRecorderMessage(r);
    if (!r.chip) {
        static const uint8_t placeholder[WAV_HEADER_BYTES] = {};
        if (!replacingOpen(r.wavFile, r.fileName) || std::fwrite(placeholder, 1, WAV_HEADER_BYTES, r.wavFile.file) != WAV_HEADER_BYTES) {
            replacingAbandon(r.wavFile);
            showFileMessage("ERROR: Unable to create %s !", r.fileName, 2000);
            return false;
        }
    }
    r.message = showMessage("", -1);
    r.state = RECORDING;
    return true;
}

static bool createRecorder(bool ymMode, bool waitForChip, const std::string& fileName) {
    if (recorder) return false;
    auto r = std::make_unique<SoundRecorder>();
    r->chip = ymMode ? &ymChip : nullptr;
    r->fileName = fileName;
    if (r->chip && waitForChip) {
        // Reading the registers clears the shape-written flag: only envelope restarts
        // made while recording are marked.
        uint8_t registersNow[YM_REGISTERS];
        ymReadRegisters(*r->chip, registersNow);
        r->message = showMessage("Waiting for YM Chip access...", -1);
        r->state = WAITING_FOR_CHIP;
    } else if (!beginRecording(*r)) {
        return false;
    }
    recorder = std::move(r);
    return true;
}

bool recorderStart(bool ymMode, bool waitForChip) {
    if (recorder) return false;
    std::error_code ignored;  // the folder is normally made at start-up
    std::filesystem::create_directories(dataFile("sound"), ignored);
    return createRecorder(ymMode, waitForChip, nextFileName(ymMode));
}

bool recorderStartToFile(bool ymMode, const std::string& path) { return createRecorder(ymMode, false, path); }

bool recorderRunning() { return recorder != nullptr; }

const char* recorderFileName() { return recorder ? recorder->fileName.c_str() : ""; }

const char* recorderLastMessage() { return lastMessage; }

// The chip is silent while every tone and noise is off or every volume is 0.
static bool chipSilent(const uint8_t* registers) {
    return (registers[7] & 0x3F) == 0x3F || ((registers[8] | registers[9] | registers[10]) & 0x1F) == 0;
}

// Appends this frame's registers; register 13 is $FF unless the shape was written, so a
// player restarts the envelope only where the program did.
static bool appendRegisterFrame(SoundRecorder& r, bool shapeWritten) {
    constexpr size_t GROWTH = 0x40000;
    if (r.used + YM_REGISTERS > r.capacity) {
        auto* grown = static_cast<uint8_t*>(std::realloc(r.buffer, r.capacity + GROWTH));
        if (!grown) return false;
        r.buffer = grown;
        r.capacity += GROWTH;
    }
    std::memcpy(r.buffer + r.used, r.frameRegisters, YM_REGISTERS);
    if (!shapeWritten) r.buffer[r.used + 13] = 0xFF;
    r.used += YM_REGISTERS;
    r.frames += 1;
    return true;
}

// n stereo samples: 2n values, left and right interleaved as in the file.
static void writeWavSamples(SoundRecorder& r, const int16_t* samples, int n) {
    uint8_t bytes[2 * 1024];
    int values = n * SOUND_CHANNELS;
    while (values > 0) {
        int k = values < 1024 ? values : 1024;
        for (int i = 0; i < k; ++i) {
            bytes[2 * i] = uint8_t(samples[i]);
            bytes[2 * i + 1] = uint8_t(uint16_t(samples[i]) >> 8);
        }
        std::fwrite(bytes, 2, size_t(k), r.wavFile.file);  // errors are found at the commit
        samples += k;
        values -= k;
    }
}

void recorderRecordFrame(const int16_t* samples, int n) {
    if (!recorder || recorder->state == FAILED) return;
    SoundRecorder& r = *recorder;
    if (r.chip) {
        bool shapeWritten = ymReadRegisters(*r.chip, r.frameRegisters);
        if (r.state == WAITING_FOR_CHIP) {
            if (chipSilent(r.frameRegisters)) return;
            beginRecording(r);
        }
        if (!appendRegisterFrame(r, shapeWritten)) {
            removeRecorderMessage(r);
            r.state = FAILED;
            showMessage("MEMORY ALLOC Error !!!", 2000);
            return;
        }
    } else {
        writeWavSamples(r, samples, n);
    }
    int second = int(r.samples / 44100);
    if (second != r.lastSecond) {
        std::snprintf(lastMessage, sizeof lastMessage, "Recording %s file. (%d:%02d)", r.chip ? "YM" : "WAV",
                      second / 60, second % 60);
        setMessageText(r.message, lastMessage);
        r.lastSecond = second;
    }
    r.samples += uint32_t(n);
}

static bool saveRecording(SoundRecorder& r) {
    if (r.chip) {
        std::vector<uint8_t> file = ym6FileImage(r.fileName, r.buffer, r.frames);
        return writeFileReplacing(r.fileName, file.data(), file.size());
    }
    uint8_t header[WAV_HEADER_BYTES];
    wavHeader(header, r.samples * SOUND_SAMPLE_BYTES);
    bool ok = std::fseek(r.wavFile.file, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, WAV_HEADER_BYTES, r.wavFile.file) == WAV_HEADER_BYTES;
    if (!ok) {
        replacingAbandon(r.wavFile);
        return false;
    }
    return replacingCommit(r.wavFile);
}

void recorderStop() {
    if (!recorder) return;
    SoundRecorder& r = *recorder;
    removeRecorderMessage(r);
    if (r.state == WAITING_FOR_CHIP) {
        showMessage("Recording canceled.", 1000);
    } else if (r.state == RECORDING) {
        if (saveRecording(r))
            showFileMessage("%s is saved.", r.fileName, 2000);
        else
            showFileMessage("ERROR: Unable to write %s !", r.fileName, 2000);
    }
    recorder.reset();
}
