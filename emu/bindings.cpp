// Key and pad bindings and the Controls dialog's model. The bindings in force
// live twice: as rows of names (first thread: loading, the dialog, storing)
// and as masks the game thread reads, per key and per pad button the rows it
// presses, rebuilt whole whenever the rows change.
#include "emu/bindings.h"

#include <cctype>   // Required for: tolower
#include <cstring>  // Required for: strlen, strcmp
#include <string>

namespace {

// A key by its KeyboardEvent.code name, the virtual-key code the hosts
// deliver for it, and a short name to show.
struct KeyName {
    const char* code;
    int32_t virtualKey;
    const char* label;
};

struct Row {
    const char* name;   // the store's value name
    const char* label;  // the dialog's
    uint32_t button;    // BTN_* bit; 0 for the stick rows
    const char* defaults;
};

// A row's names, as numbers: a KEY_NAMES index, or KEY_NAME_COUNT + PAD_x.
struct Binding {
    int32_t count;
    int16_t names[ROW_NAMES_MAX];
};

}  // namespace

// Several names may share a code (both Shift keys, both Enter keys: the hosts
// do not tell them apart); the first of them is the one written back.
static const KeyName KEY_NAMES[] = {
    {"Enter", KEY_RETURN, "Enter"}, {"Space", 0x20, "Space"}, {"Tab", 0x09, "Tab"},
    {"Backspace", 0x08, "Backspace"}, {"ArrowLeft", KEY_LEFT, "Left"}, {"ArrowUp", KEY_UP, "Up"},
    {"ArrowRight", KEY_RIGHT, "Right"}, {"ArrowDown", KEY_DOWN, "Down"}, {"Insert", 0x2D, "Insert"},
    {"Delete", 0x2E, "Delete"}, {"Home", 0x24, "Home"}, {"End", 0x23, "End"},
    {"PageUp", 0x21, "Page Up"}, {"PageDown", 0x22, "Page Down"}, {"ShiftLeft", 0x10, "Shift"},
    {"ControlLeft", 0x11, "Ctrl"}, {"MetaLeft", 0x5B, "Meta"}, {"MetaRight", 0x5C, "Right Meta"},
    {"ContextMenu", 0x5D, "Menu"}, {"CapsLock", 0x14, "Caps Lock"}, {"NumLock", 0x90, "Num Lock"},
    {"ScrollLock", 0x91, "Scroll Lock"}, {"Pause", 0x13, "Pause"},
    {"PrintScreen", 0x2C, "Print Screen"}, {"Digit0", '0', "0"}, {"Digit1", '1', "1"},
    {"Digit2", '2', "2"}, {"Digit3", '3', "3"}, {"Digit4", '4', "4"}, {"Digit5", '5', "5"},
    {"Digit6", '6', "6"}, {"Digit7", '7', "7"}, {"Digit8", '8', "8"}, {"Digit9", '9', "9"},
    {"KeyA", 'A', "A"}, {"KeyB", 'B', "B"}, {"KeyC", 'C', "C"}, {"KeyD", 'D', "D"},
    {"KeyE", 'E', "E"}, {"KeyF", 'F', "F"}, {"KeyG", 'G', "G"}, {"KeyH", 'H', "H"},
    {"KeyI", 'I', "I"}, {"KeyJ", 'J', "J"}, {"KeyK", 'K', "K"}, {"KeyL", 'L', "L"},
    {"KeyM", 'M', "M"}, {"KeyN", 'N', "N"}, {"KeyO", 'O', "O"}, {"KeyP", 'P', "P"},
    {"KeyQ", 'Q', "Q"}, {"KeyR", 'R', "R"}, {"KeyS", 'S', "S"}, {"KeyT", 'T', "T"},
    {"KeyU", 'U', "U"}, {"KeyV", 'V', "V"}, {"KeyW", 'W', "W"}, {"KeyX", 'X', "X"},
    {"KeyY", 'Y', "Y"}, {"KeyZ", 'Z', "Z"}, {"Numpad0", KEY_NUMPAD0, "0"},
    {"Numpad1", KEY_NUMPAD0 + 1, "1"}, {"Numpad2", KEY_NUMPAD0 + 2, "2"},
    {"Numpad3", KEY_NUMPAD0 + 3, "3"}, {"Numpad4", KEY_NUMPAD0 + 4, "4"},
    {"Numpad5", KEY_NUMPAD0 + 5, "5"}, {"Numpad6", KEY_NUMPAD0 + 6, "6"},
    {"Numpad7", KEY_NUMPAD0 + 7, "7"}, {"Numpad8", KEY_NUMPAD0 + 8, "8"},
    {"Numpad9", KEY_NUMPAD0 + 9, "9"}, {"NumpadMultiply", 0x6A, "*"}, {"NumpadAdd", 0x6B, "+"},
    {"NumpadSubtract", 0x6D, "-"}, {"NumpadDecimal", 0x6E, "."}, {"NumpadDivide", 0x6F, "/"},
    {"F1", KEY_F1, "F1"}, {"F2", KEY_F1 + 1, "F2"}, {"F3", KEY_F1 + 2, "F3"},
    {"F4", KEY_F1 + 3, "F4"}, {"F5", KEY_F1 + 4, "F5"}, {"F6", KEY_F1 + 5, "F6"},
    {"F7", KEY_F1 + 6, "F7"}, {"F8", KEY_F1 + 7, "F8"}, {"F9", KEY_F1 + 8, "F9"},
    {"F10", KEY_F10, "F10"}, {"F11", KEY_F11, "F11"}, {"F12", KEY_F12, "F12"},
    {"F13", KEY_F1 + 12, "F13"}, {"F14", KEY_F1 + 13, "F14"}, {"F15", KEY_F1 + 14, "F15"},
    {"F16", KEY_F1 + 15, "F16"}, {"F17", KEY_F1 + 16, "F17"}, {"F18", KEY_F1 + 17, "F18"},
    {"F19", KEY_F1 + 18, "F19"}, {"F20", KEY_F1 + 19, "F20"}, {"F21", KEY_F1 + 20, "F21"},
    {"F22", KEY_F1 + 21, "F22"}, {"F23", KEY_F1 + 22, "F23"}, {"F24", KEY_F1 + 23, "F24"},
    {"Semicolon", 0xBA, ";"}, {"Equal", 0xBB, "="}, {"Comma", 0xBC, ","}, {"Minus", 0xBD, "-"},
    {"Period", 0xBE, "."}, {"Slash", 0xBF, "/"}, {"Backquote", 0xC0, "`"},
    {"BracketLeft", 0xDB, "["}, {"Backslash", 0xDC, "\\"}, {"BracketRight", 0xDD, "]"},
    {"Quote", 0xDE, "'"}, {"Escape", KEY_ESCAPE, "Escape"}, {"ShiftRight", 0x10, "Shift"},
    {"ControlRight", 0x11, "Ctrl"}, {"NumpadEnter", KEY_RETURN, "Enter"},
};
static constexpr int32_t KEY_NAME_COUNT = sizeof(KEY_NAMES) / sizeof(KEY_NAMES[0]);

static const char* const PAD_NAMES[PAD_BUTTON_COUNT] = {
    "PadA",   "PadB",           "PadX",            "PadY",      "PadBack",     "PadStart",
    "PadLeftShoulder", "PadRightShoulder", "PadDpadUp", "PadDpadDown", "PadDpadLeft", "PadDpadRight",
};
static const char* const PAD_LABELS[PAD_BUTTON_COUNT] = {
    "A", "B", "X", "Y", "Back", "Start", "Left shoulder", "Right shoulder",
    "D-pad up", "D-pad down", "D-pad left", "D-pad right",
};

// The defaults are the keys the controller always had (keypad digits, with
// the main row's for keyboards without a keypad) and the pad buttons in the
// places a pad's layout suggests.
static const Row ROWS[CONTROL_ROW_COUNT] = {
    {"south", "South", BTN_SOUTH, "Numpad2,Digit2,PadA"},
    {"east", "East", BTN_EAST, "Numpad3,Digit3,PadB"},
    {"west", "West", BTN_WEST, "Numpad1,Digit1,PadX"},
    {"north", "North", BTN_NORTH, "Numpad5,Digit5,PadY"},
    {"up", "Up", BTN_UP, "ArrowUp,PadDpadUp"},
    {"down", "Down", BTN_DOWN, "ArrowDown,PadDpadDown"},
    {"left", "Left", BTN_LEFT, "ArrowLeft,PadDpadLeft"},
    {"right", "Right", BTN_RIGHT, "ArrowRight,PadDpadRight"},
    {"l", "L", BTN_L, "Numpad4,Digit4,PadLeftShoulder"},
    {"r", "R", BTN_R, "Numpad6,Digit6,PadRightShoulder"},
    {"start", "Start", BTN_START, "Enter,PadStart"},
    {"select", "Select", BTN_SELECT, "Numpad0,Digit0,PadBack"},
    {"stickLeft", "Stick left", 0, "KeyA"},
    {"stickRight", "Stick right", 0, "KeyD"},
    {"stickUp", "Stick up", 0, "KeyW"},
    {"stickDown", "Stick down", 0, "KeyS"},
};
static const char* const CONTROLS_GROUP = "Controls";
static constexpr int32_t STORED_TEXT_BYTES = 512;
static const char* const IDLE_STATUS = "Click a cell, then press the key (or pad button) for it.";

std::atomic<int32_t> padButtonsHeld{0};

// What the game thread reads: the rows each key and each pad button presses,
// and the first key of each row (a KEY_NAMES index, or -1).
static std::atomic<int32_t> keyRows[KEY_TABLE_SIZE];
static std::atomic<int32_t> padRows[PAD_BUTTON_COUNT];
static std::atomic<int32_t> firstKeyOfRow[CONTROL_ROW_COUNT];

// First thread only.
static Binding bindingsInForce[CONTROL_ROW_COUNT];
static Binding editing[CONTROL_ROW_COUNT];  // the dialog's copy
static int32_t waitingRow = -1;
static int32_t waitingColumn = CONTROL_KEYS;
static std::string statusText = IDLE_STATUS;
static std::string shownText;  // what controlsCellText and bindingText return

static void controlsPadButton(int32_t padButton);
static Binding defaultBinding(int32_t row);
static Binding parseBinding(const char* text, bool* unknownSeen);
static void addName(Binding* binding, int32_t name);
static int32_t nameNumber(const std::string& name);
static int32_t keyNameOfVirtualKey(int32_t virtualKey);
static bool isPad(int32_t name);
static bool bindable(int32_t virtualKey);
static std::string keyDialogLabel(int32_t name);
static std::string bindingCode(const Binding& binding);
static bool sameBinding(const Binding& a, const Binding& b);
static void putInForce(const Binding* rows);
static bool validCell(int32_t row, int32_t column);

// The defaults are in force from the start, before anything is loaded.
[[maybe_unused]] static const bool defaultsInForce = (resetBindings(), true);

uint32_t rowsPressed(const bool* keysDown, uint32_t padMask)
{
    uint32_t rows = 0;
    for (int32_t key = 0; key < KEY_TABLE_SIZE; ++key) {
        if (keysDown[key]) {
            rows |= static_cast<uint32_t>(keyRows[key].load(std::memory_order_relaxed));
        }
    }
    for (int32_t pad = 0; pad < PAD_BUTTON_COUNT; ++pad) {
        if (padMask & (1u << pad)) {
            rows |= static_cast<uint32_t>(padRows[pad].load(std::memory_order_relaxed));
        }
    }
    return rows;
}

int32_t virtualKeyOfCode(const char* code)
{
    if (code == nullptr) {
        return -1;
    }
    for (const KeyName& key : KEY_NAMES) {
        if (strcmp(key.code, code) == 0) {
            return key.virtualKey;
        }
    }
    return -1;
}

uint32_t buttonsOfRows(uint32_t rows)
{
    uint32_t buttons = 0;
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        if (rows & (1u << row)) {
            buttons |= ROWS[row].button;
        }
    }
    return buttons;
}

const char* buttonKeyName(int32_t button)
{
    for (const Row& row : ROWS) {
        if (row.button != 0 && row.button == static_cast<uint32_t>(button)) {
            int32_t key = firstKeyOfRow[&row - ROWS].load(std::memory_order_relaxed);
            return key >= 0 ? KEY_NAMES[key].label : "";
        }
    }
    return "";
}

void loadBindings()
{
    Binding loaded[CONTROL_ROW_COUNT];
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        char text[STORED_TEXT_BYTES];
        bool unknownSeen = false;
        if (storeReadText(CONTROLS_GROUP, ROWS[row].name, text, sizeof(text)) < 0) {
            loaded[row] = defaultBinding(row);
            continue;
        }
        loaded[row] = parseBinding(text, &unknownSeen);
        if (unknownSeen) {
            // A name this program does not know (a typing error, a key of a
            // newer version) must not leave the button without its keys.
            Binding defaults = defaultBinding(row);
            for (int32_t i = 0; i < defaults.count; ++i) {
                addName(&loaded[row], defaults.names[i]);
            }
        }
    }
    putInForce(loaded);
}

void resetBindings()
{
    Binding defaults[CONTROL_ROW_COUNT];
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        defaults[row] = defaultBinding(row);
    }
    putInForce(defaults);
}

const char* bindingText(int32_t row)
{
    shownText = row >= 0 && row < CONTROL_ROW_COUNT ? bindingCode(bindingsInForce[row]) : "";
    return shownText.c_str();
}

const char* controlRowLabel(int32_t row)
{
    return row >= 0 && row < CONTROL_ROW_COUNT ? ROWS[row].label : "";
}

void controlsBegin()
{
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        editing[row] = bindingsInForce[row];
    }
    waitingRow = -1;
    statusText = IDLE_STATUS;
}

const char* controlsCellText(int32_t row, int32_t column)
{
    shownText.clear();
    if (!validCell(row, column)) {
        return shownText.c_str();
    }
    if (row == waitingRow && column == waitingColumn) {
        shownText = column == CONTROL_KEYS ? "Press a key..." : "Press a pad button...";
        return shownText.c_str();
    }
    const Binding& binding = editing[row];
    for (int32_t i = 0; i < binding.count; ++i) {
        int32_t name = binding.names[i];
        if (isPad(name) != (column == CONTROL_PAD)) {
            continue;
        }
        shownText += shownText.empty() ? "" : ", ";
        shownText += isPad(name) ? PAD_LABELS[name - KEY_NAME_COUNT] : keyDialogLabel(name);
    }
    if (shownText.empty()) {
        shownText = "-";
    }
    return shownText.c_str();
}

const char* controlsStatus()
{
    return statusText.c_str();
}

void controlsClick(int32_t row, int32_t column)
{
    if (!validCell(row, column)) {
        return;
    }
    waitingRow = row;
    waitingColumn = column;
    statusText = std::string(column == CONTROL_KEYS ? "Press a key for " : "Press a pad button for ") +
                 ROWS[row].label + " (Escape: leave it as it is).";
}

int32_t controlsWaiting()
{
    return waitingRow >= 0 ? 1 : 0;
}

void controlsKey(int32_t virtualKey)
{
    if (waitingRow < 0) {
        return;
    }
    if (virtualKey == KEY_ESCAPE) {
        waitingRow = -1;
        statusText = IDLE_STATUS;
        return;
    }
    const char* label = ROWS[waitingRow].label;
    if (waitingColumn == CONTROL_PAD) {
        statusText = std::string("Press a button on a game pad for ") + label + ", or Escape.";
        return;
    }
    int32_t name = keyNameOfVirtualKey(virtualKey);
    if (name < 0 || !bindable(virtualKey)) {
        statusText = (name < 0 ? std::string("That key") : std::string(KEY_NAMES[name].label)) +
                     " cannot be bound: press another key for " + label + ".";
        return;
    }
    // One key presses one row: it leaves the row that had it.
    for (Binding& binding : editing) {
        Binding kept = {};
        for (int32_t i = 0; i < binding.count; ++i) {
            int32_t other = binding.names[i];
            if (isPad(other) || KEY_NAMES[other].virtualKey != virtualKey) {
                addName(&kept, other);
            }
        }
        binding = kept;
    }
    Binding& row = editing[waitingRow];
    Binding bound = {};
    addName(&bound, name);
    for (int32_t i = 0; i < row.count; ++i) {
        if (isPad(row.names[i])) {
            addName(&bound, row.names[i]);
        }
    }
    row = bound;
    waitingRow = -1;
    statusText = std::string(label) + ": " + keyDialogLabel(name) + ".";
}

int32_t controlsPadPoll()
{
    // The game thread reads the pads; a button counts once, when it goes down.
    static uint32_t heldBefore = 0;  // first thread only
    uint32_t held = static_cast<uint32_t>(padButtonsHeld.load(std::memory_order_relaxed));
    uint32_t wentDown = held & ~heldBefore;
    heldBefore = held;
    if (wentDown == 0 || waitingRow < 0 || waitingColumn != CONTROL_PAD) {
        return 0;
    }
    int32_t button = 0;
    while ((wentDown & (1u << button)) == 0) {
        ++button;
    }
    controlsPadButton(button);
    return 1;
}

// A pad button for the waiting pad cell: binds it to that row in place of the
// row's pad buttons, and takes it from every other row.
static void controlsPadButton(int32_t padButton)
{
    if (waitingRow < 0 || waitingColumn != CONTROL_PAD || padButton < 0 || padButton >= PAD_BUTTON_COUNT) {
        return;
    }
    int32_t name = KEY_NAME_COUNT + padButton;
    for (Binding& binding : editing) {
        Binding kept = {};
        for (int32_t i = 0; i < binding.count; ++i) {
            if (binding.names[i] != name) {
                addName(&kept, binding.names[i]);
            }
        }
        binding = kept;
    }
    Binding& row = editing[waitingRow];
    Binding bound = {};
    for (int32_t i = 0; i < row.count; ++i) {
        if (!isPad(row.names[i])) {
            addName(&bound, row.names[i]);
        }
    }
    addName(&bound, name);
    row = bound;
    statusText = std::string(ROWS[waitingRow].label) + ": " + PAD_LABELS[padButton] + ".";
    waitingRow = -1;
}

void controlsDefaults()
{
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        editing[row] = defaultBinding(row);
    }
    waitingRow = -1;
    statusText = "Every control has its default keys and pad button.";
}

// A row the player did not change keeps its stored text as it was, unknown
// names and all.
void controlsAccept()
{
    waitingRow = -1;
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        if (!sameBinding(editing[row], bindingsInForce[row])) {
            storeWriteText(CONTROLS_GROUP, ROWS[row].name, bindingCode(editing[row]).c_str());
        }
    }
    putInForce(editing);
}

void controlsCancel()
{
    waitingRow = -1;
    statusText = IDLE_STATUS;
}

static Binding defaultBinding(int32_t row)
{
    bool unknownSeen = false;
    return parseBinding(ROWS[row].defaults, &unknownSeen);
}

// Names are separated by commas, with any spaces around them; empty items
// are skipped, so "" binds nothing. Names that cannot be bound count as
// unknown.
static Binding parseBinding(const char* text, bool* unknownSeen)
{
    Binding binding = {};
    std::string item;
    for (const char* at = text;; ++at) {
        if (*at != ',' && *at != '\0') {
            item += *at;
            continue;
        }
        size_t first = item.find_first_not_of(" \t");
        size_t last = item.find_last_not_of(" \t");
        if (first != std::string::npos) {
            int32_t name = nameNumber(item.substr(first, last - first + 1));
            if (name < 0) {
                *unknownSeen = true;
            } else {
                addName(&binding, name);
            }
        }
        item.clear();
        if (*at == '\0') {
            break;
        }
    }
    return binding;
}

static void addName(Binding* binding, int32_t name)
{
    for (int32_t i = 0; i < binding->count; ++i) {
        if (binding->names[i] == name) {
            return;
        }
    }
    if (binding->count < ROW_NAMES_MAX) {
        binding->names[binding->count++] = static_cast<int16_t>(name);
    }
}

// Case does not matter to a person editing the store: "keyz" is KeyZ.
static int32_t nameNumber(const std::string& name)
{
    auto sameName = [&name](const char* known) {
        if (strlen(known) != name.size()) {
            return false;
        }
        for (size_t i = 0; i < name.size(); ++i) {
            if (tolower(static_cast<unsigned char>(name[i])) != tolower(static_cast<unsigned char>(known[i]))) {
                return false;
            }
        }
        return true;
    };
    for (int32_t i = 0; i < KEY_NAME_COUNT; ++i) {
        if (sameName(KEY_NAMES[i].code)) {
            return bindable(KEY_NAMES[i].virtualKey) ? i : -1;
        }
    }
    for (int32_t pad = 0; pad < PAD_BUTTON_COUNT; ++pad) {
        if (sameName(PAD_NAMES[pad])) {
            return KEY_NAME_COUNT + pad;
        }
    }
    return -1;
}

static int32_t keyNameOfVirtualKey(int32_t virtualKey)
{
    for (int32_t i = 0; i < KEY_NAME_COUNT; ++i) {
        if (KEY_NAMES[i].virtualKey == virtualKey) {
            return i;
        }
    }
    return -1;
}

static bool isPad(int32_t name)
{
    return name >= KEY_NAME_COUNT;
}

// Escape asks to close, F10 opens the menu, F11 is full screen and F12 is
// kept for screenshots: a game never sees them.
static bool bindable(int32_t virtualKey)
{
    return virtualKey != KEY_ESCAPE && virtualKey != KEY_F10 && virtualKey != KEY_F11 && virtualKey != KEY_F12;
}

static std::string keyDialogLabel(int32_t name)
{
    const KeyName& key = KEY_NAMES[name];
    bool keypad = std::string(key.code).compare(0, 6, "Numpad") == 0 && key.virtualKey != KEY_RETURN;
    return keypad ? std::string("Keypad ") + key.label : std::string(key.label);
}

static std::string bindingCode(const Binding& binding)
{
    std::string code;
    for (int32_t i = 0; i < binding.count; ++i) {
        int32_t name = binding.names[i];
        code += code.empty() ? "" : ",";
        code += isPad(name) ? PAD_NAMES[name - KEY_NAME_COUNT] : KEY_NAMES[name].code;
    }
    return code;
}

static bool sameBinding(const Binding& a, const Binding& b)
{
    if (a.count != b.count) {
        return false;
    }
    for (int32_t i = 0; i < a.count; ++i) {
        if (a.names[i] != b.names[i]) {
            return false;
        }
    }
    return true;
}

// Rebuilds the game thread's masks from the rows; each is written whole.
static void putInForce(const Binding* rows)
{
    int32_t keyMasks[KEY_TABLE_SIZE] = {};
    int32_t padMasks[PAD_BUTTON_COUNT] = {};
    for (int32_t row = 0; row < CONTROL_ROW_COUNT; ++row) {
        bindingsInForce[row] = rows[row];
        int32_t firstKey = -1;
        for (int32_t i = 0; i < rows[row].count; ++i) {
            int32_t name = rows[row].names[i];
            if (isPad(name)) {
                padMasks[name - KEY_NAME_COUNT] |= 1 << row;
                continue;
            }
            keyMasks[KEY_NAMES[name].virtualKey] |= 1 << row;
            if (firstKey < 0) {
                firstKey = name;
            }
        }
        firstKeyOfRow[row].store(firstKey, std::memory_order_relaxed);
    }
    for (int32_t key = 0; key < KEY_TABLE_SIZE; ++key) {
        keyRows[key].store(keyMasks[key], std::memory_order_relaxed);
    }
    for (int32_t pad = 0; pad < PAD_BUTTON_COUNT; ++pad) {
        padRows[pad].store(padMasks[pad], std::memory_order_relaxed);
    }
}

static bool validCell(int32_t row, int32_t column)
{
    return row >= 0 && row < CONTROL_ROW_COUNT && (column == CONTROL_KEYS || column == CONTROL_PAD);
}
