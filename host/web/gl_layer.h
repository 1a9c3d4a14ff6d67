// The browser host's OpenGL: the part of OpenGL 1.x that the library draws
// with (gfx/, emu/timing.cpp), carried out on WebGL. The gl* functions the
// library calls are defined in gl.cpp and take the place of Emscripten's
// own; they keep the fixed-function state here, gather quads in a vertex
// array on the CPU and hand it to the WebGL back end (webgl.cpp) in one draw
// whenever the texture or another part of the state changes. Emscripten's
// legacy GL emulation is not used: it draws each quad on its own and has
// neither the 16-bit pixel types nor glDrawPixels.
//
// The screen's front and back buffers are two framebuffer objects of the
// screen's size; the canvas shows the front one each time the game yields to
// the browser. Pictures are converted to 8 bits a channel on the CPU as they
// are uploaded, and read-backs are converted back from the buffer's 8 bits.
#pragma once

#include <cstdint>
#include <vector>

// One vertex as WebGL gets it: position in normalized device coordinates
// (transformed on the CPU), texture coordinates, colour as RGBA bytes.
struct GlVertex {
    float x, y;
    float u, v;
    uint32_t color;
};

// How a batch's fragments are coloured.
constexpr int32_t GL_LAYER_COLOR = 0;            // the vertex colour
constexpr int32_t GL_LAYER_TEXTURE_MODULATE = 1; // texel times vertex colour (GL_MODULATE)
constexpr int32_t GL_LAYER_TEXTURE_REPLACE = 2;  // the texel alone (pixel rectangles)

// The screen buffers, as glDrawBuffer and glReadBuffer name them.
constexpr int32_t GL_LAYER_FRONT = 0;
constexpr int32_t GL_LAYER_BACK = 1;

// Everything a batch of triangles or a clear is drawn with.
struct GlDrawState {
    int32_t buffer;      // GL_LAYER_FRONT or GL_LAYER_BACK
    int32_t mode;        // GL_LAYER_COLOR ...
    uint32_t texture;    // WebGL texture of the TEXTURE modes
    int32_t viewport[4];
    int32_t blend;       // flag
    uint32_t blendSrc, blendDst, blendEquation;
    float blendColor[4];
    int32_t scissorTest;  // flag
    int32_t scissor[4];
    uint8_t colorMask[4];
};

// A texture name of glGenTextures: the picture it holds, and its filters.
struct GlTexture {
    int32_t image;  // index into GlLayer::images; -1 before the first upload
    int32_t minFilter, magFilter;
};

// A picture uploaded to WebGL, as the source bytes it came from. The
// library re-specifies its textures every frame from pictures that mostly
// stay the same, and an upload to WebGL costs a copy across processes: a
// texture name given bytes an image already holds takes that image, without
// an upload. An image never changes while a name or the batch uses it, so
// one flush is never needed before an upload.
struct GlImage {
    uint32_t handle;  // the WebGL texture
    int32_t copiedInto;  // flag: glCopyTexSubImage2D changed it, `source` no longer says what it holds
    int32_t width, height;
    uint32_t format, type;
    int32_t dropAlpha;  // flag: the texture has no alpha (every texel opaque)
    int32_t minFilter, magFilter;
    std::vector<uint8_t> source;  // the rows as given, packed
    int32_t references;           // texture names holding it
    uint64_t lastUse;             // of glLayer.useClock; 0: holds nothing
    int32_t atlasX, atlasY;       // its place in the atlas; -1: not there
};

// Feedback mode, for the library's tests: while `values` is set, finished
// primitives are written there as GL_POLYGON_TOKEN records of window
// coordinates, colour and texture coordinates instead of being drawn.
struct GlFeedback {
    float* values;
    int32_t size;
    int32_t used;
    int32_t overflow;  // flag
};

// What glPushAttrib keeps, and the groups it was asked for.
struct GlAttributes {
    uint32_t mask;
    int32_t blend, scissorTest, texturing, dither, alphaTest, depthTest;
    int32_t viewport[4];
    int32_t scissor[4];
    uint8_t colorMask[4];
    float clearColor[4];
    uint32_t blendSrc, blendDst, blendEquation;
    float blendColor[4];
    int32_t drawBuffer;
    uint32_t boundTexture;
    uint32_t textureEnvMode;
    uint32_t color;
    float u, v;
    uint32_t matrixMode;
};

// The fixed-function state, game thread only.
struct GlLayer {
    float projection[16];
    float modelview[16];
    float combined[16];  // projection x modelview
    std::vector<float> projectionStack;  // 16 floats a pushed matrix
    std::vector<float> modelviewStack;
    uint32_t matrixMode;
    int32_t viewport[4];
    int32_t bufferWidth, bufferHeight;  // of the screen buffers and the canvas
    std::vector<GlAttributes> attributeStack;

    // The current vertex attributes and the primitive being built.
    uint32_t color;
    float u, v;
    uint32_t primitive;  // of glBegin; 0 outside glBegin/glEnd
    std::vector<GlVertex> primitiveVertices;

    // Triangles waiting to be drawn, all with batchState.
    std::vector<GlVertex> batch;
    GlDrawState batchState;

    int32_t blend, scissorTest, texturing, dither;  // flags
    int32_t alphaTest, depthTest;  // flags kept for glIsEnabled: the layer never tests either
    uint32_t textureEnvMode;       // GL_MODULATE or GL_REPLACE
    uint32_t blendSrc, blendDst, blendEquation;
    float blendColor[4];
    int32_t scissor[4];
    uint8_t colorMask[4];
    float clearColor[4];
    int32_t drawBuffer, readBuffer;  // GL_LAYER_FRONT or GL_LAYER_BACK
    int32_t packAlignment, unpackAlignment, unpackRowLength;
    float rasterX, rasterY;  // window coordinates of glRasterPos
    float zoomX, zoomY;

    std::vector<GlTexture> textures;  // name n at [n - 1]
    uint32_t boundTexture;            // name, 0 for none
    std::vector<GlImage> images;
    uint64_t useClock;
    uint32_t pixelTexture;            // WebGL texture for glDrawPixels
    int32_t stateChanged;             // flag: the next triangle's state is to be compared

    int32_t frontChanged;  // flag: the canvas does not show the front buffer yet
    uint32_t error;        // the first GL error since glGetError asked
    GlFeedback* feedback;
};
extern GlLayer glLayer;

// ---- Shared by the layer's files --------------------------------------------------

// A pixel transfer's layout: bytes per pixel and, for red, green, blue and
// alpha, its position and width in the pixel's word (0 bits: no such
// channel; it reads as full).
struct PixelLayout {
    int32_t bytes;
    int32_t shift[4];
    int32_t bits[4];
};

// The layout of a GL format and type the layer takes (GL_RGBA or GL_BGRA
// with GL_UNSIGNED_BYTE, the packed 16-bit types); false and
// GL_INVALID_ENUM for any other (gl_pixels.cpp).
bool pixelLayoutOf(uint32_t format, uint32_t type, PixelLayout* out);

// Bytes from one row to the next: `pixels` of `bytes`, rounded up to the
// alignment (gl_pixels.cpp).
int32_t rowStride(int32_t pixels, int32_t bytes, int32_t alignment);

// Pixels in a layout to RGBA bytes, each channel rounded to 8 bits as GL
// converts through [0, 1]; with dropAlpha every alpha is 255. Rows of the
// source are `stride` bytes apart, those of rgba packed (gl_pixels.cpp).
void convertToRgba(const PixelLayout& layout, bool dropAlpha, int32_t width, int32_t height,
                   int32_t stride, const uint8_t* source, uint8_t* rgba);

// RGBA bytes to pixels in a layout, each channel rounded to the nearest of
// its values; rows of the destination `stride` bytes apart (gl_pixels.cpp).
void convertFromRgba(const PixelLayout& layout, int32_t width, int32_t height, int32_t stride,
                     const uint8_t* rgba, uint8_t* destination);

// Notes a GL error, keeping the first until glGetError (gl.cpp).
void glLayerError(uint32_t error);

// Notes that the drawing state may have changed: the next triangle compares
// it with the batch's and flushes the batch when it differs (gl.cpp).
void glLayerStateChanged();

// The WebGL texture a primitive with these vertices takes the bound name's
// picture from, or 0 when the name holds none. Small pictures also live in
// one atlas texture, so that draws of different pictures share a batch: for
// a primitive whose texture coordinates stay within [0, 1] they are moved
// to the picture's place there and the atlas is the texture
// (gl_textures.cpp).
uint32_t glLayerTextureFor(GlVertex* vertices, int32_t count);

// ---- The WebGL back end (webgl.cpp) -------------------------------------------

// Makes a WebGL context (WebGL 2, or else 1) on the canvas `selector` names,
// with two framebuffers of width x height for the screen buffers. False when
// the browser gives no WebGL context.
bool webglStart(const char* selector, int32_t width, int32_t height);

// Draws `count` vertices (whole triangles) with `state`.
void webglDrawTriangles(const GlDrawState& state, const GlVertex* vertices, int32_t count);

// Clears state.buffer to `rgba` within the scissor box and colour mask.
void webglClear(const GlDrawState& state, const float rgba[4]);

// A new WebGL texture.
uint32_t webglCreateTexture();

// Makes the texture width x height RGBA bytes (rows bottom up, as GL reads
// them) with the given GL filters.
void webglTextureImage(uint32_t texture, int32_t width, int32_t height, const uint8_t* rgba,
                       int32_t minFilter, int32_t magFilter);

// Replaces a width x height rectangle of a texture at (x, y) with RGBA bytes.
void webglTextureSubImage(uint32_t texture, int32_t x, int32_t y, int32_t width, int32_t height,
                          const uint8_t* rgba);

// Sets the texture's GL filters.
void webglTextureFilters(uint32_t texture, int32_t minFilter, int32_t magFilter);

// Reads a rectangle of a screen buffer (inside it) as RGBA bytes.
void webglReadPixels(int32_t buffer, int32_t x, int32_t y, int32_t width, int32_t height,
                     uint8_t* rgba);

// Reads a texture of width x height as RGBA bytes (glGetTexImage): WebGL
// reads textures only through a framebuffer.
void webglReadTexture(uint32_t texture, int32_t width, int32_t height, uint8_t* rgba);

// Copies a rectangle of a screen buffer into a texture at (x, y).
void webglCopyToTexture(uint32_t texture, int32_t x, int32_t y, int32_t buffer, int32_t left,
                        int32_t bottom, int32_t width, int32_t height);

// Gives the canvas and the screen buffers a new size; the buffers' pixels
// are lost, as a window's are when it is resized.
void webglResize(int32_t width, int32_t height);

// Reads the canvas as the page shows it, width x height RGBA bytes from the
// bottom row up.
void webglReadCanvas(int32_t width, int32_t height, uint8_t* rgba);

// Exchanges the front and the back buffer.
void webglSwapBuffers();

// Draws the front buffer onto the canvas.
void webglShowFront();

// ---- What the host calls (gl.cpp) ------------------------------------------------

// Starts WebGL on the canvas `selector` names (webglStart) and sets GL's
// initial state on a viewport of width x height. False without WebGL.
bool glLayerStart(const char* selector, int32_t width, int32_t height);

// Gives the canvas and the screen buffers a new size (the drawable of a
// window resized); GL's viewport and scissor stay as they were.
void glLayerResize(int32_t width, int32_t height);

// Sends the batch to WebGL, if there is one.
void glLayerFlush();

// Shows the front buffer on the canvas when it changed since it was last
// shown. The host calls it before it yields to the browser.
void glLayerShowFront();

// Exchanges front and back, as a buffer swap does.
void glLayerSwapBuffers();
