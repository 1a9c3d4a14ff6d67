// Quorl: what a game written on the library uses.
//
// A game is a program with one function of its own, gameMain, and one record,
// gameInfo. The host (linked as Quorl::host) owns the process: it opens the
// 480 x 272 window with its menu, loads the emulation settings, and runs
// gameMain on a thread of its own, the game thread. Every call below is made
// on that thread.
//
// A game's frame loop, after initLibrary() and initGraphics(PF_8888, 1):
//
//     while (quitRequested.load(std::memory_order_relaxed) == 0) {
//         readController();                            // keys -> buttons
//         ... move things by controller->held / controller->pressed ...
//         startDrawing();
//         ... fillRect, drawImage, drawText ...
//         endDrawing();
//         syncFrame(frameSkip, maxFrameSkip, vsyncFlags);  // wait, show
//     }
//     endProgram();
//
// Screen coordinates are pixels, origin at the top-left corner, y downwards.
// Colours are 32-bit values with red in bits 0-7, green 8-15, blue 16-23 and
// alpha 24-31 (makeColor builds one). Pictures and other files are read from
// the working directory unless a path says otherwise.
//
// Order of calls: initLibrary comes before every other call below but
// endProgram, showMessage, the loaders, createImage and makeColor;
// initGraphics before any drawing, readController and syncFrame after
// initLibrary. A call made too early says so on stderr and in a message box
// and ends the program with exit code 1.
#pragma once

#include <atomic>
#include <cstdint>

// ---- The program ----------------------------------------------------------------

// The names the host gives the program: the window's title and where its
// settings are stored (organization / application: on Linux the file
// <config dir>/<organization>/<application>.conf). `dataDirectory`, if not
// null, is the game's folder of pictures relative to the install prefix
// (e.g. "share/mygame"): when the program runs as <prefix>/bin/<name> and
// that folder exists, it becomes the working directory before gameMain runs.
struct GameInfo {
    const char* windowTitle;
    const char* organization;
    const char* application;
    const char* dataDirectory;
};

// Defined by the game, like gameMain; read by the host before the window opens.
extern const GameInfo gameInfo;

// Defined by the game: its whole run, on the game thread. Returning from it
// ends the program as endProgram does.
void gameMain();

// Nonzero once the player has asked to quit (Escape, the window's close box,
// Application > Quit). The game ends its loop and calls endProgram; a second
// request ends the process at once. Shared with the window's thread: read it
// whole with relaxed ordering.
extern std::atomic<int32_t> quitRequested;

// The emulation menu's pause state: PAUSE_RUNNING, PAUSE_PAUSED or PAUSE_STEP.
// syncFrame holds the game thread while paused; a game only reads it.
extern std::atomic<int32_t> pauseState;
constexpr int32_t PAUSE_RUNNING = 0;
constexpr int32_t PAUSE_PAUSED = 1;
constexpr int32_t PAUSE_STEP = 2;

// Saves the settings and ends the process with exit code 0. Does not return.
[[noreturn]] void endProgram();

// Saves the settings and ends the process with the given exit code, for a
// game that cannot go on (a picture is missing). Does not return.
[[noreturn]] void endProgramWithCode(int exitCode);

// Shows `text` to the player in a box titled `caption` with an OK button, and
// returns once it is closed; the game waits meanwhile (the window still takes
// a close request). Works before initLibrary too.
void showMessage(const char* text, const char* caption);

// ---- Start-up and the frame -----------------------------------------------------

constexpr int32_t SCREEN_WIDTH = 480;
constexpr int32_t SCREEN_HEIGHT = 272;

// Starts the library: the controller, the frame-sync settings below, the GL
// context on the window. Call it once, first, from gameMain. When the window
// system gives no GL context, a message box says which step failed and the
// game goes on without drawing anything (its loop and input still run).
void initLibrary();

// Sets up the screen after initLibrary: `pixelFormat` of the screen buffers
// (PF_8888 is the usual choice), double buffering when `doubleBuffer` is
// nonzero. Clears the screen to black, waits for a vertical blank and leaves
// drawing started. The game always draws 480 x 272 pixels; a double-buffered
// screen is shown enlarged when the player makes the window larger (2x, full
// screen), a single-buffered one stays as drawn, in the area's bottom-left
// corner.
void initGraphics(int32_t pixelFormat, int32_t doubleBuffer);

// Begins a frame's drawing: the colour tint goes back to opaque white and
// blending to ordinary alpha blending. Does nothing while drawing is started.
void startDrawing();

// Ends a frame's drawing: waits until GL has drawn everything queued.
void endDrawing();

// The frame-sync settings initLibrary sets (no skipping, at most 5 frames
// skipped, fixed 60 Hz rate); pass them to syncFrame unless the game wants
// frame skipping of its own.
extern int32_t frameSkip;
extern int32_t maxFrameSkip;
extern int32_t vsyncFlags;
constexpr int32_t VSYNC_FIXED_RATE = 4;

// Ends a frame: waits for the next vertical blank (60 per second), shows the
// drawn frame and holds the thread while the emulation is paused. Returns
// nonzero when the next frame is to be skipped (only with frame skipping on).
int32_t syncFrame(int32_t frameSkipArg, int32_t maxFrameSkipArg, int32_t vsyncFlagsArg);

// Vertical blanks since the game thread started, for animation: 60 per
// second by the clock (with the menu's Frameskip set to "None", one per frame
// shown instead). Updated by syncFrame.
extern int32_t vblankCount;

// Seconds since the game thread started, from a monotonic clock with
// microsecond resolution.
double elapsedSeconds();

// The library's end call, before endProgram: nothing to release on this back end.
void endLibrary();

// ---- The controller -------------------------------------------------------------

// Button bits of ControllerState's masks, and the keys that press them
// unless the player binds others (Application > Controls...): arrows for the
// d-pad, keypad (or main-row) 0 SELECT, Return START, 4 L, 6 R, 5 NORTH,
// 3 EAST, 2 SOUTH, 1 WEST; A D W S move the stick.
constexpr uint32_t BTN_SELECT = 0x0001;
constexpr uint32_t BTN_START = 0x0008;
constexpr uint32_t BTN_UP = 0x0010;
constexpr uint32_t BTN_RIGHT = 0x0020;
constexpr uint32_t BTN_DOWN = 0x0040;
constexpr uint32_t BTN_LEFT = 0x0080;
constexpr uint32_t BTN_L = 0x0100;
constexpr uint32_t BTN_R = 0x0200;
constexpr uint32_t BTN_NORTH = 0x1000;
constexpr uint32_t BTN_EAST = 0x2000;
constexpr uint32_t BTN_SOUTH = 0x4000;
constexpr uint32_t BTN_WEST = 0x8000;

// Auto-repeat is off after initLibrary (repeatInterval 0, repeatDelay 0,
// repeatMask the d-pad, L and R). A game turns it on by setting repeatDelay
// and repeatInterval: then a held button of repeatMask shows in `pressed`
// again at the repeatDelay-th unchanged sample and every repeatInterval
// samples after (e.g. 15 and 4: a quarter of a second, then 15 a second).
// Any change of any button starts the count again.
struct ControllerState {
    uint32_t held;           // buttons down at the last sample
    uint32_t pressed;        // buttons that went down at the last sample, plus repeats
    int32_t repeatDelay;     // unchanged samples before the first repeat
    int32_t repeatInterval;  // samples between repeats; 0 or less: no auto-repeat
    uint32_t repeatMask;     // buttons that auto-repeat
    int32_t repeatCount;     // samples for which the mask has stayed unchanged
    int8_t stickX;           // -128 left .. 0 rest .. 127 right
    int8_t stickY;           // -128 up .. 0 rest .. 127 down
};

// The controller's state as of the last readController; null before initLibrary.
extern ControllerState* controller;

// Samples the keyboard into *controller once per frame and returns controller.
// `pressed` holds each button only in the frame it went down. A key tapped
// between two samples (down and up again) counts as held and pressed in the
// next sample, and as released in the one after.
ControllerState* readController();

// A short printable name of the first key bound to `button` (one BTN_* bit),
// as the player has bound it: "2" (keypad or main-row 2), "Z", "Enter",
// "Left", "Space", "F5"... "" when no key is bound to it or `button` is not
// one button. For on-screen hints ("PRESS 2"); the text stays valid.
const char* buttonKeyName(int32_t button);

// ---- Saved data -----------------------------------------------------------------

// A game's own values and texts, kept per user between runs (a best score,
// the last level): in the settings store beside the emulation settings and
// apart from them (Linux: group [Game] of the settings file; Windows: the
// subkey Game; the browser: local storage). Each save is on disk when it
// returns. Names are 1 to 64 printable ASCII characters without "/" or "\";
// texts are UTF-8 of at most 4096 bytes. A bad name or text is refused and
// nothing is written. Any thread; initLibrary is not needed.

// Stores a whole number under `name`; nonzero when it was stored.
int32_t saveValue(const char* name, int32_t value);

// Stores a text under `name`; nonzero when it was stored.
int32_t saveText(const char* name, const char* text);

// The number stored under `name`, or `fallback` when there is none.
int32_t loadValue(const char* name, int32_t fallback);

// Copies the text stored under `name` into `buffer` (always NUL-terminated
// within `size` bytes, cut if it is longer) and returns its full length in
// bytes, or -1 when there is none.
int32_t loadText(const char* name, char* buffer, int32_t size);

// ---- Pictures -------------------------------------------------------------------

enum PixelFormat : int32_t {
    PF_5650 = 0,  // 16 bits: red 5, green 6, blue 5 (red in the low bits)
    PF_5551 = 1,  // 16 bits: red 5, green 5, blue 5, alpha 1
    PF_4444 = 2,  // 16 bits: 4 each of red, green, blue, alpha
    PF_8888 = 3,  // 32 bits: the colour layout above
    PF_T4 = 4,    // 4-bit palette indices, the left pixel in a byte's low 4 bits
    PF_T8 = 5,    // 8-bit palette indices
};
constexpr int32_t PIXEL_FORMAT_COUNT = 6;

// Where an image's pixels live: video memory, or ordinary memory (the choice
// for a game's pictures).
constexpr int16_t LOC_VIDEO_MEMORY = 0;
constexpr int16_t LOC_RAM = 1;

// The colour table of a PF_T4 or PF_T8 image. Its colours may change between
// frames; an image shows them from the next frame on.
struct Palette {
    int16_t pixelFormat;  // format of the entries: PF_5650 .. PF_8888
    int16_t count;        // number of entries, used in whole groups of 8
    uint32_t* colors;     // one word per entry; 16-bit formats use the low half
};

// A picture and where it is drawn. The placement fields (x to allowStrips)
// may be changed freely between draws; the rest describe the pixels.
// The source rectangle runs from texel (srcX0, srcY0) up to but not
// including (srcX1, srcY1): a 16 x 16 picture is 0, 0, 16, 16. A negative
// drawWidth (drawHeight) draws the picture mirrored left to right (top to
// bottom) in the pixels from x + drawWidth to x - 1; a reversed source
// rectangle (srcX0 > srcX1) mirrors it in its usual place; both together
// cancel out.
struct Image {
    int32_t x, y;                    // screen position of the reference point
    int32_t drawWidth, drawHeight;   // size on screen, in pixels
    float srcX0, srcY0, srcX1, srcY1;  // source rectangle in texels, srcX1/srcY1 exclusive
    int32_t pivotX, pivotY;          // rotation centre in source pixels, scaled to the
                                     // drawn size in whole pixels; (x, y) is where it lands
    float angle;                     // degrees, clockwise on screen; whole degrees count
    int16_t allowStrips;             // wide unrotated images may draw as strips
    Palette* palette;                // for PF_T4 / PF_T8; not owned
    int32_t width, height;           // requested size
    int32_t texWidth, texHeight;     // size rounded up to powers of two
    int32_t bufferWidth, bufferHeight;  // pixels per row and rows of `pixels`
    void* pixels;
    int16_t sharedPixels;            // nonzero: `pixels` belongs to someone else
    int32_t byteSize;
    int16_t location;                // LOC_VIDEO_MEMORY or LOC_RAM
    int16_t pixelFormat;
    int16_t writesAlpha;             // as a drawing target: drawing writes alpha too
};

// Creates an image of width x height pixels (at most 65536 each) with
// undefined pixels, drawn whole at (0, 0) with no rotation. Rows of `pixels`
// are bufferWidth pixels apart. Null for a bad size or format or when memory
// runs out.
Image* createImage(int32_t width, int32_t height, int32_t location, int32_t pixelFormat);

// Frees an image from createImage or a loader (not its palette).
void releaseImage(Image* image);

// The largest picture the loaders take, in pixels (4096 x 4096): far more
// than a 480 x 272 screen needs, and small enough that a tiny file claiming a
// huge picture cannot make a load take gigabytes.
constexpr int64_t PNG_MAX_PIXELS = 16777216;

// Loads a PNG file from any path as a new image in ordinary memory, in
// `pixelFormat` (PF_5650, PF_5551, PF_4444 or PF_8888; PF_5551 keeps only
// full or no transparency, PF_8888 keeps the picture's alpha whole). Every
// picture reads as PNG defines it: opaque unless the file's alpha channel or
// transparency chunk says otherwise, grey ones included (unlike
// loadImageFile). Null on failure, and then lastLoadError() says why.
Image* loadImage(const char* path, int32_t pixelFormat);

// Why the last load (or saveScreenshot) failed: "no such file", "cannot read
// the file", "not a PNG file", "picture too large", "broken PNG data",
// "unknown pixel format", "not a .png name", "out of memory"; for a save
// also "no such folder", "cannot write the file", "no frame shown yet"; ""
// after one that worked.
const char* lastLoadError();

// The console's own loader: takes a name whose extension, taken from its
// first "." ("intro.png", not "./intro.png" or "../x/intro.png"), is ".png".
// Grey pictures (and only they) are read the console's way: black is
// transparent, every other grey opaque, the file's own alpha unused. Colour
// pictures load as with loadImage. Use loadImage for paths with dots in
// folder names, or for grey pictures with soft edges.
Image* loadImageFile(const char* name, int32_t location, int32_t pixelFormat);

// ---- Drawing --------------------------------------------------------------------

// The tint every drawing is multiplied by (opaque white: none). startDrawing
// resets it; the text and shape calls, fillRect and drawImageTinted draw in
// a colour of their own and leave it as they found it.
extern uint32_t currentColor;

// A colour from its four parts, each 0 to 255 (values outside are clamped).
uint32_t makeColor(int32_t red, int32_t green, int32_t blue, int32_t alpha);

// Draws the image at its placement: its source rectangle scaled to
// drawWidth x drawHeight, turned by `angle` about the pivot, blended by its
// alpha and tinted by currentColor. Call between startDrawing and endDrawing.
// GL holds one picture at a time: drawing a different image than the one
// before sends all its pixels to GL again (a paletted one expanded first), so
// draw each picture's sprites together, not in turns. Text is drawn from the
// font's picture, and fillRect and the shapes from one of their own.
void drawImage(Image* image);

// Draws the image as drawImage does with `colour` as its tint in place of
// currentColor, for this draw only (opaque white: as it is; alpha fades it);
// currentColor keeps its value.
void drawImageTinted(Image* image, uint32_t colour);

// Shows frame `index` of a sprite sheet of frameWidth x frameHeight frames,
// counted from 0 left to right, then row by row from the top: sets the
// source rectangle to that frame and drawWidth / drawHeight to its size.
// Only whole frames count (a sheet 100 wide holds three 30-wide columns).
// Returns nonzero when done; 0 for an index past the last frame, a negative
// one or a frame size below 1 or larger than the picture, and then the
// image is left unchanged.
int32_t setImageFrame(Image* image, int32_t frameWidth, int32_t frameHeight, int32_t index);

// Fills a rectangle of the drawing target with a colour, blended by the
// colour's alpha. Nothing for an empty rectangle.
void fillRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t color);

// The shapes below are drawn like fillRect: in `colour`, blended by its
// alpha (each pixel covered once, so a translucent shape is even), into the
// drawing target, leaving currentColor as it is. Coordinates are pixels.

// A line one pixel wide from (x0, y0) to (x1, y1), both ends included: one
// pixel per column (per row when it is steeper than 45 degrees), each the
// nearest to the exact line. Drawn backwards it covers the same pixels.
void drawLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);

// The one-pixel outline of the rectangle fillRect would fill. Nothing for an
// empty rectangle.
void drawRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t colour);

// A disc of radius r about the pixel (cx, cy): 2r + 1 pixels across, the
// pixels whose centres lie within r + 1/2 of the centre; r 0 is one pixel.
// Nothing for a negative radius.
void fillCircle(int32_t cx, int32_t cy, int32_t r, uint32_t colour);

// The one-pixel outline of fillCircle's disc: its pixels that have a
// neighbour outside it (left, right, above or below).
void drawCircle(int32_t cx, int32_t cy, int32_t r, uint32_t colour);

// Draws text in the built-in 7 x 8 font with its top-left corner at (x, y):
// the glyphs in `color`, nothing around them. Returns the width of the
// widest line in pixels (7 per character: the glyphs' own two blank columns
// included). The text is UTF-8. It draws printable ASCII, the Latin-1
// letters and signs U+00A0-U+00FF (accented letters, sharp s, pound,
// copyright, inverted question mark ...) and the font's symbols at
// U+0001-U+001F and U+007F-U+009F (the game's six ball marks at U+0001-U+0006,
// arrows, blocks, box-drawing pieces); any other character shows as a box
// outline, and so does each byte of a malformed sequence.
// "\n" starts a new line 9 pixels lower (the glyph's 8 rows and one blank),
// "\t" moves on to the next multiple of four characters.
int32_t drawText(int32_t x, int32_t y, uint32_t color, const char* text);

// The width drawText would give, without drawing.
int32_t textWidth(const char* text);

// Draws text as drawText does, each font pixel a `scale` x `scale` square
// (scale 1 to 8; a value below or above draws at 1 or 8): glyphs 7 * scale
// wide, lines 9 * scale apart. Returns the widest line's width in pixels.
int32_t drawTextScaled(int32_t x, int32_t y, uint32_t colour, int32_t scale, const char* text);

// The width drawTextScaled would give at `scale`, without drawing.
int32_t textWidthScaled(int32_t scale, const char* text);

// The screen as a drawing target (its back buffer when double-buffered).
typedef Image DrawBuffer;
extern DrawBuffer drawBuffer;

// Makes later drawing go into `target` (an image of a direct-colour format,
// at most the screen's size, from createDrawTarget) until the next call;
// setDrawTarget(&drawBuffer) goes back to the screen. The target's pixels are
// up to date once drawing has moved elsewhere. Drawing into an image from
// createImage or a loader changes colour but keeps each pixel's alpha. Each
// switch moves the screen's pixels out of GL and back: a few per frame are
// cheap, hundreds are not.
void setDrawTarget(DrawBuffer* target);

// Creates an image to draw into and then draw like a picture, width x height
// at most SCREEN_WIDTH x SCREEN_HEIGHT, in PF_5650 .. PF_8888. Nonzero
// `opaque`: it starts opaque black; zero: it starts fully transparent and
// what is drawn into it brings its own alpha. Null on a bad size or format.
Image* createDrawTarget(int32_t width, int32_t height, int32_t pixelFormat, int32_t opaque);

// Saves the frame last shown, the 480 x 272 screen as the last syncFrame
// showed it (nothing drawn since, whatever the drawing target), as an RGB
// PNG file at `path` (any path; a file there is replaced). The file is
// written under a temporary name beside it and then renamed, so a failed
// save leaves no partial file. Returns nonzero when saved; 0 when the file
// cannot be written or before the first frame shown after initGraphics, and
// then lastLoadError() says why. (To have it at hand, syncFrame copies every
// frame it shows into a texture: next to nothing on a graphics card, about
// 0.3 ms a frame with software rendering.)
int32_t saveScreenshot(const char* path);

// ---- Sound ----------------------------------------------------------------------

// Sound effects are loaded whole into memory and played on voices; music is
// streamed from its file. Everything is mixed at SND_RATE frames a second,
// stereo, 16 bits a sample, and leaves the mixer within about 11 ms of the
// call that started it. The first sound call opens the sound device: a game
// that makes none opens nothing. On a machine without a sound device the
// mixer runs all the same, unheard and without a message: sounds load,
// voices play and end as they would. While the menu's Pause holds the game,
// voices and music stop where they are and go on with it; a "Step frame"
// lets one frame's worth of sound through.

constexpr int32_t SND_RATE = 48000;           // frames a second of every Sound
constexpr int32_t SND_VOICE_COUNT = 16;       // sounds that can play at once
constexpr int32_t SND_MAX_VOLUME = 128;       // full volume; 0 is silence
constexpr int32_t SND_PAN_LEFT = -128;        // pan: the left side only
constexpr int32_t SND_PAN_RIGHT = 128;        // pan: the right side only; 0 both
constexpr int32_t SND_MAX_SOUND_SECONDS = 60; // longest sound loadSound takes

// A sound in memory, ready to play.
struct Sound {
    int16_t* samples;    // frameCount frames of left then right sample; read only
    int32_t frameCount;  // its length: frameCount / SND_RATE seconds
    void* mixerChunk;    // the mixer's record of the samples
};

// Loads a WAV file (PCM of 8 to 32 bits, float, A-law, mu-law or ADPCM) or
// an Ogg Vorbis file from any path, of any rate and up to 8 channels, as a
// Sound of at most SND_MAX_SOUND_SECONDS. Null on failure, and then
// lastLoadError() says why: "no such file", "cannot read the file", "not a
// WAV or Ogg Vorbis file", "broken WAV data", "broken Ogg data", "no sound
// data", "sound too long", "unsupported sound format", "out of memory".
// Loading an Ogg file pauses the voices while it is decoded: load sounds
// before they are needed, not in the middle of a scene.
Sound* loadSound(const char* path);

// Stops every voice playing the sound and frees it. Null does nothing.
void releaseSound(Sound* sound);

// Starts the sound on a free voice at `volume` (0 to SND_MAX_VOLUME) and
// `pan` (SND_PAN_LEFT .. 0 .. SND_PAN_RIGHT: at 0 both sides play it whole,
// towards one side the other fades out), and, when `loop` is nonzero, over
// and over until stopped.
// Returns the voice's number (0 or more), or -1 when all SND_VOICE_COUNT
// voices are busy or `sound` is null. A number stays tied to this one
// playing: once it has ended, the calls below ignore the number.
int32_t playSound(Sound* sound, int32_t volume, int32_t pan, int32_t loop);

// Stops a voice at once (from the next mixer buffer).
void stopVoice(int32_t voice);

// Changes a playing voice's volume (0 to SND_MAX_VOLUME).
void setVoiceVolume(int32_t voice, int32_t volume);

// Nonzero while the voice is still playing (also while the game is paused).
int32_t voicePlaying(int32_t voice);

// Streams a long sound file as the music, in place of any music playing,
// once or, with `loop` nonzero, over and over without a gap. Takes WAV, Ogg
// Vorbis and what else the system's SDL2_mixer reads (FLAC, MP3, Opus,
// modules). Returns nonzero when it started; 0 on failure, and then
// lastLoadError() says why ("no such file", "cannot read the file", "not a
// sound file", "broken sound data").
int32_t playMusic(const char* path, int32_t loop);

// Stops the music and closes its file.
void stopMusic();

// The music's volume, 0 to SND_MAX_VOLUME (the default).
void setMusicVolume(int32_t volume);

// The volume of everything, voices and music, 0 to SND_MAX_VOLUME (the
// default); the emulation's own volume setting scales it further.
void setMasterVolume(int32_t volume);
