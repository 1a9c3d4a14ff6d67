// A game's saved data: named values and texts in the store's group "Game",
// beside the emulation settings and apart from them. Each is written at once;
// the store makes a write last through a crash right after it.
#include <cstring>

#include "quorl/host.h"

static const char* const GAME_GROUP = "Game";
constexpr size_t SAVED_NAME_MAX = 64;
constexpr size_t SAVED_TEXT_MAX = 4096;

static bool validName(const char* name);
static bool validText(const char* text);

int32_t saveValue(const char* name, int32_t value)
{
    return validName(name) ? storeWriteValue(GAME_GROUP, name, value) : 0;
}

int32_t saveText(const char* name, const char* text)
{
    return validName(name) && validText(text) ? storeWriteText(GAME_GROUP, name, text) : 0;
}

int32_t loadValue(const char* name, int32_t fallback)
{
    int32_t value = fallback;
    if (!validName(name) || storeReadValue(GAME_GROUP, name, &value) == 0) {
        return fallback;
    }
    return value;
}

int32_t loadText(const char* name, char* buffer, int32_t size)
{
    if (buffer == nullptr || size <= 0) {
        return -1;
    }
    buffer[0] = '\0';
    if (!validName(name)) {
        return -1;
    }
    return storeReadText(GAME_GROUP, name, buffer, size);
}

// Printable ASCII without the separators of groups and keys: the same name
// makes the same key in an INI file, the registry and the browser's storage.
static bool validName(const char* name)
{
    if (name == nullptr || name[0] == '\0') {
        return false;
    }
    size_t length = 0;
    for (const char* c = name; *c != '\0'; ++c, ++length) {
        if (length >= SAVED_NAME_MAX || *c < 0x20 || *c > 0x7E || *c == '/' || *c == '\\') {
            return false;
        }
    }
    return true;
}

// Well-formed UTF-8 of at most SAVED_TEXT_MAX bytes: no stray continuation
// bytes, no overlong forms, no surrogates, nothing above U+10FFFF.
static bool validText(const char* text)
{
    if (text == nullptr) {
        return false;
    }
    size_t length = std::strlen(text);
    if (length > SAVED_TEXT_MAX) {
        return false;
    }
    const unsigned char* c = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = c + length;
    while (c < end) {
        int32_t extra = *c < 0x80 ? 0 : (*c & 0xE0) == 0xC0 ? 1 : (*c & 0xF0) == 0xE0 ? 2 : (*c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || end - c <= extra) {
            return false;
        }
        uint32_t point = extra == 0 ? *c : *c & (0x3F >> extra);
        for (int32_t i = 1; i <= extra; ++i) {
            if ((c[i] & 0xC0) != 0x80) {
                return false;
            }
            point = point << 6 | (c[i] & 0x3F);
        }
        static const uint32_t LOWEST[4] = {0, 0x80, 0x800, 0x10000};
        if (point < LOWEST[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return false;
        }
        c += extra + 1;
    }
    return true;
}
