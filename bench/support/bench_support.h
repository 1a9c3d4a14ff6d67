// What the benchmarks share: medians, a bare libpng decode (the peer's way of
// reading a picture), and switching the current GL context between Quorl's and
// a peer's in one process.
#pragma once

#include <cstdint>
#include <vector>

// A GLX display, drawable and context, kept opaque so that X11's names stay
// out of the files that include this one.
struct GlBinding {
    void* display;
    unsigned long drawable;
    void* context;
};

// A picture decoded by libpng alone: rows of width * 4 bytes, red, green,
// blue, alpha.
struct RgbaPicture {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> pixels;
};

// Median of the values (the upper one of an even count).
double medianOf(std::vector<double> values);

// Milliseconds on the monotonic clock.
double nowMs();

// The context current on this thread, and making one current again. A peer
// library that tracks its own current context never notices the switch, so
// its context must be made current again before it draws.
GlBinding currentGlBinding();
void makeCurrent(const GlBinding& binding);

// Decodes a PNG file with png_read_png to 8-bit RGBA (grey widened, a filler
// alpha of 255 added); false when libpng fails.
bool decodePngRgba(const char* path, RgbaPicture* out);

// Reads the 480 x 272 back buffer of the current context, top row first,
// 4 bytes a pixel (red, green, blue, alpha).
std::vector<uint8_t> readScreenRgba();

// Pixels whose red, green or blue differ between two 480 x 272 RGBA frames
// (alpha is not compared: Quorl never writes the frame buffer's alpha), and
// the largest difference of one channel.
struct FrameDifference {
    int64_t pixels;
    int32_t largest;
};
FrameDifference compareFrames(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
