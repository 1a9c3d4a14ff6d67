// The Win32 host itself, under Wine: its window procedure's key, focus and
// end messages on the real window, and the registry store with values of
// every odd type and size. Ending messages are tried in processes of their
// own.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "emu/controller.h"
#include "host/win32/window.h"
#include "quorl/host.h"

namespace {

const char* const SETTINGS_KEY = "Software\\Quorl\\Configuration";
constexpr LPARAM EXTENDED_KEY = 1 << 24;

HWND window()
{
    static bool created = false;
    if (!created) {
        created = true;
        EXPECT_TRUE(createMainWindow());
    }
    return mainWindow;
}

void storeRaw(const char* name, DWORD type, const void* bytes, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(bytes), size);
    RegCloseKey(key);
}

DWORD storedDword(const char* name)
{
    DWORD value = 0xDEADBEEF;
    DWORD size = sizeof(value);
    RegGetValueA(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

}  // namespace

// Any stored value of 4 bytes or fewer is taken as a REG_DWORD would be, its
// bytes over the low end of the setting; a longer one is not read.
TEST(Win32Store, ValuesOfEveryTypeAndSizeAreReadAsTheirFirstBytes)
{
    struct Case {
        const char* name;
        DWORD type;
        std::string bytes;
        int32_t before;
        int32_t bytesRead;
        int32_t after;
    };
    const Case cases[] = {
        {"all bits set", REG_DWORD, std::string("\xFF\xFF\xFF\xFF", 4), 0, 4, 1},
        {"a text of one digit", REG_SZ, std::string("0\0", 2), 0, 2, 1},
        {"no bytes", REG_BINARY, std::string(), 1, 0, 1},
        {"one zero byte", REG_BINARY, std::string("\0", 1), 1, 1, 0},
        {"one byte", REG_BINARY, std::string("\x07", 1), 0, 1, 1},
        {"eight bytes", REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8), 0, 0, 0},
    };
    for (const Case& c : cases) {
        storeRaw("emuFrameSkipMode", c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        int32_t raw = c.before;
        EXPECT_EQ(storeReadValue("", "emuFrameSkipMode", &raw), c.bytesRead) << c.name;
        emuFrameSkipMode = c.before;
        loadSettings();
        EXPECT_EQ(emuFrameSkipMode.load(), c.after) << c.name;
    }
}

TEST(Win32Store, GroupsAreSubkeysAndTextsAreRegSz)
{
    ASSERT_TRUE(storeWriteText("Controls", "south", "Numpad2,Digit2"));
    char text[32];
    EXPECT_EQ(storeReadText("Controls", "south", text, sizeof(text)), 14);
    EXPECT_STREQ(text, "Numpad2,Digit2");
    EXPECT_EQ(storeReadText("Controls", "south", text, 5), 14) << "cut to the buffer";
    EXPECT_STREQ(text, "Nump");
    EXPECT_EQ(storeReadText("Controls", "missing", text, sizeof(text)), -1);
    ASSERT_TRUE(storeWriteValue("Game", "best", 7));
    EXPECT_EQ(storeReadText("Game", "best", text, sizeof(text)), -1) << "a REG_DWORD is no text";
    DWORD best = 0;
    DWORD size = sizeof(best);
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Quorl\\Configuration\\Game", "best", RRF_RT_REG_DWORD,
                           nullptr, &best, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(best, 7u);
}

// With NumLock off the keypad's digits come as the navigation keys they
// carry, told from the dedicated keys by the extended-key flag.
TEST(Win32Window, KeypadAndArrowKeysAreToldApartByTheExtendedFlag)
{
    struct Case {
        const char* name;
        WPARAM virtualKey;
        LPARAM flags;
        int32_t entry;
    };
    const Case cases[] = {
        {"Left arrow", VK_LEFT, EXTENDED_KEY, KEY_LEFT},
        {"keypad 4, NumLock off", VK_LEFT, 0, KEY_NUMPAD4},
        {"Down arrow", VK_DOWN, EXTENDED_KEY, KEY_DOWN},
        {"keypad 2, NumLock off", VK_DOWN, 0, KEY_NUMPAD2},
        {"keypad 2, NumLock on", VK_NUMPAD2, 0, KEY_NUMPAD2},
        {"keypad 5, NumLock off", VK_CLEAR, 0, KEY_NUMPAD5},
        {"main-row 3", '3', 0, '3'},
    };
    for (const Case& c : cases) {
        SendMessageA(window(), WM_KEYDOWN, c.virtualKey, c.flags);
        EXPECT_EQ(keyTable[c.entry].load(), 1) << c.name;
        SendMessageA(window(), WM_KEYUP, c.virtualKey, c.flags);
        EXPECT_EQ(keyTable[c.entry].load(), 0) << c.name;
    }
}

// Whoever gets the keyboard gets the releases too: nothing may stay down.
TEST(Win32Window, LosingTheKeyboardOrOpeningTheMenuReleasesEveryKey)
{
    for (UINT message : {static_cast<UINT>(WM_KILLFOCUS), static_cast<UINT>(WM_ENTERMENULOOP)}) {
        SendMessageA(window(), WM_KEYDOWN, VK_RIGHT, EXTENDED_KEY);
        SendMessageA(window(), WM_KEYDOWN, 'A', 0);
        ASSERT_EQ(keyTable[KEY_RIGHT].load(), 1);
        SendMessageA(window(), message, 0, 0);
        EXPECT_EQ(keyTable[KEY_RIGHT].load(), 0) << message;
        EXPECT_EQ(keyTable['A'].load(), 0) << message;
    }
}

// A window destroyed from outside, and the end of the session, save the
// settings and end the program; a session that goes on changes nothing.
TEST(Win32Window, DestroyAndEndOfSessionSaveTheSettingsAndEnd)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        UINT message;
        WPARAM wParam;
    };
    for (const Case& c : {Case{WM_DESTROY, 0}, Case{WM_ENDSESSION, 1}}) {
        storeRaw("emuReuseTextures", REG_DWORD, "\0\0\0\0", 4);
        EXPECT_EXIT(
            {
                HWND target = window();  // made first: it loads the settings
                emuReuseTextures = 1;
                SendMessageA(target, c.message, c.wParam, 0);
            },
            ::testing::ExitedWithCode(0), "")
            << c.message;
        EXPECT_EQ(storedDword("emuReuseTextures"), 1u) << c.message;
    }
    SendMessageA(window(), WM_ENDSESSION, 0, 0);
    EXPECT_NE(IsWindow(window()), FALSE);
}
