// The emulated controller: the window writes which keys are down, and once
// per frame readController turns that into held and pressed button masks and
// a stick position.
#include "emu/controller.h"

#include <climits>

#include "emu/bindings.h"
#include "emu/gamepad.h"
#include "host/common.h"  // Required for: endForCallOrder

static constexpr int32_t STICK_REST = 128;  // raw stick value at rest

static bool keyDown(int32_t virtualKey);
static void applyAutoRepeat(ControllerState* state, uint32_t sampled);

std::atomic<int32_t> keyTable[KEY_TABLE_SIZE] = {};

// Beside each entry, the number of times the key went down, counted by the
// first thread alone; readController notes the count it has seen. A count
// that moved is a press since the last sample, even when the key is up
// again by then: a tap shorter than a frame still reaches the game.
static std::atomic<int32_t> keyPresses[KEY_TABLE_SIZE] = {};
static int32_t keyPressesSeen[KEY_TABLE_SIZE];  // game thread only

ControllerState controllerRecord = {
    0, 0, 0, 0, BTN_UP | BTN_RIGHT | BTN_DOWN | BTN_LEFT | BTN_L | BTN_R, 0, 0, 0};
ControllerState* controller = nullptr;

void keyEvent(int32_t virtualKey, int32_t down)
{
    if (virtualKey < 0 || virtualKey >= KEY_TABLE_SIZE) {
        return;
    }
    if (down != 0) {
        // Only this thread writes the count: a plain load and store will do.
        // It wraps around harmlessly; only a change is looked at.
        std::atomic<int32_t>& presses = keyPresses[virtualKey];
        uint32_t count = static_cast<uint32_t>(presses.load(std::memory_order_relaxed)) + 1u;
        presses.store(static_cast<int32_t>(count), std::memory_order_relaxed);
    }
    bool wasDown = keyTable[virtualKey].load(std::memory_order_relaxed) != 0;
    keyTable[virtualKey].store(down != 0 ? 1 : 0, std::memory_order_relaxed);
    if (down != 0 && virtualKey == KEY_ESCAPE) {
        closeRequest();
    }
    // One screenshot a press, not one for each auto-repeat.
    if (down != 0 && !wasDown && virtualKey == KEY_F12) {
        saveScreenshotForPlayer();
    }
}

void releaseAllKeys()
{
    for (std::atomic<int32_t>& key : keyTable) {
        key.store(0, std::memory_order_relaxed);
    }
}

ControllerState* readController()
{
    if (controller == nullptr) {
        endForCallOrder("readController()", "initLibrary()");
    }
    // Every key is looked at once per sample, so that each press is noted
    // exactly once, however many rows the key is bound to.
    bool keysDown[KEY_TABLE_SIZE];
    for (int32_t key = 0; key < KEY_TABLE_SIZE; ++key) {
        keysDown[key] = keyDown(key);
    }
    PadStick padStick = updateGamepads();
    uint32_t rows = rowsPressed(keysDown, static_cast<uint32_t>(padButtonsHeld.load(std::memory_order_relaxed)));
    uint32_t sampled = buttonsOfRows(rows);
    // A pad's stick stands where it stands; keys for the stick win over it.
    // Right wins over left, down over up, as the later keys of the stick did.
    int32_t rawX = STICK_REST + padStick.x;
    int32_t rawY = STICK_REST + padStick.y;
    if (rows & (1u << ROW_STICK_LEFT)) rawX = 0;
    if (rows & (1u << ROW_STICK_RIGHT)) rawX = 255;
    if (rows & (1u << ROW_STICK_UP)) rawY = 0;
    if (rows & (1u << ROW_STICK_DOWN)) rawY = 255;

    ControllerState* state = controller;
    applyAutoRepeat(state, sampled);
    state->pressed = sampled & ~state->held;
    state->held = sampled;
    state->stickX = static_cast<int8_t>(rawX - STICK_REST);
    state->stickY = static_cast<int8_t>(rawY - STICK_REST);
    return state;
}

// Down now, or pressed since the last sample.
static bool keyDown(int32_t virtualKey)
{
    int32_t presses = keyPresses[virtualKey].load(std::memory_order_relaxed);
    bool pressedSince = presses != keyPressesSeen[virtualKey];
    keyPressesSeen[virtualKey] = presses;
    return keyTable[virtualKey].load(std::memory_order_relaxed) != 0 || pressedSince;
}

// Counts unchanged samples; at the repeat points it drops the repeating
// buttons from held so that the next step reports them as pressed again.
static void applyAutoRepeat(ControllerState* state, uint32_t sampled)
{
    if (state->repeatInterval <= 0) {
        return;
    }
    if (sampled != state->held) {
        state->repeatCount = 0;
        return;
    }
    // The count grows on every unchanged sample, also with nothing held, so
    // keep it from overflowing in a very long run: stepping back by one
    // interval keeps the repeat points where they were.
    int64_t count = int64_t{state->repeatCount} + 1;
    if (count > INT32_MAX) {
        count -= state->repeatInterval;
    }
    state->repeatCount = static_cast<int32_t>(count);
    int64_t sinceDelay = count - state->repeatDelay;
    if (sinceDelay >= 0 && sinceDelay % state->repeatInterval == 0) {
        state->held &= ~state->repeatMask;
    }
}
