// Drawing an image as a textured quad (or as 64-texel strips).
#pragma once

#include <cstdint>

#include "gfx/image.h"

struct Vertex {
    float u, v;  // texture position in texels
    float x, y;  // screen position in pixels
    float z;     // always 0
};

constexpr int32_t VERTEX_SCRATCH_BYTES = 1048576;
constexpr int32_t STRIP_TEXELS = 64;
constexpr int64_t STRIP_MAX_TEXELS = 65536;  // the widest texture an image can have


// The four corners of the image's single quad, in strip order. Returns false,
// leaving `out` alone, when the source rectangle is under one texel wide or high.
bool buildImageQuad(const Image& image, Vertex* out);

int32_t drawImageStrips(Image* image);

// Fills a rectangle in currentColor through the picture path (one white
// texel, stretched): what fillRect and the shapes are drawn with. Nothing
// for an empty rectangle.
void fillTinted(int32_t x, int32_t y, int32_t width, int32_t height);
