// Turns Qt key events into the virtual-key codes that index the key table.
#pragma once

#include <QtGlobal>
#include <Qt>
#include <cstdint>

// The virtual-key code of a key, or -1 when the key has none in 0..255.
// Keypad keys map to the same code whatever the NumLock state: Qt reports
// keypad 2 as Key_2 with NumLock on and Key_Down with it off, both with
// KeypadModifier; the X keysym in nativeVirtualKey settles it when Qt's key
// is unknown.
int32_t virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeVirtualKey);

// True for the keys the system keeps for itself: anything pressed with Alt,
// Alt on its own and F10. They drive the menu bar and never reach the table.
bool isSystemKey(int qtKey, Qt::KeyboardModifiers modifiers);
