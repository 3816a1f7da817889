#include "frontend/scripted_input.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <vector>

// ---- The scripted devices ---------------------------------------------------------------
// Key targets 0-255 are DirectInput key codes; the mouse buttons follow them.
constexpr int TARGET_LEFT_BUTTON = 256;
constexpr int TARGET_RIGHT_BUTTON = 257;

static uint8_t scriptKeys[256];
static uint8_t scriptButtons[2];  // left, right: bit 7 while pressed
static int32_t pendingDx, pendingDy;

static bool readKeyboard(uint8_t state[256]) {
    std::memcpy(state, scriptKeys, sizeof scriptKeys);
    return true;
}

// The movement is handed over once, at the first read after it was scheduled.
static bool readMouse(MouseDeviceState& state) {
    state = {pendingDx, pendingDy, 0, {scriptButtons[0], scriptButtons[1], 0, 0}};
    pendingDx = pendingDy = 0;
    return true;
}

static bool readJoystick(JoystickDeviceState&) { return false; }
static bool readJoypad(int, uint32_t&) { return false; }
static void nothing() {}

const InputBackend ScriptedInputBackend = {readKeyboard, readMouse, readJoystick, readJoypad, nothing, nothing};

// ---- Events ---------------------------------------------------------------------------------
enum class ScriptAction : uint8_t { Press, Release, Move };

struct ScriptEvent {
    int frame;
    ScriptAction action;
    int a, b;  // target, or the movement's dx and dy
};

static std::vector<ScriptEvent> events;  // by frame, in the order scheduled within a frame
static size_t nextEvent;

static void schedule(const std::vector<ScriptEvent>& added) {
    events.insert(events.end(), added.begin(), added.end());
    std::stable_sort(events.begin() + nextEvent, events.end(),
                     [](const ScriptEvent& x, const ScriptEvent& y) { return x.frame < y.frame; });
    setInputBackend(&ScriptedInputBackend);
}

static void setTarget(int target, bool down) {
    uint8_t state = down ? KEY_STATE_DOWN : 0;
    if (target == TARGET_LEFT_BUTTON)
        scriptButtons[0] = state;
    else if (target == TARGET_RIGHT_BUTTON)
        scriptButtons[1] = state;
    else
        scriptKeys[target] = state;
}

void scriptedInputFrame(int frame) {
    for (; nextEvent < events.size() && events[nextEvent].frame <= frame; ++nextEvent) {
        const ScriptEvent& e = events[nextEvent];
        if (e.action == ScriptAction::Move) {
            pendingDx += e.a;
            pendingDy += e.b;
        } else {
            setTarget(e.a, e.action == ScriptAction::Press);
        }
    }
}

int scriptedInputLastFrame() { return events.empty() ? -1 : events.back().frame; }

void scriptedInputClear() {
    events.clear();
    nextEvent = 0;
    std::memset(scriptKeys, 0, sizeof scriptKeys);
    std::memset(scriptButtons, 0, sizeof scriptButtons);
    pendingDx = pendingDy = 0;
}

// ---- Typing ---------------------------------------------------------------------------------
// Characters of a US or UK ST keyboard: the key's DirectInput code (the same number as
// the ST scan code in the main block), and whether Shift is needed.
struct TypedKey {
    uint8_t key;
    bool shift;
};

static constexpr char UnshiftedKeys[] = "\x1b" "1234567890-=\b\tqwertyuiop[]\n\0asdfghjkl;'`\0\\zxcvbnm,./";
static constexpr char ShiftedKeys[] = "\0!@#$%^&*()_+\0\0QWERTYUIOP{}\0\0ASDFGHJKL:\"~\0|ZXCVBNM<>?";

// The keys above start at code 1 (Escape) and run to 53 (/); Space is apart.
static bool keyForCharacter(char c, TypedKey& out) {
    if (c == ' ') {
        out = {57, false};
        return true;
    }
    if (c == '\0') return false;
    for (int i = 0; i < int(sizeof UnshiftedKeys) - 1; ++i) {
        if (UnshiftedKeys[i] == c) {
            out = {uint8_t(i + 1), false};
            return true;
        }
        if (i < int(sizeof ShiftedKeys) - 1 && ShiftedKeys[i] == c) {
            out = {uint8_t(i + 1), true};
            return true;
        }
    }
    return false;
}

static char unescape(char c) {
    switch (c) {
    case 'n': return '\n';
    case 't': return '\t';
    case 'b': return '\b';
    case 'e': return '\x1b';
    case '\\': return '\\';
    default: return '\0';
    }
}

bool scriptTypeText(const std::string& text, int startFrame, std::string& error) {
    if (startFrame < 0) {
        error = "the typing starts at a negative frame";
        return false;
    }
    if (int64_t(startFrame) + int64_t(text.size()) * TYPE_FRAMES_PER_CHARACTER > LAST_SCRIPT_FRAME) {
        error = "the typing ends beyond frame " + std::to_string(LAST_SCRIPT_FRAME);
        return false;
    }
    std::vector<ScriptEvent> added;
    int frame = startFrame;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            c = unescape(text[++i]);
            if (c == '\0') {
                error = std::string("unknown escape \\") + text[i] + " in the text to type";
                return false;
            }
        }
        TypedKey k;
        if (!keyForCharacter(c, k)) {
            error = "no ST key types the character " + (std::isprint((unsigned char)c) ? std::string(1, c)
                                                                                       : "code " + std::to_string((unsigned char)c));
            return false;
        }
        if (k.shift) added.push_back({frame, ScriptAction::Press, KEY_LSHIFT, 0});
        added.push_back({frame + 1, ScriptAction::Press, k.key, 0});
        added.push_back({frame + 2, ScriptAction::Release, k.key, 0});
        if (k.shift) added.push_back({frame + 2, ScriptAction::Release, KEY_LSHIFT, 0});
        frame += TYPE_FRAMES_PER_CHARACTER;
    }
    schedule(added);
    return true;
}

// ---- Key scripts ---------------------------------------------------------------------------
static constexpr struct {
    const char* name;
    int target;
} KeyNames[] = {
    {"ESC", 1}, {"ESCAPE", 1}, {"BACKSPACE", 14}, {"TAB", 15}, {"RETURN", 28}, {"ENTER", 28},
    {"CTRL", 29}, {"LCTRL", 29}, {"CONTROL", 29}, {"LSHIFT", 42}, {"SHIFT", 42}, {"RSHIFT", 54},
    {"ALT", 56}, {"SPACE", 57}, {"CAPSLOCK", 58},
    {"F1", 59}, {"F2", 60}, {"F3", 61}, {"F4", 62}, {"F5", 63}, {"F6", 64}, {"F7", 65}, {"F8", 66},
    {"F9", 67}, {"F10", 68}, {"F11", 87}, {"F12", 88},
    {"UNDO", 70}, {"HELP", 183},
    {"KP7", 71}, {"KP8", 72}, {"KP9", 73}, {"KPMINUS", 74}, {"KP4", 75}, {"KP5", 76}, {"KP6", 77},
    {"KPPLUS", 78}, {"KP1", 79}, {"KP2", 80}, {"KP3", 81}, {"KP0", 82}, {"KPPERIOD", 83},
    {"KPENTER", 156}, {"KPDIVIDE", 181}, {"KPMULTIPLY", 55}, {"RCTRL", 157},
    {"HOME", 199}, {"UP", 200}, {"PAGEUP", 201}, {"LEFT", 203}, {"RIGHT", 205}, {"END", 207},
    {"DOWN", 208}, {"PAGEDOWN", 209}, {"INSERT", 210}, {"DELETE", 211},
    {"LMB", TARGET_LEFT_BUTTON}, {"RMB", TARGET_RIGHT_BUTTON},
};

static bool parseInt(std::string_view s, int& value) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

static bool parseTarget(std::string_view name, int& target) {
    if (name.size() > 1 && name[0] == '#') return parseInt(name.substr(1), target) && target > 0 && target < 256;
    if (name.size() == 1) {
        TypedKey k;
        char c = char(std::tolower((unsigned char)name[0]));
        if (!keyForCharacter(c, k) || k.shift || c == ' ') return false;
        target = k.key;
        return true;
    }
    std::string upper(name);
    for (char& c : upper) c = char(std::toupper((unsigned char)c));
    for (auto& k : KeyNames)
        if (upper == k.name) {
            target = k.target;
            return true;
        }
    return false;
}

// move(DX,DY)
static bool parseMove(std::string_view action, int& dx, int& dy) {
    constexpr std::string_view prefix = "move(";
    if (action.size() <= prefix.size() + 1 || action.substr(0, prefix.size()) != prefix || action.back() != ')')
        return false;
    std::string_view inside = action.substr(prefix.size(), action.size() - prefix.size() - 1);
    size_t comma = inside.find(',');
    return comma != std::string_view::npos && parseInt(inside.substr(0, comma), dx) &&
           parseInt(inside.substr(comma + 1), dy);
}

static bool parseEvent(std::string_view text, std::vector<ScriptEvent>& added, std::string& error) {
    size_t colon = text.find(':');
    int frame;
    if (colon == std::string_view::npos || !parseInt(text.substr(0, colon), frame) || frame < 0) {
        error = "\"" + std::string(text) + "\" does not start with a frame number and ':'";
        return false;
    }
    if (frame > LAST_SCRIPT_FRAME) {
        error = "\"" + std::string(text) + "\" names a frame beyond " + std::to_string(LAST_SCRIPT_FRAME);
        return false;
    }
    std::string_view action = text.substr(colon + 1);
    int dx, dy, target;
    if (parseMove(action, dx, dy)) {
        added.push_back({frame, ScriptAction::Move, dx, dy});
        return true;
    }
    char sign = action.empty() ? 0 : action[0];
    std::string_view name = (sign == '+' || sign == '-') ? action.substr(1) : action;
    if (!parseTarget(name, target)) {
        error = "unknown key \"" + std::string(name) + "\" in \"" + std::string(text) + "\"";
        return false;
    }
    if (sign != '-') added.push_back({frame, ScriptAction::Press, target, 0});
    if (sign != '+') added.push_back({sign == '-' ? frame : frame + TAP_FRAMES, ScriptAction::Release, target, 0});
    return true;
}

bool scriptParseKeys(const std::string& script, std::string& error) {
    std::vector<ScriptEvent> added;
    size_t i = 0;
    while (i < script.size()) {
        size_t end = script.find_first_of(" \t\n;", i);
        if (end == std::string::npos) end = script.size();
        if (end > i && !parseEvent(std::string_view(script).substr(i, end - i), added, error)) return false;
        i = end + 1;
    }
    schedule(added);
    return true;
}
