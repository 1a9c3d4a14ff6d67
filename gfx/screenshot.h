// Screenshots: the frame presentFrame last showed, kept in a texture of its
// own, written as PNG files. saveScreenshot (quorl/quorl.h) is the game's
// call; a host asks the game thread for one with requestScreenshot.
#pragma once

#include <GL/gl.h>
#include <cstdint>

// Called by presentFrame on the game thread with the frame about to be shown
// in the GL buffer that shows it (before a swap): copies it into the kept
// frame, then serves a waiting requestScreenshot from it.
void keepShownFrame();

// The texture holding the kept frame (512 x 512, the frame's window rows from
// the bottom up in rows 0 to 271), which presentFrame also enlarges; 0
// before the first frame is kept.
GLuint keptFrameTexture();

// Game thread: saves the kept frame for a waiting requestScreenshot, if any
// (presentFrame, and the pause's hold, where no frame is shown).
void serveScreenshotRequest();

// Forgets the kept frame (initGraphics: a new screen has shown nothing yet).
void forgetShownFrame();

// Writes `width` x `height` pixels (PF_8888 words, rows `width` apart, the
// top row first) to `path` as an 8-bit RGB PNG, alpha dropped: first into a
// temporary file beside it, then renamed over `path`, so that a failed write
// leaves no partial file and an existing file whole. Any thread may call it;
// it touches no shared state. Returns "" on success, otherwise why: "no such
// folder", "cannot write the file", "out of memory".
const char* writePngFile(const char* path, const uint32_t* pixels, int32_t width, int32_t height);

// Where a screenshot request stands (screenshotRequestState).
constexpr int32_t SHOT_NONE = 0;     // none asked for yet
constexpr int32_t SHOT_PENDING = 1;  // waiting for the next presentFrame
constexpr int32_t SHOT_SAVED = 2;    // the last request's file is written
constexpr int32_t SHOT_FAILED = 3;   // the last request failed

// Any thread (a host's F12 key): asks the game thread to save the frame shown
// to `path` as saveScreenshot would, at its next presentFrame (the frame that
// shows then) or within a pause's poll while the game is held.
// Returns nonzero when the request is taken; 0 while another one is still
// pending, or for a null or empty path. The path is copied.
int32_t requestScreenshot(const char* path);

// Any thread: SHOT_NONE, SHOT_PENDING, SHOT_SAVED or SHOT_FAILED for the last
// request. With SHOT_FAILED, `reason` (when not null) receives why, as
// writePngFile says it, NUL-terminated within `size` bytes.
int32_t screenshotRequestState(char* reason, int32_t size);
