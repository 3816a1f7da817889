#pragma once
// Keys of the libretro keyboard callback as the DirectInput key codes the keyboard
// processor's key states use.

// 0 for keys the ST has no place for.
int keyCodeFromRetroKey(unsigned retroKey);
