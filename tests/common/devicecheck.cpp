#include "common/devicecheck.h"

#include <QDeadlineTimer>
#include <QSignalSpy>

#include "common/testroot.h"
#include "device/controller.h"
#include "device/ic.h"
#include "model/mousedata.h"
#include "sim/vmouse.h"

bool checkFindsFamily(int family, int timeoutMs)
{
    QSignalSpy checked(Controller::instance(), &Controller::deviceChecked);
    emit Controller::instance()->check();
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        for (const QList<QVariant> &result : checked) {
            if (result.at(0).toInt() == family)
                return true;
        }
        checked.clear();
        checked.wait(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return false;
}

bool replugAndCheck(int family, int *mouse)
{
    vmouse_reset();
    const int id = family >= 0 ? TestRoot::plugFamily(family) : -1;
    if (mouse)
        *mouse = id;
    return checkFindsFamily(family);
}

bool mouseDrained()
{
    Ic *ic = Controller::instance()->currentIc();
    if (!ic)
        return false;
    QSignalSpy answered(MouseData::instance(), &MouseData::dpiKeyPressed);
    ic->readCurrentDpiLevel();
    return answered.wait(10000);
}

vmouse_state mouseState(int id)
{
    vmouse_state s{};
    vmouse_get_state(id, &s);
    return s;
}
