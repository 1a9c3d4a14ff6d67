// The drawing frame and the screen buffers in video memory.
#pragma once

#include <cstdint>

#include "gfx/image.h"

constexpr int32_t SCREEN_BUFFER_WIDTH = 512;  // pixels per row of a screen buffer

extern int32_t bitsPerPixel;
extern int32_t doubleBuffered;
extern uint8_t* drawBufferBase;
extern uint8_t* displayBufferBase;
extern uint8_t* videoMemoryFree;
extern DrawBuffer displayBuffer;
extern DrawBuffer* drawTarget;
extern int32_t drawingStarted;
extern float sinTable[361];
extern float cosTable[361];

// Bytes of one 512 x 272 screen buffer at the given depth.
constexpr int32_t frameBytes(int32_t bits) { return bits * SCREEN_BUFFER_WIDTH * 272 / 8; }

// Ends the program with a message when initGraphics has not run yet: `call`
// needs the screen set up.
void requireGraphics(const char* call);

void resetBlending();
void applyVertexColor();
void readBackPixels(int32_t pixelFormat, int32_t y, int32_t width, int32_t height,
                    void* destination);
void presentFrame();
void buildTrigTables();
