// make_assets: draws the game's eight pictures and writes them as PNG files.
//
//   make_assets [directory]      (default: assets)
//
// Every shape is computed, nothing is read, so two runs write the same bytes.
// The positions below are the ones the game draws its sprites at; the
// backgrounds are drawn so that the holes, wells, swatches and the code recess
// sit exactly under them.

#include <cmath>       // Required for: std::sqrt, std::pow
#include <cstdio>      // Required for: std::fprintf
#include <filesystem>  // Required for: std::filesystem::create_directories
#include <string>      // Required for: std::string, std::to_string

#include "tools/raster.h"

//----------------------------------------------------------------------------------
// Layout shared with the game (screen pixels, origin top left)
//----------------------------------------------------------------------------------
constexpr int ART_SCREEN_WIDTH = 480;
constexpr int ART_SCREEN_HEIGHT = 272;

constexpr int ART_BALL_SIZE = 16;
constexpr int ART_COLOURS = 6;
constexpr int ART_ROWS = 10;
constexpr int ART_SLOTS = 4;
constexpr int ART_CELL_X = 205;       // slot 1; slot s at + 24 (s - 1)
constexpr int ART_CELL_STEP_X = 24;
constexpr int ART_ROW1_Y = 243;       // row 1; row r at - 23 (r - 1)
constexpr int ART_ROW_STEP = 23;

constexpr int ART_MARK_SIZE = 12;
constexpr int ART_MARK_TILES = 15;
constexpr int ART_MARK_X = 312;
constexpr int ART_MARK_ROW1_Y = 245;

constexpr int ART_MARKER_X = 163;
constexpr int ART_MARKER_WIDTH = 29;
constexpr int ART_MARKER_HEIGHT = 23;
constexpr int ART_MARKER_SHEET_Y = 35;  // where the whole marker sheet would lie

constexpr int ART_CURSOR_X = 372;     // colour 1; colour c at + 18 (c - 1)
constexpr int ART_CURSOR_STEP = 18;
constexpr int ART_CURSOR_Y = 86;
constexpr int ART_CURSOR_SIZE = 16;
constexpr int ART_SWATCH_Y = 67;      // the colour swatches, just above the cursor

constexpr int ART_PANEL_X = 362;      // won and lost panels
constexpr int ART_PANEL_Y = 140;
constexpr int ART_PANEL_WIDTH = 102;
constexpr int ART_PANEL_HEIGHT = 64;
constexpr int ART_CODE_X = 375;       // revealed code ball 1; ball i at + 20 (i - 1)
constexpr int ART_CODE_STEP = 20;
constexpr int ART_CODE_Y = 170;

//----------------------------------------------------------------------------------
// Palette
//----------------------------------------------------------------------------------
const Colour PAL_NIGHT_TOP = rgb(0x2a3c72);
const Colour PAL_NIGHT_BOTTOM = rgb(0x0c1230);
const Colour PAL_WOOD_LIGHT = rgb(0xc48a52);
const Colour PAL_WOOD_DARK = rgb(0x93592f);
const Colour PAL_WOOD_GRAIN = rgb(0x6c3c1c);
const Colour PAL_WOOD_EDGE_LIGHT = rgb(0xf0c088);
const Colour PAL_WOOD_EDGE_DARK = rgb(0x4a2810);
const Colour PAL_HOLE_DEEP = rgb(0x1a0e06);
const Colour PAL_HOLE_RIM = rgb(0x52321a);
const Colour PAL_GOLD_TOP = rgb(0xfff0a0);
const Colour PAL_GOLD_BOTTOM = rgb(0xf0a028);
const Colour PAL_INK_DARK = rgb(0x2a1404);
const Colour PAL_CREAM = rgb(0xf6eed8);
const Colour PAL_MUTED = rgb(0xa8b6e0);
const Colour PAL_PANEL_FILL = rgb(0x0a1030, 0.55f);
const Colour PAL_PANEL_BORDER = rgb(0x7890d0, 0.8f);
const Colour PAL_WELL_FILL = rgb(0x9a7650);
const Colour PAL_PEG_EXACT = rgb(0x121018);
const Colour PAL_PEG_COLOUR_ONLY = rgb(0xfcfcf8);

struct BallLook {
    Colour body;
    Colour symbol;
};

// Colours 1..6: red dot, green cross, blue triangle, yellow square, purple ring,
// cyan bar. The symbol is what tells the balls apart without colour vision.
const BallLook BALL_LOOKS[ART_COLOURS] = {
    {rgb(0xe83838), rgb(0xfff4f0)},
    {rgb(0x38b848), rgb(0xf4fff0)},
    {rgb(0x3868f0), rgb(0xf0f4ff)},
    {rgb(0xf8d028), rgb(0x503800)},
    {rgb(0xa048e0), rgb(0xfaf0ff)},
    {rgb(0x30d0d8), rgb(0x003848)},
};

const TextStyle TEXT_BODY = {1, PAL_CREAM, rgb(0xe0d4b8), COLOUR_TRANSPARENT, rgb(0x000000, 0.6f), 1.0f, false, false};
const TextStyle TEXT_MUTED = {1, PAL_MUTED, PAL_MUTED, COLOUR_TRANSPARENT, rgb(0x000000, 0.5f), 1.0f, false, false};
const TextStyle TEXT_HEADING = {1, PAL_GOLD_TOP, PAL_GOLD_BOTTOM, COLOUR_TRANSPARENT, rgb(0x000000, 0.7f), 1.0f, false, false};
const TextStyle TEXT_KEY = {1, PAL_INK_DARK, PAL_INK_DARK, COLOUR_TRANSPARENT, COLOUR_TRANSPARENT, 0.0f, false, false};

//----------------------------------------------------------------------------------
// Declarations
//----------------------------------------------------------------------------------
static Canvas makeIntro();
static Canvas makeBoardBackground();
static Canvas makeEndPanel(bool won);
static Canvas makeCursor();
static Canvas makeBallSheet();
static Canvas makeMarkSheet();
static Canvas makeMarkerSheet();

static void paintNight(Canvas& canvas);
static void paintGlows(Canvas& canvas);
static void paintWood(Canvas& canvas, float x0, float y0, float x1, float y1, float radius);
static void paintGroove(Canvas& canvas, float x0, float y0, float x1, float y1);
static void paintPanel(Canvas& canvas, float x0, float y0, float x1, float y1, Colour fill,
                       Colour border);
static void paintHole(Canvas& canvas, float x, float y);
static void paintBall(Canvas& canvas, float x, float y, int colour);
static bool symbolInk(int colour, float x, float y);
static void paintPeg(Canvas& canvas, float cx, float cy, float radius, bool exact);
static void paintMarkStrip(Canvas& canvas, float x0, float y0, float x1, float y1);
static void paintMarkTile(Canvas& canvas, float x, float y, int exact, int colourOnly);
static void paintMarker(Canvas& canvas, float x, float y, int row);
static void paintKeyCap(Canvas& canvas, int x, int y, const std::string& label);
static int paintKeyLine(Canvas& canvas, int x, int y, const std::string& keys,
                        const std::string& text);
static TextStyle titleStyle(int scale);

//----------------------------------------------------------------------------------
// Entry
//----------------------------------------------------------------------------------
int main(int argc, char** argv) {
    const std::string directory = argc > 1 ? argv[1] : "assets";
    std::error_code error;
    std::filesystem::create_directories(directory, error);

    struct Output {
        const char* name;
        Canvas canvas;
        bool dither;  // smooth gradients only; sprites keep their exact pixels
    };
    const Output outputs[] = {
        {"intro.png", makeIntro(), true},
        {"fond.png", makeBoardBackground(), true},
        {"perdu.png", makeEndPanel(false), true},
        {"gagne.png", makeEndPanel(true), true},
        {"fleche.png", makeCursor(), false},
        {"boules.png", makeBallSheet(), false},
        {"solutions.png", makeMarkSheet(), false},
        {"lignes.png", makeMarkerSheet(), false},
    };
    int failures = 0;
    for (const Output& output : outputs) {
        std::string path = directory + "/" + output.name;
        if (!writePng(path, output.canvas, output.dither)) {
            std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

//----------------------------------------------------------------------------------
// The pictures
//----------------------------------------------------------------------------------
static Canvas makeIntro() {
    Canvas canvas = makeCanvas(ART_SCREEN_WIDTH, ART_SCREEN_HEIGHT, PAL_NIGHT_BOTTOM);
    paintNight(canvas);
    paintGlows(canvas);

    // Title with the six balls beneath it.
    drawTextCentred(canvas, 240, 12, "Quorl", titleStyle(6));
    drawTextCentred(canvas, 240, 63, "THE CODE-BREAKING GAME", TEXT_MUTED);
    for (int c = 1; c <= ART_COLOURS; ++c) {
        float x = 240 - 3 * 22 + (c - 1) * 22 + 3;
        paintHole(canvas, x, 77);
        paintBall(canvas, x, 77, c);
    }

    // Left: the goal and the marks.
    paintPanel(canvas, 12, 100, 262, 234, PAL_PANEL_FILL, PAL_PANEL_BORDER);
    drawText(canvas, 22, 108, "HOW TO PLAY", TEXT_HEADING);
    const char* goal[] = {
        "A secret code of four",
        "different colours is hidden.",
        "Break it in ten rows!",
        "Every full row gets marks:",
    };
    int y = 122;
    for (const char* line : goal) {
        drawText(canvas, 22, y, line, TEXT_BODY);
        y += 11;
    }
    y += 3;
    paintMarkStrip(canvas, 22, y - 2, 38, y + 25);
    paintPeg(canvas, 30, y + 5.5f, 3.2f, true);
    paintPeg(canvas, 30, y + 17.5f, 3.2f, false);
    drawText(canvas, 46, y + 2, "right colour, right place", TEXT_BODY);
    drawText(canvas, 46, y + 14, "right colour, wrong place", TEXT_BODY);
    drawText(canvas, 22, y + 32, "Four black pegs: you win.", TEXT_HEADING);

    // Right: the keys.
    paintPanel(canvas, 272, 100, 468, 234, PAL_PANEL_FILL, PAL_PANEL_BORDER);
    drawText(canvas, 282, 108, "KEYS", TEXT_HEADING);
    paintKeyLine(canvas, 282, 124, "2", "start, place a ball");
    paintKeyLine(canvas, 282, 144, "\x12 \x13", "choose a colour");
    paintKeyLine(canvas, 282, 164, "3", "clear the row");
    paintKeyLine(canvas, 282, 184, "ENTER", "quit");
    drawText(canvas, 282, 206, "Each colour has its own sign:", TEXT_MUTED);
    for (int c = 1; c <= ART_COLOURS; ++c) {
        Colour tint = BALL_LOOKS[c - 1].body;
        const float cx = 300.0f + 28 * (c - 1), cy = 223.0f, size = 1.5f;
        paint(canvas, int(cx) - 9, int(cy) - 9, int(cx) + 10, int(cy) + 10, [&](float x, float y) {
            if (symbolInk(c, (x - cx) / size, (y - cy) / size)) return shade(tint, 1.15f);
            for (float angle = 0; angle < 6.28f; angle += 0.785f) {
                float ox = std::cos(angle) * 1.2f, oy = std::sin(angle) * 1.2f;
                if (symbolInk(c, (x + ox - cx) / size, (y + oy - cy) / size)) return rgb(0x000000, 0.8f);
            }
            return COLOUR_TRANSPARENT;
        });
    }

    TextStyle start = titleStyle(2);
    drawTextCentred(canvas, 240, 246, "PRESS 2 TO START", start);
    return canvas;
}

static Canvas makeBoardBackground() {
    Canvas canvas = makeCanvas(ART_SCREEN_WIDTH, ART_SCREEN_HEIGHT, PAL_NIGHT_BOTTOM);
    paintNight(canvas);

    // The board: marker column, four ball columns and the mark wells.
    const float boardTop = ART_MARKER_SHEET_Y - 7, boardBottom = ART_SCREEN_HEIGHT - 3;
    paintWood(canvas, 158, boardTop, 336, boardBottom, 8);
    paintGroove(canvas, 196, boardTop + 6, 198, boardBottom - 6);
    paintGroove(canvas, 301, boardTop + 6, 303, boardBottom - 6);
    for (int row = 1; row <= ART_ROWS; ++row) {
        int cellY = ART_ROW1_Y - ART_ROW_STEP * (row - 1);
        int markerY = ART_MARKER_SHEET_Y + ART_MARKER_HEIGHT * (ART_ROWS - row);
        if (row < ART_ROWS) paintGroove(canvas, 200, cellY - 4, 299, cellY - 3);
        for (int slot = 0; slot < ART_SLOTS; ++slot) {
            paintHole(canvas, ART_CELL_X + ART_CELL_STEP_X * slot, cellY);
        }
        paintMarkTile(canvas, ART_MARK_X, ART_MARK_ROW1_Y - ART_ROW_STEP * (row - 1), 0, 0);
        // The row number is carved into the wood where the marker stops.
        std::string number = std::to_string(row);
        TextStyle carved = {1, rgb(0x5a3018), rgb(0x5a3018), COLOUR_TRANSPARENT,
                            rgb(0xe8b47a, 0.7f), 1.0f, false, false};
        drawTextCentred(canvas, ART_MARKER_X + 11, markerY + 6, number, carved);
    }

    // Left: title, marks and keys.
    drawTextCentred(canvas, 79, 10, "Quorl", titleStyle(4));
    drawTextCentred(canvas, 79, 44, "BREAK THE CODE", TEXT_MUTED);
    paintPanel(canvas, 6, 58, 152, 128, PAL_PANEL_FILL, PAL_PANEL_BORDER);
    drawText(canvas, 14, 64, "MARKS", TEXT_HEADING);
    paintMarkStrip(canvas, 13, 77, 28, 121);
    paintPeg(canvas, 20.5f, 86, 3.2f, true);
    paintPeg(canvas, 20.5f, 111, 3.2f, false);
    drawText(canvas, 34, 78, "right colour,", TEXT_BODY);
    drawText(canvas, 34, 88, "right place", TEXT_BODY);
    drawText(canvas, 34, 103, "right colour,", TEXT_BODY);
    drawText(canvas, 34, 113, "wrong place", TEXT_BODY);

    paintPanel(canvas, 6, 136, 152, 266, PAL_PANEL_FILL, PAL_PANEL_BORDER);
    drawText(canvas, 14, 142, "KEYS", TEXT_HEADING);
    paintKeyLine(canvas, 14, 158, "2", "place ball");
    paintKeyLine(canvas, 14, 178, "\x12 \x13", "colour");
    paintKeyLine(canvas, 14, 198, "3", "clear row");
    paintKeyLine(canvas, 14, 218, "ENTER", "quit");
    drawText(canvas, 14, 242, "4 colours, 10 rows", TEXT_MUTED);
    drawText(canvas, 14, 253, "no colour twice", TEXT_MUTED);

    // Right: the colour shelf under the cursor's six places.
    drawTextCentred(canvas, 424, 36, "COLOUR", TEXT_HEADING);
    paintWood(canvas, 366, ART_SWATCH_Y - 18, ART_SCREEN_WIDTH + 8, ART_SWATCH_Y + 19, 6);
    for (int c = 1; c <= ART_COLOURS; ++c) {
        int x = ART_CURSOR_X + ART_CURSOR_STEP * (c - 1);
        TextStyle digit = {1, rgb(0x4a2410), rgb(0x4a2410), COLOUR_TRANSPARENT,
                           rgb(0xf0c088, 0.6f), 1.0f, false, false};
        drawTextCentred(canvas, x + 8, ART_SWATCH_Y - 13, std::string(1, char('0' + c)), digit);
        paintHole(canvas, x, ART_SWATCH_Y);
        paintBall(canvas, x, ART_SWATCH_Y, c);
    }
    drawTextCentred(canvas, 424, 108, "\x12 \x13 choose", TEXT_BODY);
    drawTextCentred(canvas, 424, 120, "2 place", TEXT_BODY);

    // The hidden code, covered until the game ends; the won and lost panels
    // are drawn over this box with the same outline.
    const float px = ART_PANEL_X, py = ART_PANEL_Y;
    paintPanel(canvas, px, py, px + ART_PANEL_WIDTH, py + ART_PANEL_HEIGHT, rgb(0x101838, 0.8f),
               PAL_PANEL_BORDER);
    drawTextCentred(canvas, int(px) + ART_PANEL_WIDTH / 2, int(py) + 8, "SECRET CODE", TEXT_HEADING);
    paintWood(canvas, ART_CODE_X - 5, ART_CODE_Y - 5, ART_CODE_X + 3 * ART_CODE_STEP + 21,
              ART_CODE_Y + 21, 5);
    for (int i = 0; i < ART_SLOTS; ++i) {
        float x = ART_CODE_X + ART_CODE_STEP * i, y = ART_CODE_Y;
        paintHole(canvas, x, y);
        paint(canvas, int(x), int(y), int(x) + 16, int(y) + 16, [&](float sx, float sy) {
            float d = circleDistance(sx, sy, x + 8, y + 8, 7.2f);
            if (d > 0) return COLOUR_TRANSPARENT;
            float light = 1.0f - 0.35f * (sy - y) / 16.0f;
            return shade(rgb(0x6a7088), light);
        });
        TextStyle mark = {1, PAL_CREAM, PAL_CREAM, COLOUR_TRANSPARENT, rgb(0x000000, 0.5f), 1.0f, false, false};
        drawText(canvas, int(x) + 6, int(y) + 4, "?", mark);
    }
    drawTextCentred(canvas, int(px) + ART_PANEL_WIDTH / 2, int(py) + 53, "no repeats", TEXT_MUTED);

    drawTextCentred(canvas, 413, 222, "Find the code", TEXT_MUTED);
    drawTextCentred(canvas, 413, 234, "in ten rows!", TEXT_MUTED);
    return canvas;
}

static Canvas makeEndPanel(bool won) {
    Canvas canvas = makeCanvas(ART_PANEL_WIDTH, ART_PANEL_HEIGHT, COLOUR_TRANSPARENT);
    Colour fill = won ? rgb(0x1c6a3a) : rgb(0x7a1c24);
    Colour border = won ? rgb(0x9cf0b0) : rgb(0xffa0a0);
    paintPanel(canvas, 0, 0, ART_PANEL_WIDTH, ART_PANEL_HEIGHT, fill, border);
    drawTextCentred(canvas, ART_PANEL_WIDTH / 2, 6, won ? "YOU WIN!" : "YOU LOST", titleStyle(2));

    // Recess for the four code balls the game draws on top.
    const float codeX = ART_CODE_X - ART_PANEL_X, codeY = ART_CODE_Y - ART_PANEL_Y;
    paintWood(canvas, codeX - 5, codeY - 5, codeX + 3 * ART_CODE_STEP + 21, codeY + 21, 5);
    for (int i = 0; i < ART_SLOTS; ++i) paintHole(canvas, codeX + ART_CODE_STEP * i, codeY);

    drawTextCentred(canvas, ART_PANEL_WIDTH / 2, 53, "2: new game", TEXT_BODY);
    return canvas;
}

static Canvas makeCursor() {
    Canvas canvas = makeCanvas(ART_CURSOR_SIZE, ART_CURSOR_SIZE, COLOUR_TRANSPARENT);
    // An arrow pointing up at the swatch above it.
    auto inside = [](float x, float y) {
        bool head = insideTriangle(x, y, 8.0f, 0.2f, 15.6f, 8.6f, 0.4f, 8.6f);
        bool shaft = x > 4.6f && x < 11.4f && y >= 8.0f && y < 15.6f;
        return head || shaft;
    };
    paint(canvas, 0, 0, ART_CURSOR_SIZE, ART_CURSOR_SIZE, [&](float x, float y) {
        if (!inside(x, y)) return COLOUR_TRANSPARENT;
        bool edge = !inside(x + 1.1f, y) || !inside(x - 1.1f, y) || !inside(x, y + 1.1f) ||
                    !inside(x, y - 1.1f);
        if (edge) return PAL_INK_DARK;
        return mix(rgb(0xffffff), PAL_GOLD_BOTTOM, y / 16.0f);
    });
    return canvas;
}

static Canvas makeBallSheet() {
    Canvas canvas = makeCanvas(ART_BALL_SIZE, ART_BALL_SIZE * (ART_COLOURS + 1), COLOUR_TRANSPARENT);
    paintHole(canvas, 0, 0);
    for (int c = 1; c <= ART_COLOURS; ++c) paintBall(canvas, 0, float(ART_BALL_SIZE * c), c);
    return canvas;
}

static Canvas makeMarkSheet() {
    Canvas canvas = makeCanvas(ART_MARK_SIZE, ART_MARK_SIZE * ART_MARK_TILES, COLOUR_TRANSPARENT);
    for (int exact = 0; exact <= ART_SLOTS; ++exact) {
        for (int colourOnly = 0; exact + colourOnly <= ART_SLOTS; ++colourOnly) {
            int tile = exact * (11 - exact) / 2 + colourOnly;
            paintMarkTile(canvas, 0, float(ART_MARK_SIZE * tile), exact, colourOnly);
        }
    }
    return canvas;
}

static Canvas makeMarkerSheet() {
    Canvas canvas = makeCanvas(ART_MARKER_WIDTH, ART_MARKER_HEIGHT * ART_ROWS, COLOUR_TRANSPARENT);
    for (int band = 0; band < ART_ROWS; ++band) {
        paintMarker(canvas, 0, float(ART_MARKER_HEIGHT * band), ART_ROWS - band);
    }
    return canvas;
}

//----------------------------------------------------------------------------------
// Pieces
//----------------------------------------------------------------------------------
static void paintNight(Canvas& canvas) {
    const float w = float(canvas.width), h = float(canvas.height);
    paint(canvas, 0, 0, canvas.width, canvas.height, [&](float x, float y) {
        Colour c = mix(PAL_NIGHT_TOP, PAL_NIGHT_BOTTOM, y / h);
        // A faint diagonal weave and a darker rim keep the large areas alive.
        float weave = std::fmod(x + y, 12.0f) < 1.0f || std::fmod(x - y + 1200.0f, 12.0f) < 1.0f
                          ? 0.04f
                          : 0.0f;
        float dx = (x - w * 0.5f) / w, dy = (y - h * 0.45f) / h;
        float vignette = 1.0f - 0.9f * (dx * dx + dy * dy);
        return shade(c, vignette + weave);
    });
}

static void paintGlows(Canvas& canvas) {
    struct Glow {
        float x, y, radius;
        int colour;
    };
    const Glow glows[] = {{40, 40, 46, 1},  {440, 60, 40, 3},  {70, 250, 36, 2},
                          {420, 250, 50, 5}, {250, 140, 90, 6}, {180, 30, 26, 4}};
    for (const Glow& glow : glows) {
        Colour tint = BALL_LOOKS[glow.colour - 1].body;
        paint(canvas, int(glow.x - glow.radius), int(glow.y - glow.radius),
              int(glow.x + glow.radius) + 1, int(glow.y + glow.radius) + 1, [&](float x, float y) {
                  float d = circleDistance(x, y, glow.x, glow.y, 0) / glow.radius;
                  return withAlpha(tint, 0.10f * (1.0f - smoothStep(0.2f, 1.0f, d)));
              });
    }
}

// A raised wooden plate with grain, a light top-left bevel and a dark rim.
static void paintWood(Canvas& canvas, float x0, float y0, float x1, float y1, float radius) {
    paint(canvas, int(x0) - 1, int(y0) - 1, int(x1) + 2, int(y1) + 2, [&](float x, float y) {
        float d = roundedRectDistance(x, y, x0, y0, x1, y1, radius);
        if (d > 0) return COLOUR_TRANSPARENT;
        float grain = valueNoise(x * 0.04f, y * 0.7f, 7) * 0.6f + valueNoise(x * 0.15f, y * 1.6f, 11) * 0.4f;
        float streak = 0.5f + 0.5f * std::sin((y + grain * 9.0f) * 0.9f);
        Colour c = mix(PAL_WOOD_LIGHT, PAL_WOOD_DARK, grain * 0.9f);
        c = mix(c, PAL_WOOD_GRAIN, streak * streak * 0.22f);
        if (d > -1.0f) return PAL_WOOD_EDGE_DARK;
        if (d > -2.2f) {
            // Bevel: lit from the top left.
            bool lit = (x - x0) + (y - y0) < (x1 - x) + (y1 - y);
            return mix(c, lit ? PAL_WOOD_EDGE_LIGHT : PAL_WOOD_EDGE_DARK, 0.55f);
        }
        return c;
    });
}

// A thin carved line: dark above or left, light below or right.
static void paintGroove(Canvas& canvas, float x0, float y0, float x1, float y1) {
    bool horizontal = (x1 - x0) > (y1 - y0);
    paint(canvas, int(x0), int(y0), int(std::ceil(x1)) + 1, int(std::ceil(y1)) + 1, [&](float x, float y) {
        if (x > x1 + 1 || y > y1 + 1) return COLOUR_TRANSPARENT;
        bool shadow = horizontal ? y < y1 : x < x1;
        bool inside = x <= x1 && y <= y1;
        if (inside && shadow) return rgb(0x3a1e0c, 0.55f);
        return rgb(0xf8d0a0, 0.35f);
    });
}

// A translucent rounded panel with a thin border and a soft top sheen.
static void paintPanel(Canvas& canvas, float x0, float y0, float x1, float y1, Colour fill,
                       Colour border) {
    paint(canvas, int(x0), int(y0), int(std::ceil(x1)), int(std::ceil(y1)), [&](float x, float y) {
        float d = roundedRectDistance(x, y, x0, y0, x1, y1, 6);
        if (d > 0) return COLOUR_TRANSPARENT;
        if (d > -1.2f) return border;
        float t = (y - y0) / (y1 - y0);
        Colour c = mix(shade(fill, 1.35f), shade(fill, 0.8f), t);
        c.a = fill.a;
        return c;
    });
}

// The empty cell: a round hole, its far wall lit and its near edge in shadow.
static void paintHole(Canvas& canvas, float x, float y) {
    const float cx = x + 8, cy = y + 8, radius = 7.9f;
    paint(canvas, int(x), int(y), int(x) + ART_BALL_SIZE, int(y) + ART_BALL_SIZE, [&](float px, float py) {
        float d = circleDistance(px, py, cx, cy, radius);
        if (d > 0) return COLOUR_TRANSPARENT;
        float ny = (py - cy) / radius;
        Colour c = mix(PAL_HOLE_DEEP, PAL_HOLE_RIM, smoothStep(-0.6f, 1.0f, ny));
        if (d > -1.0f) c = mix(c, ny > 0.2f ? PAL_WOOD_EDGE_LIGHT : rgb(0x100804), 0.6f);
        return c;
    });
}

// The sign of each colour, in pixels around the ball's centre.
static bool symbolInk(int colour, float x, float y) {
    switch (colour) {
    case 1: return circleDistance(x, y, 0.3f, 0.3f, 2.7f) < 0;
    case 2: return segmentDistance(x, y, -2.5f, -2.5f, 2.7f, 2.7f) < 1.0f ||
                   segmentDistance(x, y, -2.6f, 2.6f, 2.6f, -2.6f) < 1.0f;
    case 3: return insideTriangle(x, y, 0.3f, -3.4f, 4.0f, 3.2f, -3.4f, 3.2f);
    case 4: return std::fabs(x - 0.3f) < 2.7f && std::fabs(y - 0.3f) < 2.7f;
    case 5: return std::fabs(circleDistance(x, y, 0.3f, 0.3f, 2.7f)) < 0.9f;
    case 6: return std::fabs(x - 0.3f) < 3.7f && std::fabs(y - 0.3f) < 1.3f;
    default: return false;
    }
}

// A shaded sphere lit from the top left, with its colour's symbol on the front.
// The gloss is a fixed spot near the upper-left rim, away from the symbol, so
// that it is never mistaken for one.
static void paintBall(Canvas& canvas, float x, float y, int colour) {
    const BallLook& look = BALL_LOOKS[colour - 1];
    const float cx = x + 8, cy = y + 8, radius = 7.4f;
    const float lx = -0.45f, ly = -0.6f, lz = 0.66f;
    paint(canvas, int(x), int(y), int(x) + ART_BALL_SIZE, int(y) + ART_BALL_SIZE, [&](float px, float py) {
        float d = circleDistance(px, py, cx, cy, radius);
        if (d > 0) return COLOUR_TRANSPARENT;
        float nx = (px - cx) / radius, ny = (py - cy) / radius;
        float nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
        float diffuse = std::max(0.0f, nx * lx + ny * ly + nz * lz);
        bool onSymbol = symbolInk(colour, px - cx, py - cy);
        Colour c = onSymbol ? shade(look.symbol, 0.8f + 0.3f * diffuse)
                            : shade(look.body, 0.3f + 0.9f * diffuse);
        if (!onSymbol) {
            // Light bounced up from the board warms the lower edge.
            c = mix(c, shade(look.body, 0.85f), 0.3f * smoothStep(0.45f, 1.0f, ny));
            float gloss = circleDistance(px, py, cx - 4.0f, cy - 4.2f, 1.5f);
            c = mix(c, rgb(0xffffff), 0.9f * (1.0f - smoothStep(-0.8f, 0.6f, gloss)));
        }
        return mix(c, shade(look.body, 0.28f), smoothStep(-1.2f, 0.0f, d) * 0.6f);
    });
}

// A mark peg: exact ones are solid black, colour-only ones hollow white rings.
static void paintPeg(Canvas& canvas, float cx, float cy, float radius, bool exact) {
    paint(canvas, int(cx - radius) - 1, int(cy - radius) - 1, int(cx + radius) + 2, int(cy + radius) + 2,
          [&](float x, float y) {
              float d = circleDistance(x, y, cx, cy, radius);
              if (d > 0) return COLOUR_TRANSPARENT;
              if (exact) {
                  // Dark all over, lit a little towards the top left.
                  float lit = circleDistance(x, y, cx - radius * 0.4f, cy - radius * 0.4f, 0) / radius;
                  return mix(rgb(0x686878), PAL_PEG_EXACT, smoothStep(0.1f, 0.9f, lit));
              }
              if (d < -radius * 0.52f) return COLOUR_TRANSPARENT;  // the hole of the ring
              if (d > -0.5f) return rgb(0x383028);
              return PAL_PEG_COLOUR_ONLY;
          });
}

// The recessed strip that mark pegs sit in, as in the board's mark wells.
static void paintMarkStrip(Canvas& canvas, float x0, float y0, float x1, float y1) {
    paint(canvas, int(x0), int(y0), int(std::ceil(x1)), int(std::ceil(y1)), [&](float px, float py) {
        float d = roundedRectDistance(px, py, x0, y0, x1, y1, 2.5f);
        if (d > 0) return COLOUR_TRANSPARENT;
        if (d > -1.0f) return py - y0 < (y1 - y0) * 0.5f ? rgb(0x4a2a14) : rgb(0xd8a870);
        return mix(shade(PAL_WELL_FILL, 0.8f), PAL_WELL_FILL, (py - y0) / (y1 - y0));
    });
}

static void paintMarkTile(Canvas& canvas, float x, float y, int exact, int colourOnly) {
    paintMarkStrip(canvas, x, y, x + ART_MARK_SIZE, y + ART_MARK_SIZE);
    const float centres[ART_SLOTS][2] = {{3.5f, 3.5f}, {8.5f, 3.5f}, {3.5f, 8.5f}, {8.5f, 8.5f}};
    for (int i = 0; i < ART_SLOTS; ++i) {
        float cx = x + centres[i][0], cy = y + centres[i][1];
        if (i < exact + colourOnly) {
            paintPeg(canvas, cx, cy, 2.45f, i < exact);
        } else {
            paint(canvas, int(cx) - 2, int(cy) - 2, int(cx) + 3, int(cy) + 3, [&](float px, float py) {
                return circleDistance(px, py, cx, cy, 1.3f) < 0 ? rgb(0x5a3c22) : COLOUR_TRANSPARENT;
            });
        }
    }
}

// A gold tag pointing right at the row, with the row number on it.
static void paintMarker(Canvas& canvas, float x, float y, int row) {
    auto inside = [&](float px, float py) {
        float u = px - x, v = py - y;
        bool body = roundedRectDistance(u, v, 1.0f, 2.0f, 21.0f, 17.0f, 3.0f) < 0;
        bool tip = insideTriangle(u, v, 19.0f, 1.0f, 28.6f, 9.5f, 19.0f, 18.0f);
        return body || tip;
    };
    paint(canvas, int(x), int(y), int(x) + ART_MARKER_WIDTH, int(y) + ART_MARKER_HEIGHT, [&](float px, float py) {
        if (!inside(px, py)) return COLOUR_TRANSPARENT;
        bool edge = !inside(px + 1.1f, py) || !inside(px - 1.1f, py) || !inside(px, py + 1.1f) ||
                    !inside(px, py - 1.1f);
        if (edge) return PAL_INK_DARK;
        return mix(PAL_GOLD_TOP, PAL_GOLD_BOTTOM, (py - y - 2.0f) / 15.0f);
    });
    drawTextCentred(canvas, int(x) + 11, int(y) + 6, std::to_string(row), TEXT_KEY);
}

static void paintKeyCap(Canvas& canvas, int x, int y, const std::string& label) {
    const float x0 = float(x), y0 = float(y), x1 = float(x + textWidth(label, 1) + 8), y1 = float(y + 13);
    paint(canvas, x - 1, y - 1, int(x1) + 1, int(y1) + 2, [&](float px, float py) {
        float d = roundedRectDistance(px, py, x0, y0, x1, y1, 2.5f);
        if (d > 0) {
            float shadowDistance = roundedRectDistance(px, py, x0, y0 + 1.5f, x1, y1 + 1.5f, 2.5f);
            return shadowDistance < 0 ? rgb(0x000000, 0.5f) : COLOUR_TRANSPARENT;
        }
        if (d > -1.0f) return rgb(0x40404c);
        float t = (py - y0) / (y1 - y0);
        return t > 0.8f ? rgb(0xa8a8b8) : mix(rgb(0xffffff), rgb(0xd4d4e0), t / 0.8f);
    });
    drawText(canvas, x + 4, y + 3, label, TEXT_KEY);
}

// Key caps for each word of keys, then the text; returns the x after the text.
static int paintKeyLine(Canvas& canvas, int x, int y, const std::string& keys,
                        const std::string& text) {
    size_t start = 0;
    while (start < keys.size()) {
        size_t end = keys.find(' ', start);
        if (end == std::string::npos) end = keys.size();
        std::string key = keys.substr(start, end - start);
        paintKeyCap(canvas, x, y, key);
        x += textWidth(key, 1) + 11;
        start = end + 1;
    }
    drawText(canvas, x + 2, y + 3, text, TEXT_BODY);
    return x + 2 + textWidth(text, 1);
}

static TextStyle titleStyle(int scale) {
    return {scale, PAL_GOLD_TOP, PAL_GOLD_BOTTOM, PAL_INK_DARK, rgb(0x000000, 0.55f), float(scale) * 0.6f + 0.5f, true, true};
}
