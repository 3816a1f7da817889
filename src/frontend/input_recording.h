#pragma once
// Recording a session's input and replaying it (frontend/recording_file.h holds the
// file). A recording starts from the machine as it stands, which the file embeds as a
// snapshot, with the settings and the hashes of the TOS image and drive A's disk; then,
// before each frame, whatever the ST was handed that differs from the frame before
// (keys, mouse, joystick, joypads) and the resets, with the frame's number, and every
// CHECKPOINT_FRAMES frames a hash of the machine's state. A replay loads the snapshot,
// refuses a TOS or disk other than the recorded ones, hands the ST the recorded input
// instead of the host's, and stops where the machine parts from the recording or the
// recording ends. The frame numbers count frames since the start of the recording.
#include <string>

constexpr long CHECKPOINT_FRAMES = 100;

// Starts recording from this point; false, with the reason, when the machine cannot be
// saved. Ends a replay: the user takes control.
bool recordingStart(const std::string& path);
bool recordingActive();
// Writes the file; false, with the reason, when it cannot be written.
bool recordingStop();
// Rewinding took the machine back to the state of `frame` (frames since start-up): the
// recording forgets what came from that frame on.
void recordingCutBack(long frame);
// The file a recording writes or a replay reads.
const std::string& sessionPath();

// Loads the recording's start and settings; false, with the reason, when the file is
// refused or the TOS or disk differs (the machine is then left as it was).
bool replayStart(const std::string& path);
bool replayActive();
// The user takes control: the host's input goes to the ST again.
void replayStop();
// The frames the replay spans, and how many have run.
long replayFrames();
long sessionFrame();

// Once before each frame, after the host's input was handed over (but not during a
// replay, whose input replaces the host's): records the frame's input or hands the ST
// the replay's. A replay that ends or parts from the recording stops here, with the
// reason in sessionMessage().
void sessionFrameInput();
// The machine is reset by the user (F11): recorded as an event of the frame.
void sessionMachineReset(bool cold);

// The last replay stopped where the machine parted from the recording.
bool replayParted();
// The last error or the end of a replay, for the user.
const std::string& sessionMessage();
