// Browser key events to the library's virtual-key codes.
#pragma once

#include <cstdint>

// The virtual-key code of a key named by its KeyboardEvent.code ("KeyA",
// "Digit2", "Numpad2", "ArrowLeft", "Enter", "F10", ...), or -1 for a key
// without one. The code names the key's place on the keyboard whatever the
// layout, the shift state and NumLock say: keypad digits are keypad digits
// in either NumLock state, and the main row's 0 to 6 count as the keypad's,
// for keyboards without a keypad, as on the desktop hosts.
int32_t virtualKeyFromCode(const char* code);
