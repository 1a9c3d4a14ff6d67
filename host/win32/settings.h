// The per-user store of the three emulation settings: REG_DWORD values under
// HKEY_CURRENT_USER\Software\<organization>\<application> of gameInfo
// (Software\Quorl\Configuration for the bundled game).
#pragma once

#include <atomic>
#include <cstdint>

// Reads the named value into `setting` (kept as 1 when it is not 0) and
// reports the bytes the query left in its size argument, or 0 with the
// setting unchanged when the key cannot be opened or the value is missing.
// Opening creates the key when it is missing.
int32_t loadSetting(const char* name, std::atomic<int32_t>& setting);

// Writes "emuReuseTextures", "emuUsePixelShaders" and "emuFrameSkipMode", in
// that order, each as a 4-byte REG_DWORD, opening the key anew for each.
// Callable from either thread.
void saveSettings();
