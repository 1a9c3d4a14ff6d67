// Library start-up: the console's power-on state, the GL context on the main
// window with a one-to-one 2D projection, and the resources that every later
// drawing shares. Everything made here lives until the process ends.
#include "gfx/library.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <cstdio>   // Required for: fopen, fread, fclose
#include <cstdlib>  // Required for: malloc, realloc, free
#include <cstring>  // Required for: strstr

#include "emu/controller.h"
#include "emu/timing.h"
#include "gfx/image.h"
#include "host/common.h"  // Required for: dataFilePath

// The fixed pixel format the window asks for.
static const PixelFormatDescription windowPixelFormat = {
    32,     // colorBits
    8, 0,   // red bits, shift
    8, 8,   // green
    8, 16,  // blue
    8, 24,  // alpha
    32,     // depthBits
    0,      // stencilBits
    1,      // doubleBuffer
    0,      // needPalette
};

constexpr int32_t LIB_CONTROLLER_REPEAT_MASK = 0x3F0;
constexpr int32_t LIB_TEXT_CHUNK = 1024;
constexpr int32_t LIB_MAX_PALETTE_BITS = 16;
constexpr const char* LIB_SHADER_FILE = "screen.frag";

GLuint textureRing[TEXTURE_RING_SIZE] = {};
GLuint textureName = 0;
uint8_t* readBackBuffer = nullptr;
uint8_t* videoMemory = nullptr;
uint32_t currentColor = 0xFFFFFFFF;
BlendEquationFn blendEquationFn = nullptr;
BlendColorFn blendColorFn = nullptr;
GLuint fragmentShader = 0;
GLuint shaderProgram = 0;
int32_t contextDoubleBuffered = 1;
int32_t textureSwizzle = 0;

// The shader-object entry points, looked up by loadShaderExtension.
static PFNGLCREATESHADEROBJECTARBPROC createShaderObjectFn = nullptr;
static PFNGLSHADERSOURCEARBPROC shaderSourceFn = nullptr;
static PFNGLCOMPILESHADERARBPROC compileShaderFn = nullptr;
static PFNGLCREATEPROGRAMOBJECTARBPROC createProgramObjectFn = nullptr;
static PFNGLATTACHOBJECTARBPROC attachObjectFn = nullptr;
static PFNGLLINKPROGRAMARBPROC linkProgramFn = nullptr;
static PFNGLUSEPROGRAMOBJECTARBPROC useProgramObjectFn = nullptr;
static PFNGLUNIFORM1IARBPROC uniform1iFn = nullptr;
static PFNGLUNIFORM1FARBPROC uniform1fFn = nullptr;
static PFNGLUNIFORM2FARBPROC uniform2fFn = nullptr;
static PFNGLUNIFORM3FARBPROC uniform3fFn = nullptr;
static PFNGLUNIFORM4FARBPROC uniform4fFn = nullptr;
static PFNGLGETUNIFORMLOCATIONARBPROC getUniformLocationFn = nullptr;
static PFNGLDETACHOBJECTARBPROC detachObjectFn = nullptr;
static PFNGLDELETEOBJECTARBPROC deleteObjectFn = nullptr;
static PFNGLGETOBJECTPARAMETERIVARBPROC getObjectParameterFn = nullptr;
static PFNGLGETINFOLOGARBPROC getInfoLogFn = nullptr;

static void setupGlContext();
static bool selectPixelFormat();
static void initGlResources();
static bool hasExtension(const char* extensions, const char* name);
static const char* glText(GLenum name);
static bool shaderStepSucceeded(GLhandleARB object, GLenum status, const char* step);
static uint8_t rampValue(int32_t bits, int32_t shift, int32_t index);

void initLibrary()
{
    controller = &controllerRecord;
    controller->repeatMask = LIB_CONTROLLER_REPEAT_MASK;
    controller->repeatDelay = 0;
    controller->repeatInterval = 0;
    quitRequested.store(0, std::memory_order_relaxed);
    maxFrameSkip = 5;
    vsyncFlags = VSYNC_FIXED_RATE;
    frameSkip = 0;
    vblankCount = 0;
    frameCount = 0;
    skipping = 0;
    skipCount = 0;

    setupGlContext();

    currentColor = 0xFFFFFFFF;
    glColor4ub(255, 255, 255, 255);

    initGlResources();
}

static void setupGlContext()
{
    if (!selectPixelFormat()) {
        return;
    }
    setupPalette();
    int32_t result = wsCreateContext();
    if (result != WS_OK) {
        wsMessageBox(result == WS_MAKE_CURRENT_FAILED ? "wglMakeCurrent failed" : "wglCreateContext failed", "");
        return;
    }
    // The window system may have had to settle for a single buffer; the
    // screen then works single-buffered (initGraphics) rather than drawing
    // into a back buffer that does not exist.
    PixelFormatDescription obtained = {};
    wsDescribePixelFormat(&obtained);
    contextDoubleBuffered = obtained.doubleBuffer != 0 ? 1 : 0;

    glViewport(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, SCREEN_WIDTH, SCREEN_HEIGHT, 0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.1f, 0.1f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
}

static bool selectPixelFormat()
{
    int32_t result = wsSelectPixelFormat(windowPixelFormat);
    if (result == WS_NO_PIXEL_FORMAT) {
        wsMessageBox("ChoosePixelFormat failed", "");
        return false;
    }
    if (result != WS_OK) {
        wsMessageBox("SetPixelFormat failed", "");
        return false;
    }
    return true;
}

void setupPalette()
{
    PixelFormatDescription format = {};
    wsDescribePixelFormat(&format);
    if (!format.needPalette || format.colorBits <= 0 || format.colorBits > LIB_MAX_PALETTE_BITS) {
        return;
    }
    int32_t count = 1 << format.colorBits;
    PaletteEntry* entries = static_cast<PaletteEntry*>(malloc(sizeof(PaletteEntry) * count));
    if (entries == nullptr) {
        return;
    }
    count = buildPaletteEntries(format, entries, count);
    wsSetPalette(entries, count);
    free(entries);
}

int32_t buildPaletteEntries(const PixelFormatDescription& format, PaletteEntry* entries,
                            int32_t capacity)
{
    if (entries == nullptr || format.colorBits < 0 || format.colorBits > LIB_MAX_PALETTE_BITS) {
        return 0;
    }
    int32_t count = 1 << format.colorBits;
    if (count > capacity) {
        count = capacity;
    }
    for (int32_t i = 0; i < count; ++i) {
        entries[i].red = rampValue(format.redBits, format.redShift, i);
        entries[i].green = rampValue(format.greenBits, format.greenShift, i);
        entries[i].blue = rampValue(format.blueBits, format.blueShift, i);
        entries[i].flags = 0;
    }
    bool layout332 = format.colorBits == 8 && format.redBits == 3 && format.redShift == 0 &&
                     format.greenBits == 3 && format.greenShift == 3 && format.blueBits == 2 &&
                     format.blueShift == 6;
    if (layout332) {
        // The window system's reserved colours, so other programs keep theirs.
        static const struct {
            int32_t index;
            uint8_t red, green, blue;
        } fixedColors[] = {
            {3, 128, 0, 0},     {24, 0, 128, 0},      {27, 128, 128, 0},
            {64, 0, 0, 128},    {67, 128, 0, 128},    {88, 0, 128, 128},
            {173, 192, 192, 192}, {181, 192, 220, 192}, {236, 166, 202, 240},
            {247, 255, 251, 240}, {164, 160, 160, 164}, {91, 128, 128, 128},
        };
        for (const auto& fixed : fixedColors) {
            if (fixed.index < count) {
                entries[fixed.index] = {fixed.red, fixed.green, fixed.blue, 0};
            }
        }
    }
    return count;
}

static void initGlResources()
{
    glGenTextures(TEXTURE_RING_SIZE, textureRing);
    for (int32_t i = TEXTURE_RING_SIZE - 1; i >= 0; --i) {
        glBindTexture(GL_TEXTURE_2D, textureRing[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        textureRingSwizzled[i] = 0;  // a new texture samples its channels as they are
    }
    textureName = textureRing[0];
    textureRingNext = 0;
    // Rows are moved byte-exact: read-back rows of any width are packed.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    uploadedWidth = 0;
    uploadedHeight = 0;
    boundPixelFormat = -1;

    if (readBackBuffer == nullptr) {
        readBackBuffer = static_cast<uint8_t*>(malloc(READ_BACK_BYTES));
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    if (videoMemory == nullptr) {
        videoMemory = static_cast<uint8_t*>(malloc(VIDEO_MEMORY_BYTES));
    }

    // A looked-up pointer may be a dispatch stub: keep it only when the
    // context really offers the function.
    const char* version = glText(GL_VERSION);
    const char* extensions = glText(GL_EXTENSIONS);
    bool core14 = glVersionAtLeast(version, 1, 4);
    bool imaging = hasExtension(extensions, "GL_ARB_imaging");
    textureSwizzle = glVersionAtLeast(version, 3, 3) ||
                             hasExtension(extensions, "GL_ARB_texture_swizzle") ||
                             hasExtension(extensions, "GL_EXT_texture_swizzle")
                         ? 1
                         : 0;
    blendEquationFn = nullptr;
    blendColorFn = nullptr;
    if (core14 || imaging || hasExtension(extensions, "GL_EXT_blend_minmax")) {
        blendEquationFn = reinterpret_cast<BlendEquationFn>(wsGetProcAddress("glBlendEquation"));
    }
    if (core14 || imaging || hasExtension(extensions, "GL_EXT_blend_color")) {
        blendColorFn = reinterpret_cast<BlendColorFn>(wsGetProcAddress("glBlendColor"));
    }

    if (emuUsePixelShaders.load(std::memory_order_relaxed) != 0 && loadShaderExtension()) {
        buildShaderProgram();
    }
}

bool loadShaderExtension()
{
    const char* missing = missingShaderExtension(glText(GL_EXTENSIONS));
    if (missing != nullptr) {
        wsMessageBox(missing, "Error");
        return false;
    }
    createShaderObjectFn =
        reinterpret_cast<PFNGLCREATESHADEROBJECTARBPROC>(wsGetProcAddress("glCreateShaderObjectARB"));
    shaderSourceFn = reinterpret_cast<PFNGLSHADERSOURCEARBPROC>(wsGetProcAddress("glShaderSourceARB"));
    compileShaderFn =
        reinterpret_cast<PFNGLCOMPILESHADERARBPROC>(wsGetProcAddress("glCompileShaderARB"));
    createProgramObjectFn = reinterpret_cast<PFNGLCREATEPROGRAMOBJECTARBPROC>(
        wsGetProcAddress("glCreateProgramObjectARB"));
    attachObjectFn = reinterpret_cast<PFNGLATTACHOBJECTARBPROC>(wsGetProcAddress("glAttachObjectARB"));
    linkProgramFn = reinterpret_cast<PFNGLLINKPROGRAMARBPROC>(wsGetProcAddress("glLinkProgramARB"));
    useProgramObjectFn =
        reinterpret_cast<PFNGLUSEPROGRAMOBJECTARBPROC>(wsGetProcAddress("glUseProgramObjectARB"));
    uniform1iFn = reinterpret_cast<PFNGLUNIFORM1IARBPROC>(wsGetProcAddress("glUniform1iARB"));
    uniform1fFn = reinterpret_cast<PFNGLUNIFORM1FARBPROC>(wsGetProcAddress("glUniform1fARB"));
    uniform2fFn = reinterpret_cast<PFNGLUNIFORM2FARBPROC>(wsGetProcAddress("glUniform2fARB"));
    uniform3fFn = reinterpret_cast<PFNGLUNIFORM3FARBPROC>(wsGetProcAddress("glUniform3fARB"));
    uniform4fFn = reinterpret_cast<PFNGLUNIFORM4FARBPROC>(wsGetProcAddress("glUniform4fARB"));
    getUniformLocationFn = reinterpret_cast<PFNGLGETUNIFORMLOCATIONARBPROC>(
        wsGetProcAddress("glGetUniformLocationARB"));
    detachObjectFn = reinterpret_cast<PFNGLDETACHOBJECTARBPROC>(wsGetProcAddress("glDetachObjectARB"));
    deleteObjectFn = reinterpret_cast<PFNGLDELETEOBJECTARBPROC>(wsGetProcAddress("glDeleteObjectARB"));
    // To tell whether "screen.frag" compiled and linked.
    getObjectParameterFn = reinterpret_cast<PFNGLGETOBJECTPARAMETERIVARBPROC>(
        wsGetProcAddress("glGetObjectParameterivARB"));
    getInfoLogFn = reinterpret_cast<PFNGLGETINFOLOGARBPROC>(wsGetProcAddress("glGetInfoLogARB"));
    return true;
}

void buildShaderProgram()
{
    if (fragmentShader != 0 || shaderProgram != 0) {
        releaseShaderProgram();
    }
    bool entryPoints = createShaderObjectFn && shaderSourceFn && compileShaderFn &&
                       createProgramObjectFn && attachObjectFn && linkProgramFn &&
                       useProgramObjectFn && uniform1iFn && getUniformLocationFn &&
                       getObjectParameterFn && getInfoLogFn;
    if (!entryPoints) {
        return;
    }
    // Without its source there is nothing to compile: drawing stays fixed-function.
    char* source = readTextFile(LIB_SHADER_FILE);
    if (source == nullptr) {
        useProgramObjectFn(0);
        return;
    }
    fragmentShader = createShaderObjectFn(GL_FRAGMENT_SHADER_ARB);
    const GLcharARB* text = source;
    shaderSourceFn(fragmentShader, 1, &text, nullptr);
    free(source);  // GL keeps its own copy of the text
    compileShaderFn(fragmentShader);
    shaderProgram = createProgramObjectFn();
    attachObjectFn(shaderProgram, fragmentShader);
    linkProgramFn(shaderProgram);
    // A program that failed to build would draw nothing at all: drawing stays
    // fixed-function, as without the setting.
    if (!shaderStepSucceeded(fragmentShader, GL_OBJECT_COMPILE_STATUS_ARB, "compile") ||
        !shaderStepSucceeded(shaderProgram, GL_OBJECT_LINK_STATUS_ARB, "link")) {
        releaseShaderProgram();
        useProgramObjectFn(0);
        return;
    }
    useProgramObjectFn(shaderProgram);
    uniform1iFn(getUniformLocationFn(shaderProgram, "tex"), 0);
}

void releaseShaderProgram()
{
    if (detachObjectFn == nullptr || deleteObjectFn == nullptr) {
        return;
    }
    if (fragmentShader != 0) {
        detachObjectFn(shaderProgram, fragmentShader);
        deleteObjectFn(fragmentShader);
        fragmentShader = 0;
    }
    if (shaderProgram != 0) {
        deleteObjectFn(shaderProgram);
        shaderProgram = 0;
    }
}

void setShaderProgramActive(int32_t active)
{
    if (shaderProgram != 0 && useProgramObjectFn != nullptr) {
        useProgramObjectFn(active ? shaderProgram : 0);
    }
}

char* readTextFile(const char* name)
{
    FILE* file = fopen(dataFilePath(name).c_str(), "r");
    if (file == nullptr) {
        return nullptr;
    }
    char* text = nullptr;
    size_t length = 0;
    for (;;) {
        char* grown = static_cast<char*>(realloc(text, length + LIB_TEXT_CHUNK + 1));
        if (grown == nullptr) {
            free(text);
            fclose(file);
            return nullptr;
        }
        text = grown;
        size_t got = fread(text + length, 1, LIB_TEXT_CHUNK, file);
        length += got;
        if (got < static_cast<size_t>(LIB_TEXT_CHUNK)) {
            break;
        }
    }
    fclose(file);
    text[length] = '\0';
    return text;
}

const char* missingShaderExtension(const char* extensions)
{
    if (!hasExtension(extensions, "GL_ARB_shader_objects")) {
        return "GL_ARB_shader_objects extension not supported!";
    }
    if (!hasExtension(extensions, "GL_ARB_shading_language_100")) {
        return "GL_ARB_shading_language_100 extension not supported!";
    }
    return nullptr;
}

static bool hasExtension(const char* extensions, const char* name)
{
    return extensions != nullptr && name != nullptr && strstr(extensions, name) != nullptr;
}

bool glVersionAtLeast(const char* version, int32_t major, int32_t minor)
{
    int32_t haveMajor = 0;
    int32_t haveMinor = 0;
    if (version == nullptr || sscanf(version, "%d.%d", &haveMajor, &haveMinor) != 2) {
        return false;
    }
    return haveMajor > major || (haveMajor == major && haveMinor >= minor);
}

void endLibrary()
{
}

// glGetString as text; null without a current context.
static const char* glText(GLenum name)
{
    return reinterpret_cast<const char*>(glGetString(name));
}

// Whether a compile or link step of the screen shader succeeded; when not,
// says why on the standard error stream.
static bool shaderStepSucceeded(GLhandleARB object, GLenum status, const char* step)
{
    GLint succeeded = 0;
    getObjectParameterFn(object, status, &succeeded);
    if (succeeded) {
        return true;
    }
    char log[1024] = "";
    getInfoLogFn(object, sizeof log, nullptr, log);
    std::fprintf(stderr, "%s did not %s; drawing without it:\n%s\n", LIB_SHADER_FILE, step, log);
    return false;
}

// The palette ramp value of one channel for palette index `index`.
static uint8_t rampValue(int32_t bits, int32_t shift, int32_t index)
{
    static const uint8_t ramp1[2] = {0, 255};
    static const uint8_t ramp2[4] = {0, 85, 170, 255};
    static const uint8_t ramp3[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    if (bits < 1 || bits > 3 || shift < 0 || shift > 30) {
        return 0;
    }
    int32_t value = (index >> shift) & ((1 << bits) - 1);
    switch (bits) {
    case 1:
        return ramp1[value];
    case 2:
        return ramp2[value];
    case 3:
        return ramp3[value];
    default:
        return 0;
    }
}
