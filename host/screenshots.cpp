// Screenshots the player takes (F12, Application > Save screenshot): named
// after the game and the time, in the player's pictures folder, saved by the
// game thread from the frame it shows, the outcome shown by the host.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "gfx/screenshot.h"
#include "quorl/host.h"

constexpr int32_t PICTURES_PATH_BYTES = 4096;

// First thread only: the file asked for, and a failure found before asking.
static std::string requestedFile;
static std::string failure;

static std::string timeStamp();

void saveScreenshotForPlayer()
{
    char pictures[PICTURES_PATH_BYTES];
    failure.clear();
    if (hostPicturesFolder(pictures, sizeof(pictures)) < 0) {
        failure = "The screenshot could not be saved: there is no pictures folder.";
        watchScreenshot();
        return;
    }
    std::filesystem::path folder = std::filesystem::u8path(pictures) / gameApplication();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        failure = "The screenshot could not be saved: the folder " + folder.u8string() + " cannot be made.";
        watchScreenshot();
        return;
    }
    requestedFile = std::string(gameApplication()) + "-" + timeStamp() + ".png";
    // While one is being saved another press is not taken.
    if (requestScreenshot((folder / std::filesystem::u8path(requestedFile)).u8string().c_str()) != 0) {
        watchScreenshot();
    }
}

int32_t screenshotOutcome(char* text, int32_t size)
{
    char reason[256] = "";
    std::string said;
    int32_t state = SCREENSHOT_FAILED;
    if (!failure.empty()) {
        said = failure;
    } else {
        switch (screenshotRequestState(reason, sizeof(reason))) {
        case SHOT_PENDING:
            state = SCREENSHOT_PENDING;
            break;
        case SHOT_SAVED:
            state = SCREENSHOT_SAVED;
            said = "Saved " + requestedFile;
            break;
        default:
            said = "The screenshot " + requestedFile + " could not be saved: " + reason + ".";
            break;
        }
    }
    if (text != nullptr && size > 0) {
        size_t copied = said.copy(text, static_cast<size_t>(size - 1));
        text[copied] = '\0';
    }
    return state;
}

// Local time to the millisecond, YYYYMMDD-HHMMSS-mmm: names sort by time.
static std::string timeStamp()
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    int milliseconds = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local = *std::localtime(&seconds);  // first thread only
    char stamp[64];
    std::snprintf(stamp, sizeof(stamp), "%04d%02d%02d-%02d%02d%02d-%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, milliseconds);
    return stamp;
}
