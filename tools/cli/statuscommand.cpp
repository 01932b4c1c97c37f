#include "tools/cli/clicommand.h"

#include "device/controller.h"
#include "device/datapaths.h"
#include "device/deviceentry.h"

#include <QCoreApplication>
#include <QTimer>

namespace {
constexpr int CheckTimeoutMs = 5000;
}

int Cli::status(const QStringList &args)
{
    if (!noArguments("status", args))
        return Error;

    int result = -2; // no answer yet
    Controller *controller = Controller::instance();
    QObject::connect(controller, &Controller::deviceChecked, qApp, [&result](int value) {
        result = value;
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(CheckTimeoutMs, qApp, [] { QCoreApplication::exit(1); });
    emit controller->check();
    const int loop = QCoreApplication::exec();
    Controller::shutdown();

    if (loop != 0 || result == -2) {
        err(QStringLiteral("mousecfg-cli status: the device check did not finish within %1 ms")
                .arg(CheckTimeoutMs));
        return Error;
    }
    const QList<DeviceEntry> catalogue = DeviceEntry::loadCatalogue(DataPaths::configFile());
    if (result < 0 || result > 6 || result >= catalogue.size()) {
        if (result > 6)
            out(QStringLiteral("catalogue entry %1 is attached, but only entries 0..6 are supported families")
                    .arg(result));
        out(QStringLiteral("no supported mouse is attached"));
        return NoMouse;
    }
    const DeviceEntry &e = catalogue.at(result);
    out(QStringLiteral("family %1: catalogue entry %1, %2:%3, report length %4")
            .arg(result)
            .arg(QString::number(e.vid, 16), QString::number(e.pid, 16))
            .arg(e.reportLength));
    return Ok;
}
