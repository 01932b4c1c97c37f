#include "model/settingsio.h"

#include <QFile>
#include <QLockFile>
#include <QStringList>

uchar SettingsIo::byteOf(const QVariant &value)
{
    bool ok = false;
    const uint n = value.toString().trimmed().toUInt(&ok);
    return ok ? uchar(n & 0xFF) : 0;
}

uchar SettingsIo::readByte(const QSettings &settings, const QString &key)
{
    return byteOf(settings.value(key));
}

QVariantList SettingsIo::readList(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return {};
    const int type = value.metaType().id();
    if (type == QMetaType::QVariantList)
        return value.toList();
    if (type == QMetaType::QStringList) {
        QVariantList list;
        for (const QString &s : value.toStringList())
            list.append(s);
        return list;
    }
    const QString text = value.toString();
    if (text.isEmpty())
        return {};
    return {text};
}

QString SettingsIo::readText(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool SettingsIo::readKeyCode(const QSettings &settings, int index, KeyFunction *code)
{
    const QVariantList list = readList(settings, QStringLiteral("mouseKeyMatrix/%1").arg(index));
    if (list.isEmpty())
        return false;
    const auto at = [&list](int i) { return i < list.size() ? byteOf(list.at(i)) : uchar(0); };
    code->kind = at(0);
    code->param1 = at(1);
    code->param2 = at(2);
    code->param3 = at(3);
    return true;
}

QVariantList SettingsIo::keyCodeList(const KeyFunction &code)
{
    return {int(code.kind), int(code.param1), int(code.param2), int(code.param3)};
}

QString SettingsIo::dpiListKey(int deviceType, bool yAxis)
{
    QString suffix;
    switch (deviceType) {
    case 0: break;
    case 1: case 2: suffix = QStringLiteral("_4"); break;
    case 3: case 4: suffix = QStringLiteral("_1"); break;
    case 5: suffix = QStringLiteral("_2"); break;
    case 6: suffix = QStringLiteral("_3"); break;
    default: return {};
    }
    return (yAxis ? QStringLiteral("mouse/yDpiList") : QStringLiteral("mouse/xDpiList")) + suffix;
}

QString SettingsIo::joinNumbers(const QVariantList &values)
{
    QStringList parts;
    parts.reserve(values.size());
    for (const QVariant &v : values)
        parts.append(QString::number(v.toString().trimmed().toUInt()));
    return parts.join(QLatin1Char('_'));
}

namespace {
// QSettings holds its lock only for the milliseconds of one write; a lock older than this is
// one a killed writer left (an empty one, if it died between creating and filling it).
constexpr int StaleLockMs = 3000;
constexpr int CommitLockWaitMs = StaleLockMs + 1000;

bool probeLock(const QString &file, int waitMs)
{
    // QLockFile removes a stale lock under a second lock of its own; a writer killed right
    // there leaves that one empty, and it would block every removal for 30 s.
    const QString lockPath = file + QStringLiteral(".lock");
    QLockFile removal(lockPath + QStringLiteral(".rmlock"));
    removal.setStaleLockTime(StaleLockMs);
    if (removal.tryLock(waitMs))
        removal.unlock();
    // tryLock applies Qt's staleness rules itself; a live writer's lock makes it fail.
    QLockFile probe(lockPath);
    probe.setStaleLockTime(StaleLockMs);
    if (probe.tryLock(waitMs)) {
        probe.unlock();
        return true;
    }
    // Any other failure (no directory yet, no permission) is the write's to find and report.
    return probe.error() != QLockFile::LockFailedError;
}
} // namespace

bool SettingsIo::lockIsFree(const QString &file)
{
    return probeLock(file, 0);
}

bool SettingsIo::commit(QSettings &settings)
{
    // Left to itself, QSettings waits out a dead writer's lock for 30 s, freezing the program.
    probeLock(settings.fileName(), CommitLockWaitMs);
    settings.sync();
    // FormatError only says the old file did not parse; Qt still writes the new one over it.
    return settings.status() != QSettings::AccessError;
}
