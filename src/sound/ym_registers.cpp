// The sound chip page $FF8800-$FF88FF: register select and data, mirrored every 4 bytes.
// The processor only sees the register image; the synthesis replays YmWriteLog at the
// frame's end, so each write keeps its cycle position within the frame.
#include "bus/hardware_state.h"
#include "bus/io_dispatch.h"
#include "bus/sound_logs.h"
#include "sound/ym2149.h"

// The data register: the byte goes to the image and the log, unless the selected
// register is above 15.
static void dataWrite(uint32_t value, int32_t stamp) {
    uint32_t reg = uint32_t(hw.ymSelectedRegister);
    if (reg > 15) return;
    hw.ymRegisterImage[reg] = uint8_t(value);
    // The last slot stays free for the end marker; writes beyond the frame's capacity
    // (only reachable with long writes hammering the page) change the image alone.
    SoundLogEntry* e = hw.ymLogWrite;
    if (e == &YmWriteLog[SOUND_LOG_CAPACITY]) return;
    *e = {uint32_t(stamp - hw.ymLogLastStamp), reg, value & 0xFF};
    hw.ymLogWrite = e + 1;
    hw.ymLogLastStamp = stamp;
}

static uint32_t selectedImage() {
    uint32_t reg = uint32_t(hw.ymSelectedRegister);
    return reg <= 15 ? hw.ymRegisterImage[reg] : 0xFF;
}

static uint32_t readData(uint32_t, int32_t) { return selectedImage(); }
static uint32_t readSelect(uint32_t, int32_t) { return uint32_t(hw.ymSelectedRegister); }
static uint32_t readDataWord(uint32_t, int32_t) { return selectedImage() << 8 | 0xFF; }
static uint32_t readSelectWord(uint32_t, int32_t) { return uint32_t(hw.ymSelectedRegister) << 8 | 0xFF; }

static void writeSelect(uint32_t, uint32_t v, int32_t) { hw.ymSelectedRegister = int32_t(v & 0xFF); }
static void writeData(uint32_t, uint32_t v, int32_t stamp) { dataWrite(v & 0xFF, stamp); }
// A word reaches the chip through its high byte (the even address).
static void writeSelectWord(uint32_t, uint32_t v, int32_t) { hw.ymSelectedRegister = int32_t(v >> 8 & 0xFF); }
static void writeDataWord(uint32_t, uint32_t v, int32_t stamp) { dataWrite(v >> 8 & 0xFF, stamp); }

// Offsets 1 and 3 of each group of four read all ones and ignore writes: their table
// entries stay empty.
void ymInstallRegisters(IoRegisterTable& t) {
    for (int group = 0; group < 256; group += 4) {
        t.readByte[group] = readData;
        t.writeByte[group] = writeSelect;
        t.readByte[group + 2] = readSelect;
        t.writeByte[group + 2] = writeData;
        t.readWord[group / 2] = readDataWord;
        t.writeWord[group / 2] = writeSelectWord;
        t.readWord[group / 2 + 1] = readSelectWord;
        t.writeWord[group / 2 + 1] = writeDataWord;
    }
}
