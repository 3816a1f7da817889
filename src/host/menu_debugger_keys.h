#pragma once
// The debugger page's keys and its two dialogs ("Set Memory Address" and "NOP to reach
// (decimal)"), while the page is shown.
void handleDebuggerKeys();
