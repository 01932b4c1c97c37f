#include "faultrig.h"

#include "device/controller.h"
#include "device/datapaths.h"
#include "sim/vmouse.h"
#include "sim/vmousestate.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>

#include <string>

bool FaultRig::populate(const QString &root)
{
    const QString bin = QStringLiteral(MOUSECFG_BIN_DIR);
    if (!QDir().mkpath(root + QStringLiteral("/data")) || !QDir().mkpath(root + QStringLiteral("/i18n")))
        return false;
    for (const char *f : {"data/apConfig.bin", "data/pD.bin", "i18n/English.ini", "i18n/ChineseSimplified.ini"}) {
        const QString name = QLatin1String(f);
        QFile::remove(root + QLatin1Char('/') + name);
        if (!QFile::copy(bin + QLatin1Char('/') + name, root + QLatin1Char('/') + name))
            return false;
        QFile::setPermissions(root + QLatin1Char('/') + name, QFile::ReadOwner | QFile::WriteOwner);
    }
    DataPaths::setRoot(root);
    return true;
}

int FaultRig::plug()
{
    return vmouse_plug(0xf0e1, 0x7a01, 0xff00, 1, 0xff01, 1, 32);
}

int FaultRig::check()
{
    Controller *c = Controller::instance();
    QSignalSpy spy(c, &Controller::deviceChecked);
    emit c->check();
    // Behind any transfers still queued on the worker.
    if (!spy.wait(20000))
        return -2;
    return spy.takeFirst().at(0).toInt();
}

bool FaultRig::state(int id, vmouse_state *out)
{
    return vmouse_get_state(id, out) == 0;
}

bool FaultRig::traceHasFeature(const QString &hexPrefix)
{
    const size_t n = vmouse_trace(nullptr, 0);
    std::string text(n + 1, '\0');
    vmouse_trace(&text[0], text.size());
    const QRegularExpression line(QStringLiteral(" feature \\S+ ") + QRegularExpression::escape(hexPrefix));
    return QString::fromStdString(text).contains(line);
}
