// The settings store on QSettings. Every read and every write opens the store
// anew, as the values are read once at start and written once at the end.
#include "host/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>
#include <limits>

#include "host/host.h"

static const char* const STORE_ORGANISATION = "Quorl";
static const char* const STORE_APPLICATION = "Configuration";

static bool prepareStore();
static void writeSettings(QSettings& store);
static bool toInt32(const QVariant& value, int32_t* out);

int32_t loadSetting(const char* name, std::atomic<int32_t>& setting)
{
    if (!prepareStore()) {
        return 0;
    }
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, STORE_ORGANISATION,
                    STORE_APPLICATION);
    QVariant value = store.value(QString::fromLatin1(name));
    int32_t number = 0;
    if (store.status() != QSettings::NoError || !toInt32(value, &number)) {
        return 0;
    }
    setting.store(number, std::memory_order_relaxed);
    return 4;
}

void saveSettings()
{
    if (!prepareStore()) {
        return;
    }
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, STORE_ORGANISATION,
                    STORE_APPLICATION);
    writeSettings(store);
}

// Makes sure a readable store exists: creates an empty one when it is
// missing, and rewrites one that QSettings cannot parse (it would refuse to
// write over it) with the settings in force. False when the store cannot be
// opened at all.
static bool prepareStore()
{
    QString fileName;
    {
        QSettings store(QSettings::NativeFormat, QSettings::UserScope, STORE_ORGANISATION,
                        STORE_APPLICATION);
        fileName = store.fileName();
        store.contains(QStringLiteral("emuFrameSkipMode"));  // a read reports a corrupt file
        if (store.status() == QSettings::AccessError) {
            return false;
        }
        if (store.status() == QSettings::NoError) {
            if (QFileInfo::exists(fileName)) {
                return true;
            }
            if (!QDir().mkpath(QFileInfo(fileName).absolutePath())) {
                return false;
            }
            QFile file(fileName);
            return file.open(QIODevice::WriteOnly);
        }
    }
    if (!QFile::remove(fileName)) {
        return false;
    }
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, STORE_ORGANISATION,
                    STORE_APPLICATION);
    writeSettings(store);
    return store.status() == QSettings::NoError;
}

static void writeSettings(QSettings& store)
{
    store.setValue(QStringLiteral("emuReuseTextures"),
                   emuReuseTextures.load(std::memory_order_relaxed));
    store.setValue(QStringLiteral("emuUsePixelShaders"),
                   emuUsePixelShaders.load(std::memory_order_relaxed));
    store.setValue(QStringLiteral("emuFrameSkipMode"),
                   emuFrameSkipMode.load(std::memory_order_relaxed));
    store.sync();
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
