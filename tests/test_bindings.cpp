// Key and pad bindings: texts in the store moving buttons to other keys, the
// Controls dialog's model, the names of bound keys and pad buttons pressing
// their rows. Keys go in through keyEvent, as the hosts send them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emu/bindings.h"
#include "emu/controller.h"
#include "tests/support/headless_seam.h"

namespace {

class Bindings : public ::testing::Test {
protected:
    void SetUp() override
    {
        headlessClearStore();
        resetBindings();
        releaseAllKeys();
        controller = &record;
        readController();
    }
    void TearDown() override
    {
        padButtonsHeld = 0;
        headlessClearStore();
        resetBindings();
        releaseAllKeys();
        controller = nullptr;
    }
    ControllerState record{0, 0, 0, 0, 0x3F0, 0, 0, 0};
};

// The buttons one key presses alone.
uint32_t buttonsOf(int32_t key)
{
    keyEvent(key, 1);
    uint32_t held = readController()->held;
    keyEvent(key, 0);
    readController();
    return held;
}

std::string stored(const char* row)
{
    char text[256];
    return storeReadText("Controls", row, text, sizeof(text)) < 0 ? "(none)" : text;
}

TEST_F(Bindings, StoredTextsMoveAButtonAndUnknownNamesBringItsDefaultsBack)
{
    struct Case {
        const char* text;  // stored for "south"
        std::vector<int32_t> pressing, notPressing;
        const char* inForce;
    };
    const Case cases[] = {
        {"KeyZ", {'Z'}, {KEY_NUMPAD2, '2'}, "KeyZ"},
        {" keyz , KeyX,,", {'Z', 'X'}, {KEY_NUMPAD2, '2'}, "KeyZ,KeyX"},
        {"KeyZ,Numpd2", {'Z', KEY_NUMPAD2, '2'}, {}, "KeyZ,Numpad2,Digit2,PadA"},
        {"Bogus", {KEY_NUMPAD2, '2'}, {'Z'}, "Numpad2,Digit2,PadA"},
        {"F11", {KEY_NUMPAD2}, {KEY_F11}, "Numpad2,Digit2,PadA"},
        {"Escape", {KEY_NUMPAD2}, {}, "Numpad2,Digit2,PadA"},
        {"ShiftRight,NumpadEnter", {0x10, KEY_RETURN}, {KEY_NUMPAD2}, "ShiftRight,NumpadEnter"},
        {"", {}, {KEY_NUMPAD2, '2'}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        headlessClearStore();
        storeWriteText("Controls", "south", c.text);
        loadBindings();
        for (int32_t key : c.pressing) {
            EXPECT_EQ(buttonsOf(key) & BTN_SOUTH, BTN_SOUTH) << key;
        }
        for (int32_t key : c.notPressing) {
            EXPECT_EQ(buttonsOf(key), 0u) << key;
        }
        EXPECT_EQ(buttonsOf(KEY_NUMPAD3), BTN_EAST) << "the other rows keep theirs";
        EXPECT_EQ(buttonsOf('3'), BTN_EAST);
        EXPECT_STREQ(bindingText(ROW_SOUTH), c.inForce);
        EXPECT_EQ(stored("south"), c.text) << "loading writes nothing";
    }
}

TEST_F(Bindings, StickDirectionsFollowTheirRowsAndAKeyMayPressTwo)
{
    storeWriteText("Controls", "stickLeft", "ArrowLeft");
    loadBindings();
    keyEvent(KEY_LEFT, 1);
    ControllerState* state = readController();
    EXPECT_EQ(state->held, BTN_LEFT);
    EXPECT_EQ(state->stickX, -128);
    keyEvent(KEY_LEFT, 0);
    keyEvent(KEY_A, 1);
    state = readController();
    EXPECT_EQ(state->stickX, 0) << "A no longer moves the stick";
    keyEvent(KEY_A, 0);
}

TEST_F(Bindings, DialogBindsThePressedKeyAndRefusesTheReservedOnes)
{
    controlsBegin();
    EXPECT_STREQ(controlsCellText(ROW_SOUTH, CONTROL_KEYS), "Keypad 2, 2");
    EXPECT_STREQ(controlsCellText(ROW_SOUTH, CONTROL_PAD), "A");
    EXPECT_STREQ(controlsCellText(ROW_STICK_LEFT, CONTROL_PAD), "-");
    EXPECT_STREQ(controlRowLabel(ROW_STICK_DOWN), "Stick down");

    controlsClick(ROW_SOUTH, CONTROL_KEYS);
    EXPECT_EQ(controlsWaiting(), 1);
    EXPECT_STREQ(controlsCellText(ROW_SOUTH, CONTROL_KEYS), "Press a key...");
    struct Refused {
        int32_t key;
        const char* status;
    };
    for (Refused r : {Refused{KEY_F10, "F10 cannot be bound"}, Refused{KEY_F11, "F11 cannot be bound"},
                      Refused{KEY_F12, "F12 cannot be bound"}, Refused{0x12, "That key cannot be bound"}}) {
        controlsKey(r.key);
        EXPECT_EQ(controlsWaiting(), 1) << r.status;
        EXPECT_EQ(std::string(controlsStatus()).find(r.status), 0u) << controlsStatus();
    }
    controlsKey(KEY_NUMPAD3);  // East's: it moves to South
    EXPECT_EQ(controlsWaiting(), 0);
    EXPECT_STREQ(controlsCellText(ROW_SOUTH, CONTROL_KEYS), "Keypad 3");
    EXPECT_STREQ(controlsCellText(ROW_SOUTH, CONTROL_PAD), "A");
    EXPECT_STREQ(controlsCellText(ROW_EAST, CONTROL_KEYS), "3");

    controlsClick(ROW_WEST, CONTROL_KEYS);
    controlsKey(KEY_ESCAPE);
    EXPECT_EQ(controlsWaiting(), 0);
    EXPECT_STREQ(controlsCellText(ROW_WEST, CONTROL_KEYS), "Keypad 1, 1");
    EXPECT_EQ(buttonsOf(KEY_NUMPAD3), BTN_EAST) << "nothing is in force before OK";

    controlsAccept();
    EXPECT_EQ(buttonsOf(KEY_NUMPAD3), BTN_SOUTH);
    EXPECT_EQ(buttonsOf(KEY_NUMPAD2), 0u);
    EXPECT_EQ(buttonsOf('3'), BTN_EAST);
    EXPECT_EQ(stored("south"), "Numpad3,PadA");
    EXPECT_EQ(stored("east"), "Digit3,PadB");
    EXPECT_EQ(stored("west"), "(none)") << "only the rows that changed are written";

    controlsBegin();
    controlsDefaults();
    controlsClick(ROW_START, CONTROL_KEYS);
    controlsKey(' ');
    controlsCancel();
    EXPECT_EQ(buttonsOf(KEY_NUMPAD3), BTN_SOUTH) << "Cancel changes nothing";
    EXPECT_EQ(buttonsOf(' '), 0u);
    controlsBegin();
    controlsDefaults();
    controlsAccept();
    EXPECT_EQ(buttonsOf(KEY_NUMPAD3), BTN_EAST);
    EXPECT_EQ(stored("south"), "Numpad2,Digit2,PadA");
}

TEST_F(Bindings, RowsThePlayerLeavesAloneKeepTheirStoredText)
{
    storeWriteText("Controls", "south", "KeyZ,Bogus");
    loadBindings();
    controlsBegin();
    controlsClick(ROW_EAST, CONTROL_KEYS);
    controlsKey('E');
    controlsAccept();
    EXPECT_EQ(stored("south"), "KeyZ,Bogus");
    EXPECT_EQ(stored("east"), "KeyE,PadB");
    EXPECT_EQ(buttonsOf('E'), BTN_EAST);
}

TEST_F(Bindings, ButtonKeyNameIsTheFirstBoundKeysShortName)
{
    struct Case {
        int32_t button;
        const char* name;
    };
    for (Case c : {Case{BTN_SOUTH, "2"}, Case{BTN_START, "Enter"}, Case{BTN_LEFT, "Left"},
                   Case{BTN_SELECT, "0"}, Case{BTN_SOUTH | BTN_EAST, ""}, Case{0, ""}, Case{0x0002, ""}}) {
        EXPECT_STREQ(buttonKeyName(c.button), c.name) << c.button;
    }
    storeWriteText("Controls", "south", "Space,KeyZ");
    storeWriteText("Controls", "east", "PadB");
    loadBindings();
    EXPECT_STREQ(buttonKeyName(BTN_SOUTH), "Space");
    EXPECT_STREQ(buttonKeyName(BTN_EAST), "") << "no key, only a pad button";
}

TEST_F(Bindings, PadButtonsPressTheirRowsBesideTheKeys)
{
    struct Case {
        int32_t pad;
        uint32_t buttons;
    };
    const Case cases[] = {
        {PAD_A, BTN_SOUTH}, {PAD_B, BTN_EAST}, {PAD_X, BTN_WEST}, {PAD_Y, BTN_NORTH},
        {PAD_BACK, BTN_SELECT}, {PAD_START, BTN_START}, {PAD_LEFT_SHOULDER, BTN_L},
        {PAD_RIGHT_SHOULDER, BTN_R}, {PAD_DPAD_UP, BTN_UP}, {PAD_DPAD_DOWN, BTN_DOWN},
        {PAD_DPAD_LEFT, BTN_LEFT}, {PAD_DPAD_RIGHT, BTN_RIGHT},
    };
    bool keysDown[KEY_TABLE_SIZE] = {};
    for (const Case& c : cases) {
        EXPECT_EQ(buttonsOfRows(rowsPressed(keysDown, 1u << c.pad)), c.buttons) << c.pad;
    }
    keysDown[KEY_NUMPAD3] = true;
    EXPECT_EQ(buttonsOfRows(rowsPressed(keysDown, 1u << PAD_DPAD_RIGHT)), BTN_RIGHT | BTN_EAST);
    keysDown[KEY_NUMPAD3] = false;

    // The dialog takes a pad button the pad reader saw go down.
    padButtonsHeld = 1 << PAD_X;
    controlsBegin();
    EXPECT_EQ(controlsPadPoll(), 0) << "held before the dialog waited";
    controlsClick(ROW_SOUTH, CONTROL_PAD);
    controlsKey('Z');
    EXPECT_EQ(controlsWaiting(), 1) << "a key is no pad button";
    padButtonsHeld = 1 << PAD_X | 1 << PAD_Y;
    EXPECT_NE(controlsPadPoll(), 0);
    padButtonsHeld = 0;
    controlsAccept();
    EXPECT_STREQ(bindingText(ROW_SOUTH), "Numpad2,Digit2,PadY");
    EXPECT_STREQ(bindingText(ROW_NORTH), "Numpad5,Digit5");
    EXPECT_EQ(buttonsOfRows(rowsPressed(keysDown, 1u << PAD_Y)), BTN_SOUTH);
}

}  // namespace

// The browser's keys come by KeyboardEvent.code: each reaches the key the
// desktop hosts deliver for it, and so presses what that key presses.
TEST_F(Bindings, KeyboardEventCodesNameTheKeysTheHostsDeliver)
{
    struct Case {
        const char* code;
        int32_t virtualKey;
        uint32_t buttons;  // what it presses with the default bindings
    };
    const Case cases[] = {
        {"Numpad2", KEY_NUMPAD2, BTN_SOUTH}, {"Digit2", '2', BTN_SOUTH},
        {"Numpad0", KEY_NUMPAD0, BTN_SELECT}, {"Digit0", '0', BTN_SELECT},
        {"Numpad4", KEY_NUMPAD4, BTN_L}, {"Digit7", '7', 0},
        {"ArrowLeft", KEY_LEFT, BTN_LEFT}, {"ArrowDown", KEY_DOWN, BTN_DOWN},
        {"Enter", KEY_RETURN, BTN_START}, {"NumpadEnter", KEY_RETURN, BTN_START},
        {"KeyA", KEY_A, 0}, {"KeyZ", 'Z', 0}, {"ShiftRight", 0x10, 0}, {"F1", KEY_F1, 0},
        {"F12", KEY_F12, 0}, {"Minus", 0xBD, 0}, {"NumpadDecimal", 0x6E, 0},
        // Unknown: nothing.
        {"AltLeft", -1, 0}, {"keya", -1, 0}, {"Numpad10", -1, 0}, {"", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        int32_t key = virtualKeyOfCode(c.code);
        EXPECT_EQ(key, c.virtualKey);
        if (key >= 0) {
            EXPECT_EQ(buttonsOf(key), c.buttons);
        }
    }
    EXPECT_EQ(virtualKeyOfCode(nullptr), -1);
}
