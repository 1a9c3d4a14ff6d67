// Pictures from files: PNG through libpng. PNG_MAX_PIXELS, loadImage and
// loadImageFile are in quorl/quorl.h.
#pragma once

#include <cstdint>
#include <cstdio>

#include "gfx/image.h"
#include "quorl/quorl.h"

// How grey pictures (PNG's grey and grey-with-alpha colour types) are read.
// The console's rule (loadImageFile): black is transparent, every other grey
// opaque, and the file's own alpha (channel or transparent-grey key) is not
// used.
constexpr int32_t PNG_GREY_CONSOLE = 0;
// As PNG defines them (loadImage): opaque unless the file's alpha channel or
// transparent-grey key says otherwise, its alpha used as stored.
constexpr int32_t PNG_GREY_AS_STORED = 1;


// Decodes a PNG from an open stream (read forward only: a pipe will do) into
// a new Image of the given location and direct-colour pixel format, grey
// pictures by `greyRule`; null when the bytes are not a PNG the loader takes.
// The caller closes the stream.
Image* loadPngStream(FILE* file, int32_t location, int32_t pixelFormat, int32_t greyRule);

// Sets what lastLoadError() reports, for the other loaders and writers
// (sounds, screenshots): a string that lives as long as the program, "" after
// a load that worked.
void setLoadError(const char* reason);
