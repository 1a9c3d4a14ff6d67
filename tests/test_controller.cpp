// Controller sampling: key table in, held / pressed masks and stick out,
// with and without auto-repeat.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "emu/controller.h"

namespace {

void setKey(int32_t virtualKey, int32_t down)
{
    keyEvent(virtualKey, down);
}

TEST(ControllerRecord, StartsAtRestWithTheDirectionAndShoulderButtonsRepeatable)
{
    // Nothing in this program writes the library's own record.
    EXPECT_EQ(controllerRecord.held, 0u);
    EXPECT_EQ(controllerRecord.pressed, 0u);
    EXPECT_EQ(controllerRecord.repeatDelay, 0);
    EXPECT_EQ(controllerRecord.repeatInterval, 0);
    EXPECT_EQ(controllerRecord.repeatMask, 0x3F0u);
    EXPECT_EQ(controllerRecord.repeatCount, 0);
    EXPECT_EQ(controllerRecord.stickX, 0);
    EXPECT_EQ(controllerRecord.stickY, 0);
}

// Each test samples into its own record in the state initLibrary leaves the
// library's one in; readController writes wherever `controller` points.
class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        releaseAllKeys();
        controller = &record;
    }
    void TearDown() override
    {
        releaseAllKeys();
        controller = nullptr;
    }
    ControllerState record{0, 0, 0, 0, 0x3F0, 0, 0, 0};
};

TEST_F(ControllerTest, EveryDefaultKeyOfAButtonSetsItsBitAlone)
{
    struct Row {
        int32_t virtualKey;
        uint32_t button;
    };
    // The keypad's digits, and the main row's for keyboards without a keypad.
    const Row rows[] = {
        {0x60, BTN_SELECT}, {0x0D, BTN_START}, {0x26, BTN_UP},     {0x27, BTN_RIGHT},
        {0x28, BTN_DOWN},   {0x25, BTN_LEFT},  {0x64, BTN_L},      {0x66, BTN_R},
        {0x65, BTN_NORTH},  {0x63, BTN_EAST},  {0x62, BTN_SOUTH},  {0x61, BTN_WEST},
        {'0', BTN_SELECT},  {'4', BTN_L},      {'6', BTN_R},       {'5', BTN_NORTH},
        {'3', BTN_EAST},    {'2', BTN_SOUTH},  {'1', BTN_WEST},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.virtualKey);
        setKey(row.virtualKey, 1);
        ControllerState* state = readController();
        EXPECT_EQ(state, &record);
        EXPECT_EQ(state->held, row.button);
        EXPECT_EQ(state->pressed, row.button);
        EXPECT_EQ(state->stickX, 0);
        EXPECT_EQ(state->stickY, 0);
        setKey(row.virtualKey, 0);
        readController();
        EXPECT_EQ(state->held, 0u);
        EXPECT_EQ(state->pressed, 0u);
    }
}

TEST_F(ControllerTest, KeysOutsideTheTablesGiveNothing)
{
    // The keys map to no bit and never produce the unused bits 0x2, 0x4,
    // 0x400, 0x800 or above 0x8000. (Escape, a close request, is left out.)
    for (int32_t key = 0; key < KEY_TABLE_SIZE; ++key) {
        const bool mapped = key == 0x0D || (key >= 0x25 && key <= 0x28) ||
                            (key >= 0x60 && key <= 0x66) || (key >= '0' && key <= '6') ||
                            key == KEY_A || key == KEY_D || key == KEY_W || key == KEY_S;
        if (!mapped && key != KEY_ESCAPE) {
            setKey(key, 1);
        }
    }
    ControllerState* state = readController();
    EXPECT_EQ(state->held, 0u);
    EXPECT_EQ(state->pressed, 0u);
    EXPECT_EQ(state->stickX, 0);
    EXPECT_EQ(state->stickY, 0);

    releaseAllKeys();
    for (int32_t key = 0; key < KEY_TABLE_SIZE; ++key) {
        if (key != KEY_ESCAPE) {
            setKey(key, 1);
        }
    }
    readController();
    EXPECT_EQ(state->held, 0xF3F9u);
}

TEST_F(ControllerTest, StickFollowsTheLetterKeysWithTheLaterKeyWinning)
{
    struct Case {
        std::vector<int32_t> keys;
        int8_t stickX, stickY;
    };
    const Case cases[] = {
        {{}, 0, 0},
        {{KEY_A}, -128, 0},
        {{KEY_D}, 127, 0},
        {{KEY_W}, 0, -128},
        {{KEY_S}, 0, 127},
        {{KEY_A, KEY_D}, 127, 0},
        {{KEY_W, KEY_S}, 0, 127},
        {{KEY_A, KEY_W}, -128, -128},
        {{KEY_A, KEY_D, KEY_W, KEY_S}, 127, 127},
    };
    for (const Case& c : cases) {
        releaseAllKeys();
        for (int32_t key : c.keys) {
            setKey(key, 1);
        }
        ControllerState* state = readController();
        SCOPED_TRACE(c.keys.size());
        EXPECT_EQ(state->stickX, c.stickX);
        EXPECT_EQ(state->stickY, c.stickY);
        EXPECT_EQ(state->held, 0u);  // the stick keys are no buttons
    }
}

// Drives a sequence of samples; each step says which keys are down at that
// sample and what `pressed` must be.
struct Sample {
    std::vector<int32_t> keysDown;
    uint32_t pressed;
};

void runSamples(const std::vector<Sample>& samples)
{
    for (size_t i = 0; i < samples.size(); ++i) {
        releaseAllKeys();
        for (int32_t key : samples[i].keysDown) {
            setKey(key, 1);
        }
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(readController()->pressed, samples[i].pressed);
    }
}

TEST_F(ControllerTest, PressedShowsOnlyAtTheSampleWhereTheButtonFirstShowsDown)
{
    runSamples({
        {{}, 0},
        {{KEY_LEFT}, BTN_LEFT},
        {{KEY_LEFT}, 0},
        {{KEY_LEFT}, 0},
        {{KEY_LEFT, KEY_NUMPAD2}, BTN_SOUTH},  // only the new button
        {{KEY_NUMPAD2}, 0},                   // a release reports nothing
        {{}, 0},
        {{KEY_NUMPAD2}, BTN_SOUTH},
        {{KEY_NUMPAD2, KEY_NUMPAD5, KEY_NUMPAD1}, BTN_NORTH | BTN_WEST},
    });
}

// A tap shorter than a frame (xdotool, on-screen keyboards, remote desktops).
TEST_F(ControllerTest, KeyTappedBetweenSamplesIsPressedInTheNextSampleAndReleasedAfter)
{
    readController();
    setKey(KEY_NUMPAD2, 1);
    setKey(KEY_NUMPAD2, 0);
    ControllerState* state = readController();
    EXPECT_EQ(state->pressed, BTN_SOUTH);
    EXPECT_EQ(state->held, BTN_SOUTH);
    state = readController();
    EXPECT_EQ(state->pressed, 0u);
    EXPECT_EQ(state->held, 0u);
}

// The sample numbers (from 1) at which a button held from sample 1 on shows
// in `pressed`, over `samples` samples.
std::vector<int> pressedSamples(int32_t virtualKey, uint32_t button, int samples)
{
    releaseAllKeys();
    setKey(virtualKey, 1);
    std::vector<int> result;
    for (int i = 1; i <= samples; ++i) {
        if (readController()->pressed & button) {
            result.push_back(i);
        }
    }
    return result;
}

TEST_F(ControllerTest, AutoRepeatRepeatsHeldRepeatButtonsAtDelayThenEveryInterval)
{
    controller->repeatDelay = 10;
    controller->repeatInterval = 3;
    // Sample 1 is the press; the unchanged samples after it count from 1, so
    // the 10th, 13th, 16th ... unchanged sample is sample 11, 14, 17 ...
    EXPECT_EQ(pressedSamples(KEY_LEFT, BTN_LEFT, 20), (std::vector<int>{1, 11, 14, 17, 20}));
    EXPECT_EQ(controller->repeatCount, 19);
}

TEST_F(ControllerTest, AutoRepeatLeavesButtonsOutsideTheMaskAlone)
{
    controller->repeatDelay = 10;
    controller->repeatInterval = 3;
    EXPECT_EQ(pressedSamples(KEY_NUMPAD2, BTN_SOUTH, 20), (std::vector<int>{1}));
}

TEST_F(ControllerTest, AnyChangeRestartsTheRepeatCount)
{
    controller->repeatDelay = 3;
    controller->repeatInterval = 2;
    runSamples({
        {{KEY_UP}, BTN_UP},            // change: count 0
        {{KEY_UP}, 0},                 // 1
        {{KEY_UP}, 0},                 // 2
        {{KEY_UP, KEY_NUMPAD2}, BTN_SOUTH},  // change: count 0
        {{KEY_UP, KEY_NUMPAD2}, 0},     // 1
        {{KEY_UP, KEY_NUMPAD2}, 0},     // 2
        {{KEY_UP, KEY_NUMPAD2}, BTN_UP},  // 3: first repeat, the face button stays quiet
        {{KEY_UP, KEY_NUMPAD2}, 0},     // 4
        {{KEY_UP, KEY_NUMPAD2}, BTN_UP},  // 5
        {{KEY_UP}, 0},                 // a release is a change: count 0
        {{KEY_UP}, 0},                 // 1
        {{KEY_UP}, 0},                 // 2
        {{KEY_UP}, BTN_UP},            // 3
    });
}

TEST_F(ControllerTest, RepeatCountIsLeftAloneWhileAutoRepeatIsOff)
{
    for (int32_t interval : {0, -1}) {
        SCOPED_TRACE(interval);
        controller->repeatDelay = 1;
        controller->repeatInterval = interval;
        controller->repeatCount = 7;
        EXPECT_EQ(pressedSamples(KEY_LEFT, BTN_LEFT, 30), (std::vector<int>{1}));
        EXPECT_EQ(controller->repeatCount, 7);
        releaseAllKeys();
        readController();
        EXPECT_EQ(controller->repeatCount, 7);
    }
}

TEST_F(ControllerTest, RepeatCountNearItsLimitKeepsRepeatingOnTheSameBeat)
{
    // A count that has run for years steps back by one interval instead of
    // overflowing; the repeats keep coming every interval.
    controller->repeatDelay = 10;
    controller->repeatInterval = 3;
    setKey(KEY_LEFT, 1);
    readController();
    const int32_t beatBeforeLimit = INT32_MAX - (INT32_MAX - 10) % 3;  // a repeat point
    controller->repeatCount = beatBeforeLimit - 1;
    std::vector<int> repeats;
    for (int i = 1; i <= 12; ++i) {
        if (readController()->pressed & BTN_LEFT) {
            repeats.push_back(i);
        }
        EXPECT_GE(controller->repeatCount, 10);
    }
    EXPECT_EQ(repeats, (std::vector<int>{1, 4, 7, 10}));
}

}  // namespace
