// Drawing an image: its source rectangle scaled to the displayed size, turned
// about its pivot and sent to GL as one four-vertex triangle strip, or, when
// it is wide and neither turned nor pivoted, as a row of 64-texel strips.
#include "gfx/draw.h"

#include <GL/gl.h>

#include <cmath>    // Required for: std::isnan
#include <cstdlib>  // Required for: malloc

#include "gfx/graphics.h"

// Allocated by the first draw and kept: drawing allocates nothing afterwards.
// Every quad is built in its first four records.
// A quad is built in the first four records, sent, then the next one built.
static Vertex* vertexScratch = nullptr;

// One opaque white texel, stretched and tinted by fillRect; made by its first call.
static Image* fillImage = nullptr;

static void emitQuad(Vertex* vertices);
static Vertex* obtainVertexScratch();
static uint32_t clampColorPart(int32_t value);
static int32_t truncateToInt(float value);

bool buildImageQuad(const Image& image, Vertex* out)
{
    int32_t srcW = truncateToInt(image.srcX1 - image.srcX0);
    int32_t srcH = truncateToInt(image.srcY1 - image.srcY0);
    // Under one texel wide or high the pivot cannot be scaled: draw nothing.
    if (srcW == 0 || srcH == 0) {
        return false;
    }

    // 64-bit so that no product overflows; for any real size the result is
    // the 32-bit one.
    int64_t px = int64_t{image.pivotX} * image.drawWidth / srcW;
    int64_t py = int64_t{image.pivotY} * image.drawHeight / srcH;
    float x0 = static_cast<float>(-px);
    float x1 = static_cast<float>(image.drawWidth - px);
    float y0 = static_cast<float>(-py);
    float y1 = static_cast<float>(image.drawHeight - py);

    // Truncate toward zero, remainder with the sign of the dividend, then
    // into 0..359: 45.9 is 45, -0.5 is 0, -90 is 270.
    int32_t a = truncateToInt(image.angle) % 360;
    if (a < 0) {
        a += 360;
    }
    float sinA = sinTable[a];
    float cosA = cosTable[a];

    const float cornerX[4] = {x0, x1, x0, x1};
    const float cornerY[4] = {y0, y0, y1, y1};
    const float u[4] = {image.srcX0, image.srcX1, image.srcX0, image.srcX1};
    const float v[4] = {image.srcY0, image.srcY0, image.srcY1, image.srcY1};
    for (int32_t i = 0; i < 4; i++) {
        // Each product is a float before the sum, as the quad's positions
        // are defined on single-precision sines and cosines.
        float cosX = cosA * cornerX[i];
        float sinY = sinA * cornerY[i];
        float sinX = sinA * cornerX[i];
        float cosY = cosA * cornerY[i];
        out[i].u = u[i];
        out[i].v = v[i];
        out[i].x = static_cast<float>(static_cast<double>(image.x) + cosX - sinY);
        out[i].y = static_cast<float>(static_cast<double>(image.y) + sinX + cosY);
        out[i].z = 0.0f;
    }
    return true;
}

void drawImage(Image* image)
{
    requireGraphics("drawImage()");
    if (image == nullptr) {
        return;
    }
    // Bound first, so that the upload state describes this image's texture
    // by the time its coordinates are normalised.
    bindImage(image);
    if (image->allowStrips != 0 && drawImageStrips(image) != 0) {
        return;
    }
    Vertex* quad = obtainVertexScratch();
    if (quad == nullptr) {
        return;
    }
    if (buildImageQuad(*image, quad)) {
        emitQuad(quad);
    }
}

int32_t drawImageStrips(Image* image)
{
    // Each edge is truncated on its own, so fractional edges still give whole
    // strips ending at srcX0 + n. In 64 bits: the edges may lie anywhere in
    // 32. A source wider than the widest texture is one quad, not millions
    // of strips.
    int64_t n = int64_t{truncateToInt(image->srcX1)} - truncateToInt(image->srcX0);
    if (n <= STRIP_TEXELS || n > STRIP_MAX_TEXELS || image->angle != 0.0f || image->pivotX != 0 ||
        image->pivotY != 0) {
        return 0;
    }
    Vertex* quad = obtainVertexScratch();
    if (quad == nullptr) {
        return 0;
    }

    float scale = static_cast<float>(image->drawWidth) / static_cast<float>(n);
    float top = static_cast<float>(image->y);
    float bottom = static_cast<float>(int64_t{image->y} + image->drawHeight);
    for (int64_t off = 0; off < n; off += STRIP_TEXELS) {
        int64_t end = off + STRIP_TEXELS < n ? off + STRIP_TEXELS : n;
        float left = static_cast<float>(image->x) + static_cast<float>(off) * scale;
        float right = static_cast<float>(image->x) + static_cast<float>(end) * scale;
        float uLeft = image->srcX0 + static_cast<float>(off);
        float uRight = image->srcX0 + static_cast<float>(end);
        quad[0] = Vertex{uLeft, image->srcY0, left, top, 0.0f};
        quad[1] = Vertex{uRight, image->srcY0, right, top, 0.0f};
        quad[2] = Vertex{uLeft, image->srcY1, left, bottom, 0.0f};
        quad[3] = Vertex{uRight, image->srcY1, right, bottom, 0.0f};
        emitQuad(quad);
    }
    return 1;
}

uint32_t makeColor(int32_t red, int32_t green, int32_t blue, int32_t alpha)
{
    return clampColorPart(red) | clampColorPart(green) << 8 | clampColorPart(blue) << 16 |
           clampColorPart(alpha) << 24;
}

void drawImageTinted(Image* image, uint32_t colour)
{
    uint32_t tint = currentColor;
    currentColor = colour;
    drawImage(image);
    currentColor = tint;
}

int32_t setImageFrame(Image* image, int32_t frameWidth, int32_t frameHeight, int32_t index)
{
    if (image == nullptr || frameWidth <= 0 || frameHeight <= 0 || index < 0) {
        return 0;
    }
    // Only whole frames count: a partial column or row at the edge is none.
    int32_t columns = image->width / frameWidth;
    int32_t rows = image->height / frameHeight;
    if (columns == 0 || rows == 0 || index / columns >= rows) {
        return 0;
    }
    int32_t left = index % columns * frameWidth;
    int32_t top = index / columns * frameHeight;
    image->srcX0 = static_cast<float>(left);
    image->srcY0 = static_cast<float>(top);
    image->srcX1 = static_cast<float>(left + frameWidth);
    image->srcY1 = static_cast<float>(top + frameHeight);
    image->drawWidth = frameWidth;
    image->drawHeight = frameHeight;
    return 1;
}

void fillRect(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t color)
{
    uint32_t tint = currentColor;
    currentColor = color;
    fillTinted(x, y, width, height);
    currentColor = tint;
}

void fillTinted(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0) {
        return;
    }
    if (fillImage == nullptr) {
        fillImage = createImage(1, 1, LOC_RAM, PF_8888);
        if (fillImage == nullptr) {
            return;
        }
        *static_cast<uint32_t*>(fillImage->pixels) = 0xFFFFFFFF;
        fillImage->allowStrips = 0;
    }
    fillImage->x = x;
    fillImage->y = y;
    fillImage->drawWidth = width;
    fillImage->drawHeight = height;
    // The same path as every picture: the screen shader and the blending apply.
    drawImage(fillImage);
}

// Sends four vertices as one triangle strip.
static void emitQuad(Vertex* vertices)
{
    // Texel positions over the size last uploaded (texWidth x texHeight of
    // the bound image) give GL's 0..1 coordinates.
    float width = static_cast<float>(static_cast<uint32_t>(uploadedWidth));
    float height = static_cast<float>(static_cast<uint32_t>(uploadedHeight));
    glBegin(GL_TRIANGLE_STRIP);
    for (int32_t i = 0; i < 4; i++) {
        applyVertexColor();
        glTexCoord2f(vertices[i].u / width, vertices[i].v / height);
        glVertex3f(vertices[i].x, vertices[i].y, vertices[i].z);
    }
    glEnd();
}

static Vertex* obtainVertexScratch()
{
    if (vertexScratch == nullptr) {
        vertexScratch = static_cast<Vertex*>(std::malloc(VERTEX_SCRATCH_BYTES));
    }
    return vertexScratch;
}

static uint32_t clampColorPart(int32_t value)
{
    return static_cast<uint32_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Truncation toward zero that saturates instead of overflowing, for source
// edges and angles far outside any sensible range (and 0 for NaN).
static int32_t truncateToInt(float value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0f) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0f) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}
