// Qt key codes to virtual-key codes. Letters and digits keep their ASCII
// upper-case code; punctuation takes the code of the key that carries it on
// a US keyboard, so that a key pressed plain and released shifted (or the
// other way round) clears the same entry it set.
#include "host/qt/keymap.h"

#include <iterator>

#include "quorl/host.h"

namespace {

// X keysyms of the keypad digits in both NumLock states.
constexpr quint32 XK_KP_0_KEYSYM = 0xFFB0;
constexpr quint32 XK_KP_9_KEYSYM = 0xFFB9;

struct KeyPair {
    int qtKey;
    int32_t virtualKey;
};

// Keypad keys, told apart from the main block by Qt::KeypadModifier.
constexpr KeyPair KEYPAD_KEYS[] = {
    {Qt::Key_0, KEY_NUMPAD0},      {Qt::Key_Insert, KEY_NUMPAD0}, {Qt::Key_1, KEY_NUMPAD0 + 1},
    {Qt::Key_End, KEY_NUMPAD0 + 1},    {Qt::Key_2, KEY_NUMPAD0 + 2},      {Qt::Key_Down, KEY_NUMPAD0 + 2},
    {Qt::Key_3, KEY_NUMPAD0 + 3},      {Qt::Key_PageDown, KEY_NUMPAD0 + 3}, {Qt::Key_4, KEY_NUMPAD0 + 4},
    {Qt::Key_Left, KEY_NUMPAD0 + 4},   {Qt::Key_5, KEY_NUMPAD0 + 5},      {Qt::Key_Clear, KEY_NUMPAD0 + 5},
    {Qt::Key_6, KEY_NUMPAD0 + 6},      {Qt::Key_Right, KEY_NUMPAD0 + 6},  {Qt::Key_7, 0x67},
    {Qt::Key_Home, 0x67},         {Qt::Key_8, 0x68},            {Qt::Key_Up, 0x68},
    {Qt::Key_9, 0x69},            {Qt::Key_PageUp, 0x69},       {Qt::Key_Asterisk, 0x6A},
    {Qt::Key_Plus, 0x6B},         {Qt::Key_Minus, 0x6D},        {Qt::Key_Period, 0x6E},
    {Qt::Key_Comma, 0x6E},        {Qt::Key_Delete, 0x6E},       {Qt::Key_Slash, 0x6F},
    {Qt::Key_Enter, KEY_RETURN},
};

// Keypad keysyms in the NumLock-off state, in the order of the digits 0..9.
constexpr quint32 KEYPAD_NAVIGATION_KEYSYMS[] = {
    0xFF9E /* KP_Insert */, 0xFF9C /* KP_End */,  0xFF99 /* KP_Down */, 0xFF9B /* KP_Next */,
    0xFF96 /* KP_Left */,   0xFF9D /* KP_Begin */, 0xFF98 /* KP_Right */, 0xFF95 /* KP_Home */,
    0xFF97 /* KP_Up */,     0xFF9A /* KP_Prior */,
};

constexpr KeyPair MAIN_KEYS[] = {
    {Qt::Key_Backspace, 0x08},  {Qt::Key_Tab, 0x09},        {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},      {Qt::Key_Return, KEY_RETURN}, {Qt::Key_Enter, KEY_RETURN},
    {Qt::Key_Shift, 0x10},      {Qt::Key_Control, 0x11},    {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13},      {Qt::Key_CapsLock, 0x14},   {Qt::Key_Escape, KEY_ESCAPE},
    {Qt::Key_Space, 0x20},      {Qt::Key_PageUp, 0x21},     {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},        {Qt::Key_Home, 0x24},       {Qt::Key_Left, KEY_LEFT},
    {Qt::Key_Up, KEY_UP},        {Qt::Key_Right, KEY_RIGHT},  {Qt::Key_Down, KEY_DOWN},
    {Qt::Key_Select, 0x29},     {Qt::Key_Printer, 0x2A},    {Qt::Key_Execute, 0x2B},
    {Qt::Key_Print, 0x2C},      {Qt::Key_SysReq, 0x2C},     {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},     {Qt::Key_Help, 0x2F},       {Qt::Key_Super_L, 0x5B},
    {Qt::Key_Meta, 0x5B},       {Qt::Key_Super_R, 0x5C},    {Qt::Key_Menu, 0x5D},
    {Qt::Key_Sleep, 0x5F},      {Qt::Key_NumLock, 0x90},    {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_VolumeMute, 0xAD}, {Qt::Key_VolumeDown, 0xAE}, {Qt::Key_VolumeUp, 0xAF},
    {Qt::Key_MediaNext, 0xB0},  {Qt::Key_MediaPrevious, 0xB1}, {Qt::Key_MediaStop, 0xB2},
    {Qt::Key_MediaPlay, 0xB3},  {Qt::Key_MediaTogglePlayPause, 0xB3},
    // Shifted digits give the digit's key.
    {Qt::Key_ParenRight, '0'}, {Qt::Key_Exclam, '1'},    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    // Punctuation keys, plain and shifted.
    {Qt::Key_Semicolon, 0xBA},  {Qt::Key_Colon, 0xBA},      {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},       {Qt::Key_Comma, 0xBC},      {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},      {Qt::Key_Underscore, 0xBD}, {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},    {Qt::Key_Slash, 0xBF},      {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},  {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},  {Qt::Key_Backslash, 0xDC},  {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
};

}  // namespace

static int32_t lookUp(const KeyPair* pairs, size_t count, int qtKey);
static int32_t keypadKeyFromKeysym(quint32 keysym);

int32_t virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeVirtualKey)
{
    int32_t keypadKey = keypadKeyFromKeysym(nativeVirtualKey);
    if (keypadKey >= 0) {
        return keypadKey;
    }
    if (modifiers & Qt::KeypadModifier) {
        int32_t code = lookUp(KEYPAD_KEYS, std::size(KEYPAD_KEYS), qtKey);
        if (code >= 0) {
            return code;
        }
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return qtKey;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return 0x70 + (qtKey - Qt::Key_F1);
    }
    return lookUp(MAIN_KEYS, std::size(MAIN_KEYS), qtKey);
}

bool isSystemKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::AltModifier) || qtKey == Qt::Key_Alt || qtKey == Qt::Key_F10;
}

static int32_t lookUp(const KeyPair* pairs, size_t count, int qtKey)
{
    for (size_t i = 0; i < count; ++i) {
        if (pairs[i].qtKey == qtKey) {
            return pairs[i].virtualKey;
        }
    }
    return -1;
}

static int32_t keypadKeyFromKeysym(quint32 keysym)
{
    if (keysym >= XK_KP_0_KEYSYM && keysym <= XK_KP_9_KEYSYM) {
        return KEY_NUMPAD0 + static_cast<int32_t>(keysym - XK_KP_0_KEYSYM);
    }
    for (size_t digit = 0; digit < std::size(KEYPAD_NAVIGATION_KEYSYMS); ++digit) {
        if (KEYPAD_NAVIGATION_KEYSYMS[digit] == keysym) {
            return KEY_NUMPAD0 + static_cast<int32_t>(digit);
        }
    }
    return -1;
}
