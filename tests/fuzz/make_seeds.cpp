// Writes the fuzz target's seed corpus into a directory: a small picture of
// every colour type at every bit depth PNG allows, with and without
// transparency, plain and interlaced, each once per selector value so that
// every pixel format and grey rule starts from a picture that decodes.
//
//   make_seeds DIR
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/png_writer.h"

// Large enough for all seven interlace passes to hold pixels.
constexpr uint32_t SEED_WIDTH = 9;
constexpr uint32_t SEED_HEIGHT = 6;
// Selector values of the fuzz target that choose the pixel format and how
// grey pictures are read.
constexpr uint8_t SEED_SELECTORS = 16;

struct SeedKind {
    const char* name;
    int colorType;
    int channels;
    std::vector<int> bitDepths;
};

// Sample values with 0 and the largest value among them, so that grey 0 (the
// transparent grey) and full intensity both occur.
static uint32_t sampleAt(uint32_t x, uint32_t y, int channel, uint32_t limit)
{
    return (x * 7 + y * 13 + channel * 5) % limit;
}

// One row as PNG stores it: samples packed below 8 bits, big-endian at 16.
static std::vector<uint8_t> storedRow(const std::vector<uint32_t>& samples, int bitDepth)
{
    if (bitDepth < 8) {
        return packSamples(samples, bitDepth);
    }
    std::vector<uint8_t> row;
    for (uint32_t sample : samples) {
        if (bitDepth == 16) {
            row.push_back(static_cast<uint8_t>(sample >> 8));
        }
        row.push_back(static_cast<uint8_t>(sample));
    }
    return row;
}

static PngPicture seedPicture(const SeedKind& kind, int bitDepth, bool interlaced)
{
    PngPicture picture;
    picture.width = SEED_WIDTH;
    picture.height = SEED_HEIGHT;
    picture.bitDepth = bitDepth;
    picture.colorType = kind.colorType;
    picture.interlaced = interlaced;
    uint32_t limit = 1u << bitDepth;
    if (kind.colorType == PNG_COLOR_TYPE_PALETTE) {
        // Fewer entries than the depth allows, as most paletted files have.
        limit = bitDepth == 8 ? 200 : limit;
        for (uint32_t i = 0; i < limit; i++) {
            png_color entry = {static_cast<png_byte>(i * 3), static_cast<png_byte>(255 - i),
                               static_cast<png_byte>(i * 11)};
            picture.palette.push_back(entry);
        }
    }
    for (uint32_t y = 0; y < SEED_HEIGHT; y++) {
        std::vector<uint32_t> samples;
        for (uint32_t x = 0; x < SEED_WIDTH; x++) {
            for (int channel = 0; channel < kind.channels; channel++) {
                samples.push_back(sampleAt(x, y, channel, limit));
            }
        }
        picture.rows.push_back(storedRow(samples, bitDepth));
    }
    return picture;
}

static bool writeSeeds(const std::string& stem, const PngPicture& picture)
{
    const std::string scratch = stem + ".tmp";
    if (!writePng(scratch, picture)) {
        return false;
    }
    std::vector<uint8_t> png = readBytes(scratch);
    std::remove(scratch.c_str());
    bool written = !png.empty();
    for (uint8_t selector = 0; selector < SEED_SELECTORS; selector++) {
        std::vector<uint8_t> input = png;
        input.push_back(selector);
        written &= writeBytes(stem + "." + std::to_string(selector), input);
    }
    return written;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const SeedKind kinds[] = {
        {"grey", PNG_COLOR_TYPE_GRAY, 1, {1, 2, 4, 8, 16}},
        {"grey-alpha", PNG_COLOR_TYPE_GRAY_ALPHA, 2, {8, 16}},
        {"rgb", PNG_COLOR_TYPE_RGB, 3, {8, 16}},
        {"rgba", PNG_COLOR_TYPE_RGB_ALPHA, 4, {8, 16}},
        {"palette", PNG_COLOR_TYPE_PALETTE, 1, {1, 2, 4, 8}},
    };
    bool written = true;
    for (const SeedKind& kind : kinds) {
        for (int bitDepth : kind.bitDepths) {
            for (bool interlaced : {false, true}) {
                const std::string stem = dir + "/" + kind.name + "-" + std::to_string(bitDepth) +
                                         (interlaced ? "-adam7" : "");
                PngPicture picture = seedPicture(kind, bitDepth, interlaced);
                written &= writeSeeds(stem, picture);
                // Transparency: part of a palette, or one grey value as the key.
                if (kind.colorType == PNG_COLOR_TYPE_PALETTE) {
                    picture.paletteAlpha.assign(picture.palette.size() / 2 + 1, 0x80);
                    picture.paletteAlpha[0] = 0;
                    written &= writeSeeds(stem + "-trns", picture);
                } else if (kind.colorType == PNG_COLOR_TYPE_GRAY) {
                    picture.hasGreyKey = true;
                    picture.greyKey = static_cast<uint16_t>(sampleAt(1, 1, 0, 1u << bitDepth));
                    written &= writeSeeds(stem + "-trns", picture);
                }
            }
        }
    }
    if (!written) {
        std::fprintf(stderr, "cannot write the seeds into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
