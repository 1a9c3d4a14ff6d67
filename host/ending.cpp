// How the program ends, under every host: the two-stage close, and "save the
// settings, then end" for every way out.
#include <cstdio>
#include <string>

#include "host/common.h"
#include "quorl/host.h"

void closeRequest()
{
    if (quitRequested.load(std::memory_order_relaxed) == 0) {
        quitRequested.store(1, std::memory_order_relaxed);
        showWaitOverlay();
        return;
    }
    // The game thread may be held in a pause or busy. Ending it on its own
    // could leave a lock it held (the heap's, say) taken while the settings
    // are saved; ending the whole process ends it too.
    endProcess(0);
}

void endProcess(int32_t exitCode)
{
    saveSettings();
    std::fflush(nullptr);
    hostTerminateProcess(exitCode);
}

void endProgram()
{
    endProcess(0);
}

void endProgramWithCode(int exitCode)
{
    endProcess(exitCode);
}

void endForCallOrder(const char* call, const char* needed)
{
    std::string text = std::string(call) + " was called before " + needed + ": call " + needed +
                       " first, from gameMain.";
    std::fprintf(stderr, "quorl: %s\n", text.c_str());
    wsMessageBox(text.c_str(), "Error");
    endProcess(1);
}
