// KeyboardEvent.code names to virtual-key codes. Letters, F-keys and digits
// follow a pattern; the other keys are looked up by name. Punctuation takes
// the code of the key that carries it on a US keyboard.
#include "host/web/keymap.h"

#include <cstring>

#include "quorl/host.h"

namespace {
struct NamedKey {
    const char* code;
    int32_t virtualKey;
};
}  // namespace

static const NamedKey NAMED_KEYS[] = {
    {"Backspace", 0x08},    {"Tab", 0x09},           {"Enter", KEY_RETURN},
    {"NumpadEnter", KEY_RETURN}, {"ShiftLeft", 0x10}, {"ShiftRight", 0x10},
    {"ControlLeft", 0x11},  {"ControlRight", 0x11},  {"AltLeft", 0x12},
    {"AltRight", 0x12},     {"Pause", 0x13},         {"CapsLock", 0x14},
    {"Escape", KEY_ESCAPE}, {"Space", 0x20},         {"PageUp", 0x21},
    {"PageDown", 0x22},     {"End", 0x23},           {"Home", 0x24},
    {"ArrowLeft", KEY_LEFT}, {"ArrowUp", KEY_UP},    {"ArrowRight", KEY_RIGHT},
    {"ArrowDown", KEY_DOWN}, {"PrintScreen", 0x2C},  {"Insert", 0x2D},
    {"Delete", 0x2E},       {"MetaLeft", 0x5B},      {"MetaRight", 0x5C},
    {"ContextMenu", 0x5D},  {"NumpadMultiply", 0x6A}, {"NumpadAdd", 0x6B},
    {"NumpadSubtract", 0x6D}, {"NumpadDecimal", 0x6E}, {"NumpadDivide", 0x6F},
    {"NumLock", 0x90},      {"ScrollLock", 0x91},    {"Semicolon", 0xBA},
    {"Equal", 0xBB},        {"Comma", 0xBC},         {"Minus", 0xBD},
    {"Period", 0xBE},       {"Slash", 0xBF},         {"Backquote", 0xC0},
    {"BracketLeft", 0xDB},  {"Backslash", 0xDC},     {"BracketRight", 0xDD},
    {"Quote", 0xDE},        {"IntlBackslash", 0xE2},
};

static int32_t numberAfter(const char* code, const char* prefix);

int32_t virtualKeyFromCode(const char* code)
{
    if (code == nullptr) {
        return -1;
    }
    if (std::strncmp(code, "Key", 3) == 0 && code[3] >= 'A' && code[3] <= 'Z' && code[4] == '\0') {
        return code[3];
    }
    int32_t digit = numberAfter(code, "Digit");
    if (digit >= 0 && digit <= 9) {
        // Laptops have no keypad: the main row's 0-6 press the keypad's buttons.
        return digit <= 6 ? KEY_NUMPAD0 + digit : '0' + digit;
    }
    digit = numberAfter(code, "Numpad");
    if (digit >= 0 && digit <= 9) {
        return KEY_NUMPAD0 + digit;
    }
    int32_t function = numberAfter(code, "F");
    if (function >= 1 && function <= 24) {
        return KEY_F1 + function - 1;
    }
    for (const NamedKey& key : NAMED_KEYS) {
        if (std::strcmp(key.code, code) == 0) {
            return key.virtualKey;
        }
    }
    return -1;
}

// The number of one or two digits that makes up the rest of `code` after
// `prefix`, or -1.
static int32_t numberAfter(const char* code, const char* prefix)
{
    size_t length = std::strlen(prefix);
    if (std::strncmp(code, prefix, length) != 0) {
        return -1;
    }
    const char* rest = code + length;
    int32_t number = 0;
    int32_t digits = 0;
    for (; *rest >= '0' && *rest <= '9' && digits < 3; ++rest, ++digits) {
        number = number * 10 + (*rest - '0');
    }
    return digits >= 1 && digits <= 2 && *rest == '\0' ? number : -1;
}
