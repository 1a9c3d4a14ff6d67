// The per-user store of the three emulation settings: organisation "Quorl",
// application "Configuration", that is $XDG_CONFIG_HOME/Quorl/Configuration.conf
// (~/.config/... by default), an INI file.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>

// The store's file name, from the environment as it is now.
QString settingsFileName();

// Reads the named value into `setting` when it holds a 32-bit integer (kept
// as 1 when it is not 0) and reports the bytes read (4), or 0 with the
// setting unchanged. Creates an empty store when it is missing; a store that
// is not a regular file is left alone.
int32_t loadSetting(const char* name, std::atomic<int32_t>& setting);

// Writes "emuReuseTextures", "emuUsePixelShaders" and "emuFrameSkipMode", in
// that order, and flushes them to disk, keeping the store's other keys and
// sections. A store with lines that cannot be parsed is first copied to
// Configuration.conf.bad, as the rewrite leaves those lines out. Callable
// from either thread.
void saveSettings();
