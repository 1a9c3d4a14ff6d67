// Pictures from files: PNG through libpng.
#pragma once

#include <cstdint>

#include "gfx/image.h"

// Chooses the loader by the name's extension (from its first "."); null for
// an unknown extension or a file that cannot be read.
Image* loadImageFile(const char* name, int32_t location, int32_t pixelFormat);
Image* loadPngImage(const char* name, int32_t location, int32_t pixelFormat);
