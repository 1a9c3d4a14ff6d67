// The emulated controller: the key table written by the window and the
// button masks and stick sampled from it once per frame.
#pragma once

#include <atomic>
#include <cstdint>

#include "quorl/host.h"

// Key codes of the stick keys and the keypad's digits that press buttons
// (the rest are in quorl/host.h).
constexpr int32_t KEY_A = 0x41;
constexpr int32_t KEY_D = 0x44;
constexpr int32_t KEY_S = 0x53;
constexpr int32_t KEY_W = 0x57;
constexpr int32_t KEY_NUMPAD1 = 0x61;
constexpr int32_t KEY_NUMPAD2 = 0x62;
constexpr int32_t KEY_NUMPAD3 = 0x63;
constexpr int32_t KEY_NUMPAD4 = 0x64;
constexpr int32_t KEY_NUMPAD5 = 0x65;
constexpr int32_t KEY_NUMPAD6 = 0x66;

// 1 while the key is down, by virtual-key code; written by the first thread
// (keyEvent, releaseAllKeys), read by readController.
extern std::atomic<int32_t> keyTable[KEY_TABLE_SIZE];

// The library's one controller record, which `controller` points to.
extern ControllerState controllerRecord;
