// Library start-up: the requested pixel format, the palette builder, the
// extension checks, text files, and on a real GL context the state that
// initLibrary leaves and the screen shader path (with and without its file).
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "emu/controller.h"
#include "emu/timing.h"
#include "gfx/draw.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/library.h"
#include "quorl/host.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

typedef std::tuple<int32_t, int32_t, int32_t> Rgb;

Rgb entryColor(const PaletteEntry& entry)
{
    return {entry.red, entry.green, entry.blue};
}

PixelFormatDescription surfaceFormat(int32_t colorBits, int32_t redBits, int32_t redShift,
                                     int32_t greenBits, int32_t greenShift, int32_t blueBits,
                                     int32_t blueShift, int32_t needPalette)
{
    PixelFormatDescription format = {};
    format.colorBits = colorBits;
    format.redBits = redBits;
    format.redShift = redShift;
    format.greenBits = greenBits;
    format.greenShift = greenShift;
    format.blueBits = blueBits;
    format.blueShift = blueShift;
    format.doubleBuffer = 1;
    format.needPalette = needPalette;
    return format;
}

// A directory of its own for the test, entered for its lifetime; the
// working directory is where "screen.frag" is looked for.
struct ScratchDirectory {
    ScratchDirectory()
    {
        char pattern[] = "/tmp/quorl-library-XXXXXX";
        path = mkdtemp(pattern);
        char here[4096];
        previous = getcwd(here, sizeof here);
        EXPECT_EQ(chdir(path.c_str()), 0);
    }
    ~ScratchDirectory()
    {
        EXPECT_EQ(chdir(previous.c_str()), 0);
        std::remove((path + "/screen.frag").c_str());
        std::remove((path + "/text.txt").c_str());
        rmdir(path.c_str());
    }
    void write(const char* name, const std::string& text) const
    {
        FILE* file = fopen((path + "/" + name).c_str(), "w");
        ASSERT_NE(file, nullptr);
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
    }
    std::string path;
    std::string previous;
};

std::string sourceDirectory()
{
    const char* dir = getenv("QUORL_SOURCE_DIR");
    return dir != nullptr ? dir : ".";
}

// Draws an opaque white 8x8 image over the whole screen in `color`.
void drawWhiteScreen(uint32_t color)
{
    static Image* white = nullptr;
    if (white == nullptr) {
        white = createImage(8, 8, LOC_RAM, PF_8888);
        memset(white->pixels, 0xFF, white->byteSize);
    }
    endDrawing();
    startDrawing();
    white->drawWidth = SCREEN_WIDTH;
    white->drawHeight = SCREEN_HEIGHT;
    currentColor = color;
    drawImage(white);
    currentColor = 0xFFFFFFFF;
    glFinish();
}

GLint currentProgram()
{
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

class ScreenShader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        emuUsePixelShaders.store(1);
        messages = headlessLog.messageCount;
        ASSERT_TRUE(loadShaderExtension());
        EXPECT_EQ(headlessLog.messageCount, messages);
    }
    void TearDown() override
    {
        setShaderProgramActive(0);
        releaseShaderProgram();
        emuUsePixelShaders.store(0);
        EXPECT_EQ(currentProgram(), 0);
        EXPECT_EQ(headlessLog.messageCount, messages);
    }
    int32_t messages = 0;
};

}  // namespace

TEST(PaletteBuilder, RampsAndTheFixedColoursOf332)
{
    struct Case {
        const char* name;
        PixelFormatDescription format;
        std::vector<std::pair<int32_t, Rgb>> entries;
    };
    const Case cases[] = {
        {"3-3-2",
         surfaceFormat(8, 3, 0, 3, 3, 2, 6, 1),
         {{0, {0, 0, 0}},          {255, {255, 255, 255}},   {7, {255, 0, 0}},
          {3, {128, 0, 0}},        {91, {128, 128, 128}},    {8, {0, 36, 0}},
          {100, {146, 146, 85}},   {24, {0, 128, 0}},        {27, {128, 128, 0}},
          {64, {0, 0, 128}},       {67, {128, 0, 128}},      {88, {0, 128, 128}},
          {173, {192, 192, 192}},  {181, {192, 220, 192}},   {236, {166, 202, 240}},
          {247, {255, 251, 240}},  {164, {160, 160, 164}}}},
        {"2-3-3, blue low: pure ramps",
         surfaceFormat(8, 3, 5, 3, 2, 2, 0, 1),
         {{3, {0, 0, 255}}, {91, {73, 219, 255}}, {255, {255, 255, 255}}, {24, {0, 219, 0}}}},
        {"4-bit 1-2-1",
         surfaceFormat(4, 1, 0, 2, 1, 1, 3, 1),
         {{15, {255, 255, 255}}, {6, {0, 255, 0}}, {1, {255, 0, 0}}, {2, {0, 85, 0}}}},
        {"4-bit channels have no ramp",
         surfaceFormat(8, 4, 0, 4, 4, 0, 0, 1),
         {{255, {0, 0, 0}}, {17, {0, 0, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<PaletteEntry> entries(256, PaletteEntry{1, 2, 3, 4});
        int32_t count = buildPaletteEntries(c.format, entries.data(), 256);
        EXPECT_EQ(count, 1 << c.format.colorBits);
        for (const auto& [index, rgb] : c.entries) {
            EXPECT_EQ(entryColor(entries[index]), rgb) << "entry " << index;
        }
        for (int32_t i = 0; i < count; ++i) {
            ASSERT_EQ(entries[i].flags, 0) << "entry " << i;
        }
    }
    std::vector<PaletteEntry> few(16);
    EXPECT_EQ(buildPaletteEntries(surfaceFormat(8, 3, 0, 3, 3, 2, 6, 1), few.data(), 16), 16);
    EXPECT_EQ(entryColor(few[3]), (Rgb{128, 0, 0}));
}

TEST(PaletteBuilder, SetupGivesAPaletteOnlyToSurfacesThatNeedOne)
{
    ASSERT_TRUE(startLibraryOnce());
    int32_t calls = headlessLog.paletteCount;
    setupPalette();  // the X server's true-colour window
    EXPECT_EQ(headlessLog.paletteCount, calls);

    const PixelFormatDescription highColour = surfaceFormat(16, 5, 0, 6, 5, 5, 11, 0);
    headlessDescribeOverride = &highColour;
    setupPalette();
    EXPECT_EQ(headlessLog.paletteCount, calls);

    const PixelFormatDescription indexed = surfaceFormat(8, 3, 0, 3, 3, 2, 6, 1);
    headlessDescribeOverride = &indexed;
    setupPalette();
    headlessDescribeOverride = nullptr;
    ASSERT_EQ(headlessLog.paletteCount, calls + 1);
    ASSERT_EQ(headlessLog.lastPalette.size(), 256u);
    EXPECT_EQ(entryColor(headlessLog.lastPalette[3]), (Rgb{128, 0, 0}));
    EXPECT_EQ(entryColor(headlessLog.lastPalette[255]), (Rgb{255, 255, 255}));
}

TEST(Extensions, ShaderCheckNamesTheFirstMissingExtension)
{
    const char* objects = "GL_ARB_shader_objects extension not supported!";
    const char* language = "GL_ARB_shading_language_100 extension not supported!";
    struct Case {
        const char* extensions;
        const char* message;
    };
    const Case cases[] = {
        {nullptr, objects},
        {"", objects},
        {"GL_ARB_multitexture GL_ARB_shading_language_100", objects},
        {"GL_ARB_multitexture GL_ARB_shader_objects", language},
        {"GL_ARB_shader_objects GL_ARB_shading_language_100", nullptr},
    };
    for (const Case& c : cases) {
        const char* got = missingShaderExtension(c.extensions);
        if (c.message == nullptr) {
            EXPECT_EQ(got, nullptr) << c.extensions;
        } else {
            ASSERT_NE(got, nullptr);
            EXPECT_STREQ(got, c.message);
        }
    }
}

TEST(Extensions, VersionStringsCompareByMajorThenMinor)
{
    struct Case {
        const char* version;
        bool atLeast14;
    };
    const Case cases[] = {
        {"1.3 Mesa 6.5", false}, {"1.4", true},          {"1.10", true},
        {"2.1 Mesa 22.3.6", true}, {"4.5 (Compatibility Profile) Mesa 22.3.6", true},
        {"0.9", false},          {"OpenGL ES 2.0", false}, {"", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(glVersionAtLeast(c.version, 1, 4), c.atLeast14)
            << (c.version ? c.version : "(null)");
    }
}

TEST(ReadTextFile, ReadsFilesOfAnyLengthWhole)
{
    ScratchDirectory dir;
    for (size_t length : {0u, 1u, 1023u, 1024u, 1025u, 2048u, 5000u}) {
        std::string text;
        for (size_t i = 0; i < length; ++i) {
            text += static_cast<char>('a' + i % 26);
        }
        dir.write("text.txt", text);
        char* read = readTextFile("text.txt");
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(strlen(read), length);
        EXPECT_EQ(std::string(read), text);
        free(read);
    }
    EXPECT_EQ(readTextFile("no-such-file.txt"), nullptr);
}

TEST(InitLibrary, LeavesTheConsoleAndGlInTheirStartState)
{
    ASSERT_TRUE(startLibraryOnce());
    EXPECT_EQ(controller, &controllerRecord);
    EXPECT_EQ(controller->repeatMask, 0x3F0u);
    EXPECT_EQ(controller->repeatDelay, 0);
    EXPECT_EQ(controller->repeatInterval, 0);
    EXPECT_EQ(quitRequested.load(), 0);
    EXPECT_EQ(maxFrameSkip, 5);
    EXPECT_EQ(vsyncFlags, 4);
    EXPECT_EQ(frameSkip, 0);
    EXPECT_NE(readBackBuffer, nullptr);
    EXPECT_NE(videoMemory, nullptr);
    EXPECT_EQ(headlessLog.messageCount, 0);
    EXPECT_EQ(fragmentShader, 0u);
    EXPECT_EQ(shaderProgram, 0u);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::make_tuple(viewport[0], viewport[1], viewport[2], viewport[3]),
              std::make_tuple(0, 0, 480, 272));
    // x 0..480 left to right, y 0..272 top to bottom, shifted a tenth of a pixel.
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 2.0f / 480);
    EXPECT_FLOAT_EQ(projection[5], -2.0f / 272);
    EXPECT_FLOAT_EQ(projection[12], -1.0f);
    EXPECT_FLOAT_EQ(projection[13], 1.0f);
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_FLOAT_EQ(modelview[12], 0.1f);
    EXPECT_FLOAT_EQ(modelview[13], 0.1f);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_EQ(mask[3], GL_FALSE);

    EXPECT_NE(textureName, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), textureName);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    // The test context offers GL 1.4 and up: both blend functions are real.
    EXPECT_NE(blendEquationFn, nullptr);
    EXPECT_NE(blendColorFn, nullptr);
    EXPECT_EQ(currentProgram(), 0);
}

TEST_F(ScreenShader, WithoutScreenFragDrawingStaysFixedFunction)
{
    ScratchDirectory empty;
    buildShaderProgram();
    EXPECT_EQ(fragmentShader, 0u);
    EXPECT_EQ(shaderProgram, 0u);
    EXPECT_EQ(currentProgram(), 0);
    drawWhiteScreen(0xFFFFFFFF);
    int32_t notWhite = 0;
    for (uint32_t pixel : screenPixels()) {
        notWhite += (pixel & 0xFFFFFF) != 0xFFFFFF;
    }
    EXPECT_EQ(notWhite, 0);
}

TEST_F(ScreenShader, ScreenFragGivesAWarmPixelGrid)
{
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir((sourceDirectory() + "/assets").c_str()), 0) << "run from the source tree";
    buildShaderProgram();
    ASSERT_EQ(chdir(here), 0);
    ASSERT_NE(fragmentShader, 0u);
    ASSERT_NE(shaderProgram, 0u);
    EXPECT_EQ(currentProgram(), static_cast<GLint>(shaderProgram));
    auto getParameter = reinterpret_cast<PFNGLGETOBJECTPARAMETERIVARBPROC>(
        wsGetProcAddress("glGetObjectParameterivARB"));
    GLint status = 0;
    getParameter(fragmentShader, GL_OBJECT_COMPILE_STATUS_ARB, &status);
    EXPECT_EQ(status, 1);
    getParameter(shaderProgram, GL_OBJECT_LINK_STATUS_ARB, &status);
    EXPECT_EQ(status, 1);

    drawWhiteScreen(0xFFFFFFFF);
    // Screen rows 0 and 1 are GL rows 271 (odd, shaded) and 270.
    uint32_t shadedRow = screenPixel(0, 0);
    uint32_t litRow = screenPixel(0, 1);
    uint32_t shadedColumn = screenPixel(1, 1);
    auto channel = [](uint32_t pixel, int32_t i) { return (pixel >> (8 * i)) & 0xFF; };
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_LT(channel(shadedRow, i), channel(litRow, i)) << "channel " << i;
        EXPECT_LE(channel(shadedColumn, i), channel(litRow, i)) << "channel " << i;
    }
    EXPECT_LT(channel(shadedColumn, 1), channel(litRow, 1));
    // Warm: white comes out with less blue than red.
    EXPECT_EQ(channel(litRow, 0), 255u);
    EXPECT_LT(channel(litRow, 2), channel(litRow, 0));
    EXPECT_GT(channel(litRow, 2), 200u);

    // The vertex colour tints the texel, as without the shader.
    drawWhiteScreen(0xFF00FF00);
    uint32_t green = screenPixel(0, 1);
    EXPECT_EQ(channel(green, 0), 0u);
    EXPECT_GT(channel(green, 1), 200u);
    EXPECT_EQ(channel(green, 2), 0u);
    drawWhiteScreen(0xFF000000);
    EXPECT_EQ(screenPixel(0, 1) & 0xFFFFFF, 0u);

    // Pixels moved for an off-screen target are copied, not shaded.
    Image* target = createImage(16, 16, LOC_RAM, PF_8888);
    ASSERT_NE(target, nullptr);
    uint32_t* pixels = static_cast<uint32_t*>(target->pixels);
    for (int32_t i = 0; i < 256; ++i) {
        pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 0x010307);
    }
    std::vector<uint32_t> before(pixels, pixels + 256);
    setDrawTarget(target);
    setDrawTarget(&drawBuffer);
    EXPECT_EQ(std::vector<uint32_t>(pixels, pixels + 256), before);
    EXPECT_EQ(currentProgram(), static_cast<GLint>(shaderProgram));
    releaseImage(target);
}

TEST_F(ScreenShader, LongScreenFragReachesTheCompilerWhole)
{
    ScratchDirectory dir;
    // The working part comes after 3000 bytes of comment: any cut at 1024
    // or 2048 bytes leaves a shader that does not compile.
    std::string source = "#version 110\n";
    for (int32_t i = 0; i < 50; ++i) {
        source += "// " + std::string(56, '-') + "\n";
    }
    source +=
        "uniform sampler2D tex;\n"
        "void main()\n"
        "{\n"
        "    vec4 texel = texture2D(tex, gl_TexCoord[0].st);\n"
        "    gl_FragColor = vec4(0.0, 0.0, texel.b, 1.0) * gl_Color;\n"
        "}\n";
    ASSERT_GT(source.size(), 3000u);
    dir.write("screen.frag", source);
    buildShaderProgram();
    ASSERT_NE(shaderProgram, 0u);
    EXPECT_EQ(currentProgram(), static_cast<GLint>(shaderProgram));
    drawWhiteScreen(0xFFFFFFFF);
    EXPECT_EQ(screenPixel(100, 100) & 0xFFFFFF, 0xFF0000u);  // blue only
}

// A screen.frag that does not compile or link leaves drawing fixed-function
// and says why, instead of drawing with a broken program.
TEST_F(ScreenShader, BrokenScreenFragFallsBackWithAMessage)
{
    const std::pair<const char*, const char*> cases[] = {
        {"does not compile", "void main( {\n"},
        {"does not link", "uniform sampler2D tex;\nvec4 shade() { return vec4(1.0); }\n"},
    };
    for (const auto& [label, source] : cases) {
        SCOPED_TRACE(label);
        ScratchDirectory dir;
        dir.write("screen.frag", source);
        testing::internal::CaptureStderr();
        buildShaderProgram();
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("screen.frag did not"), std::string::npos) << said;
        EXPECT_EQ(fragmentShader, 0u);
        EXPECT_EQ(shaderProgram, 0u);
        EXPECT_EQ(currentProgram(), 0);
        drawWhiteScreen(0xFFFFFFFF);
        EXPECT_EQ(screenPixel(100, 101) & 0xFFFFFF, 0xFFFFFFu);
    }
}
