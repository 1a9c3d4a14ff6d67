// Images, pixel formats and the upload of an image's pixels into a texture
// (the next of a small ring of texture names, one upload per bind change). The upload state below is reset at the start of every
// frame (startDrawing) so that the first bind of a frame always uploads.
#include "gfx/image.h"

#include <GL/gl.h>
#include <GL/glext.h>  // Required for: GL_TEXTURE_SWIZZLE_R, GL_TEXTURE_SWIZZLE_B
#include <cstdlib>   // Required for: calloc, malloc, free
#include <cstring>   // Required for: memset

#include "gfx/library.h"  // Required for: textureName, videoMemory
#include "quorl/host.h"    // Required for: emuReuseTextures

const PixelFormatInfo pixelFormatTable[PIXEL_FORMAT_COUNT] = {
    {16, GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5_REV},
    {16, GL_RGB5_A1, GL_RGBA, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {16, GL_RGBA4, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4_REV},
    {32, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
    {4, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
    {8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
};

// The 16-bit formats' pixels described with red and blue exchanged, indexed
// by PixelFormat. Mesa converts the layouts of pixelFormatTable texel by
// texel; PF_5551 and PF_4444 described this way it copies as they are (a
// 512 x 512 picture: 10 us instead of 1.4 ms). The texture then exchanges red
// and blue back as it is sampled, so every pixel shows as before. PF_5650
// gains nothing (its GL_RGB5 texture keeps 5 bits of green, so its pixels are
// converted either way) and stays on the plain path.
struct SwappedTransfer {
    GLenum glFormat;
    GLenum glType;
};
static const SwappedTransfer swappedTransferTable[PF_8888] = {
    {GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
    {GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV},
    {GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV},
};

// Widths and sizes beyond these are refused rather than overflowed.
constexpr int32_t IMAGE_MAX_SIDE = 65536;

void* boundPixels = nullptr;
Palette* boundPalette = nullptr;
int32_t boundPixelFormat = -1;
int32_t paletteFormat = PF_8888;
const uint32_t* activeColors = nullptr;
uint32_t convertedPalette[CONVERTED_PALETTE_SIZE];
static uint32_t expandStorage[EXPAND_BUFFER_PIXELS];
uint32_t* expandBuffer = expandStorage;
int32_t uploadedWidth = 0;
int32_t uploadedHeight = 0;
void* uploadedPixels = nullptr;
int32_t uploadCount = 0;
int32_t textureRingNext = 0;
int32_t textureRingSwizzled[TEXTURE_RING_SIZE] = {};

// Pixels per row of the buffer last uploaded, for uploading it again
// through a new palette.
static int32_t uploadedRowPixels = 0;

// Entries in the table activeColors points to. An index past them (a T8
// pixel of 200 under a 16-entry table) expands to transparent instead of
// reading beyond the table.
static int32_t activeColorCount = 0;

static void applyPalette(const uint32_t* colors, int32_t count);
static bool isPaletted(int32_t pixelFormat);
static bool isValidFormat(int32_t pixelFormat);
static int32_t sourceRowBytes(int32_t pixelFormat, int32_t width);
static bool pointsIntoVideoMemory(const void* pointer);
static void swizzleRedAndBlue(int32_t slot, int32_t exchanged);

int32_t roundToPowerOfTwo(int32_t value)
{
    for (int32_t bit = 15; bit >= 0; --bit) {
        int32_t mask = 1 << bit;
        if (value & mask) {
            return (value & ~mask) == 0 ? mask : mask << 1;
        }
    }
    return value;
}

Image* createImage(int32_t width, int32_t height, int32_t location, int32_t pixelFormat)
{
    if (width < 0 || height < 0 || width > IMAGE_MAX_SIDE || height > IMAGE_MAX_SIDE ||
        !isValidFormat(pixelFormat)) {
        return nullptr;
    }
    Image* image = static_cast<Image*>(calloc(1, sizeof(Image)));
    if (image == nullptr) {
        return nullptr;
    }
    image->width = width;
    image->height = height;
    image->drawWidth = width;
    image->drawHeight = height;
    image->srcX1 = static_cast<float>(width);
    image->srcY1 = static_cast<float>(height);
    image->texWidth = roundToPowerOfTwo(width);
    image->texHeight = roundToPowerOfTwo(height);
    image->location = static_cast<int16_t>(location);
    image->pixelFormat = static_cast<int16_t>(pixelFormat);
    image->allowStrips = 1;

    // Rows are whole 16-byte units.
    int32_t bits = pixelFormatTable[pixelFormat].bitsPerPixel;
    int32_t step = 128 / bits;
    image->bufferWidth = (image->texWidth + step - 1) / step * step;
    image->bufferHeight = image->texHeight;
    int64_t byteSize = (static_cast<int64_t>(image->bufferWidth) * bits * image->texHeight) >> 3;
    if (byteSize > INT32_MAX) {
        free(image);
        return nullptr;
    }
    image->byteSize = static_cast<int32_t>(byteSize);
    image->pixels = malloc(static_cast<size_t>(byteSize > 0 ? byteSize : 1));
    if (image->pixels == nullptr) {
        free(image);
        return nullptr;
    }
    return image;
}

void releaseImage(Image* image)
{
    if (image == nullptr) {
        return;
    }
    // createImage takes heap memory for both locations; the screen buffers
    // and anything else inside the emulated video memory are not ours to free.
    if (image->sharedPixels == 0 && !pointsIntoVideoMemory(image->pixels)) {
        free(image->pixels);
    }
    free(image);
}

uint32_t pixelToColor32(uint32_t pixel, int32_t pixelFormat)
{
    uint32_t p = pixel & 0xFFFF;
    uint32_t r, g, b, a;
    switch (pixelFormat) {
    case PF_5650:
        r = (p & 0x1F) * 255 / 31;
        g = ((p >> 5) & 0x3F) * 255 / 63;
        b = ((p >> 11) & 0x1F) * 255 / 31;
        a = 255;
        break;
    case PF_5551:
        r = (p & 0x1F) * 255 / 31;
        g = ((p >> 5) & 0x1F) * 255 / 31;
        b = ((p >> 10) & 0x1F) * 255 / 31;
        a = ((p >> 15) & 1) * 255;
        break;
    case PF_4444:
        r = (p & 0xF) * 17;
        g = ((p >> 4) & 0xF) * 17;
        b = ((p >> 8) & 0xF) * 17;
        a = ((p >> 12) & 0xF) * 17;
        break;
    case PF_8888:
        return pixel;
    default:
        return 0;
    }
    return r | (g << 8) | (b << 16) | (a << 24);
}

void bindImage(Image* image)
{
    if (image == nullptr) {
        return;
    }
    Palette* palette = image->palette;
    if (palette != nullptr && palette != boundPalette) {
        paletteFormat = palette->pixelFormat;
        boundPalette = palette;
        applyPalette(palette->colors, palette->count & ~7);
    }
    if (image->pixels != boundPixels) {
        boundPixels = image->pixels;
        boundPixelFormat = image->pixelFormat;
        uploadTexture(image->texWidth, image->texHeight, image->pixels, image->bufferWidth);
    }
}

void uploadTexture(int32_t width, int32_t height, void* pixels, int32_t rowPixels)
{
    uploadedPixels = pixels;
    uploadedRowPixels = rowPixels;
    int32_t format = boundPixelFormat;
    if (!isValidFormat(format) || width < 0 || height < 0 || pixels == nullptr) {
        return;
    }
    int32_t textureHeight = roundToPowerOfTwo(height);
    const void* data = pixels;
    int32_t rowLength = 0;  // GL's default: rows of `width` pixels
    if (isPaletted(format)) {
        // The expanded texture must fit the expand buffer, rows and padding.
        if (static_cast<int64_t>(width) * textureHeight > EXPAND_BUFFER_PIXELS) {
            return;
        }
        expandPalettedRows(pixels, height, width, rowPixels);
        data = expandBuffer;
        format = PF_8888;
    } else if (rowPixels > width) {
        rowLength = rowPixels;
    }
    if (emuReuseTextures.load(std::memory_order_relaxed) == 0) {
        glFinish();
    }
    const PixelFormatInfo& info = pixelFormatTable[format];
    GLenum glFormat = info.glFormat;
    GLenum glType = info.glType;
    int32_t swapped = textureSwizzle != 0 && (format == PF_5551 || format == PF_4444) ? 1 : 0;
    if (swapped != 0) {
        glFormat = swappedTransferTable[format].glFormat;
        glType = swappedTransferTable[format].glType;
    }
    // Each upload fills the next name of the ring and binds it.
    int32_t slot = textureRingNext;
    textureRingNext = (slot + 1) % TEXTURE_RING_SIZE;
    textureName = textureRing[slot];
    glBindTexture(GL_TEXTURE_2D, textureName);
    swizzleRedAndBlue(slot, swapped);
    if (rowLength != 0) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    }
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(info.internalFormat), width,
                 textureHeight, 0, glFormat, glType, data);
    if (rowLength != 0) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    ++uploadCount;
    uploadedWidth = width;
    uploadedHeight = height;
}

static void applyPalette(const uint32_t* colors, int32_t count)
{
    if (paletteFormat == PF_8888 || colors == nullptr) {
        activeColors = colors;  // no table at all: paletted pixels show transparent
        // Used in place: the palette's own length bounds it, when it is known.
        bool bound = boundPalette != nullptr && boundPalette->colors == colors;
        activeColorCount = bound ? boundPalette->count : count;
    } else {
        activeColors = convertedPalette;
        activeColorCount = CONVERTED_PALETTE_SIZE;
        // The converted table holds 256 entries; a longer palette gives its first 256.
        int32_t n = count < CONVERTED_PALETTE_SIZE ? count : CONVERTED_PALETTE_SIZE;
        for (int32_t i = 0; i < n; ++i) {
            convertedPalette[i] = pixelToColor32(colors[i], paletteFormat);
        }
    }
    // Re-upload only what was bound in this frame: at a frame's start the
    // last upload may be of an image released since, and the bind that
    // follows uploads anyway.
    if (isPaletted(boundPixelFormat) && boundPixels != nullptr) {
        uploadTexture(uploadedWidth, uploadedHeight, uploadedPixels, uploadedRowPixels);
    }
}

void expandPalettedRows(const void* pixels, int32_t rows, int32_t width, int32_t rowPixels)
{
    if (pixels == nullptr || rows <= 0 || width <= 0 || !isPaletted(boundPixelFormat)) {
        return;
    }
    // Never write past the expand buffer, whatever the caller asks for.
    if (static_cast<int64_t>(rows) * width > EXPAND_BUFFER_PIXELS) {
        rows = EXPAND_BUFFER_PIXELS / width;
    }
    int32_t packedBytes = sourceRowBytes(boundPixelFormat, width);
    int32_t strideBytes = sourceRowBytes(boundPixelFormat, rowPixels);
    if (strideBytes < packedBytes) {
        strideBytes = packedBytes;
    }
    const uint8_t* row = static_cast<const uint8_t*>(pixels);
    uint32_t* out = expandBuffer;
    if (activeColors == nullptr) {
        // No palette applied yet: the image shows as transparent, not as garbage.
        memset(out, 0, sizeof(uint32_t) * static_cast<size_t>(rows) * width);
        return;
    }
    const uint32_t* colors = activeColors;
    uint32_t limit = static_cast<uint32_t>(activeColorCount > 0 ? activeColorCount : 0);
    for (int32_t r = 0; r < rows; ++r, row += strideBytes) {
        if (boundPixelFormat == PF_T4) {
            for (int32_t c = 0; c < width; ++c) {
                uint32_t pair = row[c >> 1];
                uint32_t index = (c & 1) ? (pair >> 4) : (pair & 0xF);
                *out++ = index < limit ? colors[index] : 0;
            }
        } else {
            for (int32_t c = 0; c < width; ++c) {
                uint32_t index = row[c];
                *out++ = index < limit ? colors[index] : 0;
            }
        }
    }
}

static bool isPaletted(int32_t pixelFormat)
{
    return pixelFormat == PF_T4 || pixelFormat == PF_T8;
}

static bool isValidFormat(int32_t pixelFormat)
{
    return pixelFormat >= 0 && pixelFormat < PIXEL_FORMAT_COUNT;
}

// Bytes a paletted source row of `width` pixels takes when rows are packed.
static int32_t sourceRowBytes(int32_t pixelFormat, int32_t width)
{
    if (width <= 0) {
        return 0;
    }
    return pixelFormat == PF_T4 ? ((width - 1) / 2) + 1 : width;
}

static bool pointsIntoVideoMemory(const void* pointer)
{
    const uint8_t* p = static_cast<const uint8_t*>(pointer);
    return videoMemory != nullptr && p >= videoMemory && p < videoMemory + VIDEO_MEMORY_BYTES;
}

// Sets the bound ring texture's red and blue sources, only when they change.
static void swizzleRedAndBlue(int32_t slot, int32_t exchanged)
{
    if (exchanged == textureRingSwizzled[slot]) {
        return;
    }
    textureRingSwizzled[slot] = exchanged;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, exchanged != 0 ? GL_BLUE : GL_RED);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, exchanged != 0 ? GL_RED : GL_BLUE);
}
