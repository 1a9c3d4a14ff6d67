// The settings store on real files: every test gets its own empty config
// directory, as a first run would.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <thread>

#include "host/host.h"
#include "host/settings.h"

namespace {

// A fresh store location for one test, with the settings back at their
// start values.
struct TempStore {
    QTemporaryDir dir;
    QString fileName;

    TempStore()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        fileName = dir.path() + "/Quorl/Configuration.conf";
        emuReuseTextures = 0;
        emuUsePixelShaders = 0;
        emuFrameSkipMode = 0;
    }

    void write(const QByteArray& contents) const
    {
        QDir().mkpath(dir.path() + "/Quorl");
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    // What a fresh reader finds in the file, or -99 without a valid integer.
    int32_t stored(const char* name) const
    {
        QSettings store(fileName, QSettings::IniFormat);
        bool ok = false;
        int32_t value = store.value(name).toString().toInt(&ok);
        return store.status() == QSettings::NoError && ok ? value : -99;
    }
};

struct LoadCase {
    const char* name;
    QByteArray stored;  // the line under [General]
    int32_t before;
    int32_t after;
    int32_t bytes;      // what loadSetting reports
};

}  // namespace

TEST(HostSettings, FirstRunCreatesTheStoreAndKeepsTheDefaults)
{
    TempStore store;
    ASSERT_FALSE(QFile::exists(store.fileName));
    EXPECT_EQ(loadSetting("emuReuseTextures", emuReuseTextures), 0);
    EXPECT_EQ(loadSetting("emuUsePixelShaders", emuUsePixelShaders), 0);
    EXPECT_EQ(loadSetting("emuFrameSkipMode", emuFrameSkipMode), 0);
    EXPECT_TRUE(QFile::exists(store.fileName)) << "loading creates the store";
    EXPECT_EQ(emuReuseTextures.load(), 0);
    EXPECT_EQ(emuUsePixelShaders.load(), 0);
    EXPECT_EQ(emuFrameSkipMode.load(), 0);

    saveSettings();
    EXPECT_EQ(store.stored("emuReuseTextures"), 0);
    EXPECT_EQ(store.stored("emuUsePixelShaders"), 0);
    EXPECT_EQ(store.stored("emuFrameSkipMode"), 0);
}

TEST(HostSettings, TakesOnlyStoredThirtyTwoBitIntegers)
{
    const LoadCase cases[] = {
        {"frame-skip mode 2", "emuFrameSkipMode=2", 0, 2, 4},
        {"five", "emuFrameSkipMode=5", 0, 5, 4},
        {"negative", "emuFrameSkipMode=-3", 0, -3, 4},
        {"lowest", "emuFrameSkipMode=-2147483648", 0, INT32_MIN, 4},
        {"highest", "emuFrameSkipMode=2147483647", 0, INT32_MAX, 4},
        {"spaces around", "emuFrameSkipMode =  7  ", 0, 7, 4},
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
        EXPECT_EQ(loadSetting("emuFrameSkipMode", emuFrameSkipMode), c.bytes) << c.name;
        EXPECT_EQ(emuFrameSkipMode.load(), c.after) << c.name;
    }
}

TEST(HostSettings, ReusedTexturesOfFiveCountAsStored)
{
    TempStore store;
    store.write("[General]\nemuReuseTextures=5\nemuUsePixelShaders=1\nemuFrameSkipMode=1\n");
    loadSetting("emuReuseTextures", emuReuseTextures);
    loadSetting("emuUsePixelShaders", emuUsePixelShaders);
    loadSetting("emuFrameSkipMode", emuFrameSkipMode);
    EXPECT_EQ(emuReuseTextures.load(), 5);
    EXPECT_EQ(emuUsePixelShaders.load(), 1);
    EXPECT_EQ(emuFrameSkipMode.load(), 1);
}

TEST(HostSettings, CorruptStoreIsReplacedByTheSettingsInForce)
{
    const QByteArray corruptFiles[] = {
        QByteArray("\x01\x02\xff\xfe garbage\n\0\0\x7f", 17),
        "emuFrameSkipMode\n",
        "[General\nemuFrameSkipMode=2\n",
        "[General]\n\"\n",
    };
    for (const QByteArray& contents : corruptFiles) {
        TempStore store;
        store.write(contents);
        emuReuseTextures = 1;
        emuUsePixelShaders = 0;
        emuFrameSkipMode = 1;
        loadSetting("emuFrameSkipMode", emuFrameSkipMode);
        EXPECT_EQ(emuFrameSkipMode.load(), 1) << contents.toHex().constData();
        EXPECT_EQ(store.stored("emuReuseTextures"), 1) << contents.toHex().constData();
        EXPECT_EQ(store.stored("emuUsePixelShaders"), 0) << contents.toHex().constData();
        EXPECT_EQ(store.stored("emuFrameSkipMode"), 1) << contents.toHex().constData();

        // The repaired store takes later changes.
        emuFrameSkipMode = 0;
        saveSettings();
        EXPECT_EQ(store.stored("emuFrameSkipMode"), 0) << contents.toHex().constData();
    }
}

TEST(HostSettings, SaveWritesOverACorruptStoreToo)
{
    TempStore store;
    store.write("emuFrameSkipMode\n");
    emuReuseTextures = 1;
    emuUsePixelShaders = 1;
    emuFrameSkipMode = 2;
    saveSettings();
    EXPECT_EQ(store.stored("emuReuseTextures"), 1);
    EXPECT_EQ(store.stored("emuUsePixelShaders"), 1);
    EXPECT_EQ(store.stored("emuFrameSkipMode"), 2);
}

TEST(HostSettings, SavedValuesLoadBack)
{
    TempStore store;
    emuReuseTextures = 1;
    emuUsePixelShaders = 0;
    emuFrameSkipMode = INT32_MIN;
    saveSettings();
    emuReuseTextures = 0;
    emuUsePixelShaders = 7;
    emuFrameSkipMode = 0;
    EXPECT_EQ(loadSetting("emuReuseTextures", emuReuseTextures), 4);
    EXPECT_EQ(loadSetting("emuUsePixelShaders", emuUsePixelShaders), 4);
    EXPECT_EQ(loadSetting("emuFrameSkipMode", emuFrameSkipMode), 4);
    EXPECT_EQ(emuReuseTextures.load(), 1);
    EXPECT_EQ(emuUsePixelShaders.load(), 0);
    EXPECT_EQ(emuFrameSkipMode.load(), INT32_MIN);
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

// A store that cannot be opened at all (here a directory stands where the
// file should be) leaves the settings as they are, on load and on save.
TEST(HostSettings, UnopenableStoreChangesNothing)
{
    TempStore store;
    ASSERT_TRUE(QDir().mkpath(store.fileName));
    emuFrameSkipMode = 3;
    EXPECT_EQ(loadSetting("emuFrameSkipMode", emuFrameSkipMode), 0);
    EXPECT_EQ(emuFrameSkipMode.load(), 3);
    saveSettings();
    EXPECT_TRUE(QFileInfo(store.fileName).isDir()) << "nothing was written over it";
}
