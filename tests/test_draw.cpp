// Image drawing: the corners of the single quad, then what GL really receives
// (captured in feedback mode: every polygon with its window position, colour
// and texture coordinates), then the pixels of sprite-sheet tiles and strips
// drawn from PNG files on a real context.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/draw.h"
#include "gfx/graphics.h"
#include "gfx/image.h"
#include "gfx/library.h"
#include "gfx/png_loader.h"
#include "png_writer.h"
#include "tests/support/headless_seam.h"
#include "tests/support/screen_pixels.h"

namespace {

namespace fs = std::filesystem;

// Corner positions are compared to a thousandth of a pixel: far finer than
// any wrong angle or pivot, far coarser than float rounding.
constexpr float POSITION_TOLERANCE = 1e-3f;

struct Corner {
    float x, y, u, v;
};

// A bare image record (no pixels): buildImageQuad reads placement only.
Image placedImage(int32_t x, int32_t y, int32_t drawWidth, int32_t drawHeight, float srcX0,
                  float srcY0, float srcX1, float srcY1)
{
    Image image = {};
    image.x = x;
    image.y = y;
    image.drawWidth = drawWidth;
    image.drawHeight = drawHeight;
    image.srcX0 = srcX0;
    image.srcY0 = srcY0;
    image.srcX1 = srcX1;
    image.srcY1 = srcY1;
    image.allowStrips = 1;
    return image;
}

Image rotated(Image image, float angle, int32_t pivotX = 0, int32_t pivotY = 0)
{
    image.angle = angle;
    image.pivotX = pivotX;
    image.pivotY = pivotY;
    return image;
}

struct QuadCase {
    const char* label;
    Image image;
    Corner expected[4];  // in strip order
};

std::vector<QuadCase> quadCases()
{
    const Image tile = placedImage(100, 100, 16, 16, 0, 0, 16, 16);
    const Corner upright[4] = {{100, 100, 0, 0}, {116, 100, 16, 0}, {100, 116, 0, 16},
                               {116, 116, 16, 16}};
    const float h = 16 * 0.70710677f;  // a 16-pixel edge at 45 degrees
    std::vector<QuadCase> cases = {
        {"unrotated",
         placedImage(10, 20, 30, 40, 0, 0, 16, 16),
         {{10, 20, 0, 0}, {40, 20, 16, 0}, {10, 60, 0, 16}, {40, 60, 16, 16}}},
        {"90 degrees about the top-left corner",
         rotated(tile, 90),
         {{100, 100, 0, 0}, {100, 116, 16, 0}, {84, 100, 0, 16}, {84, 116, 16, 16}}},
        {"-90 turns as 270",
         rotated(tile, -90),
         {{100, 100, 0, 0}, {100, 84, 16, 0}, {116, 100, 0, 16}, {116, 84, 16, 16}}},
        {"45.9 turns as 45",
         rotated(tile, 45.9f),
         {{100, 100, 0, 0}, {100 + h, 100 + h, 16, 0}, {100 - h, 100 + h, 0, 16},
          {100, 100 + 2 * h, 16, 16}}},
        {"pivot (8, 8) of a 16-texel source drawn at 32",
         rotated(placedImage(200, 100, 32, 32, 0, 0, 16, 16), 0, 8, 8),
         {{184, 84, 0, 0}, {216, 84, 16, 0}, {184, 116, 0, 16}, {216, 116, 16, 16}}},
        {"pivot and 90 degrees turn about the pivot",
         rotated(placedImage(50, 50, 16, 16, 0, 0, 16, 16), 90, 8, 8),
         {{58, 42, 0, 0}, {58, 58, 16, 0}, {42, 42, 0, 16}, {42, 58, 16, 16}}},
        {"pivot scaled with truncation toward zero",
         rotated(placedImage(100, 100, 24, 24, 0, 0, 16, 16), 0, 5, -5),
         {{93, 107, 0, 0}, {117, 107, 16, 0}, {93, 131, 0, 16}, {117, 131, 16, 16}}},
        {"fractional source edges keep their texel positions",
         rotated(placedImage(100, 100, 32, 32, 0.5f, 1.25f, 16.9f, 17.5f), 0, 8, 8),
         {{84, 84, 0.5f, 1.25f}, {116, 84, 16.9f, 1.25f}, {84, 116, 0.5f, 17.5f},
          {116, 116, 16.9f, 17.5f}}},
        {"a game tile: 16 texels of a sheet drawn 16 x 16",
         placedImage(300, 200, 16, 16, 32, 16, 48, 32),
         {{300, 200, 32, 16}, {316, 200, 48, 16}, {300, 216, 32, 32}, {316, 216, 48, 32}}},
    };
    for (float angle : {0.0f, 360.0f, 720.0f, -0.5f}) {
        QuadCase c{"angles that turn as 0", rotated(tile, angle), {}};
        std::copy(upright, upright + 4, c.expected);
        cases.push_back(c);
    }
    return cases;
}

void expectCorners(const Vertex* quad, const Corner* expected)
{
    for (int32_t i = 0; i < 4; i++) {
        SCOPED_TRACE(testing::Message() << "vertex " << i);
        EXPECT_NEAR(quad[i].x, expected[i].x, POSITION_TOLERANCE);
        EXPECT_NEAR(quad[i].y, expected[i].y, POSITION_TOLERANCE);
        EXPECT_EQ(quad[i].u, expected[i].u);
        EXPECT_EQ(quad[i].v, expected[i].v);
        EXPECT_EQ(quad[i].z, 0.0f);
    }
}

TEST(ImageQuad, PlacesTheFourCorners)
{
    buildTrigTables();
    for (const QuadCase& c : quadCases()) {
        SCOPED_TRACE(c.label);
        Vertex quad[4];
        ASSERT_TRUE(buildImageQuad(c.image, quad));
        expectCorners(quad, c.expected);
    }
}

TEST(ImageQuad, DistinguishesNeighbouringWholeDegrees)
{
    buildTrigTables();
    Image tile = placedImage(100, 100, 16, 16, 0, 0, 16, 16);
    Vertex at45[4], at45point9[4], at46[4];
    ASSERT_TRUE(buildImageQuad(rotated(tile, 45), at45));
    ASSERT_TRUE(buildImageQuad(rotated(tile, 45.9f), at45point9));
    ASSERT_TRUE(buildImageQuad(rotated(tile, 46), at46));
    EXPECT_EQ(at45point9[3].x, at45[3].x);
    EXPECT_EQ(at45point9[3].y, at45[3].y);
    EXPECT_GT(std::fabs(at46[3].x - at45[3].x), 0.1f);
}

TEST(ImageQuad, RefusesSourcesUnderOneTexel)
{
    buildTrigTables();
    const Image cases[] = {
        placedImage(0, 0, 16, 16, 0, 0, 0.5f, 16),
        placedImage(0, 0, 16, 16, 0, 0, 16, 0.99f),
        placedImage(0, 0, 16, 16, 3, 3, 3, 3),
        placedImage(0, 0, 16, 16, 4, 0, 3.5f, 16),
    };
    for (const Image& image : cases) {
        SCOPED_TRACE(testing::Message() << image.srcX0 << ".." << image.srcX1 << " x "
                                        << image.srcY0 << ".." << image.srcY1);
        Vertex quad[4] = {};
        quad[0].x = 12345.0f;
        EXPECT_FALSE(buildImageQuad(rotated(image, 0, 8, 8), quad));
        EXPECT_EQ(quad[0].x, 12345.0f);
    }
}

// Absurd values must still give a quad, not undefined behaviour.
TEST(ImageQuad, SurvivesAbsurdAnglesAndSizes)
{
    buildTrigTables();
    Image tile = placedImage(100, 100, 16, 16, 0, 0, 16, 16);
    Vertex quad[4];
    EXPECT_TRUE(buildImageQuad(rotated(tile, 1e20f), quad));
    EXPECT_TRUE(buildImageQuad(rotated(tile, -1e20f), quad));
    EXPECT_TRUE(buildImageQuad(rotated(tile, NAN), quad));
    EXPECT_EQ(quad[3].x, 116.0f);  // NaN turns as 0
    Image huge = placedImage(0, 0, INT32_MAX, INT32_MAX, 0, 0, 1, 1);
    EXPECT_TRUE(buildImageQuad(rotated(huge, 0, INT32_MAX, INT32_MAX), quad));
    Image flipped = placedImage(100, 100, 16, 16, 16, 0, 0, 16);  // negative width
    ASSERT_TRUE(buildImageQuad(flipped, quad));
    EXPECT_EQ(quad[0].u, 16.0f);
    EXPECT_EQ(quad[1].u, 0.0f);
}

// ---------------------------------------------------------------------------
// What GL receives.

// One vertex as GL's feedback mode reports it, converted back to screen
// coordinates (undoing the tenth-of-a-pixel shift and the upward window y).
struct FedVertex {
    float x, y;
    float color[4];
    float s, t;
};
typedef std::vector<FedVertex> FedPolygon;

constexpr int32_t FEEDBACK_VALUES = 1 << 16;
constexpr int32_t VALUES_PER_VERTEX = 11;  // x y z, r g b a, s t r q

std::vector<FedPolygon> captureDraw(Image* image)
{
    static std::vector<GLfloat> buffer(FEEDBACK_VALUES);
    glFeedbackBuffer(FEEDBACK_VALUES, GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    drawImage(image);
    GLint count = glRenderMode(GL_RENDER);

    std::vector<FedPolygon> polygons;
    EXPECT_GE(count, 0) << "feedback buffer overflow";
    for (GLint i = 0; i < count;) {
        GLint token = static_cast<GLint>(buffer[i++]);
        EXPECT_EQ(token, GL_POLYGON_TOKEN);
        if (token != GL_POLYGON_TOKEN) {
            break;
        }
        GLint vertices = static_cast<GLint>(buffer[i++]);
        FedPolygon polygon;
        for (GLint v = 0; v < vertices; v++, i += VALUES_PER_VERTEX) {
            const GLfloat* f = &buffer[i];
            polygon.push_back({f[0] - 0.1f, (SCREEN_HEIGHT - f[1]) - 0.1f,
                               {f[3], f[4], f[5], f[6]}, f[7], f[8]});
        }
        polygons.push_back(polygon);
    }
    return polygons;
}

// A triangle of the strip matches the three expected corners in any order.
bool sameTriangle(const FedPolygon& polygon, const Corner* a, const Corner* b, const Corner* c,
                  float uploadedW, float uploadedH)
{
    if (polygon.size() != 3) {
        return false;
    }
    for (const Corner* corner : {a, b, c}) {
        bool found = false;
        for (const FedVertex& v : polygon) {
            found = found || (std::fabs(v.x - corner->x) < POSITION_TOLERANCE * 10 &&
                              std::fabs(v.y - corner->y) < POSITION_TOLERANCE * 10 &&
                              std::fabs(v.s - corner->u / uploadedW) < 1e-6f &&
                              std::fabs(v.t - corner->v / uploadedH) < 1e-6f);
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

// The strip v0 v1 v2 v3 is the triangles (v0 v1 v2) and (v1 v2 v3).
void expectQuads(const std::vector<FedPolygon>& polygons,
                 const std::vector<std::vector<Corner>>& quads, float uploadedW, float uploadedH)
{
    ASSERT_EQ(polygons.size(), 2 * quads.size());
    for (size_t q = 0; q < quads.size(); q++) {
        SCOPED_TRACE(testing::Message() << "quad " << q);
        const std::vector<Corner>& c = quads[q];
        EXPECT_TRUE(sameTriangle(polygons[2 * q], &c[0], &c[1], &c[2], uploadedW, uploadedH));
        EXPECT_TRUE(sameTriangle(polygons[2 * q + 1], &c[1], &c[2], &c[3], uploadedW, uploadedH));
    }
}

// Images with real pixel buffers, drawn in a fresh frame each time so that
// every draw uploads its own texture.
class DrawOnScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startLibraryOnce());
        newFrame();
    }
    void TearDown() override
    {
        for (Image* image : images) {
            releaseImage(image);
        }
        currentColor = 0xFFFFFFFF;
    }

    static void newFrame()
    {
        endDrawing();
        startDrawing();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    Image* image(int32_t width, int32_t height)
    {
        Image* created = createImage(width, height, LOC_RAM, PF_8888);
        EXPECT_NE(created, nullptr);
        if (created != nullptr) {
            std::memset(created->pixels, 0x80, static_cast<size_t>(created->byteSize));
            images.push_back(created);
        }
        return created;
    }

    std::vector<Image*> images;
};

// Copies the placement fields of `from` into an image with pixels.
void place(Image* image, const Image& from)
{
    image->x = from.x;
    image->y = from.y;
    image->drawWidth = from.drawWidth;
    image->drawHeight = from.drawHeight;
    image->srcX0 = from.srcX0;
    image->srcY0 = from.srcY0;
    image->srcX1 = from.srcX1;
    image->srcY1 = from.srcY1;
    image->pivotX = from.pivotX;
    image->pivotY = from.pivotY;
    image->angle = from.angle;
    image->allowStrips = from.allowStrips;
}

// Every single-quad case reaches GL as one strip of the same four corners,
// texture coordinates over the uploaded 64 x 64 texture.
TEST_F(DrawOnScreen, SendsEachSingleQuadAsOneStrip)
{
    for (const QuadCase& c : quadCases()) {
        SCOPED_TRACE(c.label);
        newFrame();
        Image* drawn = image(64, 64);
        ASSERT_NE(drawn, nullptr);
        place(drawn, c.image);
        std::vector<FedPolygon> polygons = captureDraw(drawn);
        std::vector<Corner> corners(c.expected, c.expected + 4);
        expectQuads(polygons, {corners}, 64, 64);
    }
}

struct StripCase {
    const char* label;
    int32_t width, height;  // the image created; its texture is rounded up
    Image placement;
    std::vector<std::vector<Corner>> quads;
};

std::vector<StripCase> stripCases()
{
    const std::vector<Corner> wide = {{10, 10, 0, 0}, {75, 10, 65, 0}, {10, 26, 0, 16},
                                      {75, 26, 65, 16}};
    Image noStrips = placedImage(10, 10, 65, 16, 0, 0, 65, 16);
    noStrips.allowStrips = 0;
    return {
        {"64 texels wide: one quad", 64, 16, placedImage(10, 10, 64, 16, 0, 0, 64, 16),
         {{{10, 10, 0, 0}, {74, 10, 64, 0}, {10, 26, 0, 16}, {74, 26, 64, 16}}}},
        {"65 texels wide: strips of 64 and 1", 65, 16, placedImage(10, 10, 65, 16, 0, 0, 65, 16),
         {{{10, 10, 0, 0}, {74, 10, 64, 0}, {10, 26, 0, 16}, {74, 26, 64, 16}},
          {{74, 10, 64, 0}, {75, 10, 65, 0}, {74, 26, 64, 16}, {75, 26, 65, 16}}}},
        {"200 texels drawn 100 wide: four strips at half scale", 200, 8,
         placedImage(10, 30, 100, 8, 0, 0, 200, 8),
         {{{10, 30, 0, 0}, {42, 30, 64, 0}, {10, 38, 0, 8}, {42, 38, 64, 8}},
          {{42, 30, 64, 0}, {74, 30, 128, 0}, {42, 38, 64, 8}, {74, 38, 128, 8}},
          {{74, 30, 128, 0}, {106, 30, 192, 0}, {74, 38, 128, 8}, {106, 38, 192, 8}},
          {{106, 30, 192, 0}, {110, 30, 200, 0}, {106, 38, 192, 8}, {110, 38, 200, 8}}}},
        {"fractional edges: strips count whole texels and end at srcX0 + n", 140, 8,
         placedImage(10, 40, 130, 8, 0.7f, 0, 130.5f, 8),
         {{{10, 40, 0.7f, 0}, {74, 40, 64.7f, 0}, {10, 48, 0.7f, 8}, {74, 48, 64.7f, 8}},
          {{74, 40, 64.7f, 0}, {138, 40, 128.7f, 0}, {74, 48, 64.7f, 8}, {138, 48, 128.7f, 8}},
          {{138, 40, 128.7f, 0}, {140, 40, 130.7f, 0}, {138, 48, 128.7f, 8},
           {140, 48, 130.7f, 8}}}},
        {"65 wide without strips", 65, 16, noStrips, {wide}},
        {"65 wide with a pivot", 65, 16,
         rotated(placedImage(10, 10, 65, 16, 0, 0, 65, 16), 0, 0, 1),
         {{{10, 9, 0, 0}, {75, 9, 65, 0}, {10, 25, 0, 16}, {75, 25, 65, 16}}}},
        {"65 wide turned by -0.5 degrees: drawn as 0, still one quad", 65, 16,
         rotated(placedImage(10, 10, 65, 16, 0, 0, 65, 16), -0.5f), {wide}},
        {"a tile of a 64 x 48 sheet, over its 64 x 64 texture", 64, 48,
         placedImage(300, 200, 16, 16, 16, 32, 32, 48),
         {{{300, 200, 16, 32}, {316, 200, 32, 32}, {300, 216, 16, 48}, {316, 216, 32, 48}}}},
        {"a source under one texel draws nothing", 16, 16,
         placedImage(100, 100, 16, 16, 0, 0, 0.5f, 16), {}},
    };
}

TEST_F(DrawOnScreen, SendsStripsForWideImagesOnly)
{
    for (const StripCase& c : stripCases()) {
        SCOPED_TRACE(c.label);
        newFrame();
        Image* drawn = image(c.width, c.height);
        ASSERT_NE(drawn, nullptr);
        place(drawn, c.placement);
        std::vector<FedPolygon> polygons = captureDraw(drawn);
        // Texture coordinates are over the uploaded (power-of-two) size.
        EXPECT_EQ(uploadedWidth, drawn->texWidth);
        EXPECT_EQ(uploadedHeight, drawn->texHeight);
        expectQuads(polygons, c.quads, static_cast<float>(drawn->texWidth),
                    static_cast<float>(drawn->texHeight));
    }
}

// Strips start above 64 texels: a 64-texel source is the single quad's
// business even though one strip would look the same.
TEST_F(DrawOnScreen, StripsOnlyWhatIsWiderThan64Texels)
{
    struct Case {
        int32_t width;
        float angle;
        int32_t pivotX;
        int32_t drawn;  // drawImageStrips' answer
        size_t polygons;
    };
    const Case cases[] = {
        {64, 0, 0, 0, 0}, {65, 0, 0, 1, 4}, {129, 0, 0, 1, 6}, {65, 1, 0, 0, 0}, {65, 0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " wide, angle " << c.angle << ", pivot "
                                        << c.pivotX);
        Image* drawn = image(c.width, 8);
        ASSERT_NE(drawn, nullptr);
        drawn->angle = c.angle;
        drawn->pivotX = c.pivotX;
        bindImage(drawn);
        static std::vector<GLfloat> buffer(FEEDBACK_VALUES);
        glFeedbackBuffer(FEEDBACK_VALUES, GL_3D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        EXPECT_EQ(drawImageStrips(drawn), c.drawn);
        GLint values = glRenderMode(GL_RENDER);
        // Each triangle is a token, a count and three vertices.
        EXPECT_EQ(values, static_cast<GLint>(c.polygons * (2 + 3 * VALUES_PER_VERTEX)));
    }
    // Edges beyond 32-bit range, or a source wider than any texture: one quad.
    Image* wide = image(65, 8);
    ASSERT_NE(wide, nullptr);
    for (auto [x0, x1] : {std::pair{-3e9f, 3e9f}, std::pair{0.0f, 65537.0f}}) {
        wide->srcX0 = x0;
        wide->srcX1 = x1;
        EXPECT_EQ(drawImageStrips(wide), 0) << x0 << ".." << x1;
    }
}

TEST_F(DrawOnScreen, TintsEveryVertexWithTheCurrentColour)
{
    Image* drawn = image(65, 16);
    ASSERT_NE(drawn, nullptr);
    drawn->x = 10;
    drawn->y = 10;
    currentColor = 0x80FF4020;  // alpha 0x80, blue 0xFF, green 0x40, red 0x20
    std::vector<FedPolygon> polygons = captureDraw(drawn);
    ASSERT_EQ(polygons.size(), 4u);  // two strips
    for (const FedPolygon& polygon : polygons) {
        for (const FedVertex& v : polygon) {
            EXPECT_NEAR(v.color[0], 0x20 / 255.0f, 1e-3f);
            EXPECT_NEAR(v.color[1], 0x40 / 255.0f, 1e-3f);
            EXPECT_NEAR(v.color[2], 1.0f, 1e-3f);
            EXPECT_NEAR(v.color[3], 0x80 / 255.0f, 1e-3f);
        }
    }
}

// ---------------------------------------------------------------------------
// Real pixels from real files.

constexpr uint32_t BLACK = 0x000000;

struct Rgb {
    uint8_t r, g, b;
};

// Channels of 0 and 255 only, so that PF_5551 and the 8-bit frame buffer
// hold them exactly.
Rgb sheetColour(int32_t x, int32_t y)
{
    int32_t tile = x / 16 + (y / 16) * 4;
    Rgb tileColours[] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},   {255, 255, 0},
                         {255, 0, 255}, {0, 255, 255}, {255, 255, 255}, {0, 0, 0}};
    Rgb colour = tileColours[tile % 8];
    // Markers that show orientation: white at a tile's top-left texel, black
    // at its bottom-right one, and a grey-free diagonal of inverted colour.
    int32_t tx = x % 16, ty = y % 16;
    if (tx == 0 && ty == 0) {
        return {255, 255, 255};
    }
    if (tx == 15 && ty == 15) {
        return {0, 0, 0};
    }
    if (tx == ty) {
        return {static_cast<uint8_t>(255 - colour.r), static_cast<uint8_t>(255 - colour.g),
                static_cast<uint8_t>(255 - colour.b)};
    }
    return colour;
}

uint32_t rgbWord(Rgb c)
{
    return c.r | c.g << 8 | c.b << 16;
}

class DrawFromFiles : public DrawOnScreen {
protected:
    void SetUp() override
    {
        DrawOnScreen::SetUp();
        ASSERT_TRUE(enterScratchDirectory(&scratch, "quorl-draw"));
    }
    void TearDown() override
    {
        leaveScratchDirectory(scratch);
        DrawOnScreen::TearDown();
    }

    Image* loaded(const char* name)
    {
        Image* image = loadImageFile(name, LOC_RAM, PF_5551);
        EXPECT_NE(image, nullptr);
        if (image != nullptr) {
            images.push_back(image);
        }
        return image;
    }

    ScratchDirectory scratch;
};

bool writeRgbPicture(const char* name, int32_t width, int32_t height,
                     Rgb (*colour)(int32_t, int32_t))
{
    PngPicture picture;
    picture.width = static_cast<uint32_t>(width);
    picture.height = static_cast<uint32_t>(height);
    picture.colorType = PNG_COLOR_TYPE_RGB;
    for (int32_t y = 0; y < height; y++) {
        std::vector<uint8_t> row;
        for (int32_t x = 0; x < width; x++) {
            Rgb c = colour(x, y);
            row.insert(row.end(), {c.r, c.g, c.b});
        }
        picture.rows.push_back(row);
    }
    return writePng(name, picture);
}

// Compares a screen area with what should be there; the frame buffer's alpha
// is not written, so only RGB counts. Returns the count of wrong pixels.
int32_t wrongPixels(int32_t left, int32_t top, int32_t width, int32_t height,
                    uint32_t (*expected)(int32_t x, int32_t y, const void* context),
                    const void* context)
{
    std::vector<uint32_t> screen = screenPixels();
    int32_t wrong = 0;
    for (int32_t y = top; y < top + height; y++) {
        for (int32_t x = left; x < left + width; x++) {
            uint32_t want = expected(x, y, context);
            uint32_t got = screen[y * SCREEN_WIDTH + x] & 0xFFFFFF;
            if (got != want) {
                if (wrong < 5) {
                    ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << got
                                  << " instead of " << want;
                }
                wrong++;
            }
        }
    }
    return wrong;
}

struct TilePlacement {
    int32_t x, y;         // where the tile's reference point is drawn
    int32_t tileX, tileY; // the tile's top-left texel in the sheet
    int32_t angle;        // 0 or 90
};

// The pixel a tile drawn at the placement shows at screen (x, y), or black
// outside it. At 90 degrees texel (tx, ty) lands at column x - 1 - ty, row
// y + tx: the picture turns clockwise about its top-left corner.
uint32_t tilePixel(int32_t x, int32_t y, const void* context)
{
    const TilePlacement& p = *static_cast<const TilePlacement*>(context);
    int32_t tx, ty;
    if (p.angle == 0) {
        tx = x - p.x;
        ty = y - p.y;
    } else {
        tx = y - p.y;
        ty = p.x - 1 - x;
    }
    if (tx < 0 || tx >= 16 || ty < 0 || ty >= 16) {
        return BLACK;
    }
    return rgbWord(sheetColour(p.tileX + tx, p.tileY + ty));
}

TEST_F(DrawFromFiles, DrawsSpriteSheetTilesPixelForPixel)
{
    ASSERT_TRUE(writeRgbPicture("boules.png", 64, 32, sheetColour));
    Image* sheet = loaded("boules.png");
    ASSERT_NE(sheet, nullptr);

    const TilePlacement placements[] = {
        {100, 50, 32, 0, 0},   // tile 2, upright
        {37, 201, 16, 16, 0},  // tile 5
        {300, 120, 32, 0, 90}, // tile 2, turned a quarter clockwise
    };
    for (const TilePlacement& p : placements) {
        SCOPED_TRACE(testing::Message() << "tile at " << p.tileX << ", " << p.tileY << " angle "
                                        << p.angle);
        newFrame();
        sheet->x = p.x;
        sheet->y = p.y;
        sheet->drawWidth = 16;
        sheet->drawHeight = 16;
        sheet->srcX0 = static_cast<float>(p.tileX);
        sheet->srcY0 = static_cast<float>(p.tileY);
        sheet->srcX1 = static_cast<float>(p.tileX + 16);
        sheet->srcY1 = static_cast<float>(p.tileY + 16);
        sheet->angle = static_cast<float>(p.angle);
        drawImage(sheet);
        int32_t left = p.angle == 0 ? p.x : p.x - 16;
        EXPECT_EQ(wrongPixels(left - 4, p.y - 4, 24, 24, tilePixel, &p), 0);
    }
}

struct FlipCase {
    const char* label;
    bool negativeWidth, reversedX, negativeHeight, reversedY;
};

// A negative drawn size or a reversed source rectangle mirrors the picture
// within the same screen area (two of them cancel out); a negative drawn
// size extends it left of or above (x, y).
TEST_F(DrawFromFiles, NegativeSizesAndReversedSourcesFlip)
{
    ASSERT_TRUE(writeRgbPicture("boules.png", 64, 32, sheetColour));
    Image* sheet = loaded("boules.png");
    ASSERT_NE(sheet, nullptr);
    const FlipCase cases[] = {
        {"negative drawWidth", true, false, false, false},
        {"reversed srcX", false, true, false, false},
        {"negative drawHeight", false, false, true, false},
        {"reversed srcY", false, false, false, true},
        {"negative drawWidth and reversed srcX", true, true, false, false},
        {"both axes", true, false, false, true},
    };
    for (const FlipCase& c : cases) {
        SCOPED_TRACE(c.label);
        newFrame();
        const int32_t tileX = 32, tileY = 0, left = 100, top = 50;
        sheet->x = c.negativeWidth ? left + 16 : left;
        sheet->y = c.negativeHeight ? top + 16 : top;
        sheet->drawWidth = c.negativeWidth ? -16 : 16;
        sheet->drawHeight = c.negativeHeight ? -16 : 16;
        sheet->srcX0 = static_cast<float>(c.reversedX ? tileX + 16 : tileX);
        sheet->srcX1 = static_cast<float>(c.reversedX ? tileX : tileX + 16);
        sheet->srcY0 = static_cast<float>(c.reversedY ? tileY + 16 : tileY);
        sheet->srcY1 = static_cast<float>(c.reversedY ? tileY : tileY + 16);
        drawImage(sheet);
        bool mirrorX = c.negativeWidth != c.reversedX;
        bool mirrorY = c.negativeHeight != c.reversedY;
        auto expected = [&](int32_t x, int32_t y) -> uint32_t {
            int32_t tx = x - left, ty = y - top;
            if (tx < 0 || tx >= 16 || ty < 0 || ty >= 16) {
                return BLACK;
            }
            return rgbWord(sheetColour(tileX + (mirrorX ? 15 - tx : tx),
                                       tileY + (mirrorY ? 15 - ty : ty)));
        };
        int32_t wrong = 0;
        std::vector<uint32_t> screen = screenPixels();
        for (int32_t y = top - 4; y < top + 20; y++) {
            for (int32_t x = left - 4; x < left + 20; x++) {
                wrong += (screen[y * SCREEN_WIDTH + x] & 0xFFFFFF) != expected(x, y);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

Rgb stripeColour(int32_t x, int32_t y)
{
    // Every column differs from its neighbours, so a gap, an overlap or a
    // shifted strip shows.
    return {static_cast<uint8_t>(x % 2 ? 255 : 0), static_cast<uint8_t>((x / 2) % 2 ? 255 : 0),
            static_cast<uint8_t>((x + y) % 3 ? 0 : 255)};
}

uint32_t stripePixel(int32_t x, int32_t y, const void* context)
{
    const int32_t* origin = static_cast<const int32_t*>(context);
    int32_t sx = x - origin[0], sy = y - origin[1];
    if (sx < 0 || sx >= 130 || sy < 0 || sy >= 6) {
        return BLACK;
    }
    return rgbWord(stripeColour(sx, sy));
}

TEST_F(DrawFromFiles, StripsMeetWithoutGaps)
{
    ASSERT_TRUE(writeRgbPicture("lignes.png", 130, 6, stripeColour));
    Image* wide = loaded("lignes.png");
    ASSERT_NE(wide, nullptr);
    for (int16_t allowStrips : {1, 0}) {
        SCOPED_TRACE(allowStrips ? "strips" : "one quad");
        newFrame();
        wide->x = 20;
        wide->y = 140;
        wide->allowStrips = allowStrips;
        std::vector<FedPolygon> polygons = captureDraw(wide);
        EXPECT_EQ(polygons.size(), allowStrips ? 6u : 2u);  // 64 + 64 + 2 texels, or one quad
        drawImage(wide);
        const int32_t origin[2] = {20, 140};
        EXPECT_EQ(wrongPixels(16, 136, 140, 14, stripePixel, origin), 0);
    }
}

}  // namespace
