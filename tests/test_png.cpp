// The PNG loader on real files written by libpng in a scratch directory: the
// colour types and bit depths, pixel packing, the image record, the names it
// accepts, and files it must refuse without leaking.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "gfx/image.h"
#include "gfx/png_loader.h"
#include "png_writer.h"
#include "tests/support/process_probe.h"

namespace {

namespace fs = std::filesystem;

uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    return a << 24 | b << 16 | g << 8 | r;
}

std::vector<uint8_t> bytes8(std::initializer_list<int> values)
{
    return std::vector<uint8_t>(values.begin(), values.end());
}

// Big-endian 16-bit samples, as PNG stores them.
std::vector<uint8_t> bytes16(std::initializer_list<int> values)
{
    std::vector<uint8_t> row;
    for (int value : values) {
        row.push_back(static_cast<uint8_t>(value >> 8));
        row.push_back(static_cast<uint8_t>(value));
    }
    return row;
}

PngPicture picture(uint32_t width, uint32_t height, int bitDepth, int colorType,
                   std::vector<std::vector<uint8_t>> rows)
{
    PngPicture p;
    p.width = width;
    p.height = height;
    p.bitDepth = bitDepth;
    p.colorType = colorType;
    p.rows = std::move(rows);
    return p;
}

// Each test runs in its own scratch directory, which is the working
// directory while it runs: the loader takes names as given.
class PngLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(enterScratchDirectory(&scratch, "quorl-png"));
    }
    void TearDown() override
    {
        leaveScratchDirectory(scratch);
    }

    ScratchDirectory scratch;
};

// A small RGB picture, for the tests about names and damaged files.
PngPicture smallRgbPicture()
{
    return picture(3, 2, 8, PNG_COLOR_TYPE_RGB,
                   {bytes8({255, 0, 0, 0, 255, 0, 0, 0, 255}),
                    bytes8({10, 200, 255, 0, 0, 0, 255, 255, 255})});
}

uint16_t pixel16(const Image* image, int32_t x, int32_t y)
{
    return static_cast<const uint16_t*>(image->pixels)[y * image->bufferWidth + x];
}

uint32_t pixel32(const Image* image, int32_t x, int32_t y)
{
    return static_cast<const uint32_t*>(image->pixels)[y * image->bufferWidth + x];
}

struct ColourCase {
    const char* label;
    PngPicture file;
    std::vector<uint32_t> expected;  // PF_8888, row by row
};

std::vector<ColourCase> colourCases()
{
    const uint32_t clear = rgba(0, 0, 0, 0);
    std::vector<ColourCase> cases;

    cases.push_back({"grey 1 bit",
                     picture(4, 2, 1, PNG_COLOR_TYPE_GRAY,
                             {packSamples({0, 1, 1, 0}, 1), packSamples({1, 0, 0, 1}, 1)}),
                     {clear, rgba(255, 255, 255, 255), rgba(255, 255, 255, 255), clear,
                      rgba(255, 255, 255, 255), clear, clear, rgba(255, 255, 255, 255)}});
    cases.push_back({"grey 2 bits",
                     picture(4, 1, 2, PNG_COLOR_TYPE_GRAY, {packSamples({0, 1, 2, 3}, 2)}),
                     {clear, rgba(85, 85, 85, 255), rgba(170, 170, 170, 255),
                      rgba(255, 255, 255, 255)}});
    cases.push_back({"grey 4 bits",
                     picture(5, 1, 4, PNG_COLOR_TYPE_GRAY, {packSamples({0, 1, 8, 15, 0}, 4)}),
                     {clear, rgba(17, 17, 17, 255), rgba(136, 136, 136, 255),
                      rgba(255, 255, 255, 255), clear}});
    cases.push_back({"grey 8 bits",
                     picture(4, 1, 8, PNG_COLOR_TYPE_GRAY, {bytes8({0, 1, 128, 255})}),
                     {clear, rgba(1, 1, 1, 255), rgba(128, 128, 128, 255),
                      rgba(255, 255, 255, 255)}});

    // A transparent grey key becomes an alpha channel, which grey pictures
    // do not use: only black is transparent.
    ColourCase keyed{"grey 8 bits with a transparent key",
                     picture(3, 1, 8, PNG_COLOR_TYPE_GRAY, {bytes8({0, 128, 200})}),
                     {clear, rgba(128, 128, 128, 255), rgba(200, 200, 200, 255)}};
    keyed.file.hasGreyKey = true;
    keyed.file.greyKey = 128;
    cases.push_back(keyed);

    cases.push_back({"grey with alpha",
                     picture(3, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA,
                             {bytes8({0, 255, 100, 0, 255, 128})}),
                     {clear, rgba(100, 100, 100, 255), rgba(255, 255, 255, 255)}});
    cases.push_back({"RGB",
                     picture(2, 2, 8, PNG_COLOR_TYPE_RGB,
                             {bytes8({10, 200, 255, 0, 0, 0}), bytes8({255, 0, 0, 1, 2, 3})}),
                     {rgba(10, 200, 255, 255), rgba(0, 0, 0, 255), rgba(255, 0, 0, 255),
                      rgba(1, 2, 3, 255)}});
    cases.push_back({"RGBA",
                     picture(2, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                             {bytes8({10, 20, 30, 0, 40, 50, 60, 128})}),
                     {rgba(10, 20, 30, 0), rgba(40, 50, 60, 128)}});

    ColourCase palette{"palette without transparency",
                       picture(3, 1, 8, PNG_COLOR_TYPE_PALETTE, {bytes8({2, 0, 1})}),
                       {rgba(0, 0, 255, 255), rgba(255, 0, 0, 255), rgba(0, 255, 0, 255)}};
    palette.file.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    cases.push_back(palette);

    // tRNS shorter than the palette: the entries past it are opaque.
    ColourCase transparent{"2-bit palette with transparency",
                           picture(4, 1, 2, PNG_COLOR_TYPE_PALETTE, {packSamples({0, 1, 2, 3}, 2)}),
                           {rgba(255, 0, 0, 0), rgba(0, 255, 0, 128), rgba(0, 0, 255, 255),
                            rgba(9, 8, 7, 255)}};
    transparent.file.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
    transparent.file.paletteAlpha = {0, 128};
    cases.push_back(transparent);

    cases.push_back({"RGB 16 bits",
                     picture(2, 1, 16, PNG_COLOR_TYPE_RGB,
                             {bytes16({0x12AB, 0xFF00, 0x0080, 0xFFFF, 0x0000, 0x7F7F})}),
                     {rgba(0x12, 0xFF, 0x00, 255), rgba(0xFF, 0x00, 0x7F, 255)}});
    cases.push_back({"RGBA 16 bits",
                     picture(1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA,
                             {bytes16({0x8000, 0x1234, 0xABCD, 0x80FF})}),
                     {rgba(0x80, 0x12, 0xAB, 0x80)}});
    cases.push_back({"grey 16 bits",
                     picture(2, 1, 16, PNG_COLOR_TYPE_GRAY, {bytes16({0x00FF, 0x0100})}),
                     {clear, rgba(1, 1, 1, 255)}});

    // Interlaced: every pass must land on its own pixels.
    ColourCase interlaced{"interlaced RGB", picture(11, 9, 8, PNG_COLOR_TYPE_RGB, {}), {}};
    interlaced.file.interlaced = true;
    for (uint32_t y = 0; y < 9; y++) {
        std::vector<uint8_t> row;
        for (uint32_t x = 0; x < 11; x++) {
            uint32_t r = x * 20, g = y * 25, b = (x * 9 + y * 13) & 0xFF;
            row.insert(row.end(), {static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                                   static_cast<uint8_t>(b)});
            interlaced.expected.push_back(rgba(r, g, b, 255));
        }
        interlaced.file.rows.push_back(row);
    }
    cases.push_back(interlaced);
    return cases;
}

TEST_F(PngLoader, ConvertsEveryColourTypeAndDepth)
{
    for (const ColourCase& c : colourCases()) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(writePng("picture.png", c.file));
        Image* image = loadImageFile("picture.png", LOC_RAM, PF_8888);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->width, static_cast<int32_t>(c.file.width));
        ASSERT_EQ(image->height, static_cast<int32_t>(c.file.height));
        for (int32_t y = 0; y < image->height; y++) {
            for (int32_t x = 0; x < image->width; x++) {
                EXPECT_EQ(pixel32(image, x, y), c.expected[y * image->width + x])
                    << "pixel " << x << ", " << y;
            }
        }
        releaseImage(image);
    }
}

struct GreyCase {
    const char* label;
    PngPicture file;
    std::vector<uint32_t> console;  // loadImageFile: black transparent, stored alpha unused
    std::vector<uint32_t> stored;   // loadImage: opaque unless the file says otherwise
};

std::vector<GreyCase> greyCases()
{
    const uint32_t clear = rgba(0, 0, 0, 0);
    const uint32_t black = rgba(0, 0, 0, 255);
    std::vector<GreyCase> cases;
    cases.push_back({"grey 8 bits",
                     picture(3, 1, 8, PNG_COLOR_TYPE_GRAY, {bytes8({0, 128, 255})}),
                     {clear, rgba(128, 128, 128, 255), rgba(255, 255, 255, 255)},
                     {black, rgba(128, 128, 128, 255), rgba(255, 255, 255, 255)}});
    GreyCase keyed{"grey 8 bits with a transparent key",
                   picture(3, 1, 8, PNG_COLOR_TYPE_GRAY, {bytes8({0, 128, 200})}),
                   {clear, rgba(128, 128, 128, 255), rgba(200, 200, 200, 255)},
                   {black, rgba(128, 128, 128, 0), rgba(200, 200, 200, 255)}};
    keyed.file.hasGreyKey = true;
    keyed.file.greyKey = 128;
    cases.push_back(keyed);
    GreyCase lowKeyed{"grey 2 bits with a transparent key",
                      picture(4, 1, 2, PNG_COLOR_TYPE_GRAY, {packSamples({0, 1, 2, 3}, 2)}),
                      {clear, rgba(85, 85, 85, 255), rgba(170, 170, 170, 255),
                       rgba(255, 255, 255, 255)},
                      {black, rgba(85, 85, 85, 0), rgba(170, 170, 170, 255),
                       rgba(255, 255, 255, 255)}};
    lowKeyed.file.hasGreyKey = true;
    lowKeyed.file.greyKey = 1;
    cases.push_back(lowKeyed);
    cases.push_back({"grey with alpha",
                     picture(4, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA,
                             {bytes8({0, 255, 100, 0, 255, 128, 60, 200})}),
                     {clear, rgba(100, 100, 100, 255), rgba(255, 255, 255, 255),
                      rgba(60, 60, 60, 255)},
                     {black, rgba(100, 100, 100, 0), rgba(255, 255, 255, 128),
                      rgba(60, 60, 60, 200)}});
    cases.push_back({"grey 16 bits",
                     picture(4, 1, 16, PNG_COLOR_TYPE_GRAY,
                             {bytes16({0x0000, 0x00FF, 0x8000, 0xFFFF})}),
                     {clear, clear, rgba(128, 128, 128, 255), rgba(255, 255, 255, 255)},
                     {black, black, rgba(128, 128, 128, 255), rgba(255, 255, 255, 255)}});
    // The key is compared at 16 bits, before the samples are cut to 8.
    GreyCase keyed16{"grey 16 bits with a transparent key",
                     picture(2, 1, 16, PNG_COLOR_TYPE_GRAY, {bytes16({0x8000, 0x8001})}),
                     {rgba(128, 128, 128, 255), rgba(128, 128, 128, 255)},
                     {rgba(128, 128, 128, 0), rgba(128, 128, 128, 255)}};
    keyed16.file.hasGreyKey = true;
    keyed16.file.greyKey = 0x8000;
    cases.push_back(keyed16);
    cases.push_back({"grey with alpha, 16 bits",
                     picture(3, 1, 16, PNG_COLOR_TYPE_GRAY_ALPHA,
                             {bytes16({0x1234, 0xFFFF, 0xABCD, 0x0000, 0x0000, 0x8000})}),
                     {rgba(0x12, 0x12, 0x12, 255), rgba(0xAB, 0xAB, 0xAB, 255), clear},
                     {rgba(0x12, 0x12, 0x12, 255), rgba(0xAB, 0xAB, 0xAB, 0), rgba(0, 0, 0, 0x80)}});
    return cases;
}

// The console's loader keeps the console's rule for grey pictures; loadImage
// reads them as PNG defines them.
TEST_F(PngLoader, GreyPicturesFollowEachLoadersRule)
{
    for (const GreyCase& c : greyCases()) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(writePng("grey.png", c.file));
        Image* console = loadImageFile("grey.png", LOC_RAM, PF_8888);
        Image* stored = loadImage("grey.png", PF_8888);
        ASSERT_NE(console, nullptr);
        ASSERT_NE(stored, nullptr);
        for (int32_t x = 0; x < static_cast<int32_t>(c.file.width); x++) {
            EXPECT_EQ(pixel32(console, x, 0), c.console[x]) << "loadImageFile, pixel " << x;
            EXPECT_EQ(pixel32(stored, x, 0), c.stored[x]) << "loadImage, pixel " << x;
        }
        releaseImage(console);
        releaseImage(stored);
    }
}

TEST_F(PngLoader, PacksEachDirectFormat)
{
    ASSERT_TRUE(writePng("colours.png",
                         picture(4, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                                 {bytes8({10, 200, 255, 255, 10, 200, 255, 127, 255, 255, 255,
                                          128, 8, 4, 16, 0})})));
    struct Case {
        int32_t format;
        uint32_t expected[4];
    };
    const Case cases[] = {
        {PF_5551, {0xFF21, 0x7F21, 0xFFFF, 0x0801}},
        {PF_5650, {0xFE41, 0xFE41, 0xFFFF, 0x1021}},
        {PF_4444, {0xFFC0, 0x7FC0, 0x8FFF, 0x0100}},
        {PF_8888, {0xFFFFC80A, 0x7FFFC80A, 0x80FFFFFF, 0x00100408}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        Image* image = loadImageFile("colours.png", LOC_RAM, c.format);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->pixelFormat, c.format);
        for (int32_t x = 0; x < 4; x++) {
            uint32_t stored = c.format == PF_8888 ? pixel32(image, x, 0) : pixel16(image, x, 0);
            EXPECT_EQ(stored, c.expected[x]) << "pixel " << x;
        }
        releaseImage(image);
    }
}

// Rows are converted in vector code with a scalar tail: pictures of every
// 8-bit colour type, wide enough for both, in every direct format (and two of
// them with loadImage's grey rule), against the packing worked out pixel by
// pixel here.
TEST_F(PngLoader, PacksEveryColourTypeIntoEveryFormatOnWideRows)
{
    const int colourTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                               PNG_COLOR_TYPE_RGB_ALPHA};
    const int32_t formats[] = {PF_5650, PF_5551, PF_4444, PF_8888};
    const uint32_t width = 77, height = 3;
    uint32_t seed = 7;
    for (int colourType : colourTypes) {
        const uint32_t channels = colourType == PNG_COLOR_TYPE_GRAY         ? 1
                                  : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                  : colourType == PNG_COLOR_TYPE_RGB        ? 3
                                                                            : 4;
        PngPicture file = picture(width, height, 8, colourType, {});
        for (uint32_t y = 0; y < height; y++) {
            std::vector<uint8_t> row(width * channels);
            for (uint8_t& byte : row) {
                seed = seed * 1103515245u + 12345u;
                // Zero often, so that grey's transparent black shows up too.
                byte = (seed >> 27) == 0 ? 0 : static_cast<uint8_t>(seed >> 16);
            }
            file.rows.push_back(row);
        }
        ASSERT_TRUE(writePng("wide.png", file));
        for (auto [format, console] : {std::pair{formats[0], true}, std::pair{formats[1], true},
                                       std::pair{formats[2], true}, std::pair{formats[3], true},
                                       std::pair{formats[1], false}, std::pair{formats[3], false}}) {
            SCOPED_TRACE(testing::Message() << "colour type " << colourType << ", format " << format
                                            << (console ? ", loadImageFile" : ", loadImage"));
            Image* image = console ? loadImageFile("wide.png", LOC_RAM, format)
                                   : loadImage("wide.png", format);
            ASSERT_NE(image, nullptr);
            for (uint32_t y = 0; y < height; y++) {
                for (uint32_t x = 0; x < width; x++) {
                    const uint8_t* in = &file.rows[y][x * channels];
                    bool grey = channels < 3;
                    uint32_t r = in[0], g = grey ? in[0] : in[1], b = grey ? in[0] : in[2];
                    uint32_t a = channels == 2 || channels == 4 ? in[channels - 1] : 255;
                    if (grey && console) {
                        a = in[0] != 0 ? 255 : 0;
                    }
                    uint32_t want = format == PF_8888 ? rgba(r, g, b, a)
                                    : format == PF_5650
                                        ? (b >> 3) << 11 | (g >> 2) << 5 | (r >> 3)
                                    : format == PF_5551
                                        ? (a >> 7) << 15 | (b >> 3) << 10 | (g >> 3) << 5 | (r >> 3)
                                        : (a >> 4) << 12 | (b >> 4) << 8 | (g >> 4) << 4 | (r >> 4);
                    uint32_t got = format == PF_8888 ? pixel32(image, x, y) : pixel16(image, x, y);
                    ASSERT_EQ(got, want) << "pixel " << x << ", " << y;
                }
            }
            releaseImage(image);
        }
    }
}

// 100 x 50 of opaque black with (10, 200, 255) in two corners, as the game
// loads its pictures: every row lands bufferWidth pixels after the last.
TEST_F(PngLoader, FillsTheRecordOfA100By50Picture)
{
    PngPicture file = picture(100, 50, 8, PNG_COLOR_TYPE_RGB, {});
    for (int32_t y = 0; y < 50; y++) {
        file.rows.push_back(std::vector<uint8_t>(300, 0));
    }
    file.rows[0][0] = 10, file.rows[0][1] = 200, file.rows[0][2] = 255;
    file.rows[49][297] = 10, file.rows[49][298] = 200, file.rows[49][299] = 255;
    ASSERT_TRUE(writePng("fond.png", file));

    Image* image = loadImageFile("fond.png", LOC_RAM, PF_5551);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 100);
    EXPECT_EQ(image->height, 50);
    EXPECT_EQ(image->texWidth, 128);
    EXPECT_EQ(image->texHeight, 64);
    EXPECT_EQ(image->bufferWidth, 128);
    EXPECT_EQ(image->bufferHeight, 64);
    EXPECT_EQ(image->location, LOC_RAM);
    EXPECT_EQ(image->pixelFormat, PF_5551);
    EXPECT_EQ(image->srcX1, 100.0f);
    EXPECT_EQ(image->srcY1, 50.0f);
    for (int32_t y = 0; y < 50; y++) {
        for (int32_t x = 0; x < 100; x++) {
            bool corner = (x == 0 && y == 0) || (x == 99 && y == 49);
            ASSERT_EQ(pixel16(image, x, y), corner ? 0xFF21 : 0x8000) << "pixel " << x << ", " << y;
        }
    }
    releaseImage(image);
}

TEST_F(PngLoader, ChoosesTheLoaderByTheFirstDot)
{
    ASSERT_TRUE(writePng("fond.png", smallRgbPicture()));
    for (const char* copy : {"FOND.PNG", "Fond.Png", "a.b.png", "fond.pngx", "fond", "f.PNG.png"}) {
        if (!fs::exists(copy)) {  // file names ignore case on Windows
            fs::copy_file("fond.png", copy);
        }
    }
    ASSERT_TRUE(writeBytes(".png", bytes8({'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't',
                                           'u', 'r', 'e', '\n'})));
    struct Case {
        const char* name;
        bool loads;
    };
    const Case cases[] = {
        {"fond.png", true},     {"FOND.PNG", true},    {"Fond.Png", true},
        {"a.b.png", false},     {"./fond.png", false}, {"fond.pngx", false},
        {"fond", false},        {"f.PNG.png", false},  {".png", false},
        {"missing.png", false}, {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image* image = loadImageFile(c.name, LOC_RAM, PF_5551);
        EXPECT_EQ(image != nullptr, c.loads);
        if (image != nullptr) {
            EXPECT_EQ(image->width, 3);
            EXPECT_EQ(pixel16(image, 0, 1), 0xFF21);
            releaseImage(image);
        }
    }
    EXPECT_EQ(loadImageFile(nullptr, LOC_RAM, PF_5551), nullptr);
}

TEST_F(PngLoader, RefusesPalettedAndUnknownTargetFormats)
{
    ASSERT_TRUE(writePng("fond.png", smallRgbPicture()));
    for (int32_t format : {int32_t{PF_T4}, int32_t{PF_T8}, -1, 6}) {
        SCOPED_TRACE(format);
        EXPECT_EQ(loadImageFile("fond.png", LOC_RAM, format), nullptr);
    }
}

size_t findChunk(const std::vector<uint8_t>& file, const char* type)
{
    for (size_t i = 8; i + 8 <= file.size();) {
        uint32_t length = png_get_uint_32(file.data() + i);
        if (std::equal(type, type + 4, file.begin() + i + 4)) {
            return i;
        }
        i += 12 + length;
    }
    return file.size();
}

// A picture claiming the given size, with a little real image data: only
// its header can make it fail.
std::vector<uint8_t> claimedSize(uint32_t width, uint32_t height, uint8_t colorType)
{
    std::vector<uint8_t> file = pngSignature();
    appendChunk(file, "IHDR", ihdrData(width, height, 8, colorType));
    appendChunk(file, "IDAT", compressed(std::vector<uint8_t>(4096, 0)));
    appendChunk(file, "IEND", {});
    return file;
}

// Every damaged or hostile file gives null and is closed again; the
// sanitizer build checks that nothing was left allocated.
TEST_F(PngLoader, RefusesDamagedAndOversizedFiles)
{
    ASSERT_TRUE(writePng("good.png", smallRgbPicture()));
    const std::vector<uint8_t> good = readBytes("good.png");
    const size_t idat = findChunk(good, "IDAT");
    ASSERT_LT(idat, good.size());
    const uint32_t idatLength = png_get_uint_32(good.data() + idat);

    auto cut = [&good](size_t size) {
        return std::vector<uint8_t>(good.begin(), good.begin() + size);
    };
    auto flipped = [&good](size_t at) {
        std::vector<uint8_t> copy = good;
        copy[at] ^= 0x01;
        return copy;
    };
    std::vector<uint8_t> noHeader = pngSignature();
    appendChunk(noHeader, "IEND", {});

    struct Case {
        const char* label;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"text", bytes8({'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '\n'})},
        {"half a signature", cut(4)},
        {"signature only", cut(8)},
        {"truncated in the header", cut(20)},
        {"truncated in the image data", cut(idat + 8 + idatLength / 2)},
        {"truncated before the end chunk", cut(good.size() - 12)},
        {"bad CRC on the header", flipped(8 + 8 + 13)},
        {"bad CRC on the image data", flipped(idat + 8 + idatLength)},
        {"no header chunk", noHeader},
        {"zero width", claimedSize(0, 10, PNG_COLOR_TYPE_GRAY)},
        {"side above 65536", claimedSize(70000, 10, PNG_COLOR_TYPE_GRAY)},
        {"height above 65536", claimedSize(1, 65537, PNG_COLOR_TYPE_GRAY)},
        {"byte size beyond 32 bits", claimedSize(40000, 40000, PNG_COLOR_TYPE_RGB_ALPHA)},
    };
    const size_t filesOpen = openFileCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(writeBytes("damaged.png", c.bytes));
        EXPECT_EQ(loadImageFile("damaged.png", LOC_RAM, PF_5551), nullptr);
        EXPECT_EQ(loadImageFile("damaged.png", LOC_RAM, PF_8888), nullptr);
        EXPECT_EQ(openFileCount(), filesOpen);
    }
    // The good file still loads, so the failures above are the damage's.
    Image* image = loadImageFile("good.png", LOC_RAM, PF_5551);
    EXPECT_NE(image, nullptr);
    releaseImage(image);
}

// 41 bytes: a header, then a chunk whose length field claims 2 GiB. The
// chunks the loader has no use for are skipped, never buffered; real ones of
// sane size leave the picture as it is.
TEST_F(PngLoader, AncillaryChunksAreSkippedWhateverTheyClaim)
{
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "pCAL"}) {
        SCOPED_TRACE(type);
        std::vector<uint8_t> file = pngSignature();
        appendChunk(file, "IHDR", ihdrData(1, 1, 8, PNG_COLOR_TYPE_GRAY));
        file.insert(file.end(), {0x7f, 0xff, 0xff, 0xff});
        file.insert(file.end(), type, type + 4);
        ASSERT_EQ(file.size(), 41u);
        ASSERT_TRUE(writeBytes("claims.png", file));
        const long before = peakResidentKiB();
        EXPECT_EQ(loadImageFile("claims.png", LOC_RAM, PF_5551), nullptr);
        EXPECT_LT(peakResidentKiB() - before, 64 * 1024) << "KiB more at the peak";
    }

    ASSERT_TRUE(writePng("plain.png", smallRgbPicture()));
    std::vector<uint8_t> annotated = readBytes("plain.png");
    size_t idat = findChunk(annotated, "IDAT");
    std::vector<uint8_t> extra;
    appendChunk(extra, "tEXt", bytes8({'T', 'i', 't', 'l', 'e', 0, 'b', 'a', 'l', 'l', 's'}));
    appendChunk(extra, "gAMA", bytes8({0, 0, 0xB1, 0x8F}));
    annotated.insert(annotated.begin() + idat, extra.begin(), extra.end());
    ASSERT_TRUE(writeBytes("annotated.png", annotated));
    Image* image = loadImageFile("annotated.png", LOC_RAM, PF_5551);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(pixel16(image, 0, 1), 0xFF21);
    releaseImage(image);
}

// A black grey picture of the given size whose data really decodes: a
// picture just above the limit is a few kilobytes of file.
std::vector<uint8_t> blackPicture(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> file = pngSignature();
    appendChunk(file, "IHDR", ihdrData(width, height, 8, PNG_COLOR_TYPE_GRAY));
    appendChunk(file, "IDAT", compressed(std::vector<uint8_t>(size_t{height} * (width + 1), 0)));
    appendChunk(file, "IEND", {});
    return file;
}

TEST_F(PngLoader, PicturesAboveSixteenMegapixelsAreRefused)
{
    struct Case {
        uint32_t width, height;
        bool loads;
    };
    const Case cases[] = {
        {4096, 4096, true},
        {4097, 4096, false},
        {65536, 256, true},
        {65536, 257, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        ASSERT_TRUE(writeBytes("large.png", blackPicture(c.width, c.height)));
        Image* image = loadImageFile("large.png", LOC_RAM, PF_5551);
        EXPECT_EQ(image != nullptr, c.loads);
        releaseImage(image);
    }
}

#ifndef _WIN32
// Nothing seeks: a picture arriving through a pipe loads like a file.
TEST_F(PngLoader, ReadsAPictureFromAPipe)
{
    ASSERT_TRUE(writePng("source.png", smallRgbPicture()));
    const std::vector<uint8_t> bytes = readBytes("source.png");
    ASSERT_EQ(mkfifo("pipe.png", 0600), 0);
    signal(SIGPIPE, SIG_IGN);  // a loader that stops reading must not end the test
    std::thread writer([&bytes] { writeBytes("pipe.png", bytes); });
    Image* image = loadImageFile("pipe.png", LOC_RAM, PF_5551);
    writer.join();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(pixel16(image, 0, 1), 0xFF21);
    releaseImage(image);
}
#endif

}  // namespace
