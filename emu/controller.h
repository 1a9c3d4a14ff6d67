// The emulated controller: the key table written by the window and the
// button masks and stick sampled from it once per frame.
#pragma once

#include <atomic>
#include <cstdint>

// Button bits of the controller mask.
constexpr uint32_t BTN_SELECT = 0x0001;
constexpr uint32_t BTN_START = 0x0008;
constexpr uint32_t BTN_UP = 0x0010;
constexpr uint32_t BTN_RIGHT = 0x0020;
constexpr uint32_t BTN_DOWN = 0x0040;
constexpr uint32_t BTN_LEFT = 0x0080;
constexpr uint32_t BTN_L = 0x0100;
constexpr uint32_t BTN_R = 0x0200;
constexpr uint32_t BTN_NORTH = 0x1000;
constexpr uint32_t BTN_EAST = 0x2000;
constexpr uint32_t BTN_SOUTH = 0x4000;
constexpr uint32_t BTN_WEST = 0x8000;

// Virtual-key codes that index the key table.
constexpr int32_t VK_RETURN = 0x0D;
constexpr int32_t VK_ESCAPE = 0x1B;
constexpr int32_t VK_LEFT = 0x25;
constexpr int32_t VK_UP = 0x26;
constexpr int32_t VK_RIGHT = 0x27;
constexpr int32_t VK_DOWN = 0x28;
constexpr int32_t VK_A = 0x41;
constexpr int32_t VK_D = 0x44;
constexpr int32_t VK_S = 0x53;
constexpr int32_t VK_W = 0x57;
constexpr int32_t VK_NUMPAD0 = 0x60;
constexpr int32_t VK_NUMPAD1 = 0x61;
constexpr int32_t VK_NUMPAD2 = 0x62;
constexpr int32_t VK_NUMPAD3 = 0x63;
constexpr int32_t VK_NUMPAD4 = 0x64;
constexpr int32_t VK_NUMPAD5 = 0x65;
constexpr int32_t VK_NUMPAD6 = 0x66;

constexpr int32_t KEY_TABLE_SIZE = 256;

struct ControllerState {
    uint32_t held;           // buttons down at the last sample
    uint32_t pressed;        // buttons that went down at the last sample, plus repeats
    int32_t repeatDelay;     // unchanged samples before the first repeat
    int32_t repeatInterval;  // samples between repeats; 0 or less: no auto-repeat
    uint32_t repeatMask;     // buttons that auto-repeat
    int32_t repeatCount;     // samples for which the mask has stayed unchanged
    int8_t stickX;           // -128 left .. 0 rest .. 127 right
    int8_t stickY;           // -128 up .. 0 rest .. 127 down
};

// 1 while the key is down, by virtual-key code; written by the first thread.
extern std::atomic<int32_t> keyTable[KEY_TABLE_SIZE];

// The library's one controller record, and the pointer the game reads it by.
extern ControllerState controllerRecord;
extern ControllerState* controller;

// Samples the key table into *controller and returns controller.
ControllerState* readController();
