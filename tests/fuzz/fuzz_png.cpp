// libFuzzer entry for the PNG loader. The input's last byte is not part of
// the file: it chooses the pixel format (every one, and one that does not
// exist) and the location, so each conversion and each refusal is reached.
// The bytes before it are decoded from a memory stream.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "gfx/image.h"
#include "gfx/png_loader.h"

constexpr int32_t FUZZ_FORMATS[] = {PF_5650, PF_5551, PF_4444, PF_8888,
                                    PF_T4,   PF_T8,   PIXEL_FORMAT_COUNT};
constexpr uint8_t FUZZ_FORMAT_CHOICES = sizeof FUZZ_FORMATS / sizeof FUZZ_FORMATS[0];
constexpr uint8_t FUZZ_VIDEO_MEMORY_BIT = 0x80;

// What the loader promises of any picture it returns, whatever the bytes.
static void checkPromise(bool kept, const char* promise)
{
    if (!kept) {
        std::fprintf(stderr, "PNG loader broke its promise: %s\n", promise);
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const uint8_t selector = data[size - 1];
    const int32_t pixelFormat = FUZZ_FORMATS[selector % FUZZ_FORMAT_CHOICES];
    const int32_t location = (selector & FUZZ_VIDEO_MEMORY_BIT) != 0 ? LOC_VIDEO_MEMORY : LOC_RAM;

    // fmemopen takes a non-const buffer even to read; "r" never writes it.
    FILE* stream = fmemopen(const_cast<uint8_t*>(data), size - 1, "r");
    if (stream == nullptr) {
        return 0;
    }
    Image* image = loadPngStream(stream, location, pixelFormat);
    std::fclose(stream);
    if (image == nullptr) {
        return 0;
    }
    checkPromise(pixelFormat >= PF_5650 && pixelFormat <= PF_8888,
                 "a picture only in a direct-colour format");
    checkPromise(image->pixelFormat == pixelFormat && image->location == location,
                 "the format and location asked for");
    checkPromise(image->width > 0 && image->height > 0 &&
                     int64_t{image->width} * image->height <= PNG_MAX_PIXELS,
                 "at most PNG_MAX_PIXELS pixels");
    releaseImage(image);
    return 0;
}
