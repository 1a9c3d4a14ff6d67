// The emulated controller: the window writes which keys are down, and once
// per frame readController turns that into held and pressed button masks and
// a stick position.
#include "emu/controller.h"

#include <climits>

namespace {
struct ButtonKey {
    uint32_t button;
    int32_t virtualKey;
};
}  // namespace

// The face buttons form a diamond on the keypad around keypad 5.
static constexpr ButtonKey BUTTON_KEYS[] = {
    {BTN_SELECT, VK_NUMPAD0}, {BTN_START, VK_RETURN},   {BTN_UP, VK_UP},
    {BTN_RIGHT, VK_RIGHT},    {BTN_DOWN, VK_DOWN},      {BTN_LEFT, VK_LEFT},
    {BTN_L, VK_NUMPAD4},      {BTN_R, VK_NUMPAD6},      {BTN_NORTH, VK_NUMPAD5},
    {BTN_EAST, VK_NUMPAD3},   {BTN_SOUTH, VK_NUMPAD2},  {BTN_WEST, VK_NUMPAD1},
};

static constexpr int32_t STICK_REST = 128;  // raw stick value at rest

static bool keyDown(int32_t virtualKey);
static void applyAutoRepeat(ControllerState* state, uint32_t sampled);

std::atomic<int32_t> keyTable[KEY_TABLE_SIZE] = {};

ControllerState controllerRecord = {
    0, 0, 0, 0, BTN_UP | BTN_RIGHT | BTN_DOWN | BTN_LEFT | BTN_L | BTN_R, 0, 0, 0};
ControllerState* controller = nullptr;

ControllerState* readController()
{
    uint32_t sampled = 0;
    for (const ButtonKey& row : BUTTON_KEYS) {
        if (keyDown(row.virtualKey)) {
            sampled |= row.button;
        }
    }
    // Later keys override earlier ones: D wins over A, S over W.
    int32_t rawX = STICK_REST;
    int32_t rawY = STICK_REST;
    if (keyDown(VK_A)) rawX = 0;
    if (keyDown(VK_D)) rawX = 255;
    if (keyDown(VK_W)) rawY = 0;
    if (keyDown(VK_S)) rawY = 255;

    ControllerState* state = controller;
    applyAutoRepeat(state, sampled);
    state->pressed = sampled & ~state->held;
    state->held = sampled;
    state->stickX = static_cast<int8_t>(rawX - STICK_REST);
    state->stickY = static_cast<int8_t>(rawY - STICK_REST);
    return state;
}

static bool keyDown(int32_t virtualKey)
{
    return keyTable[virtualKey].load(std::memory_order_relaxed) != 0;
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
