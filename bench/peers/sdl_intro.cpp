// The start-up peer of bench_start: a small SDL2 program that opens a
// 480 x 272 window with SDL2's OpenGL renderer and shows one PNG picture,
// decoded by libpng, redrawn every 16 ms until the window is closed.
// Usage: bench_sdl_intro picture.png
#include <SDL.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

static bool decodeInto(png_structp png, png_infop info, FILE* file, SDL_Surface** out)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_STRIP_16, nullptr);
    int width = static_cast<int>(png_get_image_width(png, info));
    int height = static_cast<int>(png_get_image_height(png, info));
    bool alpha = png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB_ALPHA;
    Uint32 format = alpha ? SDL_PIXELFORMAT_ABGR8888 : SDL_PIXELFORMAT_RGB24;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, alpha ? 32 : 24, format);
    if (surface == nullptr) {
        return false;
    }
    png_bytepp rows = png_get_rows(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    for (int y = 0; y < height; ++y) {
        SDL_memcpy(static_cast<Uint8*>(surface->pixels) + y * surface->pitch, rows[y], rowBytes);
    }
    *out = surface;
    return true;
}

static SDL_Surface* loadPicture(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    SDL_Surface* surface = nullptr;
    if (info != nullptr && !decodeInto(png, info, file, &surface)) {
        surface = nullptr;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return surface;
}

int main(int argc, char** argv)
{
    if (argc < 2 || SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "usage: bench_sdl_intro picture.png (with a display)\n");
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("SDL2 intro", SDL_WINDOWPOS_UNDEFINED,
                                          SDL_WINDOWPOS_UNDEFINED, 480, 272, SDL_WINDOW_OPENGL);
    SDL_Renderer* renderer =
        window != nullptr ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    SDL_Surface* picture = loadPicture(argv[1]);
    if (renderer == nullptr || picture == nullptr) {
        std::fprintf(stderr, "bench_sdl_intro: %s\n", picture == nullptr ? argv[1] : SDL_GetError());
        return 1;
    }
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, picture);
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                return 0;
            }
        }
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        SDL_RenderPresent(renderer);
        SDL_Delay(16);
    }
}
