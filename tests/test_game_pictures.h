// Synthetic pictures for the game's tests: the eight files at the sizes the
// game's layout needs, each tile of a sheet one flat colour so a test can
// tell from a pixel which tile is showing. Written with libpng into a fresh
// temporary directory.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/process_probe.h"

namespace testpictures {

struct Rgb {
    uint8_t r, g, b;
};

// Multiples of 8, so they survive the 5-bit channels of PF_5551 exactly
// (apart from 248, which comes back as 255).
constexpr Rgb BALL_COLORS[7] = {
    {64, 64, 64},  {248, 0, 0},  {0, 248, 0},   {0, 0, 248},
    {248, 248, 0}, {248, 0, 248}, {0, 248, 248},
};
constexpr Rgb INTRO_COLOR = {16, 32, 96};
constexpr Rgb BACKDROP_COLOR = {32, 96, 32};
constexpr Rgb LOST_COLOR = {160, 40, 40};
constexpr Rgb WON_COLOR = {40, 160, 40};
constexpr Rgb CURSOR_COLOR = {200, 200, 200};

// Mark tile t: red channel 16 * t + 8, so tiles 0 to 14 differ.
inline Rgb markColor(int32_t tile)
{
    return Rgb{static_cast<uint8_t>(16 * tile + 8), 120, 200};
}

// Marker band k (top edge 23k): green channel 16 * k + 8.
inline Rgb markerColor(int32_t band)
{
    return Rgb{200, static_cast<uint8_t>(16 * band + 8), 40};
}

struct Picture {
    int32_t width, height;
    std::vector<Rgb> pixels;
};

inline Picture flatPicture(int32_t width, int32_t height, Rgb color)
{
    return Picture{width, height, std::vector<Rgb>(static_cast<size_t>(width) * height, color)};
}

// One column of square-ish bands of `bandHeight` rows, band k in colorOf(k).
template <typename ColorOf>
Picture bandedPicture(int32_t width, int32_t bandHeight, int32_t bands, ColorOf colorOf)
{
    Picture picture{width, bandHeight * bands, {}};
    for (int32_t y = 0; y < picture.height; y++) {
        for (int32_t x = 0; x < width; x++) {
            picture.pixels.push_back(colorOf(y / bandHeight));
        }
    }
    return picture;
}

inline bool writePng(const std::string& path, const Picture& picture)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < picture.height; y++) {
        png_write_row(png, reinterpret_cast<png_const_bytep>(&picture.pixels[y * picture.width]));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// Makes a temporary directory holding the eight pictures; returns its path.
inline std::string writeGamePictures()
{
    std::string dir = makeTempDirectory("quorl-game");
    if (dir.empty()) {
        return "";
    }
    bool ok = writePng(dir + "/intro.png", flatPicture(480, 272, INTRO_COLOR)) &&
              writePng(dir + "/fond.png", flatPicture(480, 272, BACKDROP_COLOR)) &&
              writePng(dir + "/perdu.png", flatPicture(100, 24, LOST_COLOR)) &&
              writePng(dir + "/gagne.png", flatPicture(100, 24, WON_COLOR)) &&
              writePng(dir + "/fleche.png", flatPicture(16, 16, CURSOR_COLOR)) &&
              writePng(dir + "/boules.png",
                       bandedPicture(16, 16, 7, [](int32_t n) { return BALL_COLORS[n]; })) &&
              writePng(dir + "/solutions.png", bandedPicture(12, 12, 15, markColor)) &&
              writePng(dir + "/lignes.png", bandedPicture(29, 23, 10, markerColor));
    return ok ? dir : "";
}

inline void removeGamePictures(const std::string& dir)
{
    for (const char* name : {"intro.png", "fond.png", "perdu.png", "gagne.png", "fleche.png",
                             "boules.png", "solutions.png", "lignes.png"}) {
        std::remove((dir + "/" + name).c_str());
    }
    std::error_code error;
    std::filesystem::remove(dir, error);
}

// The picture directory a test suite works in, and the directory it came from.
struct PictureDirectory {
    std::string dir;
    std::string previous;
};

// Writes the eight pictures into a fresh directory and makes it the working
// directory, where the game looks for them. False when either step fails.
inline bool enterGamePictures(PictureDirectory* where)
{
    where->dir = writeGamePictures();
    if (where->dir.empty()) {
        return false;
    }
    std::error_code error;
    where->previous = std::filesystem::current_path(error).string();
    std::filesystem::current_path(where->dir, error);
    return !error;
}

// Returns to the directory the suite came from and removes the pictures.
inline bool leaveGamePictures(const PictureDirectory& where)
{
    std::error_code error;
    std::filesystem::current_path(where.previous, error);
    removeGamePictures(where.dir);
    return !error;
}

}  // namespace testpictures
