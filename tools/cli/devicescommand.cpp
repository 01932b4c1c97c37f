#include "tools/cli/clicommand.h"

#include "device/datapaths.h"
#include "device/deviceentry.h"

#include <QFileInfo>

#include <hidapi.h>

namespace {
QString hex(unsigned value)
{
    return QString::number(value, 16);
}
} // namespace

int Cli::devices(const QStringList &args)
{
    if (!noArguments("devices", args))
        return Error;
    if (hid_init() != 0) {
        err(QStringLiteral("mousecfg-cli devices: the HID library could not start"));
        return Error;
    }
    const QString file = QFileInfo(DataPaths::configFile()).absoluteFilePath();
    const QList<DeviceEntry> catalogue = DeviceEntry::loadCatalogue(file);
    if (catalogue.isEmpty())
        err(QStringLiteral("note: %1 lists no mouse").arg(file));

    int count = 0;
    int matched = 0;
    int blocked = 0;
    hid_device_info *list = hid_enumerate(0, 0);
    for (hid_device_info *d = list; d; d = d->next) {
        ++count;
        QString line = QStringLiteral("vid=%1 pid=%2 usagePage=%3 usage=%4 path=%5")
                           .arg(hex(d->vendor_id), hex(d->product_id), hex(d->usage_page),
                                hex(d->usage), QString::fromLocal8Bit(d->path));
        QStringList marks;
        for (int i = 0; i < catalogue.size(); ++i) {
            const DeviceEntry &e = catalogue.at(i);
            if (!e.hasIds() || e.vid != d->vendor_id || e.pid != d->product_id)
                continue;
            const QString family = i <= 6 ? QStringLiteral("family %1").arg(i)
                                          : QStringLiteral("beyond the supported families");
            if (e.usagePage == d->usage_page && e.usage == d->usage)
                marks << QStringLiteral("entry %1 (%2) command interface").arg(i).arg(family);
            if (e.usagePage2 == d->usage_page && e.usage2 == d->usage)
                marks << QStringLiteral("entry %1 (%2) event interface").arg(i).arg(family);
        }
        if (!marks.isEmpty()) {
            ++matched;
            // Without the udev rule a normal user sees the node but may not open it.
            if (hid_device *probe = hid_open_path(d->path)) {
                hid_close(probe);
            } else {
                ++blocked;
                marks << QStringLiteral("cannot be opened");
            }
            line += QStringLiteral("  <- ") + marks.join(QStringLiteral(", "));
        }
        out(line);
    }
    hid_free_enumeration(list);
    hid_exit();
    out(QStringLiteral("%1 interface(s), %2 known to %3").arg(count).arg(matched).arg(file));
    if (blocked > 0) {
        err(QStringLiteral("mousecfg-cli devices: %1 interface(s) of a supported mouse cannot be opened;\n"
                           "this user probably lacks the permission. The udev rule 70-mousecfg.rules grants it\n"
                           "(the package installs it in /usr/lib/udev/rules.d). Without the package:\n"
                           "  mousecfg-cli udev-rule | sudo tee /etc/udev/rules.d/70-mousecfg.rules\n"
                           "then, with the package or without:\n"
                           "  sudo udevadm control --reload-rules && sudo udevadm trigger\n"
                           "and plug the mouse in again.")
                .arg(blocked));
    }
    return Ok;
}
