// Screenshots. presentFrame copies each frame it shows into a texture of its
// own, on the GPU and without waiting for it, so that the frame last shown
// can be saved at any later time: after a buffer swap the back buffer holds
// nothing defined, a single-buffered screen is being drawn over, and an
// off-screen drawing target may be in GL's buffer. Reading the front buffer
// instead does not work: Mesa's software rasterizer gives zeros for a
// double-buffered window's front buffer. Reading each frame into memory
// (0.025 ms a frame on llvmpipe against 0.3 ms for the copy) made the program
// die of SIGBUS in 6 runs of 70 when the X server went away, where it
// otherwise ends with its settings saved; with the copy, 0 of 120. Saving
// reads the texture back and writes it with libpng under a temporary name,
// then renames the file.
#include "gfx/screenshot.h"

#include <GL/gl.h>
#include <png.h>

#include <atomic>
#include <cerrno>       // Required for: errno
#include <csetjmp>      // Required for: setjmp (libpng's error return)
#include <cstdio>       // Required for: fopen, fclose
#include <cstdlib>      // Required for: malloc, free
#include <cstring>      // Required for: strlen, memcpy
#include <filesystem>   // Required for: rename and remove that replace on every system
#include <mutex>
#include <string>
#include <system_error>

#include "gfx/graphics.h"
#include "gfx/library.h"      // Required for: textureName
#include "gfx/png_loader.h"   // Required for: setLoadError

constexpr int32_t SHOT_TEXTURE_SIDE = 512;  // the power of two that holds 480 x 272
constexpr const char* SHOT_TEMPORARY_SUFFIX = ".quorl-part";
constexpr size_t SHOT_PATH_BYTES = 4096;
// Fast compression: a host's request is written on the game thread between
// two frames. A game screen compresses nearly as well at level 1.
constexpr int SHOT_COMPRESSION_LEVEL = 1;

// The kept frame, game thread only: its texture (made by the first copy) and
// whether it holds a frame shown since initGraphics.
static GLuint shownFrameTexture = 0;
static int32_t shownFrameKept = 0;

// The host's request. `pending` lets presentFrame look without locking every
// frame; the path and outcome are read and written under the lock.
static std::atomic<int32_t> requestPending{0};
static std::mutex requestLock;
static char requestPath[SHOT_PATH_BYTES];
static int32_t requestState = SHOT_NONE;
static const char* requestReason = "";

static void copyShownFrame();
static const char* saveKeptFrame(const char* path);
static const char* writePngRows(const char* path, png_bytep* rows, int32_t width, int32_t height);
static bool encodePng(FILE* file, png_bytep* rows, int32_t width, int32_t height);
static void serveRequest();

int32_t saveScreenshot(const char* path)
{
    const char* reason = saveKeptFrame(path);
    setLoadError(reason);
    return reason[0] == '\0' ? 1 : 0;
}

void keepShownFrame()
{
    copyShownFrame();
    serveScreenshotRequest();
}

void serveScreenshotRequest()
{
    if (requestPending.load(std::memory_order_relaxed) != 0) {
        serveRequest();
    }
}

GLuint keptFrameTexture()
{
    return shownFrameTexture;
}

void forgetShownFrame()
{
    shownFrameKept = 0;
}

const char* writePngFile(const char* path, const uint32_t* pixels, int32_t width, int32_t height)
{
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return "cannot write the file";
    }
    png_bytep* rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (rows == nullptr) {
        return "out of memory";
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(width) * y;
        rows[y] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(row));
    }
    const char* reason = writePngRows(path, rows, width, height);
    std::free(rows);
    return reason;
}

int32_t requestScreenshot(const char* path)
{
    if (path == nullptr || path[0] == '\0' || std::strlen(path) >= SHOT_PATH_BYTES) {
        return 0;
    }
    std::lock_guard<std::mutex> hold(requestLock);
    if (requestState == SHOT_PENDING) {
        return 0;
    }
    std::memcpy(requestPath, path, std::strlen(path) + 1);
    requestState = SHOT_PENDING;
    requestReason = "";
    requestPending.store(1, std::memory_order_relaxed);
    return 1;
}

int32_t screenshotRequestState(char* reason, int32_t size)
{
    std::lock_guard<std::mutex> hold(requestLock);
    if (reason != nullptr && size > 0) {
        size_t length = std::strlen(requestReason);
        length = length < static_cast<size_t>(size) ? length : static_cast<size_t>(size) - 1;
        std::memcpy(reason, requestReason, length);
        reason[length] = '\0';
    }
    return requestState;
}

// Copies the screen buffer about to be shown into the kept frame's texture.
static void copyShownFrame()
{
    // A single-buffered screen with an off-screen target still active: the
    // screen's own pixels are in memory and the target is in GL's buffer.
    // Moving drawing back and forth puts both where they belong again.
    DrawBuffer* target = drawTarget;
    bool offScreen = target != &drawBuffer && target != &displayBuffer;
    if (offScreen) {
        setDrawTarget(&drawBuffer);
    }
    GLint readBuffer = GL_BACK;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glReadBuffer(doubleBuffered != 0 ? GL_BACK : GL_FRONT);
    if (shownFrameTexture == 0) {
        glGenTextures(1, &shownFrameTexture);
        glBindTexture(GL_TEXTURE_2D, shownFrameTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, SHOT_TEXTURE_SIDE, SHOT_TEXTURE_SIDE, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
    } else {
        glBindTexture(GL_TEXTURE_2D, shownFrameTexture);
    }
    // Window rows from the bottom up become texture rows 0 to 271.
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    glBindTexture(GL_TEXTURE_2D, textureName);
    glReadBuffer(static_cast<GLenum>(readBuffer));
    if (offScreen) {
        setDrawTarget(target);
    }
    shownFrameKept = 1;
}

// Reads the kept frame back from its texture and writes it; "" or why not.
static const char* saveKeptFrame(const char* path)
{
    if (shownFrameKept == 0) {
        return "no frame shown yet";
    }
    const size_t bytes = size_t{SHOT_TEXTURE_SIDE} * SHOT_TEXTURE_SIDE * 4;
    uint8_t* texels = static_cast<uint8_t*>(std::malloc(bytes));
    if (texels == nullptr) {
        return "out of memory";
    }
    glBindTexture(GL_TEXTURE_2D, shownFrameTexture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glBindTexture(GL_TEXTURE_2D, textureName);
    // Texture row 0 is the screen's bottom row.
    png_bytep rows[SCREEN_HEIGHT];
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        rows[y] = texels + size_t{SHOT_TEXTURE_SIDE} * 4 * (SCREEN_HEIGHT - 1 - y);
    }
    const char* reason = writePngRows(path, rows, SCREEN_WIDTH, SCREEN_HEIGHT);
    std::free(texels);
    return reason;
}

// Writes rows of red, green, blue and alpha bytes as an RGB PNG: into
// `path` + SHOT_TEMPORARY_SUFFIX, which is then renamed over `path`
// (replacing a file there) or removed on failure.
static const char* writePngRows(const char* path, png_bytep* rows, int32_t width, int32_t height)
{
    if (path == nullptr || path[0] == '\0') {
        return "cannot write the file";
    }
    const std::string temporary = std::string(path) + SHOT_TEMPORARY_SUFFIX;
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return errno == ENOENT || errno == ENOTDIR ? "no such folder" : "cannot write the file";
    }
    bool written = encodePng(file, rows, width, height);
    written = std::fclose(file) == 0 && written;
    std::error_code error;
    if (written) {
        std::filesystem::rename(temporary, path, error);
    }
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        return "cannot write the file";
    }
    return "";
}

// libpng's writer on an open file; false when it fails (a write error
// included: libpng checks every write). Nothing here needs destroying on
// libpng's error return but its own structures.
static bool encodePng(FILE* file, png_bytep* rows, int32_t width, int32_t height)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, SHOT_COMPRESSION_LEVEL);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);  // the rows' fourth byte is dropped
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Writes the kept frame (the one about to be shown) where the host asked and
// records how it went.
static void serveRequest()
{
    char path[SHOT_PATH_BYTES];
    {
        std::lock_guard<std::mutex> hold(requestLock);
        std::memcpy(path, requestPath, sizeof path);
    }
    const char* reason = saveKeptFrame(path);
    std::lock_guard<std::mutex> hold(requestLock);
    requestState = reason[0] == '\0' ? SHOT_SAVED : SHOT_FAILED;
    requestReason = reason;
    requestPending.store(0, std::memory_order_relaxed);
}
