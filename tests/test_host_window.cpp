// The Qt host's window on the X server of the test run: its layout, its
// menu, key presses sent through the server with xdotool, and first close
// requests (a second one would end this process, so the end-to-end test
// covers that).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "emu/controller.h"
#include "quorl/host.h"
#include "host/qt/menu.h"
#include "host/qt/window.h"

static bool numLockOn();
static void sendCloseMessage(unsigned long window);

namespace {

// Counts the presses of the Left arrow that reach the window.
struct RepeatCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Left) {
            ++presses;
        }
        return false;
    }
};

RepeatCounter* repeatCounter;

HostWindow& window()
{
    static bool created = false;
    if (!created) {
        created = true;
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        static int argc = 1;
        static char name[] = "test_host_window";
        static char* argv[] = {name, nullptr};
        QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
        new QApplication(argc, argv);
        static QTemporaryDir settingsDir;  // removed when the program ends
        qputenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
        EXPECT_TRUE(createMainWindow());
        repeatCounter = new RepeatCounter;
        hostWindow.top->installEventFilter(repeatCounter);
    }
    return hostWindow;
}

template <typename Predicate>
bool waitFor(Predicate done, int timeoutMs = 3000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void pump(int milliseconds)
{
    waitFor([] { return false; }, milliseconds);
}

void xdotool(const std::string& arguments)
{
    std::string command = "xdotool " + arguments;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void setNumLock(bool on)
{
    if (numLockOn() != on) {
        xdotool("key 77");  // Num_Lock by keycode, so that xdotool adds no modifiers of its own
    }
    ASSERT_EQ(numLockOn(), on);
    pump(50);
}

QImage grabScreenArea()
{
    QPoint origin = hostWindow.screenArea->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, origin.x(), origin.y(), WINDOW_AREA_WIDTH, WINDOW_AREA_HEIGHT)
        .toImage();
}

QMenu* popup(const char* title, QMenu* parent = nullptr)
{
    QList<QAction*> actions = parent ? parent->actions() : hostWindow.menuBar->actions();
    for (QAction* action : actions) {
        if (action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

QAction* item(QMenu* menu, const char* text)
{
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

void resetShared()
{
    pauseState = 0;
    emuReuseTextures = 0;
    emuUsePixelShaders = 0;
    emuFrameSkipMode = 0;
    emuWindowScale = 1;
    emuFullScreen = 0;
    quitRequested = 0;
    if (hostWindow.waitOverlay) {
        hostWindow.waitOverlay->hide();
    }
    if (hostWindow.menuBar) {
        updateWindowSize();
        updateMenuChecks();
    }
}

}  // namespace

TEST(HostWindow, FixedScreenAreaBelowTheMenuBar)
{
    HostWindow& w = window();
    ASSERT_TRUE(waitFor([&] { return w.top->windowHandle()->isExposed(); }));
    EXPECT_EQ(w.top->windowTitle(), "Quorl Sample");
    EXPECT_FALSE(w.menuBar->isNativeMenuBar());
    int menuHeight = w.menuBar->height();
    EXPECT_GT(menuHeight, 0);
    EXPECT_EQ(w.screenArea->size(), QSize(480, 272));
    EXPECT_EQ(w.screenArea->mapTo(w.top, QPoint(0, 0)), QPoint(0, menuHeight));
    EXPECT_EQ(w.top->windowHandle()->geometry().size(), QSize(480, 272 + menuHeight));
    EXPECT_EQ(w.top->minimumSize(), w.top->maximumSize()) << "not resizable";
    Qt::WindowFlags flags = w.top->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(mainWindow, &hostWindow);

    pump(100);
    QImage area = grabScreenArea();
    int notBlack = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            notBlack += (area.pixel(x, y) & 0xFFFFFF) != 0;
        }
    }
    EXPECT_EQ(notBlack, 0) << "the screen area starts black";
}

TEST(HostWindow, MenuTreeTextsCommandsAndGrayedItems)
{
    window();
    struct ItemCase {
        const char* popup;
        const char* subPopup;
        int position;
        const char* text;
        int32_t command;
        bool enabled;
    };
    const ItemCase items[] = {
        {"Application", nullptr, 0, "Step frame", CMD_STEP_FRAME, true},
        {"Application", nullptr, 1, "Pause", CMD_PAUSE, true},
        {"Application", nullptr, 2, "Quit", CMD_QUIT, true},
        {"Application", nullptr, 4, "Controls\u2026", CMD_CONTROLS, true},
        {"Application", nullptr, 5, "Save screenshot", CMD_SAVE_SCREENSHOT, true},
        {"Video", "Performance", 0, "Reuse textures (faster)", CMD_REUSE_TEXTURES, true},
        {"Video", "Performance", 1, "Use shaders", CMD_USE_SHADERS, false},
        {"Video", "Frameskip", 0, "None", CMD_FRAMESKIP_NONE, true},
        {"Video", "Frameskip", 1, "Normal (PC-timed)", CMD_FRAMESKIP_NORMAL, true},
        {"Video", "Frameskip", 2, "Frameskip (PC-sided)", CMD_FRAMESKIP_NORMAL, false},
        {"Video", "Window size", 0, "1\u00D7 (480\u00D7272)", CMD_WINDOW_SCALE_1, true},
        {"Video", "Window size", 1, "2\u00D7", CMD_WINDOW_SCALE_2, true},
        {"Video", "Window size", 2, "3\u00D7", CMD_WINDOW_SCALE_3, true},
        {"Video", "Window size", 3, "4\u00D7", CMD_WINDOW_SCALE_4, true},
        {"Video", "Window size", 4, "Full screen", CMD_FULL_SCREEN, true},
        {"Audio", nullptr, 0, "Sound", CMD_SOUND, true},
        {"Audio", "Volume", 0, "25 %", CMD_VOLUME_25, true},
        {"Audio", "Volume", 3, "100 %", CMD_VOLUME_100, true},
    };
    // Display order: the bar, each popup, and the items within.
    QList<QAction*> bar = hostWindow.menuBar->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), "Application");
    EXPECT_EQ(bar[1]->text(), "Video");
    EXPECT_EQ(bar[2]->text(), "Audio");
    // New entries come after the old ones of the same menu, behind a separator.
    QList<QAction*> video = popup("Video")->actions();
    ASSERT_EQ(video.size(), 4);
    EXPECT_EQ(video[0]->text(), "Performance");
    EXPECT_EQ(video[1]->text(), "Frameskip");
    EXPECT_TRUE(video[2]->isSeparator());
    EXPECT_EQ(video[3]->text(), "Window size");
    EXPECT_TRUE(popup("Application")->actions()[3]->isSeparator());

    for (const ItemCase& c : items) {
        QMenu* menu = popup(c.popup);
        ASSERT_NE(menu, nullptr) << c.popup;
        if (c.subPopup) {
            menu = popup(c.subPopup, menu);
            ASSERT_NE(menu, nullptr) << c.subPopup;
        }
        ASSERT_LT(c.position, menu->actions().size()) << c.text;
        QAction* action = menu->actions()[c.position];
        EXPECT_EQ(action->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(action->data().toInt(), c.command) << c.text;
        EXPECT_EQ(action->isEnabled(), c.enabled) << c.text;
    }
    EXPECT_EQ(popup("Application")->actions().size(), 6);
    EXPECT_EQ(popup("Window size", popup("Video"))->actions().size(), 5);
    EXPECT_EQ(popup("Performance", popup("Video"))->actions().size(), 2);
    EXPECT_EQ(popup("Frameskip", popup("Video"))->actions().size(), 3);
}

TEST(HostWindow, CommandsChangeStateAndMarks)
{
    window();
    struct CommandCase {
        const char* name;
        int32_t pause, reuse, shaders, mode;  // before
        int32_t command;
        int32_t pauseAfter, reuseAfter, shadersAfter, modeAfter;
    };
    const CommandCase cases[] = {
        {"pause while running", 0, 0, 0, 0, CMD_PAUSE, 1, 0, 0, 0},
        {"pause while paused", 1, 0, 0, 0, CMD_PAUSE, 0, 0, 0, 0},
        {"pause while a step is pending", 2, 0, 0, 0, CMD_PAUSE, 0, 0, 0, 0},
        {"step while running", 0, 0, 0, 0, CMD_STEP_FRAME, 2, 0, 0, 0},
        {"step while paused", 1, 0, 0, 0, CMD_STEP_FRAME, 2, 0, 0, 0},
        {"reuse textures stored as 5", 0, 5, 0, 0, CMD_REUSE_TEXTURES, 0, 0, 0, 0},
        {"reuse textures off", 0, 0, 0, 0, CMD_REUSE_TEXTURES, 0, 1, 0, 0},
        {"use shaders", 0, 0, 0, 0, CMD_USE_SHADERS, 0, 0, 1, 0},
        {"use shaders again", 0, 0, 1, 0, CMD_USE_SHADERS, 0, 0, 0, 0},
        {"frameskip normal", 0, 0, 0, 1, CMD_FRAMESKIP_NORMAL, 0, 0, 0, 0},
        {"frameskip none", 0, 0, 0, 0, CMD_FRAMESKIP_NONE, 0, 0, 0, 1},
        {"frameskip none from mode 2", 0, 0, 0, 2, CMD_FRAMESKIP_NONE, 0, 0, 0, 1},
        {"command 100 is ignored", 1, 1, 1, 1, 100, 1, 1, 1, 1},
        {"command 0xFFFF is ignored", 2, 3, 0, 2, 0xFFFF, 2, 3, 0, 2},
        {"a negative command is ignored", 0, 1, 0, 0, -1, 0, 1, 0, 0},
    };
    QMenu* application = popup("Application");
    QMenu* performance = popup("Performance", popup("Video"));
    QMenu* frameskip = popup("Frameskip", popup("Video"));
    for (const CommandCase& c : cases) {
        resetShared();
        pauseState = c.pause;
        emuReuseTextures = c.reuse;
        emuUsePixelShaders = c.shaders;
        emuFrameSkipMode = c.mode;
        menuCommand(c.command);
        EXPECT_EQ(pauseState.load(), c.pauseAfter) << c.name;
        EXPECT_EQ(emuReuseTextures.load(), c.reuseAfter) << c.name;
        EXPECT_EQ(emuUsePixelShaders.load(), c.shadersAfter) << c.name;
        EXPECT_EQ(emuFrameSkipMode.load(), c.modeAfter) << c.name;
        updateMenuChecks();
        EXPECT_EQ(item(application, "Pause")->isChecked(), c.pauseAfter != 0) << c.name;
        EXPECT_EQ(item(performance, "Reuse textures (faster)")->isChecked(), c.reuseAfter != 0)
            << c.name;
        EXPECT_EQ(item(performance, "Use shaders")->isChecked(), c.shadersAfter != 0) << c.name;
        EXPECT_EQ(item(frameskip, "Normal (PC-timed)")->isChecked(), c.modeAfter == 0) << c.name;
        EXPECT_EQ(item(frameskip, "None")->isChecked(), c.modeAfter == 1) << c.name;
        EXPECT_FALSE(item(frameskip, "Frameskip (PC-sided)")->isChecked()) << c.name;
        EXPECT_FALSE(item(application, "Step frame")->isChecked()) << c.name;
    }
    resetShared();
}

// Audio > Sound turns sound off and on; one volume is marked, the one chosen.
TEST(HostWindow, AudioCommandsSetSoundAndVolumeAndMarkThem)
{
    window();
    QMenu* audio = popup("Audio");
    QMenu* volume = popup("Volume", audio);
    const char* names[] = {"25 %", "50 %", "75 %", "100 %"};
    for (int32_t level = 0; level < 4; ++level) {
        menuCommand(CMD_VOLUME_25 + level);
        EXPECT_EQ(emuVolume.load(), 25 * (level + 1));
        for (int32_t other = 0; other < 4; ++other) {
            EXPECT_EQ(item(volume, names[other])->isChecked(), other == level) << names[level];
        }
    }
    ASSERT_TRUE(item(audio, "Sound")->isChecked());
    menuCommand(CMD_SOUND);
    EXPECT_EQ(emuSound.load(), 0);
    EXPECT_FALSE(item(audio, "Sound")->isChecked());
    menuCommand(CMD_SOUND);
    EXPECT_EQ(emuSound.load(), 1);
}

// Qt flips a checkable action when it is triggered; the marks must follow
// the program's values all the same.
TEST(HostWindow, TriggeredItemsKeepTheProgramsMarks)
{
    window();
    resetShared();
    QMenu* application = popup("Application");
    QMenu* frameskip = popup("Frameskip", popup("Video"));
    QAction* normal = item(frameskip, "Normal (PC-timed)");
    ASSERT_TRUE(normal->isChecked());
    normal->trigger();  // mode stays 0, so the mark stays
    EXPECT_EQ(emuFrameSkipMode.load(), 0);
    EXPECT_TRUE(normal->isChecked());

    QAction* pause = item(application, "Pause");
    pause->trigger();
    EXPECT_EQ(pauseState.load(), 1);
    EXPECT_TRUE(pause->isChecked());
    item(application, "Step frame")->trigger();
    EXPECT_EQ(pauseState.load(), 2);
    EXPECT_TRUE(pause->isChecked()) << "the mark shows for a pending step too";
    EXPECT_FALSE(item(application, "Step frame")->isChecked());
    pause->trigger();
    EXPECT_EQ(pauseState.load(), 0);
    EXPECT_FALSE(pause->isChecked());

    // Grayed items cannot be chosen.
    item(popup("Performance", popup("Video")), "Use shaders")->trigger();
    item(frameskip, "Frameskip (PC-sided)")->trigger();
    EXPECT_EQ(emuUsePixelShaders.load(), 0);
    EXPECT_FALSE(item(popup("Performance", popup("Video")), "Use shaders")->isChecked());
    resetShared();
}

// On the test run's 1024x768 screen 3x does not fit: the window takes 2x.
TEST(HostWindow, WindowSizesAndFullScreenSizeTheAreaAndMarkTheirItems)
{
    HostWindow& w = window();
    struct SizeCase {
        const char* name;
        int32_t scale, full;  // before
        int32_t command;
        int32_t scaleAfter, fullAfter;
        QSize area;
    };
    const SizeCase cases[] = {
        {"2x", 1, 0, CMD_WINDOW_SCALE_2, 2, 0, QSize(960, 544)},
        {"3x, too large", 2, 0, CMD_WINDOW_SCALE_3, 3, 0, QSize(960, 544)},
        {"full screen", 2, 0, CMD_FULL_SCREEN, 2, 1, QSize(1024, 768)},
        {"full screen again", 2, 1, CMD_FULL_SCREEN, 2, 0, QSize(960, 544)},
        {"1x from full screen", 3, 1, CMD_WINDOW_SCALE_1, 1, 0, QSize(480, 272)},
        {"4x", 1, 0, CMD_WINDOW_SCALE_4, 4, 0, QSize(960, 544)},
    };
    QMenu* sizes = popup("Window size", popup("Video"));
    for (const SizeCase& c : cases) {
        resetShared();
        emuWindowScale = c.scale;
        emuFullScreen = c.full;
        updateWindowSize();
        menuCommand(c.command);
        EXPECT_EQ(emuWindowScale.load(), c.scaleAfter) << c.name;
        EXPECT_EQ(emuFullScreen.load(), c.fullAfter) << c.name;
        EXPECT_TRUE(waitFor([&] { return w.screenArea->size() == c.area; })) << c.name;
        EXPECT_EQ(QSize(screenAreaWidth.load(), screenAreaHeight.load()), c.area) << c.name;
        EXPECT_EQ(w.waitOverlay->geometry(), QRect(QPoint(0, 0), c.area)) << c.name;
        EXPECT_EQ(w.menuBar->isVisible(), c.fullAfter == 0) << c.name;
        for (int32_t scale = 1; scale <= 4; ++scale) {
            EXPECT_EQ(sizes->actions()[scale - 1]->isChecked(), scale == c.scaleAfter) << c.name << " " << scale;
        }
        EXPECT_EQ(sizes->actions()[4]->isChecked(), c.fullAfter != 0) << c.name;
    }
    resetShared();
    EXPECT_TRUE(waitFor([&] { return w.top->size() == QSize(480, 272 + w.menuBar->height()); }));
}

// F11 and Alt+Enter switch, once per press however long it is held; F10 and
// Alt alone bring the hidden menu bar back with the window.
TEST(HostWindow, FullScreenKeys)
{
    HostWindow& w = window();
    resetShared();
    w.top->activateWindow();
    pump(100);
    auto fullScreenIs = [&](int32_t on) {
        return waitFor([&] { return emuFullScreen.load() == on && w.menuBar->isVisible() == (on == 0); });
    };
    xdotool("keydown F11");
    pump(800);  // the server repeats a held key
    xdotool("keyup F11");
    EXPECT_TRUE(fullScreenIs(1)) << "F11";
    EXPECT_EQ(keyTable[KEY_F11].load(), 0);
    xdotool("key alt+Return");
    EXPECT_TRUE(fullScreenIs(0)) << "Alt+Enter";
    xdotool("key alt+KP_Enter");
    EXPECT_TRUE(fullScreenIs(1)) << "Alt+keypad Enter";
    EXPECT_EQ(keyTable[KEY_RETURN].load(), 0);
    xdotool("key F10");
    EXPECT_TRUE(fullScreenIs(0)) << "F10";
    EXPECT_TRUE(waitFor([] { return popup("Application")->isVisible(); })) << "F10 opens the menu";
    xdotool("key Escape");
    xdotool("key Escape");
    EXPECT_TRUE(waitFor([] { return !popup("Application")->isVisible(); }));
    w.top->activateWindow();
    pump(150);
    xdotool("key F11");
    EXPECT_TRUE(fullScreenIs(1));
    xdotool("key Alt_L");
    EXPECT_TRUE(fullScreenIs(0)) << "Alt alone";
    xdotool("key Escape");
    pump(150);
    resetShared();
}

// Clicks through the real menu bar with the mouse of the X server.
TEST(HostWindow, PauseChosenWithTheMouse)
{
    HostWindow& w = window();
    resetShared();
    auto click = [](QWidget* widget, QRect box) {
        QPoint at = widget->mapToGlobal(box.center());
        xdotool("mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1");
    };
    QMenu* application = popup("Application");
    click(w.menuBar, w.menuBar->actionGeometry(w.menuBar->actions()[0]));
    ASSERT_TRUE(waitFor([&] { return application->isVisible(); }));
    pump(100);
    click(application, application->actionGeometry(item(application, "Pause")));
    EXPECT_TRUE(waitFor([] { return pauseState.load() == 1; }));
    EXPECT_TRUE(item(application, "Pause")->isChecked());
    EXPECT_TRUE(waitFor([&] { return !application->isVisible(); }));
    resetShared();
}

TEST(HostWindow, ControllerKeysFillTheKeyTableWithNumLockOnAndOff)
{
    window();
    resetShared();
    hostWindow.top->activateWindow();
    pump(100);
    struct KeyCase {
        const char* key;  // an X keycode (keypad keys) or a keysym name
        int32_t code;
    };
    const KeyCase keys[] = {
        {"Up", KEY_UP},         {"Down", KEY_DOWN},     {"Left", KEY_LEFT},
        {"Right", KEY_RIGHT},   {"Return", KEY_RETURN}, {"104", KEY_RETURN},  // keypad Enter
        {"90", KEY_NUMPAD0},    {"87", KEY_NUMPAD1},    {"88", KEY_NUMPAD2},
        {"89", KEY_NUMPAD3},    {"83", KEY_NUMPAD4},    {"84", KEY_NUMPAD5},
        {"85", KEY_NUMPAD6},    {"a", KEY_A},           {"d", KEY_D},
        {"w", KEY_W},           {"s", KEY_S},           {"F5", 0x74},
    };
    for (bool numLock : {true, false}) {
        setNumLock(numLock);
        for (const KeyCase& k : keys) {
            xdotool(std::string("keydown ") + k.key);
            EXPECT_TRUE(waitFor([&] { return keyTable[k.code].load() == 1; }))
                << k.key << (numLock ? " with NumLock" : " without NumLock");
            xdotool(std::string("keyup ") + k.key);
            EXPECT_TRUE(waitFor([&] { return keyTable[k.code].load() == 0; }))
                << k.key << (numLock ? " with NumLock" : " without NumLock");
        }
    }
    setNumLock(false);
}

TEST(HostWindow, HeldKeyStaysDownThroughAutoRepeat)
{
    window();
    resetShared();
    pump(50);
    int pressesBefore = repeatCounter->presses;
    xdotool("keydown Left");
    ASSERT_TRUE(waitFor([] { return keyTable[KEY_LEFT].load() == 1; }));
    int releasesSeen = 0;
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < 1200) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        releasesSeen += keyTable[KEY_LEFT].load() == 0;
    }
    xdotool("keyup Left");
    EXPECT_TRUE(waitFor([] { return keyTable[KEY_LEFT].load() == 0; }));
    EXPECT_EQ(releasesSeen, 0);
    EXPECT_GT(repeatCounter->presses, pressesBefore + 1) << "the server did auto-repeat the key";
}

// F10 opens the menu bar as in any desktop program; neither it nor an Alt
// combination reaches the table.
TEST(HostWindow, SystemKeysNeverReachTheKeyTable)
{
    window();
    resetShared();
    hostWindow.top->activateWindow();
    pump(50);
    xdotool("key F10");
    EXPECT_TRUE(waitFor([] { return popup("Application")->isVisible(); })) << "F10 opens the menu";
    EXPECT_EQ(keyTable[0x79].load(), 0);
    xdotool("key Escape");
    xdotool("key Escape");
    EXPECT_TRUE(waitFor([] { return !popup("Application")->isVisible(); }));
    hostWindow.top->activateWindow();
    pump(150);
    resetShared();
    xdotool("keydown alt+s");
    pump(150);
    EXPECT_EQ(keyTable[KEY_S].load(), 0);
    EXPECT_EQ(keyTable[0x12].load(), 0);
    xdotool("keyup alt+s");
    pump(150);
    // Alt opened the menu bar's keyboard navigation; leave it.
    xdotool("key Escape");
    pump(150);
    resetShared();
    EXPECT_EQ(keyTable[KEY_S].load(), 0);
}

// A key held while a menu opens or another window takes the keyboard has its
// release sent elsewhere; it must not stay down, or its next press would be
// lost.
TEST(HostWindow, KeysHeldWhenTheKeyboardLeavesAreReleased)
{
    HostWindow& w = window();
    resetShared();
    w.top->activateWindow();
    pump(100);
    QMenu* application = popup("Application");
    xdotool("keydown Left");
    ASSERT_TRUE(waitFor([] { return keyTable[KEY_LEFT].load() == 1; }));
    QPoint at = w.menuBar->mapToGlobal(w.menuBar->actionGeometry(w.menuBar->actions()[0]).center());
    xdotool("mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1");
    ASSERT_TRUE(waitFor([&] { return application->isVisible(); }));
    EXPECT_TRUE(waitFor([] { return keyTable[KEY_LEFT].load() == 0; })) << "a menu opened";
    xdotool("keyup Left");
    QPoint area = w.screenArea->mapToGlobal(QPoint(240, 136));
    xdotool("mousemove " + std::to_string(area.x()) + " " + std::to_string(area.y()) + " click 1");
    ASSERT_TRUE(waitFor([&] { return !application->isVisible(); }));
    pump(150);
    xdotool("keydown Left");
    EXPECT_TRUE(waitFor([] { return keyTable[KEY_LEFT].load() == 1; })) << "the next press counts";

    QWidget other;
    other.setWindowTitle("other");
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    EXPECT_TRUE(waitFor([] { return keyTable[KEY_LEFT].load() == 0; })) << "another window took it";
    xdotool("keyup Left");
    other.close();
    w.top->activateWindow();
    pump(150);
    resetShared();
}

TEST(HostWindow, EscapeIsAFirstCloseThatShowsTheOverlay)
{
    HostWindow& w = window();
    resetShared();
    w.top->activateWindow();
    pump(50);
    xdotool("keydown Escape");
    EXPECT_TRUE(waitFor([] { return keyTable[KEY_ESCAPE].load() == 1; }));
    EXPECT_TRUE(waitFor([] { return quitRequested.load() == 1; }));
    EXPECT_TRUE(w.waitOverlay->isVisible());
    EXPECT_EQ(w.waitOverlay->text(), "Please wait...");
    EXPECT_EQ(w.waitOverlay->geometry(), QRect(0, 0, 480, 272));
    EXPECT_TRUE(w.top->isVisible()) << "the window stays";
    xdotool("keyup Escape");
    EXPECT_TRUE(waitFor([] { return keyTable[KEY_ESCAPE].load() == 0; }));

    pump(150);
    QImage area = grabScreenArea();
    EXPECT_EQ(area.pixel(2, 2) & 0xFFFFFF, 0x202020u);
    EXPECT_EQ(area.pixel(477, 269) & 0xFFFFFF, 0x202020u);
    int textPixels = 0;
    for (int x = 0; x < 480; ++x) {
        textPixels += qGray(area.pixel(x, 136)) > 0x80;
    }
    EXPECT_GT(textPixels, 5) << "\"Please wait...\" is written across the middle";
    resetShared();
}

TEST(HostWindow, CloseBoxAndQuitAreFirstCloses)
{
    HostWindow& w = window();
    resetShared();
    sendCloseMessage(w.top->winId());
    EXPECT_TRUE(waitFor([] { return quitRequested.load() == 1; }));
    EXPECT_TRUE(w.waitOverlay->isVisible());
    EXPECT_TRUE(w.top->isVisible());

    resetShared();
    item(popup("Application"), "Quit")->trigger();
    EXPECT_EQ(quitRequested.load(), 1);
    EXPECT_TRUE(w.waitOverlay->isVisible());
    resetShared();
}

// X11 last: its macros clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

static bool numLockOn()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return false;
    }
    unsigned int mask = XkbKeysymToModifiers(display, XK_Num_Lock);
    XkbStateRec state;
    XkbGetState(display, XkbUseCoreKbd, &state);
    XCloseDisplay(display);
    return (state.locked_mods & mask) != 0;
}

// What a window manager sends when the close box is clicked.
static void sendCloseMessage(unsigned long window)
{
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
}
