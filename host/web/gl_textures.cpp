// Textures of the browser host's GL: names, their filters, and the pictures
// they hold as images that WebGL keeps (gl_layer.h). An upload whose bytes
// an image already holds, in the same format and size, takes that image:
// the frames that re-specify their unchanged pictures cost a comparison of
// bytes instead of a conversion and a copy to WebGL. Images no name holds
// stay for a while (at most GL_LAYER_IDLE_BYTES of them, the least recently
// used leaving first), since the library's ring of names hands a picture a
// different name in the next frame.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>  // Required for: std::ptrdiff_t
#include <cstring>  // Required for: memcpy, memset

#include "host/web/gl_layer.h"

constexpr size_t GL_LAYER_IDLE_BYTES = 32u << 20;
// The atlas: a texture of GL_LAYER_ATLAS_SIZE texels square holding every
// picture of up to GL_LAYER_ATLAS_SIDE texels a side (with nearest
// filtering) that finds room, each with one more column and row repeating
// its first, so that a coordinate of exactly 1 samples what GL_REPEAT gives.
constexpr int32_t GL_LAYER_ATLAS_SIZE = 1024;
constexpr int32_t GL_LAYER_ATLAS_SIDE = 256;

// Rows of places of one height, filled from the left; places given back
// are taken again by pictures of their size.
struct AtlasShelf {
    int32_t y, height, nextX;
};
struct AtlasPlace {
    int32_t x, y, width, height;
};
struct Atlas {
    uint32_t handle;
    std::vector<AtlasShelf> shelves;
    std::vector<AtlasPlace> freePlaces;
};

static Atlas atlas = {};
static std::vector<uint8_t> convertScratch;
static std::vector<uint8_t> atlasScratch;

static GlTexture* boundName();
static int32_t findImage(uint32_t format, uint32_t type, int32_t dropAlpha, int32_t width,
                         int32_t height, int32_t minFilter, int32_t magFilter, int32_t rowBytes,
                         int32_t stride, const uint8_t* source);
static int32_t newImage(size_t bytes);
static void fillImage(GlImage& image, const PixelLayout& layout, int32_t rowBytes, int32_t stride,
                      const uint8_t* source);
static void holdImage(GlTexture* name, int32_t image);
static bool sameRows(const uint8_t* stored, int32_t rowBytes, int32_t rows, int32_t stride,
                     const uint8_t* source);
static void placeInAtlas(GlImage& image, const uint8_t* rgba);
static void leaveAtlas(GlImage& image);
static bool findAtlasPlace(int32_t width, int32_t height, int32_t* x, int32_t* y);

void glGenTextures(GLsizei count, GLuint* names)
{
    for (GLsizei i = 0; i < count; ++i) {
        glLayer.textures.push_back({-1, GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR});
        names[i] = static_cast<GLuint>(glLayer.textures.size());
    }
}

void glBindTexture(GLenum target, GLuint name)
{
    if (target != GL_TEXTURE_2D || name > glLayer.textures.size()) {
        glLayerError(target != GL_TEXTURE_2D ? GL_INVALID_ENUM : GL_INVALID_VALUE);
        return;
    }
    if (name != glLayer.boundTexture) {
        glLayer.boundTexture = name;
        glLayerStateChanged();
    }
}

void glTexParameteri(GLenum target, GLenum parameter, GLint value)
{
    GlTexture* name = boundName();
    if (target != GL_TEXTURE_2D || name == nullptr) {
        glLayerError(GL_INVALID_OPERATION);
        return;
    }
    // Swizzles are not offered (no GL_ARB_texture_swizzle): the library
    // never asks for them here.
    if (parameter != GL_TEXTURE_MIN_FILTER && parameter != GL_TEXTURE_MAG_FILTER) {
        return;
    }
    (parameter == GL_TEXTURE_MIN_FILTER ? name->minFilter : name->magFilter) = value;
    if (name->image < 0) {
        return;
    }
    GlImage& held = glLayer.images[name->image];
    if (held.minFilter == name->minFilter && held.magFilter == name->magFilter) {
        return;
    }
    glLayerFlush();
    if (held.references > 1) {
        // Shared with other names, which keep their filters: this one gets
        // an image of its own with the same picture.
        PixelLayout layout;
        pixelLayoutOf(held.format, held.type, &layout);
        int32_t rowBytes = held.width * layout.bytes;
        int32_t copy = newImage(held.source.size());
        GlImage& image = glLayer.images[copy];
        const GlImage& original = glLayer.images[name->image];
        image.width = original.width;
        image.height = original.height;
        image.format = original.format;
        image.type = original.type;
        image.dropAlpha = original.dropAlpha;
        image.minFilter = name->minFilter;
        image.magFilter = name->magFilter;
        std::vector<uint8_t> source = original.source;
        fillImage(image, layout, rowBytes, rowBytes, source.data());
        image.lastUse = ++glLayer.useClock;
        holdImage(name, copy);
    } else {
        held.minFilter = name->minFilter;
        held.magFilter = name->magFilter;
        webglTextureFilters(held.handle, held.minFilter, held.magFilter);
        if (held.minFilter != GL_NEAREST || held.magFilter != GL_NEAREST) {
            leaveAtlas(held);  // the atlas samples its texels nearest only
        }
    }
    glLayerStateChanged();
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels)
{
    GlTexture* name = boundName();
    PixelLayout layout;
    if (target != GL_TEXTURE_2D || level != 0 || border != 0 || name == nullptr || width < 0 ||
        height < 0 || !pixelLayoutOf(format, type, &layout)) {
        glLayerError(GL_INVALID_OPERATION);
        return;
    }
    // A texture without alpha shows every texel opaque.
    int32_t dropAlpha = internalFormat == GL_RGB || internalFormat == GL_RGB5 ||
                        internalFormat == GL_RGB8 || internalFormat == 3 ? 1 : 0;
    int32_t rowPixels = glLayer.unpackRowLength > 0 ? glLayer.unpackRowLength : width;
    int32_t stride = rowStride(rowPixels, layout.bytes, glLayer.unpackAlignment);
    int32_t rowBytes = width * layout.bytes;
    std::vector<uint8_t> zeros;
    const uint8_t* source = static_cast<const uint8_t*>(pixels);
    if (source == nullptr) {
        // No pixels: the texture's contents are undefined; black will do.
        zeros.assign(static_cast<size_t>(rowBytes) * height, 0);
        source = zeros.data();
        stride = rowBytes;
    }
    int32_t found = findImage(format, type, dropAlpha, width, height, name->minFilter,
                              name->magFilter, rowBytes, stride, source);
    if (found < 0) {
        found = newImage(static_cast<size_t>(rowBytes) * height);
        GlImage& image = glLayer.images[found];
        image.width = width;
        image.height = height;
        image.format = format;
        image.type = type;
        image.dropAlpha = dropAlpha;
        image.minFilter = name->minFilter;
        image.magFilter = name->magFilter;
        fillImage(image, layout, rowBytes, stride, source);
    }
    glLayer.images[found].lastUse = ++glLayer.useClock;
    holdImage(name, found);
}

// Copies a rectangle of the read buffer into the bound texture's image,
// which from then on is this name's alone and is never matched by bytes.
void glCopyTexSubImage2D(GLenum target, GLint level, GLint xOffset, GLint yOffset, GLint x, GLint y,
                         GLsizei width, GLsizei height)
{
    GlTexture* name = boundName();
    if (target != GL_TEXTURE_2D || level != 0 || name == nullptr || name->image < 0 || width < 0 ||
        height < 0) {
        glLayerError(GL_INVALID_OPERATION);
        return;
    }
    glLayerFlush();
    if (glLayer.images[name->image].references > 1) {
        GlImage& shared = glLayer.images[name->image];
        PixelLayout layout;
        pixelLayoutOf(shared.format, shared.type, &layout);
        int32_t rowBytes = shared.width * layout.bytes;
        std::vector<uint8_t> source = shared.source;
        GlImage copy = shared;
        int32_t own = newImage(source.size());
        GlImage& image = glLayer.images[own];
        image.width = copy.width;
        image.height = copy.height;
        image.format = copy.format;
        image.type = copy.type;
        image.dropAlpha = copy.dropAlpha;
        image.minFilter = copy.minFilter;
        image.magFilter = copy.magFilter;
        fillImage(image, layout, rowBytes, rowBytes, source.data());
        image.lastUse = ++glLayer.useClock;
        holdImage(name, own);
    }
    GlImage& image = glLayer.images[name->image];
    image.copiedInto = 1;
    leaveAtlas(image);  // the copy goes into its own texture alone
    std::vector<uint8_t>().swap(image.source);
    webglCopyToTexture(image.handle, xOffset, yOffset, glLayer.readBuffer, x, y, width, height);
}

// The bound texture as RGBA bytes, the one format the library asks for.
void glGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, GLvoid* pixels)
{
    GlTexture* name = boundName();
    if (target != GL_TEXTURE_2D || level != 0 || format != GL_RGBA || type != GL_UNSIGNED_BYTE ||
        name == nullptr || name->image < 0) {
        glLayerError(GL_INVALID_OPERATION);
        return;
    }
    glLayerFlush();
    const GlImage& image = glLayer.images[name->image];
    webglReadTexture(image.handle, image.width, image.height, static_cast<uint8_t*>(pixels));
}

uint32_t glLayerTextureFor(GlVertex* vertices, int32_t count)
{
    const GlTexture* name = boundName();
    if (name == nullptr || name->image < 0) {
        return 0;
    }
    const GlImage& image = glLayer.images[name->image];
    if (image.atlasX < 0) {
        return image.handle;
    }
    for (int32_t i = 0; i < count; ++i) {
        const GlVertex& vertex = vertices[i];
        if (!(vertex.u >= 0.0f && vertex.u <= 1.0f && vertex.v >= 0.0f && vertex.v <= 1.0f)) {
            return image.handle;  // repeats beyond its edge: the picture's own texture
        }
    }
    const float size = static_cast<float>(GL_LAYER_ATLAS_SIZE);
    for (int32_t i = 0; i < count; ++i) {
        vertices[i].u = (static_cast<float>(image.atlasX) + vertices[i].u * image.width) / size;
        vertices[i].v = (static_cast<float>(image.atlasY) + vertices[i].v * image.height) / size;
    }
    return atlas.handle;
}

static GlTexture* boundName()
{
    uint32_t name = glLayer.boundTexture;
    return name >= 1 && name <= glLayer.textures.size() ? &glLayer.textures[name - 1] : nullptr;
}

// The image that holds these bytes in this format, size and filters, or -1;
// the most recently used of them are looked at first.
static int32_t findImage(uint32_t format, uint32_t type, int32_t dropAlpha, int32_t width,
                         int32_t height, int32_t minFilter, int32_t magFilter, int32_t rowBytes,
                         int32_t stride, const uint8_t* source)
{
    int32_t found = -1;
    uint64_t foundUse = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(glLayer.images.size()); ++i) {
        const GlImage& image = glLayer.images[i];
        if (image.lastUse == 0 || image.copiedInto != 0 || image.width != width || image.height != height ||
            image.format != format || image.type != type || image.dropAlpha != dropAlpha ||
            image.minFilter != minFilter || image.magFilter != magFilter || image.lastUse <= foundUse) {
            continue;
        }
        if (sameRows(image.source.data(), rowBytes, height, stride, source)) {
            found = i;
            foundUse = image.lastUse;
        }
    }
    return found;
}

// An image that holds nothing, for `bytes` of source: an idle one of the
// past when the idle images hold too much, else a new one.
static int32_t newImage(size_t bytes)
{
    for (;;) {
        size_t idle = bytes;
        int32_t oldest = -1;
        int32_t empty = -1;
        for (int32_t i = 0; i < static_cast<int32_t>(glLayer.images.size()); ++i) {
            const GlImage& image = glLayer.images[i];
            if (image.references != 0) {
                continue;
            }
            if (image.lastUse == 0) {
                empty = i;
                continue;
            }
            idle += static_cast<size_t>(image.width) * image.height * 4;
            if (oldest < 0 || image.lastUse < glLayer.images[oldest].lastUse) {
                oldest = i;
            }
        }
        if (idle <= GL_LAYER_IDLE_BYTES || oldest < 0) {
            if (empty >= 0) {
                return empty;
            }
            glLayer.images.push_back({webglCreateTexture(), 0, 0, 0, 0, 0, 0, 0, 0, {}, 0, 0, -1, -1});
            return static_cast<int32_t>(glLayer.images.size()) - 1;
        }
        // The batch may still draw with it.
        if (glLayer.batchState.texture == glLayer.images[oldest].handle) {
            glLayerFlush();
        }
        GlImage& evicted = glLayer.images[oldest];
        leaveAtlas(evicted);
        evicted.lastUse = 0;
        evicted.copiedInto = 0;
        evicted.width = 0;
        evicted.height = 0;
        std::vector<uint8_t>().swap(evicted.source);
    }
}

static void fillImage(GlImage& image, const PixelLayout& layout, int32_t rowBytes, int32_t stride,
                      const uint8_t* source)
{
    image.source.resize(static_cast<size_t>(rowBytes) * image.height);
    for (int32_t y = 0; y < image.height; ++y) {
        memcpy(image.source.data() + static_cast<size_t>(y) * rowBytes,
               source + static_cast<size_t>(y) * stride, static_cast<size_t>(rowBytes));
    }
    size_t bytes = static_cast<size_t>(image.width) * image.height * 4;
    convertScratch.resize(bytes > 0 ? bytes : 4);
    convertToRgba(layout, image.dropAlpha != 0, image.width, image.height, rowBytes,
                  image.source.data(), convertScratch.data());
    webglTextureImage(image.handle, image.width, image.height, convertScratch.data(),
                      image.minFilter, image.magFilter);
    leaveAtlas(image);
    placeInAtlas(image, convertScratch.data());
}

static void holdImage(GlTexture* name, int32_t image)
{
    if (name->image == image) {
        return;
    }
    if (name->image >= 0) {
        glLayer.images[name->image].references--;
    }
    name->image = image;
    glLayer.images[image].references++;
    glLayerStateChanged();
}

// Whether the packed rows equal the source's rows, compared eight bytes at
// a time (the C library's memcmp goes byte by byte here).
static bool sameRows(const uint8_t* stored, int32_t rowBytes, int32_t rows, int32_t stride,
                     const uint8_t* source)
{
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* a = stored + static_cast<size_t>(y) * rowBytes;
        const uint8_t* b = source + static_cast<size_t>(y) * stride;
        int32_t i = 0;
        for (; i + 8 <= rowBytes; i += 8) {
            uint64_t wordA;
            uint64_t wordB;
            memcpy(&wordA, a + i, 8);
            memcpy(&wordB, b + i, 8);
            if (wordA != wordB) {
                return false;
            }
        }
        for (; i < rowBytes; ++i) {
            if (a[i] != b[i]) {
                return false;
            }
        }
    }
    return true;
}

// Puts a picture's texels, with its repeating column and row, in a place of
// the atlas of its size, if it may go there and one is free.
static void placeInAtlas(GlImage& image, const uint8_t* rgba)
{
    if (image.width <= 0 || image.height <= 0 || image.width > GL_LAYER_ATLAS_SIDE ||
        image.height > GL_LAYER_ATLAS_SIDE || image.minFilter != GL_NEAREST || image.magFilter != GL_NEAREST) {
        return;
    }
    int32_t width = image.width + 1;
    int32_t height = image.height + 1;
    int32_t x = 0;
    int32_t y = 0;
    if (!findAtlasPlace(width, height, &x, &y)) {
        return;
    }
    if (atlas.handle == 0) {
        atlas.handle = webglCreateTexture();
        webglTextureImage(atlas.handle, GL_LAYER_ATLAS_SIZE, GL_LAYER_ATLAS_SIZE, nullptr, GL_NEAREST,
                          GL_NEAREST);
    }
    atlasScratch.resize(static_cast<size_t>(width) * height * 4);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* in = rgba + static_cast<size_t>(row % image.height) * image.width * 4;
        uint8_t* out = atlasScratch.data() + static_cast<size_t>(row) * width * 4;
        memcpy(out, in, static_cast<size_t>(image.width) * 4);
        memcpy(out + static_cast<size_t>(image.width) * 4, in, 4);
    }
    // The place may have held a picture the batch still draws.
    if (glLayer.batchState.texture == atlas.handle) {
        glLayerFlush();
    }
    webglTextureSubImage(atlas.handle, x, y, width, height, atlasScratch.data());
    image.atlasX = x;
    image.atlasY = y;
}

static void leaveAtlas(GlImage& image)
{
    if (image.atlasX < 0) {
        return;
    }
    atlas.freePlaces.push_back({image.atlasX, image.atlasY, image.width + 1, image.height + 1});
    image.atlasX = -1;
    image.atlasY = -1;
    glLayerStateChanged();
}

// A free place of width x height: one given back, room on a shelf of that
// height, or a new shelf under the others.
static bool findAtlasPlace(int32_t width, int32_t height, int32_t* x, int32_t* y)
{
    for (size_t i = 0; i < atlas.freePlaces.size(); ++i) {
        const AtlasPlace& place = atlas.freePlaces[i];
        if (place.width == width && place.height == height) {
            *x = place.x;
            *y = place.y;
            atlas.freePlaces.erase(atlas.freePlaces.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    for (AtlasShelf& shelf : atlas.shelves) {
        if (shelf.height == height && shelf.nextX + width <= GL_LAYER_ATLAS_SIZE) {
            *x = shelf.nextX;
            *y = shelf.y;
            shelf.nextX += width;
            return true;
        }
    }
    int32_t top = atlas.shelves.empty() ? 0 : atlas.shelves.back().y + atlas.shelves.back().height;
    if (top + height > GL_LAYER_ATLAS_SIZE) {
        return false;
    }
    atlas.shelves.push_back({top, height, width});
    *x = 0;
    *y = top;
    return true;
}
