// Pictures from files: PNG through libpng.
#pragma once

#include <cstdint>
#include <cstdio>

#include "gfx/image.h"

// The largest picture the loader takes, in pixels (4096 x 4096): far more
// than a 480 x 272 screen needs, and small enough that a tiny file claiming
// a huge picture cannot make a load take gigabytes. Larger pictures, and
// sides above 65536, give null before anything is allocated for them.
constexpr int64_t PNG_MAX_PIXELS = 16777216;

// Chooses the loader by the name's extension, taken from the name's first
// "." (so "./ship.png" and "a.b.png" have no ".png" extension); null for an
// unknown extension or a file that cannot be read.
Image* loadImageFile(const char* name, int32_t location, int32_t pixelFormat);

// Opens the named file and decodes it with loadPngStream.
Image* loadPngImage(const char* name, int32_t location, int32_t pixelFormat);

// Decodes a PNG from an open stream (read forward only: a pipe will do) into
// a new Image of the given location and direct-colour pixel format; null when
// the bytes are not a PNG the loader takes. The caller closes the stream.
Image* loadPngStream(FILE* file, int32_t location, int32_t pixelFormat);
