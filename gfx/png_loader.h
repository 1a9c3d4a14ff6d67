// Pictures from files: PNG through libpng. PNG_MAX_PIXELS, loadImage and
// loadImageFile are in quorl/quorl.h.
#pragma once

#include <cstdint>
#include <cstdio>

#include "gfx/image.h"
#include "quorl/quorl.h"

// Opens the named file and decodes it with loadPngStream.
Image* loadPngImage(const char* name, int32_t location, int32_t pixelFormat);

// Decodes a PNG from an open stream (read forward only: a pipe will do) into
// a new Image of the given location and direct-colour pixel format; null when
// the bytes are not a PNG the loader takes. The caller closes the stream.
Image* loadPngStream(FILE* file, int32_t location, int32_t pixelFormat);

// Sets what lastLoadError() reports, for the other loaders (sounds): a
// string that lives as long as the program, "" after a load that worked.
void setLoadError(const char* reason);
