// The OpenGL 1.x entry points the library calls, on the browser host: the
// fixed-function state with its attribute and matrix stacks, matrices
// applied on the CPU, immediate-mode quads gathered into one vertex array,
// read-backs, glDrawPixels as a textured rectangle, and the front and back
// buffers. Textures are in gl_textures.cpp, the conversions of the
// library's pixel types in gl_pixels.cpp, the WebGL calls in webgl.cpp.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstring>  // Required for: memcpy

#include "host/web/gl_layer.h"

constexpr int32_t GL_LAYER_BATCH_LIMIT = 6 * 8192;  // vertices; a flush empties it

GlLayer glLayer = {};

static std::vector<uint8_t> convertScratch;
static std::vector<uint8_t> readScratch;

static void resetLayer();
static void multiplyCurrent(const float* by);
static void updateCombined();
static void transform(float x, float y, float z, float* outX, float* outY);
static void addVertex(float x, float y, float z);
static void emitTriangle(const GlVertex& a, const GlVertex& b, const GlVertex& c, uint32_t texture);
static void writeFeedback(const GlVertex& vertex);
static GlDrawState drawState(uint32_t texture);
static bool sameDrawState(const GlDrawState& a, const GlDrawState& b);
static void setError(GLenum error);
static void setFlag(int32_t* flag, int32_t value);

// ---- State -----------------------------------------------------------------

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    const int32_t viewport[4] = {x, y, width, height};
    if (memcmp(viewport, glLayer.viewport, sizeof viewport) != 0) {
        glLayerStateChanged();
        memcpy(glLayer.viewport, viewport, sizeof viewport);
    }
}

void glMatrixMode(GLenum mode)
{
    if (mode != GL_PROJECTION && mode != GL_MODELVIEW) {
        setError(GL_INVALID_ENUM);
        return;
    }
    glLayer.matrixMode = mode;
}

void glLoadIdentity()
{
    float* matrix = glLayer.matrixMode == GL_PROJECTION ? glLayer.projection : glLayer.modelview;
    for (int32_t i = 0; i < 16; ++i) {
        matrix[i] = i % 5 == 0 ? 1.0f : 0.0f;
    }
    updateCombined();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    const float translation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    multiplyCurrent(translation);
}

void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
             GLdouble zFar)
{
    const float ortho[16] = {
        static_cast<float>(2.0 / (right - left)), 0, 0, 0,
        0, static_cast<float>(2.0 / (top - bottom)), 0, 0,
        0, 0, static_cast<float>(-2.0 / (zFar - zNear)), 0,
        static_cast<float>(-(right + left) / (right - left)),
        static_cast<float>(-(top + bottom) / (top - bottom)),
        static_cast<float>(-(zFar + zNear) / (zFar - zNear)), 1,
    };
    multiplyCurrent(ortho);
}

void gluOrtho2D(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top)
{
    glOrtho(left, right, bottom, top, -1.0, 1.0);
}

void glPushMatrix()
{
    bool projection = glLayer.matrixMode == GL_PROJECTION;
    std::vector<float>& stack = projection ? glLayer.projectionStack : glLayer.modelviewStack;
    const float* matrix = projection ? glLayer.projection : glLayer.modelview;
    stack.insert(stack.end(), matrix, matrix + 16);
}

void glPopMatrix()
{
    bool projection = glLayer.matrixMode == GL_PROJECTION;
    std::vector<float>& stack = projection ? glLayer.projectionStack : glLayer.modelviewStack;
    if (stack.empty()) {
        setError(GL_STACK_UNDERFLOW);
        return;
    }
    memcpy(projection ? glLayer.projection : glLayer.modelview, stack.data() + stack.size() - 16,
           16 * sizeof(float));
    stack.resize(stack.size() - 16);
    updateCombined();
}

void glPushAttrib(GLbitfield mask)
{
    GlAttributes saved;
    saved.mask = mask;
    saved.blend = glLayer.blend;
    saved.scissorTest = glLayer.scissorTest;
    saved.texturing = glLayer.texturing;
    saved.dither = glLayer.dither;
    saved.alphaTest = glLayer.alphaTest;
    saved.depthTest = glLayer.depthTest;
    memcpy(saved.viewport, glLayer.viewport, sizeof saved.viewport);
    memcpy(saved.scissor, glLayer.scissor, sizeof saved.scissor);
    memcpy(saved.colorMask, glLayer.colorMask, sizeof saved.colorMask);
    memcpy(saved.clearColor, glLayer.clearColor, sizeof saved.clearColor);
    saved.blendSrc = glLayer.blendSrc;
    saved.blendDst = glLayer.blendDst;
    saved.blendEquation = glLayer.blendEquation;
    memcpy(saved.blendColor, glLayer.blendColor, sizeof saved.blendColor);
    saved.drawBuffer = glLayer.drawBuffer;
    saved.boundTexture = glLayer.boundTexture;
    saved.textureEnvMode = glLayer.textureEnvMode;
    saved.color = glLayer.color;
    saved.u = glLayer.u;
    saved.v = glLayer.v;
    saved.matrixMode = glLayer.matrixMode;
    glLayer.attributeStack.push_back(saved);
}

// Puts back the groups glPushAttrib was asked for.
void glPopAttrib()
{
    if (glLayer.attributeStack.empty()) {
        setError(GL_STACK_UNDERFLOW);
        return;
    }
    const GlAttributes saved = glLayer.attributeStack.back();
    glLayer.attributeStack.pop_back();
    const uint32_t mask = saved.mask;
    if (mask & (GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT)) {
        glLayer.blend = saved.blend;
        glLayer.dither = saved.dither;
        glLayer.alphaTest = saved.alphaTest;
    }
    if (mask & (GL_ENABLE_BIT | GL_SCISSOR_BIT)) {
        glLayer.scissorTest = saved.scissorTest;
    }
    if (mask & GL_ENABLE_BIT) {
        glLayer.texturing = saved.texturing;
        glLayer.depthTest = saved.depthTest;
    }
    if (mask & GL_VIEWPORT_BIT) {
        memcpy(glLayer.viewport, saved.viewport, sizeof saved.viewport);
    }
    if (mask & GL_SCISSOR_BIT) {
        memcpy(glLayer.scissor, saved.scissor, sizeof saved.scissor);
    }
    if (mask & GL_COLOR_BUFFER_BIT) {
        memcpy(glLayer.colorMask, saved.colorMask, sizeof saved.colorMask);
        memcpy(glLayer.clearColor, saved.clearColor, sizeof saved.clearColor);
        glLayer.blendSrc = saved.blendSrc;
        glLayer.blendDst = saved.blendDst;
        glLayer.blendEquation = saved.blendEquation;
        memcpy(glLayer.blendColor, saved.blendColor, sizeof saved.blendColor);
        glLayer.drawBuffer = saved.drawBuffer;
    }
    if (mask & GL_TEXTURE_BIT) {
        glLayer.boundTexture = saved.boundTexture;
        glLayer.textureEnvMode = saved.textureEnvMode;
    }
    if (mask & GL_CURRENT_BIT) {
        glLayer.color = saved.color;
        glLayer.u = saved.u;
        glLayer.v = saved.v;
    }
    if (mask & GL_TRANSFORM_BIT) {
        glLayer.matrixMode = saved.matrixMode;
    }
    glLayerStateChanged();
}

// Every vertex of a quad has the same colour: flat and smooth look alike.
void glShadeModel(GLenum)
{
}

void glBlendFunc(GLenum source, GLenum destination)
{
    if (source != glLayer.blendSrc || destination != glLayer.blendDst) {
        glLayerStateChanged();
        glLayer.blendSrc = source;
        glLayer.blendDst = destination;
    }
}

void glBlendEquation(GLenum mode)
{
    if (mode != glLayer.blendEquation) {
        glLayerStateChanged();
        glLayer.blendEquation = mode;
    }
}

void glBlendColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    const float color[4] = {red, green, blue, alpha};
    if (memcmp(color, glLayer.blendColor, sizeof color) != 0) {
        glLayerStateChanged();
        memcpy(glLayer.blendColor, color, sizeof color);
    }
}

void glEnable(GLenum capability)
{
    switch (capability) {
    case GL_BLEND:
        setFlag(&glLayer.blend, 1);
        break;
    case GL_SCISSOR_TEST:
        setFlag(&glLayer.scissorTest, 1);
        break;
    case GL_TEXTURE_2D:
        setFlag(&glLayer.texturing, 1);
        break;
    case GL_DITHER:
        // Kept for glIsEnabled; 8-bit buffers show no dithering.
        glLayer.dither = 1;
        break;
    case GL_ALPHA_TEST:
    case GL_DEPTH_TEST:
        // Neither is offered (the buffers have no depth; the library only
        // turns them off): the flag is kept, nothing is tested.
        (capability == GL_ALPHA_TEST ? glLayer.alphaTest : glLayer.depthTest) = 1;
        break;
    default:
        setError(GL_INVALID_ENUM);
    }
}

void glDisable(GLenum capability)
{
    switch (capability) {
    case GL_BLEND:
        setFlag(&glLayer.blend, 0);
        break;
    case GL_SCISSOR_TEST:
        setFlag(&glLayer.scissorTest, 0);
        break;
    case GL_TEXTURE_2D:
        setFlag(&glLayer.texturing, 0);
        break;
    case GL_DITHER:
        glLayer.dither = 0;
        break;
    case GL_ALPHA_TEST:
        glLayer.alphaTest = 0;
        break;
    case GL_DEPTH_TEST:
        glLayer.depthTest = 0;
        break;
    default:
        setError(GL_INVALID_ENUM);
    }
}

GLboolean glIsEnabled(GLenum capability)
{
    switch (capability) {
    case GL_BLEND:
        return glLayer.blend ? GL_TRUE : GL_FALSE;
    case GL_SCISSOR_TEST:
        return glLayer.scissorTest ? GL_TRUE : GL_FALSE;
    case GL_TEXTURE_2D:
        return glLayer.texturing ? GL_TRUE : GL_FALSE;
    case GL_DITHER:
        return glLayer.dither ? GL_TRUE : GL_FALSE;
    case GL_ALPHA_TEST:
        return glLayer.alphaTest ? GL_TRUE : GL_FALSE;
    case GL_DEPTH_TEST:
        return glLayer.depthTest ? GL_TRUE : GL_FALSE;
    default:
        setError(GL_INVALID_ENUM);
        return GL_FALSE;
    }
}

void glColorMask(GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha)
{
    const uint8_t mask[4] = {red ? uint8_t{1} : uint8_t{0}, green ? uint8_t{1} : uint8_t{0},
                             blue ? uint8_t{1} : uint8_t{0}, alpha ? uint8_t{1} : uint8_t{0}};
    if (memcmp(mask, glLayer.colorMask, sizeof mask) != 0) {
        glLayerStateChanged();
        memcpy(glLayer.colorMask, mask, sizeof mask);
    }
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height)
{
    const int32_t box[4] = {x, y, width, height};
    if (memcmp(box, glLayer.scissor, sizeof box) != 0) {
        glLayerStateChanged();
        memcpy(glLayer.scissor, box, sizeof box);
    }
}

void glDrawBuffer(GLenum buffer)
{
    int32_t which = buffer == GL_FRONT ? GL_LAYER_FRONT : GL_LAYER_BACK;
    if (buffer != GL_FRONT && buffer != GL_BACK) {
        setError(GL_INVALID_ENUM);
        return;
    }
    if (which != glLayer.drawBuffer) {
        glLayerStateChanged();
        glLayer.drawBuffer = which;
    }
}

void glReadBuffer(GLenum buffer)
{
    if (buffer != GL_FRONT && buffer != GL_BACK) {
        setError(GL_INVALID_ENUM);
        return;
    }
    glLayer.readBuffer = buffer == GL_FRONT ? GL_LAYER_FRONT : GL_LAYER_BACK;
}

void glPixelStorei(GLenum name, GLint value)
{
    bool alignment = value == 1 || value == 2 || value == 4 || value == 8;
    switch (name) {
    case GL_PACK_ALIGNMENT:
        if (alignment) {
            glLayer.packAlignment = value;
            return;
        }
        break;
    case GL_UNPACK_ALIGNMENT:
        if (alignment) {
            glLayer.unpackAlignment = value;
            return;
        }
        break;
    case GL_UNPACK_ROW_LENGTH:
        if (value >= 0) {
            glLayer.unpackRowLength = value;
            return;
        }
        break;
    default:
        setError(GL_INVALID_ENUM);
        return;
    }
    setError(GL_INVALID_VALUE);
}

void glTexEnvi(GLenum target, GLenum name, GLint value)
{
    if (target != GL_TEXTURE_ENV || name != GL_TEXTURE_ENV_MODE ||
        (value != GL_MODULATE && value != GL_REPLACE)) {
        setError(GL_INVALID_ENUM);
        return;
    }
    if (static_cast<uint32_t>(value) != glLayer.textureEnvMode) {
        glLayer.textureEnvMode = static_cast<uint32_t>(value);
        glLayerStateChanged();
    }
}

// The values the library and its tests ask for.
void glGetIntegerv(GLenum name, GLint* value)
{
    switch (name) {
    case GL_DRAW_BUFFER:
        *value = glLayer.drawBuffer == GL_LAYER_FRONT ? GL_FRONT : GL_BACK;
        break;
    case GL_READ_BUFFER:
        *value = glLayer.readBuffer == GL_LAYER_FRONT ? GL_FRONT : GL_BACK;
        break;
    case GL_UNPACK_ROW_LENGTH:
        *value = glLayer.unpackRowLength;
        break;
    case GL_BLEND_EQUATION:
        *value = static_cast<GLint>(glLayer.blendEquation);
        break;
    case GL_BLEND_SRC:
        *value = static_cast<GLint>(glLayer.blendSrc);
        break;
    case GL_BLEND_DST:
        *value = static_cast<GLint>(glLayer.blendDst);
        break;
    case GL_MATRIX_MODE:
        *value = static_cast<GLint>(glLayer.matrixMode);
        break;
    case GL_TEXTURE_BINDING_2D:
        *value = static_cast<GLint>(glLayer.boundTexture);
        break;
    case GL_VIEWPORT:
    case GL_SCISSOR_BOX:
        memcpy(value, name == GL_VIEWPORT ? glLayer.viewport : glLayer.scissor, 4 * sizeof(GLint));
        break;
    default:
        setError(GL_INVALID_ENUM);
    }
}

const GLubyte* glGetString(GLenum name)
{
    // 1.4 brings glBlendEquation and glBlendColor, which the library looks
    // up by name; there is no shader-object extension.
    const char* text = nullptr;
    switch (name) {
    case GL_VENDOR:
        text = "Quorl";
        break;
    case GL_RENDERER:
        text = "Quorl fixed function on WebGL";
        break;
    case GL_VERSION:
        text = "1.4 WebGL";
        break;
    case GL_EXTENSIONS:
        text = "GL_EXT_blend_minmax GL_EXT_blend_color";
        break;
    default:
        setError(GL_INVALID_ENUM);
    }
    return reinterpret_cast<const GLubyte*>(text);
}

// The batch is drawn before anything can see the buffers (a read-back, a
// clear, a pixel rectangle, a swap, the canvas shown), WebGL runs what it is
// given in order, and an image never changes while the batch draws with it:
// there is nothing to wait for.
void glFinish()
{
}

void glFlush()
{
}

// ---- Immediate mode ------------------------------------------------------------

void glColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha)
{
    glLayer.color = uint32_t{red} | uint32_t{green} << 8 | uint32_t{blue} << 16 |
                    uint32_t{alpha} << 24;
}

void glBegin(GLenum mode)
{
    if (glLayer.primitive != 0 || (mode != GL_TRIANGLE_STRIP && mode != GL_QUADS)) {
        setError(glLayer.primitive != 0 ? GL_INVALID_OPERATION : GL_INVALID_ENUM);
        return;
    }
    glLayer.primitive = mode;
    glLayer.primitiveVertices.clear();
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    glLayer.u = s;
    glLayer.v = t;
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    addVertex(x, y, z);
}

void glVertex2f(GLfloat x, GLfloat y)
{
    addVertex(x, y, 0.0f);
}

void glVertex2i(GLint x, GLint y)
{
    addVertex(static_cast<float>(x), static_cast<float>(y), 0.0f);
}

void glEnd()
{
    if (glLayer.primitive == 0) {
        setError(GL_INVALID_OPERATION);
        return;
    }
    std::vector<GlVertex>& v = glLayer.primitiveVertices;
    int32_t count = static_cast<int32_t>(v.size());
    // Feedback reports the coordinates as given.
    uint32_t texture = 0;
    if (glLayer.texturing != 0 && glLayer.feedback == nullptr) {
        texture = glLayerTextureFor(v.data(), count);
    }
    if (glLayer.primitive == GL_TRIANGLE_STRIP) {
        for (int32_t i = 2; i < count; ++i) {
            // Every other triangle of a strip turns the other way round.
            if (i % 2 == 0) {
                emitTriangle(v[i - 2], v[i - 1], v[i], texture);
            } else {
                emitTriangle(v[i - 1], v[i - 2], v[i], texture);
            }
        }
    } else {
        for (int32_t i = 3; i < count; i += 4) {
            emitTriangle(v[i - 3], v[i - 2], v[i - 1], texture);
            emitTriangle(v[i - 3], v[i - 1], v[i], texture);
        }
    }
    glLayer.primitive = 0;
}

// ---- Buffers and pixel rectangles -------------------------------------------

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    const float color[4] = {red, green, blue, alpha};
    for (int32_t i = 0; i < 4; ++i) {
        glLayer.clearColor[i] = color[i] < 0.0f ? 0.0f : color[i] > 1.0f ? 1.0f : color[i];
    }
}

void glClear(GLbitfield mask)
{
    if ((mask & GL_COLOR_BUFFER_BIT) == 0) {
        return;  // the buffers have no depth or stencil
    }
    glLayerFlush();
    webglClear(drawState(0), glLayer.clearColor);
    if (glLayer.drawBuffer == GL_LAYER_FRONT) {
        glLayer.frontChanged = 1;
    }
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  GLvoid* pixels)
{
    PixelLayout layout;
    if (width < 0 || height < 0 || pixels == nullptr || !pixelLayoutOf(format, type, &layout)) {
        setError(GL_INVALID_OPERATION);
        return;
    }
    glLayerFlush();
    // Only what lies inside the buffer is read; the rest of the
    // destination keeps what it held.
    int32_t x0 = x > 0 ? x : 0;
    int32_t y0 = y > 0 ? y : 0;
    int32_t x1 = x + width < glLayer.bufferWidth ? x + width : glLayer.bufferWidth;
    int32_t y1 = y + height < glLayer.bufferHeight ? y + height : glLayer.bufferHeight;
    if (x1 <= x0 || y1 <= y0) {
        return;
    }
    int32_t readWidth = x1 - x0;
    int32_t readHeight = y1 - y0;
    readScratch.resize(static_cast<size_t>(readWidth) * readHeight * 4);
    webglReadPixels(glLayer.readBuffer, x0, y0, readWidth, readHeight, readScratch.data());
    int32_t stride = rowStride(width, layout.bytes, glLayer.packAlignment);
    uint8_t* first = static_cast<uint8_t*>(pixels) + static_cast<size_t>(y0 - y) * stride +
                     static_cast<size_t>(x0 - x) * layout.bytes;
    convertFromRgba(layout, readWidth, readHeight, stride, readScratch.data(), first);
}

void glRasterPos2i(GLint x, GLint y)
{
    float ndcX = 0.0f;
    float ndcY = 0.0f;
    transform(static_cast<float>(x), static_cast<float>(y), 0.0f, &ndcX, &ndcY);
    glLayer.rasterX = (ndcX + 1.0f) * 0.5f * glLayer.viewport[2] + glLayer.viewport[0];
    glLayer.rasterY = (ndcY + 1.0f) * 0.5f * glLayer.viewport[3] + glLayer.viewport[1];
}

void glPixelZoom(GLfloat x, GLfloat y)
{
    glLayer.zoomX = x;
    glLayer.zoomY = y;
}

void glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels)
{
    PixelLayout layout;
    if (width < 0 || height < 0 || !pixelLayoutOf(format, type, &layout)) {
        setError(GL_INVALID_OPERATION);
        return;
    }
    if (width == 0 || height == 0 || pixels == nullptr) {
        return;
    }
    glLayerFlush();
    // The rectangle becomes a texture drawn over the pixels it covers, each
    // texel onto the pixel whose centre falls in it, as GL rasterizes a
    // zoomed pixel rectangle.
    convertScratch.resize(static_cast<size_t>(width) * height * 4);
    int32_t rowPixels = glLayer.unpackRowLength > 0 ? glLayer.unpackRowLength : width;
    convertToRgba(layout, false, width, height,
                  rowStride(rowPixels, layout.bytes, glLayer.unpackAlignment),
                  static_cast<const uint8_t*>(pixels), convertScratch.data());
    if (glLayer.pixelTexture == 0) {
        glLayer.pixelTexture = webglCreateTexture();
    }
    webglTextureImage(glLayer.pixelTexture, width, height, convertScratch.data(), GL_NEAREST,
                      GL_NEAREST);

    const int32_t* viewport = glLayer.viewport;
    float left = glLayer.rasterX;
    float right = left + glLayer.zoomX * width;
    float first = glLayer.rasterY;
    float last = first + glLayer.zoomY * height;
    auto ndcX = [viewport](float window) { return (window - viewport[0]) * 2.0f / viewport[2] - 1.0f; };
    auto ndcY = [viewport](float window) { return (window - viewport[1]) * 2.0f / viewport[3] - 1.0f; };
    const uint32_t white = 0xFFFFFFFF;
    const GlVertex corners[6] = {
        {ndcX(left), ndcY(first), 0, 0, white},  {ndcX(right), ndcY(first), 1, 0, white},
        {ndcX(left), ndcY(last), 0, 1, white},   {ndcX(left), ndcY(last), 0, 1, white},
        {ndcX(right), ndcY(first), 1, 0, white}, {ndcX(right), ndcY(last), 1, 1, white},
    };
    GlDrawState state = drawState(0);
    state.mode = GL_LAYER_TEXTURE_REPLACE;
    state.texture = glLayer.pixelTexture;
    webglDrawTriangles(state, corners, 6);
    if (glLayer.drawBuffer == GL_LAYER_FRONT) {
        glLayer.frontChanged = 1;
    }
}

// ---- What the host calls ----------------------------------------------------------

void glLayerError(uint32_t error)
{
    if (glLayer.error == GL_NO_ERROR) {
        glLayer.error = error;
    }
}

void glLayerStateChanged()
{
    glLayer.stateChanged = 1;
}

void glLayerFlush()
{
    if (glLayer.batch.empty()) {
        return;
    }
    webglDrawTriangles(glLayer.batchState, glLayer.batch.data(),
                       static_cast<int32_t>(glLayer.batch.size()));
    if (glLayer.batchState.buffer == GL_LAYER_FRONT) {
        glLayer.frontChanged = 1;
    }
    glLayer.batch.clear();
}

void glLayerShowFront()
{
    glLayerFlush();
    if (glLayer.frontChanged != 0) {
        webglShowFront();
        glLayer.frontChanged = 0;
    }
}

void glLayerSwapBuffers()
{
    glLayerFlush();
    webglSwapBuffers();
    glLayer.frontChanged = 1;
}

bool glLayerStart(const char* selector, int32_t width, int32_t height)
{
    if (!webglStart(selector, width, height)) {
        return false;
    }
    resetLayer();
    glLayer.viewport[2] = width;
    glLayer.viewport[3] = height;
    glLayer.scissor[2] = width;
    glLayer.scissor[3] = height;
    glLayer.bufferWidth = width;
    glLayer.bufferHeight = height;
    return true;
}

void glLayerResize(int32_t width, int32_t height)
{
    if (width == glLayer.bufferWidth && height == glLayer.bufferHeight) {
        return;
    }
    glLayerFlush();
    webglResize(width, height);
    glLayer.bufferWidth = width;
    glLayer.bufferHeight = height;
}

// ---- Helpers ---------------------------------------------------------------------

static void resetLayer()
{
    glLayer.matrixMode = GL_PROJECTION;
    glLoadIdentity();
    glLayer.matrixMode = GL_MODELVIEW;
    glLoadIdentity();
    glLayer.color = 0xFFFFFFFF;
    glLayer.u = 0.0f;
    glLayer.v = 0.0f;
    glLayer.primitive = 0;
    glLayer.primitiveVertices.reserve(64);
    glLayer.batch.reserve(GL_LAYER_BATCH_LIMIT);
    glLayer.blend = 0;
    glLayer.scissorTest = 0;
    glLayer.texturing = 0;
    glLayer.dither = 1;
    glLayer.alphaTest = 0;
    glLayer.depthTest = 0;
    glLayer.textureEnvMode = GL_MODULATE;
    glLayer.projectionStack.clear();
    glLayer.modelviewStack.clear();
    glLayer.attributeStack.clear();
    glLayer.blendSrc = GL_ONE;
    glLayer.blendDst = GL_ZERO;
    glLayer.blendEquation = GL_FUNC_ADD;
    for (int32_t i = 0; i < 4; ++i) {
        glLayer.blendColor[i] = 0.0f;
        glLayer.colorMask[i] = 1;
        glLayer.clearColor[i] = 0.0f;
    }
    glLayer.drawBuffer = GL_LAYER_BACK;
    glLayer.readBuffer = GL_LAYER_BACK;
    glLayer.packAlignment = 4;
    glLayer.unpackAlignment = 4;
    glLayer.unpackRowLength = 0;
    glLayer.rasterX = 0.0f;
    glLayer.rasterY = 0.0f;
    glLayer.zoomX = 1.0f;
    glLayer.zoomY = 1.0f;
    glLayer.error = GL_NO_ERROR;
    glLayer.stateChanged = 1;
}

static void multiplyCurrent(const float* by)
{
    float* matrix = glLayer.matrixMode == GL_PROJECTION ? glLayer.projection : glLayer.modelview;
    float result[16];
    for (int32_t column = 0; column < 4; ++column) {
        for (int32_t row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int32_t k = 0; k < 4; ++k) {
                sum += matrix[k * 4 + row] * by[column * 4 + k];
            }
            result[column * 4 + row] = sum;
        }
    }
    memcpy(matrix, result, sizeof result);
    updateCombined();
}

static void updateCombined()
{
    const float* p = glLayer.projection;
    const float* m = glLayer.modelview;
    for (int32_t column = 0; column < 4; ++column) {
        for (int32_t row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int32_t k = 0; k < 4; ++k) {
                sum += p[k * 4 + row] * m[column * 4 + k];
            }
            glLayer.combined[column * 4 + row] = sum;
        }
    }
}

// Object coordinates to normalized device coordinates.
static void transform(float x, float y, float z, float* outX, float* outY)
{
    const float* c = glLayer.combined;
    float clipX = c[0] * x + c[4] * y + c[8] * z + c[12];
    float clipY = c[1] * x + c[5] * y + c[9] * z + c[13];
    float clipW = c[3] * x + c[7] * y + c[11] * z + c[15];
    *outX = clipX / clipW;
    *outY = clipY / clipW;
}

static void addVertex(float x, float y, float z)
{
    if (glLayer.primitive == 0) {
        return;  // outside glBegin/glEnd a vertex is ignored
    }
    GlVertex vertex;
    transform(x, y, z, &vertex.x, &vertex.y);
    vertex.u = glLayer.u;
    vertex.v = glLayer.v;
    vertex.color = glLayer.color;
    glLayer.primitiveVertices.push_back(vertex);
}

static void emitTriangle(const GlVertex& a, const GlVertex& b, const GlVertex& c, uint32_t texture)
{
    if (glLayer.feedback != nullptr) {
        GlFeedback& feedback = *glLayer.feedback;
        if (feedback.used + 2 + 3 * 11 > feedback.size) {
            feedback.overflow = 1;
            return;
        }
        feedback.values[feedback.used++] = static_cast<float>(GL_POLYGON_TOKEN);
        feedback.values[feedback.used++] = 3.0f;
        writeFeedback(a);
        writeFeedback(b);
        writeFeedback(c);
        return;
    }
    if (glLayer.stateChanged != 0 || texture != glLayer.batchState.texture) {
        GlDrawState state = drawState(texture);
        if (!glLayer.batch.empty() && !sameDrawState(state, glLayer.batchState)) {
            glLayerFlush();
        }
        glLayer.batchState = state;
        glLayer.stateChanged = 0;
    }
    if (glLayer.batch.size() + 3 > static_cast<size_t>(GL_LAYER_BATCH_LIMIT)) {
        glLayerFlush();
    }
    glLayer.batch.push_back(a);
    glLayer.batch.push_back(b);
    glLayer.batch.push_back(c);
}

// A vertex as GL_3D_COLOR_TEXTURE feedback gives it: window x, y, z, the
// colour, and s, t, r, q.
static void writeFeedback(const GlVertex& vertex)
{
    GlFeedback& feedback = *glLayer.feedback;
    const int32_t* viewport = glLayer.viewport;
    float* out = feedback.values + feedback.used;
    out[0] = (vertex.x + 1.0f) * 0.5f * viewport[2] + viewport[0];
    out[1] = (vertex.y + 1.0f) * 0.5f * viewport[3] + viewport[1];
    out[2] = 0.5f;
    for (int32_t i = 0; i < 4; ++i) {
        out[3 + i] = static_cast<float>((vertex.color >> (8 * i)) & 0xFF) / 255.0f;
    }
    out[7] = vertex.u;
    out[8] = vertex.v;
    out[9] = 0.0f;
    out[10] = 1.0f;
    feedback.used += 11;
}

// The state a triangle drawn now from `texture` (0: untextured; a texture
// name that holds no picture leaves fragments untextured, as in GL 1.x)
// would be drawn with.
static GlDrawState drawState(uint32_t texture)
{
    GlDrawState state = {};
    state.buffer = glLayer.drawBuffer;
    state.mode = texture == 0                             ? GL_LAYER_COLOR
                 : glLayer.textureEnvMode == GL_REPLACE ? GL_LAYER_TEXTURE_REPLACE
                                                        : GL_LAYER_TEXTURE_MODULATE;
    state.texture = texture;
    memcpy(state.viewport, glLayer.viewport, sizeof state.viewport);
    state.blend = glLayer.blend;
    state.blendSrc = glLayer.blendSrc;
    state.blendDst = glLayer.blendDst;
    state.blendEquation = glLayer.blendEquation;
    memcpy(state.blendColor, glLayer.blendColor, sizeof state.blendColor);
    state.scissorTest = glLayer.scissorTest;
    memcpy(state.scissor, glLayer.scissor, sizeof state.scissor);
    memcpy(state.colorMask, glLayer.colorMask, sizeof state.colorMask);
    return state;
}

static bool sameDrawState(const GlDrawState& a, const GlDrawState& b)
{
    return a.buffer == b.buffer && a.mode == b.mode && a.texture == b.texture &&
           memcmp(a.viewport, b.viewport, sizeof a.viewport) == 0 && a.blend == b.blend &&
           a.blendSrc == b.blendSrc && a.blendDst == b.blendDst &&
           a.blendEquation == b.blendEquation &&
           memcmp(a.blendColor, b.blendColor, sizeof a.blendColor) == 0 &&
           a.scissorTest == b.scissorTest && memcmp(a.scissor, b.scissor, sizeof a.scissor) == 0 &&
           memcmp(a.colorMask, b.colorMask, sizeof a.colorMask) == 0;
}

static void setError(GLenum error)
{
    glLayerError(error);
}

static void setFlag(int32_t* flag, int32_t value)
{
    if (*flag != value) {
        *flag = value;
        glLayerStateChanged();
    }
}
