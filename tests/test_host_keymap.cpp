// Qt key events to virtual-key codes, as the window hands them to the key table.
#include <gtest/gtest.h>

#include "emu/controller.h"
#include "host/qt/keymap.h"

namespace {

constexpr Qt::KeyboardModifiers NONE = Qt::NoModifier;
constexpr Qt::KeyboardModifiers KEYPAD = Qt::KeypadModifier;

struct KeyCase {
    const char* name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    quint32 keysym;  // what xcb puts in nativeVirtualKey
    int32_t expected;
};

const KeyCase KEY_CASES[] = {
    // The controller's keys.
    {"Up", Qt::Key_Up, NONE, 0xFF52, KEY_UP},
    {"Down", Qt::Key_Down, NONE, 0xFF54, KEY_DOWN},
    {"Left", Qt::Key_Left, NONE, 0xFF51, KEY_LEFT},
    {"Right", Qt::Key_Right, NONE, 0xFF53, KEY_RIGHT},
    {"Return", Qt::Key_Return, NONE, 0xFF0D, KEY_RETURN},
    {"keypad Enter", Qt::Key_Enter, KEYPAD, 0xFF8D, KEY_RETURN},
    {"Escape", Qt::Key_Escape, NONE, 0xFF1B, KEY_ESCAPE},
    {"A", Qt::Key_A, NONE, 'a', KEY_A},
    {"D", Qt::Key_D, NONE, 'd', KEY_D},
    {"W", Qt::Key_W, NONE, 'w', KEY_W},
    {"S", Qt::Key_S, NONE, 's', KEY_S},
    {"shifted S", Qt::Key_S, Qt::ShiftModifier, 'S', KEY_S},
    // Keypad 0..6 with NumLock on: digits with KeypadModifier.
    {"KP_0", Qt::Key_0, KEYPAD, 0xFFB0, KEY_NUMPAD0},
    {"KP_1", Qt::Key_1, KEYPAD, 0xFFB1, KEY_NUMPAD1},
    {"KP_2", Qt::Key_2, KEYPAD, 0xFFB2, KEY_NUMPAD2},
    {"KP_3", Qt::Key_3, KEYPAD, 0xFFB3, KEY_NUMPAD3},
    {"KP_4", Qt::Key_4, KEYPAD, 0xFFB4, KEY_NUMPAD4},
    {"KP_5", Qt::Key_5, KEYPAD, 0xFFB5, KEY_NUMPAD5},
    {"KP_6", Qt::Key_6, KEYPAD, 0xFFB6, KEY_NUMPAD6},
    // The same keys with NumLock off.
    {"KP_Insert", Qt::Key_Insert, KEYPAD, 0xFF9E, KEY_NUMPAD0},
    {"KP_End", Qt::Key_End, KEYPAD, 0xFF9C, KEY_NUMPAD1},
    {"KP_Down", Qt::Key_Down, KEYPAD, 0xFF99, KEY_NUMPAD2},
    {"KP_Next", Qt::Key_PageDown, KEYPAD, 0xFF9B, KEY_NUMPAD3},
    {"KP_Left", Qt::Key_Left, KEYPAD, 0xFF96, KEY_NUMPAD4},
    {"KP_Begin", Qt::Key_Clear, KEYPAD, 0xFF9D, KEY_NUMPAD5},
    {"KP_Right", Qt::Key_Right, KEYPAD, 0xFF98, KEY_NUMPAD6},
    // The keysym alone decides when Qt does not know the key.
    {"KP_Begin unknown to Qt", Qt::Key_unknown, NONE, 0xFF9D, KEY_NUMPAD5},
    {"KP_3 unknown to Qt", 0, NONE, 0xFFB3, KEY_NUMPAD3},
    // The main block's navigation keys are not the keypad's.
    {"Insert", Qt::Key_Insert, NONE, 0xFF63, 0x2D},
    {"Clear", Qt::Key_Clear, NONE, 0xFF0B, 0x0C},
    // The main row's digits are keys of their own (the bindings make 0-6
    // press what the keypad's press).
    {"0 on the main row", Qt::Key_0, NONE, '0', '0'},
    {"2 on the main row", Qt::Key_2, NONE, '2', '2'},
    {"6 on the main row", Qt::Key_6, NONE, '6', '6'},
    {"7 on the main row", Qt::Key_7, NONE, '7', '7'},
    {"2 on the main row shifted", Qt::Key_At, Qt::ShiftModifier, '@', '2'},
    {"Z", Qt::Key_Z, NONE, 'z', 'Z'},
    // Other keys take their usual code.
    {"F1", Qt::Key_F1, NONE, 0xFFBE, 0x70},
    {"F12", Qt::Key_F12, NONE, 0xFFC9, 0x7B},
    {"F24", Qt::Key_F24, NONE, 0, 0x87},
    {"Space", Qt::Key_Space, NONE, ' ', 0x20},
    {"Shift", Qt::Key_Shift, NONE, 0xFFE1, 0x10},
    {"Control", Qt::Key_Control, NONE, 0xFFE3, 0x11},
    {"Tab", Qt::Key_Tab, NONE, 0xFF09, 0x09},
    {"Backspace", Qt::Key_Backspace, NONE, 0xFF08, 0x08},
    {"Delete", Qt::Key_Delete, NONE, 0xFFFF, 0x2E},
    {"keypad plus", Qt::Key_Plus, KEYPAD, 0xFFAB, 0x6B},
    {"keypad decimal without NumLock", Qt::Key_Delete, KEYPAD, 0xFF9F, 0x6E},
    // Shifted keys give the code of the key that carries them, so a press
    // and a release on either side of Shift meet in the same entry.
    {"ampersand", Qt::Key_Ampersand, Qt::ShiftModifier, '&', '7'},
    {"minus", Qt::Key_Minus, NONE, '-', 0xBD},
    {"underscore", Qt::Key_Underscore, Qt::ShiftModifier, '_', 0xBD},
    {"question", Qt::Key_Question, Qt::ShiftModifier, '?', 0xBF},
    // No code in 0..255: ignored.
    {"a Latin-1 letter", Qt::Key_Adiaeresis, NONE, 0xE4, -1},
    {"F25", Qt::Key_F25, NONE, 0, -1},
    {"unknown", Qt::Key_unknown, NONE, 0, -1},
    {"media launch", Qt::Key_Launch0, NONE, 0, -1},
};

}  // namespace

TEST(HostKeymap, MapsQtKeysToVirtualKeys)
{
    for (const KeyCase& c : KEY_CASES) {
        EXPECT_EQ(virtualKeyFromQt(c.qtKey, c.modifiers, c.keysym), c.expected) << c.name;
    }
}

TEST(HostKeymap, EveryMappedCodeFitsTheKeyTable)
{
    // Unicode keys, then Qt's special keys (0x01000000 and up).
    for (int base : {0, 0x01000000, 0x01100000}) {
        for (int key = base; key < base + 0x10000; ++key) {
            for (Qt::KeyboardModifiers modifiers : {NONE, KEYPAD}) {
                int32_t code = virtualKeyFromQt(key, modifiers, 0);
                ASSERT_GE(code, -1) << key;
                ASSERT_LT(code, KEY_TABLE_SIZE) << key;
            }
        }
    }
}

TEST(HostKeymap, AltCombinationsAndF10AreSystemKeys)
{
    struct SystemCase {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        bool expected;
    };
    const SystemCase cases[] = {
        {Qt::Key_A, Qt::AltModifier, true},   {Qt::Key_Alt, Qt::AltModifier, true},
        {Qt::Key_Alt, NONE, true},            {Qt::Key_F10, NONE, true},
        {Qt::Key_Escape, Qt::AltModifier, true}, {Qt::Key_A, NONE, false},
        {Qt::Key_F9, NONE, false},            {Qt::Key_Escape, NONE, false},
        {Qt::Key_2, KEYPAD, false},           {Qt::Key_S, Qt::ControlModifier, false},
    };
    for (const SystemCase& c : cases) {
        EXPECT_EQ(isSystemKey(c.qtKey, c.modifiers), c.expected) << c.qtKey;
    }
}
