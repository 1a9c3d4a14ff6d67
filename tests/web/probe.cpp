// The browser build's pieces in one page: a WebGL context on a 480x272
// canvas drawn through GL 1.x immediate mode (Emscripten's legacy GL
// emulation), PNG decoding with the emcc-built libpng, sound through the
// emcc-built SDL2_mixer, SDL2's gamepad subsystem, key events by
// KeyboardEvent.code, localStorage, and a frame loop that hands control back
// to the browser with Asyncify.
//
// Results go to the page's `probe` object (probe.html): `checks` (name, ok,
// detail, required), `frames`, `keys`, `intervals` and `state`. The GL
// checks that are not required tell which GL 1.x calls and pixel formats the
// emulation takes; tests/web/probe.test.mjs prints them and asserts the rest.
//
// Page parameters: ?webgl=2 asks for a WebGL 2 context (1 by default),
// ?yield=sleep waits with emscripten_sleep instead of the next animation frame.

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <SDL.h>
#include <SDL_mixer.h>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Emscripten's GL name lookup (system/lib/gl/gl.c), declared in no header.
extern "C" void* emscripten_GetProcAddress(const char* name);

constexpr int32_t PROBE_WIDTH = 480;
constexpr int32_t PROBE_HEIGHT = 272;
constexpr int32_t PROBE_SCALE = 8;  // texels are drawn as 8x8 squares
constexpr int32_t PROBE_SAMPLE_RATE = 22050;

struct Rgba {
    uint8_t r, g, b, a;
};

struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
};

// The bit layouts the upload cases pack their texels in.
enum Layout { LAYOUT_565_REV, LAYOUT_1555_REV, LAYOUT_4444_REV, LAYOUT_8888,
              LAYOUT_565, LAYOUT_5551, LAYOUT_4444, LAYOUT_BGRA_1555_REV,
              LAYOUT_BGRA_4444_REV };

struct UploadCase {
    const char* name;
    GLint internalFormat;
    GLenum format;
    GLenum type;
    Layout layout;
};

// The library's upload formats (plain and red/blue-exchanged fast paths),
// then WebGL's own 16-bit layouts for comparison.
static const UploadCase uploadCases[] = {
    {"PF_5650 GL_RGB5 GL_RGB UNSIGNED_SHORT_5_6_5_REV", GL_RGB5, GL_RGB,
     GL_UNSIGNED_SHORT_5_6_5_REV, LAYOUT_565_REV},
    {"PF_5551 GL_RGB5_A1 GL_RGBA UNSIGNED_SHORT_1_5_5_5_REV", GL_RGB5_A1, GL_RGBA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV, LAYOUT_1555_REV},
    {"PF_4444 GL_RGBA4 GL_RGBA UNSIGNED_SHORT_4_4_4_4_REV", GL_RGBA4, GL_RGBA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV, LAYOUT_4444_REV},
    {"PF_8888 GL_RGBA8 GL_RGBA UNSIGNED_BYTE", GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, LAYOUT_8888},
    {"PF_5551 fast GL_RGB5_A1 GL_BGRA UNSIGNED_SHORT_1_5_5_5_REV", GL_RGB5_A1, GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV, LAYOUT_BGRA_1555_REV},
    {"PF_4444 fast GL_RGBA4 GL_BGRA UNSIGNED_SHORT_4_4_4_4_REV", GL_RGBA4, GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV, LAYOUT_BGRA_4444_REV},
    {"unsized GL_RGBA GL_RGBA UNSIGNED_BYTE", GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, LAYOUT_8888},
    {"unsized GL_RGB GL_RGB UNSIGNED_SHORT_5_6_5", GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5,
     LAYOUT_565},
    {"unsized GL_RGBA GL_RGBA UNSIGNED_SHORT_5_5_5_1", GL_RGBA, GL_RGBA,
     GL_UNSIGNED_SHORT_5_5_5_1, LAYOUT_5551},
    {"unsized GL_RGBA GL_RGBA UNSIGNED_SHORT_4_4_4_4", GL_RGBA, GL_RGBA,
     GL_UNSIGNED_SHORT_4_4_4_4, LAYOUT_4444},
};

// Red, green, blue, white: a swapped channel shows in the first three.
static const Rgba testColors[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255},
                                   {255, 255, 255, 255}};

static GLuint probeTexture = 0;
static int32_t keyPresses = 0;
static double lastFrameTime = 0.0;

static void report(const char* name, bool ok, const std::string& detail, bool required);
static bool loadPicture(const char* path, Picture* picture);
static void uploadRgba(const Picture& picture);
static void drawQuad(float x, float y, float width, float height);
static Rgba readPixel(int32_t x, int32_t y);
static std::string describe(Rgba color);
static bool near(Rgba a, Rgba b, int32_t tolerance);
static std::string glErrors();
static void checkUploads();
static void checkCalls();
static void checkEntryPoints();
static std::vector<uint8_t> makeWav(float seconds, float frequency);
static EM_BOOL onKeyDown(int eventType, const EmscriptenKeyboardEvent* event, void* userData);
static void countRun();
static void waitFrame(bool useSleep);

// The legacy GL emulation sets up its immediate mode (matrices, vertex
// buffers, the generated shaders) only for a context made through
// Browser.createContext (SDL 1, GLUT, GLFW, EGL). A context from the HTML5
// API must start it by hand once current.
EM_JS(void, startGlEmulation, (), {
    Module.useWebGL = true;
    Browser.moduleContextCreatedCallbacks.forEach(function (callback) { callback(); });
});

EM_JS(int, pageWebglVersion, (), {
    return new URLSearchParams(location.search).get('webgl') == '2' ? 2 : 1;
});

EM_JS(int, pageUsesSleep, (), {
    return new URLSearchParams(location.search).get('yield') == 'sleep' ? 1 : 0;
});

EM_JS(void, setProbeState, (const char* state), {
    probe.state = UTF8ToString(state);
});

EM_JS(void, publishFrame, (int frames, int keys, double interval), {
    probe.frames = frames;
    probe.keys = keys;
    if (interval > 0) probe.intervals.push(interval);
});

// The next animation frame: the browser shows what was drawn, then the loop
// goes on at the display's pace.
EM_ASYNC_JS(void, nextAnimationFrame, (), {
    await new Promise(resolve => requestAnimationFrame(resolve));
});

// Calls a GL entry point through the function table and tells whether it
// threw (some of the emulation's entry points only throw "TODO").
EM_JS(int, callThrows, (int entry, int argument), {
    try {
        getWasmTableEntry(entry)(argument);
        return 0;
    } catch (e) {
        return 1;
    }
});

int main()
{
    int32_t webglVersion = pageWebglVersion();
    bool useSleep = pageUsesSleep() != 0;

    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_TRUE;  // a destination alpha, as the desktop contexts have
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_TRUE;  // the picture stays readable between frames
    attributes.majorVersion = webglVersion;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0) {
        report("WebGL context", false, "emscripten_webgl_create_context failed", true);
        setProbeState("failed");
        return 1;
    }
    emscripten_webgl_make_context_current(context);
    startGlEmulation();
    report("WebGL context", true, "WebGL " + std::to_string(webglVersion), true);

    glViewport(0, 0, PROBE_WIDTH, PROBE_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, PROBE_WIDTH, PROBE_HEIGHT, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.1f, 0.1f, 0.0f);  // as the library does: pixel centres stay inside
    glGenTextures(1, &probeTexture);
    glBindTexture(GL_TEXTURE_2D, probeTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    checkUploads();
    checkCalls();
    checkEntryPoints();

    Picture background;
    Picture sprite;
    bool decoded = loadPicture("fond.png", &background) && loadPicture("boules.png", &sprite);
    report("libpng decodes the preloaded pictures", decoded,
           decoded ? std::to_string(background.width) + "x" + std::to_string(background.height)
                   : "png_image_finish_read failed", true);

    // Sound: a WAV made here and an Ogg Vorbis file from the preloaded
    // files, each of which must play to its end (the browser pulls the
    // mixed samples only while its audio context runs).
    bool gamepads = SDL_Init(SDL_INIT_GAMECONTROLLER) == 0;
    report("SDL2 starts its gamepad subsystem (Gamepad API)", gamepads,
           gamepads ? std::to_string(SDL_NumJoysticks()) + " gamepads" : SDL_GetError(), true);
    bool audioOpen = SDL_Init(SDL_INIT_AUDIO) == 0 &&
                     Mix_Init(MIX_INIT_OGG) == MIX_INIT_OGG &&
                     Mix_OpenAudio(PROBE_SAMPLE_RATE * 2, MIX_DEFAULT_FORMAT, 2, 1024) == 0;
    report("SDL2_mixer opens the audio device", audioOpen, audioOpen ? "" : Mix_GetError(), true);
    std::vector<uint8_t> wav = makeWav(0.2f, 440.0f);
    Mix_Chunk* chunk = audioOpen ? Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size())), 1)
                                 : nullptr;
    Mix_Music* music = audioOpen ? Mix_LoadMUS("probe.ogg") : nullptr;
    report("SDL2_mixer loads WAV and Ogg Vorbis", chunk != nullptr && music != nullptr,
           chunk != nullptr && music != nullptr ? "" : Mix_GetError(), true);
    int32_t channel = chunk != nullptr ? Mix_PlayChannel(-1, chunk, 0) : -1;
    bool musicStarted = music != nullptr && Mix_PlayMusic(music, 0) == 0;
    bool soundReported = false;

    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKeyDown);
    countRun();

    // The frame loop: the background, a sprite sheet blended over it, and a
    // 16x16 square at the top left that turns green after an odd number of
    // Numpad2 presses. Each frame yields to the browser.
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    setProbeState("running");
    for (int32_t frame = 1;; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glColor4ub(255, 255, 255, 255);
        if (decoded) {
            uploadRgba(background);
            drawQuad(0, 0, static_cast<float>(background.width), static_cast<float>(background.height));
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
            uploadRgba(sprite);
            drawQuad(200, 80, static_cast<float>(sprite.width), static_cast<float>(sprite.height));
        }
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        if (keyPresses % 2 == 1) {
            glColor4ub(0, 255, 0, 255);
        } else {
            glColor4ub(255, 0, 255, 255);
        }
        drawQuad(0, 0, 16, 16);

        if (!soundReported && frame % 10 == 0 && channel >= 0 && musicStarted &&
            Mix_Playing(channel) == 0 && Mix_PlayingMusic() == 0) {
            report("WAV and Ogg Vorbis play to their end", true, "after " + std::to_string(frame) + " frames",
                   true);
            soundReported = true;
        }
        double now = emscripten_get_now();
        publishFrame(frame, keyPresses, lastFrameTime > 0.0 ? now - lastFrameTime : 0.0);
        lastFrameTime = now;
        waitFrame(useSleep);
    }
}

static void waitFrame(bool useSleep)
{
    if (useSleep) {
        emscripten_sleep(16);
    } else {
        nextAnimationFrame();
    }
}

static void checkUploads()
{
    // Each case uploads the four colours as a 4x1 texture in its layout and
    // draws it 8 times enlarged; the read-back squares must show the colours.
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor4ub(255, 255, 255, 255);
    for (const UploadCase& upload : uploadCases) {
        uint8_t data[4 * 4] = {};
        int32_t bytes = upload.layout == LAYOUT_8888 ? 4 : 2;
        for (int32_t i = 0; i < 4; ++i) {
            const Rgba& c = testColors[i];
            uint32_t v = 0;
            switch (upload.layout) {
            case LAYOUT_565_REV: v = (c.r >> 3) | (c.g >> 2) << 5 | (c.b >> 3) << 11; break;
            case LAYOUT_1555_REV: v = (c.r >> 3) | (c.g >> 3) << 5 | (c.b >> 3) << 10 | (c.a >> 7) << 15; break;
            case LAYOUT_4444_REV: v = (c.r >> 4) | (c.g >> 4) << 4 | (c.b >> 4) << 8 | (c.a >> 4) << 12; break;
            case LAYOUT_BGRA_1555_REV: v = (c.b >> 3) | (c.g >> 3) << 5 | (c.r >> 3) << 10 | (c.a >> 7) << 15; break;
            case LAYOUT_BGRA_4444_REV: v = (c.b >> 4) | (c.g >> 4) << 4 | (c.r >> 4) << 8 | (c.a >> 4) << 12; break;
            case LAYOUT_565: v = (c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3); break;
            case LAYOUT_5551: v = (c.r >> 3) << 11 | (c.g >> 3) << 6 | (c.b >> 3) << 1 | (c.a >> 7); break;
            case LAYOUT_4444: v = (c.r >> 4) << 12 | (c.g >> 4) << 8 | (c.b >> 4) << 4 | (c.a >> 4); break;
            case LAYOUT_8888: v = c.r | c.g << 8 | c.b << 16 | static_cast<uint32_t>(c.a) << 24; break;
            }
            memcpy(data + i * bytes, &v, static_cast<size_t>(bytes));
        }
        glGetError();
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glTexImage2D(GL_TEXTURE_2D, 0, upload.internalFormat, 4, 1, 0, upload.format, upload.type, data);
        std::string errors = glErrors();
        drawQuad(0, 0, 4 * PROBE_SCALE, PROBE_SCALE);
        std::string seen;
        bool ok = errors.empty();
        for (int32_t i = 0; i < 4; ++i) {
            Rgba pixel = readPixel(i * PROBE_SCALE + PROBE_SCALE / 2, PROBE_SCALE / 2);
            ok = ok && near(pixel, testColors[i], 0);
            seen += (i > 0 ? " " : "") + describe(pixel);
        }
        report(upload.name, ok, errors.empty() ? seen : errors + ", then " + seen, false);
    }
    glDisable(GL_TEXTURE_2D);
}

static void checkCalls()
{
    const Rgba black = {0, 0, 0, 255};
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);

    // glScissor: a clear reaches only the box.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(10, PROBE_HEIGHT - 30, 20, 20);  // GL's origin is the bottom left
    glEnable(GL_SCISSOR_TEST);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    Rgba inside = readPixel(20, 20);
    Rgba outside = readPixel(40, 20);
    report("glScissor", near(inside, {255, 0, 0, 255}, 0) && near(outside, black, 0),
           describe(inside) + " inside, " + describe(outside) + " outside", true);

    // glColorMask: a white square with red writes off is cyan; with alpha
    // writes off the cleared alpha stays.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_FALSE, GL_TRUE, GL_TRUE, GL_FALSE);
    glColor4ub(255, 255, 255, 0);
    drawQuad(0, 0, 16, 16);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    Rgba masked = readPixel(8, 8);
    report("glColorMask", near(masked, {0, 255, 255, 255}, 0), describe(masked), true);

    // glBlendFunc with a half-transparent vertex colour over blue.
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glColor4ub(255, 0, 0, 128);
    drawQuad(0, 0, 16, 16);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_BLEND);
    Rgba blended = readPixel(8, 8);
    report("glBlendFunc(SRC_ALPHA, ONE_MINUS_SRC_ALPHA)", near(blended, {128, 0, 127, 255}, 1),
           describe(blended), true);

    // A texture modulated by the vertex colour (the library's tint).
    const uint8_t white[4] = {255, 255, 255, 255};
    glEnable(GL_TEXTURE_2D);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glColor4ub(255, 128, 0, 255);
    drawQuad(0, 0, 16, 16);
    glDisable(GL_TEXTURE_2D);
    Rgba tinted = readPixel(8, 8);
    report("texture modulated by glColor4ub", near(tinted, {255, 128, 0, 255}, 1), describe(tinted), true);

    // Enabled state read back, as setDrawTarget saves and restores it.
    glEnable(GL_TEXTURE_2D);
    GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_2D);
    report("glIsEnabled(GL_TEXTURE_2D)", texturing == GL_TRUE, glErrors(), false);

    // Read-backs in the library's 16-bit transfer types.
    struct ReadCase {
        const char* name;
        GLenum format, type;
    };
    static const ReadCase readCases[] = {
        {"glReadPixels GL_RGBA UNSIGNED_BYTE", GL_RGBA, GL_UNSIGNED_BYTE},
        {"glReadPixels GL_RGB UNSIGNED_SHORT_5_6_5_REV", GL_RGB, GL_UNSIGNED_SHORT_5_6_5_REV},
        {"glReadPixels GL_RGBA UNSIGNED_SHORT_1_5_5_5_REV", GL_RGBA, GL_UNSIGNED_SHORT_1_5_5_5_REV},
        {"glReadPixels GL_RGBA UNSIGNED_SHORT_4_4_4_4_REV", GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_REV},
    };
    for (const ReadCase& read : readCases) {
        uint8_t pixels[4 * 4] = {};
        glGetError();
        glReadPixels(0, 0, 2, 1, read.format, read.type, pixels);
        std::string errors = glErrors();
        report(read.name, errors.empty(), errors, false);
    }

    // Row length for uploads from within a wider buffer (WebGL 2 only).
    uint8_t wide[8 * 4];
    for (int32_t i = 0; i < 8; ++i) {
        Rgba c = i < 4 ? testColors[i] : black;
        memcpy(wide + i * 4, &c, 4);
    }
    glGetError();
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 8);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, wide);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    std::string rowErrors = glErrors();
    report("glPixelStorei(GL_UNPACK_ROW_LENGTH)", rowErrors.empty(), rowErrors, false);

    glGetError();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, GL_BLUE);
    std::string swizzleErrors = glErrors();
    report("glTexParameteri(GL_TEXTURE_SWIZZLE_R)", swizzleErrors.empty(), swizzleErrors, false);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, GL_RED);
    glGetError();

    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    report("glGetString(GL_VERSION)", version != nullptr, version != nullptr ? version : "null", false);
    report("glGetString(GL_EXTENSIONS)", extensions != nullptr,
           extensions != nullptr ? extensions : "null", false);
}

static void checkEntryPoints()
{
    // Looked up by name, as the library looks up glBlendEquation and the
    // shader objects, and as a host would look up the rest.
    static const char* const names[] = {
        "glBlendEquation", "glBlendColor", "glDrawPixels", "glRasterPos2i", "glPixelZoom",
        "glReadBuffer", "glDrawBuffer", "glShadeModel", "glCreateShaderObjectARB",
        "glShaderSourceARB", "glCompileShaderARB", "glCreateProgramObjectARB",
        "glAttachObjectARB", "glDetachObjectARB", "glLinkProgramARB", "glUseProgramObjectARB",
        "glGetUniformLocationARB", "glUniform1iARB", "glUniform1fARB", "glUniform2fARB",
        "glUniform3fARB", "glUniform4fARB", "glGetObjectParameterivARB", "glGetInfoLogARB",
        "glDeleteObjectARB",
    };
    for (const char* name : names) {
        void* entry = emscripten_GetProcAddress(name);
        std::string detail = entry != nullptr ? "found" : "missing";
        bool ok = entry != nullptr;
        if (entry != nullptr && (strcmp(name, "glReadBuffer") == 0 || strcmp(name, "glDrawBuffer") == 0)) {
            // The emulation defines these two but only throws when called.
            bool threw = callThrows(static_cast<int>(reinterpret_cast<intptr_t>(entry)), GL_BACK) != 0;
            detail += threw ? ", throws when called" : ", callable";
            ok = !threw;
        }
        report((std::string("lookup ") + name).c_str(), ok, detail, false);
    }
}

static void report(const char* name, bool ok, const std::string& detail, bool required)
{
    EM_ASM({
        probe.checks.push({name: UTF8ToString($0), ok: !!$1, detail: UTF8ToString($2), required: !!$3});
    }, name, ok ? 1 : 0, detail.c_str(), required ? 1 : 0);
}

static bool loadPicture(const char* path, Picture* picture)
{
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path) == 0) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    picture->width = static_cast<int32_t>(image.width);
    picture->height = static_cast<int32_t>(image.height);
    picture->rgba.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture->rgba.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    return true;
}

static void uploadRgba(const Picture& picture)
{
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, picture.width, picture.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, picture.rgba.data());
}

static void drawQuad(float x, float y, float width, float height)
{
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x, y, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x + width, y, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x, y + height, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x + width, y + height, 0.0f);
    glEnd();
}

static Rgba readPixel(int32_t x, int32_t y)
{
    Rgba pixel = {};
    glReadPixels(x, PROBE_HEIGHT - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}

static std::string describe(Rgba color)
{
    char text[32];
    snprintf(text, sizeof(text), "(%d,%d,%d,%d)", color.r, color.g, color.b, color.a);
    return text;
}

static bool near(Rgba a, Rgba b, int32_t tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance && std::abs(a.a - b.a) <= tolerance;
}

static std::string glErrors()
{
    std::string errors;
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
        char text[32];
        snprintf(text, sizeof(text), "%sGL error 0x%04X", errors.empty() ? "" : ", ", error);
        errors += text;
    }
    return errors;
}

static std::vector<uint8_t> makeWav(float seconds, float frequency)
{
    int32_t samples = static_cast<int32_t>(seconds * PROBE_SAMPLE_RATE);
    int32_t dataBytes = samples * 2;
    std::vector<uint8_t> wav(44 + static_cast<size_t>(dataBytes));
    auto put32 = [&wav](size_t at, uint32_t v) { memcpy(wav.data() + at, &v, 4); };
    auto put16 = [&wav](size_t at, uint16_t v) { memcpy(wav.data() + at, &v, 2); };
    memcpy(wav.data(), "RIFF", 4);
    put32(4, static_cast<uint32_t>(36 + dataBytes));
    memcpy(wav.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);  // PCM
    put16(22, 1);  // mono
    put32(24, PROBE_SAMPLE_RATE);
    put32(28, PROBE_SAMPLE_RATE * 2);
    put16(32, 2);
    put16(34, 16);
    memcpy(wav.data() + 36, "data", 4);
    put32(40, static_cast<uint32_t>(dataBytes));
    for (int32_t i = 0; i < samples; ++i) {
        float value = std::sin(6.2831853f * frequency * static_cast<float>(i) / PROBE_SAMPLE_RATE);
        put16(44 + static_cast<size_t>(i) * 2, static_cast<uint16_t>(static_cast<int16_t>(value * 8000.0f)));
    }
    return wav;
}

static EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*)
{
    if (strcmp(event->code, "Numpad2") == 0 && !event->repeat) {
        ++keyPresses;
    }
    return EM_TRUE;
}

// Counts the page's starts in localStorage, so a reload shows in the store.
static void countRun()
{
    EM_ASM({
        var runs = parseInt(localStorage.getItem('quorlProbe/runs') || '0', 10);
        localStorage.setItem('quorlProbe/runs', String(runs + 1));
    });
}
