// What both headless seams (X11 and Windows) share: the log a test reads,
// the switches it sets, and the seam calls that only write to the log.
#include <cstdio>  // Required for: fprintf

#include "tests/support/headless_seam.h"

HeadlessSeamLog headlessLog = {};
int32_t headlessForcedResult = WS_OK;
bool headlessSingleBufferOnly = false;
const PixelFormatDescription* headlessDescribeOverride = nullptr;

bool headlessForcedAtSelection()
{
    return headlessForcedResult == WS_NO_PIXEL_FORMAT || headlessForcedResult == WS_PIXEL_FORMAT_REFUSED;
}

// No window system is asked for a palette: a true-colour test display has
// no use for one, and a test reads what would have been set.
void wsSetPalette(const PaletteEntry* entries, int32_t count)
{
    ++headlessLog.paletteCount;
    headlessLog.lastPalette.assign(entries, entries + (count > 0 ? count : 0));
}

// Never blocks: the box is counted, kept and printed on stderr.
void wsMessageBox(const char* text, const char* caption)
{
    ++headlessLog.messageCount;
    headlessLog.lastMessageText = text != nullptr ? text : "";
    headlessLog.lastMessageCaption = caption != nullptr ? caption : "";
    fprintf(stderr, "message box \"%s\": %s\n", headlessLog.lastMessageCaption.c_str(),
            headlessLog.lastMessageText.c_str());
}
