// Library start-up: the console's power-on state, the GL context on the main
// window and the resources every later drawing shares.
#pragma once

#include <GL/gl.h>
#include <cstdint>

#include "quorl/host.h"
#include "quorl/quorl.h"

constexpr int32_t READ_BACK_BYTES = 1048576;
constexpr int32_t VIDEO_MEMORY_BYTES = 2097152;


// Uploads go to the names of this ring in turn: refilling a texture that
// draws still queued in GL sample would make GL wait for them first, or give
// it new storage. With reused textures, 1 000 sprites from two sheets took
// 45 ms a frame with one name, 18 with four, 11-12 with sixteen
// (bench_sprites); and a frame with fewer uploads than names never refills
// a texture its own draws still sample: the game's won screen (7 uploads)
// took 2.5 ms with four names, against 0.9 ms with sixteen (bench_frame).
// At most sixteen pictures stay in GL at once.
constexpr int32_t TEXTURE_RING_SIZE = 16;
extern GLuint textureRing[TEXTURE_RING_SIZE];
extern GLuint textureName;  // the ring's name bound now, the texture drawing samples
extern uint8_t* readBackBuffer;  // READ_BACK_BYTES
extern uint8_t* videoMemory;     // VIDEO_MEMORY_BYTES, the emulated video memory

typedef void (*BlendEquationFn)(GLenum mode);
typedef void (*BlendColorFn)(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
extern BlendEquationFn blendEquationFn;
extern BlendColorFn blendColorFn;

extern GLuint fragmentShader;
extern GLuint shaderProgram;
// 0 when the window system could only give a single-buffered context.
extern int32_t contextDoubleBuffered;
// 1 when the context can exchange a texture's red and blue as it is sampled
// (GL 3.3, ARB_texture_swizzle or EXT_texture_swizzle): PF_5551 and PF_4444
// pictures then upload on the driver's fast path (uploadTexture).
extern int32_t textureSwizzle;

void setupPalette();
bool loadShaderExtension();
void buildShaderProgram();
void releaseShaderProgram();

// The whole file as NUL-terminated text in a malloc'd buffer the caller
// frees; null when the file cannot be opened.
char* readTextFile(const char* name);

// Fills the palette a surface of this format needs: 2^colorBits entries
// (at most `capacity`). Returns the entry count written.
int32_t buildPaletteEntries(const PixelFormatDescription& format, PaletteEntry* entries,
                            int32_t capacity);

// The message text for the first shader extension the extension string
// lacks, or null when both are there.
const char* missingShaderExtension(const char* extensions);
// True when a GL_VERSION string ("major.minor ...") is at least major.minor.
bool glVersionAtLeast(const char* version, int32_t major, int32_t minor);

// Switches the screen shader off (0) and on again (1) around pixel moves,
// which must not be filtered; nothing happens when no program was built.
void setShaderProgramActive(int32_t active);
