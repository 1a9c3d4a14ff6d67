// The settings store: an INI file read and written through QSettings. Every
// read and every write opens the store anew: the emulation settings are read
// once at start and written once at the end, and a game's saved value must
// be on disk as soon as it is written (QSettings writes a whole new file and
// renames it over the old one). Only the one file is ever opened (no
// organisation-wide or system-wide fallbacks), and only when it is a regular
// file: a pipe or a device in its place would block or swallow the values.
#include "host/qt/store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QVariant>
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "quorl/host.h"

enum StoreState { STORE_MISSING, STORE_FILE, STORE_UNUSABLE };

static std::unique_ptr<QSettings> openStore(const char* group, bool forWriting);
static StoreState inspectStore(const QString& fileName);
static bool createStore(const QString& fileName);
static void keepUnreadableLines(const QString& fileName);
static void takeOverStaleLock(const QString& fileName);
static bool toInt32(const QVariant& value, int32_t* out);
static QString keyOf(const char* name);

QString settingsFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' +
           QString::fromUtf8(gameOrganization()) + '/' + QString::fromUtf8(gameApplication()) +
           QLatin1String(".conf");
}

int32_t storeReadValue(const char* group, const char* name, int32_t* value)
{
    std::unique_ptr<QSettings> store = openStore(group, false);
    int32_t number = 0;
    if (!store || !toInt32(store->value(keyOf(name)), &number)) {
        return 0;
    }
    *value = number;
    return 4;
}

int32_t storeWriteValue(const char* group, const char* name, int32_t value)
{
    std::unique_ptr<QSettings> store = openStore(group, true);
    if (!store) {
        return 0;
    }
    store->setValue(keyOf(name), value);
    store->sync();
    return store->status() != QSettings::AccessError ? 1 : 0;  // a format error is the old file's
}

int32_t storeReadText(const char* group, const char* name, char* buffer, int32_t size)
{
    if (buffer != nullptr && size > 0) {
        buffer[0] = '\0';
    }
    std::unique_ptr<QSettings> store = openStore(group, false);
    QVariant stored = store ? store->value(keyOf(name)) : QVariant();
    if (!stored.isValid()) {
        return -1;
    }
    // An unquoted "a, b" is read as a list: it stands for the text it was.
    QByteArray text = stored.typeId() == QMetaType::QStringList
                          ? stored.toStringList().join(QLatin1String(", ")).toUtf8()
                          : stored.toString().toUtf8();
    if (buffer != nullptr && size > 0) {
        int32_t copied = static_cast<int32_t>(std::min<qsizetype>(text.size(), size - 1));
        std::memcpy(buffer, text.constData(), static_cast<size_t>(copied));
        buffer[copied] = '\0';
    }
    return static_cast<int32_t>(text.size());
}

int32_t storeWriteText(const char* group, const char* name, const char* text)
{
    std::unique_ptr<QSettings> store = openStore(group, true);
    if (!store || text == nullptr) {
        return 0;
    }
    store->setValue(keyOf(name), QString::fromUtf8(text));
    store->sync();
    return store->status() != QSettings::AccessError ? 1 : 0;  // a format error is the old file's
}

// The store, on the group, or null when it is unusable. Opening creates an
// empty store when there is none. Before a write, a stale lock is taken over
// and a file with lines the rewrite would drop is copied aside. A line
// QSettings cannot parse (a "#" comment, a byte-order mark, an unclosed
// "[section") makes it report a format error, but the values around it are
// read all the same and are taken; other keys and sections are kept.
static std::unique_ptr<QSettings> openStore(const char* group, bool forWriting)
{
    QString fileName = settingsFileName();
    StoreState state = inspectStore(fileName);
    if (state == STORE_UNUSABLE || (state == STORE_MISSING && !createStore(fileName))) {
        return nullptr;
    }
    if (forWriting) {
        takeOverStaleLock(fileName);
        keepUnreadableLines(fileName);
    }
    auto store = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
    if (group != nullptr && group[0] != '\0') {
        store->beginGroup(QString::fromUtf8(group));
    }
    return store;
}

static QString keyOf(const char* name)
{
    return QString::fromUtf8(name != nullptr ? name : "");
}

// Whether the store is there, and whether it may be opened: only a regular
// file (or a link to one) is read or written; anything else standing in its
// place makes the store unusable, as does a store that cannot be created.
static StoreState inspectStore(const QString& fileName)
{
    QFileInfo info(fileName);
    if (info.isSymLink() && !info.exists()) {
        return STORE_UNUSABLE;  // a dangling link: writing would go who knows where
    }
    if (!info.exists()) {
        return STORE_MISSING;
    }
    return info.isFile() ? STORE_FILE : STORE_UNUSABLE;
}

// Creates an empty store, as opening the store creates it when it is missing.
static bool createStore(const QString& fileName)
{
    if (!QDir().mkpath(QFileInfo(fileName).absolutePath())) {
        return false;
    }
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || inspectStore(fileName) == STORE_FILE;
}

// QSettings rewrites the whole file and leaves out every line it does not
// take as a section or a value: comments, a byte-order mark, an unclosed
// "[section", stray text. When the file holds such lines it is copied beside
// the store first, so nothing the user wrote is lost.
static void keepUnreadableLines(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    bool allKept = true;
    while (allKept && !file.atEnd()) {
        QByteArray line = file.readLine().trimmed();
        bool section = line.startsWith('[') && line.endsWith(']');
        bool value = line.contains('=') && !line.startsWith(';') && !line.startsWith('#') &&
                     !line.startsWith("\xEF\xBB\xBF");
        allKept = line.isEmpty() || section || value;
    }
    file.close();
    if (!allKept) {
        QString copyName = fileName + QLatin1String(".bad");
        QFile::remove(copyName);
        QFile::copy(fileName, copyName);
    }
}

// QSettings holds a lock file beside the store while it writes, for a few
// milliseconds. A lock left by a process that was killed on another machine
// sharing the home directory, or left empty, is only given up by Qt after 30
// seconds, and the end of the program would wait for it; such a lock is
// removed at once. A lock of a live process on this machine is waited for;
// one of a dead process here Qt removes by itself.
static void takeOverStaleLock(const QString& fileName)
{
    QLockFile lock(fileName + QLatin1String(".lock"));
    if (lock.tryLock(0)) {
        lock.unlock();
        return;
    }
    qint64 pid = 0;
    QString host;
    QString application;
    bool thisHost = lock.getLockInfo(&pid, &host, &application) &&
                    (host.isEmpty() || host == QSysInfo::machineHostName());
    if (!thisHost) {
        lock.removeStaleLockFile();
    }
}

// A stored value is taken only when it is a whole number in the signed 32-bit
// range; QVariant::toInt would quietly wrap 5000000000.
static bool toInt32(const QVariant& value, int32_t* out)
{
    bool ok = false;
    qlonglong number = 0;
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray:
        number = value.toString().trimmed().toLongLong(&ok, 10);
        break;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        number = value.toLongLong(&ok);
        break;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort: {
        qulonglong unsignedNumber = value.toULongLong(&ok);
        ok = ok && unsignedNumber <= static_cast<qulonglong>(std::numeric_limits<int32_t>::max());
        number = static_cast<qlonglong>(unsignedNumber);
        break;
    }
    default:
        return false;
    }
    if (!ok || number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    *out = static_cast<int32_t>(number);
    return true;
}
