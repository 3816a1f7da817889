#pragma once
// The STE's enhanced joystick ports ($FF9200-$FF923F): two joypads read as a matrix
// through select lines, the paddle and light pen registers; the page exists on the STE
// only.

struct IoRegisterTable;

void joypadInstallRegisters(IoRegisterTable& t);

// Hardware reset: no row selected.
void joypadReset();
