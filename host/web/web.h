// What the browser host's files share. The page's side (page.js, run before
// the program starts) holds the DOM: the canvas, the menu bar, the panels,
// the queue of the page's events and the waits that resolve on the next
// animation frame or a click.
#pragma once

#include <cstdint>

// Waits for the browser's next animation frame, handing the page back to the
// browser meanwhile, and returns its time (hostCounter's clock, in
// milliseconds), or a negative number when the page woke the wait early
// (it was hidden or shown again). clock.cpp.
double webNextAnimationFrame();

// Hands the events the page has queued since the last call to the library:
// keys, lost focus, menu commands, the page hidden or shown. events.cpp.
void webDeliverEvents();

// Sets the page's title and builds its menu bar from the menu model, marked.
// page.cpp.
void webOpenWindow();
