#include "media/messages.h"

#include <chrono>
#include <cstring>

#include "media/message_font.h"

constexpr int64_t NEVER_EXPIRES = -1;
constexpr int MODE_BLINK = 1;
constexpr int TEXT_LEFT = 16;
constexpr int CHARACTER_STEP = 16;  // each glyph pixel is two host pixels wide
constexpr int ROWS_PER_SLOT = 16;
constexpr int PICTURE_WIDTH = 800;
constexpr uint16_t WHITE = 0xFFFF;

namespace {
struct MessageSlot {
    bool active;
    char text[MESSAGE_TEXT_MAX + 1];
    int64_t expiry;  // ms of the message clock, or NEVER_EXPIRES
    int mode;
};
}  // namespace

static MessageSlot slots[MESSAGE_SLOTS];

static int64_t steadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
static MessageClock now = steadyMilliseconds;

void setMessageClock(MessageClock clock) { now = clock ? clock : steadyMilliseconds; }

static void setText(MessageSlot& s, const char* text) {
    std::strncpy(s.text, text, MESSAGE_TEXT_MAX);
    s.text[MESSAGE_TEXT_MAX] = 0;
}

int ShowMessage(const char* text, int lifetimeMs, int mode) {
    int n = 0;
    while (n < MESSAGE_SLOTS && slots[n].active) ++n;
    if (n == MESSAGE_SLOTS) n = 0;
    MessageSlot& s = slots[n];
    s.active = true;
    setText(s, text);
    s.expiry = lifetimeMs < 0 ? NEVER_EXPIRES : now() + lifetimeMs;
    s.mode = mode;
    return n;
}

void setMessageText(int slot, const char* text) {
    if (slot >= 0 && slot < MESSAGE_SLOTS && slots[slot].active) setText(slots[slot], text);
}

void removeMessage(int slot) {
    if (slot >= 0 && slot < MESSAGE_SLOTS) slots[slot].active = false;
}

// Each glyph row lands on one host row; each set bit whitens two host pixels, clear
// bits leave the picture.
static void drawText(uint16_t* top, int pitch, const char* text) {
    for (int x = TEXT_LEFT; *text && x < PICTURE_WIDTH; x += CHARACTER_STEP, ++text) {
        const uint8_t* glyph = messageGlyph(*text);
        for (int row = 0; row < 8; ++row) {
            uint16_t* p = top + row * pitch + x;
            for (int bit = 0; bit < 8; ++bit)
                if (glyph[row] & (0x80 >> bit)) p[2 * bit] = p[2 * bit + 1] = WHITE;
        }
    }
}

void DrawMessages(uint16_t* pixels, int pitchPixels) {
    int64_t t = now();
    for (int n = 0; n < MESSAGE_SLOTS; ++n) {
        MessageSlot& s = slots[n];
        if (!s.active) continue;
        bool blinkedOff = s.mode == MODE_BLINK && t % 256 >= 128;
        if (!blinkedOff) drawText(pixels + n * ROWS_PER_SLOT * pitchPixels, pitchPixels, s.text);
        if (s.expiry != NEVER_EXPIRES && t >= s.expiry) s.active = false;
    }
}
