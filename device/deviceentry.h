#pragma once

#include <QList>
#include <QString>

class QSettings;

// One catalogue entry of apConfig.bin: how to find a mouse family and talk to it.
class DeviceEntry
{
public:
    int type = -1;
    quint16 vid = 0;
    quint16 pid = 0;
    quint16 usagePage = 0;   // command interface
    quint16 usage = 0;
    quint16 usagePage2 = 0;  // event interface
    quint16 usage2 = 0;
    int reportLength = DefaultReportLength;
    bool isEncode = false;
    QString sCode;
    QString commandPath;     // empty while no matching interface is attached
    QString eventPath;

    static constexpr int DefaultReportLength = 32;
    static constexpr int MaxEntries = 1024;
    // The largest report a HID interface carries (hidraw's buffer); every write allocates one.
    static constexpr int MaxReportLength = 4096;

    bool isAttached() const { return !commandPath.isEmpty(); }
    // Interfaces that enumerate as vendor 0 / product 0 belong to no family.
    bool hasIds() const { return vid != 0 || pid != 0; }

    // Reads section <index> of an open catalogue; missing keys take their defaults.
    static DeviceEntry read(QSettings &settings, int index);
    // Every entry of the catalogue file, paths empty. A missing file gives no entry.
    static QList<DeviceEntry> loadCatalogue(const QString &fileName);
    // Hex field as the catalogue writes it (248a, 248A); text that does not parse gives 0.
    static int parseHex(const QString &text, int fallback);
};
