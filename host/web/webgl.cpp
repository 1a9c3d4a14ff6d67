// The WebGL back end of the browser host's GL (gl_layer.h): one shader
// program, one vertex buffer, the two framebuffers that stand for the
// screen's front and back buffers, and a cache of the WebGL state last set so
// that a draw sets only what changed. Everything here calls Emscripten's
// emscripten_gl* functions: the plain gl* names belong to gl.cpp.
#include <GLES2/gl2.h>
#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <cstddef>  // Required for: offsetof

#include "host/web/gl_layer.h"

// Attribute locations of the program.
constexpr GLuint WEBGL_POSITION = 0;
constexpr GLuint WEBGL_TEXCOORD = 1;
constexpr GLuint WEBGL_COLOR = 2;

struct WebglState {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context;
    const char* selector;   // of the canvas
    int32_t width, height;  // of the canvas and the screen buffers
    GLuint programs[3];  // by mode
    GLuint vertexBuffer;
    GLuint framebuffers[2];  // [GL_LAYER_FRONT], [GL_LAYER_BACK]
    GLuint colorTextures[2];
    // The state last given to WebGL; `known` is 0 when it must all be set anew.
    int32_t known;
    GlDrawState applied;
    GLuint appliedFramebuffer;
    GLuint boundTexture;
};

static WebglState webgl = {};

static const char* const VERTEX_SHADER =
    "attribute vec2 position;\n"
    "attribute vec2 texCoord;\n"
    "attribute vec4 color;\n"
    "varying vec2 vTexCoord;\n"
    "varying vec4 vColor;\n"
    "void main() {\n"
    "    vTexCoord = texCoord;\n"
    "    vColor = color;\n"
    "    gl_Position = vec4(position, 0.0, 1.0);\n"
    "}\n";

// One program per fragment colouring, indexed by GL_LAYER_COLOR ...: a
// branch on a uniform would have every fragment take all the ways (a
// software rasterizer runs them side by side).
static const char* const FRAGMENT_SHADERS[3] = {
    "precision mediump float;\n"
    "varying vec4 vColor;\n"
    "void main() {\n"
    "    gl_FragColor = vColor;\n"
    "}\n",
    "precision highp float;\n"
    "uniform sampler2D texture;\n"
    "varying vec2 vTexCoord;\n"
    "varying vec4 vColor;\n"
    "void main() {\n"
    "    gl_FragColor = texture2D(texture, vTexCoord) * vColor;\n"
    "}\n",
    "precision highp float;\n"
    "uniform sampler2D texture;\n"
    "varying vec2 vTexCoord;\n"
    "void main() {\n"
    "    gl_FragColor = texture2D(texture, vTexCoord);\n"
    "}\n",
};

static GLuint compileShader(GLenum kind, const char* source);
static GLuint buildProgram(const char* fragmentSource);
static bool makeScreenBuffer(int32_t index);
static void apply(const GlDrawState& state);
static void bindFramebuffer(GLuint framebuffer);
static void bindTexture(GLuint texture);
static bool isPowerOfTwo(int32_t value);

bool webglStart(const char* selector, int32_t width, int32_t height)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    // The screen buffers are framebuffers of their own: the canvas needs
    // nothing but colour, and keeps it for whoever reads it between frames.
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_TRUE;
    attributes.majorVersion = 2;
    webgl.context = emscripten_webgl_create_context(selector, &attributes);
    if (webgl.context <= 0) {
        attributes.majorVersion = 1;
        webgl.context = emscripten_webgl_create_context(selector, &attributes);
    }
    if (webgl.context <= 0 || emscripten_webgl_make_context_current(webgl.context) != EMSCRIPTEN_RESULT_SUCCESS) {
        return false;
    }
    // WebGL 1 has GL_MAX and GL_MIN only through this extension.
    emscripten_webgl_enable_extension(webgl.context, "EXT_blend_minmax");
    webgl.selector = selector;
    webgl.width = width;
    webgl.height = height;
    for (int32_t mode = 0; mode < 3; ++mode) {
        webgl.programs[mode] = buildProgram(FRAGMENT_SHADERS[mode]);
        if (webgl.programs[mode] == 0) {
            return false;
        }
    }
    emscripten_glGenBuffers(1, &webgl.vertexBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, webgl.vertexBuffer);
    emscripten_glEnableVertexAttribArray(WEBGL_POSITION);
    emscripten_glEnableVertexAttribArray(WEBGL_TEXCOORD);
    emscripten_glEnableVertexAttribArray(WEBGL_COLOR);
    const GLsizei stride = sizeof(GlVertex);
    emscripten_glVertexAttribPointer(WEBGL_POSITION, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(GlVertex, x)));
    emscripten_glVertexAttribPointer(WEBGL_TEXCOORD, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<void*>(offsetof(GlVertex, u)));
    emscripten_glVertexAttribPointer(WEBGL_COLOR, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                                     reinterpret_cast<void*>(offsetof(GlVertex, color)));
    emscripten_glActiveTexture(GL_TEXTURE0);
    emscripten_glDisable(GL_DITHER);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (!makeScreenBuffer(GL_LAYER_FRONT) || !makeScreenBuffer(GL_LAYER_BACK)) {
        return false;
    }
    webgl.known = 0;
    return true;
}

void webglDrawTriangles(const GlDrawState& state, const GlVertex* vertices, int32_t count)
{
    if (count <= 0) {
        return;
    }
    apply(state);
    // A new store each time: WebGL need not wait for draws still reading the last.
    emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(sizeof(GlVertex)) * count,
                            vertices, GL_STREAM_DRAW);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, count);
}

void webglClear(const GlDrawState& state, const float rgba[4])
{
    apply(state);
    emscripten_glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    emscripten_glClear(GL_COLOR_BUFFER_BIT);
}

uint32_t webglCreateTexture()
{
    GLuint texture = 0;
    emscripten_glGenTextures(1, &texture);
    return texture;
}

void webglTextureImage(uint32_t texture, int32_t width, int32_t height, const uint8_t* rgba,
                       int32_t minFilter, int32_t magFilter)
{
    bindTexture(texture);
    // WebGL 1 samples a texture whose sides are not powers of two only when
    // it is clamped; the library's own textures are powers of two.
    GLint wrap = isPowerOfTwo(width) && isPowerOfTwo(height) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void webglTextureSubImage(uint32_t texture, int32_t x, int32_t y, int32_t width, int32_t height,
                          const uint8_t* rgba)
{
    bindTexture(texture);
    emscripten_glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void webglTextureFilters(uint32_t texture, int32_t minFilter, int32_t magFilter)
{
    bindTexture(texture);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

void webglReadPixels(int32_t buffer, int32_t x, int32_t y, int32_t width, int32_t height,
                     uint8_t* rgba)
{
    bindFramebuffer(webgl.framebuffers[buffer]);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void webglReadTexture(uint32_t texture, int32_t width, int32_t height, uint8_t* rgba)
{
    GLuint framebuffer = 0;
    emscripten_glGenFramebuffers(1, &framebuffer);
    bindFramebuffer(framebuffer);
    emscripten_glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    emscripten_glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    bindFramebuffer(webgl.framebuffers[GL_LAYER_BACK]);
    emscripten_glDeleteFramebuffers(1, &framebuffer);
}

void webglCopyToTexture(uint32_t texture, int32_t x, int32_t y, int32_t buffer, int32_t left,
                        int32_t bottom, int32_t width, int32_t height)
{
    bindFramebuffer(webgl.framebuffers[buffer]);
    bindTexture(texture);
    emscripten_glCopyTexSubImage2D(GL_TEXTURE_2D, 0, x, y, left, bottom, width, height);
}

void webglResize(int32_t width, int32_t height)
{
    webgl.width = width;
    webgl.height = height;
    emscripten_set_canvas_element_size(webgl.selector, width, height);
    for (GLuint texture : webgl.colorTextures) {
        bindTexture(texture);
        emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                                nullptr);
    }
    webgl.known = 0;
}

void webglReadCanvas(int32_t width, int32_t height, uint8_t* rgba)
{
    bindFramebuffer(0);
    emscripten_glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void webglSwapBuffers()
{
    GLuint framebuffer = webgl.framebuffers[GL_LAYER_FRONT];
    GLuint texture = webgl.colorTextures[GL_LAYER_FRONT];
    webgl.framebuffers[GL_LAYER_FRONT] = webgl.framebuffers[GL_LAYER_BACK];
    webgl.colorTextures[GL_LAYER_FRONT] = webgl.colorTextures[GL_LAYER_BACK];
    webgl.framebuffers[GL_LAYER_BACK] = framebuffer;
    webgl.colorTextures[GL_LAYER_BACK] = texture;
    webgl.known = 0;
}

void webglShowFront()
{
    const float right = 1.0f;
    const float top = 1.0f;
    const uint32_t white = 0xFFFFFFFF;
    const GlVertex corners[6] = {
        {-1, -1, 0, 0, white},    {right, -1, 1, 0, white}, {-1, top, 0, 1, white},
        {-1, top, 0, 1, white},   {right, -1, 1, 0, white}, {right, top, 1, 1, white},
    };
    bindFramebuffer(0);
    emscripten_glViewport(0, 0, webgl.width, webgl.height);
    emscripten_glDisable(GL_BLEND);
    emscripten_glDisable(GL_SCISSOR_TEST);
    emscripten_glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    bindTexture(webgl.colorTextures[GL_LAYER_FRONT]);
    emscripten_glUseProgram(webgl.programs[GL_LAYER_TEXTURE_REPLACE]);
    emscripten_glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STREAM_DRAW);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, 6);
    webgl.known = 0;
}

static GLuint compileShader(GLenum kind, const char* source)
{
    GLuint shader = emscripten_glCreateShader(kind);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    return compiled ? shader : 0;
}

static GLuint buildProgram(const char* fragmentSource)
{
    GLuint vertex = compileShader(GL_VERTEX_SHADER, VERTEX_SHADER);
    GLuint fragment = compileShader(GL_FRAGMENT_SHADER, fragmentSource);
    if (vertex == 0 || fragment == 0) {
        return 0;
    }
    GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, vertex);
    emscripten_glAttachShader(program, fragment);
    emscripten_glBindAttribLocation(program, WEBGL_POSITION, "position");
    emscripten_glBindAttribLocation(program, WEBGL_TEXCOORD, "texCoord");
    emscripten_glBindAttribLocation(program, WEBGL_COLOR, "color");
    emscripten_glLinkProgram(program);
    GLint linked = 0;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        return 0;
    }
    GLint sampler = emscripten_glGetUniformLocation(program, "texture");
    if (sampler >= 0) {
        emscripten_glUseProgram(program);
        emscripten_glUniform1i(sampler, 0);
    }
    return program;
}

// A framebuffer with an RGBA texture of the screen's size, opaque black.
static bool makeScreenBuffer(int32_t index)
{
    GLuint texture = webglCreateTexture();
    bindTexture(texture);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, webgl.width, webgl.height, 0, GL_RGBA,
                            GL_UNSIGNED_BYTE, nullptr);
    GLuint framebuffer = 0;
    emscripten_glGenFramebuffers(1, &framebuffer);
    emscripten_glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    emscripten_glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (emscripten_glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return false;
    }
    emscripten_glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    emscripten_glClear(GL_COLOR_BUFFER_BIT);
    webgl.framebuffers[index] = framebuffer;
    webgl.colorTextures[index] = texture;
    webgl.appliedFramebuffer = framebuffer;
    return true;
}

// Gives WebGL what differs from the state it was last given.
static void apply(const GlDrawState& state)
{
    const GlDrawState& old = webgl.applied;
    bool all = webgl.known == 0;
    bindFramebuffer(webgl.framebuffers[state.buffer]);
    if (all || state.mode != old.mode) {
        emscripten_glUseProgram(webgl.programs[state.mode]);
    }
    // Untextured draws unbind the texture: a screen buffer's own texture
    // left bound (by webglShowFront) would make a draw into that buffer a
    // feedback loop, which WebGL refuses.
    bindTexture(state.mode != GL_LAYER_COLOR ? state.texture : 0);
    if (all || state.viewport[0] != old.viewport[0] || state.viewport[1] != old.viewport[1] ||
        state.viewport[2] != old.viewport[2] || state.viewport[3] != old.viewport[3]) {
        emscripten_glViewport(state.viewport[0], state.viewport[1], state.viewport[2], state.viewport[3]);
    }
    if (all || state.blend != old.blend) {
        (state.blend ? emscripten_glEnable : emscripten_glDisable)(GL_BLEND);
    }
    if (all || state.blendSrc != old.blendSrc || state.blendDst != old.blendDst) {
        emscripten_glBlendFunc(state.blendSrc, state.blendDst);
    }
    if (all || state.blendEquation != old.blendEquation) {
        emscripten_glBlendEquation(state.blendEquation);
    }
    if (all || state.blendColor[0] != old.blendColor[0] || state.blendColor[1] != old.blendColor[1] ||
        state.blendColor[2] != old.blendColor[2] || state.blendColor[3] != old.blendColor[3]) {
        emscripten_glBlendColor(state.blendColor[0], state.blendColor[1], state.blendColor[2],
                                state.blendColor[3]);
    }
    if (all || state.scissorTest != old.scissorTest) {
        (state.scissorTest ? emscripten_glEnable : emscripten_glDisable)(GL_SCISSOR_TEST);
    }
    if (all || state.scissor[0] != old.scissor[0] || state.scissor[1] != old.scissor[1] ||
        state.scissor[2] != old.scissor[2] || state.scissor[3] != old.scissor[3]) {
        emscripten_glScissor(state.scissor[0], state.scissor[1], state.scissor[2], state.scissor[3]);
    }
    if (all || state.colorMask[0] != old.colorMask[0] || state.colorMask[1] != old.colorMask[1] ||
        state.colorMask[2] != old.colorMask[2] || state.colorMask[3] != old.colorMask[3]) {
        emscripten_glColorMask(state.colorMask[0], state.colorMask[1], state.colorMask[2],
                               state.colorMask[3]);
    }
    webgl.applied = state;
    webgl.known = 1;
}

static void bindFramebuffer(GLuint framebuffer)
{
    if (webgl.known == 0 || framebuffer != webgl.appliedFramebuffer) {
        emscripten_glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        webgl.appliedFramebuffer = framebuffer;
    }
}

static void bindTexture(GLuint texture)
{
    if (texture != webgl.boundTexture) {
        emscripten_glBindTexture(GL_TEXTURE_2D, texture);
        webgl.boundTexture = texture;
    }
}

static bool isPowerOfTwo(int32_t value)
{
    return value > 0 && (value & (value - 1)) == 0;
}
