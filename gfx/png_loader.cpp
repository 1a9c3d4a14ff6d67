// Loading pictures from files. PNG is decoded by libpng row by row, and each
// row is converted into a new Image of the pixel format the caller asks for
// while it is still in the cache (interlaced pictures, whose rows come in
// several passes, are decoded whole first).
#include "gfx/png_loader.h"

#include <png.h>

#include <cctype>   // Required for: tolower
#include <cerrno>   // Required for: errno
#include <csetjmp>  // Required for: setjmp (libpng's error return)
#include <cstdio>   // Required for: fopen, fread, fclose
#include <cstring>  // Required for: strchr, strcmp, memcmp, memcpy

#include "host/common.h"  // Required for: dataFilePath

constexpr int32_t PNG_SIGNATURE_BYTES = 8;
constexpr int32_t PNG_EXTENSION_CHARS = 8;
// The signature and the start of the IHDR chunk: length, type, width, height.
constexpr int32_t PNG_HEAD_BYTES = PNG_SIGNATURE_BYTES + 16;

// Largest side an Image can take: power-of-two rounding stops at 65536.
constexpr uint32_t PNG_MAX_SIDE = 65536;
// Largest ancillary chunk libpng may buffer for us (its own default too), so
// that a hostile chunk length cannot make it allocate without bound.
constexpr png_alloc_size_t PNG_CHUNK_MALLOC_MAX = 8000000;


// What libpng reads from: the bytes the loader has already taken from the
// stream to look at the header, then the rest of the stream.
struct PngSource {
    FILE* file;
    png_byte head[PNG_HEAD_BYTES];
    size_t headUsed;
};

// Why the last load failed, for lastLoadError; "" after one that worked.
static const char* loadError = "";

static Image* loadPngImage(const char* name, int32_t location, int32_t pixelFormat, int32_t greyRule);
static Image* failLoad(const char* reason);
static bool isDirectColor(int32_t pixelFormat);
static bool pictureFits(uint32_t width, uint32_t height);
static Image* decodePng(png_structp png, png_infop info, PngSource* source, int32_t location,
                        int32_t pixelFormat, int32_t greyRule);
using RowConverter = void (*)(const png_byte* in, void* out, int32_t width);
static RowConverter rowConverter(int colorType, int32_t pixelFormat, int32_t greyRule);
static void pngReadCallback(png_structp png, png_bytep data, size_t length);

Image* loadImageFile(const char* name, int32_t location, int32_t pixelFormat)
{
    if (name == nullptr) {
        return failLoad("no such file");
    }
    // The extension runs from the first "." of the whole name, directories
    // included; at most 8 characters of it are compared.
    const char* dot = std::strchr(name, '.');
    if (dot == nullptr) {
        return failLoad("not a .png name");
    }
    char extension[PNG_EXTENSION_CHARS + 1];
    int32_t length = 0;
    while (length < PNG_EXTENSION_CHARS && dot[length] != '\0') {
        unsigned char c = static_cast<unsigned char>(dot[length]);
        extension[length] = static_cast<char>(std::tolower(c));
        length++;
    }
    extension[length] = '\0';

    if (std::strcmp(extension, ".png") == 0) {
        return loadPngImage(name, location, pixelFormat, PNG_GREY_CONSOLE);
    }
    return failLoad("not a .png name");
}

Image* loadImage(const char* path, int32_t pixelFormat)
{
    if (!isDirectColor(pixelFormat)) {
        return failLoad("unknown pixel format");
    }
    return loadPngImage(path, LOC_RAM, pixelFormat, PNG_GREY_AS_STORED);
}

const char* lastLoadError()
{
    return loadError;
}

void setLoadError(const char* reason)
{
    loadError = reason != nullptr ? reason : "";
}

// Opens the named file (looked up as dataFilePath says) and decodes it with
// loadPngStream.
static Image* loadPngImage(const char* name, int32_t location, int32_t pixelFormat, int32_t greyRule)
{
    FILE* file = name != nullptr ? std::fopen(dataFilePath(name).c_str(), "rb") : nullptr;
    if (file == nullptr) {
        bool missing = name == nullptr || errno == ENOENT || errno == ENOTDIR;
        return failLoad(missing ? "no such file" : "cannot read the file");
    }
    Image* image = loadPngStream(file, location, pixelFormat, greyRule);
    std::fclose(file);
    return image;
}

Image* loadPngStream(FILE* file, int32_t location, int32_t pixelFormat, int32_t greyRule)
{
    if (file == nullptr) {
        return failLoad("cannot read the file");
    }
    if (!isDirectColor(pixelFormat)) {
        return failLoad("unknown pixel format");
    }

    // libpng reserves every row of the picture before it reads any pixel
    // data, so the size in the IHDR chunk that must follow the signature is
    // checked first. The bytes read for it are handed to libpng afterwards;
    // nothing seeks, so a pipe reads as well as a file.
    PngSource source = {file, {}, PNG_SIGNATURE_BYTES};
    size_t signatureRead = std::fread(source.head, 1, PNG_SIGNATURE_BYTES, file);
    if (signatureRead == 0 && std::ferror(file)) {
        return failLoad("cannot read the file");  // a directory, for one
    }
    if (signatureRead == 0 || png_sig_cmp(source.head, 0, PNG_SIGNATURE_BYTES) != 0) {
        return failLoad("not a PNG file");
    }
    const png_byte* ihdr = source.head + PNG_SIGNATURE_BYTES;
    if (std::fread(source.head + PNG_SIGNATURE_BYTES, 1, PNG_HEAD_BYTES - PNG_SIGNATURE_BYTES,
                   file) != PNG_HEAD_BYTES - PNG_SIGNATURE_BYTES ||
        std::memcmp(ihdr + 4, "IHDR", 4) != 0) {
        return failLoad("broken PNG data");
    }
    uint32_t width = png_get_uint_32(ihdr + 8);
    uint32_t height = png_get_uint_32(ihdr + 12);
    if (!pictureFits(width, height)) {
        return failLoad(width == 0 || height == 0 ? "broken PNG data" : "picture too large");
    }

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return failLoad("out of memory");
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return failLoad("out of memory");
    }
    loadError = "";
    Image* image = decodePng(png, info, &source, location, pixelFormat, greyRule);
    png_destroy_read_struct(&png, &info, nullptr);
    if (image == nullptr && loadError[0] == '\0') {
        loadError = "broken PNG data";
    }
    return image;
}

static Image* failLoad(const char* reason)
{
    setLoadError(reason);
    return nullptr;
}

// The formats a picture can be stored in: a paletted image would come back
// with its pixels unfilled and no palette.
static bool isDirectColor(int32_t pixelFormat)
{
    return pixelFormat == PF_5650 || pixelFormat == PF_5551 || pixelFormat == PF_4444 ||
           pixelFormat == PF_8888;
}

// Whether the loader takes a picture of this size: no side is 0 or above
// what an Image can round to a power of two, and the whole is within
// PNG_MAX_PIXELS.
static bool pictureFits(uint32_t width, uint32_t height)
{
    return width != 0 && height != 0 && width <= PNG_MAX_SIDE && height <= PNG_MAX_SIDE &&
           int64_t{width} * height <= PNG_MAX_PIXELS;
}

// Runs libpng's reader and converts its rows into a new Image as they come. libpng's
// error return comes back here; the caller destroys the structures either way.
static Image* decodePng(png_structp png, png_infop info, PngSource* source, int32_t location,
                        int32_t pixelFormat, int32_t greyRule)
{
    // Set after setjmp and read after a longjmp back to it, so it must live in
    // memory rather than in a register the jump restores.
    Image* volatile image = nullptr;
    png_bytep volatile rowBuffer = nullptr;
    png_bytepp volatile rowPointers = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        if (image != nullptr) {
            releaseImage(image);
        }
        png_free(png, rowBuffer);
        png_free(png, rowPointers);
        return nullptr;
    }

    png_set_read_fn(png, source, pngReadCallback);
    png_set_sig_bytes(png, PNG_SIGNATURE_BYTES);
    png_set_user_limits(png, PNG_MAX_SIDE, PNG_MAX_SIDE);
    png_set_chunk_malloc_max(png, PNG_CHUNK_MALLOC_MAX);
    // Only IHDR, PLTE, tRNS, IDAT and IEND matter to the picture. Every other
    // chunk is read past in small pieces and never kept: libpng would
    // otherwise allocate whatever a text or palette-suggestion chunk claims
    // to hold (the limit above is only a warning when reading), 2 GiB for a
    // 41-byte file.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    // Every sample to 8 bits: strip 16-bit samples, unpack sub-byte ones,
    // expand palettes and transparency to RGB(A) and low-depth grey to 8
    // bits. Colour samples stay in red, green, blue order: the conversion
    // reads them in any order at no cost, where libpng's blue-first order
    // would be one more pass over every row.
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_expand(png);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    uint32_t width = png_get_image_width(png, info);
    uint32_t height = png_get_image_height(png, info);
    int colorType = png_get_color_type(png, info);
    int bitDepth = png_get_bit_depth(png, info);
    RowConverter convert = rowConverter(colorType, pixelFormat, greyRule);
    if (bitDepth != 8 || convert == nullptr || !pictureFits(width, height)) {
        return nullptr;
    }
    // What is allocated here is freed on the error return above too
    // (png_malloc raises libpng's error itself). The first row, or the whole
    // of an interlaced picture (whose rows are only complete after the last
    // pass), is decoded before the image is made: a file that breaks off
    // early, as most damaged ones do, fails before a picture of the size its
    // header claims is allocated.
    size_t rowBytes = png_get_rowbytes(png, info);
    rowBuffer = static_cast<png_bytep>(png_malloc(png, passes > 1 ? rowBytes * height : rowBytes));
    if (passes > 1) {
        rowPointers = static_cast<png_bytepp>(png_malloc(png, sizeof(png_bytep) * height));
        for (uint32_t y = 0; y < height; y++) {
            rowPointers[y] = rowBuffer + rowBytes * y;
        }
        png_read_image(png, rowPointers);
    } else {
        png_read_row(png, rowBuffer, nullptr);
    }
    image = createImage(static_cast<int32_t>(width), static_cast<int32_t>(height), location,
                        pixelFormat);
    if (image == nullptr) {
        png_free(png, rowBuffer);
        png_free(png, rowPointers);
        return failLoad("out of memory");
    }
    size_t outRowBytes = static_cast<size_t>(image->bufferWidth) *
                         static_cast<size_t>(image->pixelFormat == PF_8888 ? 4 : 2);
    uint8_t* out = static_cast<uint8_t*>(image->pixels);
    if (passes > 1) {
        for (uint32_t y = 0; y < height; y++) {
            convert(rowPointers[y], out + outRowBytes * y, image->width);
        }
    } else {
        convert(rowBuffer, out, image->width);
        for (uint32_t y = 1; y < height; y++) {
            png_read_row(png, rowBuffer, nullptr);
            convert(rowBuffer, out + outRowBytes * y, image->width);
        }
    }
    png_read_end(png, info);
    png_free(png, rowBuffer);
    png_free(png, rowPointers);
    rowBuffer = nullptr;
    rowPointers = nullptr;
    return image;
}

// Where the loader picks its row conversion by the processor at load time:
// x86-64 ELF systems, whose loader resolves the choice once, built by GCC
// (clang cannot clone templates). Not in a ThreadSanitizer build
// (QUORL_NO_TARGET_CLONES, or GCC's own mark of one, which a game that takes
// Quorl in with add_subdirectory and builds with -fsanitize=thread sets): it
// instruments the choosing function, which the loader runs before the
// sanitizer's runtime exists.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__ELF__) && defined(__GNUC__) && \
    !defined(__clang__) && !defined(QUORL_NO_TARGET_CLONES) && !defined(__SANITIZE_THREAD__)
#define PNG_CONVERT_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PNG_CONVERT_CLONES
#endif

// Pixels converted per block: a fixed count lets the compiler turn the block's
// loop into vector code without a scalar remainder of its own.
constexpr int32_t PNG_CONVERT_BLOCK = 16;

// One pixel of an 8-bit libpng row (red, green, blue order) packed for a
// pixel format. Under the console's rule (CONSOLE_GREY) grey 0 is the
// transparent colour of grey pictures and their own alpha channel is not
// used; otherwise grey-with-alpha keeps its alpha.
template <int COLOR_TYPE, int32_t PIXEL_FORMAT, typename Pixel, bool CONSOLE_GREY>
static inline Pixel packPixel(const png_byte* p)
{
    constexpr bool grey = COLOR_TYPE == PNG_COLOR_TYPE_GRAY || COLOR_TYPE == PNG_COLOR_TYPE_GRAY_ALPHA;
    uint32_t r, g, b, a;
    if constexpr (grey && CONSOLE_GREY) {
        r = g = b = p[0];
        a = p[0] != 0 ? 255 : 0;
    } else if constexpr (grey) {
        r = g = b = p[0];
        a = COLOR_TYPE == PNG_COLOR_TYPE_GRAY_ALPHA ? p[1] : 255;
    } else {
        r = p[0];
        g = p[1];
        b = p[2];
        a = COLOR_TYPE == PNG_COLOR_TYPE_RGB_ALPHA ? p[3] : 255;
    }
    if constexpr (PIXEL_FORMAT == PF_8888) {
        return a << 24 | b << 16 | g << 8 | r;
    } else if constexpr (PIXEL_FORMAT == PF_5650) {
        return static_cast<uint16_t>((b >> 3) << 11 | (g >> 2) << 5 | (r >> 3));
    } else if constexpr (PIXEL_FORMAT == PF_5551) {
        return static_cast<uint16_t>((a >> 7) << 15 | (b >> 3) << 10 | (g >> 3) << 5 | (r >> 3));
    } else {
        return static_cast<uint16_t>((a >> 4) << 12 | (b >> 4) << 8 | (g >> 4) << 4 | (r >> 4));
    }
}

template <int COLOR_TYPE>
constexpr int32_t PNG_SAMPLE_BYTES = COLOR_TYPE == PNG_COLOR_TYPE_GRAY         ? 1
                                     : COLOR_TYPE == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                     : COLOR_TYPE == PNG_COLOR_TYPE_RGB        ? 3
                                                                               : 4;

// Converts one row of `width` pixels as libpng delivered it; nothing right
// of `width` is written. The row and the image never overlap. On x86-64 it
// is built twice (PNG_CONVERT_CLONES): with AVX2 the three-byte RGB pixels
// are gathered by vector shuffles too, which the baseline instructions
// cannot do cheaply.
template <int COLOR_TYPE, int32_t PIXEL_FORMAT, typename Pixel, bool CONSOLE_GREY>
PNG_CONVERT_CLONES static void convertRow(
    const png_byte* __restrict in, void* __restrict outRow, int32_t width)
{
    constexpr int32_t bytes = PNG_SAMPLE_BYTES<COLOR_TYPE>;
    Pixel* __restrict out = static_cast<Pixel*>(outRow);
    int32_t x = 0;
    for (; x + PNG_CONVERT_BLOCK <= width; x += PNG_CONVERT_BLOCK) {
        for (int32_t i = 0; i < PNG_CONVERT_BLOCK; i++) {
            out[x + i] =
                packPixel<COLOR_TYPE, PIXEL_FORMAT, Pixel, CONSOLE_GREY>(in + (x + i) * bytes);
        }
    }
    // The last pixels (all of them in a row narrower than a block) go
    // through a whole block in local buffers, which is vector code too; the
    // padding's results are dropped.
    int32_t rest = width - x;
    if (rest > 0) {
        png_byte inBlock[PNG_CONVERT_BLOCK * bytes] = {};
        Pixel outBlock[PNG_CONVERT_BLOCK];
        std::memcpy(inBlock, in + x * bytes, static_cast<size_t>(rest) * bytes);
        for (int32_t i = 0; i < PNG_CONVERT_BLOCK; i++) {
            outBlock[i] =
                packPixel<COLOR_TYPE, PIXEL_FORMAT, Pixel, CONSOLE_GREY>(inBlock + i * bytes);
        }
        std::memcpy(out + x, outBlock, static_cast<size_t>(rest) * sizeof(Pixel));
    }
}

template <int COLOR_TYPE, bool CONSOLE_GREY>
static RowConverter converterFor(int32_t pixelFormat)
{
    switch (pixelFormat) {
    case PF_8888: return convertRow<COLOR_TYPE, PF_8888, uint32_t, CONSOLE_GREY>;
    case PF_5650: return convertRow<COLOR_TYPE, PF_5650, uint16_t, CONSOLE_GREY>;
    case PF_5551: return convertRow<COLOR_TYPE, PF_5551, uint16_t, CONSOLE_GREY>;
    case PF_4444: return convertRow<COLOR_TYPE, PF_4444, uint16_t, CONSOLE_GREY>;
    default: return nullptr;
    }
}

// The conversion of rows of this colour type (as libpng delivers them after
// the loader's transforms) into the pixel format, grey ones by the rule;
// null for any other.
static RowConverter rowConverter(int colorType, int32_t pixelFormat, int32_t greyRule)
{
    bool console = greyRule != PNG_GREY_AS_STORED;
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        return console ? converterFor<PNG_COLOR_TYPE_GRAY, true>(pixelFormat)
                       : converterFor<PNG_COLOR_TYPE_GRAY, false>(pixelFormat);
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return console ? converterFor<PNG_COLOR_TYPE_GRAY_ALPHA, true>(pixelFormat)
                       : converterFor<PNG_COLOR_TYPE_GRAY_ALPHA, false>(pixelFormat);
    case PNG_COLOR_TYPE_RGB: return converterFor<PNG_COLOR_TYPE_RGB, false>(pixelFormat);
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return converterFor<PNG_COLOR_TYPE_RGB_ALPHA, false>(pixelFormat);
    default: return nullptr;
    }
}

// libpng's read function: the header bytes the loader took first, then the
// stream. A stream that ends early is an error at once, so libpng never
// decodes from a buffer it believes was filled.
static void pngReadCallback(png_structp png, png_bytep data, size_t length)
{
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    size_t fromHead = PNG_HEAD_BYTES - source->headUsed;
    if (fromHead > length) {
        fromHead = length;
    }
    std::memcpy(data, source->head + source->headUsed, fromHead);
    source->headUsed += fromHead;
    if (std::fread(data + fromHead, 1, length - fromHead, source->file) != length - fromHead) {
        png_error(png, "file ends early");
    }
}
