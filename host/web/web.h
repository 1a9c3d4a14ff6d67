// What the browser host's files share. The page's side (page.js, run before
// the program starts) holds the DOM: the canvas, the menu bar, the panels,
// the queue of the page's events and the waits that resolve on the next
// animation frame or a click.
#pragma once

#include <cstdint>

// The kinds of the page's events, as page.js queues them (kind, value, code).
constexpr int32_t WEB_EVENT_KEY_DOWN = 1;         // code: KeyboardEvent.code; value 1: Alt held
constexpr int32_t WEB_EVENT_KEY_UP = 2;
constexpr int32_t WEB_EVENT_KEYS_LOST = 3;        // the canvas lost the keyboard
constexpr int32_t WEB_EVENT_MENU = 4;             // value: the command
constexpr int32_t WEB_EVENT_HIDDEN = 5;           // the tab went to the background
constexpr int32_t WEB_EVENT_SHOWN = 6;
constexpr int32_t WEB_EVENT_FULL_SCREEN_LEFT = 7; // the browser left full screen itself
constexpr int32_t WEB_EVENT_CONTROLS_CELL = 8;    // value: row * 2 + column
constexpr int32_t WEB_EVENT_CONTROLS_DEFAULTS = 9;
constexpr int32_t WEB_EVENT_CONTROLS_OK = 10;
constexpr int32_t WEB_EVENT_CONTROLS_CANCEL = 11;

// Waits for the browser's next animation frame, handing the page back to the
// browser meanwhile, and returns its time (hostCounter's clock, in
// milliseconds), or a negative number when the page woke the wait early
// (it was hidden or shown again). clock.cpp.
double webNextAnimationFrame();

// Hands the events the page has queued since the last call to the library:
// keys, lost focus, menu commands, the page hidden or shown; then looks at a
// screenshot being saved. events.cpp.
void webDeliverEvents();

// Sets the page's title and builds its menu bar from the menu model, marked.
// page.cpp.
void webOpenWindow();

// Shows how the player's screenshot went once it is saved or has failed, if
// one is being watched (watchScreenshot). page.cpp.
void webCheckScreenshot();

// An event while the Controls dialog is open: true when the dialog took it
// (its buttons and cells, and the keys, which act on the dialog and not on
// the game meanwhile). controls.cpp.
bool webControlsEvent(int32_t kind, int32_t value, const char* code);
