// The settings store in the page's localStorage: one item per value, named
// <organization>/<application>/<name> for the emulation settings and
// <organization>/<application>/<group>/<name> for the other groups
// (Quorl/Configuration/emuReuseTextures for the bundled game), holding the
// value as decimal text or the text itself. localStorage keeps an item once
// setItem returns. A browser that refuses storage (a privacy setting, a full
// quota) makes reads miss and writes fail, silently.
#include <emscripten.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "quorl/host.h"

constexpr int32_t STORE_VALUE_TEXT_SIZE = 32;

static std::string itemName(const char* group, const char* name);
static bool parseValue(const char* text, int32_t* value);

// The item's length in bytes of UTF-8 with its text (cut to fit) in
// `buffer`, or -1 when there is none.
EM_JS(int, readStorageItem, (const char* name, char* buffer, int size), {
    var text = null;
    try {
        text = localStorage.getItem(UTF8ToString(name));
    } catch (error) {
        return -1;
    }
    if (text === null) {
        return -1;
    }
    if (size > 0) {
        stringToUTF8(text, buffer, size);
    }
    return lengthBytesUTF8(text);
});

EM_JS(int, writeStorageItem, (const char* name, const char* text), {
    try {
        localStorage.setItem(UTF8ToString(name), UTF8ToString(text));
        return 1;
    } catch (error) {
        return 0;
    }
});

int32_t storeReadValue(const char* group, const char* name, int32_t* value)
{
    char text[STORE_VALUE_TEXT_SIZE];
    int32_t length = readStorageItem(itemName(group, name).c_str(), text, sizeof text);
    if (length < 0 || length >= STORE_VALUE_TEXT_SIZE || !parseValue(text, value)) {
        return 0;
    }
    return 4;
}

int32_t storeWriteValue(const char* group, const char* name, int32_t value)
{
    return writeStorageItem(itemName(group, name).c_str(), std::to_string(value).c_str());
}

int32_t storeReadText(const char* group, const char* name, char* buffer, int32_t size)
{
    if (buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    return readStorageItem(itemName(group, name).c_str(), buffer, buffer != nullptr ? size : 0);
}

int32_t storeWriteText(const char* group, const char* name, const char* text)
{
    return text != nullptr ? writeStorageItem(itemName(group, name).c_str(), text) : 0;
}

static std::string itemName(const char* group, const char* name)
{
    std::string item = std::string(gameOrganization()) + "/" + gameApplication() + "/";
    if (group != nullptr && group[0] != '\0') {
        item += std::string(group) + "/";
    }
    return item + (name != nullptr ? name : "");
}

// A whole decimal number in 32 bits, nothing before or after it.
static bool parseValue(const char* text, int32_t* value)
{
    if (text[0] == '\0' || (text[0] != '-' && (text[0] < '0' || text[0] > '9'))) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    long long number = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || number < INT32_MIN || number > INT32_MAX) {
        return false;
    }
    *value = static_cast<int32_t>(number);
    return true;
}
