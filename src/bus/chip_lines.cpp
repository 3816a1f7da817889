#include "bus/chip_lines.h"

static int nobodyTakesTheInterrupt(int, int) { return 2; }
static bool nobodyTakesTheEdge(bool, int32_t) { return false; }
static void nobodyTakesTheLevel(bool) {}
static bool displayNeverEnabled(int32_t) { return false; }

ChipLines chipLines = {nobodyTakesTheInterrupt, nobodyTakesTheEdge, nobodyTakesTheLevel, displayNeverEnabled};
