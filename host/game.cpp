// What the library does for the game under every host: the game thread's
// run, the game's names with their defaults, and messages to the player.
#include "emu/timing.h"
#include "quorl/host.h"

static const char* textOr(const char* text, const char* fallback);

void gameThreadEntry()
{
    captureTimeBase();
    gameMain();
    endProgram();
}

const char* gameWindowTitle()
{
    return textOr(gameInfo.windowTitle, "Quorl");
}

const char* gameOrganization()
{
    return textOr(gameInfo.organization, "Quorl");
}

const char* gameApplication()
{
    return textOr(gameInfo.application, "Configuration");
}

void showMessage(const char* text, const char* caption)
{
    wsMessageBox(text != nullptr ? text : "", caption != nullptr ? caption : "");
}

static const char* textOr(const char* text, const char* fallback)
{
    return text != nullptr && text[0] != '\0' ? text : fallback;
}
