#pragma once
// A test mode for driving the window from outside: the environment variable
// QUARV_TEST_SCRIPT holds steps "PASS ACTION [ARGUMENT]" separated by ';', run when the
// main loop reaches pass PASS (one pass per emulated frame while running):
//   press N / release N   an SDL key event for SDL scancode N
//   click LABEL           the mouse onto a menu tab, or else onto the control of a page
//                         or dialog that shows LABEL, then a left click on it
//   clickat X Y           the mouse to window pixel (X, Y), then a left click there
//   type TEXT             TEXT as typed, into the control that has the keyboard
//   resize W H            the window to W x H pixels, as the user's dragging does
//   dump FILE             the next emulated frame as presented, as PNG
//   shot FILE             the next picture presented, menu included, as PNG
//   quit                  the window's close request
// Without the variable nothing happens.

// Reads the script; false (with the reason on standard error) when it is malformed.
bool testScriptLoad();
// Once per main loop pass, before the events are taken.
void testScriptPass();
// A dump waits for the next emulated frame.
bool testScriptWantsFrame();
// The back buffer is complete and about to be shown.
void testScriptBeforePresent(bool emulatedFrame);
