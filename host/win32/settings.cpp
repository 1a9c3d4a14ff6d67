// The settings in the registry. Every value read or written opens the key
// with RegCreateKeyExA, so loading creates the key as saving does, and
// closes it again. Failures are silent: the setting keeps its value, or the
// value is not written.
#include "host/win32/settings.h"

#include <string>

#include <windows.h>

#include "host/host.h"

static HKEY openKey();

int32_t loadSetting(const char* name, std::atomic<int32_t>& setting)
{
    HKEY key = openKey();
    if (key == nullptr) {
        return 0;
    }
    // The value's type is not checked: anything that fits in 4 bytes is
    // taken, as a REG_DWORD would be.
    int32_t number = 0;
    DWORD size = sizeof(number);
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) {
        return 0;
    }
    // Shorter data fills only the low bytes of a zeroed number. The menu
    // knows 0 and 1 only; every setting acts the same for any nonzero value,
    // so one is kept as 1 and its mark shows.
    setting.store(number != 0 ? 1 : 0, std::memory_order_relaxed);
    return static_cast<int32_t>(size);
}

void saveSettings()
{
    const char* names[] = {"emuReuseTextures", "emuUsePixelShaders", "emuFrameSkipMode"};
    std::atomic<int32_t>* settings[] = {&emuReuseTextures, &emuUsePixelShaders, &emuFrameSkipMode};
    for (int i = 0; i < 3; ++i) {
        HKEY key = openKey();
        if (key == nullptr) {
            continue;
        }
        DWORD value = static_cast<DWORD>(settings[i]->load(std::memory_order_relaxed));
        RegSetValueExA(key, names[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        RegCloseKey(key);
    }
}

// Opens Software\<organization>\<application> under HKEY_CURRENT_USER,
// creating it when missing; null when that fails.
static HKEY openKey()
{
    std::string path = std::string("Software\\") + gameInfoText(gameInfo.organization, "Quorl") + "\\" +
                       gameInfoText(gameInfo.application, "Configuration");
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return result == ERROR_SUCCESS ? key : nullptr;
}
