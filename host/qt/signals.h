// The ways the process can be told to end from outside the window: the
// termination signals, and a library that calls exit() (Qt and Xlib do when
// the connection to the X server is lost). Each ends the program as a second
// close does (endProcess): the settings are saved and the process ends at
// once, with no static destructor run while the game thread is still going.
// hostTerminateProcess (quorl/host.h) is defined here too.
#pragma once

// Before the QApplication exists: SIGTERM, SIGINT and SIGHUP are caught from
// here on; their handler only hands the request to the first thread.
void catchEndSignals();

// Once the QApplication exists: the first thread ends the program with exit
// code 0 when a caught signal arrives (one that came earlier acts now).
void watchEndSignals();

// Once the window is up: a call to exit() from anywhere saves the settings
// and ends the process with the code it was given.
void endSafelyOnExit();

// Puts that handler first again, if it was set up: what registers an exit
// handler of its own later (the GL driver does when a context is made) would
// otherwise run before it, tearing things down under the running game thread.
void keepExitHandlerFirst();
