// Screenshots on a real GL context: the PNG file a screenshot writes is read
// back and compared, pixel for pixel, with the frame that was shown, in
// every screen mode; files that cannot be written; a host's request.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "gfx/graphics.h"
#include "gfx/screenshot.h"
#include "quorl/quorl.h"
#include "tests/png_writer.h"
#include "tests/support/headless_seam.h"

namespace {

namespace fs = std::filesystem;

const uint32_t BLUE = makeColor(0, 0, 255, 255);
const uint32_t RED = makeColor(255, 0, 0, 255);
const uint32_t GREEN = makeColor(0, 255, 0, 255);
const uint32_t YELLOW = makeColor(255, 255, 0, 255);
const uint32_t WHITE = makeColor(255, 255, 255, 255);

// A frame that shows its orientation: a red block off-centre, green down the
// left column, yellow along the bottom row; `shift` moves the block.
uint32_t patternPixel(int32_t x, int32_t y, int32_t shift)
{
    if (x == 0) {
        return GREEN;
    }
    if (y == SCREEN_HEIGHT - 1) {
        return YELLOW;
    }
    bool block = x >= 100 + shift && x < 200 + shift && y >= 50 && y < 130;
    return block ? RED : BLUE;
}

void drawPattern(int32_t shift)
{
    startDrawing();
    fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, BLUE);
    fillRect(100 + shift, 50, 100, 80, RED);
    fillRect(0, 0, 1, SCREEN_HEIGHT, GREEN);
    fillRect(1, SCREEN_HEIGHT - 1, SCREEN_WIDTH - 1, 1, YELLOW);
}

// Pixels of the PNG file at `path` that differ from the pattern (-1 when it
// is no 480 x 272 picture); the file must be 8-bit RGB.
int32_t differencesFromPattern(const char* path, int32_t shift)
{
    std::vector<uint8_t> bytes = readBytes(path);
    if (bytes.size() < 26 || bytes[24] != 8 || bytes[25] != PNG_COLOR_TYPE_RGB) {
        return -1;
    }
    Image* shot = loadImage(path, PF_8888);
    if (shot == nullptr || shot->width != SCREEN_WIDTH || shot->height != SCREEN_HEIGHT) {
        releaseImage(shot);
        return -1;
    }
    int32_t differing = 0;
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        for (int32_t x = 0; x < SCREEN_WIDTH; ++x) {
            uint32_t got = static_cast<uint32_t*>(shot->pixels)[y * shot->bufferWidth + x];
            differing += got != patternPixel(x, y, shift);
        }
    }
    releaseImage(shot);
    return differing;
}

class Screenshot : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        ASSERT_TRUE(enterScratchDirectory(&scratch, "quorl-shot"));
    }
    void TearDown() override
    {
        setDrawTarget(&drawBuffer);
        initGraphics(PF_8888, 1);
        leaveScratchDirectory(scratch);
    }

    ScratchDirectory scratch;
};

struct ModeCase {
    const char* label;
    int32_t screenFormat;
    int32_t doubleBuffer;
    bool targetAtPresent;  // an off-screen target is still active when the frame is shown
    bool targetAtSave;     // one is active when the screenshot is taken
};

// The file holds the frame shown, not what was drawn after it, whatever the
// buffering and drawing target (a target's pixels sit in GL's buffer while
// it is active); a target left active keeps its pixels.
TEST_F(Screenshot, SavesTheFrameLastShownInEveryMode)
{
    const ModeCase cases[] = {
        {"double-buffered", PF_8888, 1, false, false},
        {"single-buffered", PF_8888, 0, false, false},
        {"16-bit screen", PF_5650, 1, false, false},
        {"double-buffered, a target active when saving", PF_8888, 1, false, true},
        {"single-buffered, a target active when shown", PF_8888, 0, true, false},
        {"single-buffered, a target active throughout", PF_8888, 0, true, true},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.label);
        initGraphics(c.screenFormat, c.doubleBuffer);
        Image* target = createDrawTarget(32, 32, PF_8888, 1);
        ASSERT_NE(target, nullptr);
        drawPattern(0);
        if (c.targetAtPresent) {
            setDrawTarget(target);
            fillRect(4, 4, 8, 8, GREEN);
        }
        syncFrame(frameSkip, maxFrameSkip, vsyncFlags);
        // The next frame: the screen covered, maybe the target drawn into.
        setDrawTarget(c.targetAtSave ? target : &drawBuffer);
        fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, WHITE);
        ASSERT_NE(saveScreenshot("shot.png"), 0) << lastLoadError();
        EXPECT_STREQ(lastLoadError(), "");
        EXPECT_EQ(differencesFromPattern("shot.png", 0), 0);
        setDrawTarget(&drawBuffer);
        uint32_t kept = static_cast<uint32_t*>(target->pixels)[6 * target->bufferWidth + 6];
        EXPECT_EQ(kept & 0xFFFFFF, (c.targetAtSave ? WHITE : c.targetAtPresent ? GREEN : 0) & 0xFFFFFF);
        releaseImage(target);
    }
}

// A file in the way is replaced; a path that cannot be written gives 0 and
// the reason, and leaves nothing behind.
TEST_F(Screenshot, ReplacesAFileAndRefusesPathsThatCannotBeWritten)
{
    initGraphics(PF_8888, 1);
    EXPECT_EQ(saveScreenshot("early.png"), 0);
    EXPECT_STREQ(lastLoadError(), "no frame shown yet");
    drawPattern(0);
    presentFrame();

    ASSERT_TRUE(writeBytes("shot.png", {'o', 'l', 'd'}));
    ASSERT_TRUE(writeBytes("plain.txt", {'x'}));
    fs::create_directory("folder");
    struct Case {
        const char* path;
        const char* error;  // "" when it is written
    };
    const Case cases[] = {
        {"shot.png", ""},
        {"missing/shot.png", "no such folder"},
        {"plain.txt/shot.png", "no such folder"},
        {"folder", "cannot write the file"},
        {"", "cannot write the file"},
        {nullptr, "cannot write the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path != nullptr ? c.path : "null");
        EXPECT_EQ(saveScreenshot(c.path), c.error[0] == '\0' ? 1 : 0);
        EXPECT_STREQ(lastLoadError(), c.error);
    }
    EXPECT_EQ(differencesFromPattern("shot.png", 0), 0);
    EXPECT_TRUE(fs::is_directory("folder"));
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder", "plain.txt", "shot.png"}));

#ifndef _WIN32
    // A write that fails part-way (the file-size limit: too large after 64
    // bytes) keeps the file that was there whole and leaves no other.
    const std::vector<uint8_t> before = readBytes("shot.png");
    rlimit limit = {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    rlimit tight = {64, limit.rlim_max};
    signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    int32_t saved = saveScreenshot("shot.png");
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(saved, 0);
    EXPECT_STREQ(lastLoadError(), "cannot write the file");
    EXPECT_EQ(readBytes("shot.png"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 3);
#endif

    // The writer a host can call on pixels of its own, alpha dropped.
    const uint32_t pixels[4] = {RED, GREEN & 0x00FFFFFF, BLUE, WHITE};
    EXPECT_STREQ(writePngFile("small.png", pixels, 2, 2), "");
    Image* small = loadImage("small.png", PF_8888);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(static_cast<uint32_t*>(small->pixels)[1], GREEN);
    EXPECT_EQ(static_cast<uint32_t*>(small->pixels)[small->bufferWidth], BLUE);
    releaseImage(small);
}

// Another thread asks; the game thread writes the next frame it shows.
TEST_F(Screenshot, AHostsRequestIsServedAtTheNextFrameShown)
{
    initGraphics(PF_8888, 1);
    drawPattern(0);
    presentFrame();
    std::thread host([] {
        EXPECT_NE(requestScreenshot("host.png"), 0);
        EXPECT_EQ(requestScreenshot("other.png"), 0);  // one at a time
        EXPECT_EQ(screenshotRequestState(nullptr, 0), SHOT_PENDING);
    });
    host.join();
    EXPECT_FALSE(fs::exists("host.png"));
    drawPattern(40);
    presentFrame();
    EXPECT_EQ(screenshotRequestState(nullptr, 0), SHOT_SAVED);
    EXPECT_EQ(differencesFromPattern("host.png", 40), 0);
    EXPECT_FALSE(fs::exists("other.png"));

    std::thread failing([] { EXPECT_NE(requestScreenshot("missing/host.png"), 0); });
    failing.join();
    presentFrame();
    char reason[8];
    EXPECT_EQ(screenshotRequestState(reason, sizeof reason), SHOT_FAILED);
    EXPECT_STREQ(reason, "no such");  // cut to fit, NUL-terminated
    EXPECT_EQ(requestScreenshot(""), 0);
    EXPECT_EQ(requestScreenshot(nullptr), 0);
}

}  // namespace
