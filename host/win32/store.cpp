// The settings store in the registry: REG_DWORD and REG_SZ values under
// HKEY_CURRENT_USER\Software\<organization>\<application> of gameInfo
// (Software\Quorl\Configuration for the bundled game), a group in a subkey of
// that name. Every value read or written opens the key with RegCreateKeyExA,
// so reading creates the key as writing does, and closes it again. Failures
// are silent: the value is not read, or not written.
#include <windows.h>

#include <string>

#include "quorl/host.h"

static HKEY openKey(const char* group);

// The value's type is not checked: its first bytes, up to 4, are taken into
// *value as a REG_DWORD would be, the rest of *value staying as it was.
int32_t storeReadValue(const char* group, const char* name, int32_t* value)
{
    HKEY key = openKey(group);
    if (key == nullptr) {
        return 0;
    }
    int32_t number = *value;
    DWORD size = sizeof(number);
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || size == 0) {
        return 0;
    }
    *value = number;
    return static_cast<int32_t>(size);
}

int32_t storeWriteValue(const char* group, const char* name, int32_t value)
{
    HKEY key = openKey(group);
    if (key == nullptr) {
        return 0;
    }
    DWORD number = static_cast<DWORD>(value);
    LONG result = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 1 : 0;
}

// Texts are REG_SZ; a value of another type is not a text.
int32_t storeReadText(const char* group, const char* name, char* buffer, int32_t size)
{
    if (buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    HKEY key = openKey(group);
    if (key == nullptr) {
        return -1;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &bytes);
    std::string text(bytes, '\0');
    if (result == ERROR_SUCCESS && type == REG_SZ && bytes > 0) {
        result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &bytes);
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) {
        return -1;
    }
    // The stored bytes may or may not end in a NUL; the text ends at the first.
    text.resize(bytes);
    text.resize(text.find('\0') != std::string::npos ? text.find('\0') : text.size());
    if (buffer != nullptr && size > 0) {
        size_t copied = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
        text.copy(buffer, copied);
        buffer[copied] = '\0';
    }
    return static_cast<int32_t>(text.size());
}

int32_t storeWriteText(const char* group, const char* name, const char* text)
{
    HKEY key = text != nullptr ? openKey(group) : nullptr;
    if (key == nullptr) {
        return 0;
    }
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(lstrlenA(text) + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 1 : 0;
}

// Opens Software\<organization>\<application>[\<group>] under
// HKEY_CURRENT_USER, creating it when missing; null when that fails.
static HKEY openKey(const char* group)
{
    std::string path = std::string("Software\\") + gameOrganization() + "\\" + gameApplication();
    if (group != nullptr && group[0] != '\0') {
        path += std::string("\\") + group;
    }
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return result == ERROR_SUCCESS ? key : nullptr;
}
