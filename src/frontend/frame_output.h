#pragma once
// What the front end does with each frame the machine finishes (machine/frame_sink.h):
// the machine's notices become on-screen messages, the profile figures and the sound's
// trace are drawn over the picture, a running recording takes the frame's sound, and the
// hardware log takes the frame's Shifter writes.

// Before the machine is brought up: the parts built above it that keep state in it join
// it (the folder drive; the screenshot capture, which snapshots carry). Every front end
// calls it.
void joinMachineParts();
// Once the machine is up: the sink, and two permanent empty message lines, so that the
// profile figures have line 1.
void takeMachineFrames();
// At shutdown: the sink goes, and a hardware log being written is put in its place.
void releaseMachineFrames();
