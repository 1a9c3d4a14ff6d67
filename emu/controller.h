// The emulated controller: the key table written by the window and the
// button masks and stick sampled from it once per frame.
#pragma once

#include <atomic>
#include <cstdint>

#include "quorl/quorl.h"

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

// 1 while the key is down, by virtual-key code; written by the first thread.
extern std::atomic<int32_t> keyTable[KEY_TABLE_SIZE];

// The library's one controller record, which `controller` points to.
extern ControllerState controllerRecord;
