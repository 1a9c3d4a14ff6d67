// Writes PNG files for tests: whole pictures through libpng's writer, and raw
// chunk streams for files libpng itself would never write (bad CRCs, huge
// headers).
#pragma once

#include <png.h>
#include <zlib.h>

#include <stdlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/process_probe.h"

struct PngPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<png_color> palette;         // PNG_COLOR_TYPE_PALETTE only
    std::vector<uint8_t> paletteAlpha;      // tRNS of a palette picture; empty: none
    bool hasGreyKey = false;                // tRNS of a grey picture
    uint16_t greyKey = 0;
    std::vector<std::vector<uint8_t>> rows; // rows exactly as PNG stores them
};

// Packs sample values (each below 2^bitDepth) into a PNG row of 1, 2, 4 or 8
// bits per sample, leftmost sample in the high bits of a byte.
inline std::vector<uint8_t> packSamples(const std::vector<uint32_t>& samples, int bitDepth)
{
    std::vector<uint8_t> row((samples.size() * bitDepth + 7) / 8, 0);
    for (size_t i = 0; i < samples.size(); i++) {
        size_t bit = i * bitDepth;
        row[bit / 8] |= static_cast<uint8_t>(samples[i] << (8 - bitDepth - bit % 8));
    }
    return row;
}

inline bool writePng(const std::string& path, const PngPicture& picture)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    // Built before the error return is set, so a longjmp skips no destructor.
    std::vector<png_bytep> rowPointers;
    for (const std::vector<uint8_t>& row : picture.rows) {
        rowPointers.push_back(const_cast<png_bytep>(row.data()));
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture.palette.empty()) {
        png_set_PLTE(png, info, picture.palette.data(), static_cast<int>(picture.palette.size()));
    }
    if (!picture.paletteAlpha.empty()) {
        png_set_tRNS(png, info, picture.paletteAlpha.data(),
                     static_cast<int>(picture.paletteAlpha.size()), nullptr);
    }
    if (picture.hasGreyKey) {
        png_color_16 key = {};
        key.gray = picture.greyKey;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// One chunk: length, type, data, CRC over type and data.
inline void appendChunk(std::vector<uint8_t>& out, const char type[4],
                        const std::vector<uint8_t>& data)
{
    auto put32 = [&out](uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<uint8_t>(value >> shift));
        }
    };
    put32(static_cast<uint32_t>(data.size()));
    size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeStart, static_cast<uInt>(4 + data.size()));
    put32(static_cast<uint32_t>(crc));
}

inline std::vector<uint8_t> pngSignature()
{
    return {137, 80, 78, 71, 13, 10, 26, 10};
}

inline std::vector<uint8_t> ihdrData(uint32_t width, uint32_t height, uint8_t bitDepth,
                                     uint8_t colorType)
{
    std::vector<uint8_t> data;
    for (uint32_t value : {width, height}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            data.push_back(static_cast<uint8_t>(value >> shift));
        }
    }
    data.insert(data.end(), {bitDepth, colorType, 0, 0, 0});
    return data;
}

// Zlib-compressed image data for an IDAT chunk.
inline std::vector<uint8_t> compressed(const std::vector<uint8_t>& raw)
{
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> out(size);
    compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    out.resize(size);
    return out;
}

inline std::vector<uint8_t> readBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    uint8_t buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + count);
    }
    std::fclose(file);
    return bytes;
}

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    return (std::fclose(file) == 0) && written == bytes.size();
}

// A fresh directory under the system's temporary one that is the working
// directory until leaveScratchDirectory: the loader takes names as given.
struct ScratchDirectory {
    std::filesystem::path previous;
    std::filesystem::path directory;
};

inline bool enterScratchDirectory(ScratchDirectory* scratch, const char* prefix)
{
    scratch->previous = std::filesystem::current_path();
    std::string made = makeTempDirectory(prefix);
    if (made.empty()) {
        return false;
    }
    scratch->directory = made;
    std::filesystem::current_path(scratch->directory);
    return true;
}

inline void leaveScratchDirectory(const ScratchDirectory& scratch)
{
    std::filesystem::current_path(scratch.previous);
    std::filesystem::remove_all(scratch.directory);
}
