// Start-up: from the exec of the real game (a fresh settings store, started
// in assets/) to its intro picture on the screen, median of 10 starts; beside
// it, bench_sdl_intro, an SDL2 OpenGL program showing the same picture. The
// two are started in turn. The screen is read from the X server's root window
// every millisecond: the program's window is found by its _NET_WM_PID, and the
// intro counts as shown when three whole rows of its area match the picture
// (each channel within 8 of the file's value; both programs show it exactly,
// the margin only keeps a stray rounding from hiding a shown frame). Also
// reported: when the window was first found mapped; and all of it again with
// a warm Mesa shader cache.
// Run under an X server from the source tree: DISPLAY=:n build/bench_start
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"

constexpr int32_t START_RUNS = 10;
constexpr int32_t START_TIMEOUT_MS = 10000;
constexpr int32_t INTRO_WIDTH = 480;
constexpr int32_t INTRO_HEIGHT = 272;
constexpr int32_t PIXEL_MARGIN = 8;
constexpr int32_t CHECKED_ROWS[] = {20, 136, 250};

struct StartTimes {
    double windowMs;  // negative: never seen
    double shownMs;
};

static std::string programFolder();
static StartTimes timeStart(Display* display, const RgbaPicture& intro,
                            const std::vector<std::string>& command);
static Window findWindowOf(Display* display, pid_t pid);
static bool introShown(Display* display, Window window, const RgbaPicture& intro);

// A window may go between listing it and reading it: such errors are ignored.
static int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display (is DISPLAY set?)\n");
        return 1;
    }
    XSetErrorHandler(ignoreXError);
    // A window that shows nothing yet shows what lies under it: the root
    // window, kept black, so that nothing left on the screen can pass for the
    // intro.
    Window root = DefaultRootWindow(display);
    XSetWindowBackground(display, root, BlackPixel(display, DefaultScreen(display)));
    XClearWindow(display, root);
    XSync(display, False);
    RgbaPicture intro;
    if (!decodePngRgba("assets/intro.png", &intro) || intro.width != INTRO_WIDTH ||
        intro.height != INTRO_HEIGHT) {
        std::fprintf(stderr, "assets/intro.png: cannot read it (run from the source tree)\n");
        return 1;
    }
    std::string folder = programFolder();
    std::vector<std::string> quorl = {folder + "/quorl"};
    std::vector<std::string> sdl = {folder + "/bench_sdl_intro", "intro.png"};
    bool withSdl = access(sdl[0].c_str(), X_OK) == 0;

    // As the environment says (tools/bench.sh turns Mesa's shader cache off,
    // so every start compiles its shaders), then with a shader cache of their
    // own that one untimed start of each has filled, as on a player's desktop.
    const struct {
        const char* label;
        const char* suffix;
        bool warmCache;
    } conditions[] = {{"", "", false}, {", warm shader cache", "_warm", true}};
    char cacheTemplate[] = "/tmp/quorl-bench-cache-XXXXXX";
    const char* cacheDir = mkdtemp(cacheTemplate);
    std::string figures;
    std::printf("%-40s %12s %12s\n", "exec to (ms, p50)", "window", "intro shown");
    for (const auto& condition : conditions) {
        if (condition.warmCache) {
            if (cacheDir == nullptr) {
                break;
            }
            unsetenv("MESA_SHADER_CACHE_DISABLE");
            setenv("XDG_CACHE_HOME", cacheDir, 1);
            timeStart(display, intro, quorl);
            if (withSdl) {
                timeStart(display, intro, sdl);
            }
        }
        std::vector<double> quorlWindow, quorlShown, sdlWindow, sdlShown;
        for (int32_t run = 0; run < START_RUNS; ++run) {
            StartTimes q = timeStart(display, intro, quorl);
            if (q.shownMs < 0) {
                std::fprintf(stderr, "the game's intro did not show within %d ms\n",
                             START_TIMEOUT_MS);
                return 1;
            }
            quorlWindow.push_back(q.windowMs);
            quorlShown.push_back(q.shownMs);
            if (withSdl) {
                StartTimes sdlTimes = timeStart(display, intro, sdl);
                if (sdlTimes.shownMs < 0) {
                    std::fprintf(stderr, "the SDL2 peer's picture did not show\n");
                    return 1;
                }
                sdlWindow.push_back(sdlTimes.windowMs);
                sdlShown.push_back(sdlTimes.shownMs);
            }
        }
        std::string quorlLabel = std::string("Quorl") + condition.label;
        std::printf("%-40s %12.1f %12.1f\n", quorlLabel.c_str(), medianOf(quorlWindow),
                    medianOf(quorlShown));
        char line[160];
        std::snprintf(line, sizeof line, "first_window%s_ms=%.1f\nfirst_frame%s_ms=%.1f\n",
                      condition.suffix, medianOf(quorlWindow), condition.suffix,
                      medianOf(quorlShown));
        figures += line;
        if (withSdl) {
            std::string sdlLabel = std::string("SDL2 OpenGL program") + condition.label;
            std::printf("%-40s %12.1f %12.1f\n", sdlLabel.c_str(), medianOf(sdlWindow),
                        medianOf(sdlShown));
            std::snprintf(line, sizeof line,
                          "first_window_sdl%s_ms=%.1f\nfirst_frame_sdl%s_ms=%.1f\n",
                          condition.suffix, medianOf(sdlWindow), condition.suffix,
                          medianOf(sdlShown));
            figures += line;
        }
    }
    if (cacheDir != nullptr) {
        std::string cleanUp = std::string("rm -rf ") + cacheDir;
        if (std::system(cleanUp.c_str()) != 0) {
            std::fprintf(stderr, "could not remove %s\n", cacheDir);
        }
    }
    std::printf("%s", figures.c_str());
    XCloseDisplay(display);
    return 0;
}

// The folder of this program, where the build put the game and the peer too.
static std::string programFolder()
{
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    path[length] = '\0';
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('/'));
}

// Starts the command in assets/ with an empty settings folder (which also
// serves as the runtime folder a desktop session would provide), watches the
// screen until the intro shows, then kills it.
static StartTimes timeStart(Display* display, const RgbaPicture& intro,
                            const std::vector<std::string>& command)
{
    char configTemplate[] = "/tmp/quorl-bench-config-XXXXXX";
    const char* configDir = mkdtemp(configTemplate);
    std::vector<char*> argv;
    for (const std::string& part : command) {
        argv.push_back(const_cast<char*>(part.c_str()));
    }
    argv.push_back(nullptr);

    StartTimes times = {-1.0, -1.0};
    double start = nowMs();
    pid_t pid = fork();
    if (pid == 0) {
        // Ends with the benchmark, whatever ends it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (chdir("assets") != 0 || configDir == nullptr ||
            setenv("XDG_CONFIG_HOME", configDir, 1) != 0 ||
            setenv("XDG_RUNTIME_DIR", configDir, 1) != 0) {
            _exit(127);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    Window window = 0;
    while (nowMs() - start < START_TIMEOUT_MS) {
        if (window == 0) {
            window = findWindowOf(display, pid);
            if (window != 0) {
                times.windowMs = nowMs() - start;
            }
        }
        if (window != 0 && introShown(display, window, intro)) {
            times.shownMs = nowMs() - start;
            break;
        }
        usleep(1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (configDir != nullptr) {
        std::string cleanUp = std::string("rm -rf ") + configDir;
        if (std::system(cleanUp.c_str()) != 0) {
            std::fprintf(stderr, "could not remove %s\n", configDir);
        }
    }
    return times;
}

// The mapped top-level window whose _NET_WM_PID is pid, or 0.
static Window findWindowOf(Display* display, pid_t pid)
{
    Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Window root = DefaultRootWindow(display);
    Window parent, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) {
        return 0;
    }
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                               &format, &items, &after, &data) == Success &&
            data != nullptr && items == 1 && format == 32) {
            XWindowAttributes attributes;
            if (static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data)) == pid &&
                XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                found = children[i];
            }
        }
        if (data != nullptr) {
            XFree(data);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

// Whether the rows CHECKED_ROWS of the window's picture area, read from the
// root window (what is on the screen), match the picture. The picture area is
// the bottom-right 480 x 272 of the window: a menu bar may stand above it.
static bool introShown(Display* display, Window window, const RgbaPicture& intro)
{
    XWindowAttributes attributes;
    Window child;
    int rootX = 0, rootY = 0;
    if (!XGetWindowAttributes(display, window, &attributes) ||
        !XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &rootX, &rootY,
                               &child)) {
        return false;
    }
    int left = rootX + attributes.width - INTRO_WIDTH;
    int top = rootY + attributes.height - INTRO_HEIGHT;
    for (int32_t row : CHECKED_ROWS) {
        XImage* image = XGetImage(display, DefaultRootWindow(display), left, top + row,
                                  INTRO_WIDTH, 1, AllPlanes, ZPixmap);
        if (image == nullptr) {
            return false;
        }
        bool same = true;
        for (int32_t x = 0; x < INTRO_WIDTH && same; ++x) {
            unsigned long pixel = XGetPixel(image, x, 0);
            const uint8_t* want = &intro.pixels[(static_cast<size_t>(row) * INTRO_WIDTH + x) * 4];
            int got[3] = {static_cast<int>((pixel >> 16) & 255), static_cast<int>((pixel >> 8) & 255),
                          static_cast<int>(pixel & 255)};
            for (int32_t c = 0; c < 3; ++c) {
                same = same && std::abs(got[c] - want[c]) <= PIXEL_MARGIN;
            }
        }
        XDestroyImage(image);
        if (!same) {
            return false;
        }
    }
    return true;
}
