// Key and pad bindings: which keys and pad buttons press each console button
// and stick direction. A binding is a row of names, stored as text in the
// settings store (group "Controls", one value per row: "south" =
// "Numpad2,Digit2,PadA"); keys are named as in KeyboardEvent.code, pad
// buttons "PadA" ... "PadDpadRight". The Controls dialog's model is in
// quorl/host.h; what the controller sampling and a pad reader need is here.
#pragma once

#include <atomic>
#include <cstdint>

#include "quorl/host.h"

// The rows, in the dialog's order; the first twelve are buttons, the last
// four move the stick.
constexpr int32_t ROW_SOUTH = 0;
constexpr int32_t ROW_EAST = 1;
constexpr int32_t ROW_WEST = 2;
constexpr int32_t ROW_NORTH = 3;
constexpr int32_t ROW_UP = 4;
constexpr int32_t ROW_DOWN = 5;
constexpr int32_t ROW_LEFT = 6;
constexpr int32_t ROW_RIGHT = 7;
constexpr int32_t ROW_L = 8;
constexpr int32_t ROW_R = 9;
constexpr int32_t ROW_START = 10;
constexpr int32_t ROW_SELECT = 11;
constexpr int32_t ROW_STICK_LEFT = 12;
constexpr int32_t ROW_STICK_RIGHT = 13;
constexpr int32_t ROW_STICK_UP = 14;
constexpr int32_t ROW_STICK_DOWN = 15;

// Pad buttons, numbered as a pad reader reports them (bit 1 << PAD_x of a
// pad mask); their names are "Pad" + the constant's name in camel case.
constexpr int32_t PAD_A = 0;
constexpr int32_t PAD_B = 1;
constexpr int32_t PAD_X = 2;
constexpr int32_t PAD_Y = 3;
constexpr int32_t PAD_BACK = 4;
constexpr int32_t PAD_START = 5;
constexpr int32_t PAD_LEFT_SHOULDER = 6;
constexpr int32_t PAD_RIGHT_SHOULDER = 7;
constexpr int32_t PAD_DPAD_UP = 8;
constexpr int32_t PAD_DPAD_DOWN = 9;
constexpr int32_t PAD_DPAD_LEFT = 10;
constexpr int32_t PAD_DPAD_RIGHT = 11;
constexpr int32_t PAD_BUTTON_COUNT = 12;

// The most names one row keeps.
constexpr int32_t ROW_NAMES_MAX = 8;

// The pad buttons held now (bit 1 << PAD_x each), written whole by whatever
// reads the game pads; readController adds the rows they press. 0 while no
// pad is read.
extern std::atomic<int32_t> padButtonsHeld;

// The rows (bit 1 << ROW_x each) that the keys held in `keysDown` (one flag
// per virtual-key code, KEY_TABLE_SIZE of them) and the pad buttons of
// `padMask` press under the bindings in force. Game thread, any time.
uint32_t rowsPressed(const bool* keysDown, uint32_t padMask);

// The console buttons (BTN_* bits) of a row mask; the stick rows give none.
uint32_t buttonsOfRows(uint32_t rows);

// Reads every row from the store; a row with no stored text takes its
// default, an unknown name in a stored text brings the row's default names
// in beside the names that are known. Nothing is written. First thread.
void loadBindings();

// Puts every row back to its default, in force at once (not stored).
void resetBindings();

// A row's names in force as the text the store holds ("Numpad2,Digit2,PadA").
// Valid until the next call.
const char* bindingText(int32_t row);
