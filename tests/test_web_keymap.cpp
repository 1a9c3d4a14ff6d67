// The browser host's key mapping: KeyboardEvent.code names to the
// virtual-key codes of the key table. Compiled here as well as in the
// browser: the mapping is plain C++.
#include <gtest/gtest.h>

#include "emu/controller.h"
#include "host/web/keymap.h"

namespace {

struct CodeCase {
    const char* code;
    int32_t expected;
};

const CodeCase CODE_CASES[] = {
    // The controller's keys.
    {"ArrowUp", KEY_UP}, {"ArrowDown", KEY_DOWN}, {"ArrowLeft", KEY_LEFT}, {"ArrowRight", KEY_RIGHT},
    {"Enter", KEY_RETURN}, {"NumpadEnter", KEY_RETURN}, {"Escape", KEY_ESCAPE},
    {"KeyA", KEY_A}, {"KeyD", KEY_D}, {"KeyW", KEY_W}, {"KeyS", KEY_S}, {"KeyZ", 'Z'},
    // Keypad digits by their place, whatever NumLock says.
    {"Numpad0", KEY_NUMPAD0}, {"Numpad2", KEY_NUMPAD2}, {"Numpad6", KEY_NUMPAD6}, {"Numpad9", 0x69},
    // The main row's 0-6 stand in for the keypad's on a laptop; 7-9 do not.
    {"Digit0", KEY_NUMPAD0}, {"Digit2", KEY_NUMPAD2}, {"Digit6", KEY_NUMPAD6}, {"Digit7", '7'},
    {"Digit9", '9'},
    // Other keys take their usual code.
    {"F1", 0x70}, {"F10", 0x79}, {"F24", 0x87}, {"Space", 0x20}, {"ShiftLeft", 0x10},
    {"ShiftRight", 0x10}, {"Tab", 0x09}, {"Delete", 0x2E}, {"NumpadAdd", 0x6B},
    {"NumpadDecimal", 0x6E}, {"Minus", 0xBD}, {"Slash", 0xBF}, {"IntlBackslash", 0xE2},
    // No code: ignored.
    {"F25", -1}, {"F0", -1}, {"F100", -1}, {"F01x", -1}, {"Key", -1}, {"KeyAB", -1}, {"Keya", -1},
    {"Digit10", -1}, {"Numpad", -1}, {"Numpad10", -1}, {"Lang1", -1}, {"", -1}, {"Unidentified", -1},
};

}  // namespace

TEST(WebKeymap, MapsCodesToVirtualKeys)
{
    for (const CodeCase& c : CODE_CASES) {
        EXPECT_EQ(virtualKeyFromCode(c.code), c.expected) << c.code;
    }
    EXPECT_EQ(virtualKeyFromCode(nullptr), -1);
}
