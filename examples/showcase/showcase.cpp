// showcase: most of what the library draws, on one screen.
//
//   scale            a star drawn at a changing drawWidth x drawHeight
//   pivot rotation   a clock hand turned about a pivot near its end
//   draw target      a picture drawn each frame into createDrawTarget's image,
//                    then drawn on the screen turned
//   palette cycle    a PF_T4 picture of rings whose 16 colours move along
//   strips           a picture wider than 64 texels, drawn unturned as strips
//   pixel formats    one picture loaded in each direct format, and a PF_T4
//                    and a PF_T8 picture built in memory with their palettes
//   sound            a short tune (Ogg Vorbis) looped as music, and a tone
//                    (WAV) played on a button, left, centre and right in turn
//
// Every animation follows vblankCount. Holding 1 (keypad or main row: the
// west button) shows frame 90 of the animations instead, the same picture
// every time: for screenshots and tests. 2 (the south button) plays the
// tone. Escape quits.
//
// The pictures and sounds are read from the working directory: run the
// program from examples/showcase.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "quorl/quorl.h"

const GameInfo gameInfo = {"Quorl Example: Showcase", "Quorl Examples", "Showcase", nullptr};

constexpr int32_t SHOW_STILL_FRAME = 90;
constexpr int32_t SHOW_ROW_A_Y = 18;  // scale, pivot, target, palette panels
constexpr int32_t SHOW_ROW_A_HEIGHT = 116;
constexpr int32_t SHOW_CENTRE_Y = 82;  // the middle of what those panels show
constexpr int32_t SHOW_ROW_B_Y = 136;  // strips
constexpr int32_t SHOW_ROW_C_Y = 196;  // pixel formats
constexpr int32_t SHOW_RING_COLORS = 16;
constexpr float SHOW_PI = 3.14159265f;

struct Scene {
    Sound* tone;  // null when tone.wav could not be read: the showcase goes on without it
    int32_t tonePan;
    Image* star;
    Image* dial;
    Image* hand;
    Image* target;
    Image* rings;
    Image* skyline;
    Image* formatTiles[PIXEL_FORMAT_COUNT];  // indexed by pixel format
    Palette ringPalette;
    Palette tileT4Palette;
    Palette tileT8Palette;
    uint32_t ringColors[SHOW_RING_COLORS];
    uint32_t tileT4Colors[16];
    uint32_t tileT8Colors[256];
};

const uint32_t SHOW_BACKGROUND = makeColor(22, 26, 38, 255);
const uint32_t SHOW_PANEL = makeColor(38, 44, 62, 255);
const uint32_t SHOW_BAR = makeColor(12, 14, 30, 255);
const uint32_t SHOW_TITLE = makeColor(255, 214, 96, 255);
const uint32_t SHOW_LABEL = makeColor(170, 190, 230, 255);

static void setUpScene(Scene& scene);
static void drawTargetContents(Image* target, int32_t frame);
static void drawScene(Scene& scene, int32_t frame);
static void drawPanel(int32_t x, int32_t y, int32_t width, int32_t height, const char* label);
static Image* loadPicture(const char* name, int32_t pixelFormat);
static Image* createPaletted(int32_t width, int32_t height, int32_t pixelFormat, Palette* palette);
static void setIndex(Image* image, int32_t x, int32_t y, uint32_t index);
static uint32_t loopColor(int32_t i);

void gameMain()
{
    initLibrary();
    initGraphics(PF_8888, 1);
    static Scene scene;  // large tables: not on the game thread's stack
    setUpScene(scene);

    const int32_t startCount = vblankCount;
    while (quitRequested.load(std::memory_order_relaxed) == 0) {
        bool still = (readController()->held & BTN_WEST) != 0;
        int32_t frame = still ? SHOW_STILL_FRAME : vblankCount - startCount;
        if (controller->pressed & BTN_SOUTH) {
            playSound(scene.tone, SND_MAX_VOLUME, scene.tonePan, 0);
            scene.tonePan = scene.tonePan >= SND_PAN_RIGHT ? SND_PAN_LEFT : scene.tonePan + SND_PAN_RIGHT;
        }

        // The ring colours move one step outwards every 4 frames; the
        // picture shows the new table from this frame on.
        for (int32_t i = 0; i < SHOW_RING_COLORS; ++i) {
            int32_t step = (i - frame / 4) % SHOW_RING_COLORS;
            scene.ringColors[i] = loopColor(step < 0 ? step + SHOW_RING_COLORS : step);
        }

        startDrawing();
        drawTargetContents(scene.target, frame);
        drawScene(scene, frame);
        endDrawing();
        syncFrame(frameSkip, maxFrameSkip, vsyncFlags);
    }
    endLibrary();
    endProgram();
}

static void setUpScene(Scene& scene)
{
    // Sound is a comfort here: without its files the showcase still runs.
    scene.tone = loadSound("tone.wav");
    if (scene.tone == nullptr) {
        std::fprintf(stderr, "showcase: no tone: tone.wav: %s\n", lastLoadError());
    }
    scene.tonePan = SND_PAN_LEFT;
    if (playMusic("tune.ogg", 1) == 0) {
        std::fprintf(stderr, "showcase: no tune: tune.ogg: %s\n", lastLoadError());
    }

    scene.star = loadPicture("star.png", PF_8888);
    scene.star->pivotX = 16;  // scale about the star's centre
    scene.star->pivotY = 16;
    scene.star->x = 64;
    scene.star->y = SHOW_CENTRE_Y;

    scene.dial = loadPicture("dial.png", PF_8888);
    scene.dial->x = 181 - 32;
    scene.dial->y = SHOW_CENTRE_Y - 32;
    scene.hand = loadPicture("hand.png", PF_8888);
    scene.hand->pivotX = 3;  // the boss at the hand's lower end...
    scene.hand->pivotY = 24;
    scene.hand->x = 181;  // ...on the dial's centre
    scene.hand->y = SHOW_CENTRE_Y;

    // Opaque: it starts black, and drawing into it keeps it opaque.
    scene.target = createDrawTarget(64, 64, PF_8888, 1);
    scene.target->pivotX = 32;
    scene.target->pivotY = 32;
    scene.target->x = 298;
    scene.target->y = SHOW_CENTRE_Y;

    // Rings around the picture's centre, 4 pixels wide, one colour index each.
    scene.ringPalette = {PF_8888, SHOW_RING_COLORS, scene.ringColors};
    scene.rings = createPaletted(96, 80, PF_T4, &scene.ringPalette);
    for (int32_t y = 0; y < 80; ++y) {
        for (int32_t x = 0; x < 96; ++x) {
            float distance = std::hypot(static_cast<float>(x - 48), static_cast<float>(y - 40));
            setIndex(scene.rings, x, y, static_cast<uint32_t>(distance / 4) % SHOW_RING_COLORS);
        }
    }
    scene.rings->x = 415 - 48;
    scene.rings->y = SHOW_CENTRE_Y - 40;

    // Wide and opaque: PF_5650 keeps its colours in half the memory. Strips
    // are the default for wide pictures; set here to show the switch.
    scene.skyline = loadPicture("skyline.png", PF_5650);
    scene.skyline->allowStrips = 1;
    scene.skyline->x = 16;
    scene.skyline->y = SHOW_ROW_B_Y + 14;

    // One picture in each direct format: PF_5650 has no alpha at all, PF_5551
    // one bit of it, PF_4444 four bits of everything, PF_8888 all of it.
    for (int32_t format = PF_5650; format <= PF_8888; ++format) {
        scene.formatTiles[format] = loadPicture("badge.png", format);
    }
    // PF_T4: a 4 x 4 grid of its 16 colours, kept as PF_5650 palette entries.
    scene.tileT4Palette = {PF_5650, 16, scene.tileT4Colors};
    for (int32_t i = 0; i < 16; ++i) {
        uint32_t c = loopColor(i);
        uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        scene.tileT4Colors[i] = (r >> 3) | (g >> 2) << 5 | (b >> 3) << 11;
    }
    Image* tileT4 = createPaletted(32, 32, PF_T4, &scene.tileT4Palette);
    // PF_T8: 256 colours, red growing to the right and green downwards.
    scene.tileT8Palette = {PF_8888, 256, scene.tileT8Colors};
    for (int32_t i = 0; i < 256; ++i) {
        scene.tileT8Colors[i] = makeColor(i % 16 * 17, i / 16 * 17, 160, 255);
    }
    Image* tileT8 = createPaletted(32, 32, PF_T8, &scene.tileT8Palette);
    for (int32_t y = 0; y < 32; ++y) {
        for (int32_t x = 0; x < 32; ++x) {
            setIndex(tileT4, x, y, static_cast<uint32_t>(y / 8 * 4 + x / 8));
            setIndex(tileT8, x, y, static_cast<uint32_t>(y / 2 * 16 + x / 2));
        }
    }
    scene.formatTiles[PF_T4] = tileT4;
    scene.formatTiles[PF_T8] = tileT8;
    for (int32_t format = 0; format < PIXEL_FORMAT_COUNT; ++format) {
        scene.formatTiles[format]->x = 8 + 78 * format + 21;
        scene.formatTiles[format]->y = SHOW_ROW_C_Y + 16;
    }
}

// Four coloured quarters, a white frame and the frame number, redrawn every
// frame. Drawing goes into the target until setDrawTarget moves it back.
static void drawTargetContents(Image* target, int32_t frame)
{
    setDrawTarget(target);
    fillRect(0, 0, 32, 32, makeColor(230, 60, 60, 255));
    fillRect(32, 0, 32, 32, makeColor(60, 200, 90, 255));
    fillRect(0, 32, 32, 32, makeColor(240, 200, 60, 255));
    fillRect(32, 32, 32, 32, makeColor(60, 110, 230, 255));
    const uint32_t white = makeColor(255, 255, 255, 255);
    fillRect(0, 0, 64, 2, white);
    fillRect(0, 62, 64, 2, white);
    fillRect(0, 0, 2, 64, white);
    fillRect(62, 0, 2, 64, white);
    char number[16];
    std::snprintf(number, sizeof number, "%d", frame % 1000);
    fillRect(14, 26, 36, 12, makeColor(20, 20, 30, 255));
    drawText(32 - textWidth(number) / 2, 28, white, number);
    setDrawTarget(&drawBuffer);
}

static void drawScene(Scene& scene, int32_t frame)
{
    fillRect(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, SHOW_BACKGROUND);
    fillRect(0, 0, SCREEN_WIDTH, 15, SHOW_BAR);
    drawText(6, 4, SHOW_TITLE, "Quorl showcase");
    char counter[32];
    std::snprintf(counter, sizeof counter, "frame %d", frame);
    drawText(SCREEN_WIDTH - 6 - textWidth(counter), 4, SHOW_LABEL, counter);

    drawPanel(8, SHOW_ROW_A_Y, 113, SHOW_ROW_A_HEIGHT, "scale");
    // 24 to 64 pixels and back, 64 (twice the picture) at the still frame.
    float wave = std::sin(static_cast<float>(frame * 5) * SHOW_PI / 180.0f);
    int32_t size = 44 + static_cast<int32_t>(std::lround(20.0f * wave));
    scene.star->drawWidth = size;
    scene.star->drawHeight = size;
    drawImage(scene.star);

    drawPanel(125, SHOW_ROW_A_Y, 113, SHOW_ROW_A_HEIGHT, "pivot rotation");
    drawImage(scene.dial);
    scene.hand->angle = static_cast<float>(frame * 3 % 360);  // degrees, clockwise
    drawImage(scene.hand);

    drawPanel(242, SHOW_ROW_A_Y, 113, SHOW_ROW_A_HEIGHT, "draw target");
    scene.target->angle = static_cast<float>(frame % 360);
    drawImage(scene.target);

    drawPanel(359, SHOW_ROW_A_Y, 113, SHOW_ROW_A_HEIGHT, "palette cycle");
    drawImage(scene.rings);

    drawPanel(8, SHOW_ROW_B_Y, 464, 57, "wide picture drawn as 64-texel strips (PF_5650)");
    drawImage(scene.skyline);

    static const char* const FORMAT_NAMES[PIXEL_FORMAT_COUNT] = {
        "PF_5650", "PF_5551", "PF_4444", "PF_8888", "PF_T4", "PF_T8"};
    for (int32_t format = 0; format < PIXEL_FORMAT_COUNT; ++format) {
        int32_t x = 8 + 78 * format;
        fillRect(x, SHOW_ROW_C_Y, 74, 56, SHOW_PANEL);
        drawText(x + 37 - textWidth(FORMAT_NAMES[format]) / 2, SHOW_ROW_C_Y + 4, SHOW_LABEL,
                 FORMAT_NAMES[format]);
        drawImage(scene.formatTiles[format]);
    }

    fillRect(0, SCREEN_HEIGHT - 15, SCREEN_WIDTH, 15, SHOW_BAR);
    drawText(6, SCREEN_HEIGHT - 11, SHOW_LABEL, "hold 1: still picture (frame 90)    2: tone    Esc: quit");
}

static void drawPanel(int32_t x, int32_t y, int32_t width, int32_t height, const char* label)
{
    fillRect(x, y, width, height, SHOW_PANEL);
    drawText(x + 5, y + 4, SHOW_TITLE, label);
}

static Image* loadPicture(const char* name, int32_t pixelFormat)
{
    Image* image = loadImage(name, pixelFormat);
    if (image == nullptr) {
        std::fprintf(stderr, "showcase: cannot load %s: %s\n", name, lastLoadError());
        endProgramWithCode(1);
    }
    return image;
}

// A paletted picture with every index 0 (the buffer's padding included).
static Image* createPaletted(int32_t width, int32_t height, int32_t pixelFormat, Palette* palette)
{
    Image* image = createImage(width, height, LOC_RAM, pixelFormat);
    if (image == nullptr) {
        std::fprintf(stderr, "showcase: out of memory\n");
        endProgramWithCode(1);
    }
    std::memset(image->pixels, 0, static_cast<size_t>(image->byteSize));
    image->palette = palette;
    return image;
}

// Rows are bufferWidth pixels apart; PF_T4 keeps two pixels a byte, the left
// one in the low four bits.
static void setIndex(Image* image, int32_t x, int32_t y, uint32_t index)
{
    uint8_t* pixels = static_cast<uint8_t*>(image->pixels);
    if (image->pixelFormat == PF_T8) {
        pixels[y * image->bufferWidth + x] = static_cast<uint8_t>(index);
        return;
    }
    uint8_t& pair = pixels[(y * image->bufferWidth + x) / 2];
    pair = x % 2 == 0 ? static_cast<uint8_t>((pair & 0xF0) | index)
                      : static_cast<uint8_t>((pair & 0x0F) | index << 4);
}

// Colour i of a loop of 16 around the colour wheel.
static uint32_t loopColor(int32_t i)
{
    float turn = 2.0f * SHOW_PI * static_cast<float>(i) / 16.0f;
    return makeColor(static_cast<int32_t>(150 + 100 * std::cos(turn)),
                     static_cast<int32_t>(120 + 90 * std::cos(turn - 1.3f)),
                     static_cast<int32_t>(160 + 90 * std::cos(turn - 2.6f)), 255);
}
