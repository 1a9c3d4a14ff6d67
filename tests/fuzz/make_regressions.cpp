// Writes the fuzz target's regression inputs into a directory (they are
// committed in tests/fuzz/regressions/; rerun this only to remake them).
// Each file is a PNG followed by the target's selector byte.
//
//   make_regressions DIR
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/png_writer.h"

// Selector bytes of the fuzz target: the first four pixel formats.
constexpr uint8_t SELECT_5650 = 0;
constexpr uint8_t SELECT_5551 = 1;

// Bytes of zero rows packed into the bomb's one IDAT chunk: about 32 KB of
// file at deflate's ratio of 1000 to 1. Reserving the rows alone stays below
// the fuzzer's 512 MB under AddressSanitizer; these first rows of the first
// interlace passes, each spread over a whole 256 KB row, take it above.
constexpr size_t BOMB_ZERO_BYTES = 32 << 20;
// Offset of the interlace method in IHDR's data.
constexpr size_t IHDR_INTERLACE = 12;

static bool writeInput(const std::string& path, std::vector<uint8_t> png, uint8_t selector)
{
    png.push_back(selector);
    return writeBytes(path, png);
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool written = true;

    // 41 bytes: a 1x1 grey header, then the header of a chunk the picture has
    // no use for whose length field claims 2 GiB. A loader that buffers such
    // chunks asks for all of it before finding that the file has ended.
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "pCAL"}) {
        std::vector<uint8_t> png = pngSignature();
        appendChunk(png, "IHDR", ihdrData(1, 1, 8, PNG_COLOR_TYPE_GRAY));
        png.insert(png.end(), {0x7f, 0xff, 0xff, 0xff});
        png.insert(png.end(), type, type + 4);
        written &= writeInput(dir + "/claims-2gib-" + type + ".png", png, SELECT_5551);
    }

    // A header claiming 65536 x 8192 interlaced RGBA (half a gigapixel) and a
    // short run of compressed zero rows: a loader that trusts the header
    // reserves 2 GiB of rows. A 16-bit format, because the same picture in
    // PF_8888 is beyond what an Image can hold and was always refused.
    std::vector<uint8_t> header = ihdrData(65536, 8192, 8, PNG_COLOR_TYPE_RGB_ALPHA);
    header[IHDR_INTERLACE] = PNG_INTERLACE_ADAM7;
    std::vector<uint8_t> bomb = pngSignature();
    appendChunk(bomb, "IHDR", header);
    appendChunk(bomb, "IDAT", compressed(std::vector<uint8_t>(BOMB_ZERO_BYTES, 0)));
    written &= writeInput(dir + "/bomb-65536x8192-rgba.png", bomb, SELECT_5650);

    if (!written) {
        std::fprintf(stderr, "cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
