#include "device/deviceentry.h"

#include <QFileInfo>
#include <QSettings>

int DeviceEntry::parseHex(const QString &text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 16);
    return ok ? value : fallback;
}

DeviceEntry DeviceEntry::read(QSettings &settings, int index)
{
    DeviceEntry e;
    settings.beginGroup(QString::number(index));
    // A missing type reads as the text "-1", which is hex -1.
    e.type = parseHex(settings.value(QStringLiteral("type"), -1).toString(), 0);
    const auto u16 = [&settings](const char *key) {
        return quint16(parseHex(settings.value(QLatin1String(key), 0).toString(), 0));
    };
    e.vid = u16("vid");
    e.pid = u16("pid");
    e.usagePage = u16("usagePage");
    e.usage = u16("usage");
    e.usagePage2 = u16("usagePage2");
    e.usage2 = u16("usage2");
    bool ok = false;
    e.reportLength = settings.value(QStringLiteral("reportLength"), DefaultReportLength).toInt(&ok);
    // Data is cut into reports of this length; a length below 1 would never advance, and a
    // wild one would make every write allocate that much.
    if (!ok || e.reportLength < 1 || e.reportLength > MaxReportLength)
        e.reportLength = DefaultReportLength;
    e.isEncode = settings.value(QStringLiteral("isEncode"), false).toBool();
    e.sCode = settings.value(QStringLiteral("sCode"), QStringLiteral("123456")).toString();
    settings.endGroup();
    return e;
}

QList<DeviceEntry> DeviceEntry::loadCatalogue(const QString &fileName)
{
    QList<DeviceEntry> entries;
    if (!QFileInfo::exists(fileName))
        return entries;
    QSettings settings(fileName, QSettings::IniFormat);
    // The count is read again before each entry; a wild count must not exhaust memory.
    for (int i = 0; i < settings.value(QStringLiteral("common/deviceCount"), 0).toInt() && i < MaxEntries; ++i)
        entries.append(read(settings, i));
    return entries;
}
