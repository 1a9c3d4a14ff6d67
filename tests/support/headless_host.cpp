// The rest of a host for the library's tests, beside the headless seam: a
// settings store kept in memory, a window that only counts what it is asked
// to show, and the process end. The clock is the platform host's own.
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "tests/support/headless_seam.h"

static std::map<std::string, std::string> storedValues;  // "group/name" -> text

static std::string storeKey(const char* group, const char* name);

int32_t storeReadValue(const char* group, const char* name, int32_t* value)
{
    auto found = storedValues.find(storeKey(group, name));
    if (found == storedValues.end()) {
        return 0;
    }
    *value = static_cast<int32_t>(std::strtol(found->second.c_str(), nullptr, 10));
    return 4;
}

int32_t storeWriteValue(const char* group, const char* name, int32_t value)
{
    storedValues[storeKey(group, name)] = std::to_string(value);
    return 1;
}

int32_t storeReadText(const char* group, const char* name, char* buffer, int32_t size)
{
    if (buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    auto found = storedValues.find(storeKey(group, name));
    if (found == storedValues.end()) {
        return -1;
    }
    const std::string& text = found->second;
    if (buffer != nullptr && size > 0) {
        size_t copied = text.copy(buffer, static_cast<size_t>(size - 1));
        buffer[copied] = '\0';
    }
    return static_cast<int32_t>(text.size());
}

int32_t storeWriteText(const char* group, const char* name, const char* text)
{
    if (text == nullptr) {
        return 0;
    }
    storedValues[storeKey(group, name)] = text;
    return 1;
}

void headlessClearStore()
{
    storedValues.clear();
}

void showWaitOverlay()
{
    ++headlessLog.overlayCount;
}

void updateMenuChecks()
{
    ++headlessLog.menuCheckCount;
}

void updateWindowSize()
{
    ++headlessLog.windowSizeCount;
}

void showControlsDialog()
{
    ++headlessLog.controlsDialogCount;
}

// Screenshots are the real hosts' business: there is no pictures folder.
int32_t hostPicturesFolder(char* buffer, int32_t size)
{
    if (buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    return -1;
}

void watchScreenshot()
{
}

void hostTerminateProcess(int32_t exitCode)
{
    std::_Exit(exitCode);
}

static std::string storeKey(const char* group, const char* name)
{
    return std::string(group != nullptr ? group : "") + "/" + (name != nullptr ? name : "");
}
