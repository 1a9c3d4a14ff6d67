#include "bench/support/bench_support.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "gfx/library.h"  // Required for: SCREEN_WIDTH, SCREEN_HEIGHT

double medianOf(std::vector<double> values)
{
    if (values.empty()) {
        return 0.0;
    }
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double nowMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

GlBinding currentGlBinding()
{
    return {glXGetCurrentDisplay(), glXGetCurrentDrawable(),
            static_cast<void*>(glXGetCurrentContext())};
}

void makeCurrent(const GlBinding& binding)
{
    if (binding.display != nullptr) {
        glXMakeCurrent(static_cast<Display*>(binding.display), binding.drawable,
                       static_cast<GLXContext>(binding.context));
    }
}

// libpng's error return must not cross locals with destructors, so the
// decode itself works on plain pointers.
static bool decodeInto(png_structp png, png_infop info, FILE* file, RgbaPicture* out)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    out->width = static_cast<int32_t>(png_get_image_width(png, info));
    out->height = static_cast<int32_t>(png_get_image_height(png, info));
    out->pixels.assign(static_cast<size_t>(out->width) * out->height * 4, 0);
    std::vector<png_bytep> rows(static_cast<size_t>(out->height));
    for (int32_t y = 0; y < out->height; ++y) {
        rows[static_cast<size_t>(y)] = out->pixels.data() + static_cast<size_t>(y) * out->width * 4;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

bool decodePngRgba(const char* path, RgbaPicture* out)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool done = info != nullptr && decodeInto(png, info, file, out);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return done;
}

std::vector<uint8_t> readScreenRgba()
{
    std::vector<uint8_t> bottomUp(static_cast<size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<uint8_t> topDown(bottomUp.size());
    size_t rowBytes = static_cast<size_t>(SCREEN_WIDTH) * 4;
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        std::copy_n(bottomUp.data() + (SCREEN_HEIGHT - 1 - y) * rowBytes, rowBytes,
                    topDown.data() + y * rowBytes);
    }
    return topDown;
}

FrameDifference compareFrames(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    FrameDifference difference = {0, 0};
    size_t count = std::min(a.size(), b.size()) / 4;
    for (size_t i = 0; i < count; ++i) {
        bool differs = false;
        for (size_t c = 0; c < 3; ++c) {
            int32_t d = std::abs(int32_t{a[i * 4 + c]} - int32_t{b[i * 4 + c]});
            difference.largest = std::max(difference.largest, d);
            differs = differs || d != 0;
        }
        difference.pixels += differs ? 1 : 0;
    }
    if (a.size() != b.size()) {
        difference.pixels += static_cast<int64_t>(std::max(a.size(), b.size()) / 4 - count);
    }
    return difference;
}
