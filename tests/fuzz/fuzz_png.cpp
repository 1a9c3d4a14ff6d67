// libFuzzer entry for the PNG loader. The input's last byte is not part of
// the file: it chooses the pixel format (every one, and two that do not
// exist), the location, how grey pictures are read, and whether chunk CRCs
// are repaired first. The bytes before it are decoded from a memory stream.
//
// libpng refuses a critical chunk whose CRC does not match, so nearly every
// mutation of a header, palette or image data would end there; with the
// CRCs recomputed those mutations reach the decoder and the conversion.
#include <sanitizer/allocator_interface.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gfx/image.h"
#include "gfx/png_loader.h"

// The library asks every program for the game's names; this one has no game.
const GameInfo gameInfo = {"Quorl Fuzz", "Quorl Tests", "Fuzz", nullptr};
void gameMain()
{
}

constexpr uint8_t FUZZ_FORMAT_MASK = 0x07;
constexpr int32_t FUZZ_FORMATS[FUZZ_FORMAT_MASK + 1] = {
    PF_5650, PF_5551, PF_4444, PF_8888, PF_T4, PF_T8, -1, PIXEL_FORMAT_COUNT};
constexpr uint8_t FUZZ_STORED_GREY_BIT = 0x08;
constexpr uint8_t FUZZ_KEEP_CRC_BIT = 0x40;
constexpr uint8_t FUZZ_VIDEO_MEMORY_BIT = 0x80;
constexpr size_t FUZZ_SIGNATURE_BYTES = 8;

// AddressSanitizer keeps what the rows of large pictures took, size class by
// size class, for its own reuse, and the fuzzer's memory limit counts that
// as if an input still held it: one process reached 440 MB in 80 seconds
// while no single input needed 200. Above FUZZ_PURGE_ABOVE_MB it is handed
// back to the system, at most once a second, so that the limit keeps
// measuring inputs.
constexpr long FUZZ_PURGE_ABOVE_MB = 256;
constexpr uint32_t FUZZ_PURGE_CHECK_EVERY = 16;
constexpr std::chrono::seconds FUZZ_PURGE_INTERVAL{1};

static uint32_t readBigEndian(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Rewrites the CRC of every whole chunk after the signature; a chunk that
// runs past the end is left as it is, and so is everything after it.
static void repairCrcs(std::vector<uint8_t>& file)
{
    size_t at = FUZZ_SIGNATURE_BYTES;
    while (file.size() - at >= 12) {
        uint32_t length = readBigEndian(&file[at]);
        if (length > file.size() - at - 12) {
            return;
        }
        uLong crc = crc32(crc32(0L, Z_NULL, 0), &file[at + 4], length + 4);
        for (int i = 0; i < 4; i++) {
            file[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        }
        at += size_t{length} + 12;
    }
}

static long residentMb()
{
    long sizePages = 0;
    long residentPages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) {
        return 0;
    }
    if (std::fscanf(statm, "%ld %ld", &sizePages, &residentPages) != 2) {
        residentPages = 0;
    }
    std::fclose(statm);
    return residentPages * sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

static void purgeSanitizerMemory()
{
    static uint32_t calls = 0;
    static auto lastPurge = std::chrono::steady_clock::now();
    if (++calls % FUZZ_PURGE_CHECK_EVERY != 0) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPurge >= FUZZ_PURGE_INTERVAL && residentMb() > FUZZ_PURGE_ABOVE_MB) {
        __sanitizer_purge_allocator();
        lastPurge = now;
    }
}

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
    purgeSanitizerMemory();
    if (size == 0) {
        return 0;
    }
    const uint8_t selector = data[size - 1];
    const int32_t pixelFormat = FUZZ_FORMATS[selector & FUZZ_FORMAT_MASK];
    const int32_t location = (selector & FUZZ_VIDEO_MEMORY_BIT) != 0 ? LOC_VIDEO_MEMORY : LOC_RAM;
    std::vector<uint8_t> file(data, data + size - 1);
    if ((selector & FUZZ_KEEP_CRC_BIT) == 0 && file.size() > FUZZ_SIGNATURE_BYTES) {
        repairCrcs(file);
    }

    FILE* stream = fmemopen(file.data(), file.size(), "r");
    if (stream == nullptr) {
        return 0;
    }
    const int32_t greyRule =
        (selector & FUZZ_STORED_GREY_BIT) != 0 ? PNG_GREY_AS_STORED : PNG_GREY_CONSOLE;
    Image* image = loadPngStream(stream, location, pixelFormat, greyRule);
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
