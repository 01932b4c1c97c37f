#include "profiles/devicebus.h"

#include <QDBusMessage>

#include "device/controller.h"
#include "device/ic.h"
#include "model/mousedata.h"

const char *const DeviceBus::Path = "/Device";
const char *const DeviceBus::Interface = "org.mousecfg.Device";

DeviceBus::DeviceBus(QObject *parent) : QObject(parent) {}

bool DeviceBus::publish(QDBusConnection bus)
{
    return bus.isConnected()
           && bus.registerObject(QLatin1String(Path), this, QDBusConnection::ExportScriptableSlots);
}

bool DeviceBus::noMouse()
{
    if (calledFromDBus())
        sendErrorReply(QStringLiteral("org.mousecfg.Device.NoMouse"), QStringLiteral("no supported mouse is attached"));
    return false;
}

bool DeviceBus::Apply()
{
    return Controller::instance()->sendProfile() || noMouse();
}

int DeviceBus::DpiLevel()
{
    Controller *controller = Controller::instance();
    Ic *ic = controller->currentIc();
    if (!ic) {
        noMouse();
        return -1;
    }
    if (!calledFromDBus())
        return MouseData::instance()->currentDpiLevel;
    // Asked of the mouse, in turn with the program's own commands; answered when it answers.
    setDelayedReply(true);
    const QDBusMessage call = message();
    auto *waiter = new QObject(this);
    const auto answer = [waiter, bus = connection()](const QDBusMessage &reply) {
        if (waiter->property("answered").toBool())
            return;
        waiter->setProperty("answered", true);
        bus.send(reply);
        waiter->deleteLater();
    };
    connect(MouseData::instance(), &MouseData::dpiKeyPressed, waiter, [call, answer](int level) {
        answer(call.createReply(level));
    });
    connect(controller, &Controller::transferFailed, waiter, [call, answer](const QString &text) {
        if (text.section(QLatin1Char('_'), 1, 1) == QLatin1String("135"))
            answer(call.createErrorReply(QDBusError::Failed, QStringLiteral("the mouse did not answer")));
    });
    ic->readCurrentDpiLevel();
    return 0;
}
