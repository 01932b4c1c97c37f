#include "tools/cli/clicommand.h"

#include "device/datapaths.h"
#include "model/settingsio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <hidapi.h>

namespace {
constexpr int LastFamily = 6;

bool parsePair(const QString &text, quint16 *a, quint16 *b)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    bool okA = false;
    bool okB = false;
    const uint va = parts[0].toUInt(&okA, 16);
    const uint vb = parts[1].toUInt(&okB, 16);
    if (!okA || !okB || va > 0xffff || vb > 0xffff)
        return false;
    *a = quint16(va);
    *b = quint16(vb);
    return true;
}

QString hex(unsigned v) { return QString::number(v, 16); }

struct Interfaces
{
    bool command = false;
    bool event = false;
    QStringList seen; // usage page:usage of every interface of the mouse
};

Interfaces findAttached(quint16 vid, quint16 pid, quint16 page, quint16 usage, quint16 page2, quint16 usage2)
{
    Interfaces found;
    hid_device_info *list = hid_enumerate(vid, pid);
    for (hid_device_info *d = list; d; d = d->next) {
        if (d->vendor_id != vid || d->product_id != pid)
            continue;
        found.seen << hex(d->usage_page) + QLatin1Char(':') + hex(d->usage);
        found.command = found.command || (d->usage_page == page && d->usage == usage);
        found.event = found.event || (d->usage_page == page2 && d->usage == usage2);
    }
    hid_free_enumeration(list);
    return found;
}
} // namespace

int Cli::setFamily(const QStringList &arguments)
{
    const QString usage = QStringLiteral(
        "usage: mousecfg-cli set-family FAMILY VID:PID COMMAND_PAGE:USAGE EVENT_PAGE:USAGE [--report-length N]");
    QStringList args = arguments;
    int reportLength = 0;
    const int r = args.indexOf(QStringLiteral("--report-length"));
    if (r >= 0) {
        bool ok = false;
        reportLength = r + 1 < args.size() ? args.at(r + 1).toInt(&ok) : 0;
        if (!ok || reportLength < 1 || reportLength > 1024) {
            err(QStringLiteral("mousecfg-cli set-family: --report-length needs a number from 1 to 1024"));
            return Error;
        }
        args.remove(r, 2);
    }
    bool familyOk = false;
    const int family = args.value(0).toInt(&familyOk);
    quint16 vid = 0, pid = 0, page = 0, use = 0, page2 = 0, use2 = 0;
    if (args.size() != 4 || !familyOk || !parsePair(args[1], &vid, &pid) || !parsePair(args[2], &page, &use)
        || !parsePair(args[3], &page2, &use2)) {
        err(usage);
        return Error;
    }
    if (family < 0 || family > LastFamily) {
        err(QStringLiteral("mousecfg-cli set-family: the family is a number from 0 to %1").arg(LastFamily));
        return Error;
    }
    if (vid == 0 && pid == 0) {
        err(QStringLiteral("mousecfg-cli set-family: vendor and product 0 name no mouse"));
        return Error;
    }

    // Only interfaces that are there: a typing error would leave the family unreachable.
    if (hid_init() != 0) {
        err(QStringLiteral("mousecfg-cli set-family: the HID library could not start"));
        return Error;
    }
    const Interfaces found = findAttached(vid, pid, page, use, page2, use2);
    hid_exit();
    if (!found.command || !found.event) {
        err(QStringLiteral("mousecfg-cli set-family: %1:%2 has no attached %3 interface %4")
                .arg(hex(vid), hex(pid), found.command ? QStringLiteral("event") : QStringLiteral("command"),
                     found.command ? args[3] : args[2]));
        err(found.seen.isEmpty() ? QStringLiteral("no interface of %1:%2 is attached (see mousecfg-cli devices)")
                                       .arg(hex(vid), hex(pid))
                                 : QStringLiteral("its interfaces (usage page:usage): %1").arg(found.seen.join(QLatin1Char(' '))));
        return Error;
    }

    // The user's catalogue starts as a copy of the shipped one, so the other families stay.
    const QString user = DataPaths::userConfigFile();
    const QString shipped = DataPaths::shippedConfigFile();
    if (!QFileInfo::exists(user)) {
        QDir().mkpath(QFileInfo(user).absolutePath());
        if (QFileInfo::exists(shipped) && !QFile::copy(shipped, user)) {
            err(QStringLiteral("mousecfg-cli set-family: cannot create %1").arg(user));
            return Error;
        }
        QFile(user).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                   | QFileDevice::ReadOther);
    }
    QSettings catalogue(user, QSettings::IniFormat);
    const QString section = QString::number(family);
    catalogue.setValue(section + QStringLiteral("/vid"), hex(vid));
    catalogue.setValue(section + QStringLiteral("/pid"), hex(pid));
    catalogue.setValue(section + QStringLiteral("/usagePage"), hex(page));
    catalogue.setValue(section + QStringLiteral("/usage"), hex(use));
    catalogue.setValue(section + QStringLiteral("/usagePage2"), hex(page2));
    catalogue.setValue(section + QStringLiteral("/usage2"), hex(use2));
    if (reportLength > 0)
        catalogue.setValue(section + QStringLiteral("/reportLength"), reportLength);
    else if (!catalogue.contains(section + QStringLiteral("/reportLength")))
        catalogue.setValue(section + QStringLiteral("/reportLength"), 32);
    if (!catalogue.contains(section + QStringLiteral("/type")))
        catalogue.setValue(section + QStringLiteral("/type"), section);
    const int count = catalogue.value(QStringLiteral("common/deviceCount")).toString().toInt();
    if (count <= family)
        catalogue.setValue(QStringLiteral("common/deviceCount"), family + 1);
    if (!SettingsIo::commit(catalogue)) {
        err(QStringLiteral("mousecfg-cli set-family: %1 could not be written").arg(user));
        return Error;
    }
    out(QStringLiteral("family %1 is now %2:%3 (command %4, event %5) in %6")
            .arg(family)
            .arg(hex(vid), hex(pid), args[2], args[3], QFileInfo(user).absoluteFilePath()));
    out(QStringLiteral("To let this user open it: mousecfg-cli udev-rule | sudo tee /etc/udev/rules.d/70-mousecfg.rules"));
    return Ok;
}
