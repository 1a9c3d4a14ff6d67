// The settings store on real files: every test gets its own empty config
// directory, as a first run would.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>

#include "quorl/host.h"
#include "host/qt/store.h"

namespace {

// A fresh store location for one test, with the settings back at their
// start values.
struct TempStore {
    QTemporaryDir dir;
    QString fileName;

    TempStore()
    {
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        fileName = dir.path() + "/Quorl/Configuration.conf";
        EXPECT_EQ(settingsFileName(), fileName);
        emuReuseTextures = 0;
        emuUsePixelShaders = 0;
        emuFrameSkipMode = 0;
        emuWindowScale = 1;
        emuFullScreen = 0;
    }

    void write(const QByteArray& contents) const
    {
        QDir().mkpath(dir.path() + "/Quorl");
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QByteArray read(const QString& name) const
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    // What a fresh reader finds in the file, or -99 without a valid integer.
    int32_t stored(const char* name) const
    {
        QSettings store(fileName, QSettings::IniFormat);
        bool ok = false;
        int32_t value = store.value(name).toString().toInt(&ok);
        return ok ? value : -99;
    }
};

// Loads the settings as the program does, and reports the bytes the store
// read for the one named.
int32_t loadSetting(const char* name)
{
    int32_t ignored = 0;
    int32_t bytes = storeReadValue("", name, &ignored);
    loadSettings();
    return bytes;
}

struct LoadCase {
    const char* name;
    QByteArray stored;  // the line under [General]
    int32_t before;
    int32_t after;
    int32_t bytes;      // what the store reports
};

// Runs `work` on another thread and reports whether it ended within a time
// far beyond what it needs; a store that blocks would hang the program.
template <typename Work>
bool endsSoon(Work work)
{
    auto done = std::async(std::launch::async, work);
    bool ended = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!ended) {
        // The blocked thread can be neither joined nor left behind.
        std::fprintf(stderr, "the store blocked for 10 seconds\n");
        std::quick_exit(1);
    }
    return ended;
}

}  // namespace

TEST(HostSettings, FirstRunCreatesTheStoreAndKeepsTheDefaults)
{
    TempStore store;
    ASSERT_FALSE(QFile::exists(store.fileName));
    EXPECT_EQ(loadSetting("emuReuseTextures"), 0);
    EXPECT_EQ(loadSetting("emuUsePixelShaders"), 0);
    EXPECT_EQ(loadSetting("emuFrameSkipMode"), 0);
    EXPECT_TRUE(QFile::exists(store.fileName)) << "loading creates the store";
    EXPECT_EQ(emuReuseTextures.load(), 0);
    EXPECT_EQ(emuUsePixelShaders.load(), 0);
    EXPECT_EQ(emuFrameSkipMode.load(), 0);

    saveSettings();
    EXPECT_EQ(store.stored("emuReuseTextures"), 0);
    EXPECT_EQ(store.stored("emuUsePixelShaders"), 0);
    EXPECT_EQ(store.stored("emuFrameSkipMode"), 0);
}

// Any nonzero value acts as 1, so it is kept as the 1 the menu can show.
TEST(HostSettings, TakesStoredThirtyTwoBitIntegersAsOffOrOn)
{
    const LoadCase cases[] = {
        {"zero", "emuFrameSkipMode=0", 9, 0, 4},
        {"one", "emuFrameSkipMode=1", 0, 1, 4},
        {"frame-skip mode 2", "emuFrameSkipMode=2", 0, 1, 4},
        {"seven", "emuFrameSkipMode=7", 0, 1, 4},
        {"minus one", "emuFrameSkipMode=-1", 0, 1, 4},
        {"lowest", "emuFrameSkipMode=-2147483648", 0, 1, 4},
        {"highest", "emuFrameSkipMode=2147483647", 0, 1, 4},
        {"spaces around", "emuFrameSkipMode =  7  ", 0, 1, 4},
        {"missing value", "other=1", 9, 9, 0},
        {"not a number", "emuFrameSkipMode=fast", 9, 9, 0},
        {"empty", "emuFrameSkipMode=", 9, 9, 0},
        {"five billion", "emuFrameSkipMode=5000000000", 9, 9, 0},
        {"just past the range", "emuFrameSkipMode=2147483648", 9, 9, 0},
        {"fraction", "emuFrameSkipMode=1.5", 9, 9, 0},
        {"hexadecimal", "emuFrameSkipMode=0x10", 9, 9, 0},
        {"a list", "emuFrameSkipMode=1, 2", 9, 9, 0},
        {"a typed variant", "emuFrameSkipMode=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x9b)", 9, 9, 0},
    };
    for (const LoadCase& c : cases) {
        TempStore store;
        store.write("[General]\n" + c.stored + "\n");
        emuFrameSkipMode = c.before;
        EXPECT_EQ(loadSetting("emuFrameSkipMode"), c.bytes) << c.name;
        EXPECT_EQ(emuFrameSkipMode.load(), c.after) << c.name;
    }
}

// A window scale outside 1..4 takes the nearer end; full screen is on or off.
TEST(HostSettings, WindowSettingsAreKeptInTheirRanges)
{
    struct WindowCase {
        QByteArray stored;
        int32_t scale, full;
    };
    const WindowCase cases[] = {
        {"", 1, 0},
        {"emuWindowScale=3\nemuFullScreen=1", 3, 1},
        {"emuWindowScale=0\nemuFullScreen=7", 1, 1},
        {"emuWindowScale=-2\nemuFullScreen=-1", 1, 1},
        {"emuWindowScale=9\nemuFullScreen=0", 4, 0},
        {"emuWindowScale=big", 1, 0},
    };
    for (const WindowCase& c : cases) {
        TempStore store;
        store.write("[General]\n" + c.stored + "\n");
        loadSettings();
        EXPECT_EQ(emuWindowScale.load(), c.scale) << c.stored.constData();
        EXPECT_EQ(emuFullScreen.load(), c.full) << c.stored.constData();
        saveSettings();
        EXPECT_EQ(store.stored("emuWindowScale"), c.scale) << c.stored.constData();
        EXPECT_EQ(store.stored("emuFullScreen"), c.full) << c.stored.constData();
    }
}

// The volume takes the nearest level the menu offers; sound is on or off.
TEST(HostSettings, AudioSettingsAreKeptToWhatTheMenuOffers)
{
    struct AudioCase {
        QByteArray stored;
        int32_t sound, volume;
    };
    const AudioCase cases[] = {
        {"", 1, 100}, {"emuSound=0\nemuVolume=50", 0, 50}, {"emuSound=3\nemuVolume=60", 1, 50},
        {"emuVolume=63", 1, 75}, {"emuVolume=0", 1, 25}, {"emuVolume=900", 1, 100},
    };
    for (const AudioCase& c : cases) {
        TempStore store;
        emuSound = 1;
        emuVolume = 100;
        store.write("[General]\n" + c.stored + "\n");
        loadSettings();
        EXPECT_EQ(emuSound.load(), c.sound) << c.stored.constData();
        EXPECT_EQ(emuVolume.load(), c.volume) << c.stored.constData();
        saveSettings();
        EXPECT_EQ(store.stored("emuVolume"), c.volume) << c.stored.constData();
    }
}

TEST(HostSettings, OutOfRangeValuesAreWrittenBackAsOne)
{
    TempStore store;
    store.write("[General]\nemuReuseTextures=5\nemuUsePixelShaders=-1\nemuFrameSkipMode=7\n");
    loadSetting("emuReuseTextures");
    loadSetting("emuUsePixelShaders");
    loadSetting("emuFrameSkipMode");
    EXPECT_EQ(emuReuseTextures.load(), 1);
    EXPECT_EQ(emuUsePixelShaders.load(), 1);
    EXPECT_EQ(emuFrameSkipMode.load(), 1);
    saveSettings();
    EXPECT_EQ(store.stored("emuReuseTextures"), 1);
    EXPECT_EQ(store.stored("emuUsePixelShaders"), 1);
    EXPECT_EQ(store.stored("emuFrameSkipMode"), 1);
}

// Lines QSettings cannot parse cost neither the values around them nor the
// other sections; the file as the user left it is kept beside the rewrite.
TEST(HostSettings, DamagedStoresKeepWhatCanBeReadAndACopy)
{
    struct DamageCase {
        const char* name;
        QByteArray contents;
        int32_t modeRead;  // emuFrameSkipMode after loading, from 0
    };
    const QByteArray body = "[General]\nemuFrameSkipMode=1\n\n[Other]\nkept=yes\n";
    const DamageCase cases[] = {
        {"a comment line", "# my settings\n" + body, 1},
        {"a byte-order mark", "\xEF\xBB\xBF" + body, 1},
        {"an unclosed section", "[General\nemuFrameSkipMode=1\n\n[Other]\nkept=yes\n", 1},
        {"a line without a value", "[General]\nemuFrameSkipMode=1\nfast\n[Other]\nkept=yes\n", 1},
        {"binary garbage", QByteArray("\x01\x02\xff\xfe garbage\n\0\0\x7f", 17), 0},
    };
    for (const DamageCase& c : cases) {
        TempStore store;
        store.write(c.contents);
        loadSetting("emuFrameSkipMode");
        EXPECT_EQ(emuFrameSkipMode.load(), c.modeRead) << c.name;
        EXPECT_EQ(store.read(store.fileName), c.contents) << c.name << ": loading wrote nothing";

        emuReuseTextures = 1;
        saveSettings();
        EXPECT_EQ(store.stored("emuReuseTextures"), 1) << c.name;
        EXPECT_EQ(store.stored("emuFrameSkipMode"), c.modeRead) << c.name;
        if (c.modeRead != 0) {
            QSettings rewritten(store.fileName, QSettings::IniFormat);
            EXPECT_EQ(rewritten.value("Other/kept").toString(), "yes") << c.name;
        }
        EXPECT_EQ(store.read(store.fileName + ".bad"), c.contents) << c.name;

        // The rewritten store is clean: the next save leaves the copy alone.
        QFile::remove(store.fileName + ".bad");
        saveSettings();
        EXPECT_FALSE(QFile::exists(store.fileName + ".bad")) << c.name;
    }
}

TEST(HostSettings, SavedValuesLoadBack)
{
    TempStore store;
    store.write("[Other]\nkept=yes\n");
    emuReuseTextures = 1;
    emuUsePixelShaders = 0;
    emuFrameSkipMode = 1;
    saveSettings();
    emuReuseTextures = 0;
    emuUsePixelShaders = 7;
    emuFrameSkipMode = 0;
    EXPECT_EQ(loadSetting("emuReuseTextures"), 4);
    EXPECT_EQ(loadSetting("emuUsePixelShaders"), 4);
    EXPECT_EQ(loadSetting("emuFrameSkipMode"), 4);
    EXPECT_EQ(emuReuseTextures.load(), 1);
    EXPECT_EQ(emuUsePixelShaders.load(), 0);
    EXPECT_EQ(emuFrameSkipMode.load(), 1);
    EXPECT_EQ(QSettings(store.fileName, QSettings::IniFormat).value("Other/kept").toString(), "yes");
    EXPECT_FALSE(QFile::exists(store.fileName + ".bad"));
}

// The game thread's end and a second close on the first thread may save at
// the same moment.
TEST(HostSettings, SavesFromBothThreadsAtOnceLeaveAValidStore)
{
    TempStore store;
    emuReuseTextures = 1;
    emuUsePixelShaders = 1;
    emuFrameSkipMode = 1;
    for (int round = 0; round < 20; ++round) {
        std::thread other(saveSettings);
        saveSettings();
        other.join();
    }
    EXPECT_EQ(store.stored("emuReuseTextures"), 1);
    EXPECT_EQ(store.stored("emuUsePixelShaders"), 1);
    EXPECT_EQ(store.stored("emuFrameSkipMode"), 1);
}

// Anything but a regular file in the store's place (a directory, a pipe that
// would block the first read forever, a link to nowhere) is neither read nor
// written through.
TEST(HostSettings, StoresThatAreNotFilesAreLeftAlone)
{
    for (const char* kind : {"directory", "fifo", "dangling link"}) {
        TempStore store;
        QDir().mkpath(store.dir.path() + "/Quorl");
        const QByteArray path = store.fileName.toLocal8Bit();
        if (std::string(kind) == "directory") {
            ASSERT_TRUE(QDir().mkpath(store.fileName));
        } else if (std::string(kind) == "fifo") {
            ASSERT_EQ(mkfifo(path.constData(), 0600), 0);
        } else {
            ASSERT_TRUE(QFile::link(store.dir.path() + "/nowhere/x.conf", store.fileName));
        }
        emuFrameSkipMode = 1;
        int32_t bytes = -1;
        EXPECT_TRUE(endsSoon([&] { bytes = loadSetting("emuFrameSkipMode"); }))
            << kind;
        EXPECT_EQ(bytes, 0) << kind;
        EXPECT_EQ(emuFrameSkipMode.load(), 1) << kind;
        EXPECT_TRUE(endsSoon(saveSettings)) << kind;
        QFileInfo after(store.fileName);
        EXPECT_FALSE(after.isFile() && !after.isSymLink()) << kind << ": nothing was written over it";
        EXPECT_FALSE(QFile::exists(store.dir.path() + "/nowhere")) << kind;
    }
}

// A lock file left behind by a process killed while it saved: empty, or
// naming another machine. Qt alone would wait 30 seconds for either.
TEST(HostSettings, StaleLocksAreTakenOverAtOnce)
{
    for (const QByteArray& lock : {QByteArray(""), QByteArray("4242\nquorl\nelsewhere\n")}) {
        TempStore store;
        store.write("[General]\nemuFrameSkipMode=0\n");
        QFile lockFile(store.fileName + ".lock");
        ASSERT_TRUE(lockFile.open(QIODevice::WriteOnly));
        lockFile.write(lock);
        lockFile.close();
        emuFrameSkipMode = 1;
        EXPECT_TRUE(endsSoon(saveSettings)) << lock.constData();
        EXPECT_EQ(store.stored("emuFrameSkipMode"), 1) << lock.constData();
    }
}

// A game's saved data is in the file as soon as saveValue returns: a process
// killed right after it leaves it there for the next run to read.
TEST(HostSavedData, AValueSavedJustBeforeAKillIsThereForTheNextRun)
{
    TempStore store;
    store.write("[General]\nemuFrameSkipMode=1\n\n[Other]\nkept=yes\n");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        saveValue("best", 42);
        kill(getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(loadValue("best", -1), 42);
    EXPECT_EQ(store.stored("emuFrameSkipMode"), 1);
    EXPECT_EQ(QSettings(store.fileName, QSettings::IniFormat).value("Other/kept").toString(), "yes");
}

// Texts go through the INI file whatever they hold, and a damaged file
// still gives the values it can.
TEST(HostSavedData, TextsOfAnyKindComeBackAndADamagedStoreKeepsTheRest)
{
    TempStore store;
    for (const char* text : {"a,b", "a, b", "x = y", "line\nnext", "[Game]", "\"quoted\"", "semi;colon",
                             "#hash", " lead and trail ", "Zo\xC3\xAB \xF0\x9F\x99\x82", ""}) {
        ASSERT_NE(saveText("text", text), 0) << text;
        char back[64];
        EXPECT_EQ(loadText("text", back, sizeof(back)), static_cast<int32_t>(strlen(text))) << text;
        EXPECT_STREQ(back, text);
    }
    store.write("garbage line\n[Game]\nbest=7\nbroken line\nname=Ann\n[General]\nemuReuseTextures=1\n");
    EXPECT_EQ(loadValue("best", -1), 7);
    char name[8];
    EXPECT_EQ(loadText("name", name, sizeof(name)), 3);
    ASSERT_NE(saveValue("wins", 2), 0);
    EXPECT_EQ(loadValue("best", -1), 7) << "other values kept by a save";
    EXPECT_EQ(store.stored("emuReuseTextures"), 1);
}
