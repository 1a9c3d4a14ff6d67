// What the library's own modules share of the host side: the game's file
// lookup and the end of a program that was used wrongly. Hosts do not use
// these; they see quorl/host.h.
#pragma once

#include <string>

// The path to open for a game's file `name`: the name itself, unless it is
// a relative name that the working folder lacks and the data-folder rule
// (chooseDataFolder) gave a second folder that holds it.
std::string dataFilePath(const char* name);

// Says on stderr and in a message box that `call` needs `needed` to have run
// first, then ends the process with exit code 1.
[[noreturn]] void endForCallOrder(const char* call, const char* needed);
